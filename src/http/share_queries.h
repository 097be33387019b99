// The share list as the HTTP service sees it: the queries that decide what a
// request may reach. Tests give it an in-memory double.
#pragma once

#include <cstdint>
#include <string>

// Folder paths (requested or listed) end with a backslash; file paths do not.
inline bool EndsWithBackslash(const std::string& path) {
    return !path.empty() && path.back() == '\\';
}

// A selected row found by its path, with its tick as it stood when its
// selection was read.
struct SharedEntry {
    int index = -1;  // -1: none
    bool protect = false;
};

struct ShareQueries {
    virtual ~ShareQueries() = default;
    // The folder every row's path is relative to, without a trailing backslash
    // ("C:" for a drive root). Paths and folder are UTF-8.
    virtual std::string BaseFolder() const = 0;
    // Index of the selected row whose path equals the given one without regard
    // to letter case (both simply case folded); -1 for none and always for an
    // empty path.
    virtual int FindSharedEntry(const std::string& path) const = 0;
    // FindSharedEntry and that row's tick, both read at one moment.
    virtual SharedEntry LookUpSharedEntry(const std::string& path) const = 0;
    virtual bool IsEntryProtected(int index) const = 0;
    virtual bool IsEntryShared(int index) const = 0;
    // Column 0 the relative path, 1 the size text, 2 the modified text.
    virtual std::string EntryText(int index, int column) const = 0;
    virtual int32_t EntryGroup(int index) const = 0;
    // The first row after start (-1: before the first) whose group is the given
    // one, or -1; the search does not wrap.
    virtual int FindNextInGroup(int start, int32_t group) const = 0;
    virtual int EntryCount() const = 0;
};
