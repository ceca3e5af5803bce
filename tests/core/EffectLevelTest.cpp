// The level effects against hand-computed values, on 8- and 16-bit, mono and stereo sounds,
// and undo of every one of them.
#include "TestApp.h"

#include "commands/effects/LevelEffects.h"
#include "editor/CommandIds.h"
#include "model/Undo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace wt;

namespace {

using Command = int (*)(App&);

// Interleaved sample values of a sound (channel 0 first in each frame).
using Samples = std::vector<int>;

void Load(test::TestApp& t, int bits, int channels, const Samples& values) {
    const int frames = static_cast<int>(values.size()) / channels;
    t.SetSound(bits, channels, frames, [&](int f, int c) { return values[f * channels + c]; });
}

Samples Read(const App& app) {
    const SoundDocument& doc = app.doc;
    Samples values;
    for (int pos = 0; pos < doc.byteLength; pos += doc.format.blockAlign) {
        for (int c = 0; c < doc.format.channels; ++c) {
            values.push_back(ReadSample(doc, doc.Data() + pos, c));
        }
    }
    return values;
}

std::vector<std::uint8_t> Bytes(const App& app) {
    return {app.doc.Data(), app.doc.Data() + app.doc.byteLength};
}

struct VolumeSetting {
    int volume = 100, pan = 50, limiter = 1;
};

struct LevelCase {
    const char* name;
    Command command;
    int bits;
    int channels;
    Samples input;
    Samples expected;
    VolumeSetting volume{};
};

void PrintTo(const LevelCase& c, std::ostream* os) {
    *os << c.name;
}

class LevelEffect : public ::testing::TestWithParam<LevelCase> {};

TEST_P(LevelEffect, GivesTheHandComputedSamples) {
    const LevelCase& c = GetParam();
    test::TestApp t;
    Load(t, c.bits, c.channels, c.input);
    t.app.effects.volume = {c.volume.volume, c.volume.pan, c.volume.limiter};
    ASSERT_EQ(c.command(t.app), 1);
    EXPECT_EQ(Read(t.app), c.expected);
    EXPECT_TRUE(t.app.doc.modified);
    EXPECT_EQ(t.app.doc.peak, 0) << "the peak tracker is reset when a command ends";
    EXPECT_FALSE(t.app.busy);
    EXPECT_TRUE(t.host.scriptErrors.empty());
}

// 8-bit values are multiples of 256 so that they read back exactly. Volume settings are
// {percent, pan, limiter}.
// clang-format off
const LevelCase kLevelCases[] = {
    // Volume: 100 % at the centre changes nothing, -32768 included (it fits, nothing to limit).
    {"Volume100Stereo16", CmdVolume, 16, 2, {1000, -2000, 32767, -32768}, {1000, -2000, 32767, -32768}},
    {"Volume100Mono8", CmdVolume, 8, 1, {-32768, 0, 32512, 256}, {-32768, 0, 32512, 256}},
    // 50 % with the pan at 0: channel 0 halved, channel 1 silent.
    {"VolumeHalfPanLeft16", CmdVolume, 16, 2, {1000, 2000, -1001, 3}, {500, 0, -500, 0}, {50, 0, 1}},
    {"VolumeHalfPanLeft8", CmdVolume, 8, 2, {2560, 512, -2560, -512}, {1280, 0, -1280, 0}, {50, 0, 1}},
    // The pan toward one side lowers only the other side.
    {"VolumePan25", CmdVolume, 16, 2, {1000, 1000}, {1000, 500}, {100, 25, 1}},
    {"VolumePanRight", CmdVolume, 16, 2, {1000, 1000}, {0, 1000}, {100, 100, 0}},
    // 200 % with the limiter: outputs doubled, then scaled by 32767 / 40000 (39936 for 8 bits).
    {"Volume200Limiter16", CmdVolume, 16, 1, {20000, -10000, 5000, 0}, {32767, -16383, 8191, 0}, {200, 50, 1}},
    {"Volume200Limiter8", CmdVolume, 8, 1, {19968, -9984, 4864, 0}, {32512, -16384, 7936, 0}, {200, 50, 1}},
    {"Volume200LimiterStereo16", CmdVolume, 16, 2, {20000, 5000, -10000, 0}, {32767, 8191, -16383, 0}, {200, 50, 1}},
    // Without the limiter the doubled values wrap; a quiet sound under the limiter is doubled.
    {"Volume200NoLimiter16", CmdVolume, 16, 1, {20000, -10000, 5000, 0}, {-25536, -20000, 10000, 0}, {200, 50, 0}},
    {"Volume200NoLimiter8", CmdVolume, 8, 1, {19968, -9984, 4864, 0}, {-25600, -19968, 9728, 0}, {200, 50, 0}},
    {"Volume200QuietLimiter", CmdVolume, 16, 1, {100, -7}, {200, -14}, {200, 50, 1}},
    // Normalize: the loudest sample becomes 32767, signs kept; silence stays silence.
    {"NormalizeRaises16", CmdNormalize, 16, 1, {16384, -8192, 1}, {32767, -16383, 1}},
    {"NormalizeLowers16", CmdNormalize, 16, 2, {-32768, 16384}, {-32767, 16383}},
    {"NormalizeFullScale16", CmdNormalize, 16, 1, {32767, -100}, {32767, -100}},
    {"Normalize8", CmdNormalize, 8, 1, {-32768, 16384}, {-32768, 16128}},
    {"NormalizeSilence16", CmdNormalize, 16, 2, {0, 0, 0, 0}, {0, 0, 0, 0}},
    {"NormalizeSilence8", CmdNormalize, 8, 1, {0, 0}, {0, 0}},
    // Silence.
    {"Silence16", CmdSilence, 16, 2, {5, -5, 32767, -32768}, {0, 0, 0, 0}},
    {"Silence8", CmdSilence, 8, 1, {-32768, 32512, 256}, {0, 0, 0}},
    // Fades over 4 frames: gains 0, 1/4, 2/4, 3/4 and 1, 3/4, 2/4, 1/4.
    {"FadeIn16", CmdFadeIn, 16, 2, {1000, -1000, 1000, -1000, 1000, -1000, 1000, -1000}, {0, 0, 250, -250, 500, -500, 750, -750}},
    {"FadeOut16", CmdFadeOut, 16, 2, {1000, -1000, 1000, -1000, 1000, -1000, 1000, -1000}, {1000, -1000, 750, -750, 500, -500, 250, -250}},
    {"FadeIn8", CmdFadeIn, 8, 1, {25600, 25600, 25600, 25600}, {0, 6400, 12800, 19200}},
    {"FadeOut8", CmdFadeOut, 8, 1, {-25600, -25600, -25600, -25600}, {-25600, -19200, -12800, -6400}},
    // The gain is an extended-precision ratio, truncated after the product: 21 * (5/7) lands
    // just below 15.
    {"FadeInExtendedPrecision", CmdFadeIn, 16, 1, {21, 21, 21, 21, 21, 21, 21}, {0, 3, 6, 9, 12, 14, 18}},
    {"FadeOutExtendedPrecision", CmdFadeOut, 16, 1, {21, 21, 21, 21, 21, 21, 21}, {21, 18, 14, 12, 9, 6, 3}},
    // Reverse of A B C D E; channels stay paired.
    {"Reverse16", CmdReverse, 16, 1, {1, 2, 3, 4, 5}, {5, 4, 3, 2, 1}},
    {"ReverseStereo16", CmdReverse, 16, 2, {1, -1, 2, -2, 3, -3, 4, -4}, {4, -4, 3, -3, 2, -2, 1, -1}},
    {"Reverse8", CmdReverse, 8, 2, {256, 512, 768, 1024, -256, -512}, {-256, -512, 768, 1024, 256, 512}},
    // Phase inversion: -32768 has no positive counterpart and stays.
    {"PhaseInvert16", CmdPhaseInvert, 16, 1, {-32768, 32767, 1, 0, -1}, {-32768, -32767, -1, 0, 1}},
    {"PhaseInvert8", CmdPhaseInvert, 8, 1, {-32768, 32512, 256, 0, -256}, {-32768, -32512, -256, 0, 256}},
    // DC removal of a constant: 1000 - m with m = 1000 * (1 - (127/128)^(k+1)).
    {"DcRemove16", CmdDcRemove, 16, 1, {1000, 1000, 1000, 1000}, {992, 984, 976, 969}},
    {"DcRemoveStereo16", CmdDcRemove, 16, 2, {1000, -2000, 1000, -2000, 1000, -2000, 1000, -2000}, {992, -1984, 984, -1968, 976, -1953, 969, -1938}},
    {"DcRemove8", CmdDcRemove, 8, 1, {25600, 25600}, {25344, 25088}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Values, LevelEffect, ::testing::ValuesIn(kLevelCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LevelEffectDcRemove, ConstantOffsetDecaysTowardZero) {
    test::TestApp t;
    const int frames = 2000;
    t.SetSound(16, 1, frames, [](int, int) { return 1000; });
    ASSERT_EQ(CmdDcRemove(t.app), 1);
    const Samples out = Read(t.app);
    ASSERT_EQ(out.size(), static_cast<std::size_t>(frames));
    EXPECT_EQ(out[0], 992);
    for (int k : {10, 100, 500, 1000}) {
        const double m = 1000.0 * (1.0 - std::pow(127.0 / 128.0, k + 1));
        EXPECT_NEAR(out[static_cast<std::size_t>(k)], 1000.0 - m, 1.0) << "frame " << k;
    }
    EXPECT_LE(std::abs(out.back()), 1);
    EXPECT_EQ(t.app.doc.byteLength, frames * 2) << "the selection keeps its length";
    EXPECT_EQ(t.app.doc.selEnd, frames * 2);
}

// A signal that touches the extremes and both signs on every channel.
int Signal(int frame, int channel) {
    static const int values[] = {-32768, 32767, 0, 1, -1, 12345, -23456, 256, -256, 30000};
    return values[(frame * 3 + channel * 7) % 10];
}

struct UndoCase {
    const char* name;
    Command command;
    int changesSamples; // 1 always, -1 depending on the format
};

struct FormatCase {
    int bits;
    int channels;
};

class LevelEffectUndo : public ::testing::TestWithParam<std::tuple<UndoCase, FormatCase>> {};

TEST_P(LevelEffectUndo, OnlyTheSelectionChangesAndUndoRestoresEveryByte) {
    const auto& [effect, format] = GetParam();
    test::TestApp t;
    t.SetSound(format.bits, format.channels, 12, Signal);
    SoundDocument& doc = t.app.doc;
    const int blockAlign = doc.format.blockAlign;
    doc.selStart = 2 * blockAlign;
    doc.selEnd = 9 * blockAlign;
    doc.cursor = doc.anchor = doc.selStart;
    t.app.effects.volume = {150, 30, 0};
    const std::vector<std::uint8_t> before = Bytes(t.app);

    ASSERT_EQ(effect.command(t.app), 1);
    const std::vector<std::uint8_t> after = Bytes(t.app);
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        const bool inside = static_cast<int>(i) >= doc.selStart && static_cast<int>(i) < doc.selEnd;
        if (!inside) {
            EXPECT_EQ(after[i], before[i]) << "byte " << i << " lies outside the selection";
        }
    }
    if (effect.changesSamples == 1) {
        EXPECT_NE(after, before);
    }
    EXPECT_EQ(doc.selStart, 2 * blockAlign) << "the selection stays for a second run";
    EXPECT_EQ(doc.selEnd, 9 * blockAlign);

    ASSERT_EQ(DispatchCommand(t.app, IDM_UNDO), 1);
    EXPECT_EQ(Bytes(t.app), before);
    EXPECT_EQ(doc.selStart, 2 * blockAlign);
    ASSERT_EQ(DispatchCommand(t.app, IDM_UNDO), 1);
    EXPECT_EQ(Bytes(t.app), after) << "undoing the undo brings the effect back";
}

INSTANTIATE_TEST_SUITE_P(
    EffectsAndFormats, LevelEffectUndo,
    ::testing::Combine(
        ::testing::Values(UndoCase{"Volume", CmdVolume, 1}, UndoCase{"Normalize", CmdNormalize, -1},
                          UndoCase{"Silence", CmdSilence, 1}, UndoCase{"FadeIn", CmdFadeIn, 1},
                          UndoCase{"FadeOut", CmdFadeOut, 1}, UndoCase{"Reverse", CmdReverse, 1},
                          UndoCase{"PhaseInvert", CmdPhaseInvert, 1},
                          UndoCase{"DcRemove", CmdDcRemove, 1}),
        ::testing::Values(FormatCase{8, 1}, FormatCase{8, 2}, FormatCase{16, 1},
                          FormatCase{16, 2})),
    [](const auto& info) {
        const UndoCase& effect = std::get<0>(info.param);
        const FormatCase& format = std::get<1>(info.param);
        return std::string(effect.name) + std::to_string(format.bits) + "bit" +
               std::to_string(format.channels) + "ch";
    });

class LevelEffectTwice : public ::testing::TestWithParam<UndoCase> {};

TEST_P(LevelEffectTwice, RunningTwiceRestoresTheSound) {
    test::TestApp t;
    t.SetSound(16, 2, 11, Signal);
    const std::vector<std::uint8_t> before = Bytes(t.app);
    ASSERT_EQ(GetParam().command(t.app), 1);
    EXPECT_NE(Bytes(t.app), before);
    ASSERT_EQ(GetParam().command(t.app), 1);
    EXPECT_EQ(Bytes(t.app), before);
}

INSTANTIATE_TEST_SUITE_P(SelfInverse, LevelEffectTwice,
                         ::testing::Values(UndoCase{"Reverse", CmdReverse, 1},
                                           UndoCase{"PhaseInvert", CmdPhaseInvert, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

struct EmptyCase {
    const char* name;
    Command command;
    bool setsModified;
};

class LevelEffectEmpty : public ::testing::TestWithParam<EmptyCase> {};

TEST_P(LevelEffectEmpty, RunsNoFramesOnAnEmptySound) {
    test::TestApp t;
    t.SetSound(16, 2, 0, Signal);
    ASSERT_EQ(GetParam().command(t.app), 1);
    EXPECT_EQ(t.app.doc.byteLength, 0);
    EXPECT_EQ(t.app.doc.modified, GetParam().setsModified);
    EXPECT_FALSE(t.app.busy);
    EXPECT_EQ(t.host.menu, &t.app.menus.normal);
}

INSTANTIATE_TEST_SUITE_P(Commands, LevelEffectEmpty,
                         ::testing::Values(EmptyCase{"FadeIn", CmdFadeIn, true},
                                           EmptyCase{"FadeOut", CmdFadeOut, true},
                                           EmptyCase{"Reverse", CmdReverse, false},
                                           EmptyCase{"PhaseInvert", CmdPhaseInvert, false},
                                           EmptyCase{"Normalize", CmdNormalize, true},
                                           EmptyCase{"DcRemove", CmdDcRemove, true},
                                           EmptyCase{"Volume", CmdVolume, true}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
