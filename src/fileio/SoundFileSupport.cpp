#include "fileio/SoundFileSupport.h"

#include "app/App.h"
#include "document/DocumentUi.h"
#include "fileio/FileTexts.h"

#include <cstring>

namespace wt {

namespace {

constexpr std::size_t kSpareBytes = 16;

// Cursor and anchor stay where they were (the reader does not move them) as long as they
// still name a frame of the new sound; otherwise they move to its end.
std::int32_t KeepInside(std::int32_t offset, const SoundDocument& doc) {
    if (offset < 0) {
        return 0;
    }
    if (offset > doc.byteLength) {
        offset = doc.byteLength;
    }
    const std::int32_t blockAlign = doc.format.blockAlign ? doc.format.blockAlign : 1;
    return offset - offset % blockAlign;
}

} // namespace

bool AllocateSoundBlock(App& app, SampleBlock& block, std::uint64_t bytes) {
    if (bytes > kMaxSoundBytes) {
        ShowLoadMessage(app, filetext::kTooLarge);
        return false;
    }
    const std::size_t size = static_cast<std::size_t>(bytes);
    if (!block.Resize(size + kSpareBytes)) {
        ShowOutOfMemory(app, filetext::kCaptionOpen);
        return false;
    }
    std::memset(block.Data() + size, 0, kSpareBytes);
    return true;
}

bool IsUsableFormat(const SoundFormat& format) {
    if (format.channels == 0 || format.blockAlign == 0 || format.sampleRate == 0 ||
        format.bitsPerSample == 0) {
        return false;
    }
    const std::uint32_t containerBytes = (format.bitsPerSample + 7u) / 8u;
    // A second of it must be countable in the format record's 32 bits, as the AIFF and AU
    // readers require: otherwise a sound opened from a WAV file could be saved as AIFF or AU
    // and never opened again.
    return std::uint64_t{format.channels} * containerBytes <= format.blockAlign &&
           std::uint64_t{format.sampleRate} * format.blockAlign <= 0xFFFFFFFFu;
}

bool IsHoldableFormat(const SoundFormat& format) {
    return IsUsableFormat(format) && (format.bitsPerSample == 8 || format.bitsPerSample == 16) &&
           format.channels <= 2;
}

int InstallLoadedSound(App& app, LoadedSound& sound) {
    SoundDocument& doc = app.doc;
    doc.format = sound.format;
    doc.sampleData = std::move(sound.data);
    doc.byteLength = sound.byteLength;
    doc.selStart = doc.selEnd = 0;
    doc.viewStart = 0;
    app.host.SetWaveScrollPos(0, true);
    doc.RecomputeBytesPerSample();
    doc.cursor = KeepInside(doc.cursor, doc);
    doc.anchor = KeepInside(doc.anchor, doc);
    doc.modified = false;
    UpdateTitle(app);
    RedrawWave(app);
    ShowFormatStatus(app);
    ShowSelectionStatus(app);
    return 1;
}

void ShowLoadMessage(App& app, const char* text) {
    app.host.MessageBox(Owner::MainWindow, text, filetext::kCaptionOpen, mb::Ok | mb::IconWarning);
}

int ReportWriteFailure(App& app, bool outOfMemory) {
    if (outOfMemory) {
        ShowOutOfMemory(app, filetext::kCaptionSave);
        return 0;
    }
    app.host.MessageBox(Owner::MainWindow, filetext::kCannotWrite, filetext::kCaptionSave,
                        mb::Ok | mb::IconWarning);
    return 0;
}

int FinishSave(App& app) {
    app.doc.modified = false;
    RedrawWave(app);
    return 1;
}

} // namespace wt
