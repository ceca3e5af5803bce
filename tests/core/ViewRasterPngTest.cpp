// The raster canvas the waveform window paints into off screen, and the PNG writer.
#include "platform/RasterCanvas.h"
#include "util/Png.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace wt {
namespace {

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kRed{255, 0, 0};

std::uint32_t Crc(const std::string& s) {
    return Crc32(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}

TEST(Png, ChecksumsMatchTheirStandardCheckValues) {
    EXPECT_EQ(Crc("123456789"), 0xCBF43926u);
    EXPECT_EQ(Crc("IEND"), 0xAE426082u); // the CRC every PNG ends with
    EXPECT_EQ(Crc(""), 0u);
    const std::string wiki = "Wikipedia";
    EXPECT_EQ(Adler32(reinterpret_cast<const std::uint8_t*>(wiki.data()), wiki.size()),
              0x11E60398u);
    // Long runs of 0xFF push the sums past the point where they must be reduced.
    const std::vector<std::uint8_t> ones(100000, 0xFF);
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t v : ones) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    EXPECT_EQ(Adler32(ones.data(), ones.size()), (b << 16) | a);
    // Continuing a checksum over two pieces equals one pass.
    EXPECT_EQ(Crc32(ones.data() + 10, 90, Crc32(ones.data(), 10)), Crc32(ones.data(), 100));
}

// Decoding is checked against independent readers: Qt's (tests/qt) and Python's zlib
// (tests/cli/view_paint.sh). Here: the stored blocks' framing of a multi-block image.
TEST(Png, StoredBlocksFrameTheRows) {
    const int w = 300, h = 200; // 180200 filtered bytes: three stored blocks
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(w) * h * 3, 7);
    const auto png = EncodePng(w, h, rgb.data());
    const std::size_t idat = 8 + 25; // signature, IHDR chunk
    ASSERT_EQ(std::string(png.begin() + idat + 4, png.begin() + idat + 8), "IDAT");
    std::size_t z = idat + 8 + 2, total = 0;
    for (int block = 0; block < 3; ++block) {
        const unsigned len = png[z + 1] | (png[z + 2] << 8);
        EXPECT_EQ(len ^ 0xFFFFu, static_cast<unsigned>(png[z + 3] | (png[z + 4] << 8)));
        EXPECT_EQ(png[z] & 1, block == 2 ? 1 : 0); // only the last block is final
        total += len;
        z += 5 + len;
    }
    EXPECT_EQ(total, static_cast<std::size_t>(w * 3 + 1) * h);
    EXPECT_EQ(z + 4 + 4 + 12, png.size()); // Adler-32, IDAT CRC, IEND
    EXPECT_TRUE(EncodePng(0, 5, nullptr).empty());
    EXPECT_FALSE(WritePngFile("/nonexistent-folder/x.png", 1, 1, rgb.data()));
}

TEST(RasterCanvas, LinesLeaveOutTheirEndPoint) {
    RasterCanvas c(20, 20);
    c.SetPen(kRed);
    c.MoveTo(2, 5);
    c.LineTo(10, 5);
    EXPECT_EQ(c.Pixel(2, 5), kRed);
    EXPECT_EQ(c.Pixel(9, 5), kRed);
    EXPECT_EQ(c.Pixel(10, 5), kWhite);
    c.LineTo(10, 15); // continues from the end point, which it now draws
    EXPECT_EQ(c.Pixel(10, 5), kRed);
    EXPECT_EQ(c.Pixel(10, 14), kRed);
    EXPECT_EQ(c.Pixel(10, 15), kWhite);
    // A diagonal touches one pixel per step; a line to its own start draws nothing.
    RasterCanvas d(10, 10);
    d.SetPen(kRed);
    d.MoveTo(0, 0);
    d.LineTo(4, 4);
    d.LineTo(4, 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(d.Pixel(i, i), kRed);
        EXPECT_EQ(d.Pixel(i + 1, i), kWhite);
    }
    EXPECT_EQ(d.Pixel(4, 4), kWhite);
}

TEST(RasterCanvas, InvertTwiceRestoresAndClipHolds) {
    RasterCanvas c(30, 30, {10, 20, 30});
    c.FillRect({-5, -5, 10, 10}, kRed); // partly outside the picture
    c.InvertRect({5, 5, 40, 40});
    EXPECT_EQ(c.Pixel(6, 6), (Rgb{0, 255, 255}));
    EXPECT_EQ(c.Pixel(20, 20), (Rgb{245, 235, 225}));
    c.InvertRect({5, 5, 40, 40});
    EXPECT_EQ(c.Pixel(6, 6), kRed);
    EXPECT_EQ(c.Pixel(20, 20), (Rgb{10, 20, 30}));

    c.SetClip({10, 10, 20, 20});
    c.FillRect({0, 0, 30, 30}, kWhite);
    c.SetPixel(5, 5, kWhite);
    c.SetPen(kWhite);
    c.MoveTo(0, 15);
    c.LineTo(30, 15);
    c.ResetClip();
    EXPECT_EQ(c.Pixel(10, 10), kWhite);
    EXPECT_EQ(c.Pixel(19, 19), kWhite);
    EXPECT_EQ(c.Pixel(9, 15), (Rgb{10, 20, 30}));
    EXPECT_EQ(c.Pixel(9, 9), kRed);
    EXPECT_EQ(c.Pixel(20, 15), (Rgb{10, 20, 30}));
    EXPECT_EQ(c.Pixel(5, 5), kRed);
    EXPECT_EQ(c.Pixel(-1, 3), (Rgb{})); // outside reads black
}

TEST(RasterCanvas, XorPenTwiceRestores) {
    RasterCanvas c(10, 10, {100, 150, 200});
    c.SetPen({255, 0, 15});
    c.SetRasterOp(RasterOp::XorPen);
    for (int pass = 0; pass < 2; ++pass) {
        c.MoveTo(0, 3);
        c.LineTo(8, 3);
        EXPECT_EQ(c.Pixel(4, 3), (pass == 0 ? Rgb{155, 150, 199} : Rgb{100, 150, 200}));
    }
}

TEST(RasterCanvas, ScrollShiftsInsideTheAreaOnly) {
    RasterCanvas c(10, 3);
    for (int x = 0; x < 10; ++x) {
        c.SetPixel(x, 1, {static_cast<std::uint8_t>(x), 0, 0});
    }
    EXPECT_EQ(c.Scroll(-3, {2, 0, 8, 3}), (Rect{5, 0, 8, 3}));
    const int left[] = {0, 1, 5, 6, 7, 5, 6, 7, 8, 9}; // 5..7 keep their old pixels
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(c.Pixel(x, 1).r, left[x]) << x;
    }
    EXPECT_EQ(c.Scroll(2, {2, 0, 8, 3}), (Rect{2, 0, 4, 3}));
    EXPECT_EQ(c.Pixel(4, 1).r, 5);
    EXPECT_EQ(c.Pixel(7, 1).r, 5);
    EXPECT_EQ(c.Scroll(100, {2, 0, 8, 3}), (Rect{2, 0, 8, 3})); // everything uncovered
}

TEST(RasterCanvas, TextUsesTheBuiltInFont) {
    RasterCanvas c(60, 14);
    EXPECT_EQ(c.GetTextMetrics().height, 12);
    EXPECT_EQ(c.TextWidth("12.5"), 24);
    EXPECT_EQ(c.TextWidth("表示"), 12); // one cell per character, not per byte
    c.TextOut(0, 0, "1L", {0, 0, 0});
    // "1": the middle column from row 2 to 8, the foot across; "L": its left stem and foot.
    EXPECT_EQ(c.Pixel(2, 2), (Rgb{}));
    EXPECT_EQ(c.Pixel(2, 7), (Rgb{}));
    EXPECT_EQ(c.Pixel(0, 2), kWhite);
    EXPECT_EQ(c.Pixel(6, 2), (Rgb{}));
    EXPECT_EQ(c.Pixel(10, 8), (Rgb{}));
    EXPECT_EQ(c.Pixel(10, 2), kWhite);
    c.TextOut(20, 0, "\xE8\xA1\xA8", {0, 0, 0}); // a character without a glyph: a box
    EXPECT_EQ(c.Pixel(20, 2), (Rgb{}));
    EXPECT_EQ(c.Pixel(22, 5), kWhite);
    EXPECT_EQ(c.Pixel(24, 8), (Rgb{}));
}

} // namespace
} // namespace wt
