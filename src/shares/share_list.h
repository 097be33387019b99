// The share list: the rows the connection workers see, kept in step with
// FILELIST; the order the file list keeps; putting a scan's rows into it.
#pragma once

#include <string>
#include <vector>

#include "shares/share_model.h"
#include "win32.h"

// The rows as the workers see them, and the base folder without a trailing
// backslash ("C:" for a drive root). Kept for the life of the process:
// workers may use it while the program ends.
extern ShareModel& ShareList;

// A row found by a scan, with its icon and its key in the list's order.
struct FoundRow {
    ShareRow row;
    int icon;
    std::string sortKey;
};

// The order the file list keeps its rows in: the system's linguistic
// comparison, which a plain byte comparison of these keys gives.
std::string fileListSortKey(const std::string& text);
bool fileListOrderLess(const std::string& a, const std::string& b);

// Puts the rows into FILELIST in the list's own order; they become the rows
// the workers see, under baseFolder. Takes the rows away.
void fillFileList(const std::string& baseFolder, std::vector<FoundRow>& found);

// Every row, the root included, becomes selected (shared).
void selectAllRows();

// Keeps the workers' rows in step with a selection or tick change of FILELIST.
void noteFileListNotification(const NMHDR* header);
