#include "resources/Dialogs.h"

#include "commands/generators/GeneratorTexts.h"
#include "commands/generators/Generators.h"
#include "commands/generators/MelodyPaste.h"
#include "resources/EffectDialogLayout.h"

namespace wt {

namespace {

// Dialog 106: three bar rows, the waveform buttons with their pictures, and the FM group with
// its check box and two bar rows.
DialogTemplate ToneDialog() {
    DialogTemplate t;
    t.id = kDialogTone;
    t.caption = kCaptionToneDialog;
    t.width = 254;
    auto row = [&t](int x, int y, const char* label, int bar, int edit, const char* unit) {
        t.controls.push_back({-1, ControlKind::Static, label, x, y + 2, 76 - x - 2, 8});
        t.controls.push_back({bar, ControlKind::HScrollBar, "", 76, y, 100, 11});
        t.controls.push_back({edit, ControlKind::Edit, "", 180, y - 1, 34, 13});
        t.controls.push_back({-1, ControlKind::Static, unit, 218, y + 2, 34, 8});
    };
    row(7, 8, kTextVolumeLabel, kIdToneVolumeBar, kIdToneVolumeEdit, kTextPercentUnit);
    row(7, 26, kTextFrequencyLabel, kIdToneFrequencyBar, kIdToneFrequencyEdit, kTextHzUnit);
    row(7, 44, kTextTimeLabel, kIdToneTimeBar, kIdToneTimeEdit, kTextMsUnit);

    t.controls.push_back({-1, ControlKind::GroupBox, kTextWaveformGroup, 7, 62, 240, 36});
    const struct {
        int icon, button;
        const char* text;
    } waves[] = {{kIconSquare, kIdSquare, kTextSquare},
                 {kIconSine, kIdSine, kTextSine},
                 {kIconSawtooth, kIdSawtooth, kTextSawtooth}};
    int x = 14;
    for (const auto& w : waves) {
        t.controls.push_back({-1, ControlKind::Icon, std::to_string(w.icon), x, 72, 21, 20});
        t.controls.push_back(
            {w.button, ControlKind::AutoRadio, w.text, x + 24, 78, 50, 10, w.button == kIdSquare});
        x += 78;
    }

    t.controls.push_back({-1, ControlKind::GroupBox, kTextFmGroup, 7, 104, 240, 60});
    t.controls.push_back({kIdUseFm, ControlKind::CheckBox, kTextUseFm, 15, 116, 100, 10});
    row(15, 130, kTextDepthLabel, kIdFmDepthBar, kIdFmDepthEdit, kTextPercentUnit);
    row(15, 146, kTextRatioLabel, kIdFmRatioBar, kIdFmRatioEdit, kTextRatioUnit);

    const int y = 172;
    t.controls.push_back({IdOk, ControlKind::DefPushButton, "OK", 138, y, 50, 14});
    t.controls.push_back({IdCancel, ControlKind::PushButton, "ｷｬﾝｾﾙ", 194, y, 50, 14});
    t.height = y + 14 + 7;
    return t;
}

// Dialog 104: the tempo, the melody field, the keyboard, the length buttons in two rows of
// four, the rest, back and clear buttons, OK and Cancel.
DialogTemplate MelodyPasteDialog() {
    DialogTemplate t;
    t.id = kDialogMelody;
    t.caption = kCaptionMelodyDialog;
    t.width = 262;
    t.controls = {
        {kIdTempoGroup, ControlKind::GroupBox, kTextTempoGroup, 7, 6, 248, 30},
        {kIdTempoBar, ControlKind::HScrollBar, "", 15, 18, 180, 11},
        {kIdTempoEdit, ControlKind::Edit, "", 200, 17, 34, 13},
        {-1, ControlKind::Static, kTextMelodyLabel, 7, 44, 40, 8},
        {kIdMelodyText, ControlKind::Edit, "", 50, 42, 205, 13},
        {kIdKeyboard, ControlKind::OwnerDraw, "", 7, 60, 248, 44},
    };
    for (int i = 0; i < kLengthChoices; ++i) {
        t.controls.push_back({kIdLengthFirst + i, ControlKind::AutoRadio, kTextLengthCaptions[i],
                              7 + 62 * (i % 4), 110 + 12 * (i / 4), 58, 10, i == 0});
    }
    const int y = 138;
    t.controls.push_back({kIdRest, ControlKind::PushButton, kTextRest, 7, y, 40, 14});
    t.controls.push_back({kIdBack, ControlKind::PushButton, kTextBack, 51, y, 40, 14});
    t.controls.push_back({kIdClear, ControlKind::PushButton, kTextClear, 95, y, 40, 14});
    t.controls.push_back({IdOk, ControlKind::DefPushButton, "OK", 149, y, 50, 14});
    t.controls.push_back({IdCancel, ControlKind::PushButton, "ｷｬﾝｾﾙ", 205, y, 50, 14});
    t.height = y + 14 + 7;
    return t;
}

} // namespace

std::vector<DialogTemplate> GeneratorDialogTemplates() {
    return {
        MelodyPasteDialog(),
        EffectDialogLayout(kDialogNoise, kCaptionNoiseDialog)
            .ScrollRow(kTextVolumeLabel, kIdNoiseVolumeBar, kIdNoiseVolumeEdit, kTextPercentUnit)
            .ScrollRow(kTextTimeLabel, kIdNoiseTimeBar, kIdNoiseTimeEdit, kTextMsUnit)
            .CheckRow(kTextStereoNoise, kIdStereoNoise)
            .Finish(),
        ToneDialog(),
        EffectDialogLayout(kDialogSilence, kCaptionSilenceDialog)
            .ScrollRow(kTextTimeLabel, kIdSilenceTimeBar, kIdSilenceTimeEdit, kTextMsUnit)
            .Finish(),
    };
}

const std::vector<const char*>* WaveformIcon(int number) {
    // 'k' black, 'b' blue, 'g' green, '.' transparent, as the application icon.
    static const std::vector<const char*> square = {
        "................................", "................................",
        "..kkkkkkkkkkkkkkkkkkkkkkkkkkkk..", "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..",
        "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..", "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..",
        "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..", "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..",
        "..kbbbbbbgggggggbbbbbgggggggbk..", "..kbbbbbbgbbbbbgbbbbbgbbbbbgbk..",
        "..kbbbbbbgbbbbbgbbbbbgbbbbbgbk..", "..kbbbbbbgbbbbbgbbbbbgbbbbbgbk..",
        "..kbbbbbbgbbbbbgbbbbbgbbbbbgbk..", "..kbbbbbbgbbbbbgbbbbbgbbbbbgbk..",
        "..kbbbbbbgbbbbbgbbbbbgbbbbbgbk..", "..kbbbbbbgbbbbbgbbbbbgbbbbbgbk..",
        "..kbbbbbbgbbbbbgbbbbbgbbbbbgbk..", "..kbbbbbbgbbbbbgbbbbbgbbbbbgbk..",
        "..kbbbbbbgbbbbbgbbbbbgbbbbbgbk..", "..kgggggggbbbbbgggggggbbbbbggk..",
        "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..", "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..",
        "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..", "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..",
        "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..", "..kkkkkkkkkkkkkkkkkkkkkkkkkkkk..",
        "................................", "................................",
        "................................", "................................",
        "................................", "................................",
    };
    static const std::vector<const char*> sawtooth = {
        "................................", "................................",
        "..kkkkkkkkkkkkkkkkkkkkkkkkkkkk..", "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..",
        "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..", "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..",
        "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..", "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..",
        "..kbbbbbbbbbbbgbbbbbbbbbbbgbbk..", "..kbbbbbbbbbbggbbbbbbbbbbggbbk..",
        "..kbbbbbbbbbgbgbbbbbbbbbgbgbbk..", "..kbbbbbbbbgbbgbbbbbbbbgbbgbbk..",
        "..kbbbbbbbgbbbgbbbbbbbgbbbgbbk..", "..kbbbbbbgbbbbgbbbbbbgbbbbgbbk..",
        "..kbbbbbgbbbbbgbbbbbgbbbbbgbbk..", "..kbbbbgbbbbbbgbbbbgbbbbbbgbbk..",
        "..kbbbgbbbbbbbgbbbgbbbbbbbgbbk..", "..kbbgbbbbbbbbgbbgbbbbbbbbgbbk..",
        "..kbgbbbbbbbbbgbgbbbbbbbbbgbgk..", "..kgbbbbbbbbbbggbbbbbbbbbbggbk..",
        "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..", "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..",
        "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..", "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..",
        "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..", "..kkkkkkkkkkkkkkkkkkkkkkkkkkkk..",
        "................................", "................................",
        "................................", "................................",
        "................................", "................................",
    };
    switch (number) {
    case kIconSquare:
        return &square;
    case kIconSine:
        return &ApplicationIcon(); // icon 201 is the application icon, a waveform
    case kIconSawtooth:
        return &sawtooth;
    default:
        return nullptr;
    }
}

} // namespace wt
