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

std::string LogEntryText(const std::string& peerText, const std::string& connectionDate,
                         const std::string& requestText, const std::string& receivedText) {
    std::string entry;
    entry.reserve(peerText.size() + connectionDate.size() + requestText.size() +
                  receivedText.size() + 16);
    entry += peerText;
    entry += ' ';
    entry += connectionDate;
    entry += "\r\nCommand- ";
    entry += requestText;
    entry += "\r\n";
    entry += receivedText;
    entry += "\r\n";
    return entry;
}

RouteDecision DecideRoute(const std::string& requestText, const std::string& credential,
                          const ExpectedCredential& expected, const ShareQueries& shares) {
    RouteDecision decision;
    decision.method = MethodOf(requestText);
    if (requestText == "GET \\favicon.ico" && shares.FindSharedEntry("\\favicon.ico") < 0) {
        decision.route = Route::kFavicon;
        decision.contentTypeKey = requestText;
        return decision;
    }
    if (decision.method != "GET" && decision.method != "HEAD") {
        decision.route = Route::kRedirect;
        decision.contentTypeKey = requestText;
        return decision;
    }

    // Only the protection of the entry looked up counts: the folder's for a
    // listing, the file's (or its folder's index.htm) for a file.
    auto entryRoute = [&](const SharedEntry& entry, Route missing, Route found) {
        if (entry.index < 0) return missing;
        if (entry.protect && !CredentialMatches(credential, expected)) return Route::kUnauthorized;
        return found;
    };
    std::string path = PathOf(requestText);
    decision.path = path;
    if (EndsWithBackslash(path) && shares.FindSharedEntry(path + "index.htm") < 0) {
        decision.contentTypeKey = ".htm";
        const SharedEntry folder = shares.LookUpSharedEntry(path);
        decision.entry = folder.index;
        decision.route = entryRoute(folder, Route::kListingDenied, Route::kListing);
        return decision;
    }

    if (EndsWithBackslash(path)) path += "index.htm";
    decision.path = path;
    decision.contentTypeKey = path;
    SharedEntry file = shares.LookUpSharedEntry(path);
    // The file opened is the row's own, whatever the request's letter case: in
    // a folder where case matters its twin may be another file, unshared or
    // protected. A row text cut by the list's buffer is not the row's path.
    const std::string rowPath = shares.EntryText(file.index, 0);
    if (rowPath.size() != path.size()) file = SharedEntry();
    decision.entry = file.index;
    decision.route = entryRoute(file, Route::kNotFound, Route::kFile);
    if (decision.route == Route::kFile) decision.filePath = shares.BaseFolder() + rowPath;
    return decision;
}
