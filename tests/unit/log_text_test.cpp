#include <gtest/gtest.h>

#include <random>

#include "log/log_text.h"

namespace {

// What a window would show after applying an update to its text.
std::string Apply(std::string shown, const LogWindowText::Update& update) {
    if (update.replaceAll) return update.append;
    shown.erase(0, update.cutFront);
    return shown + update.append;
}

TEST(LogWindowText, KeepsTheLast65535Characters) {
    LogWindowText log;
    const std::string first(40000, 'a');
    const std::string second(40000, 'b');
    log.Append(first);
    log.Append(second);
    ASSERT_EQ(log.text().size(), 65535u);
    EXPECT_EQ(log.text(), std::string(25535, 'a') + second);  // begins inside the first entry

    LogWindowText huge;
    huge.Append("x");
    huge.Append(std::string(70000, 'y') + "z");
    EXPECT_EQ(huge.text(), std::string(65534, 'y') + "z");
}

TEST(LogWindowText, ClearEmptiesAndTheNextEntryStartsAnew) {
    LogWindowText log;
    log.Append("one\r\n");
    log.Clear();
    EXPECT_EQ(log.text(), "");
    log.Append("two\r\n");
    EXPECT_EQ(log.text(), "two\r\n");
}

TEST(LogWindowText, UpdatesBringAnyOlderWindowToTheSameText) {
    std::mt19937 random(7);
    LogWindowText log;
    std::string window;
    LogWindowText::Shown shown;
    size_t incremental = 0;
    for (int step = 0; step < 3000; ++step) {
        const int what = random() % 100;
        if (what == 0) {
            log.Clear();
        } else {
            const size_t size = what < 3 ? 30000 + random() % 50000 : random() % 900;
            log.Append(std::string(size, static_cast<char>('a' + step % 26)));
        }
        if (random() % 4 == 0) continue;  // several entries may come between updates
        const LogWindowText::Update update = log.UpdateFrom(shown);
        if (!update.replaceAll) ++incremental;
        window = Apply(window, update);
        shown = update.after;
        ASSERT_EQ(window, log.text()) << "step " << step;
        // A window up to date needs no change at all: it keeps its place.
        ASSERT_FALSE(log.UpdateFrom(shown).Changes()) << "step " << step;
    }
    EXPECT_GT(incremental, 1000u);  // most updates do not rewrite the whole window
}

}  // namespace
