#include "log/status.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "log/animated_icon.h"
#include "log/display_refresh.h"
#include "log/status_text.h"
#include "resources/program_resources.h"
#include "server/shared_state.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace {

HICON statusIcons[3] = {};  // red, yellow, green: loaded once, shared, never destroyed
bool statusIconsLoaded = false;

NOTIFYICONDATAA trayIcon = {};
HICON trayIconShown = nullptr;
bool trayIconAdded = false;

std::string statePartShown;
std::string counterPartShown;

bool logViewShown = false;

// The log view's picture steps through its frames itself: a static control
// would only ever show the first one.
constexpr UINT_PTR kAnimationTimer = 1;
std::vector<HICON> animationFrames;  // made once, kept for the program's life
UINT animationInterval = 150;
size_t animationStep = 0;

void loadAnimation() {
    static bool loaded = false;
    if (loaded) return;
    loaded = true;
    const std::string bytes = ResourceBytes("QOV_TVANI", RT_ANIICON);
    AnimatedIcon icon;
    if (!ParseAnimatedIcon(bytes, icon)) return;
    for (const AnimatedIcon::Frame& frame : icon.frames) {
        auto* image = reinterpret_cast<PBYTE>(const_cast<char*>(bytes.data() + frame.offset));
        if (HICON made = CreateIconFromResourceEx(image, static_cast<DWORD>(frame.size), TRUE,
                                                  0x00030000, 32, 32, LR_DEFAULTCOLOR))
            animationFrames.push_back(made);
    }
    if (icon.jiffies) animationInterval = std::max(50u, icon.jiffies * 1000 / 60);
}

// The first frame, or the picture as the system loads it where its frames
// could not be read; loaded once either way, since the system does not share
// animated pictures between loads.
void showAnimatedPicture() {
    static HANDLE loaded = nullptr;
    HANDLE picture = nullptr;
    if (!animationFrames.empty()) {
        picture = animationFrames[0];
    } else {
        if (!loaded)
            loaded = LoadImageA(programInstance, "QOV_TVANI", IMAGE_ICON, 32, 32, LR_SHARED);
        picture = loaded;
    }
    SendMessageA(TVPIC, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(picture));
}

void CALLBACK showNextFrame(HWND, UINT, UINT_PTR, DWORD) {
    if (animationFrames.empty()) return;
    animationStep = (animationStep + 1) % animationFrames.size();
    SendMessageA(TVPIC, STM_SETIMAGE, IMAGE_ICON,
                 reinterpret_cast<LPARAM>(animationFrames[animationStep]));
}

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

void showStillPicture() {
    HANDLE picture =
        LoadImageA(programInstance, "ZANT_TVPIC_0_PICTURE", IMAGE_ICON, 32, 32, LR_SHARED);
    SendMessageA(TVPIC, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(picture));
}

}  // namespace

// The display always shows the listener of its moment: a worker that ends after
// Stop must not make a stopped server look online again.
void RefreshStatus(SOCKET) {
    if (onInterfaceThread())
        refreshStatusNow();
    else
        requestDisplayRefresh();
}

void refreshStatusNow() {
    loadStatusIcons();
    const int32_t limit = ConnectionAdmission().MaxConnections();
    const uint32_t count = ConnectionAdmission().ActiveConnections();
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
    loadStatusIcons();
    trayIcon.hIcon = statusIcons[0];  // red
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
        KillTimer(TVPIC, kAnimationTimer);
        showStillPicture();
        ShowWindow(LOGEDIT, SW_HIDE);
        ShowWindow(FILELIST, SW_SHOW);
        logViewShown = false;
    } else {
        loadAnimation();
        animationStep = 0;
        showAnimatedPicture();
        if (animationFrames.size() > 1)
            SetTimer(TVPIC, kAnimationTimer, animationInterval, showNextFrame);
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
