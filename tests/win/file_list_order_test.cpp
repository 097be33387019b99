#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "shares/share_list.h"
#include "win32.h"

#include <commctrl.h>

namespace {

// The scan sorts rows itself and appends them with the list's sorting off; the
// result must be the order the list would have given them.
TEST(FileListOrder, MatchesTheListsOwnSorting) {
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&classes);
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_POPUP | LVS_REPORT | LVS_SORTASCENDING, 0,
                                0, 300, 300, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(list, nullptr);
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 200;
    column.pszText = const_cast<char*>("File Name");
    SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));

    std::vector<std::string> names = {
        "\\",           "\\a.txt",     "\\B.txt",       "\\a-b.txt",    "\\ab.txt",   "\\a_b",
        "\\a b",        "\\docs\\",    "\\docs\\a.txt", "\\docs-old\\", "\\docs2\\",  "\\d\\",
        "\\d\\x",       "\\a'b",       "\\a~",          "\\a{",         "\\10",       "\\9",
        "\\1a",         "\\Z",         "\\_x",          "\\.x",         "\\#a",       "\\a#b",
        "\\co-op",      "\\coop",      "\\co op",       "\\\xe9t\xe9",  "\\eta",      "\\\xc9",
        "\\a\\b",       "\\a b\\c",    "\\a.b\\c",      "\\a\\",        "\\a%20b",    "\\a+b",
        "\\README.TXT", "\\readme.md", "\\x\\y\\z\\",   "\\x\\y\\",     "\\x\\y-z\\", "\\x\\yz"};
    std::mt19937 random(3);
    for (int i = 0; i < 300; ++i) {
        std::string name = "\\";
        const int length = 1 + random() % 8;
        for (int k = 0; k < length; ++k) name += "aB-_. 0z\\'#"[random() % 11];
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    std::vector<std::string> shuffled = names;
    std::shuffle(shuffled.begin(), shuffled.end(), random);
    for (const std::string& name : shuffled) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.pszText = const_cast<char*>(name.c_str());
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    std::vector<std::string> listed;
    for (int i = 0; i < static_cast<int>(names.size()); ++i) {
        char text[260] = {};
        LVITEMA item = {};
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        SendMessageA(list, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
        listed.push_back(text);
    }
    DestroyWindow(list);

    std::vector<std::string> ours = names;
    std::stable_sort(ours.begin(), ours.end(), fileListOrderLess);
    EXPECT_EQ(ours, listed);
}

}  // namespace
