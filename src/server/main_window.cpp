#include "server/main_window.h"

#include <cstring>
#include <string>

#include "http/codecs.h"
#include "http/codecs_win.h"
#include "http/credential.h"
#include "http/unicode.h"
#include "http/wide_text.h"
#include "log/request_log.h"
#include "log/status.h"
#include "server/listener.h"
#include "server/shared_state.h"
#include "shares/folder_browser.h"
#include "shares/folder_scan.h"
#include "shares/share_list.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace {

constexpr UINT_PTR kStatusTimer = 1;
// How long closing the program waits for connection workers to end: each ends
// at its next wait, within a moment, unless a file read holds it.
constexpr DWORD kWorkersEndMs = 5000;
constexpr size_t kStatusTextLimit = 39;

// The status bar's moving text, kept scrambled.
constexpr unsigned char kMovingTextKey = 0x5A;
const char kMovingText[18] = {0x00, 0x1B, 0x14, 0x0E, 0x7A, 0x29, 0x3F, 0x28, 0x2C,
                              0x3F, 0x29, 0x7A, 0x3C, 0x33, 0x36, 0x3F, 0x29, 0x7B};

struct HelpText {
    HWND* window;
    const char* text;
};

const char kFileListHelp[] =
    "Select the Files/Folders you wish to share.\r\nCheck the ones you want to have "
    "username/password.  And if you Press F5 on the list it will refresh it.";
const char kLogHelp[] =
    "Log Window for the last 65535 characters of Requests.\r\nPress F5 while the cursor is in "
    "the Log Window to clear it.";
const char kFormHelp[] =
    "1. Select IP Address to Mount Server On.\r\n2. Select Files to Share and # of Connections "
    "Allowed.\r\n3. Username and Password are Optional, then Click Host.";

// The help of most controls repeats their tooltip.
const char kUserText[] = "Username that the user's browser will prompt for.\r\n(35 Character Max)";
const char kPassText[] = "Password that the user's browser will prompt for.\r\n(35 Character Max)";
const char kHostText[] = "Click to Begin Hosting on the selected IP Address.";
const char kStopText[] = "Click to Stop Hosting on the selected IP Address.";
const char kSliderText[] = "Select the maximum allowed connections at a time here.";
const char kAddressText[] = "The Server will listen on Port 80 on this selected IP Address.";
const char kFolderText[] = "Select the Base Folder to Share from.";
const char kPictureText[] = "Click to Toggle Log/File Views.";

const HelpText kHelpTexts[] = {
    {&USEREDIT, kUserText},       {&PASSEDIT, kPassText},     {&HOSTBUTTON, kHostText},
    {&STOPBUTTON, kStopText},     {&CONNSLIDER, kSliderText}, {&IPLIST, kAddressText},
    {&FOLDERBUTTON, kFolderText}, {&FILELIST, kFileListHelp}, {&LOGEDIT, kLogHelp},
    {&TVPIC, kPictureText},
};

const HelpText kTooltips[] = {
    {&TVPIC, kPictureText},
    {&USEREDIT, kUserText},
    {&PASSEDIT, kPassText},
    {&HOSTBUTTON, kHostText},
    {&STOPBUTTON, kStopText},
    {&CONNSLIDER, kSliderText},
    {&IPLIST, kAddressText},
    {&FOLDERBUTTON, kFolderText},
    {&FILELIST,
     "Select the Files/Folders you wish to share.\r\nCheck the ones you want to have "
     "username/password."},
    {&LOGEDIT, "Log Window for the last 65535 characters of Requests."},
};

std::string cut(std::string text) {
    if (text.size() > kStatusTextLimit) text.resize(kStatusTextLimit);
    return text;
}

void statusTick() {
    // One reading of the clock for both parts, so that they never disagree.
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::string clock = cut("\t" + FormatHttpDate(now, false));
    SendMessageA(STATUSBAR, SB_SETTEXTA, 3, reinterpret_cast<LPARAM>(clock.c_str()));
    const int offset = (now.wHour * 3600 + now.wMinute * 60 + now.wSecond) % 20;
    const std::string moving =
        cut(std::string(offset, ' ') +
            XorBytes(std::string(kMovingText, sizeof(kMovingText)), kMovingTextKey));
    SendMessageA(STATUSBAR, SB_SETTEXTA, 5, reinterpret_cast<LPARAM>(moving.c_str()));
}

void showTrayMenu() {
    POINT cursor;
    GetCursorPos(&cursor);
    HWND next = GetWindow(mainForm, GW_HWNDNEXT);
    SetForegroundWindow(mainForm);
    SetWindowPos(mainForm, next, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetFocus(nullptr);
    TrackPopupMenu(TrayMenu, TPM_RIGHTALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, mainForm,
                   nullptr);
    PostMessageA(mainForm, WM_NULL, 0, 0);
}

// A box's text up to its limit of 35 UTF-16 units, as UTF-8; never half a
// character.
std::string editText(HWND edit) {
    wchar_t text[37] = {};  // one unit more, to see whether the 35th begins a pair
    const int length = GetWindowTextW(edit, text, 37);
    return CutToUtf16Units(Narrow(text, length > 0 ? static_cast<size_t>(length) : 0), 35);
}

void updateCredential() {
    const std::string user = editText(USEREDIT);
    const std::string password = editText(PASSEDIT);
    SetExpectedCredential(ExpectedCredentialFor(user, password));
}

void chooseFolder() {
    const std::string folder =
        BrowseForFolder(mainForm, "Select a Folder to Share From", ShareList.BaseFolder());
    if (!folder.empty()) ScanFolder(folder);
}

void showHelp(const HELPINFO* info) {
    HWND window = info ? static_cast<HWND>(info->hItemHandle) : nullptr;
    const char* text = kFormHelp;
    for (const HelpText& help : kHelpTexts) {
        if (window && *help.window == window) {
            text = help.text;
            break;
        }
    }
    MessageBoxA(nullptr, text, "Help", MB_OK | MB_ICONINFORMATION | MB_TASKMODAL);
}

LRESULT onCommand(WPARAM wParam) {
    const WORD id = LOWORD(wParam);
    const WORD code = HIWORD(wParam);
    switch (id) {
        case kTrayHost:
        case kIdHostButton:
            if (code != 0 || !IsWindowEnabled(HOSTBUTTON)) return 0;
            HostServer();
            return 1;
        case kTrayStop:
        case kIdStopButton:
            if (code != 0 || !IsWindowEnabled(STOPBUTTON)) return 0;
            StopServer();
            return 1;
        case kTrayExit:
            if (code != 0) return 0;
            SendMessageA(mainForm, WM_CLOSE, 0, 0);
            return 1;
        case kIdUserEdit:
        case kIdPassEdit:
            if (code != EN_CHANGE) return 0;
            updateCredential();
            return 1;
        case kIdFolderButton:
            if (code != 0) return 0;
            chooseFolder();
            return 1;
        default: return 0;
    }
}

}  // namespace

LRESULT initMainForm(HWND form) {
    HMENU system = GetSystemMenu(form, FALSE);
    for (UINT command : {SC_SIZE, SC_RESTORE, SC_MINIMIZE, SC_MAXIMIZE})
        DeleteMenu(system, command, MF_BYCOMMAND);
    InsertMenuA(system, 0, MF_BYPOSITION | MF_STRING, kSysHide, "&Hide");

    const unsigned char loopback[4] = {127, 0, 0, 1};
    uint32_t loopbackAddress;
    std::memcpy(&loopbackAddress, loopback, 4);
    listBoxAddString(IPLIST, DottedAddress(loopback));
    for (int k = 1;; ++k) {
        const uint32_t address = ResolveHostAddress("", k);
        if (address == 0 || address == loopbackAddress) break;
        listBoxAddString(IPLIST, DottedAddress(reinterpret_cast<const unsigned char*>(&address)));
    }
    SendMessageA(IPLIST, LB_SETCURSEL, 0, 0);

    addTrayIcon(form);

    TrayMenu = CreatePopupMenu();
    AppendMenuA(TrayMenu, MF_STRING, kTrayHost, "&Host");
    AppendMenuA(TrayMenu, MF_STRING | MF_GRAYED, kTrayStop, "&Stop");
    AppendMenuA(TrayMenu, MF_SEPARATOR, kTraySeparator, nullptr);
    AppendMenuA(TrayMenu, MF_STRING, kTrayExit, "E&xit");

    SHFILEINFOA info = {};
    const auto images = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoA("", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    listViewSetImageList(FILELIST, images, LVSIL_SMALL);

    listViewInsertColumn(FILELIST, 0, "File Name", LVCFMT_LEFT, 412);
    listViewInsertColumn(FILELIST, 1, "Size", LVCFMT_RIGHT, 70);
    listViewInsertColumn(FILELIST, 2, "Modified", LVCFMT_LEFT, 191);

    for (const HelpText& tip : kTooltips) addTooltip(form, *tip.window, tip.text);

    ScanFolder(Narrow(CurrentDirectoryWide()));

    SetTimer(form, kStatusTimer, 500, nullptr);
    return 0;
}

LRESULT formEventHandler(HWND form, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER: statusTick(); return 1;
        case TrayCallbackMessage:
            if (LOWORD(lParam) == WM_LBUTTONUP) {
                bringFormBack(mainForm);
            } else if (LOWORD(lParam) == WM_RBUTTONUP) {
                showTrayMenu();
            }
            return 1;
        case WM_COMMAND: return onCommand(wParam);
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) != kSysHide) return 0;
            ShowWindow(mainForm, SW_HIDE);
            return 1;
        case WM_NCRBUTTONUP:
            if (wParam != HTCLOSE) return 0;
            ShowWindow(mainForm, SW_HIDE);
            return 1;
        case WM_HSCROLL: return OnSliderMoved();
        case AcceptNotifyMessage: OnAcceptNotify(); return 1;
        case WM_HELP: showHelp(reinterpret_cast<const HELPINFO*>(lParam)); return 1;
        default: (void)form; return 0;
    }
}

LRESULT cleanUpMainForm(HWND form) {
    KillTimer(form, kStatusTimer);
    deleteTrayIcon();
    DestroyMenu(TrayMenu);
    TrayMenu = nullptr;
    const SOCKET listener = Listener.exchange(0);
    if (listener) closesocket(listener);
    // The workers end before the log file closes, so that every entry is in it.
    EndConnectionWorkers(kWorkersEndMs);
    closeLogFile();
    // LogLock stays: a worker that has not ended may still log until the process ends.
    return 0;
}
