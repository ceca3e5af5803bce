// The generators of the 作成 menu that insert new sound at the cursor: white noise, tones and
// silence. Each opens a gap of silence of the chosen duration at the cursor (InsertSilence),
// which grows the sound and leaves the gap selected with the cursor at its end; noise and tone
// then write into that gap. One undo removes the whole stretch.
#pragma once

#include "editor/GeneratorParams.h"
#include "editor/ParamDialog.h"

#include <vector>

namespace wt {

struct App;

// Dialog 105 "ノイズ".
inline constexpr int kDialogNoise = 105;
inline constexpr int kIdNoiseVolumeBar = 200, kIdNoiseVolumeEdit = 201;
inline constexpr int kIdNoiseTimeBar = 202, kIdNoiseTimeEdit = 203;
inline constexpr int kIdStereoNoise = 204;

// Dialog 106 "トーン".
inline constexpr int kDialogTone = 106;
inline constexpr int kIdToneVolumeBar = 101, kIdToneVolumeEdit = 102;
inline constexpr int kIdToneFrequencyBar = 103, kIdToneFrequencyEdit = 104;
inline constexpr int kIdToneTimeBar = 105, kIdToneTimeEdit = 106;
inline constexpr int kIdSquare = 107, kIdSine = 108, kIdSawtooth = 109;
inline constexpr int kIdUseFm = 110;
inline constexpr int kIdFmDepthBar = 111, kIdFmDepthEdit = 112;
inline constexpr int kIdFmRatioBar = 113, kIdFmRatioEdit = 114;
// The pictures beside the three waveform buttons.
inline constexpr int kIconSquare = 200, kIconSine = 201, kIconSawtooth = 202;

// Dialog 108 "サイレント挿入".
inline constexpr int kDialogSilence = 108;
inline constexpr int kIdSilenceTimeBar = 200, kIdSilenceTimeEdit = 201;

// The binding tables of the three dialogs. On a mono sound the stereo-noise box is shown in its
// third state and cannot be ticked.
std::vector<DialogBinding> NoiseBindings(NoiseParams& params, bool mono);
std::vector<DialogBinding> ToneBindings(ToneParams& params);
std::vector<DialogBinding> SilenceBindings(SilenceParams& params);

// IDM_WHITE_NOISE: uniform noise of volume V % for the chosen time. With b = V * 256 / 100,
// every sample is (r - b / 2) * 256 for a draw r = random mod b (0 when b is 0): one draw per
// channel with stereo noise, else one per frame written to every channel. On a mono sound the
// stereo flag is cleared before the dialog opens, and stays cleared.
int CmdWhiteNoise(App& app);

// IDM_TONE: a square, sine or sawtooth tone of volume V %, frequency f and the chosen time.
// The period is P = sampleRate / f whole samples and the phase, in ten-thousandths of a cycle,
// advances by s = 10000 / P per frame, so the frequency is quantised to sampleRate * s / 10000
// (441 Hz for 440 Hz at 44100 Hz). With A = V * 32767 / 100 and phase φ:
//   square   -A for φ <= 5000, else +A
//   sine     SineTable[φ * 1024 / 10000] * A / 10000
//   sawtooth A * φ / 5000 - A
// With FM, channel 0 first receives the modulator SineTable[p * 1024 / 10000] * Am / 10000
// (Am = depth * 32767 / 100, its phase p advancing by (10000 / P) * ratio / 10), which is read
// back as m for each frame: φ = (p + m / 8) wrapped into 0..9999. The value goes to every
// channel. A frequency above the sample rate (P = 0) is refused with a message before anything
// changes.
int CmdTone(App& app);

// IDM_INSERT_SILENCE: a gap of silence of the chosen time at the cursor, selected.
int CmdInsertSilence(App& app);

} // namespace wt
