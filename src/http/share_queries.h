// The share list as the HTTP service sees it: the queries that decide what a
// request may reach. Tests give it an in-memory double.
#pragma once

#include <cstdint>
#include <string>

// Folder paths (requested or listed) end with a backslash; file paths do not.
inline bool EndsWithBackslash(const std::string& path) {
    return !path.empty() && path.back() == '\\';
}

struct ShareQueries {
    virtual ~ShareQueries() = default;
    // Index of the selected row whose path equals the given one without regard
    // to letter case; -1 for none and always for an empty path.
    virtual int FindSharedEntry(const std::string& path) = 0;
    virtual bool IsEntryProtected(int index) = 0;
    virtual bool IsEntryShared(int index) = 0;
    // Column 0 the relative path, 1 the size text, 2 the modified text.
    virtual std::string EntryText(int index, int column) = 0;
    virtual int32_t EntryGroup(int index) = 0;
    // The first row after start (-1: before the first) whose group is the given
    // one, or -1; the search does not wrap.
    virtual int FindNextInGroup(int start, int32_t group) = 0;
    virtual int EntryCount() = 0;
};
