// How long a connection may keep its worker waiting. Core code: times are
// milliseconds of any steady clock.
#pragma once

#include <cstdint>

// The longest the next wait may last: up to the deadline and never longer
// than one time-out; 0 once the deadline has passed.
uint32_t WaitLimit(uint64_t now, uint64_t deadline, uint32_t timeoutMs);

// The pace an answer must keep: a client that takes less than kBytesPerWindow
// of it within kWindowMs is let go, so that a client reading a few bytes a
// second cannot hold a worker, a slot and an open file for as long as it likes.
// A slow but working link keeps well above that pace.
class SendPace {
public:
    static constexpr uint32_t kWindowMs = 60000;
    static constexpr uint64_t kBytesPerWindow = 16 * 1024;

    explicit SendPace(uint64_t now) : windowStart_(now) {}

    // The connection took this many more bytes.
    void Took(uint64_t bytes, uint64_t now);

    // The longest the next wait for room may last (at most timeoutMs); 0 when
    // the client has fallen behind the pace.
    uint32_t WaitLimit(uint64_t now, uint32_t timeoutMs) const;

private:
    uint64_t windowStart_;
    uint64_t takenInWindow_ = 0;
};
