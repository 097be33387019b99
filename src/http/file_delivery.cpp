#include "http/file_delivery.h"

#include <utility>

#include "http/answer.h"
#include "http/codecs_win.h"
#include "http/exact_path.h"
#include "http/wide_text.h"
#include "log/request_log.h"

FileAnswer DeliverFile(const std::string& fullPath, const std::string& method,
                       const std::string& ifModifiedSince) {
    FileAnswer answer;
    answer.statusBlock = kNotFoundStatus;
    // Opened as named: a row whose name ends in "." or " " must not reach the
    // file that the name without them would. The file stays its owner's while
    // it is sent: other programs may still read, write, rename and delete it.
    OwnedFile file(CreateFileW(Widen(PathToOpen(fullPath)).c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.open()) return answer;
    FILETIME written = {};
    LARGE_INTEGER size = {};
    // Only plain disk files are served: a name that reaches a device gets 404,
    // and so does every way to the log files, which hold every client's
    // credential line.
    if (GetFileType(file.get()) != FILE_TYPE_DISK || isRequestLogHandle(file.get()) ||
        !GetFileTime(file.get(), nullptr, nullptr, &written) || !GetFileSizeEx(file.get(), &size))
        return answer;
    const std::string lastModified = FileTimeHttpDate(written);
    if (ifModifiedSince == lastModified) {
        answer.statusBlock = kNotModifiedStatus;
        return answer;
    }
    const uint64_t length = static_cast<uint64_t>(size.QuadPart);
    answer.statusBlock = FileStatus(lastModified, length);
    if (method != "GET" || length == 0) return answer;
    if (length > kWholeFileLimit) {
        answer.file = std::move(file);
        answer.streamLength = length;
        return answer;
    }
    answer.body.resize(static_cast<size_t>(length));
    DWORD read = 0;
    if (!ReadFile(file.get(), &answer.body[0], static_cast<DWORD>(length), &read, nullptr))
        read = 0;
    answer.body.resize(read);  // a file that shrank meanwhile: what was read, same length announced
    return answer;
}
