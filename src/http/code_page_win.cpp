#include "http/code_page_win.h"

#include "win32.h"

namespace {

CodePage BuildSystemCodePage() {
    char32_t codePoints[256];
    unsigned char lower[256];
    for (int b = 0; b < 256; ++b) {
        codePoints[b] = CodePage::kNoCharacter;
        lower[b] = static_cast<unsigned char>(b);
        if (IsDBCSLeadByte(static_cast<BYTE>(b))) continue;
        char byte = static_cast<char>(b);
        wchar_t wide[2] = {};
        if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &byte, 1, wide, 2) != 1 ||
            (wide[0] >= 0xD800 && wide[0] <= 0xDFFF))
            continue;
        codePoints[b] = wide[0];
        CharLowerBuffA(&byte, 1);
        lower[b] = static_cast<unsigned char>(byte);
    }
    return CodePage(codePoints, lower);
}

}  // namespace

const CodePage& SystemCodePage() {
    // Kept for the life of the process: workers decode with it while it ends.
    static const CodePage& page = *new CodePage(BuildSystemCodePage());
    return page;
}
