// The level effects on a 10-minute 44.1 kHz 16-bit stereo sound held in memory, each run as
// the whole command (selection rule, undo snapshot, busy menu, processing with progress, store)
// on the scripted host. ProgressOnly does the progress of one pass of a command without the
// processing, so its time against the command's (times the passes) is what the progress
// display costs.
#include "BenchSupport.h"

#include "commands/effects/LevelEffects.h"
#include "editor/AppProgress.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

using namespace wt;
using bench::kBlockAlign;
using bench::kTenMinutes;

// The sound: a 440 Hz tone on the left, 1 kHz on the right, at half scale, with a small DC
// offset so that every effect has work to do.
constexpr bench::Tones kSound{kTenMinutes, 16000, 300};

bench::Editor& SharedEditor() {
    static bench::Editor editor(kSound);
    return editor;
}

// Runs `command` on the whole sound as it was before any command ran, with the volume dialog
// answered by `volume`.
void RunCommand(benchmark::State& state, int (*command)(App&), VolumeParams volume = {}) {
    bench::Editor& editor = SharedEditor();
    bench::WriteTones(editor.app.doc, kSound);
    editor.app.effects.volume = volume;
    bench::RunOnWholeSound(state, editor.app, command);
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
    bench::Editor& editor = SharedEditor();
    const std::int64_t total = static_cast<std::int64_t>(kTenMinutes) * kBlockAlign;
    for (auto _ : state) {
        ForEachWithProgress(
            editor.app, "フェードイン", kTenMinutes, total,
            [](std::int64_t i) { return i * kBlockAlign; }, [](std::int64_t) {});
        benchmark::ClobberMemory();
    }
}

// One progress text and pump: what every 200th frame costs on top of the counter.
void ProgressText(benchmark::State& state) {
    bench::Editor& editor = SharedEditor();
    std::int64_t done = 0;
    for (auto _ : state) {
        editor.app.effects.progressCounter = kProgressInterval - 1;
        ShowProgress(editor.app, "フェードイン", done, 4LL * kTenMinutes);
        done = (done + 4 * 200) % (4LL * kTenMinutes);
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
