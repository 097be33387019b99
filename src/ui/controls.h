// The program-wide windows: the main form, its controls and the tray menu, with
// their ids, fixed before any window exists. The bottom of the house: the
// status display, the log, the share list and the listener reach the windows
// through this header, not through the main form's layout.
#pragma once

#include "win32.h"

// Control ids of the main form.
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

// Command ids of the tray menu and the system menu's Hide.
enum TrayMenuId {
    kTrayHost = 1525,
    kTrayStop = 1526,
    kTraySeparator = 1527,
    kTrayExit = 1528,
    kSysHide = 1536,
};

extern char mainFormClassName[260];  // "ZANT_ZANT": also the key of the single-instance rule

extern HWND mainForm;
extern HWND STATUSBAR, HOSTBUTTON, STOPBUTTON, USEREDIT, PASSEDIT, FOLDERBUTTON, CONNLABEL,
    USERLABEL, PASSLABEL, IPLABEL, TVPIC, LOGEDIT, IPLIST, CONNSLIDER, FILELIST;
extern HMENU TrayMenu;

// The thread that makes the main form is the user-interface thread; noted
// once, before any worker can start.
void noteInterfaceThread();
// True on the user-interface thread while the main form exists.
bool onInterfaceThread();
