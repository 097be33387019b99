// The writer of the log file: entries from many connections go to the file in
// batches, one write and one flush for all that queued meanwhile, and the file
// only ever holds whole entries. Core code: the file is behind LogFile.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

// The log file as the writer sees it. The writer calls it from one thread at a
// time.
struct LogFile {
    virtual ~LogFile() = default;
    virtual bool IsOpen() const = 0;
    // "WebLog.txt" for appending at its end, created when missing.
    virtual bool Open() = 0;
    // Its current length.
    virtual bool Size(uint64_t& size) = 0;
    // Writes at the end; `written` says how much went.
    virtual bool Write(const char* data, size_t size, size_t& written) = 0;
    // To disk.
    virtual bool Flush() = 0;
    // Truncates to `length`; writing goes on at the new end.
    virtual bool CutBack(uint64_t length) = 0;
    // Closes it, deletes the backup, renames it to the backup; failures ignored.
    virtual void Rotate() = 0;
    // Closes it when open.
    virtual void Close() = 0;
};

class LogWriter {
public:
    // Told of every entry of a batch, in the file's order, with whether it
    // reached the file; before any of the batch's callers returns, and never
    // while another batch runs.
    using Sink = std::function<void(const std::string& entry, bool written)>;

    // A file past this many bytes is rotated before the next entry.
    static constexpr uint64_t kRotationSize = 2097152;

    LogWriter(LogFile& file, Sink sink);

    // Writes one entry and returns once it is written and flushed (true) or
    // has failed (false): the file could not be opened or its length read, or
    // the write or flush failed. A failed entry is never written later, and
    // the file keeps only whole entries. Any thread. An exception from the
    // file or the sink does not come out: it fails what was not yet on disk.
    // An empty entry is not logged: false, and neither the file nor the sink
    // hears of it.
    bool Append(std::string entry);

    // Program end: waits for a batch in progress, cuts back what a failed one
    // left, closes the file. A later Append opens it again.
    void Close();

    // Entries waiting for the next batch: how far the disk is behind (tests
    // line a batch up with it).
    size_t Queued() const;

private:
    // One caller's entry, on that caller's stack while it waits.
    struct Pending {
        std::string text;
        Pending* next = nullptr;
        bool written = false;
        bool done = false;  // under mutex_: the caller may return
    };

    // The writer's part: only the thread holding the writer role runs these.
    void WriteBatch(Pending* batch);
    Pending* WriteSegment(Pending* first);
    bool ReadyToWrite(uint64_t& size);
    bool CutBackIfPending();
    void Report(Pending* batch);

    LogFile& file_;
    Sink sink_;
    bool cutPending_ = false;  // the file may hold more than goodLength_ bytes
    uint64_t goodLength_ = 0;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    Pending* head_ = nullptr;  // queued for the next batch, in arrival order
    Pending* tail_ = nullptr;
    bool writing_ = false;  // some thread holds the writer role
};
