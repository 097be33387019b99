// The rest of the platform the windows need: common controls, the shell (tray
// icon, icons, folder browser, opening an item) and COM. Like win32.h, the
// only place these come in.
#pragma once

#include "win32.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
