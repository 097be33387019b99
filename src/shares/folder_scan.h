// The folder scan: every file and folder under the base folder into the file
// list, with the reading window shown while it runs.
#pragma once

#include <string>

// Scans the folder (empty: the base folder again) into the file list, showing
// the reading window. User-interface thread; a scan already running is not restarted.
void ScanFolder(const std::string& path);
