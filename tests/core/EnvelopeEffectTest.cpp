// The volume, pan and pitch envelopes against hand-computed values, and undo of each.
#include "TestApp.h"

#include "commands/edit/UndoCommands.h"
#include "commands/effects/EnvelopeEditor.h"
#include "commands/effects/EnvelopeEffects.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace wt;

namespace {

using Command = int (*)(App&);
using Samples = std::vector<int>; // interleaved, channel 0 first

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

EnvelopePoints& PointsOf(App& app, Command command) {
    EnvelopeParams& e = app.effects.envelopes;
    return command == CmdEnvelope ? e.volume : command == CmdPanEnvelope ? e.pan : e.pitch;
}

struct EffectCase {
    const char* name;
    Command command;
    int bits, channels;
    const char* points;
    Samples input;
    Samples expected;
    int selFirst = 0, selEnd = 0; // frames; 0, 0: nothing selected (the whole sound)
};

void PrintTo(const EffectCase& c, std::ostream* os) {
    *os << c.name;
}

class EnvelopeEffect : public ::testing::TestWithParam<EffectCase> {};

TEST_P(EnvelopeEffect, GivesTheHandComputedSamplesAndUndoes) {
    const EffectCase& c = GetParam();
    test::TestApp t;
    const int frames = static_cast<int>(c.input.size()) / c.channels;
    t.SetSound(c.bits, c.channels, frames,
               [&](int f, int ch) { return c.input[f * c.channels + ch]; });
    const int blockAlign = t.app.doc.format.blockAlign;
    t.app.doc.selStart = c.selFirst * blockAlign;
    t.app.doc.selEnd = c.selEnd * blockAlign;
    t.app.doc.cursor = t.app.doc.anchor = frames * blockAlign; // at the end of the sound
    std::string error;
    ASSERT_TRUE(ParseEnvelopePoints(c.points, PointsOf(t.app, c.command), error)) << error;
    const std::vector<std::uint8_t> before = Bytes(t.app);

    ASSERT_EQ(c.command(t.app), 1);
    EXPECT_EQ(Read(t.app), c.expected);
    EXPECT_TRUE(t.app.doc.modified);
    EXPECT_FALSE(t.app.busy);
    EXPECT_TRUE(t.host.messages.empty());
    // The selection covers what became of it; the sound after it follows.
    const int grown = static_cast<int>(c.expected.size() - c.input.size()) / c.channels;
    const int selectedEnd = c.selEnd ? c.selEnd : frames;
    EXPECT_EQ(t.app.doc.selEnd, (selectedEnd + grown) * blockAlign);
    // A cursor at the end stays there, or at the new end of a sound that became shorter.
    EXPECT_EQ(t.app.doc.cursor, std::min(frames, frames + grown) * blockAlign);
    EXPECT_EQ(t.app.doc.anchor, t.app.doc.cursor);

    ASSERT_EQ(CmdUndo(t.app), 1);
    EXPECT_TRUE(Bytes(t.app) == before) << "undo restores every byte";
}

// Volume and pan: p = b * 256 / selection bytes for the frame at byte offset b, v the envelope
// there, outputs x * v / 128 (pan: channel 1 x * (256 - v) / 128), truncated, stored without
// clipping. Pitch: t in hundredths of a frame from 0, step 50 * 2^(v / 128) (50 at 0, 100 at
// 128, 200 at 256); output a + (b - a) * (t mod 100) / 100 with a the frame t / 100 and b the
// one after (0 past the end of the sound).
// clang-format off
const EffectCase kEffectCases[] = {
    // A flat envelope changes nothing; the pitch envelope copies every frame once.
    {"FlatVolume16", CmdEnvelope, 16, 2, "0:128,256:128", {1000, -2000, 32767, -32768}, {1000, -2000, 32767, -32768}},
    {"FlatVolume8", CmdEnvelope, 8, 1, "0:128,256:128", {-32768, 32512, 256}, {-32768, 32512, 256}},
    {"FlatPan", CmdPanEnvelope, 16, 2, "0:128,256:128", {1000, -2000, 32767, -32768}, {1000, -2000, 32767, -32768}},
    {"FlatPitch", CmdPitchEnvelope, 16, 1, "0:128,256:128", {0, 100, 200, 300}, {0, 100, 200, 300}},
    // Ends at 256: doubled; 20000 and -20000 double past 16 bits and wrap (no clipping).
    {"VolumeDoubled16", CmdEnvelope, 16, 1, "0:256,256:256", {1000, -16000, 20000, -20000}, {2000, -32000, -25536, 25536}},
    // 8 bits: 25600 doubled is 51200, stored as (51200 >> 8) + 128 = 328, low byte 72.
    {"VolumeDoubled8", CmdEnvelope, 8, 2, "0:256,256:256", {12800, -15360, 25600, 0}, {25600, -30720, -14336, 0}},
    // A ramp from 0 to 256 over 4 frames: p = 0, 64, 128, 192.
    {"VolumeRamp", CmdEnvelope, 16, 1, "0:0,256:256", {1000, 1000, 1000, 1000}, {0, 500, 1000, 1500}},
    // Only the selection (frames 1 and 2, p = 0 and 128) changes.
    {"VolumeRampSelection", CmdEnvelope, 16, 1, "0:0,256:256", {1000, 1000, 1000, 1000}, {1000, 0, 1000, 1000}, 1, 3},
    // Pan flat at 256: channel 0 doubled, channel 1 silent; at 0 the other way round.
    {"PanLeft", CmdPanEnvelope, 16, 2, "0:256,256:256", {1000, 1000, -3000, 500}, {2000, 0, -6000, 0}},
    {"PanRight", CmdPanEnvelope, 16, 2, "0:0,256:0", {1000, 1000, -3000, 500}, {0, 2000, 0, 1000}},
    // Pitch flat at 0: step 50, twice as long; the last frame leans toward the 0 past the end.
    {"PitchDown", CmdPitchEnvelope, 16, 1, "0:0,256:0", {0, 100, 200, 300}, {0, 50, 100, 150, 200, 250, 300, 150}},
    {"PitchDownStereo", CmdPitchEnvelope, 16, 2, "0:0,256:0", {0, 1000, 100, -1000}, {0, 1000, 50, 0, 100, -1000, 50, -500}},
    // Pitch flat at 256: step 200, half as long.
    {"PitchUp", CmdPitchEnvelope, 16, 1, "0:256,256:256", {0, 100, 200, 300}, {0, 200}},
    // A selection in the middle reads the frame after it; the rest of the sound moves up.
    {"PitchDownSelection", CmdPitchEnvelope, 16, 1, "0:0,256:0", {0, 100, 200, 300, 400, 500}, {0, 100, 150, 200, 250, 300, 400, 500}, 1, 3},
    // Three frames (p = 0, 85, 170) under points closer together than the frames: each frame
    // takes the segment that holds it. Volume: v(85) = 256 + 83 * -128 / 254 = 215,
    // v(170) = 256 + 168 * -128 / 254 = 172.
    {"VolumeShortSelection", CmdEnvelope, 16, 1, "0:128,1:0,2:256,256:128", {1000, 1000, 1000}, {1000, 1679, 1343}},
    // Pitch: t = 0 (v 128, step 100), 100 and 162 (p 85, v 0 + 83 * 128 / 254 = 41, step
    // 62), 224 (p 170, v 84, step 78), 302 ends. Taking one segment per frame at most would
    // give v = -21248 at p 85, a step of 0 and no end.
    {"PitchShortSelection", CmdPitchEnvelope, 16, 1, "0:128,1:256,2:0,256:128", {0, 300, 600}, {0, 300, 486, 456}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Cases, EnvelopeEffect, ::testing::ValuesIn(kEffectCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(EnvelopeEffects, PositionsRunAcrossASelectionLongerThanEightMegabytes) {
    test::TestApp t;
    constexpr int kFrames = 4500000; // 9,000,000 bytes of 16-bit mono
    t.SetSound(16, 1, kFrames, [](int, int) { return 1000; });
    std::string error;
    ASSERT_TRUE(ParseEnvelopePoints("0:0,256:256", t.app.effects.envelopes.volume, error));
    ASSERT_EQ(CmdEnvelope(t.app), 1);
    const std::int64_t length = 2LL * kFrames;
    for (std::int64_t f = 0; f < kFrames; f += 99991) {
        const std::int64_t p = 2 * f * 256 / length; // the envelope's value is p itself
        ASSERT_EQ(ReadSample(t.app.doc, t.app.doc.Data() + 2 * f, 0), 1000 * p / 128) << f;
    }
    EXPECT_EQ(ReadSample(t.app.doc, t.app.doc.Data() + length - 2, 0), 1000 * 255 / 128);
}

TEST(EnvelopeEffects, PitchInputPositionRunsPastTwoBillionHundredths) {
    // 22,000,000 frames: the input position t reaches 2.2e9 hundredths of a frame.
    test::TestApp t;
    constexpr int kFrames = 22000000;
    t.SetSound(8, 1, kFrames, [](int f, int) { return (f % 251 - 125) * 256; });
    std::string error;
    ASSERT_TRUE(ParseEnvelopePoints("0:256,256:256", t.app.effects.envelopes.pitch, error));
    ASSERT_EQ(CmdPitchEnvelope(t.app), 1);
    // Step 200: output frame k is input frame 2k.
    ASSERT_EQ(t.app.doc.byteLength, kFrames / 2);
    for (int k = kFrames / 2 - 1; k > 0; k -= 1234567) {
        ASSERT_EQ(ReadSample(t.app.doc, t.app.doc.Data() + k, 0), ((2 * k) % 251 - 125) * 256) << k;
    }
}

TEST(EnvelopeEffects, CancelChangesNoSampleButKeepsTheDrawnPoints) {
    for (const Command command : {CmdEnvelope, CmdPanEnvelope, CmdPitchEnvelope}) {
        test::TestApp t;
        t.SetSound(16, 2, 10, [](int f, int c) { return f * 100 - c; });
        const std::vector<std::uint8_t> before = Bytes(t.app);
        t.host.QueueDialog({{{kIdEnvelopeArea, "0:10,100:200,256:30"}}, true});
        EXPECT_EQ(command(t.app), 0);
        EXPECT_TRUE(Bytes(t.app) == before);
        EXPECT_FALSE(t.app.doc.modified);
        EXPECT_EQ(t.app.doc.selEnd, t.app.doc.byteLength) << "the selection rule ran first";
        EXPECT_EQ(FormatEnvelopePoints(PointsOf(t.app, command)), "0:10,100:200,256:30");
        // A refused list leaves the points as they were and the dialog is cancelled.
        t.host.QueueDialog({{{kIdEnvelopeArea, "0:10,256:999"}}});
        EXPECT_EQ(command(t.app), 0);
        ASSERT_FALSE(t.host.scriptErrors.empty());
        EXPECT_EQ(t.host.scriptErrors.back(), "control 110: point 2: y 999 is not 0 to 256");
        EXPECT_EQ(FormatEnvelopePoints(PointsOf(t.app, command)), "0:10,100:200,256:30");
        EXPECT_TRUE(Bytes(t.app) == before);
    }
}

TEST(EnvelopeEffects, PanOnAMonoSoundIsRefusedBeforeAnythingElse) {
    test::TestApp t;
    t.SetSound(16, 1, 10, [](int f, int) { return f; });
    const std::vector<std::uint8_t> before = Bytes(t.app);
    EXPECT_EQ(CmdPanEnvelope(t.app), 0);
    ASSERT_EQ(t.host.messages.size(), 1u);
    EXPECT_EQ(t.host.messages[0].text, "この機能はステレオデータの場合のみ使用できます\nまず "
                                       "[フォーマット変換] でステレオデータに変換してください");
    EXPECT_EQ(t.host.messages[0].caption, "パンエンベロープ");
    EXPECT_EQ(t.host.messages[0].flags, mb::Ok | mb::IconInformation);
    EXPECT_TRUE(t.host.shownDialogs.empty());
    EXPECT_EQ(t.app.doc.selEnd, 0) << "the selection rule did not run";
    EXPECT_TRUE(Bytes(t.app) == before);
}

TEST(EnvelopeEffects, PitchBufferThatCannotBeHadLeavesTheSoundAsItWas) {
    test::TestApp t;
    t.SetSound(16, 1, 500, [](int f, int) { return f; }); // 1000 bytes; the buffer needs 2100
    const std::vector<std::uint8_t> before = Bytes(t.app);
    SampleBlock::SetAllocationLimitForTesting(1500);
    const int result = CmdPitchEnvelope(t.app);
    SampleBlock::SetAllocationLimitForTesting(0);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(t.host.messages.size(), 1u);
    EXPECT_EQ(t.host.messages[0].text, "メモリーが足りません");
    EXPECT_EQ(t.host.messages[0].caption, "ピッチエンベロープ");
    EXPECT_TRUE(Bytes(t.app) == before);
    EXPECT_FALSE(t.app.busy);
    EXPECT_FALSE(t.app.doc.modified);
}

} // namespace
