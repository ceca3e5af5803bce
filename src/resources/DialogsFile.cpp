#include "resources/Dialogs.h"

#include "commands/file/FileTexts.h"
#include "commands/file/SoundInfo.h"

namespace wt {

namespace {

DialogTemplate FormatDialog(int id, const char* caption) {
    DialogTemplate t;
    t.id = id;
    t.caption = caption;
    t.width = 200;
    t.height = 116;
    t.controls = {
        {100, ControlKind::GroupBox, "サンプリングレート", 7, 5, 60, 103},
        {101, ControlKind::AutoRadio, "8.0K", 14, 18, 48, 10, true},
        {102, ControlKind::AutoRadio, "11.025K", 14, 32, 48, 10},
        {103, ControlKind::AutoRadio, "22.05K", 14, 46, 48, 10},
        {104, ControlKind::AutoRadio, "44.1K", 14, 60, 48, 10},
        {105, ControlKind::AutoRadio, "48K", 14, 74, 48, 10},
        {106, ControlKind::AutoRadio, "96K", 14, 88, 48, 10},
        {200, ControlKind::GroupBox, "ビット数", 72, 5, 55, 45},
        {201, ControlKind::AutoRadio, "8 Bits", 79, 18, 44, 10, true},
        {202, ControlKind::AutoRadio, "16Bits", 79, 32, 44, 10},
        {300, ControlKind::GroupBox, "チャネル数", 132, 5, 60, 45},
        {301, ControlKind::AutoRadio, "モノラル", 139, 18, 48, 10, true},
        {302, ControlKind::AutoRadio, "ステレオ", 139, 32, 48, 10},
        {1, ControlKind::DefPushButton, "OK", 80, 88, 50, 14},
        {2, ControlKind::PushButton, "ｷｬﾝｾﾙ", 140, 88, 50, 14},
    };
    return t;
}

// The sound's information: a label and its value a row, the name, format and length first,
// then every tag.
DialogTemplate SoundInfoDialog() {
    constexpr int kRow = 12, kLabelWidth = 55, kValueX = 66, kValueWidth = 200;
    DialogTemplate t;
    t.id = kDialogSoundInfo;
    t.caption = filetext::kCaptionSoundInfo;
    t.width = kValueX + kValueWidth + 7;
    int y = 7;
    const auto row = [&t, &y](const char* label, int valueId) {
        t.controls.push_back({-1, ControlKind::Static, label, 7, y, kLabelWidth, 10});
        t.controls.push_back({valueId, ControlKind::Static, "", kValueX, y, kValueWidth, 10});
        y += kRow;
    };
    row(filetext::kInfoName, kIdInfoName);
    row(filetext::kInfoFormat, kIdInfoFormat);
    row(filetext::kInfoLength, kIdInfoLength);
    y += kRow / 2;
    for (int i = 0; i < kTagFieldCount; ++i) {
        row(filetext::kTagNames[i], kIdInfoTagFirst + i);
    }
    t.controls.push_back({1, ControlKind::DefPushButton, "OK", t.width - 57, y + 4, 50, 14});
    t.height = y + 25;
    return t;
}

} // namespace

std::vector<DialogTemplate> FileDialogTemplates() {
    return {FormatDialog(1, "新規作成"), FormatDialog(113, "フォーマット変換"), SoundInfoDialog()};
}

} // namespace wt
