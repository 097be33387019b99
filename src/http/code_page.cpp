#include "http/code_page.h"

#include <algorithm>

namespace {

const CodePage* currentPage = nullptr;

// Windows-1252 differs from Latin-1 only in 0x80..0x9F; its five unassigned
// bytes stand for the C1 controls of the same value, as the system maps them.
const char32_t k1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

CodePage MakeWindows1252() {
    char32_t codePoints[256];
    unsigned char lower[256];
    for (int b = 0; b < 256; ++b) {
        codePoints[b] = b >= 0x80 && b < 0xA0 ? k1252High[b - 0x80] : static_cast<char32_t>(b);
        lower[b] = static_cast<unsigned char>(b);
    }
    for (int b = 'A'; b <= 'Z'; ++b) lower[b] = static_cast<unsigned char>(b + 32);
    for (int b = 0xC0; b <= 0xDE; ++b)
        if (b != 0xD7) lower[b] = static_cast<unsigned char>(b + 32);
    lower[0x8A] = 0x9A;  // Š
    lower[0x8C] = 0x9C;  // Œ
    lower[0x8E] = 0x9E;  // Ž
    lower[0x9F] = 0xFF;  // Ÿ
    return CodePage(codePoints, lower);
}

}  // namespace

CodePage::CodePage(const char32_t (&codePoints)[256], const unsigned char (&lower)[256]) {
    std::copy(codePoints, codePoints + 256, codePoints_);
    std::copy(lower, lower + 256, lower_);
    // Only bytes of 128 and above write what UTF-8 needs more than one byte for,
    // so that a character from a request never becomes a separator or a control.
    for (int b = 0x80; b < 256; ++b)
        if (codePoints_[b] >= 0x80 && codePoints_[b] != kNoCharacter)
            bytesByCodePoint_.emplace_back(codePoints_[b], static_cast<unsigned char>(b));
    std::stable_sort(bytesByCodePoint_.begin(), bytesByCodePoint_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
}

int CodePage::ByteOf(char32_t codePoint) const {
    const auto found =
        std::lower_bound(bytesByCodePoint_.begin(), bytesByCodePoint_.end(), codePoint,
                         [](const std::pair<char32_t, unsigned char>& entry, char32_t c) {
                             return entry.first < c;
                         });
    if (found == bytesByCodePoint_.end() || found->first != codePoint) return -1;
    return found->second;
}

const CodePage& Windows1252() {
    // Kept for the life of the process, as every code page in use is.
    static const CodePage& page = *new CodePage(MakeWindows1252());
    return page;
}

const CodePage& CurrentCodePage() { return currentPage ? *currentPage : Windows1252(); }

void UseCodePage(const CodePage& page) { currentPage = &page; }

std::string FoldCase(const std::string& text, const CodePage& page) {
    std::string folded(text);
    for (char& c : folded) c = static_cast<char>(page.Lower(static_cast<unsigned char>(c)));
    return folded;
}

std::string ToUtf8(const std::string& text, const CodePage& page) {
    std::string out;
    out.reserve(text.size() * 2);
    for (char c : text) {
        const unsigned char b = static_cast<unsigned char>(c);
        const char32_t codePoint = page.CodePointOf(b);
        if (b < 0x80 || codePoint == CodePage::kNoCharacter)
            out += c;
        else
            AppendUtf8(out, codePoint);
    }
    return out;
}

std::string FromUtf8(const std::string& bytes, const CodePage& page) {
    std::string out;
    out.reserve(bytes.size());
    const size_t n = bytes.size();
    size_t i = 0;
    while (i < n) {
        const unsigned char lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        // The well-formed sequences: the lead byte sets the length and the range
        // of the second byte, which keeps out overlong forms, surrogates and
        // everything beyond U+10FFFF.
        size_t length = 0;
        char32_t codePoint = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            codePoint = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            codePoint = lead & 0x0F;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            codePoint = lead & 0x07;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            out += '?';  // a byte that cannot begin a character
            ++i;
            continue;
        }
        size_t taken = 1;
        for (; taken < length && i + taken < n; ++taken) {
            const unsigned char next = static_cast<unsigned char>(bytes[i + taken]);
            if (next < low || next > high) break;
            codePoint = codePoint << 6 | (next & 0x3F);
            low = 0x80;
            high = 0xBF;
        }
        i += taken;
        const int byte = taken == length ? page.ByteOf(codePoint) : -1;
        out += byte < 0 ? '?' : static_cast<char>(byte);
    }
    return out;
}
