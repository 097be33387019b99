// Reading one request: its lines from the line reader, and the few headers the
// server listens to.
#pragma once

#include <cstddef>
#include <string>

#include "http/line_reader.h"

// What a request said, as far as the server listens.
struct Request {
    std::string receivedText;  // every line taken, each followed by CR LF
    std::string requestText;   // request line without its protocol version
    std::string ifModifiedSince;
    std::string credential;  // the Base64 text of "Authorization: Basic", undecoded
};

// Header recognition on one complete line: byte-wise, case-sensitive, on every
// line; a later matching line overwrites an earlier value.
void TakeRequestLine(Request& request, const std::string& line);

// Reads lines until the empty line, a failed read, the peer's close, or
// receivedLimit bytes of received text (0: no limit). A line cut short is
// joined to what the next read gives.
Request ReadRequest(LineReader& reader, size_t receivedLimit);

// Splits the decoded request text.
std::string MethodOf(const std::string& requestText);
std::string PathOf(const std::string& requestText);
