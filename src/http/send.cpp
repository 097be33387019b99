#include "http/send.h"

#include <algorithm>
#include <memory>

#include "http/deadline.h"
#include "http/end_signal.h"

namespace {

constexpr size_t kFilePiece = 1024 * 1024;

// False when the wait ran out, failed, or the program ends.
bool WaitWritable(SOCKET connection, DWORD timeoutMs) {
    fd_set writable, ended;
    FD_ZERO(&writable);
    FD_SET(connection, &writable);
    FD_ZERO(&ended);
    const SOCKET end = endSignalSocket();
    if (end != INVALID_SOCKET) FD_SET(end, &ended);
    timeval wait = {static_cast<long>(timeoutMs / 1000),
                    static_cast<long>(timeoutMs % 1000 * 1000)};
    return select(0, &ended, &writable, nullptr, &wait) > 0 && !FD_ISSET(end, &ended) &&
           FD_ISSET(connection, &writable);
}

// Sends the buffers in order. The connection is non-blocking: a send that
// finds no room is the sign to wait, so a connection that keeps up costs no
// wait at all.
bool SendBuffers(SOCKET connection, WSABUF* buffers, DWORD count, DWORD timeoutMs, SendPace& pace) {
    for (;;) {
        while (count > 0 && buffers->len == 0) ++buffers, --count;
        if (count == 0) return true;
        if (endSignalled()) return false;
        DWORD sent = 0;
        if (WSASend(connection, buffers, count, &sent, 0, nullptr, nullptr) == SOCKET_ERROR) {
            if (WSAGetLastError() != WSAEWOULDBLOCK) return false;
            const DWORD wait = pace.WaitLimit(GetTickCount64(), timeoutMs);
            if (wait == 0 || !WaitWritable(connection, wait)) return false;
            continue;
        }
        pace.Took(sent, GetTickCount64());
        for (; count > 0 && sent >= buffers->len; ++buffers, --count) sent -= buffers->len;
        if (count > 0) {
            buffers->buf += sent;
            buffers->len -= sent;
        }
    }
}

WSABUF Piece(const char* data, size_t size) {
    return {static_cast<ULONG>(size), const_cast<char*>(data)};
}

}  // namespace

bool SendAnswer(SOCKET connection, const std::string& head, const std::string& body,
                DWORD timeoutMs) {
    SendPace pace(GetTickCount64());
    WSABUF buffers[2] = {Piece(head.data(), head.size()), Piece(body.data(), body.size())};
    return SendBuffers(connection, buffers, 2, timeoutMs, pace);
}

bool SendFromFile(SOCKET connection, const std::string& head, HANDLE file, uint64_t length,
                  DWORD timeoutMs) {
    SendPace pace(GetTickCount64());
    std::unique_ptr<char[]> buffer(new char[kFilePiece]);
    // The head travels with the first piece of the body, as one block would.
    WSABUF buffers[2] = {Piece(head.data(), head.size()), {}};
    bool first = true;
    uint64_t left = length;
    for (;;) {
        const DWORD want = static_cast<DWORD>(std::min<uint64_t>(left, kFilePiece));
        DWORD got = 0;
        if (want > 0 && !ReadFile(file, buffer.get(), want, &got, nullptr)) got = 0;
        left -= got;
        buffers[1] = Piece(buffer.get(), got);
        // Later pieces carry only file bytes.
        if (!SendBuffers(connection, first ? buffers : buffers + 1, first ? 2 : 1, timeoutMs, pace))
            return false;
        first = false;
        if (got == 0 || left == 0) return true;
    }
}
