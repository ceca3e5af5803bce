#include "window/MainWindow.h"

#include "commands/devices/Transport.h"
#include "commands/edit/HistoryCommands.h"
#include "commands/edit/HistoryTexts.h"
#include "commands/edit/Recovery.h"
#include "commands/effects/SpectralEffects.h"
#include "commands/effects/SpectralTexts.h"
#include "commands/file/FileCommands.h"
#include "editor/App.h"
#include "editor/CommandIds.h"
#include "editor/DocumentUi.h"
#include "editor/Menus.h"
#include "util/Format.h"
#include "view/SpectrogramView.h"
#include "view/WaveWindow.h"
#include "window/CommandTable.h"

#include <cmath>
#include <filesystem>

namespace wt {

namespace {

constexpr const char* kCaptionNewWindow = "新規ウィンドウ";
constexpr const char* kTextCannotOpenWindow = "ウィンドウが開けません";
// ヘルプ → 目次 when the page is missing, or when no browser showed it (the page's path).
constexpr const char* kCaptionHelp = "ヘルプ";
constexpr const char* kTextHelpMissing = "ヘルプのファイルが見つかりません\n%s";
constexpr const char* kTextHelpNoBrowser =
    "ヘルプを表示するブラウザーを起動できません\n次のファイルをブラウザーで開いてください\n%s";
constexpr const char* kAboutSound = "about.wav";

// Two control characters reach the main window as typed characters, not as commands.
struct HiddenKey {
    int character;
    int (*handler)(App&); // nullptr: not available in this build
    const char* stepText; // the name of its step in the edit history
};
constexpr HiddenKey kHiddenKeys[] = {
    {6, CmdSpectralHighPass, historytext::kStepHighPass}, // Ctrl+F
    {20, CmdVocoder, kCaptionVocoder},                    // Ctrl+T
};

std::string HiddenKeyText(int character) {
    for (const auto& key : kHiddenKeys) {
        if (key.character == character) {
            return key.stepText;
        }
    }
    return {};
}

void RunHiddenKey(App& app, int character) {
    for (const auto& key : kHiddenKeys) {
        if (key.character == character && key.handler) {
            key.handler(app);
        }
    }
}

// Rebuilds the recent-file entries at the end of the File popup.
void InitMenu(App& app) {
    MenuItem& file = app.menus.normal.popups[kFilePopupIndex];
    for (int id = IDM_RECENT1; id <= IDM_RECENT6; ++id) {
        DeleteMenuItem(file, id);
    }
    for (int n = 1; n <= kRecentFileCount; ++n) {
        const std::string path = ReadRecentFile(app.profile, n);
        if (!path.empty()) {
            AppendMenuItem(file, IDM_RECENT1 + n - 1, std::to_string(n) + ":" + path);
        }
    }
    app.host.DrawMenuBar();
}

void OnSize(App& app) {
    app.mainText = app.host.MainTextMetrics();
    const int toolbarHeight = app.host.ToolbarHeight();
    const int height = app.host.ClientHeight() - app.status.Height() - toolbarHeight;
    app.host.MoveWaveWindow(0, toolbarHeight, app.host.ClientWidth(), height);
    app.host.InvalidateWave(true);
    app.status.Resize();
}

// Exit and the close request: stop the devices, ask about unsaved changes, close.
void CloseMainWindow(App& app) {
    // The devices stop first: a recording in progress becomes the document, so the question
    // about unsaved changes covers it and nothing recorded is lost.
    StopDevicesNow(app);
    if (ConfirmDiscardChanges(app) != 1) {
        return;
    }
    app.host.DestroyMainWindow();
}

void OnDestroy(App& app) {
    app.host.KillTimer(kTimerId);
    app.host.KillTimer(kSpectrogramTimerId);
    // The question about unsaved changes has been answered: nothing is left to recover.
    EndHistory(app);
    app.undo.data.Reset();
    if (!app.host.IsMinimized()) {
        app.profile.WriteString(kSectionPosition, "width", std::to_string(app.host.OuterWidth()));
        app.profile.WriteString(kSectionPosition, "height", std::to_string(app.host.OuterHeight()));
    }
    app.profile.WriteString(kSectionOptions, "density", std::to_string(app.settings.density));
    app.profile.WriteString(kSectionOptions, "directory", app.settings.lastDirectory);
    app.doc.sampleData.Reset();
    app.mainWindowCreated = false;
}

LParam OnCreate(App& app) {
    SoundDocument& doc = app.doc;
    WaveWndProc(app, msg::Create, 0, 0, nullptr); // the waveform window's scroll range
    if (!doc.sampleData.Resize(0)) {
        return -1;
    }
    FillSineTable(app);
    app.menus.disabled = LoadMenuDis();
    app.menus.normal = LoadMenu1();
    app.menus.busy = LoadMenuBusy();
    app.menus.current = &app.menus.normal;
    app.host.SetMenu(app.menus.current);
    UpdateViewMenu(app);
    if (!app.undo.data.Resize(10) || !TakeSnapshot(doc, app.undo)) {
        return -1;
    }
    app.host.CreateToolbar(ToolbarButtons());
    app.host.SetTimer(kTimerId, kTimerPeriodMs);
    app.mainWindowCreated = true;
    return 0;
}

} // namespace

void InitializeApp(App& app, const std::string& modulePath, const std::string& iniOverride) {
    app.profile.SetPath(ResolveSettingsPath(modulePath, iniOverride));
    if (app.profile.Path().empty()) {
        // No folder for the settings: the run starts from the defaults and what it sets lasts
        // until it ends.
        app.profile.KeepWritesInMemory();
    }
    app.settings = ReadStartupSettings(app.profile, HomeDirectory());
    app.settings.modulePath = modulePath;
    const std::string data = DataFolder(modulePath);
    app.settings.helpPath =
        data + "/" +
        std::filesystem::path(ReplaceExtension(modulePath, ".html")).filename().string();
    app.settings.aboutSound = data + "/" + kAboutSound;
    // Kept absolute, so a new window started from another folder reads the same file.
    if (!iniOverride.empty()) {
        std::error_code error;
        const auto absolute = std::filesystem::absolute(iniOverride, error);
        app.settings.iniOverride = error ? iniOverride : absolute.string();
    }
}

void FillSineTable(App& app) {
    for (int i = 0; i < 1024; ++i) {
        app.sineTable[static_cast<std::size_t>(i)] =
            static_cast<int>(std::sin(i * 6.28 * 0.0009765625) * 10000);
    }
}

void FinishStartup(App& app, const std::string& commandTail) {
    app.status.Create();
    UpdateTitle(app);
    app.doc.zoomIndex = 1;
    ApplyZoom(app, 1);
    ShowFormatStatus(app);
    OnSize(app);
    // The name stays the document's title even when the file cannot be opened, so saving
    // creates it. The empty sound before it is untitled: undoing the open must not show it
    // under the file's name.
    if (!commandTail.empty() && !LoadSoundFile(app, commandTail)) {
        app.doc.title = commandTail;
        UpdateTitle(app);
    }
}

namespace {

// What follows every command, menu or key: every command that changes the sound's length or
// selection ends here, so the fitted view and the status texts follow it. A stop taken
// through an effect's progress pump leaves the progress text alone.
void AfterCommand(App& app) {
    KeepFitted(app);
    if (!app.busy || app.audio.playMode != kPlayIdle) {
        RefreshStatus(app);
    }
}

} // namespace

int DispatchCommand(App& app, int id, unsigned code) {
    if (code != NotifyMenu && code != NotifyAccelerator) {
        return -1;
    }
    if (app.busy && id != IDM_STOP) {
        return -1;
    }
    // While recording, the document must stay as it is until the recording replaces it.
    if (app.audio.recording && !CommandAllowedWhileRecording(id)) {
        return -1;
    }
    int result = -1;
    const bool wasRecording = app.audio.recording;
    const ChangeWatch watch = WatchChanges(app, StepTextOfCommand(app, id));
    if (id >= IDM_RECENT1 && id <= IDM_RECENT6) {
        result = OpenRecentFile(app, id - IDM_RECENT1 + 1);
    } else if (const CommandEntry* entry = FindCommand(id); entry && entry->handler) {
        // A command may run another one (the reverb runs the DC removal): each dialog's
        // preview plays its own.
        const int outer = app.runningCommand;
        app.runningCommand = id;
        result = entry->handler(app);
        app.runningCommand = outer;
    }
    if (!wasRecording && app.audio.recording) {
        NoteRecordingStart(app);
    }
    NoteChanges(app, watch, StepTextOfCommand(app, id));
    // A stop ends a recording through the device's report (msg::WaveInData); one abandoned
    // on the way ends here.
    NoteRecordingEnd(app);
    AfterCommand(app);
    return result;
}

void StartHistoryAndRecovery(App& app) {
    EnableHistory(app);
    std::string error;
    if (!EnableJournal(app, DefaultRecoveryFolder(), error)) {
        app.host.MessageBox(Owner::MainWindow, Format(historytext::kJournalFailed, error.c_str()),
                            historytext::kCaptionRecovery, mb::Ok | mb::IconWarning);
    }
    OfferRecovery(app);
    AfterCommand(app);
}

void OnDropFiles(App& app, const std::vector<std::string>& paths) {
    if (app.busy || app.audio.recording || paths.empty()) {
        return;
    }
    // The whole name is kept (Linux paths go to 4095 bytes): a cut name would fail to open
    // with a misleading message. Unsaved changes are asked about first, as for Open.
    app.host.BringToForeground();
    if (ConfirmDiscardChanges(app) == 1) {
        const ChangeWatch watch = WatchChanges(app, "");
        LoadSoundFile(app, paths.front());
        NoteChanges(app, watch, StepTextOfCommand(app, IDM_OPEN));
        AfterCommand(app);
    }
}

namespace {

// Home, End and Space, from the host's key presses.
void OnKeyDown(App& app, WParam key) {
    // Space stops what plays or records (stop is the one command taken while busy or
    // recording), and otherwise plays from the cursor as the toolbar's button does.
    if (key == vk::Space) {
        if (app.audio.playMode != kPlayIdle || app.audio.recording) {
            DispatchCommand(app, IDM_STOP, NotifyAccelerator);
        } else if (!app.busy && !app.audio.recording) {
            DispatchCommand(app, IDM_PLAY_FROM_CURSOR, NotifyAccelerator);
        }
        return;
    }
    if (app.busy || app.audio.recording) {
        return;
    }
    if (key == vk::Home) {
        MoveCursor(app, 0);
    } else if (key == vk::End) {
        MoveCursor(app, app.doc.byteLength);
    }
}

} // namespace

LParam MainWndProc(App& app, unsigned message, WParam wParam, LParam lParam) {
    (void)lParam;
    switch (message) {
    case msg::Create:
        return OnCreate(app);
    case msg::Destroy:
        OnDestroy(app);
        return 0;
    case msg::Size:
        OnSize(app);
        KeepFitted(app);
        return 0;
    case msg::Close:
        // A close arriving through the progress pump must not free the sound under a command;
        // while only playback holds the busy flag, closing stops it.
        if (!app.busy || app.audio.playMode != kPlayIdle) {
            CloseMainWindow(app);
        }
        return 0;
    case msg::Char:
        // While busy the hidden keys are ignored like commands: they would replace the sound
        // under the running command.
        if (!app.busy && !app.audio.recording) {
            const ChangeWatch watch = WatchChanges(app, HiddenKeyText(static_cast<int>(wParam)));
            RunHiddenKey(app, static_cast<int>(wParam));
            NoteChanges(app, watch, HiddenKeyText(static_cast<int>(wParam)));
            AfterCommand(app);
        }
        return 0;
    case msg::KeyDown:
        OnKeyDown(app, wParam);
        return 0;
    case msg::Command:
        DispatchCommand(app, static_cast<int>(LowWord(wParam)), HighWord(wParam));
        return 0;
    case msg::Timer:
        if (wParam == static_cast<WParam>(kTimerId)) {
            OnPositionTimer(app);
            OnHistoryTimer(app);
            // Also catches a width that changed without msg::Size reaching this window.
            KeepFitted(app);
        } else if (wParam == static_cast<WParam>(kSpectrogramTimerId)) {
            OnSpectrogramTimer(app);
        }
        return 0;
    case msg::WaveOutDone:
        OnWaveOutDone(app, wParam);
        KeepFitted(app);
        return 0;
    case msg::WaveInData: {
        // The end of a recording replaces the sound.
        const ChangeWatch watch = WatchChanges(app, historytext::kStepRecord);
        OnWaveInData(app, wParam);
        // The journal takes the recorded sound as a change before its recording ends, so that
        // it holds the sound all the time.
        NoteChanges(app, watch, historytext::kStepRecord);
        NoteRecordingEnd(app);
        KeepFitted(app);
        return 0;
    }
    case msg::InitMenu:
        InitMenu(app);
        return 0;
    default:
        return 0;
    }
}

int CmdNewWindow(App& app) {
    // A new window works with the settings file this one was started with.
    std::vector<std::string> args;
    if (!app.settings.iniOverride.empty()) {
        args = {"--ini", app.settings.iniOverride};
    }
    const int code = app.host.StartProcess(app.settings.modulePath, args);
    if (code >= 32) {
        return 1;
    }
    app.host.MessageBox(Owner::MainWindow,
                        code == 0 || code == 8 ? kTextOutOfMemory : kTextCannotOpenWindow,
                        kCaptionNewWindow, mb::Ok | mb::IconWarning);
    return 0;
}

int CmdExit(App& app) {
    CloseMainWindow(app);
    return 1;
}

// Shows the help page in the desktop's browser; when there is none, says where the page is,
// so the menu never does nothing visible.
int CmdHelpContents(App& app) {
    const std::string& page = app.settings.helpPath;
    if (app.host.OpenHelp(page)) {
        return 1;
    }
    std::error_code error;
    const bool exists = std::filesystem::is_regular_file(page, error);
    app.host.MessageBox(Owner::MainWindow,
                        Format(exists ? kTextHelpNoBrowser : kTextHelpMissing, page.c_str()),
                        kCaptionHelp, mb::Ok | mb::IconInformation);
    return 0;
}

LParam AboutDlgProc(DialogHost& dlg, unsigned message, WParam wParam, LParam) {
    switch (message) {
    case msg::InitDialog:
        return 1;
    case msg::Command:
        if (wParam == static_cast<WParam>(IdOk)) {
            dlg.EndDialog(1);
            return 1;
        }
        return 0;
    case msg::Close:
        dlg.EndDialog(1);
        return 1;
    default:
        return 0;
    }
}

int CmdAbout(App& app) {
    app.host.PlaySoundFile(app.settings.aboutSound);
    app.host.DialogBox(kAboutDialog, Owner::MainWindow, AboutDlgProc, 0);
    return 1;
}

} // namespace wt
