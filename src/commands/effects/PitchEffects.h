// Pitch change, time stretch and transpose of the Effects menu. Pitch plays the selection
// faster or slower, as a tape would, so its length changes with its pitch; time stretch
// changes the length and keeps the pitch; transpose shifts the pitch and keeps the length,
// optionally mixed with the unshifted sound (harmonize). Each works on the selection (the
// whole sound when nothing is selected) and can be undone. Every handler returns 1 when it
// changed the sound, or when its value asks for no change (pitch and speed 100 %, 0 cents),
// which leaves the sound as it was and takes no undo snapshot; 0 when it was cancelled or
// failed. Time stretch and transpose refuse a sound whose rate makes the stretch
// impracticable (see StretchIsPracticable) and say so: "サンプリング周波数が高すぎるため
// 処理できません".
#pragma once

#include "editor/EffectState.h"
#include "editor/ParamDialog.h"

#include <cstdint>
#include <vector>

namespace wt {

struct App;

// Dialog 103 (pitch).
inline constexpr int kDialogPitch = 103;
inline constexpr int kIdPitchBar = 200;
inline constexpr int kIdPitchEdit = 201;

// Dialog 10 (time stretch): the speed, and the selection's duration before and after.
inline constexpr int kDialogTimeStretch = 10;
inline constexpr int kIdSpeedBar = 200;
inline constexpr int kIdSpeedEdit = 201;
inline constexpr int kIdDurationBefore = 10000; // milliseconds
inline constexpr int kIdDurationAfter = 10001;  // milliseconds

// Dialog 11 (transpose).
inline constexpr int kDialogTranspose = 11;
inline constexpr int kIdCentsBar = 200;
inline constexpr int kIdCentsEdit = 201;
inline constexpr int kIdHarmonize = 202;
inline constexpr int kIdMixBar = 203;
inline constexpr int kIdMixEdit = 204;

std::vector<DialogBinding> PitchBindings(PitchParams& params);
// `durationMs`: the selection's duration, shown with the duration it will have.
std::vector<DialogBinding> TimeStretchBindings(TimeStretchParams& params, std::int64_t durationMs);
std::vector<DialogBinding> TransposeBindings(TransposeParams& params);

// The hook of dialog 10: on the first message and on every command and horizontal scroll it
// shows the duration before (D) and after (D * 100 / speed) as unsigned integers. The speed is
// the one the edit field holds, kept to the bar's range, or the parameter while the field
// holds no number.
LParam TimeStretchHook(DialogHost& dlg, unsigned message, WParam wParam, LParam lParam,
                       DialogBinding* table, std::int64_t durationMs);

// The resample step of a transpose by `cents`: x = 1.00057778951^cents (about
// 2^(cents / 1200)) in whole percent, truncated.
std::int64_t TransposeStep(int cents);
// The bytes of a `frames`-frame selection after resampling by x: frames / x * blockAlign,
// truncated; not always a whole number of frames.
std::int64_t TransposeBytes(std::int64_t frames, int cents, int blockAlign);

int CmdPitch(App& app);
int CmdTimeStretch(App& app);
int CmdTranspose(App& app);

} // namespace wt
