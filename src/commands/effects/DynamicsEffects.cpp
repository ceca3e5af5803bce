#include "commands/effects/DynamicsEffects.h"

#include "commands/EffectFrame.h"
#include "commands/effects/DynamicsTexts.h"
#include "editor/App.h"
#include "editor/AppProgress.h"
#include "editor/DocumentUi.h"
#include "model/FrameRange.h"
#include "model/SampleOps.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace wt {

namespace {

// Full gain of the noise gate.
constexpr int kGateOpen = 1000000;

// The compressor's gain in percent for a frame whose envelope is `envelope`: a blend, weighted
// by ratio, of the fixed gain `outputLevel` and the gain that brings the envelope to
// outputLevel percent of full scale (never above 100 %). Envelopes below 512 silence the frame.
int CompressorGain(int envelope, int outputLevel, int ratio) {
    if (envelope < 512) {
        return 0;
    }
    const int toTarget = std::min(outputLevel * 32767 / envelope, 100);
    return ((100 - ratio) * outputLevel + toTarget * ratio) / 100;
}

// The distorted value of x before it is mixed with the dry sound.
int Distort(int x, int mode) {
    if (mode == 0) {
        // Fuzz: gain 4 with a hard clip at 10000.
        if (x >= 2500) {
            return 10000;
        }
        if (x <= -2500) {
            return -10000;
        }
        return 4 * x;
    }
    // Overdrive: 128 times the square root of the magnitude, sign kept, truncated.
    if (x >= 0) {
        return static_cast<int>(128.0 * std::sqrt(static_cast<double>(x)));
    }
    return static_cast<int>(-128.0 * std::sqrt(static_cast<double>(-x)));
}

} // namespace

std::vector<DialogBinding> CompressorBindings(CompressorParams& params) {
    std::vector<DialogBinding> table;
    ScrollWithEdit(table, kIdOutputLevelBar, kIdOutputLevelEdit, &params.outputLevel, 0, 100);
    ScrollWithEdit(table, kIdRatioBar, kIdRatioEdit, &params.ratio, 1, 100);
    table.push_back(EndRow());
    return table;
}

std::vector<DialogBinding> NoiseGateBindings(NoiseGateParams& params) {
    std::vector<DialogBinding> table;
    ScrollWithEdit(table, kIdGateLevelBar, kIdGateLevelEdit, &params.level, 0, 100);
    ScrollWithEdit(table, kIdAttackBar, kIdAttackEdit, &params.attackMs, 1, 500);
    ScrollWithEdit(table, kIdReleaseBar, kIdReleaseEdit, &params.releaseMs, 1, 500);
    table.push_back(EndRow());
    return table;
}

std::vector<DialogBinding> DistortionBindings(DistortionParams& params) {
    std::vector<DialogBinding> table;
    ScrollWithEdit(table, kIdDistortionDepthBar, kIdDistortionDepthEdit, &params.depth, 0, 100);
    table.push_back(RadioRow(kIdFuzz, &params.mode, 0));
    table.push_back(RadioRow(kIdOverdrive, &params.mode, 1));
    table.push_back(EndRow());
    return table;
}

int CmdCompressor(App& app) {
    SoundDocument& doc = app.doc;
    SelectAllIfNone(doc);
    const CompressorParams& params = app.effects.dynamics.compressor;
    std::vector<DialogBinding> table = CompressorBindings(app.effects.dynamics.compressor);
    if (RunParamDialog(app, kDialogCompressor, Owner::WaveWindow, table) != 1) {
        return 0;
    }
    if (!TakeEffectSnapshot(app, kLabelCompressor)) {
        return 0;
    }
    const FrameRange sel(doc);
    // The envelope, one value per frame in channel 0 of a frame laid out like the sound's, so
    // that on 8-bit sound it has 8-bit precision.
    SampleBlock envelope;
    if (!AllocateWorkBuffer(app, envelope, static_cast<std::size_t>(sel.frames * sel.step),
                            kLabelCompressor)) {
        return 0;
    }
    BusyScope busy(app, true);
    std::uint8_t* env = envelope.Data();
    // The gain depends on the envelope (0..32767) alone: one division per envelope value
    // instead of one per frame.
    std::vector<std::int8_t> gainOf(32768);
    for (int e = 0; e < 32768; ++e) {
        gainOf[static_cast<std::size_t>(e)] =
            static_cast<std::int8_t>(CompressorGain(e, params.outputLevel, params.ratio));
    }
    // Three passes and no percentage: the level of each frame, the held envelope, the gain.
    WithSampleOps(doc, [&](const auto ops) {
        for (std::int64_t k = 0; k < sel.frames; ++k) {
            LetEventsThrough(app, k);
            const std::uint8_t* frame = sel.Frame(k);
            int sum = 0; // at most 65535 channels of 32768: inside 32 bits
            for (int c = 0; c < sel.channels; ++c) {
                const int x = ops.Read(frame, c);
                sum += x < 0 ? -x : x;
            }
            ops.Write(env + k * sel.step, std::min(sum / sel.channels, 32767), 0);
        }
        // The envelope follows every rise at once and falls by 10 per frame.
        int held = 0;
        for (std::int64_t k = 0; k < sel.frames; ++k) {
            LetEventsThrough(app, k);
            std::uint8_t* at = env + k * sel.step;
            held = std::max(held, ops.Read(at, 0));
            ops.Write(at, held, 0);
            held -= 10;
        }
        for (std::int64_t k = 0; k < sel.frames; ++k) {
            LetEventsThrough(app, k);
            std::uint8_t* frame = sel.Frame(k);
            const int gain = gainOf[static_cast<std::size_t>(ops.Read(env + k * sel.step, 0))];
            for (int c = 0; c < sel.channels; ++c) {
                ops.Write(frame, ops.Read(frame, c) * gain / 100, c);
            }
        }
    });
    envelope.Reset();
    doc.modified = true;
    busy.End();
    return 1;
}

int CmdNoiseGate(App& app) {
    SoundDocument& doc = app.doc;
    SelectAllIfNone(doc);
    const NoiseGateParams& params = app.effects.dynamics.noiseGate;
    std::vector<DialogBinding> table = NoiseGateBindings(app.effects.dynamics.noiseGate);
    if (RunParamDialog(app, kDialogNoiseGate, Owner::WaveWindow, table) != 1) {
        return 0;
    }
    if (!TakeEffectSnapshot(app, kLabelNoiseGate)) {
        return 0;
    }
    BusyScope busy(app, true);
    const FrameRange sel(doc);
    // Attack and release in frames, at least one so that the ramps exist at any sample rate.
    const std::uint64_t rate = doc.format.sampleRate;
    const std::uint64_t attackFrames =
        std::max<std::uint64_t>(1, static_cast<std::uint64_t>(params.attackMs) * rate / 1000);
    const std::uint64_t releaseFrames =
        std::max<std::uint64_t>(1, static_cast<std::uint64_t>(params.releaseMs) * rate / 1000);
    const int openStep = static_cast<int>(kGateOpen / attackFrames);
    const int closeStep = static_cast<int>(kGateOpen / releaseFrames);
    const int threshold = params.level * 32768 / 100;
    int gain = kGateOpen; // 0 .. 1000000
    int held = 0;         // peak follower
    WithSampleOps(doc, [&](const auto ops) {
        ForEachWithProgress(
            app, kLabelNoiseGate, sel.frames, sel.bytes,
            [&](std::int64_t k) { return sel.Done(k); },
            [&](std::int64_t k) {
                std::uint8_t* frame = sel.Frame(k);
                // The gain applies in whole percent.
                const int percent = gain / 10000;
                for (int c = 0; c < sel.channels; ++c) {
                    const int x = ops.Read(frame, c);
                    ops.Write(frame, x * percent / 100, c);
                    held = std::max(held, x < 0 ? -x : x);
                }
                // The gain found here applies from the next frame on.
                if (held < threshold) {
                    gain = std::max(gain - closeStep, 0);
                } else {
                    gain = std::min(gain + openStep, kGateOpen);
                }
                held -= 10;
            });
    });
    doc.modified = true;
    busy.End();
    return 1;
}

int CmdDistortion(App& app) {
    SoundDocument& doc = app.doc;
    SelectAllIfNone(doc);
    const DistortionParams& params = app.effects.dynamics.distortion;
    std::vector<DialogBinding> table = DistortionBindings(app.effects.dynamics.distortion);
    if (RunParamDialog(app, kDialogDistortion, Owner::WaveWindow, table) != 1) {
        return 0;
    }
    if (!BeginInPlaceEffect(app, kLabelDistortion)) {
        return 0;
    }
    BusyScope busy(app, true);
    const FrameRange sel(doc);
    // The output depends on the input value alone: one entry per 16-bit value, in the
    // arithmetic of a sample at a time.
    const int depth = params.depth;
    std::vector<int> output(65536);
    for (int x = -32768; x <= 32767; ++x) {
        output[static_cast<std::size_t>(x + 32768)] =
            (Distort(x, params.mode) * depth + (100 - depth) * x) / 100;
    }
    const int* map = output.data() + 32768;
    WithSampleOps(doc, [&](const auto ops) {
        ForEachWithProgress(
            app, kLabelDistortion, sel.frames, sel.bytes,
            [&](std::int64_t k) { return sel.Done(k); },
            [&](std::int64_t k) {
                std::uint8_t* frame = sel.Frame(k);
                for (int c = 0; c < sel.channels; ++c) {
                    ops.Write(frame, map[ops.Read(frame, c)], c);
                }
            });
    });
    doc.modified = true;
    busy.End();
    return 1;
}

} // namespace wt
