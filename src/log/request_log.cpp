#include "log/request_log.h"

#include <algorithm>

#include "log/display_refresh.h"
#include "log/log_text.h"
#include "ui/controls.h"
#include "ui/form.h"

CRITICAL_SECTION LogLock;

namespace {

constexpr LONGLONG kRotationSize = 2097152;
const char kErrorLine[] = "*** Error Writting to Log File ***\r\n";

// Workers may log while the program ends: what they use is never destroyed.
std::string& logPath = *new std::string;  // absolute, fixed at start-up
std::string& backupPath = *new std::string;
HANDLE logFile = INVALID_HANDLE_VALUE;
LogWindowText& windowText = *new LogWindowText;  // guarded by LogLock

LogWindowText::Shown shownInWindow;  // user-interface thread only

void rotateIfLarge() {
    LARGE_INTEGER size = {};
    if (logFile == INVALID_HANDLE_VALUE || !GetFileSizeEx(logFile, &size) ||
        size.QuadPart <= kRotationSize)
        return;
    CloseHandle(logFile);
    logFile = INVALID_HANDLE_VALUE;
    DeleteFileA(backupPath.c_str());
    MoveFileA(logPath.c_str(), backupPath.c_str());
}

bool openIfClosed() {
    if (logFile != INVALID_HANDLE_VALUE) return true;
    logFile = CreateFileA(logPath.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (logFile == INVALID_HANDLE_VALUE) return false;
    SetFilePointer(logFile, 0, nullptr, FILE_END);
    return true;
}

void writeToFile(const std::string& text) {
    DWORD written = 0;
    WriteFile(logFile, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    FlushFileBuffers(logFile);
}

// A worker never waits on the user-interface thread, least of all while it
// holds LogLock: the window catches up with the entries from that thread.
void requestWindowRefresh() {
    if (onInterfaceThread())
        refreshLogWindow();
    else
        requestDisplayRefresh();
}

}  // namespace

void initRequestLog() {
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    std::string base = folder;
    if (!base.empty() && base.back() != '\\') base += '\\';
    logPath = base + "WebLog.txt";
    backupPath = base + "WebLog.bak";
}

void AppendLogEntry(const std::string& text) {
    EnterCriticalSection(&LogLock);
    if (text.empty()) {
        windowText.Clear();
    } else {
        rotateIfLarge();
        if (openIfClosed()) {
            windowText.Append(text);
            writeToFile(text);
        } else {
            MessageBeep(MB_OK);
            windowText.Append(kErrorLine + text);
        }
    }
    LeaveCriticalSection(&LogLock);
    requestWindowRefresh();
}

void refreshLogWindow() {
    if (!LOGEDIT) return;
    EnterCriticalSection(&LogLock);
    LogWindowText::Update update = windowText.UpdateFrom(shownInWindow);
    LeaveCriticalSection(&LogLock);
    // Only entries added or a clear change the window: a user reading an older
    // entry keeps the place while connections merely open and close.
    if (!update.Changes()) return;
    // The window takes its text as C strings: a NUL byte a client sent would end
    // it there and hide everything after it. It is shown as a space instead, so
    // that the window still holds exactly the last characters of the log.
    std::replace(update.append.begin(), update.append.end(), '\0', ' ');

    // A shown edit control redraws and rescrolls at every change of its text,
    // which costs tens of milliseconds with 64 KiB in it under Wine (asking it
    // not to redraw does not stop that there). So the changes are made while it
    // is marked hidden, without really hiding it, and it is drawn once after.
    const LONG_PTR style = GetWindowLongPtrA(LOGEDIT, GWL_STYLE);
    const bool shown = (style & WS_VISIBLE) != 0;
    if (shown) SetWindowLongPtrA(LOGEDIT, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_VISIBLE));
    if (update.replaceAll) {
        callControl(LOGEDIT, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(update.append.c_str()));
    } else {
        if (update.cutFront) {
            callControl(LOGEDIT, EM_SETSEL, 0, static_cast<LPARAM>(update.cutFront));
            callControl(LOGEDIT, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
        }
        if (!update.append.empty()) {
            const LRESULT length = callControl(LOGEDIT, WM_GETTEXTLENGTH, 0, 0);
            callControl(LOGEDIT, EM_SETSEL, length, length);
            callControl(LOGEDIT, EM_REPLACESEL, FALSE,
                        reinterpret_cast<LPARAM>(update.append.c_str()));
        }
    }
    shownInWindow = update.after;
    callControl(LOGEDIT, EM_SETSEL, 65535, 65535);
    callControl(LOGEDIT, EM_SCROLLCARET, 0, 0);
    if (shown) {
        SetWindowLongPtrA(LOGEDIT, GWL_STYLE, style);
        // The frame too: its scroll bars took their new state unseen.
        RedrawWindow(LOGEDIT, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
    }
}

namespace {

bool sameName(const std::string& a, const std::string& b) {
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) ==
           CSTR_EQUAL;
}

// The volume and index that name a file whatever path leads to it; false
// when it cannot be looked at.
bool fileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE file =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool known = GetFileInformationByHandle(file, &info) != FALSE;
    CloseHandle(file);
    return known;
}

bool sameFile(const std::string& a, const std::string& b) {
    if (sameName(a, b)) return true;
    BY_HANDLE_FILE_INFORMATION first, second;
    return fileIdentity(a, first) && fileIdentity(b, second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}

}  // namespace

bool isRequestLogFile(const std::string& path) {
    // Only a file of one of the two names can be one of them: the identity of
    // the file is asked for those alone.
    const std::string name = path.substr(path.find_last_of('\\') + 1);
    if (!sameName(name, "WebLog.txt") && !sameName(name, "WebLog.bak")) return false;
    return sameFile(path, logPath) || sameFile(path, backupPath);
}

void closeLogFile() {
    EnterCriticalSection(&LogLock);
    if (logFile != INVALID_HANDLE_VALUE) CloseHandle(logFile);
    logFile = INVALID_HANDLE_VALUE;
    LeaveCriticalSection(&LogLock);
}

LRESULT logKeyHandler(LONG_PTR, HWND, HWND, WPARAM wParam, LPARAM) {
    if (wParam != VK_F5) return 0;
    AppendLogEntry(std::string());
    return 1;
}
