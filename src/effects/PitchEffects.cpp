#include "effects/PitchEffects.h"

#include "app/App.h"
#include "document/DocumentUi.h"
#include "dsp/PitchTime.h"
#include "effects/EffectFrame.h"
#include "effects/PitchTexts.h"
#include "effects/SampleOps.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace wt {

namespace {

// Room after a work buffer's frames: the transpose buffer may end in a partial frame, which
// the kernels write and read whole.
std::size_t SlackBytes(int blockAlign) {
    return static_cast<std::size_t>(blockAlign) + 16;
}

SampleRegion Selection(SoundDocument& doc) {
    return {doc.Data() + doc.selStart,
            static_cast<std::int64_t>(SelectionFrames(doc)) * doc.format.blockAlign};
}

// Whether a selection of `bytes` in place of the current one leaves a sound the document can
// hold (its length is a 32-bit count of bytes, with 16 spare bytes after the data).
bool FitsDocument(const SoundDocument& doc, std::int64_t bytes) {
    const std::int64_t length =
        static_cast<std::int64_t>(doc.byteLength) - (doc.selEnd - doc.selStart) + bytes;
    return length <= std::numeric_limits<std::int32_t>::max() - 16;
}

// Allocates the result buffer of a command that has taken its undo snapshot. A result the
// document could not hold counts as a failed allocation: the undo exchange puts the sound
// back and "not enough memory" is said under `caption`.
bool AllocateResult(App& app, SampleBlock& buffer, std::int64_t bytes, const char* caption) {
    if (!FitsDocument(app.doc, bytes)) {
        SwapWithSnapshot(app);
        ShowOutOfMemory(app, caption);
        return false;
    }
    return AllocateWorkBuffer(
        app, buffer, static_cast<std::size_t>(bytes) + SlackBytes(app.doc.format.blockAlign),
        caption);
}

// Puts the result in place of the selection. When the sound cannot grow to take it, the
// message has been shown and the undo exchange puts the sound back as it was before the
// command.
int StoreResult(App& app, const SampleBlock& buffer, std::int64_t bytes, const char* caption) {
    const int stored =
        ReplaceSelection(app, buffer.Data(), static_cast<std::int32_t>(bytes), caption);
    if (!stored) {
        SwapWithSnapshot(app);
    }
    return stored;
}

// Pitch and time stretch: the selection's frames become `frames` frames made by `process`.
template <class Process>
int ReplaceWithProcessed(App& app, std::int64_t frames, const char* caption, Process process) {
    SoundDocument& doc = app.doc;
    if (!TakeEffectSnapshot(app, caption)) {
        return 0;
    }
    const std::int64_t bytes = frames * doc.format.blockAlign;
    SampleBlock buffer;
    if (!AllocateResult(app, buffer, bytes, caption)) {
        return 0;
    }
    BeginBusy(app);
    ResetPeak(doc);
    process(Selection(doc), SampleRegion{buffer.Data(), bytes});
    const int stored = StoreResult(app, buffer, bytes, caption);
    buffer.Reset();
    if (stored) {
        doc.modified = true;
    }
    EndBusy(app);
    return stored;
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
    if (RunParamDialog(app, kDialogPitch, Owner::WaveWindow, table) != 1 || params.percent == 100) {
        return 0;
    }
    const int percent = params.percent;
    const std::int64_t frames = std::int64_t{SelectionFrames(doc)} * 100 / percent;
    return ReplaceWithProcessed(
        app, frames, kLabelPitch, [&](SampleRegion selection, SampleRegion result) {
            ResampleLinear(app, kLabelPitch, 0, 100, percent, selection, result);
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
    if (RunParamDialog(app, kDialogTimeStretch, Owner::WaveWindow, table) != 1 ||
        params.speed == 100) {
        return 0;
    }
    const std::int64_t frames = selected * 100 / params.speed;
    return ReplaceWithProcessed(app, frames, kLabelTimeStretch,
                                [&](SampleRegion selection, SampleRegion result) {
                                    StretchTime(app, kLabelTimeStretch, 0, 100, selection, result);
                                });
}

int CmdTranspose(App& app) {
    SoundDocument& doc = app.doc;
    SelectAllIfNone(doc);
    const TransposeParams& params = app.effects.pitchTime.transpose;
    std::vector<DialogBinding> table = TransposeBindings(app.effects.pitchTime.transpose);
    if (RunParamDialog(app, kDialogTranspose, Owner::WaveWindow, table) != 1 || params.cents == 0) {
        return 0;
    }
    if (!TakeEffectSnapshot(app, kLabelTranspose)) {
        return 0;
    }
    const int blockAlign = doc.format.blockAlign;
    const SampleRegion selection = Selection(doc);
    const std::int64_t shiftedBytes =
        TransposeBytes(SelectionFrames(doc), params.cents, blockAlign);
    SampleBlock shifted;
    if (!AllocateWorkBuffer(app, shifted,
                            static_cast<std::size_t>(shiftedBytes) + SlackBytes(blockAlign),
                            kLabelTranspose)) {
        return 0;
    }
    // The harmonize buffer is taken before any processing too, so that a shortage of memory
    // ends the command with the sound untouched.
    const bool harmonize = params.harmonize != 0;
    SampleBlock mixed;
    if (harmonize) {
        const auto bytes = static_cast<std::size_t>(selection.bytes);
        if (!AllocateWorkBuffer(app, mixed, bytes + SlackBytes(blockAlign), kLabelTranspose)) {
            return 0;
        }
        std::memset(mixed.Data(), 0, bytes);
    }
    BeginBusy(app);
    ResetPeak(doc);
    const SampleRegion shiftedRegion{shifted.Data(), shiftedBytes};
    ResampleLinear(app, kLabelTranspose, 0, 50, TransposeStep(params.cents), selection,
                   shiftedRegion);
    if (!harmonize) {
        StretchTime(app, kLabelTranspose, 50, 100, shiftedRegion, selection);
    } else {
        const SampleRegion mixedRegion{mixed.Data(), selection.bytes};
        StretchTime(app, kLabelTranspose, 50, 100, shiftedRegion, mixedRegion);
        // A weighted mean of the unshifted and the shifted sound.
        const int share = params.mix;
        const int channels = doc.format.channels;
        WithSampleOps(doc, [&](const auto ops) {
            for (std::int64_t at = 0; at < selection.bytes; at += blockAlign) {
                std::uint8_t* frame = selection.start + at;
                const std::uint8_t* wet = mixedRegion.start + at;
                for (int c = 0; c < channels; ++c) {
                    ops.Write(frame,
                              ((100 - share) * ops.Read(frame, c) + share * ops.Read(wet, c)) / 100,
                              c);
                }
            }
        });
        mixed.Reset();
    }
    shifted.Reset();
    doc.modified = true;
    EndBusy(app);
    return 1;
}

} // namespace wt
