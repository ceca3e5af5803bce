#include "hosts/portaudio/WavClip.h"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace wt {

namespace {

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;

} // namespace

std::optional<WavClip> ParseWavClip(const std::vector<std::uint8_t>& bytes) {
    const std::size_t size = bytes.size();
    if (size < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        return std::nullopt;
    }
    bool haveFormat = false;
    WavClip clip;
    const std::uint8_t* data = nullptr;
    std::size_t dataSize = 0;
    std::size_t pos = 12;
    while (pos + 8 <= size) {
        const std::uint8_t* header = bytes.data() + pos;
        const std::uint64_t chunkSize = Le32(header + 4);
        const std::size_t bodyStart = pos + 8;
        const std::size_t available = size - bodyStart;
        if (std::memcmp(header, "fmt ", 4) == 0) {
            if (chunkSize < 16 || chunkSize > available) {
                return std::nullopt;
            }
            const std::uint8_t* f = bytes.data() + bodyStart;
            std::uint16_t tag = Le16(f);
            if (tag == kFormatExtensible && chunkSize >= 40) {
                // The sub-format GUID starts with the plain format code.
                tag = Le16(f + 24);
            }
            if (tag != kFormatPcm) {
                return std::nullopt;
            }
            clip.channels = Le16(f + 2);
            const std::uint32_t rate = Le32(f + 4);
            clip.sampleRate = rate > 768000 ? 0 : static_cast<int>(rate);
            clip.blockAlign = Le16(f + 12);
            clip.bitsPerSample = Le16(f + 14);
            haveFormat = true;
        } else if (std::memcmp(header, "data", 4) == 0) {
            data = bytes.data() + bodyStart;
            dataSize = static_cast<std::size_t>(std::min<std::uint64_t>(chunkSize, available));
        }
        if (data && haveFormat) {
            break;
        }
        // Chunks are padded to an even length.
        const std::uint64_t next = bodyStart + chunkSize + (chunkSize & 1u);
        if (next > size) {
            break;
        }
        pos = static_cast<std::size_t>(next);
    }
    if (!haveFormat || !data) {
        return std::nullopt;
    }
    const int bits = clip.bitsPerSample;
    if (clip.channels < 1 || clip.channels > 8 || clip.sampleRate < 1 ||
        (bits != 8 && bits != 16 && bits != 24 && bits != 32) ||
        clip.blockAlign != clip.channels * bits / 8) {
        return std::nullopt;
    }
    const std::size_t whole = dataSize - dataSize % static_cast<std::size_t>(clip.blockAlign);
    clip.samples.assign(data, data + whole);
    return clip;
}

std::optional<WavClip> LoadWavClip(const std::string& path, std::size_t maxBytes) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        return std::nullopt;
    }
    const std::streamoff length = in.tellg();
    if (length < 0 || static_cast<std::uint64_t>(length) > maxBytes) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), length)) {
        return std::nullopt;
    }
    return ParseWavClip(bytes);
}

} // namespace wt
