#include "resources/Dialogs.h"

#include "commands/effects/DelayEffects.h"
#include "commands/effects/DynamicsEffects.h"
#include "commands/effects/EnvelopeEditor.h"
#include "commands/effects/LevelEffects.h"
#include "commands/effects/ModulationEffects.h"
#include "commands/effects/PitchEffects.h"
#include "commands/effects/SpectralEffects.h"
#include "commands/generators/Generators.h"
#include "commands/generators/MelodyPaste.h"
#include "editor/Preview.h"

#include <algorithm>
#include <map>

namespace wt {

namespace {

// The parameter dialogs of the effects and generators: each gets the 試聴 button.
constexpr int kPreviewDialogs[] = {
    kDialogVolume,      kDialogCompressor,     kDialogNoiseGate,    kDialogDistortion,
    kDialogEcho,        kDialogReverb,         kDialogFlanger,      kDialogTremolo,
    kDialogVibrato,     kDialogVolumeEnvelope, kDialogPanEnvelope,  kDialogPitchEnvelope,
    kDialogEqualizer,   kDialogParametricEq,   kDialogNoiseRemoval, kDialogPitch,
    kDialogTimeStretch, kDialogTranspose,      kDialogNoise,        kDialogTone,
    kDialogSilence,     kDialogMelody,
};

bool Overlaps(const ControlTemplate& a, int x, int y, int width, int height) {
    return a.x < x + width && x < a.x + a.width && a.y < y + height && y < a.y + a.height;
}

// Puts the 試聴 button at the left of the dialog's OK button when that room is free, otherwise
// in a strip added under everything, so that no control of the dialog moves.
void AddPreviewButton(DialogTemplate& t) {
    constexpr int kWidth = 50, kHeight = 14, kMargin = 7;
    const ControlTemplate* ok = t.Find(IdOk);
    int y = ok ? ok->y : t.height;
    const auto free = [&t](int x, int top) {
        return std::none_of(t.controls.begin(), t.controls.end(), [&](const ControlTemplate& c) {
            return Overlaps(c, x - 2, top - 2, kWidth + 4, kHeight + 4);
        });
    };
    if (!ok || !free(kMargin, y)) {
        y = t.height;
        t.height += kHeight + kMargin;
    }
    t.controls.push_back(
        {kIdPreviewButton, ControlKind::PushButton, kTextPreview, kMargin, y, kWidth, kHeight});
}

} // namespace

const DialogTemplate* FindDialogTemplate(int id) {
    static const std::map<int, DialogTemplate> all = [] {
        std::map<int, DialogTemplate> byId;
        for (auto list :
             {AppDialogTemplates, FileDialogTemplates, ViewDialogTemplates, EffectDialogTemplates,
              DynamicsDialogTemplates, DelayDialogTemplates, ModulationDialogTemplates,
              AudioDialogTemplates, EnvelopeDialogTemplates, PitchDialogTemplates,
              SpectralDialogTemplates, GeneratorDialogTemplates, HistoryDialogTemplates}) {
            for (auto& t : list()) {
                byId.emplace(t.id, std::move(t));
            }
        }
        for (int id : kPreviewDialogs) {
            AddPreviewButton(byId.at(id));
        }
        return byId;
    }();
    auto it = all.find(id);
    return it == all.end() ? nullptr : &it->second;
}

} // namespace wt
