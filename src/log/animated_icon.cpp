#include "log/animated_icon.h"

#include <algorithm>
#include <cstdint>

namespace {

uint32_t Le32(const std::string& b, size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

uint16_t Le16(const std::string& b, size_t at) {
    return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) |
                                 static_cast<unsigned char>(b[at + 1]) << 8);
}

// The image of the first entry of an icon file that lies in [start, end).
bool IconImage(const std::string& b, size_t start, size_t end, AnimatedIcon::Frame& frame) {
    if (end - start < 22 || Le16(b, start) != 0 || Le16(b, start + 2) != 1 ||
        Le16(b, start + 4) < 1)
        return false;
    const size_t size = Le32(b, start + 6 + 8);
    const size_t offset = Le32(b, start + 6 + 12);
    if (offset > end - start || size > end - start - offset || size < 40) return false;
    frame.offset = start + offset;
    frame.size = size;
    return true;
}

}  // namespace

bool ParseAnimatedIcon(const std::string& b, AnimatedIcon& icon) {
    icon = AnimatedIcon();
    if (b.size() < 12 || b.compare(0, 4, "RIFF") != 0 || b.compare(8, 4, "ACON") != 0) return false;
    const size_t end = std::min<size_t>(b.size(), 8 + static_cast<size_t>(Le32(b, 4)));
    size_t at = 12;
    while (at + 8 <= end) {
        const std::string id = b.substr(at, 4);
        const size_t size = Le32(b, at + 4);
        const size_t body = at + 8;
        if (size > end - body) return false;
        if (id == "anih" && size >= 36) {
            icon.jiffies = Le32(b, body + 28);
        } else if (id == "LIST" && size >= 4 && b.compare(body, 4, "fram") == 0) {
            size_t inner = body + 4;
            while (inner + 8 <= body + size) {
                const size_t innerSize = Le32(b, inner + 4);
                if (innerSize > body + size - inner - 8) return false;
                AnimatedIcon::Frame frame;
                if (b.compare(inner, 4, "icon") == 0 &&
                    IconImage(b, inner + 8, inner + 8 + innerSize, frame))
                    icon.frames.push_back(frame);
                inner += 8 + innerSize + (innerSize & 1);
            }
        }
        at = body + size + (size & 1);
    }
    return !icon.frames.empty();
}
