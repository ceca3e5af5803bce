// The frequency-domain filters: the graphic and the parametric equalizer (1024-point blocks
// advancing by 512 frames, half of each block overlapping the next, band gains applied to the
// bins in between), the spectral high-pass (4096-point blocks side by side, the lowest quarter
// of the spectrum cleared) and the vocoder (128 comb-difference bands of a sawtooth carrier
// following the selection's band envelopes). Samples are read and written on the signed
// 16-bit scale of the document's primitives; results are stored without clipping.
#pragma once

#include "dsp/Fft.h"
#include "model/SoundDocument.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>

namespace wt {

// Equalizer blocks: points per transform and frames from one block start to the next.
inline constexpr std::int32_t kEqBlockPoints = 1024;
inline constexpr std::int32_t kEqBlockStep = 512;
inline constexpr int kEqBandCount = 9;
inline constexpr int kEqFlatPosition = 50; // slider position of 0 dB (0 top, +18 dB; 100 bottom)
inline constexpr std::int32_t kHighPassPoints = 4096;

// Spectrum bins low < l < high, each scaled by gain (its cosine sum at element l, its sine
// sum at element n - l). An empty run (high <= low + 1) changes nothing.
struct BinBand {
    std::int32_t low = 0;
    std::int32_t high = 0;
    double gain = 1.0;
};

// The gain of a graphic-equalizer slider position (0..100): 1.04246576084^(50 - position),
// so 0 gives about 8 (+18 dB), 50 gives 1 and 100 about 1/8 (-18 dB).
double GraphicEqGain(int position);
// Band edge bins E[0..9] at a sample rate: E[0] = 0, E[i] = (75 * 2^(i-1)) / (rate / 1024)
// in integer arithmetic, each at most 512. Band b covers the bins strictly between E[b] and
// E[b+1]. A rate below 1024 Hz, whose bin width truncates to 0, puts every edge above the
// first at 512.
std::array<std::int32_t, kEqBandCount + 1> GraphicEqEdges(std::uint32_t sampleRate);
// The nine bands with the gains of `positions` (band order 50 Hz .. 12.8 kHz).
std::array<BinBand, kEqBandCount> GraphicEqBands(std::uint32_t sampleRate,
                                                 std::span<const int, kEqBandCount> positions);

// One parametric module: centre frequency in Hz, level in dB steps (-18..18), bandwidth in
// twelfths of an octave. Its edges are trunc(F / 1.02930223664^W / b) and
// trunc(F * 1.02930223664^W / b) with b = rate / 1024 in floating point, each at most 511;
// its gain is 1.122462^L.
BinBand ParametricEqBand(std::uint32_t sampleRate, int frequencyHz, int levelDb,
                         int bandwidthTwelfths);

// Bytes of working room EqualizeChannel needs: four 1024-point blocks side by side, aligned.
inline constexpr std::size_t kEqWorkBytes = kEqBlockPoints * sizeof(FftQuad) + kFftQuadAlign;

// Filters channel `channel` of the `frames` frames from byte offset `selStart`, in place: each
// 1024-point block of the input, read before any output covers it, has the bands applied in
// order; the first block gives its frames from 0, every later one from its 256th on. `room`
// holds kEqWorkBytes bytes. `bandDone` is called once per band of every block, in block
// order, with the frames the blocks before that one have advanced (F - R).
void EqualizeChannel(SoundDocument& doc, std::int32_t selStart, std::int32_t frames, int channel,
                     std::span<const BinBand> bands, std::uint8_t* room,
                     const std::function<void(std::int64_t framesDone)>& bandDone);

// Clears bins 0 .. 1023 of channel 0 of the `frames` frames from `selStart`, in 4096-point
// blocks written back in place. `fft` is room for kHighPassPoints doubles. `blockDone` is
// called after each block (the command lets the window's events through there).
void SpectralHighPassChannel0(SoundDocument& doc, std::int32_t selStart, std::int32_t frames,
                              double* fft, const std::function<void()>& blockDone);

// The vocoder's bands. output is a block as long as the whole sound in the document's format,
// zero-filled; the result is the first selection-length bytes of it. Channel 0 of the sound
// from byte offset `selStart` is the modulator. Runs a thread per processor the process may
// use, at most 16; besides `output` it needs about 140 kilobytes per thread and as much again.
// `stretchDone` is called on the calling thread every 16000 frames or so (the command lets the
// window's events through there).
void Vocode(const SoundDocument& doc, std::int32_t selStart, std::uint8_t* output,
            const std::function<void()>& stretchDone);

// A transform value as a sample value: truncated toward zero; a value beyond the int range
// (which no block of 16-bit samples reaches) is held at its end instead of being undefined.
int TruncateToInt(double value);

} // namespace wt
