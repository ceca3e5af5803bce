// The spectrogram of a long sound on the real desktop host: the window answers while the
// workers compute its levels, the cache keeps within its budget, and the picture ends complete.
#include "QtTestSupport.h"
#include "editor/App.h"
#include "editor/Menus.h"
#include "hosts/qt/Desktop.h"
#include "hosts/qt/QtHost.h"
#include "hosts/qt/QtMainWindow.h"
#include "view/SpectrogramView.h"
#include "view/WaveWindow.h"

#include <QAction>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace wt {
namespace {

// The calling thread's time in milliseconds, less what it spent ready to run but waiting for a
// processor (the machine is shared with other tests): what the editor itself takes, waits for
// its own locks included.
double AnsweringMs() {
    unsigned long long running = 0, waiting = 0;
    if (FILE* f = std::fopen("/proc/thread-self/schedstat", "r")) {
        if (std::fscanf(f, "%llu %llu", &running, &waiting) != 2) {
            waiting = 0;
        }
        std::fclose(f);
    }
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration<double, std::milli>(now).count() -
           static_cast<double>(waiting) / 1e6;
}

// The pixels of the spectrogram's pane, as the window shows it, in the placeholder's grey.
int PlaceholderPixels(App& app, QWidget* area) {
    const QImage picture = area->grab().toImage();
    const Rect pane = GetWavePanes(app, GetWaveLayout(app).area).spectrum;
    const QRgb pending =
        qRgb(kColourSpectrumPending.r, kColourSpectrumPending.g, kColourSpectrumPending.b);
    int count = 0;
    for (int y = pane.top; y < pane.bottom; ++y) {
        for (int x = pane.left; x < pane.right; ++x) {
            count += picture.pixel(x, y) == pending ? 1 : 0;
        }
    }
    return count;
}

TEST(SpectrogramWindow, TheWindowAnswersWhileTheCacheFillsAndStaysWithinItsBudget) {
    qttest::DesktopEditor e;
    App& app = e.app;
    app.settings.spectrumCacheMiB = 8; // below what the settings file allows: eviction early
    ASSERT_TRUE(OpenMainWindow(e.host, app, ""));
    e.host.Frame()->resize(360, 240);
    // Twelve minutes of 16-bit stereo: its levels take several times the budget.
    SoundDocument& doc = app.doc;
    doc.format = {1, 2, 44100, 176400, 4, 16, 0};
    doc.RecomputeBytesPerSample();
    doc.byteLength = 44100 * 4 * 60 * 12;
    ASSERT_TRUE(doc.sampleData.Resize(static_cast<std::size_t>(doc.byteLength) + 16));
    for (std::int32_t i = 0; i < doc.byteLength / 2; ++i) {
        const auto v = static_cast<std::int16_t>((std::int64_t{i} * 7919) % 30011 - 15000);
        std::memcpy(doc.Data() + 2 * i, &v, 2);
    }
    doc.peaks.MarkAllChanged();
    qttest::Settle();

    QAction* spectrogram = nullptr;
    for (QAction* a : e.host.MenuBar()->actions().at(kViewPopupIndex)->menu()->actions()) {
        spectrogram = a->text() == QStringLiteral("スペクトログラム(&S)") ? a : spectrogram;
    }
    ASSERT_NE(spectrogram, nullptr);
    spectrogram->trigger();
    qttest::Settle();
    ASSERT_TRUE(ShowsSpectrogram(app) && !ShowsWaveform(app));
    QTest::keyClick(e.host.Frame(), Qt::Key_0, Qt::ControlModifier);
    qttest::Settle();
    QWidget* area = e.host.WaveDrawingArea();
    EXPECT_GT(PlaceholderPixels(app, area), 0) << "the levels were there at once: nothing to tell";

    // The editor's own event loop (a test's wait sleeps between its rounds) until the timer that
    // feeds the workers has stopped with every column in, or a minute has passed.
    QEventLoop loop;
    double last = AnsweringMs(), longest = 0;
    std::size_t ticks = 0, peakBytes = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const double now = AnsweringMs();
        longest = std::max(longest, now - last);
        last = now;
        ++ticks;
        peakBytes = std::max(peakBytes, app.spectrogram.Bytes());
        if (!app.view.spectrogramTimer && PendingSpectrogramColumns(app) == 0) {
            loop.quit();
        }
    });
    timer.start(5);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    loop.exec();
    timer.stop();
    const qint64 fillMs = clock.elapsed();
    ASSERT_TRUE(PendingSpectrogramColumns(app) == 0 && !app.view.spectrogramTimer)
        << "still filling after " << fillMs << " ms";
    EXPECT_GE(fillMs, 250) << "filled too soon to tell";
    EXPECT_LE(longest, 50.0) << ticks << " ticks in " << fillMs << " ms";
    const std::size_t budget = std::size_t{8} << 20;
    EXPECT_EQ(app.spectrogram.Budget(), budget);
    EXPECT_LE(peakBytes, budget);
    EXPECT_GE(peakBytes, budget / 2) << "the budget was never approached";
    EXPECT_EQ(PlaceholderPixels(app, area), 0);
}

} // namespace
} // namespace wt
