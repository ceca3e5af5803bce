#include "TestApp.h"
#include "Unprivileged.h"

#include "batch/Batch.h"
#include "commands/file/FileCommands.h"
#include "editor/CommandIds.h"
#include "editor/Settings.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <pwd.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace wt;

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> RecentList(const ProfileFile& profile) {
    std::vector<std::string> list;
    for (int n = 1; n <= kRecentFileCount; ++n) {
        list.push_back(ReadRecentFile(profile, n));
    }
    return list;
}

// Sets an environment variable (unsets it for nullopt) until the end of the scope.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        Set(value);
    }
    ~ScopedEnvironment() { Set(old_); }
    void Set(const std::optional<std::string>& value) {
        if (value) {
            setenv(name_, value->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// Makes `folder` the current folder until the end of the scope.
class ScopedCurrentFolder {
public:
    explicit ScopedCurrentFolder(const std::filesystem::path& folder)
        : old_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~ScopedCurrentFolder() { std::filesystem::current_path(old_); }

private:
    std::filesystem::path old_;
};

TEST(Settings, DefaultsWithoutAFile) {
    test::TempDir dir;
    ProfileFile profile(dir.File("none.ini"));
    const Settings s = ReadStartupSettings(profile, "/home/someone");
    EXPECT_EQ(s.lastDirectory, "/home/someone");
    EXPECT_EQ(s.density, 8);
    EXPECT_EQ(s.dispMode, 0);
    EXPECT_EQ(s.trackMode, 0);
    EXPECT_EQ(s.startWidth, 480);
    EXPECT_EQ(s.startHeight, 200);
    EXPECT_EQ(RecentList(profile), std::vector<std::string>(6));
    EXPECT_FALSE(std::filesystem::exists(dir.File("none.ini"))) << "reading never creates the file";
}

TEST(Settings, ReadsWhatIsStoredAndClampsDensity) {
    test::TempDir dir;
    const std::string path = dir.File("w.ini");
    std::ofstream(path) << "[options]\r\nDensity = 500\r\ndispmode=1\r\ntrackmode=1\r\n"
                           "directory=/snd/take 1\r\n[Position]\r\nwidth=800\r\nheight=-3x\r\n";
    ProfileFile profile(path);
    Settings s = ReadStartupSettings(profile, "/home");
    EXPECT_EQ(s.density, 128) << "a hand-edited density must not reach the drawing";
    EXPECT_EQ(s.dispMode, 1);
    EXPECT_EQ(s.trackMode, 1);
    EXPECT_EQ(s.lastDirectory, "/snd/take 1");
    EXPECT_EQ(s.startWidth, 800);
    EXPECT_EQ(s.startHeight, 100) << "read as -3 (the leading digits), kept to a usable size";
    profile.WriteString("Options", "density", "0");
    EXPECT_EQ(ReadStartupSettings(profile, "/").density, 1);
}

TEST(Settings, AnEmptyIntegerValueTakesTheDefault) {
    // The classic integer read gives the default for "key=" as for a missing key; 0 would
    // open a window of no size.
    test::TempDir dir;
    const std::string path = dir.File("w.ini");
    std::ofstream(path) << "[Options]\ndensity=\ndirectory=\n[Position]\nwidth=\nheight= \n";
    ProfileFile profile(path);
    const Settings s = ReadStartupSettings(profile, "/home");
    EXPECT_EQ(s.density, 8);
    EXPECT_EQ(s.startWidth, 480);
    EXPECT_EQ(s.startHeight, 200);
    EXPECT_EQ(s.lastDirectory, "") << "an empty text is still a text";
}

TEST(Settings, WritesKeepOtherSectionsAndKeys) {
    test::TempDir dir;
    const std::string path = dir.File("w.ini");
    ProfileFile profile(path);
    ASSERT_TRUE(profile.WriteString("Options", "density", "16"));
    ASSERT_TRUE(profile.WriteString("Position", "width", "640"));
    ASSERT_TRUE(profile.WriteString("Options", "directory", "/tmp"));
    ASSERT_TRUE(profile.WriteString("OPTIONS", "Density", "32"));
    EXPECT_EQ(ReadAll(path), "[Options]\ndensity=32\ndirectory=/tmp\n[Position]\nwidth=640\n");
    EXPECT_EQ(profile.GetInt("options", "DENSITY", 0), 32);
    EXPECT_EQ(profile.GetString("Eq", "Preset1", "0,0,0,20,40,50,50,50,50"),
              "0,0,0,20,40,50,50,50,50");
    ProfileFile unwritable(dir.File("missing-folder/w.ini"));
    EXPECT_FALSE(unwritable.WriteString("Options", "density", "8"));
}

// Reading trims white space and takes a pair of quotes off: values that either would change
// are read back as written, also after the recent-files list moves them down.
TEST(Settings, ValuesWithEdgeSpacesOrQuotesReadBackAsWritten) {
    test::TempDir dir;
    const std::string path = dir.File("w.ini");
    ProfileFile profile(path);
    for (const std::string value : {"/take 1.wav ", " /lead.wav", "\t/tab.wav", "'/q.wav'",
                                    "\"/dq.wav\"", "\"", "'/a.wav\"", "/plain.wav"}) {
        ASSERT_TRUE(profile.WriteString("Options", "directory", value)) << value;
        EXPECT_EQ(profile.GetString("Options", "directory", "?"), value);
        AddRecentFile(profile, value);
        AddRecentFile(profile, "/next.wav");
        // A name not starting with "/" is relative and is listed from the current folder.
        EXPECT_EQ(ReadRecentFile(profile, 2), std::filesystem::absolute(value).string());
    }
    EXPECT_NE(ReadAll(path).find("directory=/plain.wav\n"), std::string::npos)
        << "plain values are stored as they are";
}

TEST(RecentFiles, MostRecentFirstWithoutDuplicates) {
    test::TempDir dir;
    ProfileFile profile(dir.File("w.ini"));
    for (const char* p : {"/a.wav", "/b.wav", "/c.wav", "/a.wav"}) {
        AddRecentFile(profile, p);
    }
    EXPECT_EQ(RecentList(profile),
              (std::vector<std::string>{"/a.wav", "/c.wav", "/b.wav", "", "", ""}));
    // Case and path form make different entries.
    AddRecentFile(profile, "/A.wav");
    EXPECT_EQ(RecentList(profile)[0], "/A.wav");
    EXPECT_EQ(RecentList(profile)[1], "/a.wav");
}

TEST(RecentFiles, AnEntryEndsAtANulOrCarriageReturnAndMovesDownWhole) {
    test::TempDir dir;
    const std::string path = dir.File("w.ini");
    // A NUL, and a carriage return that does not end the line, end the value.
    std::ofstream(path) << std::string("[RecentFiles]\n1=/a.wav \0/b.wav\n2=/c\r.wav\n", 41);
    ProfileFile profile(path);
    EXPECT_EQ(ReadRecentFile(profile, 1), "/a.wav");
    AddRecentFile(profile, "/new.wav");
    EXPECT_EQ(RecentList(profile),
              (std::vector<std::string>{"/new.wav", "/a.wav", "/c", "", "", ""}));
}

TEST(RecentFiles, SeventhFileDropsTheOldest) {
    test::TempDir dir;
    ProfileFile profile(dir.File("w.ini"));
    for (int i = 1; i <= 7; ++i) {
        AddRecentFile(profile, "/f" + std::to_string(i) + ".wav");
    }
    EXPECT_EQ(RecentList(profile), (std::vector<std::string>{"/f7.wav", "/f6.wav", "/f5.wav",
                                                             "/f4.wav", "/f3.wav", "/f2.wav"}));
}

TEST(RecentFiles, ChoosingAMissingEntryThreeLeavesItInPlace) {
    test::TestApp t;
    for (int i = 6; i >= 1; --i) {
        AddRecentFile(t.app.profile, "/gone/f" + std::to_string(i) + ".wav");
    }
    DispatchCommand(t.app, IDM_RECENT1 + 2);
    EXPECT_EQ(RecentList(t.app.profile),
              (std::vector<std::string>{"/gone/f1.wav", "/gone/f2.wav", "/gone/f3.wav",
                                        "/gone/f4.wav", "/gone/f5.wav", "/gone/f6.wav"}));
    // The file does not exist: it stays listed where it was (only a file that opened moves to
    // the top), the open went to that folder, and the document keeps its name, so a save
    // cannot write over the missing file's place.
    EXPECT_EQ(t.app.doc.title, "無題");
    EXPECT_EQ(t.app.settings.lastDirectory, "/gone");
    ASSERT_EQ(t.host.messages.size(), 1u);
    EXPECT_EQ(t.host.messages[0].text, "ファイルを開けません");
}

TEST(Settings, ExitStoresSizeDensityAndDirectoryButNotTheSizeWhenMinimized) {
    test::TestApp t;
    t.host.outerWidth = 700;
    t.host.outerHeight = 350;
    t.app.settings.density = 32;
    t.app.settings.lastDirectory = "/music";
    DispatchCommand(t.app, IDM_EXIT);
    ASSERT_TRUE(t.host.destroyed);
    ProfileFile profile(t.IniPath());
    EXPECT_EQ(profile.GetInt("Position", "width", 0), 700);
    EXPECT_EQ(profile.GetInt("Position", "height", 0), 350);
    EXPECT_EQ(profile.GetInt("Options", "density", 0), 32);
    EXPECT_EQ(profile.GetString("Options", "directory", ""), "/music");

    test::TestApp second;
    std::filesystem::copy_file(t.IniPath(), second.IniPath());
    second.host.minimized = true;
    second.host.outerWidth = 160;
    DispatchCommand(second.app, IDM_EXIT);
    ProfileFile kept(second.IniPath());
    EXPECT_EQ(kept.GetInt("Position", "width", 0), 700);
    EXPECT_EQ(kept.GetInt("Position", "height", 0), 350);
}

TEST(Settings, FileLivesBesideTheExecutableOrInTheConfigFolder) {
    test::TempDir dir;
    EXPECT_EQ(ResolveSettingsPath(dir.File("wtomuka"), ""), dir.File("wtomuka.ini"));
    EXPECT_EQ(ResolveSettingsPath(dir.File("wtomuka"), "/x/y.ini"), "/x/y.ini");
    EXPECT_EQ(ReplaceExtension("/opt/wt.d/wtomuka", ".ini"), "/opt/wt.d/wtomuka.ini");
    EXPECT_EQ(ReplaceExtension("/opt/wtomuka.bin", ".html"), "/opt/wtomuka.html");
    // An executable in a folder nobody may write to keeps its settings in the config folder.
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string oldValue = old ? old : "";
    setenv("XDG_CONFIG_HOME", dir.File("config").c_str(), 1);
    EXPECT_EQ(ResolveSettingsPath("/proc/self/wtomuka", ""),
              dir.File("config") + "/wavetomuka/wtomuka.ini");
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("config") + "/wavetomuka"));
    if (old) {
        setenv("XDG_CONFIG_HOME", oldValue.c_str(), 1);
    } else {
        unsetenv("XDG_CONFIG_HOME");
    }
}

// A name with a line break or a NUL would add lines of its own to the settings file: such a
// file opens, but is not listed, and its folder is not stored as the last directory.
TEST(Settings, NamesWithLineBreaksOrNulNeverReachTheFile) {
    test::TestApp t;
    AddRecentFile(t.app.profile, "/snd/kept.wav");
    const std::string folder = t.dir.File("odd\n[Options]\ndensity=1\n");
    std::filesystem::create_directory(folder);
    const std::string path = folder + "/x\n[Options]\ndensity=1\n.wav";
    t.SetSound(8, 1, 5, [](int f, int) { return f * 256; });
    t.app.doc.title = path;
    ASSERT_EQ(SaveSoundFile(t.app, 1), 1);
    t.SetSound(16, 1, 1, [](int, int) { return 0; });
    const std::string before = ReadAll(t.IniPath());

    t.host.QueueFile(path);
    EXPECT_EQ(DispatchCommand(t.app, IDM_OPEN), 1) << "the file itself opens";
    EXPECT_EQ(t.app.doc.byteLength, 5);
    AddRecentFile(t.app.profile, std::string("/snd/nul\0.wav", 13));
    EXPECT_EQ(ReadAll(t.IniPath()), before);
    MainWndProc(t.app, msg::Close, 0, 0); // exit stores the last directory
    const std::string after = ReadAll(t.IniPath());
    EXPECT_EQ(after.find("odd"), std::string::npos) << after;
    EXPECT_EQ(after.find("density=1\n"), std::string::npos) << after;
    EXPECT_EQ(RecentList(t.app.profile)[0], "/snd/kept.wav");
}

// Stored sizes no screen shows are kept to 100..16384 when read, so neither the zoom
// arithmetic nor the window sees them (the sanitizers watch the zoom commands).
TEST(Settings, ExtremeWindowSizesAreKeptToAScreen) {
    for (const auto& [stored, expected] :
         std::vector<std::pair<std::string, int>>{{"-99999999999", 100},
                                                  {"999999999", 16384},
                                                  {"0", 100},
                                                  {"2147483647", 16384},
                                                  {"640", 640}}) {
        test::TestApp t(false);
        std::ofstream(t.IniPath())
            << "[Position]\nwidth=" << stored << "\nheight=" << stored << "\n";
        t.Start();
        EXPECT_EQ(t.app.settings.startWidth, expected) << stored;
        EXPECT_EQ(t.app.settings.startHeight, expected) << stored;
        t.SetSound(16, 2, 200000, [](int f, int) { return f % 100; });
        t.app.doc.cursor = 100000 * 4;
        for (int command : {IDM_ZOOM_OUT, IDM_ZOOM_1_1024, IDM_ZOOM_1_1, IDM_ZOOM_IN}) {
            DispatchCommand(t.app, command);
        }
        EXPECT_GE(t.app.doc.viewStart, 0);
    }
}

// Two editors writing the settings file at once: every version a third one reads is whole.
TEST(Settings, ConcurrentWritersNeverLeaveATornFile) {
    test::TempDir dir;
    const std::string path = dir.File("shared.ini");
    ProfileFile profile(path);
    ASSERT_TRUE(profile.WriteString("Fixed", "first", "1"));
    ASSERT_TRUE(profile.WriteString("Fixed", "last", std::string(2000, 'x')));
    // Reads made before either writer's first write see this version.
    const std::string initial = ReadAll(path);
    std::vector<pid_t> writers;
    for (const char* key : {"a", "b"}) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0; i < 500; ++i) {
                profile.WriteString("Counters", key, std::to_string(i));
            }
            _exit(0);
        }
        writers.push_back(child);
    }
    int reads = 0, torn = 0;
    for (bool running = true; running; ++reads) {
        running = false;
        for (pid_t w : writers) {
            running = running || waitpid(w, nullptr, WNOHANG) == 0;
        }
        const std::string text = ReadAll(path);
        const bool whole = text == initial ||
                           (text.rfind(initial, 0) == 0 &&
                            text.find("[Counters]\n") != std::string::npos && text.back() == '\n');
        torn += whole ? 0 : 1;
    }
    EXPECT_EQ(torn, 0) << "of " << reads << " reads";
    const auto leftovers = std::distance(std::filesystem::directory_iterator(dir.Path()),
                                         std::filesystem::directory_iterator());
    EXPECT_EQ(leftovers, 1) << "no temporary file is left";
}

// Long names (Linux paths go to 4095 bytes) reach the reader whole from the recent files, a
// drop and the command line.
TEST(RecentFiles, LongPathsArriveWhole) {
    test::TestApp t;
    std::string folder = t.dir.Path().string();
    while (folder.size() < 370) {
        folder += "/" + std::string(40, 'd');
    }
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/sound.wav";
    ASSERT_GE(path.size(), 380u);
    t.SetSound(8, 1, 3, [](int f, int) { return f * 256; });
    t.app.doc.title = path;
    ASSERT_EQ(SaveSoundFile(t.app, 1), 1);

    AddRecentFile(t.app.profile, path);
    EXPECT_EQ(ReadRecentFile(t.app.profile, 1), path);
    const std::vector<std::function<void(test::TestApp&)>> ways = {
        [](test::TestApp& e) { DispatchCommand(e.app, IDM_RECENT1); },
        [&](test::TestApp& e) { OnDropFiles(e.app, {path}); },
    };
    for (const auto& open : ways) {
        t.SetSound(16, 1, 1, [](int, int) { return 0; });
        t.app.doc.title = "無題";
        open(t);
        EXPECT_EQ(t.app.doc.title, path);
        EXPECT_EQ(t.app.doc.byteLength, 3);
    }
    EXPECT_EQ(ReadRecentFile(t.app.profile, 1), path);
    test::TestApp fromCommandLine(true, path);
    EXPECT_EQ(fromCommandLine.app.doc.byteLength, 3);
    EXPECT_EQ(fromCommandLine.app.settings.lastDirectory, folder);
}

// The settings folder follows the XDG rules: $XDG_CONFIG_HOME only when it is absolute, else
// HOME/.config, with HOME from $HOME when absolute and else from the password database. With
// no usable folder there is no settings file: nothing is written and a batch run says so.
TEST(Settings, TheConfigFolderFollowsTheXdgRules) {
    test::TempDir dir;
    const ScopedCurrentFolder inDir(dir.Path()); // where a relative folder would be made
    ScopedEnvironment xdg("XDG_CONFIG_HOME", std::nullopt);
    ScopedEnvironment home("HOME", dir.File("home"));
    const std::string fromHome = dir.File("home") + "/.config/wavetomuka/wtomuka.ini";
    struct Case {
        std::optional<std::string> xdg;
        std::string expected;
    };
    for (const Case& c : std::vector<Case>{
             {dir.File("xdg"), dir.File("xdg") + "/wavetomuka/wtomuka.ini"},
             {"relative", fromHome},
             {"", fromHome},
             {std::nullopt, fromHome},
         }) {
        xdg.Set(c.xdg);
        EXPECT_EQ(ResolveSettingsPath("/proc/self/wtomuka", ""), c.expected) << c.xdg.value_or("");
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("relative")));

    // No home to be had: the password database's home of user 65534 is a folder that is not
    // there ("/nonexistent"). Checked in a child that has become that user.
    if (geteuid() != 0) {
        return; // the database would name this user's real home
    }
    ASSERT_EQ(chmod(dir.Path().c_str(), 0777), 0);
    const int status = test::RunUnprivileged([&] {
        const passwd* entry = getpwuid(getuid());
        if (!entry || std::filesystem::exists(entry->pw_dir)) {
            return false;
        }
        xdg.Set("relative");
        bool noFile = true;
        for (const std::optional<std::string>& value :
             {std::optional<std::string>(), std::optional<std::string>("home")}) {
            home.Set(value);
            noFile = noFile && ResolveSettingsPath("/proc/self/wtomuka", "").empty();
        }
        BatchOptions options;
        options.modulePath = "/proc/self/wtomuka";
        options.lines = {"info"};
        std::istringstream in;
        std::ostringstream out, err;
        const bool ran = RunBatch(options, in, out, err) == 0;
        return noFile && ran &&
               err.str() == "warning: no folder for the settings file (neither XDG_CONFIG_HOME "
                            "nor HOME names one): the settings are neither read nor saved\n";
    });
    EXPECT_EQ(status, 0);
}

// Recent files are stored with absolute paths, so a file saved by a name relative to a run's
// folder opens later from any folder. A batch run without --ini reads the user's settings but
// leaves the file as it was, and still lists its own saves for its later lines; with --ini
// it writes that file.
TEST(RecentFiles, EntriesAreAbsoluteAndABatchRunLeavesTheUsersFileAlone) {
    test::TempDir dir;
    const ScopedCurrentFolder inDir(dir.Path());
    ProfileFile profile(dir.File("list.ini"));
    AddRecentFile(profile, "out1.wav");
    AddRecentFile(profile, "sub/../b.wav");
    EXPECT_EQ(RecentList(profile)[0], dir.File("sub/../b.wav"));
    EXPECT_EQ(RecentList(profile)[1], dir.File("out1.wav"));

    const std::string users = dir.File("wtomuka.ini"); // beside a build's executable
    std::ofstream(users) << "[RecentFiles]\n1=/elsewhere/a.wav\n";
    const std::string before = ReadAll(users);
    for (const std::string& ini : {std::string(), users}) {
        BatchOptions options;
        options.modulePath = dir.File("wtomuka");
        options.iniPath = ini;
        options.lines = {"answer yes", "saveas out2.wav", "recent 1", "info"};
        std::istringstream in;
        std::ostringstream out, err;
        EXPECT_EQ(RunBatch(options, in, out, err), 0) << err.str();
        EXPECT_NE(out.str().find("caption: WaveTomuka -[" + dir.File("out2.wav") + "]\n"),
                  std::string::npos)
            << out.str();
        if (ini.empty()) {
            EXPECT_EQ(ReadAll(users), before) << "the run without --ini";
        }
    }
    EXPECT_EQ(RecentList(ProfileFile(users))[0], dir.File("out2.wav")) << "the run with --ini";
    EXPECT_EQ(RecentList(ProfileFile(users))[1], "/elsewhere/a.wav");
}

} // namespace
