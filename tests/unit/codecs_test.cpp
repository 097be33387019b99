#include <gtest/gtest.h>

#include "http/codecs.h"
#include "test_pages.h"

namespace {

CalendarTime At(int year, int month, int day, int hour, int minute, int second) {
    CalendarTime t;
    t.year = year;
    t.month = month;
    t.day = day;
    t.hour = hour;
    t.minute = minute;
    t.second = second;
    return t;
}

ZoneFacts Zone(long bias, long daylightBias = 0, bool daylight = false, int startMonth = 0) {
    ZoneFacts z;
    z.bias = bias;
    z.daylightBias = daylightBias;
    z.daylightInEffect = daylight;
    z.daylightStartMonth = startMonth;
    return z;
}

struct DateCase {
    const char* name;
    CalendarTime time;
    bool utc;
    ZoneFacts zone;
    const char* expected;
};

TEST(FormatHttpDate, ShiftsAndFormats) {
    const DateCase cases[] = {
        {"utc as given", At(2026, 12, 8, 3, 28, 46), true, Zone(0),
         "Tue, 08 Dec 2026 03:28:46 GMT"},
        {"utc ignores the zone", At(2026, 12, 8, 3, 28, 46), true, Zone(-60, -60, true, 3),
         "Tue, 08 Dec 2026 03:28:46 GMT"},
        {"east across the year end", At(2027, 1, 1, 0, 30, 0), false, Zone(-60),
         "Thu, 31 Dec 2026 23:30:00 GMT"},
        {"west across the year end", At(2026, 12, 31, 23, 15, 9), false, Zone(300),
         "Fri, 01 Jan 2027 04:15:09 GMT"},
        {"east onto a leap day", At(2028, 3, 1, 1, 0, 0), false, Zone(-120),
         "Tue, 29 Feb 2028 23:00:00 GMT"},
        {"west off a leap day", At(2024, 2, 29, 22, 0, 0), false, Zone(180),
         "Fri, 01 Mar 2024 01:00:00 GMT"},
        {"no leap day in 2100", At(2100, 3, 1, 0, 0, 0), false, Zone(-60),
         "Sun, 28 Feb 2100 23:00:00 GMT"},
        {"leap day in 2000", At(2000, 3, 1, 0, 0, 0), false, Zone(-60),
         "Tue, 29 Feb 2000 23:00:00 GMT"},
        {"month end", At(2026, 5, 1, 0, 10, 0), false, Zone(-330), "Thu, 30 Apr 2026 18:40:00 GMT"},
        {"daylight in effect with a start month", At(2026, 7, 1, 12, 0, 0), false,
         Zone(-60, -60, true, 3), "Wed, 01 Jul 2026 10:00:00 GMT"},
        {"daylight in effect without a start month", At(2026, 7, 1, 12, 0, 0), false,
         Zone(-60, -60, true, 0), "Wed, 01 Jul 2026 11:00:00 GMT"},
        {"daylight not in effect", At(2026, 1, 15, 12, 0, 0), false, Zone(300, -60, false, 3),
         "Thu, 15 Jan 2026 17:00:00 GMT"},
        {"milliseconds ignored, single digits padded", At(2026, 2, 3, 4, 5, 6), true, Zone(0),
         "Tue, 03 Feb 2026 04:05:06 GMT"},
        {"earliest time", At(1601, 1, 1, 0, 0, 0), true, Zone(0), "Mon, 01 Jan 1601 00:00:00 GMT"},
    };
    for (const DateCase& c : cases) {
        const std::string text = FormatHttpDate(c.time, c.utc, c.zone);
        EXPECT_EQ(text, c.expected) << c.name;
        EXPECT_EQ(text.size(), 29u) << c.name;
    }
}

TEST(FormatHttpDate, WrongDayOfWeekInInputIsNotTrusted) {
    CalendarTime t = At(2026, 12, 8, 0, 0, 0);
    t.dayOfWeek = 5;
    EXPECT_EQ(FormatHttpDate(t, true, Zone(0)), "Tue, 08 Dec 2026 00:00:00 GMT");
}

TEST(FormatHttpDate, InvalidTimeKeepsTheFixedForm) {
    EXPECT_EQ(FormatHttpDate(At(2026, 13, 40, 25, 61, 61), true, Zone(0)).size(), 29u);
    EXPECT_EQ(FormatHttpDate(At(2026, 2, 30, 1, 0, 0), false, Zone(60)).size(), 29u);
}

TEST(CivilDays, RoundTripsEveryDayOverFourCenturies) {
    int64_t days = DaysFromCivil(1601, 1, 1);
    EXPECT_EQ(days, 0);
    for (int64_t d = 0; d < 146097; ++d) {
        int y, m, dd;
        CivilFromDays(d, y, m, dd);
        ASSERT_EQ(DaysFromCivil(y, m, dd), d);
    }
    EXPECT_EQ(DaysFromCivil(1970, 1, 1), 134774);
}

TEST(DecodeRequestText, Table) {
    const CodePage& dbcs = DoubleBytePage();
    const CodePage& utf8 = CodePage::Utf8();
    const struct {
        std::string in, text;
        const char* command = nullptr;  // none: the same as the text
        bool readable = true;
        const CodePage& page = Windows1252();
    } cases[] = {
        {"", ""},
        {"GET /docs/a%20b.txt", "GET \\docs\\a b.txt"},
        {"GET /x%2Fy", "GET \\x\\y"},
        {"GET /x%2fy", "GET \\x\\y"},
        {"%41%4", "A%4"},
        {"%0A", "%0A"},
        {"%25", "%"},
        {"%2541", "%41"},  // decoded once only
        {"%7E%7F", "~%7F"},
        {"%", "%"},
        {"a%", "a%"},
        {"a%4", "a%4"},
        {"%G1", "%G1"},
        {"%%41", "%A"},  // the first "%" is ordinary, its followers scanned normally
        {"a\tb", "ab"},
        {std::string("a\x7f"
                     "b\xc3\xa9"
                     "c",
                     7),
         "ab\xC3\xA9"
         "c",
         "ab\xE9"
         "c"},
        {std::string("a\0b", 3), "ab"},
        {"%00x", "%00x"},
        {"\\", "\\"},
        {"GET /a/b/ HTTP/1.1", "GET \\a\\b\\ HTTP\\1.1"},
        // UTF-8, escaped as browsers send it, raw as curl does, or mixed.
        {"GET /caf%C3%A9.txt", "GET \\caf\xC3\xA9.txt", "GET \\caf\xE9.txt"},
        {"GET /caf\xC3\xA9.txt", "GET \\caf\xC3\xA9.txt", "GET \\caf\xE9.txt"},
        {"/%C3\xA9 \xC3%a9", "\\\xC3\xA9 \xC3\xA9", "\\\xE9 \xE9"},
        {"/%C3%9Cbersicht.txt",
         "\\\xC3\x9C"
         "bersicht.txt",
         "\\\xDC"
         "bersicht.txt"},
        {"/na%C3%AFve%20r%C3%A9sum%C3%A9.txt", "\\na\xC3\xAFve r\xC3\xA9sum\xC3\xA9.txt",
         "\\na\xEFve r\xE9sum\xE9.txt"},
        {"%E2%82%AC", "\xE2\x82\xAC", "\x80"},
        {"%C3\t%A9", "\xC3\xA9", "\xE9"},  // a dropped control byte is not there at all
        {"%25C3%25A9", "%C3%A9"},          // still decoded once only
        {"pct%2541.txt", "pct%41.txt"},
        // Characters the page cannot hold are "?" in the command only.
        {"GET /%E6%97%A5.txt", "GET \\\xE6\x97\xA5.txt", "GET \\?.txt"},
        {"%F0%9F%98%80", "\xF0\x9F\x98\x80", "?"},
        {"\\sub%EF%BC%BCx", "\\sub\xEF\xBC\xBCx", "\\sub?x"},  // never a "\"
        // Not UTF-8 as a whole: every byte read in the page, as old clients send.
        {"GET /caf\xE9.txt", "GET \\caf\xC3\xA9.txt", "GET \\caf\xE9.txt"},
        {"caf\xC3\xA9 caf\xE9", "caf\xC3\x83\xC2\xA9 caf\xC3\xA9", "caf\xC3\xA9 caf\xE9"},
        {"%A9%A9", "\xC2\xA9\xC2\xA9", "\xA9\xA9"},
        {"%C3", "\xC3\x83", "\xC3"},
        {"%E2%82.txt", "\xC3\xA2\xE2\x80\x9A.txt", "\xE2\x82.txt"},
        {"%C3%2F", "\xC3\x83\\", "\xC3\\"},
        {"%C0%AF", "\xC3\x80\xC2\xAF", "\xC0\xAF"},
        {"%ED%A0%80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC", "\xED\xA0\x80"},
        {"%FF", "\xC3\xBF", "\xFF"},
        {"%C3%7F", "\xC3\x83%7F", "\xC3%7F"},
        // A double-byte page: a trail byte stays inside its character.
        {"GET /\x83\\.txt", "GET \\\xE3\x82\xBD.txt", "GET \\\x83\\.txt", true, dbcs},
        {"GET /%83%5C.txt", "GET \\\xE3\x82\xBD.txt", "GET \\\x83\\.txt", true, dbcs},
        {"GET /%83%2F.txt", "GET \\\xE3\x82\xBE.txt", "GET \\\x83/.txt", true, dbcs},
        {"GET /caf\x81\x80.txt", "GET \\caf\xC3\xA9.txt", "GET \\caf\x81\x80.txt", true, dbcs},
        {"GET /caf%C3%A9.txt", "GET \\caf\xC3\xA9.txt", "GET \\caf\x81\x80.txt", true, dbcs},
        {"GET /%E2%82%AC", "GET \\\xE2\x82\xAC", "GET \\?", true, dbcs},
        // What can be read neither way: U+FFFD in the text, "?" in the command.
        {"GET /\x83 x/", "GET \\\xEF\xBF\xBD x\\", "GET \\? x\\", false, dbcs},
        {"GET /a\xFF", "GET \\a\xEF\xBF\xBD", "GET \\a?", false, dbcs},
        {"GET /\x83", "GET \\\xEF\xBF\xBD", "GET \\?", false, dbcs},
        {"GET /caf%E9.txt", "GET \\caf\xEF\xBF\xBD.txt", "GET \\caf?.txt", false, utf8},
        {"GET /caf%C3%A9.txt", "GET \\caf\xC3\xA9.txt", nullptr, true, utf8},
        {"GET /%EF%BF%BD", "GET \\\xEF\xBF\xBD", nullptr, true, utf8},  // sent as it is
    };
    for (const auto& c : cases) {
        const DecodedRequest decoded = DecodeRequestText(c.in, c.page);
        EXPECT_EQ(decoded.text, c.text) << c.in;
        EXPECT_EQ(decoded.command, c.command ? std::string(c.command) : c.text) << c.in;
        EXPECT_EQ(decoded.readable, c.readable) << c.in;
        EXPECT_LE(decoded.command.size(), c.in.size()) << c.in;
    }
}

TEST(EscapeLinkPath, Table) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"\\a#1\\b c.txt", "/a%231/b c.txt"},
        {"\\a#b.txt", "/a%23b.txt"},
        {"\\x%20\\", "/x%2520/"},
        {"\\pct%41.txt", "/pct%2541.txt"},
        {"\\a&lt;b", "/a%26lt;b"},
        {"\\caf\xC3\xA9.txt", "/caf%C3%A9.txt"},
        {"\\\xC3\x9C"
         "bersicht.txt",
         "/%C3%9Cbersicht.txt"},
        {"\\na\xC3\xAFve r\xC3\xA9sum\xC3\xA9.txt", "/na%C3%AFve r%C3%A9sum%C3%A9.txt"},
        {"\\\xE2\x82\xAC \xC5\xB8", "/%E2%82%AC %C5%B8"},
        {"\\\xE6\x97\xA5\\\xF0\x9F\x98\x80.txt", "/%E6%97%A5/%F0%9F%98%80.txt"},
        {"\\sub\xEF\xBC\xBCx", "/sub%EF%BC%BCx"},
        {"\\\xED\xA0\x80", "/%ED%A0%80"},
        {"\\ !\"$'()*+,-.:;<=>?@[]^_`{|}~", "/ !\"$'()*+,-.:;<=>?@[]^_`{|}~"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(EscapeLinkPath(c.in), c.out) << c.in;
}

// Every link leads back to its own row: decoding what a browser sends for it
// gives the path again, for every character a name can hold, whatever the page.
TEST(EscapeLinkPath, DecodesBackToThePath) {
    std::string path = "\\";
    for (char32_t c = 32; c < 0x10000; ++c)
        if (c != 127 && c != '/' && (c < 0xD800 || c > 0xDFFF)) AppendUtf8(path, c);
    for (char32_t c = 0x10000; c <= 0x10FFFF; c += 0x3FF) AppendUtf8(path, c);
    for (const CodePage* page : {&Windows1252(), &DoubleBytePage(), &CodePage::Utf8()}) {
        const DecodedRequest decoded = DecodeRequestText("GET " + EscapeLinkPath(path), *page);
        EXPECT_TRUE(decoded.text == "GET " + path);
        EXPECT_TRUE(decoded.readable);
    }
}

TEST(ListingText, ThePagesBytesOrCharacterReferences) {
    const struct {
        std::string in, out;
        const CodePage& page = Windows1252();
    } cases[] = {
        {"\\docs\\a b.txt", "\\docs\\a b.txt"},
        {"\\<b>&.txt", "\\<b>&.txt"},  // column texts are not escaped
        {"\\caf\xC3\xA9.txt", "\\caf\xE9.txt"},
        {"\\\xE2\x82\xAC", "\\\x80"},
        {"\\\xE6\x97\xA5.txt", "\\&#x65E5;.txt"},
        {"\\\xF0\x9F\x98\x80", "\\&#x1F600;"},
        {"\\\xC5\x81\xC3\xB3"
         "d\xC5\xBA.txt",
         "\\&#x141;\xF3"
         "d&#x17A;.txt"},
        {"\\sub\xEF\xBC\xBCx", "\\sub&#xFF3C;x"},
        {"\\\xED\xA0\x80", "\\&#xD800;"},
        {"\\\xC3", "\\&#xFFFD;"},
        {"", ""},
        {"\\\xE3\x82\xBD.txt", "\\\x83\\.txt", DoubleBytePage()},
        {"\\caf\xC3\xA9\xE2\x82\xAC", "\\caf\x81\x80&#x20AC;", DoubleBytePage()},
        {"\\\xE6\x97\xA5\xED\xB0\x80", "\\\xE6\x97\xA5&#xDC00;", CodePage::Utf8()},
    };
    for (const auto& c : cases) EXPECT_EQ(ListingText(c.in, c.page), c.out) << c.in;
}

TEST(EncodeBase64, Table) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {":secret", "OnNlY3JldA=="},
        {"user:pass", "dXNlcjpwYXNz"},
        {std::string("\xff\xfe\x00", 3), "//4A"},
    };
    for (const auto& c : cases) EXPECT_EQ(EncodeBase64(c.in), c.out) << c.in;
}

TEST(XorBytes, UndoesItselfAndKeepsLength) {
    const std::string text("ZANT serves files\0!", 19);
    const std::string scrambled = XorBytes(text, 0x5A);
    EXPECT_EQ(scrambled.size(), text.size());
    EXPECT_NE(scrambled, text);
    EXPECT_EQ(XorBytes(scrambled, 0x5A), text);
    EXPECT_EQ(XorBytes("A", 0x20), "a");
}

TEST(PeerAddressText, Table) {
    const unsigned char loopback[4] = {127, 0, 0, 1};
    const unsigned char lan[4] = {192, 168, 0, 7};
    const unsigned char wide[4] = {255, 10, 100, 0};
    EXPECT_EQ(PeerAddressText(true, loopback), "[127.0.0.1]");
    EXPECT_EQ(PeerAddressText(true, lan), "[192.168.0.7]");
    EXPECT_EQ(PeerAddressText(true, wide), "[255.10.100.0]");
    EXPECT_EQ(PeerAddressText(false, nullptr), "[IP Error]");
    EXPECT_EQ(DottedAddress(lan), "192.168.0.7");
}

}  // namespace
