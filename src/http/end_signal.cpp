#include "http/end_signal.h"

#include <atomic>

namespace {

SOCKET watched = INVALID_SOCKET;  // set once before any worker starts, never closed
SOCKET raiser = INVALID_SOCKET;
std::atomic<bool> raised{false};

void closeIfOpen(SOCKET& s) {
    if (s != INVALID_SOCKET) closesocket(s);
    s = INVALID_SOCKET;
}

}  // namespace

void openEndSignal() {
    if (watched != INVALID_SOCKET) return;
    SOCKET listening = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listening == INVALID_SOCKET) return;
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof(local);
    SOCKET client = INVALID_SOCKET, server = INVALID_SOCKET;
    if (bind(listening, reinterpret_cast<sockaddr*>(&local), sizeof(local)) == 0 &&
        listen(listening, 1) == 0 &&
        getsockname(listening, reinterpret_cast<sockaddr*>(&local), &length) == 0) {
        client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (client != INVALID_SOCKET &&
            connect(client, reinterpret_cast<sockaddr*>(&local), sizeof(local)) == 0)
            server = accept(listening, nullptr, nullptr);
    }
    closesocket(listening);
    if (server == INVALID_SOCKET) {
        closeIfOpen(client);
        return;
    }
    watched = server;
    raiser = client;
}

SOCKET endSignalSocket() { return watched; }

bool endSignalled() { return raised.load(); }

void raiseEndSignal() {
    if (raised.exchange(true) || raiser == INVALID_SOCKET) return;
    const char byte = 1;
    send(raiser, &byte, 1, 0);
}
