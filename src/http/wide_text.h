// Names at the Win32 edge: the system's UTF-16 and the core's UTF-8 (WTF-8 for
// a name that is not valid UTF-16), converted exactly both ways, so that no
// code page ever stands between a row and its file.
#pragma once

#include <string>

#include "win32.h"

std::wstring Widen(const std::string& utf8);
std::string Narrow(const wchar_t* wide, size_t length);
std::string Narrow(const std::wstring& wide);

// The process's current directory, however long, without a trailing backslash
// unless it is a drive root ("C:\").
std::wstring CurrentDirectoryWide();
