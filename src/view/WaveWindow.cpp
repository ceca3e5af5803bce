#include "view/WaveWindow.h"

#include "editor/App.h"
#include "editor/CommandIds.h"
#include "editor/DocumentUi.h"
#include "editor/Menus.h"
#include "platform/Canvas.h"
#include "util/Format.h"
#include "view/SpectrogramView.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <vector>

namespace wt {

namespace {

constexpr int kZoomCommands[kZoomIndexCount] = {IDM_ZOOM_1_1024, IDM_ZOOM_1_256, IDM_ZOOM_1_64,
                                                IDM_ZOOM_1_16,   IDM_ZOOM_1_4,   IDM_ZOOM_1_1};

// Status-bar part 3: the time under the mouse.
constexpr int kStatusPartMouse = 3;
constexpr const char* kTextMouseTime = "%s(Sec)";

// The label column: level ticks from x = 40 to the vertical axis at x = 44.
constexpr int kLevelTickLeft = 40;
constexpr int kVerticalAxisX = 44;
// The ruler below the area, in pixels from the area's bottom edge.
constexpr int kRulerAxisOffset = 8;  // horizontal time axis
constexpr int kSecondTickEnd = 12;   // ticks of whole seconds end here
constexpr int kTenthTickEnd = 10;    // ticks of tenths end here
constexpr int kRulerTextOffset = 12; // top of the labels

Rect Intersect(const Rect& a, const Rect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

void Line(Canvas& c, int x0, int y0, int x1, int y1) {
    c.MoveTo(x0, y0);
    c.LineTo(x1, y1);
}

bool Wide(const App& app) {
    return app.view.wideFramesPerPixel > 0;
}

// Column (0 = the area's left edge) of the frame `frames` after the view's first one. Past the
// widest step column x holds the frames f with x <= f / w < x + 1 (w the fractional frames
// per column); on the steps the division truncates toward zero.
std::int64_t FrameToColumn(const App& app, std::int64_t frames) {
    if (Wide(app)) {
        return static_cast<std::int64_t>(
            std::floor(static_cast<double>(frames) / app.view.wideFramesPerPixel));
    }
    return frames / std::max<std::int64_t>(1, app.doc.framesPerPixel);
}

// The first frame of column `column`, counted from the view's first frame.
std::int64_t ColumnToFrame(const App& app, std::int64_t column) {
    if (Wide(app)) {
        return static_cast<std::int64_t>(
            std::ceil(static_cast<double>(column) * app.view.wideFramesPerPixel));
    }
    return column * std::max<std::int64_t>(1, app.doc.framesPerPixel);
}

// Column of the area (0 = its left edge) for byte offset `offset`, as OffsetToPixel but in
// 64 bits: the division by blockAlign comes first, by framesPerPixel second, each truncating
// toward zero.
std::int64_t OffsetToColumn(const App& app, std::int64_t offset) {
    const std::int64_t blockAlign = std::max<std::int64_t>(1, app.doc.format.blockAlign);
    return FrameToColumn(app, (offset - app.doc.viewStart) / blockAlign);
}

// Bytes covered by one pixel column (at least 1).
std::int64_t ColumnBytes(const SoundDocument& doc) {
    return std::max<std::int64_t>(1, static_cast<std::int64_t>(doc.format.blockAlign) *
                                         doc.framesPerPixel);
}

// The selection rectangle on screen; false when none of it is inside the area's columns.
bool SelectionRect(const App& app, const WaveLayout& layout, Rect& rect) {
    const SoundDocument& doc = app.doc;
    std::int64_t left = OffsetToColumn(app, doc.selStart) + kWaveAreaLeft;
    std::int64_t right = OffsetToColumn(app, doc.selEnd) + kWaveAreaLeft;
    if (right < left) {
        std::swap(left, right);
    }
    const int rightEdge = layout.area.right;
    if (right < kWaveAreaLeft || left >= rightEdge) {
        return false;
    }
    left = std::max<std::int64_t>(left, kWaveAreaLeft);
    right = std::min<std::int64_t>(right, rightEdge);
    if (left == right) {
        ++right; // an empty selection shows as a one-pixel line
    }
    rect = {static_cast<int>(left), kWaveAreaTop, static_cast<int>(right), layout.area.bottom};
    return true;
}

void InvertSelection(const App& app, Canvas& canvas, const WaveLayout& layout) {
    Rect rect;
    if (SelectionRect(app, layout, rect)) {
        canvas.InvertRect(rect);
    }
}

// Draws `text` centred horizontally and vertically in `box`, on one line.
void DrawCentred(Canvas& c, const Rect& box, const std::string& text) {
    const TextMetrics m = c.GetTextMetrics();
    const int x = box.left + (box.Width() - c.TextWidth(text)) / 2;
    const int y = box.top + (box.Height() - m.height) / 2;
    c.TextOut(x, y, text, kColourRuler);
}

// Nine level ticks at top + k * H / 8, positions kept in eighths of a pixel.
void PaintLevelTicks(Canvas& c, const Rect& a) {
    const int height = a.Height();
    if (height > 0) {
        c.SetPen(kColourRuler);
        std::int64_t y8 = 8 * static_cast<std::int64_t>(a.top);
        for (int k = 0; k <= 8; ++k, y8 += height) {
            const int y = static_cast<int>(y8 / 8);
            Line(c, kLevelTickLeft, y, kVerticalAxisX, y);
        }
    }
}

// The time ruler past the widest step: a tick, a label in whole seconds and a grid line every
// so many seconds, chosen so that labels stand at least kWideLabelColumns apart.
void PaintWideRuler(const App& app, Canvas& c, const WaveLayout& layout) {
    constexpr double kWideLabelColumns = 64;
    constexpr long long kSteps[] = {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600};
    const SoundDocument& doc = app.doc;
    const Rect& a = layout.area;
    const double rate = doc.format.sampleRate;
    if (rate <= 0) {
        return;
    }
    const double columnsPerSecond = rate / app.view.wideFramesPerPixel;
    long long seconds = kSteps[std::size(kSteps) - 1];
    for (const long long s : kSteps) {
        if (s * columnsPerSecond >= kWideLabelColumns) {
            seconds = s;
            break;
        }
    }
    while (seconds * columnsPerSecond < kWideLabelColumns) {
        seconds *= 2; // sounds of many hours
    }
    const int rightEdge = layout.area.right;
    const std::int64_t viewFrame = doc.viewStart / std::max<std::int64_t>(1, doc.format.blockAlign);
    const std::int64_t stepFrames = static_cast<std::int64_t>(seconds * rate);
    // Start at the last mark at or before the view's first frame, so that its label, which
    // reaches into the area from the label column, is drawn too.
    for (std::int64_t k = viewFrame / stepFrames;; ++k) {
        const std::int64_t x = kWaveAreaLeft + FrameToColumn(app, k * stepFrames - viewFrame);
        if (x >= rightEdge) {
            break;
        }
        const int xi = static_cast<int>(x);
        c.SetPen(kColourRuler);
        if (x >= kWaveAreaLeft) {
            Line(c, xi, a.bottom + kRulerAxisOffset, xi, a.bottom + kSecondTickEnd);
        }
        if (x >= 0) {
            c.TextOut(xi, a.bottom + kRulerTextOffset, Format("%lld", k * seconds), kColourRuler);
        }
        if (x >= kWaveAreaLeft) {
            c.SetPen(kColourZeroLine);
            Line(c, xi, a.top, xi, a.bottom);
        }
    }
}

// The time ruler, its grid lines in the area and the level ticks. The current pen is the
// blue one on entry and on return.
void PaintRuler(const App& app, Canvas& c, const WaveLayout& layout) {
    const SoundDocument& doc = app.doc;
    const Rect& a = layout.area;
    const int rightEdge = layout.area.right;
    const int axisY = a.bottom + kRulerAxisOffset;

    c.SetPen(kColourRuler);
    Line(c, kVerticalAxisX, kWaveAreaTop, kVerticalAxisX, a.bottom);
    Line(c, kWaveAreaLeft, axisY, a.right, axisY);
    if (Wide(app)) {
        PaintWideRuler(app, c, layout);
        PaintLevelTicks(c, GetWavePanes(app, a).wave);
        c.SetPen(kColourZeroLine);
        return;
    }

    const std::int64_t framesPerPixel = doc.framesPerPixel;
    const std::int64_t blockAlign = doc.format.blockAlign;
    // Frames per tenth of a second; a rate below 10 Hz gives 0, and then only time zero is
    // marked (every tenth would fall on the same column).
    const std::int64_t tenthFrames = doc.format.sampleRate / 10;
    const std::int64_t x0 = (-static_cast<std::int64_t>(doc.viewStart) / framesPerPixel) /
                            blockAlign; // column of time zero
    // Tenths whose column lies more than the label column to the left draw nothing: start
    // just before the first that may draw (x >= 0), so a long sound scrolled to its end does
    // not walk every tenth from zero.
    std::int64_t t = 0;
    const std::int64_t hiddenColumns = -kWaveAreaLeft - x0;
    if (hiddenColumns > 0 && tenthFrames > 0) {
        t = std::max<std::int64_t>(0, hiddenColumns * framesPerPixel / tenthFrames - 1);
    }
    for (;; ++t) {
        const std::int64_t column = x0 + t * tenthFrames / framesPerPixel;
        const std::int64_t x = kWaveAreaLeft + column;
        if (x >= rightEdge) {
            break;
        }
        const int xi = static_cast<int>(x);
        std::string label;
        bool grid = false;
        if (t % 10 == 0) {
            const long long s = t / 10;
            if (column >= 0) {
                c.SetPen(kColourRuler);
                Line(c, xi, axisY, xi, a.bottom + kSecondTickEnd);
            }
            if (framesPerPixel < 64) {
                label = Format("%lld.%d", s, 0);
            } else if (framesPerPixel < 256) {
                label = Format("%lld", s);
            } else if (framesPerPixel < 1024) {
                label = s % 2 == 0 ? Format("%lld", s) : std::string();
            } else {
                label = s % 4 == 0 ? Format("%lld", s) : std::string();
            }
            grid = true;
        } else {
            if (column >= 0) {
                c.SetPen(kColourRuler);
                Line(c, xi, axisY, xi, a.bottom + kTenthTickEnd);
            }
            if (framesPerPixel < 64) {
                label = Format("%lld.%lld", static_cast<long long>(t / 10),
                               static_cast<long long>(t % 10));
                grid = true;
            }
        }
        if (!label.empty() && x >= 0) {
            c.TextOut(xi, a.bottom + kRulerTextOffset, label, kColourRuler);
        }
        if (grid && x >= kWaveAreaLeft) {
            c.SetPen(kColourZeroLine);
            Line(c, xi, a.top, xi, a.bottom);
        }
        if (tenthFrames == 0) {
            break;
        }
    }

    PaintLevelTicks(c, GetWavePanes(app, a).wave);
    c.SetPen(kColourZeroLine);
}

// The byte offset under mouse column x: PixelToOffset(max(0, x - 48)), in 64 bits.
std::int64_t MousePosition(const App& app, LParam lParam) {
    const SoundDocument& doc = app.doc;
    const std::int64_t column = std::max(0, PointX(lParam) - kWaveAreaLeft);
    if (Wide(app)) {
        return doc.viewStart + ColumnToFrame(app, column) * doc.format.blockAlign;
    }
    return doc.viewStart + column * ColumnBytes(doc);
}

// Moves the cursor to `position` and spans the selection between anchor and cursor.
void ExtendSelection(App& app, std::int64_t position) {
    SoundDocument& doc = app.doc;
    ToggleSelection(app);
    doc.cursor = static_cast<std::int32_t>(position);
    if (doc.cursor > doc.anchor) {
        doc.selStart = doc.anchor;
        doc.selEnd = doc.cursor;
    } else {
        doc.selStart = doc.cursor;
        doc.selEnd = doc.anchor;
    }
    ToggleSelection(app);
}

void OnLButtonDown(App& app, LParam lParam) {
    SoundDocument& doc = app.doc;
    app.view.dragging = true;
    ToggleSelection(app);
    const std::int64_t position =
        std::clamp<std::int64_t>(MousePosition(app, lParam), 0, doc.byteLength);
    doc.cursor = static_cast<std::int32_t>(position);
    doc.anchor = doc.selStart = doc.selEnd = doc.cursor;
    ToggleSelection(app);
}

void OnMouseMove(App& app, WParam keys, LParam lParam) {
    const SoundDocument& doc = app.doc;
    const std::int64_t position =
        std::min<std::int64_t>(MousePosition(app, lParam), doc.byteLength);
    app.status.SetText(kStatusPartMouse,
                       Format(kTextMouseTime, FormatSeconds(doc, position).c_str()));
    if ((keys & msg::MkLButton) && app.view.dragging) {
        ExtendSelection(app, position);
    }
    ShowSelectionStatus(app);
}

void OnLButtonUp(App& app, LParam lParam) {
    const std::int64_t position =
        std::min<std::int64_t>(MousePosition(app, lParam), app.doc.byteLength);
    if (app.view.dragging) {
        ExtendSelection(app, position);
        // A click without a move in between would otherwise leave the old times shown.
        ShowSelectionStatus(app);
    }
    app.view.dragging = false;
}

void SetScrollBoxFromView(App& app) {
    const SoundDocument& doc = app.doc;
    if (doc.byteLength != 0) {
        const std::int64_t percent =
            static_cast<std::int64_t>(doc.viewStart) * 100 / doc.byteLength;
        app.host.SetWaveScrollPos(static_cast<int>(percent), true);
    }
}

// A ruler label is drawn from its tick to the right, so labels reach into the label column
// (ticks just left of the area) and into the right gap, outside the shifted rectangle. Paint
// the ruler band there again at once, or labels that moved would stay behind or be missing.
void RepaintRulerMargins(App& app, const WaveLayout& layout) {
    Canvas* canvas = app.host.WaveCanvas();
    if (!canvas) {
        return;
    }
    const Rect& a = layout.area;
    const Rect margins[] = {{0, a.bottom + 1, kWaveAreaLeft, layout.clientHeight},
                            {a.right, a.bottom + 1, layout.clientWidth, layout.clientHeight}};
    for (const Rect& margin : margins) {
        if (!margin.Empty()) {
            canvas->SetClip(margin);
            PaintWave(app, *canvas, margin);
        }
    }
    canvas->SetClip({0, 0, canvas->Width(), canvas->Height()});
}

// After viewStart moved by `movedBytes`: the scroll box follows and the picture inside the
// area (ruler included) shifts by the columns moved, so only the uncovered strip and the
// ruler's margins are painted.
void ShiftPicture(App& app, std::int64_t movedBytes) {
    SetScrollBoxFromView(app);
    if (Wide(app)) { // columns of fractional width: shifting whole pixels would drift
        RedrawWave(app);
        return;
    }
    const std::int64_t columnBytes = ColumnBytes(app.doc);
    const std::int64_t columns = movedBytes / columnBytes;
    if (columns != 0) {
        const WaveLayout layout = GetWaveLayout(app);
        const Rect area{kWaveAreaLeft, kWaveAreaTop, layout.area.right, layout.clientHeight};
        app.host.ScrollWave(static_cast<int>(-columns), area);
        RepaintRulerMargins(app, layout);
    }
    // A move by part of a column (the view did not start on a column boundary) cannot be
    // shown by shifting whole pixels: paint everything again.
    if (movedBytes % columnBytes != 0) {
        RedrawWave(app);
    }
}

void ScrollColumns(App& app, int columns) {
    SoundDocument& doc = app.doc;
    const std::int64_t old = doc.viewStart;
    std::int64_t view = old + (Wide(app) ? std::llround(columns * app.view.wideFramesPerPixel) *
                                               doc.format.blockAlign
                                         : columns * ColumnBytes(doc));
    if (columns < 0) {
        view = std::max<std::int64_t>(view, 0);
    } else if (view >= doc.byteLength) {
        view = old; // the view never starts at or past the end
    }
    doc.viewStart = static_cast<std::int32_t>(view);
    if (view != old) {
        app.view.fitted = false;
    }
    ShiftPicture(app, view - old);
}

void ScrollToThumb(App& app, int position) {
    SoundDocument& doc = app.doc;
    if (doc.byteLength == 0) {
        return;
    }
    std::int64_t view = static_cast<std::int64_t>(position * 0.01 * doc.byteLength);
    view = std::clamp<std::int64_t>(view, 0, doc.byteLength);
    const std::int64_t blockAlign = std::max<std::int64_t>(1, doc.format.blockAlign);
    view -= view % blockAlign;
    if (view != doc.viewStart) {
        app.view.fitted = false;
    }
    doc.viewStart = static_cast<std::int32_t>(view);
    SetScrollBoxFromView(app);
    RedrawWave(app);
}

// The wheel: a plain turn scrolls kWheelColumns a notch (positive towards the start); with
// Ctrl held, each whole notch zooms one level in (positive) or out around the column under
// the pointer.
constexpr int kWheelNotch = 120;
constexpr int kWheelColumns = 3 * kWaveLineColumns;

void OnMouseWheel(App& app, WParam wParam, LParam lParam) {
    const int delta = static_cast<std::int16_t>(HighWord(wParam));
    if (!(LowWord(wParam) & msg::MkControl)) {
        const int columns = -delta * kWheelColumns / kWheelNotch;
        if (columns != 0) {
            ScrollColumns(app, columns);
        }
        return;
    }
    app.view.zoomWheelRest += delta;
    const int notches = app.view.zoomWheelRest / kWheelNotch;
    app.view.zoomWheelRest -= notches * kWheelNotch;
    if (notches != 0) {
        ZoomAround(app, notches, std::max(0, PointX(lParam) - kWaveAreaLeft));
    }
}

void OnHScroll(App& app, WParam wParam) {
    const unsigned code = LowWord(wParam);
    const int position = static_cast<int>(HighWord(wParam));
    switch (code) {
    case sb::LineUp:
        ScrollColumns(app, -kWaveLineColumns);
        break;
    case sb::LineDown:
        ScrollColumns(app, kWaveLineColumns);
        break;
    case sb::PageUp:
        ScrollColumns(app, -kWavePageColumns);
        break;
    case sb::PageDown:
        ScrollColumns(app, kWavePageColumns);
        break;
    case sb::ThumbPosition:
        ScrollToThumb(app, position);
        break;
    case sb::ThumbTrack:
        if (app.settings.trackMode) {
            ScrollToThumb(app, position);
        }
        break;
    default:
        break;
    }
}

} // namespace

WaveLayout GetWaveLayout(const App& app) {
    WaveLayout layout;
    layout.clientWidth = app.host.WaveClientWidth();
    layout.clientHeight = app.host.WaveClientHeight();
    layout.rulerBand = app.mainText.height + app.mainText.externalLeading + 10;
    // The spectrogram's legend takes room at the right.
    const int rightGap = kWaveRightGap + (ShowsSpectrogram(app) ? kLegendWidth : 0);
    layout.area = {kWaveAreaLeft, kWaveAreaTop, layout.clientWidth - rightGap,
                   layout.clientHeight - layout.rulerBand};
    return layout;
}

void PaintWave(App& app, Canvas& c, const Rect& requested) {
    const WaveLayout layout = GetWaveLayout(app);
    const Rect update = Intersect(requested, {0, 0, layout.clientWidth, layout.clientHeight});
    const Rect& a = layout.area;
    c.SetRasterOp(RasterOp::CopyPen);
    c.FillRect(update, kColourButtonFace); // the window's own background
    if (a.Empty()) {
        return;
    }

    // The area and its sunken bevel.
    c.FillRect(a, kColourWaveBackground);
    c.SetPen(kColourButtonShadow);
    Line(c, a.left - 1, a.top - 1, a.right, a.top - 1);
    Line(c, a.left - 1, a.top - 1, a.left - 1, a.bottom);
    c.SetPen(kColourButtonHighlight);
    Line(c, a.right, a.top - 1, a.right, a.bottom + 1);
    Line(c, a.left - 1, a.bottom, a.right + 1, a.bottom);

    // Constant: painting reads the samples, and must not renew their revision.
    const SoundDocument& doc = app.doc;
    if (doc.format.blockAlign == 0 || doc.framesPerPixel <= 0) {
        return; // no frame size: nothing can be placed on the time axis
    }
    const std::int64_t blockAlign = doc.format.blockAlign;
    const std::int64_t framesPerPixel = doc.framesPerPixel;
    const std::int64_t first =
        std::max(0, update.left - kWaveAreaLeft) * blockAlign * framesPerPixel;
    const int rightLimit = std::min(update.right, a.right);

    c.SetPen(kColourZeroLine);
    PaintRuler(app, c, layout);

    const int density = std::clamp(app.settings.density, 1, 128);
    std::int64_t step = (framesPerPixel / density) * blockAlign;
    if (step == 0) {
        step = blockAlign;
    }

    // An empty sound has nothing to lock: the area and the ruler are all there is.
    const std::int64_t available =
        std::min<std::int64_t>(doc.byteLength, static_cast<std::int64_t>(doc.sampleData.Size()));
    const int channels = doc.format.channels;
    if (doc.byteLength <= 0 || doc.sampleData.Size() == 0 || channels == 0) {
        return;
    }
    const WavePanes panes = GetWavePanes(app, a);
    if (!panes.spectrum.Empty()) {
        PaintSpectrogram(app, c, layout, panes.spectrum, update);
        if (!panes.wave.Empty()) {
            c.FillRect({a.left, panes.wave.bottom, a.right, panes.spectrum.top}, kColourButtonFace);
        }
    }
    const Rect& w = panes.wave; // the waveform's part of the area
    if (w.Empty()) {
        InvertSelection(app, c, layout);
        return;
    }
    const int height = w.Height();
    const int strip = height / channels;

    for (int n = channels - 1; n >= 1; --n) {
        const int y = strip * n + w.top;
        c.SetPen(kColourButtonHighlight);
        Line(c, a.left, y - 2, a.right, y - 2);
        c.FillRect({a.left, y - 1, a.right, y + 2}, kColourButtonFace);
        c.SetPen(kColourButtonShadow);
        Line(c, a.left, y + 2, a.right, y + 2);
    }
    c.SetPen(kColourZeroLine);
    for (int k = channels; k >= 1; --k) {
        const int y = strip * (k - 1) + strip / 2 + w.top;
        Line(c, a.left, y, a.right, y);
    }
    if (channels > 1) {
        DrawCentred(c, {0, w.top, kWaveAreaLeft, strip + w.top}, "L");
        DrawCentred(c, {0, strip + w.top, kWaveAreaLeft, 2 * strip + w.top}, "R");
    }

    c.SetPen(kColourSampleMark);
    const bool lines = app.settings.dispMode == 1;
    const std::uint8_t* view = doc.Data() + doc.viewStart;
    const std::int64_t viewStart = doc.viewStart;
    const int halfStrip = height / (2 * channels);
    const std::int64_t scaleDivisor = static_cast<std::int64_t>(channels) * 65536;
    if (Wide(app)) {
        // Each column shows the lowest and highest sample of the frames it covers, as one
        // vertical line; a frame is drawn only when it lies wholly inside the data. The
        // document's block summary gives them without reading every frame.
        const std::int64_t frames = (available - viewStart) / blockAlign;
        const std::int64_t viewFrame = viewStart / blockAlign;
        const auto rowOf = [&](int stripTop, int v) {
            return halfStrip + stripTop -
                   static_cast<int>(static_cast<std::int64_t>(height - 4) * v / scaleDivisor);
        };
        std::vector<int> lows(static_cast<std::size_t>(channels)), highs(lows);
        for (std::int64_t column = std::max(0, update.left - kWaveAreaLeft);
             column + kWaveAreaLeft < rightLimit; ++column) {
            const std::int64_t from = ColumnToFrame(app, column);
            const std::int64_t to = std::min(frames, ColumnToFrame(app, column + 1));
            if (from >= to) {
                break;
            }
            const int x = static_cast<int>(column + kWaveAreaLeft);
            app.doc.peaks.Range(doc, viewFrame + from, viewFrame + to, lows.data(), highs.data());
            for (int i = 0; i < channels; ++i) {
                const int low = lows[static_cast<std::size_t>(i)];
                const int high = highs[static_cast<std::size_t>(i)];
                const int stripTop = i * height / channels + w.top;
                Line(c, x, rowOf(stripTop, high), x, rowOf(stripTop, low) + 1);
            }
        }
        InvertSelection(app, c, layout);
        return;
    }
    for (int i = 0; i < channels; ++i) {
        const int stripTop = i * height / channels + w.top;
        bool firstPoint = true;
        // A frame is drawn only when it lies wholly inside the data.
        for (std::int64_t o = first; viewStart + o + blockAlign <= available; o += step) {
            const std::int64_t x = (o / framesPerPixel) / blockAlign + kWaveAreaLeft;
            if (x >= rightLimit) {
                break;
            }
            const int v = ReadSample(doc, view + o, i);
            const int y =
                halfStrip + stripTop -
                static_cast<int>(static_cast<std::int64_t>(height - 4) * v / scaleDivisor);
            if (lines) {
                if (firstPoint) {
                    c.MoveTo(static_cast<int>(x), y);
                    firstPoint = false;
                }
                c.LineTo(static_cast<int>(x), y);
            } else {
                c.SetPixel(static_cast<int>(x), y, kColourSampleMark);
            }
        }
    }

    InvertSelection(app, c, layout);
}

LParam WaveWndProc(App& app, unsigned message, WParam wParam, LParam lParam, Canvas* canvas) {
    switch (message) {
    case msg::Create:
        app.view.dragging = false;
        app.host.SetWaveScrollRange(0, 100, false);
        return 0;
    case msg::Paint:
        if (canvas) {
            const Rect* update = reinterpret_cast<const Rect*>(lParam);
            const WaveLayout layout = GetWaveLayout(app);
            PaintWave(app, *canvas,
                      update ? *update : Rect{0, 0, layout.clientWidth, layout.clientHeight});
        }
        return 0;
    default:
        break;
    }
    if (app.busy) {
        return 0;
    }
    switch (message) {
    case msg::HScroll:
        OnHScroll(app, wParam);
        return 0;
    case msg::LButtonDown:
        OnLButtonDown(app, lParam);
        return 0;
    case msg::MouseMove:
        OnMouseMove(app, wParam, lParam);
        return 0;
    case msg::LButtonUp:
        OnLButtonUp(app, lParam);
        return 0;
    case msg::LButtonDblClk:
        SelectAll(app);
        return 0;
    case msg::MouseWheel:
        OnMouseWheel(app, wParam, lParam);
        return 0;
    default:
        return 0;
    }
}

void ToggleSelection(App& app) {
    if (Canvas* canvas = app.host.WaveCanvas()) {
        InvertSelection(app, *canvas, GetWaveLayout(app));
    }
}

void SelectAll(App& app) {
    ToggleSelection(app);
    app.doc.selStart = 0;
    app.doc.selEnd = app.doc.byteLength;
    ToggleSelection(app);
    ShowSelectionStatus(app);
}

void MoveCursor(App& app, std::int64_t position) {
    SoundDocument& doc = app.doc;
    ToggleSelection(app);
    doc.cursor = static_cast<std::int32_t>(std::clamp<std::int64_t>(position, 0, doc.byteLength));
    doc.anchor = doc.selStart = doc.selEnd = doc.cursor;
    ToggleSelection(app);
    ShowSelectionStatus(app);
    const std::int64_t column = OffsetToColumn(app, doc.cursor);
    const std::int64_t columns = GetWaveLayout(app).area.Width();
    if (doc.cursor < doc.viewStart || column >= columns) {
        const std::int32_t old = doc.viewStart;
        CenterOnCursor(app);
        app.view.fitted = app.view.fitted && doc.viewStart == old;
        SetScrollBoxFromView(app);
        RedrawWave(app);
    }
}

void FollowPlayPosition(App& app, std::int64_t position) {
    SoundDocument& doc = app.doc;
    if (position < 0 || position >= doc.byteLength ||
        (position >= doc.viewStart &&
         OffsetToColumn(app, position) < GetWaveLayout(app).area.Width())) {
        return;
    }
    const std::int64_t blockAlign = std::max<std::int64_t>(1, doc.format.blockAlign);
    doc.viewStart = static_cast<std::int32_t>(position - position % blockAlign);
    app.view.fitted = false;
    SetScrollBoxFromView(app);
    RedrawWave(app);
}

std::int64_t ColumnFirstFrame(const App& app, std::int64_t column) {
    return app.doc.viewStart / std::max<std::int64_t>(1, app.doc.format.blockAlign) +
           ColumnToFrame(app, column);
}

double FramesPerColumn(const App& app) {
    return Wide(app) ? app.view.wideFramesPerPixel : app.doc.framesPerPixel;
}

std::int64_t ColumnOfOffset(const App& app, std::int64_t offset) {
    return OffsetToColumn(app, offset);
}

double FitFramesPerColumn(const App& app) {
    const std::int64_t frames =
        app.doc.byteLength / std::max<std::int64_t>(1, app.doc.format.blockAlign);
    return static_cast<double>(frames) / std::max(1, GetWaveLayout(app).area.Width());
}

void ApplyZoom(App& app, int index) {
    index = std::clamp(index, 0, kZoomIndexCount - 1);
    app.doc.framesPerPixel = ZoomTable[static_cast<std::size_t>(index)];
    Menu* bar = app.menus.current;
    if (!bar || static_cast<int>(bar->popups.size()) <= kViewPopupIndex) {
        return;
    }
    // Past the widest step no step is checked.
    for (int i = 0; i < kZoomIndexCount; ++i) {
        CheckMenuItem(*bar, kZoomCommands[i], !Wide(app) && i == index);
    }
    app.host.DrawMenuBar();
}

void CenterOnCursor(App& app) {
    SoundDocument& doc = app.doc;
    // Half the waveform width of the window as it was at start-up: the width less the two
    // 32-pixel allowances for the label column and the margins.
    const std::int64_t halfColumns = (app.settings.startWidth - 32 - 32) / 2;
    const std::int64_t view =
        doc.cursor -
        (Wide(app) ? std::llround(halfColumns * app.view.wideFramesPerPixel) * doc.format.blockAlign
                   : halfColumns * ColumnBytes(doc));
    doc.viewStart = static_cast<std::int32_t>(std::clamp<std::int64_t>(view, 0, doc.byteLength));
}

void SetZoomIndex(App& app, int index) {
    index = std::clamp(index, 0, kZoomIndexCount - 1);
    app.view.wideFramesPerPixel = 0;
    app.view.fitted = false;
    app.doc.zoomIndex = index;
    ApplyZoom(app, index);
    CenterOnCursor(app);
    SetScrollBoxFromView(app);
    RedrawWave(app);
}

int CmdZoom1024(App& app) {
    SetZoomIndex(app, 0);
    return 1;
}
int CmdZoom256(App& app) {
    SetZoomIndex(app, 1);
    return 1;
}
int CmdZoom64(App& app) {
    SetZoomIndex(app, 2);
    return 1;
}
int CmdZoom16(App& app) {
    SetZoomIndex(app, 3);
    return 1;
}
int CmdZoom4(App& app) {
    SetZoomIndex(app, 4);
    return 1;
}
int CmdZoom1(App& app) {
    SetZoomIndex(app, 5);
    return 1;
}

namespace {

// Past the widest step: `framesPerPixel` frames a column (above ZoomTable[0]); 0: back on
// the widest step.
void SetWideZoom(App& app, double framesPerPixel) {
    app.view.wideFramesPerPixel = framesPerPixel;
    app.doc.zoomIndex = 0;
    ApplyZoom(app, 0);
}

// One zoom level in or out: the steps, and past the widest one four times wider a level until
// the whole sound fits. False when there is no level further that way.
bool StepZoomLevel(App& app, bool in) {
    const double wide = app.view.wideFramesPerPixel;
    if (in) {
        if (wide > 0) {
            SetWideZoom(app, wide / 4 > ZoomTable[0] ? wide / 4 : 0);
            return true;
        }
        if (app.doc.zoomIndex >= kZoomIndexCount - 1) {
            return false;
        }
        app.doc.zoomIndex += 1;
        ApplyZoom(app, app.doc.zoomIndex);
        return true;
    }
    if (wide <= 0 && app.doc.zoomIndex > 0) {
        app.doc.zoomIndex -= 1;
        ApplyZoom(app, app.doc.zoomIndex);
        return true;
    }
    const double fit = FitFramesPerColumn(app);
    const double current = FramesPerColumn(app);
    if (fit <= current) {
        return false;
    }
    SetWideZoom(app, std::min(current * 4, fit));
    return true;
}

// StepZoomLevel; a view zoomed away from the fit is no longer fitted.
bool StepZoom(App& app, bool in) {
    const bool stepped = StepZoomLevel(app, in);
    app.view.fitted = app.view.fitted && !stepped;
    return stepped;
}

// Shows the view as zoomed: the scroll box follows and the window is painted again.
void ShowZoomed(App& app) {
    SetScrollBoxFromView(app);
    RedrawWave(app);
}

} // namespace

void ZoomAround(App& app, int notches, int column) {
    SoundDocument& doc = app.doc;
    const std::int64_t blockAlign = std::max<std::int64_t>(1, doc.format.blockAlign);
    const std::int64_t frame = doc.viewStart / blockAlign + ColumnToFrame(app, column);
    int levels = 0;
    while (levels < std::abs(notches) && StepZoom(app, notches > 0)) {
        ++levels;
    }
    const std::int64_t frames = doc.byteLength / blockAlign;
    const std::int64_t first =
        std::clamp<std::int64_t>(frame - ColumnToFrame(app, column), 0, frames);
    app.view.fitted = app.view.fitted && first * blockAlign == doc.viewStart;
    doc.viewStart = static_cast<std::int32_t>(first * blockAlign);
    ShowZoomed(app);
}

int CmdZoomIn(App& app) {
    if (StepZoom(app, true)) {
        CenterOnCursor(app);
        SetScrollBoxFromView(app);
    }
    RedrawWave(app);
    return 1;
}

int CmdZoomOut(App& app) {
    if (StepZoom(app, false)) {
        CenterOnCursor(app);
        SetScrollBoxFromView(app);
    }
    RedrawWave(app);
    return 1;
}

namespace {

// The whole sound in the window from its start, remembering the frames and columns fitted.
void Fit(App& app) {
    const double fit = FitFramesPerColumn(app);
    if (fit > ZoomTable[0]) {
        SetWideZoom(app, fit);
    } else {
        // The closest step that shows the whole sound.
        int index = kZoomIndexCount - 1;
        while (index > 0 && ZoomTable[static_cast<std::size_t>(index)] < fit) {
            --index;
        }
        app.view.wideFramesPerPixel = 0;
        app.doc.zoomIndex = index;
        ApplyZoom(app, index);
    }
    app.doc.viewStart = 0;
    app.view.fitted = true;
    app.view.fittedFrames =
        app.doc.byteLength / std::max<std::int64_t>(1, app.doc.format.blockAlign);
    app.view.fittedColumns = GetWaveLayout(app).area.Width();
}

} // namespace

int CmdZoomFit(App& app) {
    Fit(app);
    ShowZoomed(app);
    return 1;
}

void KeepFitted(App& app) {
    // A command that holds the busy flag may be changing the sound; playback, which holds it
    // too, changes nothing of it.
    if (!app.view.fitted || (app.busy && app.audio.playMode == kPlayIdle)) {
        return;
    }
    const std::int64_t frames =
        app.doc.byteLength / std::max<std::int64_t>(1, app.doc.format.blockAlign);
    if (frames == app.view.fittedFrames &&
        GetWaveLayout(app).area.Width() == app.view.fittedColumns) {
        return;
    }
    Fit(app);
    ShowZoomed(app);
}

} // namespace wt
