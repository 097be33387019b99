// DecodeRequestText, EscapeLinkPath, the UTF-16 form and the folding: a decoded
// text is UTF-8 without a control byte or a slash, its command never longer
// than the input; links carry only whole escapes and decode back to the path
// they were made of; UTF-16 comes back exactly; folding twice is folding once.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "http/case_folding.h"
#include "http/codecs.h"

namespace {

bool IsUpperHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const DecodedRequest decoded = DecodeRequestText(input);
    if (!IsWellFormedUtf8(decoded.text) || decoded.command.size() > input.size()) std::abort();
    for (unsigned char c : decoded.text)
        if (c < 32 || c == 127 || c == '/') std::abort();
    // Windows-1252 reads every byte: the request is always readable there.
    if (!decoded.readable) std::abort();
    std::string back;
    if (!PageToUtf8(decoded.command, back) || back != decoded.text) {
        // Only characters off the page may differ, each standing as "?".
        if (decoded.command.find('?') == std::string::npos) std::abort();
    }

    const std::string link = EscapeLinkPath(input);
    bool nameBytesOnly = IsWellFormedUtf8(input);
    for (unsigned char c : input) nameBytesOnly &= c >= 32 && c != 127 && c != '/';
    for (size_t i = 0; i < link.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(link[i]);
        if (c == '\\' || c == '#' || c == '&' || c >= 128) std::abort();
        if (c == '%' &&
            (i + 2 >= link.size() || !IsUpperHex(link[i + 1]) || !IsUpperHex(link[i + 2])))
            std::abort();
    }
    if (nameBytesOnly) {
        const DecodedRequest linked = DecodeRequestText(link);
        if (linked.text != input || !linked.readable) std::abort();
    }

    std::u16string units(size / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
    const std::string wtf8 = Utf16ToUtf8(units);
    if (Utf8ToUtf16(wtf8) != units || Utf16Length(wtf8) != units.size()) std::abort();

    const std::string folded = FoldCase(input);
    if (FoldCase(folded) != folded || IsWellFormedUtf8(folded) != IsWellFormedUtf8(input))
        std::abort();
    return 0;
}
