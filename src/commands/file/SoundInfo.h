// The sound's information (ファイル → 情報...): its file name, format and length, and the text
// tags it carries from its file, in dialog 116.
#pragma once

#include "model/SoundDocument.h"
#include "platform/DialogHost.h"

namespace wt {

struct App;

inline constexpr int kDialogSoundInfo = 116;

// Control ids of the dialog: the values beside their labels, one tag a row from
// kIdInfoTagFirst in TagField's order.
inline constexpr int kIdInfoName = 101, kIdInfoFormat = 102, kIdInfoLength = 103;
inline constexpr int kIdInfoTagFirst = 110;

// Dialog procedure; lParam of msg::InitDialog points at the SoundDocument to show.
LParam SoundInfoDlgProc(DialogHost& dlg, unsigned message, WParam wParam, LParam lParam);
// Shows the dialog over the main window; always 1.
int CmdSoundInfo(App& app);

} // namespace wt
