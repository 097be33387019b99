// The request log: the log window and "WebLog.txt" (moved to "WebLog.bak" past
// 2 MiB). Entries reach the file in batches (log_writer.h), the window in the
// file's order.
#pragma once

#include <string>

#include "win32.h"

// Guards the log window's text; held only for changes in memory, never
// across a disk write. Created before any window and valid until the process ends.
extern CRITICAL_SECTION LogLock;

// Fixes the folder of the log files: the current directory at start-up.
void initRequestLog();

// Logs one entry (any thread) and returns once the file has it, or has
// failed to take it; an empty text clears the log window only.
void AppendLogEntry(const std::string& text);

// Brings the log window up to date with the entries; user-interface thread.
void refreshLogWindow();

// Whether the path names one of the two log files. They hold every client's
// credential line, so the scan leaves them out and no request can reach them.
bool isRequestLogFile(const std::wstring& path);

// Whether an open file is one of the two log files, whatever name, stream,
// short name or link it was opened by.
bool isRequestLogHandle(HANDLE file);

// Closes the log file once the batch being written is done (program
// clean-up); a later entry opens it again.
void closeLogFile();

// F5 in the log window clears it. Nonzero when the key was consumed.
LRESULT logKeyHandler(LONG_PTR userValue, HWND parent, HWND control, WPARAM wParam, LPARAM lParam);
