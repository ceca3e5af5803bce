#include "model/MuLaw.h"

#include <array>
#include <bit>
#include <memory>

namespace wt {

namespace {

constexpr int kClip = 32635;
constexpr int kBias = 132;

std::array<std::int16_t, 256> MakeDecodeTable() {
    std::array<std::int16_t, 256> table{};
    for (int code = 0; code < 256; ++code) {
        const int u = ~code & 0xFF;
        const int exponent = (u >> 4) & 0x07;
        const int mantissa = u & 0x0F;
        const int magnitude = (mantissa << (exponent + 3)) + kMuLawBias[exponent];
        table[static_cast<std::size_t>(code)] =
            static_cast<std::int16_t>((u & 0x80) ? -magnitude : magnitude);
    }
    return table;
}

const std::array<std::int16_t, 256> kDecodeTable = MakeDecodeTable();

} // namespace

int MuLawDecode(std::uint8_t code) {
    return kDecodeTable[code];
}

std::uint8_t MuLawEncode(int value) {
    int sign = 0;
    if (value < 0) {
        sign = 0x80;
        value = -value;
    }
    if (value > kClip) {
        value = kClip;
    }
    value += kBias;
    // Position of the highest set bit of value / 128 (0 for a quotient of 0 or 1).
    const unsigned quotient = static_cast<unsigned>(value) >> 7;
    const int exponent = quotient <= 1 ? 0 : std::bit_width(quotient) - 1;
    const int mantissa = (value >> (exponent + 3)) & 0x0F;
    const auto code = static_cast<std::uint8_t>(~(sign | exponent << 4 | mantissa));
    return code == 0x00 ? 0x02 : code;
}

const std::uint8_t* MuLawEncodeTable() {
    static const auto table = [] {
        auto codes = std::make_unique<std::uint8_t[]>(65536);
        for (int v = -32768; v < 32768; ++v) {
            codes[static_cast<std::uint16_t>(v)] = MuLawEncode(v);
        }
        return codes;
    }();
    return table.get();
}

void MuLawDecodeInPlace(std::uint8_t* block, std::size_t count) {
    const std::uint8_t* codes = block + count;
    for (std::size_t i = 0; i < count; ++i) {
        const auto sample = static_cast<std::uint16_t>(kDecodeTable[codes[i]]);
        block[2 * i] = static_cast<std::uint8_t>(sample);
        block[2 * i + 1] = static_cast<std::uint8_t>(sample >> 8);
    }
}

} // namespace wt
