// RIFF/WAVE files. The document's sample block has the layout of a WAVE "data" chunk, so the
// samples move in one read and one write without conversion. The text tags travel in a "LIST"
// chunk of type "INFO".
#include "commands/file/FileTexts.h"
#include "commands/file/SoundFileSupport.h"
#include "commands/file/SoundFiles.h"
#include "editor/App.h"
#include "formats/FileIo.h"
#include "model/WaveImage.h"

#include <algorithm>
#include <vector>

namespace wt {

int LoadWaveFile(App& app, const std::string& path, LoadedSound& sound) {
    InputFile file;
    if (!file.Open(path)) {
        ShowLoadMessage(app, filetext::kCannotOpen);
        return 0;
    }
    const WaveChunks found =
        WalkWaveChunks([&file](std::uint64_t offset, std::uint8_t* out,
                               std::size_t count) { return file.ReadAt(offset, out, count); },
                       file.Size());
    if (!found.riff) {
        ShowLoadMessage(app, filetext::kCorruptRiff);
        return 0;
    }
    if (!found.wave) {
        ShowLoadMessage(app, filetext::kCorruptWave);
        return 0;
    }
    if (found.refused) {
        ShowLoadMessage(app, filetext::kFormatNotSupported);
    }
    if (found.refused || !found.formatSeen || !found.dataSeen) {
        ShowLoadMessage(app, filetext::kCorrupt);
        return 0;
    }
    const SoundFormat& format = found.format;
    if (!IsHoldableFormat(format)) {
        ShowLoadMessage(app, filetext::kFormatNotSupported);
        return 0;
    }
    const std::uint64_t dataOffset = found.dataOffset, dataBytes = found.dataBytes;

    // A data chunk that runs past the end of the file (a recording cut short) gives the
    // frames that are there.
    const std::uint64_t fileSize = file.Size();
    const std::uint64_t present = dataOffset < fileSize ? fileSize - dataOffset : 0;
    std::uint64_t bytes = std::min(dataBytes, present);
    bytes -= bytes % format.blockAlign;

    sound.format = format;
    if (!AllocateSoundBlock(app, sound.data, bytes)) {
        return 0;
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
    return 1;
}

int SaveWaveFile(App& app) {
    const SoundDocument& doc = app.doc;
    const auto length = static_cast<std::uint32_t>(doc.byteLength);
    std::uint8_t header[kWaveHeaderBytes];
    WriteWaveHeader(header, doc.format, length);
    // The tags go between the format and the samples, so the samples stay the last chunk as
    // in a file without tags.
    const std::vector<std::uint8_t> info = MakeRiffInfoChunk(doc.tags);
    PutLe32(header + 4, static_cast<std::uint32_t>(length + 36 + info.size()));
    constexpr std::size_t kDataHeaderAt = 36;

    AtomicFileWriter out(doc.title);
    const bool written = out.Open() && out.Write(header, kDataHeaderAt) &&
                         out.Write(info.data(), info.size()) &&
                         out.Write(header + kDataHeaderAt, sizeof header - kDataHeaderAt) &&
                         out.Write(doc.Data(), length) && out.Commit();
    return written ? FinishSave(app) : ReportSaveFailure(app, out.Error());
}

} // namespace wt
