#include "resources/Dialogs.h"

#include "commands/effects/SpectralEffects.h"
#include "commands/effects/SpectralTexts.h"
#include "dsp/SpectralFilters.h"

namespace wt {

namespace {

constexpr const char* kTextOk = "OK";
constexpr const char* kTextCancel = "ｷｬﾝｾﾙ";

// Dialog 112: nine vertical sliders with their band captions below and the scale on the
// left; OK, Cancel and reset on the right above the preset buttons.
DialogTemplate EqualizerTemplate() {
    DialogTemplate t;
    t.id = kDialogEqualizer;
    t.caption = kCaptionEqualizerDialog;
    t.width = 300;
    t.height = 140;
    constexpr int kSliderTop = 10, kSliderHeight = 96, kBandWidth = 22;
    t.controls.push_back(
        {kIdEqScaleTop, ControlKind::Static, kTextEqPlus18, 4, kSliderTop + 2, 26, 8});
    t.controls.push_back({kIdEqScaleMiddle, ControlKind::Static, kTextEqZero, 4,
                          kSliderTop + kSliderHeight / 2 - 4, 26, 8});
    t.controls.push_back({kIdEqScaleBottom, ControlKind::Static, kTextEqMinus18, 4,
                          kSliderTop + kSliderHeight - 10, 26, 8});
    for (int b = 0; b < kEqBandCount; ++b) {
        const int x = 32 + kBandWidth * b;
        t.controls.push_back(
            {kIdEqFirstBar + b, ControlKind::VTrackBar, "", x, kSliderTop, 18, kSliderHeight});
        t.controls.push_back({-1, ControlKind::Static, kTextEqBands[b], x - 2,
                              kSliderTop + kSliderHeight + 2, 22, 8});
    }
    t.controls.push_back({IdOk, ControlKind::DefPushButton, kTextOk, 238, 10, 54, 14});
    t.controls.push_back({IdCancel, ControlKind::PushButton, kTextCancel, 238, 28, 54, 14});
    t.controls.push_back({kIdEqReset, ControlKind::PushButton, kTextEqReset, 238, 46, 54, 14});
    t.controls.push_back({-1, ControlKind::GroupBox, kTextEqPresets, 234, 66, 62, 68});
    for (int p = 0; p < kEqPresetCount; ++p) {
        const std::string number = std::to_string(p + 1);
        t.controls.push_back({kIdEqFirstPreset + p, ControlKind::PushButton, number,
                              240 + 26 * (p % 2), 78 + 14 * (p / 2), 24, 12});
    }
    t.controls.push_back(
        {kIdEqRegister, ControlKind::PushButton, kTextEqRegister, 240, 120, 50, 12});
    return t;
}

// Dialog 12: the preset number to store into; buttons 5 .. 10 stand for presets 1 .. 6.
DialogTemplate EqPresetTemplate() {
    DialogTemplate t;
    t.id = kDialogEqPreset;
    t.caption = kCaptionEqPresetDialog;
    t.width = 184;
    t.height = 46;
    t.controls.push_back({-1, ControlKind::Static, kTextEqPresetQuestion, 8, 8, 168, 8});
    for (int p = 0; p < kEqPresetCount; ++p) {
        t.controls.push_back({kIdEqPresetFirstButton + p, ControlKind::PushButton,
                              std::to_string(p + 1), 8 + 20 * p, 22, 18, 14});
    }
    t.controls.push_back({IdCancel, ControlKind::PushButton, kTextCancel, 130, 22, 46, 14});
    return t;
}

// A caption, a horizontal scroll bar, its edit field and a unit on one row.
void AddScrollRow(DialogTemplate& t, int x, int y, const char* label, int bar, const char* unit) {
    t.controls.push_back({-1, ControlKind::Static, label, x, y + 2, 30, 8});
    t.controls.push_back({bar, ControlKind::HScrollBar, "", x + 32, y, 100, 11});
    t.controls.push_back({bar + 1, ControlKind::Edit, "", x + 136, y - 1, 34, 13});
    t.controls.push_back({-1, ControlKind::Static, unit, x + 174, y + 2, 32, 8});
}

// Dialog 13: three modules, one group box each.
DialogTemplate ParametricEqTemplate() {
    DialogTemplate t;
    t.id = kDialogParametricEq;
    t.caption = kCaptionParametricEqDialog;
    t.width = 232;
    constexpr int kGroupHeight = 68;
    for (int m = 0; m < 3; ++m) {
        const int y = 4 + (kGroupHeight + 4) * m;
        const int base = kIdModuleBase + kIdModuleStride * m;
        t.controls.push_back({-1, ControlKind::GroupBox, kTextModules[m], 6, y, 220, kGroupHeight});
        t.controls.push_back({base, ControlKind::CheckBox, kTextModuleUse, 14, y + 11, 80, 10});
        AddScrollRow(t, 14, y + 24, kTextFrequency, base + 1, kTextUnitHz);
        AddScrollRow(t, 14, y + 38, kTextLevel, base + 3, kTextUnitDb);
        AddScrollRow(t, 14, y + 52, kTextBandwidth, base + 5, kTextUnitTwelfths);
    }
    const int buttons = 4 + (kGroupHeight + 4) * 3 + 2;
    t.controls.push_back({IdOk, ControlKind::DefPushButton, kTextOk, 116, buttons, 50, 14});
    t.controls.push_back({IdCancel, ControlKind::PushButton, kTextCancel, 172, buttons, 50, 14});
    t.height = buttons + 14 + 7;
    return t;
}

// Dialog 8: the smoothing strength and the median half-width.
DialogTemplate NoiseRemovalTemplate() {
    DialogTemplate t;
    t.id = kDialogNoiseRemoval;
    t.caption = kCaptionNoiseRemovalDialog;
    t.width = 216;
    const struct {
        const char* label;
        int bar;
        int y;
    } rows[] = {{kTextRandomNoise, kIdRandomNoiseBar, 8},
                {kTextImpulseNoise, kIdImpulseNoiseBar, 26}};
    for (const auto& row : rows) {
        t.controls.push_back({-1, ControlKind::Static, row.label, 7, row.y + 2, 60, 8});
        t.controls.push_back({row.bar, ControlKind::HScrollBar, "", 70, row.y, 100, 11});
        t.controls.push_back({row.bar + 1, ControlKind::Edit, "", 174, row.y - 1, 34, 13});
    }
    t.controls.push_back({IdOk, ControlKind::DefPushButton, kTextOk, 100, 48, 50, 14});
    t.controls.push_back({IdCancel, ControlKind::PushButton, kTextCancel, 156, 48, 50, 14});
    t.height = 48 + 14 + 7;
    return t;
}

} // namespace

std::vector<DialogTemplate> SpectralDialogTemplates() {
    return {EqualizerTemplate(), EqPresetTemplate(), ParametricEqTemplate(),
            NoiseRemovalTemplate()};
}

} // namespace wt
