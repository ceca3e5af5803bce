#include "commands/effects/EnvelopeEditor.h"

#include "editor/App.h"
#include "editor/Preview.h"
#include "util/ParseNumber.h"
#include "view/DisplaySettings.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace wt {

namespace {

// A mouse position in envelope units.
struct Units {
    int u = 0;
    int v = 0;
};

Units ToUnits(const EnvelopeDialog& state, LParam position) {
    return {PointX(position) * kEnvelopeFull / state.width,
            kEnvelopeFull - PointY(position) * kEnvelopeFull / state.height};
}

int PixelX(const EnvelopePoint& p, int width) {
    return width * p.x / kEnvelopeFull;
}

int PixelY(const EnvelopePoint& p, int height) {
    return height - height * p.y / kEnvelopeFull;
}

// The first point within grabbing reach of (u, v); -1 when there is none.
int HitPoint(const EnvelopePoints& points, Units at) {
    const int count = EnvelopePointCount(points);
    for (int i = 0; i < count; ++i) {
        const EnvelopePoint& p = points[static_cast<std::size_t>(i)];
        if (p.x - kEnvelopeGrabReach <= at.u && at.u <= p.x + kEnvelopeGrabReach &&
            p.y - kEnvelopeGrabReach <= at.v && at.v <= p.y + kEnvelopeGrabReach) {
            return i;
        }
    }
    return -1;
}

// The segment (from point i to point i + 1) that a press at (u, v) lies on, with the line's
// value c at u; -1 when the press is off the line.
int HitLine(const EnvelopePoints& points, Units at, int& c) {
    const int count = EnvelopePointCount(points);
    for (int i = 0; i + 1 < count && points[static_cast<std::size_t>(i)].x < kEnvelopeFull; ++i) {
        const EnvelopePoint& a = points[static_cast<std::size_t>(i)];
        const EnvelopePoint& b = points[static_cast<std::size_t>(i) + 1];
        if (a.x < at.u && at.u < b.x) {
            c = b.x == a.x ? a.y : (at.u - a.x) * (b.y - a.y) / (b.x - a.x) + a.y;
            if (std::abs(c - at.v) < kEnvelopeLineReach) {
                return i;
            }
        }
    }
    return -1;
}

// Removes point i; the following points and the end pair move down by one place.
void RemovePoint(EnvelopePoints& points, int i) {
    const int count = EnvelopePointCount(points);
    for (int k = i; k < count; ++k) {
        points[static_cast<std::size_t>(k)] = points[static_cast<std::size_t>(k) + 1];
    }
    points[static_cast<std::size_t>(count)] = {};
}

// Puts the point being dragged where the mouse is (u, v). Returns false when an inner point
// left the area and was removed.
bool MoveDraggedPoint(EnvelopePoints& points, int i, Units at) {
    EnvelopePoint& p = points[static_cast<std::size_t>(i)];
    if (p.x == 0 || p.x == kEnvelopeFull || i == 0 || i + 1 >= EnvelopePointCount(points)) {
        // The end points stay at the ends of the selection.
        p.y = std::clamp(at.v, 0, kEnvelopeFull);
        return true;
    }
    if (at.u < 0 || at.u >= kEnvelopeFull || at.v < 0 || at.v >= kEnvelopeFull) {
        RemovePoint(points, i);
        return false;
    }
    const int before = points[static_cast<std::size_t>(i) - 1].x;
    const int after = points[static_cast<std::size_t>(i) + 1].x;
    p.y = at.v;
    p.x = at.u <= before ? before + 1 : at.u >= after ? after - 1 : at.u;
    return true;
}

// Runs `change` between an erase and a redraw of the curve on the area, as the inverted curve
// is kept on the screen while it is edited. Without a canvas the area is painted again.
template <class Change> void EditCurve(EnvelopeDialog& state, DialogHost& dlg, Change change) {
    Canvas* canvas = dlg.ItemCanvas(kIdEnvelopeArea);
    if (canvas) {
        DrawEnvelopeCurve(*canvas, *state.points, state.width, state.height);
    }
    change();
    if (canvas) {
        DrawEnvelopeCurve(*canvas, *state.points, state.width, state.height);
    } else {
        dlg.InvalidateItem(kIdEnvelopeArea);
    }
}

void OnPress(EnvelopeDialog& state, DialogHost& dlg, Units at) {
    EnvelopePoints& points = *state.points;
    const int hit = HitPoint(points, at);
    if (hit >= 0) {
        state.drag = hit;
        return;
    }
    int c = 0;
    const int segment = HitLine(points, at, c);
    const int count = EnvelopePointCount(points);
    // A full list has no room for one more point before its end pair: the press adds nothing.
    if (segment < 0 || count >= kEnvelopeMaxPoints) {
        return;
    }
    EditCurve(state, dlg, [&] {
        for (int k = count; k > segment; --k) {
            points[static_cast<std::size_t>(k) + 1] = points[static_cast<std::size_t>(k)];
        }
        points[static_cast<std::size_t>(segment) + 1] = {at.u, c};
    });
    state.drag = segment + 1;
}

void OnDrag(EnvelopeDialog& state, DialogHost& dlg, Units at) {
    EditCurve(state, dlg, [&] {
        if (!MoveDraggedPoint(*state.points, state.drag, at)) {
            state.drag = -1;
        }
    });
}

} // namespace

int EnvelopePointCount(const EnvelopePoints& points) {
    for (int i = 0; i < kEnvelopeMaxPoints; ++i) {
        if (points[static_cast<std::size_t>(i)].x == kEnvelopeEndMark) {
            return i;
        }
    }
    return kEnvelopeMaxPoints;
}

bool ParseEnvelopePoints(const std::string& text, EnvelopePoints& points, std::string& error) {
    std::vector<EnvelopePoint> list;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma - start);
        const std::size_t colon = item.find(':');
        long long x = 0, y = 0;
        const std::string number = "point " + std::to_string(list.size() + 1);
        if (colon == std::string::npos ||
            !ParseInteger(item.substr(0, colon), INT_MIN, INT_MAX, x) ||
            !ParseInteger(item.substr(colon + 1), INT_MIN, INT_MAX, y)) {
            error = number + " \"" + item + "\" is not X:Y with whole numbers";
            return false;
        }
        if (y < 0 || y > kEnvelopeFull) {
            error = number + ": y " + std::to_string(y) + " is not 0 to 256";
            return false;
        }
        if (!list.empty() && x <= list.back().x) {
            error = number + ": x " + std::to_string(x) + " is not greater than the x before it (" +
                    std::to_string(list.back().x) + ")";
            return false;
        }
        if (list.size() == static_cast<std::size_t>(kEnvelopeMaxPoints)) {
            error = "an envelope has at most 39 points";
            return false;
        }
        list.push_back({static_cast<int>(x), static_cast<int>(y)});
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    if (list.size() < 2) {
        error = "an envelope has at least 2 points";
        return false;
    }
    if (list.front().x != 0) {
        error = "the first point is at x " + std::to_string(list.front().x) + ", not 0";
        return false;
    }
    if (list.back().x != kEnvelopeFull) {
        error = "the last point is at x " + std::to_string(list.back().x) + ", not 256";
        return false;
    }
    EnvelopePoints parsed{};
    std::copy(list.begin(), list.end(), parsed.begin());
    parsed[list.size()] = {kEnvelopeEndMark, kEnvelopeEndMark};
    points = parsed;
    return true;
}

std::string FormatEnvelopePoints(const EnvelopePoints& points) {
    std::string text;
    const int count = EnvelopePointCount(points);
    for (int i = 0; i < count; ++i) {
        const EnvelopePoint& p = points[static_cast<std::size_t>(i)];
        if (i > 0) {
            text += ',';
        }
        text += std::to_string(p.x) + ":" + std::to_string(p.y);
    }
    return text;
}

void DrawEnvelopeWave(App& app, Canvas& canvas, int width, int height) {
    SoundDocument& doc = app.doc;
    SelectAllIfNone(doc);
    const int h2 = height / 2;
    // A density outside 1..128 (a hand-edited settings file) still draws at least every frame.
    const int density = std::clamp(app.settings.density, kDensityMin, kDensityMax);
    const int blockAlign = doc.format.blockAlign;
    const std::int64_t length = static_cast<std::int64_t>(doc.selEnd) - doc.selStart;
    if (blockAlign > 0 && length > 0 && doc.Data()) {
        const std::int64_t step = static_cast<std::int64_t>(kDensityMax / density) * blockAlign;
        const std::uint8_t* data = doc.Data();
        for (std::int64_t o = doc.selStart; o < doc.selEnd; o += step) {
            const int s = ReadSampleBounded(doc, data, doc.byteLength, data + o, 0);
            // 64 bits: width times a byte offset overflows 32 bits beyond a few megabytes.
            const auto x = static_cast<int>(width * (o - doc.selStart) / length);
            const auto y = static_cast<int>(h2 - static_cast<std::int64_t>(s) * h2 / 32767);
            canvas.SetPixel(x, y, kColourEnvelopeWave);
        }
    }
    canvas.FillRect({0, h2, width, h2 + 1}, kColourEnvelopeCentre);
}

void DrawEnvelopeCurve(Canvas& canvas, const EnvelopePoints& points, int width, int height) {
    const int count = EnvelopePointCount(points);
    if (count == 0) {
        return;
    }
    canvas.SetRasterOp(RasterOp::Not);
    canvas.MoveTo(PixelX(points[0], width), PixelY(points[0], height));
    for (int i = 1; i < count; ++i) {
        const EnvelopePoint& p = points[static_cast<std::size_t>(i)];
        canvas.LineTo(PixelX(p, width), PixelY(p, height));
    }
    for (int i = 0; i < count; ++i) {
        const EnvelopePoint& p = points[static_cast<std::size_t>(i)];
        const int x = PixelX(p, width), y = PixelY(p, height);
        canvas.InvertRect({std::max(0, x - kEnvelopeHandleBefore), y - kEnvelopeHandleBefore,
                           std::min(width, x + kEnvelopeHandleAfter), y + kEnvelopeHandleAfter});
    }
    canvas.SetRasterOp(RasterOp::CopyPen);
}

LParam EnvelopeDlgProc(EnvelopeDialog& state, DialogHost& dlg, unsigned message, WParam wParam,
                       LParam lParam) {
    const bool forArea = static_cast<int>(wParam) == kIdEnvelopeArea;
    // Mouse input needs the area's size; an area of no size takes none.
    const bool mouseUsable = forArea && state.width > 0 && state.height > 0;
    switch (message) {
    case msg::InitDialog: {
        state.points = reinterpret_cast<EnvelopePoints*>(lParam);
        state.drag = -1;
        const Rect area = dlg.ItemRect(kIdEnvelopeArea);
        state.width = area.Width();
        state.height = area.Height();
        return 1;
    }
    case msg::Paint: {
        if (!forArea) {
            return 0;
        }
        Canvas& canvas = *reinterpret_cast<Canvas*>(lParam);
        canvas.FillRect({0, 0, state.width, state.height}, kColourEnvelopeBackground);
        DrawEnvelopeWave(*state.app, canvas, state.width, state.height);
        DrawEnvelopeCurve(canvas, *state.points, state.width, state.height);
        return 1;
    }
    case msg::LButtonDown:
        if (mouseUsable) {
            OnPress(state, dlg, ToUnits(state, lParam));
        }
        return 1;
    case msg::MouseMove:
        if (mouseUsable && state.drag >= 0) {
            OnDrag(state, dlg, ToUnits(state, lParam));
        }
        return 1;
    case msg::LButtonUp:
        state.drag = -1;
        return 1;
    case msg::SetItemValue: {
        if (!forArea) {
            return 0;
        }
        auto& request = *reinterpret_cast<ItemValueRequest*>(lParam);
        if (!ParseEnvelopePoints(request.text, *state.points, request.error)) {
            return 0;
        }
        state.drag = -1;
        dlg.InvalidateItem(kIdEnvelopeArea);
        return 1;
    }
    case msg::Command:
        switch (static_cast<int>(LowWord(wParam))) {
        case IdOk:
            dlg.EndDialog(1);
            return 1;
        case IdCancel:
            dlg.EndDialog(0);
            return 1;
        default:
            return 0;
        }
    default:
        return 0;
    }
}

LParam RunEnvelopeDialog(App& app, int templateId, EnvelopePoints& points) {
    EnvelopeDialog state;
    state.app = &app;
    return RunEffectDialog(
        app, templateId, Owner::WaveWindow,
        [&state](DialogHost& dlg, unsigned message, WParam wParam, LParam lParam) {
            return EnvelopeDlgProc(state, dlg, message, wParam, lParam);
        },
        reinterpret_cast<LParam>(&points));
}

} // namespace wt
