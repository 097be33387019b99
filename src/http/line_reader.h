// Line framing of what a connection sends: lines ended by LF, whatever the
// receives, through one buffer of 65536 bytes.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

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
