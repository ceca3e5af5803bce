#include "resources/EffectDialogLayout.h"

namespace wt {

namespace {
// Columns: labels wide enough for eight full-width characters, the bar, the field, the unit.
constexpr int kLabelX = 7, kLabelWidth = 66;
constexpr int kBarX = 76, kBarWidth = 100;
constexpr int kEditX = 180, kEditWidth = 34;
constexpr int kUnitX = 218, kUnitWidth = 30;
constexpr int kDialogWidth = 254;
constexpr int kRowHeight = 18, kFirstRowY = 8;
} // namespace

EffectDialogLayout::EffectDialogLayout(int id, const char* caption) : y_(kFirstRowY) {
    t_.id = id;
    t_.caption = caption;
    t_.width = kDialogWidth;
}

EffectDialogLayout& EffectDialogLayout::ScrollRow(const char* label, int bar, int edit,
                                                  const char* unit) {
    t_.controls.push_back({-1, ControlKind::Static, label, kLabelX, y_ + 2, kLabelWidth, 8});
    t_.controls.push_back({bar, ControlKind::HScrollBar, "", kBarX, y_, kBarWidth, 11});
    t_.controls.push_back({edit, ControlKind::Edit, "", kEditX, y_ - 1, kEditWidth, 13});
    if (unit) {
        t_.controls.push_back({-1, ControlKind::Static, unit, kUnitX, y_ + 2, kUnitWidth, 8});
    }
    y_ += kRowHeight;
    return *this;
}

EffectDialogLayout& EffectDialogLayout::CheckRow(const char* text, int box) {
    t_.controls.push_back({box, ControlKind::CheckBox, text, kBarX, y_, kBarWidth, 10});
    y_ += kRowHeight;
    return *this;
}

EffectDialogLayout& EffectDialogLayout::RadioGroup(const char* caption, int group, int first,
                                                   const char* firstText, int second,
                                                   const char* secondText) {
    constexpr int kGroupHeight = 28;
    t_.controls.push_back({group, ControlKind::GroupBox, caption, kLabelX, y_,
                           kDialogWidth - 2 * kLabelX, kGroupHeight});
    t_.controls.push_back(
        {first, ControlKind::AutoRadio, firstText, kLabelX + 10, y_ + 13, 70, 10, true});
    t_.controls.push_back(
        {second, ControlKind::AutoRadio, secondText, kLabelX + 90, y_ + 13, 90, 10});
    y_ += kGroupHeight + 6;
    return *this;
}

DialogTemplate EffectDialogLayout::Finish() {
    const int y = y_ + 4;
    t_.controls.push_back({1, ControlKind::DefPushButton, "OK", kDialogWidth - 116, y, 50, 14});
    t_.controls.push_back({2, ControlKind::PushButton, "ｷｬﾝｾﾙ", kDialogWidth - 60, y, 50, 14});
    t_.height = y + 14 + 7;
    return t_;
}

} // namespace wt
