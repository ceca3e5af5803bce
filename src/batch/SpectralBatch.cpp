#include "batch/SpectralBatch.h"

#include "commands/edit/HistoryCommands.h"
#include "commands/edit/HistoryTexts.h"
#include "commands/effects/SpectralEffects.h"
#include "commands/effects/SpectralTexts.h"
#include "editor/App.h"

namespace wt {

namespace {
bool RunHidden(BatchContext& context, const std::vector<std::string>& args, std::string& error,
               int (*command)(App&), const char* usage, const char* stepText) {
    if (!args.empty()) {
        error = usage;
        return false;
    }
    if (context.app.busy) {
        error = "the editor is busy";
        return false;
    }
    // As the key does in the window: the change becomes a step of the edit history.
    const ChangeWatch watch = WatchChanges(context.app, stepText);
    const int result = command(context.app);
    NoteChanges(context.app, watch, stepText);
    if (result != 1) {
        error = "the command did not succeed";
        return false;
    }
    return true;
}
} // namespace

bool BatchVocoder(BatchContext& context, const std::vector<std::string>& args, std::string& error) {
    return RunHidden(context, args, error, CmdVocoder, "usage: vocoder (it takes no values)",
                     kCaptionVocoder);
}

bool BatchSpectralHighPass(BatchContext& context, const std::vector<std::string>& args,
                           std::string& error) {
    return RunHidden(context, args, error, CmdSpectralHighPass,
                     "usage: spectral_high_pass (it takes no values)", historytext::kStepHighPass);
}

} // namespace wt
