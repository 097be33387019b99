// How many threads per second this system starts when each exits at once and
// nobody waits for it: the ceiling of a server with one thread per connection.
//
// Optional second argument, any of:
//   w  wait until each thread runs before starting the next. A server whose
//      next accept notification comes only after the previous worker's accept
//      pays this serial chain per connection.
//   d  first load the system libraries zant.exe links, so that every thread
//      start also notifies them, as it does in the program.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "win32.h"

namespace {

volatile LONG finished = 0;
HANDLE running = nullptr;

DWORD WINAPI exitAtOnce(LPVOID) {
    InterlockedIncrement(&finished);
    return 0;
}

DWORD WINAPI sayRunningAndExit(LPVOID) {
    SetEvent(running);
    InterlockedIncrement(&finished);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 3000;
    const char* mode = argc > 2 ? argv[2] : "";
    const bool serial = std::strchr(mode, 'w') != nullptr;
    if (std::strchr(mode, 'd')) {
        for (const char* name : {"comctl32.dll", "gdi32.dll", "ole32.dll", "shell32.dll",
                                 "user32.dll", "ws2_32.dll"})
            LoadLibraryA(name);
    }
    running = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < count; ++i) {
        HANDLE thread = CreateThread(nullptr, 0, serial ? sayRunningAndExit : exitAtOnce,
                                     nullptr, 0, nullptr);
        if (!thread) continue;
        CloseHandle(thread);
        if (serial) WaitForSingleObject(running, INFINITE);
    }
    while (finished < count) Sleep(1);
    QueryPerformanceCounter(&end);
    const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
    std::printf("threads %d seconds %.3f per_second %.1f\n", count, seconds, count / seconds);
    return 0;
}
