// The echo, reverb and flanger against values worked out by hand, on 8- and 16-bit, mono and
// stereo sounds, and the reverb against its formula on longer sounds.
#include "EffectCaseSupport.h"

#include "commands/effects/DelayEffects.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace wt;
using namespace wt::test;

namespace {

class DelayEffect : public ::testing::TestWithParam<EffectCase> {};

TEST_P(DelayEffect, GivesTheHandComputedSamples) {
    ExpectEffectCase(GetParam());
}

// An impulse of `value` at frame 0, then silence.
Samples Impulse(int value, int frames) {
    Samples s = Repeat(0, frames);
    s[0] = value;
    return s;
}
Samples With(Samples s, std::initializer_list<std::pair<int, int>> at) {
    for (auto [index, value] : at) {
        s[static_cast<std::size_t>(index)] = value;
    }
    return s;
}

// Echo at 8000 Hz and 120 ms: D = 960 frames; echoes of 50 % and 50 % * 40 %.
Samples EchoAt960(int channels) {
    return Impulse(10000, 2000 * channels);
}
Samples EchoAt960Expected(int channels) {
    return With(Repeat(0, 2000 * channels),
                {{0, 10000}, {960 * channels, 5000}, {1920 * channels, 2000}});
}

// The reverb with the taps at 1000 Hz and 1000 ms lying at their per-mille delays in frames:
// an impulse of 12800 whose DC removal is 12700 at frame 0 and -99, -98 after it. With the dry
// sound at 0 nothing sounds before the first reflection (61 frames) of the selection's start.
Samples ReverbFromStartExpected() {
    // Frame 61: 12700 * 100 / 128; frame 62: -99 * 100 / 128 + 12700 * 85 / 128;
    // frame 63: -98 * 100 / 128 - 99 * 85 / 128.
    return With(Repeat(0, 64), {{61, 9921}, {62, -77 + 8433}, {63, -76 - 65}});
}

// clang-format off
const EffectCase kDelayCases[] = {
    // Echo {delay ms, level, feedback} at 1000 Hz: delay in frames = ms.
    {"Echo", CmdEcho, 16, 1, 1000, [](EffectState& s) { s.delay.echo = {2, 50, 40}; },
     {1000, 2000, 3000, 4000, 5000, 6000}, {1000, 2000, 3500, 5000, 6700, 8400}},
    {"EchoStereo", CmdEcho, 16, 2, 1000, [](EffectState& s) { s.delay.echo = {1, 50, 40}; },
     {1000, -2000, 0, 0, 0, 0}, {1000, -2000, 500, -1000, 200, -400}},
    {"EchoLevel0", CmdEcho, 16, 1, 1000, [](EffectState& s) { s.delay.echo = {1, 0, 100}; },
     {1000, -2000, 3000}, {1000, -2000, 3000}},
    {"EchoFeedback0", CmdEcho, 16, 1, 1000, [](EffectState& s) { s.delay.echo = {1, 50, 0}; },
     {10000, 0, 0, 0, 0}, {10000, 5000, 0, 0, 0}},
    {"EchoFullFeedback", CmdEcho, 16, 1, 1000, [](EffectState& s) { s.delay.echo = {1, 100, 100}; },
     {10000, 0, 0, 0}, {10000, 10000, 10000, 10000}},
    // Sums beyond 16 bits wrap, in the feedback path (60000 is kept as -5536) and in the output.
    {"EchoUnclipped", CmdEcho, 16, 1, 1000, [](EffectState& s) { s.delay.echo = {1, 100, 100}; },
     {30000, 30000, 30000}, {30000, -5536, 24464}},
    {"EchoDelay0", CmdEcho, 16, 1, 1000, [](EffectState& s) { s.delay.echo = {0, 50, 100}; },
     {1000, -1001, 7}, {1500, -1501, 10}},
    // On 8-bit sound the feedback carries 8-bit values: 3200 is kept as 3072.
    {"Echo8", CmdEcho, 8, 1, 1000, [](EffectState& s) { s.delay.echo = {1, 50, 50}; },
     {25600, 0, 0, 0}, {25600, 12800, 6400, 3072}},
    {"Echo960Mono16", CmdEcho, 16, 1, 8000, [](EffectState& s) { s.delay.echo = {120, 50, 40}; },
     EchoAt960(1), EchoAt960Expected(1)},
    {"Echo960Stereo16", CmdEcho, 16, 2, 8000, [](EffectState& s) { s.delay.echo = {120, 50, 40}; },
     EchoAt960(2), EchoAt960Expected(2)},
    {"Echo960Mono8", CmdEcho, 8, 1, 8000, [](EffectState& s) { s.delay.echo = {120, 50, 40}; },
     Impulse(10240, 2000), With(Repeat(0, 2000), {{0, 10240}, {960, 5120}, {1920, 2048}})},
    // An echo within the selection only: frames 1..3 selected, the delay of 1 frame.
    {"EchoSelection", CmdEcho, 16, 1, 1000, [](EffectState& s) { s.delay.echo = {1, 50, 0}; },
     {1000, 2000, 4000, 6000, 8000}, {1000, 2000, 5000, 8000, 8000}, 1, 4},

    // Reverb {time ms, level, dry level}. Level 0 and dry 100 give the DC-removed sound.
    {"ReverbLevel0", CmdReverb, 16, 1, 22050, [](EffectState& s) { s.delay.reverb = {500, 0, 100}; },
     {1000, 1000, 1000, 1000}, {992, 984, 976, 969}},
    // Time 0: every reflection is the frame itself. 1280 less its DC is 1270; the taps add
    // the sum over the gains g of 1270 * g / 128, truncated one by one: 5230.
    {"ReverbTime0DryOnlyReflections", CmdReverb, 16, 2, 22050, [](EffectState& s) { s.delay.reverb = {0, 100, 0}; },
     {1280, -1280}, {5230, -5230}},
    {"ReverbTime0WithDry", CmdReverb, 16, 1, 22050, [](EffectState& s) { s.delay.reverb = {0, 100, 100}; },
     {1280}, {1270 + 5230}},
    // 8-bit: the DC step stores 1270 as 1024; the taps add 1024 * 529 / 128 = 4232, kept as 4096.
    {"ReverbTime0Eight", CmdReverb, 8, 1, 22050, [](EffectState& s) { s.delay.reverb = {0, 100, 0}; },
     {1280}, {4096}},
    {"ReverbFromTheStart", CmdReverb, 16, 1, 1000, [](EffectState& s) { s.delay.reverb = {1000, 100, 0}; },
     Impulse(12800, 64), ReverbFromStartExpected()},
    // A selection from frame 62: the first two reflections reach the unselected (and not
    // DC-removed) frames 1 and 0: 2560 * 100 / 128 + 12800 * 85 / 128, then 2560 * 85 / 128.
    {"ReverbReachesBeforeTheSelection", CmdReverb, 16, 1, 1000, [](EffectState& s) { s.delay.reverb = {1000, 100, 80}; },
     With(Repeat(0, 70), {{0, 12800}, {1, 2560}}),
     With(Repeat(0, 70), {{0, 12800}, {1, 2560}, {62, 10500}, {63, 1700}}), 62, 70},

    // Flanger {level, depth, rate, stereo flange}. Depth 0: (x + x * level / 100) / 2.
    {"FlangerDepth0", CmdFlanger, 16, 1, 22050, [](EffectState& s) { s.delay.flanger = {50, 0, 20, 0}; },
     {1000, -1001, 7}, {750, -750, 5}},
    {"FlangerDepth0Level100", CmdFlanger, 16, 2, 22050, [](EffectState& s) { s.delay.flanger = {100, 0, 20, 0}; },
     {1000, -1001, 7, 32767}, {1000, -1001, 7, 32767}},
    {"FlangerRate0", CmdFlanger, 16, 1, 22050, [](EffectState& s) { s.delay.flanger = {50, 100, 0, 0}; },
     {1000, -1001, 7}, {750, -750, 5}},
    // On a mono sound the stereo flange is switched off.
    {"FlangerMonoIgnoresStereoFlange", CmdFlanger, 16, 1, 22050, [](EffectState& s) { s.delay.flanger = {50, 0, 20, 1}; },
     {1000, -1001, 7}, {750, -750, 5}},
    // Stereo flange: channel 0 is 70 % dry + 30 % swept, channel 1 stays dry.
    {"FlangerStereoFlange", CmdFlanger, 16, 2, 22050, [](EffectState& s) { s.delay.flanger = {30, 0, 20, 1}; },
     {1001, 555, -1001, -555}, {1000, 555, -1000, -555}},
    {"FlangerDepth0Eight", CmdFlanger, 8, 1, 22050, [](EffectState& s) { s.delay.flanger = {50, 0, 20, 0}; },
     {2560, -2560}, {1792, -2048}},
    // At 40 Hz and 10 Hz the sweep visits SineTable 256 (9999), 512 (15), 768 (-9999) and 0,
    // one per frame: depth 1 reads 0.9999 frames ahead (2999), 0.0015 ahead (3004), and at
    // -0.9999 the same frame (both reads fall on it). The last frame reads 0.9999 frames
    // ahead into the silence after the sound: 15000 - 14998 = 2.
    {"FlangerSweep", CmdFlanger, 16, 1, 40, [](EffectState& s) { s.delay.flanger = {100, 1, 100, 0}; },
     {0, 1000, 3000, 6000, 10000, 15000}, {0, (1000 + 2999) / 2, (3000 + 3004) / 2, 6000, 10000, (15000 + 2) / 2}},
    // Depth 2: offsets 1.9998, 0.0030 and -1.9998 frames; the last extrapolates from frames 2
    // and 3 (3000 - 2999 = 1).
    {"FlangerSweepDepth2", CmdFlanger, 16, 1, 40, [](EffectState& s) { s.delay.flanger = {100, 2, 100, 0}; },
     {0, 1000, 3000, 6000, 10000, 15000}, {0, (1000 + 5999) / 2, (3000 + 3009) / 2, (6000 + 1) / 2, 10000, 15000 / 2}},
    // At 13 Hz the first step reaches SineTable 787 (about -0.99): at depth 100 frame 1 reads
    // 99 and 98 frames before the start of the sound, which are 0.
    // At 5 Hz one step of 100 passes two periods of 50: the sweep stays at SineTable 0.
    {"FlangerBelow10Hz", CmdFlanger, 16, 1, 5, [](EffectState& s) { s.delay.flanger = {100, 100, 100, 0}; },
     {1000, 2000, 3000}, {1000, 2000, 3000}},
    {"FlangerReadsBeforeTheStart", CmdFlanger, 16, 1, 13, [](EffectState& s) { s.delay.flanger = {100, 100, 100, 0}; },
     {1000, 2000}, {1000, 1000}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Values, DelayEffect, ::testing::ValuesIn(kDelayCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct ReverbFormat {
    int bits;
    int channels;
};

class ReverbFormula : public ::testing::TestWithParam<ReverbFormat> {};

// A longer sound, a selection inside it and a reverb time whose reflections reach before the
// selection and before the start of the sound: every sample against the formula, worked out
// here on the DC-removed selection.
TEST_P(ReverbFormula, EverySampleFollowsTheFormula) {
    const auto [bits, channels] = GetParam();
    constexpr int kFrames = 400, kFirst = 30, kEnd = 380, kRate = 1000, kTime = 100;
    auto signal = [](int f, int c) {
        const int v = static_cast<int>(9000 * std::sin(f * 0.37 + c)) + 3000;
        return v / 256 * 256; // exact on 8-bit sound
    };
    TestApp t;
    t.SetSound(bits, channels, kFrames, signal, kRate);
    SoundDocument& doc = t.app.doc;
    doc.selStart = kFirst * doc.format.blockAlign;
    doc.selEnd = kEnd * doc.format.blockAlign;
    t.app.effects.delay.reverb = {kTime, 70, 60};

    // The sound the reflections read: the selection after DC removal, the rest as it was, all
    // stored in the sound's format.
    auto store = [bits](int v) {
        return bits == 8 ? ((v >> 8) * 256) : static_cast<std::int16_t>(v);
    };
    std::vector<std::vector<int>> source(static_cast<std::size_t>(channels));
    for (int c = 0; c < channels; ++c) {
        double mean = 0.0;
        for (int f = 0; f < kFrames; ++f) {
            int x = signal(f, c);
            if (f >= kFirst && f < kEnd) {
                mean = (x + mean * 127.0) * 0.0078125;
                x = store(static_cast<int>(x - mean));
            }
            source[static_cast<std::size_t>(c)].push_back(x);
        }
    }
    const int gains[28] = {100, 85, 64, 2,  3,  1, 73, 52, 19, 3, 32, 27, 16, 2,
                           1,   7,  2,  12, 10, 2, 4,  2,  1,  3, 1,  1,  1,  3};
    const int delays[28] = {61,  62,  88,  93,  95,  96,  102, 155, 208, 212, 215, 241, 248, 259,
                            267, 328, 357, 410, 429, 448, 452, 561, 568, 617, 656, 707, 805, 978};
    ASSERT_EQ(CmdReverb(t.app), 1);
    const Samples out = ReadAll(t.app);
    for (int f = 0; f < kFrames; ++f) {
        for (int c = 0; c < channels; ++c) {
            const auto& s = source[static_cast<std::size_t>(c)];
            int expected = s[static_cast<std::size_t>(f)];
            if (f >= kFirst && f < kEnd) {
                int wet = 0;
                for (int j = 0; j < 28; ++j) {
                    const int back = delays[j] * kRate / 1000 * kTime / 1000;
                    const int x = f - back >= 0 ? s[static_cast<std::size_t>(f - back)] : 0;
                    wet += x * gains[j] * 70 / 12800;
                }
                expected = store(s[static_cast<std::size_t>(f)] * 60 / 100 + wet);
            }
            ASSERT_EQ(out[static_cast<std::size_t>(f * channels + c)], expected)
                << "frame " << f << " channel " << c;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, ReverbFormula,
                         ::testing::Values(ReverbFormat{8, 1}, ReverbFormat{8, 2},
                                           ReverbFormat{16, 1}, ReverbFormat{16, 2}),
                         [](const auto& info) {
                             return std::to_string(info.param.bits) + "bit" +
                                    std::to_string(info.param.channels) + "ch";
                         });

} // namespace
