#include "FileTestSupport.h"
#include "TestApp.h"

#include "batch/Batch.h"
#include "batch/BatchTexts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <unistd.h>

using namespace wt;

namespace {

struct BatchRun {
    int status;
    std::string out;
    std::string err;
};

BatchRun RunLinesFrom(const std::vector<std::string>& lines, std::istream& in,
                      const std::string& script = "") {
    test::TempDir dir;
    BatchOptions options;
    options.modulePath = dir.File("wtomuka");
    options.iniPath = dir.File("wtomuka.ini");
    options.lines = lines;
    options.scriptPath = script;
    std::ostringstream out, err;
    const int status = RunBatch(options, in, out, err);
    return {status, out.str(), err.str()};
}

BatchRun RunLines(const std::vector<std::string>& lines, const std::string& stdinText = "",
                  const std::string& script = "") {
    std::istringstream in(stdinText);
    return RunLinesFrom(lines, in, script);
}

TEST(Batch, InfoDescribesTheEmptySound) {
    const BatchRun r = RunLines({"info"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "status0: 22050Hz 8Bits Mono\nstatus1: 0 Bytes\nstatus2: \nstatus3: \n"
                     "caption: WaveTomuka -[無題]\nbyteLength: 0\nselStart: 0\nselEnd: 0\n"
                     "cursor: 0\nmodified: 0\nfileType: 0\nsourceFormat: same\n"
                     "viewStart: 0\nframesPerPixel: 256\n");
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

// A command whose values ask for no change has done what was asked: the run goes on.
TEST(Batch, CommandsAskedForNoChangeSucceedAndTheRunGoesOn) {
    const BatchRun r = RunLines({"new 104=1 202=1 302=1", "insert_silence 201=10", "pitch 201=100",
                                 "time_stretch 201=100", "transpose 201=0", "info"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("byteLength: 1764\n"), std::string::npos) << r.out;
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

// Every batch path from a question to a save: the unsaved-changes question with no answer
// fails its line; after "answer yes" the Save As it starts finds no name (the path of an open
// belongs to the open dialog alone) and fails; an exit that did not close fails. No file
// changes and none appears.
TEST(Batch, QuestionsWriteNoFileNoLineNamed) {
    test::TempDir dir;
    const std::string keep = dir.File("keep.wav"), deep = dir.File("deep.wav"),
                      open = "open " + keep;
    for (const auto& [path, bytes] : {std::pair{keep, 2}, std::pair{deep, 3}}) {
        test::WriteFile(
            path, test::RiffWave(test::ByteWriter()
                                     .Append(test::WaveFormatChunk(1, 1, 8000, bytes, 8 * bytes))
                                     .Append(test::Chunk("data", test::Bytes(600, 0x40), true))
                                     .bytes));
    }
    const auto files = [&] {
        std::map<std::string, std::pair<test::Bytes, std::filesystem::file_time_type>> seen;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
            seen[entry.path()] = {test::ReadFile(entry.path()), entry.last_write_time()};
        }
        return seen;
    };
    const auto before = files();
    const std::string ask = "answer yes", failed = "the command did not succeed";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"new", "tone", open}, ask},
        {{"new", "tone", "answer yes", open}, failed},
        {{"new", "tone", "answer yes", "open " + deep}, failed},   // a 24-bit target alike
        {{"open " + deep, "reverse", "answer yes", open}, failed}, // imported: Save As
        {{open, "reverse", open}, ask},                            // would save over keep.wav
        {{open, "reverse", "recent 1"}, ask},
        {{open, "new", "tone", "answer yes", "recent 1"}, failed},
        {{"new", "tone", "new"}, ask},
        {{"new", "tone", "record"}, ask},
        {{"new", "tone", "exit"}, ask},
        {{"new", "tone", "answer yes", "exit"}, batchtext::kExitNotDone},
        {{"new", "tone", "answer cancel", "exit", "info"}, batchtext::kExitNotDone},
        {{"open " + deep, "reverse", "answer no", open, "exit"}, ""},
    };
    for (const auto& [lines, error] : cases) {
        const BatchRun r = RunLines(lines);
        EXPECT_EQ(r.status, error.empty() ? 0 : 1) << lines.back() << r.err;
        EXPECT_NE(r.err.find(error), std::string::npos) << lines.back() << r.err;
        EXPECT_EQ(r.out, "") << lines.back();
        EXPECT_TRUE(files() == before) << lines.back();
    }
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
    ASSERT_TRUE(RunBatchLine(context, "select 2 99999999999", error, stop));
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

// Numbers in a line are whole numbers that fit, or the line fails; a scroll position outside
// its bar's range is the nearest end, as dragging the thumb gives.
TEST(Batch, NumbersThatDoNotFitFailAndPositionsAreClamped) {
    struct Case {
        const char* line;
        bool ok;
        int sampleAfter; // of 1000, when ok
    };
    for (const Case& c : std::vector<Case>{
             {"volume 200=65586 204=0", true, 2000},
             {"volume 200=-5 204=0", true, 0},
             {"volume 200=150 204=0", true, 1500},
             {"volume 200=99999999999999999999 204=0", false, 0},
             {"volume 200=4294967346 204=0", false, 0},
             {"volume 99999999999=5", false, 0},
             {"volume 65737=5", false, 0},
             {"volume 204=00000000000000000000001", false, 0},
             {"select 0 99999999999999999999", false, 0},
             {"recent 4294967297", false, 0},
         }) {
        test::TestApp t;
        t.SetSound(16, 1, 4, [](int, int) { return 1000; });
        std::ostringstream out, err;
        BatchContext context{t.app, t.host, out, err};
        std::string error;
        bool stop = false;
        EXPECT_EQ(RunBatchLine(context, c.line, error, stop), c.ok) << c.line << ": " << error;
        if (c.ok) {
            EXPECT_EQ(ReadSample(t.app.doc, t.app.doc.Data() + 2, 0), c.sampleAfter) << c.line;
        } else {
            EXPECT_FALSE(error.empty()) << c.line;
            EXPECT_EQ(ReadSample(t.app.doc, t.app.doc.Data() + 2, 0), 1000) << c.line;
        }
    }
    const BatchRun r = RunLines({"info", "volume 200=99999999999999999999"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("error: -e: volume 200=99999999999999999999: "), std::string::npos)
        << r.err;
}

// A script that is a folder is no script: the run fails as for a missing one.
TEST(Batch, AFolderIsNoScript) {
    test::TempDir dir;
    for (const std::string& script : {dir.Path().string(), dir.File("missing.txt")}) {
        const BatchRun r = RunLines({}, "", script);
        EXPECT_EQ(r.status, 1) << script;
        EXPECT_NE(r.err.find("error: cannot read " + script), std::string::npos) << r.err;
    }
}

// Gives `text`, then fails as a disk error would.
class FailingReadBuffer : public std::streambuf {
public:
    explicit FailingReadBuffer(std::string text) : text_(std::move(text)) {
        setg(text_.data(), text_.data(), text_.data() + text_.size());
    }

protected:
    int_type underflow() override { throw std::ios_base::failure("read error"); }

private:
    std::string text_;
};

// A script file is read whole before its first line runs, standard input a line at a time:
// a read error, a line longer than kMaxBatchLineBytes (a device or a binary file given by
// mistake) or one holding a NUL byte fails the run with status 1, in a file before any line
// (nor any -e line) runs, on standard input after the lines before it. A line of exactly the
// limit is read; a script larger than the memory can hold is refused.
TEST(Batch, AScriptThatCannotBeReadFailsTheRun) {
    test::TempDir dir;
    const std::string zeros = dir.File("zeros.txt"); // as /dev/zero gives, but with an end
    std::ofstream(zeros).close();
    ASSERT_EQ(truncate(zeros.c_str(), kMaxBatchLineBytes + 1), 0);
    const std::string tooLong(kMaxBatchLineBytes + 1, 'x');
    std::string limit(kMaxBatchLineBytes, 'x'); // a comment line of exactly the limit
    limit.replace(0, 2, "# ");
    const std::string nul = dir.File("nul.txt"),
                      nulLine = "saveas " + dir.File("n.wav") + '\0' + ".flac";
    std::ofstream(nul) << "new\ntone\n" << nulLine << "\n";
    struct Case {
        std::string script; // empty: standard input
        std::string input;
        bool readFails;    // standard input fails after `input`
        std::string error; // empty: the run succeeds
        int infos;         // how many "info" lines ran
    };
    for (const Case& c : std::vector<Case>{
             {zeros, "", false, "error: " + zeros + ":1: line longer than 1048576 bytes\n", 0},
             {"-", "info\n" + tooLong + "\ninfo\n", false,
              "error: stdin:2: line longer than 1048576 bytes\n", 2},
             {"-", "info\n" + tooLong, false, "error: stdin:2: line longer than 1048576 bytes\n",
              2},
             {"-", "info\ninfo\n", true, "error: cannot read stdin\n", 3},
             {"-", limit + "\ninfo", false, "", 2},
             {nul, "", false, "error: " + nul + ":3: line holds a NUL byte\n", 0},
             {"-", "info\n" + nulLine + "\ninfo\n", false,
              "error: stdin:2: line holds a NUL byte\n", 2},
         }) {
        std::istringstream text(c.input);
        FailingReadBuffer failing(c.input);
        std::istream failingInput(&failing);
        const BatchRun r = RunLinesFrom({"info"}, c.readFails ? failingInput : text, c.script);
        // Only the start of what was printed: a failure would otherwise show megabytes.
        EXPECT_EQ(r.status, c.error.empty() ? 0 : 1) << c.error;
        EXPECT_TRUE(r.err == c.error) << r.err.substr(0, 200) << "\nexpected " << c.error;
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), c.infos * 14) << c.error;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("n.wav")));
    SampleBlock::SetAllocationLimitForTesting(kMaxBatchLineBytes);
    const BatchRun r = RunLines({"info"}, "", zeros);
    SampleBlock::SetAllocationLimitForTesting(0);
    EXPECT_EQ(r.err, "error: " + zeros + ": script too large to hold (1048577 bytes)\n");
}

// The width and height stored in a PNG file's header (big-endian, bytes 16..23).
std::pair<int, int> PngSize(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char h[24] = {};
    in.read(reinterpret_cast<char*>(h), sizeof h);
    const auto word = [&](int at) {
        return h[at] << 24 | h[at + 1] << 16 | h[at + 2] << 8 | h[at + 3];
    };
    return {word(16), word(20)};
}

// "paint" without a size paints at the size of the last "paint" that gave one; the first
// one without a size paints at 640x240.
TEST(Batch, PaintKeepsTheLastSize) {
    test::TempDir dir;
    const std::string a = dir.File("a.png"), b = dir.File("b.png"), c = dir.File("c.png");
    const BatchRun r = RunLines({"paint " + a, "paint " + b + " 120x90", "paint " + c});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(PngSize(a), std::make_pair(640, 240));
    EXPECT_EQ(PngSize(b), std::make_pair(120, 90));
    EXPECT_EQ(PngSize(c), std::make_pair(120, 90));
}

// zoom_fit, wheel and ctrl_wheel on a 1000000-frame mono sound in a 336-column area: the
// wheel scrolls 24 columns a notch, Ctrl+wheel zooms a level a whole notch keeping the frame
// under X in place, and zooming out past 1/1024 stops where the whole sound fits.
TEST(Batch, ZoomFitWheelAndCtrlWheel) {
    ScriptedHost host;
    App app(host);
    test::TempDir dir;
    InitializeApp(app, dir.File("wtomuka"), dir.File("w.ini"));
    MainWndProc(app, msg::Create, 0, 0);
    FinishStartup(app, "");
    app.doc.format.blockAlign = 2;
    app.doc.format.bitsPerSample = 16;
    app.doc.format.channels = 1;
    app.doc.RecomputeBytesPerSample();
    app.doc.byteLength = 2000000;
    ASSERT_TRUE(app.doc.sampleData.Resize(2000016));
    std::ostringstream out, err;
    BatchContext context{app, host, out, err};
    const std::string fit = "2976.190476190476"; // 1000000 / 336
    const struct {
        std::string line;
        std::string viewStart, framesPerPixel; // info afterwards
    } cases[] = {
        {"zoom_fit", "0", fit},
        {"wheel -120", "71429", fit},             // 24 columns of 2976.19 frames
        {"ctrl_wheel 120 100", "266649", "1024"}, // frame 369049 stays at column 100
        {"ctrl_wheel 60 10", "266649", "1024"},   // half a notch does nothing yet
        {"ctrl_wheel 60 10", "274329", "256"},    // frame 276889 stays at column 10
        {"ctrl_wheel -120 10", "266649", "1024"},
        {"wheel 240", "217497", "1024"},       // 48 columns towards the start
        {"ctrl_wheel -120 100", "22277", fit}, // frame 319897 stays at column 100
        {"ctrl_wheel -120 100", "22277", fit}, // no wider than the whole sound
        {"wheel 32767", "0", fit},             // never before the start
    };
    std::string error;
    bool stop = false;
    ASSERT_TRUE(RunBatchLine(context, "paint " + dir.File("p.png") + " 400x226", error, stop))
        << error;
    for (const auto& c : cases) {
        ASSERT_TRUE(RunBatchLine(context, c.line, error, stop)) << c.line << ": " << error;
        out.str("");
        ASSERT_TRUE(RunBatchLine(context, "info", error, stop));
        EXPECT_NE(out.str().find("viewStart: " + c.viewStart +
                                 "\nframesPerPixel: " + c.framesPerPixel + "\n"),
                  std::string::npos)
            << c.line << "\n"
            << out.str();
    }
    for (const char* bad :
         {"wheel", "wheel x", "wheel 40000", "ctrl_wheel 120", "ctrl_wheel 1 -1"}) {
        EXPECT_FALSE(RunBatchLine(context, bad, error, stop)) << bad;
    }
}

} // namespace
