// The delay effects of the Effects menu: echo (a feedback delay), reverb (a fixed pattern of
// 28 early reflections stretched to a reverb time) and flanger (a sinusoidally swept short
// delay with linear interpolation). Each works on the selection (the whole sound when nothing
// is selected), keeps the sound's length (echo and reflection tails beyond the selection are
// cut off), and can be undone. Every handler returns 1 when it changed the sound and 0 when it
// was cancelled or failed.
#pragma once

#include "editor/EffectState.h"
#include "editor/ParamDialog.h"

#include <array>
#include <vector>

namespace wt {

struct App;

// Dialog 110 (echo).
inline constexpr int kDialogEcho = 110;
inline constexpr int kIdDelayTimeBar = 200;
inline constexpr int kIdDelayTimeEdit = 201;
inline constexpr int kIdEchoLevelBar = 202;
inline constexpr int kIdEchoLevelEdit = 203;
inline constexpr int kIdFeedbackBar = 204;
inline constexpr int kIdFeedbackEdit = 205;

// Dialog 2 (reverb), owned by the main window.
inline constexpr int kDialogReverb = 2;
inline constexpr int kIdReverbTimeBar = 200;
inline constexpr int kIdReverbTimeEdit = 201;
inline constexpr int kIdReverbLevelBar = 202;
inline constexpr int kIdReverbLevelEdit = 203;
inline constexpr int kIdDryLevelBar = 204;
inline constexpr int kIdDryLevelEdit = 205;

// Dialog 111 (flanger).
inline constexpr int kDialogFlanger = 111;
inline constexpr int kIdFlangerLevelBar = 200;
inline constexpr int kIdFlangerLevelEdit = 201;
inline constexpr int kIdFlangerDepthBar = 202;
inline constexpr int kIdFlangerDepthEdit = 203;
inline constexpr int kIdFlangerRateBar = 204;
inline constexpr int kIdFlangerRateEdit = 205;
inline constexpr int kIdStereoFlange = 208;

// One early reflection: its delay in per mille of the reverb time (milliseconds at 1000 ms)
// and its gain in 1/128.
struct ReverbTap {
    int delay;
    int gain;
};
// The 28 reflections, ended by a {0, 0} row. The gains add up to 529.
extern const std::array<ReverbTap, 29> ReverbTaps;

std::vector<DialogBinding> EchoBindings(EchoParams& params);
std::vector<DialogBinding> ReverbBindings(ReverbParams& params);
// `mono`: the stereo flange box is shown in its third state and cannot be changed.
std::vector<DialogBinding> FlangerBindings(FlangerParams& params, bool mono);

int CmdEcho(App& app);
int CmdReverb(App& app);
int CmdFlanger(App& app);

} // namespace wt
