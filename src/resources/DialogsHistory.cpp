#include "resources/Dialogs.h"

#include "commands/edit/HistoryCommands.h"
#include "commands/edit/HistoryTexts.h"
#include "commands/edit/Recovery.h"

namespace wt {

namespace {

constexpr int kButtonWidth = 50, kButtonHeight = 14;

// The steps, oldest first, in a list wide enough for a time, a name, a format and a length.
DialogTemplate HistoryDialog() {
    constexpr int kWidth = 330, kListHeight = 160;
    DialogTemplate t;
    t.id = kDialogHistory;
    t.caption = historytext::kCaptionHistory;
    t.width = kWidth;
    t.height = kListHeight + 50;
    t.controls = {
        {kIdHistoryLabel, ControlKind::Static, historytext::kHistoryLabel, 7, 7, kWidth - 14, 10},
        {kIdHistoryList, ControlKind::ListBox, "", 7, 20, kWidth - 14, kListHeight},
        {IdOk, ControlKind::DefPushButton, "OK", kWidth - 2 * kButtonWidth - 14, kListHeight + 28,
         kButtonWidth, kButtonHeight},
        {IdCancel, ControlKind::PushButton, "ｷｬﾝｾﾙ", kWidth - kButtonWidth - 7, kListHeight + 28,
         kButtonWidth, kButtonHeight},
    };
    return t;
}

DialogTemplate UndoSettingsDialog() {
    DialogTemplate t;
    t.id = kDialogUndoSettings;
    t.caption = historytext::kCaptionUndoSettings;
    t.width = 200;
    t.height = 80;
    t.controls = {
        {-1, ControlKind::GroupBox, historytext::kUndoGroup, 7, 5, 186, 44},
        {kIdUndoSingle, ControlKind::AutoRadio, historytext::kUndoSingle, 14, 18, 170, 10, true},
        {kIdUndoMulti, ControlKind::AutoRadio, historytext::kUndoMulti, 14, 32, 170, 10},
        {IdOk, ControlKind::DefPushButton, "OK", 86, 58, kButtonWidth, kButtonHeight, true},
        {IdCancel, ControlKind::PushButton, "ｷｬﾝｾﾙ", 143, 58, kButtonWidth, kButtonHeight},
    };
    return t;
}

// The journals left by sessions that did not end cleanly, and what to do with each.
DialogTemplate RecoveryDialog() {
    constexpr int kWidth = 330, kListHeight = 90;
    DialogTemplate t;
    t.id = kDialogRecovery;
    t.caption = historytext::kCaptionRecovery;
    t.width = kWidth;
    t.height = kListHeight + 50;
    const int buttons = kListHeight + 28;
    t.controls = {
        {-1, ControlKind::Static, historytext::kRecoveryLabel, 7, 7, kWidth - 14, 10},
        {kIdRecoveryList, ControlKind::ListBox, "", 7, 20, kWidth - 14, kListHeight},
        {kIdRecover, ControlKind::DefPushButton, historytext::kRecover,
         kWidth - 3 * kButtonWidth - 21, buttons, kButtonWidth, kButtonHeight},
        {kIdDiscard, ControlKind::PushButton, historytext::kDiscard, kWidth - 2 * kButtonWidth - 14,
         buttons, kButtonWidth, kButtonHeight},
        {IdCancel, ControlKind::PushButton, historytext::kLater, kWidth - kButtonWidth - 7, buttons,
         kButtonWidth, kButtonHeight},
    };
    return t;
}

} // namespace

std::vector<DialogTemplate> HistoryDialogTemplates() {
    return {HistoryDialog(), UndoSettingsDialog(), RecoveryDialog()};
}

} // namespace wt
