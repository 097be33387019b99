#include "http/file_delivery.h"

#include "http/answer.h"
#include "http/codecs_win.h"
#include "http/exact_path.h"

namespace {

std::wstring WidePath(const std::string& path) {
    const int size = static_cast<int>(path.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, path.data(), size, nullptr, 0);
    std::wstring wide(length > 0 ? length : 0, L'\0');
    if (length > 0) MultiByteToWideChar(CP_ACP, 0, path.data(), size, &wide[0], length);
    return wide;
}

}  // namespace

FileAnswer DeliverFile(const std::string& fullPath, const std::string& method,
                       const std::string& ifModifiedSince) {
    FileAnswer answer;
    answer.statusBlock = kNotFoundStatus;
    // Opened as named: a row whose name ends in "." or " " must not reach the
    // file that the name without them would. The file stays its owner's while
    // it is sent: other programs may still read, write, rename and delete it.
    HANDLE file = CreateFileW(WidePath(PathToOpen(fullPath)).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return answer;
    FILETIME written = {};
    LARGE_INTEGER size = {};
    // Only plain disk files are served: a name that reaches a device gets 404.
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileTime(file, nullptr, nullptr, &written) ||
        !GetFileSizeEx(file, &size)) {
        CloseHandle(file);
        return answer;
    }
    const std::string lastModified = FileTimeHttpDate(written);
    if (ifModifiedSince == lastModified) {
        CloseHandle(file);
        answer.statusBlock = kNotModifiedStatus;
        return answer;
    }
    const uint64_t length = static_cast<uint64_t>(size.QuadPart);
    answer.statusBlock = FileStatus(lastModified, length);
    if (method != "GET" || length == 0) {
        CloseHandle(file);
        return answer;
    }
    if (length > kWholeFileLimit) {
        answer.file = file;
        answer.streamLength = length;
        return answer;
    }
    answer.body.resize(static_cast<size_t>(length));
    DWORD read = 0;
    if (!ReadFile(file, &answer.body[0], static_cast<DWORD>(length), &read, nullptr)) read = 0;
    answer.body.resize(read);  // a file that shrank meanwhile: what was read, same length announced
    CloseHandle(file);
    return answer;
}
