// The envelope editor as the desktop shows it: dialog 400 built from its template, its drawing
// area a real widget painted and driven by the dialog procedure, operated with the mouse.
#include "commands/effects/EnvelopeEditor.h"
#include "editor/App.h"
#include "hosts/qt/QtCanvas.h"
#include "hosts/qt/QtDialog.h"
#include "hosts/qt/QtHost.h"
#include "window/MainWindow.h"

#include "QtTestSupport.h"

#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace wt {
namespace {

using qttest::Settle;
using qttest::WhenModal;

// An editor on the desktop host holding one second of an 8 Hz sine at 22050 Hz, 16-bit mono.
struct SineEditor : qttest::DesktopEditor {
    SineEditor() {
        SoundDocument& doc = app.doc;
        doc.format = {1, 1, 22050, 44100, 2, 16, 0};
        doc.RecomputeBytesPerSample();
        doc.byteLength = 22050 * 2;
        doc.sampleData.Resize(static_cast<std::size_t>(doc.byteLength) + 16);
        for (int f = 0; f < 22050; ++f) {
            WriteSample(doc, doc.Data() + 2 * f,
                        static_cast<int>(24000 * std::sin(2 * M_PI * 8 * f / 22050.0)), 0);
        }
    }
};

QImage Shown(QWidget* item) {
    return item->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TEST(EnvelopeDialogQt, DraggingAPointMovesItAndTheInvertedCurveErasesItself) {
    SineEditor e;
    EnvelopePoints& points = e.app.effects.envelopes.volume;
    bool checked = false;
    WhenModal([&](QWidget* w) {
        auto* dialog = static_cast<QtDialog*>(w);
        QWidget* item = dialog->ItemWidget(kIdEnvelopeArea);
        ASSERT_NE(item, nullptr);
        Settle();
        const int width = item->width(), height = item->height();
        EXPECT_EQ(width, dialog->DialogUnitsToPixelsX(190));
        EXPECT_EQ(height, dialog->DialogUnitsToPixelsY(74));
        const QImage before = Shown(item);

        // A press on the flat line half-way across adds a point there, which the drag takes to
        // `to` and the release leaves. Units: u = x * 256 / W, v = 256 - y * 256 / H.
        const QPoint press(width / 2, height - height * 128 / 256);
        const QPoint to(width * 5 / 8, height / 4);
        QTest::mousePress(item, Qt::LeftButton, {}, press);
        QTest::mouseMove(item, to);
        QTest::mouseRelease(item, Qt::LeftButton, {}, to);
        const int x = to.x() * 256 / width, y = 256 - to.y() * 256 / height;
        EXPECT_EQ(FormatEnvelopePoints(points),
                  "0:128," + std::to_string(x) + ":" + std::to_string(y) + ",256:128");

        // The curve on the screen was erased and drawn again around each change, so it is the
        // picture a fresh paint gives.
        Settle();
        const QImage dragged = Shown(item);
        EXPECT_NE(dragged, before);
        dialog->InvalidateItem(kIdEnvelopeArea);
        item->repaint();
        EXPECT_EQ(Shown(item), dragged);

        // Drawing the curve once more erases it: the new point's handle corner gets back the
        // colour under it (each channel the complement of what was shown); a second time
        // brings the picture back.
        QImage copy = dragged;
        QtCanvas canvas(copy, item->font());
        DrawEnvelopeCurve(canvas, points, width, height);
        const QPoint corner(width * x / 256 - 3, height - height * y / 256 - 3);
        const QColor shown = dragged.pixelColor(corner), under = copy.pixelColor(corner);
        EXPECT_EQ(shown.red() + under.red(), 255);
        EXPECT_EQ(shown.green() + under.green(), 255);
        EXPECT_EQ(shown.blue() + under.blue(), 255);
        DrawEnvelopeCurve(canvas, points, width, height);
        EXPECT_EQ(copy, dragged);

        QTest::mouseClick(dialog->ItemWidget(IdOk), Qt::LeftButton);
        checked = true;
    });
    EXPECT_EQ(RunEnvelopeDialog(e.app, kDialogVolumeEnvelope, points), 1);
    EXPECT_TRUE(checked);
    EXPECT_EQ(EnvelopePointCount(points), 3);
}

TEST(EnvelopeDialogQt, ScreenshotOfAThreePointEnvelopeOverASine) {
    SineEditor e;
    EnvelopePoints& points = e.app.effects.envelopes.volume;
    std::string error;
    ASSERT_TRUE(ParseEnvelopePoints("0:64,96:224,256:128", points, error)) << error;
    bool checked = false;
    WhenModal([&](QWidget* w) {
        auto* dialog = static_cast<QtDialog*>(w);
        Settle();
        EXPECT_EQ(dialog->windowTitle().toStdString(), "音量エンベロープ");
        std::string labels;
        for (QLabel* label : dialog->findChildren<QLabel*>()) {
            labels += label->text().toStdString() + " ";
        }
        EXPECT_EQ(labels, "200 100 0 ");
        // The overview is drawn: green sine dots and the blue centre line on black.
        const QImage area = Shown(dialog->ItemWidget(kIdEnvelopeArea));
        int green = 0;
        for (int y = 0; y < area.height(); ++y) {
            for (int x = 0; x < area.width(); ++x) {
                green += area.pixelColor(x, y) == QColor(0, 255, 0);
            }
        }
        EXPECT_GT(green, area.width());
        EXPECT_EQ(area.pixelColor(area.width() / 3, area.height() / 2), QColor(0, 0, 255));

        const char* fromEnvironment = std::getenv("WT_ARTIFACT_DIR");
        const std::string folder = fromEnvironment ? fromEnvironment : WT_ARTIFACT_DIR;
        std::filesystem::create_directories(folder);
        const std::string path = folder + "/envelope-dialog.png";
        EXPECT_TRUE(dialog->grab().save(QString::fromStdString(path)));
        EXPECT_GT(std::filesystem::file_size(path), 1000u);
        QTest::mouseClick(dialog->ItemWidget(IdCancel), Qt::LeftButton);
        checked = true;
    });
    EXPECT_EQ(RunEnvelopeDialog(e.app, kDialogVolumeEnvelope, points), 0);
    EXPECT_TRUE(checked);
}

} // namespace
} // namespace wt
