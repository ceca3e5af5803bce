#include "resources/Dialogs.h"

namespace wt {

namespace {

// Dialog 115: display settings.
DialogTemplate DisplaySettingsDialog() {
    DialogTemplate t;
    t.id = 115;
    t.caption = "表示設定";
    t.width = 178;
    t.height = 96;
    t.controls = {
        {-1, ControlKind::Static, "表示密度", 8, 8, 60, 8},
        {101, ControlKind::HScrollBar, "", 8, 20, 120, 10},
        {102, ControlKind::Edit, "", 134, 18, 36, 13},
        {105, ControlKind::GroupBox, "表示モード", 8, 38, 100, 38},
        {103, ControlKind::AutoRadio, "ポイント", 16, 50, 80, 10, true},
        {104, ControlKind::AutoRadio, "ライン", 16, 62, 80, 10},
        {106, ControlKind::AutoCheckBox, "スクロールバーに追従", 8, 80, 110, 10},
        {1, ControlKind::DefPushButton, "OK", 120, 42, 50, 14},
        {2, ControlKind::PushButton, "ｷｬﾝｾﾙ", 120, 60, 50, 14},
    };
    return t;
}

} // namespace

std::vector<DialogTemplate> ViewDialogTemplates() {
    return {DisplaySettingsDialog()};
}

} // namespace wt
