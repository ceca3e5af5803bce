// Texts batch mode prints on standard error after "error: ORIGIN: LINE: " (or "error: ").
#pragma once

namespace wt::batchtext {

// The unsaved-changes question reached with no answer queued (%s the sound's name): batch mode
// writes a file only where a line asks for it, so the line fails instead of saving.
inline constexpr const char* kUnansweredChanges =
    "[%s]は変更されています。保存するなら answer yes、破棄するなら answer no を、この行の前に"
    "書いてください";
// An exit that did not close: its save failed or the question was cancelled.
inline constexpr const char* kExitNotDone = "変更が保存されなかったので終了しません";
// A script longer than the memory could hold (%s the script, %llu its size in bytes).
inline constexpr const char* kScriptTooLarge =
    "%s: スクリプトが大きすぎて読み込めません(%llu バイト)";
// A line holding a NUL byte (%s:%lld the script and the line's number).
inline constexpr const char* kNulInLine = "%s:%lld: 行に NUL 文字が含まれています";

} // namespace wt::batchtext
