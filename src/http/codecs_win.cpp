#include "http/codecs_win.h"

#include "http/codecs.h"

namespace {

CalendarTime ToCalendar(const SYSTEMTIME& t) {
    CalendarTime c;
    c.year = t.wYear;
    c.month = t.wMonth;
    c.dayOfWeek = t.wDayOfWeek;
    c.day = t.wDay;
    c.hour = t.wHour;
    c.minute = t.wMinute;
    c.second = t.wSecond;
    c.millisecond = t.wMilliseconds;
    return c;
}

}  // namespace

std::string FormatHttpDate(const SYSTEMTIME& time, bool isUtc) {
    ZoneFacts zone;
    if (!isUtc) {
        TIME_ZONE_INFORMATION info = {};
        const DWORD id = GetTimeZoneInformation(&info);
        zone.bias = info.Bias;
        zone.daylightBias = info.DaylightBias;
        zone.daylightInEffect = id == TIME_ZONE_ID_DAYLIGHT;
        zone.daylightStartMonth = info.DaylightDate.wMonth;
    }
    return FormatHttpDate(ToCalendar(time), isUtc, zone);
}

std::string LocalHttpDateNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return FormatHttpDate(now, false);
}

std::string FileTimeHttpDate(const FILETIME& time) {
    SYSTEMTIME utc = {};
    FileTimeToSystemTime(&time, &utc);
    return FormatHttpDate(utc, true);
}

std::string PeerAddressText(bool accepted, const sockaddr_in& peer, int length) {
    if (!accepted || length < static_cast<int>(sizeof(peer)) || peer.sin_family != AF_INET)
        return PeerAddressText(false, nullptr);
    return PeerAddressText(true, reinterpret_cast<const unsigned char*>(&peer.sin_addr));
}
