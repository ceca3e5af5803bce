// Linear PCM sample encodings between the document's layout (little-endian; 8-bit samples
// unsigned with 128 as silence, wider samples signed) and the big-endian signed layout of
// AIFF files. A sample's container is 1 to 4 bytes; the same routine converts either way,
// because each direction is its own inverse.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

namespace wt {

// Converts one sample of `bytes` bytes in place between the two layouts: 1 byte flips the
// sign bit (signed <-> unsigned, i.e. +128 modulo 256), wider samples reverse their bytes.
inline void FlipPcmSample(std::uint8_t* sample, int bytes) {
    switch (bytes) {
    case 1:
        sample[0] ^= 0x80;
        break;
    case 2:
        std::swap(sample[0], sample[1]);
        break;
    case 3:
        std::swap(sample[0], sample[2]);
        break;
    case 4:
        std::swap(sample[0], sample[3]);
        std::swap(sample[1], sample[2]);
        break;
    default:
        break;
    }
}

// Copies `count` samples of `bytes` bytes each from `source` to `target`, converting between
// the document's layout and the big-endian signed one. `target` may be `source` (in place),
// but the two must not overlap otherwise.
void CopyFlippedPcm(const std::uint8_t* source, std::uint8_t* target, std::size_t count, int bytes);

// The value of one document sample on the signed 16-bit scale, for encoders that take such
// values: an 8-bit sample gives (byte - 128) * 256, a wider one the top 16 bits of its
// little-endian container (so 16-bit samples give themselves).
inline int PcmSampleValue(const std::uint8_t* sample, int bytes) {
    if (bytes <= 0) {
        return 0;
    }
    if (bytes == 1) {
        return (static_cast<int>(sample[0]) - 128) * 256;
    }
    return static_cast<std::int16_t>(sample[bytes - 2] | sample[bytes - 1] << 8);
}

} // namespace wt
