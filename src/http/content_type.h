// The fixed table from file extension to content type.
#pragma once

#include <string>

// The content type for a key (a path, ".htm" or a request text): the text after
// the key's last "." is looked up without regard to ASCII letter case. Never fails.
const char* ContentTypeFor(const std::string& key);
