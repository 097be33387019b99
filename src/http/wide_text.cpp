#include "http/wide_text.h"

#include "http/unicode.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wide text of the system is UTF-16");

std::wstring Widen(const std::string& utf8) {
    const std::u16string wide = Utf8ToUtf16(utf8);
    return std::wstring(wide.begin(), wide.end());
}

std::string Narrow(const wchar_t* wide, size_t length) {
    return Utf16ToUtf8(reinterpret_cast<const char16_t*>(wide), length);
}

std::string Narrow(const std::wstring& wide) { return Narrow(wide.data(), wide.size()); }

std::wstring CurrentDirectoryWide() {
    std::wstring folder(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), &folder[0]);
        if (length == 0) return std::wstring();
        if (length < folder.size()) {
            folder.resize(length);
            return folder;
        }
        folder.assign(length, L'\0');
    }
}
