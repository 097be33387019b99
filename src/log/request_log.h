// The request log: the log window and "WebLog.txt" (moved to "WebLog.bak" past
// 2 MiB), written entry by entry under LogLock.
#pragma once

#include <string>

#include "win32.h"

// Serialises every entry; created before any window and valid until the process ends.
extern CRITICAL_SECTION LogLock;

// Fixes the folder of the log files: the current directory at start-up.
void initRequestLog();

// Logs one entry (any thread); an empty text clears the log window only.
void AppendLogEntry(const std::string& text);

// Brings the log window up to date with the entries; user-interface thread.
void refreshLogWindow();

// Whether the path names one of the two log files. They hold every client's
// credential line, so the scan leaves them out and no request can reach them.
bool isRequestLogFile(const std::string& path);

// Closes the log file (program clean-up); a later entry opens it again.
void closeLogFile();

// F5 in the log window clears it. Nonzero when the key was consumed.
LRESULT logKeyHandler(LONG_PTR userValue, HWND parent, HWND control, WPARAM wParam, LPARAM lParam);
