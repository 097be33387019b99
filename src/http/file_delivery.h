// Delivering a shared file: open, last-modified date, the conditional rule, the body.
#pragma once

#include <cstdint>
#include <string>

#include "win32.h"

// Files up to this size are read whole and closed before anything is sent;
// larger ones are sent from the open file in pieces, so that memory per
// transfer does not grow with the file.
constexpr uint64_t kWholeFileLimit = 1 << 20;

struct FileAnswer {
    std::string statusBlock;
    std::string body;                    // the whole body of a small file ("GET" only)
    HANDLE file = INVALID_HANDLE_VALUE;  // a large file still open for sending its body
    uint64_t streamLength = 0;           // bytes to send from file: the size announced
};

// The answer for fullPath, opened exactly as it is spelled (no stripping of
// trailing dots and spaces): not found when it cannot be opened as a disk file,
// not modified when ifModifiedSince equals its last-modified text exactly,
// else the file. The caller closes answer.file when it is open.
FileAnswer DeliverFile(const std::string& fullPath, const std::string& method,
                       const std::string& ifModifiedSince);
