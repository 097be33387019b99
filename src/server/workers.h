// The connection workers of the process and the connections they hold, so
// that the end of the program can stop them and wait for them. Core code: a
// connection is whatever number the platform uses for it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <unordered_set>

class Workers {
public:
    // A worker is counted from before its thread is made until it has ended.
    void Started();
    void Ended();

    // A connection accepted by a worker, until it is closed. False once the
    // program is ending: the caller closes the connection at once.
    bool Opened(uintptr_t connection);
    void Closed(uintptr_t connection);

    bool Ending() const;

    // The program ends: no connection is taken on, and every open one is handed
    // to cut (to be shut, not closed: its worker still closes it). Under the
    // lock that Opened and Closed take, so none is closed meanwhile.
    void End(const std::function<void(uintptr_t)>& cut);

    // Waits until no worker runs, at most timeoutMs; true when none runs.
    bool WaitUntilNoneRun(uint32_t timeoutMs);

private:
    mutable std::mutex mutex_;
    std::condition_variable none_;
    unsigned running_ = 0;
    bool ending_ = false;
    std::unordered_set<uintptr_t> open_;
};
