#include "commands/effects/EnvelopeEffects.h"

#include "commands/EffectFrame.h"
#include "commands/effects/EffectTexts.h"
#include "commands/effects/EnvelopeEditor.h"
#include "editor/App.h"
#include "editor/AppProgress.h"
#include "editor/DocumentUi.h"
#include "model/SampleOps.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

namespace wt {

namespace {

// Positions across the selection: p = b * 256 / length for byte offsets b = 0, step, 2 * step,
// ... exactly, without a 64-bit division per frame. p stays below 256 while b < length.
class PositionWalk {
public:
    PositionWalk(std::int64_t length, int step)
        : length_(length), wholeStep_(kEnvelopeFull * static_cast<std::int64_t>(step) / length),
          partStep_(kEnvelopeFull * static_cast<std::int64_t>(step) % length) {}
    int Position() const { return static_cast<int>(position_); }
    void Next() {
        position_ += wholeStep_;
        remainder_ += partStep_;
        if (remainder_ >= length_) {
            remainder_ -= length_;
            ++position_;
        }
    }

private:
    std::int64_t length_;
    std::int64_t wholeStep_, partStep_;
    std::int64_t position_ = 0, remainder_ = 0;
};

// The envelope's value at every position p = 0..255 across the selection: on the segment from
// point s to point s + 1 that holds p (x_s <= p < x_(s+1)), v = (p - x_s) * (y_(s+1) - y_s) /
// (x_(s+1) - x_s) + y_s, truncated toward zero. The segment is the one that holds p even where
// frames are further apart than a segment is wide (selections of a few hundred frames), so the
// value always lies between the two points' values.
std::array<int, kEnvelopeFull> EnvelopeValues(const EnvelopePoints& points) {
    std::array<int, kEnvelopeFull> values{};
    const int count = EnvelopePointCount(points);
    if (count < 2) {
        values.fill(kEnvelopeMiddle);
        return values;
    }
    std::size_t s = 0;
    for (int p = 0; p < kEnvelopeFull; ++p) {
        while (static_cast<int>(s) + 2 < count && points[s + 1].x <= p) {
            ++s;
        }
        const EnvelopePoint& a = points[s];
        const EnvelopePoint& b = points[s + 1];
        values[static_cast<std::size_t>(p)] =
            b.x == a.x ? a.y : (p - a.x) * (b.y - a.y) / (b.x - a.x) + a.y;
    }
    return values;
}

// The walk over the selection's frames of the in-place envelopes.
struct Frames {
    std::uint8_t* start;
    std::int64_t bytes; // selEnd - selStart
    int step;           // blockAlign

    explicit Frames(SoundDocument& doc)
        : start(doc.Data() + doc.selStart), bytes(doc.selEnd - doc.selStart),
          step(doc.format.blockAlign) {
        if (step <= 0) {
            bytes = 0;
            step = 1;
        }
    }
    std::int64_t Count() const { return (bytes + step - 1) / step; }
};

// The volume and pan envelopes: for every frame the envelope value v at its position, then
// apply(ops, frame, v) changes the frame in place. Progress counts bytes.
template <class Apply>
int InPlaceEnvelope(App& app, const char* label, const EnvelopePoints& points, Apply apply) {
    SoundDocument& doc = app.doc;
    if (!BeginInPlaceEffect(app, label)) {
        return 0;
    }
    BusyScope busy(app, true);
    const Frames frames(doc);
    if (frames.bytes > 0) {
        const std::array<int, kEnvelopeFull> values = EnvelopeValues(points);
        // The position p = b * 256 / bytes of the frame at byte offset b changes at most 256
        // times: the frames run in stretches of one position each, from the first frame at p
        // to ceil((p + 1) * bytes / (256 * step)), with the value fixed inside a stretch.
        // Progress goes on from one stretch to the next as over one loop.
        const std::int64_t span = static_cast<std::int64_t>(kEnvelopeFull) * frames.step;
        const std::int64_t count =
            app.previewFrames > 0 ? std::min(frames.Count(), app.previewFrames) : frames.Count();
        WithSampleOps(doc, [&](const auto ops) {
            for (std::int64_t first = 0; first < count;) {
                const std::int64_t p = first * span / frames.bytes;
                const std::int64_t end =
                    std::min(count, ((p + 1) * frames.bytes + span - 1) / span);
                const int v = values[static_cast<std::size_t>(p)];
                std::uint8_t* const stretch = frames.start + first * frames.step;
                ForEachWithProgress(
                    app, label, end - first, frames.bytes,
                    [&](std::int64_t i) { return (first + i) * frames.step; },
                    [&](std::int64_t i) { apply(ops, stretch + i * frames.step, v); });
                first = end;
            }
        });
    }
    doc.modified = true;
    busy.End();
    return 1;
}

} // namespace

int CmdEnvelope(App& app) {
    SoundDocument& doc = app.doc;
    SelectAllIfNone(doc);
    EnvelopePoints& points = app.effects.envelopes.volume;
    if (RunEnvelopeDialog(app, kDialogVolumeEnvelope, points) != 1) {
        return 0;
    }
    // Channel 1 only with two channels or more; others keep their samples.
    if (doc.format.channels >= 2) {
        return InPlaceEnvelope(app, kLabelEnvelope, points,
                               [](const auto& ops, std::uint8_t* frame, int v) {
                                   ops.Write(frame, ops.Read(frame, 0) * v / 128, 0);
                                   ops.Write(frame, ops.Read(frame, 1) * v / 128, 1);
                               });
    }
    return InPlaceEnvelope(app, kLabelEnvelope, points,
                           [](const auto& ops, std::uint8_t* frame, int v) {
                               ops.Write(frame, ops.Read(frame, 0) * v / 128, 0);
                           });
}

int CmdPanEnvelope(App& app) {
    SoundDocument& doc = app.doc;
    if (doc.format.channels == 1) {
        app.host.MessageBox(Owner::WaveWindow, kTextPanEnvelopeStereoOnly, kLabelPanEnvelope,
                            mb::Ok | mb::IconInformation);
        return 0;
    }
    SelectAllIfNone(doc);
    EnvelopePoints& points = app.effects.envelopes.pan;
    if (RunEnvelopeDialog(app, kDialogPanEnvelope, points) != 1) {
        return 0;
    }
    return InPlaceEnvelope(app, kLabelPanEnvelope, points,
                           [](const auto& ops, std::uint8_t* frame, int v) {
                               ops.Write(frame, ops.Read(frame, 0) * v / 128, 0);
                               ops.Write(frame, ops.Read(frame, 1) * (kEnvelopeFull - v) / 128, 1);
                           });
}

int CmdPitchEnvelope(App& app) {
    SoundDocument& doc = app.doc;
    SelectAllIfNone(doc);
    EnvelopePoints& points = app.effects.envelopes.pitch;
    if (RunEnvelopeDialog(app, kDialogPitchEnvelope, points) != 1) {
        return 0;
    }
    if (!TakeEffectSnapshot(app, kLabelPitchEnvelope)) {
        return 0;
    }
    const std::int64_t length = static_cast<std::int64_t>(doc.selEnd) - doc.selStart;
    SampleBlock buffer;
    if (!AllocateWorkBuffer(app, buffer, static_cast<std::size_t>(2 * length + 100),
                            kLabelPitchEnvelope)) {
        return 0;
    }
    BusyScope busy(app, true);
    ResetPeak(doc);

    const std::array<int, kEnvelopeFull> values = EnvelopeValues(points);
    // Input frames advanced per output frame, in hundredths: 50 * 2^(v / 128), truncated
    // (50 at v = 0, 100 at v = 128, 200 at v = 256).
    std::array<int, kEnvelopeFull + 1> steps{};
    for (int v = 0; v <= kEnvelopeFull; ++v) {
        steps[static_cast<std::size_t>(v)] = static_cast<int>(50 * std::pow(2.0, v * 0.0078125));
    }

    const int blockAlign = doc.format.blockAlign;
    const int channels = doc.format.channels;
    std::int64_t outBytes = 0;
    if (blockAlign > 0 && length > 0) {
        const std::uint8_t* data = doc.Data();
        const std::int64_t dataLength = doc.byteLength;
        const std::uint8_t* in = data + doc.selStart;
        std::uint8_t* out = buffer.Data();
        const auto capacity = app.previewFrames > 0
                                  ? std::min<std::int64_t>(static_cast<std::int64_t>(buffer.Size()),
                                                           app.previewFrames * blockAlign)
                                  : static_cast<std::int64_t>(buffer.Size());
        PositionWalk walk(length, blockAlign);
        std::int64_t walked = 0; // the input frame `walk` is at
        // The shared progress counter, kept in a local while the loop runs: the stores through
        // byte pointers would otherwise make the compiler reload it for every frame.
        int counter = app.effects.progressCounter;
        WithSampleOps(doc, [&](const auto ops) {
            std::int64_t t = 0; // input position in hundredths of a frame
            // The envelope runs along the input: its values stay between 0 and 256, so every
            // step is 50 to 200 and the output fits the buffer's 2 * length bytes.
            while ((t / 100) * blockAlign < length && outBytes + blockAlign <= capacity) {
                const std::int64_t i = t / 100;
                const std::int64_t o = i * blockAlign;
                for (; walked < i; ++walked) {
                    walk.Next();
                }
                const int v = values[static_cast<std::size_t>(walk.Position())];
                const int fraction = static_cast<int>(t % 100);
                for (int c = 0; c < channels; ++c) {
                    const int a = ops.ReadBounded(data, dataLength, in + o, c);
                    const int b = ops.ReadBounded(data, dataLength, in + o + blockAlign, c);
                    ops.Write(out + outBytes, a + (b - a) * fraction / 100, c);
                }
                t += steps[static_cast<std::size_t>(v)];
                if (++counter >= kProgressInterval) {
                    app.effects.progressCounter = kProgressInterval - 1;
                    ShowProgress(app, kLabelPitchEnvelope, o, length);
                    counter = app.effects.progressCounter;
                }
                outBytes += blockAlign;
            }
        });
        app.effects.progressCounter = counter;
    }
    // A result beyond the 2 GB a sound can hold cannot be stored.
    int stored = 0;
    if (outBytes > std::numeric_limits<std::int32_t>::max()) {
        ShowOutOfMemory(app, kLabelPitchEnvelope);
    } else {
        stored = ReplaceSelection(app, buffer.Data(), static_cast<std::int32_t>(outBytes),
                                  kLabelPitchEnvelope);
    }
    buffer.Reset();
    if (stored) {
        doc.modified = true;
    }
    busy.End();
    return stored;
}

} // namespace wt
