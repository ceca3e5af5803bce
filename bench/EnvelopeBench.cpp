// The envelope effects on a 10-minute 44.1 kHz 16-bit stereo sound held in memory, each run as
// the whole command (selection rule, dialog, undo snapshot, busy menu, processing with
// progress, store) on the scripted host, beside the level effects' volume on the same sound.
#include "app/App.h"
#include "app/MainWindow.h"
#include "document/Undo.h"
#include "effects/EnvelopeEditor.h"
#include "effects/EnvelopeEffects.h"
#include "effects/LevelEffects.h"
#include "platform/scripted/ScriptedHost.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

namespace {

using namespace wt;

constexpr int kRate = 44100;
constexpr int kFrames = kRate * 600; // 10 minutes
constexpr int kBlockAlign = 4;       // 16-bit stereo

// A rise to near the top a third of the way in, then down to the middle: every frame has a
// gain of its own.
constexpr const char* kPoints = "0:64,85:224,256:128";

// One editor holding the sound: 440 Hz on the left, 1 kHz on the right, at half scale.
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
                        static_cast<int>(16000 * std::sin(2 * M_PI * 440 * t)), 0);
            WriteSample(doc, doc.Data() + f * kBlockAlign,
                        static_cast<int>(16000 * std::sin(2 * M_PI * 1000 * t)), 1);
        }
        std::string error;
        EnvelopeParams& e = app.effects.envelopes;
        for (EnvelopePoints* points : {&e.volume, &e.pan, &e.pitch}) {
            ParseEnvelopePoints(kPoints, *points, error);
        }
    }
};

Editor& SharedEditor() {
    static auto editor = std::make_unique<Editor>();
    return *editor;
}

// Runs `command` on the whole sound; its dialog is answered with OK. With `undo`, the sound is
// put back (outside the timing) after each run, for a command that changes the length.
void RunCommand(benchmark::State& state, int (*command)(App&), bool undo = false) {
    Editor& editor = SharedEditor();
    editor.app.effects.volume = {50, 50, 1};
    for (auto _ : state) {
        editor.app.doc.selStart = editor.app.doc.selEnd = 0;
        if (command(editor.app) != 1) {
            state.SkipWithError("the command failed");
            break;
        }
        benchmark::ClobberMemory();
        if (undo) {
            state.PauseTiming();
            CmdUndo(editor.app);
            state.ResumeTiming();
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kFrames) * kBlockAlign);
}

// The level effects' volume at 50 % with the limiter, as the effect benchmarks run it.
void Volume50(benchmark::State& s) {
    RunCommand(s, CmdVolume);
}
void VolumeEnvelope(benchmark::State& s) {
    RunCommand(s, CmdEnvelope);
}
void PanEnvelope(benchmark::State& s) {
    RunCommand(s, CmdPanEnvelope);
}
void PitchEnvelope(benchmark::State& s) {
    RunCommand(s, CmdPitchEnvelope, true);
}

} // namespace

BENCHMARK(Volume50)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(VolumeEnvelope)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(PanEnvelope)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(PitchEnvelope)->Unit(benchmark::kMillisecond)->MinTime(2.0);
