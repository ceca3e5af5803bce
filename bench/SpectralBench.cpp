// The spectral effects on a 10-minute 44.1 kHz 16-bit stereo sound held in memory, each run as
// the whole command (undo snapshot, busy menu, processing with progress, store) on the
// scripted host, and the transforms alone.
#include "app/App.h"
#include "app/MainWindow.h"
#include "dsp/Fft.h"
#include "effects/SpectralEffects.h"
#include "platform/scripted/ScriptedHost.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <memory>

namespace {

using namespace wt;

constexpr int kRate = 44100;
constexpr int kFrames = kRate * 600; // 10 minutes
constexpr int kBlockAlign = 4;       // 16-bit stereo

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
                        static_cast<int>(12000 * std::sin(2 * M_PI * 440 * t)), 0);
            WriteSample(doc, doc.Data() + f * kBlockAlign,
                        static_cast<int>(12000 * std::sin(2 * M_PI * 1000 * t)), 1);
        }
        app.effects.spectral.equalizer.positions = {30, 70, 30, 70, 30, 70, 30, 70, 30};
        app.effects.spectral.parametricEq.modules = {
            ParametricEqModule{1, 1000, 6, 12}, {1, 2000, -6, 12}, {1, 4000, 6, 12}};
    }
};

Editor& SharedEditor() {
    static auto editor = std::make_unique<Editor>();
    return *editor;
}

// Runs `command` on the whole sound; the sound changes from run to run, which costs the same.
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
