#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

#include "http/answer.h"
#include "http/file_delivery.h"
#include "log/request_log.h"
#include "win_test_util.h"

namespace {

// Each test logs into a fresh folder made current before the log is set up,
// as the program's folder is at start-up.
class RequestLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        static bool lockMade = false;
        if (!lockMade) InitializeCriticalSection(&LogLock);
        lockMade = true;
        GetCurrentDirectoryA(MAX_PATH, previous_);
        SetCurrentDirectoryA(folder_.path().c_str());
        initRequestLog();
    }
    void TearDown() override {
        closeLogFile();
        SetCurrentDirectoryA(previous_);
    }
    std::string Log() const { return ReadWholeFile(folder_.File("WebLog.txt")); }
    std::string Backup() const { return ReadWholeFile(folder_.File("WebLog.bak")); }

    TempFolder folder_;
    char previous_[MAX_PATH] = {};
};

TEST_F(RequestLogTest, EntriesAreAppendedByteForByteAndTheFileStaysOpen) {
    AppendLogEntry("first\r\n");
    AppendLogEntry(std::string("bin\0ary\xff\r\n", 11));
    AppendLogEntry("");  // clears the window only
    EXPECT_EQ(Log(), std::string("first\r\nbin\0ary\xff\r\n", 18));
    // Kept open: other programs may read it, not write it.
    HANDLE writer =
        CreateFileA(folder_.File("WebLog.txt").c_str(), GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
}

TEST_F(RequestLogTest, AnExistingLogIsContinued) {
    folder_.Write("WebLog.txt", "older\r\n");
    AppendLogEntry("newer\r\n");
    EXPECT_EQ(Log(), "older\r\nnewer\r\n");
}

TEST_F(RequestLogTest, RotatesOnlyWhenLargerThanTwoMebibytes) {
    const std::string filler(2097152 - 10, 'x');
    AppendLogEntry(filler);
    AppendLogEntry("0123456789");  // exactly 2,097,152 bytes now: not rotated
    AppendLogEntry("A");           // appended: 2,097,153 bytes
    EXPECT_EQ(Log().size(), 2097153u);
    EXPECT_EQ(GetFileAttributesA(folder_.File("WebLog.bak").c_str()), INVALID_FILE_ATTRIBUTES);
    folder_.Write("WebLog.bak", "an older backup");
    AppendLogEntry("next");  // rotates first, replacing the older backup
    EXPECT_EQ(Backup(), filler + "0123456789A");
    EXPECT_EQ(Log(), "next");
}

TEST_F(RequestLogTest, AFileThatCannotBeOpenedIsTriedAgainLater) {
    // Another writer holds the file: nothing of these entries reaches it.
    HANDLE other = CreateFileA(folder_.File("WebLog.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    AppendLogEntry("lost one\r\n");
    AppendLogEntry("lost two\r\n");
    CloseHandle(other);
    AppendLogEntry("kept\r\n");
    EXPECT_EQ(Log(), "kept\r\n");
}

TEST_F(RequestLogTest, EntriesFromManyThreadsNeverMix) {
    const int threads = 16;
    const int perThread = 60;  // about 1 MB in all: no rotation
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([t] {
            for (int i = 0; i < perThread; ++i) {
                const std::string id = std::to_string(t) + "-" + std::to_string(i);
                // An entry of several lines, long enough to be written in pieces if unguarded.
                AppendLogEntry("[" + id + "]\r\n" + std::string(1000 + i, 'a' + t) + "\r\n<" + id +
                               ">\r\n");
            }
        });
    }
    for (auto& w : workers) w.join();
    const std::string log = Log();
    std::set<std::string> seen;
    size_t at = 0;
    while (at < log.size()) {
        const size_t close = log.find("]\r\n", at);
        ASSERT_NE(close, std::string::npos);
        ASSERT_EQ(log[at], '[');
        const std::string id = log.substr(at + 1, close - at - 1);
        const int t = std::stoi(id.substr(0, id.find('-')));
        const int i = std::stoi(id.substr(id.find('-') + 1));
        const std::string body = std::string(1000 + i, 'a' + t);
        const std::string rest = "\r\n<" + id + ">\r\n";
        ASSERT_EQ(log.compare(close + 3, body.size(), body), 0) << id;
        ASSERT_EQ(log.compare(close + 3 + body.size(), rest.size(), rest), 0) << id;
        EXPECT_TRUE(seen.insert(id).second);
        at = close + 3 + body.size() + rest.size();
    }
    EXPECT_EQ(seen.size(), static_cast<size_t>(threads * perThread));
}

// A request may reach the log's bytes by no name: not its own in any letter
// case, not the backup's, not a link to it.
TEST_F(RequestLogTest, NoWayToALogFileIsServed) {
    // A backup an earlier run left, found at start.
    folder_.Write("WebLog.bak", "older entries");
    initRequestLog();
    AppendLogEntry("Authorization: Basic secret\r\n");
    folder_.Write("plain.txt", "plain");
    ASSERT_TRUE(CreateHardLinkA(folder_.File("link.txt").c_str(),
                                folder_.File("WebLog.txt").c_str(), nullptr));
    ASSERT_TRUE(CreateHardLinkA(folder_.File("old.txt").c_str(), folder_.File("WebLog.bak").c_str(),
                                nullptr));
    for (const char* name : {"WebLog.txt", "WEBLOG.TXT", "WebLog.bak", "link.txt", "old.txt"}) {
        const FileAnswer answer = DeliverFile(folder_.File(name), "GET", "");
        EXPECT_EQ(answer.statusBlock, kNotFoundStatus) << name;
        EXPECT_EQ(answer.body, "") << name;
    }
    EXPECT_EQ(DeliverFile(folder_.File("plain.txt"), "GET", "").body, "plain");
}

}  // namespace
