#include "http/listing.h"

#include "http/codecs.h"

namespace {

const char kHead[] =
    "<HTML><HEAD><TITLE>Directory Listing</TITLE><STYLE TYPE='text/css'><!--TABLE{font-size:12;"
    "font-family:Arial;}--></STYLE></HEAD><BODY>";
const char kTableStart[] =
    "<TABLE width=100% border=1 cellspacing=0 cellpadding=0><TR><TH align=left>File Name</TH>"
    "<TH align=right>Size</TH><TH align=left>Modified</TH></TR>";
const char kTableEnd[] = "</TABLE>";
const char kPageEnd[] = "</BODY></HTML>";
const char kDenied[] = "<B>Directory Listing Denied</B>";

void AppendRow(std::string& page, const ShareQueries& shares, int index, const std::string& path) {
    page += "<TR><TD><A href=\"";
    page += EscapeLinkPath(path);
    page += "\">";
    page += ListingText(path);
    page += "</A>&nbsp;</TD><TD align=right>";
    page += shares.EntryText(index, 1);
    page += "&nbsp;</TD><TD>";
    page += shares.EntryText(index, 2);
    page += "&nbsp;</TD></TR>";
}

// One pass over the folder's own entries, in share-list order, adding the shared
// ones that are folders (or files).
void AppendGroup(std::string& page, const ShareQueries& shares, int32_t group, bool folders) {
    for (int i = shares.FindNextInGroup(-1, group); i >= 0; i = shares.FindNextInGroup(i, group)) {
        const std::string path = shares.EntryText(i, 0);
        if (EndsWithBackslash(path) == folders && shares.IsEntryShared(i))
            AppendRow(page, shares, i, path);
    }
}

}  // namespace

std::string ListingPage(const ShareQueries& shares, int index, const std::string& folderPath) {
    std::string page = kHead;
    page += kTableStart;
    // The folder's first content entry follows its own entry; its path must begin
    // with the folder path exactly as requested (letter case counts here).
    if (shares.EntryCount() > index + 1 &&
        shares.EntryText(index + 1, 0).compare(0, folderPath.size(), folderPath) == 0) {
        const int32_t group = shares.EntryGroup(index + 1);
        AppendGroup(page, shares, group, true);
        AppendGroup(page, shares, group, false);
    }
    page += kTableEnd;
    page += kPageEnd;
    return page;
}

std::string ListingDeniedPage() { return std::string(kHead) + kDenied + kPageEnd; }
