// The big- and little-endian field helpers of the sound containers (RIFF, IFF, AU) and of the
// clipboard's RIFF image.
#pragma once

#include <cstdint>

namespace wt {

inline std::uint16_t GetLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
inline std::uint32_t GetLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
inline std::uint16_t GetBe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}
inline std::uint32_t GetBe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | static_cast<std::uint32_t>(p[3]);
}
inline void PutLe16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutLe32(std::uint8_t* p, std::uint32_t v) {
    PutLe16(p, v);
    PutLe16(p + 2, v >> 16);
}
inline void PutBe16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v);
}
inline void PutBe32(std::uint8_t* p, std::uint32_t v) {
    PutBe16(p, v >> 16);
    PutBe16(p + 2, v);
}
// True when the four bytes at p spell `id` (a four-character chunk or magic code).
inline bool IsFourCc(const std::uint8_t* p, const char* id) {
    return p[0] == static_cast<std::uint8_t>(id[0]) && p[1] == static_cast<std::uint8_t>(id[1]) &&
           p[2] == static_cast<std::uint8_t>(id[2]) && p[3] == static_cast<std::uint8_t>(id[3]);
}
inline void PutFourCc(std::uint8_t* p, const char* id) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(id[i]);
    }
}

} // namespace wt
