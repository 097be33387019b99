#include "shares/folder_browser.h"

#include "http/wide_text.h"
#include "win32_shell.h"

namespace {

int CALLBACK browseCallback(HWND dialog, UINT message, LPARAM lParam, LPARAM startPath) {
    if (message == BFFM_INITIALIZED) {
        SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, startPath);
    } else if (message == BFFM_SELCHANGED) {
        wchar_t path[MAX_PATH] = {};
        bool acceptable =
            SHGetPathFromIDListW(reinterpret_cast<LPCITEMIDLIST>(lParam), path) && path[0] != L'\0';
        const DWORD attributes = acceptable ? GetFileAttributesW(path) : INVALID_FILE_ATTRIBUTES;
        acceptable = acceptable && attributes != INVALID_FILE_ATTRIBUTES &&
                     (attributes & FILE_ATTRIBUTE_DIRECTORY) && path[1] == L':';
        // A system folder is only acceptable as a drive root.
        if (acceptable && (attributes & FILE_ATTRIBUTE_SYSTEM)) {
            const size_t length = wcslen(path);
            acceptable = length >= 2 && path[length - 2] == L':' && path[length - 1] == L'\\';
        }
        SendMessageW(dialog, BFFM_ENABLEOK, 0, acceptable ? 1 : 0);
    }
    return 0;
}

}  // namespace

// Wide throughout: the folder chosen is the folder as the file system names it.
std::string BrowseForFolder(HWND owner, const std::string& title, const std::string& startPath) {
    const std::wstring wideTitle = Widen(title);
    const std::wstring wideStart = Widen(startPath);
    BROWSEINFOW browse = {};
    browse.hwndOwner = owner;
    browse.lpszTitle = wideTitle.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_RETURNFSANCESTORS |
                     BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
    browse.lpfn = browseCallback;
    browse.lParam = reinterpret_cast<LPARAM>(wideStart.c_str());
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
    if (!chosen) return std::string();
    wchar_t path[MAX_PATH] = {};
    SHGetPathFromIDListW(chosen, path);
    CoTaskMemFree(chosen);
    return Narrow(path, wcslen(path));
}
