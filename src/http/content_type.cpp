#include "http/content_type.h"

namespace {

struct ContentTypeRow {
    const char* extensions[6];  // upper case, ended by nullptr
    const char* type;
};

// Compared in this order; the first row listing the extension decides.
const ContentTypeRow kTable[] = {
    {{"1ST", "TXT", "LOG", "BAS", "INC", "RC"}, "text/plain"},
    {{"RTF", "WRI"}, "text/richtext"},
    {{"CSS"}, "text/css"},
    {{"XML"}, "text/xml"},
    {{"HTM", "HTML"}, "text/html"},
    {{"XLS", "XLA", "XLC", "XLT", "XLW"}, "application/vnd.ms-excel"},
    {{"PPT", "PPS", "POT"}, "application/vnd.ms-powerpoint"},
    {{"DOC"}, "application/msword"},
    {{"JPG", "JPE", "JPEG"}, "image/jpeg"},
    {{"GIF"}, "image/gif"},
    {{"TIF", "TIFF"}, "image/tiff"},
    {{"ICO"}, "image/x-icon"},
    {{"BMP"}, "image/bmp"},
    {{"PNG"}, "image/png"},
    {{"WAV", "AU", "SND", "MID"}, "audio/basic"},
    {{"MP3"}, "audio/mpeg"},
    {{"MPG", "MPEG"}, "video/mpeg"},
    {{"MOV", "QT", "QTL", "QTM"}, "video/quicktime"},
    {{"SWF"}, "application/x-shockwave-flash"},
    {{"ZIP"}, "application/zip"},
};

const char kDefaultType[] = "application/octet-stream";

}  // namespace

const char* ContentTypeFor(const std::string& key) {
    const size_t dot = key.rfind('.');
    std::string extension = dot == std::string::npos ? key : key.substr(dot + 1);
    // No listed extension is longer than four letters; longer ones cannot match.
    if (extension.size() > 4 || extension.empty()) return kDefaultType;
    for (char& c : extension)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    for (const ContentTypeRow& row : kTable)
        for (const char* const* e = row.extensions; e < row.extensions + 6 && *e; ++e)
            if (extension == *e) return row.type;
    return kDefaultType;
}
