// A Canvas on an in-memory picture. The waveform window and every owner-drawn dialog item keep
// their picture in a QImage and show it on the screen, so drawing outside a paint (the
// selection inversion, the position bar) works as on a classic device context: pen lines
// leave out their end point and combine with the pixels below by the pen's raster operation.
#pragma once

#include "platform/Canvas.h"

#include <QFont>
#include <QImage>

#include <functional>

namespace wt {

class QtCanvas : public Canvas {
public:
    // Draws on `image` (Format_RGB32) with `font` for text. `changed` is called after every
    // drawing operation with the rectangle that may have changed (to show it on the screen).
    QtCanvas(QImage& image, const QFont& font, std::function<void(const Rect&)> changed = {});

    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }

    void FillRect(const Rect& r, Rgb colour) override;
    void InvertRect(const Rect& r) override;
    void SetPixel(int x, int y, Rgb colour) override;
    void DrawPixels(const Rect& r, const Rgb* pixels) override;

    void SetPen(Rgb colour, int width = 1) override;
    void SetRasterOp(RasterOp op) override { op_ = op; }
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;

    void TextOut(int x, int y, const std::string& utf8, Rgb colour) override;
    TextMetrics GetTextMetrics() const override;
    int TextWidth(const std::string& utf8) const override;

    // Every drawing call is clipped to `clip` (and to the picture), as a paint is clipped to
    // its update rectangle.
    void SetClip(const Rect& clip) override;

    // Metrics of `font` with the classic meanings: the average width is that of the Latin
    // letters (dialog units are derived from it), not of every glyph in a CJK font.
    static TextMetrics MetricsOf(const QFont& font);

private:
    // Combines one pixel with the pen colour by the current raster operation.
    void PlotPen(int x, int y);
    Rect Clip(const Rect& r) const;
    void Changed(const Rect& r);

    QImage& image_;
    QFont font_;
    std::function<void(const Rect&)> changed_;
    Rgb pen_{0, 0, 0};
    int penWidth_ = 1;
    RasterOp op_ = RasterOp::CopyPen;
    int curX_ = 0, curY_ = 0;
    Rect clip_;
};

} // namespace wt
