// Playback and recording through the wave devices: play all, play from the cursor, loop,
// stop and record; the handlers of the devices' done reports; the position bar drawn by the
// main window's timer; and the transport buttons of the toolbar.
//
// Playback hands the device the document's own block (or a slice of it), read in place;
// while it plays the busy gate lets only stop through. Recording fills one block allocated up
// front for the maximum time, which becomes the document when the device reports it done;
// while it records only stop and the toolbar's zoom buttons pass.
#pragma once

#include "editor/ParamDialog.h"
#include "platform/Canvas.h"
#include "platform/WaveDevices.h"

#include <cstdint>
#include <vector>

namespace wt {

struct App;

// Dialog 4, the recording settings, and its controls.
inline constexpr int kDialogRecord = 4;
inline constexpr int kIdRecordRate8000 = 101;
inline constexpr int kIdRecordRate11025 = 102;
inline constexpr int kIdRecordRate22050 = 103;
inline constexpr int kIdRecordRate44100 = 104;
inline constexpr int kIdRecordRate48000 = 109;
inline constexpr int kIdRecordRate96000 = 110;
inline constexpr int kIdRecordBits8 = 201;
inline constexpr int kIdRecordBits16 = 202;
inline constexpr int kIdRecordMono = 301;
inline constexpr int kIdRecordStereo = 302;
inline constexpr int kIdRecordTimeBar = 401;
inline constexpr int kIdRecordTimeEdit = 402;
inline constexpr int kIdRecordMemory = 500; // required memory in KB
inline constexpr int kRecordSecondsMin = 1;
inline constexpr int kRecordSecondsMax = 300;

// The position bar's colours, and the light grey that clears its strip.
inline constexpr Rgb kColourPlayBar{0, 128, 0};
inline constexpr Rgb kColourRecordBar{128, 0, 0};
inline constexpr Rgb kColourBarStrip{192, 192, 192};

// The values the recording dialog edits: the format to record in and the maximum time.
struct RecordSettings {
    int rate = 22050;
    int bits = 8;
    int channels = 1;
    int seconds = 60;
};

// The rows of dialog 4 on `settings`: the memory hook, radios 101-104 (rate), 201-202
// (bits), 301-302 (channels), scroll bar 401 and edit 402 (seconds, 1..300), end.
std::vector<DialogBinding> RecordBindings(RecordSettings& settings);

// Dialog 4's hook: on every command message sets static 500 to the memory the chosen
// recording needs, seconds (edit 402) x rate x bytes per sample x channels / 1024, from the
// radios marked now (the rate the dialog was opened with when no rate is marked).
LParam RecordMemoryHook(DialogHost& dlg, unsigned message, WParam wParam, LParam lParam,
                        DialogBinding* table);

// PlayMode 1, 2 or 3 (kPlayAll, kPlayFromCursor, kPlayLoop). Returns 1 when playback
// started, 0 when there was nothing to play or the device refused (the failure is shown).
int CmdPlay(App& app, int mode);
int CmdPlayAll(App& app);
int CmdPlayFromCursor(App& app);
int CmdLoopPlay(App& app);
// Resets the open devices; their done reports finish the job. Returns 1.
int CmdStop(App& app);
// The recording dialog, then recording starts. Returns 1 when it started.
int CmdRecord(App& app);

// The done reports (msg::WaveOutDone, msg::WaveInData) with the handle they carry; a report
// for a device that is no longer open is ignored.
void OnWaveOutDone(App& app, WParam handle);
void OnWaveInData(App& app, WParam handle);
// The main window's 50 ms timer: draws the position bar while a device runs; during playback
// the view turns the page when the position leaves it (FollowPlayPosition).
void OnPositionTimer(App& app);

// Enables (flag 1) or disables (0) the toolbar buttons play, play from the cursor, loop and
// record.
void SetTransportButtons(App& app, int flag);

// The strip of the waveform window the position bar is drawn in: the client width, 4 pixels
// high, just above the ruler's text line.
Rect PositionBarStrip(const App& app);

// Stops playback and recording and handles their done reports at once, so that no device
// reads or writes the editor's memory afterwards and a recording becomes the document.
void StopDevicesNow(App& app);

// Whether command `id` may run while recording: stop and the toolbar's zoom buttons.
bool CommandAllowedWhileRecording(int id);

// The device layer's result turned into the message the user sees for a failed output open.
const char* OutputOpenErrorText(WaveResult result);

} // namespace wt
