// The waveform window on the real desktop host: mouse selection driven through Qt events, the
// scroll bar shifting the picture, and a screenshot of the window with a stereo sound.
#include "hosts/qt/ClassicScrollBar.h"
#include "hosts/qt/Desktop.h"
#include "hosts/qt/QtHost.h"
#include "hosts/qt/QtMainWindow.h"

#include "commands/file/FileCommands.h"
#include "editor/App.h"
#include "editor/CommandIds.h"
#include "editor/DocumentUi.h"
#include "platform/RasterCanvas.h"
#include "view/WaveWindow.h"
#include "window/MainWindow.h"

#include "QtTestSupport.h"

#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

namespace wt {
namespace {

using qttest::Settle;

// Writes 16-bit stereo PCM as a WAV file: a 3 Hz sine on the left, a 7 Hz one on the right.
void WriteStereoWave(const std::string& path, int rate, int frames) {
    auto put32 = [](std::ofstream& f, std::uint32_t v) {
        const char b[4] = {static_cast<char>(v), static_cast<char>(v >> 8),
                           static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
        f.write(b, 4);
    };
    auto put16 = [](std::ofstream& f, std::uint16_t v) {
        const char b[2] = {static_cast<char>(v), static_cast<char>(v >> 8)};
        f.write(b, 2);
    };
    std::ofstream f(path, std::ios::binary);
    const std::uint32_t bytes = static_cast<std::uint32_t>(frames) * 4;
    f.write("RIFF", 4);
    put32(f, 36 + bytes);
    f.write("WAVEfmt ", 8);
    put32(f, 16);
    put16(f, 1);
    put16(f, 2);
    put32(f, static_cast<std::uint32_t>(rate));
    put32(f, static_cast<std::uint32_t>(rate) * 4);
    put16(f, 4);
    put16(f, 16);
    f.write("data", 4);
    put32(f, bytes);
    for (int i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        put16(f, static_cast<std::uint16_t>(
                     static_cast<std::int16_t>(24000 * std::sin(t * 6 * M_PI))));
        put16(f, static_cast<std::uint16_t>(
                     static_cast<std::int16_t>(16000 * std::sin(t * 14 * M_PI))));
    }
}

// The editor as wtomuka starts it, 900 x 420, with a two-second stereo sound at 8000 Hz.
struct Editor : qttest::DesktopEditor {
    Editor() {
        app.settings.startWidth = 900;
        app.settings.startHeight = 420;
        EXPECT_TRUE(OpenMainWindow(host, app, ""));
        host.Frame()->resize(900, 420);
        Settle();
        const std::string path = dir.File("8000-2-16.wav");
        WriteStereoWave(path, 8000, 16000);
        EXPECT_EQ(LoadSoundFile(app, path), 1);
        Settle();
    }
    WaveArea* Area() const { return host.WaveDrawingArea(); }
    std::string Status(int part) const { return host.StatusText(part); }
    // The area's picture against a paint of the same window into a raster picture, over the
    // waveform area (the ruler's text is drawn with different fonts).
    int DifferencesFromFreshPaint() {
        const QImage& shown = Area()->Picture();
        RasterCanvas fresh(shown.width(), shown.height());
        WaveWndProc(app, msg::Paint, 0, 0, &fresh);
        const WaveLayout layout = GetWaveLayout(app);
        int differences = 0;
        for (int y = layout.area.top; y < layout.area.bottom; ++y) {
            for (int x = layout.area.left; x < layout.area.right; ++x) {
                const QRgb p = shown.pixel(x, y);
                const Rgb q = fresh.Pixel(x, y);
                differences += qRed(p) == q.r && qGreen(p) == q.g && qBlue(p) == q.b ? 0 : 1;
            }
        }
        return differences;
    }
};

TEST(WaveWindow, MouseDragSelectsAndShowsTimes) {
    Editor e;
    ASSERT_EQ(e.app.doc.byteLength, 64000);
    DispatchCommand(e.app, IDM_ZOOM_1_64); // 64 frames, 256 bytes per column
    Settle();
    ASSERT_EQ(e.app.doc.viewStart, 0); // the cursor is at 0: centring stays at the start
    WaveArea* area = e.Area();
    ASSERT_GT(area->width(), 300);

    // Press at column 250, drag left to column 100, release there: right-to-left selection.
    QTest::mousePress(area, Qt::LeftButton, {}, QPoint(48 + 250, 60));
    QTest::mouseMove(area, QPoint(48 + 180, 60));
    EXPECT_EQ(e.Status(3), "1.440(Sec)"); // 180 * 64 frames at 8000 Hz
    EXPECT_EQ(e.Status(2), "Sel :1.440-2.000(Sec)");
    QTest::mouseMove(area, QPoint(48 + 100, 70));
    QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(48 + 100, 70));
    Settle();
    EXPECT_EQ(e.app.doc.selStart, 100 * 256);
    EXPECT_EQ(e.app.doc.selEnd, 250 * 256);
    EXPECT_EQ(e.app.doc.cursor, 100 * 256);
    EXPECT_EQ(e.app.doc.anchor, 250 * 256);
    EXPECT_EQ(e.Status(2), "Sel :0.800-2.000(Sec)");
    EXPECT_EQ(e.host.StatusBarWidgetPtr()->Part(2)->text().toStdString(), "Sel :0.800-2.000(Sec)");
    // What the window shows is what a fresh paint draws, selection included.
    EXPECT_EQ(e.DifferencesFromFreshPaint(), 0);
    const QImage& shown = area->Picture();
    EXPECT_EQ(shown.pixel(48 + 50, 20), qRgb(0, 0, 0));
    EXPECT_EQ(shown.pixel(48 + 150, 20), qRgb(255, 255, 255)); // inverted black

    // A click leaves an empty selection at the click, shown as "Cur :".
    QTest::mouseClick(area, Qt::LeftButton, {}, QPoint(48 + 20, 60));
    QTest::mouseMove(area, QPoint(48 + 20, 61));
    Settle();
    EXPECT_EQ(e.app.doc.selStart, 20 * 256);
    EXPECT_EQ(e.app.doc.selEnd, 20 * 256);
    EXPECT_EQ(e.Status(2), "Cur :0.160(Sec)");
    EXPECT_EQ(e.DifferencesFromFreshPaint(), 0);

    // A double click selects everything.
    QTest::mouseDClick(area, Qt::LeftButton, {}, QPoint(48 + 20, 60));
    Settle();
    EXPECT_EQ(e.app.doc.selStart, 0);
    EXPECT_EQ(e.app.doc.selEnd, 64000);
    EXPECT_EQ(e.DifferencesFromFreshPaint(), 0);
}

TEST(WaveWindow, ScrollBarShiftsThePicture) {
    Editor e;
    DispatchCommand(e.app, IDM_ZOOM_1_16); // 64 bytes per column: the sound is 1000 columns
    Settle();
    e.app.doc.selStart = 300 * 64;
    e.app.doc.selEnd = 420 * 64;
    RedrawWave(e.app);
    Settle();
    ClassicScrollBar* bar = e.host.WaveScrollBar();
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    Settle();
    EXPECT_EQ(e.app.doc.viewStart, 88 * 64);
    EXPECT_EQ(bar->ClassicPos(), 8); // 5632 * 100 / 64000
    EXPECT_EQ(e.DifferencesFromFreshPaint(), 0);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    Settle();
    EXPECT_EQ(e.app.doc.viewStart, 80 * 64);
    EXPECT_EQ(e.DifferencesFromFreshPaint(), 0);
}

// The window as a person sees it, saved for a look: black area, green marks, blue zero lines
// and grid, the ruler with seconds below.
TEST(WaveWindow, ScreenshotOfAStereoSound) {
    Editor e;
    DispatchCommand(e.app, IDM_ZOOM_1_64);
    e.app.doc.selStart = 4000 * 4;
    e.app.doc.selEnd = 6000 * 4;
    RedrawWave(e.app);
    Settle();
    const QImage& picture = e.Area()->Picture();
    const WaveLayout layout = GetWaveLayout(e.app);
    const int strip = layout.area.Height() / 2;
    // Zero line of the left channel, green marks in both strips, the time axis.
    EXPECT_EQ(picture.pixel(layout.area.right - 2, strip / 2 + 8), qRgb(0, 0, 255));
    auto hasGreen = [&](int top, int bottom) {
        for (int y = top; y < bottom; ++y) {
            for (int x = 48; x < 48 + 200; ++x) {
                if (picture.pixel(x, y) == qRgb(0, 255, 0)) {
                    return true;
                }
            }
        }
        return false;
    };
    EXPECT_TRUE(hasGreen(8, 8 + strip));
    EXPECT_TRUE(hasGreen(8 + strip, 8 + 2 * strip));
    EXPECT_EQ(picture.pixel(60, layout.area.bottom + 8), qRgb(0, 0, 0));

    const std::filesystem::path folder = WT_ARTIFACT_DIR;
    std::filesystem::create_directories(folder);
    const QImage window = e.host.Frame()->grab().toImage();
    EXPECT_TRUE(window.save(QString::fromStdString((folder / "wave_window.png").string())));
    EXPECT_TRUE(picture.save(QString::fromStdString((folder / "wave_area.png").string())));

    // The batch picture of the same window, written by our own PNG writer, reads back in Qt's
    // decoder pixel for pixel.
    RasterCanvas raster(picture.width(), picture.height());
    WaveWndProc(e.app, msg::Paint, 0, 0, &raster);
    const std::string path = (folder / "wave_area_raster.png").string();
    ASSERT_TRUE(raster.SavePng(path));
    const QImage decoded(QString::fromStdString(path));
    ASSERT_EQ(decoded.size(), picture.size());
    int differences = 0;
    for (int y = 0; y < decoded.height(); ++y) {
        for (int x = 0; x < decoded.width(); ++x) {
            const Rgb p = raster.Pixel(x, y);
            differences += decoded.pixel(x, y) == qRgb(p.r, p.g, p.b) ? 0 : 1;
        }
    }
    EXPECT_EQ(differences, 0);
}

} // namespace
} // namespace wt
