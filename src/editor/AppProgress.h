// The progress percentage of long work in the status bar, with its message pump.
#pragma once

#include "editor/App.h"
#include "util/Progress.h"

#include <cstdint>

namespace wt {

// Writes "%s:%3d%%" (label, done * 100 / total, computed in 64 bits) into status part 0 and
// dispatches at most one pending message, so the windows repaint and the stop command gets
// through. Counts on the editor's shared counter, which is never reset.
class AppProgress final : public Progress {
public:
    explicit AppProgress(App& app) : Progress(app.effects.progressCounter), app_(app) {}

private:
    void Show(const char* label, std::int64_t done, std::int64_t total) override;
    App& app_;
};

// Counts calls; every 200th call shows the text as AppProgress does.
void ShowProgress(App& app, const char* label, std::int64_t done, std::int64_t total);

// For a pass that shows no percentage: lets the window's pending events through (a repaint,
// the stop command) at every 65536th frame, so none waits for the whole pass.
inline void LetEventsThrough(App& app, std::int64_t frame) {
    if ((frame & 0xFFFF) == 0) {
        app.host.LetEventsThrough();
    }
}

// The loops of util/Progress.h with the editor's progress.
template <class Done, class Body>
void ForEachWithProgress(App& app, const char* label, std::int64_t count, std::int64_t total,
                         Done done, Body body) {
    AppProgress progress(app);
    ForEachWithProgress(progress, label, count, total, done, body);
}

template <class Done, class Body>
void ForEachStretchWithProgress(App& app, const char* label, std::int64_t count, std::int64_t total,
                                Done done, Body body) {
    AppProgress progress(app);
    ForEachStretchWithProgress(progress, label, count, total, done, body);
}

} // namespace wt
