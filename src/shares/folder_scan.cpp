#include "shares/folder_scan.h"

#include <vector>

#include "http/codecs_win.h"
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
    fillFileList(folder, found);
    waitForAcknowledgement();
}
