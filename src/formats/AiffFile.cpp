// AIFF files: an IFF "FORM" of type "AIFF", big-endian, samples signed (8-bit ones too), the
// sample rate an 80-bit extended-precision number. Title, author, copyright and comment
// travel in the text chunks "NAME", "AUTH", "(c) " and "ANNO".
#include "formats/FileIo.h"
#include "formats/SoundFormats.h"
#include "model/PcmCodec.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <optional>
#include <vector>

namespace wt {

namespace {

constexpr std::size_t kAiffHeaderBytes = 54;
// Samples are converted for writing in slices of this many bytes.
constexpr std::size_t kWriteSliceBytes = std::size_t{1} << 20;

// What a "COMM" chunk says, checked and turned into the document's format.
struct CommonChunk {
    SoundFormat format;
    std::uint32_t frames = 0;
    int sampleBytes = 0; // container bytes of one sample, 1 to 4
};

// Reads the body of a "COMM" chunk (18 bytes, zero where the file ended). Empty when the
// editor cannot hold the format: no channels, no bits or more than 32, a rate that is not a
// finite number of at least 1 Hz, or a frame or second too large for the format record.
std::optional<CommonChunk> ParseCommonChunk(const std::uint8_t* body) {
    const std::uint32_t channels = GetBe16(body);
    const std::uint32_t frames = GetBe32(body + 2);
    std::uint32_t bits = GetBe16(body + 6);
    const double rate = ExtendedToDouble(body + 8);
    if (bits == 0 || bits > 32) {
        return std::nullopt;
    }
    // Sample sizes are stored in whole bytes.
    bits = (bits + 7) / 8 * 8;
    if (channels == 0 || !(rate >= 1.0 && rate < 4294967296.0)) {
        return std::nullopt;
    }
    const auto rateHz = static_cast<std::uint32_t>(rate); // truncated toward zero
    const std::uint64_t blockAlign = std::uint64_t{bits} * channels / 8;
    const std::uint64_t bytesPerSecond = std::uint64_t{bits} * rateHz * channels / 8;
    if (blockAlign > 0xFFFF || bytesPerSecond > 0xFFFFFFFF) {
        return std::nullopt;
    }
    CommonChunk comm;
    comm.format.formatTag = 1;
    comm.format.channels = static_cast<std::uint16_t>(channels);
    comm.format.sampleRate = rateHz;
    comm.format.bytesPerSecond = static_cast<std::uint32_t>(bytesPerSecond);
    comm.format.blockAlign = static_cast<std::uint16_t>(blockAlign);
    comm.format.bitsPerSample = static_cast<std::uint16_t>(bits);
    comm.format.extraSize = 0;
    comm.frames = frames;
    comm.sampleBytes = static_cast<int>(bits / 8);
    return comm;
}

// Converts `bytes` bytes of samples of `SampleBytes` bytes in place, reporting a progress step
// for each sample with its byte index out of the file size.
template <int SampleBytes>
void ConvertWithProgress(FileProgress& progress, std::uint8_t* data, std::size_t bytes,
                         std::uint64_t fileSize) {
    for (std::size_t at = 0; at < bytes; at += SampleBytes) {
        FlipPcmSample(data + at, SampleBytes);
        progress.Step(static_cast<std::int64_t>(at), static_cast<std::int64_t>(fileSize));
    }
}

} // namespace

double ExtendedToDouble(const std::uint8_t bytes[10]) {
    const int exponent = (bytes[0] & 0x7F) << 8 | bytes[1];
    const std::uint32_t high = GetBe32(bytes + 2);
    const std::uint32_t low = GetBe32(bytes + 6);
    double value;
    if (exponent == 0 && high == 0 && low == 0) {
        value = 0.0;
    } else if (exponent == 0x7FFF) {
        value = HUGE_VAL;
    } else {
        value = std::ldexp(static_cast<double>(high), exponent - 16383 - 31) +
                std::ldexp(static_cast<double>(low), exponent - 16383 - 63);
    }
    return (bytes[0] & 0x80) ? -value : value;
}

void DoubleToExtended(double value, std::uint8_t bytes[10]) {
    int sign = 0;
    if (value < 0) {
        sign = 0x8000;
        value = -value;
    }
    int exponent = 0;
    std::uint32_t high = 0, low = 0;
    if (value != 0) {
        int power = 0;
        double fraction = std::frexp(value, &power);
        if (power > 16384 || !(fraction < 1)) {
            exponent = sign | 0x7FFF; // infinity (and anything that is not a number)
        } else {
            power += 16382;
            if (power < 0) { // denormal
                fraction = std::ldexp(fraction, power);
                power = 0;
            }
            exponent = power | sign;
            fraction = std::ldexp(fraction, 32);
            const double highPart = std::floor(fraction);
            high = static_cast<std::uint32_t>(highPart);
            fraction = std::ldexp(fraction - highPart, 32);
            low = static_cast<std::uint32_t>(std::floor(fraction));
        }
    } else {
        exponent = sign;
    }
    PutBe16(bytes, static_cast<std::uint32_t>(exponent));
    PutBe32(bytes + 2, high);
    PutBe32(bytes + 6, low);
}

FileStatus ReadAiffFile(const std::string& path, LoadedSound& sound, FileProgress& progress) {
    FileStatus status;
    InputFile file;
    if (!file.Open(path)) {
        return status.Refuse(FileNoteCode::CannotOpen);
    }
    const std::uint64_t fileSize = file.Size();
    std::uint8_t header[12] = {};
    const std::size_t headerBytes = file.ReadAt(0, header, sizeof header);
    if (headerBytes < 4 || !IsFourCc(header, "FORM")) {
        return status.Refuse(FileNoteCode::CorruptForm);
    }
    if (headerBytes < 12 || !IsFourCc(header + 8, "AIFF")) {
        return status.Refuse(FileNoteCode::CorruptAiff);
    }

    // Walk the chunks, remembering the last "COMM" and the last "SSND" that follows a "COMM"
    // (an "SSND" before any "COMM" is skipped). Each step advances by at least 8 bytes.
    std::optional<CommonChunk> comm;
    bool refused = false;
    bool soundSeen = false;
    std::uint64_t soundOffset = 0, soundBytes = 0;
    int soundSampleBytes = 0, soundFrameBytes = 0;
    std::uint64_t position = 12;
    std::uint8_t chunk[8];
    while (file.ReadExactlyAt(position, chunk, sizeof chunk)) {
        const std::uint32_t size = GetBe32(chunk + 4);
        if (IsFourCc(chunk, "COMM")) {
            std::uint8_t body[18] = {};
            file.ReadAt(position + 8, body, sizeof body);
            const std::optional<CommonChunk> parsed = ParseCommonChunk(body);
            if (!parsed) {
                status.Refuse(FileNoteCode::FormatNotSupported);
                refused = true;
                break;
            }
            comm = parsed;
        } else if (IsFourCc(chunk, "SSND") && comm) {
            std::uint8_t offsetField[4] = {};
            file.ReadAt(position + 8, offsetField, sizeof offsetField);
            // The 32-bit offset counts bytes to skip after the offset and block-size words.
            soundOffset = position + 16 + GetBe32(offsetField);
            soundSampleBytes = comm->sampleBytes;
            soundFrameBytes = comm->format.blockAlign;
            soundBytes = std::uint64_t{comm->format.channels} * comm->frames *
                         static_cast<std::uint64_t>(comm->sampleBytes);
            soundSeen = true;
        } else if (IsAiffTextChunk(chunk)) {
            // A name, author, copyright or annotation chunk gives a tag.
            std::vector<std::uint8_t> text(std::min<std::size_t>(size, kMaxTagChunkBytes));
            text.resize(file.ReadAt(position + 8, text.data(), text.size()));
            ReadAiffTextChunk(chunk, text.data(), text.size(), sound.tags);
        }
        position += 8 + std::uint64_t{size} + (size & 1u);
    }

    if (refused || !soundSeen) {
        return status.Refuse(FileNoteCode::ChunkNotFound);
    }
    // Samples of other than 8 or 16 bits (in the last "COMM", or in the one in effect where
    // the samples start), or more than two channels, are refused: the editor's sample access
    // would read them as silence.
    if (!IsHoldableFormat(comm->format) || soundSampleBytes > 2) {
        return status.Refuse(FileNoteCode::FormatNotSupported);
    }

    // Sample data that ends before the frame count does gives the frames that are there.
    const std::uint64_t present = soundOffset < fileSize ? fileSize - soundOffset : 0;
    std::uint64_t bytes = std::min(soundBytes, present);
    bytes -= bytes % static_cast<std::uint64_t>(soundFrameBytes);

    sound.format = comm->format;
    if (!AllocateSoundBlock(status, sound.data, bytes)) {
        return status;
    }
    std::uint8_t* data = sound.data.Data();
    std::uint64_t got = file.ReadAt(soundOffset, data, static_cast<std::size_t>(bytes));
    got -= got % static_cast<std::uint64_t>(soundFrameBytes);

    // Convert in place, reporting progress for each sample.
    progress.Begin();
    if (soundSampleBytes == 1) {
        ConvertWithProgress<1>(progress, data, static_cast<std::size_t>(got), fileSize);
    } else {
        ConvertWithProgress<2>(progress, data, static_cast<std::size_t>(got), fileSize);
    }
    progress.End();
    // The last "COMM" decides the format, also when it came after the samples.
    got -= got % sound.format.blockAlign;
    sound.byteLength = static_cast<std::int32_t>(got);
    return status.Accept();
}

SaveStatus WriteAiffFile(const SoundDocument& doc, const std::string& path) {
    const SoundFormat& format = doc.format;
    const auto length = static_cast<std::uint32_t>(doc.byteLength);
    const std::uint32_t channels = format.channels ? format.channels : 1;
    const std::uint32_t blockAlign = format.blockAlign ? format.blockAlign : 1;
    const std::uint32_t bits = blockAlign * 8 / channels;

    // The text chunks of the tags go between "COMM" and "SSND".
    const std::vector<std::uint8_t> texts = MakeAiffTextChunks(doc.tags);
    constexpr std::size_t kSoundHeaderAt = 38;
    std::uint8_t header[kAiffHeaderBytes];
    PutFourCc(header, "FORM");
    PutBe32(header + 4, static_cast<std::uint32_t>(length + 46 + (length & 1u) + texts.size()));
    PutFourCc(header + 8, "AIFF");
    PutFourCc(header + 12, "COMM");
    PutBe32(header + 16, 18);
    PutBe16(header + 20, format.channels);
    PutBe32(header + 22, length / blockAlign);
    PutBe16(header + 26, bits);
    DoubleToExtended(static_cast<double>(format.sampleRate), header + 28);
    PutFourCc(header + 38, "SSND");
    PutBe32(header + 42, length + 8);
    PutBe32(header + 46, 0);
    PutBe32(header + 50, 0);

    AtomicFileWriter out(path);
    bool written = out.Open() && out.Write(header, kSoundHeaderAt) &&
                   out.Write(texts.data(), texts.size()) &&
                   out.Write(header + kSoundHeaderAt, sizeof header - kSoundHeaderAt);

    // Every sample of each frame is written big-endian and signed; bytes of a frame beyond
    // its samples (a block align wider than the samples need) go out unchanged.
    const int sampleBytes = static_cast<int>(blockAlign / channels);
    const std::size_t samplesBytes = static_cast<std::size_t>(sampleBytes) * channels;
    const std::size_t frameBytes = blockAlign;
    const std::size_t framesPerSlice = std::max<std::size_t>(1, kWriteSliceBytes / frameBytes);
    std::vector<std::uint8_t> slice;
    bool noMemory = out.OutOfMemory();
    if (written && length >= frameBytes &&
        !TryResize(slice, std::min(framesPerSlice, length / frameBytes) * frameBytes)) {
        written = false;
        noMemory = true;
    }
    const std::uint8_t* source = doc.Data();
    for (std::size_t done = 0; written && done + frameBytes <= length;) {
        const std::size_t frames = std::min(framesPerSlice, (length - done) / frameBytes);
        slice.resize(frames * frameBytes); // never larger than the first slice
        if (samplesBytes == frameBytes) {
            CopyFlippedPcm(source + done, slice.data(), frames * channels, sampleBytes);
        } else {
            for (std::size_t f = 0; f < frames; ++f) {
                const std::size_t at = f * frameBytes;
                std::copy_n(source + done + at, frameBytes, slice.data() + at);
                CopyFlippedPcm(source + done + at, slice.data() + at, channels, sampleBytes);
            }
        }
        written = out.Write(slice.data(), slice.size());
        done += slice.size();
    }
    // Bytes after the last whole frame (none in a consistent document) and the pad byte.
    const std::size_t whole = length - length % frameBytes;
    if (written && whole < length) {
        written = out.Write(source + whole, length - whole);
    }
    const std::uint8_t pad = 0;
    if (written && (length & 1u)) {
        written = out.Write(&pad, 1);
    }
    written = written && out.Commit();
    return {written, written ? 0 : noMemory ? ENOMEM : out.Error()};
}

} // namespace wt
