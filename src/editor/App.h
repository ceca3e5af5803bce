// The application object: everything one running editor holds — the document, the undo
// snapshot, the settings, the menus, the busy flag — and the host that shows it. Command
// procedures take it explicitly, so a test builds a fresh editor per case.
#pragma once

#include "editor/AudioState.h"
#include "editor/EffectState.h"
#include "editor/Settings.h"
#include "editor/StatusBar.h"
#include "editor/ViewState.h"
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
};

// Stops and closes the devices without touching the windows (the editor is going away).
void CloseWaveDevices(App& app);

} // namespace wt
