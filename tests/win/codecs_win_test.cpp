#include <gtest/gtest.h>

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

}  // namespace
