// EncodeBase64: four characters per three bytes, only the alphabet and padding,
// and decoding it gives the input back.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "http/codecs.h"

namespace {

int Value(char c) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const char* p = std::strchr(kAlphabet, c);
    return p && c ? static_cast<int>(p - kAlphabet) : -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string text = EncodeBase64(input);
    if (text.size() != (size + 2) / 3 * 4) std::abort();
    std::string back;
    for (size_t i = 0; i < text.size(); i += 4) {
        int v[4];
        for (int k = 0; k < 4; ++k) {
            v[k] = text[i + k] == '=' ? 0 : Value(text[i + k]);
            if (v[k] < 0) std::abort();
        }
        const uint32_t group = v[0] << 18 | v[1] << 12 | v[2] << 6 | v[3];
        back += static_cast<char>(group >> 16);
        if (text[i + 2] != '=') back += static_cast<char>(group >> 8 & 0xff);
        if (text[i + 3] != '=') back += static_cast<char>(group & 0xff);
    }
    if (back != input) std::abort();
    return 0;
}
