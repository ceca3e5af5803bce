// A PCM WAV file read for playback only: the format and the sample bytes, found by walking the
// RIFF chunks with every size checked against the bytes that are really there.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace wt {

struct WavClip {
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;             // 8 (unsigned), 16, 24 or 32 (signed, little-endian)
    int blockAlign = 0;                // bytes per frame
    std::vector<std::uint8_t> samples; // whole frames only

    std::size_t Frames() const { return blockAlign > 0 ? samples.size() / blockAlign : 0; }
};

// Parses a RIFF/WAVE image. Returns nothing when it is not a playable PCM file: no "fmt " or
// "data" chunk, a format other than integer PCM, 0 or more than 8 channels, a rate outside
// 1..768000 Hz, a block size that does not match, or a truncated header. A data chunk that
// claims more bytes than the file holds is cut to what is there.
std::optional<WavClip> ParseWavClip(const std::vector<std::uint8_t>& bytes);

// Reads and parses a file; nothing when it cannot be read or parsed. Files above `maxBytes`
// are refused.
std::optional<WavClip> LoadWavClip(const std::string& path,
                                   std::size_t maxBytes = 64u * 1024u * 1024u);

} // namespace wt
