#include <gtest/gtest.h>

#include "http/listing.h"
#include "share_rows.h"

namespace {

const std::string kHead =
    "<HTML><HEAD><TITLE>Directory Listing</TITLE><STYLE TYPE='text/css'><!--TABLE{font-size:12;"
    "font-family:Arial;}--></STYLE></HEAD><BODY>";
const std::string kTableStart =
    "<TABLE width=100% border=1 cellspacing=0 cellpadding=0><TR><TH align=left>File Name</TH>"
    "<TH align=right>Size</TH><TH align=left>Modified</TH></TR>";
const std::string kEnd = "</TABLE></BODY></HTML>";

std::string RowHtml(const std::string& link, const std::string& text, const std::string& size,
                    const std::string& modified) {
    return "<TR><TD><A href=\"" + link + "\">" + text + "</A>&nbsp;</TD><TD align=right>" + size +
           "&nbsp;</TD><TD>" + modified + "&nbsp;</TD></TR>";
}

const char kDate[] = "Tue, 08 Dec 2026 03:28:47 GMT";

TEST(ListingPage, RootListsFoldersThenFiles) {
    ShareView model("C:\\www", {Row("\\", -1), Row("\\a.txt", 0, true, false, ".1 KB", kDate),
                                Row("\\d\\", 0)});
    EXPECT_EQ(ListingPage(model, 0, "\\"), kHead + kTableStart + RowHtml("/d/", "\\d\\", "", "") +
                                               RowHtml("/a.txt", "\\a.txt", ".1 KB", kDate) + kEnd);
}

TEST(ListingPage, Cases) {
    ShareView model(
        "C:\\www",
        {
            Row("\\", -1),
            Row("\\a#b.txt", 0, true, false, "1 KB", kDate),
            Row("\\docs\\", 0),
            Row("\\docs\\deep\\", 2),
            Row("\\docs\\deep\\inner.txt", 3, true, false, "2 KB", kDate),
            Row("\\docs\\hidden.txt", 2, false, false, "3 KB", kDate),
            Row("\\docs\\<b>&.txt", 2, true, true, "4 KB", kDate),
            Row("\\docs\\50% caf\xC3\xA9.txt", 2, true, false, "6 KB", kDate),
            Row("\\docs\\\xE6\x97\xA5\xF0\x9F\x98\x80.txt", 2, true, false, "7 KB", kDate),
            Row("\\empty\\", 0),
            Row("\\zz.txt", 0, false, false, "5 KB", kDate),
        });
    const struct {
        const char* name;
        int index;
        std::string path;
        std::string rows;
    } cases[] = {
        {"root: shared entries of group 0 only, unshared left out", 0, "\\",
         RowHtml("/docs/", "\\docs\\", "", "") + RowHtml("/empty/", "\\empty\\", "", "") +
             RowHtml("/a%23b.txt", "\\a#b.txt", "1 KB", kDate)},
        {"sub-folder: its own group, deeper entries not listed, texts unescaped", 2, "\\docs\\",
         RowHtml("/docs/deep/", "\\docs\\deep\\", "", "") +
             RowHtml("/docs/<b>%26.txt", "\\docs\\<b>&.txt", "4 KB", kDate) +
             RowHtml("/docs/50%25 caf%C3%A9.txt", "\\docs\\50% caf\xE9.txt", "6 KB", kDate) +
             RowHtml("/docs/%E6%97%A5%F0%9F%98%80.txt", "\\docs\\&#x65E5;&#x1F600;.txt", "7 KB",
                     kDate)},
        {"other letter case: found, but the contents test counts case", 2, "\\DOCS\\", ""},
        {"empty folder", 9, "\\empty\\", ""},
        {"last row has no follower", 10, "\\zz.txt\\", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ListingPage(model, c.index, c.path), kHead + kTableStart + c.rows + kEnd)
            << c.name;
}

TEST(ListingPage, EmptyOrUnexpectedListGivesTheHeaderRowOnly) {
    ShareView model("C:\\www", {});
    EXPECT_EQ(ListingPage(model, 0, "\\"), kHead + kTableStart + kEnd);
    EXPECT_EQ(ListingPage(model, -1, "\\"), kHead + kTableStart + kEnd);
}

TEST(ListingDeniedPage, Exactly) {
    EXPECT_EQ(ListingDeniedPage(), kHead + "<B>Directory Listing Denied</B></BODY></HTML>");
    EXPECT_EQ(ListingDeniedPage().find('\n'), std::string::npos);
}

}  // namespace
