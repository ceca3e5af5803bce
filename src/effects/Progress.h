// The progress percentage of long work, with its message pump.
#pragma once

#include "app/App.h"

#include <algorithm>
#include <cstdint>

namespace wt {

// How many calls make one progress text.
inline constexpr int kProgressInterval = 200;

// Counts calls; every 200th call writes "%s:%3d%%" (label, done * 100 / total, computed in 64
// bits) into status part 0 and dispatches at most one pending message, so the windows repaint
// and the stop command gets through. The counter is shared by all commands and never reset.
void ShowProgress(App& app, const char* label, std::int64_t done, std::int64_t total);

// Runs body(i) for i = 0 .. count - 1, each followed by what ShowProgress(app, label, done(i),
// total) does: the same texts after the same items, and the shared counter advanced by one per
// item. The counter is advanced once per stretch of silent calls instead of once per item, so
// that the processing loop keeps it out of memory.
template <class Done, class Body>
void ForEachWithProgress(App& app, const char* label, std::int64_t count, std::int64_t total,
                         Done done, Body body) {
    int& counter = app.effects.progressCounter;
    std::int64_t i = 0;
    while (i < count) {
        // The calls that only count (the counter stays below the interval after them), then
        // the one that shows the text, if the items last that long. One call site of `body`,
        // so that it is inlined into a single tight loop.
        const std::int64_t silent = std::max(0, kProgressInterval - 1 - counter);
        const std::int64_t first = i;
        const std::int64_t end = std::min(count, i + silent + 1);
        for (; i < end; ++i) {
            body(i);
        }
        if (end - first > silent) {
            counter += static_cast<int>(silent);
            ShowProgress(app, label, done(end - 1), total);
        } else {
            counter += static_cast<int>(end - first);
        }
    }
}

// As ForEachWithProgress, with the items handed to body(first, end) a stretch at a time, each
// stretch ending where a ShowProgress after every item would show its text: for loops that
// work on many items at once.
template <class Done, class Body>
void ForEachStretchWithProgress(App& app, const char* label, std::int64_t count, std::int64_t total,
                                Done done, Body body) {
    int& counter = app.effects.progressCounter;
    std::int64_t i = 0;
    while (i < count) {
        const std::int64_t silent = std::max(0, kProgressInterval - 1 - counter);
        const std::int64_t first = i;
        i = std::min(count, i + silent + 1);
        body(first, i);
        if (i - first > silent) {
            counter += static_cast<int>(silent);
            ShowProgress(app, label, done(i - 1), total);
        } else {
            counter += static_cast<int>(i - first);
        }
    }
}

} // namespace wt
