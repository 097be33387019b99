// How many threads per second this system starts when each exits at once and
// nobody waits for it: the ceiling of a server with one thread per connection.
#include <cstdio>
#include <cstdlib>

#include "win32.h"

namespace {

volatile LONG finished = 0;

DWORD WINAPI exitAtOnce(LPVOID) {
    InterlockedIncrement(&finished);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 3000;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < count; ++i) {
        HANDLE thread = CreateThread(nullptr, 0, exitAtOnce, nullptr, 0, nullptr);
        if (thread) CloseHandle(thread);
    }
    while (finished < count) Sleep(1);
    QueryPerformanceCounter(&end);
    const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
    std::printf("threads %d seconds %.3f per_second %.1f\n", count, seconds, count / seconds);
    return 0;
}
