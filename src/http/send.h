// Handing an answer to a connection.
#pragma once

#include <cstdint>
#include <string>

#include "win32.h"

// Sends head and body as one block, in as many pieces as the (non-blocking)
// connection takes. Each wait for room lasts at most timeoutMs, and a client
// that takes the answer too slowly is let go (SendPace). False when the
// answer could not be handed over whole; the rest is then dropped.
bool SendAnswer(SOCKET connection, const std::string& head, const std::string& body,
                DWORD timeoutMs);

// Sends head, then length bytes read from file in pieces, at the same pace.
// A file that ends early ends the body there.
bool SendFromFile(SOCKET connection, const std::string& head, HANDLE file, uint64_t length,
                  DWORD timeoutMs);
