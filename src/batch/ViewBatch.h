// The waveform window's batch-mode verb.
#pragma once

#include "batch/Batch.h"

namespace wt {

// "paint PATH.png [WIDTHxHEIGHT]": sizes the waveform window's client area as asked (default
// 640x240, each side 1..8192), paints it as the screen would show it, and saves the picture
// as PNG. The window keeps that size for the lines that follow.
bool BatchPaint(BatchContext& context, const std::vector<std::string>& args, std::string& error);

} // namespace wt
