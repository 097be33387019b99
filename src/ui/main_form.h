// The main form: its class, its controls with their ids and handles, its
// window procedure and the control procedure shared by its controls.
#pragma once

#include "ui/form.h"

// Control ids, fixed before any window exists.
enum MainControlId {
    kIdHostButton = 1,  // the standard OK id
    kIdStopButton = 2,  // the standard Cancel id
    kIdUserEdit = 1001,
    kIdPassEdit = 1002,
    kIdFolderButton = 1003,
    kIdConnLabel = 1004,
    kIdUserLabel = 1005,
    kIdPassLabel = 1006,
    kIdIpLabel = 1007,
    kIdTvPic = 1008,
    kIdLogEdit = 1009,
    kIdIpList = 1010,
    kIdConnSlider = 1011,
    kIdFileList = 1012,
    kIdStatusBar = 10000,
};

extern char mainFormClassName[260];  // "ZANT_ZANT": also the key of the single-instance rule

extern HWND mainForm;
// True on the thread that made the main form (the user-interface thread).
bool onInterfaceThread();
extern HWND STATUSBAR, HOSTBUTTON, STOPBUTTON, USEREDIT, PASSEDIT, FOLDERBUTTON, CONNLABEL,
    USERLABEL, PASSLABEL, IPLABEL, TVPIC, LOGEDIT, IPLIST, CONNSLIDER, FILELIST;

// Registers the class if needed and creates the main form (not yet shown).
HWND showMainForm();

// Creates the status bar and every control of the form, in creation order
// (which is also the Tab order), and puts the focus on the address list.
void createMainControls(HWND form);

LRESULT CALLBACK mainFormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK controlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
