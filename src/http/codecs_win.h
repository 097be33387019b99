// The platform side of the codecs: the zone settings and the socket's peer.
#pragma once

#include <string>

#include "win32.h"

// FormatHttpDate of a system time, reading the zone settings for a local time.
std::string FormatHttpDate(const SYSTEMTIME& time, bool isUtc);

// The current local time as an HTTP date in GMT.
std::string LocalHttpDateNow();

// A file time (UTC) as an HTTP date.
std::string FileTimeHttpDate(const FILETIME& time);

// "[a.b.c.d]" of the peer address an accept gave, or "[IP Error]" when the
// accept failed or gave no IPv4 address.
std::string PeerAddressText(bool accepted, const sockaddr_in& peer, int length);
