// The spectral effects on a 10-minute 44.1 kHz 16-bit stereo sound held in memory, each run as
// the whole command (undo snapshot, busy menu, processing with progress, store) on the
// scripted host, and the transforms alone.
#include "BenchSupport.h"

#include "commands/effects/SpectralEffects.h"
#include "dsp/Fft.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

namespace {

using namespace wt;

// The sound, 440 Hz on the left and 1 kHz on the right at 37 %, and the equalizers' settings:
// the graphic one's bands alternately raised and lowered, three parametric modules.
struct Editor : bench::Editor {
    Editor() : bench::Editor(bench::Tones{bench::kTenMinutes, 12000, 0}) {
        app.effects.spectral.equalizer.positions = {30, 70, 30, 70, 30, 70, 30, 70, 30};
        app.effects.spectral.parametricEq.modules = {
            ParametricEqModule{1, 1000, 6, 12}, {1, 2000, -6, 12}, {1, 4000, 6, 12}};
    }
};

Editor& SharedEditor() {
    static Editor editor;
    return editor;
}

// Runs `command` on the whole sound; the sound changes from run to run, which costs the same.
void RunCommand(benchmark::State& state, int (*command)(App&)) {
    bench::RunOnWholeSound(state, SharedEditor().app, command);
}

void GraphicEqualizer(benchmark::State& s) {
    RunCommand(s, CmdEqualizer);
}
void ParametricEqualizer(benchmark::State& s) {
    RunCommand(s, CmdParametricEq);
}
void SpectralHighPass(benchmark::State& s) {
    RunCommand(s, CmdSpectralHighPass);
}
void NoiseRemoval(benchmark::State& s) {
    SharedEditor().app.effects.spectral.noiseRemoval = {10, 0};
    RunCommand(s, CmdNoiseRemoval);
}
void NoiseRemovalMedian21(benchmark::State& s) {
    SharedEditor().app.effects.spectral.noiseRemoval = {10, 10};
    RunCommand(s, CmdNoiseRemoval);
}

// One forward and one inverse transform of one block, and of four side by side.
void FftPair1024(benchmark::State& state) {
    std::vector<double> x(1024);
    for (int i = 0; i < 1024; ++i) {
        x[i] = i % 7;
    }
    for (auto _ : state) {
        RealFftForward(1024, x.data());
        RealFftInverse(1024, x.data());
        benchmark::DoNotOptimize(x.data());
    }
}
void FftQuadPair1024(benchmark::State& state) {
    auto* x = static_cast<FftQuad*>(std::aligned_alloc(kFftQuadAlign, 1024 * sizeof(FftQuad)));
    for (int i = 0; i < 1024; ++i) {
        x[i] = FftQuad{double(i % 7), double(i % 5), double(i % 3), double(i % 2)};
    }
    for (auto _ : state) {
        RealFftForwardQuad(1024, x);
        RealFftInverseQuad(1024, x);
        benchmark::DoNotOptimize(x);
    }
    std::free(x);
}

} // namespace

BENCHMARK(GraphicEqualizer)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(ParametricEqualizer)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(SpectralHighPass)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(NoiseRemoval)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(NoiseRemovalMedian21)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(FftPair1024)->Unit(benchmark::kMicrosecond);
BENCHMARK(FftQuadPair1024)->Unit(benchmark::kMicrosecond);
