#include "server/admission.h"

void Admission::SetMaxConnections(int32_t limit) {
    if (limit_.exchange(limit) != limit) Notify();
}

bool Admission::TryTake() {
    uint32_t count = active_.load();
    while (static_cast<int64_t>(count) < static_cast<int64_t>(limit_.load())) {
        if (active_.compare_exchange_weak(count, count + 1)) return true;
    }
    return false;
}

bool Admission::Admit(const std::function<bool()>& stillWanted) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (!stillWanted()) return false;
        if (TryTake()) return true;
        changed_.wait(lock);
    }
}

void Admission::Release() {
    active_.fetch_sub(1);
    Notify();
}

void Admission::WakeAll() { Notify(); }

void Admission::Notify() {
    // Taking the mutex orders this wake-up after a waiter's last look at the
    // state, so that no waiter sleeps through it.
    { std::lock_guard<std::mutex> lock(mutex_); }
    changed_.notify_all();
}
