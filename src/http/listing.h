// The generated folder pages: the listing of a shared folder and the page for
// a folder that is not shared. Made from the share list alone.
#pragma once

#include <string>

#include "http/share_queries.h"

// The listing page for the folder entry at index, requested as folderPath
// (UTF-8, ending in "\"): its shared sub-folders first, then its shared files,
// each shown in the current code page.
std::string ListingPage(const ShareQueries& shares, int index, const std::string& folderPath);

std::string ListingDeniedPage();
