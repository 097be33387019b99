// Delivering a shared file: open, last-modified date, the conditional rule, the body.
#pragma once

#include <cstdint>
#include <string>

#include "win32.h"

// Files up to this size are read whole and closed before anything is sent;
// larger ones are sent from the open file in pieces, so that memory per
// transfer does not grow with the file.
constexpr uint64_t kWholeFileLimit = 1 << 20;

// A file handle, closed however its holder ends (an exception included).
class OwnedFile {
public:
    explicit OwnedFile(HANDLE file = INVALID_HANDLE_VALUE) : file_(file) {}
    OwnedFile(OwnedFile&& other) noexcept : file_(other.release()) {}
    OwnedFile& operator=(OwnedFile&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    OwnedFile(const OwnedFile&) = delete;
    OwnedFile& operator=(const OwnedFile&) = delete;
    ~OwnedFile() { reset(INVALID_HANDLE_VALUE); }

    HANDLE get() const { return file_; }
    bool open() const { return file_ != INVALID_HANDLE_VALUE; }
    void reset(HANDLE file) {
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
        file_ = file;
    }
    HANDLE release() {
        const HANDLE file = file_;
        file_ = INVALID_HANDLE_VALUE;
        return file;
    }

private:
    HANDLE file_;
};

struct FileAnswer {
    std::string statusBlock;
    std::string body;           // the whole body of a small file ("GET" only)
    OwnedFile file;             // a large file still open for sending its body
    uint64_t streamLength = 0;  // bytes to send from file: the size announced
};

// The answer for fullPath (UTF-8), opened exactly as it is spelled, through
// its wide form (no code page, no stripping of
// trailing dots and spaces): not found when it cannot be opened as a disk file,
// not modified when ifModifiedSince equals its last-modified text exactly,
// else the file; a large file's answer holds it open.
FileAnswer DeliverFile(const std::string& fullPath, const std::string& method,
                       const std::string& ifModifiedSince);
