#include "http/worker.h"

#include <memory>

#include "http/answer.h"
#include "http/codecs.h"
#include "http/codecs_win.h"
#include "http/file_delivery.h"
#include "http/listing.h"
#include "http/request.h"
#include "http/send.h"
#include "log/request_log.h"
#include "log/status.h"
#include "server/shared_state.h"
#include "shares/share_list.h"
#include "ui/form.h"

namespace {

constexpr DWORD kTimeoutMs = 60000;
// A client may not keep a worker longer than this, nor make it hold more.
constexpr DWORD kReadingLimitMs = 60000;
constexpr size_t kReceivedLimit = 256 * 1024;
// What a client may still send after its answer before the connection is closed.
constexpr DWORD kDrainMs = 2000;
constexpr size_t kDrainLimit = 256 * 1024;

// The accepted connection as the line reader sees it: every wait is bounded by
// the connection's time-out and by the end of the reading time since the accept.
// The socket is non-blocking (an accepted socket takes that from a listener
// that reports to a window), so a receive that finds data costs no wait at all.
class SocketSource : public LineSource {
public:
    SocketSource(SOCKET s, ULONGLONG deadline) : socket_(s), deadline_(deadline) {}

    long Receive(char* buffer, size_t capacity) override {
        if (socket_ == INVALID_SOCKET) return kFailed;
        for (;;) {
            if (GetTickCount64() >= deadline_) return kTimedOut;
            const int got = recv(socket_, buffer, static_cast<int>(capacity), 0);
            if (got != SOCKET_ERROR) return got;
            if (WSAGetLastError() != WSAEWOULDBLOCK) return kFailed;
            const long waited = WaitReadable();
            if (waited != 1) return waited;
        }
    }

private:
    // 1 when data can be received, else kTimedOut or kFailed.
    long WaitReadable() {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline_) return kTimedOut;
        const ULONGLONG left = deadline_ - now;
        const DWORD wait = static_cast<DWORD>(left < kTimeoutMs ? left : kTimeoutMs);
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(socket_, &readable);
        timeval limit = {static_cast<long>(wait / 1000), static_cast<long>(wait % 1000 * 1000)};
        const int ready = select(0, &readable, nullptr, nullptr, &limit);
        if (ready == 0) return kTimedOut;
        return ready == 1 ? 1 : kFailed;
    }

    SOCKET socket_;
    ULONGLONG deadline_;
};

void sendAnswer(SOCKET connection, const std::string& status, const std::string& key,
                const std::string& body, const std::string& date) {
    SendAnswer(connection, BuildAnswerHead(status, key, date), body, kTimeoutMs);
}

void answer(SOCKET connection, const RouteDecision& decision, const Request& request,
            const std::string& date, const ShareView& shares) {
    const std::string& key = decision.contentTypeKey;
    switch (decision.route) {
        case Route::kFavicon: {
            const std::string& icon = FaviconBytes();
            sendAnswer(connection, PageStatus(icon.size()), key, icon, date);
            return;
        }
        case Route::kRedirect: sendAnswer(connection, kRedirectStatus, key, "", date); return;
        case Route::kUnauthorized:
            sendAnswer(connection, kUnauthorizedStatus, key, "", date);
            return;
        case Route::kNotFound: sendAnswer(connection, kNotFoundStatus, key, "", date); return;
        case Route::kListing:
        case Route::kListingDenied: {
            const std::string page = decision.route == Route::kListing
                                         ? ListingPage(shares, decision.entry, decision.path)
                                         : ListingDeniedPage();
            static const std::string kNoBody;
            sendAnswer(connection, PageStatus(page.size()), key,
                       decision.method == "GET" ? page : kNoBody, date);
            return;
        }
        case Route::kFile: {
            FileAnswer file =
                DeliverFile(decision.filePath, decision.method, request.ifModifiedSince);
            if (file.file == INVALID_HANDLE_VALUE) {
                sendAnswer(connection, file.statusBlock, key, file.body, date);
                return;
            }
            SendFromFile(connection, BuildAnswerHead(file.statusBlock, key, date), file.file,
                         file.streamLength, kTimeoutMs);
            CloseHandle(file.file);
            return;
        }
    }
}

// Closing a socket with unread bytes (a request body, a second pipelined
// request) makes the peer's system reset the connection, and the client may
// lose the answer it has not read yet. So the sending side is shut first and
// what the client still sends is read and dropped, for a short while only.
void closeGracefully(SOCKET connection) {
    shutdown(connection, SD_SEND);
    std::unique_ptr<char[]> sink(new char[65536]);
    SocketSource source(connection, GetTickCount64() + kDrainMs);
    size_t drained = 0;
    while (drained <= kDrainLimit) {
        const long got = source.Receive(sink.get(), 65536);
        if (got <= 0) break;
        drained += static_cast<size_t>(got);
    }
    closesocket(connection);
}

}  // namespace

const std::string& FaviconBytes() {
    static const std::string bytes = [] {
        HRSRC found = FindResourceA(programInstance, "QOV_FAVICON", MAKEINTRESOURCEA(10));
        HGLOBAL loaded = found ? LoadResource(programInstance, found) : nullptr;
        const void* data = loaded ? LockResource(loaded) : nullptr;
        return data ? std::string(static_cast<const char*>(data),
                                  SizeofResource(programInstance, found))
                    : std::string();
    }();
    return bytes;
}

DWORD WINAPI ConnectionWorker(LPVOID listeningSocket) {
    const SOCKET listener = reinterpret_cast<SOCKET>(listeningSocket);
    // Workers still waiting for a slot on a listener that Stop has closed give up.
    if (!ConnectionAdmission().Admit([listener] { return Listener.load() == listener; })) return 0;
    RefreshStatus(listener);

    const std::string date = LocalHttpDateNow();
    const SOCKET connection = accept(listener, nullptr, nullptr);
    SocketSource source(connection, GetTickCount64() + kReadingLimitMs);
    LineReader reader(source);
    const Request request = ReadRequest(reader, kReceivedLimit);
    const std::string text = DecodeRequestText(request.requestText);
    AppendLogEntry(LogEntryText(PeerAddressText(connection), date, text, request.receivedText));

    if (connection != INVALID_SOCKET) {
        // One view for routing and listing: rows, flags and base folder that
        // belong together, even if a new scan starts meanwhile.
        const std::shared_ptr<const ShareView> shares = ShareList.View();
        const RouteDecision decision =
            DecideRoute(text, request.credential, ExpectedCredentialCopy(), *shares);
        answer(connection, decision, request, date, *shares);
    }
    // The client has its answer: the slot goes to the next one now, not after
    // the close, which may wait for a client that keeps its socket open.
    ConnectionAdmission().Release();
    RefreshStatus(listener);
    if (connection != INVALID_SOCKET) closeGracefully(connection);
    return 0;
}
