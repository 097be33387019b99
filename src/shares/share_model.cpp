#include "shares/share_model.h"

#include <algorithm>

#include "http/case_folding.h"
#include "http/unicode.h"

namespace {

// Texts of the list's columns are read through a buffer of 260 UTF-16 units.
constexpr size_t kMaxEntryText = 259;

}  // namespace

ShareView::ShareView(std::string baseFolder, std::vector<ShareRow> rows)
    : baseFolder_(std::move(baseFolder)), flags_(rows.size()) {
    entries_.reserve(rows.size());
    firstByPath_.reserve(rows.size());
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        ShareRow& row = rows[i];
        firstByPath_.emplace(FoldCase(row.path), i);
        byGroup_[row.group].push_back(i);
        flags_[i] = FlagBits(row.shared, row.protect);
        entries_.push_back(
            {std::move(row.path), std::move(row.size), std::move(row.modified), row.group});
    }
}

void ShareView::SetFlags(int index, bool shared, bool protect) {
    if (Valid(index)) flags_[index] = FlagBits(shared, protect);
}

int ShareView::FindSharedEntry(const std::string& path) const {
    return LookUpSharedEntry(path).index;
}

SharedEntry ShareView::LookUpSharedEntry(const std::string& path) const {
    SharedEntry entry;
    if (path.empty()) return entry;
    const auto found = firstByPath_.find(FoldCase(path));
    if (found == firstByPath_.end()) return entry;
    const unsigned char flags = Flags(found->second);
    if (!(flags & kShared)) return entry;
    entry.index = found->second;
    entry.protect = (flags & kProtected) != 0;
    return entry;
}

bool ShareView::IsEntryProtected(int index) const { return (Flags(index) & kProtected) != 0; }

bool ShareView::IsEntryShared(int index) const { return (Flags(index) & kShared) != 0; }

std::string ShareView::EntryText(int index, int column) const {
    if (!Valid(index) || column < 0 || column > 2) return std::string();
    const Entry& entry = entries_[index];
    const std::string& text = column == 0 ? entry.path : column == 1 ? entry.size : entry.modified;
    return CutToUtf16Units(text, kMaxEntryText);
}

int32_t ShareView::EntryGroup(int index) const { return Valid(index) ? entries_[index].group : 0; }

int ShareView::FindNextInGroup(int start, int32_t group) const {
    const auto found = byGroup_.find(group);
    if (found == byGroup_.end()) return -1;
    const std::vector<int>& indices = found->second;
    const auto next = std::upper_bound(indices.begin(), indices.end(), start);
    return next == indices.end() ? -1 : *next;
}

ShareModel::ShareModel()
    : view_(std::make_shared<ShareView>(std::string(), std::vector<ShareRow>())) {}

std::shared_ptr<const ShareView> ShareModel::View() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return view_;
}

void ShareModel::Assign(std::string baseFolder, std::vector<ShareRow> rows) {
    // Made outside the lock: readers wait only for the exchange.
    auto view = std::make_shared<ShareView>(std::move(baseFolder), std::move(rows));
    std::lock_guard<std::mutex> lock(mutex_);
    view_.swap(view);
}

void ShareModel::SetFlags(int index, bool shared, bool protect) {
    std::shared_ptr<ShareView> view;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        view = view_;
    }
    view->SetFlags(index, shared, protect);
}

std::string ShareModel::BaseFolder() const { return View()->BaseFolder(); }
