// Batch verbs of the effect preview, as the 試聴 button works in a dialog:
//   preview VERB ID=VALUE… [seconds=S] [to=FILE]
//                 renders what the preview of command VERB would play with those dialog
//                 values (the first S seconds, the settings' length by default) without a
//                 device; writes it to FILE as WAV, or prints "preview: FRAMES frames";
//   preview_play VERB ID=VALUE… [seconds=S]
//                 plays that once on the output device and returns when it has been heard;
//   preview_start VERB ID=VALUE… [seconds=S]
//                 starts playing it in a loop, as the button does, and returns at once;
//   preview_set ID=VALUE…
//                 changes values while it plays; prints "preview_set: at frame N", the
//                 frames the device had played when the change was asked for;
//   preview_stop  stops it, as the button pressed again does.
#pragma once

#include "batch/Batch.h"

namespace wt {

bool BatchPreview(BatchContext& context, const std::vector<std::string>& args, std::string& error);
bool BatchPreviewPlay(BatchContext& context, const std::vector<std::string>& args,
                      std::string& error);
bool BatchPreviewStart(BatchContext& context, const std::vector<std::string>& args,
                       std::string& error);
bool BatchPreviewSet(BatchContext& context, const std::vector<std::string>& args,
                     std::string& error);
bool BatchPreviewStop(BatchContext& context, const std::vector<std::string>& args,
                      std::string& error);

} // namespace wt
