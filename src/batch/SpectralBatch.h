// The batch verbs of the two spectral commands that have no menu entry.
#pragma once

#include "batch/Batch.h"

namespace wt {

// "vocoder" and "spectral_high_pass": run the command the Ctrl+T or Ctrl+F key runs, on the
// selection (the whole sound when nothing is selected). They take no values.
bool BatchVocoder(BatchContext& context, const std::vector<std::string>& args, std::string& error);
bool BatchSpectralHighPass(BatchContext& context, const std::vector<std::string>& args,
                           std::string& error);

} // namespace wt
