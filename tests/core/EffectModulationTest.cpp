// The tremolo and vibrato against values worked out by hand, on 8- and 16-bit, mono and
// stereo sounds, and the vibrato's sweep with its onset against its formula.
#include "EffectCaseSupport.h"

#include "commands/effects/ModulationEffects.h"
#include "dsp/SineSweep.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace wt;
using namespace wt::test;

namespace {

class ModulationEffect : public ::testing::TestWithParam<EffectCase> {};

TEST_P(ModulationEffect, GivesTheHandComputedSamples) {
    ExpectEffectCase(GetParam());
}

// `frames` frames of `value` on every channel, and the expected sound with only the given
// frames checked: {frame, channel 0, channel 1 ...}.
Samples Constant(int value, int frames, int channels) {
    return Repeat(value, frames * channels);
}
Samples Checked(int frames, int channels, std::initializer_list<std::vector<int>> rows) {
    Samples s = Repeat(kAny, frames * channels);
    for (const auto& row : rows) {
        for (int c = 0; c < channels; ++c) {
            s[static_cast<std::size_t>(row[0] * channels + c)] =
                row[static_cast<std::size_t>(c) + 1];
        }
    }
    return s;
}

// clang-format off
const EffectCase kModulationCases[] = {
    // Tremolo {level, rate, auto-pan}.
    {"TremoloLevel0", CmdTremolo, 16, 2, 22050, [](EffectState& s) { s.modulation.tremolo = {0, 50, 1}; },
     {1000, -1001, 32767, -32768}, {1000, -1001, 32767, -32768}},
    // Rate 0: the index stays 0, the cut is level / 2 on every channel.
    {"TremoloRate0", CmdTremolo, 16, 2, 22050, [](EffectState& s) { s.modulation.tremolo = {100, 0, 0}; },
     {1000, -1001, 3, 0}, {500, -500, 1, 0}},
    {"TremoloRate0Level30", CmdTremolo, 16, 1, 22050, [](EffectState& s) { s.modulation.tremolo = {30, 0, 0}; },
     {1000, -1001}, {850, -850}},
    {"TremoloRate0Eight", CmdTremolo, 8, 1, 22050, [](EffectState& s) { s.modulation.tremolo = {100, 0, 0}; },
     {2560, -2560, 256, -256}, {1280, -1280, 0, -256}},
    // Level 100, rate 10 at 10000 Hz: the index steps by 10 when k * 102 reaches 10000
    // (frame 99: SineTable 10 = 612, gain 47 %), reaches 250 (9992, gain 1 %) at frame 2451
    // and 770 (-9999, gain 100 %) at frame 7550.
    {"TremoloSweep", CmdTremolo, 16, 1, 10000, [](EffectState& s) { s.modulation.tremolo = {100, 10, 0}; },
     Constant(10000, 7551, 1),
     Checked(7551, 1, {{0, 5000}, {98, 5000}, {99, 4700}, {2450, kAny}, {2451, 100}, {7550, 10000}})},
    // Auto-pan at 102 Hz, rate 64: the index is 64 per frame. At 256 channel 0 keeps 1 % and
    // channel 1 99 %; at 768 channel 0 is at full level and channel 1 silent.
    {"TremoloAutoPan", CmdTremolo, 16, 2, 102, [](EffectState& s) { s.modulation.tremolo = {100, 64, 1}; },
     Constant(10000, 13, 2),
     Checked(13, 2, {{0, 5000, 5000}, {4, 100, 9900}, {12, 10000, 0}})},
    {"TremoloWithoutAutoPan", CmdTremolo, 16, 2, 102, [](EffectState& s) { s.modulation.tremolo = {100, 64, 0}; },
     Constant(10000, 13, 2),
     Checked(13, 2, {{0, 5000, 5000}, {4, 100, 100}, {12, 10000, 10000}})},

    // Vibrato {depth, rate in 1/10 Hz, onset in 1/10 s}. Depth 0 reads every frame in place.
    {"VibratoDepth0", CmdVibrato, 16, 2, 22050, [](EffectState& s) { s.modulation.vibrato = {0, 200, 0}; },
     {1000, -1001, 7, 32767, -32768, 0}, {1000, -1001, 7, 32767, -32768, 0}},
    {"VibratoDepth0Eight", CmdVibrato, 8, 2, 22050, [](EffectState& s) { s.modulation.vibrato = {0, 200, 5}; },
     {256, -32768, 32512, 0}, {256, -32768, 32512, 0}},
    // The flanger's sweep without the dry sound: at 40 Hz and 10.0 Hz, depth 1.
    {"VibratoSweep", CmdVibrato, 16, 1, 40, [](EffectState& s) { s.modulation.vibrato = {1, 100, 0}; },
     {0, 1000, 3000, 6000, 10000, 15000}, {0, 2999, 3004, 6000, 10000, 2}},
    // Onset 1.0 s at 40 Hz: 40 frames, the depth after frame k is 100 * k / 40: 0, 2, 5, 7,
    // 10. Frame 3 is read 4.9995 frames back, between the silence before the sound and
    // frame 0; frame 5 nearly 10 frames ahead, beyond the end.
    {"VibratoOnset", CmdVibrato, 16, 1, 40, [](EffectState& s) { s.modulation.vibrato = {100, 100, 10}; },
     {1000, 1100, 1200, 1300, 1400, 1500}, {1000, 1100, 1200, -999, 1400, 0}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Values, ModulationEffect, ::testing::ValuesIn(kModulationCases),
                         [](const auto& info) { return std::string(info.param.name); });

// On a ramp rising by 1 a frame the swept read lands on a whole frame, so the output less the
// input is the offset in whole frames: SineTable[phase * 1024 / (10 * rate)] times the depth
// after the previous frame, / 10000. With onset 2.0 s at 22050 Hz the depth grows over 44100
// frames; at 20.0 Hz the phase wraps 20 times a second.
TEST(VibratoOnset, DepthGrowsOverTheOnsetAndTheSweepFollowsTheSine) {
    constexpr int kRate = 22050, kFrames = 50000, kDepth = 100, kSweep = 200, kOnset = 20;
    TestApp t;
    t.SetSound(
        16, 1, kFrames, [](int f, int) { return f - 25000; }, kRate);
    t.app.effects.modulation.vibrato = {kDepth, kSweep, kOnset};
    ASSERT_EQ(CmdVibrato(t.app), 1);
    const Samples out = ReadAll(t.app);
    const long long period = 10LL * kRate;
    const long long onsetFrames = static_cast<long long>(kOnset) * kRate / 10;
    ASSERT_EQ(onsetFrames, 44100);
    int largestInOnset = 0, largestAfter = 0;
    for (int k = 1; k < kFrames - 101; ++k) {
        const long long phase = static_cast<long long>(k) * kSweep % period;
        const long long index = phase * 1024 / period;
        const int sine =
            static_cast<int>(10000 * std::sin(static_cast<double>(index) * 6.28 / 1024));
        const long long before = k - 1;
        const int depth =
            before < onsetFrames ? static_cast<int>(kDepth * before / onsetFrames) : kDepth;
        const int shift = sine * depth / 10000;
        ASSERT_EQ(out[static_cast<std::size_t>(k)] - (k - 25000), shift) << "frame " << k;
        int& largest = k < onsetFrames ? largestInOnset : largestAfter;
        largest = std::max(largest, std::abs(shift));
        if (k < onsetFrames) {
            ASSERT_LE(std::abs(shift), kDepth * k / onsetFrames + 1) << "frame " << k;
        }
    }
    EXPECT_GE(largestAfter, 99);
    EXPECT_GE(largestInOnset, 95);
}

// The sweep's table index is phase * 1024 / (10 * rate) with the phase advanced by the sweep
// rate each frame and wrapped at 10 * rate: at rates so low that one step passes several
// periods (5 Hz) and so high that phase * 1024 leaves 32 bits (768 kHz). The tremolo's index
// ((k * 102 / rate) * sweep) mod 1024 keeps growing past 42 million frames, where k * 102
// leaves 32 bits.
TEST(SineSweep, IndicesFollowTheirFormulaAtAnySampleRate) {
    for (const std::uint32_t rate : {5u, 13u, 22050u, 768000u}) {
        for (const int sweep : {1, 7, 200}) {
            SinePhase phase(rate, sweep);
            const std::uint64_t period = 10ULL * rate;
            for (std::uint64_t k = 1; k <= 100000; ++k) {
                phase.Advance();
                const std::uint64_t expected = k * sweep % period * 1024 / period;
                ASSERT_EQ(static_cast<std::uint64_t>(phase.Index()), expected)
                    << rate << " Hz, sweep " << sweep << ", frame " << k;
            }
        }
    }
    TremoloIndex index(44100, 20);
    std::uint64_t k = 0;
    for (const std::uint64_t at : {0ULL, 1ULL, 433ULL, 42'107'000ULL, 42'200'000ULL}) {
        for (; k < at; ++k) {
            index.Next();
        }
        ASSERT_EQ(static_cast<std::uint64_t>(index.Index()), k * 102 / 44100 * 20 % 1024) << k;
    }
}

} // namespace
