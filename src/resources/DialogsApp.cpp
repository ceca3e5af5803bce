#include "resources/Dialogs.h"

namespace wt {

std::vector<DialogTemplate> AppDialogTemplates() {
    DialogTemplate about;
    about.id = 100;
    about.caption = "バージョン情報...";
    about.width = 180;
    about.height = 70;
    about.controls = {
        {-1, ControlKind::Icon, "201", 10, 10, 21, 20},
        {-1, ControlKind::Static, "WaveTomuka Version 0.98", 40, 12, 130, 10},
        {-1, ControlKind::Static, "PCM サウンドエディタ", 40, 26, 130, 10},
        {1, ControlKind::DefPushButton, "OK", 65, 48, 50, 14},
    };
    return {about};
}

const std::vector<const char*>& ApplicationIcon() {
    static const std::vector<const char*> icon = {
        "................................", "................................",
        "..kkkkkkkkkkkkkkkkkkkkkkkkkkkk..", "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..",
        "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..", "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..",
        "..kbbbbbbbbbbbgbbbbbbbbbbbbbbk..", "..kbbbbbbbbbbbgbbbbbbbbbbbbbbk..",
        "..kbbbbbbbgbbbgbbbbbbbbbbbbbbk..", "..kbbbbbbbgbbbggbbbbbbbbbbbbbk..",
        "..kbbbbbbbgbbggbbbbgbbbbbbbbbk..", "..kbbbbbbggbbggbbbbgbbbbbbbbbk..",
        "..kbbbgbbggbbggbbbggbbbbbgbbbk..", "..kbbbgbbggbggbgbbggbbgbbgbbbk..",
        "..kbbggbgggbggbgbggggbgbggbbbk..", "..kgggggggggggggggggggggggggggk..",
        "..kbbggbgbggbgggbggbggbggbbbbk..", "..kbbbgbbbggbbggbbgbbbgbbgbbbk..",
        "..kbbbgbbbggbbggbbgbbbbbbbbbbk..", "..kbbbbbbbgbbbggbbgbbbbbbbbbbk..",
        "..kbbbbbbbgbbbgbbbbbbbbbbbbbbk..", "..kbbbbbbbbbbbgbbbbbbbbbbbbbbk..",
        "..kbbbbbbbbbbbgbbbbbbbbbbbbbbk..", "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..",
        "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..", "..kkkkkkkkkkkkkkkkkkkkkkkkkkkk..",
        "................................", "....wwww..ww..ww..wwww.........",
        "................................", "................................",
        "................................", "................................",
    };
    return icon;
}

} // namespace wt
