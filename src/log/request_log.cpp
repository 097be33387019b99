#include "log/request_log.h"

#include <algorithm>
#include <mutex>

#include "http/wide_text.h"
#include "log/display_refresh.h"
#include "log/log_text.h"
#include "log/log_writer.h"
#include "ui/controls.h"
#include "ui/form.h"

CRITICAL_SECTION LogLock;

namespace {

const char kErrorLine[] = "*** Error Writting to Log File ***\r\n";

// Held for a scope, released on every way out of it.
class LogLockGuard {
public:
    LogLockGuard() { EnterCriticalSection(&LogLock); }
    LogLockGuard(const LogLockGuard&) = delete;
    LogLockGuard& operator=(const LogLockGuard&) = delete;
    ~LogLockGuard() { LeaveCriticalSection(&LogLock); }
};

// Workers may log while the program ends: what they use is never destroyed.
std::wstring& logPath = *new std::wstring;  // absolute, fixed at start-up
std::wstring& backupPath = *new std::wstring;
LogWindowText& windowText = *new LogWindowText;  // guarded by LogLock

LogWindowText::Shown shownInWindow;  // user-interface thread only

bool sameName(const std::wstring& a, const std::wstring& b) {
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) ==
           CSTR_EQUAL;
}

// The volume and index that name a file whatever path, link or stream leads to it.
struct FileIdentity {
    bool known = false;
    DWORD volume = 0;
    uint64_t index = 0;
};

FileIdentity identityOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info)) return FileIdentity();
    return {true, info.dwVolumeSerialNumber,
            static_cast<uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow};
}

FileIdentity identityOf(const std::wstring& path) {
    HANDLE file =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return FileIdentity();
    const FileIdentity identity = identityOf(file);
    CloseHandle(file);
    return identity;
}

// The file's index alone: a question the system answers at once, where the
// volume's serial number takes a look at the volume (hundreds of microseconds
// under Wine, for every file served).
bool indexOf(HANDLE file, uint64_t& index) {
    struct {
        LARGE_INTEGER IndexNumber;
    } internal = {};
    IO_STATUS_BLOCK status = {};
    constexpr auto kInternalInformation = static_cast<FILE_INFORMATION_CLASS>(6);
    if (NtQueryInformationFile(file, &status, &internal, sizeof(internal), kInternalInformation) !=
        0)
        return false;
    index = static_cast<uint64_t>(internal.IndexNumber.QuadPart);
    return true;
}

// The two log files as this program last knew them: taken when the log is
// opened and moved aside, and at start for what earlier runs left. Every file
// about to be served is compared with them without another look at the disk;
// while the log is open nobody else can move it (it is shared for reading only).
std::mutex& identitiesLock = *new std::mutex;
FileIdentity logIdentity, backupIdentity;  // guarded by identitiesLock

void noteIdentities(const FileIdentity& log, const FileIdentity& backup) {
    std::lock_guard<std::mutex> guard(identitiesLock);
    logIdentity = log;
    backupIdentity = backup;
}

void noteLogIdentity(const FileIdentity& log) {
    std::lock_guard<std::mutex> guard(identitiesLock);
    logIdentity = log;
}

bool isLogIdentity(const FileIdentity& identity) {
    std::lock_guard<std::mutex> guard(identitiesLock);
    auto same = [&](const FileIdentity& log) {
        return log.known && identity.known && log.index == identity.index &&
               log.volume == identity.volume;
    };
    return same(logIdentity) || same(backupIdentity);
}

bool hasLogIndex(uint64_t index) {
    std::lock_guard<std::mutex> guard(identitiesLock);
    return (logIdentity.known && logIdentity.index == index) ||
           (backupIdentity.known && backupIdentity.index == index);
}

// "WebLog.txt" through the system's file calls; used by one writer at a time.
class SystemLogFile final : public LogFile {
public:
    bool IsOpen() const override { return file_ != INVALID_HANDLE_VALUE; }

    bool Open() override {
        // Other programs may read it, not write it.
        file_ = CreateFileW(logPath.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file_ == INVALID_HANDLE_VALUE) return false;
        LARGE_INTEGER none = {};
        SetFilePointerEx(file_, none, nullptr, FILE_END);
        noteLogIdentity(identityOf(file_));
        return true;
    }

    bool Size(uint64_t& size) override {
        LARGE_INTEGER length = {};
        if (!GetFileSizeEx(file_, &length)) return false;
        size = static_cast<uint64_t>(length.QuadPart);
        return true;
    }

    bool Write(const char* data, size_t size, size_t& written) override {
        written = 0;
        while (written < size) {
            const DWORD piece = static_cast<DWORD>(std::min<size_t>(size - written, 1u << 30));
            DWORD took = 0;
            if (!WriteFile(file_, data + written, piece, &took, nullptr)) return false;
            written += took;
            if (took < piece) return false;
        }
        return true;
    }

    bool Flush() override { return FlushFileBuffers(file_) != FALSE; }

    bool CutBack(uint64_t length) override {
        LARGE_INTEGER at = {};
        at.QuadPart = static_cast<LONGLONG>(length);
        return SetFilePointerEx(file_, at, nullptr, FILE_BEGIN) && SetEndOfFile(file_);
    }

    void Rotate() override {
        Close();
        DeleteFileW(backupPath.c_str());
        MoveFileW(logPath.c_str(), backupPath.c_str());
        noteIdentities(identityOf(logPath), identityOf(backupPath));
    }

    void Close() override {
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
};

// Each entry goes to the window once the file has taken it or failed to, in
// the file's order; one that did not reach the file comes with a beep and the
// error line in front of it.
void showEntry(const std::string& entry, bool written) {
    if (!written) MessageBeep(MB_OK);
    LogLockGuard guard;
    windowText.Append(written ? entry : kErrorLine + entry);
}

LogWriter& logWriter() {
    static LogWriter* writer = new LogWriter(*new SystemLogFile, showEntry);
    return *writer;
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
    std::wstring base = CurrentDirectoryWide();
    if (!base.empty() && base.back() != L'\\') base += L'\\';
    logPath = base + L"WebLog.txt";
    backupPath = base + L"WebLog.bak";
    noteIdentities(identityOf(logPath), identityOf(backupPath));
    logWriter();
}

// The clear of F5 touches only the window's text: the user-interface thread
// never waits for the disk. An entry waits until the file has it (or has
// failed to take it), so that it is on disk before its connection is answered.
void AppendLogEntry(const std::string& text) {
    if (text.empty()) {
        LogLockGuard guard;
        windowText.Clear();
    } else {
        logWriter().Append(text);
    }
    requestWindowRefresh();
}

void refreshLogWindow() {
    if (!LOGEDIT) return;
    LogWindowText::Update update;
    {
        LogLockGuard guard;
        update = windowText.UpdateFrom(shownInWindow);
    }
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

bool isRequestLogFile(const std::wstring& path) {
    // Only a file of one of the two names is looked at more closely.
    const std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
    if (!sameName(name, L"WebLog.txt") && !sameName(name, L"WebLog.bak")) return false;
    if (sameName(path, logPath) || sameName(path, backupPath)) return true;
    return isLogIdentity(identityOf(path));
}

bool isRequestLogHandle(HANDLE file) {
    uint64_t index = 0;
    // A file whose index cannot be had is taken for a log file: it is not served.
    if (!indexOf(file, index)) return true;
    if (!hasLogIndex(index)) return false;
    // The index of a log file: the two are looked at again, since a file
    // system may have given an index let go by a file deleted since to another.
    noteIdentities(identityOf(logPath), identityOf(backupPath));
    return isLogIdentity(identityOf(file));
}

void closeLogFile() { logWriter().Close(); }

LRESULT logKeyHandler(LONG_PTR, HWND, HWND, WPARAM wParam, LPARAM) {
    if (wParam != VK_F5) return 0;
    AppendLogEntry(std::string());
    return 1;
}
