// The main window's procedure, start-up and the commands that belong to no other subsystem.
#pragma once

#include "platform/DialogHost.h"
#include "platform/Messages.h"

#include <string>
#include <vector>

namespace wt {

struct App;

inline constexpr int kTimerId = 5;
inline constexpr int kTimerPeriodMs = 50;
inline constexpr int kAboutDialog = 100;

// Derives the settings-file and help paths from the executable path and reads the start-up
// settings. `iniOverride` (the --ini option) replaces the settings path when not empty.
void InitializeApp(App& app, const std::string& modulePath, const std::string& iniOverride);

// The main window procedure: Create, Destroy, Size, Close, Char, Command, Timer, InitMenu and
// the device notifications. Returns -1 from Create when the window cannot be used.
LParam MainWndProc(App& app, unsigned message, WParam wParam, LParam lParam);

// After the main window exists: status bar, caption, zoom 1/256, the format texts and the
// file named by the command-line tail (taken whole, quotes included; empty: none).
void FinishStartup(App& app, const std::string& commandTail);
// The desktop's safety net, once the window shows: the edit history, the recovery journal, and
// the offer of the work a crashed session left.
void StartHistoryAndRecovery(App& app);

// Routes command `id` through the busy gate to its handler. `code` is the notification code
// (0 menu or button, 1 accelerator; others are ignored). Returns the handler's result, or -1
// when the command was ignored or has no handler.
int DispatchCommand(App& app, int id, unsigned code = NotifyMenu);

// Files dropped on the main window: the first one is opened, after the unsaved-changes
// question when the sound was changed. Ignored while busy.
void OnDropFiles(App& app, const std::vector<std::string>& paths);

// Fills the sine table: 10000 * sin(i * 6.28 / 1024), truncated toward zero.
void FillSineTable(App& app);

// Dialog 100, the About box.
LParam AboutDlgProc(DialogHost& dlg, unsigned message, WParam wParam, LParam lParam);

int CmdNewWindow(App& app);
int CmdExit(App& app);
int CmdHelpContents(App& app);
int CmdAbout(App& app);

} // namespace wt
