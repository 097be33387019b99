// The rows of the file list as the connection workers read them: a copy that
// the user-interface thread keeps in step with every change of the list (rows,
// selection, ticks), indexed by path and by group so that no lookup searches.
#pragma once

#include <cstdint>
#include <shared_mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "http/share_queries.h"

struct ShareRow {
    std::string path;  // relative to the base folder, beginning with "\"
    std::string size;
    std::string modified;
    int32_t group = 0;
    bool shared = false;   // the row is selected
    bool protect = false;  // the row's box is ticked
};

class ShareModel final : public ShareQueries {
public:
    // Replaces every row, in list order.
    void Assign(std::vector<ShareRow> rows);
    void Clear() { Assign({}); }
    // Out-of-range indices are ignored.
    void SetFlags(int index, bool shared, bool protect);

    int FindSharedEntry(const std::string& path) override;
    bool IsEntryProtected(int index) override;
    bool IsEntryShared(int index) override;
    std::string EntryText(int index, int column) override;
    int32_t EntryGroup(int index) override;
    int FindNextInGroup(int start, int32_t group) override;
    int EntryCount() override;

    // Letter case folded the way lookups compare paths: every letter of the code page.
    static std::string FoldCase(const std::string& path);

private:
    bool Valid(int index) const { return index >= 0 && index < static_cast<int>(rows_.size()); }

    mutable std::shared_mutex mutex_;
    std::vector<ShareRow> rows_;
    std::unordered_map<std::string, int> firstByPath_;
    std::unordered_map<int32_t, std::vector<int>> byGroup_;  // ascending row indices
};
