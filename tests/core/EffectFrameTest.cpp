// The effect command frame: the busy gate while an effect runs, the menus and status bar
// around it, the progress display, the store of a work buffer, the out-of-memory paths, the
// volume dialog's questions, and the effects run by name in batch mode.
#include "TestApp.h"

#include "batch/Batch.h"
#include "commands/EffectFrame.h"
#include "commands/effects/DelayEffects.h"
#include "commands/effects/DynamicsEffects.h"
#include "commands/effects/LevelEffects.h"
#include "commands/effects/ModulationEffects.h"
#include "editor/AppProgress.h"
#include "editor/CommandIds.h"
#include "model/Undo.h"
#include "view/WaveWindow.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

using namespace wt;

namespace {

using Command = int (*)(App&);

int Wave(int frame, int channel) {
    return ((frame * 37 + channel * 1000) % 20000) - 10000;
}

std::vector<std::uint8_t> Bytes(const App& app) {
    return {app.doc.Data(), app.doc.Data() + app.doc.byteLength};
}

// Makes every allocation above `bytes` fail while it lives.
struct AllocationLimit {
    explicit AllocationLimit(std::size_t bytes) {
        SampleBlock::SetAllocationLimitForTesting(bytes);
    }
    ~AllocationLimit() { SampleBlock::SetAllocationLimitForTesting(0); }
};

struct BusyCase {
    const char* name;
    Command command;
};

class EffectWhileBusy : public ::testing::TestWithParam<BusyCase> {};

// What the progress pump may dispatch while an effect runs: commands (other than stop), a
// close request and dropped files. None of them may change or replace the sound.
TEST_P(EffectWhileBusy, PumpedMessagesCannotTouchTheSound) {
    test::TestApp reference;
    reference.SetSound(16, 2, 3000, Wave);
    ASSERT_EQ(GetParam().command(reference.app), 1);

    test::TestApp t;
    t.SetSound(16, 2, 3000, Wave);
    const std::vector<std::uint8_t> before = Bytes(t.app);
    int pumps = 0;
    t.host.onPump = [&] {
        ++pumps;
        EXPECT_TRUE(t.app.busy);
        EXPECT_EQ(t.host.menu, &t.app.menus.busy);
        for (int id : {IDM_UNDO, IDM_NEW, IDM_OPEN, IDM_SAVE, IDM_VOLUME, IDM_REVERSE, IDM_EXIT}) {
            EXPECT_EQ(DispatchCommand(t.app, id, NotifyMenu), -1) << id;
            EXPECT_EQ(DispatchCommand(t.app, id, NotifyAccelerator), -1) << id;
        }
        MainWndProc(t.app, msg::Command, MakeWParam(IDM_UNDO, 0), 0);
        MainWndProc(t.app, msg::Close, 0, 0);
        OnDropFiles(t.app, {t.dir.File("other.wav")});
        return true;
    };
    ASSERT_EQ(GetParam().command(t.app), 1);
    EXPECT_GT(pumps, 0);
    EXPECT_FALSE(t.host.destroyed);
    EXPECT_FALSE(t.app.busy);
    EXPECT_EQ(t.host.menu, &t.app.menus.normal);
    EXPECT_EQ(Bytes(t.app), Bytes(reference.app)) << "the result is that of an undisturbed run";
    ASSERT_EQ(DispatchCommand(t.app, IDM_UNDO), 1) << "commands pass again afterwards";
    EXPECT_EQ(Bytes(t.app), before);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, EffectWhileBusy,
    ::testing::Values(BusyCase{"Volume", CmdVolume}, BusyCase{"Normalize", CmdNormalize},
                      BusyCase{"FadeIn", CmdFadeIn}, BusyCase{"FadeOut", CmdFadeOut},
                      BusyCase{"Reverse", CmdReverse}, BusyCase{"PhaseInvert", CmdPhaseInvert},
                      BusyCase{"DcRemove", CmdDcRemove}, BusyCase{"NoiseGate", CmdNoiseGate},
                      BusyCase{"Distortion", CmdDistortion}, BusyCase{"Echo", CmdEcho},
                      BusyCase{"Reverb", CmdReverb}, BusyCase{"Flanger", CmdFlanger},
                      BusyCase{"Tremolo", CmdTremolo}, BusyCase{"Vibrato", CmdVibrato}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EffectFrame, EndBusyRestoresMenuZoomMarkAndStatus) {
    test::TestApp t;
    t.SetSound(16, 2, 1000, Wave);
    t.app.doc.zoomIndex = 3;
    ApplyZoom(t.app, 3);
    std::string progressSeen;
    t.host.onPump = [&] {
        progressSeen = t.host.StatusText(0);
        return false;
    };
    const int redrawsBefore = t.host.waveInvalidations;
    ASSERT_EQ(CmdFadeOut(t.app), 1);
    EXPECT_EQ(progressSeen.rfind("フェードアウト:", 0), 0u) << progressSeen;
    EXPECT_EQ(t.host.menu, &t.app.menus.normal);
    EXPECT_EQ(t.app.menus.current, &t.app.menus.normal);
    for (int id : {IDM_ZOOM_1_1024, IDM_ZOOM_1_256, IDM_ZOOM_1_64, IDM_ZOOM_1_16, IDM_ZOOM_1_4,
                   IDM_ZOOM_1_1}) {
        const MenuItem* item = FindMenuItem(t.app.menus.normal, id);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->checked, id == IDM_ZOOM_1_16) << id;
    }
    EXPECT_EQ(t.app.doc.framesPerPixel, 16);
    EXPECT_EQ(t.host.StatusText(0), "22050Hz 16Bits Stereo") << "the progress text is replaced";
    EXPECT_EQ(t.host.StatusText(1), "4000 Bytes");
    EXPECT_GT(t.host.waveInvalidations, redrawsBefore);
}

TEST(EffectFrame, SilenceShowsNoBusyMenuNorProgressAndLeavesTheStatusBar) {
    test::TestApp t;
    t.SetSound(8, 1, 1000, Wave);
    t.host.SetStatusText(0, "before");
    const int redrawsBefore = t.host.waveInvalidations;
    t.host.onPump = [] {
        ADD_FAILURE() << "silence shows no progress";
        return false;
    };
    ASSERT_EQ(CmdSilence(t.app), 1);
    EXPECT_EQ(t.host.menu, &t.app.menus.normal);
    EXPECT_EQ(t.host.StatusText(0), "before");
    EXPECT_GT(t.host.waveInvalidations, redrawsBefore);
    for (std::uint8_t byte : Bytes(t.app)) {
        ASSERT_EQ(byte, 128);
    }
}

struct ProgressCase {
    const char* name;
    Command command;
    int frames;
    int counterBefore;
    std::vector<std::string> texts; // status part 0 at each pump
};

void PrintTo(const ProgressCase& c, std::ostream* os) {
    *os << c.name;
}

class EffectProgress : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(EffectProgress, WritesThePercentageEvery200Frames) {
    const ProgressCase& c = GetParam();
    test::TestApp t;
    t.SetSound(16, 1, c.frames, [](int f, int) { return f % 2 ? 30000 : -30000; });
    t.app.effects.volume = {200, 50, 1};
    t.app.effects.progressCounter = c.counterBefore;
    std::vector<std::string> texts;
    t.host.onPump = [&] {
        texts.push_back(t.host.StatusText(0));
        return false;
    };
    ASSERT_EQ(c.command(t.app), 1);
    EXPECT_EQ(texts, c.texts);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, EffectProgress,
    ::testing::Values(
        ProgressCase{"FadeIn",
                     CmdFadeIn,
                     1000,
                     0,
                     {"フェードイン: 19%", "フェードイン: 39%", "フェードイン: 59%",
                      "フェードイン: 79%", "フェードイン: 99%"}},
        // The counter is shared: 150 calls left over from earlier work bring the first text
        // after 50 frames.
        ProgressCase{"FadeInSharedCounter",
                     CmdFadeIn,
                     450,
                     150,
                     {"フェードイン: 10%", "フェードイン: 55%", "フェードイン: 99%"}},
        // Two passes fill one half of the percentage each.
        ProgressCase{"VolumeWithLimiter",
                     CmdVolume,
                     1000,
                     0,
                     {"音量:  9%", "音量: 19%", "音量: 29%", "音量: 39%", "音量: 49%", "音量: 59%",
                      "音量: 69%", "音量: 79%", "音量: 89%", "音量: 99%"}},
        ProgressCase{"Normalize",
                     CmdNormalize,
                     600,
                     0,
                     {"ノーマライズ: 16%", "ノーマライズ: 33%", "ノーマライズ: 49%",
                      "ノーマライズ: 66%", "ノーマライズ: 83%", "ノーマライズ: 99%"}},
        // Reverse counts exchanged pairs, so it ends near half.
        ProgressCase{"Reverse", CmdReverse, 1000, 0, {"リバース: 19%", "リバース: 39%"}},
        ProgressCase{"DcRemove", CmdDcRemove, 400, 0, {"DC成分除去: 49%", "DC成分除去: 99%"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EffectProgressCounter, PercentageStaysRightForAnyLength) {
    test::TestApp t;
    int pumps = 0;
    t.host.onPump = [&] {
        ++pumps;
        return false;
    };
    const std::int64_t total = 4'000'000'000LL;
    for (int i = 0; i < 199; ++i) {
        ShowProgress(t.app, "X", 3'000'000'000LL, total);
    }
    EXPECT_EQ(pumps, 0);
    ShowProgress(t.app, "X", 3'000'000'000LL, total);
    EXPECT_EQ(pumps, 1);
    EXPECT_EQ(t.host.StatusText(0), "X: 75%");
    EXPECT_EQ(t.app.effects.progressCounter, 0);
    t.app.effects.progressCounter = 199;
    ShowProgress(t.app, "X", total, total);
    EXPECT_EQ(t.host.StatusText(0), "X:100%");
    t.app.effects.progressCounter = 199;
    ShowProgress(t.app, "X", 5, 0);
    EXPECT_EQ(t.host.StatusText(0), "X:  0%") << "an empty total divides by nothing";

    // A label built in a buffer: the same address with another text at the same percentage.
    char label[8] = "Load";
    t.app.effects.progressCounter = 199;
    ShowProgress(t.app, label, 1, 2);
    EXPECT_EQ(t.host.StatusText(0), "Load: 50%");
    std::strcpy(label, "Save");
    t.app.effects.progressCounter = 199;
    ShowProgress(t.app, label, 1, 2);
    EXPECT_EQ(t.host.StatusText(0), "Save: 50%");
}

struct ProgressWalkCase {
    int counterBefore;
    std::int64_t count;
};

void PrintTo(const ProgressWalkCase& c, std::ostream* os) {
    *os << c.count << " items after " << c.counterBefore << " calls";
}

class EffectProgressWalk : public ::testing::TestWithParam<ProgressWalkCase> {};

// The processing loops keep the counter out of their inner loop; what they show must be what
// a ShowProgress call after every item shows.
TEST_P(EffectProgressWalk, MatchesShowProgressAfterEveryItem) {
    const ProgressWalkCase& c = GetParam();
    std::vector<std::pair<std::int64_t, std::string>> expected, actual;
    std::int64_t current = -1;
    std::int64_t visited = 0;
    int expectedCounter = 0;
    for (auto* shown : {&expected, &actual}) {
        test::TestApp t;
        t.app.effects.progressCounter = c.counterBefore;
        t.host.onPump = [&] {
            shown->emplace_back(current, t.host.StatusText(0));
            return false;
        };
        if (shown == &expected) {
            for (current = 0; current < c.count; ++current) {
                ShowProgress(t.app, "P", current * 4, c.count * 4);
            }
            expectedCounter = t.app.effects.progressCounter;
        } else {
            ForEachWithProgress(
                t.app, "P", c.count, c.count * 4, [](std::int64_t i) { return i * 4; },
                [&](std::int64_t i) {
                    EXPECT_EQ(i, visited);
                    current = i;
                    ++visited;
                });
            EXPECT_EQ(t.app.effects.progressCounter, expectedCounter);
        }
    }
    EXPECT_EQ(visited, c.count);
    EXPECT_EQ(actual, expected);
}

INSTANTIATE_TEST_SUITE_P(Counts, EffectProgressWalk,
                         ::testing::Values(ProgressWalkCase{0, 0}, ProgressWalkCase{0, 1},
                                           ProgressWalkCase{0, 199}, ProgressWalkCase{0, 200},
                                           ProgressWalkCase{0, 1001}, ProgressWalkCase{199, 1},
                                           ProgressWalkCase{199, 450}, ProgressWalkCase{57, 1234},
                                           ProgressWalkCase{250, 3}));

struct ReplaceCase {
    const char* name;
    int selStart, selEnd; // bytes
    std::vector<std::uint8_t> buffer;
    std::vector<std::uint8_t> expected;
};

void PrintTo(const ReplaceCase& c, std::ostream* os) {
    *os << c.name;
}

class EffectReplaceSelection : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(EffectReplaceSelection, MovesTheTailAndKeepsSixteenSpareBytes) {
    const ReplaceCase& c = GetParam();
    test::TestApp t;
    t.SetSound(8, 1, 8, [](int f, int) { return (f + 1) * 256; }); // bytes 129..136
    SoundDocument& doc = t.app.doc;
    doc.selStart = c.selStart;
    doc.selEnd = c.selEnd;
    ASSERT_EQ(ReplaceSelection(t.app, c.buffer.data(), static_cast<std::int32_t>(c.buffer.size()),
                               "caption"),
              1);
    EXPECT_EQ(Bytes(t.app), c.expected);
    EXPECT_EQ(doc.byteLength, static_cast<std::int32_t>(c.expected.size()));
    EXPECT_EQ(doc.selStart, c.selStart);
    EXPECT_EQ(doc.selEnd, c.selStart + static_cast<std::int32_t>(c.buffer.size()));
    EXPECT_EQ(doc.sampleData.Size(), c.expected.size() + 16);
    EXPECT_TRUE(t.host.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, EffectReplaceSelection,
    ::testing::Values(
        ReplaceCase{"Longer", 2, 4, {1, 2, 3, 4, 5}, {129, 130, 1, 2, 3, 4, 5, 133, 134, 135, 136}},
        ReplaceCase{"Shorter", 1, 6, {9}, {129, 9, 135, 136}},
        ReplaceCase{"Same", 0, 8, {1, 2, 3, 4, 5, 6, 7, 8}, {1, 2, 3, 4, 5, 6, 7, 8}},
        ReplaceCase{"AtTheEnd", 6, 8, {7, 7, 7}, {129, 130, 131, 132, 133, 134, 7, 7, 7}},
        ReplaceCase{"Removed", 3, 5, {}, {129, 130, 131, 134, 135, 136}},
        ReplaceCase{"Inserted", 4, 4, {1}, {129, 130, 131, 132, 1, 133, 134, 135, 136}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EffectReplaceSelectionFailure, LeavesTheSoundWholeAndSaysSo) {
    test::TestApp t;
    t.SetSound(16, 2, 1000, Wave);
    SoundDocument& doc = t.app.doc;
    doc.selStart = 400;
    doc.selEnd = 800;
    const std::vector<std::uint8_t> before = Bytes(t.app);
    const std::vector<std::uint8_t> buffer(5000, 0x55);
    {
        AllocationLimit limit(doc.sampleData.Size());
        EXPECT_EQ(ReplaceSelection(t.app, buffer.data(), 5000, "ピッチエンベロープ"), 0);
    }
    EXPECT_EQ(Bytes(t.app), before);
    EXPECT_EQ(doc.selEnd, 800);
    ASSERT_EQ(t.host.messages.size(), 1u);
    EXPECT_EQ(t.host.messages[0].text, "メモリーが足りません");
    EXPECT_EQ(t.host.messages[0].caption, "ピッチエンベロープ");
    EXPECT_EQ(t.host.messages[0].flags, mb::Ok | mb::IconWarning);
}

TEST(EffectOutOfMemory, DcRemovalWithoutWorkBufferPutsTheSoundBackBeforeBusy) {
    test::TestApp t;
    t.SetSound(16, 2, 1000, Wave);
    const std::vector<std::uint8_t> before = Bytes(t.app);
    t.host.onPump = [] {
        ADD_FAILURE() << "no processing without the work buffer";
        return false;
    };
    {
        // The snapshot (4000 bytes) fits, the work buffer (the whole sound + 32) does not.
        AllocationLimit limit(4000 + 31);
        EXPECT_EQ(CmdDcRemove(t.app), 0);
    }
    ASSERT_EQ(t.host.messages.size(), 1u);
    EXPECT_EQ(t.host.messages[0].text, "メモリーが足りません");
    EXPECT_EQ(t.host.messages[0].caption, "DC成分除去");
    EXPECT_EQ(t.host.messages[0].flags, mb::Ok | mb::IconWarning);
    EXPECT_EQ(Bytes(t.app), before);
    EXPECT_EQ(t.app.doc.selStart, 0);
    EXPECT_EQ(t.app.doc.selEnd, 4000) << "the selection rule had run before the snapshot";
    EXPECT_FALSE(t.app.busy);
    EXPECT_EQ(t.app.menus.current, &t.app.menus.normal);
    EXPECT_FALSE(t.app.doc.modified);
}

struct SnapshotCase {
    const char* name;
    Command command;
    const char* caption;
};

class EffectWithoutSnapshot : public ::testing::TestWithParam<SnapshotCase> {};

TEST_P(EffectWithoutSnapshot, ChangesNothingWhenTheUndoCopyCannotBeHad) {
    test::TestApp t;
    t.SetSound(16, 2, 1000, Wave);
    const std::vector<std::uint8_t> before = Bytes(t.app);
    {
        AllocationLimit limit(1000);
        EXPECT_EQ(GetParam().command(t.app), 0);
    }
    EXPECT_EQ(Bytes(t.app), before);
    EXPECT_FALSE(t.app.doc.modified);
    EXPECT_FALSE(t.app.busy);
    ASSERT_EQ(t.host.messages.size(), 1u);
    EXPECT_EQ(t.host.messages[0].text, "メモリーが足りません");
    EXPECT_EQ(t.host.messages[0].caption, GetParam().caption);
}

INSTANTIATE_TEST_SUITE_P(Commands, EffectWithoutSnapshot,
                         ::testing::Values(SnapshotCase{"Volume", CmdVolume, "音量"},
                                           SnapshotCase{"Normalize", CmdNormalize, "ノーマライズ"},
                                           SnapshotCase{"Silence", CmdSilence, "WaveTomuka"},
                                           SnapshotCase{"FadeIn", CmdFadeIn, "フェードイン"},
                                           SnapshotCase{"FadeOut", CmdFadeOut, "フェードアウト"},
                                           SnapshotCase{"Reverse", CmdReverse, "リバース"},
                                           SnapshotCase{"PhaseInvert", CmdPhaseInvert, "位相反転"},
                                           SnapshotCase{"DcRemove", CmdDcRemove, "DC成分除去"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(VolumeDialog, CancelKeepsTheMovedValueAndTheWholeSoundSelected) {
    test::TestApp t;
    t.SetSound(16, 2, 100, Wave);
    const std::vector<std::uint8_t> before = Bytes(t.app);
    t.host.QueueDialog({{{kIdVolumeBar, "50"}}, true});
    EXPECT_EQ(DispatchCommand(t.app, IDM_VOLUME), 0);
    EXPECT_EQ(Bytes(t.app), before);
    EXPECT_FALSE(t.app.doc.modified);
    EXPECT_EQ(t.app.doc.selStart, 0);
    EXPECT_EQ(t.app.doc.selEnd, 400) << "the selection rule ran before the dialog";
    EXPECT_EQ(t.app.effects.volume.volume, 50);
    ASSERT_EQ(t.host.shownDialogs.size(), 1u);
    EXPECT_EQ(t.host.shownDialogs[0].templateId, 102);

    // The next dialog opens on 50; OK without a change applies it.
    EXPECT_EQ(DispatchCommand(t.app, IDM_VOLUME), 1);
    EXPECT_EQ(ReadSample(t.app.doc, t.app.doc.Data(), 0), Wave(0, 0) / 2);
    EXPECT_TRUE(t.host.scriptErrors.empty());
}

TEST(VolumeDialog, TypedValuesBeyondTheRangeAreClamped) {
    test::TestApp t;
    t.SetSound(16, 2, 10, [](int, int) { return 1000; });
    t.host.QueueDialog({{{kIdVolumeEdit, "500"}, {kIdPanEdit, "-3"}, {kIdLimiter, "0"}}});
    ASSERT_EQ(DispatchCommand(t.app, IDM_VOLUME), 1);
    EXPECT_EQ(t.app.effects.volume.volume, 200);
    EXPECT_EQ(t.app.effects.volume.pan, 0);
    EXPECT_EQ(t.app.effects.volume.limiter, 0);
    EXPECT_EQ(ReadSample(t.app.doc, t.app.doc.Data(), 0), 2000);
    EXPECT_EQ(ReadSample(t.app.doc, t.app.doc.Data(), 1), 0);
}

TEST(VolumeDialog, PanOnAMonoSoundAsksFirst) {
    for (const int answer : {IdCancel, IdOk}) {
        test::TestApp t;
        t.SetSound(16, 1, 10, [](int, int) { return 1000; });
        const std::int32_t undoLength = t.app.undo.length;
        t.host.QueueDialog({{{kIdPanBar, "30"}, {kIdVolumeBar, "50"}}});
        t.host.QueueAnswer(answer);
        EXPECT_EQ(DispatchCommand(t.app, IDM_VOLUME), answer == IdOk ? 1 : 0);
        ASSERT_EQ(t.host.messages.size(), 1u);
        EXPECT_EQ(t.host.messages[0].text,
                  "このデータはモノラルデータです。\nパンポットの設定は無視されます。");
        EXPECT_EQ(t.host.messages[0].caption, "音量");
        EXPECT_EQ(t.host.messages[0].flags, mb::OkCancel | mb::IconInformation);
        if (answer == IdCancel) {
            EXPECT_EQ(ReadSample(t.app.doc, t.app.doc.Data(), 0), 1000);
            EXPECT_EQ(t.app.undo.length, undoLength) << "no snapshot was taken";
            EXPECT_FALSE(t.app.doc.modified);
        } else {
            EXPECT_EQ(ReadSample(t.app.doc, t.app.doc.Data(), 0), 500) << "the pan is ignored";
        }
    }
    test::TestApp centred;
    centred.SetSound(16, 1, 10, [](int, int) { return 1000; });
    centred.host.QueueDialog({{{kIdVolumeBar, "50"}}});
    EXPECT_EQ(DispatchCommand(centred.app, IDM_VOLUME), 1);
    EXPECT_TRUE(centred.host.messages.empty()) << "a centred pan asks nothing";
}

struct BatchCase {
    const char* line;
    std::vector<int> expected; // the sound after the line, from {1000, -2000, 3000, -4000}
};

void PrintTo(const BatchCase& c, std::ostream* os) {
    *os << c.line;
}

class EffectBatch : public ::testing::TestWithParam<BatchCase> {};

// Each effect runs by name with its dialog's values, also after a command that showed no
// dialog and so left its (empty) dialog script unused.
TEST_P(EffectBatch, RunsByNameWithDialogValues) {
    test::TestApp t;
    const std::vector<int> input = {1000, -2000, 3000, -4000};
    t.SetSound(16, 2, 2, [&](int f, int c) { return input[static_cast<std::size_t>(f * 2 + c)]; });
    std::ostringstream out, err;
    BatchContext context{t.app, t.host, out, err};
    for (const char* line : {"phase_invert", "phase_invert", GetParam().line}) {
        std::string error;
        bool stop = false;
        ASSERT_TRUE(RunBatchLine(context, line, error, stop)) << line << ": " << error;
    }
    std::vector<int> samples;
    for (int i = 0; i < 4; ++i) {
        samples.push_back(ReadSample(t.app.doc, t.app.doc.Data() + i / 2 * 4, i % 2));
    }
    EXPECT_EQ(samples, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, EffectBatch,
    ::testing::Values(BatchCase{"volume 200=50", {500, -1000, 1500, -2000}},
                      BatchCase{"volume 201=50 202=0", {500, 0, 1500, 0}},
                      BatchCase{"volume 204=0 200=200", {2000, -4000, 6000, -8000}},
                      BatchCase{"normalize", {8191, -16383, 24575, -32767}},
                      BatchCase{"silence", {0, 0, 0, 0}}, BatchCase{"fade_in", {0, 0, 1500, -2000}},
                      BatchCase{"fade_out", {1000, -2000, 1500, -2000}},
                      BatchCase{"reverse", {3000, -4000, 1000, -2000}},
                      BatchCase{"dc_remove", {992, -1984, 2968, -3953}}),
    [](const auto& info) {
        std::string name;
        for (const char* p = info.param.line; *p; ++p) {
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        }
        return name;
    });

} // namespace
