#include "shares/size_text.h"

std::string SizeText(uint64_t bytes) {
    const bool megabytes = bytes >= 1048576;
    const uint64_t unit = megabytes ? 1048576 : 1024;
    // Tenths of the unit, the exact quotient rounded to the nearest, ties to even.
    const uint64_t scaled = bytes * 10;
    uint64_t tenths = scaled / unit;
    const uint64_t remainder = scaled % unit;
    if (remainder * 2 > unit || (remainder * 2 == unit && tenths % 2 == 1)) ++tenths;

    std::string text;
    const uint64_t whole = tenths / 10;
    const uint64_t fraction = tenths % 10;
    if (whole > 0 || fraction == 0) text = std::to_string(whole);
    if (fraction) {
        text += '.';
        text += static_cast<char>('0' + fraction);
    }
    text += megabytes ? " MB" : " KB";
    return text;
}
