// The server's status display: status bar parts 2 and 4, the tray icon's
// colour and tip, and the switch between the log window and the file list.
#pragma once

#include "win32.h"

// Called from any thread whenever hosting starts or stops, the limit moves or a
// connection begins or ends. The display is brought up to date on the
// user-interface thread from the state of that moment.
void RefreshStatus(SOCKET listener);

// Recomputes and shows the status now; user-interface thread.
void refreshStatusNow();

// The notification-area icon: added at set-up, deleted at clean-up.
void addTrayIcon(HWND owner);
void deleteTrayIcon();

// A click on the picture: shows the log instead of the file list, or back.
LRESULT ToggleLogView(LONG_PTR userValue, HWND form, WPARAM wParam, LPARAM lParam);

constexpr UINT TrayCallbackMessage = WM_USER + 500;  // 1524
