#include "log/display_refresh.h"

#include <atomic>

#include "ui/controls.h"
#include "ui/form.h"

namespace {

constexpr ULONGLONG kInterval = 100;
constexpr UINT_PTR kRefreshTimer = 2;

std::atomic<bool> requested{false};
ULONGLONG lastRefresh = 0;
bool timerRunning = false;
void (*refreshDisplay)() = nullptr;

void refreshNow() {
    // Cleared before the state is read: a change made meanwhile asks again.
    requested = false;
    lastRefresh = GetTickCount64();
    if (refreshDisplay) refreshDisplay();
}

void CALLBACK onRefreshTimer(HWND window, UINT, UINT_PTR id, DWORD) {
    KillTimer(window, id);
    timerRunning = false;
    withoutExceptions(
        [] {
            refreshNow();
            return LRESULT{0};
        },
        [] { return LRESULT{0}; });
}

}  // namespace

void requestDisplayRefresh() {
    if (!mainForm) return;
    if (!requested.exchange(true) && !PostMessageA(mainForm, kDisplayRefreshMessage, 0, 0))
        requested = false;
}

void onDisplayRefreshMessage(void (*refresh)()) {
    refreshDisplay = refresh;
    if (timerRunning) return;
    const ULONGLONG since = GetTickCount64() - lastRefresh;
    if (since >= kInterval) {
        refreshNow();
        return;
    }
    timerRunning = SetTimer(mainForm, kRefreshTimer, static_cast<UINT>(kInterval - since),
                            onRefreshTimer) != 0;
    if (!timerRunning) refreshNow();
}
