#include "ui/controls.h"

char mainFormClassName[260] = "ZANT_ZANT";

HWND mainForm = nullptr;
HWND STATUSBAR = nullptr, HOSTBUTTON = nullptr, STOPBUTTON = nullptr, USEREDIT = nullptr,
     PASSEDIT = nullptr, FOLDERBUTTON = nullptr, CONNLABEL = nullptr, USERLABEL = nullptr,
     PASSLABEL = nullptr, IPLABEL = nullptr, TVPIC = nullptr, LOGEDIT = nullptr, IPLIST = nullptr,
     CONNSLIDER = nullptr, FILELIST = nullptr;
HMENU TrayMenu = nullptr;

namespace {

DWORD interfaceThread = 0;

}  // namespace

void noteInterfaceThread() { interfaceThread = GetCurrentThreadId(); }

bool onInterfaceThread() { return mainForm && GetCurrentThreadId() == interfaceThread; }
