// The state that the user-interface thread and the connection workers share.
#pragma once

#include <atomic>
#include <string>

#include "http/credential.h"
#include "server/admission.h"
#include "server/workers.h"
#include "win32.h"

// The open listening socket, 0 while offline. Written by the user-interface thread.
extern std::atomic<SOCKET> Listener;

// The connection limit and the count of connections being served. Kept for
// the whole life of the process: workers may still use it while it ends.
Admission& ConnectionAdmission();

// The running connection workers and their open connections.
Workers& ProgramWorkers();

// The Base64 of "user:password" in both forms, or empty; read by workers as a whole copy.
ExpectedCredential ExpectedCredentialCopy();
void SetExpectedCredential(const ExpectedCredential& credential);
