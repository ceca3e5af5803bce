#include "batch/ViewBatch.h"

#include "dsp/Fft.h"
#include "dsp/Spectrogram.h"
#include "editor/App.h"
#include "hosts/scripted/ScriptedHost.h"
#include "platform/RasterCanvas.h"
#include "util/ParseNumber.h"
#include "view/SpectrogramView.h"
#include "view/WaveWindow.h"

#include <algorithm>
#include <cstdio>

namespace wt {

namespace {

constexpr long kMaxSide = 8192;

bool ParseSide(const std::string& text, int& value) {
    long long v = 0;
    if (text.empty() || text[0] < '0' || text[0] > '9' || !ParseInteger(text, 1, kMaxSide, v)) {
        return false;
    }
    value = static_cast<int>(v);
    return true;
}

} // namespace

bool BatchPaint(BatchContext& c, const std::vector<std::string>& args, std::string& error) {
    int width = c.paintWidth, height = c.paintHeight;
    const auto parseSize = [&](const std::string& text) {
        const auto x = text.find('x');
        return x != std::string::npos && ParseSide(text.substr(0, x), width) &&
               ParseSide(text.substr(x + 1), height);
    };
    // paint PATH [WxH], or paint WxH PATH.
    std::string path = args.empty() ? std::string() : args[0];
    bool good = args.size() == 1 || args.size() == 2;
    if (good && args.size() == 2) {
        if (int w = width, h = height; parseSize(args[0])) {
            path = args[1];
        } else {
            width = w;
            height = h;
            good = parseSize(args[1]);
        }
    }
    if (!good) {
        error = "usage: paint PATH.png [WIDTHxHEIGHT] or paint WIDTHxHEIGHT PATH.png (1..8192 "
                "pixels each)";
        return false;
    }
    c.paintWidth = width;
    c.paintHeight = height;
    c.host.SizeWaveClient(width, height);
    // A new size is a resized window: a fitted view is fitted to it.
    KeepFitted(c.app);

    // What a user sees once the levels have arrived.
    constexpr int kSpectrogramWaitMs = 120000;
    if (ShowsSpectrogram(c.app) && !CompleteSpectrogram(c.app, kSpectrogramWaitMs)) {
        error = "the spectrogram was not complete within two minutes";
        return false;
    }
    RasterCanvas canvas(width, height, kColourButtonFace);
    WaveWndProc(c.app, msg::Paint, 0, 0, &canvas);
    if (!canvas.SavePng(path)) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

bool BatchView(BatchContext& c, const std::vector<std::string>& args, std::string& error) {
    static const char* const kModes[] = {"waveform", "spectrogram", "both"};
    int mode = -1;
    for (int m = 0; m < 3 && !args.empty(); ++m) {
        mode = args[0] == kModes[m] ? m : mode;
    }
    long long range = c.app.settings.spectrumRange;
    int scale = c.app.settings.spectrumLog;
    bool ok = mode >= 0;
    for (std::size_t i = 1; ok && i < args.size(); ++i) {
        if (args[i] == "scale=linear" || args[i] == "scale=log") {
            scale = args[i] == "scale=log" ? 1 : 0;
        } else if (args[i].rfind("range=", 0) == 0) {
            ok = ParseInteger(args[i].substr(6), 20, 120, range);
        } else {
            ok = false;
        }
    }
    if (!ok) {
        error = "usage: view waveform|spectrogram|both [scale=linear|log] [range=DB] (DB 20..120)";
        return false;
    }
    c.app.settings.spectrumRange = static_cast<int>(range);
    if (scale != c.app.settings.spectrumLog) {
        CmdSpectrumLog(c.app);
    }
    SetViewMode(c.app, mode);
    return true;
}

namespace {

constexpr long long kMaxWheelDelta = 32767; // the message carries it in 16 bits

bool SendWheel(BatchContext& c, const std::string& deltaText, WParam keys, int x) {
    long long delta = 0;
    if (!ParseInteger(deltaText, -kMaxWheelDelta, kMaxWheelDelta, delta)) {
        return false;
    }
    WaveWndProc(c.app, msg::MouseWheel,
                MakeWParam(static_cast<unsigned>(keys), static_cast<unsigned>(delta) & 0xFFFFu),
                MakeLParam(kWaveAreaLeft + x, kWaveAreaTop), nullptr);
    return true;
}

} // namespace

bool BatchWheel(BatchContext& c, const std::vector<std::string>& args, std::string& error) {
    if (args.size() != 1 || !SendWheel(c, args[0], 0, 0)) {
        error = "usage: wheel DELTA (-32767..32767, 120 a notch)";
        return false;
    }
    return true;
}

bool BatchCtrlWheel(BatchContext& c, const std::vector<std::string>& args, std::string& error) {
    long long x = 0;
    if (args.size() != 2 || !ParseInteger(args[1], 0, kMaxSide, x) ||
        !SendWheel(c, args[0], msg::MkControl, static_cast<int>(x))) {
        error = "usage: ctrl_wheel DELTA X (DELTA -32767..32767, X 0..8192 pixels)";
        return false;
    }
    return true;
}

bool BatchSpectrum(BatchContext& c, const std::vector<std::string>& args, std::string& error) {
    const SoundDocument& doc = c.app.doc;
    const std::int64_t frames =
        doc.format.blockAlign > 0 ? doc.byteLength / doc.format.blockAlign : 0;
    long long frame = 0, channel = 0, size = c.app.settings.spectrumSize;
    bool ok =
        !args.empty() && ParseInteger(args[0], 0, std::max<std::int64_t>(frames - 1, 0), frame);
    for (std::size_t i = 1; ok && i < args.size(); ++i) {
        if (args[i].rfind("channel=", 0) == 0) {
            ok = ParseInteger(args[i].substr(8), 0, doc.format.channels - 1, channel);
        } else if (args[i].rfind("size=", 0) == 0) {
            ok = ParseInteger(args[i].substr(5), kMinSpectrumSize, kMaxSpectrumSize, size) &&
                 IsFftSize(static_cast<std::int32_t>(size));
        } else {
            ok = false;
        }
    }
    if (!ok || frames == 0) {
        error = frames == 0 ? "the sound is empty"
                            : "usage: spectrum FRAME [channel=C] [size=N] (FRAME within the "
                              "sound, N a power of two from 256 to 8192)";
        return false;
    }
    const int n = static_cast<int>(size);
    // The frame whose centre lies at FRAME, or the nearest one: a column one frame wide.
    std::int64_t index = 0, end = 0;
    ColumnFrames(frame, frame + 1, n, SpectrumFrameCount(frames, n), index, end);
    std::vector<float> db;
    FrameSpectrumDb(doc, static_cast<int>(channel), index, n, db);
    char line[96];
    for (std::size_t k = 0; k < db.size(); ++k) {
        std::snprintf(line, sizeof line, "spectrum: %zu %.3f %.3f\n", k,
                      static_cast<double>(k) * doc.format.sampleRate / n,
                      static_cast<double>(db[k]));
        c.out << line;
    }
    return true;
}

} // namespace wt
