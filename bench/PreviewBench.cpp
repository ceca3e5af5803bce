// The preview of every command whose dialog has a 試聴 button, on a 10-minute 44.1 kHz 16-bit
// stereo sound held in memory, with values away from the defaults so that each does real work:
//
// Render/NAME   the whole command (undo snapshot, processing with progress, store) on the whole
//               sound, as OK runs it; the counter x_realtime is the seconds of sound it was
//               given (a generator: the seconds it made) per second it took.
// Change/NAME   a preview playing in a loop on the fake output device, pulled by a thread as an
//               audio callback would, the whole sound selected; each iteration changes one
//               value (two values in turn) and times the change until the new rendering is
//               handed to the stream (manual time; max_ms the longest), and taken_ms until the
//               callback plays from it.
// ChangeAtCursor/NAME   the same for a generator with nothing selected, its sound inserted at
//               the start: what the selection adds to the generator's rendering.
#include "BenchSupport.h"

#include "editor/CommandIds.h"
#include "hosts/scripted/FakeWaveDevices.h"
#include "model/Undo.h"
#include "preview/PreviewEngine.h"
#include "preview/PreviewRender.h"
#include "window/CommandTable.h"
#include "window/MainWindow.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using namespace wt;
using bench::kBlockAlign;
using bench::kRate;
using bench::kTenMinutes;
using Clock = std::chrono::steady_clock;
using Values = std::vector<std::pair<int, std::string>>;

// One command: its batch name, whether it makes sound rather than changing it, the dialog values
// it keeps, and the control a change moves with its two values (the first is the one it
// starts with).
struct Case {
    const char* name;
    bool generator;
    Values values;
    int control;
    const char* first;
    const char* second;
};

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"volume", false, {}, 201, "150", "60"},
        {"compressor", false, {}, 203, "50", "80"},
        {"noise_gate", false, {}, 201, "20", "40"},
        {"distortion", false, {}, 201, "50", "80"},
        {"echo", false, {{205, "70"}}, 201, "300", "200"},
        {"reverb", false, {}, 201, "2000", "1000"},
        {"flanger", false, {}, 203, "20", "40"},
        {"tremolo", false, {}, 201, "100", "60"},
        {"vibrato", false, {}, 201, "20", "40"},
        {"envelope", false, {}, 110, "0:0,64:256,256:32", "0:256,128:0,256:256"},
        {"pan_envelope", false, {}, 110, "0:0,64:256,256:32", "0:256,128:0,256:256"},
        {"pitch_envelope", false, {}, 110, "0:0,64:256,256:32", "0:256,128:0,256:256"},
        {"equalizer",
         false,
         {{101, "30"},
          {102, "70"},
          {103, "30"},
          {104, "70"},
          {106, "70"},
          {107, "30"},
          {108, "70"},
          {109, "30"}},
         105,
         "30",
         "70"},
        {"parametric_eq",
         false,
         {{112, "2000"}, {114, "-6"}, {122, "4000"}, {124, "6"}},
         104,
         "6",
         "12"},
        {"noise_removal", false, {}, 201, "10", "20"},
        {"pitch", false, {}, 201, "150", "120"},
        {"time_stretch", false, {}, 201, "150", "120"},
        {"transpose", false, {}, 201, "700", "-500"},
        {"white_noise", true, {{203, "5000"}}, 201, "70", "40"},
        {"tone", true, {{106, "5000"}}, 104, "880", "440"},
        {"insert_silence", true, {}, 201, "5000", "4000"},
        {"melody_paste", true, {{103, "cdegcdeg"}}, 102, "120", "150"},
    };
    return cases;
}

Values ValuesOf(const Case& c, const char* value) {
    Values values = c.values;
    values.emplace_back(c.control, value);
    return values;
}

int CommandId(const Case& c) {
    const CommandEntry* entry = FindCommandByName(c.name);
    return entry && CommandHasPreview(entry->id) ? entry->id : 0;
}

// The editor on the fake devices with the tones (440 Hz left, 1 kHz right at 49 %, a small DC
// offset) and a quarter of a second of them on the clipboard for the melody paste.
struct Shared {
    FakeWaveDevices devices;
    bench::Editor editor{&devices};
    std::vector<std::uint8_t> start; // the first 20 seconds of the tones

    Shared() {
        SoundDocument& doc = editor.app.doc;
        bench::MakeStereo16(doc, kTenMinutes);
        bench::WriteTones(doc, bench::Tones{kTenMinutes, 16000, 300});
        start.assign(doc.Data(), doc.Data() + 20 * kRate * kBlockAlign);
        doc.selStart = 0;
        doc.selEnd = kRate / 4 * kBlockAlign;
        DispatchCommand(editor.app, IDM_COPY);
        doc.selStart = doc.selEnd = doc.cursor = 0;
    }
};

Shared& SharedEditor() {
    static Shared shared;
    return shared;
}

void Render(benchmark::State& state, const Case& c) {
    App& app = SharedEditor().editor.app;
    ScriptedHost& host = SharedEditor().editor.host;
    const std::vector<std::uint8_t>& start = SharedEditor().start;
    const int id = CommandId(c);
    const std::int32_t length = app.doc.byteLength;
    double seconds = 0;
    for (auto _ : state) {
        app.doc.selStart = app.doc.selEnd = app.doc.cursor = app.doc.anchor = 0;
        host.scriptErrors.clear();
        host.QueueDialog({ValuesOf(c, c.first)});
        if (id == 0 || DispatchCommand(app, id) != 1 || !host.scriptErrors.empty()) {
            state.SkipWithError("the command failed");
            break;
        }
        benchmark::ClobberMemory();
        state.PauseTiming();
        // An effect that left the start of the sound as it was did no work worth timing.
        if (!c.generator && app.doc.byteLength >= static_cast<std::int64_t>(start.size()) &&
            std::equal(start.begin(), start.end(), app.doc.Data())) {
            state.SkipWithError("the sound did not change");
            break;
        }
        const std::int64_t bytes = c.generator ? app.doc.byteLength - length : length;
        seconds += static_cast<double>(bytes) / (kRate * kBlockAlign);
        // Back to the tones, so that every run gets the same sound.
        SwapWithSnapshot(app.doc, app.undo);
        if (app.doc.byteLength != length) {
            state.SkipWithError("undo did not give the sound back");
            break;
        }
        state.ResumeTiming();
    }
    state.counters["x_realtime"] = benchmark::Counter(seconds, benchmark::Counter::kIsRate);
}

// Pulls the fake device's output as an audio callback does: 256 frames every 5.8 ms.
class Callback {
public:
    explicit Callback(FakeWaveDevices& devices)
        : thread_([this, &devices] {
              std::vector<std::uint8_t> out(kFrames * kBlockAlign);
              while (!quit_.load()) {
                  devices.PullOutput(out.data(), kFrames);
                  std::this_thread::sleep_for(std::chrono::microseconds(kFrames * 1000000 / kRate));
              }
          }) {}
    ~Callback() {
        quit_ = true;
        thread_.join();
    }
    Callback(const Callback&) = delete;
    Callback& operator=(const Callback&) = delete;

private:
    static constexpr int kFrames = 256;
    std::atomic<bool> quit_{false};
    std::thread thread_;
};

// How long a rendering may take before the run counts as failed.
constexpr int kTimeoutMs = 120000;

void Change(benchmark::State& state, const Case& c, bool wholeSelected) {
    Shared& shared = SharedEditor();
    App& app = shared.editor.app;
    const int id = CommandId(c);
    app.doc.selStart = app.doc.cursor = app.doc.anchor = 0;
    app.doc.selEnd = wholeSelected ? app.doc.byteLength : 0;
    PreviewEngine engine;
    std::string error;
    if (id == 0 || !engine.Play(app, RequestFromAssignments(app, id, ValuesOf(c, c.first)), true,
                                kTimeoutMs, error)) {
        state.SkipWithError(("the preview did not start: " + error).c_str());
        return;
    }
    double most = 0, taken = 0;
    {
        Callback callback(shared.devices);
        bool second = true;
        for (auto _ : state) {
            PreviewRequest request =
                RequestFromAssignments(app, id, ValuesOf(c, second ? c.second : c.first));
            second = !second;
            const auto start = Clock::now();
            engine.Change(std::move(request));
            const bool rendered = engine.WaitForRendering(kTimeoutMs);
            const double handed = std::chrono::duration<double>(Clock::now() - start).count();
            state.SetIterationTime(handed);
            const std::string failure = engine.TakeFailure();
            if (!rendered || !failure.empty()) {
                state.SkipWithError(("no new rendering: " + failure).c_str());
                break;
            }
            most = std::max(most, handed);
            // Until the callback plays from it (a frame of it pulled).
            const std::uint64_t wanted = engine.WantedGeneration();
            while (engine.Stream()->PlayingGeneration() < wanted &&
                   Clock::now() - start < std::chrono::milliseconds(kTimeoutMs)) {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            taken += std::chrono::duration<double>(Clock::now() - start).count();
        }
    }
    engine.Stop();
    app.doc.selStart = app.doc.selEnd = 0;
    state.counters["max_ms"] = most * 1000;
    state.counters["taken_ms"] =
        benchmark::Counter(taken * 1000, benchmark::Counter::kAvgIterations);
}

[[maybe_unused]] const bool kRegistered = [] {
    for (const Case& c : Cases()) {
        benchmark::RegisterBenchmark(("Render/" + std::string(c.name)).c_str(),
                                     [&c](benchmark::State& s) { Render(s, c); })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MinTime(1.0);
    }
    for (const Case& c : Cases()) {
        benchmark::RegisterBenchmark(("Change/" + std::string(c.name)).c_str(),
                                     [&c](benchmark::State& s) { Change(s, c, true); })
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(8);
    }
    for (const Case& c : Cases()) {
        if (c.generator) {
            benchmark::RegisterBenchmark(("ChangeAtCursor/" + std::string(c.name)).c_str(),
                                         [&c](benchmark::State& s) { Change(s, c, false); })
                ->Unit(benchmark::kMillisecond)
                ->UseManualTime()
                ->Iterations(8);
        }
    }
    return true;
}();

} // namespace
