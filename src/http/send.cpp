#include "http/send.h"

#include <algorithm>
#include <memory>

namespace {

constexpr size_t kFilePiece = 1024 * 1024;

bool WaitWritable(SOCKET connection, DWORD timeoutMs) {
    fd_set writable;
    FD_ZERO(&writable);
    FD_SET(connection, &writable);
    timeval wait = {static_cast<long>(timeoutMs / 1000),
                    static_cast<long>(timeoutMs % 1000 * 1000)};
    return select(0, nullptr, &writable, nullptr, &wait) == 1;
}

}  // namespace

bool SendBytes(SOCKET connection, const char* data, size_t size, DWORD timeoutMs) {
    // The connection is non-blocking: a send that finds no room is the sign to
    // wait, so a connection that keeps up costs no wait at all.
    while (size > 0) {
        const int piece = static_cast<int>(std::min<size_t>(size, 1 << 30));
        const int sent = send(connection, data, piece, 0);
        if (sent == SOCKET_ERROR) {
            if (WSAGetLastError() != WSAEWOULDBLOCK || !WaitWritable(connection, timeoutMs))
                return false;
            continue;
        }
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

bool SendFromFile(SOCKET connection, const std::string& head, HANDLE file, uint64_t length,
                  DWORD timeoutMs) {
    // The head travels with the first piece of the body, as one block would.
    std::unique_ptr<char[]> buffer(new char[head.size() + kFilePiece]);
    size_t filled = head.copy(buffer.get(), head.size());
    uint64_t left = length;
    for (;;) {
        const DWORD want = static_cast<DWORD>(std::min<uint64_t>(left, kFilePiece));
        DWORD got = 0;
        if (want > 0 && !ReadFile(file, buffer.get() + filled, want, &got, nullptr)) got = 0;
        filled += got;
        left -= got;
        if (filled > 0 && !SendBytes(connection, buffer.get(), filled, timeoutMs)) return false;
        if (got == 0 || left == 0) return true;
        filled = 0;  // later pieces carry only file bytes
    }
}
