#include "commands/devices/Transport.h"

#include "commands/devices/AudioTexts.h"
#include "commands/file/FileCommands.h"
#include "editor/App.h"
#include "editor/CommandIds.h"
#include "editor/DocumentUi.h"
#include "model/Undo.h"
#include "view/WaveWindow.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace wt {

namespace {

constexpr std::size_t kSpareBytes = 16;

void ShowDeviceMessage(App& app, const char* text) {
    app.host.MessageBox(Owner::WaveWindow, text, kCaptionDevice, mb::Ok | mb::IconWarning);
}

WaveFormat DeviceFormat(const SoundFormat& f) {
    return {f.channels, f.sampleRate, f.bitsPerSample, f.blockAlign};
}

void ShowMenu(App& app, Menu& menu) {
    app.menus.current = &menu;
    app.host.SetMenu(app.menus.current);
}

// The normal menu back, with the zoom check mark of the current zoom step.
void RestoreMenu(App& app) {
    ShowMenu(app, app.menus.normal);
    ApplyZoom(app, app.doc.zoomIndex);
}

// Status parts 0 and 1 for a format that is not (yet) the document's: the format being
// recorded, next to the byte count of the sound the document still holds.
void ShowRecordFormatStatus(App& app, const SoundFormat& format) {
    const SoundFormat own = app.doc.format;
    app.doc.format = format;
    ShowFormatStatus(app);
    app.doc.format = own;
}

// Column of the waveform window for byte position `offset` of frames `blockAlign` bytes
// long, as OffsetToPixel but in 64 bits, plus the area's left edge.
std::int64_t BarX(const App& app, std::int64_t offset, int blockAlign) {
    const SoundDocument& doc = app.doc;
    const std::int64_t align = std::max(1, blockAlign);
    if (app.view.wideFramesPerPixel > 0) { // past the widest zoom step
        const double frames = static_cast<double>((offset - doc.viewStart) / align);
        return static_cast<std::int64_t>(std::floor(frames / app.view.wideFramesPerPixel)) +
               kWaveAreaLeft;
    }
    const std::int64_t framesPerPixel = std::max(1, doc.framesPerPixel);
    return (offset - doc.viewStart) / align / framesPerPixel + kWaveAreaLeft;
}

int ClampToInt(std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min() / 2,
                                                     std::numeric_limits<int>::max() / 2));
}

void FillStrip(App& app, int left, int right, Rgb colour) {
    Canvas* canvas = app.host.WaveCanvas();
    if (!canvas) {
        return;
    }
    const Rect strip = PositionBarStrip(app);
    canvas->SetClip({0, 0, canvas->Width(), canvas->Height()});
    canvas->FillRect({left, strip.top, right, strip.bottom}, colour);
}

// Cursor and anchor of the new sound: where they were when that still names a frame of it,
// otherwise its end.
std::int32_t KeepInside(std::int32_t offset, const SoundDocument& doc) {
    offset = std::clamp(offset, 0, doc.byteLength);
    const std::int32_t blockAlign = doc.format.blockAlign ? doc.format.blockAlign : 1;
    return offset - offset % blockAlign;
}

// Undoes the start of a recording that failed after the device was opened.
void AbandonRecording(App& app, const char* text) {
    AudioState& audio = app.audio;
    if (text) {
        ShowDeviceMessage(app, text);
    }
    audio.recordBlock.Reset();
    audio.recordBlockSize = 0;
    if (WaveDevices* devices = app.host.Devices()) {
        devices->CloseInput();
    }
    audio.inputHandle = 0;
    ShowFormatStatus(app);
}

} // namespace

const char* OutputOpenErrorText(WaveResult result) {
    switch (result) {
    case WaveResult::BadFormat:
        return kTextBadFormat;
    case WaveResult::Sync:
        return kTextSyncDriver;
    case WaveResult::NoMemory:
        return kTextOutOfMemory;
    case WaveResult::Allocated:
        return kTextAllocated;
    case WaveResult::BadDeviceId:
        return kTextBadDeviceId;
    default:
        return kTextCannotOpen;
    }
}

bool CommandAllowedWhileRecording(int id) {
    return id == IDM_STOP || id == IDM_ZOOM_IN || id == IDM_ZOOM_OUT;
}

void SetTransportButtons(App& app, int flag) {
    for (int id : {IDM_PLAY, IDM_PLAY_FROM_CURSOR, IDM_LOOP_PLAY, IDM_RECORD}) {
        app.host.EnableToolbarButton(id, flag != 0);
    }
}

Rect PositionBarStrip(const App& app) {
    const int bottom =
        app.host.WaveClientHeight() - (app.mainText.height + app.mainText.externalLeading + 2);
    return {0, bottom - 4, app.host.WaveClientWidth(), bottom};
}

// --- Playback -------------------------------------------------------------------------------

int CmdPlay(App& app, int mode) {
    SoundDocument& doc = app.doc;
    AudioState& audio = app.audio;
    if (doc.byteLength <= 0) {
        return 0;
    }
    std::int32_t start = 0, length = doc.byteLength;
    if (mode == kPlayFromCursor) {
        start = doc.selStart;
        length = doc.selEnd - doc.selStart;
        if (length == 0) {
            length = doc.byteLength - doc.selStart;
        }
    } else if (mode == kPlayLoop) {
        start = doc.selStart;
        length = doc.selEnd - doc.selStart;
    }
    if (length <= 0 || start < 0 || start + length > doc.byteLength) {
        return 0;
    }
    WaveDevices* devices = app.host.Devices();
    WParam handle = 0;
    const WaveResult opened =
        devices ? devices->OpenOutput(audio.outputDevice, DeviceFormat(doc.format), handle)
                : WaveResult::Error;
    if (opened != WaveResult::Ok) {
        ShowDeviceMessage(app, OutputOpenErrorText(opened));
        return 0;
    }
    // The device reads the document's block in place from here until its done report.
    if (devices->WriteOutput(doc.Data() + start, static_cast<std::size_t>(length),
                             mode == kPlayLoop) != WaveResult::Ok) {
        // Refused: no report would ever come, so the device is closed here and nothing changes.
        devices->CloseOutput();
        ShowDeviceMessage(app, kTextCannotOpen);
        return 0;
    }
    audio.playMode = mode;
    audio.outputHandle = handle;
    audio.playStart = start;
    audio.playLength = length;
    SetTransportButtons(app, 0);
    ShowMenu(app, app.menus.disabled);
    app.busy = true;
    return 1;
}

int CmdPlayAll(App& app) {
    return CmdPlay(app, kPlayAll);
}
int CmdPlayFromCursor(App& app) {
    return CmdPlay(app, kPlayFromCursor);
}
int CmdLoopPlay(App& app) {
    return CmdPlay(app, kPlayLoop);
}

int CmdStop(App& app) {
    // Asked only when a device is open, so that stopping never starts the sound library.
    WaveDevices* devices =
        app.audio.playMode != kPlayIdle || app.audio.recording ? app.host.Devices() : nullptr;
    if (!devices) {
        return 1;
    }
    app.audio.stopping = true;
    if (app.audio.playMode != kPlayIdle) {
        devices->ResetOutput();
    }
    if (app.audio.recording) {
        devices->StopInput();
        devices->ResetInput();
    }
    return 1;
}

void OnWaveOutDone(App& app, WParam handle) {
    AudioState& audio = app.audio;
    if (audio.playMode == kPlayIdle || handle != audio.outputHandle) {
        return;
    }
    if (WaveDevices* devices = app.host.Devices()) {
        devices->CloseOutput();
    }
    audio.playMode = kPlayIdle;
    audio.outputHandle = 0;
    audio.stopping = false;
    FillStrip(app, 0, PositionBarStrip(app).right, kColourBarStrip);
    app.busy = false;
    SetTransportButtons(app, 1);
    RestoreMenu(app);
}

// --- Recording ------------------------------------------------------------------------------

std::vector<DialogBinding> RecordBindings(RecordSettings& s) {
    std::vector<DialogBinding> table;
    table.push_back(HookRow(RecordMemoryHook));
    table.push_back(RadioRow(kIdRecordRate8000, &s.rate, 8000));
    table.push_back(RadioRow(kIdRecordRate11025, &s.rate, 11025));
    table.push_back(RadioRow(kIdRecordRate22050, &s.rate, 22050));
    table.push_back(RadioRow(kIdRecordRate44100, &s.rate, 44100));
    table.push_back(RadioRow(kIdRecordRate48000, &s.rate, 48000));
    table.push_back(RadioRow(kIdRecordRate96000, &s.rate, 96000));
    table.push_back(RadioRow(kIdRecordBits8, &s.bits, 8));
    table.push_back(RadioRow(kIdRecordBits16, &s.bits, 16));
    table.push_back(RadioRow(kIdRecordMono, &s.channels, 1));
    table.push_back(RadioRow(kIdRecordStereo, &s.channels, 2));
    ScrollWithEdit(table, kIdRecordTimeBar, kIdRecordTimeEdit, &s.seconds, kRecordSecondsMin,
                   kRecordSecondsMax);
    table.push_back(EndRow());
    return table;
}

LParam RecordMemoryHook(DialogHost& dlg, unsigned message, WParam, LParam, DialogBinding* table) {
    if (message != msg::Command) {
        return 0;
    }
    bool ok = false;
    const std::int64_t seconds = dlg.GetItemInt(kIdRecordTimeEdit, &ok, true);
    // The rate rows are the radio rows on the parameter of the 8 kHz button. The checked one
    // counts; with none checked (a sound of a rate without a button) the rate the dialog was
    // opened with, which is what will be recorded.
    const int* rateValue = nullptr;
    for (const DialogBinding* row = table; IsBindingRow(*row); ++row) {
        if (row->kind == bind::Radio && row->control == kIdRecordRate8000) {
            rateValue = row->value;
        }
    }
    std::int64_t rate = rateValue ? *rateValue : 0;
    for (const DialogBinding* row = table; IsBindingRow(*row); ++row) {
        if (row->kind == bind::Radio && row->value == rateValue &&
            dlg.IsButtonChecked(row->control) == Checked) {
            rate = row->low;
        }
    }
    const std::int64_t bytes = dlg.IsButtonChecked(kIdRecordBits16) == Checked ? 2 : 1;
    const std::int64_t channels = dlg.IsButtonChecked(kIdRecordStereo) == Checked ? 2 : 1;
    dlg.SetItemInt(kIdRecordMemory, static_cast<long>(seconds * rate * bytes * channels / 1024));
    return 0;
}

int CmdRecord(App& app) {
    SoundDocument& doc = app.doc;
    AudioState& audio = app.audio;
    if (ConfirmDiscardChanges(app) != 1) {
        return 0;
    }
    RecordSettings settings{static_cast<int>(doc.format.sampleRate), doc.format.bitsPerSample,
                            doc.format.channels, audio.recordSeconds};
    std::vector<DialogBinding> table = RecordBindings(settings);
    const LParam answer = RunParamDialog(app, kDialogRecord, Owner::WaveWindow, table);
    // The time is remembered as the dialog stored it, even after Cancel.
    audio.recordSeconds = std::clamp(settings.seconds, kRecordSecondsMin, kRecordSecondsMax);
    if (answer != 1) {
        return 0;
    }

    SoundFormat format;
    format.formatTag = 1;
    format.channels = static_cast<std::uint16_t>(settings.channels);
    format.sampleRate = static_cast<std::uint32_t>(settings.rate);
    format.bitsPerSample = static_cast<std::uint16_t>(settings.bits);
    format.blockAlign = static_cast<std::uint16_t>(settings.bits * settings.channels / 8);
    format.bytesPerSecond = format.blockAlign * format.sampleRate;
    format.extraSize = 0;
    ShowRecordFormatStatus(app, format);

    WaveDevices* devices = app.host.Devices();
    WParam handle = 0;
    const WaveResult opened =
        devices ? devices->OpenInput(audio.inputDevice, DeviceFormat(format), handle)
                : WaveResult::Error;
    if (opened != WaveResult::Ok) {
        // The document keeps its own format: its samples are still the old ones.
        ShowDeviceMessage(app, kTextCannotOpen);
        ShowFormatStatus(app);
        return 0;
    }
    audio.inputHandle = handle;
    audio.recordingEndedEarly = false;
    app.status.SetText(0, kStatusPreparing);
    app.host.UpdateStatusBar();

    const std::uint64_t size =
        std::uint64_t{format.blockAlign} * format.sampleRate * std::uint64_t(audio.recordSeconds);
    if (size + kSpareBytes > std::uint64_t{std::numeric_limits<std::int32_t>::max()} ||
        !TryAllocate(audio.recordBlock, static_cast<std::size_t>(size))) {
        AbandonRecording(app, kTextOutOfMemory);
        return 0;
    }
    audio.recordBlockSize = static_cast<std::size_t>(size);
    audio.recordFormat = format;
    if (devices->PrepareInput(audio.recordBlock.Data(), audio.recordBlockSize) != WaveResult::Ok) {
        AbandonRecording(app, kTextPrepareError);
        return 0;
    }
    app.status.SetText(0, kStatusRecording);
    if (devices->AddInputBuffer() != WaveResult::Ok) {
        AbandonRecording(app, kTextAddBufferError);
        return 0;
    }
    if (devices->StartInput() != WaveResult::Ok) {
        AbandonRecording(app, kTextCannotOpen);
        return 0;
    }
    audio.recording = true;
    SetTransportButtons(app, 0);
    ShowMenu(app, app.menus.disabled);
    return 1;
}

void OnWaveInData(App& app, WParam handle) {
    SoundDocument& doc = app.doc;
    AudioState& audio = app.audio;
    if (!audio.recording || handle != audio.inputHandle) {
        return;
    }
    WaveDevices* devices = app.host.Devices();
    std::size_t bytes = devices ? devices->InputBytesRecorded() : 0;
    if (devices) {
        devices->CloseInput();
    }
    const std::size_t blockAlign = std::max<std::size_t>(1, audio.recordFormat.blockAlign);
    bytes = std::min(bytes, audio.recordBlockSize);
    bytes -= bytes % blockAlign;
    // Without stop a device reports only a full block; a report before that means the
    // device itself gave up (its sound server died, it was unplugged).
    audio.recordingEndedEarly = !audio.stopping && bytes < audio.recordBlockSize;
    audio.recording = false;
    audio.inputHandle = 0;
    audio.stopping = false;

    // The recording becomes a new untitled sound, as New makes one: a save must never write
    // it over the file of the sound it replaced. That sound goes to the undo snapshot whole,
    // with its name, file type and modified mark.
    MoveSoundToSnapshot(doc, app.undo, true);
    doc.sampleData.Swap(audio.recordBlock);
    doc.title = kUntitled;
    doc.fileType = 0;
    doc.imported = false;
    doc.sourceFormat.clear();
    UpdateTitle(app);
    audio.recordBlock.Reset();
    audio.recordBlockSize = 0;
    doc.format = audio.recordFormat;
    doc.RecomputeBytesPerSample();
    doc.byteLength = static_cast<std::int32_t>(bytes);
    // Shrunk to the recorded bytes and the spare bytes every block keeps; should even that
    // fail, the block still holds every recorded byte.
    doc.sampleData.Resize(bytes + kSpareBytes);
    doc.selStart = doc.selEnd = 0;
    doc.viewStart = 0;
    app.host.SetWaveScrollPos(0, true);
    doc.cursor = KeepInside(doc.cursor, doc);
    doc.anchor = KeepInside(doc.anchor, doc);
    doc.modified = true;
    ShowFormatStatus(app);
    ShowSelectionStatus(app);
    RedrawWave(app);
    SetTransportButtons(app, 1);
    RestoreMenu(app);
    // Said once the window shows what was kept.
    if (audio.recordingEndedEarly) {
        ShowDeviceMessage(app, kTextRecordingEndedEarly);
    }
}

// --- Position bar ---------------------------------------------------------------------------

void OnPositionTimer(App& app) {
    const AudioState& audio = app.audio;
    const bool playing = audio.playMode != kPlayIdle;
    if (!playing && !audio.recording) {
        return;
    }
    WaveDevices* devices = app.host.Devices();
    if (!devices) {
        return;
    }
    const std::int64_t base =
        audio.recording
            ? 0
            : (audio.playMode == kPlayFromCursor || audio.playMode == kPlayLoop ? audio.playStart
                                                                                : 0);
    const int blockAlign =
        audio.recording ? audio.recordFormat.blockAlign : app.doc.format.blockAlign;
    const std::int64_t frames = std::max<std::int64_t>(
        0, audio.recording ? devices->InputPosition() : devices->OutputPosition());
    std::int64_t bytes = frames * std::max(1, blockAlign);
    if (!audio.recording && audio.playMode == kPlayLoop && audio.playLength > 0) {
        bytes %= audio.playLength;
    }
    if (!audio.recording) {
        FollowPlayPosition(app, base + bytes);
    }
    const int left = ClampToInt(BarX(app, base, blockAlign));
    const int right = std::max(left, ClampToInt(BarX(app, base + bytes, blockAlign)));
    FillStrip(app, left, right, audio.recording ? kColourRecordBar : kColourPlayBar);
    if (!audio.recording && audio.playMode == kPlayLoop) {
        FillStrip(app, right, PositionBarStrip(app).right, kColourBarStrip);
    }
}

// --- Ending -----------------------------------------------------------------------------------

void StopDevicesNow(App& app) {
    WaveDevices* devices =
        app.audio.playMode != kPlayIdle || app.audio.recording ? app.host.Devices() : nullptr;
    if (!devices) {
        return;
    }
    if (app.audio.playMode != kPlayIdle) {
        const WParam handle = app.audio.outputHandle;
        devices->ResetOutput();
        OnWaveOutDone(app, handle);
    }
    if (app.audio.recording) {
        const WParam handle = app.audio.inputHandle;
        // A stop like the user's: the recording ends here with what it has, and is not taken
        // for one its device cut short.
        app.audio.stopping = true;
        devices->StopInput();
        devices->ResetInput();
        OnWaveInData(app, handle);
    }
}

} // namespace wt
