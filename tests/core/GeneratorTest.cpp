// White noise, tone and silence inserted at the cursor: the samples against the generators'
// formulas worked out here (and a few by hand), the tone's frequency measured by an FFT, the
// noise's random sequence, and the ways the commands end without changing the sound.
#include "EffectCaseSupport.h"
#include "SpectrumSupport.h"

#include "commands/edit/UndoCommands.h"
#include "commands/generators/GeneratorTexts.h"
#include "commands/generators/Generators.h"
#include "editor/DocumentUi.h"
#include "hosts/scripted/ScriptedDialog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

using namespace wt;
using namespace wt::test;

namespace {

// --- Reference formulas ---------------------------------------------------------------------

// SineTable entry i: 10000 * sin(i * 6.28 / 1024), truncated toward zero.
int SineEntry(int i) {
    return static_cast<int>(10000 * std::sin(i * 6.28 / 1024));
}

// What a sample value reads back as after being stored at `bits`.
int Stored(int bits, int value) {
    return bits == 8 ? (value >> 8) * 256 : static_cast<std::int16_t>(value);
}

// The tone's samples, interleaved, as read back from a sound of `bits` and `channels`.
Samples ToneReference(std::uint32_t rate, int bits, int channels, const ToneParams& p) {
    const int frames = static_cast<int>(std::uint64_t{rate} * p.timeMs / 1000);
    const int period = static_cast<int>(rate / static_cast<std::uint32_t>(p.frequencyHz));
    const int s = 10000 / period;
    const int a = p.volume * 32767 / 100;
    std::vector<int> modulator(static_cast<std::size_t>(frames));
    if (p.fm) {
        const int am = p.fmDepth * 32767 / 100;
        const int sm = s * p.fmRatio / 10;
        for (int k = 0, phase = 0; k < frames; ++k, phase += sm) {
            phase %= 10000;
            modulator[static_cast<std::size_t>(k)] =
                Stored(bits, SineEntry(phase * 1024 / 10000) * am / 10000);
        }
    }
    Samples out;
    for (int k = 0, phase = 0; k < frames; ++k, phase += s) {
        phase %= 10000;
        int phi = phase;
        if (p.fm) {
            phi = phase + modulator[static_cast<std::size_t>(k)] / 8;
            phi = (phi < 0 ? phi + 10000 : phi) % 10000;
        }
        const int value = p.waveform == 0   ? (phi <= 5000 ? -a : a)
                          : p.waveform == 1 ? SineEntry(phi * 1024 / 10000) * a / 10000
                                            : a * phi / 5000 - a;
        for (int c = 0; c < channels; ++c) {
            out.push_back(Stored(bits, value));
        }
    }
    return out;
}

// The runtime's random numbers: state = state * (346 * 2^32 + 20021) + 1, upper 32 bits
// without the top bit.
struct Lcg {
    std::uint64_t state = 1;
    int Next() {
        state = state * ((std::uint64_t{346} << 32) + 20021) + 1;
        return static_cast<int>((state >> 32) & 0x7FFFFFFF);
    }
};

Samples NoiseReference(std::uint32_t rate, int bits, int channels, int volume, bool stereo,
                       int timeMs, Lcg& lcg) {
    const int frames = static_cast<int>(std::uint64_t{rate} * timeMs / 1000);
    const int b = volume * 256 / 100;
    Samples out;
    for (int k = 0; k < frames; ++k) {
        int value = 0;
        for (int c = 0; c < channels; ++c) {
            if (c == 0 || stereo) {
                value = ((b ? lcg.Next() % b : 0) - b / 2) * 256;
            }
            out.push_back(Stored(bits, value));
        }
    }
    return out;
}

// Samples of the selection.
Samples Selected(const App& app) {
    const Samples all = ReadAll(app);
    const int channels = app.doc.format.channels;
    const int align = app.doc.format.blockAlign;
    return {all.begin() + app.doc.selStart / align * channels,
            all.begin() + app.doc.selEnd / align * channels};
}

// --- Tone -----------------------------------------------------------------------------------

struct ToneCase {
    const char* name;
    std::uint32_t rate;
    int bits;
    int channels;
    ToneParams params;
};

void PrintTo(const ToneCase& c, std::ostream* os) {
    *os << c.name;
}

class ToneGenerator : public ::testing::TestWithParam<ToneCase> {};

// The tone goes into a gap opened at the cursor in the middle of a sound, which stays as it was
// around it; afterwards the tone is selected and the cursor stands after it.
TEST_P(ToneGenerator, InsertsTheFormulasSamplesAtTheCursor) {
    const ToneCase& c = GetParam();
    TestApp t;
    const Samples around = Repeat(1024, 6 * c.channels);
    Load(t, c.bits, c.channels, around, c.rate);
    SoundDocument& doc = t.app.doc;
    doc.cursor = 3 * doc.format.blockAlign;
    t.app.effects.generators.tone = c.params;
    ASSERT_EQ(CmdTone(t.app), 1);

    const Samples expected = ToneReference(c.rate, c.bits, c.channels, c.params);
    const auto frames = static_cast<std::int32_t>(expected.size()) / c.channels;
    EXPECT_EQ(frames, static_cast<std::int32_t>(std::uint64_t{c.rate} * c.params.timeMs / 1000));
    EXPECT_EQ(doc.selStart, 3 * doc.format.blockAlign);
    EXPECT_EQ(doc.selEnd, (3 + frames) * doc.format.blockAlign);
    EXPECT_EQ(doc.cursor, doc.selEnd);
    EXPECT_EQ(Selected(t.app), expected);
    const Samples all = ReadAll(t.app);
    EXPECT_EQ(Samples(all.begin(), all.begin() + 3 * c.channels), Repeat(1024, 3 * c.channels));
    EXPECT_EQ(Samples(all.end() - 3 * c.channels, all.end()), Repeat(1024, 3 * c.channels));
    EXPECT_TRUE(doc.modified);
    EXPECT_FALSE(t.app.busy);
    EXPECT_EQ(t.host.menu, &t.app.menus.normal);
    EXPECT_TRUE(t.host.messages.empty());
}

// {volume, frequency, time, waveform, fm, depth, ratio}
INSTANTIATE_TEST_SUITE_P(
    Waveforms, ToneGenerator,
    ::testing::Values(ToneCase{"Sine440", 44100, 16, 1, {70, 440, 500, 1, 0, 50, 30}},
                      ToneCase{"SquareStereo", 44100, 16, 2, {100, 440, 100, 0, 0, 50, 30}},
                      ToneCase{"SawtoothEightBit", 22050, 8, 1, {50, 1000, 200, 2, 0, 50, 30}},
                      ToneCase{"SineFmStereo", 44100, 16, 2, {70, 440, 300, 1, 1, 50, 30}},
                      ToneCase{"SquareFmFullDepth", 8000, 8, 1, {100, 300, 400, 0, 1, 100, 100}},
                      ToneCase{"SawtoothFmEightBitStereo", 11025, 8, 2, {30, 30, 300, 2, 1, 80, 7}},
                      // 5000 Hz at 8000 Hz: one sample per period, the phase never moves.
                      ToneCase{"OneSamplePeriod", 8000, 16, 1, {100, 5000, 10, 2, 0, 50, 30}}),
    [](const auto& info) { return std::string(info.param.name); });

// 440 Hz at 44100 Hz: P = 100 samples, s = 100, A = 70 * 32767 / 100 = 22936.
TEST(ToneGenerator, HandComputedValuesOf440HzAt44100Hz) {
    struct Check {
        int waveform;
        int frame;
        int value;
    };
    const Check checks[] = {
        {0, 0, -22936},
        {0, 50, -22936},
        {0, 51, 22936},
        {0, 99, 22936},
        // sawtooth: 22936 * phase / 5000 - 22936; phase 9900 gives 45413 - 22936
        {2, 0, -22936},
        {2, 50, 0},
        {2, 99, 22477},
        {2, 100, -22936},
        // sine at phase 2500: SineTable[256] = trunc(10000 * sin(1.57)) = 9999
        {1, 0, 0},
        {1, 25, 22933},
    };
    for (int waveform = 0; waveform < 3; ++waveform) {
        TestApp t;
        t.SetSound(
            16, 1, 0, [](int, int) { return 0; }, 44100);
        t.app.effects.generators.tone = {70, 440, 500, waveform, 0, 50, 30};
        ASSERT_EQ(CmdTone(t.app), 1);
        const Samples s = ReadAll(t.app);
        ASSERT_EQ(s.size(), 22050u);
        for (std::size_t k = 0; k + 100 < s.size(); ++k) {
            ASSERT_EQ(s[k], s[k + 100]) << "waveform " << waveform << " frame " << k;
        }
        for (const Check& c : checks) {
            if (c.waveform == waveform) {
                EXPECT_EQ(s[static_cast<std::size_t>(c.frame)], c.value)
                    << "waveform " << waveform << " frame " << c.frame;
            }
        }
    }
}

// A 1000 Hz sine at 44100 Hz has a period of 44 whole samples and a phase step of 227
// ten-thousandths: 44100 * 227 / 10000 = 1001.07 Hz.
TEST(ToneGenerator, FrequencyIsTheQuantisedOneMeasuredByAnFft) {
    TestApp t;
    t.SetSound(
        16, 1, 0, [](int, int) { return 0; }, 44100);
    t.app.effects.generators.tone = {70, 1000, 5000, 1, 0, 50, 30};
    ASSERT_EQ(CmdTone(t.app), 1);
    const Samples s = ReadAll(t.app);
    const double expected = 44100.0 * (10000 / (44100 / 1000)) / 10000;
    EXPECT_NEAR(expected, 1001.07, 0.005);
    const double measured = PeakFrequency(s, 0, 131072, 44100);
    EXPECT_NEAR(measured, expected, expected * 0.001);
}

// --- Noise ----------------------------------------------------------------------------------

struct NoiseCase {
    const char* name;
    int bits;
    int channels;
    int volume;
    int stereoNoise; // the flag before the dialog
    bool perChannel; // what the noise does: one draw per channel
};

void PrintTo(const NoiseCase& c, std::ostream* os) {
    *os << c.name;
}

class NoiseGenerator : public ::testing::TestWithParam<NoiseCase> {};

TEST_P(NoiseGenerator, DrawsTheRuntimesSequence) {
    const NoiseCase& c = GetParam();
    TestApp t;
    t.SetSound(
        c.bits, c.channels, 0, [](int, int) { return 0; }, 1000);
    NoiseParams& params = t.app.effects.generators.noise;
    params = {c.volume, 40, c.stereoNoise};
    ASSERT_EQ(CmdWhiteNoise(t.app), 1);
    Lcg lcg;
    const Samples expected =
        NoiseReference(1000, c.bits, c.channels, c.volume, c.perChannel, 40, lcg);
    EXPECT_EQ(ReadAll(t.app), expected);
    EXPECT_EQ(t.app.effects.generators.random.state, lcg.state);
    // The flag is cleared on a mono sound and kept on a stereo one.
    EXPECT_EQ(params.stereoNoise, c.channels == 1 ? 0 : c.stereoNoise);
    if (c.channels == 2 && c.volume > 0) {
        int differing = 0;
        for (std::size_t i = 0; i < expected.size(); i += 2) {
            differing += expected[i] != expected[i + 1];
        }
        EXPECT_EQ(differing > 0, c.perChannel);
    }
    EXPECT_FALSE(t.app.busy);
}

INSTANTIATE_TEST_SUITE_P(Formats, NoiseGenerator,
                         ::testing::Values(NoiseCase{"StereoFlag", 16, 2, 70, 1, true},
                                           NoiseCase{"StereoWithoutFlag", 16, 2, 70, 0, false},
                                           NoiseCase{"MonoClearsFlag", 16, 1, 100, 1, false},
                                           NoiseCase{"EightBitStereo", 8, 2, 100, 1, true},
                                           NoiseCase{"EightBitMono", 8, 1, 33, 1, false},
                                           NoiseCase{"Volume0DrawsNothing", 16, 2, 0, 1, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// The first draw is the upper half of 1 * (346 * 2^32 + 20021) + 1: 346. At volume 70, b = 179:
// r = 346 mod 179 = 167, the sample (167 - 89) * 256 = 19968; in 8 bits the byte 167 - 89 + 128.
// At volume 100 the values lie in -32768..32512 in steps of 256.
TEST(NoiseGenerator, HandComputedFirstSampleAndRange) {
    for (int bits : {16, 8}) {
        TestApp t;
        t.SetSound(
            bits, 1, 0, [](int, int) { return 0; }, 8000);
        t.app.effects.generators.noise = {70, 1, 0};
        ASSERT_EQ(CmdWhiteNoise(t.app), 1);
        ASSERT_EQ(t.app.doc.byteLength, 8 * bits / 8);
        if (bits == 16) {
            EXPECT_EQ(ReadAll(t.app)[0], 19968);
        } else {
            EXPECT_EQ(t.app.doc.Data()[0], 167 - 89 + 128);
        }
    }
    TestApp t;
    t.SetSound(
        16, 1, 0, [](int, int) { return 0; }, 44100);
    t.app.effects.generators.noise = {100, 1000, 0};
    ASSERT_EQ(CmdWhiteNoise(t.app), 1);
    int low = 0, high = 0;
    for (int v : ReadAll(t.app)) {
        ASSERT_EQ(v % 256, 0);
        low = std::min(low, v);
        high = std::max(high, v);
    }
    EXPECT_EQ(low, -32768);
    EXPECT_EQ(high, 32512);
}

// On a mono sound the stereo box is shown grey and the flag is cleared; it stays cleared, so a
// later noise on a stereo sound has equal channels until the box is ticked again.
TEST(NoiseGenerator, MonoClearsTheStereoFlagForLater) {
    TestApp t;
    t.SetSound(
        16, 1, 0, [](int, int) { return 0; }, 1000);
    int shown = -1;
    DialogScript script;
    script.interact = [&](ScriptedDialog& dialog, std::string&) {
        shown = dialog.IsButtonChecked(kIdStereoNoise);
        return true;
    };
    t.host.QueueDialog(script);
    ASSERT_EQ(CmdWhiteNoise(t.app), 1);
    EXPECT_EQ(shown, Indeterminate);
    t.SetSound(
        16, 2, 0, [](int, int) { return 0; }, 1000);
    ASSERT_EQ(CmdWhiteNoise(t.app), 1);
    const Samples equal = ReadAll(t.app);
    ASSERT_FALSE(equal.empty());
    for (std::size_t i = 0; i < equal.size(); i += 2) {
        ASSERT_EQ(equal[i], equal[i + 1]);
    }
    t.SetSound(
        16, 2, 0, [](int, int) { return 0; }, 1000);
    t.host.QueueDialog({{{kIdStereoNoise, "1"}}});
    ASSERT_EQ(CmdWhiteNoise(t.app), 1);
    const Samples differ = ReadAll(t.app);
    EXPECT_NE(differ[0], differ[1]);
}

// --- All three: time 0, undo, failures ------------------------------------------------------

struct Generator {
    const char* name;
    int (*command)(App&);
    int dialog;
    int timeEdit;
};
const Generator kGenerators[] = {
    {"noise", CmdWhiteNoise, kDialogNoise, kIdNoiseTimeEdit},
    {"tone", CmdTone, kDialogTone, kIdToneTimeEdit},
    {"silence", CmdInsertSilence, kDialogSilence, kIdSilenceTimeEdit},
};

// 100 ms at 22050 Hz, 16-bit stereo: 2205 frames, 8820 bytes, in the middle of the sound; one
// undo gives back every byte. Time 0 inserts nothing and selects nothing at the cursor.
TEST(Generators, InsertTheTimeAtTheCursorAndUndoRemovesIt) {
    for (const Generator& g : kGenerators) {
        for (int bits : {16, 8}) {
            SCOPED_TRACE(std::string(g.name) + " " + std::to_string(bits));
            TestApp t;
            t.SetSound(
                bits, 2, 10, [](int f, int c) { return f * 1000 - c * 300; }, 22050);
            const std::vector<std::uint8_t> before = Bytes(t.app);
            const int align = t.app.doc.format.blockAlign;
            t.app.doc.cursor = 4 * align;
            t.host.QueueDialog({{{g.timeEdit, "100"}}});
            ASSERT_EQ(g.command(t.app), 1);
            EXPECT_EQ(t.host.shownDialogs.back().templateId, g.dialog);
            EXPECT_EQ(t.app.doc.byteLength, 10 * align + 2205 * align);
            EXPECT_EQ(t.app.doc.selStart, 4 * align);
            EXPECT_EQ(t.app.doc.cursor, 4 * align + 2205 * align);
            if (g.command == CmdInsertSilence) {
                const std::uint8_t silence = bits == 8 ? 128 : 0;
                for (std::int32_t i = t.app.doc.selStart; i < t.app.doc.selEnd; ++i) {
                    ASSERT_EQ(t.app.doc.Data()[i], silence);
                }
            }
            ASSERT_EQ(CmdUndo(t.app), 1);
            EXPECT_EQ(Bytes(t.app), before);

            t.host.QueueDialog({{{g.timeEdit, "0"}}});
            ASSERT_EQ(g.command(t.app), 1);
            EXPECT_EQ(Bytes(t.app), before);
            EXPECT_EQ(t.app.doc.selStart, 4 * align);
            EXPECT_EQ(t.app.doc.selEnd, 4 * align);
            EXPECT_FALSE(t.app.busy);
        }
    }
}

// When the gap cannot be had the sound is put back and nothing is written over it; Cancel and
// a tone above the sample rate change nothing at all.
TEST(Generators, EndWithoutChangingTheSound) {
    struct Case {
        const char* name;
        int (*command)(App&);
        DialogScript script;
        std::size_t limit; // allocation limit, 0: none
        const char* text;
        const char* caption;
    };
    const Case cases[] = {
        {"noise out of memory", CmdWhiteNoise, {}, 4096, kTextOutOfMemory, "WTOMUKA"},
        {"tone out of memory", CmdTone, {}, 4096, kTextOutOfMemory, "WTOMUKA"},
        {"silence out of memory", CmdInsertSilence, {}, 4096, kTextOutOfMemory, "WTOMUKA"},
        {"tone above the rate",
         CmdTone,
         {{{kIdToneFrequencyEdit, "8001"}}},
         0,
         kTextToneTooHigh,
         kCaptionTone},
        {"noise cancelled", CmdWhiteNoise, {{}, true}, 0, nullptr, nullptr},
        {"tone cancelled", CmdTone, {{}, true}, 0, nullptr, nullptr},
        {"silence cancelled", CmdInsertSilence, {{}, true}, 0, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestApp t;
        t.SetSound(
            16, 1, 100, [](int f, int) { return f * 7; }, 8000);
        t.app.doc.cursor = 50 * 2;
        const std::vector<std::uint8_t> before = Bytes(t.app);
        t.host.QueueDialog(c.script);
        SampleBlock::SetAllocationLimitForTesting(c.limit);
        const int result = c.command(t.app);
        SampleBlock::SetAllocationLimitForTesting(0);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(Bytes(t.app), before);
        EXPECT_EQ(t.app.doc.cursor, 50 * 2);
        EXPECT_FALSE(t.app.busy);
        EXPECT_EQ(t.host.menu, &t.app.menus.normal);
        if (c.text) {
            ASSERT_EQ(t.host.messages.size(), 1u);
            EXPECT_EQ(t.host.messages[0].text, c.text);
            EXPECT_EQ(t.host.messages[0].caption, c.caption);
        } else {
            EXPECT_TRUE(t.host.messages.empty());
        }
    }
}

} // namespace
