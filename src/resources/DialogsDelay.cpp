#include "resources/Dialogs.h"

#include "commands/effects/DelayEffects.h"
#include "commands/effects/DelayTexts.h"
#include "resources/EffectDialogLayout.h"

namespace wt {

std::vector<DialogTemplate> DelayDialogTemplates() {
    return {
        EffectDialogLayout(kDialogEcho, kCaptionEchoDialog)
            .ScrollRow(kTextDelayTimeLabel, kIdDelayTimeBar, kIdDelayTimeEdit,
                       kTextDelayMilliseconds)
            .ScrollRow(kTextEchoLevelLabel, kIdEchoLevelBar, kIdEchoLevelEdit)
            .ScrollRow(kTextFeedbackLabel, kIdFeedbackBar, kIdFeedbackEdit)
            .Finish(),
        EffectDialogLayout(kDialogReverb, kCaptionReverbDialog)
            .ScrollRow(kTextReverbTimeLabel, kIdReverbTimeBar, kIdReverbTimeEdit,
                       kTextDelayMilliseconds)
            .ScrollRow(kTextReverbLevelLabel, kIdReverbLevelBar, kIdReverbLevelEdit)
            .ScrollRow(kTextDryLevelLabel, kIdDryLevelBar, kIdDryLevelEdit)
            .Finish(),
        EffectDialogLayout(kDialogFlanger, kCaptionFlangerDialog)
            .ScrollRow(kTextFlangerLevelLabel, kIdFlangerLevelBar, kIdFlangerLevelEdit)
            .ScrollRow(kTextFlangerDepthLabel, kIdFlangerDepthBar, kIdFlangerDepthEdit)
            .ScrollRow(kTextFlangerRateLabel, kIdFlangerRateBar, kIdFlangerRateEdit,
                       kTextTenthsOfHertz)
            .CheckRow(kTextStereoFlange, kIdStereoFlange)
            .Finish(),
    };
}

} // namespace wt
