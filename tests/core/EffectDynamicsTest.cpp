// The compressor, noise gate and distortion against values worked out by hand, on 8- and
// 16-bit, mono and stereo sounds.
#include "EffectCaseSupport.h"

#include "commands/effects/DynamicsEffects.h"

#include <gtest/gtest.h>

using namespace wt;
using namespace wt::test;

namespace {

class DynamicsEffect : public ::testing::TestWithParam<EffectCase> {};

TEST_P(DynamicsEffect, GivesTheHandComputedSamples) {
    ExpectEffectCase(GetParam());
}

// The noise gate's attack at 44100 Hz: 50 silent frames close the gate (1 ms release), then
// a loud passage opens it by 1000000 / 44 = 22727 per frame, applied in whole percent from
// the frame after each step.
Samples GateAttackInput() {
    return Concat(Repeat(0, 50), Repeat(10000, 50));
}
Samples GateAttackExpected() {
    Samples out = Repeat(0, 50);
    for (int j = 0; j < 50; ++j) {
        const int gain = std::min(j * 22727, 1000000);
        out.push_back(10000 * (gain / 10000) / 100);
    }
    return out;
}

// Values of 8-bit sounds are multiples of 256 so that they read back exactly.
// clang-format off
const EffectCase kDynamicsCases[] = {
    // Compressor {output level, ratio}. An envelope below 512 silences the frame.
    {"CompressorBelowFloor", CmdCompressor, 16, 1, 22050, [](EffectState& s) { s.dynamics.compressor = {50, 50}; },
     {500, -500, 300}, {0, 0, 0}},
    // Ratio 100: envelope 32767 gets the output level as gain; 16384 gets 50 * 32767 / 16384
    // = 99; a quiet frame under the held envelope (16374) gets 100.
    {"CompressorRatio100Halves", CmdCompressor, 16, 1, 22050, [](EffectState& s) { s.dynamics.compressor = {50, 100}; },
     {32767}, {16383}},
    {"CompressorRatio100FullLevel", CmdCompressor, 16, 1, 22050, [](EffectState& s) { s.dynamics.compressor = {100, 100}; },
     {32767, -32768}, {32767, -32768}},
    {"CompressorRatio100Envelope16384", CmdCompressor, 16, 1, 22050, [](EffectState& s) { s.dynamics.compressor = {50, 100}; },
     {16384, -16384, 1000}, {16220, -16220, 1000}},
    // The blend: d = ((100 - ratio) * 50 + 99 * ratio) / 100 = 74 at ratio 50, 50 at ratio 1.
    {"CompressorRatio50", CmdCompressor, 16, 1, 22050, [](EffectState& s) { s.dynamics.compressor = {50, 50}; },
     {16384}, {12124}},
    {"CompressorRatio1", CmdCompressor, 16, 1, 22050, [](EffectState& s) { s.dynamics.compressor = {50, 1}; },
     {16384}, {8192}},
    // Stereo: envelope (20000 + 12000) / 2 = 16000, gain 25 * 32767 / 16000 = 51 on both
    // channels; the next frame is under the held envelope 15990: 51 again.
    {"CompressorStereoMean", CmdCompressor, 16, 2, 22050, [](EffectState& s) { s.dynamics.compressor = {25, 100}; },
     {20000, -12000, 1000, 1000}, {10200, -6120, 510, 510}},
    // 8-bit: the held envelope 25334 is kept as 25088, giving gain 65 (a 16-bit envelope
    // would give 64 and store 15872).
    {"CompressorEightBitEnvelope", CmdCompressor, 8, 1, 22050, [](EffectState& s) { s.dynamics.compressor = {50, 100}; },
     {25344, 25088}, {16128, 16128}},

    // Noise gate {level, attack ms, release ms}. Level 0 never closes.
    {"GateLevel0", CmdNoiseGate, 16, 2, 22050, [](EffectState& s) { s.dynamics.noiseGate = {0, 1, 1}; },
     {1000, -2000, 0, 0, 5, 7, -32768, 32767}, {1000, -2000, 0, 0, 5, 7, -32768, 32767}},
    // Level 100 at 1000 Hz with a 4 ms release: the gain falls 100, 75, 50, 25, 0 %.
    {"GateLevel100Closes", CmdNoiseGate, 16, 1, 1000, [](EffectState& s) { s.dynamics.noiseGate = {100, 1, 4}; },
     {1000, 1000, 1000, 1000, 1000, 1000}, {1000, 750, 500, 250, 0, 0}},
    {"GateLevel100Closes8", CmdNoiseGate, 8, 1, 1000, [](EffectState& s) { s.dynamics.noiseGate = {100, 1, 4}; },
     {2560, 2560, 2560, 2560, 2560}, {2560, 1792, 1280, 512, 0}},
    {"GateAttack44100", CmdNoiseGate, 16, 1, 44100, [](EffectState& s) { s.dynamics.noiseGate = {20, 1, 1}; },
     GateAttackInput(), GateAttackExpected()},
    // Stereo at 1000 Hz, threshold 61 % = 19988: the loud channel 1 keeps both open until the
    // follower (falling by 10 a frame) drops below it; a 2 ms release closes in two frames.
    {"GateStereoFollower", CmdNoiseGate, 16, 2, 1000, [](EffectState& s) { s.dynamics.noiseGate = {61, 1, 2}; },
     {0, -20000, 1000, -1000, 1000, -1000, 1000, -1000, 1000, -1000},
     {0, -20000, 1000, -1000, 1000, -1000, 500, -500, 0, 0}},
    // At 500 Hz 1 ms is no whole frame: the ramps still take one frame.
    {"GateOneFrameRampsAtLowRate", CmdNoiseGate, 16, 1, 500, [](EffectState& s) { s.dynamics.noiseGate = {50, 1, 1}; },
     {100, 100, 20000, 20000}, {100, 0, 0, 20000}},

    // Distortion {depth, mode 0 fuzz / 1 overdrive}.
    {"DistortionDepth0", CmdDistortion, 16, 1, 22050, [](EffectState& s) { s.dynamics.distortion = {0, 1}; },
     {1000, -32768, 32767, -3}, {1000, -32768, 32767, -3}},
    {"Fuzz100", CmdDistortion, 16, 1, 22050, [](EffectState& s) { s.dynamics.distortion = {100, 0}; },
     {1000, 3000, -1000, -3000, 2500, -2500, 2499}, {4000, 10000, -4000, -10000, 10000, -10000, 9996}},
    {"Fuzz50", CmdDistortion, 16, 2, 22050, [](EffectState& s) { s.dynamics.distortion = {50, 0}; },
     {1000, -3}, {2500, -7}},
    {"Overdrive100", CmdDistortion, 16, 1, 22050, [](EffectState& s) { s.dynamics.distortion = {100, 1}; },
     {10000, -10000, 32767, 0, 2}, {12800, -12800, 23170, 0, 181}},
    // 128 * sqrt(3) = 221.7: (221 * 50 + 50 * 3) / 100 = 112.
    {"Overdrive50", CmdDistortion, 16, 2, 22050, [](EffectState& s) { s.dynamics.distortion = {50, 1}; },
     {3, -3}, {112, -112}},
    {"Overdrive8", CmdDistortion, 8, 1, 22050, [](EffectState& s) { s.dynamics.distortion = {100, 1}; },
     {256, -256, 25600}, {2048, -2048, 20480}},
    {"Fuzz8Stereo", CmdDistortion, 8, 2, 22050, [](EffectState& s) { s.dynamics.distortion = {100, 0}; },
     {512, -512, 25600, -25600}, {2048, -2048, 9984, -10240}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Values, DynamicsEffect, ::testing::ValuesIn(kDynamicsCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
