#include "http/worker.h"

#include <memory>

#include "http/answer.h"
#include "http/codecs.h"
#include "http/codecs_win.h"
#include "http/deadline.h"
#include "http/end_signal.h"
#include "http/file_delivery.h"
#include "http/listing.h"
#include "http/request.h"
#include "http/route.h"
#include "http/send.h"
#include "log/log_entry.h"
#include "log/request_log.h"
#include "log/status.h"
#include "resources/program_resources.h"
#include "server/shared_state.h"
#include "shares/share_list.h"

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

    // At the end of the program the client counts as having closed once what
    // it has sent so far is taken: that is kept and logged.
    long Receive(char* buffer, size_t capacity) override {
        if (socket_ == INVALID_SOCKET) return kFailed;
        for (;;) {
            const bool ending = endSignalled();
            if (!ending && GetTickCount64() >= deadline_) return kTimedOut;
            const int got = recv(socket_, buffer, static_cast<int>(capacity), 0);
            if (got != SOCKET_ERROR) return got;
            if (ending) return 0;
            if (WSAGetLastError() != WSAEWOULDBLOCK) return kFailed;
            const long waited = WaitReadable();
            if (waited != 1) return waited;
        }
    }

private:
    // 1 when data can be received, else kTimedOut or kFailed.
    long WaitReadable() {
        const DWORD wait = WaitLimit(GetTickCount64(), deadline_, kTimeoutMs);
        if (wait == 0) return kTimedOut;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(socket_, &readable);
        const SOCKET end = endSignalSocket();
        if (end != INVALID_SOCKET) FD_SET(end, &readable);
        timeval limit = {static_cast<long>(wait / 1000), static_cast<long>(wait % 1000 * 1000)};
        const int ready = select(0, &readable, nullptr, nullptr, &limit);
        if (ready == 0) return kTimedOut;
        return ready > 0 ? 1 : kFailed;
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
            // Made once and handed on as it is: a listing of a large folder is
            // megabytes, and many clients may ask for it at once.
            const std::string page = decision.route == Route::kListing
                                         ? ListingPage(shares, decision.entry, decision.path)
                                         : ListingDeniedPage();
            if (decision.method == "GET")
                sendAnswer(connection, PageStatus(page.size()), key, page, date);
            else
                sendAnswer(connection, PageStatus(page.size()), key, std::string(), date);
            return;
        }
        case Route::kFile: {
            const FileAnswer file =
                DeliverFile(decision.filePath, decision.method, request.ifModifiedSince);
            if (!file.file.open()) {
                sendAnswer(connection, file.statusBlock, key, file.body, date);
                return;
            }
            SendFromFile(connection, BuildAnswerHead(file.statusBlock, key, date), file.file.get(),
                         file.streamLength, kTimeoutMs);
            return;
        }
    }
}

// The connection slot of a worker: given back once, when the worker says so
// or at the latest when it ends, however it ends.
class Slot {
public:
    explicit Slot(SOCKET listener) : listener_(listener) {}
    Slot(const Slot&) = delete;
    Slot& operator=(const Slot&) = delete;
    ~Slot() { Release(); }

    // Waits for a slot. False, without one, when the listener the worker was
    // started for has been closed by Stop, or when the program ends.
    bool Take() {
        const SOCKET listener = listener_;
        held_ = ConnectionAdmission().Admit(
            [listener] { return Listener.load() == listener && !ProgramWorkers().Ending(); });
        if (held_) RefreshStatus(listener_);
        return held_;
    }

    void Release() {
        if (!held_) return;
        held_ = false;
        ConnectionAdmission().Release();
        RefreshStatus(listener_);
    }

private:
    SOCKET listener_;
    bool held_ = false;
};

// A socket closed however its holder ends, an exception included.
class OwnedSocket {
public:
    explicit OwnedSocket(SOCKET s) : socket_(s) {}
    OwnedSocket(const OwnedSocket&) = delete;
    OwnedSocket& operator=(const OwnedSocket&) = delete;
    ~OwnedSocket() { Close(); }
    SOCKET get() const { return socket_; }
    void Close() {
        if (socket_ != INVALID_SOCKET) closesocket(socket_);
        socket_ = INVALID_SOCKET;
    }

private:
    SOCKET socket_;
};

// The accepted connection, counted among the open ones from its accept to its
// close, so that the end of the program can shut it and wake its worker. The
// peer's address is the one the accept gives: a client that resets at once
// still leaves its address in the log.
class Connection {
public:
    explicit Connection(SOCKET listener) : socket_(acceptFrom(listener)) {
        if (socket_.get() == INVALID_SOCKET) return;
        if (!ProgramWorkers().Opened(socket_.get())) {
            // Accepted while the program was already ending: nothing is to be served.
            socket_.Close();
            return;
        }
        counted_ = true;
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() { Close(); }

    SOCKET socket() const { return socket_.get(); }
    const std::string& peerText() const { return peerText_; }

    // Closing a socket with unread bytes (a request body, a second pipelined
    // request) makes the peer's system reset the connection, and the client
    // may lose the answer it has not read yet. So the sending side is shut
    // first and what the client still sends is read and dropped, for a short
    // while only.
    void CloseGracefully() {
        if (socket_.get() == INVALID_SOCKET) return;
        shutdown(socket_.get(), SD_SEND);
        std::unique_ptr<char[]> sink(new char[65536]);
        SocketSource source(socket_.get(), GetTickCount64() + kDrainMs);
        size_t drained = 0;
        while (drained <= kDrainLimit) {
            const long got = source.Receive(sink.get(), 65536);
            if (got <= 0) break;
            drained += static_cast<size_t>(got);
        }
        Close();
    }

private:
    SOCKET acceptFrom(SOCKET listener) {
        sockaddr_in peer = {};
        int length = sizeof(peer);
        const SOCKET s = accept(listener, reinterpret_cast<sockaddr*>(&peer), &length);
        peerText_ = PeerAddressText(s != INVALID_SOCKET, peer, length);
        return s;
    }

    void Close() {
        if (counted_) ProgramWorkers().Closed(socket_.get());
        counted_ = false;
        socket_.Close();
    }

    std::string peerText_;  // declared before socket_: the accept that makes socket_ sets it
    OwnedSocket socket_;
    bool counted_ = false;
};

void serveOneConnection(SOCKET listener) {
    Slot slot(listener);
    if (!slot.Take()) return;

    const std::string date = LocalHttpDateNow();
    Connection connection(listener);
    SocketSource source(connection.socket(), GetTickCount64() + kReadingLimitMs);
    LineReader reader(source);
    const Request request = ReadRequest(reader, kReceivedLimit);
    const DecodedRequest decoded = DecodeRequestText(request.requestText);
    AppendLogEntry(
        LogEntryText(connection.peerText(), date, decoded.command, request.receivedText));

    // At the end of the program a client is answered nothing: what it sent is
    // logged, and its connection closed.
    if (connection.socket() != INVALID_SOCKET && !endSignalled()) {
        // One view for routing and listing: rows, flags and base folder that
        // belong together, even if a new scan starts meanwhile.
        const std::shared_ptr<const ShareView> shares = ShareList.View();
        const RouteDecision decision =
            DecideRoute(decoded, request.credential, ExpectedCredentialCopy(), *shares);
        answer(connection.socket(), decision, request, date, *shares);
    }
    // The client has its answer: the slot goes to the next one now, not after
    // the close, which may wait for a client that keeps its socket open.
    slot.Release();
    connection.CloseGracefully();
}

}  // namespace

DWORD WINAPI ConnectionWorker(LPVOID listeningSocket) {
    try {
        serveOneConnection(reinterpret_cast<SOCKET>(listeningSocket));
    } catch (...) {
        // Out of memory, say, for a huge listing: this connection is closed and
        // its slot given back on the way out, and the server goes on.
    }
    ProgramWorkers().Ended();
    return 0;
}
