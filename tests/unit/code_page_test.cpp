#include <gtest/gtest.h>

#include "http/code_page.h"

namespace {

// A page of another script: Windows-1252 with two bytes standing for the
// Cyrillic short i, capital and small, instead of É and é.
CodePage CyrillicVariant() {
    char32_t codePoints[256];
    unsigned char lower[256];
    for (int b = 0; b < 256; ++b) {
        codePoints[b] = Windows1252().CodePointOf(static_cast<unsigned char>(b));
        lower[b] = Windows1252().Lower(static_cast<unsigned char>(b));
    }
    codePoints[0xC9] = 0x0419;
    codePoints[0xE9] = 0x0439;
    codePoints[0xFF] = CodePage::kNoCharacter;  // as a lead byte would be
    return CodePage(codePoints, lower);
}

TEST(CodePage, Windows1252BothWays) {
    const CodePage& page = Windows1252();
    const struct {
        unsigned char byte;
        char32_t codePoint;
    } cases[] = {
        {'A', 'A'},     {0x80, 0x20AC}, {0x81, 0x0081}, {0x8A, 0x0160}, {0x9F, 0x0178},
        {0xA0, 0x00A0}, {0xC9, 0x00C9}, {0xDC, 0x00DC}, {0xE9, 0x00E9}, {0xFF, 0x00FF},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(page.CodePointOf(c.byte), c.codePoint) << int(c.byte);
        if (c.byte >= 0x80) {
            EXPECT_EQ(page.ByteOf(c.codePoint), c.byte) << int(c.byte);
        }
    }
    for (int b = 0x80; b < 256; ++b)
        EXPECT_EQ(page.ByteOf(page.CodePointOf(static_cast<unsigned char>(b))), b) << b;
    // Characters below 128 are never written by a byte of the reverse table.
    EXPECT_EQ(page.ByteOf('A'), -1);
    EXPECT_EQ(page.ByteOf(0x4E2D), -1);
    EXPECT_EQ(page.ByteOf(0x0085), -1);
    EXPECT_EQ(page.ByteOf(CodePage::kNoCharacter), -1);
}

TEST(FoldCase, EveryLetterOfThePage) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"\\README.TXT", "\\readme.txt"},
        {"\\\xDC"
         "bersicht.TXT",
         "\\\xFC"
         "bersicht.txt"},
        {"CAF\xC9", "caf\xE9"},
        {"\x8A\x8C\x8E\x9F", "\x9A\x9C\x9E\xFF"},
        {"\xC0\xDE", "\xE0\xFE"},
        {"\xD7\xDF\xB5", "\xD7\xDF\xB5"},  // ×, ß and µ have no other case
        {"[]^_`{}~@", "[]^_`{}~@"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(FoldCase(c.in), c.out) << c.in;
    EXPECT_EQ(FoldCase("\xC9", CyrillicVariant()), "\xE9");
}

TEST(ToUtf8, Table) {
    EXPECT_EQ(ToUtf8("user:pass"), "user:pass");
    EXPECT_EQ(ToUtf8("j\xFCrgen:pa\xDF"), "j\xC3\xBCrgen:pa\xC3\x9F");
    EXPECT_EQ(ToUtf8("\x80"), "\xE2\x82\xAC");
    EXPECT_EQ(ToUtf8("\xE9", CyrillicVariant()), "\xD0\xB9");
    EXPECT_EQ(ToUtf8("a\xFF", CyrillicVariant()), "a\xFF");  // unmapped: kept
    EXPECT_EQ(ToUtf8(""), "");
}

TEST(FromUtf8, WellFormedAndEachMaximalBadPiece) {
    const struct {
        const char* name;
        std::string in, out;
    } cases[] = {
        {"ascii", "abc/%41", "abc/%41"},
        {"two bytes", "caf\xC3\xA9", "caf\xE9"},
        {"three bytes", "\xE2\x82\xAC", "\x80"},
        {"held C1 control", "\xC2\x81", "\x81"},
        {"not held by the page", "\xE4\xB8\xAD", "?"},
        {"four bytes, not held", "a\xF0\x9F\x98\x80z", "a?z"},
        {"stray continuation bytes", "\xA9\xA9", "??"},
        {"cut at the end", "ab\xE2\x82", "ab?"},
        {"cut before ascii", "\xE2\x82z", "?z"},
        {"cut before another lead", "\xC3\xC3\xA9", "?\xE9"},
        {"overlong two bytes", "\xC0\xAF", "??"},
        {"overlong three bytes", "\xE0\x80\xAF", "???"},
        {"overlong four bytes", "\xF0\x80\x80\x80", "????"},
        {"surrogate", "\xED\xA0\x80", "???"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", "????"},
        {"never a lead", "\xF5\x80", "??"},
        {"ff", "\xFF", "?"},
        {"largest", "\xF4\x8F\xBF\xBF", "?"},
        {"empty", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FromUtf8(c.in), c.out) << c.name;
        EXPECT_LE(FromUtf8(c.in).size(), c.in.size()) << c.name;
    }
}

TEST(FromUtf8, ThePagesOwnCharacters) {
    const CodePage page = CyrillicVariant();
    EXPECT_EQ(FromUtf8("\xD0\xB9", page), "\xE9");
    EXPECT_EQ(FromUtf8("\xC3\xA9", page), "?");  // é is not on this page
    EXPECT_EQ(FromUtf8("\xC3\xBF", page), "?");  // nor is ÿ
    for (int b = 0x80; b < 256; ++b) {
        const unsigned char byte = static_cast<unsigned char>(b);
        if (page.CodePointOf(byte) == CodePage::kNoCharacter) continue;
        EXPECT_EQ(FromUtf8(ToUtf8(std::string(1, static_cast<char>(byte)), page), page),
                  std::string(1, static_cast<char>(byte)))
            << b;
    }
}

TEST(CurrentCodePage, Windows1252UntilAnotherIsInstalled) {
    EXPECT_EQ(&CurrentCodePage(), &Windows1252());
    const CodePage page = CyrillicVariant();
    UseCodePage(page);
    EXPECT_EQ(FromUtf8("\xD0\xB9"), "\xE9");
    UseCodePage(Windows1252());
    EXPECT_EQ(FromUtf8("\xD0\xB9"), "?");
}

}  // namespace
