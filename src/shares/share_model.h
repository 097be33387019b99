// The rows of the file list as the connection workers read them: views that
// the user-interface thread makes at every scan and keeps in step with every
// selection and tick, indexed by path and by group so that no lookup searches.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "http/share_queries.h"

struct ShareRow {
    std::string path;  // UTF-8, relative to the base folder, beginning with "\"
    std::string size;
    std::string modified;
    int32_t group = 0;
    bool shared = false;   // the row is selected
    bool protect = false;  // the row's box is ticked
};

// One scan's rows under one base folder. Paths, texts and groups never change
// once made; the flags of each row change in place, each row's two together.
class ShareView final : public ShareQueries {
public:
    // The rows in list order, starting with the flags they carry.
    ShareView(std::string baseFolder, std::vector<ShareRow> rows);
    ShareView(const ShareView&) = delete;
    ShareView& operator=(const ShareView&) = delete;

    // A selection or tick change of one row. Out-of-range indices are ignored.
    void SetFlags(int index, bool shared, bool protect);

    std::string BaseFolder() const override { return baseFolder_; }
    int FindSharedEntry(const std::string& path) const override;
    SharedEntry LookUpSharedEntry(const std::string& path) const override;
    bool IsEntryProtected(int index) const override;
    bool IsEntryShared(int index) const override;
    std::string EntryText(int index, int column) const override;
    int32_t EntryGroup(int index) const override;
    int FindNextInGroup(int start, int32_t group) const override;
    int EntryCount() const override { return static_cast<int>(entries_.size()); }

private:
    static constexpr unsigned char kShared = 1;
    static constexpr unsigned char kProtected = 2;
    static unsigned char FlagBits(bool shared, bool protect) {
        return static_cast<unsigned char>((shared ? kShared : 0) | (protect ? kProtected : 0));
    }

    struct Entry {
        std::string path;
        std::string size;
        std::string modified;
        int32_t group;
    };

    bool Valid(int index) const { return index >= 0 && index < EntryCount(); }
    unsigned char Flags(int index) const { return Valid(index) ? flags_[index].load() : 0; }

    const std::string baseFolder_;
    std::vector<Entry> entries_;
    std::vector<std::atomic<unsigned char>> flags_;
    std::unordered_map<std::string, int> firstByPath_;       // folded path to its first row
    std::unordered_map<int32_t, std::vector<int>> byGroup_;  // ascending row indices
};

// The current view. Written by the user-interface thread; a worker takes one
// view and keeps it for the whole of its request, so the rows, flags and base
// folder it sees belong together even while a new scan starts.
class ShareModel {
public:
    ShareModel();

    std::shared_ptr<const ShareView> View() const;
    // Installs a new view; views already handed out keep theirs.
    void Assign(std::string baseFolder, std::vector<ShareRow> rows);
    // Changes the flags of a row of the current view.
    void SetFlags(int index, bool shared, bool protect);
    // The base folder of the current view; a whole copy.
    std::string BaseFolder() const;

private:
    mutable std::mutex mutex_;
    std::shared_ptr<ShareView> view_;
};
