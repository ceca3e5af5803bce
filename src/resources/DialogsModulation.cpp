#include "resources/Dialogs.h"

#include "commands/effects/ModulationEffects.h"
#include "commands/effects/ModulationTexts.h"
#include "resources/EffectDialogLayout.h"

namespace wt {

std::vector<DialogTemplate> ModulationDialogTemplates() {
    return {
        EffectDialogLayout(kDialogTremolo, kCaptionTremoloDialog)
            .ScrollRow(kTextTremoloLevelLabel, kIdTremoloLevelBar, kIdTremoloLevelEdit)
            .ScrollRow(kTextTremoloRateLabel, kIdTremoloRateBar, kIdTremoloRateEdit,
                       kTextTremoloRateUnit)
            .CheckRow(kTextStereoAutoPan, kIdAutoPan)
            .Finish(),
        EffectDialogLayout(kDialogVibrato, kCaptionVibratoDialog)
            .ScrollRow(kTextVibratoDepthLabel, kIdVibratoDepthBar, kIdVibratoDepthEdit)
            .ScrollRow(kTextVibratoRateLabel, kIdVibratoRateBar, kIdVibratoRateEdit,
                       kTextVibratoRateUnit)
            .ScrollRow(kTextOnsetLabel, kIdOnsetBar, kIdOnsetEdit, kTextOnsetUnit)
            .Finish(),
    };
}

} // namespace wt
