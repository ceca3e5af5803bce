// RIFF/WAVE files. The document's sample block has the layout of a WAVE "data" chunk, so the
// samples move in one read and one write without conversion. The text tags travel in a "LIST"
// chunk of type "INFO".
#include "formats/FileIo.h"
#include "formats/SoundFormats.h"
#include "model/WaveImage.h"

#include <algorithm>
#include <vector>

namespace wt {

FileStatus ReadWaveFile(const std::string& path, LoadedSound& sound) {
    FileStatus status;
    InputFile file;
    if (!file.Open(path)) {
        return status.Refuse(FileNoteCode::CannotOpen);
    }
    const WaveChunks found =
        WalkWaveChunks([&file](std::uint64_t offset, std::uint8_t* out,
                               std::size_t count) { return file.ReadAt(offset, out, count); },
                       file.Size());
    if (!found.riff) {
        return status.Refuse(FileNoteCode::CorruptRiff);
    }
    if (!found.wave) {
        return status.Refuse(FileNoteCode::CorruptWave);
    }
    if (found.refused) {
        status.Refuse(FileNoteCode::FormatNotSupported);
    }
    if (found.refused || !found.formatSeen || !found.dataSeen) {
        return status.Refuse(FileNoteCode::Corrupt);
    }
    const SoundFormat& format = found.format;
    if (!IsHoldableFormat(format)) {
        return status.Refuse(FileNoteCode::FormatNotSupported);
    }
    const std::uint64_t dataOffset = found.dataOffset, dataBytes = found.dataBytes;

    // A data chunk that runs past the end of the file (a recording cut short) gives the
    // frames that are there.
    const std::uint64_t fileSize = file.Size();
    const std::uint64_t present = dataOffset < fileSize ? fileSize - dataOffset : 0;
    std::uint64_t bytes = std::min(dataBytes, present);
    bytes -= bytes % format.blockAlign;

    sound.format = format;
    if (!AllocateSoundBlock(status, sound.data, bytes)) {
        return status;
    }
    std::uint64_t got = file.ReadAt(dataOffset, sound.data.Data(), static_cast<std::size_t>(bytes));
    got -= got % format.blockAlign;
    sound.byteLength = static_cast<std::int32_t>(got);

    // The text tags, as far as the file holds them.
    if (found.infoSeen) {
        std::vector<std::uint8_t> info(
            static_cast<std::size_t>(std::min<std::uint64_t>(found.infoBytes, kMaxTagChunkBytes)));
        info.resize(file.ReadAt(found.infoOffset, info.data(), info.size()));
        ParseRiffInfo(info.data(), info.size(), sound.tags);
    }
    return status.Accept();
}

SaveStatus WriteWaveFile(const SoundDocument& doc, const std::string& path) {
    const auto length = static_cast<std::uint32_t>(doc.byteLength);
    std::uint8_t header[kWaveHeaderBytes];
    WriteWaveHeader(header, doc.format, length);
    // The tags go between the format and the samples, so the samples stay the last chunk as
    // in a file without tags.
    const std::vector<std::uint8_t> info = MakeRiffInfoChunk(doc.tags);
    PutLe32(header + 4, static_cast<std::uint32_t>(length + 36 + info.size()));
    constexpr std::size_t kDataHeaderAt = 36;

    AtomicFileWriter out(path);
    const bool written = out.Open() && out.Write(header, kDataHeaderAt) &&
                         out.Write(info.data(), info.size()) &&
                         out.Write(header + kDataHeaderAt, sizeof header - kDataHeaderAt) &&
                         out.Write(doc.Data(), length) && out.Commit();
    return {written, written ? 0 : out.Error()};
}

} // namespace wt
