#include <gtest/gtest.h>

#include "log/status_text.h"

TEST(StatusText, CounterStateAndLight) {
    const struct {
        bool listening;
        int32_t limit;
        uint32_t count;
        const char* state;
        const char* counter;
        StatusLight light;
    } cases[] = {
        {true, 60, 10, "\tOnline", "0010 of 0060 Connections", StatusLight::kGreen},
        {true, 60, 11, "\tOnline", "0011 of 0060 Connections", StatusLight::kYellow},
        {true, 60, 59, "\tOnline", "0059 of 0060 Connections", StatusLight::kYellow},
        {true, 60, 60, "\tOffline", "0060 of 0060 Connections", StatusLight::kRed},
        {true, 60, 61, "\tOffline", "0061 of 0060 Connections", StatusLight::kRed},
        {true, 1000, 0, "\tOnline", "0000 of 1000 Connections", StatusLight::kGreen},
        {true, 0, 0, "\tOffline", "0000 of 0000 Connections", StatusLight::kRed},
        {false, 1000, 0, "\tOffline", "0000 of 1000 Connections", StatusLight::kRed},
        {true, 10, 3, "\tOnline", "0003 of 0010 Connections", StatusLight::kYellow},
        {true, 20000, 12345, "\tOnline", "12345 of 20000 Connections", StatusLight::kGreen},
    };
    for (const auto& c : cases) {
        const bool available = ServerAvailable(c.listening, c.limit, c.count);
        EXPECT_EQ(StateText(available), c.state) << c.limit << "/" << c.count;
        EXPECT_EQ(CounterText(c.count, c.limit), c.counter);
        EXPECT_EQ(LightFor(available, c.limit, c.count), c.light) << c.limit << "/" << c.count;
    }
    EXPECT_EQ(CounterText(3, 10).size(), 24u);
    EXPECT_EQ(StateText(false).size(), 8u);
}
