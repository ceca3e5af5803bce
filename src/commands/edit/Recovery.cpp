#include "commands/edit/Recovery.h"

#include "commands/edit/HistoryCommands.h"
#include "commands/edit/HistoryTexts.h"
#include "commands/file/FileCommands.h"
#include "commands/file/SoundFileSupport.h"
#include "editor/App.h"
#include "editor/DocumentUi.h"
#include "util/Format.h"

#include <algorithm>
#include <ctime>
#include <utility>

namespace wt {

namespace {

void FillList(DialogHost& dlg, const std::vector<RecoverableJournal>& journals) {
    dlg.ListReset(kIdRecoveryList);
    for (const auto& journal : journals) {
        dlg.ListAdd(kIdRecoveryList, RecoveryRowText(journal));
    }
    dlg.ListSetCurSel(kIdRecoveryList, journals.empty() ? -1 : 0);
    dlg.EnableItem(kIdRecover, !journals.empty());
    dlg.EnableItem(kIdDiscard, !journals.empty());
}

} // namespace

std::vector<RecoverableJournal> FindRecoverableWork(App& app) {
    std::vector<std::string> refused;
    std::vector<RecoverableJournal> journals = ListJournals(DefaultRecoveryFolder(), refused);
    for (const std::string& reason : refused) {
        app.host.MessageBox(Owner::MainWindow, reason, historytext::kCaptionRecovery,
                            mb::Ok | mb::IconWarning);
    }
    return journals;
}

std::string RecoveryRowText(const RecoverableJournal& journal) {
    const auto t = static_cast<std::time_t>(journal.lastChange);
    std::tm local{};
    localtime_r(&t, &local);
    const std::string when =
        Format("%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
               local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return Format(historytext::kRecoveryRow, journal.title.c_str(), when.c_str(),
                  FormatSeconds(journal.format, journal.length).c_str(),
                  FormatStatusText(journal.format).c_str());
}

bool RestoreRecoveredWork(App& app, const RecoverableJournal& journal) {
    RestoredSound restored;
    std::string error;
    if (!RestoreJournal(journal.path, restored, error)) {
        app.host.MessageBox(Owner::MainWindow, Format(historytext::kCannotRestore, error.c_str()),
                            historytext::kCaptionRecovery, mb::Ok | mb::IconWarning);
        return false;
    }
    // As Open does: the present sound goes to the undo snapshot whole, with its name, and the
    // history records the restored sound as a step of its own.
    const StepIdentity& identity = restored.state.identity;
    const ChangeWatch watch =
        WatchChanges(app, Format(historytext::kStepRestored, identity.title.c_str()));
    SoundDocument& doc = app.doc;
    MoveSoundToSnapshot(doc, app.undo, true);
    doc.title = identity.title;
    doc.fileType = identity.fileType;
    doc.imported = identity.imported;
    doc.sourceFormat = identity.sourceFormat;
    restored.sound.tags = identity.tags;
    InstallLoadedSound(app, restored.sound);
    // Positions read from a file are kept inside the sound, whatever the file says.
    const StepPositions& at = restored.state.positions;
    const auto inside = [&doc](std::int32_t offset) {
        const std::int32_t align = std::max<std::int32_t>(1, doc.format.blockAlign);
        const std::int32_t kept = std::clamp(offset, 0, doc.byteLength);
        return kept - kept % align;
    };
    ApplyPositions(doc, {inside(at.selStart), inside(std::max(at.selStart, at.selEnd)),
                         inside(at.cursor), inside(at.anchor)});
    // Unsaved work: the file it came from was never written.
    doc.modified = true;
    UpdateTitle(app);
    ShowSelectionStatus(app);
    NoteChanges(app, watch, Format(historytext::kStepRestored, identity.title.c_str()));
    if (app.journal.Started()) {
        // The old journal goes once this session's own holds the sound (OnHistoryTimer).
        app.historyWatch.restoredJournal = journal.path;
        app.historyWatch.restoredTicket = app.journal.RequestSync();
    } else {
        DiscardJournal(journal.path);
    }
    if (restored.sourceNewer) {
        app.host.MessageBox(Owner::MainWindow,
                            Format(historytext::kSourceNewer, identity.title.c_str()),
                            historytext::kCaptionRecovery, mb::Ok | mb::IconInformation);
    }
    return true;
}

LParam RecoveryDlgProc(RecoveryChoice& choice, DialogHost& dlg, unsigned message, WParam wParam) {
    switch (message) {
    case msg::InitDialog:
        FillList(dlg, *choice.journals);
        return 1;
    case msg::Command: {
        const int id = static_cast<int>(LowWord(wParam));
        const int row = dlg.ListGetCurSel(kIdRecoveryList);
        auto& journals = *choice.journals;
        const bool chosen = row >= 0 && row < static_cast<int>(journals.size());
        if (id == kIdRecover && chosen) {
            choice.chosen = row;
            dlg.EndDialog(1);
            return 1;
        }
        if (id == kIdDiscard && chosen) {
            DiscardJournal(journals[static_cast<std::size_t>(row)].path);
            journals.erase(journals.begin() + row);
            FillList(dlg, journals);
            if (journals.empty()) {
                dlg.EndDialog(0);
            }
            return 1;
        }
        if (id == IdCancel) {
            dlg.EndDialog(0);
            return 1;
        }
        return 0;
    }
    case msg::Close:
        dlg.EndDialog(0);
        return 1;
    default:
        return 0;
    }
}

void OfferRecovery(App& app) {
    std::vector<RecoverableJournal> journals = FindRecoverableWork(app);
    if (journals.empty()) {
        return;
    }
    RecoveryChoice choice{&journals, -1};
    const auto proc = [&choice](DialogHost& dlg, unsigned message, WParam wParam, LParam) {
        return RecoveryDlgProc(choice, dlg, message, wParam);
    };
    if (app.host.DialogBox(kDialogRecovery, Owner::MainWindow, proc, 0) != 1 || choice.chosen < 0) {
        return;
    }
    if (ConfirmDiscardChanges(app) == 1) {
        RestoreRecoveredWork(app, journals[static_cast<std::size_t>(choice.chosen)]);
    }
}

} // namespace wt
