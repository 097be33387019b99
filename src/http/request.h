// Reading one request from a connection and deciding its answer: line framing,
// header recognition, the log entry and the routing through the share list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "http/credential.h"
#include "http/share_queries.h"

// The connection a LineReader reads from.
struct LineSource {
    static constexpr long kTimedOut = -1;
    static constexpr long kFailed = -2;
    virtual ~LineSource() = default;
    // Waits until data can be received, at most for the connection's time-out,
    // and receives at most capacity bytes: the count, 0 when the peer has
    // closed, kTimedOut, or kFailed on a socket error.
    virtual long Receive(char* buffer, size_t capacity) = 0;
};

// Splits what a connection sends into lines ended by LF; CR bytes are dropped
// wherever they stand.
class LineReader {
public:
    static constexpr size_t kBufferSize = 65536;

    explicit LineReader(LineSource& source);

    // Reads one line into line. False when the read failed: a time-out with
    // nothing collected, or a socket error; line is then empty.
    bool ReadLine(std::string& line);

    // Set when the last line came without its LF: cut by the buffer's size, a
    // time-out or the peer closing. Such a line goes on in the next read.
    bool cut() const { return cut_; }

private:
    LineSource& source_;
    std::unique_ptr<char[]> buffer_;
    size_t start_ = 0;
    size_t end_ = 0;
    bool cut_ = false;
};

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

// The log entry of one connection.
std::string LogEntryText(const std::string& peerText, const std::string& connectionDate,
                         const std::string& requestText, const std::string& receivedText);

enum class Route {
    kFavicon,   // the built-in icon
    kRedirect,  // 302 for anything but GET and HEAD
    kListingDenied,
    kListing,
    kUnauthorized,
    kNotFound,
    kFile,
};

struct RouteDecision {
    Route route = Route::kRedirect;
    int entry = -1;  // the share-list row of a listing or file
    std::string method;
    std::string path;      // the request path (for a listing, the folder as requested)
    std::string filePath;  // a file's full path: the base folder + the matched row's own path
    std::string contentTypeKey;
};

// Decides the answer to a decoded request text.
RouteDecision DecideRoute(const std::string& requestText, const std::string& credential,
                          const ExpectedCredential& expected, const ShareQueries& shares);
