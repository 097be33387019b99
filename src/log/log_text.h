// The text of the log window: the last 65535 characters of the entries, and
// how to bring a window that shows an older state of it up to date cheaply.
#pragma once

#include <cstdint>
#include <string>

class LogWindowText {
public:
    static constexpr size_t kCapacity = 65535;

    // What a window shows: a stretch of the entries since the last clear.
    struct Shown {
        uint64_t clears = 0;
        uint64_t start = 0;  // offsets in everything appended since that clear
        uint64_t end = 0;
    };

    // How to change a window that shows `shown` into the current text.
    struct Update {
        bool replaceAll = false;  // set the whole text (after a clear, or when cheaper)
        size_t cutFront = 0;      // characters to delete from the front
        std::string append;       // then append this; with replaceAll: the whole text
        Shown after;

        // False when the window shows the current text already.
        bool Changes() const { return replaceAll || cutFront > 0 || !append.empty(); }
    };

    void Append(const std::string& entry);
    void Clear();
    const std::string& text() const { return text_; }
    Update UpdateFrom(const Shown& shown) const;

private:
    std::string text_;
    uint64_t clears_ = 0;
    uint64_t appended_ = 0;  // since the last clear
};
