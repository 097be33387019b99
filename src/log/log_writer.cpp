#include "log/log_writer.h"

#include <utility>

LogWriter::LogWriter(LogFile& file, Sink sink) : file_(file), sink_(std::move(sink)) {}

bool LogWriter::Append(std::string entry) {
    if (entry.empty()) return false;
    Pending mine;
    mine.text = std::move(entry);
    std::unique_lock<std::mutex> lock(mutex_);
    if (tail_)
        tail_->next = &mine;
    else
        head_ = &mine;
    tail_ = &mine;
    changed_.wait(lock, [&] { return mine.done || !writing_; });
    if (mine.done) return mine.written;

    // No batch runs and this entry is still queued: this thread writes
    // everything queued so far, its own entry among it.
    Pending* batch = head_;
    head_ = tail_ = nullptr;
    writing_ = true;
    lock.unlock();
    WriteBatch(batch);
    Report(batch);
    lock.lock();
    for (Pending* p = batch; p; p = p->next) p->done = true;
    writing_ = false;
    changed_.notify_all();
    return mine.written;
}

void LogWriter::Close() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !writing_; });
    writing_ = true;
    lock.unlock();
    try {
        CutBackIfPending();
    } catch (...) {
    }
    file_.Close();
    // A cut-back still failing is given up with the file: it may be another
    // file by the time it is opened again.
    cutPending_ = false;
    lock.lock();
    writing_ = false;
    changed_.notify_all();
}

size_t LogWriter::Queued() const {
    std::lock_guard<std::mutex> lock(mutex_);
    size_t count = 0;
    for (const Pending* p = head_; p; p = p->next) ++count;
    return count;
}

void LogWriter::WriteBatch(Pending* batch) {
    // Joining a segment's entries may run out of memory. Whatever is not yet
    // known to be on disk stays failed, and a segment cut short is cut back
    // before the next one: the caller hands the role on in any case.
    try {
        for (Pending* first = batch; first;) first = WriteSegment(first);
    } catch (...) {
    }
}

// Writes the entries from `first` on for which the file needs no rotation, in
// one write and one flush; returns the first entry after them.
LogWriter::Pending* LogWriter::WriteSegment(Pending* first) {
    uint64_t size = 0;
    if (!ReadyToWrite(size)) return first->next;
    // The size before each later entry is known without asking the file:
    // nothing reaches it until the segment's write.
    uint64_t total = first->text.size();
    Pending* end = first->next;
    while (end && size + total <= kRotationSize) {
        total += end->text.size();
        end = end->next;
    }
    std::string joined;
    const std::string* data = &first->text;
    if (first->next != end) {
        joined.reserve(total);
        for (Pending* p = first; p != end; p = p->next) joined += p->text;
        data = &joined;
    }

    // Until the flush has succeeded the file may hold part of the segment.
    goodLength_ = size;
    cutPending_ = true;
    size_t written = 0;
    if (file_.Write(data->data(), data->size(), written) && written == data->size() &&
        file_.Flush()) {
        cutPending_ = false;
        for (Pending* p = first; p != end; p = p->next) p->written = true;
    } else {
        CutBackIfPending();
    }
    return end;
}

// Rotates a file grown too large and opens it when closed; false when nothing
// may be written now. `size` is the file's length before the next entry.
bool LogWriter::ReadyToWrite(uint64_t& size) {
    // Not even a rotation before the file is whole again: the backup would
    // keep the torn part for good.
    if (!CutBackIfPending()) return false;
    if (file_.IsOpen()) {
        // Without the length there is nothing to cut back to after a failure.
        if (!file_.Size(size)) return false;
        if (size <= kRotationSize) return true;
        file_.Rotate();
    }
    return file_.Open() && file_.Size(size);
}

bool LogWriter::CutBackIfPending() {
    if (cutPending_ && file_.CutBack(goodLength_)) cutPending_ = false;
    return !cutPending_;
}

void LogWriter::Report(Pending* batch) {
    if (!sink_) return;
    for (Pending* p = batch; p; p = p->next) {
        // The sink failing for one entry (out of memory) loses that entry's
        // report, not the others'.
        try {
            sink_(p->text, p->written);
        } catch (...) {
        }
    }
}
