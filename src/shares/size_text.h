// The "Size" column of the file list.
#pragma once

#include <cstdint>
#include <string>

// Kilobytes below 1 MiB, else megabytes, to one decimal rounded half to even,
// in the shortest form: "0 KB", ".2 KB", "1.5 KB", "1024 KB", "1 MB", "5.1 MB".
std::string SizeText(uint64_t bytes);
