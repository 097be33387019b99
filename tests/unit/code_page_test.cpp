#include <gtest/gtest.h>

#include "http/code_page.h"
#include "test_pages.h"

namespace {

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
        const std::string byte(1, static_cast<char>(c.byte));
        size_t i = 0;
        EXPECT_EQ(page.Read(byte, i), c.codePoint) << int(c.byte);
        EXPECT_EQ(i, 1u);
        std::string written;
        EXPECT_TRUE(page.Write(written, c.codePoint)) << int(c.byte);
        EXPECT_EQ(written, byte) << int(c.byte);
    }
    for (int b = 0x80; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        size_t i = 0;
        std::string written;
        EXPECT_TRUE(page.Write(written, page.Read(byte, i))) << b;
        EXPECT_EQ(written, byte) << b;
    }
}

TEST(CodePage, ReadsOneCharacter) {
    const CodePage& dbcs = DoubleBytePage();
    const CodePage& utf8 = CodePage::Utf8();
    const struct {
        const char* name;
        const CodePage& page;
        std::string bytes;
        char32_t expected;
        size_t taken;
    } cases[] = {
        {"ascii", Windows1252(), "A", 'A', 1},
        {"high byte", Windows1252(), "\x80", 0x20AC, 1},
        {"unmapped byte", CyrillicVariant(), "\xFF", kNoCharacter, 1},
        {"pair with trail \\", dbcs, "\x83\\", 0x30BD, 2},
        {"pair with trail /", dbcs, "\x83/", 0x30BE, 2},
        {"pair of é", dbcs, "\x81\x80", 0xE9, 2},
        {"single byte of a double-byte page", dbcs, "\xA1\x81", 0xFF61, 1},
        {"ascii in a double-byte page", dbcs, "\\", '\\', 1},
        {"invalid pair: the lead only", dbcs, "\x83 ", kNoCharacter, 1},
        {"invalid pair of two leads", dbcs, "\x81\x81\x40", kNoCharacter, 1},
        {"lead at the end", dbcs, "\x83", kNoCharacter, 1},
        {"unmapped byte of a double-byte page", dbcs, "\xFF", kNoCharacter, 1},
        {"utf-8 page", utf8, "\xC3\xA9", 0xE9, 2},
        {"utf-8 page, cut", utf8, "\xE2\x82", kNoCharacter, 2},
        {"utf-8 page, surrogate", utf8, "\xED\xA0\x80", kNoCharacter, 1},
        {"utf-8 page, page byte", utf8, "\xE9", kNoCharacter, 1},
    };
    for (const auto& c : cases) {
        size_t i = 0;
        EXPECT_EQ(c.page.Read(c.bytes, i), c.expected) << c.name;
        EXPECT_EQ(i, c.taken) << c.name;
    }
}

TEST(CodePage, WritesExactlyOrNothing) {
    const CodePage& dbcs = DoubleBytePage();
    const CodePage& utf8 = CodePage::Utf8();
    const struct {
        const char* name;
        const CodePage& page;
        char32_t codePoint;
        bool held;
        std::string bytes;
    } cases[] = {
        {"é", Windows1252(), 0xE9, true, "\xE9"},
        {"euro", Windows1252(), 0x20AC, true, "\x80"},
        {"ascii", Windows1252(), 'A', true, "A"},
        // Look-alikes that best fit would write as something else.
        {"Ł is not L", Windows1252(), 0x0141, false, ""},
        {"fullwidth reverse solidus is not \\", Windows1252(), 0xFF3C, false, ""},
        {"fullwidth full stop is not .", Windows1252(), 0xFF0E, false, ""},
        {"fullwidth colon is not :", Windows1252(), 0xFF1A, false, ""},
        {"not on the page", Windows1252(), 0x4E2D, false, ""},
        {"C1 control not on the page", Windows1252(), 0x0085, false, ""},
        {"surrogate", Windows1252(), 0xD800, false, ""},
        {"no character", Windows1252(), kNoCharacter, false, ""},
        {"another script's page", CyrillicVariant(), 0x0439, true, "\xE9"},
        {"é is not on it", CyrillicVariant(), 0xE9, false, ""},
        {"the lowest of two pairs", dbcs, 0x30BD, true, "\x83\\"},
        {"a byte before a pair", dbcs, 0xFF61, true, "\xA1"},
        {"pair with trail /", dbcs, 0x30BE, true, "\x83/"},
        {"é as a pair", dbcs, 0xE9, true, "\x81\x80"},
        {"single byte", dbcs, 0xFF71, true, "\xB1"},
        {"ascii in a double-byte page", dbcs, '\\', true, "\\"},
        {"not on the double-byte page", dbcs, 0x20AC, false, ""},
        {"utf-8 page", utf8, 0xE9, true, "\xC3\xA9"},
        {"utf-8 page, four bytes", utf8, 0x1F600, true, "\xF0\x9F\x98\x80"},
        {"utf-8 page, surrogate", utf8, 0xDC00, false, ""},
        {"utf-8 page, beyond U+10FFFF", utf8, 0x110000, false, ""},
    };
    for (const auto& c : cases) {
        std::string out = "x";
        EXPECT_EQ(c.page.Write(out, c.codePoint), c.held) << c.name;
        EXPECT_EQ(out, "x" + c.bytes) << c.name;
    }
}

TEST(PageToUtf8, Table) {
    const struct {
        const char* name;
        const CodePage& page;
        std::string bytes, utf8;
        bool readable;
    } cases[] = {
        {"ascii", Windows1252(), "user:pass", "user:pass", true},
        {"letters", Windows1252(), "j\xFCrgen:pa\xDF", "j\xC3\xBCrgen:pa\xC3\x9F", true},
        {"euro", Windows1252(), "\x80", "\xE2\x82\xAC", true},
        {"another script's page", CyrillicVariant(), "\xE9", "\xD0\xB9", true},
        {"unmapped byte", CyrillicVariant(), "a\xFF", "a\xEF\xBF\xBD", false},
        {"pair with trail \\", DoubleBytePage(), "\\\x83\\.txt", "\\\xE3\x82\xBD.txt", true},
        {"invalid pair", DoubleBytePage(), "\x83 x", "\xEF\xBF\xBD x", false},
        {"utf-8 page", CodePage::Utf8(), "caf\xC3\xA9", "caf\xC3\xA9", true},
        {"utf-8 page, page byte", CodePage::Utf8(), "caf\xE9", "caf\xEF\xBF\xBD", false},
        {"empty", Windows1252(), "", "", true},
    };
    for (const auto& c : cases) {
        std::string utf8 = "left over";
        EXPECT_EQ(PageToUtf8(c.bytes, utf8, c.page), c.readable) << c.name;
        EXPECT_EQ(utf8, c.utf8) << c.name;
    }
}

TEST(Utf8ToPage, WellFormedAndEachMaximalBadPiece) {
    const struct {
        const char* name;
        std::string in, out;
        const CodePage& page = Windows1252();
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
        {"lone surrogate: one character", "\xED\xA0\x80", "?"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", "????"},
        {"never a lead", "\xF5\x80", "??"},
        {"ff", "\xFF", "?"},
        {"largest", "\xF4\x8F\xBF\xBF", "?"},
        {"empty", "", ""},
        {"look-alikes", "\xEF\xBC\xBC\xEF\xBC\x8E\xC5\x81", "???"},
        {"double-byte page", "\\\xE3\x82\xBD\xC3\xA9\xE2\x82\xAC", "\\\x83\\\x81\x80?",
         DoubleBytePage()},
        {"utf-8 page", "caf\xC3\xA9\xED\xA0\x80", "caf\xC3\xA9?", CodePage::Utf8()},
    };
    for (const auto& c : cases) EXPECT_EQ(Utf8ToPage(c.in, c.page), c.out) << c.name;
}

// Every sequence a page reads is written back as itself, but for the one
// character that has a shorter or lower sequence too.
TEST(Utf8ToPage, ThePagesOwnSequences) {
    auto roundTrip = [](const std::string& bytes, const CodePage& page) {
        std::string utf8;
        return PageToUtf8(bytes, utf8, page) ? Utf8ToPage(utf8, page) : std::string();
    };
    for (int b = 0x80; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        if (b != 0xFF) {
            EXPECT_EQ(roundTrip(byte, CyrillicVariant()), byte) << b;
        }
        if (b == 0xA1 || b == 0xB1) {
            EXPECT_EQ(roundTrip(byte, DoubleBytePage()), byte) << b;
        }
    }
    int pairs = 0;
    for (int sequence = 0x8100; sequence < 0x8400; ++sequence) {
        const std::string pair = {static_cast<char>(sequence >> 8), static_cast<char>(sequence)};
        const std::string back = roundTrip(pair, DoubleBytePage());
        if (back.empty()) continue;
        ++pairs;
        const std::string expected = sequence == 0x83FC   ? "\x83\\"
                                     : sequence == 0x8141 ? "\xA1"
                                                          : pair;
        EXPECT_EQ(back, expected) << sequence;
    }
    EXPECT_EQ(pairs, 7);
}

TEST(CurrentCodePage, Windows1252UntilAnotherIsInstalled) {
    EXPECT_EQ(&CurrentCodePage(), &Windows1252());
    UseCodePage(CyrillicVariant());
    EXPECT_EQ(Utf8ToPage("\xD0\xB9"), "\xE9");
    UseCodePage(Windows1252());
    EXPECT_EQ(Utf8ToPage("\xD0\xB9"), "?");
}

}  // namespace
