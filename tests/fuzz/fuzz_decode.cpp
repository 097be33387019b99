// DecodeRequestText and EscapeLinkPath: never longer than allowed, never a
// control byte or a slash left in a decoded text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "http/codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string decoded = DecodeRequestText(input);
    if (decoded.size() > input.size()) std::abort();
    for (unsigned char c : decoded)
        if (c < 32 || c > 126 || c == '/') std::abort();
    const std::string link = EscapeLinkPath(input);
    if (link.find('\\') != std::string::npos || link.find('#') != std::string::npos) std::abort();
    return 0;
}
