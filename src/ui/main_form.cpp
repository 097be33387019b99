#include "ui/main_form.h"

#include "http/wide_text.h"
#include "log/display_refresh.h"
#include "log/request_log.h"
#include "log/status.h"
#include "server/main_window.h"
#include "server/shared_state.h"
#include "shares/file_list_handler.h"
#include "shares/share_list.h"

namespace {

// What workers change shows in the status display and the log window.
void refreshDisplayNow() {
    refreshStatusNow();
    refreshLogWindow();
}

HFONT statusBarFont = nullptr;  // lives as long as the program
bool altBindingDone = false;    // an Alt binding ran; its Alt key-up is still to come

enum FontKind { kNoFont, kArial12, kCourier12 };

const ControlColours kNoColours = {0, 0, 0, 0, 0};
const ControlColours kLabelColours = {1, 1, COLOR_WINDOWTEXT, 1, COLOR_BTNFACE};
const ControlColours kFieldColours = {1, 1, COLOR_WINDOWTEXT, 1, COLOR_WINDOW};
const ControlColours kSliderColours = {1, 0, RGB(0, 0, 0), 1, COLOR_BTNFACE};
const ControlColours kLogColours = {1, 0, RGB(0, 192, 0), 0, RGB(0, 0, 0)};

// Visible, bordered, with tooltips for texts cut short, not highlighted (the
// CCS_NOHILITE of older headers).
constexpr DWORD kNoHighlight = 0x10;
constexpr DWORD kStatusBarStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | SBARS_TOOLTIPS | kNoHighlight;
static_assert(kStatusBarStyle == 0x50800810, "the status bar's style value");
constexpr DWORD kLabelStyle = WS_VISIBLE | WS_CLIPSIBLINGS | SS_LEFTNOWORDWRAP | SS_NOTIFY;
constexpr DWORD kButtonStyle = WS_VISIBLE | WS_TABSTOP | BS_NOTIFY | BS_CENTER | BS_VCENTER;

struct ControlRow {
    HWND* handle;
    const char* className;
    const char* caption;
    int x, y, width, height;
    DWORD style;
    DWORD exStyle;
    int id;
    FontKind font;
    const ControlColours* colours;
};

const ControlRow kControls[] = {
    {&TVPIC, "Static", "", 21, 21, 32, 32, WS_VISIBLE | SS_ICON | SS_CENTERIMAGE | SS_NOTIFY, 0,
     kIdTvPic, kNoFont, &kNoColours},
    {&IPLABEL, "Static", "IP &Address for Server:", 77, 0, 137, 16, kLabelStyle, 0, kIdIpLabel,
     kArial12, &kLabelColours},
    {&IPLIST, "ListBox", "", 77, 16, 137, 58,
     WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_DISABLENOSCROLL,
     WS_EX_STATICEDGE, kIdIpList, kArial12, &kFieldColours},
    {&USERLABEL, "Static", "&User Name:", 241, 0, 255, 16, kLabelStyle, 0, kIdUserLabel, kArial12,
     &kLabelColours},
    {&USEREDIT, "Edit", "", 239, 16, 257, 21, WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
     WS_EX_CLIENTEDGE, kIdUserEdit, kArial12, &kFieldColours},
    {&PASSLABEL, "Static", "&Password:", 241, 37, 255, 16, kLabelStyle, 0, kIdPassLabel, kArial12,
     &kLabelColours},
    {&PASSEDIT, "Edit", "", 239, 53, 257, 21,
     WS_VISIBLE | WS_TABSTOP | ES_PASSWORD | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, kIdPassEdit,
     kArial12, &kFieldColours},
    {&HOSTBUTTON, "Button", "&Host", 520, 16, 78, 59, kButtonStyle | BS_DEFPUSHBUTTON, 0,
     kIdHostButton, kArial12, &kNoColours},
    {&STOPBUTTON, "Button", "&Stop", 605, 16, 78, 59, kButtonStyle | WS_DISABLED | BS_PUSHBUTTON, 0,
     kIdStopButton, kArial12, &kNoColours},
    {&CONNLABEL, "Static", "&Connections:", 2, 72, 74, 16, kLabelStyle, 0, kIdConnLabel, kArial12,
     &kLabelColours},
    {&CONNSLIDER, "MSCTLS_TRACKBAR32", "", 77, 76, 617, 33,
     WS_VISIBLE | WS_TABSTOP | TBS_AUTOTICKS | TBS_TOOLTIPS, 0, kIdConnSlider, kNoFont,
     &kSliderColours},
    {&FOLDERBUTTON, "Button", "&Folder...", 1, 89, 75, 20, kButtonStyle | BS_PUSHBUTTON, 0,
     kIdFolderButton, kArial12, &kNoColours},
    {&FILELIST, "SysListView32", "", 0, 111, 694, 355,
     WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SORTASCENDING |
         LVS_SHAREIMAGELISTS | LVS_NOLABELWRAP | LVS_NOSORTHEADER,
     WS_EX_CLIENTEDGE, kIdFileList, kArial12, &kNoColours},
    {&LOGEDIT, "Edit", "", 0, 111, 694, 355,
     WS_HSCROLL | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_AUTOHSCROLL | ES_AUTOVSCROLL |
         ES_NOHIDESEL | ES_READONLY,
     WS_EX_STATICEDGE, kIdLogEdit, kCourier12, &kLogColours},
};

HFONT fontFor(FontKind kind) {
    switch (kind) {
        case kArial12: return makeFont("Arial", -12, 400, 0, 0, 0);
        case kCourier12: return makeFont("Courier New", -12, 400, 0, 0, 0);
        default: return nullptr;
    }
}

void createStatusBar(HWND form) {
    STATUSBAR = CreateStatusWindowA(kStatusBarStyle, "", form, kIdStatusBar);
    if (!STATUSBAR) return;
    int rightEdges[6] = {50, 100, 150, 350, 520, -1};
    SendMessageA(STATUSBAR, SB_SETPARTS, 6, reinterpret_cast<LPARAM>(rightEdges));
    statusBarFont = makeFont("Arial", 9, 400, 0, 0, 0);
    if (statusBarFont)
        SendMessageA(STATUSBAR, WM_SETFONT, reinterpret_cast<WPARAM>(statusBarFont), TRUE);
    const char* texts[4] = {"\tOffline", "\t", "\t0000 of 0000 Connections", "\t"};
    for (int part = 2; part < 6; ++part)
        SendMessageA(STATUSBAR, SB_SETTEXTA, part, reinterpret_cast<LPARAM>(texts[part - 2]));
}

void applySettings() {
    RECT client = {};
    GetClientRect(TVPIC, &client);
    HANDLE picture = LoadImageA(programInstance, "ZANT_TVPIC_0_PICTURE", IMAGE_ICON, client.right,
                                client.bottom, LR_LOADMAP3DCOLORS | LR_SHARED);
    if (picture) SendMessageA(TVPIC, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(picture));

    for (HWND edit : {USEREDIT, PASSEDIT}) {
        SetWindowTextA(edit, "");
        SendMessageA(edit, EM_LIMITTEXT, 35, 0);
        recordOf(edit)->selectOnFocus = 1;
    }

    SendMessageA(CONNSLIDER, TBM_SETRANGE, TRUE, MAKELPARAM(0, 1000));
    SendMessageA(CONNSLIDER, TBM_SETPAGESIZE, 0, 100);
    SendMessageA(CONNSLIDER, TBM_SETLINESIZE, 0, 1);
    SendMessageA(CONNSLIDER, TBM_SETTICFREQ, 100, 0);
    SendMessageA(CONNSLIDER, TBM_SETPOS, TRUE, 0);

    listViewSetTextColour(FILELIST, RGB(0, 0, 0));
    listViewSetBackgroundColour(FILELIST, RGB(255, 255, 255));
    listViewSetExtendedStyle(FILELIST, listViewGetExtendedStyle(FILELIST) | LVS_EX_LABELTIP);
    listViewSetExtendedStyle(FILELIST, listViewGetExtendedStyle(FILELIST) | LVS_EX_CHECKBOXES);

    SetWindowTextA(LOGEDIT, "");
    SendMessageA(LOGEDIT, EM_LIMITTEXT, 0, 0);
}

void invalidateAndErase(HWND control) { InvalidateRect(control, nullptr, TRUE); }

// A click as the keyboard makes it: focus the button, then send its command,
// whether or not it is enabled.
void clickButton(HWND button, int id) {
    SetFocus(button);
    SendMessageA(mainForm, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

// The Alt+letter bindings of the main form. True when the key is one of them.
bool performAltBinding(WPARAM key) {
    switch (key) {
        case 'H': clickButton(HOSTBUTTON, kIdHostButton); return true;
        case 'S': clickButton(STOPBUTTON, kIdStopButton); return true;
        case 'F': clickButton(FOLDERBUTTON, kIdFolderButton); return true;
        case 'A': SetFocus(GetWindow(IPLABEL, GW_HWNDNEXT)); return true;
        case 'U': SetFocus(GetWindow(USERLABEL, GW_HWNDNEXT)); return true;
        case 'P': SetFocus(GetWindow(PASSLABEL, GW_HWNDNEXT)); return true;
        case 'C': SetFocus(GetWindow(CONNLABEL, GW_HWNDNEXT)); return true;
        default: return false;
    }
}

bool isAltBindingKey(WPARAM key) {
    switch (key) {
        case 'H':
        case 'S':
        case 'F':
        case 'A':
        case 'U':
        case 'P':
        case 'C': return true;
        default: return false;
    }
}

}  // namespace

HWND showMainForm() {
    FormDescription form = {};
    form.className = mainFormClassName;
    form.procedure = mainFormProc;
    form.classStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    form.largeIcon = static_cast<HICON>(
        LoadImageA(programInstance, "VODIV_APPICON", IMAGE_ICON, 32, 32, LR_SHARED));
    form.smallIcon = static_cast<HICON>(
        LoadImageA(programInstance, "VODIV_APPICON", IMAGE_ICON, 16, 16, LR_SHARED));
    form.title = "ZANT";
    form.width = 700;
    form.height = 521;
    form.style = WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_CAPTION | WS_SYSMENU;
    form.exStyle = WS_EX_CONTROLPARENT | WS_EX_CONTEXTHELP;
    return showForm(form, nullptr);
}

void createMainControls(HWND form) {
    createStatusBar(form);
    for (const ControlRow& row : kControls) {
        const auto id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id));
        // The user name and the password keep every character as typed or
        // pasted: a box of the code page would store "Łódź" as "Lodz".
        const bool wide = row.handle == &USEREDIT || row.handle == &PASSEDIT;
        HWND control =
            wide ? CreateWindowExW(row.exStyle, Widen(row.className).c_str(),
                                   Widen(row.caption).c_str(), WS_CHILD | row.style, row.x, row.y,
                                   row.width, row.height, form, id, programInstance, nullptr)
                 : CreateWindowExA(row.exStyle, row.className, row.caption, WS_CHILD | row.style,
                                   row.x, row.y, row.width, row.height, form, id, programInstance,
                                   nullptr);
        // Without its record a control cannot take part; the rest are left out.
        if (!control || !subclassControl(control, controlProc, fontFor(row.font), *row.colours))
            return;
        *row.handle = control;
    }
    applySettings();
    SetFocus(IPLIST);
}

namespace {

LRESULT handleMainFormMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    FF_DATA* record = message == WM_CREATE ? nullptr : recordOf(window);

    // The program's own deferred updates of the log window and the status display.
    if (message == kDisplayRefreshMessage) {
        onDisplayRefreshMessage(refreshDisplayNow);
        return 0;
    }
    if (message == WM_NOTIFY) noteFileListNotification(reinterpret_cast<const NMHDR*>(lParam));

    if (message == WM_COMMAND) {
        HWND from = reinterpret_cast<HWND>(lParam);
        const WORD code = HIWORD(wParam);
        if ((from == USEREDIT || from == PASSEDIT || from == LOGEDIT) && from &&
            (code == EN_CHANGE || code == EN_HSCROLL || code == EN_VSCROLL))
            invalidateAndErase(from);
        if (from && from == TVPIC && code == STN_CLICKED) {
            FF_DATA* picture = recordOf(TVPIC);
            const LRESULT result =
                ToggleLogView(picture ? picture->userValue : -1, window, wParam, lParam);
            if (result) return result;
        }
    }

    if (const LRESULT handled = formEventHandler(window, message, wParam, lParam)) return handled;

    switch (message) {
        case WM_SYSCOMMAND:
            switch (wParam & 0xFFF0) {
                case SC_CLOSE: SendMessageA(window, WM_CLOSE, wParam, lParam); return 0;
                // The form has a fixed size: these commands, which its system menu
                // no longer offers, do nothing when another program sends them.
                // Restoring does, once something outside (the shell's "show
                // desktop", another program) has minimised or maximised it.
                case SC_RESTORE:
                    if (IsIconic(window) || IsZoomed(window)) break;
                    return 0;
                case SC_SIZE:
                case SC_MINIMIZE:
                case SC_MAXIMIZE: return 0;
                default: break;
            }
            break;
        case WM_SETFOCUS:
            if (record && record->lastFocus) SetFocus(record->lastFocus);
            break;
        case WM_SYSCOLORCHANGE:
        case WM_THEMECHANGED:
            EnumChildWindows(window, recolourChild, 0);
            if (message == WM_SYSCOLORCHANGE)
                for (HWND child : {CONNSLIDER, FILELIST, STATUSBAR})
                    if (child) SendMessageA(child, WM_SYSCOLORCHANGE, wParam, lParam);
            break;
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED && STATUSBAR)
                SendMessageA(STATUSBAR, WM_SIZE, wParam, lParam);
            break;
        case WM_DESTROY: {
            if (const LRESULT handled = cleanUpMainForm(window)) return handled;
            mainForm = nullptr;
            releaseRecord(window);
            PostQuitMessage(0);
            return 0;
        }
        case WM_CREATE: {
            FF_DATA* created = attachRecord(window);
            if (!created) return -1;
            created->isForm = 1;
            mainForm = window;
            noteInterfaceThread();
            createMainControls(window);
            updateKeyIndicators(STATUSBAR);
            if (const LRESULT handled = initMainForm(window)) return handled;
            break;
        }
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN: {
            bool handled = false;
            const LRESULT brush = answerColourQuery(reinterpret_cast<HWND>(lParam),
                                                    reinterpret_cast<HDC>(wParam), handled);
            if (handled) return brush;
            break;
        }
        default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT handleControlMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    FF_DATA* record = recordOf(window);
    if (!record) return DefWindowProcA(window, message, wParam, lParam);
    const WNDPROC previous = record->previousProc;

    switch (message) {
        case WM_DESTROY: return unsubclassControl(window, message, wParam, lParam);
        case WM_SETFOCUS:
            if (record->selectOnFocus) SendMessageA(window, EM_SETSEL, 0, -1);
            if (FF_DATA* form = recordOf(mainForm)) form->lastFocus = window;
            break;
        case WM_KEYUP:
            // Releasing Alt after a binding would otherwise open the system menu:
            // the default procedure never saw the letter between Alt's down and up.
            if (wParam == VK_MENU && altBindingDone) {
                altBindingDone = false;
                return 0;
            }
            break;
        case WM_SYSKEYDOWN:
        case WM_SYSKEYUP:
        case WM_SYSCHAR:
            // A new press of Alt (not a repeat): the mark of an earlier one is
            // gone, even if its key-up went to a box the binding opened.
            if (message == WM_SYSKEYDOWN && wParam == VK_MENU && !(lParam & (1 << 30)))
                altBindingDone = false;
            if (message == WM_SYSKEYUP && wParam == VK_MENU && altBindingDone) {
                altBindingDone = false;
                return 0;
            }
            if (GetKeyState(VK_MENU) < 0) {
                if (message == WM_SYSCHAR) return 0;
                // Virtual-key codes of letters are upper case; 'a'..'z' are other keys (F4 is 's').
                if (isAltBindingKey(wParam)) {
                    // A binding that opened a modal box (the folder browser, an
                    // error box) has let that box take Alt's key-up already.
                    if (message == WM_SYSKEYDOWN)
                        altBindingDone = performAltBinding(wParam) && GetKeyState(VK_MENU) < 0;
                    return 0;
                }
            }
            break;
        case WM_KEYDOWN:
            if (wParam == VK_CAPITAL || wParam == VK_NUMLOCK || wParam == VK_INSERT ||
                wParam == VK_SCROLL)
                updateKeyIndicators(STATUSBAR);
            if (!record->noKeyNavigation && (wParam == VK_DOWN || wParam == VK_UP) &&
                !keepsArrowKeys(window)) {
                moveFocus(mainForm, window, wParam == VK_UP);
                return 0;
            }
            break;
        case WM_HSCROLL:
        case WM_VSCROLL: invalidateAndErase(window); break;
        case WM_CHAR:
            if (wParam == VK_RETURN) {
                clickButton(HOSTBUTTON, kIdHostButton);
                return 0;
            }
            if (wParam == VK_ESCAPE) {
                clickButton(STOPBUTTON, kIdStopButton);
                return 0;
            }
            if (wParam == VK_TAB && !record->noKeyNavigation) {
                moveFocus(mainForm, window, GetKeyState(VK_SHIFT) < 0);
                return 0;
            }
            break;
        default: break;
    }

    if (window == LOGEDIT && message == WM_KEYDOWN) {
        if (const LRESULT handled =
                logKeyHandler(record->userValue, GetParent(window), window, wParam, lParam))
            return handled;
    }
    if (window == FILELIST) {
        if (const LRESULT handled = fileListHandler(record->userValue, GetParent(window), window,
                                                    message, wParam, lParam))
            return handled;
    }
    const LRESULT result = callWindowProc(previous, window, message, wParam, lParam);
    // Whatever moved the slider (keys, mouse, or a message from outside), the
    // limit the workers read follows it at once.
    if (window == CONNSLIDER)
        ConnectionAdmission().SetMaxConnections(
            static_cast<int32_t>(callWindowProc(previous, window, TBM_GETPOS, 0, 0)));
    return result;
}

}  // namespace

LRESULT CALLBACK mainFormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return withoutExceptions([&] { return handleMainFormMessage(window, message, wParam, lParam); },
                             [&] { return DefWindowProcA(window, message, wParam, lParam); });
}

LRESULT CALLBACK controlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return withoutExceptions([&] { return handleControlMessage(window, message, wParam, lParam); },
                             [&] { return callPreviousProc(window, message, wParam, lParam); });
}
