#include "hosts/qt/QtCanvas.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cstdlib>

namespace wt {

namespace {

QRgb ToQRgb(Rgb c) {
    return qRgb(c.r, c.g, c.b);
}

QPainter::CompositionMode ModeOf(RasterOp op) {
    switch (op) {
    case RasterOp::XorPen:
        return QPainter::RasterOp_SourceXorDestination;
    case RasterOp::NotXorPen:
        return QPainter::RasterOp_NotSourceXorDestination;
    case RasterOp::Not:
        return QPainter::RasterOp_NotDestination;
    case RasterOp::CopyPen:
        break;
    }
    return QPainter::CompositionMode_Source;
}

} // namespace

QtCanvas::QtCanvas(QImage& image, const QFont& font, std::function<void(const Rect&)> changed)
    : image_(image), font_(font),
      changed_(std::move(changed)), clip_{0, 0, image.width(), image.height()} {}

void QtCanvas::SetClip(const Rect& clip) {
    clip_ = {std::max(clip.left, 0), std::max(clip.top, 0), std::min(clip.right, image_.width()),
             std::min(clip.bottom, image_.height())};
}

TextMetrics QtCanvas::MetricsOf(const QFont& font) {
    const QFontMetrics fm(font);
    TextMetrics m;
    m.height = fm.height();
    m.externalLeading = std::max(0, fm.leading());
    // The classic average character width: the mean advance of the 52 Latin letters,
    // rounded half up.
    const int letters = fm.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m.averageWidth = (letters / 26 + 1) / 2;
    return m;
}

Rect QtCanvas::Clip(const Rect& r) const {
    return {std::max(r.left, clip_.left), std::max(r.top, clip_.top),
            std::min(r.right, clip_.right), std::min(r.bottom, clip_.bottom)};
}

void QtCanvas::Changed(const Rect& r) {
    if (changed_ && !r.Empty()) {
        changed_(r);
    }
}

void QtCanvas::FillRect(const Rect& r, Rgb colour) {
    const Rect c = Clip(r);
    if (c.Empty()) {
        return;
    }
    const QRgb value = ToQRgb(colour);
    for (int y = c.top; y < c.bottom; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
        std::fill(line + c.left, line + c.right, value);
    }
    Changed(c);
}

void QtCanvas::InvertRect(const Rect& r) {
    const Rect c = Clip(r);
    if (c.Empty()) {
        return;
    }
    for (int y = c.top; y < c.bottom; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
        for (int x = c.left; x < c.right; ++x) {
            line[x] = (~line[x] & 0x00FFFFFFu) | 0xFF000000u;
        }
    }
    Changed(c);
}

void QtCanvas::SetPixel(int x, int y, Rgb colour) {
    if (x < clip_.left || y < clip_.top || x >= clip_.right || y >= clip_.bottom) {
        return;
    }
    reinterpret_cast<QRgb*>(image_.scanLine(y))[x] = ToQRgb(colour);
    Changed({x, y, x + 1, y + 1});
}

void QtCanvas::DrawPixels(const Rect& r, const Rgb* pixels) {
    const Rect c = Clip(r);
    if (c.Empty()) {
        return;
    }
    for (int y = c.top; y < c.bottom; ++y) {
        const Rgb* from =
            pixels + static_cast<std::size_t>(y - r.top) * r.Width() + (c.left - r.left);
        auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
        for (int x = 0; x < c.Width(); ++x) {
            line[c.left + x] = ToQRgb(from[x]);
        }
    }
    Changed(c);
}

void QtCanvas::SetPen(Rgb colour, int width) {
    pen_ = colour;
    penWidth_ = std::max(1, width);
}

void QtCanvas::MoveTo(int x, int y) {
    curX_ = x;
    curY_ = y;
}

void QtCanvas::PlotPen(int x, int y) {
    if (x < clip_.left || y < clip_.top || x >= clip_.right || y >= clip_.bottom) {
        return;
    }
    QRgb& pixel = reinterpret_cast<QRgb*>(image_.scanLine(y))[x];
    const QRgb pen = ToQRgb(pen_) & 0x00FFFFFFu;
    const QRgb below = pixel & 0x00FFFFFFu;
    QRgb result = pen;
    switch (op_) {
    case RasterOp::CopyPen:
        break;
    case RasterOp::XorPen:
        result = below ^ pen;
        break;
    case RasterOp::NotXorPen:
        result = ~(below ^ pen) & 0x00FFFFFFu;
        break;
    case RasterOp::Not:
        result = ~below & 0x00FFFFFFu;
        break;
    }
    pixel = result | 0xFF000000u;
}

void QtCanvas::LineTo(int x, int y) {
    const int x0 = curX_, y0 = curY_;
    curX_ = x;
    curY_ = y;
    if (penWidth_ > 1) {
        QPainter painter(&image_);
        painter.setClipRect(QRect(clip_.left, clip_.top, clip_.Width(), clip_.Height()));
        painter.setCompositionMode(ModeOf(op_));
        painter.setPen(QPen(QColor(pen_.r, pen_.g, pen_.b), penWidth_, Qt::SolidLine, Qt::RoundCap,
                            Qt::RoundJoin));
        painter.drawLine(x0, y0, x, y);
        const int half = penWidth_ / 2 + 1;
        Changed(Clip({std::min(x0, x) - half, std::min(y0, y) - half, std::max(x0, x) + half + 1,
                      std::max(y0, y) + half + 1}));
        return;
    }
    // Bresenham from (x0, y0) toward (x, y); the end point itself is not drawn, so a polyline
    // touches each joint once and an XOR line drawn twice leaves no trace.
    const int dx = std::abs(x - x0), dy = -std::abs(y - y0);
    const int sx = x0 < x ? 1 : -1, sy = y0 < y ? 1 : -1;
    int err = dx + dy;
    int px = x0, py = y0;
    while (px != x || py != y) {
        PlotPen(px, py);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            px += sx;
        }
        if (e2 <= dx) {
            err += dx;
            py += sy;
        }
    }
    Changed(Clip({std::min(x0, x), std::min(y0, y), std::max(x0, x) + 1, std::max(y0, y) + 1}));
}

void QtCanvas::TextOut(int x, int y, const std::string& utf8, Rgb colour) {
    const QString text = QString::fromStdString(utf8);
    const QFontMetrics fm(font_);
    {
        QPainter painter(&image_);
        painter.setClipRect(QRect(clip_.left, clip_.top, clip_.Width(), clip_.Height()));
        painter.setFont(font_);
        painter.setPen(QColor(colour.r, colour.g, colour.b));
        painter.drawText(QPoint(x, y + fm.ascent()), text);
    }
    Changed(Clip({x, y, x + fm.horizontalAdvance(text) + 1, y + fm.height()}));
}

TextMetrics QtCanvas::GetTextMetrics() const {
    return MetricsOf(font_);
}

int QtCanvas::TextWidth(const std::string& utf8) const {
    return QFontMetrics(font_).horizontalAdvance(QString::fromStdString(utf8));
}

} // namespace wt
