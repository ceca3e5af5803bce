#include "batch/AudioBatch.h"

#include "commands/devices/DeviceDialog.h"
#include "editor/App.h"
#include "hosts/scripted/ScriptedHost.h"
#include "window/MainWindow.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ostream>
#include <string>

namespace wt {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The longest wait a script may ask for: one day.
constexpr long long kMaxWaitMs = 24LL * 60 * 60 * 1000;
// How long past the sound's own length a wait without a number gives a device to report.
constexpr milliseconds kDeviceGrace(30000);

bool ParseMilliseconds(const std::string& text, long long& value) {
    if (text.empty() || text[0] == '-' || text[0] == '+') {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(text.c_str(), &end, 10);
    return *end == '\0' && errno == 0 && value <= kMaxWaitMs;
}

bool Running(const App& app) {
    return app.audio.playMode != kPlayIdle || app.audio.recording;
}

// The time the running playback or recording can still take at most.
milliseconds RemainingBound(const App& app) {
    const AudioState& audio = app.audio;
    if (audio.stopping) {
        return kDeviceGrace;
    }
    if (audio.recording) {
        return milliseconds(audio.recordSeconds * 1000LL) + kDeviceGrace;
    }
    const std::int64_t bytesPerSecond = std::max<std::int64_t>(1, app.doc.format.bytesPerSecond);
    return milliseconds(audio.playLength * 1000LL / bytesPerSecond) + kDeviceGrace;
}

} // namespace

bool BatchDevices(BatchContext& c, const std::vector<std::string>& args, std::string& error) {
    if (!args.empty()) {
        error = "usage: devices";
        return false;
    }
    WaveDevices* devices = c.app.host.Devices();
    for (const bool output : {true, false}) {
        const std::vector<std::string> rows = DeviceListRows(devices, output);
        for (std::size_t row = 0; row < rows.size(); ++row) {
            c.out << (output ? "output " : "input ") << row << ": " << rows[row] << "\n";
        }
    }
    return true;
}

bool BatchWait(BatchContext& c, const std::vector<std::string>& args, std::string& error) {
    long long ms = -1;
    if (args.size() > 1 || (args.size() == 1 && !ParseMilliseconds(args[0], ms))) {
        error = "usage: wait [MS] (0.." + std::to_string(kMaxWaitMs) + ")";
        return false;
    }
    const bool untilEnd = ms < 0;
    if (untilEnd && c.app.audio.playMode == kPlayLoop && !c.app.audio.stopping) {
        error = "loop playback ends only with stop";
        return false;
    }
    // A recording that ends cut short by its device during the wait fails the run, but not
    // at once: what arrived is the sound now, and the lines after the wait may save it.
    const bool recording = c.app.audio.recording;
    const Clock::time_point start = Clock::now();
    const Clock::time_point deadline =
        untilEnd ? start + RemainingBound(c.app) : start + milliseconds(ms);
    Clock::time_point nextTimer = start + milliseconds(kTimerPeriodMs);
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (recording && !c.app.audio.recording && c.app.audio.recordingEndedEarly) {
            c.err << "error: the recording ended early: the device stopped after "
                  << c.app.doc.byteLength << " bytes; the run goes on with what arrived\n";
            c.failedOnTheWay = true;
            return true;
        }
        if (untilEnd && !Running(c.app)) {
            return true;
        }
        if (now >= deadline) {
            if (untilEnd) {
                error = "the device did not report the end";
                return false;
            }
            return true;
        }
        const auto next = std::min(deadline, nextTimer);
        const auto timeout = std::chrono::duration_cast<milliseconds>(next - now);
        for (const auto& m : c.host.TakePosted(std::max(milliseconds(0), timeout))) {
            MainWndProc(c.app, m.message, m.wParam, m.lParam);
        }
        if (Clock::now() >= nextTimer) {
            MainWndProc(c.app, msg::Timer, static_cast<WParam>(kTimerId), 0);
            nextTimer += milliseconds(kTimerPeriodMs);
        }
    }
}

} // namespace wt
