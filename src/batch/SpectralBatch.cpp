#include "batch/SpectralBatch.h"

#include "commands/effects/SpectralEffects.h"
#include "editor/App.h"

namespace wt {

namespace {
bool RunHidden(BatchContext& context, const std::vector<std::string>& args, std::string& error,
               int (*command)(App&), const char* usage) {
    if (!args.empty()) {
        error = usage;
        return false;
    }
    if (context.app.busy) {
        error = "the editor is busy";
        return false;
    }
    if (command(context.app) != 1) {
        error = "the command did not succeed";
        return false;
    }
    return true;
}
} // namespace

bool BatchVocoder(BatchContext& context, const std::vector<std::string>& args, std::string& error) {
    return RunHidden(context, args, error, CmdVocoder, "usage: vocoder (it takes no values)");
}

bool BatchSpectralHighPass(BatchContext& context, const std::vector<std::string>& args,
                           std::string& error) {
    return RunHidden(context, args, error, CmdSpectralHighPass,
                     "usage: spectral_high_pass (it takes no values)");
}

} // namespace wt
