#include <gtest/gtest.h>

#include "http/answer.h"

namespace {

const char kDate[] = "Tue, 08 Dec 2026 03:28:46 GMT";

std::string Tail(const char* type) {
    return std::string("\r\nCONTENT-TYPE: ") + type +
           "\r\nSERVER: Glimmer Version 1\r\nDate: " + kDate + "\r\nConnection: close\r\n\r\n";
}

TEST(BuildAnswer, EveryKindExactly) {
    const struct {
        const char* name;
        std::string status;
        std::string key;
        std::string body;
        std::string expected;
    } cases[] = {
        {"not found", kNotFoundStatus, "\\docs\\a.txt", "",
         "HTTP/1.1 404 Not Found" + Tail("text/plain")},
        {"file", FileStatus("Mon, 07 Dec 2026 10:00:00 GMT", 5), "\\a.htm", "hello",
         "HTTP/1.1 200 OK\r\nLAST-MODIFIED: Mon, 07 Dec 2026 10:00:00 GMT\r\nCONTENT-LENGTH: 5" +
             Tail("text/html") + "hello"},
        {"empty file", FileStatus("Mon, 07 Dec 2026 10:00:00 GMT", 0), "\\e.bin", "",
         "HTTP/1.1 200 OK\r\nLAST-MODIFIED: Mon, 07 Dec 2026 10:00:00 GMT\r\nCONTENT-LENGTH: 0" +
             Tail("application/octet-stream")},
        {"not modified", kNotModifiedStatus, "\\a.gif", "",
         "HTTP/1.1 304 Not Modified" + Tail("image/gif")},
        {"page", PageStatus(7), ".htm", "<HTML/>",
         "HTTP/1.1 200 OK\r\nCONTENT-LENGTH: 7" + Tail("text/html") + "<HTML/>"},
        {"page for HEAD keeps its length", PageStatus(1234), ".htm", "",
         "HTTP/1.1 200 OK\r\nCONTENT-LENGTH: 1234" + Tail("text/html")},
        {"favicon", PageStatus(1078), "GET \\favicon.ico", "",
         "HTTP/1.1 200 OK\r\nCONTENT-LENGTH: 1078" + Tail("image/x-icon")},
        {"unauthorised, no realm", kUnauthorizedStatus, "\\secret.doc", "",
         "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic" + Tail("application/msword")},
        {"redirect of an empty request", kRedirectStatus, "", "",
         "HTTP/1.1 302 Found\r\nLocation: http://www.example.com/" +
             Tail("application/octet-stream")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BuildAnswer(c.status, c.key, c.body, kDate), c.expected) << c.name;
}

TEST(BuildAnswer, LengthsArePlainDecimal) {
    EXPECT_EQ(FileStatus("d", 1073741823),
              "HTTP/1.1 200 OK\r\nLAST-MODIFIED: d\r\nCONTENT-LENGTH: 1073741823");
    EXPECT_EQ(PageStatus(0), "HTTP/1.1 200 OK\r\nCONTENT-LENGTH: 0");
    const std::string big = FileStatus("d", 5368709120ull);
    EXPECT_EQ(big.substr(big.find("CONTENT-LENGTH")), "CONTENT-LENGTH: 5368709120");
}

TEST(BuildAnswer, HeadIsTheAnswerWithoutBody) {
    const std::string status = FileStatus("x", 3);
    EXPECT_EQ(BuildAnswerHead(status, "\\a.txt", kDate) + "abc",
              BuildAnswer(status, "\\a.txt", "abc", kDate));
}

}  // namespace
