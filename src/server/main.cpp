// Program entry: one copy per desktop, the log lock, the main form and the
// message loop of the user-interface thread.
#include "http/code_page_win.h"
#include "http/end_signal.h"
#include "log/request_log.h"
#include "ui/form.h"
#include "ui/main_form.h"
#include "win32_shell.h"

namespace {

// Every class of the common controls from the list view's to the page
// scroller's, and the standard ones; not the native font control nor links.
constexpr DWORD kCommonControlClasses = ((ICC_PAGESCROLLER_CLASS << 1) - 1) | ICC_STANDARD_CLASSES;
static_assert(kCommonControlClasses == 0x5FFF, "the class set the program registers");

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX classes = {sizeof(INITCOMMONCONTROLSEX), kCommonControlClasses};
    if (!InitCommonControlsEx(&classes)) InitCommonControls();
    programInstance = instance;
    // Before any window or thread: every byte string is in this page.
    UseCodePage(SystemCodePage());

    // Another copy is running: bring its window forward and leave.
    if (HWND other = FindWindowA(mainFormClassName, nullptr)) {
        bringFormBack(other);
        CoUninitialize();
        return 0;
    }

    InitializeCriticalSection(&LogLock);
    initRequestLog();
    // Held for the whole run, so that Stop never ends the library under running workers.
    WSADATA sockets;
    WSAStartup(MAKEWORD(2, 2), &sockets);
    openEndSignal();

    HWND form = showMainForm();
    if (!form) {
        CoUninitialize();
        return 0;
    }
    ShowWindow(form, SW_SHOWNORMAL);
    UpdateWindow(form);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (preTranslateQuery(&message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    CoUninitialize();
    return static_cast<int>(message.wParam);
}
