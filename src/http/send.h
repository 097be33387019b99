// Handing an answer to a connection.
#pragma once

#include <cstdint>
#include <string>

#include "win32.h"

// Sends size bytes in as many pieces as the (non-blocking) connection takes,
// waiting at most timeoutMs for room before each piece. False when a wait ran
// out or the socket failed; the rest is then dropped.
bool SendBytes(SOCKET connection, const char* data, size_t size, DWORD timeoutMs);

// Sends head, then length bytes read from file in pieces. A file that ends
// early ends the body there.
bool SendFromFile(SOCKET connection, const std::string& head, HANDLE file, uint64_t length,
                  DWORD timeoutMs);
