#include "commands/effects/PitchEffects.h"
#include "commands/edit/UndoCommands.h"

#include "commands/EffectFrame.h"
#include "commands/effects/PitchTexts.h"
#include "dsp/PitchTime.h"
#include "editor/App.h"
#include "editor/AppProgress.h"
#include "editor/DocumentUi.h"
#include "model/SampleOps.h"

#include <cmath>
#include <string>

namespace wt {

namespace {

SampleRegion Selection(SoundDocument& doc) {
    return {doc.Data() + doc.selStart,
            static_cast<std::int64_t>(SelectionFrames(doc)) * doc.format.blockAlign};
}

// The selection as the undo snapshot holds it, just after the command took the snapshot: the
// commands read the sound as it was from there while they write the result into the document,
// so that no second copy of the selection or of the result is needed.
SampleRegion SnapshotSelection(App& app) {
    const SoundDocument& doc = app.doc;
    return {app.undo.data.Data() + doc.selStart,
            static_cast<std::int64_t>(SelectionFrames(doc)) * doc.format.blockAlign};
}

// Pitch and time stretch: the selection's frames become `frames` frames made by `process`
// from the snapshot's copy of them, straight into the resized selection. When the sound
// cannot be resized, "not enough memory" is said under `caption` and the undo exchange puts
// the sound back as it was before the command (a result the document could not hold counts
// as such a failure).
template <class Process>
int ReplaceWithProcessed(App& app, std::int64_t frames, const char* caption, Process process) {
    SoundDocument& doc = app.doc;
    if (!TakeEffectSnapshot(app, caption)) {
        return 0;
    }
    const SampleRegion source = SnapshotSelection(app);
    if (!ResizeSelection(app, frames * doc.format.blockAlign, caption)) {
        SwapWithSnapshot(app);
        return 0;
    }
    BusyScope busy(app, true);
    ResetPeak(doc);
    process(source, Selection(doc));
    doc.modified = true;
    busy.End();
    return 1;
}

// Says, under `caption`, that the sound's rate is too high for the stretch, when it is (see
// StretchIsPracticable); the command must then end with the sound untouched.
bool RefuseImpracticableStretch(App& app, const char* caption, std::int64_t sourceFrames,
                                std::int64_t destinationFrames) {
    const SoundDocument& doc = app.doc;
    if (StretchIsPracticable(doc.format.sampleRate, doc.format.channels, sourceFrames,
                             destinationFrames)) {
        return false;
    }
    app.host.MessageBox(Owner::WaveWindow, kTextRateTooHigh, caption, mb::Ok | mb::IconWarning);
    return true;
}

// The transpose ratio x for an interval in cents.
double TransposeRatio(int cents) {
    return std::pow(1.00057778951, cents);
}

} // namespace

std::vector<DialogBinding> PitchBindings(PitchParams& params) {
    std::vector<DialogBinding> table;
    ScrollWithEdit(table, kIdPitchBar, kIdPitchEdit, &params.percent, 50, 200);
    table.push_back(EndRow());
    return table;
}

std::vector<DialogBinding> TimeStretchBindings(TimeStretchParams& params, std::int64_t durationMs) {
    std::vector<DialogBinding> table;
    // The hook row comes first and carries the duration.
    table.push_back(HookRow([durationMs](DialogHost& dlg, unsigned message, WParam wParam,
                                         LParam lParam, DialogBinding* rows) {
        return TimeStretchHook(dlg, message, wParam, lParam, rows, durationMs);
    }));
    ScrollWithEdit(table, kIdSpeedBar, kIdSpeedEdit, &params.speed, 20, 400);
    table.push_back(EndRow());
    return table;
}

std::vector<DialogBinding> TransposeBindings(TransposeParams& params) {
    std::vector<DialogBinding> table;
    ScrollWithEdit(table, kIdCentsBar, kIdCentsEdit, &params.cents, -1200, 1200);
    table.push_back(CheckRow(kIdHarmonize, &params.harmonize));
    ScrollWithEdit(table, kIdMixBar, kIdMixEdit, &params.mix, 0, 100);
    table.push_back(EndRow());
    return table;
}

LParam TimeStretchHook(DialogHost& dlg, unsigned message, WParam, LParam, DialogBinding* table,
                       std::int64_t durationMs) {
    if (message != msg::InitDialog && message != msg::Command && message != msg::HScroll) {
        return 0;
    }
    const DialogBinding* speedRow = nullptr;
    for (DialogBinding* row = table; row && IsBindingRow(*row); ++row) {
        if (row->kind == bind::Number && row->control == kIdSpeedEdit) {
            speedRow = row;
        }
    }
    if (!speedRow || !speedRow->value) {
        return 0;
    }
    int speed = *speedRow->value;
    ReadBoundValue(dlg, *speedRow, speed);
    if (speed <= 0) {
        return 0;
    }
    const auto before = static_cast<std::uint64_t>(std::max<std::int64_t>(durationMs, 0));
    dlg.SetItemText(kIdDurationBefore, std::to_string(before));
    dlg.SetItemText(kIdDurationAfter,
                    std::to_string(before * 100 / static_cast<std::uint64_t>(speed)));
    return 0;
}

std::int64_t TransposeStep(int cents) {
    return static_cast<std::int64_t>(TransposeRatio(cents) * 100);
}

std::int64_t TransposeBytes(std::int64_t frames, int cents, int blockAlign) {
    return static_cast<std::int64_t>(static_cast<double>(frames) / TransposeRatio(cents) *
                                     blockAlign);
}

int CmdPitch(App& app) {
    SoundDocument& doc = app.doc;
    SelectAllIfNone(doc);
    const PitchParams& params = app.effects.pitchTime.pitch;
    std::vector<DialogBinding> table = PitchBindings(app.effects.pitchTime.pitch);
    if (RunParamDialog(app, kDialogPitch, Owner::WaveWindow, table) != 1) {
        return 0;
    }
    // At 100 % there is nothing to change: done, without an undo snapshot.
    if (params.percent == 100) {
        return 1;
    }
    const int percent = params.percent;
    const std::int64_t frames = std::int64_t{SelectionFrames(doc)} * 100 / percent;
    return ReplaceWithProcessed(
        app, frames, kLabelPitch, [&](SampleRegion selection, SampleRegion result) {
            AppProgress progress(app);
            ResampleLinear(app.doc, progress, kLabelPitch, 0, 100, percent, selection, result);
        });
}

int CmdTimeStretch(App& app) {
    SoundDocument& doc = app.doc;
    SelectAllIfNone(doc);
    const std::int64_t selected = SelectionFrames(doc);
    const std::uint32_t rate = doc.format.sampleRate;
    const std::int64_t durationMs = rate > 0 ? selected * 1000 / rate : 0;
    const TimeStretchParams& params = app.effects.pitchTime.timeStretch;
    std::vector<DialogBinding> table =
        TimeStretchBindings(app.effects.pitchTime.timeStretch, durationMs);
    if (RunParamDialog(app, kDialogTimeStretch, Owner::WaveWindow, table) != 1) {
        return 0;
    }
    if (params.speed == 100) {
        return 1;
    }
    const std::int64_t frames = selected * 100 / params.speed;
    if (RefuseImpracticableStretch(app, kLabelTimeStretch, selected, frames)) {
        return 0;
    }
    return ReplaceWithProcessed(
        app, frames, kLabelTimeStretch, [&](SampleRegion selection, SampleRegion result) {
            AppProgress progress(app);
            StretchTime(app.doc, progress, kLabelTimeStretch, 0, 100, selection, result);
        });
}

int CmdTranspose(App& app) {
    SoundDocument& doc = app.doc;
    SelectAllIfNone(doc);
    const TransposeParams& params = app.effects.pitchTime.transpose;
    std::vector<DialogBinding> table = TransposeBindings(app.effects.pitchTime.transpose);
    if (RunParamDialog(app, kDialogTranspose, Owner::WaveWindow, table) != 1) {
        return 0;
    }
    if (params.cents == 0) {
        return 1;
    }
    const SampleLayout layout = SampleLayout::Of(doc);
    const std::int64_t shiftedBytes =
        TransposeBytes(SelectionFrames(doc), params.cents, layout.blockAlign);
    if (RefuseImpracticableStretch(app, kLabelTranspose,
                                   SampleRegion{nullptr, shiftedBytes}.Frames(layout.blockAlign),
                                   SelectionFrames(doc))) {
        return 0;
    }
    if (!TakeEffectSnapshot(app, kLabelTranspose)) {
        return 0;
    }
    const SampleRegion selection = Selection(doc);
    const SampleRegion dry = SnapshotSelection(app);
    // The window is taken before any processing, so that a shortage of memory ends the
    // command with the sound untouched.
    const std::int64_t windowBytes =
        TransposeWindowBytes(layout, doc.format.sampleRate, shiftedBytes);
    SampleBlock window;
    if (!AllocateWorkBuffer(app, window, static_cast<std::size_t>(windowBytes) + 16,
                            kLabelTranspose)) {
        return 0;
    }
    BusyScope busy(app, true);
    ResetPeak(doc);
    AppProgress progress(app);
    TransposeTime(doc, progress, kLabelTranspose, TransposeStep(params.cents), dry, shiftedBytes,
                  selection, SampleRegion{window.Data(), windowBytes});
    window.Reset();
    if (params.harmonize != 0) {
        // A weighted mean of the unshifted sound (in the snapshot) and the shifted one.
        const int share = params.mix;
        const int channels = doc.format.channels;
        WithSampleOps(doc, [&](const auto ops) {
            for (std::int64_t at = 0; at < selection.bytes; at += layout.blockAlign) {
                std::uint8_t* frame = selection.start + at;
                const std::uint8_t* original = dry.start + at;
                for (int c = 0; c < channels; ++c) {
                    ops.Write(frame,
                              ((100 - share) * ops.Read(original, c) + share * ops.Read(frame, c)) /
                                  100,
                              c);
                }
            }
        });
    }
    doc.modified = true;
    busy.End();
    return 1;
}

} // namespace wt
