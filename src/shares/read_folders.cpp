#include "shares/read_folders.h"

#include <cstdio>

#include "resources/program_resources.h"
#include "ui/form.h"

HWND READFOLDERS = nullptr;
HWND FOUNDCOUNT = nullptr, CANCELBUTTON = nullptr, FOUNDLABEL = nullptr;

namespace {

const char kClassName[] = "ZANT_READFOLDERS";

LRESULT CALLBACK readFoldersControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

const ControlColours kCounterColours = {1, 0, RGB(0, 0, 128), 1, COLOR_BTNFACE};
const ControlColours kLabelColours = {1, 1, COLOR_WINDOWTEXT, 1, COLOR_BTNFACE};
const ControlColours kNoColours = {0, 0, 0, 0, 0};

// Rewriting and repainting the counter for every file would cost more than
// reading the files, so a timer shows the count as it stands, well within a
// tenth of a second, also while the scan walks folders without files or a
// "Could not search" box waits.
constexpr UINT_PTR kCountTimer = 1;
constexpr UINT kCountIntervalMs = 50;
unsigned long foundFiles = 0;
unsigned long countShown = 0;

void showFoundCount() {
    if (!FOUNDCOUNT || foundFiles == countShown) return;
    char text[16];
    std::snprintf(text, sizeof(text), "%lu", foundFiles);
    SetWindowTextA(FOUNDCOUNT, text);
    countShown = foundFiles;
}

void pressCancel() {
    SetFocus(CANCELBUTTON);
    SendMessageA(READFOLDERS, WM_COMMAND, MAKEWPARAM(kIdCancelButton, BN_CLICKED),
                 reinterpret_cast<LPARAM>(CANCELBUTTON));
}

void createControls(HWND form) {
    struct Row {
        HWND* handle;
        const char* className;
        const char* text;
        int id, x, y, width, height;
        DWORD style;
        DWORD exStyle;
        const ControlColours* colours;
    };
    const Row rows[] = {
        {&FOUNDCOUNT, "Edit", "0", kIdFoundCount, 122, 33, 84, 20,
         WS_VISIBLE | ES_AUTOHSCROLL | ES_READONLY | ES_NUMBER, WS_EX_CLIENTEDGE, &kCounterColours},
        {&CANCELBUTTON, "Button", "Cancel", kIdCancelButton, 85, 69, 81, 33,
         WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON | BS_CENTER | BS_VCENTER | BS_NOTIFY, 0,
         &kNoColours},
        {&FOUNDLABEL, "Static", "Files Found:", kIdFoundLabel, 28, 35, 81, 16,
         WS_VISIBLE | SS_RIGHT | SS_NOPREFIX | WS_CLIPSIBLINGS, 0, &kLabelColours},
    };
    for (const Row& row : rows) {
        HWND control = CreateWindowExA(row.exStyle, row.className, row.text, WS_CHILD | row.style,
                                       row.x, row.y, row.width, row.height, form,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)),
                                       programInstance, nullptr);
        if (!control || !subclassControl(control, readFoldersControlProc,
                                         makeFont("Arial", -12, 400, 0, 0, 0), *row.colours))
            return;
        *row.handle = control;
    }
    SendMessageA(FOUNDCOUNT, EM_LIMITTEXT, 10, 0);
    SetFocus(CANCELBUTTON);
}

// The window's own behaviour, before the framework's. Nonzero: handled.
LRESULT readFoldersEventHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wParam) == kIdCancelButton && HIWORD(wParam) == BN_CLICKED)
                EnableWindow(CANCELBUTTON, FALSE);
            return 0;
        case WM_SYSCOMMAND: return (wParam & 0xFFF0) == SC_CLOSE ? 1 : 0;
        case WM_NCLBUTTONDOWN:
        case WM_NCLBUTTONUP:
        case WM_NCLBUTTONDBLCLK: return wParam == HTCAPTION ? 1 : 0;
        case WM_CREATE:
            READFOLDERS = window;
            foundFiles = 0;
            countShown = 0;
            SetTimer(window, kCountTimer, kCountIntervalMs, nullptr);
            return 0;
        case WM_TIMER:
            if (wParam != kCountTimer) return 0;
            showFoundCount();
            return 1;
        case WM_DESTROY:
            KillTimer(window, kCountTimer);
            READFOLDERS = nullptr;
            FOUNDCOUNT = CANCELBUTTON = FOUNDLABEL = nullptr;
            return 0;
        default: (void)lParam; return 0;
    }
}

LRESULT handleReadFoldersMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) {
        const WORD code = HIWORD(wParam);
        HWND from = reinterpret_cast<HWND>(lParam);
        if (from && from == FOUNDCOUNT &&
            (code == EN_CHANGE || code == EN_HSCROLL || code == EN_VSCROLL))
            InvalidateRect(from, nullptr, TRUE);
    }
    if (const LRESULT handled = readFoldersEventHandler(window, message, wParam, lParam))
        return handled;
    switch (message) {
        case WM_CREATE: {
            FF_DATA* record = attachRecord(window);
            if (!record) return -1;
            record->isForm = 1;
            createControls(window);
            break;
        }
        case WM_SETFOCUS:
            if (FF_DATA* record = recordOf(window))
                if (record->lastFocus) SetFocus(record->lastFocus);
            break;
        case WM_DESTROY: releaseRecord(window); return 0;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            bool handled = false;
            const LRESULT brush = answerColourQuery(reinterpret_cast<HWND>(lParam),
                                                    reinterpret_cast<HDC>(wParam), handled);
            if (handled) return brush;
            break;
        }
        case WM_SYSCOLORCHANGE: EnumChildWindows(window, recolourChild, 0); break;
        default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK readFoldersProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return withoutExceptions(
        [&] { return handleReadFoldersMessage(window, message, wParam, lParam); },
        [&] { return DefWindowProcA(window, message, wParam, lParam); });
}

LRESULT handleReadFoldersControlMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    FF_DATA* record = recordOf(window);
    if (!record) return DefWindowProcA(window, message, wParam, lParam);
    const WNDPROC previous = record->previousProc;
    HWND form = GetParent(window);
    switch (message) {
        case WM_DESTROY: return unsubclassControl(window, message, wParam, lParam);
        case WM_SETFOCUS:
            if (FF_DATA* formRecord = recordOf(form)) formRecord->lastFocus = window;
            break;
        case WM_KEYDOWN:
            if ((wParam == VK_DOWN || wParam == VK_UP) && !keepsArrowKeys(window)) {
                moveFocus(form, window, wParam == VK_UP);
                return 0;
            }
            break;
        case WM_CHAR:
            if (wParam == VK_ESCAPE || wParam == VK_RETURN) {
                pressCancel();
                return 0;
            }
            if (wParam == VK_TAB) {
                moveFocus(form, window, GetKeyState(VK_SHIFT) < 0);
                return 0;
            }
            break;
        default: break;
    }
    return CallWindowProcA(previous, window, message, wParam, lParam);
}

LRESULT CALLBACK readFoldersControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return withoutExceptions(
        [&] { return handleReadFoldersControlMessage(window, message, wParam, lParam); },
        [&] { return callPreviousProc(window, message, wParam, lParam); });
}

}  // namespace

HWND openReadFolders(HWND owner) {
    FormDescription form = {};
    form.className = kClassName;
    form.procedure = readFoldersProc;
    form.classStyle = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    form.largeIcon = LoadIconA(programInstance, MAKEINTRESOURCEA(kStandardIconId));
    form.smallIcon = form.largeIcon;
    form.title = "Reading Folders...";
    form.width = 257;
    form.height = 154;
    form.style = WS_POPUP | WS_CAPTION | WS_BORDER | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VISIBLE;
    form.exStyle = WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT;
    return showForm(form, owner);
}

void countFoundFile() { ++foundFiles; }

bool scanMayGoOn() { return CANCELBUTTON && IsWindowEnabled(CANCELBUTTON); }

void waitForAcknowledgement() {
    showFoundCount();
    if (!CANCELBUTTON) return;
    SetWindowTextA(CANCELBUTTON, "OK");
    for (;;) {
        pumpMessages();
        if (!scanMayGoOn()) return;
        WaitMessage();
    }
}

void closeReadFolders() { closeForm(READFOLDERS); }
