// The display settings dialog (115) on the scripted host.
#include "ViewTestSupport.h"

#include "batch/Batch.h"
#include "editor/CommandIds.h"
#include "hosts/scripted/ScriptedDialog.h"
#include "resources/Dialogs.h"
#include "view/DisplaySettings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <tuple>
#include <unistd.h>

namespace wt::test {
namespace {

class DisplaySettings : public ::testing::Test {
protected:
    void SetUp() override {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char& ch : name) {
            ch = ch == '/' ? '_' : ch;
        }
        iniPath = (std::filesystem::temp_directory_path() /
                   ("wt-view-" + std::to_string(getpid()) + "-" + name + ".ini"))
                      .string();
        std::filesystem::remove(iniPath);
        e.app.profile.SetPath(iniPath);
    }
    void TearDown() override { std::filesystem::remove(iniPath); }

    int Run(DialogScript script) {
        e.host.QueueDialog(std::move(script));
        return DispatchCommand(e.app, IDM_DISPLAY_SETTINGS);
    }
    int Stored(const char* key) const { return e.app.profile.GetInt("Options", key, -1); }

    ViewEditor e;
    std::string iniPath;
};

TEST_F(DisplaySettings, OkStoresAllThreeKeysEvenUnchanged) {
    e.app.settings.density = 8;
    e.app.settings.dispMode = 0;
    e.app.settings.trackMode = 0;
    EXPECT_EQ(Run({}), 1);
    ASSERT_EQ(e.host.shownDialogs.size(), 1u);
    EXPECT_EQ(e.host.shownDialogs[0].templateId, 115);
    EXPECT_EQ(Stored("density"), 8);
    EXPECT_EQ(Stored("dispmode"), 0);
    EXPECT_EQ(Stored("trackmode"), 0);
}

TEST_F(DisplaySettings, OkStoresTheNewValues) {
    const int invalidations = e.host.waveInvalidations;
    EXPECT_EQ(Run({{{102, "20"}, {104, "1"}, {106, "1"}}}), 1);
    EXPECT_EQ(e.app.settings.density, 20);
    EXPECT_EQ(e.app.settings.dispMode, 1);
    EXPECT_EQ(e.app.settings.trackMode, 1);
    EXPECT_EQ(Stored("density"), 20);
    EXPECT_EQ(Stored("dispmode"), 1);
    EXPECT_EQ(Stored("trackmode"), 1);
    EXPECT_GE(e.host.waveInvalidations, invalidations + 2); // the preview and OK
}

TEST_F(DisplaySettings, CancelRestoresDensityAndMode) {
    e.app.settings.density = 8;
    e.app.settings.trackMode = 0;
    DialogScript script{{{102, "100"}, {104, "1"}, {106, "1"}}, true};
    const int invalidations = e.host.waveInvalidations;
    EXPECT_EQ(Run(script), 1);
    EXPECT_EQ(e.app.settings.density, 8);
    EXPECT_EQ(e.app.settings.dispMode, 0);
    EXPECT_EQ(e.app.settings.trackMode, 0);
    EXPECT_EQ(Stored("density"), -1); // nothing written
    // Repainted for the preview and again after Cancel, which may have undone it.
    EXPECT_EQ(e.host.waveInvalidations, invalidations + 2);
}

// The edit field's text and the density it gives.
class DisplaySettingsDensity : public DisplaySettings,
                               public ::testing::WithParamInterface<std::pair<const char*, int>> {};

TEST_P(DisplaySettingsDensity, TypedTextIsClamped) {
    const auto [text, density] = GetParam();
    Run({{{102, text}}});
    EXPECT_EQ(e.app.settings.density, density);
    EXPECT_EQ(Stored("density"), density);
}

INSTANTIATE_TEST_SUITE_P(Texts, DisplaySettingsDensity,
                         ::testing::Values(std::pair{"500", 128}, std::pair{"0", 1},
                                           std::pair{"", 1}, std::pair{"abc", 1},
                                           std::pair{"-5", 1}, std::pair{"77", 77},
                                           std::pair{"128", 128}, std::pair{"1", 1}));

// Scroll bar requests on the density bar, starting at 8: {code, position, new density}.
using BarCase = std::tuple<unsigned, int, int>;
class DisplaySettingsBar : public ::testing::TestWithParam<BarCase> {};

TEST_P(DisplaySettingsBar, StepsAndClamps) {
    const auto [code, position, density] = GetParam();
    ViewEditor e;
    e.app.settings.density = 8;
    DisplaySettingsDialog state;
    state.app = &e.app;
    ScriptedDialog dialog(*FindDialogTemplate(kDisplaySettingsDialog),
                          [&state](DialogHost& d, unsigned m, WParam w, LParam l) {
                              return DisplaySettingsDlgProc(state, d, m, w, l);
                          });
    ASSERT_TRUE(dialog.Initialize(reinterpret_cast<LParam>(&e.app.settings.density)));
    EXPECT_EQ(dialog.GetScrollPos(101), 8);
    EXPECT_EQ(dialog.GetItemText(102), "8");
    DisplaySettingsDlgProc(state, dialog, msg::HScroll,
                           MakeWParam(code, static_cast<unsigned>(position)), 101);
    EXPECT_EQ(e.app.settings.density, density);
    EXPECT_EQ(dialog.GetScrollPos(101), density);
    EXPECT_EQ(dialog.GetItemText(102), std::to_string(density));
}

INSTANTIATE_TEST_SUITE_P(Requests, DisplaySettingsBar,
                         ::testing::Values(BarCase{sb::LineUp, 0, 7}, BarCase{sb::LineDown, 0, 9},
                                           BarCase{sb::PageUp, 0, 2}, // 127 / 20 = 6
                                           BarCase{sb::PageDown, 0, 14},
                                           BarCase{sb::ThumbTrack, 90, 90},
                                           BarCase{sb::ThumbTrack, 0, 1}, // clamped to 1
                                           BarCase{sb::ThumbPosition, 90, 8},
                                           BarCase{sb::EndScroll, 0, 8}));

TEST(DisplaySettingsDialog, InitialStateAndLivePreview) {
    ViewEditor e;
    e.app.settings.density = 300; // out of range in memory: shown clamped
    e.app.settings.dispMode = 1;
    e.app.settings.trackMode = 1;
    DisplaySettingsDialog state;
    state.app = &e.app;
    ScriptedDialog dialog(*FindDialogTemplate(kDisplaySettingsDialog),
                          [&state](DialogHost& d, unsigned m, WParam w, LParam l) {
                              return DisplaySettingsDlgProc(state, d, m, w, l);
                          });
    ASSERT_TRUE(dialog.Initialize(reinterpret_cast<LParam>(&e.app.settings.density)));
    EXPECT_EQ(dialog.Caption(), "表示設定");
    EXPECT_EQ(dialog.GetItemText(102), "128");
    EXPECT_EQ(dialog.IsButtonChecked(103), Unchecked);
    EXPECT_EQ(dialog.IsButtonChecked(104), Checked);
    EXPECT_EQ(dialog.IsButtonChecked(106), Checked);
    std::string error;
    const int invalidations = e.host.waveInvalidations;
    ASSERT_TRUE(dialog.Apply(103, "1", error)) << error;
    EXPECT_EQ(e.app.settings.dispMode, 0); // in effect before the dialog closes
    EXPECT_EQ(e.host.waveInvalidations, invalidations + 1);
    EXPECT_FALSE(dialog.Ended());
    // Unticking tracking changes nothing until OK.
    ASSERT_TRUE(dialog.Apply(106, "0", error)) << error;
    EXPECT_EQ(e.app.settings.trackMode, 1);
    dialog.Press(IdOk);
    EXPECT_TRUE(dialog.Ended());
    EXPECT_EQ(e.app.settings.trackMode, 0);
}

// The batch command line reaches the dialog through the generic command path.
TEST(DisplaySettingsBatch, CommandLineStoresTheSettings) {
    const std::string ini = (std::filesystem::temp_directory_path() /
                             ("wt-view-batch-" + std::to_string(getpid()) + ".ini"))
                                .string();
    std::filesystem::remove(ini);
    BatchOptions options;
    options.modulePath = "/nonexistent/wtomuka";
    options.iniPath = ini;
    options.lines = {"display_settings 102=500 104=1 106=1", "zoom_in", "select_all"};
    std::istringstream in;
    std::ostringstream out, err;
    EXPECT_EQ(RunBatch(options, in, out, err), 0) << err.str();
    const ProfileFile profile(ini);
    EXPECT_EQ(profile.GetInt("Options", "density", -1), 128);
    EXPECT_EQ(profile.GetInt("Options", "dispmode", -1), 1);
    EXPECT_EQ(profile.GetInt("Options", "trackmode", -1), 1);
    std::filesystem::remove(ini);
}

} // namespace
} // namespace wt::test
