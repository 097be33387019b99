#include "http/unicode.h"

namespace {

// What a character read takes in UTF-16; an ill-formed piece becomes one U+FFFD.
size_t Utf16UnitsOf(char32_t c) { return c != kNoCharacter && c >= 0x10000 ? 2 : 1; }

// One character at i. The lead byte sets the length and the range of the
// second byte, which keeps out overlong forms, surrogates (unless allowed)
// and everything beyond U+10FFFF; a piece stops at the first byte out of range.
char32_t Read(const std::string& bytes, size_t& i, bool surrogates) {
    const size_t n = bytes.size();
    const unsigned char lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    size_t length = 0;
    char32_t c = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        c = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED && !surrogates) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        c = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        ++i;  // a byte that cannot begin a character
        return kNoCharacter;
    }
    size_t taken = 1;
    for (; taken < length && i + taken < n; ++taken) {
        const unsigned char next = static_cast<unsigned char>(bytes[i + taken]);
        if (next < low || next > high) break;
        c = c << 6 | (next & 0x3F);
        low = 0x80;
        high = 0xBF;
    }
    i += taken;
    return taken == length ? c : kNoCharacter;
}

void AppendUtf16(std::u16string& out, char32_t c) {
    if (c >= 0x10000) {
        out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
        out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
        out += static_cast<char16_t>(c);
    }
}

}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

char32_t ReadUtf8(const std::string& bytes, size_t& i) { return Read(bytes, i, false); }

char32_t ReadWtf8(const std::string& bytes, size_t& i) { return Read(bytes, i, true); }

bool IsWellFormedUtf8(const std::string& bytes) {
    for (size_t i = 0; i < bytes.size();)
        if (ReadUtf8(bytes, i) == kNoCharacter) return false;
    return true;
}

std::string Utf16ToUtf8(const char16_t* units, size_t count) {
    std::string out;
    out.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::string Utf16ToUtf8(const std::u16string& units) {
    return Utf16ToUtf8(units.data(), units.size());
}

std::u16string Utf8ToUtf16(const std::string& wtf8) {
    std::u16string out;
    out.reserve(wtf8.size());
    for (size_t i = 0; i < wtf8.size();) {
        const char32_t c = ReadWtf8(wtf8, i);
        AppendUtf16(out, c == kNoCharacter ? kReplacementCharacter : c);
    }
    return out;
}

size_t Utf16Length(const std::string& wtf8) {
    size_t units = 0;
    for (size_t i = 0; i < wtf8.size();) {
        units += Utf16UnitsOf(ReadWtf8(wtf8, i));
    }
    return units;
}

std::string CutToUtf16Units(const std::string& wtf8, size_t maxUnits) {
    // A character never takes more UTF-16 units than bytes: a text this short
    // needs no count.
    if (wtf8.size() <= maxUnits) return wtf8;
    size_t units = 0;
    size_t i = 0;
    while (i < wtf8.size()) {
        size_t next = i;
        units += Utf16UnitsOf(ReadWtf8(wtf8, next));
        if (units > maxUnits) break;
        i = next;
    }
    return wtf8.substr(0, i);
}
