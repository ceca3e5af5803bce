// The display settings dialog (dialog 115): density, point or line display, and whether the
// view follows the scroll box while it is dragged.
#pragma once

#include "editor/ScrollEdit.h"
#include "platform/DialogHost.h"

namespace wt {

struct App;

inline constexpr int kDisplaySettingsDialog = 115;
// Controls of dialog 115.
inline constexpr int kIdDensityBar = 101;  // scroll bar, 1..128
inline constexpr int kIdDensityEdit = 102; // the density as a number
inline constexpr int kIdPointMode = 103;   // radio: display mode 0
inline constexpr int kIdLineMode = 104;    // radio: display mode 1
inline constexpr int kIdModeGroup = 105;
inline constexpr int kIdTrackScroll = 106; // check box: scroll tracking
inline constexpr int kDensityMin = 1;
inline constexpr int kDensityMax = 128;

// What the dialog needs between messages: the setting edited in place and the values to
// restore on Cancel.
struct DisplaySettingsDialog {
    App* app = nullptr;
    int* density = nullptr; // the setting passed in, edited in place
    int savedDensity = 0;
    int savedMode = 0;
    ScrollEditValue value;
};

// The dialog procedure. msg::InitDialog's lParam points at the density setting to edit.
LParam DisplaySettingsDlgProc(DisplaySettingsDialog& state, DialogHost& dlg, unsigned message,
                              WParam wParam, LParam lParam);

// IDM_DISPLAY_SETTINGS: runs dialog 115 modally, owned by the waveform window. Returns 1.
int CmdDisplaySettings(App& app);

} // namespace wt
