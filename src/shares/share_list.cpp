#include "shares/share_list.h"

#include <algorithm>

#include "http/wide_text.h"
#include "ui/controls.h"
#include "ui/form.h"

ShareModel& ShareList = *new ShareModel;

namespace {

void syncRowFlags(int index) {
    const LRESULT state =
        callControl(FILELIST, LVM_GETITEMSTATE, index, LVIS_SELECTED | LVIS_STATEIMAGEMASK);
    ShareList.SetFlags(index, (state & LVIS_SELECTED) != 0, listViewStateChecked(state));
}

}  // namespace

// The list compares rows as the system's linguistic string comparison does;
// its sort key gives the same order for a plain byte comparison. The names
// are compared as written, never through a code page.
std::string fileListSortKey(const std::string& text) {
    const std::wstring wide = Widen(text);
    const int size = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY, wide.c_str(), -1, nullptr, 0);
    std::string key(size > 0 ? size : 0, '\0');
    if (size > 0)
        LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY, wide.c_str(), -1,
                     reinterpret_cast<LPWSTR>(&key[0]), size);
    return key;
}

bool fileListOrderLess(const std::string& a, const std::string& b) {
    return fileListSortKey(a) < fileListSortKey(b);
}

// Puts the scan's rows into the list in the list's own order. Inserting into a
// list that sorts itself costs time that grows with the square of the rows, so
// its sorting is switched off while the rows, sorted here, are appended.
void fillFileList(const std::string& baseFolder, std::vector<FoundRow>& found) {
    std::stable_sort(found.begin(), found.end(),
                     [](const FoundRow& a, const FoundRow& b) { return a.sortKey < b.sortKey; });
    const LONG_PTR style = GetWindowLongPtrA(FILELIST, GWL_STYLE);
    SendMessageA(FILELIST, WM_SETREDRAW, FALSE, 0);
    SetWindowLongPtrA(FILELIST, GWL_STYLE, style & ~static_cast<LONG_PTR>(LVS_SORTASCENDING));
    SendMessageA(FILELIST, LVM_SETITEMCOUNT, found.size(), 0);
    std::vector<ShareRow> rows;
    rows.reserve(found.size());
    for (size_t i = 0; i < found.size(); ++i) {
        const FoundRow& f = found[i];
        const int index =
            listViewSetItem(FILELIST, static_cast<int>(i), 0, f.row.path, f.row.group, f.icon);
        if (!f.row.size.empty()) listViewSetItem(FILELIST, index, 1, f.row.size, 0, f.icon);
        if (!f.row.modified.empty()) listViewSetItem(FILELIST, index, 2, f.row.modified, 0, f.icon);
        rows.push_back(f.row);
        // A long list takes a moment to fill: the reading window stays responsive.
        if (i % 256 == 255) pumpMessages();
    }
    SetWindowLongPtrA(FILELIST, GWL_STYLE, style);
    SendMessageA(FILELIST, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(FILELIST, nullptr, TRUE);
    ShareList.Assign(baseFolder, std::move(rows));
    found.clear();
    found.shrink_to_fit();
}

void selectAllRows() {
    LVITEMA state = {};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    SendMessageA(FILELIST, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(&state));
}

void noteFileListNotification(const NMHDR* header) {
    if (!header || !FILELIST || header->hwndFrom != FILELIST || header->code != LVN_ITEMCHANGED)
        return;
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
    if (!(change->uChanged & LVIF_STATE)) return;
    if (change->iItem >= 0) {
        syncRowFlags(change->iItem);
        return;
    }
    const int count = static_cast<int>(callControl(FILELIST, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) syncRowFlags(i);
}
