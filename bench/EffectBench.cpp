// The level effects on a 10-minute 44.1 kHz 16-bit stereo sound held in memory, each run as
// the whole command (selection rule, undo snapshot, busy menu, processing with progress, store)
// on the scripted host. ProgressOnly does the progress of one pass of a command without the
// processing, so its time against the command's (times the passes) is what the progress
// display costs.
#include "app/App.h"
#include "app/MainWindow.h"
#include "effects/LevelEffects.h"
#include "effects/Progress.h"
#include "platform/scripted/ScriptedHost.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>

namespace {

using namespace wt;

constexpr int kRate = 44100;
constexpr int kFrames = kRate * 600; // 10 minutes
constexpr int kBlockAlign = 4;       // 16-bit stereo

// One editor holding the sound: a 440 Hz tone on the left, 1 kHz on the right, at half scale,
// with a small DC offset so that every effect has work to do.
struct Editor {
    ScriptedHost host;
    App app{host};

    Editor() {
        MainWndProc(app, msg::Create, 0, 0);
        FinishStartup(app, "");
        SoundDocument& doc = app.doc;
        doc.format = {1, 2, kRate, kRate * kBlockAlign, kBlockAlign, 16, 0};
        doc.RecomputeBytesPerSample();
        doc.byteLength = kFrames * kBlockAlign;
        doc.sampleData.Resize(static_cast<std::size_t>(doc.byteLength) + 16);
        Refill();
    }

    // The sound as it was before any command ran.
    void Refill() {
        SoundDocument& doc = app.doc;
        for (int f = 0; f < kFrames; ++f) {
            const double t = static_cast<double>(f) / kRate;
            WriteSample(doc, doc.Data() + f * kBlockAlign,
                        static_cast<int>(16000 * std::sin(2 * M_PI * 440 * t)) + 300, 0);
            WriteSample(doc, doc.Data() + f * kBlockAlign,
                        static_cast<int>(16000 * std::sin(2 * M_PI * 1000 * t)) - 300, 1);
        }
    }
};

Editor& SharedEditor() {
    static auto editor = std::make_unique<Editor>();
    return *editor;
}

// Runs `command` on the whole sound, with the volume dialog answered by `volume`.
void RunCommand(benchmark::State& state, int (*command)(App&), VolumeParams volume = {}) {
    Editor& editor = SharedEditor();
    editor.Refill();
    editor.app.effects.volume = volume;
    for (auto _ : state) {
        editor.app.doc.selStart = editor.app.doc.selEnd = 0;
        if (command(editor.app) != 1) {
            state.SkipWithError("the command failed");
            break;
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * editor.app.doc.byteLength);
}

// Volume at 50 % with the limiter, as the process comparison runs it; at 200 % the limiter
// has to find the peak and scale every sample.
void Volume50(benchmark::State& s) {
    RunCommand(s, CmdVolume, {50, 50, 1});
}
void Volume50NoLimiter(benchmark::State& s) {
    RunCommand(s, CmdVolume, {50, 50, 0});
}
void Volume200(benchmark::State& s) {
    RunCommand(s, CmdVolume, {200, 50, 1});
}
void Normalize(benchmark::State& s) {
    RunCommand(s, CmdNormalize);
}
void Silence(benchmark::State& s) {
    RunCommand(s, CmdSilence);
}
void FadeIn(benchmark::State& s) {
    RunCommand(s, CmdFadeIn);
}
void FadeOut(benchmark::State& s) {
    RunCommand(s, CmdFadeOut);
}
void Reverse(benchmark::State& s) {
    RunCommand(s, CmdReverse);
}
void PhaseInvert(benchmark::State& s) {
    RunCommand(s, CmdPhaseInvert);
}
void DcRemove(benchmark::State& s) {
    RunCommand(s, CmdDcRemove);
}

// The progress of one pass over the sound with nothing to process: the counter for every
// frame, and a status text and a pump for every 200th. The empty loop itself compiles away,
// so this is what the progress adds to a pass of a command.
void ProgressOnly(benchmark::State& state) {
    Editor& editor = SharedEditor();
    const std::int64_t total = static_cast<std::int64_t>(kFrames) * kBlockAlign;
    for (auto _ : state) {
        ForEachWithProgress(
            editor.app, "フェードイン", kFrames, total,
            [](std::int64_t i) { return i * kBlockAlign; }, [](std::int64_t) {});
        benchmark::ClobberMemory();
    }
}

// One progress text and pump: what every 200th frame costs on top of the counter.
void ProgressText(benchmark::State& state) {
    Editor& editor = SharedEditor();
    std::int64_t done = 0;
    for (auto _ : state) {
        editor.app.effects.progressCounter = kProgressInterval - 1;
        ShowProgress(editor.app, "フェードイン", done, 4LL * kFrames);
        done = (done + 4 * 200) % (4LL * kFrames);
    }
}

} // namespace

BENCHMARK(Volume50)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Volume50NoLimiter)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Volume200)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Normalize)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Silence)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(FadeIn)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(FadeOut)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Reverse)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(PhaseInvert)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(DcRemove)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(ProgressOnly)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(ProgressText)->MinTime(1.0);
