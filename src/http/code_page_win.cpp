#include "http/code_page_win.h"

#include <vector>

#include "win32.h"

namespace {

// The character the system reads from these bytes of its page, or none when
// it cannot read them as one character.
char32_t systemCharacter(const char* bytes, int length) {
    wchar_t wide[2] = {};
    const int units = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes, length, wide, 2);
    if (units == 1 && (wide[0] < 0xD800 || wide[0] > 0xDFFF)) return wide[0];
    if (units == 2 && wide[0] >= 0xD800 && wide[0] <= 0xDBFF && wide[1] >= 0xDC00 &&
        wide[1] <= 0xDFFF)
        return 0x10000 + ((wide[0] - 0xD800) << 10) + (wide[1] - 0xDC00);
    return CodePage::kNoCharacter;
}

// The page as tables: every byte, and on a page of two bytes per character
// every pair that begins with a lead byte, read by the system once.
const CodePage& buildTablePage() {
    CPINFO info = {};
    const bool doubleByte = GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 2;
    char32_t codePoints[256];
    bool leads[256] = {};
    for (int b = 0; b < 256; ++b) {
        leads[b] = doubleByte && IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(b));
        const char byte = static_cast<char>(b);
        codePoints[b] = leads[b] ? CodePage::kNoCharacter : systemCharacter(&byte, 1);
    }
    if (!doubleByte) return *new CodePage(codePoints);
    std::vector<char32_t> pairs(65536, CodePage::kNoCharacter);
    for (int lead = 0; lead < 256; ++lead) {
        if (!leads[lead]) continue;
        for (int trail = 0; trail < 256; ++trail) {
            const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            pairs[lead << 8 | trail] = systemCharacter(bytes, 2);
        }
    }
    return *new CodePage(codePoints, leads, std::move(pairs));
}

}  // namespace

const CodePage& SystemCodePage() {
    // Kept for the life of the process: workers decode with it while it ends.
    static const CodePage& page = GetACP() == CP_UTF8 ? CodePage::Utf8() : buildTablePage();
    return page;
}
