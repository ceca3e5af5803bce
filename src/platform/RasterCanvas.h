// A canvas on an in-memory RGB picture. Batch mode paints the waveform window into one and
// saves it as PNG; tests paint into one and read pixels back. Text uses a built-in 5 x 7
// pixel font for printable ASCII; any other character shows as a small hollow box.
#pragma once

#include "platform/Canvas.h"

#include <cstdint>
#include <string>
#include <vector>

namespace wt {

class RasterCanvas : public Canvas {
public:
    // A width x height picture filled with `background`; negative sizes count as 0.
    RasterCanvas(int width, int height, Rgb background = {255, 255, 255});

    int Width() const override { return width_; }
    int Height() const override { return height_; }

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
    // its update rectangle. ResetClip allows the whole picture again.
    void SetClip(const Rect& clip) override;
    void ResetClip();

    // Moves the pixels inside `area` horizontally by dx (dx > 0: to the right), as a window
    // scroll does; the uncovered strip keeps its old pixels. Returns the uncovered strip
    // (clipped to the picture), which the caller paints.
    Rect Scroll(int dx, const Rect& area);

    // The colour at (x, y); black outside the picture.
    Rgb Pixel(int x, int y) const;
    // Rows top to bottom, three bytes per pixel.
    const std::vector<std::uint8_t>& Bytes() const { return pixels_; }
    bool SavePng(const std::string& path) const;

    // Font cell: glyphs advance by kGlyphAdvance pixels; a line is kLineHeight pixels high,
    // and the 7 glyph rows start kGlyphTop pixels below the text position.
    static constexpr int kGlyphAdvance = 6;
    static constexpr int kLineHeight = 12;
    static constexpr int kGlyphTop = 2;

private:
    bool Visible(int x, int y) const {
        return x >= clip_.left && x < clip_.right && y >= clip_.top && y < clip_.bottom;
    }
    std::uint8_t* At(int x, int y) {
        return pixels_.data() + (static_cast<std::size_t>(y) * width_ + x) * 3;
    }
    // One pen dot centred on (x, y), combined through the raster operation.
    void PenDot(int x, int y);
    void Plot(int x, int y, Rgb colour); // clipped, copy
    void DrawGlyph(int x, int y, std::uint32_t codePoint, Rgb colour);
    Rect Clipped(const Rect& r) const;

    int width_ = 0, height_ = 0;
    std::vector<std::uint8_t> pixels_;
    Rect clip_;
    Rgb pen_{0, 0, 0};
    int penWidth_ = 1;
    RasterOp op_ = RasterOp::CopyPen;
    int curX_ = 0, curY_ = 0;
};

} // namespace wt
