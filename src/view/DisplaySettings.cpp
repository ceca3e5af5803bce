#include "view/DisplaySettings.h"

#include "editor/App.h"
#include "editor/DocumentUi.h"

#include <string>

namespace wt {

namespace {

void WriteSettings(App& app) {
    app.profile.WriteString(kSectionOptions, "density", std::to_string(app.settings.density));
    app.profile.WriteString(kSectionOptions, "dispmode", std::to_string(app.settings.dispMode));
    app.profile.WriteString(kSectionOptions, "trackmode", std::to_string(app.settings.trackMode));
}

// Density and display mode go back to what they were when the dialog opened; the waveform
// window is repainted, as a previewed mode may be on screen.
void Cancel(DisplaySettingsDialog& state, DialogHost& dlg) {
    *state.density = state.savedDensity;
    state.app->settings.dispMode = state.savedMode;
    RedrawWave(*state.app);
    dlg.EndDialog(0);
}

} // namespace

LParam DisplaySettingsDlgProc(DisplaySettingsDialog& state, DialogHost& dlg, unsigned message,
                              WParam wParam, LParam lParam) {
    App& app = *state.app;
    switch (message) {
    case msg::InitDialog: {
        state.density = reinterpret_cast<int*>(lParam);
        state.savedDensity = *state.density;
        state.savedMode = app.settings.dispMode;
        state.value.value = *state.density;
        dlg.SetScrollRange(kIdDensityBar, kDensityMin, kDensityMax, false);
        ScrollEditSet(*state.density, state.value, kIdDensityBar, dlg, kIdDensityEdit);
        *state.density = state.value.value;
        dlg.CheckRadioButton(kIdPointMode, kIdLineMode,
                             app.settings.dispMode == 1 ? kIdLineMode : kIdPointMode);
        dlg.CheckButton(kIdTrackScroll, app.settings.trackMode ? Checked : Unchecked);
        return 1;
    }
    case msg::HScroll:
        if (static_cast<int>(lParam) == kIdDensityBar) {
            ScrollEditOnScroll(dlg, kIdDensityEdit, LowWord(wParam),
                               static_cast<int>(HighWord(wParam)), kIdDensityBar, state.value);
            *state.density = state.value.value;
            return 1;
        }
        return 0;
    case msg::Command: {
        const int id = static_cast<int>(LowWord(wParam));
        switch (id) {
        case kIdDensityEdit:
            if (ScrollEditOnChange(state.value, dlg, wParam) == 0) {
                *state.density = state.value.value;
            }
            return 1;
        case kIdPointMode:
        case kIdLineMode:
            app.settings.dispMode = id - kIdPointMode;
            dlg.CheckRadioButton(kIdPointMode, kIdLineMode, id);
            RedrawWave(app); // the new mode is seen before the dialog closes
            return 1;
        case IdOk:
            RedrawWave(app);
            app.settings.trackMode = dlg.IsButtonChecked(kIdTrackScroll) == Checked ? 1 : 0;
            WriteSettings(app);
            dlg.EndDialog(1);
            return 1;
        case IdCancel:
            Cancel(state, dlg);
            return 1;
        default:
            return 0;
        }
    }
    case msg::Close:
        // Closing the dialog's window is a cancel.
        Cancel(state, dlg);
        return 1;
    default:
        return 0;
    }
}

int CmdDisplaySettings(App& app) {
    DisplaySettingsDialog state;
    state.app = &app;
    app.host.DialogBox(
        kDisplaySettingsDialog, Owner::WaveWindow,
        [&state](DialogHost& dlg, unsigned message, WParam wParam, LParam lParam) {
            return DisplaySettingsDlgProc(state, dlg, message, wParam, lParam);
        },
        reinterpret_cast<LParam>(&app.settings.density));
    return 1;
}

} // namespace wt
