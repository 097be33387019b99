// Share lists for tests, written the way a scan leaves them.
#pragma once

#include <string>
#include <vector>

#include "shares/share_model.h"

inline ShareRow Row(const std::string& path, int group, bool shared = true, bool protect = false,
                    const std::string& size = "", const std::string& modified = "") {
    ShareRow row;
    row.path = path;
    row.group = group;
    row.shared = shared;
    row.protect = protect;
    row.size = size;
    row.modified = modified;
    return row;
}
