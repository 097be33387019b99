#include <gtest/gtest.h>

#include "shares/size_text.h"

TEST(SizeText, RoundsHalfToEvenInTheShortestForm) {
    const struct {
        uint64_t bytes;
        const char* text;
    } cases[] = {
        {0, "0 KB"},
        {6, "0 KB"},
        {51, "0 KB"},  // 0.498 tenths
        {52, ".1 KB"},
        {100, ".1 KB"},
        {256, ".2 KB"},  // 2.5 tenths: to the even 2
        {768, ".8 KB"},  // 7.5 tenths: to the even 8
        {1024, "1 KB"},
        {1536, "1.5 KB"},
        {10189, "10 KB"},  // 99.5 tenths: to the even 100
        {1048063, "1023.5 KB"},
        {1048575, "1024 KB"},
        {1048576, "1 MB"},
        {1101004, "1 MB"},  // 10.49999 tenths
        {1101005, "1.1 MB"},
        {5347738, "5.1 MB"},
        {1073741823, "1024 MB"},
        {1073741824, "1024 MB"},
        {10737418240ull, "10240 MB"},
    };
    for (const auto& c : cases) EXPECT_EQ(SizeText(c.bytes), c.text) << c.bytes;
}
