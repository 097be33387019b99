#include "shares/shell_icons.h"

#include <unordered_map>

#include "win32_shell.h"

namespace {

std::unordered_map<std::wstring, int> iconByExtension;

}  // namespace

int shellIcon(const std::wstring& path, DWORD attributes, bool byAttributesOnly) {
    SHFILEINFOW info = {};
    UINT flags = SHGFI_SYSICONINDEX | SHGFI_SMALLICON;
    if (byAttributesOnly) flags |= SHGFI_USEFILEATTRIBUTES;
    SHGetFileInfoW(path.c_str(), attributes, &info, sizeof(info), flags);
    return info.iIcon;
}

// Files whose icon is their own (programs, icons, shortcuts) are asked for by
// path; for every other file the icon depends on its extension alone, so one
// answer per extension serves them all.
int fileIcon(const std::wstring& fullPath, const std::wstring& name) {
    const size_t dot = name.rfind(L'.');
    std::wstring extension = dot == std::wstring::npos ? std::wstring() : name.substr(dot);
    if (!extension.empty()) CharLowerBuffW(&extension[0], static_cast<DWORD>(extension.size()));
    static const wchar_t* const kOwnIcons[] = {L".exe", L".ico", L".lnk", L".cur", L".ani", L".url",
                                               L".scr", L".cpl", L".msc", L".dll", L".pif"};
    for (const wchar_t* own : kOwnIcons)
        if (extension == own) return shellIcon(fullPath, 0, false);
    const auto cached = iconByExtension.find(extension);
    if (cached != iconByExtension.end()) return cached->second;
    const int icon = shellIcon(L"x" + extension, FILE_ATTRIBUTE_NORMAL, true);
    iconByExtension.emplace(extension, icon);
    return icon;
}

// A folder can have an icon of its own only when it is marked read-only (the
// mark that makes the shell read its desktop.ini); every other folder has the
// plain folder icon, asked for once. Asking the shell by path costs
// milliseconds a folder under Wine.
int folderIcon(const std::wstring& fullPath, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_READONLY) return shellIcon(fullPath, 0, false);
    static const int plain = shellIcon(L"folder", FILE_ATTRIBUTE_DIRECTORY, true);
    return plain;
}
