// Batch verbs of the wave devices:
//   devices    prints the device dialog's two lists, "output ROW: NAME" and "input ROW: NAME"
//              (row 0 is the default device);
//   wait [MS]  runs the event loop (device reports, the position timer) for MS milliseconds,
//              or without a number until playback and recording have ended.
#pragma once

#include "batch/Batch.h"

namespace wt {

bool BatchDevices(BatchContext& context, const std::vector<std::string>& args, std::string& error);
bool BatchWait(BatchContext& context, const std::vector<std::string>& args, std::string& error);

} // namespace wt
