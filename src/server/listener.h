// Hosting and stopping: the one listening socket on port 80, its accept
// notifications, one worker thread per waiting connection, the slider.
#pragma once

#include <cstdint>
#include <string>

#include "win32.h"

constexpr UINT AcceptNotifyMessage = WM_USER + 1000;  // 2024

// The n-th address (from 1) the host-name look-up gives for name ("" is this
// machine), as four bytes in network order; 0 when there is none.
uint32_t ResolveHostAddress(const std::string& name, int position);

void HostServer();
void StopServer();
void OnAcceptNotify();

// The program ends: workers waiting for a slot give up, every open connection
// is shut so that its worker ends at its next wait, and they are waited for,
// at most waitMs.
void EndConnectionWorkers(DWORD waitMs);
LRESULT OnSliderMoved();
