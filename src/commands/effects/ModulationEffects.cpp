#include "commands/effects/ModulationEffects.h"

#include "commands/EffectFrame.h"
#include "commands/effects/ModulationTexts.h"
#include "dsp/SineSweep.h"
#include "editor/App.h"
#include "editor/AppProgress.h"
#include "editor/DocumentUi.h"
#include "model/FrameRange.h"
#include "model/SampleOps.h"

#include <cstdint>
#include <vector>

namespace wt {

std::vector<DialogBinding> TremoloBindings(TremoloParams& params, bool mono) {
    std::vector<DialogBinding> table;
    ScrollWithEdit(table, kIdTremoloLevelBar, kIdTremoloLevelEdit, &params.level, 0, 100);
    ScrollWithEdit(table, kIdTremoloRateBar, kIdTremoloRateEdit, &params.rate, 0, 100);
    table.push_back(CheckRow(kIdAutoPan, &params.autoPan, mono));
    table.push_back(EndRow());
    return table;
}

std::vector<DialogBinding> VibratoBindings(VibratoParams& params) {
    std::vector<DialogBinding> table;
    ScrollWithEdit(table, kIdVibratoDepthBar, kIdVibratoDepthEdit, &params.depth, 0, 100);
    ScrollWithEdit(table, kIdVibratoRateBar, kIdVibratoRateEdit, &params.rate, 1, 200, 10);
    ScrollWithEdit(table, kIdOnsetBar, kIdOnsetEdit, &params.onset, 0, 100, 10);
    table.push_back(EndRow());
    return table;
}

int CmdTremolo(App& app) {
    SoundDocument& doc = app.doc;
    SelectAllIfNone(doc);
    TremoloParams& params = app.effects.modulation.tremolo;
    std::vector<DialogBinding> table = TremoloBindings(params, doc.format.channels == 1);
    if (RunParamDialog(app, kDialogTremolo, Owner::WaveWindow, table) != 1) {
        return 0;
    }
    if (!BeginInPlaceEffect(app, kLabelTremolo)) {
        return 0;
    }
    BusyScope busy(app, true);
    const FrameRange sel(doc);
    const int level = params.level;
    const bool autoPan = params.autoPan != 0;
    const std::array<int, 1024>& sine = app.sineTable;
    TremoloIndex index(doc.format.sampleRate, params.rate);
    WithSampleOps(doc, [&](const auto ops) {
        ForEachWithProgress(
            app, kLabelTremolo, sel.frames, sel.bytes, [&](std::int64_t k) { return sel.Done(k); },
            [&](std::int64_t k) {
                std::uint8_t* frame = sel.Frame(k);
                // The cut in percent, 0..level; with auto-pan the odd channels get level - cut.
                const int cut =
                    (sine[static_cast<std::size_t>(index.Index())] + 10000) * level / 20000;
                for (int c = 0; c < sel.channels; ++c) {
                    const int gain = autoPan && c % 2 == 1 ? 100 - (level - cut) : 100 - cut;
                    ops.Write(frame, ops.Read(frame, c) * gain / 100, c);
                }
                index.Next();
            });
    });
    doc.modified = true;
    busy.End();
    return 1;
}

int CmdVibrato(App& app) {
    SoundDocument& doc = app.doc;
    SelectAllIfNone(doc);
    const VibratoParams& params = app.effects.modulation.vibrato;
    std::vector<DialogBinding> table = VibratoBindings(app.effects.modulation.vibrato);
    if (RunParamDialog(app, kDialogVibrato, Owner::WaveWindow, table) != 1) {
        return 0;
    }
    if (!TakeEffectSnapshot(app, kLabelVibrato)) {
        return 0;
    }
    const FrameRange sel(doc);
    SampleBlock swept;
    if (!AllocateWorkBuffer(app, swept, static_cast<std::size_t>(sel.frames * sel.step),
                            kLabelVibrato)) {
        return 0;
    }
    std::uint8_t* w = swept.Data();
    SinePhase phase(doc.format.sampleRate, params.rate);
    BusyScope busy(app, true);
    ResetPeak(doc);
    const std::uint64_t depth = static_cast<std::uint64_t>(params.depth);
    // The onset in frames: the depth grows from 0 over them.
    const std::uint64_t onsetFrames =
        static_cast<std::uint64_t>(params.onset) * doc.format.sampleRate / 10;
    const std::array<int, 1024>& sine = app.sineTable;
    WithSampleOps(doc, [&](const auto ops) {
        // The swept copy alone: the read position swings by up to the current depth either way
        // at rate / 10 Hz. The first frame is read unswept.
        int offset = 0; // ten-thousandths of a frame
        ForEachWithProgress(
            app, kLabelVibrato, sel.frames, sel.bytes, [&](std::int64_t k) { return sel.Done(k); },
            [&](std::int64_t k) {
                ReadSwept(sel, ops, k, offset, w + k * sel.step);
                phase.Advance();
                const auto frame = static_cast<std::uint64_t>(k);
                const std::uint64_t current =
                    frame < onsetFrames ? depth * frame / onsetFrames : depth;
                offset = sine[static_cast<std::size_t>(phase.Index())] * static_cast<int>(current);
            });
        for (std::int64_t k = 0; k < sel.frames; ++k) {
            LetEventsThrough(app, k);
            std::uint8_t* frame = sel.Frame(k);
            const std::uint8_t* wet = w + k * sel.step;
            for (int c = 0; c < sel.channels; ++c) {
                ops.Write(frame, ops.Read(wet, c), c);
            }
        }
    });
    swept.Reset();
    doc.modified = true;
    busy.End();
    return 1;
}

} // namespace wt
