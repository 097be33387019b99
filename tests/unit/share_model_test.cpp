#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "share_rows.h"

namespace {

void FillSample(ShareModel& model) {
    model.Assign({
        Row("\\", -1, false),
        Row("\\a.txt", 0, true, false, ".1 KB", "Tue, 08 Dec 2026 03:28:47 GMT"),
        Row("\\d\\", 0, true),
        Row("\\d\\index.htm", 1, false),
        Row("\\d\\x.bin", 1, true, true),
        Row("\\readme.txt", 0, true),
        Row("\\\xDC"
            "bersicht.txt",
            0, true),
    });
}

TEST(ShareModel, FindSharedEntryIgnoresCaseAndNeedsTheSelection) {
    ShareModel model;
    FillSample(model);
    const struct {
        const char* path;
        int expected;
    } cases[] = {
        {"\\a.txt", 1},
        {"\\A.TXT", 1},
        {"\\README.TXT", 5},
        {"\\d\\", 2},
        {"\\D\\", 2},
        {"\\d\\index.htm", -1},  // not selected
        {"\\d\\INDEX.HTM", -1},
        {"\\", -1},
        {"", -1},
        {"\\a.tx", -1},
        {"\\a.txt\\", -1},
        {"a.txt", -1},
        {"\\d\\x.bin", 4},
        {"\\\xFC"
         "bersicht.TXT",
         6},
        {"\\\xDC"
         "BERSICHT.TXT",
         6},
    };
    for (const auto& c : cases) EXPECT_EQ(model.FindSharedEntry(c.path), c.expected) << c.path;
    model.SetFlags(3, true, false);
    EXPECT_EQ(model.FindSharedEntry("\\D\\INDEX.HTM"), 3);
    model.SetFlags(0, true, false);
    EXPECT_EQ(model.FindSharedEntry("\\"), 0);
    EXPECT_EQ(model.FindSharedEntry(""), -1);  // even with the root shared
}

TEST(ShareModel, OnlyTheFirstRowOfAPathCounts) {
    ShareModel model;
    model.Assign({Row("\\", -1), Row("\\A.txt", 0, false), Row("\\a.txt", 0, true)});
    EXPECT_EQ(model.FindSharedEntry("\\a.txt"), -1);
}

TEST(ShareModel, RowQueries) {
    ShareModel model;
    FillSample(model);
    EXPECT_EQ(model.EntryCount(), 7);
    EXPECT_EQ(model.EntryText(1, 0), "\\a.txt");
    EXPECT_EQ(model.EntryText(1, 1), ".1 KB");
    EXPECT_EQ(model.EntryText(1, 2), "Tue, 08 Dec 2026 03:28:47 GMT");
    EXPECT_EQ(model.EntryText(2, 1), "");
    EXPECT_EQ(model.EntryText(99, 0), "");
    EXPECT_EQ(model.EntryText(-1, 0), "");
    EXPECT_EQ(model.EntryText(1, 3), "");
    EXPECT_EQ(model.EntryGroup(0), -1);
    EXPECT_EQ(model.EntryGroup(4), 1);
    EXPECT_TRUE(model.IsEntryProtected(4));
    EXPECT_FALSE(model.IsEntryProtected(1));
    EXPECT_FALSE(model.IsEntryProtected(42));
    EXPECT_TRUE(model.IsEntryShared(1));
    EXPECT_FALSE(model.IsEntryShared(3));
    EXPECT_FALSE(model.IsEntryShared(-5));
}

TEST(ShareModel, FindNextInGroupWalksForwardWithoutWrapping) {
    ShareModel model;
    FillSample(model);
    EXPECT_EQ(model.FindNextInGroup(-1, 0), 1);
    EXPECT_EQ(model.FindNextInGroup(1, 0), 2);
    EXPECT_EQ(model.FindNextInGroup(2, 0), 5);
    EXPECT_EQ(model.FindNextInGroup(5, 0), 6);
    EXPECT_EQ(model.FindNextInGroup(6, 0), -1);
    EXPECT_EQ(model.FindNextInGroup(-1, -1), 0);
    EXPECT_EQ(model.FindNextInGroup(0, -1), -1);
    EXPECT_EQ(model.FindNextInGroup(-1, 1), 3);
    EXPECT_EQ(model.FindNextInGroup(3, 1), 4);
    EXPECT_EQ(model.FindNextInGroup(-1, 7), -1);
}

TEST(ShareModel, LongTextsAreCutTo259) {
    ShareModel model;
    model.Assign({Row("\\" + std::string(300, 'x'), 0)});
    EXPECT_EQ(model.EntryText(0, 0).size(), 259u);
    EXPECT_EQ(model.FindSharedEntry("\\" + std::string(300, 'x')), 0);
}

TEST(ShareModel, ReadersSeeWholeStatesWhileRowsChange) {
    ShareModel model;
    FillSample(model);
    std::atomic<bool> stop{false};
    std::atomic<int> badReads{0};
    std::thread reader([&] {
        while (!stop) {
            const int i = model.FindSharedEntry("\\a.txt");
            // Either list is whole: the row is found at 1 (sample) or not at all (empty).
            if (i != 1 && i != -1) ++badReads;
            const int count = model.EntryCount();
            if (count != 0 && count != 7) ++badReads;
        }
    });
    for (int k = 0; k < 2000; ++k) {
        model.Clear();
        FillSample(model);
    }
    stop = true;
    reader.join();
    EXPECT_EQ(badReads, 0);
}

}  // namespace
