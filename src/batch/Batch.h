// Batch mode: runs editor commands line by line on the scripted host, without a window.
//
//   wtomuka --batch [--ini PATH] [-e LINE]... [SCRIPT|-]
//
// Each line is a verb of BatchVerbs() (info, select, cursor, answer, open, saveas, recent, ...)
// or a menu command by its identifier without "IDM_" in lower case, followed by ID=VALUE pairs
// applied to its dialog as a user would, then OK ("cancel" presses Cancel instead).
#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace wt {

class PreviewEngine;

struct App;
class ScriptedDialog;
class ScriptedHost;
class WaveClipboard;
class WaveDevices;

// The longest line a script may have, in bytes; a longer one fails the run before any line
// of it runs.
inline constexpr std::size_t kMaxBatchLineBytes = std::size_t{1} << 20;

struct BatchOptions {
    std::string modulePath;
    std::string iniPath;            // --ini; empty: the usual settings file
    std::vector<std::string> lines; // from -e, in order
    std::string scriptPath;         // a file, "-" for standard input, empty for none
    WaveDevices* devices = nullptr; // the sound devices; none: every device command fails
    // The desktop's clipboard when there is one; otherwise the run has one in memory.
    WaveClipboard* clipboard = nullptr;
};

struct BatchContext {
    App& app;
    ScriptedHost& host;
    std::ostream& out;
    std::ostream& err;
    // Takes the next line of the run and where it came from ("-e", "FILE:LINE"); false when
    // there are no more. A verb that keeps a dialog open reads the lines meant for it here.
    std::function<bool(std::string& line, std::string& origin)> nextLine = nullptr;
    // Set by a line that went wrong in a way that must not stop the run (a recording cut
    // short: the lines after it may still save what arrived). The run then exits with 1.
    bool failedOnTheWay = false;
    // The waveform window's client size for "paint": the last size a "paint" line gave.
    int paintWidth = 640;
    int paintHeight = 240;
    // The preview the preview verbs play (the run's own, as a dialog's 試聴 button has).
    PreviewEngine* preview = nullptr;
};

// A verb's words after the verb itself; returns false with `error` set when the line failed.
using BatchVerbHandler = bool (*)(BatchContext& context, const std::vector<std::string>& args,
                                  std::string& error);
struct BatchVerb {
    const char* name;
    BatchVerbHandler handler;
};
// Every verb other than the menu commands. Subsystems add theirs here.
const std::vector<BatchVerb>& BatchVerbs();

// Splits a line into words; double quotes group words with blanks ("a b.wav").
std::vector<std::string> SplitBatchLine(const std::string& line);

// Runs one line; false with `error` when it failed. `stop` is set by a line that ends the run.
bool RunBatchLine(BatchContext& context, const std::string& line, std::string& error, bool& stop);

// Parses the command line after "--batch"; returns false with `error` for bad options.
bool ParseBatchArguments(const std::vector<std::string>& args, BatchOptions& options,
                         std::string& error);
// Runs a whole batch; returns the process exit status: 0 when all lines succeeded, 1 when a
// line failed or the script could not be read whole (nothing of it runs then).
int RunBatch(const BatchOptions& options, std::istream& in, std::ostream& out, std::ostream& err);

// Acts on a dialog that a batch line keeps open; false with `error` when a line failed.
using BatchDialogInteraction = std::function<bool(ScriptedDialog& dialog, std::string& error)>;

// Runs a menu command with its dialog values: the dialog gets `script`, then the command runs
// through the dispatch. Used by the generic command verb and by verbs built on commands. With
// `interact`, the dialog stays open after the values for `interact` to act on it; a dialog
// that it cancels counts as cancel requested.
bool RunBatchCommand(BatchContext& context, int commandId, const std::vector<std::string>& args,
                     std::string& error, BatchDialogInteraction interact = nullptr);

} // namespace wt
