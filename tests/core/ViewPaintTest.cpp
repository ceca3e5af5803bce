// The waveform window's picture, read back pixel by pixel from the raster canvas. The window
// is 400 x 226 pixels: the area spans x 48..383 and y 8..199 (H = 192), the ruler band is 26.
#include "ViewTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

namespace wt::test {
namespace {

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kBlue{0, 0, 255};

bool IsGreen(const RasterCanvas& c, int x, int y) {
    return c.Pixel(x, y) == kGreen;
}

// Rows of column x that are green, top to bottom.
std::vector<int> GreenRows(const RasterCanvas& c, int x) {
    std::vector<int> rows;
    for (int y = 0; y < c.Height(); ++y) {
        if (IsGreen(c, x, y)) {
            rows.push_back(y);
        }
    }
    return rows;
}

TEST(ViewPaint, AreaEdgesAndBevel) {
    ViewEditor e;
    e.LoadSound(1, 16, 22050, 10, nullptr);
    const WaveLayout layout = e.Layout();
    ASSERT_EQ(layout.area, (Rect{48, 8, 384, 200}));
    const auto c = e.Paint();

    // Inside the area (away from the zero line, the grid line at x = 48 and the samples).
    EXPECT_EQ(c->Pixel(49, 8), kBlack);
    EXPECT_EQ(c->Pixel(383, 199), kBlack);
    EXPECT_EQ(c->Pixel(383, 8), kBlack);
    // Shadow on the top and left lines, highlight on the right and bottom lines.
    for (auto [x, y] : {std::pair{47, 7}, {200, 7}, {383, 7}, {47, 100}, {47, 199}}) {
        EXPECT_EQ(c->Pixel(x, y), kColourButtonShadow) << x << "," << y;
    }
    for (auto [x, y] : {std::pair{384, 7}, {384, 100}, {384, 200}, {47, 200}, {200, 200}}) {
        EXPECT_EQ(c->Pixel(x, y), kColourButtonHighlight) << x << "," << y;
    }
    // Outside: the window background.
    for (auto [x, y] : {std::pair{46, 100}, {385, 100}, {399, 0}, {200, 6}, {200, 201}}) {
        EXPECT_EQ(c->Pixel(x, y), kColourButtonFace) << x << "," << y;
    }
    // The vertical axis at x = 44 and the level ticks from x = 40 to 43.
    EXPECT_EQ(c->Pixel(44, 8), kBlack);
    EXPECT_EQ(c->Pixel(44, 199), kBlack);
    EXPECT_EQ(c->Pixel(44, 200), kColourButtonFace);
    for (int k = 0; k <= 8; ++k) {
        const int y = 8 + k * 192 / 8;
        EXPECT_EQ(c->Pixel(40, y), kBlack) << k;
        EXPECT_EQ(c->Pixel(43, y), kBlack) << k;
        EXPECT_EQ(c->Pixel(39, y), kColourButtonFace) << k;
    }
    // The horizontal time axis 8 pixels below the area, from x = 48 to the area's right edge.
    EXPECT_EQ(c->Pixel(48, 208), kBlack);
    EXPECT_EQ(c->Pixel(383, 208), kBlack);
    EXPECT_EQ(c->Pixel(384, 208), kColourButtonFace);
    EXPECT_EQ(c->Pixel(47, 208), kColourButtonFace);
}

// A tiny window has no area: only its background is painted, and nothing breaks.
TEST(ViewPaint, WindowTooSmallForTheArea) {
    ViewEditor e;
    e.LoadSound(2, 16, 44100, 1000, [](int, int) { return 1000; });
    e.SetClientSize(50, 30);
    const auto c = e.Paint();
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 50; ++x) {
            ASSERT_EQ(c->Pixel(x, y), kColourButtonFace) << x << "," << y;
        }
    }
}

// Past the widest step each column shows the lowest and highest sample of its frames as one
// vertical line: 336 columns of exactly 2048 frames when the whole sound is fitted; a value
// in a column's last frame stays in that column.
TEST(ViewPaint, FittedColumnsShowTheirFramesExtremes) {
    constexpr int kColumnFrames = 2048;
    const struct {
        int column, high, highFrame, low, lowFrame; // frames within the column
        int top, bottom;                            // green rows
    } cases[] = {
        {0, 32767, 5, -32768, 2047, 11, 198},
        {1, 16384, 2047, 0, 0, 57, 104},
        {2, 0, 0, 0, 0, 104, 104},
        {200, 0, 0, -32768, 1000, 104, 198},
        {335, 32767, 2047, 0, 0, 11, 104},
    };
    ViewEditor e;
    e.LoadSound(1, 16, 22050, 336 * kColumnFrames, [&](int f, int) {
        for (const auto& c : cases) {
            if (f == c.column * kColumnFrames + c.highFrame) {
                return c.high;
            }
            if (f == c.column * kColumnFrames + c.lowFrame) {
                return c.low;
            }
        }
        return 0;
    });
    e.app.doc.cursor = e.app.doc.selStart = e.app.doc.selEnd = e.app.doc.byteLength;
    ASSERT_EQ(CmdZoomFit(e.app), 1);
    EXPECT_EQ(FramesPerColumn(e.app), kColumnFrames);
    EXPECT_EQ(e.app.doc.viewStart, 0);
    const auto c = e.Paint();
    for (const auto& k : cases) {
        std::vector<int> rows;
        for (int y = k.top; y <= k.bottom; ++y) {
            rows.push_back(y);
        }
        EXPECT_EQ(GreenRows(*c, 48 + k.column), rows) << k.column;
    }
}

// {channels, bits, value, channel, expected row}
using SampleRowCase = std::tuple<int, int, int, int, int>;
class ViewSampleRow : public ::testing::TestWithParam<SampleRowCase> {};

TEST_P(ViewSampleRow, SampleLandsOnItsRow) {
    const auto [channels, bits, value, channel, row] = GetParam();
    ViewEditor e;
    e.LoadSound(channels, bits, 22050, 64, [&](int, int ch) { return ch == channel ? value : 0; });
    e.SetZoom(4); // four frames per column: every frame is drawn
    const auto c = e.Paint();
    EXPECT_TRUE(IsGreen(*c, 60, row));
    EXPECT_FALSE(IsGreen(*c, 60, row - 1));
    EXPECT_FALSE(IsGreen(*c, 60, row + 1));
}

INSTANTIATE_TEST_SUITE_P(
    FullScaleAndZero, ViewSampleRow,
    ::testing::Values(
        // Mono, 192 rows: 104 is the centre; full scale ends up close to the strip's top.
        SampleRowCase{1, 16, 32767, 0, 11}, SampleRowCase{1, 16, -32768, 0, 198},
        SampleRowCase{1, 16, 0, 0, 104}, SampleRowCase{1, 16, 16384, 0, 57},
        // 8-bit bytes 255 and 0 read as 32512 and -32768.
        SampleRowCase{1, 8, 32767, 0, 11}, SampleRowCase{1, 8, -32768, 0, 198},
        // Stereo: strips of 96 rows; full scale lands two rows inside each strip's top.
        SampleRowCase{2, 16, 32767, 0, 10}, SampleRowCase{2, 16, -32768, 0, 103},
        SampleRowCase{2, 16, 32767, 1, 106}, SampleRowCase{2, 16, -32768, 1, 199}));

TEST(ViewPaint, StereoSeparatorZeroLinesAndLabels) {
    ViewEditor e;
    e.LoadSound(2, 16, 44100, 4, nullptr); // one column of samples, far from x = 300
    const auto c = e.Paint();
    // Separator centred on y = 96 + 8 = 104.
    EXPECT_EQ(c->Pixel(300, 101), kBlack);
    EXPECT_EQ(c->Pixel(300, 102), kColourButtonHighlight);
    EXPECT_EQ(c->Pixel(300, 103), kColourButtonFace);
    EXPECT_EQ(c->Pixel(300, 104), kColourButtonFace);
    EXPECT_EQ(c->Pixel(300, 105), kColourButtonFace);
    EXPECT_EQ(c->Pixel(300, 106), kColourButtonShadow);
    EXPECT_EQ(c->Pixel(300, 107), kBlack);
    EXPECT_EQ(c->Pixel(49, 104), kColourButtonFace);
    EXPECT_EQ(c->Pixel(383, 104), kColourButtonFace);
    // Zero lines in the middle of each strip.
    EXPECT_EQ(c->Pixel(300, 56), kBlue);
    EXPECT_EQ(c->Pixel(300, 152), kBlue);
    EXPECT_EQ(c->Pixel(300, 55), kBlack);
    EXPECT_EQ(c->Pixel(300, 153), kBlack);
}

// The bounding box of everything drawn in the label column left of the level ticks.
Rect InkBox(const RasterCanvas& c, int top, int bottom) {
    Rect box{1000, 1000, -1, -1};
    for (int y = top; y < bottom; ++y) {
        for (int x = 0; x < 40; ++x) {
            if (c.Pixel(x, y) != kColourButtonFace) {
                box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                       std::max(box.bottom, y + 1)};
            }
        }
    }
    return box;
}

TEST(ViewPaint, ChannelLabelsOnlyLeftAndRight) {
    for (int channels : {1, 2, 3}) {
        SCOPED_TRACE(channels);
        ViewEditor e;
        e.LoadSound(channels, 16, 44100, 4, nullptr);
        const auto c = e.Paint();
        const int strip = 192 / channels;
        if (channels == 1) {
            EXPECT_TRUE(InkBox(*c, 8, 200).Empty());
            EXPECT_EQ(c->Pixel(200, 104), kBlue); // the zero line, no separator
            continue;
        }
        // "L" in x 0..47, y 8..8+strip, "R" in the rectangle below, each centred.
        const Rect l = InkBox(*c, 8, 8 + strip);
        const Rect r = InkBox(*c, 8 + strip, 8 + 2 * strip);
        ASSERT_FALSE(l.Empty());
        ASSERT_FALSE(r.Empty());
        EXPECT_NEAR((l.left + l.right) / 2.0, 24, 3);
        EXPECT_NEAR((l.top + l.bottom) / 2.0, 8 + strip / 2.0, 3);
        EXPECT_NEAR((r.left + r.right) / 2.0, 24, 3);
        EXPECT_NEAR((r.top + r.bottom) / 2.0, 8 + strip * 1.5, 3);
        // The two glyphs differ: L has no ink in its top right, R does.
        EXPECT_EQ(c->Pixel(l.right - 1, l.top), kColourButtonFace);
        EXPECT_EQ(c->Pixel(r.left + 1, r.top), kBlack);
        if (channels == 3) {
            EXPECT_TRUE(InkBox(*c, 8 + 2 * strip, 200).Empty()); // no third label
            // Two separators, at 64 + 8 and 128 + 8.
            EXPECT_EQ(c->Pixel(300, 72), kColourButtonFace);
            EXPECT_EQ(c->Pixel(300, 136), kColourButtonFace);
        }
    }
}

// An empty sound: the black area, its bevel and the ruler, nothing of the channels.
TEST(ViewPaint, EmptySoundShowsAreaAndRulerOnly) {
    ViewEditor e; // the document as at start-up: 22050 Hz mono, no data
    const auto c = e.Paint();
    EXPECT_EQ(c->Pixel(100, 104), kBlack); // no zero line
    EXPECT_EQ(c->Pixel(48, 30), kBlue);    // the grid line of time 0, not inverted
    EXPECT_EQ(c->Pixel(49, 30), kBlack);
    EXPECT_EQ(c->Pixel(48, 208), kBlack); // the time axis
}

// Whether a lone impulse at `frame` is drawn: {zoom index, density, frame, drawn}.
using DensityCase = std::tuple<int, int, int, bool>;
class ViewDensity : public ::testing::TestWithParam<DensityCase> {};

TEST_P(ViewDensity, OnlyEveryStepthFrameIsDrawn) {
    const auto [zoom, density, frame, drawn] = GetParam();
    ViewEditor e;
    e.LoadSound(1, 16, 44100, 4096, [&](int f, int) { return f == frame ? 30000 : 0; });
    e.SetZoom(zoom);
    e.app.settings.density = density;
    e.app.doc.selStart = e.app.doc.selEnd = e.app.doc.byteLength; // its line off column 48
    const auto c = e.Paint();
    const int x = 48 + frame / e.app.doc.framesPerPixel;
    const auto rows = GreenRows(*c, x);
    const bool peakShown = !rows.empty() && rows.front() < 50;
    EXPECT_EQ(peakShown, drawn);
}

INSTANTIATE_TEST_SUITE_P(Steps, ViewDensity,
                         ::testing::Values(
                             // 1/256 with density 8: every 32nd frame.
                             DensityCase{1, 8, 32, true}, DensityCase{1, 8, 16, false},
                             DensityCase{1, 8, 96, true},
                             // density 16: every 16th frame; density 128: every 2nd.
                             DensityCase{1, 16, 16, true}, DensityCase{1, 16, 8, false},
                             DensityCase{1, 128, 2, true}, DensityCase{1, 128, 3, false},
                             // 1/1024 with density 8: every 128th frame.
                             DensityCase{0, 8, 128, true}, DensityCase{0, 8, 64, false},
                             // 1/4 and 1/1: the step would be 0 frames and becomes one frame.
                             DensityCase{4, 8, 1, true}, DensityCase{5, 8, 3, true}));

TEST(ViewPaint, LineModeJoinsEachChannelSeparately) {
    ViewEditor e;
    // Left channel +16384 and right channel -16384 throughout, 16-bit stereo.
    e.LoadSound(2, 16, 44100, 400, [](int, int ch) { return ch == 0 ? 16384 : -16384; });
    e.SetZoom(5);
    e.app.settings.dispMode = 1;
    const auto c = e.Paint();
    // Channel 0: 48 + 8 - 188*16384/131072 = 33; channel 1: 48 + 104 + 23 = 175. (Column 48
    // holds the inverted line of the empty selection.)
    for (int x = 49; x < 380; ++x) {
        const auto rows = GreenRows(*c, x);
        ASSERT_EQ(rows, (std::vector<int>{33, 175})) << x;
    }
    // An alternating signal in line mode joins its points vertically; in point mode it
    // leaves the rows in between dark.
    e.LoadSound(1, 16, 44100, 400, [](int f, int) { return f % 2 ? 16384 : -16384; });
    e.app.settings.dispMode = 1;
    EXPECT_GT(GreenRows(*e.Paint(), 60).size(), 40u);
    e.app.settings.dispMode = 0;
    EXPECT_EQ(GreenRows(*e.Paint(), 60).size(), 1u);
}

TEST(ViewPaint, EmptySelectionIsAOnePixelInvertedColumn) {
    ViewEditor e;
    e.LoadSound(1, 16, 44100, 4000, nullptr); // silence: the area is black off the zero line
    e.SetZoom(5);
    e.app.doc.selStart = e.app.doc.selEnd = 100 * 2; // frame 100: column 148
    const auto c = e.Paint();
    EXPECT_EQ(c->Pixel(148, 30), kWhite);
    EXPECT_EQ(c->Pixel(148, 8), kWhite);
    EXPECT_EQ(c->Pixel(148, 199), kWhite);
    EXPECT_EQ(c->Pixel(147, 30), kBlack);
    EXPECT_EQ(c->Pixel(149, 30), kBlack);
    EXPECT_EQ(c->Pixel(148, 200), kColourButtonHighlight); // the bevel is not inverted
    EXPECT_EQ(c->Pixel(148, 104), (Rgb{255, 0, 255}));     // green sample mark inverted
}

// {selStart frame, selEnd frame, first inverted column, end column (exclusive)}; the view
// starts at frame 1000, one frame per column, the area's columns are 48..383.
using SelectionCase = std::tuple<int, int, int, int>;
class ViewSelectionShown : public ::testing::TestWithParam<SelectionCase> {};

TEST_P(ViewSelectionShown, InvertedColumns) {
    const auto [startFrame, endFrame, left, right] = GetParam();
    ViewEditor e;
    e.LoadSound(1, 16, 44100, 4000, nullptr);
    e.SetZoom(5);
    e.app.doc.viewStart = 1000 * 2;
    e.app.doc.selStart = startFrame * 2;
    e.app.doc.selEnd = endFrame * 2;
    const auto c = e.Paint();
    for (int x = 48; x < 384; ++x) {
        const bool inverted = c->Pixel(x, 30) == kWhite;
        EXPECT_EQ(inverted, x >= left && x < right) << "column " << x;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Positions, ViewSelectionShown,
    ::testing::Values(SelectionCase{0, 500, 0, 0},      // wholly left of the view
                      SelectionCase{0, 998, 0, 0},      // ends two columns left of it
                      SelectionCase{900, 1010, 48, 58}, // starts left of the view
                      SelectionCase{1100, 1200, 148, 248},
                      SelectionCase{1300, 3000, 348, 384}, // runs past the right edge
                      SelectionCase{1336, 1400, 0, 0},     // starts at the right edge
                      SelectionCase{1000, 1000, 48, 49})); // empty, at the left edge

// Records the ruler labels as they are drawn.
class TextRecorder : public RasterCanvas {
public:
    using RasterCanvas::RasterCanvas;
    void TextOut(int x, int y, const std::string& text, Rgb colour) override {
        labels.emplace_back(x, text);
        rows.push_back(y);
        RasterCanvas::TextOut(x, y, text, colour);
    }
    std::vector<std::pair<int, std::string>> labels;
    std::vector<int> rows;
};

struct RulerCase {
    int zoom;
    int viewStartFrames;
    std::vector<std::pair<int, std::string>> firstLabels;
};
class ViewRuler : public ::testing::TestWithParam<RulerCase> {};

// 1000 Hz, 8-bit mono, so a tenth of a second is 100 frames.
TEST_P(ViewRuler, LabelsFollowTheZoom) {
    const RulerCase& rc = GetParam();
    ViewEditor e;
    e.LoadSound(1, 8, 1000, rc.viewStartFrames + 100000, nullptr);
    e.SetZoom(rc.zoom);
    e.app.doc.viewStart = rc.viewStartFrames;
    const WaveLayout layout = e.Layout();
    TextRecorder canvas(layout.clientWidth, layout.clientHeight);
    WaveWndProc(e.app, msg::Paint, 0, 0, &canvas);
    ASSERT_GE(canvas.labels.size(), rc.firstLabels.size());
    const std::vector<std::pair<int, std::string>> first(
        canvas.labels.begin(), canvas.labels.begin() + static_cast<long>(rc.firstLabels.size()));
    EXPECT_EQ(first, rc.firstLabels);
    for (int row : canvas.rows) {
        EXPECT_EQ(row, 212); // area bottom + 12
    }
    for (const auto& [x, text] : canvas.labels) {
        EXPECT_GE(x, 0);
        EXPECT_LT(x, 384);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Zooms, ViewRuler,
    ::testing::Values(
        RulerCase{5, 0, {{48, "0.0"}, {148, "0.1"}, {248, "0.2"}, {348, "0.3"}}},
        RulerCase{4, 0, {{48, "0.0"}, {73, "0.1"}, {98, "0.2"}}},
        RulerCase{3, 0, {{48, "0.0"}, {54, "0.1"}, {60, "0.2"}}},
        RulerCase{2, 0, {{48, "0"}, {63, "1"}, {79, "2"}}},
        RulerCase{1, 0, {{48, "0"}, {55, "2"}, {63, "4"}}},
        RulerCase{0, 0, {{48, "0"}, {51, "4"}, {55, "8"}}},
        // Scrolled: times left of the area are labelled in the label column while x >= 0.
        RulerCase{2, 1000, {{33, "0"}, {48, "1"}, {64, "2"}}},
        RulerCase{2, 5000, {{1, "2"}, {16, "3"}, {32, "4"}, {48, "5"}}},
        // Two and a half hours in: the labels still count the seconds from the start.
        RulerCase{
            2, 9000000, {{1, "8997"}, {16, "8998"}, {32, "8999"}, {48, "9000"}, {63, "9001"}}}));

TEST(ViewRuler, GridLinesAtWholeSecondsOrTenths) {
    ViewEditor e;
    e.LoadSound(1, 8, 1000, 100000, [](int, int) { return -30000; });
    e.SetZoom(2); // 1/64: grid only at whole seconds (x = 48, 63, 79, ...)
    auto c = e.Paint();
    EXPECT_EQ(c->Pixel(63, 20), kBlue);
    EXPECT_EQ(c->Pixel(79, 20), kBlue);
    EXPECT_EQ(c->Pixel(49, 20), kBlack); // the tenth at column 1 has no grid line
    EXPECT_EQ(c->Pixel(63, 204), kColourButtonFace);
    EXPECT_EQ(c->Pixel(63, 211), kBlack); // a second's tick reaches the label row
    EXPECT_EQ(c->Pixel(64, 209), kColourButtonFace);
    e.SetZoom(3); // 1/16: grid at every tenth (x = 54, 60, ...)
    c = e.Paint();
    EXPECT_EQ(c->Pixel(54, 20), kBlue);
    EXPECT_EQ(c->Pixel(60, 20), kBlue);
    EXPECT_EQ(c->Pixel(54, 209), kBlack); // a tenth's tick is two pixels long
    EXPECT_EQ(c->Pixel(54, 210), kColourButtonFace);
}

// A sound whose rate is below 10 Hz has no tenth of a second in frames; the ruler marks time
// zero only instead of walking forever.
TEST(ViewRuler, RateBelowTenHertzStops) {
    ViewEditor e;
    e.LoadSound(1, 8, 5, 100, nullptr);
    TextRecorder canvas(400, 226);
    WaveWndProc(e.app, msg::Paint, 0, 0, &canvas);
    ASSERT_EQ(canvas.labels.size(), 1u);
    EXPECT_EQ(canvas.labels[0], (std::pair<int, std::string>{48, "0"}));
}

// A host whose screen is a raster picture: a scroll shifts the pixels and paints the
// uncovered strip with the paint clipped to it, as a desktop window does.
class ScrollingHost : public ScriptedHost {
public:
    App* app = nullptr;
    void ScrollWave(int dx, const Rect& area) override {
        ScriptedHost::ScrollWave(dx, area);
        auto& screen = static_cast<RasterCanvas&>(*waveCanvas);
        const Rect strip = screen.Scroll(dx, area);
        screen.SetClip(strip);
        WaveWndProc(*app, msg::Paint, 0, reinterpret_cast<LParam>(&strip), &screen);
        screen.ResetClip();
    }
};

// {zoom index, density, display mode, scroll code, repetitions}
using ShiftCase = std::tuple<int, int, int, unsigned, int>;
class ViewScrollShift : public ::testing::TestWithParam<ShiftCase> {};

TEST_P(ViewScrollShift, ShiftedPictureMatchesAFreshPaint) {
    const auto [zoom, density, mode, code, repetitions] = GetParam();
    ScrollingHost host;
    App app(host);
    host.app = &app;
    MainWndProc(app, msg::Create, 0, 0);
    FinishStartup(app, "");
    host.MoveWaveWindow(0, 0, 404, 246); // client 400 x 226
    // A 16-bit stereo chirp with a selection, so every column differs from its neighbours.
    SoundDocument& doc = app.doc;
    doc.format = {1, 2, 8000, 32000, 4, 16, 0};
    doc.RecomputeBytesPerSample();
    const int frames = 200000;
    doc.byteLength = frames * 4;
    ASSERT_TRUE(doc.sampleData.Resize(static_cast<std::size_t>(doc.byteLength) + 16));
    for (int f = 0; f < frames; ++f) {
        WriteSample(doc, doc.Data() + f * 4, (f * 37 % 2000 - 1000) * 30, 0);
        WriteSample(doc, doc.Data() + f * 4, ((f % 1777) * (f % 1777) % 1777 - 888) * 35, 1);
    }
    doc.zoomIndex = zoom;
    ApplyZoom(app, zoom);
    app.settings.density = density;
    app.settings.dispMode = mode;
    const std::int32_t column = 4 * doc.framesPerPixel;
    doc.viewStart = 100 * column; // column-aligned, so scrolls move whole columns
    doc.selStart = doc.viewStart + 30 * column;
    doc.selEnd = doc.viewStart + 200 * column;

    auto screen = std::make_unique<RasterCanvas>(400, 226);
    WaveWndProc(app, msg::Paint, 0, 0, screen.get());
    host.waveCanvas = std::move(screen);
    for (int i = 0; i < repetitions; ++i) {
        WaveWndProc(app, msg::HScroll, MakeWParam(code, 0), 0, nullptr);
    }
    EXPECT_NE(host.scrolledBy, 0);
    EXPECT_EQ(host.waveInvalidations, 1); // only the one from start-up
    RasterCanvas fresh(400, 226);
    WaveWndProc(app, msg::Paint, 0, 0, &fresh);
    const auto& shifted = static_cast<RasterCanvas&>(*host.waveCanvas);
    // The whole window: the ruler's labels reach into the label column and the right gap,
    // which the shift itself leaves alone.
    const Rect window{0, 0, 400, 226};
    if (mode == 0) {
        EXPECT_EQ(CountDifferences(shifted, fresh, window), 0);
    } else {
        // A polyline is cut where the strip begins: its joining segment may differ there.
        EXPECT_LT(CountDifferences(shifted, fresh, window), 400);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Requests, ViewScrollShift,
    ::testing::Values(ShiftCase{1, 8, 0, sb::LineDown, 3}, ShiftCase{1, 8, 0, sb::LineUp, 5},
                      ShiftCase{1, 8, 0, sb::PageDown, 2}, ShiftCase{1, 8, 0, sb::PageUp, 1},
                      ShiftCase{5, 8, 0, sb::LineDown, 4}, ShiftCase{3, 8, 0, sb::PageUp, 1},
                      ShiftCase{0, 8, 0, sb::LineDown, 7}, ShiftCase{2, 8, 1, sb::LineDown, 3}));

} // namespace
} // namespace wt::test
