#include "shares/folder_scan.h"

#include <vector>

#include "http/codecs_win.h"
#include "http/unicode.h"
#include "http/wide_text.h"
#include "log/request_log.h"
#include "shares/read_folders.h"
#include "shares/share_list.h"
#include "shares/shell_icons.h"
#include "shares/size_text.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace {

constexpr size_t kMaxPath = 259;
constexpr uint64_t kLargestListed = (1ull << 30) - 1;

bool scanning = false;
constexpr ULONGLONG kPumpInterval = 10;
ULONGLONG pumpedAt = 0;
int folderCounter = 0;
size_t baseLength = 0;  // of the base folder, in UTF-16 units
std::vector<FoundRow> found;

void addFound(const std::string& path, int32_t group, int icon, const std::string& size,
              const std::string& modified) {
    FoundRow f;
    f.row.path = path;
    f.row.group = group;
    f.row.size = size;
    f.row.modified = modified;
    f.icon = icon;
    f.sortKey = fileListSortKey(path);
    found.push_back(std::move(f));
}

// Lengths here are UTF-16 units, as the system counts them; the names reach
// the rows exactly as the file system spells them.
void scanLevel(std::wstring path) {
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    const int32_t thisFolder = folderCounter;
    const std::wstring folderPath = Widen(CutToUtf16Units(Narrow(path + L"\\"), kMaxPath));

    // A search pattern must fit the system's path buffer, as it must for the
    // classic calls: a folder this deep (its path perhaps cut above) cannot be
    // searched, whatever this system's own limit.
    const std::wstring pattern = folderPath + L"*.*";
    WIN32_FIND_DATAW entry;
    HANDLE listing =
        pattern.size() < MAX_PATH ? FindFirstFileW(pattern.c_str(), &entry) : INVALID_HANDLE_VALUE;
    if (listing == INVALID_HANDLE_VALUE) {
        MessageBoxW(nullptr, (L"Could not search " + folderPath).c_str(), L"Search Error",
                    MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL);
        return;
    }
    const std::string relativeFolder =
        folderPath.size() > baseLength ? Narrow(folderPath.substr(baseLength)) : "\\";
    do {
        if (!scanMayGoOn()) break;
        const DWORD attributes = entry.dwFileAttributes;
        const std::wstring name = entry.cFileName;
        if (!(attributes &
              (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM))) {
            const uint64_t size =
                (static_cast<uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
            if (folderPath.size() + name.size() < kMaxPath && size <= kLargestListed &&
                !isRequestLogFile(folderPath + name)) {
                addFound(relativeFolder + Narrow(name), thisFolder,
                         fileIcon(folderPath + name, name), SizeText(size),
                         FileTimeHttpDate(entry.ftLastWriteTime));
                countFoundFile();
            }
        } else if (name != L"." && name != L".." &&
                   !(attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))) {
            addFound(relativeFolder + Narrow(name) + "\\", thisFolder,
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
    } while (FindNextFileW(listing, &entry));
    FindClose(listing);
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
    const std::wstring wideFolder = Widen(folder);
    baseLength = wideFolder.size();
    addFound("\\", -1, shellIcon(wideFolder + L"\\", 0, false), "", "");

    scanLevel(wideFolder);
    fillFileList(folder, found);
    waitForAcknowledgement();
}
