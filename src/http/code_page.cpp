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
    for (int b = 0; b < 256; ++b)
        codePoints[b] = b >= 0x80 && b < 0xA0 ? k1252High[b - 0x80] : static_cast<char32_t>(b);
    return CodePage(codePoints);
}

// Only scalar values can be written as UTF-8 and so stand in a name.
bool IsScalar(char32_t c) { return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }

}  // namespace

CodePage::CodePage() : kind_(Kind::kUtf8), codePoints_(), leadBytes_() {
    for (int b = 0; b < 0x80; ++b) codePoints_[b] = static_cast<char32_t>(b);
}

CodePage::CodePage(const char32_t (&codePoints)[256]) : kind_(Kind::kSingleByte), leadBytes_() {
    TakeBytes(codePoints);
    IndexSequences();
}

CodePage::CodePage(const char32_t (&codePoints)[256], const bool (&leadBytes)[256],
                   std::vector<char32_t> pairs)
    : kind_(Kind::kDoubleByte), leadBytes_(), pairs_(std::move(pairs)) {
    TakeBytes(codePoints);
    pairs_.resize(65536, kNoCharacter);
    for (char32_t& c : pairs_)
        if (!IsScalar(c)) c = kNoCharacter;
    for (int b = 0x80; b < 256; ++b) {
        leadBytes_[b] = leadBytes[b];
        if (leadBytes_[b]) codePoints_[b] = kNoCharacter;
    }
    IndexSequences();
}

void CodePage::TakeBytes(const char32_t (&codePoints)[256]) {
    for (int b = 0; b < 256; ++b) {
        const char32_t c = codePoints[b];
        codePoints_[b] = b < 0x80 ? static_cast<char32_t>(b) : IsScalar(c) ? c : kNoCharacter;
    }
}

void CodePage::IndexSequences() {
    // Made in ascending order of sequence, so that the first kept for each
    // character is the shortest and lowest.
    sequences_.clear();
    for (int b = 0x80; b < 256; ++b)
        if (!leadBytes_[b] && codePoints_[b] != kNoCharacter && codePoints_[b] >= 0x80)
            sequences_.emplace_back(codePoints_[b], static_cast<uint16_t>(b));
    if (kind_ == Kind::kDoubleByte) {
        for (int lead = 0x80; lead < 256; ++lead) {
            if (!leadBytes_[lead]) continue;
            for (int trail = 0; trail < 256; ++trail) {
                const uint16_t sequence = static_cast<uint16_t>(lead << 8 | trail);
                const char32_t c = pairs_[sequence];
                if (c != kNoCharacter && c >= 0x80) sequences_.emplace_back(c, sequence);
            }
        }
    }
    std::stable_sort(sequences_.begin(), sequences_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    sequences_.erase(std::unique(sequences_.begin(), sequences_.end(),
                                 [](const auto& a, const auto& b) { return a.first == b.first; }),
                     sequences_.end());
}

const CodePage& CodePage::Utf8() {
    static const CodePage& page = *new CodePage();
    return page;
}

char32_t CodePage::Read(const std::string& bytes, size_t& i) const {
    const unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
        ++i;
        return b;
    }
    if (kind_ == Kind::kUtf8) return ReadUtf8(bytes, i);
    if (kind_ == Kind::kDoubleByte && leadBytes_[b]) {
        if (i + 1 < bytes.size()) {
            const unsigned char trail = static_cast<unsigned char>(bytes[i + 1]);
            const char32_t c = pairs_[b << 8 | trail];
            if (c != kNoCharacter) {
                i += 2;
                return c;
            }
        }
        // Only the lead byte is taken: what follows it is read on its own, so
        // that an invalid pair never swallows a separator.
        ++i;
        return kNoCharacter;
    }
    ++i;
    return codePoints_[b];
}

bool CodePage::Write(std::string& out, char32_t c) const {
    if (c < 0x80) {
        out += static_cast<char>(c);
        return true;
    }
    if (kind_ == Kind::kUtf8) {
        if (!IsScalar(c)) return false;
        AppendUtf8(out, c);
        return true;
    }
    const auto found = std::lower_bound(
        sequences_.begin(), sequences_.end(), c,
        [](const std::pair<char32_t, uint16_t>& entry, char32_t key) { return entry.first < key; });
    if (found == sequences_.end() || found->first != c) return false;
    if (found->second > 0xFF) out += static_cast<char>(found->second >> 8);
    out += static_cast<char>(found->second & 0xFF);
    return true;
}

const CodePage& Windows1252() {
    // Kept for the life of the process, as every code page in use is.
    static const CodePage& page = *new CodePage(MakeWindows1252());
    return page;
}

const CodePage& CurrentCodePage() { return currentPage ? *currentPage : Windows1252(); }

void UseCodePage(const CodePage& page) { currentPage = &page; }

bool PageToUtf8(const std::string& bytes, std::string& utf8, const CodePage& page) {
    utf8.clear();
    utf8.reserve(bytes.size());
    bool readable = true;
    for (size_t i = 0; i < bytes.size();) {
        const char32_t c = page.Read(bytes, i);
        if (c == kNoCharacter) readable = false;
        AppendUtf8(utf8, c == kNoCharacter ? kReplacementCharacter : c);
    }
    return readable;
}

std::string Utf8ToPage(const std::string& utf8, const CodePage& page) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const char32_t c = ReadWtf8(utf8, i);
        if (c == kNoCharacter || !page.Write(out, c)) out += '?';
    }
    return out;
}
