// The share list: the base folder, the scan that fills the file list, the
// folder browser, the user's actions on the list, and the copy of its rows
// that the connection workers query.
#pragma once

#include <string>

#include "shares/share_model.h"
#include "win32.h"

// The rows as the workers see them, kept in step with FILELIST, and the base
// folder without a trailing backslash ("C:" for a drive root).
// Kept for the life of the process: workers may use it while the program ends.
extern ShareModel& ShareList;

// Scans the folder (empty: the base folder again) into the file list, showing
// the reading window. User-interface thread; a scan already running is not restarted.
void ScanFolder(const std::string& path);

// The shell's folder browser; the chosen folder, or "" when cancelled.
std::string BrowseForFolder(HWND owner, const std::string& title, const std::string& startPath);

// Messages of FILELIST: F5, Ctrl+A, double-click. Nonzero when consumed.
LRESULT fileListHandler(LONG_PTR userValue, HWND parent, HWND control, UINT message, WPARAM wParam,
                        LPARAM lParam);

// Keeps the rows' copy in step with a selection or tick change of FILELIST.
void noteFileListNotification(const NMHDR* header);

// The order the file list keeps its rows in.
bool fileListOrderLess(const std::string& a, const std::string& b);
