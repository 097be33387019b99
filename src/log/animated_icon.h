// The frames of an animated icon (a RIFF "ACON" file): a static control shows
// only the first frame of one, so the program steps through them itself.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct AnimatedIcon {
    struct Frame {
        size_t offset;  // the frame's image (BITMAPINFOHEADER onwards) in the file
        size_t size;
    };
    std::vector<Frame> frames;
    unsigned jiffies = 0;  // display time of a frame, in sixtieths of a second
};

// False when the bytes are not a well-formed animated icon with at least one frame.
bool ParseAnimatedIcon(const std::string& bytes, AnimatedIcon& icon);
