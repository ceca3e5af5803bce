// RIFF/WAVE layout shared by the WAV file reader and writer and by the clipboard, which
// carries sound between programs as the bytes of a WAV file held in memory. The editor writes
// the canonical 44-byte header (a 16-byte "fmt " chunk, then "data"); files and images from
// other programs may carry other chunks and longer format chunks, so both are read by walking
// the chunks.
#pragma once

#include "model/SoundDocument.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace wt {

inline constexpr std::size_t kWaveHeaderBytes = 44;

// Fills the canonical 44-byte header for `dataBytes` bytes of samples of `format`: "RIFF",
// dataBytes + 36, "WAVE", a 16-byte "fmt " chunk with the first 16 bytes of the format
// record, "data", dataBytes.
void WriteWaveHeader(std::uint8_t header[kWaveHeaderBytes], const SoundFormat& format,
                     std::uint32_t dataBytes);

// What a walk over the chunks found.
struct WaveChunks {
    bool riff = false;       // "RIFF" at byte 0
    bool wave = false;       // "WAVE" at byte 8
    bool formatSeen = false; // a usable PCM "fmt " chunk, the last one in `format`
    bool refused = false;    // the walk stopped at a "fmt " chunk the editor cannot hold
    SoundFormat format;
    bool dataSeen = false; // a "data" chunk, the last one at dataOffset
    std::uint64_t dataOffset = 0;
    std::uint64_t dataBytes = 0; // as the chunk header claims it
    // A "LIST" chunk of type "INFO" (the file's text tags), the last one: where its subchunks
    // start (after the type) and their bytes as the chunk header claims them.
    bool infoSeen = false;
    std::uint64_t infoOffset = 0;
    std::uint64_t infoBytes = 0;
};

// Reads up to `count` bytes at `offset` into `out`; returns how many were there.
using ReadAtFunction =
    std::function<std::size_t(std::uint64_t offset, std::uint8_t* out, std::size_t count)>;

// Walks a RIFF/WAVE stream of `size` bytes: checks "RIFF" and "WAVE", then reads the chunk
// headers from byte 12 until no whole header is left, each chunk skipped by its size plus a
// pad byte when the size is odd. A later "fmt " overrides an earlier one and a later "data"
// replaces an earlier one, in any order. A "fmt " chunk whose tag is not 1 (PCM) or whose
// format the editor cannot work with (no channel, rate or depth, or a block align too small
// for its channels) ends the walk with `refused`. The format is read from the first 18 bytes
// of the chunk body whatever the chunk's size (zeros where the stream ends); the extra-size
// word only from a chunk long enough to hold it. Only chunk headers, format bodies and list
// types are read, never the samples.
WaveChunks WalkWaveChunks(const ReadAtFunction& readAt, std::uint64_t size);

// Where the samples of a valid image are.
struct WaveImageView {
    SoundFormat format;
    std::size_t dataOffset = 0; // from the start of the image
    std::uint32_t dataBytes = 0;
};

// Reads `size` bytes as a clipboard image. True, with `view` filled, when the walk finds a
// usable PCM format and a "data" chunk that lies wholly inside the image; false for anything
// else (no "RIFF"/"WAVE", no usable format, no data, or data running past the end).
bool ParseWaveImage(const std::uint8_t* bytes, std::size_t size, WaveImageView& view);

} // namespace wt
