#include "editor/App.h"
#include "platform/WaveDevices.h"

namespace wt {

App::App(Host& hostRef) : host(hostRef), status(hostRef) {}

App::~App() {
    CloseWaveDevices(*this);
}

void CloseWaveDevices(App& app) {
    WaveDevices* devices =
        app.audio.playMode != kPlayIdle || app.audio.recording ? app.host.Devices() : nullptr;
    if (!devices) {
        return;
    }
    if (app.audio.playMode != kPlayIdle) {
        devices->ResetOutput();
        devices->CloseOutput();
        app.audio.playMode = kPlayIdle;
    }
    if (app.audio.recording) {
        devices->StopInput();
        devices->ResetInput();
        devices->CloseInput();
        app.audio.recording = false;
    }
}

} // namespace wt
