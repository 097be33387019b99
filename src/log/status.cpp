#include "log/status.h"

#include <shellapi.h>
#include <commctrl.h>

#include <cstring>
#include <string>

#include "log/display_refresh.h"
#include "log/status_text.h"
#include "server/shared_state.h"
#include "ui/main_form.h"

namespace {

HICON statusIcons[3] = {};  // red, yellow, green: loaded once, shared, never destroyed
bool statusIconsLoaded = false;

NOTIFYICONDATAA trayIcon = {};
HICON trayIconShown = nullptr;
bool trayIconAdded = false;

std::string statePartShown;
std::string counterPartShown;

bool logViewShown = false;

void loadStatusIcons() {
    if (statusIconsLoaded) return;
    const char* names[3] = {"QOV_RED", "QOV_YELLOW", "QOV_GREEN"};
    for (int i = 0; i < 3; ++i)
        statusIcons[i] = static_cast<HICON>(
            LoadImageA(programInstance, names[i], IMAGE_ICON, 16, 16, LR_SHARED));
    statusIconsLoaded = true;
}

void setStatusPart(int part, const std::string& text, std::string& shown) {
    if (!STATUSBAR || text == shown) return;
    SendMessageA(STATUSBAR, SB_SETTEXTA, part, reinterpret_cast<LPARAM>(text.c_str()));
    shown = text;
}

void setPicture(const char* name) {
    HANDLE picture = LoadImageA(programInstance, name, IMAGE_ICON, 32, 32, LR_SHARED);
    if (!picture)  // the animated picture is stored as an animated cursor
        picture = LoadImageA(programInstance, name, IMAGE_CURSOR, 32, 32, LR_SHARED);
    SendMessageA(TVPIC, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(picture));
}

}  // namespace

// The display always shows the listener of its moment: a worker that ends after
// Stop must not make a stopped server look online again.
void RefreshStatus(SOCKET) {
    if (!mainForm) return;
    if (GetCurrentThreadId() == GetWindowThreadProcessId(mainForm, nullptr))
        refreshStatusNow();
    else
        requestDisplayRefresh();
}

void refreshStatusNow() {
    loadStatusIcons();
    const int32_t limit = MaxConnections();
    const uint32_t count = ActiveConnections.load();
    const bool available = ServerAvailable(Listener != 0, limit, count);
    const std::string counter = CounterText(count, limit);
    HICON light = statusIcons[static_cast<int>(LightFor(available, limit, count))];

    if (trayIconAdded &&
        (light != trayIconShown || std::strncmp(trayIcon.szTip, counter.c_str(), 64) != 0)) {
        lstrcpynA(trayIcon.szTip, counter.c_str(), sizeof(trayIcon.szTip));
        trayIcon.uFlags = NIF_TIP;
        if (light != trayIconShown) {
            trayIcon.uFlags |= NIF_ICON;
            trayIcon.hIcon = light;
            trayIconShown = light;
        }
        Shell_NotifyIconA(NIM_MODIFY, &trayIcon);
    }
    setStatusPart(2, StateText(available), statePartShown);
    setStatusPart(4, "\t" + counter, counterPartShown);
}

void addTrayIcon(HWND owner) {
    trayIcon = {};
    trayIcon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    trayIcon.hWnd = owner;
    trayIcon.uID = static_cast<UINT>(reinterpret_cast<UINT_PTR>(programInstance));
    trayIcon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    trayIcon.uCallbackMessage = TrayCallbackMessage;
    trayIcon.hIcon =
        static_cast<HICON>(LoadImageA(programInstance, "QOV_RED", IMAGE_ICON, 16, 16, LR_SHARED));
    trayIconShown = trayIcon.hIcon;
    lstrcpynA(trayIcon.szTip, "0000 of 0000 Connections", sizeof(trayIcon.szTip));
    trayIconAdded = Shell_NotifyIconA(NIM_ADD, &trayIcon) != FALSE;
}

void deleteTrayIcon() {
    if (!trayIconAdded) return;
    Shell_NotifyIconA(NIM_DELETE, &trayIcon);
    trayIconAdded = false;
}

LRESULT ToggleLogView(LONG_PTR, HWND, WPARAM, LPARAM) {
    if (logViewShown) {
        setPicture("ZANT_TVPIC_0_PICTURE");
        ShowWindow(LOGEDIT, SW_HIDE);
        ShowWindow(FILELIST, SW_SHOW);
        logViewShown = false;
    } else {
        setPicture("QOV_TVANI");
        ShowWindow(FILELIST, SW_HIDE);
        ShowWindow(LOGEDIT, SW_SHOW);
        if (GetFocus() == LOGEDIT) {
            SetFocus(nullptr);
            SetFocus(LOGEDIT);
        }
        logViewShown = true;
    }
    return 1;
}
