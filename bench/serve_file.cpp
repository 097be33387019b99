// Serves one file through the program's own delivery and send path to a given
// number of loopback connections, then reports its memory use. Driven by
// bench/file_delivery.sh, which fetches it with curl beside nginx.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "http/answer.h"
#include "http/file_delivery.h"
#include "http/send.h"
#include "win32.h"

#include <psapi.h>

namespace {

SIZE_T WorkingSet(bool peak) {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return peak ? counters.PeakWorkingSetSize : counters.WorkingSetSize;
}

void ReadHeader(SOCKET connection) {
    std::string seen;
    char buffer[4096];
    while (seen.find("\r\n\r\n") == std::string::npos) {
        const int got = recv(connection, buffer, sizeof(buffer), 0);
        if (got <= 0) return;
        seen.append(buffer, got);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: serve_file port path connections\n");
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const std::string path = argv[2];
    const int connections = std::atoi(argv[3]);
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(listener, 5) != 0) {
        std::fprintf(stderr, "cannot listen on %d\n", port);
        return 1;
    }
    std::printf("listening\n");
    std::fflush(stdout);
    const SIZE_T before = WorkingSet(false);
    for (int i = 0; i < connections; ++i) {
        SOCKET connection = accept(listener, nullptr, nullptr);
        if (connection == INVALID_SOCKET) continue;
        ReadHeader(connection);
        u_long nonBlocking = 1;
        ioctlsocket(connection, FIONBIO, &nonBlocking);
        FileAnswer answer = DeliverFile(path, "GET", "");
        const std::string head =
            BuildAnswerHead(answer.statusBlock, path, "Tue, 08 Dec 2026 03:28:46 GMT");
        if (answer.file.open()) {
            SendFromFile(connection, head, answer.file.get(), answer.streamLength, 60000);
        } else {
            SendAnswer(connection, head, answer.body, 60000);
        }
        closesocket(connection);
    }
    const SIZE_T peak = WorkingSet(true);
    std::printf("memory_before_kib %lu\npeak_kib %lu\ngrowth_kib %lu\n",
                static_cast<unsigned long>(before / 1024), static_cast<unsigned long>(peak / 1024),
                static_cast<unsigned long>((peak - before) / 1024));
    closesocket(listener);
    WSACleanup();
    return 0;
}
