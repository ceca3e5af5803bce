// The spectrogram in the waveform window: the view modes (表示 → 波形 / スペクトログラム /
// 波形とスペクトログラム), the picture drawn from the levels the cache holds, its frequency
// scale and colour legend, and the timer that feeds the cache's workers.
//
// Time runs as in the waveform: column x shows the frames the waveform's column x shows. A
// column shows, per frequency row, the largest level among the analysis frames whose centre
// lies in its frames, or the frame nearest its centre when none does; a row shows the largest
// of the bins whose frequency lies in it, or the nearest bin (ColumnFrames and RowBins). A
// paint never transforms: a column whose levels are not ready shows a neutral grey and is
// asked for.
#pragma once

#include "platform/Canvas.h"
#include "view/WaveWindow.h"

#include <array>
#include <cstdint>

namespace wt {

struct App;

enum ViewMode { kViewWaveform = 0, kViewSpectrogram = 1, kViewBoth = 2 };

inline constexpr int kSpectrogramTimerId = 6;
inline constexpr int kSpectrogramTimerMs = 5;
// While levels arrive, the picture is painted again at most this often, and once at the end.
inline constexpr int kSpectrogramRepaintMs = 100;
// The colour legend right of the area, in the window's right margin.
inline constexpr int kLegendWidth = 48;
inline constexpr Rgb kColourSpectrumPending{88, 88, 88};

bool ShowsSpectrogram(const App& app);
bool ShowsWaveform(const App& app);

// The parts of the waveform area: the waveform's and the spectrogram's (empty when hidden).
struct WavePanes {
    Rect wave;
    Rect spectrum;
};
WavePanes GetWavePanes(const App& app, const Rect& area);

// The colour of a level `db` decibels of full scale over a range of `rangeDb` below 0 dB:
// the viridis map from its darkest (at or below -rangeDb) to its brightest (0 dB and above).
Rgb SpectrumColour(double db, int rangeDb);

// Draws the spectrogram pane for `update`: one band per channel, the frequency scale left of
// it and the legend right of the area. Asks for the levels it lacks.
void PaintSpectrogram(App& app, Canvas& canvas, const WaveLayout& layout, const Rect& pane,
                      const Rect& update);

// Makes the cache follow the sound: after a change the history measured, only the levels of
// the frames it changed are forgotten; after any other, all. Does nothing while a command
// may be changing the sound.
void SyncSpectrogram(App& app);
// The timer: copies samples for the next jobs, paints what arrived, stops when all is done.
void OnSpectrogramTimer(App& app);
// Feeds the cache until the columns the window shows (or would, in the spectrogram view)
// are ready; false when `timeoutMs` passed first. For batch mode and tests.
bool CompleteSpectrogram(App& app, int timeoutMs);
// Columns of the window that show the placeholder now.
int PendingSpectrogramColumns(App& app);

// 表示 → 波形 / スペクトログラム / 波形とスペクトログラム, and 周波数を対数で表示: each is
// remembered in the settings file.
void SetViewMode(App& app, int mode);
void UpdateViewMenu(App& app);
int CmdViewWaveform(App& app);
int CmdViewSpectrogram(App& app);
int CmdViewBoth(App& app);
int CmdSpectrumLog(App& app);

} // namespace wt
