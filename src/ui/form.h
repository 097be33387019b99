// The window framework every window of the program is built on: a record per
// window under the property FF_PTR, form creation, colours from the records,
// keyboard navigation in plain (non-dialog) windows, fonts, lock-key
// indicators, tooltips, the idle pump and list helpers.
#pragma once

#include <string>

#include "win32_shell.h"

// One per form and one per control; zero-filled, attached under FF_PTR.
struct FF_DATA {
    WNDPROC previousProc;           // a control's procedure before subclassing
    WNDPROC secondaryPreviousProc;  // unused: no window here has a secondary child
    HWND window;
    HWND secondaryWindow;
    int isForm;
    int modal;         // reserved
    HWND owner;        // reserved
    HFONT font;        // owned
    int colourSwitch;  // the form answers this control's colour queries
    LONG_PTR userValue;
    HBRUSH brush;    // owned: solid brush of the background colour
    HWND lastFocus;  // forms: the control that last had the focus
    COLORREF textColour;
    int selectOnFocus;  // edits: select all on gaining the focus
    int textIsSystem;   // textValue is a system colour index
    int backgroundIsSystem;
    DWORD textValue;
    DWORD backgroundValue;
    int noKeyNavigation;  // Tab and arrows left to the control
};

extern const char kRecordProperty[];  // "FF_PTR"

// The program's instance, recorded at start for resources and windows.
extern HINSTANCE programInstance;

// Everything needed to register a form's class and create it.
struct FormDescription {
    const char* className;
    WNDPROC procedure;
    UINT classStyle;
    HICON largeIcon;
    HICON smallIcon;
    const char* title;
    int width;
    int height;
    DWORD style;
    DWORD exStyle;
};

// Runs what a window procedure or another callback of the system does. The
// system cannot carry a C++ exception through its own frames, so none may
// leave: should handle throw, the answer is what fallback gives (the default
// handling of the message).
template <typename Handle, typename Fallback>
LRESULT withoutExceptions(Handle&& handle, Fallback&& fallback) noexcept {
    try {
        return handle();
    } catch (...) {
    }
    try {
        return fallback();
    } catch (...) {
        return 0;
    }
}

// Calls a window procedure in the character form of the window: wide for the
// controls made with wide text.
LRESULT callWindowProc(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The procedure a subclassed control had before, or the default one.
LRESULT callPreviousProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam);

// The record of a window, or nullptr.
FF_DATA* recordOf(HWND window);
FF_DATA* attachRecord(HWND window);
// Deletes the record's brush and font, frees it and removes the property.
void releaseRecord(HWND window);
// Sends a message straight to a control's own procedure, past the procedures
// layered over it (the shared control procedure, the tooltip's), for messages
// that none of those layers looks at. User-interface thread only. Under Wine
// every layer the common controls add looks up two window properties per
// message, each a round trip to the window server; bulk work on a list or the
// log window goes past them.
LRESULT callControl(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
// A control's destroy message: its own procedure back, its record released;
// the control itself still gets the message, so that it frees what it holds.
LRESULT unsubclassControl(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the form's class when it does not exist yet and creates the form
// centred on the primary screen. Returns the handle, 0 if creation failed; the
// caller shows it.
HWND showForm(const FormDescription& form, HWND owner);
void closeForm(HWND form);

// Shows a form that is hidden, restores one that something outside has
// minimised or maximised, and brings it to the front. Works on a form of
// another copy of the program too.
void bringFormBack(HWND form);

// Dispatches what is queued for the calling thread and returns when the queue
// is empty. A quit message met on the way is posted again, so that the
// program's own loop still ends.
void pumpMessages();

// A font of the face, size (> 0: points; <= 0: pixel height as given) and weight.
HFONT makeFont(const char* face, int size, int weight, int italic, int underline, int strikeOut);

// "NUM", "CAPS", "SCRL" or "INS" while that key is toggled on, else "".
std::string keyStateText(int virtualKey);
// Caps Lock and Num Lock into parts 0 and 1 of the form's status bar.
void updateKeyIndicators(HWND statusBar);

BOOL CALLBACK recolourChild(HWND child, LPARAM ignored);

// Colours a control from its record for the WM_CTLCOLOR* queries. Sets handled
// to false when the query should go to the default procedure.
LRESULT answerColourQuery(HWND control, HDC dc, bool& handled);

// Asks the focused window whether it consumes a queued message.
LRESULT preTranslateQuery(MSG* message);

// Attaches a tip to a control through the one shared tooltip window.
LRESULT addTooltip(HWND form, HWND control, const char* text);

// Fills a control record: subclass, font, colours. Colours: pass isSystem
// and the system index, or the RGB value.
struct ControlColours {
    int colourSwitch;
    int textIsSystem;
    DWORD textValue;
    int backgroundIsSystem;
    DWORD backgroundValue;
};
FF_DATA* subclassControl(HWND control, WNDPROC procedure, HFONT font,
                         const ControlColours& colours);
// The current colours of a record, re-read from the system where asked.
void refreshRecordColours(FF_DATA* record);

// Moves the focus to the next (or previous) tab stop of the form, wrapping and
// skipping disabled and hidden controls; radio buttons move within their group.
void moveFocus(HWND form, HWND from, bool backward);
// Whether a control keeps Up and Down for itself instead of moving the focus.
bool keepsArrowKeys(HWND control);

// List helpers; given a handle that is not a window they send nothing.
int listBoxAddString(HWND listBox, const std::string& text);
int listViewInsertColumn(HWND listView, int column, const char* text, int format, int width);
int listViewSetItem(HWND listView, int item, int subItem, const std::string& text, LPARAM value,
                    int image);
std::string listViewItemText(HWND listView, int item, int subItem);
LPARAM listViewItemParam(HWND listView, int item, int subItem);
int listViewCheckState(HWND listView, int item);
// A list view with check boxes shows its second state image for a ticked row.
constexpr UINT kCheckedStateImage = INDEXTOSTATEIMAGEMASK(2);
// Whether an item state (LVM_GETITEMSTATE with the state image mask) is ticked.
bool listViewStateChecked(LRESULT state);
void listViewSetTextColour(HWND listView, COLORREF colour);
void listViewSetBackgroundColour(HWND listView, COLORREF colour);
void listViewSetImageList(HWND listView, HIMAGELIST images, int type);
DWORD listViewGetExtendedStyle(HWND listView);
void listViewSetExtendedStyle(HWND listView, DWORD style);
