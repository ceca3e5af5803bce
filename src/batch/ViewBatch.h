// The waveform window's batch-mode verb.
#pragma once

#include "batch/Batch.h"

namespace wt {

// "paint PATH.png [WIDTHxHEIGHT]" or "paint WIDTHxHEIGHT PATH.png": sizes the waveform
// window's client area as asked (default 640x240, each side 1..8192), paints it as the screen
// would show it once the spectrogram's levels have arrived, and saves the picture as PNG. The
// window keeps that size for the lines that follow.
bool BatchPaint(BatchContext& context, const std::vector<std::string>& args, std::string& error);
// "view waveform|spectrogram|both [scale=linear|log] [range=DB]": what the window shows, as
// the 表示 menu chooses it, with the spectrogram's frequency scale and the range of levels
// its colours span (20..120 dB below full scale).
bool BatchView(BatchContext& context, const std::vector<std::string>& args, std::string& error);
// "spectrum FRAME [channel=C] [size=N]": the level of every bin of the analysis frame whose
// centre is nearest sound frame FRAME, one line "spectrum: BIN HZ DB" per bin, with the
// settings' analysis size unless N (a power of two from 256 to 8192) is given.
bool BatchSpectrum(BatchContext& context, const std::vector<std::string>& args, std::string& error);

// "wheel DELTA": turns the mouse wheel over the waveform window as the desktop does (DELTA in
// eighths of a degree, 120 a notch, positive towards the start of the sound).
bool BatchWheel(BatchContext& context, const std::vector<std::string>& args, std::string& error);
// "ctrl_wheel DELTA X": the wheel with Ctrl held at pixel column X of the waveform area
// (positive zooms in), which keeps the frame under X in place.
bool BatchCtrlWheel(BatchContext& context, const std::vector<std::string>& args,
                    std::string& error);

} // namespace wt
