// The edit history and the recovery journal as the user meets them: every command's change
// becomes a step (NoteChanges, called by the dispatcher after each command), 編集 →
// 編集履歴... goes back to any step, 元に戻す and やり直し step through it in the many-step mode,
// and the journal follows every change so that a crash loses nothing.
#pragma once

#include "history/StepTypes.h"
#include "platform/DialogHost.h"
#include "platform/Menu.h"

#include <cstdint>
#include <string>

namespace wt {

struct App;

inline constexpr int kDialogHistory = 120;
inline constexpr int kDialogUndoSettings = 121;
inline constexpr int kIdHistoryList = 1000;
inline constexpr int kIdHistoryLabel = 1001;
inline constexpr int kIdUndoSingle = 1010;
inline constexpr int kIdUndoMulti = 1011;

// What the document was before a command ran, for NoteChanges to compare with.
struct ChangeWatch {
    std::uint64_t taken = 0;
    std::uint64_t swapped = 0;
    bool modified = false;
    StepIdentity identity;
    int step = 0;               // the history's current step
    std::uint64_t revision = 0; // of the document's samples
    std::uint64_t changes = 0;  // the history's count of changes
};
// Called before a command named `text` runs (a change it makes before a second snapshot is
// recorded under that name).
ChangeWatch WatchChanges(App& app, const std::string& text);

// After a command (or a drop, or the end of a recording): when the command took the undo
// snapshot and kept its change, records the step `text` and hands it to the journal; when it
// saved the sound (the modified mark went off, or the name changed, with no snapshot taken),
// marks the saved state and lets the journal go. Then renews the undo menu items.
void NoteChanges(App& app, const ChangeWatch& watch, const std::string& text);
// The step name of menu command `id`: its menu text without access key, shortcut and dots;
// "開く: NAME" for the commands that open a file.
std::string StepTextOfCommand(const App& app, int id);

// Starts the history from the sound as it is (the desktop at start, batch "history on").
void EnableHistory(App& app);
// Starts the journal in `folder` (and the history, which it follows); false with `error`.
bool EnableJournal(App& app, const std::string& folder, std::string& error);
// The step list's places for the history's budgets, from the settings.
void ApplyHistoryBudget(App& app);

// Goes to step `step` as 編集履歴 does: the undo snapshot's role is taken by the place left,
// so 元に戻す comes back. Says why and returns false when it cannot.
bool GoToStep(App& app, int step);

// The window's timer: collects the history's finished spill writes and hands the bytes a
// recording captured since the last tick to the journal.
void OnHistoryTimer(App& app);
// A recording starts or ends (kept or abandoned): the journal follows it.
void NoteRecordingStart(App& app);
void NoteRecordingEnd(App& app);
// The window closes after the question about unsaved changes: the journal is deleted.
void EndHistory(App& app);

// Undo with the history on: the one-level exchange or one step back, as set. False when the
// history is off (the caller exchanges with the snapshot as always) — never both.
bool HistoryUndo(App& app, int& result);
// IDM_REDO, IDM_EDIT_HISTORY, IDM_UNDO_SETTINGS.
int CmdRedo(App& app);
int CmdEditHistory(App& app);
int CmdUndoSettings(App& app);
// Puts the history's items into a main menu (after 元に戻す: やり直し when `many`, then
// 編集履歴...; 元に戻す... at the end of 設定), or takes them out when not `on`.
void PlaceHistoryItems(Menu& menu, bool on, bool many);
// Adds or removes the history's menu items and names what undo and redo would do.
void UpdateUndoMenu(App& app);

LParam HistoryDlgProc(DialogHost& dlg, unsigned message, WParam wParam, LParam lParam);
LParam UndoSettingsDlgProc(DialogHost& dlg, unsigned message, WParam wParam, LParam lParam);

} // namespace wt
