#include <gtest/gtest.h>

#include "http/code_page_win.h"
#include "http/codecs_win.h"
#include "win_test_util.h"

namespace {

TEST(PeerAddressTextWin, LoopbackPeerAndFailures) {
    SocketPair pair;
    EXPECT_EQ(PeerAddressText(pair.server), "[127.0.0.1]");
    EXPECT_EQ(PeerAddressText(INVALID_SOCKET), "[IP Error]");
    SOCKET unconnected = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    EXPECT_EQ(PeerAddressText(unconnected), "[IP Error]");
    closesocket(unconnected);
}

TEST(FormatHttpDateWin, UtcIgnoresTheZoneAndLocalMatchesTheSystemConversion) {
    SYSTEMTIME t = {};
    t.wYear = 2026;
    t.wMonth = 12;
    t.wDay = 8;
    t.wHour = 3;
    t.wMinute = 28;
    t.wSecond = 46;
    t.wMilliseconds = 999;
    EXPECT_EQ(FormatHttpDate(t, true), "Tue, 08 Dec 2026 03:28:46 GMT");

    // The local form shifts by the zone: compare with the system's own conversion.
    SYSTEMTIME local;
    GetLocalTime(&local);
    local.wMilliseconds = 0;
    SYSTEMTIME utc;
    TIME_ZONE_INFORMATION zone;
    GetTimeZoneInformation(&zone);
    ASSERT_TRUE(TzSpecificLocalTimeToSystemTime(&zone, &local, &utc));
    EXPECT_EQ(FormatHttpDate(local, false), FormatHttpDate(utc, true));
}

TEST(FileTimeHttpDate, EpochAndALeapDay) {
    FILETIME epoch = {0, 0};
    EXPECT_EQ(FileTimeHttpDate(epoch), "Mon, 01 Jan 1601 00:00:00 GMT");
    SYSTEMTIME leap = {};
    leap.wYear = 2024;
    leap.wMonth = 2;
    leap.wDay = 29;
    leap.wHour = 23;
    leap.wMinute = 59;
    leap.wSecond = 59;
    FILETIME ft;
    ASSERT_TRUE(SystemTimeToFileTime(&leap, &ft));
    EXPECT_EQ(FileTimeHttpDate(ft), "Thu, 29 Feb 2024 23:59:59 GMT");
}

// The tables agree with the system's own conversion of every byte to UTF-8,
// and a Western European system has exactly the built-in Windows-1252.
TEST(SystemCodePage, AgreesWithTheSystemsConversions) {
    const CodePage& page = SystemCodePage();
    int mapped = 0;
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        if (page.CodePointOf(static_cast<unsigned char>(b)) == CodePage::kNoCharacter) continue;
        ++mapped;
        wchar_t wide[2] = {};
        ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, byte.data(), 1, wide, 2), 1) << b;
        char utf8[8] = {};
        const int length =
            WideCharToMultiByte(CP_UTF8, 0, wide, 1, utf8, sizeof(utf8), nullptr, nullptr);
        EXPECT_EQ(ToUtf8(byte, page), std::string(utf8, length)) << b;
        if (b >= 128) {
            EXPECT_EQ(FromUtf8(ToUtf8(byte, page), page), byte) << b;
        }
    }
    EXPECT_GE(mapped, 128);
    if (GetACP() != 1252) return;
    for (int b = 0; b < 256; ++b) {
        const unsigned char byte = static_cast<unsigned char>(b);
        EXPECT_EQ(page.CodePointOf(byte), Windows1252().CodePointOf(byte)) << b;
        EXPECT_EQ(page.Lower(byte), Windows1252().Lower(byte)) << b;
    }
}

}  // namespace
