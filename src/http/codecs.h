// Small text conversions of the HTTP service: dates, request decoding, link
// escaping and listing names, Base64, peer address text and the one-byte XOR
// scrambling.
// Core code: no Windows header; the platform wrappers live in codecs_win.cpp.
#pragma once

#include <cstdint>
#include <string>

#include "http/code_page.h"

// A calendar time as the system clock and the file system report it.
struct CalendarTime {
    int year = 1601;
    int month = 1;      // 1..12
    int dayOfWeek = 0;  // 0 = Sunday; recomputed, never trusted
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// What the zone settings say about the local clock.
struct ZoneFacts {
    long bias = 0;          // minutes to add to local time to get UTC
    long daylightBias = 0;  // added to bias while daylight time is in effect
    bool daylightInEffect = false;
    int daylightStartMonth = 0;  // 0: the zone has no daylight time
};

// The 29-character HTTP date (e.g. "Tue, 08 Dec 2026 03:28:46 GMT"). A UTC time is
// formatted as it stands; a local time is first shifted to GMT with the zone facts.
std::string FormatHttpDate(const CalendarTime& time, bool isUtc, const ZoneFacts& zone);

// Minutes between the local clock and UTC under the given zone facts.
long ZoneShiftMinutes(const ZoneFacts& zone);

// Days since 1601-01-01 and back: the platform's epoch, so that shifting works on
// the same day numbers as its own file times.
int64_t DaysFromCivil(int year, int month, int day);
void CivilFromDays(int64_t days, int& year, int& month, int& day);

// A request text as the server reads it.
struct DecodedRequest {
    std::string text;      // as UTF-8, every "/" written as "\"
    bool readable = true;  // false: some piece could be read neither way
    std::string command;   // the text in the page, for the log
};

// Percent escapes decoded where they give a printable byte or one of 128 and
// above, control bytes dropped; then the bytes read as UTF-8 when the whole is
// well-formed UTF-8, else as the page's (old clients send its bytes raw); then
// every "/" turned into "\". What cannot be read stands as U+FFFD in the text
// and "?" in the command, which also has "?" for what the page cannot hold.
DecodedRequest DecodeRequestText(const std::string& text, const CodePage& page = CurrentCodePage());

// A share-list path (UTF-8) as a link target that leads a browser back to its
// row: "\" as "/"; "#", "%" and "&" escaped; every byte of 128 and above
// escaped as it stands. Spaces and other printable bytes stay.
std::string EscapeLinkPath(const std::string& utf8Path);

// A name as the listing page shows it: each character the page holds exactly
// in the page's bytes (ASCII as it stands, unescaped), every other one as an
// HTML character reference ("&#x65E5;").
std::string ListingText(const std::string& utf8, const CodePage& page = CurrentCodePage());

// Standard Base64 with "=" padding.
std::string EncodeBase64(const std::string& bytes);

// Every byte XOR the key; applying it twice gives the text back.
std::string XorBytes(const std::string& text, unsigned char key);

// The four bytes of an IPv4 address in network order as "a.b.c.d".
std::string DottedAddress(const unsigned char bytes[4]);

// "[a.b.c.d]" for a known peer, "[IP Error]" when the address could not be had.
std::string PeerAddressText(bool known, const unsigned char bytes[4]);
