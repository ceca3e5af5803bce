// The dynamics, delay and modulation effects in the effect frame: undo of every byte on every
// format, the out-of-memory paths, their dialogs (Cancel, third-state boxes, radio buttons,
// one-decimal fields), their progress, and batch mode by name.
#include "EffectCaseSupport.h"

#include "batch/Batch.h"
#include "commands/effects/DelayEffects.h"
#include "commands/effects/DynamicsEffects.h"
#include "commands/effects/ModulationEffects.h"
#include "editor/CommandIds.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace wt;
using namespace wt::test;

namespace {

// A signal that touches the extremes and both signs on every channel.
int Signal(int frame, int channel) {
    static const int values[] = {-32768, 32767, 0, 1, -1, 12345, -23456, 256, -256, 30000};
    return values[(frame * 3 + channel * 7) % 10];
}

struct Effect {
    const char* name;
    Command command;
    int menuId;
    int dialogId;
    const char* caption; // of its messages
    bool workBuffer;
    void (*changing)(EffectState&); // parameters that change every format within a few frames
    int* (*firstBar)(EffectState&); // the parameter of its first scroll bar (control 200)
};

// clang-format off
const Effect kEffects[] = {
    {"Compressor", CmdCompressor, IDM_COMPRESSOR, 6, "コンプレッサー", true,
     [](EffectState&) {}, [](EffectState& s) { return &s.dynamics.compressor.outputLevel; }},
    {"NoiseGate", CmdNoiseGate, IDM_NOISE_GATE, 7, "ノイズゲート", false,
     [](EffectState& s) { s.dynamics.noiseGate = {100, 1, 1}; }, [](EffectState& s) { return &s.dynamics.noiseGate.level; }},
    {"Distortion", CmdDistortion, IDM_DISTORTION, 109, "ディストーション", false,
     [](EffectState&) {}, [](EffectState& s) { return &s.dynamics.distortion.depth; }},
    {"Echo", CmdEcho, IDM_ECHO, 110, "エコー", true,
     [](EffectState& s) { s.delay.echo.delayMs = 0; }, [](EffectState& s) { return &s.delay.echo.delayMs; }},
    {"Reverb", CmdReverb, IDM_REVERB, 2, "リバーブ", true,
     [](EffectState&) {}, [](EffectState& s) { return &s.delay.reverb.timeMs; }},
    {"Flanger", CmdFlanger, IDM_FLANGER, 111, "フランジャー", true,
     [](EffectState& s) { s.delay.flanger.level = 50; }, [](EffectState& s) { return &s.delay.flanger.level; }},
    {"Tremolo", CmdTremolo, IDM_TREMOLO, 114, "トレモロ", false,
     [](EffectState&) {}, [](EffectState& s) { return &s.modulation.tremolo.level; }},
    {"Vibrato", CmdVibrato, IDM_VIBRATO, 9, "ビブラート", true,
     [](EffectState& s) { s.modulation.vibrato = {100, 200, 0}; }, [](EffectState& s) { return &s.modulation.vibrato.depth; }},
};
// clang-format on

void PrintTo(const Effect& e, std::ostream* os) {
    *os << e.name;
}

struct Format {
    int bits;
    int channels;
};

class EffectUndo : public ::testing::TestWithParam<std::tuple<Effect, Format>> {};

TEST_P(EffectUndo, OnlyTheSelectionChangesAndUndoRestoresEveryByte) {
    const auto& [effect, format] = GetParam();
    TestApp t;
    t.SetSound(format.bits, format.channels, 12, Signal);
    SoundDocument& doc = t.app.doc;
    const int blockAlign = doc.format.blockAlign;
    doc.selStart = 2 * blockAlign;
    doc.selEnd = 9 * blockAlign;
    doc.cursor = doc.anchor = doc.selStart;
    effect.changing(t.app.effects);
    const std::vector<std::uint8_t> before = Bytes(t.app);

    ASSERT_EQ(DispatchCommand(t.app, effect.menuId), 1);
    const std::vector<std::uint8_t> after = Bytes(t.app);
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (static_cast<int>(i) < doc.selStart || static_cast<int>(i) >= doc.selEnd) {
            EXPECT_EQ(after[i], before[i]) << "byte " << i << " lies outside the selection";
        }
    }
    EXPECT_NE(after, before);
    EXPECT_EQ(doc.selStart, 2 * blockAlign) << "the selection stays for a second run";
    EXPECT_EQ(doc.selEnd, 9 * blockAlign);
    EXPECT_TRUE(doc.modified);
    ASSERT_EQ(t.host.shownDialogs.size(), 1u);
    EXPECT_EQ(t.host.shownDialogs[0].templateId, effect.dialogId);

    ASSERT_EQ(DispatchCommand(t.app, IDM_UNDO), 1);
    EXPECT_EQ(Bytes(t.app), before);
    EXPECT_EQ(doc.selStart, 2 * blockAlign);
    ASSERT_EQ(DispatchCommand(t.app, IDM_UNDO), 1);
    EXPECT_EQ(Bytes(t.app), after) << "undoing the undo brings the effect back";
}

INSTANTIATE_TEST_SUITE_P(EffectsAndFormats, EffectUndo,
                         ::testing::Combine(::testing::ValuesIn(kEffects),
                                            ::testing::Values(Format{8, 1}, Format{8, 2},
                                                              Format{16, 1}, Format{16, 2})),
                         [](const auto& info) {
                             const Effect& effect = std::get<0>(info.param);
                             const Format& format = std::get<1>(info.param);
                             return std::string(effect.name) + std::to_string(format.bits) + "bit" +
                                    std::to_string(format.channels) + "ch";
                         });

class EffectFamily : public ::testing::TestWithParam<Effect> {};

// Makes every allocation above `bytes` fail while it lives.
struct AllocationLimit {
    explicit AllocationLimit(std::size_t bytes) {
        SampleBlock::SetAllocationLimitForTesting(bytes);
    }
    ~AllocationLimit() { SampleBlock::SetAllocationLimitForTesting(0); }
};

// Without the undo copy nothing changes; without the work buffer the undo exchange puts the
// sound back and the command ends before the busy menu. Either way the user is told.
TEST_P(EffectFamily, ShortOfMemoryChangesNothingAndSaysSo) {
    const Effect& effect = GetParam();
    for (const bool snapshotFits : {false, true}) {
        if (snapshotFits && !effect.workBuffer) {
            continue;
        }
        TestApp t;
        t.SetSound(16, 2, 1000, Signal);
        const std::vector<std::uint8_t> before = Bytes(t.app);
        if (snapshotFits) {
            // The undo block already has the sound's size, so only the work buffer is new.
            ASSERT_EQ(TakeSnapshot(t.app.doc, t.app.undo), 1);
        }
        t.host.onPump = [] {
            ADD_FAILURE() << "no processing without memory";
            return false;
        };
        {
            AllocationLimit limit(snapshotFits ? 1 : 1000);
            EXPECT_EQ(effect.command(t.app), 0);
        }
        ASSERT_EQ(t.host.messages.size(), 1u) << (snapshotFits ? "work buffer" : "snapshot");
        EXPECT_EQ(t.host.messages[0].text, "メモリーが足りません");
        EXPECT_EQ(t.host.messages[0].caption, effect.caption);
        EXPECT_EQ(t.host.messages[0].flags, mb::Ok | mb::IconWarning);
        EXPECT_EQ(Bytes(t.app), before);
        EXPECT_EQ(t.app.doc.selEnd, 4000);
        EXPECT_FALSE(t.app.doc.modified);
        EXPECT_FALSE(t.app.busy);
        EXPECT_EQ(t.host.menu, &t.app.menus.normal);
    }
}

TEST_P(EffectFamily, CancelKeepsTheMovedValueTheSoundAndTheWholeSelection) {
    const Effect& effect = GetParam();
    TestApp t;
    t.SetSound(16, 2, 100, Signal);
    const std::vector<std::uint8_t> before = Bytes(t.app);
    t.host.QueueDialog({{{200, "7"}}, true});
    EXPECT_EQ(DispatchCommand(t.app, effect.menuId), 0);
    EXPECT_EQ(Bytes(t.app), before);
    EXPECT_FALSE(t.app.doc.modified);
    EXPECT_EQ(t.app.doc.selStart, 0);
    EXPECT_EQ(t.app.doc.selEnd, 400) << "the selection rule ran before the dialog";
    EXPECT_EQ(*effect.firstBar(t.app.effects), 7);
    EXPECT_TRUE(t.host.scriptErrors.empty());
}

INSTANTIATE_TEST_SUITE_P(Commands, EffectFamily, ::testing::ValuesIn(kEffects),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(EffectDialogs, StereoOnlyBoxesCannotBeTickedOnAMonoSound) {
    for (const bool flanger : {true, false}) {
        TestApp t;
        t.SetSound(16, 1, 10, [](int, int) { return 1000; });
        int& flag = flanger ? t.app.effects.delay.flanger.stereoFlange
                            : t.app.effects.modulation.tremolo.autoPan;
        const int box = flanger ? kIdStereoFlange : kIdAutoPan;
        flag = 1;
        // Cancel: the flanger has cleared its flag before the dialog, the tremolo has not.
        t.host.QueueDialog({{}, true});
        EXPECT_EQ(DispatchCommand(t.app, flanger ? IDM_FLANGER : IDM_TREMOLO), 0);
        EXPECT_EQ(flag, flanger ? 0 : 1);
        flag = 1;
        t.host.QueueDialog({{{box, "1"}}});
        EXPECT_EQ(DispatchCommand(t.app, flanger ? IDM_FLANGER : IDM_TREMOLO), 1);
        EXPECT_EQ(flag, 0) << "a box in its third state reads as 0";
    }
    // On a stereo sound the boxes work.
    TestApp t;
    t.SetSound(16, 2, 10, [](int, int) { return 1000; });
    t.host.QueueDialog({{{kIdStereoFlange, "1"}}});
    t.host.QueueDialog({{{kIdAutoPan, "1"}}});
    EXPECT_EQ(DispatchCommand(t.app, IDM_FLANGER), 1);
    EXPECT_EQ(DispatchCommand(t.app, IDM_TREMOLO), 1);
    EXPECT_EQ(t.app.effects.delay.flanger.stereoFlange, 1);
    EXPECT_EQ(t.app.effects.modulation.tremolo.autoPan, 1);
}

TEST(EffectDialogs, RadioButtonsAndOneDecimalFields) {
    TestApp t;
    t.SetSound(16, 2, 10, [](int, int) { return 1000; });
    t.host.QueueDialog({{{kIdFuzz, "1"}}});
    EXPECT_EQ(DispatchCommand(t.app, IDM_DISTORTION), 1);
    EXPECT_EQ(t.app.effects.dynamics.distortion.mode, 0);
    t.host.QueueDialog({{{kIdOverdrive, "1"}}});
    EXPECT_EQ(DispatchCommand(t.app, IDM_DISTORTION), 1);
    EXPECT_EQ(t.app.effects.dynamics.distortion.mode, 1);

    // The vibrato's rate and onset are tenths shown with one decimal: 0.7 Hz is 7, 1.26 s is
    // 13, 50 s is clamped to 10.0 s; a bar position of 7 is 0.7.
    VibratoParams& vibrato = t.app.effects.modulation.vibrato;
    t.host.QueueDialog({{{kIdVibratoRateEdit, "0.7"}, {kIdOnsetEdit, "1.26"}}});
    EXPECT_EQ(DispatchCommand(t.app, IDM_VIBRATO), 1);
    EXPECT_EQ(vibrato.rate, 7);
    EXPECT_EQ(vibrato.onset, 13);
    t.host.QueueDialog({{{kIdOnsetEdit, "50"}, {kIdVibratoRateBar, "0"}}});
    EXPECT_EQ(DispatchCommand(t.app, IDM_VIBRATO), 1);
    EXPECT_EQ(vibrato.onset, 100);
    EXPECT_EQ(vibrato.rate, 1) << "the bar keeps to 1..200";
    EXPECT_TRUE(t.host.scriptErrors.empty());
}

struct ProgressCase {
    const char* name;
    Command command;
    std::vector<std::string> texts; // status part 0 at each pump
};

void PrintTo(const ProgressCase& c, std::ostream* os) {
    *os << c.name;
}

class EffectFamilyProgress : public ::testing::TestWithParam<ProgressCase> {};

// 1000 frames of 16-bit mono: a text every 200 frames with the bytes done before the frame.
TEST_P(EffectFamilyProgress, WritesThePercentageEvery200Frames) {
    TestApp t;
    t.SetSound(16, 1, 1000, [](int f, int) { return f % 2 ? 3000 : -3000; });
    std::vector<std::string> texts;
    t.host.onPump = [&] {
        texts.push_back(t.host.StatusText(0));
        EXPECT_TRUE(t.app.busy);
        return false;
    };
    ASSERT_EQ(GetParam().command(t.app), 1);
    EXPECT_EQ(texts, GetParam().texts);
    EXPECT_EQ(t.host.StatusText(0), "22050Hz 16Bits Mono") << "the format replaces the progress";
}

std::vector<std::string> Percentages(const std::string& label,
                                     std::vector<std::string> texts = {}) {
    for (const char* p : {": 19%", ": 39%", ": 59%", ": 79%", ": 99%"}) {
        texts.push_back(label + p);
    }
    return texts;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, EffectFamilyProgress,
    ::testing::Values(ProgressCase{"Compressor", CmdCompressor, {}},
                      ProgressCase{"NoiseGate", CmdNoiseGate, Percentages("ノイズゲート")},
                      ProgressCase{"Distortion", CmdDistortion, Percentages("ディストーション")},
                      ProgressCase{"Echo", CmdEcho, Percentages("エコー")},
                      // The DC removal runs first as a command of its own.
                      ProgressCase{"Reverb", CmdReverb,
                                   Percentages("リバーブ", Percentages("DC成分除去"))},
                      ProgressCase{"Flanger", CmdFlanger, Percentages("フランジャー")},
                      ProgressCase{"Tremolo", CmdTremolo, Percentages("トレモロ")},
                      ProgressCase{"Vibrato", CmdVibrato, Percentages("ビブラート")}),
    [](const auto& info) { return std::string(info.param.name); });

struct BatchCase {
    const char* line;
    std::vector<int> expected; // the sound after the line, from {1000, -2000, 3000, -4000}
};

void PrintTo(const BatchCase& c, std::ostream* os) {
    *os << c.line;
}

class EffectFamilyBatch : public ::testing::TestWithParam<BatchCase> {};

TEST_P(EffectFamilyBatch, RunsByNameWithDialogValues) {
    TestApp t;
    Load(t, 16, 2, {1000, -2000, 3000, -4000});
    std::ostringstream out, err;
    BatchContext context{t.app, t.host, out, err};
    std::string error;
    bool stop = false;
    ASSERT_TRUE(RunBatchLine(context, GetParam().line, error, stop)) << error;
    EXPECT_EQ(ReadAll(t.app), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, EffectFamilyBatch,
    ::testing::Values(
        // Envelopes 1500 and 3500 give g = 100: d = (50 * 50 + 100 * 50) / 100 = 75.
        BatchCase{"compressor 202=50", {750, -1500, 2250, -3000}},
        BatchCase{"noise_gate 201=0", {1000, -2000, 3000, -4000}},
        BatchCase{"distortion 202=1 200=100", {4000, -8000, 10000, -10000}},
        BatchCase{"echo 200=0 203=100", {2000, -4000, 6000, -8000}},
        BatchCase{"reverb 201=0 203=0 205=100", {992, -1984, 2968, -3953}},
        BatchCase{"flanger 202=0 200=100", {1000, -2000, 3000, -4000}},
        BatchCase{"tremolo 202=0", {500, -1000, 1500, -2000}},
        BatchCase{"vibrato 200=0 203=0.7", {1000, -2000, 3000, -4000}}),
    [](const auto& info) {
        std::string name;
        for (const char* p = info.param.line; *p; ++p) {
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        }
        return name;
    });

} // namespace
