#include "batch/PreviewBatch.h"

#include "editor/App.h"
#include "formats/SoundFormats.h"
#include "hosts/scripted/ScriptedHost.h"
#include "preview/PreviewEngine.h"
#include "util/ParseNumber.h"
#include "window/CommandTable.h"
#include "window/MainWindow.h"

#include <chrono>
#include <cstdlib>
#include <ostream>

namespace wt {

namespace {

using Clock = std::chrono::steady_clock;

// How long a rendering or the device's end report may take beyond the sound itself.
constexpr int kRenderTimeoutMs = 120000;

struct PreviewLine {
    int commandId = 0;
    std::vector<std::pair<int, std::string>> assignments;
    double seconds = 0; // 0: the settings' length
    std::string to;
};

bool ParseAssignment(const std::string& arg, PreviewLine& line, std::string& error) {
    const auto eq = arg.find('=');
    if (eq == std::string::npos || eq == 0) {
        error = "expected ID=VALUE, got \"" + arg + "\"";
        return false;
    }
    const std::string key = arg.substr(0, eq);
    const std::string value = arg.substr(eq + 1);
    if (key == "seconds") {
        char* end = nullptr;
        const double s = std::strtod(value.c_str(), &end);
        if (value.empty() || *end != '\0' || !(s > 0 && s <= 3600)) {
            error = "seconds must be a number above 0 and at most 3600, got \"" + value + "\"";
            return false;
        }
        line.seconds = s;
        return true;
    }
    if (key == "to") {
        line.to = value;
        return true;
    }
    long long id = 0;
    if (!ParseInteger(key, 0, 0xFFFF, id)) {
        error = "control id must be a whole number from 0 to 65535, got \"" + key + "\"";
        return false;
    }
    line.assignments.emplace_back(static_cast<int>(id), value);
    return true;
}

// "VERB ID=VALUE… [seconds=S] [to=FILE]".
bool ParseLine(const std::vector<std::string>& args, bool withCommand, PreviewLine& line,
               std::string& error) {
    std::size_t first = 0;
    if (withCommand) {
        const CommandEntry* entry = args.empty() ? nullptr : FindCommandByName(args[0]);
        if (!entry || !entry->handler || !CommandHasPreview(entry->id)) {
            error = args.empty() ? "name a command" : "\"" + args[0] + "\" has no preview";
            return false;
        }
        line.commandId = entry->id;
        first = 1;
    }
    for (std::size_t i = first; i < args.size(); ++i) {
        if (!ParseAssignment(args[i], line, error)) {
            return false;
        }
    }
    return true;
}

PreviewRequest RequestOf(BatchContext& c, PreviewLine line) {
    PreviewRequest request =
        RequestFromAssignments(c.app, line.commandId, std::move(line.assignments));
    if (line.seconds > 0) {
        request.seconds = line.seconds;
    }
    return request;
}

// "VERB ID=VALUE… [seconds=S]": starts playing it, once or looped, the device starting with
// the first rendering; false with the reason when the line, the device or the command refuses.
bool StartLine(BatchContext& c, const std::vector<std::string>& args, bool loop,
               std::string& error) {
    PreviewLine line;
    if (!ParseLine(args, true, line, error)) {
        return false;
    }
    if (!c.preview) {
        error = "this run has no preview";
        return false;
    }
    if (c.app.busy) {
        error = "the editor is busy";
        return false;
    }
    return c.preview->Play(c.app, RequestOf(c, std::move(line)), loop, kRenderTimeoutMs, error);
}

// The rendering asked for last has reached the device, or failed: false with its reason.
bool AwaitRendering(BatchContext& c, std::string& error) {
    if (!c.preview->WaitForRendering(kRenderTimeoutMs)) {
        error = "the preview did not render in time";
        return false;
    }
    error = c.preview->TakeFailure();
    return error.empty();
}

} // namespace

bool BatchPreview(BatchContext& c, const std::vector<std::string>& args, std::string& error) {
    PreviewLine line;
    if (!ParseLine(args, true, line, error)) {
        return false;
    }
    const std::string to = line.to;
    const PreviewRequest request = RequestOf(c, std::move(line));
    PreviewResult result;
    try {
        SoundDocument input;
        const auto never = [] { return false; };
        CopyPreviewInput(request, c.app.doc, never, input);
        if (!RenderPreview(request, std::move(input), never, result)) {
            error = result.error;
            return false;
        }
    } catch (const std::bad_alloc&) {
        error = "not enough memory for the preview";
        return false;
    }
    const std::int64_t frames = static_cast<std::int64_t>(result.bytes.size()) /
                                std::max<std::int64_t>(1, c.app.doc.format.blockAlign);
    if (to.empty()) {
        c.out << "preview: " << frames << " frames\n";
        return true;
    }
    SoundDocument sound;
    sound.format = c.app.doc.format;
    sound.RecomputeBytesPerSample();
    if (!TryAllocate(sound.sampleData, result.bytes.size() + 16)) {
        error = "not enough memory for the preview";
        return false;
    }
    std::copy(result.bytes.begin(), result.bytes.end(), sound.Data());
    sound.byteLength = static_cast<std::int32_t>(result.bytes.size());
    if (!WriteWaveFile(sound, to).ok) {
        error = "cannot write " + to;
        return false;
    }
    return true;
}

bool BatchPreviewPlay(BatchContext& c, const std::vector<std::string>& args, std::string& error) {
    if (!StartLine(c, args, false, error)) {
        return false;
    }
    // Until the device reports that the last frame has been heard.
    const auto deadline = Clock::now() + std::chrono::milliseconds(kRenderTimeoutMs);
    const WParam handle = c.preview->OutputHandle();
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            c.preview->Stop();
            error = "the device did not report the end";
            return false;
        }
        for (const auto& m : c.host.TakePosted(std::min(left, std::chrono::milliseconds(100)))) {
            if (m.message == msg::WaveOutDone && m.wParam == handle) {
                c.preview->Stop();
                return true;
            }
            MainWndProc(c.app, m.message, m.wParam, m.lParam);
        }
    }
}

bool BatchPreviewStart(BatchContext& c, const std::vector<std::string>& args, std::string& error) {
    return StartLine(c, args, true, error);
}

bool BatchPreviewSet(BatchContext& c, const std::vector<std::string>& args, std::string& error) {
    PreviewLine line;
    if (!ParseLine(args, false, line, error)) {
        return false;
    }
    if (!c.preview || !c.preview->Playing()) {
        error = "no preview is playing";
        return false;
    }
    PreviewRequest request = c.preview->Request();
    request.controls.insert(request.controls.end(), line.assignments.begin(),
                            line.assignments.end());
    WaveDevices* devices = c.app.host.Devices();
    const std::int64_t at = devices ? devices->OutputPosition() : 0;
    c.preview->Change(request);
    c.out << "preview_set: at frame " << at << "\n";
    return AwaitRendering(c, error);
}

bool BatchPreviewStop(BatchContext& c, const std::vector<std::string>& args, std::string& error) {
    if (!args.empty()) {
        error = "usage: preview_stop";
        return false;
    }
    if (c.preview) {
        c.preview->Stop();
    }
    return true;
}

} // namespace wt
