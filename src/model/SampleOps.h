// The document's sample operations for the processing loops, with the sample depth fixed at
// compile time and the layout held by value. The loops store through byte pointers, which the
// compiler must assume may change any object it cannot see through, the document included:
// ReadSample and WriteSample on the document there reload its format after every stored sample
// and test its depth for every sample. These give the same results (the tests hold them to the
// document's primitives for every value) from constants and locals instead.
#pragma once

#include "model/SoundDocument.h"

#include <cstdint>
#include <cstring>

namespace wt {

// Bits: 8 or 16; any other value reads 0 and writes nothing, as the document's primitives do
// for depths they do not support.
template <int Bits> struct SampleOps {
    int bytesPerSample;

    // As ReadSample.
    int Read(const std::uint8_t* frame, int channel) const {
        const std::uint8_t* p = frame + channel * bytesPerSample;
        if constexpr (Bits == 16) {
            std::int16_t v;
            std::memcpy(&v, p, 2);
            return v;
        } else if constexpr (Bits == 8) {
            return (static_cast<int>(*p) - 128) * 256;
        } else {
            (void)p;
            return 0;
        }
    }

    // As ReadSampleBounded: 0 outside [blockStart, blockStart + blockLength).
    int ReadBounded(const std::uint8_t* blockStart, std::int64_t blockLength,
                    const std::uint8_t* frame, int channel) const {
        const auto start = reinterpret_cast<std::uintptr_t>(blockStart);
        const auto at = reinterpret_cast<std::uintptr_t>(frame);
        if (at < start || at >= start + static_cast<std::uintptr_t>(blockLength)) {
            return 0;
        }
        return Read(frame, channel);
    }

    // As WriteSample: no clipping, out-of-range values wrap.
    void Write(std::uint8_t* frame, int value, int channel) const {
        std::uint8_t* p = frame + channel * bytesPerSample;
        if constexpr (Bits == 16) {
            const auto v = static_cast<std::uint16_t>(value);
            std::memcpy(p, &v, 2);
        } else if constexpr (Bits == 8) {
            *p = static_cast<std::uint8_t>((value >> 8) + 128);
        } else {
            (void)p;
            (void)value;
        }
    }

    // As WriteSampleLimited with `peak` the document's peak tracker.
    void WriteLimited(std::uint8_t* frame, int value, int channel, int peak) const {
        if (peak > 32767) {
            value = static_cast<int>(static_cast<std::int64_t>(value) * 32767 / peak);
        }
        if (value > 32767) {
            value = 32767;
        } else if (value < -32768) {
            value = -32768;
        }
        Write(frame, value, channel);
    }
};

// Calls f(ops) with the SampleOps of the document's depth.
template <class F> void WithSampleOps(const SoundDocument& doc, F&& f) {
    switch (doc.format.bitsPerSample) {
    case 16:
        f(SampleOps<16>{doc.bytesPerSample});
        break;
    case 8:
        f(SampleOps<8>{doc.bytesPerSample});
        break;
    default:
        f(SampleOps<0>{doc.bytesPerSample});
        break;
    }
}

// As TrackPeak on a peak held by the caller.
inline void TrackPeakIn(int& peak, int value) {
    const int magnitude = value < 0 ? -value : value;
    if (magnitude > peak) {
        peak = magnitude;
    }
}

} // namespace wt
