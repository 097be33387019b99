// The connection limit and the count of connections being served: each worker
// waits here for a slot before it accepts its connection and gives the slot
// back when it is done. Core code: the listener's part stays with the caller.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

class Admission {
public:
    // Connections being served; changed only by Admit and Release, atomically.
    uint32_t ActiveConnections() const { return active_.load(); }
    // The limit, the connections slider's position.
    int32_t MaxConnections() const { return limit_.load(); }

    // A new limit; waiting workers look again when it changed.
    void SetMaxConnections(int32_t limit);

    // Waits, without spinning, until a slot is free under the limit and takes
    // it in the same step. Returns false, without a slot, as soon as
    // stillWanted() is false: it is asked before the first look and after
    // every wake-up.
    bool Admit(const std::function<bool()>& stillWanted);

    // Gives a slot back and wakes the waiting workers.
    void Release();

    // Wakes every waiting worker, so that it asks stillWanted() again.
    void WakeAll();

private:
    bool TryTake();
    void Notify();

    std::atomic<uint32_t> active_{0};
    std::atomic<int32_t> limit_{0};
    std::mutex mutex_;
    std::condition_variable changed_;
};
