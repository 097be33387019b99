#include <gtest/gtest.h>

#include <vector>

#include "http/deadline.h"

namespace {

TEST(WaitLimit, UpToTheDeadlineAndNeverLongerThanOneTimeOut) {
    struct Case {
        uint64_t now, deadline;
        uint32_t timeout, expected;
    };
    const Case cases[] = {
        {0, 100000, 60000, 60000},  // far deadline: one time-out
        {50000, 100000, 60000, 50000}, {99999, 100000, 60000, 1},
        {100000, 100000, 60000, 0},  // passed
        {200000, 100000, 60000, 0},    {0, uint64_t{1} << 40, 60000, 60000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WaitLimit(c.now, c.deadline, c.timeout), c.expected)
            << c.now << " " << c.deadline;
}

// Steps of a transfer: at time `at` the client has taken `bytes` more; the wait
// then allowed for the next piece.
struct Step {
    uint64_t at;
    uint64_t bytes;
    uint32_t allowed;
};

void Follow(const char* what, const std::vector<Step>& steps) {
    SendPace pace(0);
    for (const Step& s : steps) {
        pace.Took(s.bytes, s.at);
        EXPECT_EQ(pace.WaitLimit(s.at, 60000), s.allowed) << what << " at " << s.at;
    }
}

TEST(SendPace, LetsGoOfAClientThatTakesTooLittleInAMinute) {
    Follow("a fast client: a whole time-out for every wait",
           {{0, 0, 60000}, {10, 1 << 20, 60000}, {20, 1 << 20, 60000}});
    Follow("100 bytes a second never fills a window",
           {{1000, 100, 59000}, {30000, 2900, 30000}, {59000, 2900, 1000}, {60000, 100, 0}});
    Follow("16 KiB in the minute starts a new one",
           {{40000, 16383, 20000}, {50000, 1, 60000}, {109000, 0, 1000}, {110000, 0, 0}});
    Follow("a link that stalls for most of a minute and then goes on is kept",
           {{59000, 0, 1000}, {59500, 20000, 60000}, {119000, 20000, 60000}});
}

}  // namespace
