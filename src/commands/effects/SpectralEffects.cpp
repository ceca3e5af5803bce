#include "commands/effects/SpectralEffects.h"

#include "commands/EffectFrame.h"
#include "commands/effects/SpectralTexts.h"
#include "dsp/NoiseRemoval.h"
#include "dsp/SpectralFilters.h"
#include "editor/App.h"
#include "editor/AppProgress.h"
#include "editor/DocumentUi.h"
#include "editor/Preview.h"
#include "editor/ScrollEdit.h"
#include "model/SampleOps.h"
#include "model/Undo.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>

namespace wt {

namespace {

constexpr const char* kEqPresetDefaults[kEqPresetCount] = {
    "0,0,0,20,40,50,50,50,50",    "50,50,50,50,50,40,20,0,0", "0,0,0,50,50,50,0,0,0",
    "70,60,50,50,50,50,60,70,70", "0,20,70,50,50,70,40,20,0", "50,50,55,60,60,55,50,50,50",
};
constexpr std::size_t kEqPresetChars = 80; // a stored preset is read up to 79 characters
constexpr int kEqPositionMax = 100;
// The sliders of dialog 112 have no edit field beside them.
constexpr int kNoEditField = 0;

std::string PresetKey(int number) {
    return "Preset" + std::to_string(number);
}

// One "%d" conversion at `p`: blanks, an optional sign, at least one digit. A number beyond
// the int range is held at its end. Returns false, with `p` unchanged, when there is none.
bool ScanInt(const char*& p, int& value) {
    const char* q = p;
    while (std::isspace(static_cast<unsigned char>(*q))) {
        ++q;
    }
    bool negative = false;
    if (*q == '+' || *q == '-') {
        negative = *q == '-';
        ++q;
    }
    if (!std::isdigit(static_cast<unsigned char>(*q))) {
        return false;
    }
    long long magnitude = 0;
    for (; std::isdigit(static_cast<unsigned char>(*q)); ++q) {
        magnitude = std::min<long long>(magnitude * 10 + (*q - '0'), 1LL << 32);
    }
    const long long signedValue = negative ? -magnitude : magnitude;
    value = static_cast<int>(std::clamp<long long>(signedValue, INT_MIN, INT_MAX));
    p = q;
    return true;
}

// The processing of both equalizers: 1024-point blocks of each channel with the bands applied,
// written back over the selection.
int RunEqualizer(App& app, const char* label, const char* caption, std::span<const BinBand> bands) {
    SoundDocument& doc = app.doc;
    if (!TakeEffectSnapshot(app, caption)) {
        return 0;
    }
    SampleBlock work;
    if (!AllocateWorkBuffer(app, work, kEqWorkBytes, caption)) {
        return 0;
    }
    std::memset(work.Data(), 0, work.Size());
    BusyScope busy(app, true);
    ResetPeak(doc);
    const std::int32_t frames = SelectionFrames(doc);
    const int channels = doc.format.channels;
    const std::int64_t total = std::int64_t{channels} * frames;
    for (int c = 0; c < channels; ++c) {
        const std::int64_t before = std::int64_t{c} * frames;
        EqualizeChannel(doc, doc.selStart, frames, c, bands, work.Data(),
                        [&](std::int64_t done) { ShowProgress(app, label, done + before, total); });
    }
    if (frames > 0) {
        doc.modified = true;
    }
    busy.End();
    return 1;
}

void SetEqBars(DialogHost& dlg, const int* positions) {
    for (int b = 0; b < kEqBandCount; ++b) {
        dlg.SetScrollPos(kIdEqFirstBar + b, positions[b], true);
    }
}

void CopyPositions(int* to, const EqPositions& from) {
    std::copy(from.begin(), from.end(), to);
}

void RegisterPreset(EqualizerDialog& state) {
    std::vector<DialogBinding> none;
    const LParam pressed = RunParamDialog(*state.app, kDialogEqPreset, Owner::WaveWindow, none);
    const LParam number = pressed - (kIdEqPresetFirstButton - 1);
    if (number < 1 || number > kEqPresetCount) {
        return;
    }
    EqPositions& preset = state.presets[static_cast<std::size_t>(number - 1)];
    std::copy(state.positions, state.positions + kEqBandCount, preset.begin());
    WriteEqPreset(state.app->profile, static_cast<int>(number), preset);
}

// Walks one channel of the selection frame by frame with the progress of noise removal.
template <class Body>
void NoisePass(App& app, std::int32_t frames, int step, std::int64_t& done, std::int64_t total,
               Body body) {
    const std::int64_t start = done;
    ForEachWithProgress(
        app, kLabelNoiseRemoval, frames, total,
        [&](std::int64_t i) { return start + (i + 1) * step; }, body);
    done = start + std::int64_t{frames} * step;
}

// Copies channel `channel` of every frame of `scratch` over the selection.
template <class Ops>
void CopyChannelBack(const Ops& ops, SoundDocument& doc, const std::uint8_t* scratch,
                     std::int32_t frames, int channel) {
    const std::int64_t step = doc.format.blockAlign;
    const int offset = channel * doc.bytesPerSample;
    std::uint8_t* to = doc.Data() + doc.selStart + offset;
    const std::uint8_t* from = scratch + offset;
    for (std::int64_t i = 0; i < frames; ++i) {
        ops.Write(to + i * step, ops.Read(from + i * step, 0), 0);
    }
}

template <class Ops>
void RemoveNoise(App& app, const Ops& ops, std::uint8_t* scratch, int strength, int halfWidth) {
    SoundDocument& doc = app.doc;
    const int step = doc.format.blockAlign;
    const std::int32_t frames = SelectionFrames(doc);
    const std::int64_t soundBytes = doc.byteLength;
    const std::int64_t first = doc.selStart / step; // frame index of the selection in the sound
    const std::int64_t total = std::int64_t{doc.selEnd - doc.selStart} * doc.format.channels * 2;
    const int limit = SmoothingLimit(strength);
    std::int64_t done = 0;
    for (int c = 0; c < doc.format.channels; ++c) {
        // Channel c's first sample in the sound and in the scratch buffer: every access below
        // is of channel 0 from there, which keeps the sample width out of the loops.
        const std::uint8_t* data = doc.Data() + c * doc.bytesPerSample;
        std::uint8_t* out = scratch + c * doc.bytesPerSample;
        // A sample of channel c by frame index in the sound; 0 outside it.
        auto sample = [&](std::int64_t frame) {
            const std::int64_t offset = frame * step;
            return offset >= 0 && offset < soundBytes ? ops.Read(data + offset, 0) : 0;
        };
        // Smoothing: the sum of the seven samples around t slides along with t.
        int sum7 = 0;
        for (int d = -kNoiseSmoothingReach; d <= kNoiseSmoothingReach; ++d) {
            sum7 += sample(first + d);
        }
        NoisePass(app, frames, step, done, total, [&](std::int64_t i) {
            const std::int64_t t = first + i;
            if (i > 0) {
                sum7 += sample(t + kNoiseSmoothingReach) - sample(t - kNoiseSmoothingReach - 1);
            }
            ops.Write(out + i * step, SmoothedSample(sample(t), sum7, limit), 0);
        });
        CopyChannelBack(ops, doc, scratch, frames, c);
        // Median of the 2K + 1 samples around t, of the sound as smoothed. A window of one
        // sample is that sample.
        if (halfWidth == 0) {
            NoisePass(app, frames, step, done, total,
                      [&](std::int64_t i) { ops.Write(out + i * step, sample(first + i), 0); });
        } else {
            MedianWindow window;
            if (frames > 0) {
                std::vector<int> values;
                for (int d = -halfWidth; d <= halfWidth; ++d) {
                    values.push_back(sample(first + d));
                }
                window.Reset(values.data(), halfWidth);
            }
            NoisePass(app, frames, step, done, total, [&](std::int64_t i) {
                const std::int64_t t = first + i;
                if (i > 0) {
                    window.Slide(sample(t - halfWidth - 1), sample(t + halfWidth));
                }
                ops.Write(out + i * step, window.Median(), 0);
            });
        }
        CopyChannelBack(ops, doc, scratch, frames, c);
    }
}

} // namespace

EqPositions ParseEqPreset(const std::string& text) {
    EqPositions positions;
    positions.fill(kEqFlatPosition);
    const char* p = text.c_str();
    for (int b = 0; b < kEqBandCount; ++b) {
        if (b > 0) {
            if (*p != ',') {
                break;
            }
            ++p;
        }
        int level = 0;
        if (!ScanInt(p, level)) {
            break;
        }
        positions[b] = kEqPositionMax - std::clamp(level, 0, kEqPositionMax);
    }
    return positions;
}

std::string FormatEqPreset(const EqPositions& positions) {
    std::string text;
    for (int b = 0; b < kEqBandCount; ++b) {
        if (b > 0) {
            text += ',';
        }
        text += std::to_string(kEqPositionMax - positions[b]);
    }
    return text;
}

std::array<EqPositions, kEqPresetCount> ReadEqPresets(const ProfileFile& profile) {
    std::array<EqPositions, kEqPresetCount> presets;
    for (int p = 0; p < kEqPresetCount; ++p) {
        presets[p] = ParseEqPreset(
            profile.GetString(kSectionEq, PresetKey(p + 1), kEqPresetDefaults[p], kEqPresetChars));
    }
    return presets;
}

void WriteEqPreset(const ProfileFile& profile, int number, const EqPositions& positions) {
    profile.WriteString(kSectionEq, PresetKey(number), FormatEqPreset(positions));
}

LParam EqualizerDlgProc(EqualizerDialog& state, DialogHost& dlg, unsigned message, WParam wParam,
                        LParam lParam) {
    switch (message) {
    case msg::InitDialog:
        state.positions = reinterpret_cast<int*>(lParam);
        state.presets = ReadEqPresets(state.app->profile);
        for (int b = 0; b < kEqBandCount; ++b) {
            dlg.SetScrollRange(kIdEqFirstBar + b, 0, kEqPositionMax, false);
        }
        SetEqBars(dlg, state.positions);
        return 1;
    case msg::VScroll: {
        const int bar = static_cast<int>(lParam);
        if (bar < kIdEqFirstBar || bar >= kIdEqFirstBar + kEqBandCount) {
            return 0;
        }
        int& position = state.positions[bar - kIdEqFirstBar];
        ScrollEditValue record{position};
        ScrollEditOnScroll(dlg, kNoEditField, LowWord(wParam), static_cast<int>(HighWord(wParam)),
                           bar, record);
        position = record.value;
        return 1;
    }
    case msg::Command: {
        const int id = static_cast<int>(LowWord(wParam));
        if (id >= kIdEqFirstPreset && id < kIdEqFirstPreset + kEqPresetCount) {
            CopyPositions(state.positions, state.presets[id - kIdEqFirstPreset]);
            SetEqBars(dlg, state.positions);
            return 1;
        }
        switch (id) {
        case kIdEqReset:
            std::fill(state.positions, state.positions + kEqBandCount, kEqFlatPosition);
            SetEqBars(dlg, state.positions);
            return 1;
        case kIdEqRegister:
            RegisterPreset(state);
            return 1;
        case IdOk:
            dlg.EndDialog(1);
            return 1;
        case IdCancel:
            dlg.EndDialog(0);
            return 1;
        default:
            return 0;
        }
    }
    case msg::Close:
        dlg.EndDialog(0);
        return 1;
    default:
        return 0;
    }
}

std::vector<DialogBinding> ParametricEqBindings(ParametricEqParams& params) {
    std::vector<DialogBinding> table;
    for (int m = 0; m < 3; ++m) {
        ParametricEqModule& module = params.modules[static_cast<std::size_t>(m)];
        const int base = kIdModuleBase + kIdModuleStride * m;
        table.push_back(CheckRow(base, &module.use));
        ScrollWithEdit(table, base + 1, base + 2, &module.frequency, 50, 20000);
        ScrollWithEdit(table, base + 3, base + 4, &module.level, -18, 18);
        ScrollWithEdit(table, base + 5, base + 6, &module.bandwidth, 1, 48);
    }
    table.push_back(EndRow());
    return table;
}

std::vector<DialogBinding> NoiseRemovalBindings(NoiseRemovalParams& params) {
    std::vector<DialogBinding> table;
    ScrollWithEdit(table, kIdRandomNoiseBar, kIdRandomNoiseEdit, &params.randomNoise, 0, 100);
    ScrollWithEdit(table, kIdImpulseNoiseBar, kIdImpulseNoiseEdit, &params.impulseNoise, 0,
                   kMaxMedianHalfWidth);
    table.push_back(EndRow());
    return table;
}

int CmdEqualizer(App& app) {
    SoundDocument& doc = app.doc;
    SelectAllIfNone(doc);
    EqualizerDialog state;
    state.app = &app;
    int* positions = app.effects.spectral.equalizer.positions.data();
    const LParam result = RunEffectDialog(
        app, kDialogEqualizer, Owner::WaveWindow,
        [&state](DialogHost& dlg, unsigned message, WParam wParam, LParam lParam) {
            return EqualizerDlgProc(state, dlg, message, wParam, lParam);
        },
        reinterpret_cast<LParam>(positions));
    if (result != 1) {
        return 0;
    }
    const auto bands =
        GraphicEqBands(doc.format.sampleRate, app.effects.spectral.equalizer.positions);
    return RunEqualizer(app, kLabelGraphicEq, kCaptionGraphicEq, bands);
}

int CmdParametricEq(App& app) {
    SoundDocument& doc = app.doc;
    SelectAllIfNone(doc);
    ParametricEqParams& params = app.effects.spectral.parametricEq;
    std::vector<DialogBinding> table = ParametricEqBindings(params);
    if (RunParamDialog(app, kDialogParametricEq, Owner::WaveWindow, table) != 1) {
        return 0;
    }
    // A module not in use still has its turn (and its progress report), with no bins.
    std::array<BinBand, 3> bands{};
    for (std::size_t m = 0; m < bands.size(); ++m) {
        const ParametricEqModule& module = params.modules[m];
        if (module.use) {
            bands[m] = ParametricEqBand(doc.format.sampleRate, module.frequency, module.level,
                                        module.bandwidth);
        }
    }
    return RunEqualizer(app, kLabelParametricEq, kLabelParametricEq, bands);
}

int CmdNoiseRemoval(App& app) {
    SoundDocument& doc = app.doc;
    SelectAllIfNone(doc);
    NoiseRemovalParams& params = app.effects.spectral.noiseRemoval;
    std::vector<DialogBinding> table = NoiseRemovalBindings(params);
    if (RunParamDialog(app, kDialogNoiseRemoval, Owner::WaveWindow, table) != 1) {
        return 0;
    }
    // The scratch buffer comes before the undo snapshot: when it cannot be had, nothing has
    // changed yet.
    SampleBlock scratch;
    if (!TryAllocate(scratch, static_cast<std::size_t>(doc.selEnd - doc.selStart))) {
        ShowOutOfMemory(app, kLabelNoiseRemoval);
        return 0;
    }
    if (!TakeEffectSnapshot(app, kLabelNoiseRemoval)) {
        return 0;
    }
    BusyScope busy(app, true);
    ResetPeak(doc);
    if (doc.format.blockAlign > 0) {
        WithSampleOps(doc, [&](const auto ops) {
            RemoveNoise(app, ops, scratch.Data(), params.randomNoise, params.impulseNoise);
        });
    }
    scratch.Reset();
    if (SelectionFrames(doc) > 0) {
        doc.modified = true;
    }
    busy.End();
    return 1;
}

int CmdVocoder(App& app) {
    if (app.busy) {
        return 0;
    }
    SoundDocument& doc = app.doc;
    SelectAllIfNone(doc);
    if (!TakeEffectSnapshot(app, kCaptionVocoder)) {
        return 0;
    }
    // The output, as long as the whole sound.
    SampleBlock output;
    if (!AllocateWorkBuffer(app, output, static_cast<std::size_t>(doc.byteLength),
                            kCaptionVocoder)) {
        return 0;
    }
    std::memset(output.Data(), 0, output.Size());
    BusyScope busy(app, true);
    ResetPeak(doc);
    // No percentage is shown, but a repaint or a click waits no longer than one stretch.
    Vocode(doc, doc.selStart, output.Data(), [&app] { app.host.LetEventsThrough(); });
    const std::int32_t frames = SelectionFrames(doc);
    if (frames > 0) {
        std::memcpy(doc.Data() + doc.selStart, output.Data(),
                    static_cast<std::size_t>(frames) * doc.format.blockAlign);
        doc.modified = true;
    }
    busy.End();
    return 1;
}

int CmdSpectralHighPass(App& app) {
    if (app.busy) {
        return 0;
    }
    SoundDocument& doc = app.doc;
    SelectAllIfNone(doc);
    if (!TakeEffectSnapshot(app, kCaptionSpectralHighPass)) {
        return 0;
    }
    // The transform's block and a little room to spare.
    SampleBlock fft;
    if (!AllocateWorkBuffer(app, fft, (kHighPassPoints + 16) * sizeof(double),
                            kCaptionSpectralHighPass)) {
        return 0;
    }
    BusyScope busy(app, true);
    ResetPeak(doc);
    const std::int32_t frames = SelectionFrames(doc);
    // No percentage is shown, but a repaint or a click waits no longer than one block.
    SpectralHighPassChannel0(doc, doc.selStart, frames, reinterpret_cast<double*>(fft.Data()),
                             [&app] { app.host.LetEventsThrough(); });
    if (frames > 0) {
        doc.modified = true;
    }
    busy.End();
    return 1;
}

} // namespace wt
