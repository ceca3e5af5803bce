#include "dsp/SpectralFilters.h"

#include "model/SampleOps.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>

namespace wt {

namespace {

// A sample of the sound by byte offset, 0 outside [0, soundBytes): ReadSampleBounded against
// the whole sound, without forming a pointer outside the block.
template <class Ops>
int ReadAt(const Ops& ops, const std::uint8_t* sound, std::int64_t soundBytes, std::int64_t offset,
           int channel) {
    return offset >= 0 && offset < soundBytes ? ops.Read(sound + offset, channel) : 0;
}

// Bins at and above 512 (511 for the parametric bands) are out of every band: a quotient that
// large, or one that is not a number, is held at the cap before it becomes an integer.
std::int32_t CapBin(double bin, std::int32_t cap) {
    if (!(bin < cap)) {
        return cap;
    }
    return bin > 0.0 ? static_cast<std::int32_t>(bin) : 0;
}

using IntQuad = int __attribute__((vector_size(16)));

// TruncateToInt on each lane.
[[gnu::always_inline]] inline IntQuad TruncateQuad(const FftQuad& value) {
    const FftQuad zero = {0.0, 0.0, 0.0, 0.0};
    const FftQuad high = {2147483647.0, 2147483647.0, 2147483647.0, 2147483647.0};
    const FftQuad low = {-2147483648.0, -2147483648.0, -2147483648.0, -2147483648.0};
    FftQuad v = value == value ? value : zero;
    v = v > high ? high : v;
    v = v < low ? low : v;
    return __builtin_convertvector(v, IntQuad);
}

template <class V> void ScaleBand(V* spectrum, std::int32_t n, const BinBand& band) {
    for (std::int32_t l = band.low + 1; l < band.high; ++l) {
        spectrum[l] = spectrum[l] * band.gain;
        spectrum[n - l] = spectrum[n - l] * band.gain;
    }
}

template <class Ops>
void EqualizeImpl(const Ops& ops, SoundDocument& doc, std::int32_t selStart, std::int32_t frames,
                  int channel, std::span<const BinBand> bands, FftQuad* fft,
                  const std::function<void(std::int64_t)>& bandDone) {
    constexpr std::int32_t n = kEqBlockPoints;
    constexpr int kLanes = 4;
    const std::int32_t* reversal = FftBitReversal(n);
    // The channel's first sample: every access below is of channel 0 from there, which keeps
    // the sample width out of the loops.
    std::uint8_t* base = doc.Data() + selStart + channel * doc.bytesPerSample;
    const std::int64_t step = doc.format.blockAlign;
    // Block starts o = 0, 512, 1024, ... while frames remain (R = frames - o > 0).
    const std::int64_t blocks = (std::int64_t{frames} + kEqBlockStep - 1) / kEqBlockStep;
    // Four blocks share one pass through the transforms, one in each lane; each lane's numbers
    // are exactly those of a block transformed alone. Outputs go straight into the sound once
    // no later block reads those frames; the ones the next four blocks still read are held
    // (they are final: later blocks only cover them from their own 256th frame) and written
    // once those blocks have read their input.
    std::array<int, kEqBlockStep> held{};
    std::int64_t heldFrom = 0, heldEnd = 0;
    auto flushHeld = [&] {
        for (std::int64_t f = heldFrom; f < heldEnd; ++f) {
            ops.Write(base + f * step, held[static_cast<std::size_t>(f - heldFrom)], 0);
        }
        heldEnd = heldFrom;
    };
    for (std::int64_t b = 0; b < blocks; b += kLanes) {
        const int lanes = static_cast<int>(std::min<std::int64_t>(kLanes, blocks - b));
        std::int64_t start[kLanes], count[kLanes];
        for (int lane = 0; lane < kLanes; ++lane) {
            start[lane] = (b + lane) * kEqBlockStep;
            count[lane] = lane < lanes ? std::min<std::int64_t>(frames - start[lane], n) : 0;
        }
        // The samples divided by n/2 (a power of two: the product by its inverse is the same
        // number), zero after the last frame of a block.
        constexpr double kScale = 1.0 / (n / 2);
        if (count[kLanes - 1] == n) {
            const std::uint8_t* from = base + start[0] * step;
            const std::int64_t laneBytes = kEqBlockStep * step;
            for (std::int32_t j = 0; j < n; ++j) {
                const std::uint8_t* p = from + j * step;
                const IntQuad v = {ops.Read(p, 0), ops.Read(p + laneBytes, 0),
                                   ops.Read(p + 2 * laneBytes, 0), ops.Read(p + 3 * laneBytes, 0)};
                fft[reversal[j]] = __builtin_convertvector(v, FftQuad) * kScale;
            }
        } else {
            for (int lane = 0; lane < kLanes; ++lane) {
                const std::uint8_t* from = base + start[lane] * step;
                for (std::int64_t j = 0; j < n; ++j) {
                    fft[reversal[j]][lane] =
                        j < count[lane] ? ops.Read(from + j * step, 0) * kScale : 0.0;
                }
            }
        }
        flushHeld();
        // Filled and read in bit-reversed order, which spares the transforms their reordering.
        RealFftForwardQuadFromReversed(n, fft);
        for (const BinBand& band : bands) {
            ScaleBand(fft, n, band);
        }
        RealFftInverseQuadToReversed(n, fft);
        for (int lane = 0; lane < lanes; ++lane) {
            for (std::size_t band = 0; band < bands.size(); ++band) {
                bandDone(start[lane]);
            }
        }
        // Every frame is written once, by the last block that covers it: a block gives its
        // frames from 0 (the first block) or from 256, up to 768 or its end, as the next block
        // covers the rest from its own 256th frame on.
        const std::int64_t nextInput = (b + kLanes) * kEqBlockStep;
        heldFrom = heldEnd = nextInput;
        auto store = [&](std::int64_t frame, int value) {
            if (frame < nextInput) {
                ops.Write(base + frame * step, value, 0);
            } else {
                held[static_cast<std::size_t>(frame - nextInput)] = value;
                heldEnd = std::max(heldEnd, frame + 1);
            }
        };
        constexpr std::int64_t kFrom = kEqBlockStep / 2, kTo = kEqBlockStep + kEqBlockStep / 2;
        if (b == 0) {
            for (std::int64_t k = 0; k < std::min(count[0], kFrom); ++k) {
                store(k, TruncateToInt(fft[reversal[k]][0]));
            }
        }
        if (lanes == kLanes && count[kLanes - 1] >= kTo) {
            // Four whole middles: each quad of values is four frames a block step apart; the
            // last block's second half lies beyond this pass's input and is held.
            std::uint8_t* to = base + start[0] * step;
            const std::int64_t laneBytes = kEqBlockStep * step;
            for (std::int64_t k = kFrom; k < kTo; ++k) {
                const IntQuad v = TruncateQuad(fft[reversal[k]]);
                std::uint8_t* p = to + k * step;
                ops.Write(p, v[0], 0);
                ops.Write(p + laneBytes, v[1], 0);
                ops.Write(p + 2 * laneBytes, v[2], 0);
                if (k < kEqBlockStep) {
                    ops.Write(p + 3 * laneBytes, v[3], 0);
                } else {
                    held[static_cast<std::size_t>(k - kEqBlockStep)] = v[3];
                }
            }
            heldEnd = nextInput + kFrom;
        } else {
            for (int lane = 0; lane < lanes; ++lane) {
                for (std::int64_t k = kFrom; k < std::min(count[lane], kTo); ++k) {
                    store(start[lane] + k, TruncateToInt(fft[reversal[k]][lane]));
                }
            }
        }
    }
    flushHeld();
}

template <class Ops>
void HighPassImpl(const Ops& ops, SoundDocument& doc, std::int32_t selStart, std::int32_t frames,
                  double* buf, const std::function<void()>& blockDone) {
    constexpr std::int32_t n = kHighPassPoints;
    constexpr double kScale = 1.0 / (n / 2); // dividing by n/2, a power of two
    std::uint8_t* sound = doc.Data();
    const std::int64_t soundBytes = doc.byteLength;
    const std::int64_t step = doc.format.blockAlign;
    for (std::int64_t o = 0, remaining = frames; remaining > 0; o += n, remaining -= n) {
        const std::int64_t count = std::min<std::int64_t>(remaining, n);
        const std::int64_t base = selStart + o * step;
        for (std::int32_t j = 0; j < n; ++j) {
            buf[j] = j < count ? ReadAt(ops, sound, soundBytes, base + j * step, 0) * kScale : 0.0;
        }
        RealFftForward(n, buf);
        // Bins 0 .. n/4 - 1: the DC sum, then each cosine sum and its sine sum.
        buf[0] = 0.0;
        for (std::int32_t j = 1; j < n / 4; ++j) {
            buf[j] = 0.0;
            buf[n - j] = 0.0;
        }
        RealFftInverse(n, buf);
        for (std::int64_t j = 0; j < count; ++j) {
            ops.Write(sound + base + j * step, TruncateToInt(buf[j]), 0);
        }
        blockDone();
    }
}

template <class Ops>
void VocodeImpl(const Ops& ops, const SoundDocument& doc, std::int32_t selStart,
                std::uint8_t* carrier, std::uint8_t* modulator, std::uint8_t* output) {
    const std::uint8_t* sound = doc.Data();
    const std::int64_t soundBytes = doc.byteLength;
    const std::int64_t step = doc.format.blockAlign;
    const std::int64_t frames = soundBytes / step;
    const std::int64_t s = selStart / step;
    // A sawtooth of period 100 frames from -5000 up to 4900.
    for (std::int64_t k = 0; k < frames; ++k) {
        ops.Write(carrier + k * step, static_cast<int>(k % 100) * 10000 / 100 - 5000, 0);
    }
    for (int lag = 1; lag <= 255; lag += 2) {
        // The carrier band, the modulator band and the envelope mix walk the same t; at step t
        // the carrier's C[t + lag] is still the previous band's and C[t] is final, so one walk
        // gives what three successive ones give. The buffers keep the document's format:
        // each value is read back as stored (wrapped to 16 bits, or cut to 8).
        int envelope = 0;
        for (std::int64_t t = 0; t + lag < frames; ++t) {
            std::uint8_t* c = carrier + t * step;
            ops.Write(c, ops.Read(c + lag * step, 0) - ops.Read(c, 0), 0);
            std::uint8_t* m = modulator + t * step;
            const int ahead = ReadAt(ops, sound, soundBytes, (s + t + lag) * step, 0);
            const int here = ReadAt(ops, sound, soundBytes, (s + t) * step, 0);
            ops.Write(m, ahead - here, 0);
            const int band = ops.Read(m, 0);
            envelope = ((band < 0 ? -band : band) + 255 * envelope) / 256;
            const int gain = envelope * 100 / 32768; // 0 .. 100
            std::uint8_t* y = output + t * step;
            ops.Write(y, ops.Read(y, 0) + ops.Read(c, 0) * gain / 100, 0);
        }
    }
}

} // namespace

int TruncateToInt(double value) {
    if (value >= 2147483647.0) {
        return INT_MAX;
    }
    if (value <= -2147483648.0) {
        return INT_MIN;
    }
    if (value != value) {
        return 0;
    }
    return static_cast<int>(value);
}

double GraphicEqGain(int position) {
    return std::pow(1.04246576084, kEqFlatPosition - position);
}

std::array<std::int32_t, kEqBandCount + 1> GraphicEqEdges(std::uint32_t sampleRate) {
    std::array<std::int32_t, kEqBandCount + 1> edges{};
    const std::int64_t binWidth = sampleRate / 1024;
    for (int i = 1; i <= kEqBandCount; ++i) {
        const std::int64_t lower = std::int64_t{75} << (i - 1);
        edges[i] = binWidth == 0
                       ? 512
                       : static_cast<std::int32_t>(std::min<std::int64_t>(lower / binWidth, 512));
    }
    return edges;
}

std::array<BinBand, kEqBandCount> GraphicEqBands(std::uint32_t sampleRate,
                                                 std::span<const int, kEqBandCount> positions) {
    const auto edges = GraphicEqEdges(sampleRate);
    std::array<BinBand, kEqBandCount> bands;
    for (int b = 0; b < kEqBandCount; ++b) {
        bands[b] = {edges[b], edges[b + 1], GraphicEqGain(positions[b])};
    }
    return bands;
}

BinBand ParametricEqBand(std::uint32_t sampleRate, int frequencyHz, int levelDb,
                         int bandwidthTwelfths) {
    const double binWidth = sampleRate * 0.0009765625;
    const double spread = std::pow(1.02930223664, bandwidthTwelfths);
    BinBand band;
    band.low = CapBin(frequencyHz / spread / binWidth, 511);
    band.high = CapBin(frequencyHz * spread / binWidth, 511);
    band.gain = std::pow(1.122462, levelDb);
    return band;
}

void EqualizeChannel(SoundDocument& doc, std::int32_t selStart, std::int32_t frames, int channel,
                     std::span<const BinBand> bands, std::uint8_t* room,
                     const std::function<void(std::int64_t)>& bandDone) {
    if (doc.format.blockAlign == 0 || frames <= 0) {
        return;
    }
    void* aligned = room;
    std::size_t space = kEqWorkBytes;
    std::align(kFftQuadAlign, kEqBlockPoints * sizeof(FftQuad), aligned, space);
    auto* fft = static_cast<FftQuad*>(aligned);
    WithSampleOps(doc, [&](const auto ops) {
        EqualizeImpl(ops, doc, selStart, frames, channel, bands, fft, bandDone);
    });
}

void SpectralHighPassChannel0(SoundDocument& doc, std::int32_t selStart, std::int32_t frames,
                              double* fft, const std::function<void()>& blockDone) {
    if (doc.format.blockAlign == 0) {
        return;
    }
    WithSampleOps(
        doc, [&](const auto ops) { HighPassImpl(ops, doc, selStart, frames, fft, blockDone); });
}

void Vocode(const SoundDocument& doc, std::int32_t selStart, std::uint8_t* carrier,
            std::uint8_t* modulator, std::uint8_t* output) {
    if (doc.format.blockAlign == 0) {
        return;
    }
    WithSampleOps(
        doc, [&](const auto ops) { VocodeImpl(ops, doc, selStart, carrier, modulator, output); });
}

} // namespace wt
