#include "server/workers.h"

#include <chrono>

void Workers::Started() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++running_;
}

void Workers::Ended() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (running_ > 0 && --running_ == 0) none_.notify_all();
}

bool Workers::Opened(uintptr_t connection) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (ending_) return false;
    open_.insert(connection);
    return true;
}

void Workers::Closed(uintptr_t connection) {
    std::lock_guard<std::mutex> lock(mutex_);
    open_.erase(connection);
}

bool Workers::Ending() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return ending_;
}

void Workers::End(const std::function<void(uintptr_t)>& cut) {
    std::lock_guard<std::mutex> lock(mutex_);
    ending_ = true;
    for (uintptr_t connection : open_) cut(connection);
}

bool Workers::WaitUntilNoneRun(uint32_t timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    return none_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [this] { return running_ == 0; });
}
