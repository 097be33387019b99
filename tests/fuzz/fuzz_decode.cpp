// DecodeRequestText and EscapeLinkPath: never longer than allowed, never a
// control byte, a slash or a byte off the page left in a decoded text; links
// carry only whole escapes, and a link decodes back to the path it was made of.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "http/codecs.h"

namespace {

bool IsUpperHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string decoded = DecodeRequestText(input);
    if (decoded.size() > input.size()) std::abort();
    for (unsigned char c : decoded) {
        if (c < 32 || c == 127 || c == '/') std::abort();
        if (c >= 128 && CurrentCodePage().CodePointOf(c) == CodePage::kNoCharacter) std::abort();
    }

    const std::string link = EscapeLinkPath(input);
    bool nameBytesOnly = true;
    for (unsigned char c : input) nameBytesOnly &= c >= 32 && c != 127 && c != '/';
    for (size_t i = 0; i < link.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(link[i]);
        if (c == '\\' || c == '#' || c == '&') std::abort();
        if (nameBytesOnly && c >= 128) std::abort();
        if (c == '%' &&
            (i + 2 >= link.size() || !IsUpperHex(link[i + 1]) || !IsUpperHex(link[i + 2])))
            std::abort();
    }
    if (nameBytesOnly && DecodeRequestText(link) != input) std::abort();
    return 0;
}
