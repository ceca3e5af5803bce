// Drawing on the in-memory picture behind the waveform window and owner-drawn items: classic
// pen lines (end point left out, raster operations), inversion, clipping and Japanese text.
#include "hosts/qt/QtCanvas.h"

#include <QApplication>
#include <QFont>
#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace wt {
namespace {

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kGreen{0, 255, 0};

struct Picture {
    QImage image{40, 30, QImage::Format_RGB32};
    std::vector<Rect> changes;
    QtCanvas canvas{image, QApplication::font(), [this](const Rect& r) { changes.push_back(r); }};
    Picture() { image.fill(Qt::white); }
    Rgb At(int x, int y) const {
        const QRgb p = image.pixel(x, y);
        return {static_cast<std::uint8_t>(qRed(p)), static_cast<std::uint8_t>(qGreen(p)),
                static_cast<std::uint8_t>(qBlue(p))};
    }
    int CountNot(Rgb colour) const {
        int n = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                n += !(At(x, y) == colour);
            }
        }
        return n;
    }
};

struct LineCase {
    int x0, y0, x1, y1;
};

void PrintTo(const LineCase& c, std::ostream* os) {
    *os << "(" << c.x0 << "," << c.y0 << ")-(" << c.x1 << "," << c.y1 << ")";
}

class PenLines : public testing::TestWithParam<LineCase> {};

TEST_P(PenLines, DrawEveryStepButTheEndPoint) {
    const LineCase c = GetParam();
    Picture p;
    p.canvas.SetPen({0, 0, 0});
    p.canvas.MoveTo(c.x0, c.y0);
    p.canvas.LineTo(c.x1, c.y1);
    const int steps = std::max(std::abs(c.x1 - c.x0), std::abs(c.y1 - c.y0));
    EXPECT_EQ(p.CountNot(kWhite), steps);
    if (steps > 0) {
        EXPECT_EQ(p.At(c.x0, c.y0), (Rgb{0, 0, 0}));
    }
    EXPECT_EQ(p.At(c.x1, c.y1), kWhite);
    ASSERT_FALSE(p.changes.empty());

    // The same line drawn twice with XOR leaves no trace; NOT twice as well.
    for (RasterOp op : {RasterOp::XorPen, RasterOp::NotXorPen, RasterOp::Not}) {
        Picture q;
        q.canvas.SetPen(kGreen);
        q.canvas.SetRasterOp(op);
        for (int i = 0; i < 2; ++i) {
            q.canvas.MoveTo(c.x0, c.y0);
            q.canvas.LineTo(c.x1, c.y1);
        }
        EXPECT_EQ(q.CountNot(kWhite), 0) << "raster op " << static_cast<int>(op);
    }
}

INSTANTIATE_TEST_SUITE_P(Directions, PenLines,
                         testing::Values(LineCase{2, 3, 20, 3}, LineCase{20, 3, 2, 3},
                                         LineCase{5, 1, 5, 25}, LineCase{5, 25, 5, 1},
                                         LineCase{1, 1, 21, 21}, LineCase{30, 2, 3, 9},
                                         LineCase{4, 28, 9, 0}, LineCase{7, 7, 7, 7}));

TEST(QtCanvas, PolylineJointsAreDrawnOnceAndXorPenCombinesPerChannel) {
    Picture p;
    p.canvas.SetPen({0, 255, 0});
    p.canvas.SetRasterOp(RasterOp::XorPen);
    p.canvas.MoveTo(2, 2);
    p.canvas.LineTo(10, 2);
    p.canvas.LineTo(10, 10);
    // A joint drawn twice would have been XORed back to white.
    EXPECT_EQ(p.At(10, 2), (Rgb{255, 0, 255}));
    EXPECT_EQ(p.CountNot(kWhite), 16);
    // Pixels and fills ignore the raster operation.
    p.canvas.SetPixel(0, 0, {1, 2, 3});
    EXPECT_EQ(p.At(0, 0), (Rgb{1, 2, 3}));
}

TEST(QtCanvas, RectanglesAreHalfOpenClippedAndInvertTwiceToTheOriginal) {
    Picture p;
    p.canvas.FillRect({-5, -5, 3, 2}, {10, 20, 30});
    EXPECT_EQ(p.At(2, 1), (Rgb{10, 20, 30}));
    EXPECT_EQ(p.At(3, 1), kWhite);
    EXPECT_EQ(p.At(2, 2), kWhite);
    EXPECT_EQ(p.CountNot(kWhite), 6);
    p.canvas.FillRect({30, 20, 100, 100}, {0, 0, 0}); // beyond the picture: clipped
    p.changes.clear();

    const QImage before = p.image.copy();
    p.canvas.InvertRect({1, 1, 35, 25});
    EXPECT_EQ(p.At(1, 1), (Rgb{245, 235, 225}));
    EXPECT_EQ(p.At(34, 24), (Rgb{255, 255, 255}));
    EXPECT_EQ(p.At(35, 25), (Rgb{0, 0, 0}));
    ASSERT_EQ(p.changes.size(), 1u);
    EXPECT_EQ(p.changes[0], (Rect{1, 1, 35, 25}));
    p.canvas.InvertRect({1, 1, 35, 25});
    EXPECT_EQ(p.image, before);
    p.canvas.InvertRect({50, 50, 60, 60}); // outside: nothing, no change reported
    EXPECT_EQ(p.changes.size(), 2u);
}

TEST(QtCanvas, ClipLimitsEveryKindOfDrawing) {
    Picture p;
    p.canvas.SetClip({10, 10, 20, 20});
    p.canvas.FillRect({0, 0, 40, 30}, {0, 0, 0});
    p.canvas.SetPixel(5, 5, {0, 0, 0});
    p.canvas.MoveTo(0, 25);
    p.canvas.LineTo(39, 25);
    p.canvas.SetPen({0, 0, 0}, 3);
    p.canvas.MoveTo(0, 2);
    p.canvas.LineTo(39, 2);
    p.canvas.TextOut(0, 0, "WaveTomuka", {0, 0, 0});
    EXPECT_EQ(p.CountNot(kWhite), 100);
    EXPECT_EQ(p.At(10, 10), (Rgb{0, 0, 0}));
    EXPECT_EQ(p.At(20, 20), kWhite);
}

TEST(QtCanvas, JapaneseTextIsDrawnWithinItsMetrics) {
    Picture p;
    const TextMetrics m = p.canvas.GetTextMetrics();
    EXPECT_GE(m.height, 12);
    EXPECT_GT(m.averageWidth, 3);
    EXPECT_LT(m.averageWidth, 12);
    const int width = p.canvas.TextWidth("無題");
    EXPECT_GE(width, 2 * m.averageWidth);
    p.canvas.TextOut(3, 4, "無題", {0, 0, 0});
    int inside = 0, outside = 0;
    for (int y = 0; y < p.image.height(); ++y) {
        for (int x = 0; x < p.image.width(); ++x) {
            if (!(p.At(x, y) == kWhite)) {
                const bool in = x >= 3 && x < 3 + width + 1 && y >= 4 && y < 4 + m.height;
                (in ? inside : outside) += 1;
            }
        }
    }
    EXPECT_GT(inside, 20) << "the glyphs were not drawn (no CJK font?)";
    EXPECT_EQ(outside, 0);
}

} // namespace
} // namespace wt
