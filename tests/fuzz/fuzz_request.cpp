// The whole request path as core code: receives split where the input says,
// line framing, header recognition, decoding in the page the input says,
// routing against a share list, and the page or answer head that would be sent.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "http/answer.h"
#include "http/case_folding.h"
#include "http/codecs.h"
#include "http/listing.h"
#include "http/request.h"
#include "http/route.h"
#include "log/log_entry.h"
#include "shares/share_model.h"
#include "../unit/test_pages.h"

namespace {

// Receives of the sizes the first input bytes choose, then the peer's close.
class SplitSource : public LineSource {
public:
    SplitSource(const uint8_t* sizes, size_t sizeCount, const uint8_t* data, size_t size)
        : sizes_(sizes), sizeCount_(sizeCount), data_(data), size_(size) {}
    long Receive(char* buffer, size_t capacity) override {
        if (offset_ >= size_) return 0;
        size_t n = sizeCount_ ? sizes_[next_++ % sizeCount_] + 1 : size_ - offset_;
        if (n > capacity) n = capacity;
        if (n > size_ - offset_) n = size_ - offset_;
        std::copy(data_ + offset_, data_ + offset_ + n, buffer);
        offset_ += n;
        return static_cast<long>(n);
    }

private:
    const uint8_t* sizes_;
    size_t sizeCount_;
    const uint8_t* data_;
    size_t size_;
    size_t offset_ = 0;
    size_t next_ = 0;
};

// Case twins after their rows, as a folder where case matters has them: an
// unshared one, and a shared one without the tick of the row it follows. And
// look-alikes beside the names best fit would make of them, those unshared.
const ShareView& Shares() {
    static const ShareView* shares = [] {
        auto row = [](const char* path, int group, bool shared, bool protect) {
            ShareRow r;
            r.path = path;
            r.group = group;
            r.shared = shared;
            r.protect = protect;
            r.size = shared ? "1 KB" : "";
            return r;
        };
        return new ShareView("C:\\www",
                             {row("\\", -1, true, false),
                              row("\\a.txt", 0, true, false),
                              row("\\d\\", 0, true, false),
                              row("\\d\\index.htm", 1, false, false),
                              row("\\d\\x#y.bin", 1, true, true),
                              row("\\p\\", 0, true, true),
                              row("\\p\\q.txt", 2, true, true),
                              row("\\A.TXT", 0, false, false),
                              row("\\P\\Q.TXT", 2, true, false),
                              row("\\caf\xC3\xA9 50%.txt", 0, true, false),
                              row("\\cafe 50%.txt", 0, false, false),
                              row("\\.ssh\\", 0, false, false),
                              row("\\.ssh\\id_rsa", 11, false, false),
                              row("\\\xEF\xBC\x8Essh\xEF\xBC\xBCid_rsa", 0, true, false),
                              row("\\sub\xEF\xBC\xBCx", 0, true, false),
                              row("\\sub\\", 0, true, false),
                              row("\\sub\\x", 15, false, false),
                              row("\\WebLog.txt\xEF\xBC\x9A\xEF\xBC\x9A$DATA", 0, true, false),
                              row("\\\xC5\x81\xC3\xB3"
                                  "d\xC5\xBA.txt",
                                  0, true, false),
                              row("\\L\xC3\xB3"
                                  "dz.txt",
                                  0, false, false),
                              row("\\\xE2\x84\xAA.txt", 0, true, true),
                              row("\\\xEF\xBF\xBD.txt", 0, true, false),
                              row("\\\xE6\x97\xA5\\", 0, true, false)});
    }();
    return *shares;
}

// A user name outside ASCII, so that the two forms differ.
const ExpectedCredential& Expected() {
    static const ExpectedCredential expected = ExpectedCredentialFor("j\xC3\xBCrgen", "p");
    return expected;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const size_t sizeCount = data[0] % 8;
    const CodePage* const pages[] = {&Windows1252(), &DoubleBytePage(), &CodePage::Utf8()};
    const CodePage& page = *pages[data[0] / 8 % 3];
    if (size < 1 + sizeCount) return 0;
    SplitSource source(data + 1, sizeCount, data + 1 + sizeCount, size - 1 - sizeCount);
    LineReader reader(source);
    const Request request = ReadRequest(reader, 256 * 1024);
    const DecodedRequest decoded = DecodeRequestText(request.requestText, page);
    if (decoded.command.size() > request.requestText.size()) std::abort();
    const RouteDecision decision = DecideRoute(decoded, request.credential, Expected(), Shares());
    std::string body;
    if (decision.route == Route::kListing)
        body = ListingPage(Shares(), decision.entry, decision.path);
    if (decision.route == Route::kListingDenied) body = ListingDeniedPage();
    const std::string answer =
        BuildAnswer(PageStatus(body.size()), decision.contentTypeKey, body, "date");
    if (answer.find("\r\n\r\n") == std::string::npos) std::abort();
    // Nothing outside the shared rows is ever chosen for delivery, a protected
    // row only with its credential, and the file opened is the row's own, the
    // one whose folded path is the request's, never one a look-alike makes.
    if (decision.route == Route::kFile || decision.route == Route::kListing) {
        const int entry = decision.entry;
        const std::string rowPath = Shares().EntryText(entry, 0);
        if (!decoded.readable || !Shares().IsEntryShared(entry)) std::abort();
        if (FoldCase(rowPath) != FoldCase(decision.path)) std::abort();
        if (Shares().IsEntryProtected(entry) && request.credential != Expected().codePage &&
            request.credential != Expected().utf8)
            std::abort();
    }
    if (decision.route == Route::kFile) {
        if (decision.filePath != Shares().BaseFolder() + Shares().EntryText(decision.entry, 0))
            std::abort();
    } else if (!decision.filePath.empty()) {
        std::abort();
    }
    LogEntryText("[127.0.0.1]", "date", decoded.command, request.receivedText);
    return 0;
}
