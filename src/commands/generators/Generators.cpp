#include "commands/generators/Generators.h"

#include "commands/EffectFrame.h"
#include "commands/edit/RangeEdits.h"
#include "commands/generators/GeneratorTexts.h"
#include "editor/App.h"
#include "editor/AppProgress.h"
#include "editor/DocumentUi.h"
#include "model/FrameRange.h"
#include "model/SampleOps.h"

#include <array>
#include <cstdint>

namespace wt {

namespace {

// Phase in ten-thousandths of a cycle.
constexpr int kCycle = 10000;

// SineTable entry for phase 0..9999.
inline int SineAt(const std::array<int, 1024>& sine, int phase) {
    return sine[static_cast<std::size_t>(phase * 1024 / kCycle)];
}

// Writes the modulator into channel 0 of every frame of the gap.
template <class Ops>
void WriteModulator(const FrameRange& gap, const Ops& ops, const std::array<int, 1024>& sine,
                    int amplitude, int step) {
    int p = 0;
    for (std::int64_t k = 0; k < gap.frames; ++k) {
        p %= kCycle;
        ops.Write(gap.Frame(k), SineAt(sine, p) * amplitude / kCycle, 0);
        p += step;
    }
}

// The carrier over the gap, with the phase of each frame moved by the modulator in channel 0
// when `fm` is set.
template <int Waveform, class Ops>
void WriteCarrier(App& app, const FrameRange& gap, const Ops& ops, int amplitude, int step,
                  bool fm) {
    const std::array<int, 1024>& sine = app.sineTable;
    int p = 0;
    ForEachWithProgress(
        app, kLabelTone, gap.frames, gap.bytes, [&](std::int64_t k) { return gap.Done(k); },
        [&](std::int64_t k) {
            std::uint8_t* frame = gap.Frame(k);
            p %= kCycle;
            int phase = p;
            if (fm) {
                phase = p + ops.Read(frame, 0) / 8;
                if (phase < 0) {
                    phase += kCycle;
                }
                phase %= kCycle;
            }
            int value;
            if constexpr (Waveform == 0) {
                value = phase <= kCycle / 2 ? -amplitude : amplitude;
            } else if constexpr (Waveform == 1) {
                value = SineAt(sine, phase) * amplitude / kCycle;
            } else {
                value = amplitude * phase / (kCycle / 2) - amplitude;
            }
            for (int c = 0; c < gap.channels; ++c) {
                ops.Write(frame, value, c);
            }
            p += step;
        });
}

} // namespace

std::vector<DialogBinding> NoiseBindings(NoiseParams& params, bool mono) {
    std::vector<DialogBinding> table;
    ScrollWithEdit(table, kIdNoiseVolumeBar, kIdNoiseVolumeEdit, &params.volume, 0, 100);
    ScrollWithEdit(table, kIdNoiseTimeBar, kIdNoiseTimeEdit, &params.timeMs, 0, 5000);
    table.push_back(CheckRow(kIdStereoNoise, &params.stereoNoise, mono));
    table.push_back(EndRow());
    return table;
}

std::vector<DialogBinding> ToneBindings(ToneParams& params) {
    std::vector<DialogBinding> table;
    ScrollWithEdit(table, kIdToneVolumeBar, kIdToneVolumeEdit, &params.volume, 0, 100);
    ScrollWithEdit(table, kIdToneFrequencyBar, kIdToneFrequencyEdit, &params.frequencyHz, 30,
                   10000);
    ScrollWithEdit(table, kIdToneTimeBar, kIdToneTimeEdit, &params.timeMs, 0, 5000);
    table.push_back(RadioRow(kIdSquare, &params.waveform, 0));
    table.push_back(RadioRow(kIdSine, &params.waveform, 1));
    table.push_back(RadioRow(kIdSawtooth, &params.waveform, 2));
    table.push_back(CheckRow(kIdUseFm, &params.fm));
    ScrollWithEdit(table, kIdFmDepthBar, kIdFmDepthEdit, &params.fmDepth, 0, 100);
    ScrollWithEdit(table, kIdFmRatioBar, kIdFmRatioEdit, &params.fmRatio, 0, 100);
    table.push_back(EndRow());
    return table;
}

std::vector<DialogBinding> SilenceBindings(SilenceParams& params) {
    std::vector<DialogBinding> table;
    ScrollWithEdit(table, kIdSilenceTimeBar, kIdSilenceTimeEdit, &params.timeMs, 0, 5000);
    table.push_back(EndRow());
    return table;
}

int CmdWhiteNoise(App& app) {
    SoundDocument& doc = app.doc;
    NoiseParams& params = app.effects.generators.noise;
    const bool mono = doc.format.channels == 1;
    if (mono) {
        params.stereoNoise = 0;
    }
    std::vector<DialogBinding> table = NoiseBindings(params, mono);
    if (RunParamDialog(app, kDialogNoise, Owner::WaveWindow, table) != 1) {
        return 0;
    }
    if (!TakeEffectSnapshot(app, kCaptionNoise)) {
        return 0;
    }
    // When the gap cannot be had, the sound is already back as it was: nothing is written.
    if (!InsertSilence(app, static_cast<std::uint32_t>(params.timeMs))) {
        return 0;
    }
    const int b = params.volume * 256 / 100;
    const int half = b / 2;
    const bool perChannel = params.stereoNoise != 0;
    RandomSource& random = app.effects.generators.random;
    BusyScope busy(app, true);
    const FrameRange gap(doc);
    auto draw = [&] { return b != 0 ? random.Next() % b : 0; };
    WithSampleOps(doc, [&](const auto ops) {
        ForEachWithProgress(
            app, kLabelNoise, gap.frames, gap.bytes, [&](std::int64_t k) { return gap.Done(k); },
            [&](std::int64_t k) {
                std::uint8_t* frame = gap.Frame(k);
                if (perChannel) {
                    for (int c = 0; c < gap.channels; ++c) {
                        ops.Write(frame, (draw() - half) * 256, c);
                    }
                } else {
                    const int value = (draw() - half) * 256;
                    for (int c = 0; c < gap.channels; ++c) {
                        ops.Write(frame, value, c);
                    }
                }
            });
    });
    busy.End();
    doc.modified = true;
    return 1;
}

int CmdTone(App& app) {
    SoundDocument& doc = app.doc;
    const ToneParams& params = app.effects.generators.tone;
    std::vector<DialogBinding> table = ToneBindings(app.effects.generators.tone);
    if (RunParamDialog(app, kDialogTone, Owner::WaveWindow, table) != 1) {
        return 0;
    }
    // Whole samples per period; none when the tone is above the sample rate, where the phase
    // step would divide by zero.
    const std::uint32_t period =
        params.frequencyHz > 0
            ? doc.format.sampleRate / static_cast<std::uint32_t>(params.frequencyHz)
            : 0;
    if (period == 0) {
        app.host.MessageBox(Owner::WaveWindow, kTextToneTooHigh, kCaptionTone,
                            mb::Ok | mb::IconWarning);
        return 0;
    }
    if (!TakeEffectSnapshot(app, kCaptionTone)) {
        return 0;
    }
    BusyScope busy(app, true);
    if (!InsertSilence(app, static_cast<std::uint32_t>(params.timeMs))) {
        busy.End();
        return 0;
    }
    const int step = static_cast<int>(kCycle / period);
    const int amplitude = params.volume * 32767 / 100;
    const bool fm = params.fm != 0;
    const FrameRange gap(doc);
    WithSampleOps(doc, [&](const auto ops) {
        if (fm) {
            WriteModulator(gap, ops, app.sineTable, params.fmDepth * 32767 / 100,
                           step * params.fmRatio / 10);
        }
        switch (params.waveform) {
        case 0:
            WriteCarrier<0>(app, gap, ops, amplitude, step, fm);
            break;
        case 2:
            WriteCarrier<2>(app, gap, ops, amplitude, step, fm);
            break;
        default:
            WriteCarrier<1>(app, gap, ops, amplitude, step, fm);
            break;
        }
    });
    doc.modified = true;
    busy.End();
    return 1;
}

int CmdInsertSilence(App& app) {
    SilenceParams& params = app.effects.generators.silence;
    std::vector<DialogBinding> table = SilenceBindings(params);
    if (RunParamDialog(app, kDialogSilence, Owner::WaveWindow, table) != 1) {
        return 0;
    }
    if (!TakeEffectSnapshot(app, kCaptionSilence)) {
        return 0;
    }
    const int done = InsertSilence(app, static_cast<std::uint32_t>(params.timeMs));
    ShowFormatStatus(app);
    RedrawWave(app);
    return done;
}

} // namespace wt
