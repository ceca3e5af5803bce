// What the benchmark programs share: an editor on the scripted host as a user's is after
// start-up, the 44.1 kHz 16-bit stereo sounds the commands are timed on, and the loop that
// times one command on the whole sound.
#pragma once

#include "editor/App.h"
#include "hosts/scripted/ScriptedHost.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

namespace wt {
class WaveDevices;
}

namespace wt::bench {

inline constexpr int kRate = 44100;
inline constexpr int kBlockAlign = 4;           // 16-bit stereo
inline constexpr int kTenMinutes = kRate * 600; // frames

// Makes `doc` a 44.1 kHz 16-bit stereo sound of `frames` frames whose samples the caller
// writes; false when its block cannot be had.
bool MakeStereo16(SoundDocument& doc, std::int64_t frames);

// A 440 Hz tone on the left and 1 kHz on the right, of `amplitude` (full scale 32767), the
// left raised and the right lowered by `offset`, so that the DC effects have work to do.
struct Tones {
    int frames = kTenMinutes;
    int amplitude = 16000;
    int offset = 0;
};
// Writes the tones over the first `tones.frames` frames of a 16-bit stereo `doc`.
void WriteTones(SoundDocument& doc, const Tones& tones);

// An editor on the scripted host after start-up, its main window created.
struct Editor {
    ScriptedHost host;
    App app{host};

    // `devices`, when given, are the ones it plays and records on from the start.
    explicit Editor(WaveDevices* devices = nullptr);
    // The editor holding `tones` as a 44.1 kHz 16-bit stereo sound.
    explicit Editor(const Tones& tones);
};

// Times `command` run once per iteration on the whole sound (nothing selected), its dialog
// answered with the values the editor remembers. `restore`, when given, runs outside the
// timing after each run (to put back a sound the command made longer or shorter). With
// `countBytes` the sound's bytes count as processed by every run.
void RunOnWholeSound(benchmark::State& state, App& app, int (*command)(App&),
                     void (*restore)(App&) = nullptr, bool countBytes = true);

// The zooms the paint benchmarks visit: 0..5 the steps, then frames per column past the
// widest step, then the whole sound fitted (-1). ShowZoom shows zoom `zoom` with the view in
// the middle of the sound (at its start when fitted); ZoomLabel names it as the tables do.
inline constexpr double kWideZooms[] = {4096, 16384, 65536, 262144, -1};
inline constexpr int kZoomSteps = 6;
void ShowZoom(App& app, int zoom);
std::string ZoomLabel(const App& app, int zoom);

} // namespace wt::bench
