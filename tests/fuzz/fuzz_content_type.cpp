// ContentTypeFor always gives one of its texts, whatever the key.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "http/content_type.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string key(reinterpret_cast<const char*>(data), size);
    const char* type = ContentTypeFor(key);
    if (type == nullptr || std::strchr(type, '/') == nullptr) std::abort();
    if (key.find('.') == std::string::npos && key.size() > 4 &&
        std::strcmp(type, "application/octet-stream") != 0)
        std::abort();
    return 0;
}
