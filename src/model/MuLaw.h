// 8-bit mu-law coding (ITU-T G.711: bias 132, clip level 32635), the sample encoding of AU
// files. Values are on the signed 16-bit scale.
#pragma once

#include <cstddef>
#include <cstdint>

namespace wt {

// Magnitude added back for each exponent when decoding: 132 * (2^e - 1).
inline constexpr int kMuLawBias[8] = {0, 132, 396, 924, 1980, 4092, 8316, 16764};

// Decodes one code: 0x00 gives -32124, 0x80 gives 32124, 0x7F and 0xFF give 0.
int MuLawDecode(std::uint8_t code);
// Encodes one value (clipped to +-32635). The all-zero code is never produced: it is written
// as 0x02, its nearest neighbour, so no byte of the data is 0x00.
std::uint8_t MuLawEncode(int value);

// The code of every 16-bit value, indexed by the value's two's-complement bit pattern
// (65536 entries, built on first use); entry v equals MuLawEncode(int16_t(v)).
const std::uint8_t* MuLawEncodeTable();

// Decodes `count` codes starting at byte `count` of `block` into `count` signed 16-bit
// little-endian samples at its start. The block holds at least 2 * count bytes; each sample
// is written only after the codes it would cover have been read.
void MuLawDecodeInPlace(std::uint8_t* block, std::size_t count);

} // namespace wt
