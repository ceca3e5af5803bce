#include "dsp/PitchTime.h"

#include "model/SampleOps.h"
#include "model/SoundDocument.h"
#include "util/Progress.h"

#include <algorithm>
#include <cstring>

namespace wt {

namespace {

// h * 65535 * 65535: where the search for the best candidate starts.
constexpr std::uint64_t kLargestSquare = 4294836225u;

// Calls f(ops) with the sample operations of the layout's depth.
template <class F> void WithLayoutOps(const SampleLayout& layout, F&& f) {
    switch (layout.bits) {
    case 16:
        f(SampleOps<16>{layout.bytesPerSample});
        break;
    case 8:
        f(SampleOps<8>{layout.bytesPerSample});
        break;
    default:
        f(SampleOps<0>{layout.bytesPerSample});
        break;
    }
}

// Channel `channel` of frame `frame` of the region, or 0 when that frame's first byte lies
// outside it.
template <class Ops>
int ReadFrame(const Ops& ops, const SampleRegion& region, int blockAlign, std::int64_t frame,
              int channel) {
    if (frame < 0) {
        return 0;
    }
    const std::int64_t at = frame * blockAlign;
    if (at >= region.bytes) {
        return 0;
    }
    return ops.Read(region.start + at, channel);
}

// progressFrom + (progressTo - progressFrom) * done / total, the product formed first.
std::int64_t ProgressValue(int progressFrom, int progressTo, std::int64_t done,
                           std::int64_t total) {
    if (total <= 0) {
        return progressTo;
    }
    return progressFrom + (progressTo - progressFrom) * std::min(done, total) / total;
}

// The search as stated: every read bounded, the squares summed as doubles channel by channel.
// Used where the windows are too long for the fast path's buffers, that is at rates far above
// the usual ones, where the windows can be far longer than the sound. Frames past the end of
// a region read 0, so the work is cut to what the regions hold without changing a result:
// - a term whose source frame and output frame both lie past their ends adds 0, which leaves
//   a double sum as it was, so each sum stops where both windows have run out;
// - every candidate whose output window lies wholly past the output's end sums the same
//   terms, the source window's own squares, and so compares equal to the first of them; the
//   earliest of equal sums wins, so the search stops at that first one.
template <class Ops>
int FindSpliceOffsetPlain(const Ops& ops, const SampleLayout& layout, SampleRegion output,
                          std::int64_t outputFrame, SampleRegion source, std::int64_t sourceFrame,
                          int h) {
    const int blockAlign = layout.blockAlign;
    // The offsets into each window from which on every frame lies past the region's end: for
    // the source window kept within 0..h, for the output window at least 0.
    const int sourceEnd =
        static_cast<int>(std::clamp<std::int64_t>(source.Frames(blockAlign) - sourceFrame, 0, h));
    const std::int64_t outputEnd =
        std::max<std::int64_t>(output.Frames(blockAlign) - outputFrame, 0);
    const int lastCandidate = static_cast<int>(std::min<std::int64_t>(h - 1, outputEnd));
    double best = static_cast<double>(h) * static_cast<double>(kLargestSquare);
    int result = 0;
    for (int i = 0; i <= lastCandidate; ++i) {
        const int terms = static_cast<int>(
            std::max<std::int64_t>(sourceEnd, std::min<std::int64_t>(outputEnd - i, h)));
        double sum = 0;
        for (int c = 0; c < layout.channels; ++c) {
            for (int k = 0; k < terms; ++k) {
                const std::int64_t d =
                    ReadFrame(ops, source, layout.blockAlign, sourceFrame + k, c) -
                    ReadFrame(ops, output, layout.blockAlign, outputFrame + i + k, c);
                sum += static_cast<double>(d * d);
            }
        }
        if (sum < best) {
            best = sum;
            result = i;
        }
    }
    return result;
}

// The fast path holds both windows as 16-bit values on the stack: up to this many values of
// the source window (h * channels), and twice as many of the output window.
constexpr int kMaxWindowValues = 4096;
// The correlation loops take 16 values at a time; the windows are padded to that.
constexpr int kVector = 16;

// Copies `frames` frames of the region from `firstFrame` on into `to`, channel values
// interleaved, 0 for frames outside it. Frames wholly inside are read without a check each.
template <class Ops>
void GatherWindow(const Ops& ops, const SampleLayout& layout, const SampleRegion& region,
                  std::int64_t firstFrame, int frames, std::int16_t* to) {
    const int channels = layout.channels;
    const int blockAlign = layout.blockAlign;
    const bool inside = firstFrame >= 0 && (firstFrame + frames - 1) * blockAlign < region.bytes;
    if (inside) {
        const std::uint8_t* frame = region.start + firstFrame * blockAlign;
        for (int f = 0; f < frames; ++f, frame += blockAlign) {
            for (int c = 0; c < channels; ++c) {
                to[f * channels + c] = static_cast<std::int16_t>(ops.Read(frame, c));
            }
        }
        return;
    }
    for (int f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c) {
            to[f * channels + c] =
                static_cast<std::int16_t>(ReadFrame(ops, region, blockAlign, firstFrame + f, c));
        }
    }
}

#if defined(__x86_64__) && defined(__GNUC__)
#define WT_ALSO_FOR_AVX2 __attribute__((target_clones("avx2", "default")))
#else
#define WT_ALSO_FOR_AVX2
#endif

// The splice search on the gathered windows, in exact integers. The sum of squared differences
// for candidate i is A + B(i) - 2 C(i): A the source window's energy, B(i) the energy of the
// output window at i and C(i) the two windows' correlation. B and the output window's sum are
// kept as running sums from one candidate to the next. For C each source value is split as
// s = 256 * high + low + 128 with high and low in -128..127, so that every product with an
// output value is at most 2^22 and runs of up to 511 of them sum in 32 bits: loops of 16-bit
// products into 32-bit sums, which the compiler turns into multiply-add vector instructions.
// Every squared difference is below 2^32 and the sum of the at most 4096 of them below 2^44,
// so the double sum of the plain search is exact as well: this gives the same sums, the same
// comparisons and the same offset.
// The correlation runs over `padded` values, a multiple of 16 from count = h * channels on:
// the source values past count are 0, and the output window has 16 readable values after its
// (2h - 1) * channels.
WT_ALSO_FOR_AVX2 int BestCandidate(const std::int16_t* sourceHigh, const std::int16_t* sourceLow,
                                   std::int64_t sourceEnergy, const std::int16_t* output, int h,
                                   int channels, int padded) {
    const int count = h * channels; // values compared per candidate
    std::int64_t outputEnergy = 0, outputSum = 0;
    for (int n = 0; n < count; ++n) {
        outputEnergy += output[n] * output[n];
        outputSum += output[n];
    }
    std::uint64_t best = static_cast<std::uint64_t>(h) * kLargestSquare;
    int result = 0;
    constexpr int kRun = 496; // 31 vectors of 16 values
    for (int i = 0; i < h; ++i) {
        const std::int16_t* window = output + i * channels;
        std::int64_t correlation = 128 * outputSum;
        for (int first = 0; first < padded; first += kRun) {
            const int end = std::min(padded, first + kRun);
            std::int32_t high = 0, low = 0;
            for (int n = first; n < end; ++n) {
                high += sourceHigh[n] * window[n];
                low += sourceLow[n] * window[n];
            }
            correlation += std::int64_t{high} * 256 + low;
        }
        const auto sum = static_cast<std::uint64_t>(sourceEnergy + outputEnergy - 2 * correlation);
        if (sum < best) {
            best = sum;
            result = i;
        }
        if (i + 1 < h) {
            // Slide the output window on by one frame.
            for (int c = 0; c < channels; ++c) {
                const int leaving = window[c];
                const int entering = window[count + c];
                outputEnergy += entering * entering - leaving * leaving;
                outputSum += entering - leaving;
            }
        }
    }
    return result;
}

} // namespace

SampleLayout SampleLayout::Of(const SoundDocument& doc) {
    return {doc.format.bitsPerSample, doc.bytesPerSample, doc.format.blockAlign,
            doc.format.channels};
}

StretchSegments StretchSegments::ForRate(std::uint32_t sampleRate) {
    // At least one frame per segment, so that a sound below 30 Hz still advances.
    const std::int64_t hop = std::max<std::int64_t>(1, sampleRate / 30);
    const int overlap = static_cast<int>(hop / 4);
    return {hop, overlap, overlap / 2};
}

bool StretchIsPracticable(std::uint32_t sampleRate, int channels, std::int64_t sourceFrames,
                          std::int64_t destinationFrames) {
    const std::int64_t window =
        std::int64_t{StretchSegments::ForRate(sampleRate).crossFade} * channels;
    const std::int64_t sound = std::max(sourceFrames, destinationFrames) * channels;
    return window <= kMaxSpliceValues || sound <= kMaxSpliceValues;
}

int FindSpliceOffset(const SampleLayout& layout, SampleRegion output, std::int64_t outputFrame,
                     SampleRegion source, std::int64_t sourceFrame, int overlapFrames) {
    const int h = overlapFrames / 2;
    if (h <= 0 || layout.channels <= 0 || layout.blockAlign <= 0) {
        return 0;
    }
    int result = 0;
    WithLayoutOps(layout, [&](const auto ops) {
        if (static_cast<std::int64_t>(h) * layout.channels > kMaxWindowValues) {
            result =
                FindSpliceOffsetPlain(ops, layout, output, outputFrame, source, sourceFrame, h);
            return;
        }
        const int count = h * layout.channels;
        const int padded = (count + kVector - 1) / kVector * kVector;
        std::int16_t sourceWindow[kMaxWindowValues];
        std::int16_t sourceHigh[kMaxWindowValues];
        std::int16_t sourceLow[kMaxWindowValues];
        std::int16_t outputWindow[2 * kMaxWindowValues + kVector];
        GatherWindow(ops, layout, source, sourceFrame, h, sourceWindow);
        GatherWindow(ops, layout, output, outputFrame, 2 * h - 1, outputWindow);
        std::fill_n(outputWindow + (2 * h - 1) * layout.channels, kVector, std::int16_t{0});
        std::fill_n(sourceHigh + count, padded - count, std::int16_t{0});
        std::fill_n(sourceLow + count, padded - count, std::int16_t{0});
        std::int64_t sourceEnergy = 0;
        for (int n = 0; n < count; ++n) {
            const int s = sourceWindow[n];
            sourceEnergy += s * s;
            sourceHigh[n] = static_cast<std::int16_t>(s >> 8);
            sourceLow[n] = static_cast<std::int16_t>((s & 255) - 128);
        }
        result = BestCandidate(sourceHigh, sourceLow, sourceEnergy, outputWindow, h,
                               layout.channels, padded);
    });
    return result;
}

namespace {

// Writes every frame of `destination` from `source` read `step` hundredths of a source frame
// apart, destination frame n being frame firstFrame + n of the whole resampled sound: it reads
// source position (firstFrame + n) * step hundredths. done(n) is the progress after frame n.
template <class Ops, class Done>
void ResampleFrames(Progress& progress, const char* label, const Ops& ops,
                    const SampleLayout& layout, std::int64_t step, std::int64_t firstFrame,
                    SampleRegion source, SampleRegion destination, Done done) {
    const int blockAlign = layout.blockAlign;
    const std::int64_t frames = destination.Frames(blockAlign);
    // The read position q = whole * 100 + fraction hundredths of a source frame.
    const std::int64_t stepWhole = step / 100;
    const int stepFraction = static_cast<int>(step % 100);
    std::int64_t whole = firstFrame * step / 100;
    int fraction = static_cast<int>(firstFrame * step % 100);
    ForEachWithProgress(progress, label, frames, 100, done, [&](std::int64_t n) {
        std::uint8_t* out = destination.start + n * blockAlign;
        for (int c = 0; c < layout.channels; ++c) {
            const int a = ReadFrame(ops, source, blockAlign, whole, c);
            const int b = ReadFrame(ops, source, blockAlign, whole + 1, c);
            ops.Write(out, a + (b - a) * fraction / 100, c);
        }
        whole += stepWhole;
        fraction += stepFraction;
        if (fraction >= 100) {
            fraction -= 100;
            ++whole;
        }
    });
}

// Part of a stretch's source: `region` holds the source's frames from frame `first` on.
struct SourceWindow {
    SampleRegion region;
    std::int64_t first = 0;
};

// The stretch of StretchTime over a source of `sourceBytes` that it reads through
// fetch(from, to, outFrame): a window holding the source frames [from, to) that lie inside
// the source, asked for before the segment written at destination frame outFrame. done(f) is
// the progress once the destination is written up to frame f.
template <class Ops, class Fetch, class Done>
void StretchFrames(Progress& progress, std::uint32_t sampleRate, const char* label, const Ops& ops,
                   const SampleLayout& layout, std::int64_t sourceBytes, SampleRegion destination,
                   Fetch fetch, Done done) {
    const int blockAlign = layout.blockAlign;
    const StretchSegments segments = StretchSegments::ForRate(sampleRate);
    const std::int64_t hop = segments.hop;
    const int overlap = segments.overlap;
    const int h = segments.crossFade;
    const std::int64_t frames = destination.Frames(blockAlign);
    // The source advances by the destination's hop scaled by the ratio of the lengths.
    const std::int64_t sourceHop = hop * sourceBytes / destination.bytes;
    for (std::int64_t f = 0; f < std::min<std::int64_t>(overlap, frames); ++f) {
        for (int c = 0; c < layout.channels; ++c) {
            ops.Write(destination.start + f * blockAlign, 0, c);
        }
    }
    std::int64_t outFrame = 0, sourceFrame = 0;
    while (outFrame < frames) {
        const SourceWindow window = fetch(sourceFrame, sourceFrame + hop + overlap, outFrame);
        const SampleRegion source = window.region;
        const std::int64_t from = sourceFrame - window.first;
        const int offset = FindSpliceOffset(layout, destination, outFrame, source, from, overlap);
        const std::int64_t start = outFrame + offset;
        const std::int64_t count = std::min(hop + overlap - offset, frames - start);
        for (std::int64_t j = 0; j < count; ++j) {
            std::uint8_t* out = destination.start + (start + j) * blockAlign;
            for (int c = 0; c < layout.channels; ++c) {
                const std::int64_t s = ReadFrame(ops, source, blockAlign, from + j, c);
                if (j < h) {
                    const std::int64_t old = ops.Read(out, c);
                    ops.Write(out, static_cast<int>(((h - j) * old + j * s) * 2 / overlap), c);
                } else {
                    ops.Write(out, static_cast<int>(s), c);
                }
            }
        }
        progress.Step(label, done(outFrame + hop), 100);
        outFrame += hop;
        sourceFrame += sourceHop;
    }
}

// The largest window TransposeTime asks for: a few megabytes keep its work buffer small
// beside any sound while each refill is long enough that the frames made twice (one segment
// per refill) cost nothing to speak of.
constexpr std::int64_t kTransposeWindowBytes = std::int64_t{8} << 20;

} // namespace

void ResampleLinear(const SoundDocument& doc, Progress& progress, const char* label,
                    int progressFrom, int progressTo, std::int64_t step, SampleRegion source,
                    SampleRegion destination) {
    const SampleLayout layout = SampleLayout::Of(doc);
    const int blockAlign = layout.blockAlign;
    if (blockAlign <= 0) {
        return;
    }
    WithLayoutOps(layout, [&](const auto ops) {
        ResampleFrames(progress, label, ops, layout, step, 0, source, destination,
                       [&](std::int64_t n) {
                           return ProgressValue(progressFrom, progressTo, (n + 1) * blockAlign,
                                                destination.bytes);
                       });
    });
}

void StretchTime(const SoundDocument& doc, Progress& progress, const char* label, int progressFrom,
                 int progressTo, SampleRegion source, SampleRegion destination) {
    const SampleLayout layout = SampleLayout::Of(doc);
    const int blockAlign = layout.blockAlign;
    if (blockAlign <= 0 || destination.bytes <= 0) {
        return;
    }
    WithLayoutOps(layout, [&](const auto ops) {
        StretchFrames(
            progress, doc.format.sampleRate, label, ops, layout, source.bytes, destination,
            [&](std::int64_t, std::int64_t, std::int64_t) {
                return SourceWindow{source, 0};
            },
            [&](std::int64_t frame) {
                return ProgressValue(progressFrom, progressTo, frame * blockAlign,
                                     destination.bytes);
            });
    });
}

std::int64_t TransposeWindowBytes(const SampleLayout& layout, std::uint32_t sampleRate,
                                  std::int64_t shiftedBytes) {
    const int blockAlign = layout.blockAlign;
    if (blockAlign <= 0 || shiftedBytes <= 0) {
        return 0;
    }
    const StretchSegments segments = StretchSegments::ForRate(sampleRate);
    const std::int64_t whole = (shiftedBytes + blockAlign - 1) / blockAlign * blockAlign;
    const std::int64_t least = (segments.hop + segments.overlap) * blockAlign;
    const std::int64_t usual = kTransposeWindowBytes / blockAlign * blockAlign;
    return std::min(whole, std::max(least, usual));
}

void TransposeTime(const SoundDocument& doc, Progress& progress, const char* label,
                   std::int64_t step, SampleRegion source, std::int64_t shiftedBytes,
                   SampleRegion destination, SampleRegion window) {
    const SampleLayout layout = SampleLayout::Of(doc);
    const int blockAlign = layout.blockAlign;
    if (blockAlign <= 0 || destination.bytes <= 0) {
        return;
    }
    const std::int64_t shiftedFrames = SampleRegion{nullptr, shiftedBytes}.Frames(blockAlign);
    const std::int64_t capacity = window.bytes / blockAlign;
    // Each part's share of the progress: the resampled frames made so far count for the first
    // half, the destination written so far for the second. With one window for the whole
    // sound this gives the reports of the resample (0..50) followed by the stretch's (50..100).
    std::int64_t shiftedDone = 0, written = 0;
    auto percentDone = [&] {
        return ProgressValue(0, 50, shiftedDone, shiftedBytes) +
               ProgressValue(0, 50, written, destination.bytes);
    };
    SourceWindow current{{window.start, 0}, 0};
    std::int64_t currentFrames = -1; // no window made yet
    WithLayoutOps(layout, [&](const auto ops) {
        auto fetch = [&](std::int64_t from, std::int64_t to, std::int64_t outFrame) {
            const std::int64_t end = std::min(to, shiftedFrames);
            if (currentFrames >= 0 && from >= current.first &&
                end <= current.first + currentFrames) {
                return current;
            }
            if (from >= shiftedFrames) {
                // Past the end the source reads as silence.
                return SourceWindow{{window.start, 0}, from};
            }
            // A window from `from` on; it always holds one segment's frames, whose reads then
            // stay inside it up to the end of the source.
            currentFrames = std::min(capacity, shiftedFrames - from);
            current = {{window.start,
                        std::min(currentFrames * blockAlign, shiftedBytes - from * blockAlign)},
                       from};
            written = outFrame * blockAlign;
            const std::int64_t before = shiftedDone;
            ResampleFrames(progress, label, ops, layout, step, from, source, current.region,
                           [&](std::int64_t n) {
                               shiftedDone = std::max(before, (from + n + 1) * blockAlign);
                               return percentDone();
                           });
            shiftedDone = std::max(before, (from + currentFrames) * blockAlign);
            return current;
        };
        StretchFrames(progress, doc.format.sampleRate, label, ops, layout, shiftedBytes,
                      destination, fetch, [&](std::int64_t frame) {
                          written = frame * blockAlign;
                          return percentDone();
                      });
    });
}

} // namespace wt
