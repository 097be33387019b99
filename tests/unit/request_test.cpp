#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "http/exact_path.h"
#include "http/request.h"
#include "http/route.h"
#include "log/log_entry.h"
#include "share_rows.h"
#include "test_pages.h"

namespace {

// A connection that delivers scripted receives, then the peer's close (or a
// time-out, or an error).
class ScriptedSource : public LineSource {
public:
    enum End { kClose, kTimeOut, kError };
    explicit ScriptedSource(std::vector<std::string> receives, End end = kClose)
        : receives_(receives.begin(), receives.end()), end_(end) {}

    long Receive(char* buffer, size_t capacity) override {
        ++waits;
        if (receives_.empty()) {
            if (end_ == kClose) return 0;
            return end_ == kTimeOut ? kTimedOut : kFailed;
        }
        std::string& next = receives_.front();
        const size_t n = std::min(capacity, next.size());
        next.copy(buffer, n);
        next.erase(0, n);
        if (next.empty()) receives_.pop_front();
        return static_cast<long>(n);
    }
    int waits = 0;

private:
    std::deque<std::string> receives_;
    End end_;
};

Request Read(std::vector<std::string> receives, ScriptedSource::End end = ScriptedSource::kClose,
             size_t limit = 0) {
    ScriptedSource source(std::move(receives), end);
    LineReader reader(source);
    return ReadRequest(reader, limit);
}

void ExpectSame(const Request& a, const Request& b, const std::string& what) {
    EXPECT_EQ(a.receivedText, b.receivedText) << what;
    EXPECT_EQ(a.requestText, b.requestText) << what;
    EXPECT_EQ(a.ifModifiedSince, b.ifModifiedSince) << what;
    EXPECT_EQ(a.credential, b.credential) << what;
}

const std::string kRequest =
    "GET /docs/a%20b.txt HTTP/1.1\r\nHost: example\r\nIf-Modified-Since: Tue, 08 Dec 2026 03:28:46 "
    "GMT\r\nAuthorization: Basic dXNlcjpwYXNz\r\n\r\n";

TEST(ReadRequest, AtOnceStopsAtTheEmptyLine) {
    ScriptedSource source({kRequest + "ignored body"});
    LineReader reader(source);
    Request r = ReadRequest(reader, 0);
    EXPECT_EQ(r.requestText, "GET /docs/a%20b.txt");
    EXPECT_EQ(r.ifModifiedSince, "Tue, 08 Dec 2026 03:28:46 GMT");
    EXPECT_EQ(r.credential, "dXNlcjpwYXNz");
    EXPECT_EQ(
        r.receivedText,
        "GET /docs/a%20b.txt HTTP/1.1\r\nHost: example\r\nIf-Modified-Since: Tue, 08 Dec 2026 "
        "03:28:46 GMT\r\nAuthorization: Basic dXNlcjpwYXNz\r\n\r\n");
    EXPECT_EQ(source.waits, 1);  // nothing read after the empty line
}

// However the receives fall, the request is the same as when it comes at once,
// every line whole and separate in the received text.
TEST(ReadRequest, EverySplitInTwoReceives) {
    const Request whole = Read({kRequest});
    EXPECT_EQ(whole.receivedText, kRequest);
    for (size_t k = 1; k < kRequest.size(); ++k)
        ExpectSame(Read({kRequest.substr(0, k), kRequest.substr(k)}), whole,
                   "split at " + std::to_string(k));
}

TEST(ReadRequest, EverySplitInThreeReceives) {
    const std::string text = "GET /x HTTP/1.0\r\nA: b\r\n\r\n";
    const Request whole = Read({text});
    for (size_t i = 1; i < text.size(); ++i) {
        for (size_t j = i + 1; j < text.size(); ++j) {
            const Request split = Read({text.substr(0, i), text.substr(i, j - i), text.substr(j)});
            ExpectSame(split, whole, "splits " + std::to_string(i) + "," + std::to_string(j));
        }
    }
}

TEST(ReadRequest, OneByteAtATimeGivesTheSameRequest) {
    std::vector<std::string> bytes;
    for (char c : kRequest) bytes.push_back(std::string(1, c));
    ExpectSame(Read(bytes), Read({kRequest}), "one byte at a time");
}

TEST(ReadRequest, LinesSentOneSegmentEach) {
    const Request r = Read({"GET /a.txt HTTP/1.0\r\n", "Host: x\r\n", "\r\n"});
    EXPECT_EQ(r.receivedText, "GET /a.txt HTTP/1.0\r\nHost: x\r\n\r\n");
    EXPECT_EQ(r.requestText, "GET /a.txt");
    const Request credential =
        Read({"GET /s.txt HTTP/1.0\r\n", "Authorization: Basic dTpw\r\n", "\r\n", "body"});
    EXPECT_EQ(credential.requestText, "GET /s.txt");
    EXPECT_EQ(credential.credential, "dTpw");
    EXPECT_EQ(credential.receivedText, "GET /s.txt HTTP/1.0\r\nAuthorization: Basic dTpw\r\n\r\n");
}

TEST(ReadRequest, EndsOfReading) {
    const struct {
        const char* name;
        std::vector<std::string> receives;
        ScriptedSource::End end;
        std::string received, request;
    } cases[] = {
        {"nothing then time-out", {}, ScriptedSource::kTimeOut, "\r\n", ""},
        {"nothing then close", {}, ScriptedSource::kClose, "\r\n", ""},
        {"nothing then error", {}, ScriptedSource::kError, "\r\n", ""},
        {"partial line then time-out", {"GET /a"}, ScriptedSource::kTimeOut, "GET /a\r\n", "GET"},
        {"partial line then close",
         {"GET /a HTTP/1.1"},
         ScriptedSource::kClose,
         "GET /a HTTP/1.1\r\n",
         "GET /a"},
        {"partial line then error: lost", {"HEAD /a b"}, ScriptedSource::kError, "\r\n", ""},
        {"bare LF ends",
         {"GET / HTTP/1.0\n\n"},
         ScriptedSource::kClose,
         "GET / HTTP/1.0\r\n\r\n",
         "GET /"},
        {"lone CR is dropped",
         {"GET /\ra HTTP/1.0\r\r\n\r\n"},
         ScriptedSource::kClose,
         "GET /a HTTP/1.0\r\n\r\n",
         "GET /a"},
        {"lower case get is not a request",
         {"get / HTTP/1.0\r\n\r\n"},
         ScriptedSource::kClose,
         "get / HTTP/1.0\r\n\r\n",
         ""},
    };
    for (const auto& c : cases) {
        const Request r = Read(c.receives, c.end);
        EXPECT_EQ(r.receivedText, c.received) << c.name;
        EXPECT_EQ(r.requestText, c.request) << c.name;
    }
}

TEST(ReadRequest, LinesLongerThanTheBufferAreJoinedWithWhatFollows) {
    const std::string longLine(65536 * 2 + 10, 'a');
    const Request r = Read({longLine.substr(0, 65536), longLine.substr(65536, 65536),
                            longLine.substr(131072) + "\r\n\r\n"});
    EXPECT_EQ(r.receivedText, longLine + "\r\n\r\n");
    // A line that fills the buffer exactly: its LF in the next receive ends it,
    // and is not taken for the empty line.
    const Request exact = Read({std::string(65536, 'a'), "\r\nGET /b HTTP/1.0\r\n\r\n"});
    EXPECT_EQ(exact.receivedText, std::string(65536, 'a') + "\r\nGET /b HTTP/1.0\r\n\r\n");
    EXPECT_EQ(exact.requestText, "GET /b");
    const std::string longPath = "/" + std::string(70000, 'p');
    EXPECT_EQ(Read({"GET " + longPath + " HTTP/1.1\r\n\r\n"}).requestText, "GET " + longPath);
}

TEST(ReadRequest, ReceivedTextIsBounded) {
    std::vector<std::string> receives;
    for (int i = 0; i < 20000; ++i) receives.push_back("X-Header: " + std::to_string(i) + "\r\n");
    // One line per receive: each stays a line of its own, and the limit holds.
    const Request segments = Read(receives, ScriptedSource::kClose, 256 * 1024);
    EXPECT_EQ(segments.receivedText.find("X-Header: 0\r\nX-Header: 1\r\n"), 0u);
    EXPECT_GT(segments.receivedText.size(), 256u * 1024);
    EXPECT_LT(segments.receivedText.size(), 256u * 1024 + 64);
    std::string all = "GET /a HTTP/1.1\r\n";
    for (int i = 0; i < 20000; ++i) all += "X-Header: " + std::to_string(i) + "\r\n";
    const Request lines = Read({all + "\r\n"}, ScriptedSource::kClose, 256 * 1024);
    EXPECT_GT(lines.receivedText.size(), 256u * 1024);
    EXPECT_LT(lines.receivedText.size(), 256u * 1024 + 64);
    EXPECT_EQ(lines.requestText, "GET /a");
    // Without a limit everything is read.
    EXPECT_EQ(Read({all + "\r\n"}).receivedText.size(), all.size() + 2);
    // A line without end is cut at the limit too, at most a buffer past it.
    const Request endless = Read(std::vector<std::string>(40, std::string(65536, 'x')),
                                 ScriptedSource::kClose, 256 * 1024);
    EXPECT_GT(endless.receivedText.size(), 256u * 1024);
    EXPECT_LE(endless.receivedText.size(), 256u * 1024 + 65536 + 2);
}

TEST(TakeRequestLine, HeaderRecognition) {
    const struct {
        const char* name;
        std::vector<std::string> lines;
        std::string request, ifModifiedSince, credential;
    } cases[] = {
        {"request line cut before its last space",
         {"GET /a b.htm HTTP/1.1"},
         "GET /a b.htm",
         "",
         ""},
        {"no space", {"GET/x   "}, "GET/x", "", ""},
        {"HEAD", {"HEAD /x HTTP/1.0"}, "HEAD /x", "", ""},
        {"later GET wins", {"GET /first HTTP/1.0", "GET /second HTTP/1.0"}, "GET /second", "", ""},
        {"on any line", {"Host: a", "GETTER x y"}, "GETTER x", "", ""},
        {"trailing spaces of the cut", {"GET /a   HTTP/1.0"}, "GET /a", "", ""},
        {"POST is not recognised", {"POST /a HTTP/1.0"}, "", "", ""},
        {"date",
         {"If-Modified-Since: Tue, 08 Dec 2026 03:28:46 GMT  "},
         "",
         "Tue, 08 Dec 2026 03:28:46 GMT",
         ""},
        {"no space after the colon loses a character",
         {"If-Modified-Since:Tue, 08 Dec"},
         "",
         "ue, 08 Dec",
         ""},
        {"lower case header ignored", {"if-modified-since: Tue"}, "", "", ""},
        {"header with nothing after", {"If-Modified-Since:"}, "", "", ""},
        {"credential", {"Authorization: Basic   abc=  "}, "", "", "abc="},
        {"credential right after the word", {"Authorization: Basicabc"}, "", "", "bc"},
        {"other schemes ignored", {"Authorization: Digest abc"}, "", "", ""},
        {"later credential wins",
         {"Authorization: Basic one", "Authorization: Basic two"},
         "",
         "",
         "two"},
    };
    for (const auto& c : cases) {
        Request r;
        for (const auto& line : c.lines) TakeRequestLine(r, line);
        EXPECT_EQ(r.requestText, c.request) << c.name;
        EXPECT_EQ(r.ifModifiedSince, c.ifModifiedSince) << c.name;
        EXPECT_EQ(r.credential, c.credential) << c.name;
    }
}

TEST(LogEntryText, Format) {
    EXPECT_EQ(LogEntryText("[127.0.0.1]", "Tue, 08 Dec 2026 03:28:47 GMT", "GET \\",
                           "GET / HTTP/1.1\r\n\r\n"),
              "[127.0.0.1] Tue, 08 Dec 2026 03:28:47 GMT\r\nCommand- GET \\\r\nGET / "
              "HTTP/1.1\r\n\r\n\r\n");
}

struct RouteCase {
    const char* name;
    std::string request;
    std::string credential;
    Route route;
    int entry;
    std::string path;
    std::string key;
    std::string file;  // the file opened: the base folder + the matched row's own path
    const CodePage& page = Windows1252();
};

TEST(DecideRoute, Table) {
    const std::string longName = "\\" + std::string(300, 'x');
    const ShareView shares("C:\\www", {
                                          Row("\\", -1),
                                          Row("\\a b.txt", 0),
                                          Row("\\docs\\", 0),
                                          Row("\\docs\\index.htm", 2),
                                          Row("\\open\\", 0),
                                          Row("\\readme.txt", 0),
                                          Row("\\secret\\", 0, true, true),
                                          Row("\\secret\\s.doc", 6, true, true),
                                          Row("\\unshared.txt", 0, false),
                                          // Twins, as a folder where case matters has them.
                                          Row("\\README.TXT", 0, false),
                                          Row("\\notes.txt", 0),
                                          Row("\\NOTES.TXT", 0, true, true),
                                          Row("\\twin.txt", 0, true, true),
                                          Row("\\TWIN.TXT", 0),
                                          Row("\\Docs\\", 0),
                                          Row("\\Docs\\INDEX.HTM", 14),
                                          Row(longName, 0),
                                          // Look-alikes, each with the name best fit
                                          // would make of it: that one unshared.
                                          Row("\\.ssh\\", 0, false),
                                          Row("\\.ssh\\id_rsa", 17, false),
                                          Row("\\sub\\", 0),
                                          Row("\\sub\\x", 19, false),
                                          Row("\\WebLog.txt", 0, false),
                                          Row("\\caf\xC3\xA9.txt", 0),
                                          Row("\\cafe.txt", 0),
                                          Row("\\L\xC3\xB3"
                                              "dz.txt",
                                              0),
                                          Row("\\\xC5\x81\xC3\xB3"
                                              "d\xC5\xBA.txt",
                                              0),
                                          Row("\\sub\xEF\xBC\xBCx", 0),
                                          Row("\\WebLog.txt\xEF\xBC\x9A\xEF\xBC\x9A$DATA", 0),
                                          Row("\\\xEF\xBC\x8Essh\xEF\xBC\xBCid_rsa", 0),
                                          Row("\\\xEF\xBF\xBD.txt", 0),
                                      });
    const CodePage& dbcs = DoubleBytePage();
    const std::string sshLookAlike = "\\\xEF\xBC\x8Essh\xEF\xBC\xBCid_rsa";
    const std::string subLookAlike = "\\sub\xEF\xBC\xBCx";
    const std::string streamLookAlike = "\\WebLog.txt\xEF\xBC\x9A\xEF\xBC\x9A$DATA";
    const std::string lodz =
        "\\\xC5\x81\xC3\xB3"
        "d\xC5\xBA.txt";
    const std::string lodzOtherCase =
        "\\\xC5\x82\xC3\x93"
        "D\xC5\xB9.TXT";
    const std::string lodzPlain =
        "\\L\xC3\xB3"
        "dz.txt";
    const std::string good = "dXNlcjpwYXNz";
    const RouteCase cases[] = {
        {"favicon built in", "GET \\favicon.ico", "", Route::kFavicon, -1, "", "GET \\favicon.ico",
         ""},
        {"favicon with a query", "GET \\favicon.ico?x=1", "", Route::kNotFound, -1,
         "\\favicon.ico?x=1", "\\favicon.ico?x=1", ""},
        {"HEAD favicon is a file request", "HEAD \\favicon.ico", "", Route::kNotFound, -1,
         "\\favicon.ico", "\\favicon.ico", ""},
        {"empty request", "", "", Route::kRedirect, -1, "", "", ""},
        {"method that only begins with GET", "GETX \\readme.txt", "", Route::kRedirect, -1, "",
         "GETX \\readme.txt", ""},
        {"file", "GET \\a b.txt", "", Route::kFile, 1, "\\a b.txt", "\\a b.txt",
         "C:\\www\\a b.txt"},
        {"HEAD file", "HEAD \\readme.txt", "", Route::kFile, 5, "\\readme.txt", "\\readme.txt",
         "C:\\www\\readme.txt"},
        {"not shared", "GET \\unshared.txt", "", Route::kNotFound, -1, "\\unshared.txt",
         "\\unshared.txt", ""},
        {"dot dot file", "GET \\docs\\..\\readme.txt", "", Route::kNotFound, -1,
         "\\docs\\..\\readme.txt", "\\docs\\..\\readme.txt", ""},
        {"drive letter", "GET C:\\readme.txt", "", Route::kNotFound, -1, "C:\\readme.txt",
         "C:\\readme.txt", ""},
        {"query string", "GET \\readme.txt?a=b", "", Route::kNotFound, -1, "\\readme.txt?a=b",
         "\\readme.txt?a=b", ""},
        {"no path", "GET", "", Route::kNotFound, -1, "", "", ""},
        {"folder with a shared index", "GET \\docs\\", "", Route::kFile, 3, "\\docs\\index.htm",
         "\\docs\\index.htm", "C:\\www\\docs\\index.htm"},
        {"folder without index", "GET \\open\\", "", Route::kListing, 4, "\\open\\", ".htm", ""},
        {"folder not shared", "GET \\nothing\\", "", Route::kListingDenied, -1, "\\nothing\\",
         ".htm", ""},
        {"folder with dot dot", "GET \\docs\\..\\", "", Route::kListingDenied, -1, "\\docs\\..\\",
         ".htm", ""},
        {"root shared", "GET \\", "", Route::kListing, 0, "\\", ".htm", ""},
        {"protected folder without credential", "GET \\secret\\", "", Route::kUnauthorized, 6,
         "\\secret\\", ".htm", ""},
        {"protected folder with credential", "GET \\secret\\", good, Route::kListing, 6,
         "\\secret\\", ".htm", ""},
        {"protected file wrong credential", "GET \\secret\\s.doc", "dXNlcjpwYXNy",
         Route::kUnauthorized, 7, "\\secret\\s.doc", "\\secret\\s.doc", ""},
        {"protected file in other case", "GET \\SECRET\\S.DOC", "", Route::kUnauthorized, 7,
         "\\SECRET\\S.DOC", "\\SECRET\\S.DOC", ""},
        {"protected file with credential", "GET \\secret\\s.doc", good, Route::kFile, 7,
         "\\secret\\s.doc", "\\secret\\s.doc", "C:\\www\\secret\\s.doc"},
        {"protected file in other case with credential", "GET \\Secret\\S.doc", good, Route::kFile,
         7, "\\Secret\\S.doc", "\\Secret\\S.doc", "C:\\www\\secret\\s.doc"},
        {"spaces around the path", "GET   \\readme.txt  ", "", Route::kFile, 5, "\\readme.txt",
         "\\readme.txt", "C:\\www\\readme.txt"},
        // The file opened is the matched row's own, never the request's spelling.
        {"other case opens the row, not its unshared twin", "GET \\README.TXT", "", Route::kFile, 5,
         "\\README.TXT", "\\README.TXT", "C:\\www\\readme.txt"},
        {"other case opens the row, not its protected twin", "GET \\NOTES.TXT", "", Route::kFile,
         10, "\\NOTES.TXT", "\\NOTES.TXT", "C:\\www\\notes.txt"},
        {"the first twin's tick counts", "GET \\TWIN.TXT", "", Route::kUnauthorized, 12,
         "\\TWIN.TXT", "\\TWIN.TXT", ""},
        {"the first twin opened with the credential", "GET \\TWIN.TXT", good, Route::kFile, 12,
         "\\TWIN.TXT", "\\TWIN.TXT", "C:\\www\\twin.txt"},
        {"folder index in other case", "GET \\DOCS\\", "", Route::kFile, 3, "\\DOCS\\index.htm",
         "\\DOCS\\index.htm", "C:\\www\\docs\\index.htm"},
        {"index named in other case", "GET \\docs\\INDEX.HTM", "", Route::kFile, 3,
         "\\docs\\INDEX.HTM", "\\docs\\INDEX.HTM", "C:\\www\\docs\\index.htm"},
        {"a row text cut by the list is not opened", "GET " + longName, "", Route::kNotFound, -1,
         longName, longName, ""},
        // A look-alike opens its own row, never the one best fit would make of it.
        {"fullwidth full stop and reverse solidus", "GET /%EF%BC%8Essh%EF%BC%BCid_rsa", "",
         Route::kFile, 28, sshLookAlike, sshLookAlike, "C:\\www" + sshLookAlike},
        {"their ascii twins", "GET /.ssh/id_rsa", "", Route::kNotFound, -1, "\\.ssh\\id_rsa",
         "\\.ssh\\id_rsa", ""},
        {"fullwidth reverse solidus sent raw", "GET /sub\xEF\xBC\xBCx", "", Route::kFile, 26,
         subLookAlike, subLookAlike, "C:\\www" + subLookAlike},
        {"a real reverse solidus", "GET /sub%5Cx", "", Route::kNotFound, -1, "\\sub\\x", "\\sub\\x",
         ""},
        {"fullwidth colons", "GET /WebLog.txt%EF%BC%9A%EF%BC%9A$DATA", "", Route::kFile, 27,
         streamLookAlike, streamLookAlike, "C:\\www" + streamLookAlike},
        {"a real stream name", "GET /WebLog.txt::$DATA", "", Route::kNotFound, -1,
         "\\WebLog.txt::$DATA", "\\WebLog.txt::$DATA", ""},
        {"\xC5\x81 is not L", "GET /%C5%81%C3%B3d%C5%BA.txt", "", Route::kFile, 25, lodz, lodz,
         "C:\\www" + lodz},
        {"L is not \xC5\x81", "GET /L%C3%B3dz.txt", "", Route::kFile, 24, lodzPlain, lodzPlain,
         "C:\\www" + lodzPlain},
        {"\xC5\x81 in other case", "GET /%C5%82%C3%93D%C5%B9.TXT", "", Route::kFile, 25,
         lodzOtherCase, lodzOtherCase, "C:\\www" + lodz},
        {"\xC3\xA9 from a double-byte page's bytes", "GET /caf\x81\x80.txt", "", Route::kFile, 22,
         "\\caf\xC3\xA9.txt", "\\caf\xC3\xA9.txt", "C:\\www\\caf\xC3\xA9.txt", dbcs},
        {"e is not \xC3\xA9", "GET /cafe.txt", "", Route::kFile, 23, "\\cafe.txt", "\\cafe.txt",
         "C:\\www\\cafe.txt", dbcs},
        {"\xC3\xA9 from Windows-1252's byte", "GET /caf\xE9.txt", "", Route::kFile, 22,
         "\\caf\xC3\xA9.txt", "\\caf\xC3\xA9.txt", "C:\\www\\caf\xC3\xA9.txt"},
        // What cannot be read matches nothing, not even a name with U+FFFD.
        {"unreadable file request", "GET /\xFF.txt", "", Route::kNotFound, -1, "\\\xEF\xBF\xBD.txt",
         "\\\xEF\xBF\xBD.txt", "", dbcs},
        {"unreadable folder request", "GET /sub/\x83 /", "", Route::kListingDenied, -1,
         "\\sub\\\xEF\xBF\xBD \\", ".htm", "", dbcs},
        {"U+FFFD sent as UTF-8", "GET /%EF%BF%BD.txt", "", Route::kFile, 29, "\\\xEF\xBF\xBD.txt",
         "\\\xEF\xBF\xBD.txt", "C:\\www\\\xEF\xBF\xBD.txt"},
    };
    for (const RouteCase& c : cases) {
        const RouteDecision d =
            DecideRoute(DecodeRequestText(c.request, c.page), c.credential, {good, good}, shares);
        EXPECT_EQ(d.route, c.route) << c.name;
        EXPECT_EQ(d.entry, c.entry) << c.name;
        EXPECT_EQ(d.path, c.path) << c.name;
        EXPECT_EQ(d.contentTypeKey, c.key) << c.name;
        EXPECT_EQ(d.filePath, c.file) << c.name;
    }
}

// The path decided, its exact form, and the form it is opened in: exact only
// where the usual rules would strip a name's trailing dot or space.
TEST(DecideRoute, FilePathUnderEveryKindOfBaseFolder) {
    const struct {
        std::string base, request, file, exact, opened;
    } cases[] = {
        {"C:", "GET \\d\\a.txt", "C:\\d\\a.txt", "\\\\?\\C:\\d\\a.txt", "C:\\d\\a.txt"},
        {"C:\\www", "GET \\D\\A.TXT", "C:\\www\\d\\a.txt", "\\\\?\\C:\\www\\d\\a.txt",
         "C:\\www\\d\\a.txt"},
        {"C:\\www", "GET \\e.\\f. ", "C:\\www\\e.\\f.", "\\\\?\\C:\\www\\e.\\f.",
         "\\\\?\\C:\\www\\e.\\f."},
        {"C:\\www", "GET \\e.\\g.txt", "C:\\www\\e.\\g.txt", "\\\\?\\C:\\www\\e.\\g.txt",
         "\\\\?\\C:\\www\\e.\\g.txt"},
        {"C:\\www", "GET \\h \\CON", "C:\\www\\h \\CON", "\\\\?\\C:\\www\\h \\CON",
         "\\\\?\\C:\\www\\h \\CON"},
        {"C:\\www", "GET \\d\\CON", "C:\\www\\d\\CON", "\\\\?\\C:\\www\\d\\CON", "C:\\www\\d\\CON"},
        {"\\\\server\\share", "GET \\d\\a.txt", "\\\\server\\share\\d\\a.txt",
         "\\\\?\\UNC\\server\\share\\d\\a.txt", "\\\\server\\share\\d\\a.txt"},
        {"\\\\server\\share", "GET \\e.\\f.", "\\\\server\\share\\e.\\f.",
         "\\\\?\\UNC\\server\\share\\e.\\f.", "\\\\?\\UNC\\server\\share\\e.\\f."},
    };
    for (const auto& c : cases) {
        const ShareView shares(
            c.base, {Row("\\", -1), Row("\\d\\", 0), Row("\\d\\a.txt", 1), Row("\\d\\CON", 1),
                     Row("\\e.\\", 0), Row("\\e.\\f.", 4), Row("\\e.\\g.txt", 4), Row("\\h \\", 0),
                     Row("\\h \\CON", 7)});
        const RouteDecision d = DecideRoute(DecodeRequestText(c.request), "", {}, shares);
        EXPECT_EQ(d.filePath, c.file) << c.request;
        EXPECT_EQ(ExactPath(d.filePath), c.exact) << c.request;
        EXPECT_EQ(PathToOpen(d.filePath), c.opened) << c.request;
    }
}

TEST(ExactPath, LeavesWhatIsNotAPlainFullPath) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"d:\\a b\\c ", "\\\\?\\d:\\a b\\c "},
        {"\\\\?\\C:\\a.", "\\\\?\\C:\\a."},
        {"\\\\?\\UNC\\s\\x\\a", "\\\\?\\UNC\\s\\x\\a"},
        {"\\\\.\\pipe\\x", "\\\\.\\pipe\\x"},
        {"\\a.txt", "\\a.txt"},
        {"C:a.txt", "C:a.txt"},
        {"a.txt", "a.txt"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ExactPath(c.in), c.out) << c.in;
}

TEST(DecideRoute, EmptyExpectedCredentialServesProtectedItemsToRequestsWithoutOne) {
    const ShareView shares("C:\\www", {Row("\\", -1), Row("\\s.txt", 0, true, true)});
    const ExpectedCredential none = ExpectedCredentialFor("", "");
    const DecodedRequest request = DecodeRequestText("GET /s.txt");
    EXPECT_EQ(DecideRoute(request, "", none, shares).route, Route::kFile);
    EXPECT_EQ(DecideRoute(request, "abc", none, shares).route, Route::kUnauthorized);
}

// Browsers send a user name typed outside ASCII as UTF-8; older clients in
// the code page. Either opens a protected row, nothing else does.
TEST(DecideRoute, ProtectedRowsTakeTheCredentialInEitherEncoding) {
    const ShareView shares("C:\\www", {Row("\\", -1), Row("\\s.txt", 0, true, true)});
    const ExpectedCredential expected = ExpectedCredentialFor("j\xC3\xBCrgen", "p");
    const struct {
        const char* given;
        Route route;
    } cases[] = {
        {"avxyZ2VuOnA=", Route::kFile},          // the code page's bytes
        {"asO8cmdlbjpw", Route::kFile},          // UTF-8
        {"", Route::kUnauthorized},              // none
        {"anJnZW46cA==", Route::kUnauthorized},  // the letter left out
        {"avxyZ2VuOnA", Route::kUnauthorized},   // cut short
        {"asO8cmdlbjpwasO8cmdlbjpw", Route::kUnauthorized},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecideRoute(DecodeRequestText("GET /s.txt"), c.given, expected, shares).route,
                  c.route)
            << c.given;
}

TEST(DecideRoute, SharedFaviconIsAnOrdinaryFile) {
    const ShareView shares("C:\\www", {Row("\\", -1), Row("\\favicon.ico", 0)});
    const RouteDecision d = DecideRoute(DecodeRequestText("GET /favicon.ico"), "", {}, shares);
    EXPECT_EQ(d.route, Route::kFile);
    EXPECT_EQ(d.entry, 1);
}

}  // namespace
