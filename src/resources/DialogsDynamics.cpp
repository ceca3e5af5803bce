#include "resources/Dialogs.h"

#include "commands/effects/DynamicsEffects.h"
#include "commands/effects/DynamicsTexts.h"
#include "resources/EffectDialogLayout.h"

namespace wt {

std::vector<DialogTemplate> DynamicsDialogTemplates() {
    return {
        EffectDialogLayout(kDialogCompressor, kCaptionCompressorDialog)
            .ScrollRow(kTextOutputLevelLabel, kIdOutputLevelBar, kIdOutputLevelEdit)
            .ScrollRow(kTextRatioLabel, kIdRatioBar, kIdRatioEdit)
            .Finish(),
        EffectDialogLayout(kDialogNoiseGate, kCaptionNoiseGateDialog)
            .ScrollRow(kTextGateLevelLabel, kIdGateLevelBar, kIdGateLevelEdit)
            .ScrollRow(kTextAttackLabel, kIdAttackBar, kIdAttackEdit, kTextMilliseconds)
            .ScrollRow(kTextReleaseLabel, kIdReleaseBar, kIdReleaseEdit, kTextMilliseconds)
            .Finish(),
        EffectDialogLayout(kDialogDistortion, kCaptionDistortionDialog)
            .ScrollRow(kTextDistortionDepthLabel, kIdDistortionDepthBar, kIdDistortionDepthEdit)
            .RadioGroup(kTextModeGroup, kIdDistortionModeGroup, kIdFuzz, kTextFuzz, kIdOverdrive,
                        kTextOverdrive)
            .Finish(),
    };
}

} // namespace wt
