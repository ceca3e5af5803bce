#include "batch/HistoryBatch.h"

#include "commands/edit/HistoryCommands.h"
#include "commands/edit/Recovery.h"
#include "commands/file/FileCommands.h"
#include "editor/App.h"
#include "util/ParseNumber.h"

#include <ostream>

namespace wt {

namespace {

const char* PlaceWord(StepPlace place) {
    switch (place) {
    case StepPlace::Disk:
        return "disk";
    case StepPlace::Dropped:
        return "dropped";
    default:
        return "memory";
    }
}

// A whole number from 1 (or 0 when `fromZero`) up to `count - 1` or `count`.
bool ParseIndex(const std::string& text, long long low, long long high, long long& value) {
    return !text.empty() && text[0] >= '0' && text[0] <= '9' &&
           ParseInteger(text, low, high, value);
}

} // namespace

bool BatchHistory(BatchContext& c, const std::vector<std::string>& args, std::string& error) {
    App& app = c.app;
    if (args.size() == 1 && args[0] == "on") {
        EnableHistory(app);
        return true;
    }
    if (args.size() == 1 && args[0] == "off") {
        EndHistory(app);
        return true;
    }
    if (!args.empty()) {
        error = "usage: history [on|off]";
        return false;
    }
    const EditHistory& history = app.history;
    if (!history.Enabled()) {
        error = "the history is off: put \"history on\" before the lines it should keep";
        return false;
    }
    for (int step = 0; step < history.Count(); ++step) {
        const StepListing row = history.Listing(step);
        c.out << "history: " << step << " \"" << row.text << "\" " << row.format.sampleRate << '/'
              << row.format.bitsPerSample << '/' << row.format.channels << ' ' << row.length << ' '
              << PlaceWord(row.place) << '\n';
    }
    c.out << "history current: " << history.Current() << '\n';
    return true;
}

bool BatchHistoryGo(BatchContext& c, const std::vector<std::string>& args, std::string& error) {
    const EditHistory& history = c.app.history;
    long long step = 0;
    if (args.size() != 1 || !history.Enabled() ||
        !ParseIndex(args[0], history.FirstStep(), history.Count() - 1, step)) {
        error = history.Enabled() ? "usage: history_go N (a step that \"history\" lists, from " +
                                        std::to_string(history.FirstStep()) + ")"
                                  : "the history is off: put \"history on\" first";
        return false;
    }
    if (!GoToStep(c.app, static_cast<int>(step))) {
        error = "cannot go to step " + args[0];
        return false;
    }
    return true;
}

bool BatchJournal(BatchContext& c, const std::vector<std::string>& args, std::string& error) {
    if (args.size() != 1 || args[0] != "on") {
        error = "usage: journal on";
        return false;
    }
    std::string why;
    if (!EnableJournal(c.app, DefaultRecoveryFolder(), why)) {
        error = "cannot keep a journal: " + why;
        return false;
    }
    return true;
}

bool BatchRecover(BatchContext& c, const std::vector<std::string>& args, std::string& error) {
    const bool list = args.size() == 1 && args[0] == "list";
    const bool restore = args.size() == 2 && args[0] == "restore";
    const bool discard = args.size() == 2 && args[0] == "discard";
    if (!list && !restore && !discard) {
        error = "usage: recover list|restore N|discard N";
        return false;
    }
    const std::vector<RecoverableJournal> journals = FindRecoverableWork(c.app);
    if (list) {
        for (std::size_t i = 0; i < journals.size(); ++i) {
            c.out << "recover: " << i + 1 << ' ' << RecoveryRowText(journals[i])
                  << (journals[i].sourceNewer ? " newer" : "") << '\n';
        }
        return true;
    }
    long long n = 0;
    if (!ParseIndex(args[1], 1, static_cast<long long>(journals.size()), n)) {
        error = journals.empty() ? "no work to recover"
                                 : "usage: recover " + args[0] + " N (1.." +
                                       std::to_string(journals.size()) + ")";
        return false;
    }
    const RecoverableJournal& journal = journals[static_cast<std::size_t>(n - 1)];
    if (discard) {
        if (!DiscardJournal(journal.path)) {
            error = "cannot discard " + journal.path;
            return false;
        }
        return true;
    }
    if (ConfirmDiscardChanges(c.app) != 1) {
        error = "the unsaved changes were kept: nothing recovered";
        return false;
    }
    if (!RestoreRecoveredWork(c.app, journal)) {
        error = "cannot recover " + journal.path;
        return false;
    }
    return true;
}

} // namespace wt
