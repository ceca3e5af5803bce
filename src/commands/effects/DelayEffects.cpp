#include "commands/effects/DelayEffects.h"

#include "commands/EffectFrame.h"
#include "commands/effects/DelayTexts.h"
#include "commands/effects/LevelEffects.h"
#include "dsp/SineSweep.h"
#include "editor/App.h"
#include "editor/AppProgress.h"
#include "editor/DocumentUi.h"
#include "model/FrameRange.h"
#include "model/SampleOps.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace wt {

const std::array<ReverbTap, 29> ReverbTaps = {{
    {61, 100}, {62, 85},  {88, 64},  {93, 2},   {95, 3},   {96, 1},  {102, 73}, {155, 52},
    {208, 19}, {212, 3},  {215, 32}, {241, 27}, {248, 16}, {259, 2}, {267, 1},  {328, 7},
    {357, 2},  {410, 12}, {429, 10}, {448, 2},  {452, 4},  {561, 2}, {568, 1},  {617, 3},
    {656, 1},  {707, 1},  {805, 1},  {978, 3},  {0, 0},
}};

namespace {

// The reflections of one reverb run: each tap's distance back in frames and its weight
// gain * reverb level, so that a tap adds sample * weight / 12800.
struct ReverbPlan {
    static constexpr int kMaxTaps = 28;
    int count = 0;
    std::int64_t frames[kMaxTaps] = {};
    int weight[kMaxTaps] = {};
    std::int64_t longest = 0; // frames

    ReverbPlan(std::uint32_t sampleRate, int timeMs, int level) {
        for (const ReverbTap& tap : ReverbTaps) {
            if (tap.delay == 0 && tap.gain == 0) {
                break;
            }
            // Both divisions unsigned: the delay at 1000 ms in frames, then stretched.
            const std::uint64_t at1000 = static_cast<std::uint64_t>(tap.delay) * sampleRate / 1000;
            frames[count] =
                static_cast<std::int64_t>(at1000 * static_cast<std::uint64_t>(timeMs) / 1000);
            weight[count] = tap.gain * level;
            longest = std::max(longest, frames[count]);
            ++count;
        }
    }
};

// The reverb of frame k of the selection, through the sound's own sample operations, with
// every read bounded by the data: for the frames whose reflections reach before the start of
// the sound, and for layouts with padding between samples.
template <class Ops>
void ReverbFrame(const FrameRange& sel, const Ops& ops, const ReverbPlan& plan, int dryLevel,
                 std::int64_t k, std::uint8_t* out) {
    const std::int64_t at = sel.startOffset + k * sel.step;
    for (int c = 0; c < sel.channels; ++c) {
        const int dry = sel.ReadBounded(ops, at, c);
        int wet = 0;
        for (int j = 0; j < plan.count; ++j) {
            const int s = sel.ReadBounded(ops, at - plan.frames[j] * sel.step, c);
            wet += s * plan.weight[j] / 12800;
        }
        ops.Write(out, dry * dryLevel / 100 + wet, c);
    }
}

// The same arithmetic over samples packed without padding (blockAlign = channels * sample
// size), where channel c of the frame n frames back is n * channels samples back: a stretch
// of samples is summed tap by tap into `sum`, in loops the compiler can vectorise. Every
// reflection of these samples lies inside the data.
template <int Bits> struct PackedSamples {
    using Stored = std::conditional_t<Bits == 16, std::int16_t, std::uint8_t>;
    static int Value(Stored s) {
        if constexpr (Bits == 16) {
            return s;
        } else {
            return (static_cast<int>(s) - 128) * 256;
        }
    }
    static Stored Store(int v) {
        if constexpr (Bits == 16) {
            return static_cast<Stored>(static_cast<std::uint16_t>(v));
        } else {
            return static_cast<Stored>((v >> 8) + 128);
        }
    }
};

template <int Bits>
[[gnu::always_inline]] inline void
ReverbPackedStretch(const std::uint8_t* input, std::uint8_t* output, std::int64_t count,
                    const ReverbPlan& plan, int channels, int dryLevel) {
    using P = PackedSamples<Bits>;
    using Stored = typename P::Stored;
    constexpr std::int64_t kBlock = 512;
    int sum[kBlock];
    for (std::int64_t first = 0; first < count; first += kBlock) {
        const int n = static_cast<int>(std::min(kBlock, count - first));
        const Stored* in = reinterpret_cast<const Stored*>(input) + first;
        for (int t = 0; t < n; ++t) {
            sum[t] = P::Value(in[t]) * dryLevel / 100;
        }
        for (int j = 0; j < plan.count; ++j) {
            const Stored* from = in - plan.frames[j] * channels;
            const int weight = plan.weight[j];
            for (int t = 0; t < n; ++t) {
                sum[t] += P::Value(from[t]) * weight / 12800;
            }
        }
        Stored* out = reinterpret_cast<Stored*>(output) + first;
        for (int t = 0; t < n; ++t) {
            out[t] = P::Store(sum[t]);
        }
    }
}

// The tap loops divide by a constant, which the baseline x86-64 instruction set does four
// lanes at a time through emulated multiplies; where the processor has AVX2 a second copy of
// these loops, picked when the program starts, does eight at a time with the same results.
#if defined(__x86_64__) && defined(__GNUC__)
#define WT_ALSO_FOR_AVX2 __attribute__((target_clones("avx2", "default")))
#else
#define WT_ALSO_FOR_AVX2
#endif

WT_ALSO_FOR_AVX2 void ReverbPacked16(const std::uint8_t* input, std::uint8_t* output,
                                     std::int64_t count, const ReverbPlan& plan, int channels,
                                     int dryLevel) {
    ReverbPackedStretch<16>(input, output, count, plan, channels, dryLevel);
}

WT_ALSO_FOR_AVX2 void ReverbPacked8(const std::uint8_t* input, std::uint8_t* output,
                                    std::int64_t count, const ReverbPlan& plan, int channels,
                                    int dryLevel) {
    ReverbPackedStretch<8>(input, output, count, plan, channels, dryLevel);
}

} // namespace

std::vector<DialogBinding> EchoBindings(EchoParams& params) {
    std::vector<DialogBinding> table;
    ScrollWithEdit(table, kIdDelayTimeBar, kIdDelayTimeEdit, &params.delayMs, 0, 1000);
    ScrollWithEdit(table, kIdEchoLevelBar, kIdEchoLevelEdit, &params.level, 0, 100);
    ScrollWithEdit(table, kIdFeedbackBar, kIdFeedbackEdit, &params.feedback, 0, 100);
    table.push_back(EndRow());
    return table;
}

std::vector<DialogBinding> ReverbBindings(ReverbParams& params) {
    std::vector<DialogBinding> table;
    ScrollWithEdit(table, kIdReverbTimeBar, kIdReverbTimeEdit, &params.timeMs, 0, 2000);
    ScrollWithEdit(table, kIdReverbLevelBar, kIdReverbLevelEdit, &params.level, 0, 100);
    ScrollWithEdit(table, kIdDryLevelBar, kIdDryLevelEdit, &params.dryLevel, 0, 100);
    table.push_back(EndRow());
    return table;
}

std::vector<DialogBinding> FlangerBindings(FlangerParams& params, bool mono) {
    std::vector<DialogBinding> table;
    ScrollWithEdit(table, kIdFlangerLevelBar, kIdFlangerLevelEdit, &params.level, 0, 100);
    ScrollWithEdit(table, kIdFlangerDepthBar, kIdFlangerDepthEdit, &params.depth, 0, 100);
    ScrollWithEdit(table, kIdFlangerRateBar, kIdFlangerRateEdit, &params.rate, 0, 100);
    table.push_back(CheckRow(kIdStereoFlange, &params.stereoFlange, mono));
    table.push_back(EndRow());
    return table;
}

int CmdEcho(App& app) {
    SoundDocument& doc = app.doc;
    SelectAllIfNone(doc);
    const EchoParams& params = app.effects.delay.echo;
    std::vector<DialogBinding> table = EchoBindings(app.effects.delay.echo);
    if (RunParamDialog(app, kDialogEcho, Owner::WaveWindow, table) != 1) {
        return 0;
    }
    if (!TakeEffectSnapshot(app, kLabelEcho)) {
        return 0;
    }
    const FrameRange sel(doc);
    // The delay in frames, then room for the delay and every echo of the selection.
    const std::int64_t delay =
        static_cast<std::int64_t>(static_cast<std::uint64_t>(doc.format.sampleRate) *
                                  static_cast<std::uint64_t>(params.delayMs) / 1000);
    SampleBlock echoes;
    if (!AllocateWorkBuffer(app, echoes, static_cast<std::size_t>((delay + sel.frames) * sel.step),
                            kLabelEcho)) {
        return 0;
    }
    ResetPeak(doc);
    std::uint8_t* echo = echoes.Data();
    BusyScope busy(app, true);
    const int level = params.level;
    const int feedback = params.feedback;
    WithSampleOps(doc, [&](const auto ops) {
        // Silence before the first echo (the value 0, which is the byte 128 on 8-bit sound).
        for (std::int64_t k = 0; k < delay; ++k) {
            for (int c = 0; c < sel.channels; ++c) {
                ops.Write(echo + k * sel.step, 0, c);
            }
        }
        // Echo k + delay is the input's share plus the feedback of echo k, stored in the
        // sound's format (so on 8-bit sound the feedback carries 8-bit values). With no delay,
        // echo k is read before it is written and counts as 0.
        ForEachWithProgress(
            app, kLabelEcho, sel.frames, sel.bytes, [&](std::int64_t k) { return sel.Done(k); },
            [&](std::int64_t k) {
                const std::uint8_t* frame = sel.Frame(k);
                const std::uint8_t* earlier = echo + k * sel.step;
                std::uint8_t* later = echo + (delay + k) * sel.step;
                for (int c = 0; c < sel.channels; ++c) {
                    const int fed = delay > 0 ? ops.Read(earlier, c) : 0;
                    ops.Write(later, ops.Read(frame, c) * level / 100 + fed * feedback / 100, c);
                }
            });
        // The dry sound plus the echoes, which start `delay` frames late.
        for (std::int64_t k = 0; k < sel.frames; ++k) {
            LetEventsThrough(app, k);
            std::uint8_t* frame = sel.Frame(k);
            const std::uint8_t* wet = echo + k * sel.step;
            for (int c = 0; c < sel.channels; ++c) {
                ops.Write(frame, ops.Read(frame, c) + ops.Read(wet, c), c);
            }
        }
    });
    echoes.Reset();
    doc.modified = true;
    busy.End();
    return 1;
}

int CmdReverb(App& app) {
    SoundDocument& doc = app.doc;
    SelectAllIfNone(doc);
    const ReverbParams& params = app.effects.delay.reverb;
    std::vector<DialogBinding> table = ReverbBindings(app.effects.delay.reverb);
    if (RunParamDialog(app, kDialogReverb, Owner::MainWindow, table) != 1) {
        return 0;
    }
    if (!TakeEffectSnapshot(app, kLabelReverb)) {
        return 0;
    }
    // Whole frames only; the work buffer has 32 bytes to spare.
    const std::int32_t length = SelectionFrames(doc) * doc.format.blockAlign;
    SampleBlock buffer;
    if (!AllocateWorkBuffer(app, buffer, static_cast<std::size_t>(length) + 32, kLabelReverb)) {
        return 0;
    }
    // The reflections are taken from the sound without its DC offset. DC removal runs as a
    // command of its own, with its own undo snapshot of the unchanged sound, so undo still
    // returns to the sound before the reverb. When it fails for want of memory it has said so
    // and put the sound back; the reverb then stops too, rather than change the sound in a
    // way nobody asked for after "not enough memory".
    if (!CmdDcRemove(app)) {
        return 0;
    }
    BusyScope busy(app, true);
    const FrameRange sel(doc);
    const ReverbPlan plan(doc.format.sampleRate, params.timeMs, params.level);
    const int dryLevel = params.dryLevel;
    std::uint8_t* out = buffer.Data();
    // Frames from `reachable` on have every reflection inside the data.
    const std::int64_t startFrame = sel.startOffset / sel.step;
    const std::int64_t reachable =
        std::clamp<std::int64_t>(plan.longest - startFrame, 0, sel.frames);
    const int bits = doc.format.bitsPerSample;
    const bool packed = (bits == 8 || bits == 16) && doc.bytesPerSample == bits / 8 &&
                        sel.step == sel.channels * doc.bytesPerSample;
    WithSampleOps(doc, [&](const auto ops) {
        ForEachStretchWithProgress(
            app, kLabelReverb, sel.frames, length, [&](std::int64_t k) { return sel.Done(k); },
            [&](std::int64_t first, std::int64_t end) {
                std::int64_t k = first;
                for (; k < end && (k < reachable || !packed); ++k) {
                    ReverbFrame(sel, ops, plan, dryLevel, k, out + k * sel.step);
                }
                if (k < end) {
                    const std::int64_t samples = (end - k) * sel.channels;
                    if (bits == 16) {
                        ReverbPacked16(sel.Frame(k), out + k * sel.step, samples, plan,
                                       sel.channels, dryLevel);
                    } else {
                        ReverbPacked8(sel.Frame(k), out + k * sel.step, samples, plan, sel.channels,
                                      dryLevel);
                    }
                }
            });
    });
    const int stored = ReplaceSelection(app, out, length, kLabelReverb);
    buffer.Reset();
    if (stored) {
        doc.modified = true;
    }
    busy.End();
    return stored;
}

int CmdFlanger(App& app) {
    SoundDocument& doc = app.doc;
    SelectAllIfNone(doc);
    FlangerParams& params = app.effects.delay.flanger;
    // On a mono sound the stereo flange cannot be chosen.
    const bool mono = doc.format.channels == 1;
    if (mono) {
        params.stereoFlange = 0;
    }
    std::vector<DialogBinding> table = FlangerBindings(params, mono);
    if (RunParamDialog(app, kDialogFlanger, Owner::WaveWindow, table) != 1) {
        return 0;
    }
    if (!TakeEffectSnapshot(app, kLabelFlanger)) {
        return 0;
    }
    const FrameRange sel(doc);
    SampleBlock swept;
    if (!AllocateWorkBuffer(app, swept, static_cast<std::size_t>(sel.frames * sel.step),
                            kLabelFlanger)) {
        return 0;
    }
    BusyScope busy(app, true);
    ResetPeak(doc);
    std::uint8_t* w = swept.Data();
    const int level = params.level;
    const int depth = params.depth;
    SinePhase phase(doc.format.sampleRate, params.rate);
    const std::array<int, 1024>& sine = app.sineTable;
    WithSampleOps(doc, [&](const auto ops) {
        // The swept copy: the read position swings by up to depth frames either way, at rate / 10
        // Hz. The first frame is read unswept.
        int offset = 0; // ten-thousandths of a frame
        ForEachWithProgress(
            app, kLabelFlanger, sel.frames, sel.bytes, [&](std::int64_t k) { return sel.Done(k); },
            [&](std::int64_t k) {
                ReadSwept(sel, ops, k, offset, w + k * sel.step);
                phase.Advance();
                offset = sine[static_cast<std::size_t>(phase.Index())] * depth;
            });
        for (std::int64_t k = 0; k < sel.frames; ++k) {
            LetEventsThrough(app, k);
            std::uint8_t* frame = sel.Frame(k);
            const std::uint8_t* wet = w + k * sel.step;
            if (params.stereoFlange != 0) {
                // Channel 0 cross-fades from dry to swept; the others stay dry.
                const int y =
                    (100 - level) * ops.Read(frame, 0) / 100 + ops.Read(wet, 0) * level / 100;
                ops.Write(frame, y, 0);
            } else {
                for (int c = 0; c < sel.channels; ++c) {
                    const int mixed = ops.Read(frame, c) + ops.Read(wet, c) * level / 100;
                    ops.Write(frame, mixed / 2, c);
                }
            }
        }
    });
    swept.Reset();
    doc.modified = true;
    busy.End();
    return 1;
}

} // namespace wt
