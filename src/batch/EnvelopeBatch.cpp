#include "batch/EnvelopeBatch.h"

#include "commands/effects/EnvelopeEditor.h"
#include "editor/App.h"
#include "editor/CommandIds.h"
#include "hosts/scripted/ScriptedDialog.h"
#include "util/ParseNumber.h"

#include <climits>
#include <ostream>

namespace wt {

namespace {

struct EnvelopeCommand {
    const char* name;
    int id;
    EnvelopePoints EnvelopeParams::*points;
};

constexpr EnvelopeCommand kCommands[] = {
    {"envelope", IDM_ENVELOPE, &EnvelopeParams::volume},
    {"pan_envelope", IDM_PAN_ENVELOPE, &EnvelopeParams::pan},
    {"pitch_envelope", IDM_PITCH_ENVELOPE, &EnvelopeParams::pitch},
};

constexpr const char* kTextDialogLines =
    "the envelope dialog is open: expected mouse down|move|up X Y, points, ok or cancel";

// One line addressed to the open dialog.
bool RunDialogLine(BatchContext& c, ScriptedDialog& dialog, const EnvelopePoints& points,
                   const std::vector<std::string>& words, std::string& error) {
    if (words[0] == "mouse" && words.size() == 4) {
        static const std::pair<const char*, unsigned> actions[] = {
            {"down", msg::LButtonDown}, {"move", msg::MouseMove}, {"up", msg::LButtonUp}};
        long long x = 0, y = 0;
        for (const auto& [word, message] : actions) {
            if (words[1] == word && ParseInteger(words[2], INT_MIN, INT_MAX, x) &&
                ParseInteger(words[3], INT_MIN, INT_MAX, y)) {
                return dialog.Mouse(kIdEnvelopeArea, message, static_cast<int>(x),
                                    static_cast<int>(y), error);
            }
        }
        error = "usage: mouse down|move|up X Y (whole numbers of pixels)";
        return false;
    }
    if (words.size() == 1 && words[0] == "points") {
        c.out << "points: " << FormatEnvelopePoints(points) << "\n";
        return true;
    }
    if (words.size() == 1 && (words[0] == "ok" || words[0] == "cancel")) {
        dialog.Press(words[0] == "ok" ? IdOk : IdCancel);
        return true;
    }
    error = kTextDialogLines;
    return false;
}

} // namespace

bool BatchEnvelopeDialog(BatchContext& c, const std::vector<std::string>& args,
                         std::string& error) {
    const EnvelopeCommand* command = &kCommands[0];
    std::vector<std::string> values = args;
    for (const EnvelopeCommand& candidate : kCommands) {
        if (!args.empty() && args[0] == candidate.name) {
            command = &candidate;
            values.erase(values.begin());
        }
    }
    const EnvelopePoints& points = c.app.effects.envelopes.*(command->points);
    auto interact = [&c, &points](ScriptedDialog& dialog, std::string& e) {
        std::string line, origin;
        while (!dialog.Ended()) {
            if (!c.nextLine || !c.nextLine(line, origin)) {
                e = "the envelope dialog is still open at the end of the input: end it with ok "
                    "or cancel";
                return false;
            }
            const std::vector<std::string> words = SplitBatchLine(line);
            if (words.empty() || words[0][0] == '#') {
                continue;
            }
            std::string lineError;
            if (!RunDialogLine(c, dialog, points, words, lineError)) {
                e = "at " + origin + ": " + line + ": " + lineError;
                return false;
            }
        }
        return true;
    };
    return RunBatchCommand(c, command->id, values, error, interact);
}

} // namespace wt
