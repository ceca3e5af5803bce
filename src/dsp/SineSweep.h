// The low-frequency sines of the modulation effects, read from SineTable: the sweep of the
// flanger and the vibrato (a copy of the sound read at a position that the sine moves around
// the current frame, with linear interpolation between two frames) and the stepped index of
// the tremolo.
#pragma once

#include "model/FrameRange.h"

#include <array>
#include <cstdint>

namespace wt {

// The sweep's phase in tenths of a hertz: it advances by `rate` every frame and wraps at
// 10 * sampleRate, and the SineTable index is phase * 1024 / (10 * sampleRate). The index is
// kept as a quotient and remainder that grow with the phase, so that no frame divides.
class SinePhase {
public:
    SinePhase(std::uint32_t sampleRate, int rate)
        : period_(std::uint64_t{10} * sampleRate), rate_(static_cast<std::uint64_t>(rate)) {}

    // phase = phase + rate, less one period when it reaches the period (any number of periods
    // for a sample rate so low that the rate exceeds it).
    void Advance() {
        if (period_ == 0) {
            return;
        }
        phase_ += rate_;
        std::uint64_t scaled = remainder_ + rate_ * 1024;
        if (scaled >= period_) {
            scaled -= period_;
            ++index_;
            if (scaled >= period_) {
                index_ += scaled / period_;
                scaled %= period_;
            }
        }
        remainder_ = scaled;
        if (phase_ >= period_) {
            const std::uint64_t periods = phase_ / period_;
            phase_ -= periods * period_;
            index_ -= 1024 * periods;
        }
    }

    // phase * 1024 / (10 * sampleRate), 0..1023.
    int Index() const { return static_cast<int>(index_); }
    std::uint64_t Phase() const { return phase_; }

private:
    std::uint64_t period_; // 10 * sampleRate
    std::uint64_t rate_;
    std::uint64_t phase_ = 0;
    std::uint64_t index_ = 0;     // phase * 1024 / period
    std::uint64_t remainder_ = 0; // phase * 1024 % period
};

// The tremolo's SineTable index for frame k: ((k * 102 / sampleRate) * rate) mod 1024, so
// that the index jumps by `rate` entries 102 times a second. The quotient is kept with its
// remainder as k grows, so that no frame divides, and in 64 bits, so that it keeps growing
// past the 42 million frames at which k * 102 would leave 32 bits.
class TremoloIndex {
public:
    TremoloIndex(std::uint32_t sampleRate, int rate)
        : sampleRate_(sampleRate), rate_(static_cast<std::uint64_t>(rate)) {}

    int Index() const { return static_cast<int>((quotient_ * rate_) & 1023u); }

    // A sound cannot have sample rate 0; were it to, the index would stay 0.
    void Next() {
        if (sampleRate_ == 0) {
            return;
        }
        remainder_ += 102;
        if (remainder_ >= sampleRate_) {
            quotient_ += remainder_ / sampleRate_;
            remainder_ %= sampleRate_;
        }
    }

private:
    std::uint64_t sampleRate_;
    std::uint64_t rate_;
    std::uint64_t quotient_ = 0;  // k * 102 / sampleRate
    std::uint64_t remainder_ = 0; // k * 102 % sampleRate
};

// Writes into `out` (a frame in the sound's layout) frame k of the selection read `offset`
// ten-thousandths of a frame away: a is the frame offset / 10000 frames away, b the one after
// it ((offset + 10000) / 10000), and each channel gets (offset % 10000) * (b - a) / 10000 + a,
// all divisions truncating toward zero. Frames outside the sound read 0.
template <class Ops>
void ReadSwept(const FrameRange& sel, const Ops& ops, std::int64_t k, int offset,
               std::uint8_t* out) {
    const std::int64_t at = sel.startOffset + k * sel.step;
    const std::int64_t atA = at + static_cast<std::int64_t>(offset / 10000) * sel.step;
    const std::int64_t atB = at + static_cast<std::int64_t>((offset + 10000) / 10000) * sel.step;
    const int fraction = offset % 10000;
    for (int i = 0; i < sel.channels; ++i) {
        const int a = sel.ReadBounded(ops, atA, i);
        const int b = sel.ReadBounded(ops, atB, i);
        ops.Write(out, fraction * (b - a) / 10000 + a, i);
    }
}

} // namespace wt
