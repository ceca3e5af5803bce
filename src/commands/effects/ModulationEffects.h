// The modulation effects of the Effects menu, both driven by a low-frequency sine from
// SineTable: tremolo (the level swings; as stereo auto-pan the odd channels swing the other
// way) and vibrato (the read position swings around the current frame, bending the pitch,
// with a depth that can grow over an onset time). Each works on the selection (the whole sound
// when nothing is selected), keeps the sound's length, and can be undone. Every handler
// returns 1 when it changed the sound and 0 when it was cancelled or failed.
#pragma once

#include "editor/EffectState.h"
#include "editor/ParamDialog.h"

#include <vector>

namespace wt {

struct App;

// Dialog 114 (tremolo).
inline constexpr int kDialogTremolo = 114;
inline constexpr int kIdTremoloLevelBar = 200;
inline constexpr int kIdTremoloLevelEdit = 201;
inline constexpr int kIdTremoloRateBar = 202;
inline constexpr int kIdTremoloRateEdit = 203;
inline constexpr int kIdAutoPan = 204;

// Dialog 9 (vibrato).
inline constexpr int kDialogVibrato = 9;
inline constexpr int kIdVibratoDepthBar = 200;
inline constexpr int kIdVibratoDepthEdit = 201;
inline constexpr int kIdVibratoRateBar = 202; // tenths of a hertz, shown with one decimal
inline constexpr int kIdVibratoRateEdit = 203;
inline constexpr int kIdOnsetBar = 204; // tenths of a second, shown with one decimal
inline constexpr int kIdOnsetEdit = 205;

// `mono`: the auto-pan box is shown in its third state and cannot be changed.
std::vector<DialogBinding> TremoloBindings(TremoloParams& params, bool mono);
std::vector<DialogBinding> VibratoBindings(VibratoParams& params);

int CmdTremolo(App& app);
int CmdVibrato(App& app);

} // namespace wt
