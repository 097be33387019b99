// What the user does on the file list: F5 reads the base folder again,
// Ctrl+A shares every row, a double-click opens a row's item.
#pragma once

#include "win32.h"

// Every message of FILELIST. Nonzero when consumed.
LRESULT fileListHandler(LONG_PTR userValue, HWND parent, HWND control, UINT message, WPARAM wParam,
                        LPARAM lParam);
