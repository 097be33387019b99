// The small icons of the file list's rows: indices in the shell's system
// image list, asked for as seldom as the shell allows.
#pragma once

#include <string>

#include "win32.h"

// The icon of a path; byAttributesOnly asks by the attributes and the name's
// extension alone, without looking at the file.
int shellIcon(const std::wstring& path, DWORD attributes, bool byAttributesOnly);

// A file's icon: its own for programs, icons and shortcuts, else its extension's.
int fileIcon(const std::wstring& fullPath, const std::wstring& name);

// A folder's icon: its own only when a desktop.ini may give it one.
int folderIcon(const std::wstring& fullPath, DWORD attributes);
