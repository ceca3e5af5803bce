// The format dialog shared by New (dialog 1) and format conversion (dialog 113): sampling
// rate, bits and channels as three radio groups.
#pragma once

#include "model/SoundDocument.h"
#include "platform/DialogHost.h"

namespace wt {

struct App;

inline constexpr int kDialogNew = 1;
inline constexpr int kDialogChangeFormat = 113;

// Control ids of the dialog.
inline constexpr int kIdRate8000 = 101, kIdRate11025 = 102, kIdRate22050 = 103, kIdRate44100 = 104,
                     kIdRate48000 = 105, kIdRate96000 = 106;
inline constexpr int kIdBits8 = 201, kIdBits16 = 202;
inline constexpr int kIdMono = 301, kIdStereo = 302;

// Dialog procedure; lParam of msg::InitDialog points at the SoundFormat to show and fill.
LParam NewDlgProc(DialogHost& dlg, unsigned message, WParam wParam, LParam lParam,
                  SoundFormat*& format);
// Runs dialog `templateId` over the waveform window on `format`; returns 1 for OK (format
// filled in), 0 for Cancel.
int RunNewDialog(App& app, int templateId, SoundFormat& format);

} // namespace wt
