#include "resources/Dialogs.h"

#include <map>

namespace wt {

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
        return byId;
    }();
    auto it = all.find(id);
    return it == all.end() ? nullptr : &it->second;
}

} // namespace wt
