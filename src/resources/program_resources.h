// The program's own resources, as the code asks for them.
#pragma once

#include <string>

#include "win32.h"

// The number under which the program carries its own copy of the icon the
// system calls IDI_APPLICATION: the reading window's icon.
constexpr WORD kStandardIconId = 32512;

// The bytes of a resource of the program, or empty when it has none such.
std::string ResourceBytes(const char* name, LPCSTR type);

// The built-in favicon: the raw-data resource QOV_FAVICON, a whole icon file.
// Kept for the life of the process: workers may send it while the program ends.
const std::string& FaviconBytes();
