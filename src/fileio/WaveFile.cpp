// RIFF/WAVE files. The document's sample block has the layout of a WAVE "data" chunk, so the
// samples move in one read and one write without conversion.
#include "app/App.h"
#include "fileio/FileIo.h"
#include "fileio/FileTexts.h"
#include "fileio/SoundFileSupport.h"
#include "fileio/SoundFiles.h"

#include <algorithm>
#include <optional>

namespace wt {

namespace {

constexpr std::size_t kWaveHeaderBytes = 44;

// The format record from the body of a "fmt " chunk of `chunkSize` bytes; `body` holds the
// first 18 bytes of the body, zero where the file ended. The extra-size word is taken only
// from a chunk long enough to hold it.
SoundFormat ParseFormatChunk(const std::uint8_t* body, std::uint32_t chunkSize) {
    SoundFormat format;
    format.formatTag = GetLe16(body);
    format.channels = GetLe16(body + 2);
    format.sampleRate = GetLe32(body + 4);
    format.bytesPerSecond = GetLe32(body + 8);
    format.blockAlign = GetLe16(body + 12);
    format.bitsPerSample = GetLe16(body + 14);
    format.extraSize = chunkSize >= 18 ? GetLe16(body + 16) : 0;
    return format;
}

} // namespace

int LoadWaveFile(App& app, const std::string& path, bool* documentKept) {
    InputFile file;
    if (!file.Open(path)) {
        ShowLoadCannotOpen(app, documentKept);
        return 0;
    }
    std::uint8_t header[12] = {};
    const std::size_t headerBytes = file.ReadAt(0, header, sizeof header);
    if (headerBytes < 4 || !IsFourCc(header, "RIFF")) {
        ShowLoadMessage(app, filetext::kCorruptRiff);
        EmptyDocumentAfterFailedLoad(app, nullptr, false);
        return 0;
    }
    if (headerBytes < 12 || !IsFourCc(header + 8, "WAVE")) {
        ShowLoadMessage(app, filetext::kCorruptWave);
        EmptyDocumentAfterFailedLoad(app, nullptr, false);
        return 0;
    }

    // Walk the chunks. A later "fmt " overrides an earlier one and a later "data" replaces an
    // earlier one, so only the last of each is remembered; the samples are read at the end.
    // Every step advances by at least 8 bytes and the walk stops where no whole chunk header
    // is left, so it always ends.
    std::optional<SoundFormat> format;
    bool refused = false;
    bool dataSeen = false;
    std::uint64_t dataOffset = 0, dataBytes = 0;
    std::uint64_t position = 12;
    std::uint8_t chunk[8];
    while (file.ReadExactlyAt(position, chunk, sizeof chunk)) {
        const std::uint32_t size = GetLe32(chunk + 4);
        if (IsFourCc(chunk, "fmt ")) {
            std::uint8_t body[18] = {};
            file.ReadAt(position + 8, body, sizeof body);
            const SoundFormat parsed = ParseFormatChunk(body, size);
            if (parsed.formatTag != 1 || !IsUsableFormat(parsed)) {
                ShowLoadMessage(app, filetext::kFormatNotSupported);
                refused = true;
                break;
            }
            format = parsed;
        } else if (IsFourCc(chunk, "data")) {
            dataSeen = true;
            dataOffset = position + 8;
            dataBytes = size;
        }
        position += 8 + std::uint64_t{size} + (size & 1u);
    }

    if (refused || !format || !dataSeen) {
        ShowLoadMessage(app, filetext::kCorrupt);
        EmptyDocumentAfterFailedLoad(app, format ? &*format : nullptr, true);
        return 0;
    }

    // A data chunk that runs past the end of the file (a recording cut short) gives the
    // frames that are there.
    const std::uint64_t fileSize = file.Size();
    const std::uint64_t present = dataOffset < fileSize ? fileSize - dataOffset : 0;
    std::uint64_t bytes = std::min(dataBytes, present);
    bytes -= bytes % format->blockAlign;

    LoadedSound sound;
    sound.format = *format;
    if (!AllocateSoundBlock(app, sound.data, bytes, documentKept)) {
        return 0;
    }
    std::uint64_t got = file.ReadAt(dataOffset, sound.data.Data(), static_cast<std::size_t>(bytes));
    got -= got % format->blockAlign;
    sound.byteLength = static_cast<std::int32_t>(got);
    return InstallLoadedSound(app, sound);
}

int SaveWaveFile(App& app) {
    const SoundDocument& doc = app.doc;
    const auto length = static_cast<std::uint32_t>(doc.byteLength);
    std::uint8_t header[kWaveHeaderBytes];
    PutFourCc(header, "RIFF");
    PutLe32(header + 4, length + 36);
    PutFourCc(header + 8, "WAVE");
    PutFourCc(header + 12, "fmt ");
    PutLe32(header + 16, 16);
    PutLe16(header + 20, doc.format.formatTag);
    PutLe16(header + 22, doc.format.channels);
    PutLe32(header + 24, doc.format.sampleRate);
    PutLe32(header + 28, doc.format.bytesPerSecond);
    PutLe16(header + 32, doc.format.blockAlign);
    PutLe16(header + 34, doc.format.bitsPerSample);
    PutFourCc(header + 36, "data");
    PutLe32(header + 40, length);

    AtomicFileWriter out(doc.title);
    const bool written = out.Open() && out.Write(header, sizeof header) &&
                         out.Write(doc.Data(), length) && out.Commit();
    return written ? FinishSave(app) : ReportWriteFailure(app);
}

} // namespace wt
