#include <gtest/gtest.h>

#include <vector>

#include "http/code_page_win.h"
#include "http/codecs_win.h"
#include "http/wide_text.h"
#include "win_test_util.h"

namespace {

// The address is the one the accept gives: a peer that has reset since
// still has it.
TEST(PeerAddressTextWin, TheAcceptsAddressEvenAfterAReset) {
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof(address);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    listen(listener, 1);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    SOCKET client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    sockaddr_in peer = {};
    int peerLength = sizeof(peer);
    SOCKET server = accept(listener, reinterpret_cast<sockaddr*>(&peer), &peerLength);
    ASSERT_NE(server, INVALID_SOCKET);
    const linger reset = {1, 0};
    setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&reset), sizeof(reset));
    closesocket(client);
    EXPECT_EQ(PeerAddressText(true, peer, peerLength), "[127.0.0.1]");
    EXPECT_EQ(PeerAddressText(false, peer, peerLength), "[IP Error]");
    EXPECT_EQ(PeerAddressText(true, peer, 2), "[IP Error]");
    sockaddr_in other = peer;
    other.sin_family = AF_INET6;
    EXPECT_EQ(PeerAddressText(true, other, peerLength), "[IP Error]");
    closesocket(server);
    closesocket(listener);
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

// The page reads every byte and every pair as the system does, writes back
// exactly what it reads, and a Western European system has exactly the
// built-in Windows-1252. (./test runs this on a Japanese system too.)
TEST(SystemCodePage, AgreesWithTheSystemsConversions) {
    const CodePage& page = SystemCodePage();
    auto systemUtf8 = [](const std::string& bytes, std::string& utf8) {
        wchar_t wide[4] = {};
        const int units = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(),
                                              static_cast<int>(bytes.size()), wide, 4);
        if (units <= 0) return false;
        utf8 = Narrow(wide, static_cast<size_t>(units));
        return true;
    };
    CPINFO info = {};
    ASSERT_TRUE(GetCPInfo(CP_ACP, &info));
    int read = 0;
    for (int b = 0; b < 256; ++b) {
        std::vector<std::string> sequences;
        if (info.MaxCharSize == 2 && IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(b))) {
            for (int trail = 0x40; trail < 256; trail += 7)
                sequences.push_back({static_cast<char>(b), static_cast<char>(trail)});
        } else {
            sequences.push_back(std::string(1, static_cast<char>(b)));
        }
        for (const std::string& bytes : sequences) {
            std::string ours, theirs;
            const bool readable = PageToUtf8(bytes, ours, page);
            if (!systemUtf8(bytes, theirs) || GetACP() == CP_UTF8) continue;
            ++read;
            EXPECT_TRUE(readable) << b;
            EXPECT_EQ(ours, theirs) << b;
            // Written back as bytes that read as the same character: the
            // page's lowest spelling where it has several (932 does).
            std::string again;
            EXPECT_TRUE(PageToUtf8(Utf8ToPage(ours, page), again, page)) << b;
            EXPECT_EQ(again, ours) << b;
        }
    }
    EXPECT_GE(read, 128);
    if (GetACP() != 1252) return;
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        std::string ours, builtIn;
        EXPECT_EQ(PageToUtf8(byte, ours, page), PageToUtf8(byte, builtIn, Windows1252())) << b;
        EXPECT_EQ(ours, builtIn) << b;
    }
}

}  // namespace
