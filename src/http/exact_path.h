// The form of a full path that the system opens exactly as it is spelled.
#pragma once

#include <string>

// The "\\?\" form of a full path ("C:\www\a." gives "\\?\C:\www\a.", and
// "\\server\share\a" gives "\\?\UNC\server\share\a"). The system's usual
// normalisation strips the trailing dots and spaces of every name, and may so
// open another file; this form turns it off. A path already in that form, and
// one that is not a full path, is left as it is.
std::string ExactPath(const std::string& fullPath);

// The form in which a served file is opened: as spelled, under the system's
// usual rules, unless one of its names ends in "." or " ", which those rules
// would strip: then the exact form. Names the system takes for devices (CON,
// NUL, ...) so stay devices, which are never served as files.
std::string PathToOpen(const std::string& fullPath);
