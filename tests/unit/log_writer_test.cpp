#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "log/log_writer.h"

namespace {

const uint64_t kLimit = LogWriter::kRotationSize;

// The log file in memory. Each count of failures applies to that many of the
// next calls; a write that fails or comes up short leaves half its bytes. The
// writer calls it from one thread at a time: the lock guards what a test looks
// at meanwhile.
struct MemoryFile : LogFile {
    using Lock = std::lock_guard<std::mutex>;
    mutable std::mutex mutex;
    std::condition_variable changed;
    std::string data, backup;
    size_t flushed = 0;  // how much of data is on disk
    bool open = false;
    int writes = 0, flushes = 0;
    int failOpens = 0, failWrites = 0, shortWrites = 0, failFlushes = 0, failCutBacks = 0;
    int throwOnWrite = 0;  // the number of the write that throws, as an allocation may
    bool hold = false, held = false;

    MemoryFile(std::string content, bool isOpen)
        : data(std::move(content)), flushed(data.size()), open(isOpen) {}

    bool IsOpen() const override { return open; }
    bool Open() override { return failOpens > 0 && failOpens-- ? false : (open = true); }
    bool Size(uint64_t& size) override {
        size = data.size();
        return true;
    }
    bool Write(const char* bytes, size_t size, size_t& written) override {
        std::unique_lock<std::mutex> lock(mutex);
        held = true;
        changed.notify_all();
        changed.wait(lock, [this] { return !hold; });
        held = false;
        EXPECT_TRUE(open);
        const bool fails = failWrites > 0 && failWrites--;
        const bool isShort = shortWrites > 0 && shortWrites--;
        written = fails || isShort ? size / 2 : size;
        data.append(bytes, written);
        if (++writes == throwOnWrite) throw std::bad_alloc();
        return !fails;
    }
    bool Flush() override {
        Lock lock(mutex);
        ++flushes;
        if (failFlushes > 0 && failFlushes--) return false;
        flushed = data.size();
        return true;
    }
    bool CutBack(uint64_t length) override {
        Lock lock(mutex);
        if (failCutBacks > 0 && failCutBacks--) return false;
        data.resize(length);
        flushed = std::min<size_t>(flushed, length);
        return true;
    }
    void Rotate() override {
        Lock lock(mutex);
        open = false;
        backup = std::exchange(data, "");
        flushed = 0;
    }
    void Close() override { open = false; }

    // Writes wait while held; WaitUntilHeld returns once one waits.
    void Hold(bool on) {
        Lock lock(mutex);
        hold = on;
        changed.notify_all();
    }
    void WaitUntilHeld() {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [this] { return held; });
    }
    size_t Flushed() const {
        Lock lock(mutex);
        return flushed;
    }
};

using Reports = std::vector<std::pair<std::string, bool>>;

struct Logged {
    MemoryFile file;
    Reports reports;
    LogWriter writer{file, [this](const std::string& e, bool w) { reports.emplace_back(e, w); }};
    explicit Logged(std::string content = "", bool open = false) : file(std::move(content), open) {}
};

// Appends entries[0] and holds it in its write until the others have queued
// behind it in order: they then reach the file as one batch.
std::vector<bool> AppendAsBatch(Logged& log, const std::vector<std::string>& entries) {
    std::vector<char> results(entries.size());
    std::vector<std::thread> threads;
    log.file.Hold(true);
    for (size_t i = 0; i < entries.size(); ++i) {
        threads.emplace_back([&, i] { results[i] = log.writer.Append(entries[i]); });
        if (i == 0) log.file.WaitUntilHeld();
        while (log.writer.Queued() < i) std::this_thread::yield();
    }
    log.file.Hold(false);
    for (std::thread& t : threads) t.join();
    return std::vector<bool>(results.begin(), results.end());
}

// Rotation is decided before each entry: an entry past the limit ends its
// batch's write, and the entries after it go to the new file in a write of their own.
TEST(LogWriter, ABatchIsOneWriteAndOneFlushForEachStretchBetweenRotations) {
    struct Case {
        uint64_t size;  // of the file at first, all 'x'
        bool open;
        std::vector<std::string> entries;  // the first holds the writer while the others queue
        bool rotated;
        std::string backup, data;  // what follows the 'x's, and the file after rotation
        int writes;
    };
    const std::string binary("bin\0ary\xff\r\n", 11);
    const std::vector<Case> cases = {
        {0, true, {"first\r\n", binary}, false, "", "first\r\n" + binary, 2},  // byte for byte
        {kLimit - 1, true, {"a"}, false, "", "a", 1},
        {kLimit, true, {"a"}, false, "", "a", 1},
        {kLimit + 1, true, {"a"}, true, "", "a", 1},
        {kLimit + 1, false, {"a"}, false, "", "a", 1},  // opened: rotated before the next
        {0, true, {"0", "a", "b", "c"}, false, "", "0abc", 2},
        {kLimit - 2, true, {"0", "ab", "c", "d"}, true, "0ab", "cd", 3},  // "c" finds 2 MiB + 1
        {kLimit, true, {"0", "a", "b"}, true, "0", "ab", 2},              // "0" finds exactly 2 MiB
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("case " + std::to_string(&c - cases.data()));
        const std::string before(c.size, 'x');
        Logged log(before, c.open);
        EXPECT_EQ(AppendAsBatch(log, c.entries), std::vector<bool>(c.entries.size(), true));
        EXPECT_EQ(log.file.backup, c.rotated ? before + c.backup : "");
        EXPECT_EQ(log.file.data, c.rotated ? c.data : before + c.data);
        EXPECT_EQ(log.file.writes, c.writes);
        EXPECT_EQ(log.file.flushes, c.writes);
        Reports inOrder;
        for (const std::string& e : c.entries) inOrder.emplace_back(e, true);
        EXPECT_EQ(log.reports, inOrder);
    }
}

TEST(LogWriter, AFailedEntryIsCutBackAndNeverWrittenAndTheNextOneIsWritten) {
    struct Case {
        const char* name;
        void (*fault)(MemoryFile&, LogWriter&);
        int failing;  // entries that fail after the fault
        int writes;   // in all, with one entry before the fault and one after
        bool closeBeforeLast = false;
    };
    const Case cases[] = {
        {"failed open",
         [](MemoryFile& f, LogWriter& w) {
             w.Close();
             f.failOpens = 1;
         },
         1, 2},
        {"open fails twice",
         [](MemoryFile& f, LogWriter& w) {
             w.Close();
             f.failOpens = 2;
         },
         2, 2},
        {"failed write", [](MemoryFile& f, LogWriter&) { f.failWrites = 1; }, 1, 3},
        {"short write", [](MemoryFile& f, LogWriter&) { f.shortWrites = 1; }, 1, 3},
        {"failed flush", [](MemoryFile& f, LogWriter&) { f.failFlushes = 1; }, 1, 3},
        {"write throws", [](MemoryFile& f, LogWriter&) { f.throwOnWrite = 2; }, 1, 3},
        // Until the cut-back succeeds nothing is written, not even the next entry.
        {"cut-back fails twice",
         [](MemoryFile& f, LogWriter&) {
             f.failWrites = 1;
             f.failCutBacks = 2;
         },
         2, 3},
        // Closing makes the cut-back that failed; the last entry opens the file again.
        {"close after a failed cut-back",
         [](MemoryFile& f, LogWriter&) {
             f.failWrites = 1;
             f.failCutBacks = 1;
         },
         1, 3, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Logged log;
        ASSERT_TRUE(log.writer.Append("one\r\n"));
        EXPECT_FALSE(log.writer.Append(""));  // not for the file nor the sink
        c.fault(log.file, log.writer);
        Reports expected = {{"one\r\n", true}};
        for (int i = 0; i < c.failing; ++i) {
            const std::string entry = "lost " + std::to_string(i) + "\r\n";
            EXPECT_FALSE(log.writer.Append(entry));
            expected.emplace_back(entry, false);
        }
        if (c.closeBeforeLast) log.writer.Close();
        EXPECT_TRUE(log.writer.Append("last\r\n"));
        expected.emplace_back("last\r\n", true);
        EXPECT_EQ(log.file.data, "one\r\nlast\r\n");
        EXPECT_EQ(log.file.flushed, log.file.data.size());
        EXPECT_EQ(log.file.writes, c.writes);
        EXPECT_EQ(log.reports, expected);
    }
}

TEST(LogWriter, AnExceptionInABatchFailsItAndReleasesEveryCaller) {
    Logged log;
    log.file.throwOnWrite = 2;  // the batch behind the first entry
    EXPECT_EQ(AppendAsBatch(log, {"0", "a", "b"}), (std::vector<bool>{true, false, false}));
    EXPECT_TRUE(log.writer.Append("c"));
    EXPECT_EQ(log.file.data, "0c");
    EXPECT_EQ(log.reports, (Reports{{"0", true}, {"a", false}, {"b", false}, {"c", true}}));
}

TEST(LogWriter, ManyThreadsEachEntryOnceWholeInOrderAndFlushedWhenAppendReturns) {
    const int threads = 16, perThread = 200;
    auto text = [](int t, int i) {
        return "<" + std::to_string(t) + "." + std::to_string(i) + ">" +
               std::string(i % 13, static_cast<char>('a' + t)) + "\r\n";
    };
    MemoryFile file("", false);
    std::string reported;  // touched by one writer at a time
    std::vector<size_t> ends(threads * perThread);
    LogWriter writer(file, [&](const std::string& entry, bool written) {
        ASSERT_TRUE(written);
        reported += entry;
        const int t = std::stoi(entry.substr(1)), i = std::stoi(entry.substr(entry.find('.') + 1));
        ends[t * perThread + i] = reported.size();
    });
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < perThread; ++i) {
                ASSERT_TRUE(writer.Append(text(t, i)));
                // Reported, and on disk, before Append returns.
                const size_t end = ends[t * perThread + i];
                ASSERT_GT(end, 0u);
                ASSERT_GE(file.Flushed(), end);
            }
        });
    }
    for (std::thread& w : workers) w.join();
    EXPECT_EQ(file.data, reported);
    std::vector<int> next(threads, 0);
    for (size_t at = 0; at < file.data.size();) {
        const int t = std::stoi(file.data.substr(at + 1));
        ASSERT_LT(t, threads);
        const std::string entry = text(t, next[t]++);
        ASSERT_EQ(file.data.compare(at, entry.size(), entry), 0) << at;
        at += entry.size();
    }
    EXPECT_EQ(next, std::vector<int>(threads, perThread));
    EXPECT_LE(file.flushes, threads * perThread);
    EXPECT_EQ(file.writes, file.flushes);
}

}  // namespace
