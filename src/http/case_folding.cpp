#include "http/case_folding.h"

#include <algorithm>
#include <iterator>

#include "http/unicode.h"

namespace {

struct CaseFold {
    char32_t from;
    char32_t to;
};

const CaseFold kCaseFolds[] = {
#include "http/case_folding_table.inc"
};

}  // namespace

char32_t SimpleCaseFold(char32_t c) {
    const auto found =
        std::lower_bound(std::begin(kCaseFolds), std::end(kCaseFolds), c,
                         [](const CaseFold& fold, char32_t key) { return fold.from < key; });
    return found != std::end(kCaseFolds) && found->from == c ? found->to : c;
}

std::string FoldCase(const std::string& utf8) {
    std::string folded;
    folded.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const char b = utf8[i];
        // Most paths are ASCII: those bytes need no table.
        if (static_cast<unsigned char>(b) < 0x80) {
            folded += b >= 'A' && b <= 'Z' ? static_cast<char>(b + 32) : b;
            ++i;
            continue;
        }
        const size_t start = i;
        const char32_t c = ReadUtf8(utf8, i);
        if (c == kNoCharacter)
            folded.append(utf8, start, i - start);
        else
            AppendUtf8(folded, SimpleCaseFold(c));
    }
    return folded;
}
