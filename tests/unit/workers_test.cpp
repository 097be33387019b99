#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "server/workers.h"

namespace {

TEST(Workers, TheEndCutsEveryOpenConnectionAndTakesOnNoMore) {
    Workers workers;
    EXPECT_TRUE(workers.Opened(11));
    EXPECT_TRUE(workers.Opened(12));
    EXPECT_TRUE(workers.Opened(13));
    workers.Closed(12);
    EXPECT_FALSE(workers.Ending());
    std::vector<uintptr_t> cut;
    workers.End([&](uintptr_t c) { cut.push_back(c); });
    std::sort(cut.begin(), cut.end());
    EXPECT_EQ(cut, (std::vector<uintptr_t>{11, 13}));
    EXPECT_TRUE(workers.Ending());
    EXPECT_FALSE(workers.Opened(14));
}

TEST(Workers, TheEndWaitsUntilTheLastWorkerHasEnded) {
    Workers workers;
    EXPECT_TRUE(workers.WaitUntilNoneRun(0));
    workers.Started();
    workers.Started();
    EXPECT_FALSE(workers.WaitUntilNoneRun(10));
    workers.Ended();
    EXPECT_FALSE(workers.WaitUntilNoneRun(10));
    std::thread last([&] { workers.Ended(); });
    EXPECT_TRUE(workers.WaitUntilNoneRun(60000));
    last.join();
}

TEST(Workers, ConnectionsOpenedAndClosedWhileTheProgramEndsAreEachCutOnceAtMost) {
    Workers workers;
    std::atomic<int> cut{0};
    std::atomic<int> taken{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            workers.Started();
            for (uintptr_t c = 1; c <= 500; ++c) {
                const uintptr_t connection = t * 1000 + c;
                if (!workers.Opened(connection)) break;
                ++taken;
                workers.Closed(connection);
            }
            workers.Ended();
        });
    }
    workers.End([&](uintptr_t) { ++cut; });
    EXPECT_TRUE(workers.WaitUntilNoneRun(60000));
    for (std::thread& t : threads) t.join();
    EXPECT_LE(cut.load(), 4);  // only what was open at the moment of the end
    EXPECT_LE(taken.load(), 2000);
}

}  // namespace
