// The level effects of the Effects menu: volume with pan pot and limiter, normalize, silence,
// fade in, fade out, reverse, phase inversion and DC offset removal. Each works on the
// selection (the whole sound when nothing is selected), keeps the sound's length, and can be
// undone. Every handler returns 1 when it changed the sound and 0 when it was cancelled or
// failed.
#pragma once

#include "editor/EffectState.h"
#include "editor/ParamDialog.h"

#include <vector>

namespace wt {

struct App;

// Dialog 102 and its controls.
inline constexpr int kDialogVolume = 102;
inline constexpr int kIdVolumeBar = 200;
inline constexpr int kIdVolumeEdit = 201;
inline constexpr int kIdPanBar = 202;
inline constexpr int kIdPanEdit = 203;
inline constexpr int kIdLimiter = 204;

// The rows of dialog 102 on `params`: V 200, N 201, V 202, N 203, C 204, end.
std::vector<DialogBinding> VolumeBindings(VolumeParams& params);

int CmdVolume(App& app);
int CmdNormalize(App& app);
int CmdSilence(App& app);
int CmdFadeIn(App& app);
int CmdFadeOut(App& app);
int CmdReverse(App& app);
int CmdPhaseInvert(App& app);
// Also the first step of the reverb, as a whole command of its own.
int CmdDcRemove(App& app);

} // namespace wt
