// Helpers for the tests that run against the real Win32 calls.
#pragma once

#include <string>

#include "win32.h"

// A fresh empty folder under the temporary folder, removed with its files.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }
    void Write(const std::string& name, const std::string& bytes) const;

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
