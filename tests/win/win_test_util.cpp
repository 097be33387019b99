#include "win_test_util.h"

#include <gtest/gtest.h>

#include <atomic>

#include "http/exact_path.h"

namespace {

struct WinsockUser {
    WinsockUser() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~WinsockUser() { WSACleanup(); }
} winsockUser;

std::atomic<int> folderCounter{0};

// Exact paths throughout, so that names ending in "." or " " go too.
void RemoveTree(const std::wstring& exactPath) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((exactPath + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring full = exactPath + L"\\" + name;
            SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                DeleteFileW(full.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(exactPath.c_str());
}

}  // namespace

std::wstring ExactWidePath(const std::string& path) {
    const std::string exact = ExactPath(path);
    const int size = static_cast<int>(exact.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, exact.data(), size, nullptr, 0);
    std::wstring wide(length > 0 ? length : 0, L'\0');
    if (length > 0) MultiByteToWideChar(CP_ACP, 0, exact.data(), size, &wide[0], length);
    return wide;
}

TempFolder::TempFolder() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    path_ = std::string(base) + "zant_test_" + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(folderCounter++);
    RemoveTree(ExactWidePath(path_));
    CreateDirectoryA(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() { RemoveTree(ExactWidePath(path_)); }

void TempFolder::Write(const std::string& name, const std::string& bytes) const {
    HANDLE file = CreateFileW(ExactWidePath(File(name)).c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << name;
    DWORD written = 0;
    if (!bytes.empty())
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, bytes.size());
}

void TempFolder::MakeFolder(const std::string& name) const {
    ASSERT_TRUE(CreateDirectoryW(ExactWidePath(File(name)).c_str(), nullptr)) << name;
}

std::string ReadWholeFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

SocketPair::SocketPair() {
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof(address);
    bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    listen(listener, 1);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    connect(client, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    server = accept(listener, nullptr, nullptr);
    closesocket(listener);
    u_long nonBlocking = 1;
    ioctlsocket(server, FIONBIO, &nonBlocking);
}

SocketPair::~SocketPair() {
    if (server != INVALID_SOCKET) closesocket(server);
    if (client != INVALID_SOCKET) closesocket(client);
}

std::string ReceiveAll(SOCKET s, int timeoutMs) {
    std::string bytes;
    char buffer[65536];
    for (;;) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(s, &readable);
        timeval wait = {timeoutMs / 1000, timeoutMs % 1000 * 1000};
        if (select(0, &readable, nullptr, nullptr, &wait) != 1) break;
        const int got = recv(s, buffer, sizeof(buffer), 0);
        if (got <= 0) break;
        bytes.append(buffer, got);
    }
    return bytes;
}
