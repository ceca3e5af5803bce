#include "resources/Dialogs.h"

#include "commands/effects/EffectTexts.h"
#include "commands/effects/EnvelopeEditor.h"

namespace wt {

namespace {

// The drawing area (190 x 74 units, black), its three labels to the right of its top, middle
// and bottom, and OK and Cancel below it.
constexpr int kAreaX = 7, kAreaY = 7, kAreaWidth = 190, kAreaHeight = 74;
constexpr int kLabelX = kAreaX + kAreaWidth + 4, kLabelWidth = 28, kLabelHeight = 8;
constexpr int kButtonY = kAreaY + kAreaHeight + 7, kButtonWidth = 50, kButtonHeight = 14;

DialogTemplate EnvelopeTemplate(int id, const char* caption, const char* const (&labels)[3]) {
    DialogTemplate t;
    t.id = id;
    t.caption = caption;
    t.width = kLabelX + kLabelWidth + 7;
    t.height = kButtonY + kButtonHeight + 7;
    t.controls = {
        {kIdEnvelopeArea, ControlKind::OwnerDraw, "", kAreaX, kAreaY, kAreaWidth, kAreaHeight},
        {-1, ControlKind::Static, labels[0], kLabelX, kAreaY, kLabelWidth, kLabelHeight},
        {-1, ControlKind::Static, labels[1], kLabelX, kAreaY + (kAreaHeight - kLabelHeight) / 2,
         kLabelWidth, kLabelHeight},
        {-1, ControlKind::Static, labels[2], kLabelX, kAreaY + kAreaHeight - kLabelHeight,
         kLabelWidth, kLabelHeight},
        {IdOk, ControlKind::DefPushButton, "OK", kAreaX + kAreaWidth - 2 * kButtonWidth - 6,
         kButtonY, kButtonWidth, kButtonHeight},
        {IdCancel, ControlKind::PushButton, "ｷｬﾝｾﾙ", kAreaX + kAreaWidth - kButtonWidth, kButtonY,
         kButtonWidth, kButtonHeight},
    };
    return t;
}

} // namespace

std::vector<DialogTemplate> EnvelopeDialogTemplates() {
    return {
        EnvelopeTemplate(kDialogVolumeEnvelope, kCaptionVolumeEnvelopeDialog,
                         kTextVolumeEnvelopeLabels),
        EnvelopeTemplate(kDialogPanEnvelope, kCaptionPanEnvelopeDialog, kTextPanEnvelopeLabels),
        EnvelopeTemplate(kDialogPitchEnvelope, kCaptionPitchEnvelopeDialog,
                         kTextPitchEnvelopeLabels),
    };
}

} // namespace wt
