#include "http/line_reader.h"

#include <cstring>

LineReader::LineReader(LineSource& source) : source_(source), buffer_(new char[kBufferSize]) {}

bool LineReader::ReadLine(std::string& line) {
    line.clear();
    cut_ = false;
    for (;;) {
        if (start_ < end_) {
            const char* begin = buffer_.get() + start_;
            const char* stop = buffer_.get() + end_;
            const char* lf = static_cast<const char*>(std::memchr(begin, '\n', stop - begin));
            const char* copyEnd = lf ? lf : stop;
            for (const char* p = begin; p < copyEnd; ++p)
                if (*p != '\r') line += *p;
            if (lf) {
                start_ = (lf - buffer_.get()) + 1;
                return true;
            }
            start_ = end_ = 0;
        }
        if (line.size() >= kBufferSize) {
            cut_ = true;
            return true;
        }

        const long received = source_.Receive(buffer_.get(), kBufferSize);
        if (received == LineSource::kTimedOut) {
            if (line.empty()) return false;
            cut_ = true;
            return true;
        }
        if (received == 0) {
            cut_ = true;
            return true;
        }
        if (received < 0) {
            line.clear();
            return false;
        }
        start_ = 0;
        end_ = static_cast<size_t>(received);
    }
}
