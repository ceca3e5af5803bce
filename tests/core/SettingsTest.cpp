#include "TestApp.h"

#include "app/Settings.h"
#include "resources/CommandIds.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

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
    EXPECT_EQ(s.startHeight, -3) << "integers are read as their leading digits";
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

TEST(RecentFiles, SeventhFileDropsTheOldest) {
    test::TempDir dir;
    ProfileFile profile(dir.File("w.ini"));
    for (int i = 1; i <= 7; ++i) {
        AddRecentFile(profile, "/f" + std::to_string(i) + ".wav");
    }
    EXPECT_EQ(RecentList(profile), (std::vector<std::string>{"/f7.wav", "/f6.wav", "/f5.wav",
                                                             "/f4.wav", "/f3.wav", "/f2.wav"}));
}

TEST(RecentFiles, ChoosingEntryThreeMovesItToTheTop) {
    test::TestApp t;
    for (int i = 6; i >= 1; --i) {
        AddRecentFile(t.app.profile, "/gone/f" + std::to_string(i) + ".wav");
    }
    DispatchCommand(t.app, IDM_RECENT1 + 2);
    EXPECT_EQ(RecentList(t.app.profile),
              (std::vector<std::string>{"/gone/f3.wav", "/gone/f1.wav", "/gone/f2.wav",
                                        "/gone/f4.wav", "/gone/f5.wav", "/gone/f6.wav"}));
    // The file does not exist: it stays listed, and the open went to that path.
    EXPECT_EQ(t.app.doc.title, "/gone/f3.wav");
    EXPECT_EQ(t.app.settings.lastDirectory, "/gone");
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

} // namespace
