#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "server/admission.h"

namespace {

const auto kAlways = [] { return true; };

// A worker on a thread of its own that waits for a slot and says when it has one.
struct Waiter {
    Admission& admission;
    std::atomic<bool> wanted{true};
    std::atomic<int> outcome{0};  // 0 waiting, 1 admitted, -1 gave up
    std::thread thread;

    explicit Waiter(Admission& a) : admission(a) {
        thread = std::thread(
            [this] { outcome = admission.Admit([this] { return wanted.load(); }) ? 1 : -1; });
    }
    int Join() {
        thread.join();
        return outcome;
    }
    // Still waiting a moment later. A correct admission never lets it through
    // early, so this can only pass when it should.
    bool StillWaiting() {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return outcome == 0;
    }
};

TEST(Admission, SlotsUpToTheLimitAreTakenAtOnce) {
    struct Case {
        int32_t limit;
        int takes;
    };
    for (const Case c : {Case{1, 1}, Case{3, 3}, Case{1000, 1000}}) {
        Admission admission;
        admission.SetMaxConnections(c.limit);
        for (int i = 0; i < c.takes; ++i) ASSERT_TRUE(admission.Admit(kAlways));
        EXPECT_EQ(admission.ActiveConnections(), static_cast<uint32_t>(c.takes));
        for (int i = 0; i < c.takes; ++i) admission.Release();
        EXPECT_EQ(admission.ActiveConnections(), 0u);
    }
}

TEST(Admission, AWaiterIsLetInByARelease) {
    Admission admission;
    admission.SetMaxConnections(1);
    ASSERT_TRUE(admission.Admit(kAlways));
    Waiter second(admission);
    EXPECT_TRUE(second.StillWaiting());
    admission.Release();
    EXPECT_EQ(second.Join(), 1);
    EXPECT_EQ(admission.ActiveConnections(), 1u);
}

TEST(Admission, ALimitOfZeroHoldsEveryoneUntilItIsRaised) {
    Admission admission;
    Waiter first(admission);
    EXPECT_TRUE(first.StillWaiting());
    admission.SetMaxConnections(0);  // unchanged: still waiting
    EXPECT_TRUE(first.StillWaiting());
    admission.SetMaxConnections(1);
    EXPECT_EQ(first.Join(), 1);
}

TEST(Admission, LoweringTheLimitEndsNoSlotButHoldsTheNext) {
    Admission admission;
    admission.SetMaxConnections(2);
    ASSERT_TRUE(admission.Admit(kAlways));
    ASSERT_TRUE(admission.Admit(kAlways));
    admission.SetMaxConnections(1);
    EXPECT_EQ(admission.ActiveConnections(), 2u);
    Waiter third(admission);
    admission.Release();  // 1 of 1: still full
    EXPECT_TRUE(third.StillWaiting());
    admission.Release();
    EXPECT_EQ(third.Join(), 1);
}

TEST(Admission, AWaiterNoLongerWantedGivesUpWithoutASlot) {
    Admission admission;
    Waiter waiter(admission);
    EXPECT_TRUE(waiter.StillWaiting());
    waiter.wanted = false;
    admission.WakeAll();
    EXPECT_EQ(waiter.Join(), -1);
    EXPECT_EQ(admission.ActiveConnections(), 0u);
    // Asked before the first look too: a free slot is not taken.
    admission.SetMaxConnections(5);
    EXPECT_FALSE(admission.Admit([] { return false; }));
    EXPECT_EQ(admission.ActiveConnections(), 0u);
}

TEST(Admission, ManyWorkersNeverHoldMoreThanTheLimit) {
    Admission admission;
    admission.SetMaxConnections(3);
    std::atomic<int> holding{0};
    std::atomic<int> most{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < 8; ++t) {
        workers.emplace_back([&] {
            for (int i = 0; i < 500; ++i) {
                ASSERT_TRUE(admission.Admit(kAlways));
                const int now = ++holding;
                int seen = most.load();
                while (now > seen && !most.compare_exchange_weak(seen, now)) {
                }
                --holding;
                admission.Release();
            }
        });
    }
    // The limit moves meanwhile, as a user drags the slider.
    for (int i = 0; i < 200; ++i) admission.SetMaxConnections(i % 2 ? 3 : 2);
    admission.SetMaxConnections(3);
    for (std::thread& w : workers) w.join();
    EXPECT_LE(most.load(), 3);
    EXPECT_EQ(admission.ActiveConnections(), 0u);
}

}  // namespace
