#include "http/answer.h"

#include "http/content_type.h"

const char kNotModifiedStatus[] = "HTTP/1.1 304 Not Modified";
const char kUnauthorizedStatus[] = "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic";
const char kNotFoundStatus[] = "HTTP/1.1 404 Not Found";
const char kRedirectStatus[] = "HTTP/1.1 302 Found\r\nLocation: http://www.example.com/";

std::string FileStatus(const std::string& lastModified, uint64_t size) {
    return "HTTP/1.1 200 OK\r\nLAST-MODIFIED: " + lastModified +
           "\r\nCONTENT-LENGTH: " + std::to_string(size);
}

std::string PageStatus(uint64_t pageLength) {
    return "HTTP/1.1 200 OK\r\nCONTENT-LENGTH: " + std::to_string(pageLength);
}

std::string BuildAnswerHead(const std::string& statusBlock, const std::string& contentTypeKey,
                            const std::string& connectionDate) {
    std::string head;
    head.reserve(statusBlock.size() + connectionDate.size() + 96);
    head += statusBlock;
    head += "\r\nCONTENT-TYPE: ";
    head += ContentTypeFor(contentTypeKey);
    head += "\r\nSERVER: Glimmer Version 1\r\nDate: ";
    head += connectionDate;
    // Every connection carries one request: an HTTP/1.1 client that is not
    // told so sends its next request on it and loses it.
    head += "\r\nConnection: close\r\n\r\n";
    return head;
}

std::string BuildAnswer(const std::string& statusBlock, const std::string& contentTypeKey,
                        const std::string& body, const std::string& connectionDate) {
    std::string answer = BuildAnswerHead(statusBlock, contentTypeKey, connectionDate);
    answer += body;
    return answer;
}
