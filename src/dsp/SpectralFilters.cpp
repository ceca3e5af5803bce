#include "dsp/SpectralFilters.h"

#include "model/SampleOps.h"

#include <sched.h>

#include <algorithm>
#include <array>
#include <barrier>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <type_traits>
#include <vector>

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

// --- The vocoder -------------------------------------------------------------------------------
//
// Band b (lag 2b + 1, b = 0 .. 127) turns the carrier C into C'[t] = C[t + lag] - C[t] for
// t + lag < frames, stored in the document's format; the modulator band is the selection's
// difference over the same lag, also stored, and its envelope e = (|m| + 255 e) / 256 sets the
// gain e * 100 / 32768 (0 .. 100) by which band b's carrier is added to the output.
//
// The carrier starts as a sawtooth of period 100 and every band is a difference of shifted
// copies, so away from the end of the sound (t + (b + 1)^2 < frames: the chain up to band b
// reaches (b + 1)^2 frames ahead) band b's carrier is periodic too, and one period of each
// band, 100 values, stands in for it. The last kVocoderReach frames or so are walked band by
// band as the loops read, from the envelopes reached there.
//
// The output adds band after band and stores each sum: a 16-bit store keeps the sum modulo
// 2^16, and an 8-bit one keeps a multiple of 256 to which each band adds floor(term / 256),
// again modulo 256 steps. So the bands' terms (cut to a multiple of 256 for 8 bits) can be
// summed in any order in an int and stored once: 128 terms of at most 32768 do not overflow.
// That lets each thread take its own bands (their envelopes run through the whole sound in
// order) and add its sums to the others' a chunk at a time.

constexpr int kVocoderBands = 128;
constexpr int kVocoderLanes = 8;                              // bands per envelope step
constexpr int kVocoderGroups = kVocoderBands / kVocoderLanes; // groups of 8 bands
constexpr std::int64_t kVocoderReach = 16384;                 // 1 + 3 + ... + 255
constexpr std::int32_t kVocoderPeriod = 100;                  // the sawtooth's
constexpr std::int32_t kVocoderStretch = 2000;                // a multiple of the period
constexpr std::int32_t kVocoderChunk = 8 * kVocoderStretch;   // the threads meet per chunk
constexpr std::int32_t kVocoderLook = 2 * kVocoderBands + 8;  // modulator read past a stretch

// The format's store and read-back of a value.
template <class Ops> int Keep(const Ops& ops, int value) {
    std::uint8_t stored[4] = {};
    ops.Write(stored, value, 0);
    return ops.Read(stored, 0);
}

#if defined(__x86_64__) && defined(__GNUC__)
#define WT_VOCODER_ALSO_FOR_AVX2 __attribute__((target_clones("avx2", "default")))
#else
#define WT_VOCODER_ALSO_FOR_AVX2
#endif

using VocoderLanes = std::int32_t __attribute__((vector_size(4 * kVocoderLanes)));
using VocoderFloats = float __attribute__((vector_size(4 * kVocoderLanes)));

// The bands of groups [firstGroup, endGroup) (group g: the 8 lags 16 g + 1, + 3, ..., + 15)
// at `count` frames, a multiple of the period, from a frame that is a multiple of it. The
// modulator at frame i is even[i / 2] or odd[i / 2] by the parity of i, so the 8 lags ahead
// of a frame lie side by side in the other parity's array. envelopes holds the bands'
// envelopes and carries them on; carriers[j * 128 + b] is band b's carrier at phase j and
// halves[j * 128 + b] is 0.5 with its sign. Adds each frame's terms to sum[i]; with EightBit
// each stored value keeps its top byte only, and so does each term.
template <bool EightBit>
[[gnu::always_inline]] inline void VocoderBandsOf(const std::int32_t* even, const std::int32_t* odd,
                                                  std::int32_t count, int firstGroup, int endGroup,
                                                  std::int32_t* envelopes, const float* carriers,
                                                  const float* halves, std::int32_t* sum) {
    for (std::int32_t o = 0; o < count; o += kVocoderPeriod) {
        for (std::int32_t j = 0; j < kVocoderPeriod; ++j) {
            const std::int32_t i = o + j;
            const std::int32_t m = i >> 1;
            const std::int32_t here = (i & 1) ? odd[m] : even[m];
            const std::int32_t* ahead = (i & 1) ? even + m + 1 : odd + m;
            VocoderLanes total = {};
            for (int g = firstGroup; g < endGroup; ++g) {
                VocoderLanes band;
                std::memcpy(&band, ahead + g * kVocoderLanes, sizeof band);
                band -= here;
                if constexpr (EightBit) {
                    band &= ~255;
                }
                band = (band << 16) >> 16; // stored as 16 bits
                const VocoderLanes magnitude = band < 0 ? -band : band;
                VocoderLanes e;
                std::memcpy(&e, envelopes + g * kVocoderLanes, sizeof e);
                e = (magnitude + e * 255) >> 8; // both parts >= 0: the quotient by 256
                std::memcpy(envelopes + g * kVocoderLanes, &e, sizeof e);
                // The gain e * 100 / 32768 (0 .. 100): e * 25 / 8192, exact in floats for e up
                // to 32768, truncated.
                const VocoderFloats ratio =
                    __builtin_convertvector(e, VocoderFloats) * (25.0f / 8192.0f);
                const VocoderFloats gain = __builtin_convertvector(
                    __builtin_convertvector(ratio, VocoderLanes), VocoderFloats);
                VocoderFloats carrier, half;
                const std::int32_t at = j * kVocoderBands + g * kVocoderLanes;
                std::memcpy(&carrier, carriers + at, sizeof carrier);
                std::memcpy(&half, halves + at, sizeof half);
                // carrier * gain / 100 toward zero. The product n, at most 3276800 < 2^22 in
                // size, and n + 0.5 with n's sign are exact in floats. (n +- 0.5) / 100 lies at
                // least 0.005 from every integer, and times 0.01f it is off by less than 0.003
                // (half a float step, at most 2^-9, plus 0.01f's own error), so it truncates
                // as n / 100 does. A zero product takes either sign's half.
                const VocoderFloats scaled = (carrier * gain + half) * 0.01f;
                VocoderLanes term = __builtin_convertvector(scaled, VocoderLanes);
                if constexpr (EightBit) {
                    term &= ~255;
                }
                total += term;
            }
            std::int32_t frameSum = 0;
            for (int k = 0; k < kVocoderLanes; ++k) {
                frameSum += total[k];
            }
            sum[i] += frameSum;
        }
    }
}

WT_VOCODER_ALSO_FOR_AVX2 void VocoderBands8(const std::int32_t* even, const std::int32_t* odd,
                                            std::int32_t count, int firstGroup, int endGroup,
                                            std::int32_t* envelopes, const float* carriers,
                                            const float* halves, std::int32_t* sum) {
    VocoderBandsOf<true>(even, odd, count, firstGroup, endGroup, envelopes, carriers, halves, sum);
}

WT_VOCODER_ALSO_FOR_AVX2 void VocoderBands16(const std::int32_t* even, const std::int32_t* odd,
                                             std::int32_t count, int firstGroup, int endGroup,
                                             std::int32_t* envelopes, const float* carriers,
                                             const float* halves, std::int32_t* sum) {
    VocoderBandsOf<false>(even, odd, count, firstGroup, endGroup, envelopes, carriers, halves, sum);
}

// The processors this process may run on, at least 1.
int VocoderThreads() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        return std::max(1, CPU_COUNT(&set));
    }
    return 1;
}

template <class Ops>
void VocodeImpl(const Ops& ops, const SoundDocument& doc, std::int32_t selStart,
                std::uint8_t* output, const std::function<void()>& stretchDone) {
    if constexpr (std::is_same_v<Ops, SampleOps<0>>) {
        return; // a depth without samples: every store is dropped
    }
    const std::uint8_t* sound = doc.Data();
    const std::int64_t soundBytes = doc.byteLength;
    const std::int64_t step = doc.format.blockAlign;
    const std::int64_t frames = soundBytes / step;
    const std::int64_t s = selStart / step;
    constexpr bool eightBit = std::is_same_v<Ops, SampleOps<8>>;
    // A sawtooth of period 100 frames from -5000 up to 4900.
    auto sawtooth = [](std::int64_t k) { return static_cast<int>(k % 100) * 10000 / 100 - 5000; };

    // Frames [0, periodic), whole stretches, have every band's carrier periodic there.
    const std::int64_t periodic = frames > kVocoderReach + kVocoderStretch
                                      ? (frames - kVocoderReach) / kVocoderStretch * kVocoderStretch
                                      : 0;
    std::array<std::int32_t, kVocoderBands> envelopes{};
    if (periodic > 0) {
        // One period of each band's carrier away from the end, phase by phase, and 0.5 with the
        // sign of each value.
        std::vector<float> periods(kVocoderBands * kVocoderPeriod);
        std::vector<float> halves(kVocoderBands * kVocoderPeriod);
        std::array<int, kVocoderPeriod> carrier{}, next{};
        for (int j = 0; j < kVocoderPeriod; ++j) {
            carrier[j] = Keep(ops, sawtooth(j));
        }
        for (int b = 0; b < kVocoderBands; ++b) {
            const int lag = 2 * b + 1;
            for (int j = 0; j < kVocoderPeriod; ++j) {
                next[j] = Keep(ops, carrier[(j + lag) % kVocoderPeriod] - carrier[j]);
                periods[j * kVocoderBands + b] = static_cast<float>(next[j]);
                halves[j * kVocoderBands + b] = next[j] < 0 ? -0.5f : 0.5f;
            }
            carrier = next;
        }
        const std::int64_t chunks = (periodic + kVocoderChunk - 1) / kVocoderChunk;
        const int wanted =
            static_cast<int>(std::min<std::int64_t>({VocoderThreads(), kVocoderGroups, chunks}));
        // Per thread its modulator stretch and its two chunk sums (one being added up while
        // the next is filled).
        constexpr std::int32_t kHalfStretch = (kVocoderStretch + kVocoderLook) / 2;
        std::vector<std::int32_t> xs(static_cast<std::size_t>(wanted) * 2 * kHalfStretch);
        const auto chunk =
            static_cast<std::int32_t>(std::min<std::int64_t>(periodic, kVocoderChunk));
        std::vector<std::int32_t> sums(static_cast<std::size_t>(2 * wanted) * chunk);
        std::optional<std::barrier<>> meet;
        auto work = [&](int j, int workers) {
            const int firstGroup = j * kVocoderGroups / workers;
            const int endGroup = (j + 1) * kVocoderGroups / workers;
            std::int32_t* even = xs.data() + static_cast<std::size_t>(j) * 2 * kHalfStretch;
            std::int32_t* odd = even + kHalfStretch;
            // The envelopes of this thread's bands on its own stack: stored at every frame,
            // they would otherwise share a cache line with another thread's.
            alignas(64) std::array<std::int32_t, kVocoderBands> own{};
            int parity = 0;
            for (std::int64_t c0 = 0; c0 < periodic; c0 += kVocoderChunk, parity ^= 1) {
                const auto n =
                    static_cast<std::int32_t>(std::min<std::int64_t>(periodic - c0, kVocoderChunk));
                std::int32_t* mine =
                    sums.data() + static_cast<std::size_t>(parity * wanted + j) * chunk;
                std::fill(mine, mine + n, 0);
                for (std::int32_t o = 0; o < n; o += kVocoderStretch) {
                    const std::int64_t at = s + c0 + o;
                    for (std::int32_t i = 0; i < kHalfStretch; ++i) {
                        even[i] = ReadAt(ops, sound, soundBytes, (at + 2 * i) * step, 0);
                        odd[i] = ReadAt(ops, sound, soundBytes, (at + 2 * i + 1) * step, 0);
                    }
                    (eightBit ? VocoderBands8 : VocoderBands16)(
                        even, odd, kVocoderStretch, firstGroup, endGroup, own.data(),
                        periods.data(), halves.data(), mine + o);
                }
                meet->arrive_and_wait();
                // Each thread stores its share of the chunk: the output's own value (its
                // zero bytes) plus every thread's sum.
                const std::int32_t from = static_cast<std::int32_t>(std::int64_t{n} * j / workers);
                const std::int32_t to =
                    static_cast<std::int32_t>(std::int64_t{n} * (j + 1) / workers);
                const std::int32_t* first =
                    sums.data() + static_cast<std::size_t>(parity * wanted) * chunk;
                for (std::int32_t i = from; i < to; ++i) {
                    std::uint8_t* y = output + (c0 + i) * step;
                    int v = ops.Read(y, 0);
                    for (int k = 0; k < workers; ++k) {
                        v += first[static_cast<std::size_t>(k) * chunk + i];
                    }
                    ops.Write(y, v, 0);
                }
                if (j == 0) {
                    stretchDone();
                }
            }
            std::copy(own.begin() + firstGroup * kVocoderLanes,
                      own.begin() + endGroup * kVocoderLanes,
                      envelopes.begin() + firstGroup * kVocoderLanes);
        };
        // The helpers wait until it is known how many could be started.
        std::mutex gate;
        std::condition_variable opened;
        int workers = 0;
        auto helper = [&](int j) {
            int count = 0;
            {
                std::unique_lock lock(gate);
                opened.wait(lock, [&] { return workers > 0; });
                count = workers;
            }
            if (j < count) {
                work(j, count);
            }
        };
        std::vector<std::thread> helpers;
        helpers.reserve(static_cast<std::size_t>(wanted - 1));
        for (int j = 1; j < wanted; ++j) {
            try {
                helpers.emplace_back(helper, j);
            } catch (const std::system_error&) {
                break; // fewer threads do the same work
            }
        }
        int count = 0;
        {
            std::lock_guard lock(gate);
            workers = static_cast<int>(helpers.size()) + 1;
            count = workers;
            meet.emplace(count);
        }
        opened.notify_all();
        work(0, count);
        for (std::thread& h : helpers) {
            h.join();
        }
    }

    // The rest band by band as the loops read: the carrier there depends only on the
    // sawtooth from each frame on, and the envelopes go on from where the stretches left them.
    std::vector<std::int16_t> tail(static_cast<std::size_t>(frames - periodic));
    for (std::int64_t k = periodic; k < frames; ++k) {
        tail[k - periodic] = static_cast<std::int16_t>(Keep(ops, sawtooth(k)));
    }
    for (int b = 0; b < kVocoderBands; ++b) {
        const int lag = 2 * b + 1;
        int envelope = envelopes[b];
        for (std::int64_t t = periodic; t + lag < frames; ++t) {
            std::int16_t& c = tail[t - periodic];
            c = static_cast<std::int16_t>(Keep(ops, tail[t - periodic + lag] - c));
            const int ahead = ReadAt(ops, sound, soundBytes, (s + t + lag) * step, 0);
            const int here = ReadAt(ops, sound, soundBytes, (s + t) * step, 0);
            const int band = Keep(ops, ahead - here);
            envelope = ((band < 0 ? -band : band) + 255 * envelope) / 256;
            const int gain = envelope * 100 / 32768; // 0 .. 100
            std::uint8_t* y = output + t * step;
            ops.Write(y, ops.Read(y, 0) + c * gain / 100, 0);
        }
        stretchDone();
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

void Vocode(const SoundDocument& doc, std::int32_t selStart, std::uint8_t* output,
            const std::function<void()>& stretchDone) {
    if (doc.format.blockAlign == 0) {
        return;
    }
    WithSampleOps(doc,
                  [&](const auto ops) { VocodeImpl(ops, doc, selStart, output, stretchDone); });
}

} // namespace wt
