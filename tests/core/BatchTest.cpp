#include "TestApp.h"

#include "app/Batch.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace wt;

namespace {

struct BatchRun {
    int status;
    std::string out;
    std::string err;
};

BatchRun RunLines(const std::vector<std::string>& lines, const std::string& stdinText = "",
                  const std::string& script = "") {
    test::TempDir dir;
    BatchOptions options;
    options.modulePath = dir.File("wtomuka");
    options.iniPath = dir.File("wtomuka.ini");
    options.lines = lines;
    options.scriptPath = script;
    std::istringstream in(stdinText);
    std::ostringstream out, err;
    const int status = RunBatch(options, in, out, err);
    return {status, out.str(), err.str()};
}

TEST(Batch, InfoDescribesTheEmptySound) {
    const BatchRun r = RunLines({"info"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "status0: 22050Hz 8Bits Mono\nstatus1: 0 Bytes\nstatus2: \nstatus3: \n"
                     "caption: WaveTomuka -[無題]\nbyteLength: 0\nselStart: 0\nselEnd: 0\n"
                     "cursor: 0\nmodified: 0\nfileType: 0\n");
}

TEST(Batch, CommandsTakeDialogValuesAsAUserWould) {
    BatchRun r = RunLines({"new 104=1 202=1 302=1", "info"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("status0: 44100Hz 16Bits Stereo\n"), std::string::npos) << r.out;

    r = RunLines({"new 101=1 cancel", "info"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("status0: 22050Hz 8Bits Mono\n"), std::string::npos) << r.out;

    r = RunLines({"new 999=1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("error: -e: new 999=1: dialog 1 has no control 999"), std::string::npos)
        << r.err;
}

TEST(Batch, FailingLinesAreNamedAndStopTheRun) {
    BatchRun r = RunLines({"info", "frobnicate", "info"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("error: -e: frobnicate: unknown command"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("status0", 10), std::string::npos) << "the run stops at the failure";

    r = RunLines({"select 1"});
    EXPECT_EQ(r.status, 1);
    r = RunLines({"new notapair"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("expected ID=VALUE"), std::string::npos);
}

TEST(Batch, MessagesGoToStandardErrorAndAnswersAreTaken) {
    // An unsupported name: the message is printed, the open fails.
    BatchRun r = RunLines({"open /nowhere/x.txt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("message: WaveTomuka: この形式はサポートしていません\n"),
              std::string::npos)
        << r.err;

    // Saving an empty sound asks first; "no" declines the save.
    r = RunLines({"answer no", "save"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("message: 保存: データがありませんが、保存してよろしいですか"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(RunLines({"answer maybe"}).status, 1);
}

TEST(Batch, ScriptsComeAfterTheCommandLineLines) {
    BatchRun r = RunLines({}, "# a comment\n\ninfo\n", "-");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("status1: 0 Bytes"), std::string::npos);
    r = RunLines({"info"}, "", "/no/such/script");
    EXPECT_EQ(r.status, 1);
}

TEST(Batch, SelectionAndCursorAreGivenInFrames) {
    ScriptedHost host;
    App app(host);
    test::TempDir dir;
    InitializeApp(app, dir.File("wtomuka"), dir.File("w.ini"));
    MainWndProc(app, msg::Create, 0, 0);
    FinishStartup(app, "");
    app.doc.format.blockAlign = 4;
    app.doc.byteLength = 400;
    std::ostringstream out, err;
    BatchContext context{app, host, out, err};
    std::string error;
    bool stop = false;
    ASSERT_TRUE(RunBatchLine(context, "select 90 10", error, stop)) << error;
    EXPECT_EQ(app.doc.selStart, 40);
    EXPECT_EQ(app.doc.selEnd, 360);
    ASSERT_TRUE(RunBatchLine(context, "select 0 1000", error, stop));
    EXPECT_EQ(app.doc.selEnd, 400) << "clamped to the sound";
    ASSERT_TRUE(RunBatchLine(context, "select 2 99999999999999999999", error, stop));
    EXPECT_EQ(app.doc.selStart, 8);
    EXPECT_EQ(app.doc.selEnd, 400) << "a frame count beyond any sound is its end";
    ASSERT_TRUE(RunBatchLine(context, "cursor 7", error, stop));
    EXPECT_EQ(app.doc.cursor, 28);
    ASSERT_TRUE(RunBatchLine(context, "select all", error, stop));
    EXPECT_EQ(app.doc.selStart, 0);
    EXPECT_EQ(app.doc.selEnd, 400);
}

TEST(Batch, ArgumentsAndQuotedWords) {
    BatchOptions o;
    std::string error;
    ASSERT_TRUE(
        ParseBatchArguments({"--ini", "/t/w.ini", "-e", "info", "-e", "undo", "s.txt"}, o, error));
    EXPECT_EQ(o.iniPath, "/t/w.ini");
    EXPECT_EQ(o.lines, (std::vector<std::string>{"info", "undo"}));
    EXPECT_EQ(o.scriptPath, "s.txt");
    BatchOptions bad;
    EXPECT_FALSE(ParseBatchArguments({"-e"}, bad, error));
    EXPECT_FALSE(ParseBatchArguments({"--frob"}, bad, error));
    EXPECT_EQ(SplitBatchLine("open \"/my sounds/a b.wav\"  1=\"x y\""),
              (std::vector<std::string>{"open", "/my sounds/a b.wav", "1=x y"}));
}

} // namespace
