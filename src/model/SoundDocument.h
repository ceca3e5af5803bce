// The one open sound: its format, sample bytes, selection, cursor, view position and state,
// and the primitives through which every effect, generator and file format reads and writes
// single samples.
#pragma once

#include "model/PeakSummary.h"
#include "model/SampleBlock.h"
#include "model/SoundTags.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string>

namespace wt {

// The 18-byte PCM wave format record, little-endian on disk, fields in this order.
#pragma pack(push, 1)
struct SoundFormat {
    std::uint16_t formatTag = 1; // 1 = PCM
    std::uint16_t channels = 1;
    std::uint32_t sampleRate = 22050;     // frames per second
    std::uint32_t bytesPerSecond = 22050; // sampleRate * blockAlign
    std::uint16_t blockAlign = 1;         // bytes per frame, all channels
    std::uint16_t bitsPerSample = 8;      // 8 and 16 are supported
    std::uint16_t extraSize = 0;

    friend bool operator==(const SoundFormat&, const SoundFormat&) = default;
};
#pragma pack(pop)
static_assert(sizeof(SoundFormat) == 18, "SoundFormat is the 18-byte wave format record");

// Frames per pixel column for each zoom index; index 0 is the most zoomed-out view.
inline constexpr std::array<int, 6> ZoomTable = {1024, 256, 64, 16, 4, 1};

inline const char* const kUntitled = "無題";

struct SoundDocument {
    SoundFormat format;
    SampleBlock sampleData;          // at least byteLength bytes; edits keep 16 spare bytes
    std::int32_t byteLength = 0;     // bytes of sample data, a multiple of blockAlign
    std::int32_t bytesPerSample = 1; // blockAlign / channels
    // All positions are byte offsets into the sample data, multiples of blockAlign.
    std::int32_t selStart = 0, selEnd = 0; // selStart == selEnd: nothing selected
    std::int32_t cursor = 0;               // insertion point, moving end of the last press or drag
    std::int32_t anchor = 0;               // where the last mouse press fell
    std::int32_t viewStart = 0;            // frame drawn at the left edge of the waveform area
    std::int32_t zoomIndex = 1;
    std::int32_t framesPerPixel = ZoomTable[1];
    bool modified = false;
    std::string title = kUntitled; // caption and prompt name, up to 256 characters
    std::int32_t peak = 0;         // peak tracker used by WriteSampleLimited
    int fileType = 0;              // 0 none, 1 WAV, 2 AU, 3 AIFF, 4 FLAC, 5 Ogg
    // Read through libsndfile and converted: the document has no file of its own (fileType
    // 0), so Save asks for a name instead of writing over the richer source.
    bool imported = false;
    // What libsndfile read ("flac 24 48000 2"); empty when the editor's own reader did.
    std::string sourceFormat;
    // The text tags of the file the sound came from, written again by every save in a type
    // that holds them; New starts without any.
    SoundTags tags;
    // The lowest and highest samples of blocks of frames, for drawing a zoomed-out view.
    PeakSummary peaks;

    std::uint8_t* Data() { return sampleData.Data(); }
    const std::uint8_t* Data() const { return sampleData.Data(); }

    // bytesPerSample from the format; 0-channel formats give 0 rather than dividing by zero.
    void RecomputeBytesPerSample() {
        bytesPerSample = format.channels ? format.blockAlign / format.channels : 0;
    }
};

// --- Sample primitives -----------------------------------------------------------------------
// A frame pointer is the address of the first byte of a frame in a block holding frames of
// the document's format; channel 0 is the left channel. Values are on the signed 16-bit scale.

inline int ReadSample(const SoundDocument& doc, const std::uint8_t* frame, int channel) {
    const std::uint8_t* p = frame + channel * doc.bytesPerSample;
    if (doc.format.bitsPerSample == 8) {
        return (static_cast<int>(*p) - 128) * 256;
    }
    if (doc.format.bitsPerSample == 16) {
        std::int16_t v;
        std::memcpy(&v, p, 2);
        return v;
    }
    return 0;
}

// Reads 0 when the frame pointer lies outside [blockStart, blockStart + blockLength).
inline int ReadSampleBounded(const SoundDocument& doc, const std::uint8_t* blockStart,
                             std::int64_t blockLength, const std::uint8_t* frame, int channel) {
    const auto start = reinterpret_cast<std::uintptr_t>(blockStart);
    const auto at = reinterpret_cast<std::uintptr_t>(frame);
    if (at < start || at >= start + static_cast<std::uintptr_t>(blockLength)) {
        return 0;
    }
    return ReadSample(doc, frame, channel);
}

// Stores without clipping: out-of-range values wrap (low 16 bits, or the low byte of the
// arithmetically shifted value plus 128 for 8-bit data).
inline void WriteSample(const SoundDocument& doc, std::uint8_t* frame, int value, int channel) {
    std::uint8_t* p = frame + channel * doc.bytesPerSample;
    if (doc.format.bitsPerSample == 8) {
        *p = static_cast<std::uint8_t>((value >> 8) + 128);
    } else if (doc.format.bitsPerSample == 16) {
        const auto v = static_cast<std::uint16_t>(value);
        std::memcpy(p, &v, 2);
    }
}

inline void ResetPeak(SoundDocument& doc) {
    doc.peak = 0;
}

inline void TrackPeak(SoundDocument& doc, int value) {
    const int magnitude = value < 0 ? -value : value;
    if (magnitude > doc.peak) {
        doc.peak = magnitude;
    }
}

// Scales by 32767 / peak when the tracked peak exceeds 32767, then clips and stores.
inline void WriteSampleLimited(const SoundDocument& doc, std::uint8_t* frame, int value,
                               int channel) {
    if (doc.peak > 32767) {
        // The product is formed in 64 bits: a 32-bit product would wrap for values above
        // 65538, which only occur together with a peak at least that large.
        value = static_cast<int>(static_cast<std::int64_t>(value) * 32767 / doc.peak);
    }
    if (value > 32767) {
        value = 32767;
    } else if (value < -32768) {
        value = -32768;
    }
    WriteSample(doc, frame, value, channel);
}

// --- Selection and positions -----------------------------------------------------------------

// An empty selection becomes the whole sound. Always returns 1.
int SelectAllIfNone(SoundDocument& doc);

// Column of the waveform area <-> byte offset (integer arithmetic, truncating toward zero).
std::int32_t PixelToOffset(const SoundDocument& doc, int x);
int OffsetToPixel(const SoundDocument& doc, std::int32_t offset);

// Copies count bytes one by one, backwards when source < destination, so overlapping ranges
// move correctly.
void MoveBytes(std::uint8_t* destination, const std::uint8_t* source, std::size_t count);

// The channel text of the status bar: "Mono", "Stereo" or "%dch".
std::string ChannelText(int channels);

// --- Sounds read from files ----------------------------------------------------------------

// The largest sample block the document can hold: byteLength is a signed 32-bit count and
// every block keeps 16 spare bytes after the samples.
inline constexpr std::uint64_t kMaxSoundBytes = 0x7FFFFFFF - 16;

// A sound read from a file and not yet part of the document.
struct LoadedSound {
    SoundFormat format;
    SampleBlock data;            // byteLength + 16 bytes; the spare bytes are zero
    std::int32_t byteLength = 0; // a multiple of format.blockAlign
    // Set by the libsndfile import only: what the file held ("wav float32 44100 2") and what
    // was converted ("32Bits float → 16Bits").
    std::string sourceFormat;
    std::string conversion;
    SoundTags tags; // the file's text tags, from every reader that finds them
};

// True when the rest of the editor can work with `format` without dividing by zero or
// reading outside a frame: at least one channel, a rate, bits per sample, a block align
// that holds every channel's sample container, and a second of frames that 32 bits can count.
bool IsUsableFormat(const SoundFormat& format);

// True when the editor's sample access reads every sample of `format`: a usable format of 8
// or 16 bits with one or two channels. Files in other formats are refused, not opened as
// silence that every effect would then leave unchanged.
bool IsHoldableFormat(const SoundFormat& format);

} // namespace wt
