// Texts batch mode prints on standard error after "error: ORIGIN: LINE: " (or "error: "), in
// English like the rest of its errors: they speak to whoever wrote the script.
#pragma once

namespace wt::batchtext {

// The unsaved-changes question reached with no answer queued (%s the sound's name): batch mode
// writes a file only where a line asks for it, so the line fails instead of saving.
inline constexpr const char* kUnansweredChanges =
    "[%s] has unsaved changes: put \"answer yes\" (save them) or \"answer no\" (discard "
    "them) before this line";
// An exit that did not close: its save failed or the question was cancelled.
inline constexpr const char* kExitNotDone =
    "the changes were not saved, so the editor did not exit";
// A script longer than the memory could hold (%s the script, %llu its size in bytes).
inline constexpr const char* kScriptTooLarge = "%s: script too large to hold (%llu bytes)";
// A line holding a NUL byte (%s:%lld the script and the line's number).
inline constexpr const char* kNulInLine = "%s:%lld: line holds a NUL byte";

} // namespace wt::batchtext
