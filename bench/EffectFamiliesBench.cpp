// The dynamics, delay and modulation effects on a 10-minute 44.1 kHz 16-bit stereo sound held
// in memory, each run as the whole command (selection rule, dialog answered with its
// defaults, undo snapshot, busy menu, processing with progress, store) on the scripted host.
#include "BenchSupport.h"

#include "commands/effects/DelayEffects.h"
#include "commands/effects/DynamicsEffects.h"
#include "commands/effects/ModulationEffects.h"

#include <benchmark/benchmark.h>

namespace {

using namespace wt;

// Runs `command` on the whole sound, a 440 Hz tone on the left and 1 kHz on the right at 40 %
// with a small DC offset; the sound changes from run to run, which changes no amount of work.
void RunCommand(benchmark::State& state, int (*command)(App&)) {
    static bench::Editor editor(bench::Tones{bench::kTenMinutes, 13000, 300});
    bench::RunOnWholeSound(state, editor.app, command);
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
