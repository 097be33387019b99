// The state that the user-interface thread and the connection workers share.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "http/credential.h"
#include "win32.h"

// The open listening socket, 0 while offline. Written by the user-interface thread.
extern std::atomic<SOCKET> Listener;

// Connections being served: changed only by the workers, atomically.
extern std::atomic<uint32_t> ActiveConnections;

// The slider's position: the connection limit.
int32_t MaxConnections();
// Called on the user-interface thread whenever the slider may have moved.
void noteSliderPosition(int32_t position);

// Waits until a slot is free under the limit, then takes it (one atomic step).
// Returns false, without a slot, when the listener the worker was started for
// has been closed meanwhile.
bool waitForAdmission(SOCKET listener);
// Gives the slot back and wakes a waiting worker.
void releaseAdmission();
// Wakes waiting workers so that they look at the listener again (after Stop).
void wakeWaitingWorkers();

// The Base64 of "user:password" in both forms, or empty; read by workers as a whole copy.
ExpectedCredential ExpectedCredentialCopy();
void SetExpectedCredential(const ExpectedCredential& credential);
