// One full paint of a 1920 x 600 waveform window into the raster canvas, at every zoom step
// with the default density 8, past the widest step (4096 to 262144 frames a column) and with
// the whole sound fitted, over one hour of 44100 Hz 16-bit stereo held in memory (635 MB).
// The view sits in the middle of the sound (at the start when fitted). Target: under 16 ms
// per paint. BM_PaintFittedAfterChange is the first paint after the samples changed, when
// the block summary is read anew from all of them.
#include "BenchSupport.h"

#include "platform/RasterCanvas.h"
#include "view/WaveWindow.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 600;
using wt::bench::kRate;
constexpr int kSeconds = 3600;

struct Editor : wt::bench::Editor {
    wt::RasterCanvas canvas{kWidth, kHeight};
    bool ready = false;

    Editor() {
        host.SizeWaveClient(kWidth, kHeight);
        wt::SoundDocument& doc = app.doc;
        // The block asks for huge pages on its own (SampleBlock::Resize).
        if (!wt::bench::MakeStereo16(doc, kRate * kSeconds)) {
            return;
        }
        // A 440 Hz tone on the left and a 660 Hz tone on the right, one period tabulated.
        std::int16_t period[2 * 2 * 2205];
        for (int f = 0; f < 2 * 2205; ++f) {
            period[2 * f] = static_cast<std::int16_t>(20000 * std::sin(f * 2 * M_PI * 440 / kRate));
            period[2 * f + 1] =
                static_cast<std::int16_t>(12000 * std::sin(f * 2 * M_PI * 660 / kRate));
        }
        for (std::int64_t at = 0; at < doc.byteLength; at += sizeof period) {
            const std::int64_t n = std::min<std::int64_t>(sizeof period, doc.byteLength - at);
            std::memcpy(doc.Data() + at, period, static_cast<std::size_t>(n));
        }
        doc.selStart = doc.byteLength / 2;
        doc.selEnd = doc.selStart + kRate * 4;
        ready = true;
    }
};

Editor& SharedEditor() {
    static Editor editor;
    return editor;
}

void BM_PaintFullWindow(benchmark::State& state) {
    Editor& e = SharedEditor();
    if (!e.ready) {
        state.SkipWithError("not enough memory for the one-hour sound");
        return;
    }
    const int zoom = static_cast<int>(state.range(0));
    e.app.settings.density = 8;
    e.app.settings.dispMode = static_cast<int>(state.range(1));
    wt::bench::ShowZoom(e.app, zoom);
    for (auto _ : state) {
        wt::WaveWndProc(e.app, wt::msg::Paint, 0, 0, &e.canvas);
        benchmark::DoNotOptimize(e.canvas.Bytes().data());
    }
    state.SetLabel(wt::bench::ZoomLabel(e.app, zoom) + (state.range(1) ? " lines" : " points"));
}

BENCHMARK(BM_PaintFullWindow)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

void BM_PaintFittedAfterChange(benchmark::State& state) {
    Editor& e = SharedEditor();
    if (!e.ready) {
        state.SkipWithError("not enough memory for the one-hour sound");
        return;
    }
    wt::CmdZoomFit(e.app);
    for (auto _ : state) {
        e.app.doc.peaks.MarkAllChanged();
        wt::WaveWndProc(e.app, wt::msg::Paint, 0, 0, &e.canvas);
        benchmark::DoNotOptimize(e.canvas.Bytes().data());
    }
    state.SetLabel(wt::bench::ZoomLabel(e.app, wt::bench::kZoomSteps + 4));
}

BENCHMARK(BM_PaintFittedAfterChange)->Unit(benchmark::kMillisecond);

} // namespace
