#include "http/request.h"

#include <cstring>

namespace {

bool StartsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

std::string TrimSpaces(const std::string& text, size_t from) {
    if (from >= text.size()) return std::string();
    size_t first = text.find_first_not_of(' ', from);
    if (first == std::string::npos) return std::string();
    size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string TrimTrailingSpaces(std::string text) {
    size_t last = text.find_last_not_of(' ');
    text.erase(last == std::string::npos ? 0 : last + 1);
    return text;
}

}  // namespace

void TakeRequestLine(Request& request, const std::string& line) {
    request.receivedText += line;
    request.receivedText += "\r\n";
    if (StartsWith(line, "GET") || StartsWith(line, "HEAD")) {
        const size_t lastSpace = line.rfind(' ');
        request.requestText =
            TrimTrailingSpaces(lastSpace == std::string::npos ? line : line.substr(0, lastSpace));
    }
    // Exactly one character after the colon is skipped, whatever it is.
    if (StartsWith(line, "If-Modified-Since:")) request.ifModifiedSince = TrimSpaces(line, 19);
    if (StartsWith(line, "Authorization: Basic")) request.credential = TrimSpaces(line, 21);
}

Request ReadRequest(LineReader& reader, size_t receivedLimit) {
    Request request;
    std::string pending;
    std::string chunk;
    for (;;) {
        const bool ok = reader.ReadLine(chunk);
        pending += chunk;
        // A line ended by its LF is complete however the receives fell; one cut
        // short goes on in the next read, which also tells whether anything follows.
        if (!ok || !reader.cut() || chunk.empty()) {
            const bool last = !ok || pending.empty() || reader.cut();
            TakeRequestLine(request, pending);
            pending.clear();
            if (last) break;
        }
        // A client may not keep a worker by sending without end: past the limit
        // the request is answered as if the client had stopped there.
        if (receivedLimit && request.receivedText.size() + pending.size() > receivedLimit) {
            if (!pending.empty()) TakeRequestLine(request, pending);
            break;
        }
    }
    return request;
}

std::string MethodOf(const std::string& requestText) {
    return requestText.substr(0, requestText.find(' '));
}

std::string PathOf(const std::string& requestText) {
    const size_t space = requestText.find(' ');
    if (space == std::string::npos) return std::string();
    return TrimSpaces(requestText, space + 1);
}
