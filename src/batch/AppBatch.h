// Batch verbs of the application shell that describe the editor itself: where it keeps its
// files, and its menu commands.
#pragma once

#include "batch/Batch.h"

#include <string>

namespace wt {

// The menu bar as a Markdown table: one row per menu item in menu order (popup, item text
// with its access key, shortcut, the batch line that runs it), plus the recent-file entries.
std::string MenuCommandTable();

// "paths": prints `settings: PATH`, `help: PATH`, `helpFound: 0|1`, `aboutSound: PATH`,
// `aboutSoundFound: 0|1` — the files this editor uses and whether the two it reads exist.
bool BatchPaths(BatchContext& context, const std::vector<std::string>& args, std::string& error);
// "commands": prints MenuCommandTable().
bool BatchCommands(BatchContext& context, const std::vector<std::string>& args, std::string& error);

} // namespace wt
