// The envelope effects on a 10-minute 44.1 kHz 16-bit stereo sound held in memory, each run as
// the whole command (selection rule, dialog, undo snapshot, busy menu, processing with
// progress, store) on the scripted host, beside the level effects' volume on the same sound.
#include "BenchSupport.h"

#include "commands/edit/UndoCommands.h"
#include "commands/effects/EnvelopeEditor.h"
#include "commands/effects/EnvelopeEffects.h"
#include "commands/effects/LevelEffects.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace wt;

// A rise to near the top a third of the way in, then down to the middle: every frame has a
// gain of its own.
constexpr const char* kPoints = "0:64,85:224,256:128";

// One editor holding the sound, 440 Hz on the left and 1 kHz on the right at half scale, with
// the three envelopes set to kPoints.
struct Editor : bench::Editor {
    Editor() : bench::Editor(bench::Tones{bench::kTenMinutes, 16000, 0}) {
        std::string error;
        EnvelopeParams& e = app.effects.envelopes;
        for (EnvelopePoints* points : {&e.volume, &e.pan, &e.pitch}) {
            ParseEnvelopePoints(kPoints, *points, error);
        }
    }
};

// Runs `command` on the whole sound; its dialog is answered with OK. With `undo`, the sound is
// put back (outside the timing) after each run, for a command that changes the length.
void RunCommand(benchmark::State& state, int (*command)(App&), bool undo = false) {
    static Editor editor;
    editor.app.effects.volume = {50, 50, 1};
    bench::RunOnWholeSound(state, editor.app, command,
                           undo ? +[](App& app) { CmdUndo(app); } : nullptr);
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
