// The file commands: choosing the reader by extension, the writer by type or extension, the
// save-as rules, New, the recent files, and saves that fail without losing the old file.
#include "FileTestSupport.h"

#include "commands/edit/UndoCommands.h"
#include "commands/file/FileCommands.h"
#include "commands/file/NewDialog.h"
#include "commands/file/SoundFiles.h"
#include "editor/DocumentUi.h"
#include "editor/Settings.h"
#include "formats/FileIo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <tuple>

using namespace wt;
using namespace wt::test;

namespace {

constexpr const char* kUnsupported = "この形式はサポートしていません";
constexpr const char* kNoFolder = "保存先のフォルダーがありません";

std::string Magic(const std::string& path) {
    const Bytes b = ReadFile(path);
    return b.size() < 4 ? std::string() : std::string(b.begin(), b.begin() + 4);
}

// Names of the files in `folder` but the editor's settings file, so a test can see which
// files a save wrote and that no temporary file was left.
std::vector<std::string> FolderContents(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".ini") {
            names.push_back(entry.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

struct LoadCase {
    const char* name; // inside the test folder (a WAV file there), or as given
    bool inFolder;
    int fileType;        // of a file that opens
    const char* message; // the refusal, which tells the reader chosen; nullptr: opened
};

class LoadByExtension : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadByExtension, PicksTheReaderOrRefuses) {
    const LoadCase& c = GetParam();
    TestApp t;
    t.app.settings.lastDirectory = "/before";
    const std::string path = c.inFolder ? t.dir.File(c.name) : c.name;
    if (c.inFolder) {
        t.SetSound(16, 1, 10, TestSignal);
        t.app.doc.title = path;
        ASSERT_EQ(SaveWaveFile(t.app), 1) << "every existing file here is a WAV file";
        t.app.doc.fileType = FileTypeNone;
        t.app.doc.title = kUntitled;
    }
    EXPECT_EQ(LoadSoundFile(t.app, path), c.message ? 0 : 1);
    EXPECT_EQ(t.app.settings.lastDirectory, c.inFolder ? t.dir.Path().string() : "/before");
    // Only a file that opened names the document; a refused one leaves its name and type.
    EXPECT_EQ(t.app.doc.fileType, c.message ? FileTypeNone : c.fileType);
    EXPECT_EQ(t.app.doc.title, c.message ? std::string(kUntitled) : path);
    if (c.message) {
        ASSERT_EQ(t.host.messages.size(), 1u);
        EXPECT_EQ(t.host.messages[0].text, c.message);
    }
    if (c.message == kUnsupported) {
        EXPECT_EQ(t.host.messages[0].caption, "WaveTomuka");
        EXPECT_EQ(t.host.messages[0].flags, mb::Ok | mb::IconInformation);
    }
}

// The WAV files read as AU and AIFF show those readers' refusals of a wrong magic.
INSTANTIATE_TEST_SUITE_P(
    Names, LoadByExtension,
    ::testing::Values(LoadCase{"SONG.WAV", true, FileTypeWav, nullptr},
                      LoadCase{"x.wav.txt", true, FileTypeNone, kUnsupported},
                      LoadCase{".wav", false, FileTypeNone, kUnsupported},
                      LoadCase{".aif", false, FileTypeNone, kUnsupported},
                      LoadCase{"a.au", true, FileTypeAu, "データが異常です(RIFF)"},
                      LoadCase{"b.AIF", true, FileTypeAiff, "データが異常です(FORM)"},
                      LoadCase{"c.aiff", true, FileTypeAiff, "データが異常です(FORM)"},
                      LoadCase{"noext", false, FileTypeNone, kUnsupported}),
    [](const auto& info) {
        std::string name;
        for (char ch : std::string(info.param.name)) {
            name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        }
        return name;
    });

struct SaveCase {
    const char* title;
    int fileType;
    const char* written;
    const char* magic;
};

class SaveByType : public ::testing::TestWithParam<SaveCase> {};

TEST_P(SaveByType, PicksTheWriterAndTheName) {
    const SaveCase& c = GetParam();
    TestApp t;
    t.SetSound(16, 1, 10, TestSignal, 8000);
    t.app.doc.title = t.dir.File(c.title);
    t.app.doc.modified = true;
    const std::string caption = t.host.caption;
    EXPECT_EQ(SaveSoundFile(t.app, c.fileType), 1);
    EXPECT_EQ(t.app.doc.title, t.dir.File(c.written));
    EXPECT_EQ(FolderContents(t.dir.Path()), std::vector<std::string>{c.written});
    EXPECT_EQ(Magic(t.app.doc.title), c.magic);
    EXPECT_FALSE(t.app.doc.modified);
    // A name that gained an extension is shown as it was written.
    EXPECT_EQ(t.host.caption, std::string(c.title) == c.written
                                  ? caption
                                  : "WaveTomuka -[" + t.dir.File(c.written) + "]");
}

INSTANTIATE_TEST_SUITE_P(Rules, SaveByType,
                         ::testing::Values(SaveCase{"B.AIF", FileTypeNone, "B.AIF", "FORM"},
                                           SaveCase{"take1.raw", FileTypeNone, "take1.raw.wav",
                                                    "RIFF"},
                                           SaveCase{"Song.Au", FileTypeNone, "Song.Au", ".snd"},
                                           SaveCase{"a.aif", FileTypeAiff, "a.aif", "FORM"},
                                           SaveCase{"m.aiff", FileTypeAiff, "m.aiff", "FORM"},
                                           SaveCase{"x.au", FileTypeWav, "x.au.wav", "RIFF"},
                                           SaveCase{"v", FileTypeAu, "v.au", ".snd"},
                                           SaveCase{"q.wav", 9, "q.wav.wav", "RIFF"}));

TEST(SaveAs, AppendsTheFiltersExtensionAndKeepsTheType) {
    TestApp t;
    t.SetSound(16, 1, 10, TestSignal, 8000);
    t.app.settings.lastDirectory = t.dir.Path().string();
    t.app.doc.title = kUntitled;
    t.host.QueueFile(t.dir.File("voice"), FileTypeAu);
    EXPECT_EQ(CmdSave(t.app), 1) << "an untitled sound is saved through save as";

    ASSERT_EQ(t.host.fileRequests.size(), 1u);
    const FileDialogRequest& request = t.host.fileRequests[0];
    EXPECT_EQ(request.path, "Noname.wav");
    EXPECT_EQ(request.initialDir, t.dir.Path().string());
    EXPECT_EQ(request.filterIndex, FileTypeNone);
    EXPECT_TRUE(request.overwritePrompt);
    ASSERT_EQ(request.filters.size(), 5u);
    EXPECT_EQ(request.filters[1].first, "AU (μ-law) 形式 (*.au)");
    EXPECT_EQ(request.filters[2].second, "*.aif;*.aiff");

    const std::string voice = t.dir.File("voice.au");
    EXPECT_EQ(t.app.doc.title, voice);
    EXPECT_EQ(t.app.doc.fileType, FileTypeAu);
    EXPECT_EQ(Magic(voice), ".snd");
    EXPECT_EQ(t.host.caption, "WaveTomuka -[" + voice + "]");
    EXPECT_EQ(ReadRecentFile(t.app.profile, 1), voice);

    // A later save writes voice.au again, in AU.
    WriteSample(t.app.doc, t.app.doc.Data(), 30000, 0);
    const Bytes first = ReadFile(voice);
    EXPECT_EQ(CmdSave(t.app), 1);
    EXPECT_NE(ReadFile(voice), first);
    EXPECT_EQ(FolderContents(t.dir.Path()), std::vector<std::string>{"voice.au"});

    // The dialog then proposes the name and the type; cancelling changes nothing.
    EXPECT_EQ(CmdSaveAs(t.app), 0);
    EXPECT_EQ(t.host.fileRequests.back().path, voice);
    EXPECT_EQ(t.host.fileRequests.back().filterIndex, FileTypeAu);
    EXPECT_EQ(t.app.doc.title, voice);
}

// The title, the caption and the recent entry name the file as written. A name typed with a
// sound file's extension is saved in that type while the type box shows what it was preset
// to; a type chosen in the box is kept, and its extension appended.
TEST(SaveAs, TheNameShownIsTheFileWrittenInTheTypeTheNameSays) {
    struct Case {
        int documentType; // the preset of the type box
        const char* typed;
        int chosenType; // 0: the scripted dialog leaves the preset
        const char* written;
        int fileType;
        const char* magic;
    };
    const Case cases[] = {
        {FileTypeWav, "x.aiff", 0, "x.aiff", FileTypeAiff, "FORM"},
        {FileTypeWav, "x.aiff", FileTypeWav, "x.aiff", FileTypeAiff, "FORM"},
        {FileTypeNone, "y.AU", FileTypeWav, "y.AU", FileTypeAu, ".snd"},
        {FileTypeNone, "z.aif", 0, "z.aif", FileTypeAiff, "FORM"},
        {FileTypeAiff, "x.aiff", FileTypeWav, "x.aiff.wav", FileTypeWav, "RIFF"},
        {FileTypeAu, "w.wav", FileTypeAiff, "w.wav.aiff", FileTypeAiff, "FORM"},
        {FileTypeAu, "take.raw", 0, "take.raw.au", FileTypeAu, ".snd"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.typed) + " -> " + c.written);
        TestApp t;
        t.SetSound(16, 1, 10, TestSignal, 8000);
        t.app.doc.fileType = c.documentType;
        t.host.QueueFile(t.dir.File(c.typed), c.chosenType);
        EXPECT_EQ(CmdSaveAs(t.app), 1);
        const std::string written = t.dir.File(c.written);
        EXPECT_EQ(FolderContents(t.dir.Path()), std::vector<std::string>{c.written});
        EXPECT_EQ(Magic(written), c.magic);
        EXPECT_EQ(t.app.doc.title, written);
        EXPECT_EQ(t.app.doc.fileType, c.fileType);
        EXPECT_EQ(t.host.caption, "WaveTomuka -[" + written + "]");
        EXPECT_EQ(ReadRecentFile(t.app.profile, 1), written);
    }
}

TEST(SaveAs, AnEmptySoundIsSavedOnlyWhenTheUserAgrees) {
    TestApp t;
    t.app.doc.title = t.dir.File("empty.wav");
    t.host.QueueAnswer(IdNo);
    EXPECT_EQ(CmdSave(t.app), 0);
    ASSERT_EQ(t.host.messages.size(), 1u);
    EXPECT_EQ(t.host.messages[0].text, "データがありませんが、保存してよろしいですか");
    EXPECT_EQ(t.host.messages[0].caption, "保存");
    EXPECT_EQ(t.host.messages[0].flags, mb::YesNo | mb::IconWarning);
    EXPECT_FALSE(std::filesystem::exists(t.app.doc.title));

    t.host.QueueAnswer(IdYes);
    EXPECT_EQ(CmdSave(t.app), 1);
    EXPECT_EQ(ReadFile(t.app.doc.title).size(), 44u);
}

TEST(Open, AsksAboutChangesThenLoadsTheChosenFile) {
    TestApp t;
    t.SetSound(8, 2, 20, TestSignal, 11025);
    const std::string path = t.dir.File("in.aiff");
    t.app.doc.title = path;
    ASSERT_EQ(SaveAiffFile(t.app), 1);
    t.SetSound(16, 1, 5, TestSignal);
    t.app.doc.modified = true;
    t.app.doc.fileType = FileTypeAu;
    t.app.settings.lastDirectory = "/somewhere";

    t.host.QueueAnswer(IdCancel);
    EXPECT_EQ(CmdOpen(t.app), 0);
    EXPECT_TRUE(t.host.fileRequests.empty()) << "Cancel at the question stops before the dialog";

    t.host.QueueAnswer(IdNo);
    t.host.QueueFile(path);
    EXPECT_EQ(CmdOpen(t.app), 1);
    ASSERT_EQ(t.host.fileRequests.size(), 1u);
    const FileDialogRequest& request = t.host.fileRequests[0];
    EXPECT_EQ(request.filters.size(), 6u);
    EXPECT_EQ(request.filters[0].first, "すべてのサウンドファイル");
    EXPECT_EQ(request.filters[0].second,
              "*.wav;*.au;*.aif;*.aiff;*.aifc;*.flac;*.ogg;*.oga;*.opus;*.mp3");
    EXPECT_EQ(request.filters[4].second, "*.flac;*.ogg;*.oga;*.opus;*.mp3");
    EXPECT_EQ(request.filterIndex, 1) << "the dialog starts on every sound file";
    EXPECT_EQ(request.path, "");
    EXPECT_EQ(request.initialDir, t.dir.Path().string()) << "the sound's file's folder";
    EXPECT_TRUE(request.fileMustExist);
    EXPECT_EQ(t.app.doc.format.sampleRate, 11025u);
    EXPECT_EQ(t.app.doc.fileType, FileTypeAiff);
    EXPECT_EQ(t.app.settings.lastDirectory, t.dir.Path().string());
    EXPECT_EQ(ReadRecentFile(t.app.profile, 1), path);
    EXPECT_FALSE(t.app.doc.modified);

    // A file refused is not listed.
    const std::string junk = t.dir.File("junk.wav");
    WriteFile(junk, {'j', 'u', 'n', 'k'});
    t.host.QueueFile(junk);
    EXPECT_EQ(CmdOpen(t.app), 0);
    EXPECT_EQ(ReadRecentFile(t.app.profile, 1), path);
    EXPECT_EQ(ReadRecentFile(t.app.profile, 2), "");
}

TEST(Open, RecentFilesMoveToTheTop) {
    TestApp t;
    t.SetSound(16, 1, 7, TestSignal, 8000);
    const std::string a = t.dir.File("a.wav"), b = t.dir.File("b.au");
    t.app.doc.title = b;
    ASSERT_EQ(SaveAuFile(t.app), 1);
    AddRecentFile(t.app.profile, b);
    AddRecentFile(t.app.profile, a);

    EXPECT_EQ(OpenRecentFile(t.app, 2), 1);
    EXPECT_EQ(t.app.doc.title, b);
    EXPECT_EQ(t.app.doc.byteLength, 14);
    EXPECT_EQ(ReadRecentFile(t.app.profile, 1), b);
    EXPECT_EQ(ReadRecentFile(t.app.profile, 2), a);
    // A listed file that is gone fails with a message and stays listed where it was.
    EXPECT_EQ(OpenRecentFile(t.app, 2), 0);
    EXPECT_EQ(ReadRecentFile(t.app.profile, 1), b);
    EXPECT_EQ(ReadRecentFile(t.app.profile, 2), a);
    ASSERT_EQ(t.host.messages.size(), 1u);
    EXPECT_EQ(t.host.messages[0].text, "ファイルを開けません");
    EXPECT_EQ(t.app.doc.title, b);
}

TEST(New, MakesAnEmptySoundAndUndoBringsTheOldOneBack) {
    TestApp t;
    t.SetSound(16, 2, 30, TestSignal, 44100);
    SoundDocument& doc = t.app.doc;
    doc.title = "/music/take.wav";
    doc.fileType = FileTypeWav;
    doc.modified = true;
    doc.cursor = doc.anchor = 40;
    const SoundFormat oldFormat = doc.format;
    const Bytes oldSamples = DocumentBytes(doc);

    // The unsaved-changes question first; then Cancel in the dialog leaves everything.
    t.host.QueueAnswer(IdNo);
    t.host.QueueDialog({{{kIdRate8000, "1"}}, true});
    EXPECT_EQ(CmdNew(t.app), 0);
    ASSERT_EQ(t.host.messages.size(), 1u);
    EXPECT_EQ(t.host.messages[0].text, "[/music/take.wav]は変更されています\n保存しますか?");
    EXPECT_EQ(DocumentBytes(doc), oldSamples);
    EXPECT_TRUE(doc.modified);

    t.host.QueueAnswer(IdNo);
    t.host.QueueDialog({{{kIdRate8000, "1"}, {kIdBits8, "1"}, {kIdMono, "1"}}, false});
    EXPECT_EQ(CmdNew(t.app), 1);
    EXPECT_EQ(doc.format.sampleRate, 8000u);
    EXPECT_EQ(doc.format.bitsPerSample, 8);
    EXPECT_EQ(doc.format.channels, 1);
    EXPECT_EQ(doc.format.blockAlign, 1);
    EXPECT_EQ(doc.format.bytesPerSecond, 8000u);
    EXPECT_EQ(doc.byteLength, 0);
    EXPECT_EQ(doc.cursor, 0);
    EXPECT_EQ(doc.anchor, 0);
    EXPECT_EQ(doc.title, kUntitled);
    EXPECT_EQ(doc.fileType, FileTypeWav) << "the type stays";
    EXPECT_FALSE(doc.modified);
    EXPECT_EQ(t.host.caption, "WaveTomuka -[無題]");
    EXPECT_EQ(t.host.StatusText(0), "8000Hz 8Bits Mono");

    CmdUndo(t.app);
    EXPECT_EQ(doc.format, oldFormat);
    EXPECT_EQ(DocumentBytes(doc), oldSamples);
    EXPECT_EQ(doc.cursor, 40);
    EXPECT_EQ(t.host.StatusText(0), "44100Hz 16Bits Stereo");
}

TEST(NewDialog, ShowsTheCurrentFormat) {
    struct Case {
        std::uint32_t rate;
        int bits, channels;
        int rateButton, bitsButton, channelButton;
    };
    const Case cases[] = {{8000, 8, 1, kIdRate8000, kIdBits8, kIdMono},
                          {11025, 16, 2, kIdRate11025, kIdBits16, kIdStereo},
                          {44100, 16, 1, kIdRate44100, kIdBits16, kIdMono},
                          {48000, 16, 2, kIdRate48000, kIdBits16, kIdStereo},
                          {96000, 8, 1, kIdRate96000, kIdBits8, kIdMono},
                          {32000, 24, 6, kIdRate22050, kIdBits16, kIdStereo}};
    for (const Case& c : cases) {
        TestApp t;
        t.SetSound(16, 1, 0, TestSignal, c.rate);
        t.app.doc.format.bitsPerSample = static_cast<std::uint16_t>(c.bits);
        t.app.doc.format.channels = static_cast<std::uint16_t>(c.channels);
        // OK without touching anything returns exactly what was shown.
        SoundFormat chosen = t.app.doc.format;
        chosen.extraSize = 7;
        ASSERT_EQ(RunNewDialog(t.app, kDialogNew, chosen), 1);
        EXPECT_EQ(chosen.sampleRate, c.rateButton == kIdRate22050 ? 22050u : c.rate) << c.rate;
        EXPECT_EQ(chosen.bitsPerSample, c.bitsButton == kIdBits8 ? 8 : 16) << c.rate;
        EXPECT_EQ(chosen.channels, c.channelButton - 300) << c.rate;
        EXPECT_EQ(chosen.blockAlign, chosen.bitsPerSample / 8 * chosen.channels);
        EXPECT_EQ(chosen.extraSize, 7) << "the extra-size word is not touched";
    }
}

// --- Saves that fail -------------------------------------------------------------------------

// The message names the file and says why: "[NAME]に書き込めません\nCAUSE".
std::string SaveFailureText(const std::string& name, const std::string& cause) {
    return "[" + name + "]に書き込めません\n" + cause;
}

void ExpectWriteFailureReported(TestApp& t, const std::string& cause, const char* extension = "") {
    ASSERT_FALSE(t.host.messages.empty());
    EXPECT_EQ(t.host.messages.back().text, SaveFailureText(t.app.doc.title + extension, cause));
    EXPECT_EQ(t.host.messages.back().caption, "保存");
    EXPECT_EQ(t.host.messages.back().flags, mb::Ok | mb::IconWarning);
    EXPECT_TRUE(t.app.doc.modified);
}

TEST(SaveFailure, AMissingFolderIsReported) {
    TestApp t;
    t.SetSound(16, 1, 100, TestSignal, 8000);
    t.app.doc.modified = true;
    for (const char* name :
         {"no/such/folder/x.wav", "no/x.aiff", "no/x.au", "no/x.flac", "no/x.ogg"}) {
        t.app.doc.title = t.dir.File(name);
        EXPECT_EQ(SaveSoundFile(t.app, FileTypeNone), 0) << name;
        ExpectWriteFailureReported(t, kNoFolder);
    }
    t.app.doc.title = "/proc/x.wav";
    EXPECT_EQ(SaveSoundFile(t.app, FileTypeNone), 0);
    ExpectWriteFailureReported(t, geteuid() == 0 ? kNoFolder : "書き込む権限がありません");
}

TEST(SaveFailure, AWriteFailingPartWayKeepsTheOldFile) {
    TestApp t;
    const std::string path = t.dir.File("keep.wav");
    const Bytes old = {'o', 'l', 'd'};
    WriteFile(path, old);
    t.SetSound(16, 2, 100000, TestSignal, 8000); // 400 kB
    t.app.doc.modified = true;
    const std::pair<int, const char*> types[] = {
        {FileTypeWav, ""}, {FileTypeAiff, ".aiff"}, {FileTypeAu, ".au"}, {FileTypeFlac, ".flac"}};
    for (const auto& [type, extension] : types) {
        t.app.doc.title = path;
        // Files may grow to 64 kB only: the writer's second write fails with EFBIG.
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 64 * 1024;
        setrlimit(RLIMIT_FSIZE, &small);
        const int result = SaveSoundFile(t.app, type);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);

        EXPECT_EQ(result, 0) << type;
        ExpectWriteFailureReported(t, "ファイルが大きすぎます", extension);
        EXPECT_EQ(t.app.doc.title, path) << "the name gains the extension only once written";
        EXPECT_EQ(ReadFile(path), old) << type;
        EXPECT_EQ(FolderContents(t.dir.Path()), std::vector<std::string>{"keep.wav"})
            << "no temporary file is left behind";
    }
}

TEST(SaveFailure, AReadOnlyFolderKeepsTheOldFile) {
    // A full, then read-only tmpfs in a mount namespace of a child process (root does not need
    // the folder's write permission, so chmod alone would not stop the save).
    TestApp t;
    const std::string folder = t.dir.File("ro");
    std::filesystem::create_directory(folder);
    const std::string path = folder + "/old.wav";
    t.SetSound(16, 1, 100000, TestSignal, 8000); // more than the 64 kB file system holds
    t.app.doc.title = path;
    t.app.doc.modified = true;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (unshare(CLONE_NEWNS) != 0 && unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
            _exit(77);
        }
        if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") != 0) {
            _exit(77);
        }
        WriteFile(path, {'o', 'l', 'd'});
        const bool full =
            SaveSoundFile(t.app, FileTypeWav) == 0 &&
            t.host.messages.back().text == SaveFailureText(path, "ディスクの空き容量が足りません");
        if (mount("tmpfs", folder.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
            _exit(77);
        }
        const int result = SaveSoundFile(t.app, FileTypeWav);
        const bool reported = t.host.messages.back().text ==
                              SaveFailureText(path, "読み取り専用のファイルシステムです");
        const bool intact = ReadFile(path) == Bytes{'o', 'l', 'd'};
        _exit(result == 0 && full && reported && intact && t.app.doc.modified ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) {
        GTEST_SKIP() << "no mount namespace for a read-only folder here";
    }
    EXPECT_EQ(WEXITSTATUS(status), 0) << "save into the read-only folder";
}

// A save that fails or is refused leaves the name, the type, the imported mark, the caption
// and the recent files as they were: Save As, and Save of a name that gains an extension.
TEST(SaveFailure, TheNameChangesOnlyOnceTheFileIsWritten) {
    const std::tuple<const char*, int, const char*, const char*> cases[] = {
        // typed in Save As (nullptr: Save of "gone/take"), type, name told, cause
        {"gone/x", FileTypeFlac, "gone/x.flac", kNoFolder},
        {"dir", FileTypeOgg, "dir.ogg", "同じ名前のフォルダーがあります"},
        {"dir.ogg/", FileTypeAu, "dir.ogg/", "ファイル名がありません"},
        {nullptr, FileTypeAu, "gone/take.au", kNoFolder}};
    for (const auto& [typed, type, told, cause] : cases) {
        TestApp t;
        t.SetSound(16, 1, 100, TestSignal, 8000);
        std::filesystem::create_directory(t.dir.File("dir.ogg"));
        const std::string title = t.dir.File(typed ? "in.flac" : "gone/take");
        t.app.doc.title = title;
        t.app.doc.imported = typed != nullptr;
        t.app.doc.fileType = FileTypeNone;
        UpdateTitle(t.app);
        t.host.QueueFile(typed ? t.dir.File(typed) : "", type);
        EXPECT_EQ(typed ? CmdSaveAs(t.app) : SaveSoundFile(t.app, type), 0) << told;
        ASSERT_FALSE(t.host.messages.empty());
        EXPECT_EQ(t.host.messages.back().text, SaveFailureText(t.dir.File(told), cause));
        EXPECT_EQ(std::tie(t.app.doc.title, t.app.doc.imported, t.app.doc.fileType),
                  std::make_tuple(title, typed != nullptr, int{FileTypeNone}));
        EXPECT_EQ(t.host.caption + ReadRecentFile(t.app.profile, 1), "WaveTomuka -[" + title + "]");
        EXPECT_EQ(FolderContents(t.dir.Path()), std::vector<std::string>{"dir.ogg"});
        EXPECT_TRUE(std::filesystem::is_empty(t.dir.File("dir.ogg"))) << "nothing inside";
    }
}

TEST(SaveTarget, KeepsPermissionsAndFollowsLinks) {
    TestApp t;
    t.SetSound(8, 1, 10, TestSignal, 8000);
    const std::string real = t.dir.File("real.wav"), link = t.dir.File("link.wav");
    WriteFile(real, {'o', 'l', 'd'});
    chmod(real.c_str(), 0640);
    std::filesystem::create_symlink(real, link);
    t.app.doc.title = link;
    ASSERT_EQ(SaveSoundFile(t.app, FileTypeWav), 1);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(Magic(real), "RIFF");
    struct stat st {};
    ASSERT_EQ(stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    const mode_t mask = umask(022);
    t.app.doc.title = t.dir.File("fresh.wav");
    ASSERT_EQ(SaveSoundFile(t.app, FileTypeWav), 1);
    umask(mask);
    ASSERT_EQ(stat(t.app.doc.title.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u) << "a new file gets 0666 less the umask";
}

// What cannot be opened: each kind of path fails at once with "ファイルを開けません", and the
// document keeps its sound, type and name, so a later save goes where it went before.
TEST(OpenFailure, WhatCannotBeOpenedFailsAtOnceAndKeepsTheName) {
    TestApp t;
    const std::string mine = t.dir.File("mine.au");
    t.SetSound(16, 1, 50, TestSignal, 8000);
    t.app.doc.title = mine;
    t.app.doc.fileType = FileTypeAu;
    t.app.doc.modified = true;
    const Bytes before(t.app.doc.Data(), t.app.doc.Data() + t.app.doc.byteLength);

    const std::string fifo = t.dir.File("fifo.wav"), folder = t.dir.File("folder.au");
    const std::string device = t.dir.File("device.aiff"), socketPath = t.dir.File("sock.wav");
    const std::string loop = t.dir.File("loop.aif"), missing = t.dir.File("missing.wav");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directory(folder);
    std::filesystem::create_symlink("/dev/zero", device);
    std::filesystem::create_symlink(loop, loop);
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    for (const std::string& path : {fifo, folder, device, socketPath, loop, missing}) {
        t.host.messages.clear();
        alarm(10); // a blocking open would hang here: end the test run instead
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(LoadSoundFile(t.app, path), 0) << path;
        const auto took = std::chrono::steady_clock::now() - start;
        alarm(0);
        EXPECT_LT(took, std::chrono::seconds(1)) << path;
        ASSERT_EQ(t.host.messages.size(), 1u) << path;
        EXPECT_EQ(t.host.messages[0].text, "ファイルを開けません");
        EXPECT_EQ(t.host.messages[0].caption, "ファイルを開く");
        EXPECT_EQ(t.host.messages[0].flags, mb::Ok | mb::IconWarning);
        EXPECT_EQ(t.app.doc.title, mine) << path;
        EXPECT_EQ(t.app.doc.fileType, FileTypeAu) << path;
        EXPECT_TRUE(t.app.doc.modified);
        EXPECT_EQ(Bytes(t.app.doc.Data(), t.app.doc.Data() + t.app.doc.byteLength), before);
    }
    close(sock);
    ASSERT_EQ(SaveSoundFile(t.app, t.app.doc.fileType), 1);
    EXPECT_EQ(Magic(mine), ".snd");
    EXPECT_TRUE(std::filesystem::is_fifo(fifo)) << "nothing was written over what failed";
}

// A file its reader may not read, then Save: the file stays byte for byte. Root reads any
// file, so the open and the save run in a child that has given up its privileges.
TEST(OpenFailure, AnUnreadableFileIsNeverSavedOver) {
    TestApp t;
    const std::string folder = t.dir.File("shared");
    std::filesystem::create_directory(folder);
    chmod(t.dir.Path().c_str(), 0755);
    chmod(folder.c_str(), 0777);
    const std::string locked = folder + "/locked.wav", mine = folder + "/mine.wav";
    const Bytes secret = {'R', 'I', 'F', 'F', 's', 'e', 'c', 'r', 'e', 't'};
    WriteFile(locked, secret);
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(77);
        }
        t.SetSound(8, 1, 20, TestSignal, 8000);
        t.app.doc.title = mine;
        t.app.doc.fileType = FileTypeWav;
        const bool failed = LoadSoundFile(t.app, locked) == 0;
        const bool told =
            !t.host.messages.empty() && t.host.messages.back().text == "ファイルを開けません";
        const bool saved = SaveSoundFile(t.app, t.app.doc.fileType) == 1;
        _exit(failed && told && saved && t.app.doc.title == mine ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) {
        GTEST_SKIP() << "cannot give up root here";
    }
    EXPECT_EQ(WEXITSTATUS(status), 0);
    chmod(locked.c_str(), 0600);
    EXPECT_EQ(ReadFile(locked), secret);
    EXPECT_EQ(Magic(mine), "RIFF") << "the save went to the document's own name";
}

// Samples beyond the 2 GiB the document can hold are "too large", not "not enough memory".
// The files are sparse: they take no disk space.
TEST(OpenFailure, SamplesBeyondTheDocumentsLimitAreTooLarge) {
    TestApp t;
    const std::uint64_t huge = 0x90000000; // 2.25 GiB of samples
    const Bytes wave = ByteWriter()
                           .Text("RIFF")
                           .Le32(0xFFFFFFF0)
                           .Text("WAVE")
                           .Append(WaveFormatChunk(1, 2, 44100, 4, 16))
                           .Text("data")
                           .Le32(static_cast<std::uint32_t>(huge))
                           .bytes;
    // AU decodes one byte into two: 1.2 GiB of codes are 2.4 GiB of samples.
    const Bytes au =
        ByteWriter().Text(".snd").Be32(24).Be32(0xFFFFFFFF).Be32(1).Be32(8000).Be32(1).bytes;
    for (const auto& [name, header, size] :
         std::vector<std::tuple<std::string, Bytes, std::uint64_t>>{{"huge.wav", wave, huge + 44},
                                                                    {"huge.au", au, 0x4C000000}}) {
        const std::string path = t.dir.File(name);
        WriteFile(path, header);
        ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(size)), 0);
        t.SetSound(16, 1, 10, TestSignal, 8000);
        t.app.doc.title = "keep.wav";
        t.host.messages.clear();
        EXPECT_EQ(LoadSoundFile(t.app, path), 0) << name;
        ASSERT_EQ(t.host.messages.size(), 1u) << name;
        EXPECT_EQ(t.host.messages[0].text, "ファイルが大きすぎます");
        EXPECT_EQ(t.host.messages[0].caption, "ファイルを開く");
        EXPECT_EQ(t.app.doc.title, "keep.wav");
        EXPECT_EQ(t.app.doc.byteLength, 20);
    }
}

// The temporary file of a save sits beside its target as ".NAME.wtsave-XXXXXX" and has the
// old file's permission bits from its creation on.
TEST(SaveTarget, TheTemporaryFileIsNamedAfterItsTargetWithItsBits) {
    TempDir dir;
    const std::string target = dir.File("take 1.wav");
    WriteFile(target, {'o', 'l', 'd'});
    ASSERT_EQ(chmod(target.c_str(), 0604), 0);
    AtomicFileWriter writer(target);
    ASSERT_TRUE(writer.Open());
    std::vector<std::string> temporary;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        const std::string name = entry.path().filename().string();
        if (name != "take 1.wav") {
            temporary.push_back(name);
            struct stat st {};
            ASSERT_EQ(stat(entry.path().c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, 0604u);
        }
    }
    ASSERT_EQ(temporary.size(), 1u);
    EXPECT_EQ(temporary[0].rfind(".take 1.wav.wtsave-", 0), 0u) << temporary[0];
    EXPECT_EQ(temporary[0].size(), std::string(".take 1.wav.wtsave-").size() + 6);
    EXPECT_TRUE(writer.Write("new", 3));
    EXPECT_TRUE(writer.Commit());
    EXPECT_EQ(ReadFile(target), (Bytes{'n', 'e', 'w'}));
}

} // namespace
