// The 試聴 button of the desktop's own dialog, on the effect slowest to render for each second
// of sound (a transposition): the window answers while the preview renders again after every
// change, and neither Cancel nor OK after a preview sees it.
#include "QtTestSupport.h"
#include "commands/effects/PitchEffects.h"
#include "editor/CommandIds.h"
#include "editor/Preview.h"
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
            const auto v = static_cast<std::int16_t>((i * 7919) % 30011 - 15000);
            std::memcpy(doc.Data() + 2 * i, &v, 2);
        }
        doc.peaks.MarkAllChanged();
    }
    ~Window() { host.UseDevices(nullptr); }
    std::vector<std::uint8_t> Sound() const {
        return {app.doc.Data(), app.doc.Data() + app.doc.byteLength};
    }
};

// Runs the transposition's dialog: types each of `cents` in turn (the first before 試聴 when
// `preview`, the others while it plays), then presses `end`. Returns the longest wait of a
// 5 ms timer's ticks while the dialog was up, in milliseconds.
qint64 RunDialog(Window& w, bool preview, const std::vector<const char*>& cents, int end,
                 int& result) {
    qint64 longest = 0;
    QElapsedTimer clock;
    qint64 last = -1;
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const qint64 t = clock.elapsed();
        if (last >= 0) {
            longest = std::max(longest, t - last);
        }
        last = t;
    });
    qttest::WhenModal([&](QWidget* modal) {
        auto* dialog = static_cast<QtDialog*>(modal);
        auto* edit = qobject_cast<QLineEdit*>(dialog->ItemWidget(kIdCentsEdit));
        const auto type = [edit](const char* text) {
            edit->selectAll();
            edit->insert(text);
        };
        clock.start();
        ticks.start(5);
        type(cents.front());
        if (preview) {
            QTest::mouseClick(dialog->ItemWidget(kIdPreviewButton), Qt::LeftButton);
            EXPECT_EQ(qobject_cast<QAbstractButton*>(dialog->ItemWidget(kIdPreviewButton))
                          ->text()
                          .toStdString(),
                      kTextPreviewStop);
        }
        for (std::size_t i = 1; i < cents.size(); ++i) {
            type(cents[i]);
            QTest::qWait(40);
        }
        EXPECT_TRUE(w.preview.WaitForRendering(20000));
        ticks.stop();
        QTest::mouseClick(dialog->ItemWidget(end), Qt::LeftButton);
    });
    result = DispatchCommand(w.app, IDM_TRANSPOSE);
    return longest;
}

TEST(PreviewWindow, TheWindowAnswersWhileItRendersAndCancelOrOkSeeNoPreview) {
    Window w;
    const std::vector<std::uint8_t> before = w.Sound();
    const std::uint64_t snapshots = w.app.undo.taken;
    const std::vector<const char*> values = {"700", "-300", "1200", "-1200", "500", "250"};
    int result = -1;
    // The window's own clock, on a machine shared with other tests: the best of three runs.
    qint64 longest = 1 << 30;
    for (int run = 0; run < 3 && longest > 50; ++run) {
        longest = std::min(longest, RunDialog(w, true, values, IdCancel, result));
        EXPECT_EQ(result, 0);
        EXPECT_FALSE(w.preview.Playing());
    }
    EXPECT_LE(longest, 50) << "a posted event waited " << longest << " ms";
    EXPECT_TRUE(w.Sound() == before);
    EXPECT_FALSE(w.app.doc.modified);
    EXPECT_EQ(w.app.undo.taken, snapshots);

    // OK while the preview plays, then the same values without one: the same sound.
    RunDialog(w, true, values, IdOk, result);
    ASSERT_EQ(result, 1);
    const std::vector<std::uint8_t> afterPreview = w.Sound();
    ASSERT_EQ(DispatchCommand(w.app, IDM_UNDO), 1);
    ASSERT_TRUE(w.Sound() == before);
    RunDialog(w, false, {values.back()}, IdOk, result);
    ASSERT_EQ(result, 1);
    EXPECT_TRUE(w.Sound() == afterPreview);
}

} // namespace
} // namespace wt
