// The 試聴 button of the desktop's own dialog, on the effect slowest to render for each second
// of sound (a transposition): the window answers while the preview renders again after every
// change, and Cancel after a preview leaves the sound as it was.
#include "QtTestSupport.h"
#include "commands/effects/PitchEffects.h"
#include "editor/CommandIds.h"
#include "hosts/qt/Desktop.h"
#include "hosts/qt/QtDialog.h"
#include "hosts/qt/QtHost.h"
#include "hosts/scripted/FakeWaveDevices.h"
#include "preview/PreviewEngine.h"
#include "window/MainWindow.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>
#include <QtTest/QtTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace wt {
namespace {

struct Window : qttest::DesktopEditor {
    FakeWaveDevices devices;
    PreviewEngine preview;
    // Thirty seconds previewed: a rendering takes well over the 50 ms the window may wait.
    Window() : DesktopEditor("[Options]\npreviewseconds=30\n") {
        host.UseDevices(&devices);
        app.preview = &preview;
        EXPECT_TRUE(OpenMainWindow(host, app, ""));
        // Two minutes of 16-bit stereo, no two neighbouring frames alike.
        SoundDocument& doc = app.doc;
        doc.format = {1, 2, 44100, 176400, 4, 16, 0};
        doc.RecomputeBytesPerSample();
        doc.byteLength = 44100 * 4 * 120;
        EXPECT_TRUE(doc.sampleData.Resize(static_cast<std::size_t>(doc.byteLength) + 16));
        for (std::int32_t i = 0; i < doc.byteLength / 2; ++i) {
            const auto v = static_cast<std::int16_t>((std::int64_t{i} * 7919) % 30011 - 15000);
            std::memcpy(doc.Data() + 2 * i, &v, 2);
        }
        doc.peaks.MarkAllChanged();
    }
    ~Window() { host.UseDevices(nullptr); }
    std::vector<std::uint8_t> Sound() const {
        return {app.doc.Data(), app.doc.Data() + app.doc.byteLength};
    }
};

// Runs the transposition's dialog: types each of `cents` in turn, the first before 試聴 and the
// others while the preview plays, then cancels. Returns the longest wait of a 5 ms timer's
// ticks while the dialog was up, in milliseconds.
qint64 PreviewAndCancel(Window& w, const std::vector<const char*>& cents) {
    qint64 longest = 0, last = -1;
    QElapsedTimer clock;
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const qint64 t = clock.elapsed();
        longest = last < 0 ? 0 : std::max(longest, t - last);
        last = t;
    });
    qttest::WhenModal([&](QWidget* modal) {
        auto* dialog = static_cast<QtDialog*>(modal);
        auto* edit = qobject_cast<QLineEdit*>(dialog->ItemWidget(kIdCentsEdit));
        clock.start();
        ticks.start(5);
        for (std::size_t i = 0; i < cents.size(); ++i) {
            edit->selectAll();
            edit->insert(cents[i]);
            if (i == 0) {
                QTest::mouseClick(dialog->ItemWidget(kIdPreviewButton), Qt::LeftButton);
                EXPECT_TRUE(w.preview.Playing());
            }
            QTest::qWait(40);
        }
        EXPECT_TRUE(w.preview.WaitForRendering(20000));
        ticks.stop();
        QTest::mouseClick(dialog->ItemWidget(IdCancel), Qt::LeftButton);
    });
    EXPECT_EQ(DispatchCommand(w.app, IDM_TRANSPOSE), 0);
    EXPECT_FALSE(w.preview.Playing());
    return longest;
}

TEST(PreviewWindow, TheWindowAnswersWhileItRendersAndCancelLeavesTheSound) {
    Window w;
    const std::vector<std::uint8_t> before = w.Sound();
    const std::uint64_t snapshots = w.app.undo.taken;
    // The window's own clock, on a machine shared with other tests: the best of three runs.
    qint64 longest = 1 << 30;
    for (int run = 0; run < 3 && longest > 50; ++run) {
        longest = std::min(longest, PreviewAndCancel(w, {"700", "-300", "1200", "-1200", "250"}));
    }
    EXPECT_LE(longest, 50) << "a posted event waited " << longest << " ms";
    EXPECT_TRUE(w.Sound() == before);
    EXPECT_FALSE(w.app.doc.modified);
    EXPECT_EQ(w.app.undo.taken, snapshots);
}

} // namespace
} // namespace wt
