#include "http/codecs.h"

namespace {

const char* const kDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

bool IsValid(const CalendarTime& t) {
    return t.year >= 1601 && t.year <= 30827 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= DaysInMonth(t.year, t.month) && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 &&
           t.minute <= 59 && t.second >= 0 && t.second <= 59;
}

void AppendTwoDigits(std::string& out, int value) {
    out += static_cast<char>('0' + value / 10 % 10);
    out += static_cast<char>('0' + value % 10);
}

const char kHex[] = "0123456789ABCDEF";

bool IsHexDigit(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

int HexValue(unsigned char c) {
    if (c <= '9') return c - '0';
    if (c <= 'F') return c - 'A' + 10;
    return c - 'a' + 10;
}

}  // namespace

int64_t DaysFromCivil(int year, int month, int day) {
    // Counting from March makes the leap day the last day of the counted year.
    const int64_t y = static_cast<int64_t>(year) - (month <= 2 ? 1 : 0);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yearOfEra = y - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const int64_t daysSince0000 = era * 146097 + dayOfEra;
    return daysSince0000 - 584694;  // 1601-01-01 is day 584694 of the proleptic count
}

void CivilFromDays(int64_t days, int& year, int& month, int& day) {
    const int64_t z = days + 584694;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t mp = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

long ZoneShiftMinutes(const ZoneFacts& zone) {
    long shift = zone.bias;
    if (zone.daylightInEffect && zone.daylightStartMonth != 0) shift += zone.daylightBias;
    return shift;
}

std::string FormatHttpDate(const CalendarTime& time, bool isUtc, const ZoneFacts& zone) {
    int year = time.year, month = time.month, day = time.day;
    int hour = time.hour, minute = time.minute, second = time.second;
    int64_t days = 0;
    if (IsValid(time)) {
        days = DaysFromCivil(year, month, day);
        if (!isUtc) {
            int64_t minutes = days * 1440 + hour * 60 + minute + ZoneShiftMinutes(zone);
            if (minutes < 0) minutes = 0;  // the platform's epoch is the earliest time it can hold
            days = minutes / 1440;
            hour = static_cast<int>(minutes % 1440 / 60);
            minute = static_cast<int>(minutes % 60);
            CivilFromDays(days, year, month, day);
        }
    } else {
        // A time the platform could not convert is formatted as it came, with
        // every field forced into range so that the text keeps its fixed form.
        auto clamp = [](int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); };
        year = clamp(year, 1601, 9999);
        month = clamp(month, 1, 12);
        day = clamp(day, 1, DaysInMonth(year, month));
        hour = clamp(hour, 0, 23);
        minute = clamp(minute, 0, 59);
        second = clamp(second, 0, 59);
        days = DaysFromCivil(year, month, day);
    }
    const int dayOfWeek = static_cast<int>((days + 1) % 7);  // 1601-01-01 was a Monday

    std::string out;
    out.reserve(29);
    out += kDayNames[dayOfWeek];
    out += ", ";
    AppendTwoDigits(out, day);
    out += ' ';
    out += kMonthNames[month - 1];
    out += ' ';
    out += std::to_string(year);
    out += ' ';
    AppendTwoDigits(out, hour);
    out += ':';
    AppendTwoDigits(out, minute);
    out += ':';
    AppendTwoDigits(out, second);
    out += " GMT";
    return out;
}

DecodedRequest DecodeRequestText(const std::string& text, const CodePage& page) {
    // First the escapes and the control bytes, byte by byte; then the bytes,
    // escaped or raw alike, are read as characters; only then are slashes
    // turned, so that a trail byte of a pair stays inside its character.
    std::string bytes;
    bytes.reserve(text.size());
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 32 || c == 127) continue;
        if (c == '%' && i + 2 < n) {
            const unsigned char h = static_cast<unsigned char>(text[i + 1]);
            const unsigned char l = static_cast<unsigned char>(text[i + 2]);
            if (IsHexDigit(h) && IsHexDigit(l)) {
                const int value = HexValue(h) * 16 + HexValue(l);
                if ((value >= 32 && value <= 126) || value >= 128) {
                    c = static_cast<unsigned char>(value);
                    i += 2;
                }
            }
        }
        bytes += static_cast<char>(c);
    }

    DecodedRequest decoded;
    decoded.text.reserve(bytes.size());
    decoded.command.reserve(bytes.size());
    const bool utf8 = IsWellFormedUtf8(bytes);
    for (size_t i = 0; i < bytes.size();) {
        char32_t c = utf8 ? ReadUtf8(bytes, i) : page.Read(bytes, i);
        if (c == kNoCharacter) {
            decoded.readable = false;
            AppendUtf8(decoded.text, kReplacementCharacter);
            decoded.command += '?';
            continue;
        }
        if (c == '/') c = '\\';
        AppendUtf8(decoded.text, c);
        if (!page.Write(decoded.command, c)) decoded.command += '?';
    }
    return decoded;
}

std::string EscapeLinkPath(const std::string& utf8Path) {
    std::string out;
    out.reserve(utf8Path.size() + 8);
    for (char c : utf8Path) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b == '#' || b == '%' || b == '&' || b >= 128) {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 15];
        } else {
            out += b == '\\' ? '/' : c;
        }
    }
    return out;
}

std::string ListingText(const std::string& utf8, const CodePage& page) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        char32_t c = ReadWtf8(utf8, i);
        if (c == kNoCharacter) c = kReplacementCharacter;
        if (page.Write(out, c)) continue;
        // A character the page cannot hold is named by its code point, which
        // the browser shows whatever encoding it takes the page to be in.
        char digits[8];
        int count = 0;
        for (char32_t v = c; v || count == 0; v >>= 4) digits[count++] = kHex[v & 15];
        out += "&#x";
        while (count) out += digits[--count];
        out += ';';
    }
    return out;
}

std::string EncodeBase64(const std::string& bytes) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t left = bytes.size() - i;
        uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
        if (left > 1) group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (left > 2) group |= static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[group >> 18 & 63];
        out += kAlphabet[group >> 12 & 63];
        out += left > 1 ? kAlphabet[group >> 6 & 63] : '=';
        out += left > 2 ? kAlphabet[group & 63] : '=';
    }
    return out;
}

std::string XorBytes(const std::string& text, unsigned char key) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(static_cast<unsigned char>(c) ^ key);
    return out;
}

std::string DottedAddress(const unsigned char bytes[4]) {
    std::string out;
    for (int i = 0; i < 4; ++i) {
        if (i) out += '.';
        out += std::to_string(bytes[i]);
    }
    return out;
}

std::string PeerAddressText(bool known, const unsigned char bytes[4]) {
    if (!known) return "[IP Error]";
    return "[" + DottedAddress(bytes) + "]";
}
