#include <gtest/gtest.h>

#include <thread>

#include "http/send.h"
#include "win_test_util.h"

namespace {

std::string Pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 131 + i / 7);
    return bytes;
}

TEST(SendAnswer, DeliversHeadAndBodyInPieces) {
    const std::string head = "HTTP/1.1 200 OK\r\n\r\n";
    for (const size_t size : {size_t{0}, size_t{1}, size_t{8} << 20}) {
        SocketPair pair;
        const std::string body = Pattern(size);
        std::string received;
        std::thread reader([&] { received = ReceiveAll(pair.client); });
        EXPECT_TRUE(SendAnswer(pair.server, head, body, 60000));
        closesocket(pair.server);
        pair.server = INVALID_SOCKET;
        reader.join();
        EXPECT_TRUE(received == head + body) << size << " got " << received.size();
    }
}

TEST(SendAnswer, GivesUpWhenThePeerTakesNothing) {
    SocketPair pair;
    const std::string body = Pattern(64 << 20);
    EXPECT_FALSE(SendAnswer(pair.server, "HEAD\r\n\r\n", body, 300));
}

TEST(SendAnswer, FailsOnAClosedConnection) {
    SocketPair pair;
    closesocket(pair.client);
    pair.client = INVALID_SOCKET;
    Sleep(50);
    const std::string body = Pattern(4 << 20);
    EXPECT_FALSE(SendAnswer(pair.server, "HEAD\r\n\r\n", body, 2000));
}

struct FileCase {
    const char* name;
    size_t fileSize;
    uint64_t announced;
};

TEST(SendFromFile, HeadThenFileBytesUpToTheAnnouncedLength) {
    const FileCase cases[] = {
        {"whole", 3 << 20, 3 << 20},
        {"one piece", 1000, 1000},
        {"empty", 0, 0},
        {"shrank: what was read", 700000, 2 << 20},
        {"grew: only what was announced", 600000, 500000},
    };
    for (const FileCase& c : cases) {
        TempFolder folder;
        const std::string content = Pattern(c.fileSize);
        folder.Write("f.bin", content);
        HANDLE file = CreateFileA(folder.File("f.bin").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        SocketPair pair;
        std::string received;
        std::thread reader([&] { received = ReceiveAll(pair.client); });
        EXPECT_TRUE(SendFromFile(pair.server, "HEAD\r\n\r\n", file, c.announced, 60000)) << c.name;
        CloseHandle(file);
        closesocket(pair.server);
        pair.server = INVALID_SOCKET;
        reader.join();
        const size_t bodySize = std::min<uint64_t>(c.announced, c.fileSize);
        EXPECT_TRUE(received == "HEAD\r\n\r\n" + content.substr(0, bodySize))
            << c.name << " got " << received.size();
    }
}

}  // namespace
