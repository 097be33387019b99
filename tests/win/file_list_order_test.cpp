#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "http/wide_text.h"
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
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 200;
    column.pszText = const_cast<wchar_t*>(L"File Name");
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));

    std::vector<std::string> names = {
        "\\", "\\a.txt", "\\B.txt", "\\a-b.txt", "\\ab.txt", "\\a_b", "\\a b", "\\docs\\",
        "\\docs\\a.txt", "\\docs-old\\", "\\docs2\\", "\\d\\", "\\d\\x", "\\a'b", "\\a~", "\\a{",
        "\\10", "\\9", "\\1a", "\\Z", "\\_x", "\\.x", "\\#a", "\\a#b", "\\co-op", "\\coop",
        "\\co op", "\\\u00e9t\u00e9", "\\eta", "\\\u00c9", "\\a\\b", "\\a b\\c", "\\a.b\\c",
        "\\a\\", "\\a%20b", "\\a+b", "\\README.TXT", "\\readme.md", "\\x\\y\\z\\", "\\x\\y\\",
        "\\x\\y-z\\", "\\x\\yz",
        // Names as written in other scripts, with look-alikes of the page's letters.
        u8"\\\u65e5\u672c\u8a9e.txt", u8"\\\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac",
        u8"\\\u041f\u0440\u0438\u0432\u0435\u0442", u8"\\\u0141\u00f3d\u017a.txt",
        u8"\\L\u00f3dz.txt", u8"\\emoji-\U0001f600.txt", u8"\\\uff0essh\uff3cid_rsa",
        u8"\\sub\uff3cx", u8"\\\uff1cb\uff1e"};
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
        std::wstring wide = Widen(name);
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.pszText = &wide[0];
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    std::vector<std::string> listed;
    for (int i = 0; i < static_cast<int>(names.size()); ++i) {
        wchar_t text[260] = {};
        LVITEMW item = {};
        item.pszText = text;
        item.cchTextMax = 260;
        const LRESULT length =
            SendMessageW(list, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
        listed.push_back(Narrow(text, static_cast<size_t>(length)));
    }
    DestroyWindow(list);

    std::vector<std::string> ours = names;
    std::stable_sort(ours.begin(), ours.end(), fileListOrderLess);
    EXPECT_EQ(ours, listed);
}

}  // namespace
