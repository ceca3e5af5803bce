// The batch verbs of the edit history and the recovery of unsaved work. The batch mode keeps
// neither unless a line asks for it.
#pragma once

#include "batch/Batch.h"

namespace wt {

// "history on|off": keeps the edit history for the rest of the run (or stops it).
// "history": prints a line per step, "history: N TEXT RATE/BITS/CHANNELS BYTES PLACE" (TEXT in
// double quotes, PLACE memory, disk or dropped), then "history current: N".
bool BatchHistory(BatchContext& context, const std::vector<std::string>& args, std::string& error);
// "history_go N": goes to step N as 編集 → 編集履歴 does.
bool BatchHistoryGo(BatchContext& context, const std::vector<std::string>& args,
                    std::string& error);
// "journal on": keeps the recovery journal (and the history it follows) for the run.
bool BatchJournal(BatchContext& context, const std::vector<std::string>& args, std::string& error);
// "recover list": "recover: N ROW" for each journal a crashed session left, newest first;
// "recover restore N" opens the sound of the N-th as the start-up dialog's 復元 does (asking
// about unsaved changes first); "recover discard N" deletes it.
bool BatchRecover(BatchContext& context, const std::vector<std::string>& args, std::string& error);

} // namespace wt
