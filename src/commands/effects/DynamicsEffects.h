// The dynamics effects of the Effects menu: a compressor driven by a peak-hold envelope, a
// noise gate with attack and release ramps, and a distortion with a hard-clipping (fuzz) and a
// square-root (overdrive) curve. Each works in place on the selection (the whole sound when
// nothing is selected), keeps the sound's length, and can be undone. Every handler returns 1
// when it changed the sound and 0 when it was cancelled or failed.
#pragma once

#include "editor/EffectState.h"
#include "editor/ParamDialog.h"

#include <vector>

namespace wt {

struct App;

// Dialog 6 (compressor).
inline constexpr int kDialogCompressor = 6;
inline constexpr int kIdOutputLevelBar = 200;
inline constexpr int kIdOutputLevelEdit = 201;
inline constexpr int kIdRatioBar = 202;
inline constexpr int kIdRatioEdit = 203;

// Dialog 7 (noise gate).
inline constexpr int kDialogNoiseGate = 7;
inline constexpr int kIdGateLevelBar = 200;
inline constexpr int kIdGateLevelEdit = 201;
inline constexpr int kIdAttackBar = 202;
inline constexpr int kIdAttackEdit = 203;
inline constexpr int kIdReleaseBar = 204;
inline constexpr int kIdReleaseEdit = 205;

// Dialog 109 (distortion).
inline constexpr int kDialogDistortion = 109;
inline constexpr int kIdDistortionDepthBar = 200;
inline constexpr int kIdDistortionDepthEdit = 201;
inline constexpr int kIdFuzz = 202;      // mode 0
inline constexpr int kIdOverdrive = 203; // mode 1
inline constexpr int kIdDistortionModeGroup = 105;

std::vector<DialogBinding> CompressorBindings(CompressorParams& params);
std::vector<DialogBinding> NoiseGateBindings(NoiseGateParams& params);
std::vector<DialogBinding> DistortionBindings(DistortionParams& params);

int CmdCompressor(App& app);
int CmdNoiseGate(App& app);
int CmdDistortion(App& app);

} // namespace wt
