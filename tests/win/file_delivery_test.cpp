#include <gtest/gtest.h>

#include <set>

#include "http/answer.h"
#include "http/codecs_win.h"
#include "http/file_delivery.h"
#include "win_test_util.h"

namespace {

std::string LastModifiedOf(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    FILETIME written = {};
    GetFileTime(file, nullptr, nullptr, &written);
    CloseHandle(file);
    return FileTimeHttpDate(written);
}

void CloseAnswer(FileAnswer& answer) { answer.file.reset(INVALID_HANDLE_VALUE); }

TEST(DeliverFile, GetSendsTheWholeFileWithItsDate) {
    TempFolder folder;
    folder.Write("a.txt", "hello, world");
    const std::string date = LastModifiedOf(folder.File("a.txt"));
    ASSERT_EQ(date.size(), 29u);
    FileAnswer answer = DeliverFile(folder.File("a.txt"), "GET", "");
    EXPECT_EQ(answer.statusBlock, FileStatus(date, 12));
    EXPECT_EQ(answer.body, "hello, world");
    EXPECT_FALSE(answer.file.open());
}

TEST(DeliverFile, ConditionalRuleIsAnExactMatch) {
    TempFolder folder;
    folder.Write("a.txt", "abc");
    const std::string date = LastModifiedOf(folder.File("a.txt"));
    std::string changed = date;
    changed[changed.size() - 5] = changed[changed.size() - 5] == '0' ? '1' : '0';
    const struct {
        std::string ifModifiedSince;
        bool notModified;
    } cases[] = {
        {date, true},        {changed, false},
        {date + " ", false}, {date.substr(1), false},
        {"", false},         {"Thu, 01 Jan 2099 00:00:00 GMT", false},
    };
    for (const auto& c : cases) {
        FileAnswer answer = DeliverFile(folder.File("a.txt"), "GET", c.ifModifiedSince);
        if (c.notModified) {
            EXPECT_EQ(answer.statusBlock, kNotModifiedStatus) << c.ifModifiedSince;
            EXPECT_EQ(answer.body, "");
        } else {
            EXPECT_EQ(answer.statusBlock, FileStatus(date, 3)) << c.ifModifiedSince;
            EXPECT_EQ(answer.body, "abc");
        }
        CloseAnswer(answer);
    }
}

TEST(DeliverFile, HeadReadsNothingButAnnouncesTheSize) {
    TempFolder folder;
    folder.Write("b.bin", std::string(1234, 'x'));
    FileAnswer answer = DeliverFile(folder.File("b.bin"), "HEAD", "");
    EXPECT_EQ(answer.statusBlock, FileStatus(LastModifiedOf(folder.File("b.bin")), 1234));
    EXPECT_EQ(answer.body, "");
    EXPECT_FALSE(answer.file.open());
}

TEST(DeliverFile, EmptyFile) {
    TempFolder folder;
    folder.Write("e.txt", "");
    FileAnswer answer = DeliverFile(folder.File("e.txt"), "GET", "");
    EXPECT_NE(answer.statusBlock.find("CONTENT-LENGTH: 0"), std::string::npos);
    EXPECT_EQ(answer.body, "");
    EXPECT_FALSE(answer.file.open());
}

TEST(DeliverFile, WhatCannotBeOpenedIsNotFound) {
    TempFolder folder;
    folder.Write("gone.txt", "x");
    ASSERT_TRUE(DeleteFileA(folder.File("gone.txt").c_str()));
    folder.Write("locked.txt", "x");
    HANDLE writer = CreateFileA(folder.File("locked.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    CreateDirectoryA(folder.File("sub").c_str(), nullptr);
    const std::string paths[] = {
        folder.File("gone.txt"), folder.File("locked.txt"), folder.File("sub"),
        folder.File("NUL"),      folder.File("bad|name"),   folder.File("a*b"),
    };
    for (const std::string& path : paths) {
        FileAnswer answer = DeliverFile(path, "GET", "");
        EXPECT_EQ(answer.statusBlock, kNotFoundStatus) << path;
        EXPECT_EQ(answer.body, "") << path;
        EXPECT_FALSE(answer.file.open()) << path;
    }
    CloseHandle(writer);
    // Serving never creates what it could not find.
    EXPECT_EQ(GetFileAttributesA(folder.File("gone.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(DeliverFile, LargeFileStaysOpenForSendingInPieces) {
    TempFolder folder;
    const std::string big(static_cast<size_t>(kWholeFileLimit) + 1, 'z');
    folder.Write("big.bin", big);
    FileAnswer answer = DeliverFile(folder.File("big.bin"), "GET", "");
    EXPECT_EQ(answer.statusBlock, FileStatus(LastModifiedOf(folder.File("big.bin")), big.size()));
    EXPECT_EQ(answer.body, "");
    ASSERT_TRUE(answer.file.open());
    EXPECT_EQ(answer.streamLength, big.size());
    // While it is being sent it stays its owner's: others may write, rename
    // and delete it.
    HANDLE writer = CreateFileA(folder.File("big.bin").c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE);
    CloseHandle(writer);
    EXPECT_TRUE(MoveFileA(folder.File("big.bin").c_str(), folder.File("moved.bin").c_str()));
    EXPECT_TRUE(DeleteFileA(folder.File("moved.bin").c_str()));
    CloseAnswer(answer);
    folder.Write("big.bin", big);

    FileAnswer head = DeliverFile(folder.File("big.bin"), "HEAD", "");
    EXPECT_FALSE(head.file.open());
}

// Under Wine a Linux name may end in "." or " ", and a scan lists it so. The
// system's usual path handling strips them and would open the twin without
// them; the file must be opened exactly as named, or not at all.
TEST(DeliverFile, NamesEndingInDotOrSpaceAreOpenedExactlyOrNotAtAll) {
    TempFolder folder;
    folder.Write("a", "plain a");
    folder.Write("a.", "dotted a");
    folder.Write("b", "plain b");
    folder.Write("b ", "spaced b");
    folder.Write("d", "only d");
    folder.MakeFolder("e");
    folder.MakeFolder("e.");
    folder.Write("e\\f.txt", "in e");
    folder.Write("e.\\f.txt", "in e-dot");
    std::set<std::string> listed;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(folder.File("*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do {
        listed.insert(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);

    const struct {
        const char* name;
        const char* listedAs;  // the name the scan finds it under
        const char* twin;      // the contents of the name without its dots and spaces
        const char* own;
    } cases[] = {
        {"a.", "a.", "plain a", "dotted a"},
        {"b ", "b ", "plain b", "spaced b"},
        {"d.", "d.", "only d", ""},  // no such file, only its twin
        {"e.\\f.txt", "e.", "in e", "in e-dot"},
    };
    for (const auto& c : cases) {
        FileAnswer answer = DeliverFile(folder.File(c.name), "GET", "");
        EXPECT_NE(answer.body, c.twin) << c.name;
        if (listed.count(c.listedAs)) {
            EXPECT_NE(answer.statusBlock, kNotFoundStatus) << c.name;
            EXPECT_EQ(answer.body, c.own) << c.name;
        } else {
            EXPECT_EQ(answer.statusBlock, kNotFoundStatus) << c.name;
        }
        CloseAnswer(answer);
    }
    // Wine lists the names with their dots and spaces: the exact branch is taken.
    EXPECT_EQ(listed.count("a."), 1u);
    EXPECT_EQ(listed.count("b "), 1u);
}

}  // namespace
