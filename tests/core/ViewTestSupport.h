// An editor on the scripted host with a sound built in memory and a waveform window of a
// chosen client size, for the waveform window's tests.
#pragma once

#include "editor/App.h"
#include "hosts/scripted/ScriptedHost.h"
#include "model/SoundDocument.h"
#include "platform/RasterCanvas.h"
#include "view/WaveWindow.h"
#include "window/MainWindow.h"

#include <cstring>
#include <functional>
#include <memory>
#include <new>

namespace wt::test {

// Sample value of (frame, channel) on the signed 16-bit scale.
using SampleFunction = std::function<int(int frame, int channel)>;

class ViewEditor {
public:
    ViewEditor() : app(host) {
        MainWndProc(app, msg::Create, 0, 0);
        FinishStartup(app, "");
        SetClientSize(400, 226);
    }

    // Sizes the waveform window so that its client area is width x height.
    void SetClientSize(int width, int height) { host.SizeWaveClient(width, height); }

    // Replaces the sound by `frames` frames of the given format filled from `sample`.
    void LoadSound(int channels, int bits, int rate, int frames, const SampleFunction& sample) {
        SoundDocument& doc = app.doc;
        doc.format.channels = static_cast<std::uint16_t>(channels);
        doc.format.bitsPerSample = static_cast<std::uint16_t>(bits);
        doc.format.sampleRate = static_cast<std::uint32_t>(rate);
        doc.format.blockAlign = static_cast<std::uint16_t>(channels * bits / 8);
        doc.format.bytesPerSecond = doc.format.sampleRate * doc.format.blockAlign;
        doc.RecomputeBytesPerSample();
        doc.byteLength = frames * doc.format.blockAlign;
        if (!doc.sampleData.Resize(static_cast<std::size_t>(doc.byteLength) + 16)) {
            throw std::bad_alloc();
        }
        if (!sample) {
            std::memset(doc.Data(), bits == 8 ? 0x80 : 0, static_cast<std::size_t>(doc.byteLength));
            frames = 0;
        }
        for (int f = 0; f < frames; ++f) {
            std::uint8_t* frame = doc.Data() + static_cast<std::size_t>(f) * doc.format.blockAlign;
            for (int ch = 0; ch < channels; ++ch) {
                WriteSample(doc, frame, sample ? sample(f, ch) : 0, ch);
            }
        }
        doc.selStart = doc.selEnd = doc.cursor = doc.anchor = doc.viewStart = 0;
        doc.peaks.MarkAllChanged(); // the samples were written here, not by a command
    }

    void SetZoom(int index) {
        app.doc.zoomIndex = index;
        ApplyZoom(app, index);
    }

    // A full paint of the client area into a fresh picture.
    std::unique_ptr<RasterCanvas> Paint() {
        const WaveLayout layout = GetWaveLayout(app);
        auto canvas =
            std::make_unique<RasterCanvas>(layout.clientWidth, layout.clientHeight, Rgb{1, 2, 3});
        WaveWndProc(app, msg::Paint, 0, 0, canvas.get());
        return canvas;
    }

    // Puts a painted picture on the host's screen, so ToggleSelection draws on it.
    RasterCanvas& ShowOnScreen() {
        host.waveCanvas = Paint();
        return static_cast<RasterCanvas&>(*host.waveCanvas);
    }

    WaveLayout Layout() const { return GetWaveLayout(app); }

    LParam Send(unsigned message, WParam wParam, LParam lParam) {
        return WaveWndProc(app, message, wParam, lParam, nullptr);
    }

    ScriptedHost host;
    App app;
};

// The number of pixels whose colours differ inside `region`.
inline int CountDifferences(const RasterCanvas& a, const RasterCanvas& b, const Rect& region) {
    int differences = 0;
    for (int y = region.top; y < region.bottom; ++y) {
        for (int x = region.left; x < region.right; ++x) {
            differences += a.Pixel(x, y) == b.Pixel(x, y) ? 0 : 1;
        }
    }
    return differences;
}

} // namespace wt::test
