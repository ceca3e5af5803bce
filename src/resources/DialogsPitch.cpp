#include "resources/Dialogs.h"

#include "commands/effects/PitchEffects.h"
#include "commands/effects/PitchTexts.h"
#include "platform/Messages.h"
#include "resources/EffectDialogLayout.h"

namespace wt {

namespace {

// The columns of the other effect dialogs: label, bar, field, unit.
constexpr int kLabelX = 7, kLabelWidth = 66;
constexpr int kBarX = 76, kBarWidth = 100;
constexpr int kEditX = 180, kEditWidth = 34;
constexpr int kUnitX = 218, kUnitWidth = 30;
constexpr int kDialogWidth = 254;

void AddControl(DialogTemplate& t, int id, ControlKind kind, const char* text, int x, int y,
                int width, int height) {
    t.controls.push_back({id, kind, text, x, y, width, height});
}

// A label, a bar, its field and a unit on one row at `y`.
void AddScrollRow(DialogTemplate& t, int y, const char* label, int bar, int edit,
                  const char* unit) {
    AddControl(t, -1, ControlKind::Static, label, kLabelX, y + 2, kLabelWidth, 8);
    AddControl(t, bar, ControlKind::HScrollBar, "", kBarX, y, kBarWidth, 11);
    AddControl(t, edit, ControlKind::Edit, "", kEditX, y - 1, kEditWidth, 13);
    AddControl(t, -1, ControlKind::Static, unit, kUnitX, y + 2, kUnitWidth, 8);
}

// OK and Cancel at `y`, and the dialog's height below them.
void AddButtons(DialogTemplate& t, int y) {
    AddControl(t, IdOk, ControlKind::DefPushButton, "OK", kDialogWidth - 116, y, 50, 14);
    AddControl(t, IdCancel, ControlKind::PushButton, "ｷｬﾝｾﾙ", kDialogWidth - 60, y, 50, 14);
    t.height = y + 14 + 7;
}

DialogTemplate NewDialog(int id, const char* caption) {
    DialogTemplate t;
    t.id = id;
    t.caption = caption;
    t.width = kDialogWidth;
    return t;
}

// Dialog 10: the speed, then "時間 D (mSec)   => D * 100 / V (mSec)".
DialogTemplate TimeStretchDialog() {
    DialogTemplate t = NewDialog(kDialogTimeStretch, kCaptionTimeStretchDialog);
    AddScrollRow(t, 8, kTextSpeedLabel, kIdSpeedBar, kIdSpeedEdit, kTextPercentUnit);
    constexpr int y = 30;
    AddControl(t, -1, ControlKind::Static, kTextTimeLabel, kLabelX, y, 30, 8);
    AddControl(t, kIdDurationBefore, ControlKind::Static, "", 40, y, 44, 8);
    AddControl(t, -1, ControlKind::Static, kTextDurationArrow, 86, y, 50, 8);
    AddControl(t, kIdDurationAfter, ControlKind::Static, "", 140, y, 44, 8);
    AddControl(t, -1, ControlKind::Static, kTextDurationUnit, 186, y, 30, 8);
    AddButtons(t, 48);
    return t;
}

// Dialog 11: the interval, then the harmonize group with its box and the mix bar captioned
// with the source sound on the left and the effect on the right.
DialogTemplate TransposeDialog() {
    DialogTemplate t = NewDialog(kDialogTranspose, kCaptionTransposeDialog);
    AddScrollRow(t, 8, kTextTransposeLabel, kIdCentsBar, kIdCentsEdit, kTextCentsUnit);
    constexpr int group = 28;
    AddControl(t, -1, ControlKind::GroupBox, kTextHarmonizeGroup, kLabelX, group,
               kDialogWidth - 2 * kLabelX, 46);
    AddControl(t, kIdHarmonize, ControlKind::CheckBox, kTextHarmonizeUse, kLabelX + 10, group + 12,
               80, 10);
    constexpr int mixY = group + 28;
    AddControl(t, -1, ControlKind::Static, kTextMixSource, kLabelX + 10, mixY + 2, 26, 8);
    AddControl(t, kIdMixBar, ControlKind::HScrollBar, "", 46, mixY, 104, 11);
    AddControl(t, -1, ControlKind::Static, kTextMixEffect, 154, mixY + 2, 30, 8);
    AddControl(t, kIdMixEdit, ControlKind::Edit, "", 188, mixY - 1, 34, 13);
    AddControl(t, -1, ControlKind::Static, kTextPercentUnit, 226, mixY + 2, 14, 8);
    AddButtons(t, group + 46 + 8);
    return t;
}

} // namespace

std::vector<DialogTemplate> PitchDialogTemplates() {
    return {
        EffectDialogLayout(kDialogPitch, kCaptionPitchDialog)
            .ScrollRow(kTextPitchLabel, kIdPitchBar, kIdPitchEdit, kTextPercentUnit)
            .Finish(),
        TimeStretchDialog(),
        TransposeDialog(),
    };
}

} // namespace wt
