#include "shares/folder_browser.h"

#include <cstring>

#include "win32_shell.h"

namespace {

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

}  // namespace

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
