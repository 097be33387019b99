#include "shares/share_list.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "http/codecs_win.h"
#include "log/request_log.h"
#include "shares/read_folders.h"
#include "shares/size_text.h"
#include "ui/controls.h"
#include "ui/form.h"

ShareModel& ShareList = *new ShareModel;

namespace {

constexpr size_t kMaxPath = 259;
constexpr uint64_t kLargestListed = (1ull << 30) - 1;

// A row found by the running scan, before it reaches the list.
struct FoundRow {
    ShareRow row;
    int icon;
    std::string sortKey;
};

bool scanning = false;
constexpr ULONGLONG kPumpInterval = 10;
ULONGLONG pumpedAt = 0;
int folderCounter = 0;
std::vector<FoundRow> found;
std::unordered_map<std::string, int> iconByExtension;

// The list compares rows as the system's linguistic string comparison does;
// its sort key gives the same order for a plain byte comparison.
std::string sortKeyOf(const std::string& text) {
    const int size = LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY, text.c_str(), -1, nullptr, 0);
    std::string key(size > 0 ? size : 0, '\0');
    if (size > 0) LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY, text.c_str(), -1, &key[0], size);
    return key;
}

int shellIcon(const std::string& path, DWORD attributes, bool byAttributesOnly) {
    SHFILEINFOA info = {};
    UINT flags = SHGFI_SYSICONINDEX | SHGFI_SMALLICON;
    if (byAttributesOnly) flags |= SHGFI_USEFILEATTRIBUTES;
    SHGetFileInfoA(path.c_str(), attributes, &info, sizeof(info), flags);
    return info.iIcon;
}

// Files whose icon is their own (programs, icons, shortcuts) are asked for by
// path; for every other file the icon depends on its extension alone, so one
// answer per extension serves them all.
int fileIcon(const std::string& fullPath, const char* name) {
    const char* dot = std::strrchr(name, '.');
    std::string extension = dot ? dot : "";
    CharLowerBuffA(&extension[0], static_cast<DWORD>(extension.size()));
    static const char* const kOwnIcons[] = {".exe", ".ico", ".lnk", ".cur", ".ani", ".url",
                                            ".scr", ".cpl", ".msc", ".dll", ".pif"};
    for (const char* own : kOwnIcons)
        if (extension == own) return shellIcon(fullPath, 0, false);
    const auto cached = iconByExtension.find(extension);
    if (cached != iconByExtension.end()) return cached->second;
    const int icon = shellIcon("x" + extension, FILE_ATTRIBUTE_NORMAL, true);
    iconByExtension.emplace(extension, icon);
    return icon;
}

// A folder can have an icon of its own only when it is marked read-only (the
// mark that makes the shell read its desktop.ini); every other folder has the
// plain folder icon, asked for once. Asking the shell by path costs
// milliseconds a folder under Wine.
int folderIcon(const std::string& fullPath, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_READONLY) return shellIcon(fullPath, 0, false);
    static const int plain = shellIcon("folder", FILE_ATTRIBUTE_DIRECTORY, true);
    return plain;
}

void addFound(const std::string& path, int32_t group, int icon, const std::string& size,
              const std::string& modified) {
    FoundRow f;
    f.row.path = path;
    f.row.group = group;
    f.row.size = size;
    f.row.modified = modified;
    f.icon = icon;
    f.sortKey = sortKeyOf(path);
    found.push_back(std::move(f));
}

void scanLevel(std::string path) {
    while (!path.empty() && path.back() == '\\') path.pop_back();
    const int32_t thisFolder = folderCounter;
    std::string folderPath = path + "\\";
    if (folderPath.size() > kMaxPath) folderPath.resize(kMaxPath);
    const size_t baseLength = ShareList.BaseFolder().size();

    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA((folderPath + "*.*").c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE) {
        MessageBoxA(nullptr, ("Could not search " + folderPath).c_str(), "Search Error",
                    MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL);
        return;
    }
    const std::string relativeFolder =
        folderPath.size() > baseLength ? folderPath.substr(baseLength) : "\\";
    do {
        if (!scanMayGoOn()) break;
        const DWORD attributes = entry.dwFileAttributes;
        const std::string name = entry.cFileName;
        if (!(attributes &
              (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM))) {
            const uint64_t size =
                (static_cast<uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
            if (folderPath.size() + name.size() < kMaxPath && size <= kLargestListed &&
                !isRequestLogFile(folderPath + name)) {
                addFound(relativeFolder + name, thisFolder,
                         fileIcon(folderPath + name, entry.cFileName), SizeText(size),
                         FileTimeHttpDate(entry.ftLastWriteTime));
                countFoundFile();
            }
        } else if (name != "." && name != ".." &&
                   !(attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))) {
            addFound(relativeFolder + name + "\\", thisFolder,
                     folderIcon(folderPath + name, attributes), "", "");
            ++folderCounter;
            scanLevel(folderPath + name);
        }
        // The reading window stays responsive if what is queued is dispatched
        // every few milliseconds; dispatching after every name would cost a round
        // trip to the window server per name under Wine.
        const ULONGLONG now = GetTickCount64();
        if (now - pumpedAt >= kPumpInterval) {
            pumpMessages();
            pumpedAt = now;
        }
    } while (FindNextFileA(listing, &entry));
    FindClose(listing);
}

// Puts the scan's rows into the list in the list's own order. Inserting into a
// list that sorts itself costs time that grows with the square of the rows, so
// its sorting is switched off while the rows, sorted here, are appended.
void fillFileList(const std::string& baseFolder) {
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

void syncRowFlags(int index) {
    const LRESULT state =
        callControl(FILELIST, LVM_GETITEMSTATE, index, LVIS_SELECTED | LVIS_STATEIMAGEMASK);
    ShareList.SetFlags(index, (state & LVIS_SELECTED) != 0,
                       ((state & LVIS_STATEIMAGEMASK) >> 12) == 2);
}

int CALLBACK browseCallback(HWND dialog, UINT message, LPARAM lParam, LPARAM startPath) {
    if (message == BFFM_INITIALIZED) {
        SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, startPath);
    } else if (message == BFFM_SELCHANGED) {
        char path[MAX_PATH] = {};
        bool acceptable =
            SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(lParam), path) && path[0] != '\0';
        const DWORD attributes = acceptable ? GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
        acceptable = acceptable && attributes != INVALID_FILE_ATTRIBUTES &&
                     (attributes & FILE_ATTRIBUTE_DIRECTORY) && path[1] == ':';
        // A system folder is only acceptable as a drive root.
        if (acceptable && (attributes & FILE_ATTRIBUTE_SYSTEM)) {
            const size_t length = std::strlen(path);
            acceptable = length >= 2 && path[length - 2] == ':' && path[length - 1] == '\\';
        }
        SendMessageA(dialog, BFFM_ENABLEOK, 0, acceptable ? 1 : 0);
    }
    return 0;
}

// The surroundings of a scan: the main form disabled and the reading window
// shown while it runs; put back at its end however it ends, so that a scan cut
// short by a failure leaves no disabled form behind.
class ScanSurroundings {
public:
    ScanSurroundings() {
        scanning = true;
        EnableWindow(mainForm, FALSE);
        openReadFolders(mainForm);
    }
    ScanSurroundings(const ScanSurroundings&) = delete;
    ScanSurroundings& operator=(const ScanSurroundings&) = delete;
    ~ScanSurroundings() {
        EnableWindow(mainForm, TRUE);
        // The first scan runs before the form is shown. Shown now, before the
        // reading window goes, the form takes the activation from it;
        // otherwise the system hands it to a window of another program, and
        // that program may take it back from the form a moment later.
        if (!IsWindowVisible(mainForm)) ShowWindow(mainForm, SW_SHOWNORMAL);
        closeReadFolders();
        found.clear();
        scanning = false;
    }
};

}  // namespace

void ScanFolder(const std::string& path) {
    if (scanning || !FILELIST) return;
    folderCounter = 0;
    found.clear();
    std::string folder = path;
    while (!folder.empty() && folder.back() == '\\') folder.pop_back();
    if (path.empty()) folder = ShareList.BaseFolder();
    SendMessageA(FILELIST, LVM_DELETEALLITEMS, 0, 0);
    // Requests see no row at all while the scan runs, then the new rows whole.
    ShareList.Assign(folder, {});
    ScanSurroundings surroundings;
    addFound("\\", -1, shellIcon(folder + "\\", 0, false), "", "");

    scanLevel(folder);
    fillFileList(folder);
    waitForAcknowledgement();
}

std::string BrowseForFolder(HWND owner, const std::string& title, const std::string& startPath) {
    BROWSEINFOA browse = {};
    browse.hwndOwner = owner;
    browse.lpszTitle = title.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_RETURNFSANCESTORS |
                     BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
    browse.lpfn = browseCallback;
    browse.lParam = reinterpret_cast<LPARAM>(startPath.c_str());
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&browse);
    if (!chosen) return std::string();
    char path[MAX_PATH] = {};
    SHGetPathFromIDListA(chosen, path);
    CoTaskMemFree(chosen);
    return path;
}

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
            std::string target = ShareList.BaseFolder() + listViewItemText(control, index, 0);
            if (target.size() > kMaxPath) target.resize(kMaxPath);
            ShellExecuteA(mainForm, nullptr, target.c_str(), nullptr, nullptr, SW_SHOW);
        }
    }
    return 0;
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

bool fileListOrderLess(const std::string& a, const std::string& b) {
    return sortKeyOf(a) < sortKeyOf(b);
}
