#include "resources/Dialogs.h"

#include "commands/effects/EffectTexts.h"
#include "commands/effects/LevelEffects.h"

namespace wt {

namespace {

// Effect dialogs are laid out in rows: a label on the left, then a scroll bar and its edit
// field (or a check box), with OK and Cancel under the last row.
constexpr int kLabelX = 7, kLabelWidth = 44;
constexpr int kBarX = 54, kBarWidth = 100;
constexpr int kEditX = 158, kEditWidth = 34;
constexpr int kRowHeight = 18, kFirstRowY = 8;
constexpr int kDialogWidth = 200;

int RowY(int row) {
    return kFirstRowY + row * kRowHeight;
}

// A label, a horizontal scroll bar `bar` and its edit field `edit` on row `row`.
void AddScrollEditRow(DialogTemplate& t, int row, const char* label, int bar, int edit) {
    const int y = RowY(row);
    t.controls.push_back({-1, ControlKind::Static, label, kLabelX, y + 2, kLabelWidth, 8});
    t.controls.push_back({bar, ControlKind::HScrollBar, "", kBarX, y, kBarWidth, 11});
    t.controls.push_back({edit, ControlKind::Edit, "", kEditX, y - 1, kEditWidth, 13});
}

void AddCheckRow(DialogTemplate& t, int row, const char* text, int box) {
    t.controls.push_back({box, ControlKind::CheckBox, text, kBarX, RowY(row), kBarWidth, 10});
}

// OK and Cancel below `rows` rows; sets the dialog's height.
void AddOkCancel(DialogTemplate& t, int rows) {
    const int y = RowY(rows) + 4;
    t.controls.push_back({1, ControlKind::DefPushButton, "OK", kDialogWidth - 116, y, 50, 14});
    t.controls.push_back({2, ControlKind::PushButton, "ｷｬﾝｾﾙ", kDialogWidth - 60, y, 50, 14});
    t.height = y + 14 + 7;
}

DialogTemplate EffectDialog(int id, const char* caption) {
    DialogTemplate t;
    t.id = id;
    t.caption = caption;
    t.width = kDialogWidth;
    return t;
}

DialogTemplate VolumeDialog() {
    DialogTemplate t = EffectDialog(kDialogVolume, kCaptionVolumeDialog);
    AddScrollEditRow(t, 0, kTextVolumeLabel, kIdVolumeBar, kIdVolumeEdit);
    AddScrollEditRow(t, 1, kTextPanLabel, kIdPanBar, kIdPanEdit);
    AddCheckRow(t, 2, kTextLimiter, kIdLimiter);
    AddOkCancel(t, 3);
    return t;
}

} // namespace

std::vector<DialogTemplate> EffectDialogTemplates() {
    return {VolumeDialog()};
}

} // namespace wt
