// A drawing surface in client coordinates (pixels, origin top left). The waveform window and
// every owner-drawn control paint through it, so the same paint code draws on the screen and
// into an in-memory picture in tests and batch mode.
#pragma once

#include <cstdint>
#include <string>

namespace wt {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(Rgb, Rgb) = default;
};

// Rectangles are half-open: left/top inclusive, right/bottom exclusive.
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Empty() const { return right <= left || bottom <= top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// Raster operation for pens: how a line's pixels combine with what is already drawn.
enum class RasterOp { CopyPen, XorPen, NotXorPen, Not };

struct TextMetrics {
    int height = 0;          // character cell height in pixels
    int externalLeading = 0; // extra space between rows recommended by the font
    int averageWidth = 0;
};

class Canvas {
public:
    virtual ~Canvas() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;

    virtual void FillRect(const Rect& r, Rgb colour) = 0;
    // Inverts every pixel inside r (each channel becomes 255 - value).
    virtual void InvertRect(const Rect& r) = 0;
    virtual void SetPixel(int x, int y, Rgb colour) = 0;
    // Copies a picture of r.Width() x r.Height() pixels, row by row, into r (clipped as
    // every drawing call is). Canvases on a picture in memory copy it at once.
    virtual void DrawPixels(const Rect& r, const Rgb* pixels) {
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) {
                SetPixel(x, y, *pixels++);
            }
        }
    }

    // Pen lines: MoveTo sets the current position; LineTo draws from it to (x, y), excluding
    // the end point, and makes (x, y) the current position.
    virtual void SetPen(Rgb colour, int width = 1) = 0;
    virtual void SetRasterOp(RasterOp op) = 0;
    virtual void MoveTo(int x, int y) = 0;
    virtual void LineTo(int x, int y) = 0;

    // UTF-8 text with its top-left corner at (x, y), transparent background.
    virtual void TextOut(int x, int y, const std::string& utf8, Rgb colour) = 0;
    virtual TextMetrics GetTextMetrics() const = 0;
    virtual int TextWidth(const std::string& utf8) const = 0;

    // Limits every later drawing call to `clip` (and to the picture), as a paint is limited
    // to its update rectangle; the whole picture again is {0, 0, Width(), Height()}.
    virtual void SetClip(const Rect& clip) = 0;
};

} // namespace wt
