#include "BenchSupport.h"

#include "view/WaveWindow.h"
#include "window/MainWindow.h"

#include <cmath>

namespace wt::bench {

bool MakeStereo16(SoundDocument& doc, std::int64_t frames) {
    doc.format = {1, 2, kRate, kRate * kBlockAlign, kBlockAlign, 16, 0};
    doc.RecomputeBytesPerSample();
    doc.byteLength = static_cast<std::int32_t>(frames * kBlockAlign);
    return doc.sampleData.Resize(static_cast<std::size_t>(doc.byteLength) + 16);
}

void WriteTones(SoundDocument& doc, const Tones& tones) {
    for (int f = 0; f < tones.frames; ++f) {
        const double t = static_cast<double>(f) / kRate;
        std::uint8_t* frame = doc.Data() + static_cast<std::int64_t>(f) * kBlockAlign;
        WriteSample(doc, frame,
                    static_cast<int>(tones.amplitude * std::sin(2 * M_PI * 440 * t)) + tones.offset,
                    0);
        WriteSample(
            doc, frame,
            static_cast<int>(tones.amplitude * std::sin(2 * M_PI * 1000 * t)) - tones.offset, 1);
    }
}

Editor::Editor(WaveDevices* devices) {
    if (devices) {
        host.UseDevices(devices);
    }
    MainWndProc(app, msg::Create, 0, 0);
    FinishStartup(app, "");
}

Editor::Editor(const Tones& tones) : Editor() {
    MakeStereo16(app.doc, tones.frames);
    WriteTones(app.doc, tones);
}

void RunOnWholeSound(benchmark::State& state, App& app, int (*command)(App&), void (*restore)(App&),
                     bool countBytes) {
    for (auto _ : state) {
        app.doc.selStart = app.doc.selEnd = 0;
        if (command(app) != 1) {
            state.SkipWithError("the command failed");
            break;
        }
        benchmark::ClobberMemory();
        if (restore) {
            state.PauseTiming();
            restore(app);
            state.ResumeTiming();
        }
    }
    if (countBytes) {
        state.SetBytesProcessed(state.iterations() * app.doc.byteLength);
    }
}

void ShowZoom(App& app, int zoom) {
    if (zoom < kZoomSteps) {
        app.view.wideFramesPerPixel = 0;
        app.doc.zoomIndex = zoom;
        wt::ApplyZoom(app, zoom);
        app.doc.viewStart = app.doc.byteLength / 2;
        return;
    }
    const double wide = kWideZooms[zoom - kZoomSteps];
    if (wide < 0) {
        wt::CmdZoomFit(app);
        return;
    }
    app.view.wideFramesPerPixel = wide;
    app.doc.zoomIndex = 0;
    wt::ApplyZoom(app, 0);
    app.doc.viewStart = app.doc.byteLength / 2;
}

std::string ZoomLabel(const App& app, int zoom) {
    if (zoom < kZoomSteps) {
        return "1/" + std::to_string(wt::ZoomTable[static_cast<std::size_t>(zoom)]);
    }
    const double wide = kWideZooms[zoom - kZoomSteps];
    return wide < 0 ? "fit (1/" + std::to_string(std::lround(wt::FramesPerColumn(app))) + ")"
                    : "1/" + std::to_string(std::lround(wide));
}

} // namespace wt::bench
