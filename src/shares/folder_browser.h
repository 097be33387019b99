// The shell's folder browser, limited to folders that can be a base folder.
#pragma once

#include <string>

#include "win32.h"

// The chosen folder, or "" when the user cancels.
std::string BrowseForFolder(HWND owner, const std::string& title, const std::string& startPath);
