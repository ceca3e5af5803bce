// The dynamics, delay and modulation effects on a 10-minute 44.1 kHz 16-bit stereo sound held
// in memory, each run as the whole command (selection rule, dialog answered with its
// defaults, undo snapshot, busy menu, processing with progress, store) on the scripted host.
#include "app/App.h"
#include "app/MainWindow.h"
#include "effects/DelayEffects.h"
#include "effects/DynamicsEffects.h"
#include "effects/ModulationEffects.h"
#include "platform/scripted/ScriptedHost.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

using namespace wt;

constexpr int kRate = 44100;
constexpr int kFrames = kRate * 600; // 10 minutes
constexpr int kBlockAlign = 4;       // 16-bit stereo

// A 440 Hz tone on the left and 1 kHz on the right at 40 %, with a small DC offset.
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
        for (int f = 0; f < kFrames; ++f) {
            const double t = static_cast<double>(f) / kRate;
            WriteSample(doc, doc.Data() + f * kBlockAlign,
                        static_cast<int>(13000 * std::sin(2 * M_PI * 440 * t)) + 300, 0);
            WriteSample(doc, doc.Data() + f * kBlockAlign,
                        static_cast<int>(13000 * std::sin(2 * M_PI * 1000 * t)) - 300, 1);
        }
    }
};

Editor& SharedEditor() {
    static auto editor = std::make_unique<Editor>();
    return *editor;
}

// Runs `command` on the whole sound; the sound changes from run to run, which changes no
// amount of work.
void RunCommand(benchmark::State& state, int (*command)(App&)) {
    Editor& editor = SharedEditor();
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

void Compressor(benchmark::State& s) {
    RunCommand(s, CmdCompressor);
}
void NoiseGate(benchmark::State& s) {
    RunCommand(s, CmdNoiseGate);
}
void Distortion(benchmark::State& s) {
    RunCommand(s, CmdDistortion);
}
void Echo(benchmark::State& s) {
    RunCommand(s, CmdEcho);
}
void Reverb(benchmark::State& s) {
    RunCommand(s, CmdReverb);
}
void Flanger(benchmark::State& s) {
    RunCommand(s, CmdFlanger);
}
void Tremolo(benchmark::State& s) {
    RunCommand(s, CmdTremolo);
}
void Vibrato(benchmark::State& s) {
    RunCommand(s, CmdVibrato);
}

} // namespace

BENCHMARK(Compressor)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(NoiseGate)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Distortion)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Echo)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Reverb)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Flanger)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Tremolo)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Vibrato)->Unit(benchmark::kMillisecond)->MinTime(2.0);
