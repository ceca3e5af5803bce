// The progress of long work: a counter of calls shared by every command, and a text shown
// every kProgressInterval calls. Processing loops count through a Progress without knowing
// who shows the text; the editor shows it in the status bar (editor/AppProgress.h).
#pragma once

#include <algorithm>
#include <cstdint>

namespace wt {

// How many calls make one progress text.
inline constexpr int kProgressInterval = 200;

class Progress {
public:
    explicit Progress(int& counter) : counter_(counter) {}
    virtual ~Progress() = default;
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // Counts one call; every 200th call shows done out of total for `label`.
    void Step(const char* label, std::int64_t done, std::int64_t total) {
        if (++counter_ < kProgressInterval) {
            return;
        }
        counter_ = 0;
        Show(label, done, total);
    }
    // The shared counter: calls since the last text.
    int& Counter() { return counter_; }

protected:
    virtual void Show(const char* label, std::int64_t done, std::int64_t total) = 0;

private:
    int& counter_;
};

// Runs body(first, end) over the items 0 .. count - 1 a stretch at a time, each stretch ending
// where a progress.Step(label, done(i), total) after every item would show its text: the same
// texts after the same items, and the shared counter advanced by one per item. The counter is
// advanced once per stretch instead of once per item, so that the processing loop keeps it
// out of memory.
template <class Done, class Body>
void ForEachStretchWithProgress(Progress& progress, const char* label, std::int64_t count,
                                std::int64_t total, Done done, Body body) {
    int& counter = progress.Counter();
    std::int64_t i = 0;
    while (i < count) {
        // The items whose calls only count (the counter stays below the interval after them),
        // then the one whose call shows the text, if the items last that long.
        const std::int64_t silent = std::max(0, kProgressInterval - 1 - counter);
        const std::int64_t first = i;
        i = std::min(count, i + silent + 1);
        body(first, i);
        if (i - first > silent) {
            counter += static_cast<int>(silent);
            progress.Step(label, done(i - 1), total);
        } else {
            counter += static_cast<int>(i - first);
        }
    }
}

// As ForEachStretchWithProgress, with body(i) called for each item: one call site of `body`,
// so that it is inlined into a single tight loop.
template <class Done, class Body>
void ForEachWithProgress(Progress& progress, const char* label, std::int64_t count,
                         std::int64_t total, Done done, Body body) {
    ForEachStretchWithProgress(progress, label, count, total, done,
                               [&body](std::int64_t first, std::int64_t end) {
                                   for (std::int64_t i = first; i < end; ++i) {
                                       body(i);
                                   }
                               });
}

} // namespace wt
