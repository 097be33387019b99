#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "share_rows.h"

namespace {

std::vector<ShareRow> SampleRows() {
    return {
        Row("\\", -1, false),
        Row("\\a.txt", 0, true, false, ".1 KB", "Tue, 08 Dec 2026 03:28:47 GMT"),
        Row("\\d\\", 0, true),
        Row("\\d\\index.htm", 1, false),
        Row("\\d\\x.bin", 1, true, true),
        Row("\\readme.txt", 0, true),
        Row("\\\xC3\x9C"
            "bersicht.txt",
            0, true),
    };
}

TEST(ShareView, FindSharedEntryIgnoresCaseAndNeedsTheSelection) {
    std::vector<ShareRow> rows = SampleRows();
    for (const char* path : {"\\\xCF\x82.txt", "\\\xC8\xBA.txt", "\\Kelvin.txt",
                             "\\Stra\xC3\x9F"
                             "e.txt",
                             "\\i.txt", "\\\xF0\x9F\x98\x80.txt"})
        rows.push_back(Row(path, 0));
    ShareView model("C:\\www", std::move(rows));
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
        {"\\\xC3\xBC"
         "bersicht.TXT",
         6},
        {"\\\xC3\x9C"
         "BERSICHT.TXT",
         6},
        {"\\\xFC"
         "bersicht.txt",
         -1},                   // a page byte is not the character
        {"\\\xCE\xA3.TXT", 7},  // final sigma, capital and small sigma: one letter
        {"\\\xCF\x83.txt", 7},
        {"\\\xE2\xB1\xA5.TXT", 8},  // its fold is a byte longer
        {"\\\xE2\x84\xAA"
         "ELVIN.TXT",
         9},  // the kelvin sign is a k
        {"\\STRA\xE1\xBA\x9E"
         "E.TXT",
         10},
        {"\\STRASSE.TXT", -1},   // no full folding
        {"\\\xC4\xB0.TXT", -1},  // nor a Turkic one
        {"\\\xF0\x9F\x98\x80.TXT", 12},
    };
    for (const auto& c : cases) EXPECT_EQ(model.FindSharedEntry(c.path), c.expected) << c.path;
    model.SetFlags(3, true, false);
    EXPECT_EQ(model.FindSharedEntry("\\D\\INDEX.HTM"), 3);
    model.SetFlags(0, true, false);
    EXPECT_EQ(model.FindSharedEntry("\\"), 0);
    EXPECT_EQ(model.FindSharedEntry(""), -1);  // even with the root shared
}

TEST(ShareView, OnlyTheFirstRowOfAPathCounts) {
    ShareView model("C:\\www", {Row("\\", -1), Row("\\A.txt", 0, false), Row("\\a.txt", 0, true)});
    EXPECT_EQ(model.FindSharedEntry("\\a.txt"), -1);
}

TEST(ShareView, RowQueries) {
    ShareView model("C:\\www", SampleRows());
    EXPECT_EQ(model.BaseFolder(), "C:\\www");
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

TEST(ShareView, FindNextInGroupWalksForwardWithoutWrapping) {
    ShareView model("C:\\www", SampleRows());
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

// The list's buffer holds 259 UTF-16 units; a character is never cut in two.
TEST(ShareView, LongTextsAreCutTo259Units) {
    const std::string x257 = "\\" + std::string(256, 'x');
    const std::string emoji = "\xF0\x9F\x98\x80";
    std::string accents = "\\";
    for (int i = 0; i < 259; ++i) accents += "\xC3\xA9";
    const struct {
        std::string path, text;
    } cases[] = {
        {"\\" + std::string(300, 'x'), "\\" + std::string(258, 'x')},
        {x257 + "xx" + emoji, x257 + "xx"},
        {x257 + "x" + emoji, x257 + "x"},  // 258 units and half a pair
        {x257 + emoji, x257 + emoji},      // exactly 259
        {x257 + "x\xC3\xA9y", x257 + "x\xC3\xA9"},
        {accents, accents.substr(0, accents.size() - 2)},
    };
    for (const auto& c : cases) {
        ShareView model("C:", {Row(c.path, 0)});
        EXPECT_EQ(model.EntryText(0, 0), c.text) << c.path;
        EXPECT_EQ(model.FindSharedEntry(c.path), 0) << c.path;
    }
}

// Selection and tick change in place, the two of a row always together.
TEST(ShareView, FlagsChangeInPlace) {
    ShareView view("C:\\www", SampleRows());
    const struct {
        bool shared, protect;
        int found;
    } cases[] = {
        {true, true, 1},
        {false, true, -1},
        {true, false, 1},
        {false, false, -1},
    };
    for (const auto& c : cases) {
        view.SetFlags(1, c.shared, c.protect);
        const SharedEntry entry = view.LookUpSharedEntry("\\A.TXT");
        EXPECT_EQ(entry.index, c.found);
        EXPECT_EQ(entry.protect, c.found >= 0 && c.protect);
        EXPECT_EQ(view.FindSharedEntry("\\a.txt"), c.found);
        EXPECT_EQ(view.IsEntryShared(1), c.shared);
        EXPECT_EQ(view.IsEntryProtected(1), c.protect);
    }
    view.SetFlags(7, true, true);  // out of range: ignored
    view.SetFlags(-1, true, true);
    EXPECT_EQ(view.EntryCount(), 7);
    EXPECT_FALSE(view.IsEntryShared(7));
}

TEST(ShareModel, ViewsHandedOutKeepTheirRowsAndBaseFolder) {
    ShareModel model;
    EXPECT_EQ(model.View()->EntryCount(), 0);
    EXPECT_EQ(model.BaseFolder(), "");
    model.Assign("C:\\www", SampleRows());
    const std::shared_ptr<const ShareView> taken = model.View();
    model.SetFlags(1, false, false);
    EXPECT_EQ(taken->FindSharedEntry("\\a.txt"), -1);  // the current view changes in place
    model.SetFlags(1, true, false);
    // A rescan starts: a new, empty view with the new base folder.
    model.Assign("D:\\other", {});
    EXPECT_EQ(model.BaseFolder(), "D:\\other");
    EXPECT_EQ(model.View()->EntryCount(), 0);
    EXPECT_EQ(model.View()->FindSharedEntry("\\a.txt"), -1);
    model.SetFlags(1, false, false);  // reaches only the new view
    EXPECT_EQ(taken->BaseFolder(), "C:\\www");
    EXPECT_EQ(taken->EntryCount(), 7);
    EXPECT_EQ(taken->FindSharedEntry("\\a.txt"), 1);
}

// A reader sees rows, flags and base folder of one view together while scans
// replace the view and the user changes a row's marks. The row's marks go
// through states where it is never shared without its tick.
TEST(ShareModel, ReadersSeeWholeStatesWhileRowsChange) {
    ShareModel model;
    std::vector<ShareRow> rows = SampleRows();
    rows[1].protect = true;
    model.Assign("C:\\one", rows);
    std::atomic<bool> stop{false};
    std::atomic<int> reads{0};
    std::atomic<int> badReads{0};
    std::thread reader([&] {
        while (!stop) {
            const std::shared_ptr<const ShareView> view = model.View();
            const std::string base = view->BaseFolder();
            const int count = view->EntryCount();
            if (!(base == "C:\\one" && count == 7) && !(base == "D:\\two" && count == 0))
                ++badReads;
            if (count == 7 && view->EntryText(1, 0) != "\\a.txt") ++badReads;
            const SharedEntry entry = view->LookUpSharedEntry("\\a.txt");
            if (entry.index >= 0 && (entry.index != 1 || !entry.protect)) ++badReads;
            ++reads;
        }
    });
    const bool marks[][2] = {{false, true}, {false, false}, {false, true}, {true, true}};
    for (int k = 0; k < 2000; ++k) {
        for (const auto& m : marks) model.SetFlags(1, m[0], m[1]);
        model.Assign("D:\\two", {});
        model.SetFlags(1, true, false);  // ignored: the empty view has no such row
        model.Assign("C:\\one", rows);
    }
    while (reads == 0) std::this_thread::yield();
    stop = true;
    reader.join();
    EXPECT_EQ(badReads, 0);
}

}  // namespace
