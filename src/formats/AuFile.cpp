// AU files: the ".snd" header (big-endian 32-bit words) and 8-bit mu-law samples. A loaded
// file becomes 16-bit PCM; a saved one is encoded from the document's samples.
#include "formats/FileIo.h"
#include "formats/SoundFormats.h"
#include "model/MuLaw.h"
#include "model/PcmCodec.h"

#include <algorithm>
#include <cerrno>
#include <vector>

namespace wt {

namespace {

constexpr std::size_t kAuHeaderBytes = 24;
constexpr std::size_t kAuWrittenHeaderBytes = 32; // the header and 8 zero annotation bytes
constexpr std::uint32_t kEncodingMuLaw8 = 1;
// The data size of a file whose writer did not know it: the data runs to the end.
constexpr std::uint32_t kSizeUnknown = 0xFFFFFFFF;
constexpr std::size_t kWriteSliceBytes = std::size_t{1} << 20;

} // namespace

FileStatus ReadAuFile(const std::string& path, LoadedSound& sound) {
    FileStatus status;
    InputFile file;
    if (!file.Open(path)) {
        return status.Refuse(FileNoteCode::CannotOpen);
    }
    std::uint8_t header[kAuHeaderBytes] = {};
    const std::size_t headerBytes = file.ReadAt(0, header, sizeof header);
    // A header cut short is as corrupt as a wrong magic.
    if (headerBytes < kAuHeaderBytes || !IsFourCc(header, ".snd")) {
        return status.Refuse(FileNoteCode::CorruptRiff);
    }
    const std::uint32_t dataOffset = GetBe32(header + 4);
    const std::uint32_t dataSize = GetBe32(header + 8);
    const std::uint32_t encoding = GetBe32(header + 12);
    const std::uint32_t rate = GetBe32(header + 16);
    const std::uint32_t channels = GetBe32(header + 20);

    // Besides other encodings, formats the editor cannot hold are refused: no channels or
    // more than two, no rate, or too many bytes a second for the format record.
    const std::uint64_t blockAlign = std::uint64_t{channels} * 2;
    if (encoding != kEncodingMuLaw8 || channels == 0 || channels > 2 || rate == 0 ||
        blockAlign * rate > 0xFFFFFFFF) {
        return status.Refuse(FileNoteCode::TypeNotSupported);
    }
    sound.format.formatTag = 1;
    sound.format.channels = static_cast<std::uint16_t>(channels);
    sound.format.sampleRate = rate;
    sound.format.bitsPerSample = 16;
    sound.format.blockAlign = static_cast<std::uint16_t>(blockAlign);
    sound.format.bytesPerSecond = static_cast<std::uint32_t>(blockAlign * rate);
    sound.format.extraSize = 0;

    // One code per sample; a size past the end of the file (or the "unknown" size) gives the
    // codes that are there, in whole frames.
    const std::uint64_t fileSize = file.Size();
    const std::uint64_t present = dataOffset < fileSize ? fileSize - dataOffset : 0;
    std::uint64_t codes =
        dataSize == kSizeUnknown ? present : std::min<std::uint64_t>(dataSize, present);
    codes -= codes % channels;
    if (!AllocateSoundBlock(status, sound.data, codes * 2)) {
        return status;
    }
    // The codes go into the upper half of the block and are decoded forward into 16-bit
    // samples from its start, so no second buffer is needed.
    std::uint8_t* data = sound.data.Data();
    std::uint64_t got = file.ReadAt(dataOffset, data + codes, static_cast<std::size_t>(codes));
    got -= got % channels;
    if (got < codes) {
        // The file shrank while it was read: move what arrived to where decoding expects it.
        std::copy_n(data + codes, got, data + got);
    }
    MuLawDecodeInPlace(data, static_cast<std::size_t>(got));
    sound.byteLength = static_cast<std::int32_t>(got * 2);
    return status.Accept();
}

SaveStatus WriteAuFile(const SoundDocument& doc, const std::string& path) {
    // The file opens as 16-bit samples, whose bytes a second must fit the format record: a
    // rate beyond that (from a WAV of 8-bit samples at gigahertz) would be written into a
    // file no reader takes back.
    if (std::uint64_t{2} * std::max<std::uint32_t>(doc.format.channels, 1) * doc.format.sampleRate >
        0xFFFFFFFFu) {
        SaveStatus refused;
        refused.rateNotHeld = true;
        return refused;
    }
    // Every channel's code, interleaved as in the document, so other programs read the file
    // as the sound it is; the data size counts bytes of codes.
    const std::size_t channels = doc.format.channels ? doc.format.channels : 1;
    const std::size_t frameBytes = doc.format.blockAlign ? doc.format.blockAlign : 1;
    const int sampleBytes = static_cast<int>(frameBytes / channels);
    const std::size_t frames = static_cast<std::size_t>(doc.byteLength) / frameBytes;
    const std::size_t codes = frames * channels;

    std::uint8_t header[kAuWrittenHeaderBytes] = {};
    PutFourCc(header, ".snd");
    PutBe32(header + 4, kAuWrittenHeaderBytes);
    PutBe32(header + 8, static_cast<std::uint32_t>(codes));
    PutBe32(header + 12, kEncodingMuLaw8);
    PutBe32(header + 16, doc.format.sampleRate);
    PutBe32(header + 20, doc.format.channels);

    AtomicFileWriter out(path);
    bool written = out.Open() && out.Write(header, sizeof header);
    // Each sample's code comes from the table by its 16-bit value.
    const std::uint8_t* encode = MuLawEncodeTable();
    // A slice has room for one more frame than its size, so a frame never straddles two.
    std::vector<std::uint8_t> slice;
    bool noMemory = out.OutOfMemory();
    if (written && !TryResize(slice, kWriteSliceBytes + channels)) {
        written = false;
        noMemory = true;
    }
    std::size_t filled = 0;
    const std::uint8_t* frame = doc.Data();
    for (std::size_t f = 0; written && f < frames; ++f, frame += frameBytes) {
        for (std::size_t channel = 0; channel < channels; ++channel) {
            const int value = PcmSampleValue(frame + channel * sampleBytes, sampleBytes);
            slice[filled++] = encode[static_cast<std::uint16_t>(value)];
        }
        if (filled >= kWriteSliceBytes) {
            written = out.Write(slice.data(), filled);
            filled = 0;
        }
    }
    written = written && out.Write(slice.data(), filled);
    written = written && out.Commit();
    return {written, written ? 0 : noMemory ? ENOMEM : out.Error()};
}

} // namespace wt
