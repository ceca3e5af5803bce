#include "view/SpectrogramView.h"

#include "editor/App.h"
#include "editor/CommandIds.h"
#include "editor/DocumentUi.h"
#include "editor/Menus.h"
#include "util/Format.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace wt {

namespace {

using Clock = std::chrono::steady_clock;

// Samples copied for the workers in one timer tick: a few milliseconds of the window's time.
constexpr std::size_t kFeedBytes = std::size_t{4} << 20;
// The gap between the channels' bands, as the waveform's strips have.
constexpr int kBandGap = 3;
// The frequency ticks reach from here to the vertical axis.
constexpr int kScaleTickLeft = 40;
constexpr int kScaleTextRight = 38;

// A command that holds the busy flag may be changing the sound; playback changes nothing.
bool Frozen(const App& app) {
    return app.busy && app.audio.playMode == kPlayIdle;
}

std::int64_t SoundFrames(const App& app) {
    return app.doc.byteLength / std::max<std::int64_t>(1, app.doc.format.blockAlign);
}

SpectrogramShape ShapeOf(const App& app) {
    const SoundFormat& f = app.doc.format;
    SpectrogramShape shape;
    shape.fftSize = app.settings.spectrumSize;
    shape.channels = f.channels;
    shape.bits = f.bitsPerSample == 8 || f.bitsPerSample == 16 ? f.bitsPerSample : 0;
    shape.frames = f.blockAlign == shape.BlockAlign() ? SoundFrames(app) : 0;
    return shape;
}

// The analysis frames column `column` of the area shows; {0, 0} past the sound.
FrameSpan ColumnSpan(const App& app, std::int64_t column, std::int64_t frames,
                     std::int64_t analysisFrames) {
    const std::int64_t first = std::max<std::int64_t>(0, ColumnFirstFrame(app, column));
    const std::int64_t end = std::min(frames, ColumnFirstFrame(app, column + 1));
    if (first >= frames || end <= first) {
        return {};
    }
    FrameSpan span;
    ColumnFrames(first, end, app.settings.spectrumSize, analysisFrames, span.first, span.end);
    return span;
}

// What the window shows and the screens on either side, so that a scroll finds them ready:
// the shown columns first, then those to the right, then those to the left.
std::vector<FrameSpan> WantedSpans(const App& app) {
    const std::int64_t columns = std::max(0, GetWaveLayout(app).area.Width());
    const std::int64_t frames = SoundFrames(app);
    const std::int64_t analysis = SpectrumFrameCount(frames, app.settings.spectrumSize);
    std::vector<FrameSpan> spans;
    const auto add = [&](std::int64_t from, std::int64_t to) {
        for (std::int64_t c = from; c < to; ++c) {
            const FrameSpan span = ColumnSpan(app, c, frames, analysis);
            if (span.end > span.first && (spans.empty() || !(spans.back() == span))) {
                spans.push_back(span);
            }
        }
    };
    add(0, columns);
    add(columns, 2 * columns);
    add(-columns, 0);
    return spans;
}

void RequestLevels(App& app) {
    if (!app.view.spectrogramTimer) {
        app.host.SetTimer(kSpectrogramTimerId, kSpectrogramTimerMs);
        app.view.spectrogramTimer = true;
    }
}

bool Feed(App& app, std::size_t bytes) {
    // The jobs are planned for the sound the cache describes: only that sound is read.
    if (Frozen(app) || !(ShapeOf(app) == app.spectrogram.Shape())) {
        return false;
    }
    const SoundDocument& doc = app.doc;
    const std::int64_t align = doc.format.blockAlign;
    return app.spectrogram.Feed(
        [&doc, align](std::int64_t first, std::int64_t count, std::uint8_t* out) {
            std::memcpy(out, doc.Data() + first * align, static_cast<std::size_t>(count * align));
        },
        bytes);
}

// The viridis colour map, as a polynomial in t from 0 (dark violet) to 1 (yellow).
Rgb Viridis(double t) {
    static constexpr double kR[] = {0.2777273272234177, 0.1050930431085774, -0.3308618287255563,
                                    -4.634230498983486, 6.228269936347081,  4.776384997670288,
                                    -5.435455855934631};
    static constexpr double kG[] = {0.005407344544966578, 1.404613529898575, 0.214847559468213,
                                    -5.799100973351585,   14.17993336680509, -13.74514537774601,
                                    4.645852612178535};
    static constexpr double kB[] = {0.3340998053353061, 1.384590162594685, 0.09509516302823659,
                                    -19.33244095627987, 56.69055260068105, -65.35303263337234,
                                    26.3124352495832};
    const auto poly = [t](const double* c) {
        double v = 0;
        for (int i = 6; i >= 0; --i) {
            v = v * t + c[i];
        }
        return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
    };
    return {poly(kR), poly(kG), poly(kB)};
}

// The lowest frequency of the logarithmic scale: one bin.
double LogLow(double rate, int fftSize) {
    return rate / fftSize;
}

// The bins of each row of a band `height` pixels high, top row first.
std::vector<std::pair<int, int>> RowTable(const App& app, int height) {
    const double rate = app.doc.format.sampleRate, nyquist = rate / 2;
    const int n = app.settings.spectrumSize;
    std::vector<std::pair<int, int>> rows(static_cast<std::size_t>(std::max(height, 0)));
    const double low = LogLow(rate, n);
    for (int r = 0; r < height; ++r) {
        const double bottom = static_cast<double>(height - 1 - r) / height;
        const double top = static_cast<double>(height - r) / height;
        double from = bottom * nyquist, to = top * nyquist;
        if (app.settings.spectrumLog) {
            from = r == height - 1 ? 0 : low * std::pow(nyquist / low, bottom);
            to = low * std::pow(nyquist / low, top);
        }
        RowBins(from, to, rate, n, rows[static_cast<std::size_t>(r)].first,
                rows[static_cast<std::size_t>(r)].second);
    }
    return rows;
}

// The height above a band's bottom of frequency `hz`, in pixels; -1 when off the scale.
double FrequencyHeight(const App& app, double hz, int height) {
    const double rate = app.doc.format.sampleRate, nyquist = rate / 2;
    if (app.settings.spectrumLog) {
        const double low = LogLow(rate, app.settings.spectrumSize);
        return hz < low ? -1 : height * std::log(hz / low) / std::log(nyquist / low);
    }
    return height * hz / nyquist;
}

std::string FrequencyLabel(double hz) {
    return hz < 1000 ? Format("%.0f", hz) : Format("%gk", hz / 1000);
}

// Ticks and labels of the frequency scale left of a band, labels at least two text lines
// apart.
void PaintFrequencyScale(const App& app, Canvas& c, int top, int bottom) {
    const int height = bottom - top;
    const int lineHeight = std::max(1, c.GetTextMetrics().height);
    const double nyquist = app.doc.format.sampleRate / 2.0;
    static constexpr double kSteps[] = {10,   20,   50,    100,   200,   500,   1000,
                                        2000, 5000, 10000, 20000, 50000, 100000};
    std::vector<double> marks;
    if (app.settings.spectrumLog) {
        for (const double f : kSteps) {
            if (f <= nyquist) {
                marks.push_back(f);
            }
        }
    } else {
        double step = kSteps[std::size(kSteps) - 1];
        for (const double s : kSteps) {
            if (FrequencyHeight(app, s, height) >= 2 * lineHeight) {
                step = s;
                break;
            }
        }
        for (double f = 0; f <= nyquist; f += step) {
            marks.push_back(f);
        }
    }
    c.SetPen(kColourRuler);
    double lastLabel = -1e9;
    for (const double f : marks) {
        const double h = FrequencyHeight(app, f, height);
        if (h < 0 || h > height) {
            continue;
        }
        const int y = bottom - 1 - static_cast<int>(h);
        c.MoveTo(kScaleTickLeft, y);
        c.LineTo(kWaveAreaLeft - 4, y);
        if (h - lastLabel >= 2 * lineHeight || lastLabel < -1e8) {
            const std::string label = FrequencyLabel(f);
            const int textY = std::clamp(y - lineHeight / 2, top, bottom - lineHeight);
            c.TextOut(kScaleTextRight - c.TextWidth(label), textY, label, kColourRuler);
            lastLabel = h;
        }
    }
}

// The legend: a bar of the colours from 0 dB (top) to the range's bottom, with labels.
void PaintLegend(const App& app, Canvas& c, const WaveLayout& layout, const Rect& pane) {
    const int range = app.settings.spectrumRange;
    const int left = layout.area.right + 6, right = left + 8;
    const int height = pane.Height();
    if (height <= 1) {
        return;
    }
    for (int y = pane.top; y < pane.bottom; ++y) {
        const double db = -static_cast<double>(range) * (y - pane.top) / (height - 1);
        c.FillRect({left, y, right, y + 1}, SpectrumColour(db, range));
    }
    const int lineHeight = c.GetTextMetrics().height;
    const std::pair<int, std::string> labels[] = {{pane.top, "0dB"},
                                                  {pane.top + height / 2, Format("%d", -range / 2)},
                                                  {pane.bottom - 1, Format("%d", -range)}};
    for (const auto& [y, text] : labels) {
        const int textY = std::clamp(y - lineHeight / 2, pane.top, pane.bottom - lineHeight);
        c.TextOut(right + 3, textY, text, kColourRuler);
    }
}

} // namespace

bool ShowsSpectrogram(const App& app) {
    return app.settings.viewMode == kViewSpectrogram || app.settings.viewMode == kViewBoth;
}

bool ShowsWaveform(const App& app) {
    return app.settings.viewMode != kViewSpectrogram;
}

WavePanes GetWavePanes(const App& app, const Rect& area) {
    WavePanes panes;
    switch (app.settings.viewMode) {
    case kViewSpectrogram:
        panes.spectrum = area;
        break;
    case kViewBoth: {
        const int middle = area.top + area.Height() / 2;
        panes.wave = {area.left, area.top, area.right, middle - 1};
        panes.spectrum = {area.left, middle + 2, area.right, area.bottom};
        break;
    }
    default:
        panes.wave = area;
        break;
    }
    return panes;
}

Rgb SpectrumColour(double db, int rangeDb) {
    const double t = std::clamp((db + rangeDb) / std::max(rangeDb, 1), 0.0, 1.0);
    return Viridis(t);
}

void PaintSpectrogram(App& app, Canvas& c, const WaveLayout& layout, const Rect& pane,
                      const Rect& update) {
    const SoundDocument& doc = app.doc;
    const int channels = doc.format.channels;
    PaintLegend(app, c, layout, pane);
    if (doc.format.blockAlign == 0 || channels == 0 || doc.format.sampleRate == 0) {
        return;
    }
    SyncSpectrogram(app);
    const std::int64_t frames = SoundFrames(app);
    const std::int64_t analysis = SpectrumFrameCount(frames, app.settings.spectrumSize);
    const int bins = app.settings.spectrumSize / 2 + 1;

    // The levels of every column the update covers, each span looked up once. The pixel loop
    // below reads plain pointers: it runs for every pixel of the pane at each repaint while the
    // cache fills, and must stay cheap in an unoptimised build too.
    const Rect draw{std::max(update.left, pane.left), std::max(update.top, pane.top),
                    std::min(update.right, pane.right), std::min(update.bottom, pane.bottom)};
    const std::size_t width = static_cast<std::size_t>(std::max(draw.Width(), 0));
    std::vector<std::shared_ptr<const SpectrumLevels>> held; // keeps `columns` alive
    std::vector<const std::uint8_t*> columns(width, nullptr);
    std::vector<std::uint8_t> past(width, 0); // the column lies past the sound's end
    FrameSpan last;
    const std::uint8_t* lastLevels = nullptr;
    for (std::size_t i = 0; i < width; ++i) {
        const FrameSpan span =
            ColumnSpan(app, draw.left + static_cast<int>(i) - kWaveAreaLeft, frames, analysis);
        past[i] = span.end <= span.first ? 1 : 0;
        if (!past[i] && !(span == last)) {
            last = span;
            auto found = app.spectrogram.Find(span);
            // While a command runs the cache may still describe the sound before it, with
            // another number of channels: such levels are not drawn.
            lastLevels = nullptr;
            if (found && found->size() == static_cast<std::size_t>(channels) * bins) {
                lastLevels = found->data();
                held.push_back(std::move(found));
            }
        }
        columns[i] = past[i] ? nullptr : lastLevels;
    }

    std::array<Rgb, 256> colourTable;
    for (int q = 0; q < 256; ++q) {
        colourTable[static_cast<std::size_t>(q)] =
            SpectrumColour(LevelDb(static_cast<std::uint8_t>(q)), app.settings.spectrumRange);
    }
    const Rgb* colours = colourTable.data();
    std::vector<Rgb> picture;
    for (int ch = 0; ch < channels; ++ch) {
        const int top = pane.top + ch * pane.Height() / channels;
        const int bottom =
            pane.top + (ch + 1) * pane.Height() / channels - (ch + 1 < channels ? kBandGap : 0);
        if (ch + 1 < channels) {
            c.FillRect({pane.left, bottom, pane.right, bottom + kBandGap}, kColourButtonFace);
        }
        PaintFrequencyScale(app, c, top, bottom);
        const Rect band{draw.left, std::max(draw.top, top), draw.right,
                        std::min(draw.bottom, bottom)};
        if (band.Empty()) {
            continue;
        }
        const auto rows = RowTable(app, bottom - top);
        const std::pair<int, int>* bandRows = rows.data() + (band.top - top);
        const int w = band.Width(), h = band.Height();
        picture.resize(static_cast<std::size_t>(w) * h);
        for (int i = 0; i < w; ++i) {
            Rgb* out = picture.data() + i;
            const std::uint8_t* column = columns[static_cast<std::size_t>(i)];
            if (!column) {
                const Rgb fill = past[static_cast<std::size_t>(i)] ? kColourWaveBackground
                                                                   : kColourSpectrumPending;
                for (int y = 0; y < h; ++y, out += w) {
                    *out = fill;
                }
                continue;
            }
            const std::uint8_t* v = column + static_cast<std::size_t>(ch) * bins;
            for (int y = 0; y < h; ++y, out += w) {
                const std::uint8_t* p = v + bandRows[y].first;
                const std::uint8_t* end = v + bandRows[y].second;
                std::uint8_t q = *p;
                while (++p < end) {
                    q = *p > q ? *p : q;
                }
                *out = colours[q];
            }
        }
        c.DrawPixels(band, picture.data());
    }
    // The screens beside the shown one are wanted too, ready or not: the timer feeds what is
    // missing and stops at its first tick when nothing is, so a scroll finds them computed
    // rather than showing the placeholder first.
    app.spectrogram.Want(WantedSpans(app));
    RequestLevels(app);
}

void SyncSpectrogram(App& app) {
    if (Frozen(app)) {
        return;
    }
    app.spectrogram.SetBudget(static_cast<std::size_t>(app.settings.spectrumCacheMiB) << 20);
    const SpectrogramShape shape = ShapeOf(app);
    const std::uint64_t revision = app.doc.sampleData.Revision();
    if (revision == app.spectrogramRevision && shape == app.spectrogram.Shape()) {
        return;
    }
    const SampleChange& change = app.sampleChange;
    const std::int64_t align = std::max<std::int64_t>(1, app.doc.format.blockAlign);
    if (revision == app.spectrogramRevision) {
        app.spectrogram.SetShape(shape); // another analysis size
    } else if (app.spectrogramRevision != 0 && change.before == app.spectrogramRevision &&
               change.after == revision) {
        const std::int64_t end = change.lengthChanged ? std::numeric_limits<std::int64_t>::max() / 4
                                                      : (change.endByte + align - 1) / align;
        app.spectrogram.SoundChanged(shape, change.firstByte / align, end);
    } else {
        app.spectrogram.SetShape(shape);
    }
    app.spectrogramRevision = revision;
}

void OnSpectrogramTimer(App& app) {
    if (Frozen(app)) {
        return; // the sound may be changing: nothing is copied until the command ends
    }
    if (!ShowsSpectrogram(app)) {
        app.host.KillTimer(kSpectrogramTimerId);
        app.view.spectrogramTimer = false;
        return;
    }
    SyncSpectrogram(app);
    const bool more = Feed(app, kFeedBytes);
    ViewState& view = app.view;
    // Idle first: a job ending between the two is then taken by TakeFinished, not left
    // unpainted by a timer that stops.
    const bool idle = app.spectrogram.Idle();
    view.spectrogramRepaintDue = app.spectrogram.TakeFinished() || view.spectrogramRepaintDue;
    const auto now = Clock::now().time_since_epoch();
    const auto nowMs = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
    if (view.spectrogramRepaintDue &&
        (nowMs - view.spectrogramPaintedMs >= kSpectrogramRepaintMs || (idle && !more))) {
        view.spectrogramRepaintDue = false;
        view.spectrogramPaintedMs = nowMs;
        RedrawWave(app);
    }
    if (!more && idle && !view.spectrogramRepaintDue) {
        app.host.KillTimer(kSpectrogramTimerId);
        view.spectrogramTimer = false;
    }
}

int PendingSpectrogramColumns(App& app) {
    SyncSpectrogram(app);
    const std::int64_t columns = std::max(0, GetWaveLayout(app).area.Width());
    const std::int64_t frames = SoundFrames(app);
    const std::int64_t analysis = SpectrumFrameCount(frames, app.settings.spectrumSize);
    int pending = 0;
    for (std::int64_t c = 0; c < columns; ++c) {
        const FrameSpan span = ColumnSpan(app, c, frames, analysis);
        if (span.end > span.first && !app.spectrogram.Find(span)) {
            ++pending;
        }
    }
    return pending;
}

bool CompleteSpectrogram(App& app, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (PendingSpectrogramColumns(app) == 0) {
            return true;
        }
        if (Clock::now() >= deadline) {
            return false;
        }
        app.spectrogram.Want(WantedSpans(app));
        Feed(app, std::size_t{64} << 20);
        app.spectrogram.WaitIdle(10);
        app.spectrogram.TakeFinished();
    }
}

void UpdateViewMenu(App& app) {
    const int mode = app.settings.viewMode;
    CheckMenuItem(app.menus.normal, IDM_VIEW_WAVEFORM, mode == kViewWaveform);
    CheckMenuItem(app.menus.normal, IDM_VIEW_SPECTROGRAM, mode == kViewSpectrogram);
    CheckMenuItem(app.menus.normal, IDM_VIEW_BOTH, mode == kViewBoth);
    CheckMenuItem(app.menus.normal, IDM_SPECTRUM_LOG, app.settings.spectrumLog != 0);
    app.host.DrawMenuBar();
}

void SetViewMode(App& app, int mode) {
    app.settings.viewMode = std::clamp(mode, 0, 2);
    app.profile.WriteString(kSectionOptions, kKeyViewMode, std::to_string(app.settings.viewMode));
    UpdateViewMenu(app);
    // The legend takes room from the area: a fitted view fits the new width.
    KeepFitted(app);
    RedrawWave(app);
}

int CmdViewWaveform(App& app) {
    SetViewMode(app, kViewWaveform);
    return 1;
}

int CmdViewSpectrogram(App& app) {
    SetViewMode(app, kViewSpectrogram);
    return 1;
}

int CmdViewBoth(App& app) {
    SetViewMode(app, kViewBoth);
    return 1;
}

int CmdSpectrumLog(App& app) {
    app.settings.spectrumLog = app.settings.spectrumLog ? 0 : 1;
    app.profile.WriteString(kSectionOptions, kKeySpectrumLog,
                            std::to_string(app.settings.spectrumLog));
    UpdateViewMenu(app);
    RedrawWave(app);
    return 1;
}

} // namespace wt
