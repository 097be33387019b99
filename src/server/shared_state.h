// The state that the user-interface thread and the connection workers share.
#pragma once

#include <atomic>
#include <string>

#include "server/admission.h"
#include "win32.h"

// The open listening socket, 0 while offline. Written by the user-interface thread.
extern std::atomic<SOCKET> Listener;

// The connection limit and the count of connections being served. Kept for
// the whole life of the process: workers may still use it while it ends.
Admission& ConnectionAdmission();

// The Base64 of "user:password", or empty; read by workers as a whole copy.
std::string ExpectedCredentialCopy();
void SetExpectedCredential(const std::string& credential);
