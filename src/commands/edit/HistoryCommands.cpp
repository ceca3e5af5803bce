#include "commands/edit/HistoryCommands.h"

#include "commands/edit/HistoryTexts.h"
#include "editor/App.h"
#include "editor/CommandIds.h"
#include "editor/DocumentUi.h"
#include "platform/WaveDevices.h"
#include "util/Format.h"
#include "view/SpectrogramView.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <utility>

namespace wt {

namespace {

constexpr int kEditPopupIndex = 1;
constexpr int kSettingsPopupIndex = 5;
// A recording in progress is handed to the journal in pieces of at least this many
// milliseconds of sound, so that a tick of the timer never copies less than it is worth.
constexpr std::int64_t kRecordingPieceMs = 250;

std::int64_t Now() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

std::string BaseName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a sound came from, for the journal to notice when it changes on disk.
std::string SourcePathOf(const StepIdentity& identity) {
    return identity.fileType != 0 || identity.imported ? identity.title : std::string();
}

// Starts the journal anew from the sound as it is now: for a state the journal cannot rebuild
// from its base. The copy is the one price of it; without memory for it the journal keeps
// what it had.
void JournalWholeSound(App& app) {
    const SoundDocument& doc = app.doc;
    SharedBytes sound =
        app.journal.Borrow(std::as_const(doc).Data(), static_cast<std::size_t>(doc.byteLength));
    if (sound.block) {
        app.journal.Base(app.history.Current(), StateOf(doc), std::move(sound),
                         SourcePathOf(IdentityOf(doc)));
    }
}

// Hands a recorded step to the journal. The first unsaved change since the sound was opened or
// saved starts the journal file with the sound before it: the block the step took when the
// change was whole, or else the undo snapshot's copy, which the journal takes over.
void JournalChange(App& app, StepChange& change, const StepState& before,
                   std::int32_t beforeLength) {
    Journal& journal = app.journal;
    if (!app.doc.modified) {
        // Opened or new: what the window shows is what is on disk.
        journal.Clean();
        return;
    }
    if (!journal.HasBase()) {
        const bool whole = change.range.prefix == 0 && change.range.oldLength == beforeLength;
        if (whole) {
            journal.Base(change.step, change.after, change.newMiddle,
                         SourcePathOf(change.after.identity));
            return;
        }
        SharedBytes base = change.before;
        if (!base.block) {
            base = AdoptShared(std::move(app.undo.data), static_cast<std::size_t>(beforeLength));
            app.history.ForgetSnapshot();
        }
        StepState baseState = before;
        baseState.modified = false;
        journal.Base(change.step - 1, baseState, std::move(base), SourcePathOf(before.identity));
    }
    journal.Step(change);
}

// True when the document is still what the undo snapshot holds: the same format, name and
// bytes.
bool SameAsSnapshot(const App& app) {
    const SoundDocument& doc = app.doc;
    const UndoSnapshot& undo = app.undo;
    return doc.format == undo.format && doc.byteLength == undo.length &&
           (!undo.holdsFile ||
            IdentityOf(doc) == StepIdentity{undo.title, undo.fileType, undo.imported,
                                            undo.sourceFormat, undo.tags}) &&
           (doc.byteLength == 0 ||
            std::memcmp(std::as_const(doc).Data(), std::as_const(undo.data).Data(),
                        static_cast<std::size_t>(doc.byteLength)) == 0);
}

// Deletes the journal a restore came from once this session's own has synced the sound.
void DiscardRestoredJournal(App& app) {
    HistoryWatch& watch = app.historyWatch;
    if (!watch.restoredJournal.empty() && app.journal.SyncDone(watch.restoredTicket)) {
        DiscardJournal(watch.restoredJournal);
        watch.restoredJournal.clear();
    }
}

// Records the change the last snapshot began, when there is one the history has not seen.
// `midCommand`: a command takes the snapshot a second time (the reverb runs the DC removal as
// a command of its own), so what it did so far is a change of its own, made by a command that
// has not yet set the modified mark; a snapshot it took without changing anything is no step.
void RecordPending(App& app, bool midCommand = false) {
    UndoSnapshot& undo = app.undo;
    HistoryWatch& watch = app.historyWatch;
    const bool pending = undo.taken != watch.seenTakes;
    watch.seenTakes = undo.taken;
    EditHistory& history = app.history;
    if (!pending || !history.Enabled()) {
        return;
    }
    if (undo.swapped != undo.swappedAtTake) {
        // The command put the sound back from the snapshot (it failed): no change, and the
        // snapshot holds no step's state any more.
        history.ForgetSnapshot();
        return;
    }
    const bool restoreModified = midCommand && !app.doc.modified;
    if (midCommand) {
        if (SameAsSnapshot(app)) {
            return;
        }
        app.doc.modified = true;
    }
    const bool journaling = app.journal.Started();
    const StepState before = history.State(history.Current());
    const std::int32_t beforeLength = undo.length;
    StepChange change;
    // The journal's copy of the new bytes is made off the window's thread; a command that goes
    // on changing the sound after this (a second snapshot) needs its copy now.
    change.leaveNewMiddle = !midCommand;
    const std::string text = watch.stepText.empty() ? historytext::kStepStart : watch.stepText;
    const bool recorded =
        history.Record(text, Now(), undo, app.doc, undo.holdsFile, journaling ? &change : nullptr);
    if (restoreModified) {
        app.doc.modified = false; // the command sets it when it ends
    }
    if (!recorded) {
        // The history started again from the sound as it is; so does the journal.
        if (journaling && app.doc.modified) {
            JournalWholeSound(app);
        }
        return;
    }
    if (journaling) {
        if (change.leaveNewMiddle) {
            const auto at = static_cast<std::size_t>(change.range.prefix);
            change.newMiddle = app.journal.Borrow(std::as_const(app.doc).Data() + at,
                                                  static_cast<std::size_t>(change.range.newLength));
        }
        JournalChange(app, change, before, beforeLength);
    }
}

// Before every snapshot, after which a command changes the sound: the journal's copies of the
// document's bytes must be done, and a change the command made before is recorded.
void RecordPendingHook(void* context) {
    App& app = *static_cast<App*>(context);
    app.journal.WaitForCopies();
    RecordPending(app, true);
}

// After the history moved the document: the window shows the new state and the journal
// follows it.
void AfterMove(App& app) {
    SoundDocument& doc = app.doc;
    doc.viewStart = std::min(doc.viewStart, doc.byteLength);
    UpdateTitle(app);
    ShowFormatStatus(app);
    ShowSelectionStatus(app);
    RedrawWave(app);
    if (app.journal.Started()) {
        if (!app.journal.HasBase()) {
            if (doc.modified) {
                JournalWholeSound(app);
            }
        } else if (!app.journal.GoTo(app.history.Current(), StateOf(doc))) {
            JournalWholeSound(app);
        }
    }
    UpdateUndoMenu(app);
}

// A menu text without its access key, shortcut and trailing dots: "エコー(&E)..." → "エコー".
std::string PlainMenuText(std::string text) {
    if (const auto tab = text.find('\t'); tab != std::string::npos) {
        text.erase(tab);
    }
    if (const auto key = text.find("(&"); key != std::string::npos) {
        const auto close = text.find(')', key);
        text.erase(key, close == std::string::npos ? std::string::npos : close - key + 1);
    }
    while (!text.empty() && text.back() == '.') {
        text.pop_back();
    }
    return text;
}

bool SameItems(const std::vector<MenuItem>& a, const std::vector<MenuItem>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].id != b[i].id || a[i].text != b[i].text || a[i].grayed != b[i].grayed) {
            return false;
        }
    }
    return true;
}

MenuItem Entry(int id, std::string text, bool grayed = false) {
    MenuItem item;
    item.id = id;
    item.text = std::move(text);
    item.grayed = grayed;
    return item;
}

std::string ClockText(std::int64_t time) {
    const auto t = static_cast<std::time_t>(time);
    std::tm local{};
    localtime_r(&t, &local);
    return Format("%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
}

} // namespace

ChangeWatch WatchChanges(App& app, const std::string& text) {
    app.historyWatch.stepText = text;
    return {app.undo.taken,
            app.undo.swapped,
            app.doc.modified,
            IdentityOf(app.doc),
            app.history.Enabled() ? app.history.Current() : 0,
            app.doc.sampleData.Revision(),
            app.history.Changes()};
}

namespace {

// What changed in the samples while the watch was on, when the history measured it as one
// change; the spectrogram keeps its levels outside it.
void NoteSampleChange(App& app, const ChangeWatch& watch) {
    const std::uint64_t now = app.doc.sampleData.Revision();
    if (now == watch.revision) {
        return;
    }
    SampleChange change;
    if (app.history.Enabled() && app.history.Changes() == watch.changes + 1) {
        const StepRange r = app.history.LastChange();
        change = {watch.revision, now, r.prefix, std::int64_t{r.prefix} + r.newLength,
                  r.oldLength != r.newLength};
    }
    app.sampleChange = change;
    // The levels follow now: the next command may change the sound before the next paint.
    SyncSpectrogram(app);
}

} // namespace

void NoteChanges(App& app, const ChangeWatch& watch, const std::string& text) {
    EditHistory& history = app.history;
    if (!history.Enabled()) {
        app.historyWatch.seenTakes = app.undo.taken;
        return;
    }
    app.historyWatch.stepText = text;
    RecordPending(app);
    NoteSampleChange(app, watch);
    app.historyWatch.stepText.clear();
    history.Poll();
    DiscardRestoredJournal(app);
    const bool took = app.undo.taken != watch.taken;
    const bool moved = history.Current() != watch.step;
    const SoundDocument& doc = app.doc;
    if (!took && !moved &&
        ((watch.modified && !doc.modified) || !(watch.identity == IdentityOf(doc)))) {
        // Saved, or saved under another name: this is the state on disk now.
        history.MarkSaved(IdentityOf(doc));
        if (app.journal.Started()) {
            app.journal.Clean();
        }
    }
    UpdateUndoMenu(app);
}

std::string StepTextOfCommand(const App& app, int id) {
    if (id == IDM_OPEN || (id >= IDM_RECENT1 && id <= IDM_RECENT6)) {
        return Format(historytext::kStepOpen, BaseName(app.doc.title).c_str());
    }
    if (const MenuItem* item = FindMenuItem(app.menus.normal, id)) {
        return PlainMenuText(item->text);
    }
    return historytext::kStepStart;
}

void ApplyHistoryBudget(App& app) {
    HistoryBudget budget = DefaultHistoryBudget();
    constexpr std::uint64_t kMiB = 1 << 20;
    if (app.settings.historyMemoryMiB > 0) {
        budget.memoryBytes = static_cast<std::uint64_t>(app.settings.historyMemoryMiB) * kMiB;
    }
    if (app.settings.historyDiskMiB > 0) {
        budget.diskBytes = static_cast<std::uint64_t>(app.settings.historyDiskMiB) * kMiB;
    }
    app.history.SetBudget(budget);
}

void EnableHistory(App& app) {
    if (app.history.Enabled()) {
        return;
    }
    ApplyHistoryBudget(app);
    app.history.Enable(app.doc, historytext::kStepStart, Now());
    app.historyWatch.seenTakes = app.undo.taken;
    app.undo.beforeTake = RecordPendingHook;
    app.undo.beforeTakeContext = &app;
    UpdateUndoMenu(app);
}

bool EnableJournal(App& app, const std::string& folder, std::string& error) {
    EnableHistory(app);
    if (app.journal.Started()) {
        return true;
    }
    if (!app.journal.Start(folder, error)) {
        return false;
    }
    if (app.doc.modified) {
        JournalWholeSound(app);
    }
    return true;
}

bool GoToStep(App& app, int step) {
    EditHistory& history = app.history;
    if (!history.Enabled() || step < history.FirstStep() || step >= history.Count()) {
        return false;
    }
    // The current step too: its positions come back, and undo returns to where the user was.
    app.journal.WaitForCopies();
    if (!history.GoTo(step, app.doc, app.undo)) {
        app.host.MessageBox(Owner::MainWindow, historytext::kCannotGo, historytext::kCaptionHistory,
                            mb::Ok | mb::IconWarning);
        return false;
    }
    AfterMove(app);
    return true;
}

void OnHistoryTimer(App& app) {
    if (app.history.Enabled()) {
        app.history.Poll();
    }
    DiscardRestoredJournal(app);
    HistoryWatch& watch = app.historyWatch;
    WaveDevices* devices = app.host.Devices();
    if (!watch.journalRecording || !app.audio.recording || !devices) {
        return;
    }
    const AudioState& audio = app.audio;
    const std::size_t align = std::max<std::size_t>(1, audio.recordFormat.blockAlign);
    std::size_t recorded = std::min(devices->InputBytesRecorded(), audio.recordBlockSize);
    recorded -= recorded % align;
    const auto piece = static_cast<std::size_t>(std::max<std::int64_t>(
        align, std::int64_t{audio.recordFormat.bytesPerSecond} * kRecordingPieceMs / 1000));
    if (recorded < watch.recordingJournaled + piece) {
        return;
    }
    // The device writes past `recorded` only: the bytes before it stay as they are.
    SharedBytes bytes =
        CopyShared(std::as_const(audio.recordBlock).Data() + watch.recordingJournaled,
                   recorded - watch.recordingJournaled);
    if (bytes.block) {
        app.journal.RecordingData(std::move(bytes));
        watch.recordingJournaled = recorded;
    }
}

void NoteRecordingStart(App& app) {
    if (!app.journal.Started() || !app.audio.recording) {
        return;
    }
    app.journal.RecordingStart(app.audio.recordFormat);
    app.historyWatch.journalRecording = true;
    app.historyWatch.recordingJournaled = 0;
}

void NoteRecordingEnd(App& app) {
    if (app.historyWatch.journalRecording && !app.audio.recording) {
        app.journal.RecordingEnd();
        app.historyWatch.journalRecording = false;
    }
}

void EndHistory(App& app) {
    app.journal.WaitForCopies();
    if (app.journal.Started()) {
        app.journal.Close(false);
    }
    // A restored journal whose sound was not kept: the window's question was answered.
    if (!app.historyWatch.restoredJournal.empty()) {
        DiscardJournal(app.historyWatch.restoredJournal);
        app.historyWatch.restoredJournal.clear();
    }
    app.undo.beforeTake = nullptr;
    app.history.Disable();
}

bool HistoryUndo(App& app, int& result) {
    EditHistory& history = app.history;
    if (!history.Enabled()) {
        return false;
    }
    const bool many = app.settings.undoMode == 1;
    if (many && !history.CanStepBack()) {
        result = 0;
        return true;
    }
    app.journal.WaitForCopies();
    const bool ok =
        many ? history.StepBack(app.doc, app.undo) : history.ToggleUndo(app.doc, app.undo);
    result = ok ? 1 : 0;
    if (ok) {
        AfterMove(app);
    }
    return true;
}

int CmdRedo(App& app) {
    EditHistory& history = app.history;
    if (!history.Enabled() || app.settings.undoMode != 1 || !history.CanStepForward()) {
        return 0;
    }
    app.journal.WaitForCopies();
    if (!history.StepForward(app.doc, app.undo)) {
        app.host.MessageBox(Owner::MainWindow, historytext::kCannotGo, historytext::kCaptionHistory,
                            mb::Ok | mb::IconWarning);
        return 0;
    }
    AfterMove(app);
    return 1;
}

LParam HistoryDlgProc(DialogHost& dlg, unsigned message, WParam wParam, LParam lParam) {
    switch (message) {
    case msg::InitDialog: {
        const auto* history = reinterpret_cast<const EditHistory*>(lParam);
        dlg.ListReset(kIdHistoryList);
        for (int step = 0; step < history->Count(); ++step) {
            const StepListing row = history->Listing(step);
            const char* place = row.place == StepPlace::Disk      ? historytext::kOnDisk
                                : row.place == StepPlace::Dropped ? historytext::kDropped
                                                                  : "";
            dlg.ListAdd(kIdHistoryList,
                        Format(historytext::kHistoryRow,
                               step == history->Current() ? historytext::kCurrentMark : "　", step,
                               ClockText(row.time).c_str(), row.text.c_str(),
                               FormatStatusText(row.format).c_str(),
                               FormatSeconds(row.format, row.length).c_str(), place));
        }
        dlg.ListSetCurSel(kIdHistoryList, history->Current());
        if (history->FirstStep() > 0) {
            dlg.SetItemText(kIdHistoryLabel,
                            Format(historytext::kDroppedNote, history->FirstStep()));
        }
        return 1;
    }
    default:
        return EndOnOkOrCancel(dlg, message, wParam, dlg.ListGetCurSel(kIdHistoryList) + 1);
    }
}

int CmdEditHistory(App& app) {
    if (!app.history.Enabled()) {
        app.host.MessageBox(Owner::MainWindow, historytext::kHistoryOff,
                            historytext::kCaptionHistory, mb::Ok | mb::IconInformation);
        return 0;
    }
    const LParam chosen = app.host.DialogBox(kDialogHistory, Owner::MainWindow, HistoryDlgProc,
                                             reinterpret_cast<LParam>(&app.history));
    if (chosen <= 0) {
        return 0;
    }
    const int step = static_cast<int>(chosen - 1);
    if (step < app.history.FirstStep()) {
        app.host.MessageBox(Owner::MainWindow, historytext::kCannotGo, historytext::kCaptionHistory,
                            mb::Ok | mb::IconWarning);
        return 0;
    }
    return GoToStep(app, step) ? 1 : 0;
}

LParam UndoSettingsDlgProc(DialogHost& dlg, unsigned message, WParam wParam, LParam lParam) {
    switch (message) {
    case msg::InitDialog: {
        const int mode = static_cast<int>(lParam);
        dlg.CheckRadioButton(kIdUndoSingle, kIdUndoMulti, mode == 1 ? kIdUndoMulti : kIdUndoSingle);
        return 1;
    }
    default:
        return EndOnOkOrCancel(dlg, message, wParam, dlg.IsButtonChecked(kIdUndoMulti) ? 2 : 1);
    }
}

int CmdUndoSettings(App& app) {
    const LParam chosen = app.host.DialogBox(kDialogUndoSettings, Owner::MainWindow,
                                             UndoSettingsDlgProc, app.settings.undoMode);
    if (chosen <= 0) {
        return 0;
    }
    app.settings.undoMode = chosen == 2 ? 1 : 0;
    app.profile.WriteString(kSectionOptions, kKeyUndoMode, std::to_string(app.settings.undoMode));
    UpdateUndoMenu(app);
    return 1;
}

void PlaceHistoryItems(Menu& menu, bool on, bool many) {
    if (menu.popups.size() <= kSettingsPopupIndex) {
        return;
    }
    std::vector<MenuItem>& edit = menu.popups[kEditPopupIndex].children;
    // The history's items follow 元に戻す; without the history the popup is as it always was.
    std::erase_if(edit, [](const MenuItem& item) {
        return item.id == IDM_REDO || item.id == IDM_EDIT_HISTORY;
    });
    const auto undo = std::find_if(edit.begin(), edit.end(),
                                   [](const MenuItem& item) { return item.id == IDM_UNDO; });
    if (undo != edit.end()) {
        undo->text = historytext::kMenuUndo;
        undo->grayed = false;
        if (on) {
            std::vector<MenuItem> added;
            if (many) {
                added.push_back(Entry(IDM_REDO, historytext::kMenuRedo));
            }
            added.push_back(Entry(IDM_EDIT_HISTORY, historytext::kMenuHistory));
            edit.insert(undo + 1, added.begin(), added.end());
        }
    }
    std::vector<MenuItem>& settings = menu.popups[kSettingsPopupIndex].children;
    std::erase_if(settings, [](const MenuItem& item) { return item.id == IDM_UNDO_SETTINGS; });
    if (on) {
        settings.push_back(Entry(IDM_UNDO_SETTINGS, historytext::kMenuUndoSettings));
    }
}

void UpdateUndoMenu(App& app) {
    Menu& menu = app.menus.normal;
    if (menu.popups.size() <= kSettingsPopupIndex) {
        return;
    }
    // Only the two popups the history's items live in can change.
    const std::vector<MenuItem> oldEdit = menu.popups[kEditPopupIndex].children;
    const std::vector<MenuItem> oldSettings = menu.popups[kSettingsPopupIndex].children;
    const EditHistory& history = app.history;
    const bool many = history.Enabled() && app.settings.undoMode == 1;
    PlaceHistoryItems(menu, history.Enabled(), many);
    if (many) {
        // What undo and redo would do, and whether there is anything.
        MenuItem* undo = FindMenuItem(menu, IDM_UNDO);
        MenuItem* redo = FindMenuItem(menu, IDM_REDO);
        const bool back = history.CanStepBack();
        const bool forward = history.CanStepForward();
        if (undo && back) {
            undo->text =
                Format(historytext::kMenuUndoWhat, history.Listing(history.Current()).text.c_str());
        }
        if (redo && forward) {
            redo->text = Format(historytext::kMenuRedoWhat,
                                history.Listing(history.Current() + 1).text.c_str());
        }
        if (undo) {
            undo->grayed = !back;
        }
        if (redo) {
            redo->grayed = !forward;
        }
    }
    if ((!SameItems(oldEdit, menu.popups[kEditPopupIndex].children) ||
         !SameItems(oldSettings, menu.popups[kSettingsPopupIndex].children)) &&
        app.menus.current == &app.menus.normal) {
        app.host.DrawMenuBar();
    }
}

} // namespace wt
