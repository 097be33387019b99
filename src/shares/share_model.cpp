#include "shares/share_model.h"

#include <algorithm>
#include <mutex>

#include "http/code_page.h"

namespace {

// Texts of the list's columns are read through a 260-byte buffer.
constexpr size_t kMaxEntryText = 259;

}  // namespace

std::string ShareModel::FoldCase(const std::string& path) { return ::FoldCase(path); }

void ShareModel::Assign(std::vector<ShareRow> rows) {
    std::unordered_map<std::string, int> firstByPath;
    std::unordered_map<int32_t, std::vector<int>> byGroup;
    firstByPath.reserve(rows.size());
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        firstByPath.emplace(FoldCase(rows[i].path), i);
        byGroup[rows[i].group].push_back(i);
    }
    std::unique_lock<std::shared_mutex> lock(mutex_);
    rows_.swap(rows);
    firstByPath_.swap(firstByPath);
    byGroup_.swap(byGroup);
}

void ShareModel::SetFlags(int index, bool shared, bool protect) {
    std::unique_lock<std::shared_mutex> lock(mutex_);
    if (!Valid(index)) return;
    rows_[index].shared = shared;
    rows_[index].protect = protect;
}

int ShareModel::FindSharedEntry(const std::string& path) {
    if (path.empty()) return -1;
    const std::string folded = FoldCase(path);
    std::shared_lock<std::shared_mutex> lock(mutex_);
    const auto found = firstByPath_.find(folded);
    if (found == firstByPath_.end() || !rows_[found->second].shared) return -1;
    return found->second;
}

bool ShareModel::IsEntryProtected(int index) {
    std::shared_lock<std::shared_mutex> lock(mutex_);
    return Valid(index) && rows_[index].protect;
}

bool ShareModel::IsEntryShared(int index) {
    std::shared_lock<std::shared_mutex> lock(mutex_);
    return Valid(index) && rows_[index].shared;
}

std::string ShareModel::EntryText(int index, int column) {
    std::shared_lock<std::shared_mutex> lock(mutex_);
    if (!Valid(index)) return std::string();
    const ShareRow& row = rows_[index];
    const std::string& text = column == 0 ? row.path : column == 1 ? row.size : row.modified;
    if (column < 0 || column > 2) return std::string();
    return text.substr(0, kMaxEntryText);
}

int32_t ShareModel::EntryGroup(int index) {
    std::shared_lock<std::shared_mutex> lock(mutex_);
    return Valid(index) ? rows_[index].group : 0;
}

int ShareModel::FindNextInGroup(int start, int32_t group) {
    std::shared_lock<std::shared_mutex> lock(mutex_);
    const auto found = byGroup_.find(group);
    if (found == byGroup_.end()) return -1;
    const std::vector<int>& indices = found->second;
    const auto next = std::upper_bound(indices.begin(), indices.end(), start);
    return next == indices.end() ? -1 : *next;
}

int ShareModel::EntryCount() {
    std::shared_lock<std::shared_mutex> lock(mutex_);
    return static_cast<int>(rows_.size());
}
