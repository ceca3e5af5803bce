#include "TestApp.h"

#include "commands/edit/HistoryCommands.h"
#include "dsp/SpectrogramCache.h"
#include "editor/CommandIds.h"
#include "editor/Menus.h"
#include "platform/RasterCanvas.h"
#include "view/SpectrogramView.h"
#include "view/WaveWindow.h"
#include "window/CommandTable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

using namespace wt;

namespace {

// A sweep from 200 Hz up, a little noise and a click of ten samples in the second channel.
int Sample(int frame, int channel) {
    static std::mt19937 noise(7);
    const double t = frame / 22050.0;
    double v = 12000 * std::sin(2 * M_PI * (200 * t + 300 * t * t)) + (noise() % 200) - 100;
    if (channel == 1 && frame >= 30011 && frame < 30021) {
        v = 30000;
    }
    return static_cast<int>(v);
}

// Computes the levels of `spans` of `doc` in a cache of its own, as a fresh start would.
std::vector<std::shared_ptr<const SpectrumLevels>> Fresh(const SoundDocument& doc, int fftSize,
                                                         const std::vector<FrameSpan>& spans,
                                                         std::size_t budget = 0) {
    SpectrogramCache cache(2);
    if (budget) {
        cache.SetBudget(budget);
    }
    cache.SetShape({fftSize, doc.format.channels, doc.format.bitsPerSample,
                    doc.byteLength / doc.format.blockAlign});
    cache.Want(spans);
    const auto read = [&doc](std::int64_t first, std::int64_t count, std::uint8_t* out) {
        std::memcpy(out, doc.Data() + first * doc.format.blockAlign,
                    static_cast<std::size_t>(count * doc.format.blockAlign));
    };
    std::vector<std::shared_ptr<const SpectrumLevels>> levels(spans.size());
    for (int round = 0; round < 1000; ++round) {
        cache.Feed(read, std::size_t{1} << 20);
        cache.WaitIdle(100);
        EXPECT_LE(cache.Bytes(), cache.Budget());
        bool all = true;
        for (std::size_t i = 0; i < spans.size(); ++i) {
            levels[i] = levels[i] ? levels[i] : cache.Find(spans[i]);
            all = all && levels[i];
        }
        if (all) {
            break;
        }
    }
    return levels;
}

// The analysis frames each shown column of the window shows.
std::vector<FrameSpan> ShownSpans(const App& app) {
    const std::int64_t frames = app.doc.byteLength / app.doc.format.blockAlign;
    const int n = app.settings.spectrumSize;
    std::vector<FrameSpan> spans;
    for (int c = 0; c < GetWaveLayout(app).area.Width(); ++c) {
        const std::int64_t first = ColumnFirstFrame(app, c);
        const std::int64_t end = std::min(frames, ColumnFirstFrame(app, c + 1));
        if (first < end) {
            FrameSpan s;
            ColumnFrames(first, end, n, SpectrumFrameCount(frames, n), s.first, s.end);
            spans.push_back(s);
        }
    }
    return spans;
}

// Lets the workers finish every span wanted, the screens beside the shown one included, so
// that what is transformed later is counted for what asked for it.
void Settle(App& app) {
    const SoundDocument& doc = app.doc;
    const auto read = [&doc](std::int64_t first, std::int64_t count, std::uint8_t* out) {
        std::memcpy(out, doc.Data() + first * doc.format.blockAlign,
                    static_cast<std::size_t>(count * doc.format.blockAlign));
    };
    while (app.spectrogram.Feed(read, std::size_t{64} << 20) || !app.spectrogram.Idle()) {
        app.spectrogram.WaitIdle(100);
    }
}

} // namespace

// A column shows, per bin, the largest level among its frames: checked against the frames'
// levels computed one by one, for columns narrower than a frame, a few frames wide, and wide
// enough to be put together from blocks and the frames at their ends. A budget smaller than
// the levels of the whole sound evicts without losing a column.
TEST(SpectrogramCache, ColumnsShowTheLoudestFrameOfTheirSpan) {
    struct Case {
        int bits, channels, fftSize;
        std::size_t budget;
    };
    for (const Case k : {Case{16, 2, 512, 0}, Case{8, 1, 256, 0}, Case{16, 2, 256, 4u << 20}}) {
        test::TestApp t;
        t.SetSound(k.bits, k.channels, 22050 * 6, Sample);
        const SoundDocument& doc = t.app.doc;
        const std::int64_t count = SpectrumFrameCount(22050 * 6, k.fftSize);
        std::vector<FrameSpan> spans = {{0, 1}, {7, 8}, {5, 9}, {3, 200}, {0, count}, {17, 1000}};
        // The click's frames, alone and inside a column between block boundaries.
        const std::int64_t click = 30015 / (k.fftSize / 4);
        spans.push_back({click, click + 1});
        spans.push_back({click - 37, click + 41});
        const auto levels = Fresh(doc, k.fftSize, spans, k.budget);
        const int bins = k.fftSize / 2 + 1;
        std::vector<float> db;
        for (std::size_t i = 0; i < spans.size(); ++i) {
            ASSERT_TRUE(levels[i]) << "span " << i;
            std::vector<double> loudest(static_cast<std::size_t>(k.channels * bins), -1000);
            for (std::int64_t f = spans[i].first; f < spans[i].end; ++f) {
                for (int c = 0; c < k.channels; ++c) {
                    FrameSpectrumDb(doc, c, f, k.fftSize, db);
                    for (int b = 0; b < bins; ++b) {
                        double& l = loudest[static_cast<std::size_t>(c * bins + b)];
                        l = std::max(l, static_cast<double>(db[static_cast<std::size_t>(b)]));
                    }
                }
            }
            int worst = 0;
            for (std::size_t b = 0; b < loudest.size(); ++b) {
                worst = std::max(worst, std::abs(int{(*levels[i])[b]} - QuantiseDb(loudest[b])));
            }
            // Quantised from the power's float, a level may fall one half-decibel step apart.
            EXPECT_LE(worst, 1) << k.bits << " bits, size " << k.fftSize << ", span " << i;
        }
    }
}

// After an edit the columns whose frames read no changed sample keep the very levels they had;
// the others are computed again and equal a fresh computation of the edited sound. Only a
// small part of the frames is transformed again.
TEST(SpectrogramView, AnEditKeepsTheLevelsOutsideItAndRecomputesThoseInside) {
    struct Case {
        const char* name;
        int zoom;               // the view's zoom command
        std::vector<int> edits; // commands run on the selection, in turn
        bool lengthChanges;
    };
    const std::vector<Case> cases = {
        {"phase invert, fitted", IDM_ZOOM_FIT, {IDM_PHASE_INVERT}, false},
        {"phase invert and undo, 1/256", IDM_ZOOM_1_256, {IDM_PHASE_INVERT, IDM_UNDO}, false},
        {"delete, 1/1024", IDM_ZOOM_1_1024, {IDM_DELETE}, true}};
    for (const Case& k : cases) {
        test::TestApp t;
        t.host.MoveWaveWindow(0, 0, 900, 300);
        t.SetSound(16, 2, 22050 * 30, Sample);
        EnableHistory(t.app);
        SetViewMode(t.app, kViewSpectrogram);
        DispatchCommand(t.app, k.zoom);
        t.app.doc.viewStart = 0;
        ASSERT_TRUE(CompleteSpectrogram(t.app, 60000)) << k.name;
        Settle(t.app);
        std::map<std::pair<std::int64_t, std::int64_t>, std::shared_ptr<const SpectrumLevels>>
            before;
        for (const FrameSpan& s : ShownSpans(t.app)) {
            before[{s.first, s.end}] = t.app.spectrogram.Find(s);
        }
        // Sound frames [first, end) change: 2 s from 5 s on.
        const std::int64_t first = 22050 * 5, end = 22050 * 7;
        t.app.doc.selStart = static_cast<std::int32_t>(first * 4);
        t.app.doc.selEnd = static_cast<std::int32_t>(end * 4);
        const std::uint64_t computed = t.app.spectrogram.FramesComputed();
        for (const int id : k.edits) {
            DispatchCommand(t.app, id);
        }
        ASSERT_TRUE(CompleteSpectrogram(t.app, 60000)) << k.name;
        Settle(t.app);

        const int n = t.app.settings.spectrumSize, hop = n / 4;
        const std::vector<FrameSpan> spans = ShownSpans(t.app);
        const auto fresh = Fresh(t.app.doc, n, spans);
        int kept = 0;
        for (std::size_t i = 0; i < spans.size(); ++i) {
            const FrameSpan& s = spans[i];
            const auto now = t.app.spectrogram.Find(s);
            ASSERT_TRUE(now && fresh[i]) << k.name;
            EXPECT_EQ(*now, *fresh[i]) << k.name << ", column " << i;
            const bool readsChange = (s.end - 1) * hop + n / 2 > first &&
                                     (k.lengthChanges || s.first * hop - n / 2 < end);
            const auto old = before.find({s.first, s.end});
            if (!readsChange && old != before.end()) {
                EXPECT_EQ(now, old->second) << k.name << ": column " << i << " computed again";
                ++kept;
            }
        }
        EXPECT_GT(kept, 10) << k.name;
        // A change of length moves every frame after it; any other keeps them.
        const std::int64_t moved = k.lengthChanges ? (22050 * 30 - first) / hop : 0;
        EXPECT_LT(t.app.spectrogram.FramesComputed() - computed,
                  static_cast<std::uint64_t>(moved + SpectrumFrameCount(22050 * 30, n) / 4))
            << k.name;
    }
}

// The view chosen from the menu is checked there and remembered for the next start, which
// splits the area as it did; hand-edited values out of range fall back or are clamped.
TEST(SpectrogramView, TheChosenViewIsRememberedAndSplitsTheArea) {
    test::TestApp first;
    DispatchCommand(first.app, IDM_VIEW_BOTH);
    DispatchCommand(first.app, IDM_SPECTRUM_LOG);
    const MenuItem& view = first.app.menus.normal.popups[kViewPopupIndex];
    for (const MenuItem& item : view.children) {
        if (item.id >= IDM_VIEW_WAVEFORM && item.id <= IDM_SPECTRUM_LOG) {
            EXPECT_EQ(item.checked, item.id == IDM_VIEW_BOTH || item.id == IDM_SPECTRUM_LOG)
                << item.text;
        }
    }
    test::TestApp next(false);
    std::filesystem::copy_file(first.IniPath(), next.IniPath());
    next.Start();
    EXPECT_EQ(next.app.settings.viewMode, kViewBoth);
    EXPECT_EQ(next.app.settings.spectrumLog, 1);
    const Rect area = GetWaveLayout(next.app).area;
    const WavePanes panes = GetWavePanes(next.app, area);
    EXPECT_EQ(panes.wave.top, area.top);
    EXPECT_EQ(panes.spectrum.bottom, area.bottom);
    EXPECT_LT(panes.wave.bottom, panes.spectrum.top);
    EXPECT_EQ(area.right, next.host.WaveClientWidth() - kWaveRightGap - kLegendWidth);

    test::TestApp edited(false);
    std::ofstream(edited.IniPath())
        << "[Options]\nview=7\nspectrumrange=500\nspectrumcache=1\nspectrumlog=3\n";
    edited.Start();
    EXPECT_EQ(edited.app.settings.viewMode, kViewWaveform);
    EXPECT_EQ(edited.app.settings.spectrumRange, 120);
    EXPECT_EQ(edited.app.settings.spectrumCacheMiB, 32);
    EXPECT_EQ(edited.app.settings.spectrumLog, 0);
}

// A paint while a command holds the sound (a conversion to stereo, say) may find the levels of
// the sound before it: they do not describe the new channels, and the placeholder is drawn.
TEST(SpectrogramView, APaintDuringACommandDrawsNoLevelsOfAnotherShape) {
    test::TestApp t;
    t.SetSound(16, 1, 22050 * 2, Sample);
    SetViewMode(t.app, kViewSpectrogram);
    ASSERT_TRUE(CompleteSpectrogram(t.app, 60000));
    t.app.busy = true;
    t.SetSound(16, 2, 22050 * 2, Sample);
    const WaveLayout layout = GetWaveLayout(t.app);
    RasterCanvas canvas(layout.clientWidth, layout.clientHeight);
    PaintWave(t.app, canvas, {0, 0, layout.clientWidth, layout.clientHeight});
    const Rect pane = GetWavePanes(t.app, layout.area).spectrum;
    EXPECT_EQ(canvas.Pixel(pane.left + 2, pane.bottom - 2), kColourSpectrumPending);
    t.app.busy = false;
}
