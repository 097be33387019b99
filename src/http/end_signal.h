// The end of the program as something every wait of a connection sees: one
// loopback socket of the program's own that each wait watches beside its
// connection. At the end one byte is written to its other side, which makes
// it readable for good, so that every wait ends at once. Shutting a
// connection alone is not enough: some socket layers (Wine's) leave a pending
// select on a socket whose receiving side is shut.
#pragma once

#include "win32.h"

// Makes the pair once, after the socket library has been started. Without it
// the waits end by their time-outs and the shutting of their connections.
void openEndSignal();

// The side to watch for reading, or INVALID_SOCKET.
SOCKET endSignalSocket();

// Whether the end has been signalled.
bool endSignalled();

// Signals the end: every wait on a connection ends now, and every later one at once.
void raiseEndSignal();
