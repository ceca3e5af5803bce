// Where the editor finds its own files, built or installed, and the documents that describe
// its commands.
#include "TestApp.h"

#include "batch/AppBatch.h"
#include "batch/Batch.h"
#include "editor/CommandIds.h"
#include "window/CommandTable.h"
#include "window/MainWindow.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

using namespace wt;

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void Touch(const std::filesystem::path& path) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << "x";
}

// Sets an environment variable for the life of the object, then puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        const char* old = std::getenv(name);
        had_ = old != nullptr;
        old_ = old ? old : "";
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (had_) {
            setenv(name_, old_.c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    bool had_;
    std::string old_;
};

std::string PathsOf(const std::string& modulePath) {
    BatchOptions options;
    options.modulePath = modulePath;
    options.lines = {"paths"};
    std::istringstream in;
    std::ostringstream out, err;
    EXPECT_EQ(RunBatch(options, in, out, err), 0) << err.str();
    return out.str();
}

} // namespace

// An installed editor (PREFIX/bin beside PREFIX/share/wavetomuka) reads its help page and about
// sound from the share folder and keeps its settings in the config folder even though its own
// folder is writable (as /usr/local/bin is for root); a built one keeps all beside itself.
TEST(InstallLayout, InstalledAndBuiltEditorsFindTheirFiles) {
    test::TempDir dir;
    const ScopedEnv xdg("XDG_CONFIG_HOME", dir.File("config"));
    const std::string prefix = dir.File("prefix"), build = dir.File("build");
    const std::string other = dir.File("other"); // a bin folder with no share/wavetomuka
    const std::string configIni = dir.File("config") + "/wavetomuka/wtomuka.ini";
    Touch(prefix + "/share/wavetomuka/wtomuka.html");
    Touch(prefix + "/share/wavetomuka/about.wav");
    Touch(build + "/about.wav");
    std::filesystem::create_directories(prefix + "/bin"); // writable, but not used
    std::filesystem::create_directories(other + "/bin");
    std::filesystem::create_directories(build);
    struct Case {
        std::string module, settings, help, about;
        int helpFound, aboutFound;
    };
    const std::vector<Case> cases = {
        {prefix + "/bin/wtomuka", configIni, prefix + "/share/wavetomuka/wtomuka.html",
         prefix + "/share/wavetomuka/about.wav", 1, 1},
        {build + "/wtomuka", build + "/wtomuka.ini", build + "/wtomuka.html", build + "/about.wav",
         0, 1},
        {other + "/bin/wtomuka", other + "/bin/wtomuka.ini", other + "/bin/wtomuka.html",
         other + "/bin/about.wav", 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PathsOf(c.module),
                  "settings: " + c.settings + "\nhelp: " + c.help +
                      "\nhelpFound: " + std::to_string(c.helpFound) + "\naboutSound: " + c.about +
                      "\naboutSoundFound: " + std::to_string(c.aboutFound) + "\n")
            << c.module;
    }
    // The editor's own commands use those paths.
    test::TestApp t(false);
    t.host.modulePath = prefix + "/bin/wtomuka";
    InitializeApp(t.app, t.host.modulePath, "");
    MainWndProc(t.app, msg::Create, 0, 0);
    FinishStartup(t.app, "");
    DispatchCommand(t.app, IDM_HELP_CONTENTS);
    DispatchCommand(t.app, IDM_ABOUT);
    EXPECT_EQ(t.host.helpOpened, std::vector<std::string>{cases[0].help});
    EXPECT_EQ(t.host.soundsPlayed, std::vector<std::string>{cases[0].about});
    MainWndProc(t.app, msg::Close, 0, 0); // exit writes the window size and the last folder
    EXPECT_TRUE(std::filesystem::is_regular_file(configIni));
    EXPECT_FALSE(std::filesystem::exists(prefix + "/bin/wtomuka.ini"));
}

// The README's command table is the menu as built, so it stays current as commands are added
// (tools/update_readme.sh rewrites it). Every command of the table is reachable from the menu.
TEST(InstallLayout, ReadmeListsEveryMenuCommandWithItsBatchName) {
    const std::string table = MenuCommandTable();
    for (const char* row : {"| ﾌｧｲﾙ(F) | 開く(O)... | Ctrl+O | `open` |\n",
                            "| 編集(E) | 削除(L) | Del | `delete` |\n",
                            "| 効果(T) | 位相反転 |  | `phase_invert` |\n",
                            "| ﾌｧｲﾙ(F) | 1:PATH … 6:PATH (recent files) |  | `recent N` |\n"}) {
        EXPECT_NE(table.find(row), std::string::npos) << row;
    }
    for (const CommandEntry& entry : CommandTable()) {
        if (entry.id != IDM_NOP) {
            EXPECT_NE(table.find(" | `" + BatchName(entry) + "` |\n"), std::string::npos)
                << entry.name;
        }
    }
    const std::string readme = ReadText(WT_SOURCE_DIR "/README.md");
    const std::string begin = "<!-- menu-commands:begin -->\n", end = "<!-- menu-commands:end -->";
    const auto from = readme.find(begin), to = readme.find(end);
    ASSERT_NE(from, std::string::npos);
    ASSERT_NE(to, std::string::npos);
    EXPECT_EQ(readme.substr(from + begin.size(), to - from - begin.size()), table)
        << "run tools/update_readme.sh BUILD_FOLDER/wtomuka";
}

// Every batch verb is described in the README and in the manual page.
TEST(InstallLayout, ReadmeAndManualPageNameEveryBatchVerb) {
    const std::string readme = ReadText(WT_SOURCE_DIR "/README.md");
    const std::string manual = ReadText(WT_SOURCE_DIR "/dist/wtomuka.1");
    ASSERT_FALSE(manual.empty());
    // A verb in the manual page starts a bold macro line: .B info, .BI "cursor " POS, ...
    auto inManual = [&manual](const std::string& name) {
        for (const char* macro : {"\n.B ", "\n.BI ", "\n.BR "}) {
            for (const char* quote : {"", "\""}) {
                const std::string start = macro + std::string(quote) + name;
                for (auto at = manual.find(start); at != std::string::npos;
                     at = manual.find(start, at + 1)) {
                    const char next = manual[at + start.size()];
                    if (next == ' ' || next == '"' || next == '\n') {
                        return true;
                    }
                }
            }
        }
        return false;
    };
    for (const BatchVerb& verb : BatchVerbs()) {
        const std::string name = verb.name;
        EXPECT_NE(readme.find("`" + name), std::string::npos) << name << " in README.md";
        EXPECT_TRUE(inManual(name)) << name << " in wtomuka.1";
    }
}
