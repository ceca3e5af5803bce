// The edit history and the recovery journal as the user meets them: through the menu
// commands, the batch verbs and a session that ends without closing its window.
#include "FileTestSupport.h"
#include "SessionSupport.h"
#include "TestApp.h"

#include "batch/Batch.h"
#include "commands/devices/Transport.h"
#include "commands/edit/HistoryCommands.h"
#include "commands/edit/Recovery.h"
#include "editor/CommandIds.h"
#include "platform/Menu.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

using namespace wt;

namespace {

struct BatchRun {
    int status;
    std::string out;
    std::string err;
};

// A batch run with a settings file of its own (so no run inherits another's undo mode).
BatchRun RunLines(const test::TempDir&, const std::vector<std::string>& lines) {
    const test::TempDir settings;
    BatchOptions options;
    options.modulePath = settings.File("wtomuka");
    options.iniPath = settings.File("wtomuka.ini");
    options.lines = lines;
    std::istringstream in;
    std::ostringstream out, err;
    const int status = RunBatch(options, in, out, err);
    return {status, out.str(), err.str()};
}

std::string Field(const std::string& out, const std::string& name) {
    const auto at = out.rfind(name + ": ");
    return at == std::string::npos
               ? ""
               : out.substr(at + name.size() + 2, out.find('\n', at) - at - name.size() - 2);
}

// Where the journals go for the test's runs: a folder of its own, never the user's.
class StateHome {
public:
    StateHome() {
        const char* old = std::getenv("XDG_STATE_HOME");
        old_ = old ? old : "";
        had_ = old != nullptr;
        setenv("XDG_STATE_HOME", dir_.Path().c_str(), 1);
    }
    ~StateHome() { had_ ? setenv("XDG_STATE_HOME", old_.c_str(), 1) : unsetenv("XDG_STATE_HOME"); }
    const test::TempDir& Dir() const { return dir_; }

private:
    test::TempDir dir_;
    std::string old_;
    bool had_ = false;
};

const char* const kSound[] = {"new 104=1 202=1 302=1", "tone 105=100 110=0"};

TEST(HistoryBatch, StepsAreListedGoneToAndUndoComesBack) {
    test::TempDir dir;
    struct Case {
        const char* what;
        std::vector<std::string> lines;
        std::vector<std::string> expected; // pieces of the output, in order
    } cases[] = {
        {"the list names each command, its format and length",
         {"history on", kSound[0], kSound[1], "select 0 100", "delete", "history"},
         {"history: 0 \"開始\" 22050/8/1 0 memory\n",
          "history: 1 \"新規作成\" 44100/16/2 0 memory\n", "history: 2 \"トーン\" 44100/16/2 ",
          "history: 3 \"削除\" 44100/16/2 ", "history current: 3\n"}},
        {"going to a step gives its sound; undo returns; the later steps stay",
         {"history on", kSound[0], kSound[1], "reverse", "history_go 2", "info", "undo", "info",
          "history"},
         {"modified: 1", "history current: 3\n"}},
        {"a change after going back drops the steps after it",
         {"history on", kSound[0], kSound[1], "reverse", "history_go 2", "phase_invert", "history"},
         {"history: 3 \"位相反転\"", "history current: 3\n"}},
        {"many steps: undo steps back twice, redo forward",
         {"history on", "undo_settings 1011=1", kSound[0], kSound[1], "reverse", "undo", "undo",
          "history", "redo", "history"},
         {"history current: 1\n", "history current: 2\n"}},
    };
    for (const Case& c : cases) {
        const BatchRun r = RunLines(dir, c.lines);
        EXPECT_EQ(r.status, 0) << c.what << "\n" << r.err;
        std::size_t from = 0;
        for (const std::string& piece : c.expected) {
            const auto at = r.out.find(piece, from);
            EXPECT_NE(at, std::string::npos) << c.what << ": no \"" << piece << "\" in\n" << r.out;
            from = at == std::string::npos ? from : at + piece.size();
        }
    }
    // history_go and undo: the sound's length after step 2 (the tone), then back to the
    // reversed one, byte for byte as before.
    BatchRun r =
        RunLines(dir, {"history on", kSound[0], kSound[1], "reverse", "saveas " + dir.File("3.wav"),
                       "history_go 2", "saveas " + dir.File("2.wav"), "undo",
                       "saveas " + dir.File("3b.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::ReadFile(dir.File("3.wav")), test::ReadFile(dir.File("3b.wav")));
    EXPECT_NE(test::ReadFile(dir.File("3.wav")), test::ReadFile(dir.File("2.wav")));
    // The refusals say why.
    for (const auto& lines : std::vector<std::vector<std::string>>{
             {"history"}, {"history_go 0"}, {"history on", "history_go 1"}, {"history maybe"}}) {
        r = RunLines(dir, lines);
        EXPECT_EQ(r.status, 1) << lines.back();
        EXPECT_NE(r.err.find("history"), std::string::npos) << r.err;
    }
}

TEST(HistoryMenus, TheManyStepModeNamesWhatUndoAndRedoWould) {
    test::TestApp t;
    App& app = t.app;
    const auto item = [&app](int id) {
        const MenuItem* found = FindMenuItem(app.menus.normal, id);
        return found ? found->text + (found->grayed ? " (grayed)" : "") : std::string("-");
    };
    EXPECT_EQ(item(IDM_EDIT_HISTORY), "-") << "without the history the menu is as it was";
    t.SetSound(16, 1, 1000, [](int f, int) { return f * 30; });
    EnableHistory(app);
    EXPECT_EQ(item(IDM_UNDO), "元に戻す(&U)\tCtrl+Z");
    EXPECT_EQ(item(IDM_REDO), "-");
    EXPECT_EQ(item(IDM_EDIT_HISTORY), "編集履歴(&H)...");
    EXPECT_EQ(item(IDM_UNDO_SETTINGS), "元に戻す(&U)...");

    DialogScript many;
    many.assignments = {{kIdUndoMulti, "1"}};
    t.host.QueueDialog(std::move(many));
    DispatchCommand(app, IDM_UNDO_SETTINGS);
    EXPECT_EQ(item(IDM_UNDO), "元に戻す(&U)\tCtrl+Z (grayed)");
    EXPECT_EQ(item(IDM_REDO), "やり直し(&R)\tCtrl+Y (grayed)");
    DispatchCommand(app, IDM_REVERSE);
    EXPECT_EQ(item(IDM_UNDO), "元に戻す: リバース(&U)\tCtrl+Z");
    DispatchCommand(app, IDM_UNDO);
    EXPECT_EQ(item(IDM_REDO), "やり直し: リバース(&R)\tCtrl+Y");
    EXPECT_EQ(app.doc.Data()[2], 30) << "undo brought back the sound before the reverse";
    // The choice is kept in the settings file for the next start.
    test::TestApp again(false);
    InitializeApp(again.app, again.host.modulePath, t.IniPath());
    EXPECT_EQ(again.app.settings.undoMode, 1);
}

TEST(HistoryBatch, SavingMarksTheStateOnDiskAndARenameStaysWithTheSound) {
    test::TempDir dir;
    const std::string a = dir.File("a.wav"), b = dir.File("b.wav");
    const BatchRun r =
        RunLines(dir, {"history on", kSound[0], kSound[1], "saveas " + a, "reverse", "saveas " + b,
                       "history_go 2", "info", "history_go 3", "info"});
    ASSERT_EQ(r.status, 0) << r.err;
    // Step 2 was saved as a.wav, then the sound became b.wav: it is b.wav's sound, changed.
    const auto first = r.out.find("modified: 1");
    ASSERT_NE(first, std::string::npos) << r.out;
    EXPECT_NE(r.out.find("caption: WaveTomuka -[" + b + "]"), std::string::npos) << r.out;
    EXPECT_EQ(Field(r.out, "modified"), "0") << "step 3 is what b.wav holds";
}

TEST(Recovery, ASessionThatDiedIsRestoredAndAFinishedOneLeavesNothing) {
    StateHome home;
    test::TempDir dir;
    const std::string a = dir.File("a.wav"), got = dir.File("got.wav"), want = dir.File("w.wav");
    // A run that ends without exit leaves its journal, as a crash would.
    const std::vector<std::string> work = {kSound[0],         kSound[1], "saveas " + a,
                                           "select 100 2000", "cut",     "reverse"};
    std::vector<std::string> lines = work;
    lines.push_back("saveas " + want);
    BatchRun r = RunLines(dir, lines);
    ASSERT_EQ(r.status, 0) << r.err;
    // The work, then a new sound, then back to the work's last step: unsaved again.
    lines = work;
    lines.insert(lines.begin(), "journal on");
    lines.insert(lines.end(), {"answer no", "new 101=1", "history_go 4"});
    r = RunLines(dir, lines);
    ASSERT_EQ(r.status, 0) << r.err;
    r = RunLines(dir, {"recover list"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("recover: 1 " + a), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("recover: 2"), std::string::npos) << r.out;
    r = RunLines(dir, {"recover restore 1", "info", "saveas " + got, "recover list"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Field(r.out, "modified"), "1");
    EXPECT_NE(r.out.find("caption: WaveTomuka -[" + a + "]"), std::string::npos) << r.out;
    EXPECT_EQ(test::ReadFile(got), test::ReadFile(want));
    EXPECT_EQ(r.out.find("recover: "), std::string::npos) << "the restored journal is gone";
    // A session that saves and exits, or discards and exits, leaves no journal.
    for (const auto& end :
         std::vector<std::vector<std::string>>{{"save", "exit"}, {"answer no", "exit"}}) {
        lines = {"journal on", "open " + a, "reverse"};
        lines.insert(lines.end(), end.begin(), end.end());
        r = RunLines(dir, lines);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(RunLines(dir, {"recover list"}).out, "") << end.front();
    }
}

} // namespace

namespace {

// A recording is in the journal as it arrives: a crash during it brings back what was
// captured, and one after it the whole recording.
TEST(Recovery, ARecordingSurvivesACrashDuringItAndAfterIt) {
    StateHome home;
    std::vector<std::uint8_t> ramp(40000);
    for (std::size_t i = 0; i < ramp.size(); ++i) {
        ramp[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    }
    for (const bool stopped : {false, true}) {
        {
            test::Rig r;
            std::string error;
            ASSERT_TRUE(EnableJournal(r.app(), DefaultRecoveryFolder(), error)) << error;
            DialogScript format; // 22050 Hz 8-bit mono, ten seconds at most
            format.assignments = {{kIdRecordRate22050, "1"},
                                  {kIdRecordBits8, "1"},
                                  {kIdRecordMono, "1"},
                                  {kIdRecordTimeEdit, "10"}};
            r.t.host.QueueDialog(std::move(format));
            ASSERT_EQ(DispatchCommand(r.app(), IDM_RECORD), 1);
            r.devices.Record(ramp.data(), ramp.size());
            MainWndProc(r.app(), msg::Timer, static_cast<WParam>(kTimerId), 0);
            if (stopped) {
                DispatchCommand(r.app(), IDM_STOP);
                r.t.host.DeliverPosted();
            }
            r.app().journal.Flush();
        } // the editor goes away without closing its window: a crash
        test::TestApp t;
        const std::vector<RecoverableJournal> found = FindRecoverableWork(t.app);
        ASSERT_EQ(found.size(), 1u) << stopped;
        ASSERT_TRUE(RestoreRecoveredWork(t.app, found[0]));
        EXPECT_EQ(t.app.doc.title, kUntitled);
        EXPECT_EQ(
            std::vector<std::uint8_t>(t.app.doc.Data(), t.app.doc.Data() + t.app.doc.byteLength),
            ramp)
            << (stopped ? "after the recording" : "during the recording");
        EXPECT_TRUE(FindRecoverableWork(t.app).empty());
    }
}

} // namespace
