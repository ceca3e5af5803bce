// The splice search of the time stretch, and the pitch, time stretch and transpose commands,
// on 44.1 kHz 16-bit stereo sound held in memory.
//
// SpliceSearch times FindSpliceOffset on the windows a stretch meets (h = 183 frames, two
// channels); SpliceSearchPlain times the search as first written (every read bounded, the
// squares summed as doubles) on the same windows. A stretch makes 30 searches per second of
// output, so the cost per output second is 30 times the time of one.
#include "BenchSupport.h"

#include "commands/effects/PitchEffects.h"
#include "dsp/PitchTime.h"
#include "model/Undo.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

using namespace wt;
using bench::kRate;

// `frames` frames of a 440 Hz tone on the left and 1 kHz on the right at 40 %, with a small
// DC offset.
constexpr bench::Tones Sound(int frames) {
    return {frames, 13000, 300};
}

bench::Editor& TenMinutes() {
    static bench::Editor editor(Sound(bench::kTenMinutes));
    return editor;
}

// The search as first written.
int PlainSpliceOffset(const SoundDocument& doc, const SampleRegion& out, std::int64_t outPos,
                      const SampleRegion& src, std::int64_t srcPos, int w) {
    auto read = [&](const SampleRegion& r, std::int64_t frame, int c) {
        const std::uint8_t* at = r.start + frame * doc.format.blockAlign;
        return ReadSampleBounded(doc, r.start, r.bytes, at, c);
    };
    const int h = w / 2;
    double best = h * 4294836225.0;
    int result = 0;
    for (int i = 0; i < h; ++i) {
        double e = 0;
        for (int c = 0; c < doc.format.channels; ++c) {
            for (int k = 0; k < h; ++k) {
                const int d = read(src, srcPos + k, c) - read(out, outPos + i + k, c);
                e += static_cast<double>(static_cast<std::int64_t>(d) * d);
            }
        }
        if (e < best) {
            best = e;
            result = i;
        }
    }
    return result;
}

// One second of the tone searched at 30 positions, the source 1000 frames on.
template <bool Plain> void Search(benchmark::State& state) {
    static bench::Editor editor(Sound(kRate * 2));
    const SoundDocument& doc = editor.app.doc;
    const SampleRegion sound{editor.app.doc.Data(), doc.byteLength};
    const StretchSegments segments = StretchSegments::ForRate(kRate);
    const SampleLayout layout = SampleLayout::Of(doc);
    int sum = 0;
    std::int64_t at = 0;
    for (auto _ : state) {
        const std::int64_t outPos = at * segments.hop, srcPos = outPos + 1000;
        sum += Plain ? PlainSpliceOffset(doc, sound, outPos, sound, srcPos, segments.overlap)
                     : FindSpliceOffset(layout, sound, outPos, sound, srcPos, segments.overlap);
        at = (at + 1) % 30;
    }
    benchmark::DoNotOptimize(sum);
    // Processor seconds * 30 / searches: the search's time per second of output.
    state.counters["per_output_second"] =
        benchmark::Counter(static_cast<double>(state.iterations()) / 30,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void SpliceSearch(benchmark::State& s) {
    Search<false>(s);
}
void SpliceSearchPlain(benchmark::State& s) {
    Search<true>(s);
}

// Runs `command` on the whole ten minutes with the given parameters, then undoes it.
void RunCommand(benchmark::State& state, int (*command)(App&), void (*set)(EffectState&)) {
    bench::Editor& editor = TenMinutes();
    set(editor.app.effects);
    bench::RunOnWholeSound(
        state, editor.app, command, [](App& app) { SwapWithSnapshot(app.doc, app.undo); }, false);
}

void Pitch150(benchmark::State& s) {
    RunCommand(s, CmdPitch, [](EffectState& e) { e.pitchTime.pitch.percent = 150; });
}
void TimeStretch200(benchmark::State& s) {
    RunCommand(s, CmdTimeStretch, [](EffectState& e) { e.pitchTime.timeStretch.speed = 200; });
}
void Transpose700(benchmark::State& s) {
    RunCommand(s, CmdTranspose, [](EffectState& e) { e.pitchTime.transpose.cents = 700; });
}

} // namespace

BENCHMARK(SpliceSearch)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(SpliceSearchPlain)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(Pitch150)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(TimeStretch200)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Transpose700)->Unit(benchmark::kMillisecond)->MinTime(2.0);
