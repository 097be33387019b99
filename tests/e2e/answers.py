"""What the program answers and writes, set down once for every test module:
the status blocks of each kind of answer, the common tail of every header,
the listing page and the listing-denied page, the date form of the headers,
listings, status bar and log, and the form of a log entry. A test compares
bytes on the wire (or text on the screen) with these, so a change of the
program's wording is a change here and nowhere else. Standard library only."""

import re
import time

# ---------------------------------------------------------------------------
# Dates

DAYS = ["Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"]
MONTHS = ["Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"]

# The fixed-length date of the Date and LAST-MODIFIED headers, the listing's
# Modified column, the file list, the status bar's clock and the log:
# "Tue, 08 Dec 2026 03:28:46 GMT". As an expression (with no groups of its
# own, so that larger expressions can hold it), compiled, and as a strptime
# format.
HTTP_DATE_PATTERN = (r"(?:" + "|".join(DAYS) + r"), \d\d (?:" + "|".join(MONTHS)
                     + r") \d{4} [0-2]\d:[0-5]\d:[0-5]\d GMT")
HTTP_DATE = re.compile(HTTP_DATE_PATTERN)
HTTP_DATE_FORMAT = "%a, %d %b %Y %H:%M:%S GMT"


def http_date(seconds):
    """The date of a moment (seconds since 1970) as the program writes it, in
    GMT and with English names whatever the local zone and language."""
    t = time.gmtime(int(seconds))
    return (f"{DAYS[t.tm_wday]}, {t.tm_mday:02d} {MONTHS[t.tm_mon - 1]} {t.tm_year:04d} "
            f"{t.tm_hour:02d}:{t.tm_min:02d}:{t.tm_sec:02d} GMT")


# The moment the serving tests give every file of their base folder (the
# conftest's zant fixture reads a module's BASE_MTIME), so that the dates the
# server sends and lists are known in advance, and that moment as they show it.
BASE_MTIME = 1614834367
MODIFIED = "Thu, 04 Mar 2021 05:06:07 GMT"

# ---------------------------------------------------------------------------
# Status blocks: the lines an answer begins with, before the common tail

OK = ["HTTP/1.1 200 OK"]
NOT_MODIFIED = ["HTTP/1.1 304 Not Modified"]
REDIRECT = ["HTTP/1.1 302 Found", "Location: http://www.example.com/"]
CHALLENGE = "Basic"
AUTHENTICATE = f"WWW-Authenticate: {CHALLENGE}"
UNAUTHORIZED = ["HTTP/1.1 401 Unauthorized", AUTHENTICATE]
NOT_FOUND = ["HTTP/1.1 404 Not Found"]


def content_length(size):
    """The header line that announces the length of a body."""
    return f"CONTENT-LENGTH: {size}"


def file_status(size, modified=MODIFIED):
    """The status block of a file served: its last-write date and its length."""
    return OK + [f"LAST-MODIFIED: {modified}", content_length(size)]


def page_status(page):
    """The status block of a page the program makes itself (a listing, the
    listing-denied page, its own icon): no date, only the length."""
    return OK + [content_length(len(page))]


def status_bytes(status_lines):
    """The first bytes of an answer with this status block, each line ended."""
    return "".join(line + "\r\n" for line in status_lines).encode("latin-1")


# ---------------------------------------------------------------------------
# The common tail of every header

SERVER_NAME = "Glimmer Version 1"


# The last header line of every answer: each connection carries one request.
CONNECTION_CLOSE = "Connection: close"


def answer_date(raw):
    """The Date header of an answer, which must come right before its last
    header line, the connection's close."""
    head = raw.partition(b"\r\n\r\n")[0].decode("latin-1")
    lines = head.split("\r\n")
    date = lines[-2] if len(lines) >= 2 else ""
    if (lines[-1] != CONNECTION_CLOSE or not date.startswith("Date: ")
            or not HTTP_DATE.fullmatch(date[6:])):
        raise AssertionError(f"no well-formed Date and Connection lines at the end of the header: "
                             f"{head!r}")
    return date[6:]


def expected_answer(raw, status_lines, content_type, body=b""):
    """The exact bytes an answer must have: the status lines, the common tail
    of content type, server name, date (the date as the answer carries it,
    once its form is checked) and the connection's close, an empty line and
    the body."""
    lines = list(status_lines) + [f"CONTENT-TYPE: {content_type}", f"SERVER: {SERVER_NAME}",
                                  f"Date: {answer_date(raw)}", CONNECTION_CLOSE]
    return ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1") + body


# ---------------------------------------------------------------------------
# Pages

LISTING_TITLE = "Directory Listing"
LISTING_HEAD = (b"<HTML><HEAD><TITLE>" + LISTING_TITLE.encode("latin-1")
                + b"</TITLE><STYLE TYPE='text/css'><!--TABLE"
                b"{font-size:12;font-family:Arial;}--></STYLE></HEAD><BODY>")
LISTING_TABLE = (b"<TABLE width=100% border=1 cellspacing=0 cellpadding=0><TR><TH align=left>"
                 b"File Name</TH><TH align=right>Size</TH><TH align=left>Modified</TH></TR>")
LISTING_END = b"</TABLE></BODY></HTML>"
DENIED_TEXT = b"Directory Listing Denied"
DENIED_PAGE = LISTING_HEAD + b"<B>" + DENIED_TEXT + b"</B></BODY></HTML>"


def listing_link(path, link):
    """The link of a listing's row: its target and the row's path as the list shows it."""
    return f'<A href="{link}">{path}</A>'.encode("latin-1")


def listing_row(path, link, size="", modified=""):
    """One row of a listing: a folder's has no size and no date."""
    cells = f"&nbsp;</TD><TD align=right>{size}&nbsp;</TD><TD>{modified}&nbsp;</TD></TR>"
    return b"<TR><TD>" + listing_link(path, link) + cells.encode("latin-1")


def listing_page(*rows):
    """A whole listing page with these rows (listing_row), in the order given."""
    return LISTING_HEAD + LISTING_TABLE + b"".join(rows) + LISTING_END


# ---------------------------------------------------------------------------
# The request log

LOG_PEER = "[127.0.0.1] "


def log_entry_pattern(command, lines):
    """The whole entry of one request from the tests' address: the peer and
    the date (group 1), the command as the program read it, the lines
    received (each ended by CR LF, the empty line too) and one more CR LF."""
    received = "".join(line + "\r\n" for line in lines)
    return re.compile(re.escape(LOG_PEER) + "(" + HTTP_DATE_PATTERN + r")\r\nCommand- "
                      + re.escape(command) + r"\r\n" + re.escape(received) + r"\r\n")
