// The application object: everything one running editor holds — the document, the undo
// snapshot, the settings, the menus, the busy flag — and the host that shows it. Command
// procedures take it explicitly, so a test builds a fresh editor per case.
#pragma once

#include "dsp/SpectrogramCache.h"
#include "editor/AudioState.h"
#include "editor/EffectState.h"
#include "editor/Preview.h"
#include "editor/Settings.h"
#include "editor/StatusBar.h"
#include "editor/ViewState.h"
#include "history/EditHistory.h"
#include "history/Journal.h"
#include "model/SoundDocument.h"
#include "model/Undo.h"
#include "platform/Host.h"
#include "platform/ProfileFile.h"

#include <array>
#include <string>

namespace wt {

struct Menus {
    Menu normal;   // MENU_1
    Menu busy;     // MENU_BUSY, while an effect runs
    Menu disabled; // MENU_DIS, while playing or recording
    Menu* current = nullptr;
};

// What the dispatcher keeps between a command and the history: the snapshots already
// accounted for, the name of the running command, and how much of a recording in progress the
// journal has.
struct HistoryWatch {
    std::uint64_t seenTakes = 0;
    std::string stepText;
    bool journalRecording = false;
    std::size_t recordingJournaled = 0;
    // A restored journal, deleted once this session's own journal has synced the sound
    // (ticket) so that a crash in between still finds one of them.
    std::string restoredJournal;
    std::uint64_t restoredTicket = 0;
};

// A change of the samples from one revision of the document's block to another, in bytes of
// the sound after it: [firstByte, endByte) differ, and everything from firstByte on when the
// length changed. A zero `before` means nothing is known.
struct SampleChange {
    std::uint64_t before = 0, after = 0;
    std::int64_t firstByte = 0, endByte = 0;
    bool lengthChanged = false;
};

struct App {
    explicit App(Host& host);
    // Stops and closes the wave devices, which may still read or fill the editor's blocks.
    ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    Host& host;
    ProfileFile profile; // the settings file
    Settings settings;   // values read at start-up, kept current in memory
    SoundDocument doc;
    UndoSnapshot undo;
    Menus menus;
    StatusBar status;
    bool busy = false; // the busy gate: set while an effect runs or a device plays or records
    std::array<int, 1024> sineTable{};
    TextMetrics mainText;  // the main window font: ruler band height
    int waveInDevices = 0; // counted when the main window is created
    int waveOutDevices = 0;
    bool mainWindowCreated = false;

    ViewState view;      // waveform window state
    EffectState effects; // progress counter and remembered effect parameters
    AudioState audio;    // playback, recording and the chosen wave devices

    // Every change as a step that can be gone back to, and the journal that lets the next
    // start bring back unsaved work after a crash. The desktop keeps both; the batch mode
    // only when a line asks for them.
    EditHistory history;
    Journal journal;
    HistoryWatch historyWatch;

    // The menu command being run (0: none), which a dialog's preview runs again; and the
    // preview itself, when the host plays one (the desktop and the batch mode).
    int runningCommand = 0;
    PreviewPort* preview = nullptr;
    // Non-zero in a preview's copy of the editor: only this many frames of the command's
    // result are played, so a command whose every frame depends on the selection's length
    // (an envelope, a fade) makes only those and leaves the rest as it was.
    std::int64_t previewFrames = 0;

    // The spectrogram's levels, and the revision of the samples they describe. `sampleChange`
    // is the last change the history measured, by which the levels outside it are kept.
    SpectrogramCache spectrogram;
    std::uint64_t spectrogramRevision = 0;
    SampleChange sampleChange;
};

// Stops and closes the devices without touching the windows (the editor is going away).
void CloseWaveDevices(App& app);

} // namespace wt
