#include "shares/file_list_handler.h"

#include <string>

#include "http/unicode.h"
#include "http/wide_text.h"
#include "shares/folder_scan.h"
#include "shares/share_list.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace {

constexpr size_t kMaxPath = 259;

}  // namespace

LRESULT fileListHandler(LONG_PTR, HWND, HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN && wParam == VK_F5) {
        ScanFolder(std::string());
        return 1;
    }
    if (message == WM_KEYDOWN && wParam == 'A' && GetKeyState(VK_CONTROL) < 0) {
        selectAllRows();
        return 1;
    }
    if (message == WM_LBUTTONDBLCLK) {
        LVHITTESTINFO hit = {};
        hit.pt.x = static_cast<short>(LOWORD(lParam));
        hit.pt.y = static_cast<short>(HIWORD(lParam));
        const int index =
            static_cast<int>(SendMessageA(control, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        if (index > 0 &&
            (hit.flags & (LVHT_ONITEMICON | LVHT_ONITEMLABEL | LVHT_ONITEMSTATEICON))) {
            const std::wstring target = Widen(CutToUtf16Units(
                ShareList.BaseFolder() + listViewItemText(control, index, 0), kMaxPath));
            ShellExecuteW(mainForm, nullptr, target.c_str(), nullptr, nullptr, SW_SHOW);
        }
    }
    return 0;
}
