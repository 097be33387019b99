#include "ui/form.h"

#include <unordered_map>

#include "http/wide_text.h"

const char kRecordProperty[] = "FF_PTR";
HINSTANCE programInstance = nullptr;

namespace {

HWND sharedTooltip = nullptr;

// The records by window, beside the FF_PTR property: looking up a window
// property costs a round trip to the window server on some systems, and
// every message of every control needs its record.
std::unordered_map<HWND, FF_DATA*> recordsByWindow;

constexpr UINT kPreTranslateQuery = 0x37F;

COLORREF resolveColour(int isSystem, DWORD value) {
    return isSystem ? GetSysColor(static_cast<int>(value)) : static_cast<COLORREF>(value);
}

int CALLBACK rememberCharset(const LOGFONTA* font, const TEXTMETRICA*, DWORD, LPARAM charset) {
    *reinterpret_cast<BYTE*>(charset) = font->lfCharSet;
    return 1;
}

}  // namespace

FF_DATA* recordOf(HWND window) {
    const auto found = recordsByWindow.find(window);
    return found == recordsByWindow.end() ? nullptr : found->second;
}

FF_DATA* attachRecord(HWND window) {
    auto* record =
        static_cast<FF_DATA*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(FF_DATA)));
    if (!record) return nullptr;
    record->window = window;
    if (!SetPropA(window, kRecordProperty, record)) {
        HeapFree(GetProcessHeap(), 0, record);
        return nullptr;
    }
    recordsByWindow[window] = record;
    return record;
}

LRESULT callWindowProc(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (IsWindowUnicode(window)) return CallWindowProcW(procedure, window, message, wParam, lParam);
    return CallWindowProcA(procedure, window, message, wParam, lParam);
}

LRESULT callControl(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    FF_DATA* record = recordOf(control);
    if (!record || !record->previousProc) return SendMessageA(control, message, wParam, lParam);
    return callWindowProc(record->previousProc, control, message, wParam, lParam);
}

LRESULT callPreviousProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    FF_DATA* record = recordOf(control);
    if (!record || !record->previousProc) return DefWindowProcA(control, message, wParam, lParam);
    return callWindowProc(record->previousProc, control, message, wParam, lParam);
}

LRESULT unsubclassControl(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    FF_DATA* record = recordOf(window);
    if (!record) return DefWindowProcA(window, message, wParam, lParam);
    const WNDPROC previous = record->previousProc;
    const bool wide = IsWindowUnicode(window) != FALSE;
    if (wide)
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    else
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    releaseRecord(window);
    if (wide) return CallWindowProcW(previous, window, message, wParam, lParam);
    return CallWindowProcA(previous, window, message, wParam, lParam);
}

void releaseRecord(HWND window) {
    FF_DATA* record = recordOf(window);
    if (!record) return;
    if (record->brush) DeleteObject(record->brush);
    if (record->font) DeleteObject(record->font);
    RemovePropA(window, kRecordProperty);
    recordsByWindow.erase(window);
    HeapFree(GetProcessHeap(), 0, record);
}

HWND showForm(const FormDescription& form, HWND owner) {
    WNDCLASSEXA existing = {};
    existing.cbSize = sizeof(existing);
    if (!GetClassInfoExA(programInstance, form.className, &existing)) {
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof(wc);
        wc.style = form.classStyle;
        wc.lpfnWndProc = form.procedure;
        wc.hInstance = programInstance;
        wc.hIcon = form.largeIcon;
        wc.hIconSm = form.smallIcon;
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
        wc.lpszClassName = form.className;
        if (!RegisterClassExA(&wc)) return nullptr;
    }
    const int x = (GetSystemMetrics(SM_CXSCREEN) - form.width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - form.height) / 2;
    return CreateWindowExA(form.exStyle, form.className, form.title, form.style, x, y, form.width,
                           form.height, owner, nullptr, programInstance, nullptr);
}

void closeForm(HWND form) {
    if (IsWindow(form)) DestroyWindow(form);
}

void bringFormBack(HWND form) {
    if (!IsWindowVisible(form)) ShowWindow(form, SW_SHOW);
    if (IsIconic(form) || IsZoomed(form)) ShowWindow(form, SW_RESTORE);
    SetForegroundWindow(form);
}

void pumpMessages() {
    MSG message;
    bool quit = false;
    WPARAM quitCode = 0;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quit = true;
            quitCode = message.wParam;
            break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
}

HFONT makeFont(const char* face, int size, int weight, int italic, int underline, int strikeOut) {
    if (!face || !*face) return nullptr;
    HDC screen = GetDC(nullptr);
    const int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
    BYTE charset = ANSI_CHARSET;
    EnumFontFamiliesA(screen, face, rememberCharset, reinterpret_cast<LPARAM>(&charset));
    ReleaseDC(nullptr, screen);
    const int height = size > 0 ? -(size * pixelsPerInch / 72) : size;
    return CreateFontA(height, 0, 0, 0, weight, italic, underline, strikeOut, charset,
                       OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face);
}

std::string keyStateText(int virtualKey) {
    if (!(GetKeyState(virtualKey) & 1)) return std::string();
    switch (virtualKey) {
        case VK_NUMLOCK: return "NUM";
        case VK_CAPITAL: return "CAPS";
        case VK_SCROLL: return "SCRL";
        case VK_INSERT: return "INS";
        default: return std::string();
    }
}

void updateKeyIndicators(HWND statusBar) {
    if (!statusBar) return;
    const std::string caps = "\t" + keyStateText(VK_CAPITAL);
    const std::string num = "\t" + keyStateText(VK_NUMLOCK);
    SendMessageA(statusBar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(caps.c_str()));
    SendMessageA(statusBar, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(num.c_str()));
}

void refreshRecordColours(FF_DATA* record) {
    if (record->brush) DeleteObject(record->brush);
    record->textColour = resolveColour(record->textIsSystem, record->textValue);
    record->brush =
        CreateSolidBrush(resolveColour(record->backgroundIsSystem, record->backgroundValue));
}

BOOL CALLBACK recolourChild(HWND child, LPARAM) {
    FF_DATA* record = recordOf(child);
    if (record && record->colourSwitch) refreshRecordColours(record);
    return TRUE;
}

LRESULT answerColourQuery(HWND control, HDC dc, bool& handled) {
    handled = true;
    FF_DATA* record = recordOf(control);
    if (!record) return 0;
    if (!record->colourSwitch) {
        handled = false;
        return 0;
    }
    SetTextColor(dc, record->textColour);
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(record->brush);
}

LRESULT preTranslateQuery(MSG* message) {
    // Only keyboard input is for the focused window to translate, and it is
    // addressed to that window already: asking the system which window has the
    // focus costs a round trip to the window server for every message.
    if (message->message < WM_KEYFIRST || message->message > WM_KEYLAST || !message->hwnd) return 0;
    return SendMessageA(message->hwnd, kPreTranslateQuery, 0, reinterpret_cast<LPARAM>(message));
}

LRESULT addTooltip(HWND form, HWND control, const char* text) {
    if (!text || !*text) return 0;
    if (!IsWindow(sharedTooltip)) {
        sharedTooltip = CreateWindowExA(0, TOOLTIPS_CLASSA, "", TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0,
                                        0, 0, nullptr, nullptr, programInstance, nullptr);
        if (!sharedTooltip) return 0;
        SendMessageA(sharedTooltip, TTM_SETMAXTIPWIDTH, 0, 300);
        SendMessageA(sharedTooltip, TTM_SETDELAYTIME, TTDT_INITIAL, 800);
        SendMessageA(sharedTooltip, TTM_SETDELAYTIME, TTDT_AUTOPOP, 5000);
        SendMessageA(sharedTooltip, TTM_SETDELAYTIME, TTDT_RESHOW, 400);
    }
    // The first size every version of the common controls accepts.
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = form;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    if (SendMessageA(sharedTooltip, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&tool)))
        SendMessageA(sharedTooltip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    tool = {};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = form;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<char*>(text);
    return SendMessageA(sharedTooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

FF_DATA* subclassControl(HWND control, WNDPROC procedure, HFONT font,
                         const ControlColours& colours) {
    FF_DATA* record = attachRecord(control);
    if (!record) {
        if (font) DeleteObject(font);
        return nullptr;
    }
    // A control made with wide text stays wide under the subclass, so that
    // nothing typed or pasted into it passes through a code page.
    const LONG_PTR replacement = reinterpret_cast<LONG_PTR>(procedure);
    record->previousProc = reinterpret_cast<WNDPROC>(
        IsWindowUnicode(control) ? SetWindowLongPtrW(control, GWLP_WNDPROC, replacement)
                                 : SetWindowLongPtrA(control, GWLP_WNDPROC, replacement));
    if (font) {
        record->font = font;
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    record->userValue = 0;
    record->isForm = 0;
    record->noKeyNavigation = 0;
    record->colourSwitch = colours.colourSwitch;
    record->textIsSystem = colours.textIsSystem;
    record->textValue = colours.textValue;
    record->backgroundIsSystem = colours.backgroundIsSystem;
    record->backgroundValue = colours.backgroundValue;
    if (colours.colourSwitch) refreshRecordColours(record);
    return record;
}

void moveFocus(HWND form, HWND from, bool backward) {
    HWND target = nullptr;
    const LONG style = GetWindowLongA(from, GWL_STYLE);
    // An automatic radio button moves within its group first.
    auto isAutoRadio = [](LONG s) { return (s & BS_AUTORADIOBUTTON) == BS_AUTORADIOBUTTON; };
    if (isAutoRadio(style)) {
        target = GetNextDlgGroupItem(form, from, backward);
        if (target && !isAutoRadio(GetWindowLongA(target, GWL_STYLE))) target = nullptr;
    }
    if (!target) target = GetNextDlgTabItem(form, from, backward);
    if (target) SetFocus(target);
}

bool keepsArrowKeys(HWND control) {
    char name[64] = {};
    GetClassNameA(control, name, sizeof(name));
    CharUpperA(name);
    const std::string cls = name;
    if (cls == "EDIT") return (GetWindowLongA(control, GWL_STYLE) & ES_MULTILINE) != 0;
    return cls == "COMBOBOX" || cls == "LISTBOX" || cls == "SYSLISTVIEW32" ||
           cls == "SYSTREEVIEW32";
}

int listBoxAddString(HWND listBox, const std::string& text) {
    if (!IsWindow(listBox)) return -1;
    return static_cast<int>(
        SendMessageA(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

int listViewInsertColumn(HWND listView, int column, const char* text, int format, int width) {
    if (!IsWindow(listView)) return 0;
    LVCOLUMNA col = {};
    col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    col.fmt = format;
    col.cx = width;
    col.pszText = const_cast<char*>(text);
    col.iSubItem = column;
    return static_cast<int>(
        SendMessageA(listView, LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&col)));
}

int listViewSetItem(HWND listView, int item, int subItem, const std::string& text, LPARAM value,
                    int image) {
    if (!IsWindow(listView)) return 0;
    // Wide, so that the list shows every name as the file system spells it.
    std::wstring wide = Widen(text);
    LVITEMW lv = {};
    lv.iItem = item;
    lv.iSubItem = subItem;
    lv.pszText = &wide[0];
    lv.iImage = image;
    if (subItem == 0) {
        lv.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
        lv.lParam = value;
        return static_cast<int>(
            callControl(listView, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&lv)));
    }
    lv.mask = LVIF_TEXT | LVIF_IMAGE;
    return static_cast<int>(callControl(listView, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&lv)));
}

std::string listViewItemText(HWND listView, int item, int subItem) {
    if (!IsWindow(listView)) return std::string();
    wchar_t buffer[260] = {};
    LVITEMW lv = {};
    lv.iSubItem = subItem;
    lv.pszText = buffer;
    lv.cchTextMax = 260;
    const LRESULT length =
        SendMessageA(listView, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&lv));
    return Narrow(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

LPARAM listViewItemParam(HWND listView, int item, int subItem) {
    if (!IsWindow(listView)) return 0;
    LVITEMA lv = {};
    lv.mask = LVIF_PARAM;
    lv.iItem = item;
    lv.iSubItem = subItem;
    if (!SendMessageA(listView, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&lv))) return 0;
    return lv.lParam;
}

int listViewCheckState(HWND listView, int item) {
    if (!IsWindow(listView)) return 0;
    const LRESULT state = SendMessageA(listView, LVM_GETITEMSTATE, item, LVIS_STATEIMAGEMASK);
    return listViewStateChecked(state) ? 1 : 0;
}

bool listViewStateChecked(LRESULT state) {
    return (state & LVIS_STATEIMAGEMASK) == kCheckedStateImage;
}

void listViewSetTextColour(HWND listView, COLORREF colour) {
    SendMessageA(listView, LVM_SETTEXTCOLOR, 0, colour);
}

void listViewSetBackgroundColour(HWND listView, COLORREF colour) {
    SendMessageA(listView, LVM_SETBKCOLOR, 0, colour);
}

void listViewSetImageList(HWND listView, HIMAGELIST images, int type) {
    SendMessageA(listView, LVM_SETIMAGELIST, type, reinterpret_cast<LPARAM>(images));
}

DWORD listViewGetExtendedStyle(HWND listView) {
    return static_cast<DWORD>(SendMessageA(listView, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
}

void listViewSetExtendedStyle(HWND listView, DWORD style) {
    SendMessageA(listView, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style);
}
