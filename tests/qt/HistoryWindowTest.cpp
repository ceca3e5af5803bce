// The edit history and the recovery journal in the real window: the start-up offer of the work
// a killed session left, 編集 → 編集履歴... with Ctrl+Z back, and the window kept responsive
// while the journal writes a long sound.
#include "hosts/qt/Desktop.h"
#include "hosts/qt/QtDialog.h"
#include "hosts/qt/QtMainWindow.h"

#include "commands/edit/HistoryCommands.h"
#include "commands/edit/HistoryTexts.h"
#include "commands/edit/Recovery.h"
#include "editor/CommandIds.h"
#include "formats/SoundFormats.h"
#include "history/Journal.h"
#include "window/MainWindow.h"

#include "QtTestSupport.h"

#include <QAction>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>

namespace wt {
namespace {

using qttest::Settle;
using qttest::WhenModal;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The journals and the history's spill files go to a private folder for the test's life.
struct StateFolders {
    qttest::TempDir dir;
    StateFolders() {
        setenv("XDG_STATE_HOME", dir.File("state").c_str(), 1);
        setenv("XDG_CACHE_HOME", dir.File("cache").c_str(), 1);
    }
    ~StateFolders() {
        unsetenv("XDG_STATE_HOME");
        unsetenv("XDG_CACHE_HOME");
    }
};

// The editor as wtomuka starts it, its main window open and active.
struct Window : qttest::DesktopEditor {
    Window() {
        EXPECT_TRUE(OpenMainWindow(host, app, ""));
        Activate();
    }
    void Activate() {
        host.Frame()->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(host.Frame()));
        Settle();
    }
};

// A batch run of the real executable; the journal it keeps goes where the test's state is.
int RunBatch(const std::string& ini, const std::vector<std::string>& lines) {
    std::string command = "'" WT_WTOMUKA "' --batch --ini '";
    command.append(ini).append("'");
    for (const std::string& line : lines) {
        command.append(" -e '").append(line).append("'");
    }
    return std::system(command.c_str());
}

// Stereo 16-bit at 44.1 kHz, no two neighbouring frames alike, nothing silent.
void SetSound(SoundDocument& doc, std::int32_t frames) {
    doc.format = {1, 2, 44100, 176400, 4, 16, 0};
    doc.RecomputeBytesPerSample();
    doc.byteLength = frames * 4;
    ASSERT_TRUE(doc.sampleData.Resize(static_cast<std::size_t>(doc.byteLength) + 16));
    auto* samples = reinterpret_cast<std::int16_t*>(doc.Data());
    for (std::int32_t i = 0; i < frames * 2; ++i) {
        samples[i] = static_cast<std::int16_t>(i % 20011 + 1);
    }
}

// A session with the journal on is ended as a crash ends it, its journal left behind; the
// next start offers it, and each of the three answers does what it says.
TEST(HistoryWindow, TheWorkOfAKilledSessionIsOfferedAndRestoredKeptOrDiscarded) {
    const struct {
        int button;
        bool restored, journalKept;
    } cases[] = {{kIdRecover, true, false}, {IdCancel, false, true}, {kIdDiscard, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        StateFolders folders;
        const std::string ini = folders.dir.File("w.ini"), sound = folders.dir.File("a.wav");
        const std::string want = folders.dir.File("want.wav"), got = folders.dir.File("got.wav");
        const std::vector<std::string> work{"new 104=1 202=1 302=1",
                                            "tone 105=100 110=0",
                                            "saveas " + sound,
                                            "select 100 2000",
                                            "cut",
                                            "reverse"};
        std::vector<std::string> lines = work;
        lines.push_back("saveas " + want); // a save lets its journal go: a run of its own
        ASSERT_EQ(RunBatch(ini, lines), 0);
        lines = work;
        lines.insert(lines.begin(), "journal on");
        ASSERT_EQ(RunBatch(ini, lines), 0); // no exit: the journal stays, as after a crash
        std::vector<std::string> refused;
        const auto left = ListJournals(DefaultRecoveryFolder(), refused);
        ASSERT_EQ(left.size(), 1u);

        Window w;
        std::string caption;
        std::vector<std::string> rows;
        WhenModal([&](QWidget* modal) {
            auto* dialog = static_cast<QtDialog*>(modal);
            caption = dialog->windowTitle().toStdString();
            auto* list = qobject_cast<QListWidget*>(dialog->ItemWidget(kIdRecoveryList));
            for (int i = 0; list && i < list->count(); ++i) {
                rows.push_back(list->item(i)->text().toStdString());
            }
            QTest::mouseClick(dialog->ItemWidget(c.button), Qt::LeftButton);
        });
        StartHistoryAndRecovery(w.app);
        Settle();
        EXPECT_EQ(caption, historytext::kCaptionRecovery);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].rfind(sound + "  ", 0), 0u) << rows[0];

        const SoundDocument& doc = w.app.doc;
        EXPECT_EQ(doc.modified, c.restored);
        EXPECT_EQ(doc.title, c.restored ? sound : std::string(kUntitled));
        // The old journal goes once the window's own journal has the sound on disk (the
        // window's timer looks): a crash in between still finds one of them.
        QElapsedTimer waited;
        waited.start();
        while (!c.journalKept && std::filesystem::exists(left[0].path) && waited.elapsed() < 5000) {
            QTest::qWait(20);
        }
        EXPECT_EQ(std::filesystem::exists(left[0].path), c.journalKept);
        if (c.restored) {
            ASSERT_TRUE(WriteWaveFile(doc, got).ok);
            EXPECT_TRUE(ReadAll(got) == ReadAll(want)) << "the restored sound differs";
        }
    }
}

// What a step shows and what undo must bring back: samples, length and selection.
struct Shot {
    std::string bytes;
    std::int32_t selStart, selEnd;
    bool operator==(const Shot&) const = default;
};
Shot ShotOf(const SoundDocument& doc) {
    const auto* data = reinterpret_cast<const char*>(std::as_const(doc).Data());
    return {std::string(data, data + doc.byteLength), doc.selStart, doc.selEnd};
}

TEST(HistoryWindow, TheHistoryDialogGoesToAStepAndCtrlZComesBack) {
    StateFolders folders;
    Window w;
    SoundDocument& doc = w.app.doc;
    SetSound(doc, 44100);
    StartHistoryAndRecovery(w.app);
    std::vector<Shot> steps = {ShotOf(doc)};
    for (int id : {IDM_REVERSE, IDM_DELETE, IDM_PHASE_INVERT}) {
        if (id == IDM_DELETE) {
            doc.selStart = doc.cursor = 4000;
            doc.selEnd = 40000;
        }
        ASSERT_EQ(DispatchCommand(w.app, id), 1) << id;
        steps.push_back(ShotOf(doc));
    }
    constexpr int kChosen = 1;
    QAction* item = nullptr;
    for (QAction* a : w.host.MenuBar()->actions().at(1)->menu()->actions()) {
        item = a->text().toStdString() == historytext::kMenuHistory ? a : item;
    }
    ASSERT_NE(item, nullptr) << "no 編集履歴 in the edit menu";
    std::vector<std::string> rows;
    WhenModal([&](QWidget* modal) {
        auto* dialog = static_cast<QtDialog*>(modal);
        auto* list = qobject_cast<QListWidget*>(dialog->ItemWidget(kIdHistoryList));
        for (int i = 0; list && i < list->count(); ++i) {
            rows.push_back(list->item(i)->text().toStdString());
        }
        if (list && list->count() > kChosen) {
            const QRect row = list->visualItemRect(list->item(kChosen));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
        }
        QTest::mouseClick(dialog->ItemWidget(IdOk), Qt::LeftButton);
    });
    item->trigger();
    Settle();
    ASSERT_EQ(rows.size(), steps.size());
    EXPECT_EQ(rows.back().rfind(historytext::kCurrentMark, 0), 0u) << rows.back();
    EXPECT_NE(rows[kChosen].find("リバース"), std::string::npos) << rows[kChosen];
    EXPECT_TRUE(ShotOf(doc) == steps[kChosen]) << "not the sound of the chosen step";
    w.Activate();
    QTest::keyClick(w.host.Frame(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(ShotOf(doc) == steps.back()) << "undo did not come back";
    EXPECT_TRUE(doc.modified);
}

// Milliseconds of the window thread's life in which it ran or waited for something (a lock, a
// disk), leaving out the time it stood ready while the machine, busy with other work, gave it
// no processor: what the editor makes an event wait, however loaded the machine is.
double OwnMs() {
    std::ifstream stat("/proc/thread-self/schedstat");
    double ranNs = 0, readyNs = 0;
    stat >> ranNs >> readyNs;
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return (static_cast<double>(std::chrono::nanoseconds(now).count()) - readyNs) / 1e6;
}

ino_t InodeOf(const std::string& path) {
    struct stat s {};
    return ::stat(path.c_str(), &s) == 0 ? s.st_ino : 0;
}

// Two whole-sound effects on ten minutes of CD-quality stereo: each makes the journal write the
// whole sound anew (to a new file renamed over the old). A timer of 5 ms ticks from the effect's
// first report (the undo snapshot is copied before it, as without the journal) through the end
// of the command, where the step goes to the history and the journal, until the new journal
// file is in place.
TEST(HistoryWindow, EventsGetThroughWhileTheJournalWritesATenMinuteSound) {
    StateFolders folders;
    Window w;
    SetSound(w.app.doc, 44100 * 600);
    StartHistoryAndRecovery(w.app);
    const std::string journal = w.app.journal.Path();
    std::vector<double> ticks;
    bool after = false;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (after || w.app.busy) {
            ticks.push_back(OwnMs());
        }
    });
    timer.start();
    double longest = 0;
    std::string where;
    for (int id : {IDM_PHASE_INVERT, IDM_REVERSE}) {
        const ino_t before = InodeOf(journal);
        ticks.clear();
        after = false;
        ASSERT_EQ(DispatchCommand(w.app, id), 1) << id;
        const std::size_t during = ticks.size();
        ASSERT_GT(during, 0u) << id << ": the effect let no event through";
        after = true;
        const auto due = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (InodeOf(journal) == before && std::chrono::steady_clock::now() < due) {
            QTest::qWait(5);
        }
        ASSERT_NE(InodeOf(journal), before) << id << ": the journal was not written";
        EXPECT_GE(std::filesystem::file_size(journal), 44100u * 600 * 4);
        for (std::size_t i = 1; i < ticks.size(); ++i) {
            if (ticks[i] - ticks[i - 1] > longest) {
                longest = ticks[i] - ticks[i - 1];
                where = "command " + std::to_string(id) + ", before tick " + std::to_string(i) +
                        " of " + std::to_string(ticks.size()) + "; the command ended before tick " +
                        std::to_string(during);
            }
        }
    }
    EXPECT_LE(longest, 50.0) << where;
}

} // namespace
} // namespace wt
