#include "log/log_text.h"

void LogWindowText::Append(const std::string& entry) {
    appended_ += entry.size();
    if (entry.size() >= kCapacity) {
        text_.assign(entry, entry.size() - kCapacity, kCapacity);
        return;
    }
    const size_t keep = kCapacity - entry.size();
    if (text_.size() > keep) text_.erase(0, text_.size() - keep);
    text_ += entry;
}

void LogWindowText::Clear() {
    text_.clear();
    appended_ = 0;
    ++clears_;
}

LogWindowText::Update LogWindowText::UpdateFrom(const Shown& shown) const {
    Update update;
    update.after.clears = clears_;
    update.after.end = appended_;
    update.after.start = appended_ - text_.size();
    const bool sameText = shown.clears == clears_ && shown.start <= update.after.start &&
                          shown.end >= update.after.start && shown.end <= appended_;
    if (!sameText) {
        update.replaceAll = true;
        update.append = text_;
        return update;
    }
    update.cutFront = static_cast<size_t>(update.after.start - shown.start);
    update.append = text_.substr(static_cast<size_t>(shown.end - update.after.start));
    return update;
}
