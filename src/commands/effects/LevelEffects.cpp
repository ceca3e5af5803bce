#include "commands/effects/LevelEffects.h"

#include "commands/EffectFrame.h"
#include "commands/edit/UndoCommands.h"
#include "commands/effects/EffectTexts.h"
#include "editor/App.h"
#include "editor/AppProgress.h"
#include "editor/DocumentUi.h"
#include "editor/ParamDialog.h"
#include "model/SampleOps.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace wt {

namespace {

// The selection as the processing loops walk it: frame by frame from selStart while below
// selEnd. A format without a frame size has no frames to walk.
struct Selection {
    std::uint8_t* start;
    std::int64_t bytes; // selEnd - selStart
    int step;           // blockAlign
    int channels;

    explicit Selection(SoundDocument& doc)
        : start(doc.Data() + doc.selStart), bytes(doc.selEnd - doc.selStart),
          step(doc.format.blockAlign), channels(doc.format.channels) {
        if (step <= 0) {
            bytes = 0;
            step = 1;
        }
    }
    // Frames the walk visits (a last partial frame included).
    std::int64_t Frames() const { return (bytes + step - 1) / step; }
    std::uint8_t* Frame(std::int64_t i) const { return start + i * step; }
    std::int64_t Offset(std::int64_t i) const { return i * step; }
};

// The volume outputs of one frame (step 5 of the volume algorithm), passed to store(channel,
// value). Channel 1 is computed before channel 0; sounds with more than two channels keep
// their other channels. x * volume * g is formed as x * (volume * g), the same exact product:
// |x| <= 32768, volume <= 200 and g <= 50 keep every product inside 32 bits.
struct VolumeGain {
    int volume; // percent
    int k0, k1; // volume * the pan factor of channel 0 and 1 (50 each at the centre)

    VolumeGain(int volumePercent, int pan)
        : volume(volumePercent), k0(volumePercent * std::min(100 - pan, 50)),
          k1(volumePercent * std::min(pan, 50)) {}

    template <bool Mono, class Ops, class Store>
    void Apply(const Ops& ops, const std::uint8_t* frame, Store store) const {
        if constexpr (Mono) {
            store(0, ops.Read(frame, 0) * volume / 100);
        } else {
            store(1, ops.Read(frame, 1) * k1 / 5000);
            store(0, ops.Read(frame, 0) * k0 / 5000);
        }
    }
};

template <bool Mono, class Ops>
void VolumeProcess(App& app, const Selection& sel, const Ops& ops, const VolumeGain& gain,
                   bool limiter) {
    SoundDocument& doc = app.doc;
    auto offset = [&sel](std::int64_t i) { return sel.Offset(i); };
    if (!limiter) {
        ForEachWithProgress(app, kLabelVolume, sel.Frames(), sel.bytes, offset,
                            [&](std::int64_t i) {
                                std::uint8_t* frame = sel.Frame(i);
                                gain.template Apply<Mono>(
                                    ops, frame, [&](int c, int y) { ops.Write(frame, y, c); });
                            });
        return;
    }
    // Two passes over the same outputs: the first finds their peak, the second stores them
    // scaled so that the loudest lands at full scale. Progress spans both.
    const std::int64_t total = 2 * sel.bytes;
    auto secondOffset = [&sel](std::int64_t i) { return sel.bytes + sel.Offset(i); };
    if (gain.volume <= 100) {
        // Outputs no louder than their inputs always fit, so the first pass could only find a
        // peak that scales nothing and the limited store would store them as they are: the
        // first pass shows its progress without computing, the second stores plainly.
        ForEachWithProgress(app, kLabelVolume, sel.Frames(), total, offset, [](std::int64_t) {});
        ForEachWithProgress(app, kLabelVolume, sel.Frames(), total, secondOffset,
                            [&](std::int64_t i) {
                                std::uint8_t* frame = sel.Frame(i);
                                gain.template Apply<Mono>(
                                    ops, frame, [&](int c, int y) { ops.Write(frame, y, c); });
                            });
        return;
    }
    bool overflows = false;
    int peak = 0;
    ForEachWithProgress(app, kLabelVolume, sel.Frames(), total, offset, [&](std::int64_t i) {
        gain.template Apply<Mono>(ops, sel.Frame(i), [&](int, int y) {
            TrackPeakIn(peak, y);
            overflows = overflows || y > 32767 || y < -32768;
        });
    });
    doc.peak = peak;
    // -32768 alone has a magnitude above 32767 but fits: scaling every sample down for it
    // would change a sound that needs no limiting (and drop every positive 8-bit value by a
    // step).
    if (!overflows) {
        ResetPeak(doc);
    }
    const int limit = doc.peak;
    ForEachWithProgress(app, kLabelVolume, sel.Frames(), total, secondOffset, [&](std::int64_t i) {
        std::uint8_t* frame = sel.Frame(i);
        gain.template Apply<Mono>(ops, frame,
                                  [&](int c, int y) { ops.WriteLimited(frame, y, c, limit); });
    });
    ResetPeak(doc);
}

int Fade(App& app, const char* label, bool fadeIn) {
    SoundDocument& doc = app.doc;
    SelectAllIfNone(doc);
    if (!BeginInPlaceEffect(app, label)) {
        return 0;
    }
    BusyScope busy(app, true);
    const std::int32_t n = SelectionFrames(doc);
    const std::int64_t made =
        app.previewFrames > 0 ? std::min<std::int64_t>(n, app.previewFrames) : n;
    const Selection sel(doc);
    WithSampleOps(doc, [&](const auto ops) {
        ForEachWithProgress(
            app, label, made, n, [](std::int64_t i) { return i; },
            [&](std::int64_t i) {
                std::uint8_t* frame = sel.Frame(i);
                // Extended precision: the gain first, then the product, truncated toward zero.
                const long double gain =
                    fadeIn ? static_cast<long double>(i) / n : static_cast<long double>(n - i) / n;
                for (int c = 0; c < sel.channels; ++c) {
                    ops.Write(frame, static_cast<int>(ops.Read(frame, c) * gain), c);
                }
            });
    });
    doc.modified = true;
    busy.End();
    return 1;
}

} // namespace

std::vector<DialogBinding> VolumeBindings(VolumeParams& params) {
    std::vector<DialogBinding> table;
    ScrollWithEdit(table, kIdVolumeBar, kIdVolumeEdit, &params.volume, 0, 200);
    ScrollWithEdit(table, kIdPanBar, kIdPanEdit, &params.pan, 0, 100);
    table.push_back(CheckRow(kIdLimiter, &params.limiter));
    table.push_back(EndRow());
    return table;
}

int CmdVolume(App& app) {
    SoundDocument& doc = app.doc;
    SelectAllIfNone(doc);
    VolumeParams& params = app.effects.volume;
    std::vector<DialogBinding> table = VolumeBindings(params);
    if (RunParamDialog(app, kDialogVolume, Owner::WaveWindow, table) != 1) {
        return 0;
    }
    const bool mono = doc.format.channels == 1;
    if (mono && params.pan != 50 &&
        app.host.MessageBox(Owner::WaveWindow, kTextMonoPanIgnored, kLabelVolume,
                            mb::OkCancel | mb::IconInformation) != IdOk) {
        return 0;
    }
    if (!BeginInPlaceEffect(app, kLabelVolume)) {
        return 0;
    }
    BusyScope busy(app, true);
    const VolumeGain gain(params.volume, params.pan);
    const Selection sel(doc);
    const bool limiter = params.limiter != 0;
    WithSampleOps(doc, [&](const auto ops) {
        if (mono) {
            VolumeProcess<true>(app, sel, ops, gain, limiter);
        } else {
            VolumeProcess<false>(app, sel, ops, gain, limiter);
        }
    });
    busy.End();
    doc.modified = true;
    return 1;
}

int CmdNormalize(App& app) {
    SoundDocument& doc = app.doc;
    SelectAllIfNone(doc);
    if (!BeginInPlaceEffect(app, kLabelNormalize)) {
        return 0;
    }
    BusyScope busy(app, true);
    const Selection sel(doc);
    const std::int64_t total = 2 * sel.bytes;
    WithSampleOps(doc, [&](const auto ops) {
        int peak = 0;
        ForEachWithProgress(
            app, kLabelNormalize, sel.Frames(), total,
            [&](std::int64_t i) { return sel.Offset(i); },
            [&](std::int64_t i) {
                const std::uint8_t* frame = sel.Frame(i);
                for (int c = 0; c < sel.channels; ++c) {
                    TrackPeakIn(peak, ops.Read(frame, c));
                }
            });
        doc.peak = peak;
        // An all-zero selection has no gain that would bring it to full scale: it stays as
        // it is.
        if (peak == 0) {
            return;
        }
        ForEachWithProgress(
            app, kLabelNormalize, sel.Frames(), total,
            [&](std::int64_t i) { return sel.bytes + sel.Offset(i); },
            [&](std::int64_t i) {
                std::uint8_t* frame = sel.Frame(i);
                for (int c = 0; c < sel.channels; ++c) {
                    // |x| <= 32768, so x * 32767 fits 32 bits.
                    ops.Write(frame, ops.Read(frame, c) * 32767 / peak, c);
                }
            });
    });
    ResetPeak(doc);
    busy.End();
    doc.modified = true;
    return 1;
}

int CmdSilence(App& app) {
    SoundDocument& doc = app.doc;
    SelectAllIfNone(doc);
    if (!TakeSnapshot(app)) {
        return 0;
    }
    ResetPeak(doc);
    const Selection sel(doc);
    WithSampleOps(doc, [&](const auto ops) {
        for (std::int64_t i = 0; i < sel.Frames(); ++i) {
            for (int c = 0; c < sel.channels; ++c) {
                ops.Write(sel.Frame(i), 0, c);
            }
        }
    });
    doc.modified = true;
    RedrawWave(app);
    return 1;
}

int CmdFadeIn(App& app) {
    return Fade(app, kLabelFadeIn, true);
}

int CmdFadeOut(App& app) {
    return Fade(app, kLabelFadeOut, false);
}

int CmdReverse(App& app) {
    SoundDocument& doc = app.doc;
    SelectAllIfNone(doc);
    if (!BeginInPlaceEffect(app, kLabelReverse)) {
        return 0;
    }
    BusyScope busy(app, true);
    const Selection sel(doc);
    if (sel.bytes > 0) {
        const std::int32_t n = SelectionFrames(doc);
        // Pair k exchanges frame k with frame k from the end; the walk stops where the two
        // meet, so the middle frame of an odd count stays. Progress counts pairs, so the
        // percentage ends near 50.
        const std::int64_t pairs =
            sel.bytes > sel.step ? (sel.bytes + sel.step - 1) / (2 * sel.step) : 0;
        WithSampleOps(doc, [&](const auto ops) {
            ForEachWithProgress(
                app, kLabelReverse, pairs, n, [](std::int64_t k) { return k; },
                [&](std::int64_t k) {
                    std::uint8_t* a = sel.Frame(k);
                    std::uint8_t* b = sel.start + sel.bytes - (k + 1) * sel.step;
                    for (int c = 0; c < sel.channels; ++c) {
                        const int atA = ops.Read(a, c);
                        const int atB = ops.Read(b, c);
                        ops.Write(a, atB, c);
                        ops.Write(b, atA, c);
                    }
                });
        });
        doc.modified = true;
    }
    busy.End();
    return 1;
}

int CmdPhaseInvert(App& app) {
    SoundDocument& doc = app.doc;
    SelectAllIfNone(doc);
    if (!BeginInPlaceEffect(app, kLabelPhaseInvert)) {
        return 0;
    }
    BusyScope busy(app, true);
    const Selection sel(doc);
    if (sel.bytes > 0) {
        const std::int32_t n = SelectionFrames(doc);
        WithSampleOps(doc, [&](const auto ops) {
            ForEachWithProgress(
                app, kLabelPhaseInvert, sel.Frames(), n, [](std::int64_t i) { return i; },
                [&](std::int64_t i) {
                    std::uint8_t* frame = sel.Frame(i);
                    for (int c = 0; c < sel.channels; ++c) {
                        // -(-32768) does not fit 16 bits; the stored low bits are -32768 again.
                        ops.Write(frame, -ops.Read(frame, c), c);
                    }
                });
        });
        doc.modified = true;
    }
    busy.End();
    return 1;
}

int CmdDcRemove(App& app) {
    SoundDocument& doc = app.doc;
    SelectAllIfNone(doc);
    if (!TakeEffectSnapshot(app, kLabelDcRemove)) {
        return 0;
    }
    const Selection sel(doc);
    // Whole frames only; the work buffer has 32 bytes to spare.
    const std::int32_t length = SelectionFrames(doc) * doc.format.blockAlign;
    SampleBlock buffer;
    if (!AllocateWorkBuffer(app, buffer, static_cast<std::size_t>(length) + 32, kLabelDcRemove)) {
        return 0;
    }
    BusyScope busy(app, true);
    // One running mean per channel, whatever the channel count, starting at 0 every run.
    std::vector<double> mean(static_cast<std::size_t>(sel.channels), 0.0);
    const std::uint8_t* data = doc.Data();
    const std::int64_t dataLength = doc.byteLength;
    std::uint8_t* out = buffer.Data();
    WithSampleOps(doc, [&](const auto ops) {
        ForEachWithProgress(
            app, kLabelDcRemove, length / sel.step, length,
            [&](std::int64_t k) { return sel.Offset(k); },
            [&](std::int64_t k) {
                const std::uint8_t* frame = sel.Frame(k);
                std::uint8_t* to = out + sel.Offset(k);
                for (int c = 0; c < sel.channels; ++c) {
                    const int x = ops.ReadBounded(data, dataLength, frame, c);
                    double& m = mean[static_cast<std::size_t>(c)];
                    // A one-pole average over about 128 frames; the output is what is left
                    // above it.
                    m = (x + m * 127.0) * 0.0078125;
                    ops.Write(to, static_cast<int>(x - m), c);
                }
            });
    });
    const int stored = ReplaceSelection(app, buffer.Data(), length, kLabelDcRemove);
    buffer.Reset();
    if (stored) {
        doc.modified = true;
    }
    busy.End();
    return stored;
}

} // namespace wt
