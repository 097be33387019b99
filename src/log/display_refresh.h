// Bringing the log window and the status display up to date for changes made
// on worker threads: a worker only flags the change; the user-interface thread
// catches up at most every 100 ms, so a burst of connections costs it a few
// window updates, not two or three per connection, and a worker never waits
// for it.
#pragma once

#include "win32.h"

constexpr UINT kDisplayRefreshMessage = WM_APP + 1;

// Any thread: the display is to show the state of this moment (soon).
void requestDisplayRefresh();

// User-interface thread, on kDisplayRefreshMessage: calls refresh, which
// brings everything shown up to date, now or within 100 ms.
void onDisplayRefreshMessage(void (*refresh)());
