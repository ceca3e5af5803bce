#include "model/PcmCodec.h"

#include <cstring>

namespace wt {

void CopyFlippedPcm(const std::uint8_t* source, std::uint8_t* target, std::size_t count,
                    int bytes) {
    switch (bytes) {
    case 1:
        for (std::size_t i = 0; i < count; ++i) {
            target[i] = static_cast<std::uint8_t>(source[i] ^ 0x80);
        }
        break;
    case 2:
        for (std::size_t i = 0; i < count; ++i) {
            target[2 * i] = source[2 * i + 1];
            target[2 * i + 1] = source[2 * i];
        }
        break;
    default:
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t at = i * static_cast<std::size_t>(bytes);
            if (target != source) {
                std::memcpy(target + at, source + at, static_cast<std::size_t>(bytes));
            }
            FlipPcmSample(target + at, bytes);
        }
        break;
    }
}

} // namespace wt
