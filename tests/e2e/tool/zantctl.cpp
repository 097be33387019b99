// zantctl: the automation tool of the end-to-end tests. It reads one command per
// line on stdin and answers each with exactly one line on stdout, "ok <json>" or
// "err <message>", so that a test can drive the program's windows from another
// process the way an accessibility or automation tool would: by window class and
// control id, with the standard and common-control messages.
//
// Nothing here may hang the tests: every cross-process message has a time-out,
// and clicks are delivered with a completion callback so that a message box
// opened by the click leaves the tool free to look at it.

// Only the socket types: the calls are looked up at run time, so that the tool
// links against nothing more than the window libraries.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>
#include <psapi.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr UINT kMessageTimeoutMs = 5000;
constexpr DWORD kClickWaitMs = 5000;
constexpr size_t kTextChars = 4096;

// ---------------------------------------------------------------------------
// Replies and JSON text

struct Reply {
    bool ok;
    std::string body;
};

Reply Ok(const std::string& json) { return {true, json}; }
Reply Err(const std::string& message) { return {false, message}; }

std::string WideToUtf8(const std::wstring& wide) {
    if (wide.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &out[0], n, nullptr,
                        nullptr);
    return out;
}

std::wstring Utf8ToWide(const std::string& text) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

std::string JsonString(const std::string& utf8) {
    std::string out = "\"";
    for (unsigned char c : utf8) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

std::string JsonString(const std::wstring& wide) { return JsonString(WideToUtf8(wide)); }

std::string HandleText(HWND hwnd) {
    char buf[32];
    snprintf(buf, sizeof buf, "0x%llx",
             static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(hwnd)));
    return buf;
}

// Builds one JSON object; handles are written as "0x..." strings so that they
// can be handed back to the tool as window specs.
class Obj {
public:
    Obj& Num(const char* key, long long value) { return Raw(key, std::to_string(value)); }
    Obj& Bool(const char* key, bool value) { return Raw(key, value ? "true" : "false"); }
    Obj& Str(const char* key, const std::string& value) { return Raw(key, JsonString(value)); }
    Obj& Str(const char* key, const std::wstring& value) { return Raw(key, JsonString(value)); }
    Obj& Handle(const char* key, HWND value) { return Raw(key, JsonString(HandleText(value))); }
    Obj& Raw(const char* key, const std::string& json) {
        if (!body_.empty()) body_ += ",";
        body_ += JsonString(std::string(key)) + ":" + json;
        return *this;
    }
    std::string Text() const { return "{" + body_ + "}"; }

private:
    std::string body_;
};

std::string JsonList(const std::vector<std::string>& items) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) out += (i ? "," : "") + items[i];
    return out + "]";
}

// ---------------------------------------------------------------------------
// Arguments

struct Args {
    std::string name;                // the command
    std::vector<std::string> words;  // words after the command name
    std::string line;                // the whole line
    std::vector<size_t> starts;      // where each word begins in line (command name first)

    // The rest of the line from word n on (spaces kept), for free text.
    std::string Rest(size_t n) const {
        return n + 1 < starts.size() ? line.substr(starts[n + 1]) : std::string();
    }
};

Args SplitLine(const std::string& line) {
    Args args;
    args.line = line;
    size_t i = 0;
    bool first = true;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= line.size()) break;
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        args.starts.push_back(start);
        (first ? args.name : args.words.emplace_back()) = line.substr(start, i - start);
        first = false;
    }
    return args;
}

bool ParseNumber(const std::string& text, long long* out) {
    if (text.empty()) return false;
    char* end = nullptr;
    *out = strtoll(text.c_str(), &end, 0);
    return end && *end == '\0';
}

std::string Unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        char c = text[++i];
        out += c == 't' ? '\t' : c == 'r' ? '\r' : c == 'n' ? '\n' : c;
    }
    return out;
}

// ---------------------------------------------------------------------------
// Windows

// A spec is CLASS (top-level window of that class), CLASS/ID (its child control
// with that id) or a raw handle 0x....
HWND Resolve(const std::string& spec) {
    if (spec.size() > 2 && spec[0] == '0' && (spec[1] == 'x' || spec[1] == 'X')) {
        HWND hwnd =
            reinterpret_cast<HWND>(static_cast<ULONG_PTR>(strtoull(spec.c_str(), nullptr, 16)));
        return IsWindow(hwnd) ? hwnd : nullptr;
    }
    size_t slash = spec.find('/');
    HWND top = FindWindowA(spec.substr(0, slash).c_str(), nullptr);
    if (!top || slash == std::string::npos) return top;
    long long id = 0;
    if (!ParseNumber(spec.substr(slash + 1), &id)) return nullptr;
    return GetDlgItem(top, static_cast<int>(id));
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t buf[256] = {};
    GetClassNameW(hwnd, buf, 256);
    return buf;
}

// Caption without sending a message, so that it never waits on a busy window.
std::wstring TitleOf(HWND hwnd) {
    wchar_t buf[1024] = {};
    InternalGetWindowText(hwnd, buf, 1024);
    return buf;
}

bool SendTimed(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, LRESULT* result) {
    DWORD_PTR out = 0;
    if (!SendMessageTimeoutW(hwnd, msg, wparam, lparam, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                             kMessageTimeoutMs, &out)) {
        return false;
    }
    if (result) *result = static_cast<LRESULT>(out);
    return true;
}

// The text through the wide messages, which Wine marshals across processes
// in full (the ANSI forms come back cut short).
bool WindowText(HWND hwnd, std::wstring* text) {
    LRESULT length = 0;
    if (!SendTimed(hwnd, WM_GETTEXTLENGTH, 0, 0, &length)) return false;
    std::vector<wchar_t> buf(static_cast<size_t>(length) + 2);
    LRESULT got = 0;
    if (!SendTimed(hwnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()), &got)) {
        return false;
    }
    text->assign(buf.data(), static_cast<size_t>(got));
    return true;
}

DWORD ProcessOf(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> found;
    EnumWindows(
        [](HWND hwnd, LPARAM out) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(out)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

std::vector<HWND> ChildWindows(HWND parent) {
    std::vector<HWND> found;
    EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM out) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(out)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

std::string RectJson(const RECT& r) {
    return Obj()
        .Num("left", r.left)
        .Num("top", r.top)
        .Num("right", r.right)
        .Num("bottom", r.bottom)
        .Text();
}

// Memory inside the process that owns a window: list view, status bar and
// trackbar requests carry pointers that the control uses in its own process.
class RemoteMemory {
public:
    RemoteMemory(HWND hwnd, size_t size) : size_(size) {
        process_ = OpenProcess(
            PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION,
            FALSE, ProcessOf(hwnd));
        if (process_) {
            base_ = static_cast<char*>(
                VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        }
    }
    ~RemoteMemory() {
        if (base_) VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    bool Valid() const { return base_ != nullptr; }
    LPARAM At(size_t offset) const { return reinterpret_cast<LPARAM>(base_ + offset); }
    bool Write(size_t offset, const void* data, size_t n) {
        SIZE_T done = 0;
        return offset + n <= size_ &&
               WriteProcessMemory(process_, base_ + offset, data, n, &done) && done == n;
    }
    bool Read(size_t offset, void* data, size_t n) {
        SIZE_T done = 0;
        return offset + n <= size_ && ReadProcessMemory(process_, base_ + offset, data, n, &done) &&
               done == n;
    }

private:
    HANDLE process_ = nullptr;
    char* base_ = nullptr;
    size_t size_;
};

// ---------------------------------------------------------------------------
// Delivering a message without waiting on its handler for ever

struct PendingSend {
    bool done = false;
    bool abandoned = false;
    LRESULT result = 0;
};

VOID CALLBACK SendCompleted(HWND, UINT, ULONG_PTR data, LRESULT result) {
    auto* pending = reinterpret_cast<PendingSend*>(data);
    if (pending->abandoned) {
        delete pending;
        return;
    }
    pending->done = true;
    pending->result = result;
}

// The windows a command may open: a tooltip pops up by itself wherever the
// pointer rests, so it is never taken for a window that a command opened.
std::set<HWND> VisibleWindowsOf(DWORD pid) {
    std::set<HWND> found;
    for (HWND hwnd : TopLevelWindows()) {
        if (IsWindowVisible(hwnd) && ProcessOf(hwnd) == pid &&
            _wcsicmp(ClassOf(hwnd).c_str(), TOOLTIPS_CLASSW) != 0)
            found.insert(hwnd);
    }
    return found;
}

// Sends the message with a completion callback and waits until the handler has
// returned, or a new window of the target process has appeared (a message box,
// the folder browser, the reading window: the handler is then running a modal
// loop of its own), or the wait is over.
Reply Deliver(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, DWORD wait_ms) {
    DWORD pid = ProcessOf(hwnd);
    std::set<HWND> before = VisibleWindowsOf(pid);
    auto* pending = new PendingSend;
    if (!SendMessageCallbackW(hwnd, msg, wparam, lparam, SendCompleted,
                              reinterpret_cast<ULONG_PTR>(pending))) {
        delete pending;
        return Err("could not send the message");
    }
    DWORD start = GetTickCount();
    HWND opened = nullptr;
    while (!pending->done && !opened && GetTickCount() - start < wait_ms) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
        if (pending->done) break;
        for (HWND now : VisibleWindowsOf(pid)) {
            if (!before.count(now)) opened = now;
        }
    }
    Obj reply;
    reply.Bool("done", pending->done);
    if (pending->done) {
        reply.Num("result", static_cast<long long>(pending->result));
        delete pending;
    } else {
        pending->abandoned = true;
    }
    if (opened) {
        reply.Raw("opened", Obj()
                                .Handle("hwnd", opened)
                                .Str("class", ClassOf(opened))
                                .Str("title", TitleOf(opened))
                                .Text());
    }
    return Ok(reply.Text());
}

// ---------------------------------------------------------------------------
// Commands

using Command = Reply (*)(const Args&);

bool NeedWords(const Args& args, size_t n) { return args.words.size() >= n; }

#define REQUIRE_WORDS(n, usage) \
    if (!NeedWords(args, n)) return Err("usage: " usage)

#define RESOLVE_OR_FAIL(var, spec) \
    HWND var = Resolve(spec);      \
    if (!var) return Err("no window " + (spec))

Reply CmdExists(const Args& args) {
    REQUIRE_WORDS(1, "exists SPEC");
    HWND hwnd = Resolve(args.words[0]);
    Obj reply;
    reply.Bool("exists", hwnd != nullptr);
    if (hwnd) reply.Handle("hwnd", hwnd);
    return Ok(reply.Text());
}

Reply WaitFor(const Args& args, bool want_present) {
    REQUIRE_WORDS(2, "wait|waitgone SPEC TIMEOUT_MS");
    long long timeout = 0;
    if (!ParseNumber(args.words[1], &timeout)) return Err("bad time-out");
    DWORD start = GetTickCount();
    for (;;) {
        HWND hwnd = Resolve(args.words[0]);
        if ((hwnd != nullptr) == want_present) {
            Obj reply;
            reply.Num("ms", GetTickCount() - start);
            if (hwnd) reply.Handle("hwnd", hwnd);
            return Ok(reply.Text());
        }
        if (GetTickCount() - start >= timeout) return Err("timed out waiting for " + args.words[0]);
        Sleep(10);
    }
}

Reply CmdWait(const Args& args) { return WaitFor(args, true); }
Reply CmdWaitGone(const Args& args) { return WaitFor(args, false); }

Reply CmdText(const Args& args) {
    REQUIRE_WORDS(1, "text SPEC");
    RESOLVE_OR_FAIL(hwnd, args.words[0]);
    std::wstring text;
    if (!WindowText(hwnd, &text)) return Err("window did not answer");
    return Ok(Obj().Str("text", text).Text());
}

Reply CmdSetText(const Args& args) {
    REQUIRE_WORDS(1, "settext SPEC TEXT");
    RESOLVE_OR_FAIL(hwnd, args.words[0]);
    std::wstring text = Utf8ToWide(Unescape(args.Rest(1)));
    LRESULT result = 0;
    if (!SendTimed(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), &result)) {
        return Err("window did not answer");
    }
    return Ok(Obj().Num("result", result).Text());
}

Reply CmdEnabled(const Args& args) {
    REQUIRE_WORDS(1, "enabled SPEC");
    RESOLVE_OR_FAIL(hwnd, args.words[0]);
    return Ok(Obj().Bool("enabled", IsWindowEnabled(hwnd)).Text());
}

Reply CmdVisible(const Args& args) {
    REQUIRE_WORDS(1, "visible SPEC");
    RESOLVE_OR_FAIL(hwnd, args.words[0]);
    return Ok(Obj().Bool("visible", IsWindowVisible(hwnd)).Text());
}

Reply CmdRect(const Args& args) {
    REQUIRE_WORDS(1, "rect SPEC");
    RESOLVE_OR_FAIL(hwnd, args.words[0]);
    RECT window{}, client{};
    GetWindowRect(hwnd, &window);
    GetClientRect(hwnd, &client);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return Ok(Obj().Raw("window", RectJson(window)).Raw("client", RectJson(client)).Text());
}

Reply CmdStyle(const Args& args) {
    REQUIRE_WORDS(1, "style SPEC");
    RESOLVE_OR_FAIL(hwnd, args.words[0]);
    HWND parent = GetAncestor(hwnd, GA_PARENT);
    return Ok(Obj()
                  .Num("style", static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)))
                  .Num("exstyle", static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)))
                  .Num("id", GetDlgCtrlID(hwnd))
                  .Str("class", ClassOf(hwnd))
                  .Handle("parent", parent)
                  .Str("parent_class", ClassOf(parent))
                  .Handle("owner", GetWindow(hwnd, GW_OWNER))
                  .Num("pid", ProcessOf(hwnd))
                  .Text());
}

std::string WindowBrief(HWND hwnd) {
    Obj o;
    o.Handle("hwnd", hwnd);
    if (hwnd) o.Num("id", GetDlgCtrlID(hwnd)).Str("class", ClassOf(hwnd));
    return o.Text();
}

Reply CmdFocus(const Args& args) {
    REQUIRE_WORDS(1, "focus SPEC");
    RESOLVE_OR_FAIL(hwnd, args.words[0]);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &info)) {
        return Err("no thread information");
    }
    return Ok(Obj()
                  .Handle("hwnd", info.hwndFocus)
                  .Num("id", info.hwndFocus ? GetDlgCtrlID(info.hwndFocus) : 0)
                  .Str("class", info.hwndFocus ? ClassOf(info.hwndFocus) : std::wstring())
                  .Raw("active", WindowBrief(info.hwndActive))
                  .Raw("capture", WindowBrief(info.hwndCapture))
                  .Bool("menu_mode", (info.flags & GUI_INMENUMODE) != 0)
                  .Bool("move_size", (info.flags & GUI_INMOVESIZE) != 0)
                  .Text());
}

Reply CmdForeground(const Args&) {
    HWND hwnd = GetForegroundWindow();
    Obj reply;
    reply.Handle("hwnd", hwnd);
    if (hwnd) reply.Str("class", ClassOf(hwnd)).Str("title", TitleOf(hwnd));
    return Ok(reply.Text());
}

Reply CmdActivate(const Args& args) {
    REQUIRE_WORDS(1, "activate SPEC");
    RESOLVE_OR_FAIL(hwnd, args.words[0]);
    BOOL done = SetForegroundWindow(hwnd);
    return Ok(Obj().Bool("done", done).Handle("foreground", GetForegroundWindow()).Text());
}

DWORD OptionalWait(const Args& args, size_t index) {
    long long ms = 0;
    if (args.words.size() > index && ParseNumber(args.words[index], &ms)) {
        return static_cast<DWORD>(ms);
    }
    return kClickWaitMs;
}

Reply CmdClick(const Args& args) {
    REQUIRE_WORDS(1, "click SPEC [WAIT_MS]");
    RESOLVE_OR_FAIL(hwnd, args.words[0]);
    return Deliver(hwnd, BM_CLICK, 0, 0, OptionalWait(args, 1));
}

// WM_COMMAND to a form, as a control or a menu would send it.
Reply CmdCommand(const Args& args) {
    REQUIRE_WORDS(3, "command SPEC ID CODE [WAIT_MS]");
    RESOLVE_OR_FAIL(hwnd, args.words[0]);
    long long id = 0, code = 0;
    if (!ParseNumber(args.words[1], &id) || !ParseNumber(args.words[2], &code)) {
        return Err("bad number");
    }
    HWND control = GetDlgItem(hwnd, static_cast<int>(id));
    return Deliver(hwnd, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control),
                   OptionalWait(args, 3));
}

bool MessageNumbers(const Args& args, long long* msg, long long* wparam, long long* lparam) {
    return ParseNumber(args.words[1], msg) && ParseNumber(args.words[2], wparam) &&
           ParseNumber(args.words[3], lparam);
}

Reply CmdSend(const Args& args) {
    REQUIRE_WORDS(4, "send SPEC MSG WPARAM LPARAM");
    RESOLVE_OR_FAIL(hwnd, args.words[0]);
    long long msg, wparam, lparam;
    if (!MessageNumbers(args, &msg, &wparam, &lparam)) return Err("bad number");
    LRESULT result = 0;
    if (!SendTimed(hwnd, static_cast<UINT>(msg), static_cast<WPARAM>(wparam),
                   static_cast<LPARAM>(lparam), &result)) {
        return Err("window did not answer");
    }
    return Ok(Obj().Num("result", result).Text());
}

Reply CmdPost(const Args& args) {
    REQUIRE_WORDS(4, "post SPEC MSG WPARAM LPARAM");
    RESOLVE_OR_FAIL(hwnd, args.words[0]);
    long long msg, wparam, lparam;
    if (!MessageNumbers(args, &msg, &wparam, &lparam)) return Err("bad number");
    BOOL posted = PostMessageW(hwnd, static_cast<UINT>(msg), static_cast<WPARAM>(wparam),
                               static_cast<LPARAM>(lparam));
    return posted ? Ok(Obj().Bool("posted", true).Text()) : Err("could not post");
}

// Puts the pointer at a screen point. Moved over no window of Wine's, the
// pointer would leave Wine's idea of where it is behind; set here, every
// program sees it there.
Reply CmdCursor(const Args& args) {
    REQUIRE_WORDS(2, "cursor X Y");
    long long x = 0, y = 0;
    if (!ParseNumber(args.words[0], &x) || !ParseNumber(args.words[1], &y)) return Err("bad point");
    if (!SetCursorPos(static_cast<int>(x), static_cast<int>(y))) return Err("could not move");
    POINT now{};
    GetCursorPos(&now);
    return Ok(Obj().Num("x", now.x).Num("y", now.y).Text());
}

// ShowWindow from another program, as the shell's "show desktop" or any
// program may call it on a window not its own.
Reply CmdShow(const Args& args) {
    REQUIRE_WORDS(2, "show SPEC SW_NUMBER");
    RESOLVE_OR_FAIL(hwnd, args.words[0]);
    long long how = 0;
    if (!ParseNumber(args.words[1], &how)) return Err("bad show command");
    const BOOL wasVisible = ShowWindow(hwnd, static_cast<int>(how));
    return Ok(Obj().Bool("was_visible", wasVisible != FALSE).Text());
}

// List box strings. Wine marshals LB_GETTEXT across processes (as Windows does
// for list boxes that hold strings), so a local buffer is the right one here.
Reply CmdLbItems(const Args& args) {
    REQUIRE_WORDS(1, "lbitems SPEC");
    RESOLVE_OR_FAIL(hwnd, args.words[0]);
    LRESULT count = 0;
    if (!SendTimed(hwnd, LB_GETCOUNT, 0, 0, &count) || count < 0) return Err("no list box");
    std::vector<std::string> items;
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = 0;
        if (!SendTimed(hwnd, LB_GETTEXTLEN, i, 0, &length) || length < 0) {
            return Err("list box did not answer");
        }
        std::vector<wchar_t> buf(static_cast<size_t>(length) + 1);
        LRESULT got = 0;
        if (!SendTimed(hwnd, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buf.data()), &got) ||
            got < 0) {
            return Err("list box did not answer");
        }
        items.push_back(JsonString(std::wstring(buf.data(), static_cast<size_t>(got))));
    }
    return Ok(JsonList(items));
}

Reply CmdLbSel(const Args& args) {
    REQUIRE_WORDS(1, "lbsel SPEC");
    RESOLVE_OR_FAIL(hwnd, args.words[0]);
    LRESULT index = 0, count = 0;
    if (!SendTimed(hwnd, LB_GETCURSEL, 0, 0, &index) ||
        !SendTimed(hwnd, LB_GETCOUNT, 0, 0, &count)) {
        return Err("list box did not answer");
    }
    return Ok(Obj().Num("index", index).Num("count", count).Text());
}

Reply CmdLvCount(const Args& args) {
    REQUIRE_WORDS(1, "lvcount SPEC");
    RESOLVE_OR_FAIL(hwnd, args.words[0]);
    LRESULT count = 0, selected = 0;
    if (!SendTimed(hwnd, LVM_GETITEMCOUNT, 0, 0, &count) ||
        !SendTimed(hwnd, LVM_GETSELECTEDCOUNT, 0, 0, &selected)) {
        return Err("list view did not answer");
    }
    return Ok(Obj().Num("count", count).Num("selected", selected).Text());
}

int ListViewColumns(HWND list) {
    LRESULT header = 0, columns = 0;
    if (!SendTimed(list, LVM_GETHEADER, 0, 0, &header) || !header) return 1;
    if (!SendTimed(reinterpret_cast<HWND>(header), HDM_GETITEMCOUNT, 0, 0, &columns)) return 1;
    return columns > 0 ? static_cast<int>(columns) : 1;
}

Reply CmdLvCols(const Args& args) {
    REQUIRE_WORDS(1, "lvcols SPEC");
    RESOLVE_OR_FAIL(hwnd, args.words[0]);
    int columns = ListViewColumns(hwnd);
    constexpr size_t kTextAt = 256;
    RemoteMemory remote(hwnd, kTextAt + kTextChars * sizeof(wchar_t));
    if (!remote.Valid()) return Err("no memory in the target process");
    std::vector<std::string> out;
    for (int c = 0; c < columns; ++c) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.pszText = reinterpret_cast<LPWSTR>(remote.At(kTextAt));
        column.cchTextMax = kTextChars;
        LRESULT got = 0;
        if (!remote.Write(0, &column, sizeof column) ||
            !SendTimed(hwnd, LVM_GETCOLUMNW, c, remote.At(0), &got) || !got) {
            return Err("list view did not answer");
        }
        std::vector<wchar_t> text(kTextChars);
        remote.Read(0, &column, sizeof column);
        remote.Read(kTextAt, text.data(), text.size() * sizeof(wchar_t));
        text.back() = L'\0';
        out.push_back(Obj()
                          .Str("text", std::wstring(text.data()))
                          .Num("width", column.cx)
                          .Num("format", column.fmt)
                          .Text());
    }
    return Ok(JsonList(out));
}

// Rows of a report-view list view. Requests are made in batches: one write
// puts an LVITEMW per cell of a batch of rows into the target process, then
// one message per cell fills them and their text buffers, then one read brings
// the whole batch back. The messages are what costs: about 0.2 ms each under
// Wine, so 20,000 rows of three columns take some 12 s, of one column 4 s.
std::string RowJson(long long row, const LVITEMW& first, const std::vector<std::string>& texts) {
    UINT state = first.state;
    return Obj()
        .Num("index", row)
        .Raw("texts", JsonList(texts))
        .Bool("selected", (state & LVIS_SELECTED) != 0)
        .Bool("checked", ((state & LVIS_STATEIMAGEMASK) >> 12) == 2)
        .Bool("focused", (state & LVIS_FOCUSED) != 0)
        .Num("param", static_cast<long long>(first.lParam))
        .Num("image", first.iImage)
        .Text();
}

Reply CmdLvRows(const Args& args) {
    REQUIRE_WORDS(1, "lvrows SPEC [FIRST [COUNT [COLUMNS]]]");
    RESOLVE_OR_FAIL(hwnd, args.words[0]);
    LRESULT total = 0;
    if (!SendTimed(hwnd, LVM_GETITEMCOUNT, 0, 0, &total)) return Err("list view did not answer");
    long long first = 0, count = total;
    if (args.words.size() > 1 && !ParseNumber(args.words[1], &first)) return Err("bad first row");
    if (args.words.size() > 2 && !ParseNumber(args.words[2], &count)) return Err("bad row count");
    if (first < 0) first = 0;
    if (count < 0 || first + count > total) count = std::max<long long>(0, total - first);
    // Fewer columns, fewer messages: the first column alone is a third of the cost.
    long long wanted = ListViewColumns(hwnd);
    if (args.words.size() > 3 && !ParseNumber(args.words[3], &wanted))
        return Err("bad column count");

    constexpr size_t kBatchRows = 128;
    constexpr size_t kChars = 520;
    const size_t columns =
        static_cast<size_t>(std::clamp<long long>(wanted, 1, ListViewColumns(hwnd)));
    const size_t cells = kBatchRows * columns;
    const size_t items_bytes = sizeof(LVITEMW) * cells;
    const size_t text_bytes = kChars * sizeof(wchar_t);
    RemoteMemory remote(hwnd, items_bytes + text_bytes * cells);
    if (!remote.Valid()) return Err("no memory in the target process");

    std::vector<LVITEMW> items(cells);
    std::vector<wchar_t> texts(kChars * cells);
    std::string out = "[";
    for (long long base = first; base < first + count; base += kBatchRows) {
        size_t rows = static_cast<size_t>(std::min<long long>(kBatchRows, first + count - base));
        for (size_t cell = 0; cell < rows * columns; ++cell) {
            LVITEMW& item = items[cell];
            item = LVITEMW{};
            size_t column = cell % columns;
            item.mask = column == 0 ? LVIF_TEXT | LVIF_STATE | LVIF_PARAM | LVIF_IMAGE : LVIF_TEXT;
            item.stateMask = static_cast<UINT>(-1);
            item.iItem = static_cast<int>(base + cell / columns);
            item.iSubItem = static_cast<int>(column);
            item.pszText = reinterpret_cast<LPWSTR>(remote.At(items_bytes + text_bytes * cell));
            item.cchTextMax = kChars;
        }
        if (!remote.Write(0, items.data(), sizeof(LVITEMW) * rows * columns)) {
            return Err("could not write the request");
        }
        for (size_t cell = 0; cell < rows * columns; ++cell) {
            LPARAM at = remote.At(sizeof(LVITEMW) * cell);
            bool sent = cell % columns == 0
                            ? SendTimed(hwnd, LVM_GETITEMW, 0, at, nullptr)
                            : SendTimed(hwnd, LVM_GETITEMTEXTW, items[cell].iItem, at, nullptr);
            if (!sent) return Err("list view did not answer");
        }
        if (!remote.Read(0, items.data(), sizeof(LVITEMW) * rows * columns) ||
            !remote.Read(items_bytes, texts.data(), text_bytes * rows * columns)) {
            return Err("could not read the answer");
        }
        for (size_t r = 0; r < rows; ++r) {
            std::vector<std::string> row_texts;
            for (size_t c = 0; c < columns; ++c) {
                const wchar_t* text = texts.data() + kChars * (r * columns + c);
                row_texts.push_back(JsonString(std::wstring(text, wcsnlen(text, kChars))));
            }
            out += out.size() == 1 ? "" : ",";
            out += RowJson(base + r, items[r * columns], row_texts);
        }
    }
    return Ok(out + "]");
}

Reply CmdLvSet(const Args& args) {
    REQUIRE_WORDS(3, "lvset SPEC INDEX selected|unselected|checked|unchecked");
    RESOLVE_OR_FAIL(hwnd, args.words[0]);
    long long index = 0;
    if (!ParseNumber(args.words[1], &index)) return Err("bad index");
    LVITEMW item{};
    const std::string& what = args.words[2];
    if (what == "selected" || what == "unselected") {
        item.stateMask = LVIS_SELECTED;
        item.state = what == "selected" ? LVIS_SELECTED : 0;
    } else if (what == "checked" || what == "unchecked") {
        item.stateMask = LVIS_STATEIMAGEMASK;
        item.state = INDEXTOSTATEIMAGEMASK(what == "checked" ? 2 : 1);
    } else {
        return Err("state is one of selected, unselected, checked, unchecked");
    }
    RemoteMemory remote(hwnd, sizeof item);
    if (!remote.Valid() || !remote.Write(0, &item, sizeof item)) {
        return Err("no memory in the target process");
    }
    LRESULT result = 0;
    if (!SendTimed(hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(index), remote.At(0), &result)) {
        return Err("list view did not answer");
    }
    return Ok(Obj().Num("result", result).Text());
}

// The rectangle of one list view row in screen pixels, for real mouse clicks:
// part is bounds, icon, label or select (LVIR_*).
Reply CmdLvRect(const Args& args) {
    REQUIRE_WORDS(2, "lvrect SPEC INDEX [bounds|icon|label|select]");
    RESOLVE_OR_FAIL(hwnd, args.words[0]);
    long long index = 0;
    if (!ParseNumber(args.words[1], &index)) return Err("bad index");
    static const std::map<std::string, LONG> parts = {{"bounds", LVIR_BOUNDS},
                                                      {"icon", LVIR_ICON},
                                                      {"label", LVIR_LABEL},
                                                      {"select", LVIR_SELECTBOUNDS}};
    auto part = parts.find(args.words.size() > 2 ? args.words[2] : "label");
    if (part == parts.end()) return Err("part is one of bounds, icon, label, select");
    RECT rect{};
    rect.left = part->second;
    RemoteMemory remote(hwnd, sizeof rect);
    if (!remote.Valid() || !remote.Write(0, &rect, sizeof rect)) {
        return Err("no memory in the target process");
    }
    LRESULT got = 0;
    if (!SendTimed(hwnd, LVM_GETITEMRECT, static_cast<WPARAM>(index), remote.At(0), &got)) {
        return Err("list view did not answer");
    }
    if (!got) return Err("no such row");
    remote.Read(0, &rect, sizeof rect);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return Ok(RectJson(rect));
}

// Sorts texts (separated by tabs) with the platform's case-insensitive string
// comparison, the one a self-sorting list view uses; equal texts keep their order.
Reply CmdCollate(const Args& args) {
    std::wstring all = Utf8ToWide(Unescape(args.Rest(0)));
    std::vector<std::wstring> texts;
    for (size_t start = 0;;) {
        size_t tab = all.find(L'\t', start);
        texts.push_back(all.substr(start, tab == std::wstring::npos ? tab : tab - start));
        if (tab == std::wstring::npos) break;
        start = tab + 1;
    }
    std::stable_sort(texts.begin(), texts.end(), [](const std::wstring& a, const std::wstring& b) {
        return lstrcmpiW(a.c_str(), b.c_str()) < 0;
    });
    std::vector<std::string> out;
    for (const auto& text : texts) out.push_back(JsonString(text));
    return Ok(JsonList(out));
}

Reply CmdSbText(const Args& args) {
    REQUIRE_WORDS(2, "sbtext SPEC PART");
    RESOLVE_OR_FAIL(hwnd, args.words[0]);
    long long part = 0;
    if (!ParseNumber(args.words[1], &part)) return Err("bad part");
    LRESULT info = 0;
    if (!SendTimed(hwnd, SB_GETTEXTLENGTHW, part, 0, &info))
        return Err("status bar did not answer");
    size_t length = LOWORD(info);
    RemoteMemory remote(hwnd, (length + 1) * sizeof(wchar_t));
    if (!remote.Valid()) return Err("no memory in the target process");
    LRESULT got = 0;
    if (!SendTimed(hwnd, SB_GETTEXTW, part, remote.At(0), &got)) {
        return Err("status bar did not answer");
    }
    std::vector<wchar_t> text(length + 1);
    remote.Read(0, text.data(), text.size() * sizeof(wchar_t));
    return Ok(Obj()
                  .Str("text", std::wstring(text.data(), wcsnlen(text.data(), length)))
                  .Num("type", HIWORD(got))
                  .Text());
}

Reply CmdSbParts(const Args& args) {
    REQUIRE_WORDS(1, "sbparts SPEC");
    RESOLVE_OR_FAIL(hwnd, args.words[0]);
    LRESULT count = 0;
    if (!SendTimed(hwnd, SB_GETPARTS, 0, 0, &count) || count <= 0) {
        return Err("status bar did not answer");
    }
    RemoteMemory remote(hwnd, sizeof(int) * count);
    if (!remote.Valid()) return Err("no memory in the target process");
    if (!SendTimed(hwnd, SB_GETPARTS, count, remote.At(0), &count)) {
        return Err("status bar did not answer");
    }
    std::vector<int> edges(count);
    remote.Read(0, edges.data(), sizeof(int) * count);
    std::vector<std::string> out;
    for (int edge : edges) out.push_back(std::to_string(edge));
    return Ok(JsonList(out));
}

Reply CmdTbInfo(const Args& args) {
    REQUIRE_WORDS(1, "tbinfo SPEC");
    RESOLVE_OR_FAIL(hwnd, args.words[0]);
    struct {
        const char* name;
        UINT msg;
    } const queries[] = {{"min", TBM_GETRANGEMIN},      {"max", TBM_GETRANGEMAX},
                         {"pos", TBM_GETPOS},           {"page", TBM_GETPAGESIZE},
                         {"line", TBM_GETLINESIZE},     {"ticks", TBM_GETNUMTICS},
                         {"selstart", TBM_GETSELSTART}, {"selend", TBM_GETSELEND}};
    Obj reply;
    for (const auto& q : queries) {
        LRESULT value = 0;
        if (!SendTimed(hwnd, q.msg, 0, 0, &value)) return Err("trackbar did not answer");
        reply.Num(q.name, value);
    }
    return Ok(reply.Text());
}

// Moves the thumb and tells the parent as a user's drag would end: the program
// reacts to the scroll notifications, not to the position alone.
Reply CmdTbSetPos(const Args& args) {
    REQUIRE_WORDS(2, "tbsetpos SPEC N");
    RESOLVE_OR_FAIL(hwnd, args.words[0]);
    long long pos = 0;
    if (!ParseNumber(args.words[1], &pos)) return Err("bad position");
    LRESULT now = 0;
    if (!SendTimed(hwnd, TBM_SETPOS, TRUE, static_cast<LPARAM>(pos), nullptr) ||
        !SendTimed(hwnd, TBM_GETPOS, 0, 0, &now)) {
        return Err("trackbar did not answer");
    }
    HWND parent = GetParent(hwnd);
    UINT scroll = (GetWindowLongPtrW(hwnd, GWL_STYLE) & TBS_VERT) ? WM_VSCROLL : WM_HSCROLL;
    LPARAM from = reinterpret_cast<LPARAM>(hwnd);
    if (!SendTimed(parent, scroll, MAKEWPARAM(TB_THUMBPOSITION, now), from, nullptr) ||
        !SendTimed(parent, scroll, MAKEWPARAM(TB_ENDTRACK, 0), from, nullptr)) {
        return Err("parent did not answer");
    }
    return Ok(Obj().Num("pos", now).Text());
}

// The visible message box (any visible top-level dialog, one with a message
// text preferred), optionally only among the windows of one process.
HWND FindMessageBox(DWORD pid) {
    HWND any = nullptr;
    for (HWND hwnd : TopLevelWindows()) {
        if (!IsWindowVisible(hwnd) || ClassOf(hwnd) != L"#32770") continue;
        if (pid && ProcessOf(hwnd) != pid) continue;
        if (GetDlgItem(hwnd, 0xFFFF)) return hwnd;
        if (!any) any = hwnd;
    }
    return any;
}

DWORD OptionalPid(const Args& args, size_t index) {
    long long pid = 0;
    if (args.words.size() > index) ParseNumber(args.words[index], &pid);
    return static_cast<DWORD>(pid);
}

// The pixels that the screen shows in a window's client area, 24-bit, rows
// top-down.
std::vector<unsigned char> ClientPixels(HDC source, int x, int y, int width, int height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    HDC memory = CreateCompatibleDC(source);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(source, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::vector<unsigned char> out;
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
        GdiFlush();
        size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
        const auto* p = static_cast<const unsigned char*>(bits);
        out.assign(p, p + stride * height);
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    return out;
}

// Which standard icon a message box shows: its icon control's picture on the
// screen is compared with each standard icon drawn here the same way (over
// the control's background, at the control's size). The icon handle itself
// belongs to the other process and cannot be drawn from here.
std::string MessageBoxIcon(HWND box) {
    HWND control = nullptr;
    for (HWND child : ChildWindows(box)) {
        if (lstrcmpiW(ClassOf(child).c_str(), L"Static") == 0 && IsWindowVisible(child) &&
            (GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            control = child;
        }
    }
    if (!control) return "none";
    RECT r{};
    GetClientRect(control, &r);
    MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&r), 2);
    int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return "none";
    HDC screen = GetDC(nullptr);
    std::vector<unsigned char> shown = ClientPixels(screen, r.left, r.top, width, height);
    ReleaseDC(nullptr, screen);
    if (shown.size() < 3) return "unknown";
    const struct {
        const char* name;
        WORD id;
    } standard[] = {{"error", 32513},  // IDI_HAND
                    {"question", 32514},
                    {"warning", 32515},      // IDI_EXCLAMATION
                    {"information", 32516},  // IDI_ASTERISK
                    {"application", 32512}};
    for (const auto& icon : standard) {
        HDC screen_dc = GetDC(nullptr);
        HDC canvas = CreateCompatibleDC(screen_dc);
        HBITMAP bitmap = CreateCompatibleBitmap(screen_dc, width, height);
        HGDIOBJ old = SelectObject(canvas, bitmap);
        HBRUSH background = CreateSolidBrush(RGB(shown[2], shown[1], shown[0]));
        RECT all{0, 0, width, height};
        FillRect(canvas, &all, background);
        DeleteObject(background);
        DrawIconEx(canvas, 0, 0, LoadIconW(nullptr, MAKEINTRESOURCEW(icon.id)), width, height, 0,
                   nullptr, DI_NORMAL);
        std::vector<unsigned char> drawn = ClientPixels(canvas, 0, 0, width, height);
        SelectObject(canvas, old);
        DeleteObject(bitmap);
        DeleteDC(canvas);
        ReleaseDC(nullptr, screen_dc);
        if (drawn == shown) return icon.name;
    }
    return "unknown";
}

Reply CmdMsgBox(const Args& args) {
    HWND box = FindMessageBox(OptionalPid(args, 0));
    if (!box) return Ok("null");
    std::wstring text;
    if (HWND label = GetDlgItem(box, 0xFFFF)) WindowText(label, &text);
    std::vector<std::string> buttons;
    for (HWND child : ChildWindows(box)) {
        if (lstrcmpiW(ClassOf(child).c_str(), L"Button") != 0 || !IsWindowVisible(child)) continue;
        std::wstring caption;
        WindowText(child, &caption);
        buttons.push_back(Obj().Num("id", GetDlgCtrlID(child)).Str("text", caption).Text());
    }
    return Ok(Obj()
                  .Handle("hwnd", box)
                  .Str("title", TitleOf(box))
                  .Str("text", text)
                  .Raw("buttons", JsonList(buttons))
                  .Num("pid", ProcessOf(box))
                  .Handle("owner", GetWindow(box, GW_OWNER))
                  .Str("icon", MessageBoxIcon(box))
                  .Text());
}

// Presses a button of the visible message box and waits until the box is gone.
Reply CmdMsgBoxClose(const Args& args) {
    long long id = IDOK;
    if (!args.words.empty() && !ParseNumber(args.words[0], &id)) return Err("bad button id");
    HWND box = FindMessageBox(OptionalPid(args, 1));
    if (!box) return Err("no message box");
    HWND button = GetDlgItem(box, static_cast<int>(id));
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    DWORD start = GetTickCount();
    while (IsWindow(box) && IsWindowVisible(box)) {
        if (GetTickCount() - start > kMessageTimeoutMs) return Err("message box stayed open");
        Sleep(10);
    }
    return Ok(Obj().Handle("hwnd", box).Num("id", id).Text());
}

std::string WindowJson(HWND hwnd) {
    return Obj()
        .Handle("hwnd", hwnd)
        .Str("class", ClassOf(hwnd))
        .Str("title", TitleOf(hwnd))
        .Bool("visible", IsWindowVisible(hwnd))
        .Bool("enabled", IsWindowEnabled(hwnd))
        .Handle("owner", GetWindow(hwnd, GW_OWNER))
        .Num("pid", ProcessOf(hwnd))
        .Text();
}

Reply CmdWindows(const Args& args) {
    DWORD pid = OptionalPid(args, 0);
    std::vector<std::string> out;
    for (HWND hwnd : TopLevelWindows()) {
        if (!pid || ProcessOf(hwnd) == pid) out.push_back(WindowJson(hwnd));
    }
    return Ok(JsonList(out));
}

// Child windows with their ids, classes, captions and states: what a person
// would see of a form, for finding one's way about it.
Reply CmdChildren(const Args& args) {
    REQUIRE_WORDS(1, "children SPEC");
    RESOLVE_OR_FAIL(hwnd, args.words[0]);
    std::vector<std::string> out;
    for (HWND child : ChildWindows(hwnd)) {
        out.push_back(Obj()
                          .Handle("hwnd", child)
                          .Num("id", GetDlgCtrlID(child))
                          .Str("class", ClassOf(child))
                          .Str("title", TitleOf(child))
                          .Bool("visible", IsWindowVisible(child))
                          .Bool("enabled", IsWindowEnabled(child))
                          .Handle("parent", GetParent(child))
                          .Text());
    }
    return Ok(JsonList(out));
}

// Open handles of a process, counted in the system's handle table: Wine
// answers GetProcessHandleCount with 0, but it does fill this table.
long long CountHandles(DWORD pid) {
    struct Entry {
        PVOID object;
        ULONG_PTR pid;
        ULONG_PTR handle;
        ULONG access;
        USHORT backtrace;
        USHORT type;
        ULONG attributes;
        ULONG reserved;
    };
    struct Table {
        ULONG_PTR count;
        ULONG_PTR reserved;
        Entry entries[1];
    };
    constexpr ULONG kExtendedHandleInformation = 64;
    constexpr LONG kLengthMismatch = static_cast<LONG>(0xC0000004);
    using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return -1;
    std::vector<char> buf(1 << 20);
    for (;;) {
        ULONG needed = 0;
        LONG status =
            query(kExtendedHandleInformation, buf.data(), static_cast<ULONG>(buf.size()), &needed);
        if (status == kLengthMismatch) {
            buf.resize(std::max<size_t>(buf.size() * 2, needed + 65536));
            continue;
        }
        if (status != 0) return -1;
        const auto* table = reinterpret_cast<const Table*>(buf.data());
        long long count = 0;
        for (ULONG_PTR i = 0; i < table->count; ++i) {
            if (table->entries[i].pid == pid) ++count;
        }
        return count;
    }
}

// A file held open with no sharing, as another program that locks it would.
HANDLE heldFile = INVALID_HANDLE_VALUE;

Reply CmdHold(const Args& args) {
    REQUIRE_WORDS(1, "hold PATH");
    if (heldFile != INVALID_HANDLE_VALUE) CloseHandle(heldFile);
    heldFile = CreateFileW(Utf8ToWide(args.Rest(0)).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (heldFile == INVALID_HANDLE_VALUE) return Err("cannot open the file");
    return Ok("{\"held\":true}");
}

Reply CmdRelease(const Args&) {
    const bool held = heldFile != INVALID_HANDLE_VALUE;
    if (held) CloseHandle(heldFile);
    heldFile = INVALID_HANDLE_VALUE;
    return Ok(held ? "{\"released\":true}" : "{\"released\":false}");
}

Reply CmdProcInfo(const Args& args) {
    REQUIRE_WORDS(1, "procinfo PID");
    DWORD pid = OptionalPid(args, 0);
    long long threads = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot != INVALID_HANDLE_VALUE) {
        THREADENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Thread32First(snapshot, &entry); more;
             more = Thread32Next(snapshot, &entry)) {
            if (entry.th32OwnerProcessID == pid) ++threads;
        }
        CloseHandle(snapshot);
    }
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process) return Err("no such process");
    long long handles = CountHandles(pid);
    DWORD reported = 0;
    if (handles < 0 && GetProcessHandleCount(process, &reported)) handles = reported;
    PROCESS_MEMORY_COUNTERS memory{};
    GetProcessMemoryInfo(process, &memory, sizeof memory);
    Obj reply;
    reply.Num("threads", threads)
        .Num("handles", handles)
        .Num("gdi", GetGuiResources(process, GR_GDIOBJECTS))
        .Num("user", GetGuiResources(process, GR_USEROBJECTS))
        .Num("working_set", static_cast<long long>(memory.WorkingSetSize))
        .Num("pagefile", static_cast<long long>(memory.PagefileUsage));
    CloseHandle(process);
    return Ok(reply.Text());
}

bool WriteBmp(const std::wstring& path, int width, int height, const void* bits, size_t size) {
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(size);
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + size);
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    bool ok = WriteFile(out, &file, sizeof file, &done, nullptr) &&
              WriteFile(out, &info, sizeof info, &done, nullptr) &&
              WriteFile(out, bits, static_cast<DWORD>(size), &done, nullptr);
    CloseHandle(out);
    return ok;
}

// What the screen shows in the window's rectangle, as a 24-bit bottom-up BMP.
// A Unix path is taken on drive Z:, where Wine maps the Unix root.
Reply CmdScreenshot(const Args& args) {
    REQUIRE_WORDS(2, "screenshot SPEC PATH");
    RESOLVE_OR_FAIL(hwnd, args.words[0]);
    std::string path = args.Rest(1);
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    RECT r{};
    GetWindowRect(hwnd, &r);
    int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return Err("empty window");
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY | CAPTUREBLT);
        GdiFlush();
        size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
        ok = WriteBmp(Utf8ToWide(path), width, height, bits, stride * height);
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!ok) return Err("could not write " + path);
    return Ok(Obj().Num("width", width).Num("height", height).Str("path", path).Text());
}

// The open pop-up menu (a window of class #32768): a system menu or one shown
// with TrackPopupMenu. Wine keeps a menu's items in the process that made it
// (another process reads no items, nor the system menu of a window), so what
// the menu offers is seen in its picture and in what its keys do.
Reply CmdMenu(const Args&) {
    for (HWND hwnd : TopLevelWindows()) {
        if (!IsWindowVisible(hwnd) || ClassOf(hwnd) != L"#32768") continue;
        RECT r{};
        GetWindowRect(hwnd, &r);
        return Ok(Obj()
                      .Handle("hwnd", hwnd)
                      .Num("pid", ProcessOf(hwnd))
                      .Handle("owner", GetWindow(hwnd, GW_OWNER))
                      .Raw("rect", RectJson(r))
                      .Text());
    }
    return Ok("null");
}

Reply CmdSysColor(const Args& args) {
    REQUIRE_WORDS(1, "syscolor INDEX");
    long long index = 0;
    if (!ParseNumber(args.words[0], &index)) return Err("bad index");
    COLORREF c = GetSysColor(static_cast<int>(index));
    return Ok(Obj().Num("r", GetRValue(c)).Num("g", GetGValue(c)).Num("b", GetBValue(c)).Text());
}

// Whether a file can be opened for writing while others may read and write
// it: it cannot while a Wine process holds it open without sharing writes.
Reply CmdOpenFile(const Args& args) {
    REQUIRE_WORDS(1, "openfile PATH");
    std::string path = args.Rest(0);
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    HANDLE file =
        CreateFileW(Utf8ToWide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return Ok(Obj().Bool("opened", false).Num("error", GetLastError()).Text());
    }
    CloseHandle(file);
    return Ok(Obj().Bool("opened", true).Num("error", 0).Text());
}

// The names in a folder in the order the file system lists them to a program
// (FindFirstFile, FindNextFile), with their attributes; "." and ".." left out.
Reply CmdListDir(const Args& args) {
    REQUIRE_WORDS(1, "listdir PATH");
    std::string path = args.Rest(0);
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    WIN32_FIND_DATAW entry;
    HANDLE listing = FindFirstFileW(Utf8ToWide(path + "\\*").c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE) return Err("cannot list " + path);
    std::vector<std::string> out;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        out.push_back(Obj().Str("name", name).Num("attributes", entry.dwFileAttributes).Text());
    } while (FindNextFileW(listing, &entry));
    FindClose(listing);
    return Ok(JsonList(out));
}

// The local machine's IPv4 addresses as the host-name look-up of the empty
// name lists them: the same platform call that fills the program's address
// list, made here by another program as a reference.
Reply CmdHostAddrs(const Args&) {
    WSADATA wsa{};
    HMODULE ws2 = LoadLibraryA("ws2_32.dll");
    if (!ws2) return Err("no ws2_32.dll");
    using Startup = int(WINAPI*)(WORD, void*);
    using Cleanup = int(WINAPI*)();
    using ByName = hostent*(WINAPI*)(const char*);
    auto startup =
        reinterpret_cast<Startup>(reinterpret_cast<void*>(GetProcAddress(ws2, "WSAStartup")));
    auto cleanup =
        reinterpret_cast<Cleanup>(reinterpret_cast<void*>(GetProcAddress(ws2, "WSACleanup")));
    auto byname =
        reinterpret_cast<ByName>(reinterpret_cast<void*>(GetProcAddress(ws2, "gethostbyname")));
    if (!startup || !cleanup || !byname || startup(MAKEWORD(2, 2), &wsa) != 0) {
        return Err("socket library did not start");
    }
    std::vector<std::string> out;
    if (hostent* host = byname("")) {
        for (char** entry = host->h_addr_list; entry && *entry; ++entry) {
            const auto* b = reinterpret_cast<const unsigned char*>(*entry);
            out.push_back(JsonString(std::to_string(b[0]) + "." + std::to_string(b[1]) + "." +
                                     std::to_string(b[2]) + "." + std::to_string(b[3])));
        }
    }
    cleanup();
    return Ok(JsonList(out));
}

// WM_HELP as the system sends it for a window: the HELPINFO names the window
// asked about. A message that carries a pointer crosses processes only when
// sent synchronously (Wine copies a HELPINFO with it), so it is sent from a
// thread of its own while this one watches, as Deliver does, for the handler
// to return or for a window (the help box) to open.
struct HelpSend {
    HWND target;
    HELPINFO info;
    LRESULT result;
    volatile LONG state;  // 0 sending, 1 answered, 2 given up by the waiter
};

DWORD WINAPI SendHelp(void* data) {
    auto* help = static_cast<HelpSend*>(data);
    DWORD_PTR out = 0;
    SendMessageTimeoutW(help->target, WM_HELP, 0, reinterpret_cast<LPARAM>(&help->info),
                        SMTO_NORMAL, 10 * 60 * 1000, &out);
    help->result = static_cast<LRESULT>(out);
    if (InterlockedCompareExchange(&help->state, 1, 0) == 2) delete help;
    return 0;
}

Reply CmdHelp(const Args& args) {
    REQUIRE_WORDS(2, "help SPEC ABOUT [WAIT_MS]");
    RESOLVE_OR_FAIL(hwnd, args.words[0]);
    RESOLVE_OR_FAIL(about, args.words[1]);
    auto* help = new HelpSend{};
    help->target = hwnd;
    help->info.cbSize = sizeof help->info;
    help->info.iContextType = HELPINFO_WINDOW;
    help->info.iCtrlId = GetDlgCtrlID(about);
    help->info.hItemHandle = about;
    help->info.dwContextId = GetWindowContextHelpId(about);
    RECT r{};
    GetWindowRect(about, &r);
    help->info.MousePos = {r.left + 1, r.top + 1};

    DWORD pid = ProcessOf(hwnd);
    std::set<HWND> before = VisibleWindowsOf(pid);
    HANDLE thread = CreateThread(nullptr, 0, SendHelp, help, 0, nullptr);
    if (!thread) {
        delete help;
        return Err("could not start the sending thread");
    }
    CloseHandle(thread);
    DWORD wait_ms = OptionalWait(args, 2);
    DWORD start = GetTickCount();
    HWND opened = nullptr;
    while (help->state == 0 && !opened && GetTickCount() - start < wait_ms) {
        Sleep(5);
        for (HWND now : VisibleWindowsOf(pid)) {
            if (!before.count(now)) opened = now;
        }
    }
    Obj reply;
    bool done = InterlockedCompareExchange(&help->state, 2, 0) == 1;
    reply.Bool("done", done);
    if (done) {
        reply.Num("result", static_cast<long long>(help->result));
        delete help;
    }
    if (opened) {
        reply.Raw("opened", Obj()
                                .Handle("hwnd", opened)
                                .Str("class", ClassOf(opened))
                                .Str("title", TitleOf(opened))
                                .Text());
    }
    return Ok(reply.Text());
}

Reply CmdQuit(const Args&) { return Ok("{}"); }

const std::map<std::string, Command>& Commands() {
    static const std::map<std::string, Command> table = {
        {"activate", CmdActivate},
        {"children", CmdChildren},
        {"collate", CmdCollate},
        {"click", CmdClick},
        {"command", CmdCommand},
        {"cursor", CmdCursor},
        {"enabled", CmdEnabled},
        {"exists", CmdExists},
        {"focus", CmdFocus},
        {"foreground", CmdForeground},
        {"help", CmdHelp},
        {"hostaddrs", CmdHostAddrs},
        {"lbitems", CmdLbItems},
        {"lbsel", CmdLbSel},
        {"listdir", CmdListDir},
        {"lvcols", CmdLvCols},
        {"lvcount", CmdLvCount},
        {"lvrect", CmdLvRect},
        {"lvrows", CmdLvRows},
        {"lvset", CmdLvSet},
        {"menu", CmdMenu},
        {"msgbox", CmdMsgBox},
        {"msgboxclose", CmdMsgBoxClose},
        {"openfile", CmdOpenFile},
        {"post", CmdPost},
        {"hold", CmdHold},
        {"procinfo", CmdProcInfo},
        {"quit", CmdQuit},
        {"release", CmdRelease},
        {"rect", CmdRect},
        {"sbparts", CmdSbParts},
        {"sbtext", CmdSbText},
        {"screenshot", CmdScreenshot},
        {"send", CmdSend},
        {"settext", CmdSetText},
        {"show", CmdShow},
        {"style", CmdStyle},
        {"syscolor", CmdSysColor},
        {"tbinfo", CmdTbInfo},
        {"tbsetpos", CmdTbSetPos},
        {"text", CmdText},
        {"visible", CmdVisible},
        {"wait", CmdWait},
        {"waitgone", CmdWaitGone},
        {"windows", CmdWindows},
    };
    return table;
}

void Answer(const Reply& reply) {
    std::string line = (reply.ok ? "ok " : "err ") + reply.body;
    for (char& c : line) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    line += '\n';
    fwrite(line.data(), 1, line.size(), stdout);
    fflush(stdout);
}

}  // namespace

int main() {
    // Wine's C runtime would otherwise write CR LF and the reader would see stray CRs.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
    std::string line;
    for (int c = fgetc(stdin); c != EOF; c = fgetc(stdin)) {
        if (c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        Args args = SplitLine(line);
        line.clear();
        auto found = Commands().find(args.name);
        if (found == Commands().end()) {
            Answer(Err(args.name.empty() ? "empty command" : "unknown command " + args.name));
            continue;
        }
        Answer(found->second(args));
        if (args.name == "quit") break;
    }
    return 0;
}
