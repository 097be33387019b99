// Helpers for the tests that run against the real Win32 calls.
#pragma once

#include <string>

#include "win32.h"

// A path in the "\\?\" form, as UTF-16: made and removed exactly as named,
// trailing dots and spaces included.
std::wstring ExactWidePath(const std::string& path);

// A fresh empty folder under the temporary folder, removed with its files.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }
    // Files and folders are made exactly as named.
    void Write(const std::string& name, const std::string& bytes) const;
    void MakeFolder(const std::string& name) const;

private:
    std::string path_;
};

std::string ReadWholeFile(const std::string& path);

// A connected pair of loopback TCP sockets; server is the accepted side.
struct SocketPair {
    SOCKET server = INVALID_SOCKET;
    SOCKET client = INVALID_SOCKET;
    SocketPair();
    ~SocketPair();
};

// Receives until the peer closes or timeoutMs passes without data.
std::string ReceiveAll(SOCKET s, int timeoutMs = 5000);
