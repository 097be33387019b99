#include "http/deadline.h"

uint32_t WaitLimit(uint64_t now, uint64_t deadline, uint32_t timeoutMs) {
    if (now >= deadline) return 0;
    const uint64_t left = deadline - now;
    return left < timeoutMs ? static_cast<uint32_t>(left) : timeoutMs;
}

void SendPace::Took(uint64_t bytes, uint64_t now) {
    takenInWindow_ += bytes;
    // Enough for this window: the next one starts now.
    if (takenInWindow_ >= kBytesPerWindow) {
        windowStart_ = now;
        takenInWindow_ = 0;
    }
}

uint32_t SendPace::WaitLimit(uint64_t now, uint32_t timeoutMs) const {
    return ::WaitLimit(now, windowStart_ + kWindowMs, timeoutMs);
}
