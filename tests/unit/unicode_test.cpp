#include <gtest/gtest.h>

#include "http/unicode.h"

namespace {

TEST(AppendUtf8, EveryLength) {
    const struct {
        char32_t codePoint;
        std::string utf8;
    } cases[] = {
        {'A', "A"},
        {0xE9, "\xC3\xA9"},
        {0x7FF, "\xDF\xBF"},
        {0x20AC, "\xE2\x82\xAC"},
        {0xD800, "\xED\xA0\x80"},  // a lone surrogate's WTF-8 form
        {0xDFFF, "\xED\xBF\xBF"},
        {0xFFFF, "\xEF\xBF\xBF"},
        {0x1F600, "\xF0\x9F\x98\x80"},
        {0x10FFFF, "\xF4\x8F\xBF\xBF"},
    };
    for (const auto& c : cases) {
        std::string out;
        AppendUtf8(out, c.codePoint);
        EXPECT_EQ(out, c.utf8) << c.codePoint;
    }
}

TEST(ReadUtf8, OneCharacterOrOneMaximalBadPiece) {
    const struct {
        const char* name;
        std::string bytes;
        char32_t strict;
        size_t strictTaken;
        char32_t wtf8;
        size_t wtf8Taken;
    } cases[] = {
        {"ascii", "ab", 'a', 1, 'a', 1},
        {"two bytes", "\xC3\xA9", 0xE9, 2, 0xE9, 2},
        {"four bytes", "\xF0\x9F\x98\x80", 0x1F600, 4, 0x1F600, 4},
        {"largest", "\xF4\x8F\xBF\xBF", 0x10FFFF, 4, 0x10FFFF, 4},
        {"high surrogate", "\xED\xA0\x80", kNoCharacter, 1, 0xD800, 3},
        {"low surrogate", "\xED\xBF\xBF", kNoCharacter, 1, 0xDFFF, 3},
        {"last before the surrogates", "\xED\x9F\xBF", 0xD7FF, 3, 0xD7FF, 3},
        {"cut four bytes", "\xF0\x9F\x98z", kNoCharacter, 3, kNoCharacter, 3},
        {"cut before a lead", "\xC3\xC3\xA9", kNoCharacter, 1, kNoCharacter, 1},
        {"stray continuation", "\xA9", kNoCharacter, 1, kNoCharacter, 1},
        {"overlong", "\xC0\xAF", kNoCharacter, 1, kNoCharacter, 1},
        {"overlong three bytes", "\xE0\x80\xAF", kNoCharacter, 1, kNoCharacter, 1},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", kNoCharacter, 1, kNoCharacter, 1},
        {"never a lead", "\xFF", kNoCharacter, 1, kNoCharacter, 1},
    };
    for (const auto& c : cases) {
        size_t i = 0;
        EXPECT_EQ(ReadUtf8(c.bytes, i), c.strict) << c.name;
        EXPECT_EQ(i, c.strictTaken) << c.name;
        i = 0;
        EXPECT_EQ(ReadWtf8(c.bytes, i), c.wtf8) << c.name;
        EXPECT_EQ(i, c.wtf8Taken) << c.name;
    }
}

TEST(IsWellFormedUtf8, AsAWhole) {
    const struct {
        std::string bytes;
        bool wellFormed;
    } cases[] = {
        {"", true},
        {"GET \\a b.txt", true},
        {"caf\xC3\xA9", true},
        {"\xE6\x97\xA5\xF0\x9F\x98\x80", true},
        {"caf\xE9", false},
        {"\xC3/", false},
        {"ok\xE2\x82", false},
        {"\xED\xA0\x80", false},  // WTF-8 is not UTF-8
        {std::string("a\0b", 3), true},
    };
    for (const auto& c : cases) EXPECT_EQ(IsWellFormedUtf8(c.bytes), c.wellFormed) << c.bytes;
}

TEST(Utf16, ExactBothWays) {
    const struct {
        const char* name;
        std::u16string utf16;
        std::string utf8;
    } cases[] = {
        {"empty", u"", ""},
        {"ascii", u"\\a.txt", "\\a.txt"},
        {"two and three bytes", u"\u00E9\u65E5", "\xC3\xA9\xE6\x97\xA5"},
        {"pair", u"\U0001F600", "\xF0\x9F\x98\x80"},
        {"lone high", std::u16string(1, 0xD800), "\xED\xA0\x80"},
        {"lone low", std::u16string(1, 0xDFFF), "\xED\xBF\xBF"},
        {"high at the end", std::u16string({u'a', 0xDBFF}), "a\xED\xAF\xBF"},
        {"high before ascii", std::u16string({0xD83D, u'x'}), "\xED\xA0\xBDx"},
        {"low before high", std::u16string({0xDE00, 0xD83D}), "\xED\xB8\x80\xED\xA0\xBD"},
        {"two highs then a low", std::u16string({0xD83D, 0xD83D, 0xDE00}),
         "\xED\xA0\xBD\xF0\x9F\x98\x80"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8) << c.name;
        EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16) << c.name;
    }
    // Every unit alone, after a high surrogate and before a low one.
    for (char32_t unit = 0; unit < 0x10000; ++unit) {
        const char16_t u = static_cast<char16_t>(unit);
        for (const std::u16string& units :
             {std::u16string(1, u), std::u16string({0xD800, u}), std::u16string({u, 0xDC00})})
            ASSERT_EQ(Utf8ToUtf16(Utf16ToUtf8(units)), units) << unit;
    }
}

TEST(Utf8ToUtf16, IllFormedPiecesBecomeReplacementCharacters) {
    EXPECT_EQ(Utf8ToUtf16("\xC3"), u"\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xE2\x82z\xFF"), u"\uFFFDz\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");
}

TEST(Utf16Length, CountsUnitsAndCutsBetweenCharacters) {
    const struct {
        const char* name;
        std::string text;
        size_t units;
        size_t cutTo;
        std::string cut;
    } cases[] = {
        {"ascii", "abcdef", 6, 4, "abcd"},
        {"two-byte characters count one", "\xC3\xA9\xC3\xA9", 2, 1, "\xC3\xA9"},
        {"four-byte characters count two", "a\xF0\x9F\x98\x80", 3, 3, "a\xF0\x9F\x98\x80"},
        {"never half of a pair", "a\xF0\x9F\x98\x80", 3, 2, "a"},
        {"never inside a character", "ab\xE6\x97\xA5", 3, 2, "ab"},
        {"lone surrogate counts one", "\xED\xA0\x80x", 2, 1, "\xED\xA0\x80"},
        {"bad piece counts one", "\xE2\x82z", 2, 1, "\xE2\x82"},
        {"long enough already", "abc", 3, 259, "abc"},
        {"nothing", "abc", 3, 0, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf16Length(c.text), c.units) << c.name;
        EXPECT_EQ(CutToUtf16Units(c.text, c.cutTo), c.cut) << c.name;
        EXPECT_EQ(Utf16Length(c.text), Utf8ToUtf16(c.text).size()) << c.name;
    }
}

}  // namespace
