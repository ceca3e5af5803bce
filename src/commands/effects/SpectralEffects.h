// The spectral effects: the graphic equalizer (dialog 112, with six presets kept in the
// settings file), the parametric equalizer (dialog 13), noise removal (dialog 8), and the two
// commands without a menu entry or dialog that the main window runs on typed control
// characters: the vocoder (Ctrl+T) and the spectral high-pass (Ctrl+F). Each works on the
// selection (the whole sound when nothing is selected), keeps the sound's length and format,
// and can be undone. Every handler returns 1 when it ran and 0 when it was cancelled, refused
// or failed.
#pragma once

#include "editor/EffectState.h"
#include "editor/ParamDialog.h"

#include <array>
#include <string>
#include <vector>

namespace wt {

struct App;
class ProfileFile;

// Dialog 112 and its controls.
inline constexpr int kDialogEqualizer = 112;
inline constexpr int kIdEqFirstBar = 101; // 101 .. 109, band order 50 Hz .. 12.8 kHz
inline constexpr int kIdEqReset = 110;
inline constexpr int kIdEqScaleTop = 111;
inline constexpr int kIdEqScaleBottom = 112;
inline constexpr int kIdEqScaleMiddle = 113;
inline constexpr int kIdEqFirstPreset = 1001; // 1001 .. 1006: load preset 1 .. 6
inline constexpr int kIdEqRegister = 1100;
// Dialog 12: which preset to store into. Buttons 5 .. 10 end it with their id (preset id - 4).
inline constexpr int kDialogEqPreset = 12;
inline constexpr int kIdEqPresetFirstButton = 5;
// Dialog 13: module m (0..2) has its controls at 100 + 10 m: the check box, then the bar and
// edit field of the frequency (+1, +2), the level (+3, +4) and the bandwidth (+5, +6).
inline constexpr int kDialogParametricEq = 13;
inline constexpr int kIdModuleBase = 100;
inline constexpr int kIdModuleStride = 10;
// Dialog 8.
inline constexpr int kDialogNoiseRemoval = 8;
inline constexpr int kIdRandomNoiseBar = 200;
inline constexpr int kIdRandomNoiseEdit = 201;
inline constexpr int kIdImpulseNoiseBar = 202;
inline constexpr int kIdImpulseNoiseEdit = 203;

inline constexpr int kEqPresetCount = 6;
using EqPositions = std::array<int, 9>;

// A stored preset value: nine levels L (100 = +18 dB, 50 flat, 0 = -18 dB) read as
// "%d,%d,...,%d" reads them, turned into slider positions 100 - L. Numbers the text does not
// hold (it ends early or stops matching) leave their bands at 50, the flat position; levels
// outside 0..100, which only a hand-edited file holds, are taken as the nearest end.
EqPositions ParseEqPreset(const std::string& text);
// Positions as the stored text "%d,%d,%d,%d,%d,%d,%d,%d,%d" of their levels 100 - position.
std::string FormatEqPreset(const EqPositions& positions);
// The six presets from section "Eq", keys "Preset1" .. "Preset6", each at most 80 characters,
// with the built-in defaults for missing keys.
std::array<EqPositions, kEqPresetCount> ReadEqPresets(const ProfileFile& profile);
// Stores `positions` as preset `number` (1..6).
void WriteEqPreset(const ProfileFile& profile, int number, const EqPositions& positions);

// What EqualizerDlgProc keeps while dialog 112 is open.
struct EqualizerDialog {
    App* app = nullptr;
    int* positions = nullptr; // the nine positions, from msg::InitDialog's parameter
    std::array<EqPositions, kEqPresetCount> presets{};
};

// The procedure of dialog 112. Slider moves change the positions at once (they survive a
// Cancel); reset, the preset buttons and register act as their captions say.
LParam EqualizerDlgProc(EqualizerDialog& state, DialogHost& dlg, unsigned message, WParam wParam,
                        LParam lParam);

// The rows of dialog 13 (each module: C, then V and N of frequency, level and bandwidth) and
// of dialog 8 (V 200, N 201, V 202, N 203).
std::vector<DialogBinding> ParametricEqBindings(ParametricEqParams& params);
std::vector<DialogBinding> NoiseRemovalBindings(NoiseRemovalParams& params);

int CmdEqualizer(App& app);
int CmdParametricEq(App& app);
int CmdNoiseRemoval(App& app);
// Refused (0, nothing changed) while another command holds the busy gate: they are started
// by typed characters, which the progress pump of a running command can deliver.
int CmdVocoder(App& app);
int CmdSpectralHighPass(App& app);

} // namespace wt
