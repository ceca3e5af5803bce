// The clipboard's batch-mode verbs.
#pragma once

#include "batch/Batch.h"

namespace wt {

// "clipboard_load PATH": puts the bytes of the file at PATH on the clipboard as a wave image,
// unchecked, as another program might.
bool BatchClipboardLoad(BatchContext& context, const std::vector<std::string>& args,
                        std::string& error);
// "clipboard_save PATH": writes the clipboard's wave image to PATH; fails when the clipboard
// holds none.
bool BatchClipboardSave(BatchContext& context, const std::vector<std::string>& args,
                        std::string& error);
// "clipboard_hold SECONDS" (1..3600): on the desktop clipboard, keeps what this run put there
// available to other programs until one of them replaces it or SECONDS pass; on the in-memory
// clipboard it returns at once.
bool BatchClipboardHold(BatchContext& context, const std::vector<std::string>& args,
                        std::string& error);

} // namespace wt
