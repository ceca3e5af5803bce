#include "editor/AppProgress.h"

#include "util/Format.h"

namespace wt {

namespace {

// "%s:%3d%%" without the cost of a formatted print: this runs for every 200 frames of every
// effect. `text` keeps its capacity from one call to the next.
void FormatProgress(std::string& text, const char* label, long long percent) {
    if (percent < 0 || percent > 999) {
        text = Format("%s:%3lld%%", label, percent);
        return;
    }
    text.assign(label);
    text += ':';
    const int value = static_cast<int>(percent);
    text += value >= 100 ? static_cast<char>('0' + value / 100) : ' ';
    text += value >= 10 ? static_cast<char>('0' + value / 10 % 10) : ' ';
    text += static_cast<char>('0' + value % 10);
    text += '%';
}

} // namespace

void AppProgress::Show(const char* label, std::int64_t done, std::int64_t total) {
    // 64-bit product: done * 100 overflows 32 bits for sounds over 21 MB.
    const long long percent = total != 0 ? done * 100 / total : 0;
    EffectState& state = app_.effects;
    // The percentage changes about a hundred times per pass, the text is set far more often.
    if (state.progressLabel != label || percent != state.progressPercent) {
        FormatProgress(state.progressText, label, percent);
        state.progressLabel.assign(label);
        state.progressPercent = percent;
    }
    app_.status.SetText(0, state.progressText);
    app_.host.PumpOneMessage();
}

void ShowProgress(App& app, const char* label, std::int64_t done, std::int64_t total) {
    AppProgress(app).Step(label, done, total);
}

} // namespace wt
