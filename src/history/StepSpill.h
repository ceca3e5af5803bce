// The files the edit history moves held step bytes to when its memory budget is spent: a
// worker thread that writes them (the caller only queues), reading one back, and the private
// folder they live in.
#pragma once

#include "history/StepTypes.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace wt {

class StepSpill {
public:
    // One file to write: `bytes` (immutable while shared) to `path`, for the step `step` of the
    // history under the write's own number `id`.
    struct Write {
        std::uint64_t id = 0;
        int step = 0;
        SharedBytes bytes;
        std::string path;
        bool ok = false; // set by the worker: the whole file was written
    };

    StepSpill() = default;
    ~StepSpill(); // Stop()
    StepSpill(const StepSpill&) = delete;
    StepSpill& operator=(const StepSpill&) = delete;

    // Queues a write, starting the worker when it is not running; never waits for a write.
    // False when the worker thread cannot be started.
    bool Enqueue(Write write);
    // Forgets a queued write that has not started (one in progress finishes and is collected).
    void Cancel(std::uint64_t id);
    // The writes finished since the last call; a failed one left no file. Never waits for a
    // write in progress.
    std::vector<Write> Collect();
    // Abandons the write in progress (its partial file is removed) and the queued ones, and
    // ends the worker. The writes finished before remain to be collected.
    void Stop();

private:
    void Run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Write> queue_;
    std::vector<Write> done_;
    bool stopping_ = false;            // under mutex_
    std::atomic<bool> abandon_{false}; // read by the worker between chunks of a write
    std::thread worker_;
};

// Reads a file written by the worker back into a new block of `bytes` bytes plus `spare`
// zero bytes; an empty block (check `block`) when the file is missing, of another size,
// unreadable, or the memory cannot be had.
SharedBytes ReadSpillFile(const std::string& path, std::size_t bytes, std::size_t spare);

// Locks `folder` for as long as the returned descriptor stays open, through the file ".lock"
// in it (flock), so that another editor's sweep leaves the folder of a running one alone; -1
// when the lock cannot be had.
int LockSpillFolder(const std::string& folder);
// Deletes the spill folders beside `own` (in the same parent, named "history-...") that no
// running editor holds: the ones an editor that crashed or was killed left behind.
void SweepDeadSpillFolders(const std::string& own);

// Bytes an unprivileged user may still write on the file system holding `folder`; 0 when it
// cannot be asked.
std::uint64_t FreeBytes(const std::string& folder);

} // namespace wt
