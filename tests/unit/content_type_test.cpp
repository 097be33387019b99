#include <gtest/gtest.h>

#include "http/content_type.h"

TEST(ContentTypeFor, Table) {
    const struct {
        std::string key;
        const char* type;
    } cases[] = {
        {"\\index.htm", "text/html"},
        {"\\INDEX.HTM", "text/html"},
        {"\\page.html", "text/html"},
        {"\\archive.tar.gz", "application/octet-stream"},
        {"\\README", "application/octet-stream"},
        {"", "application/octet-stream"},
        {"\\read.me.1st", "text/plain"},
        {"\\song.wav", "audio/basic"},
        {"\\x.Rc", "text/plain"},
        {"\\my.docs\\readme", "application/octet-stream"},
        {".htm", "text/html"},
        {"GET \\favicon.ico", "image/x-icon"},
        {"\\a.txt", "text/plain"},
        {"\\a.log", "text/plain"},
        {"\\a.bas", "text/plain"},
        {"\\a.inc", "text/plain"},
        {"\\a.rtf", "text/richtext"},
        {"\\a.wri", "text/richtext"},
        {"\\a.css", "text/css"},
        {"\\a.xml", "text/xml"},
        {"\\a.xls", "application/vnd.ms-excel"},
        {"\\a.xla", "application/vnd.ms-excel"},
        {"\\a.xlc", "application/vnd.ms-excel"},
        {"\\a.xlt", "application/vnd.ms-excel"},
        {"\\a.xlw", "application/vnd.ms-excel"},
        {"\\a.ppt", "application/vnd.ms-powerpoint"},
        {"\\a.pps", "application/vnd.ms-powerpoint"},
        {"\\a.pot", "application/vnd.ms-powerpoint"},
        {"\\a.doc", "application/msword"},
        {"\\a.jpg", "image/jpeg"},
        {"\\a.jpe", "image/jpeg"},
        {"\\a.jpeg", "image/jpeg"},
        {"\\a.gif", "image/gif"},
        {"\\a.tif", "image/tiff"},
        {"\\a.tiff", "image/tiff"},
        {"\\a.bmp", "image/bmp"},
        {"\\a.png", "image/png"},
        {"\\a.au", "audio/basic"},
        {"\\a.snd", "audio/basic"},
        {"\\a.mid", "audio/basic"},
        {"\\a.mp3", "audio/mpeg"},
        {"\\a.mpg", "video/mpeg"},
        {"\\a.mpeg", "video/mpeg"},
        {"\\a.mov", "video/quicktime"},
        {"\\a.qt", "video/quicktime"},
        {"\\a.qtl", "video/quicktime"},
        {"\\a.qtm", "video/quicktime"},
        {"\\a.swf", "application/x-shockwave-flash"},
        {"\\a.zip", "application/zip"},
        {"\\a.", "application/octet-stream"},
        {"\\a.TXT ", "application/octet-stream"},
        {"\\a.htmlx", "application/octet-stream"},
        {std::string("\\a.tx\0", 6), "application/octet-stream"},
        {"HTM", "text/html"},  // no ".": the whole key is the extension
        {"\\a.\xe9", "application/octet-stream"},
    };
    for (const auto& c : cases) EXPECT_STREQ(ContentTypeFor(c.key), c.type) << c.key;
}
