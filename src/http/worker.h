// One connection from admission to its end, on a thread of its own.
#pragma once

#include <string>

#include "win32.h"

// Thread entry: serves one request on a connection accepted from the
// listening socket given as the argument. Exit code 0; nobody waits for it.
DWORD WINAPI ConnectionWorker(LPVOID listeningSocket);
