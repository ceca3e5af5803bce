#include "commands/edit/RangeEdits.h"

#include "commands/edit/UndoCommands.h"
#include "commands/file/FileCommands.h"
#include "commands/file/FormatConversion.h"
#include "commands/file/SoundFileSupport.h"
#include "editor/App.h"
#include "editor/DocumentUi.h"
#include "model/SampleOps.h"
#include "view/WaveWindow.h"

#include <algorithm>
#include <cstring>

namespace wt {

namespace {

constexpr std::int64_t kSpareBytes = 16;

// The cursor as an insertion point: inside the sound and on a frame boundary. Every command
// keeps it so; this only guards the moves against a position left stale by a caller.
std::int32_t InsertionPoint(const SoundDocument& doc) {
    std::int32_t at = std::clamp(doc.cursor, 0, doc.byteLength);
    if (doc.format.blockAlign > 0) {
        at -= at % doc.format.blockAlign;
    }
    return at;
}

// Fills `bytes` bytes with silence as WriteSampleLimited writes the value 0 into every channel:
// 128 for 8-bit samples, 0 for 16-bit ones (and for depths the sample operations do not
// write, whose bytes would otherwise be whatever the memory held).
void FillSilence(const SoundDocument& doc, std::uint8_t* at, std::int64_t bytes) {
    std::memset(at, doc.format.bitsPerSample == 8 ? 128 : 0, static_cast<std::size_t>(bytes));
}

// Takes the undo snapshot; says "not enough memory" under `caption` when it cannot be had.
bool TakeEditSnapshot(App& app, const char* caption) {
    if (TakeSnapshot(app.doc, app.undo)) {
        return true;
    }
    ShowOutOfMemory(app, caption);
    return false;
}

// Puts the selection on the clipboard. The clipboard is emptied when the image cannot be made.
int CopySelection(App& app) {
    const SoundDocument& doc = app.doc;
    const auto bytes = static_cast<std::uint32_t>(doc.selEnd - doc.selStart);
    std::vector<std::uint8_t> image;
    if (TryResize(image, kWaveHeaderBytes + bytes)) {
        WriteWaveHeader(image.data(), doc.format, bytes);
        std::memcpy(image.data() + kWaveHeaderBytes, doc.Data() + doc.selStart, bytes);
        if (app.host.SetClipboardWave(image)) {
            return 1;
        }
    }
    app.host.EmptyClipboard();
    ShowOutOfMemory(app, kCaptionCopyMemory);
    return 0;
}

// Removes the selection after the snapshot was taken.
void DeleteSelection(App& app) {
    SoundDocument& doc = app.doc;
    RemoveBytes(doc, doc.selStart, doc.selEnd);
    doc.selEnd = doc.selStart;
    doc.cursor = doc.selStart;
    if (doc.byteLength < doc.viewStart) {
        doc.viewStart = doc.selStart;
    }
    doc.modified = true;
    ShowFormatStatus(app);
    RedrawWave(app);
}

// The frames of `n` bytes of `converted` (in the document's format) added to the document
// from `at` on; the sound is first extended with silence up to at + n.
bool MixInto(SoundDocument& doc, std::int32_t at, const std::uint8_t* converted, std::int32_t n) {
    const std::int64_t end = std::int64_t{at} + n;
    if (doc.byteLength < end) {
        if (static_cast<std::uint64_t>(end) > kMaxSoundBytes ||
            !doc.sampleData.Resize(static_cast<std::size_t>(end + kSpareBytes))) {
            return false;
        }
        FillSilence(doc, doc.Data() + doc.byteLength, end - doc.byteLength);
        doc.byteLength = static_cast<std::int32_t>(end);
    }
    const int step = doc.format.blockAlign;
    const int channels = doc.format.channels;
    const int peak = doc.peak;
    std::uint8_t* target = doc.Data() + at;
    WithSampleOps(doc, [&](auto ops) {
        for (std::int32_t k = 0; k + step <= n; k += step) {
            for (int c = 0; c < channels; ++c) {
                const int value = ops.Read(target + k, c) + ops.Read(converted + k, c);
                ops.WriteLimited(target + k, value, c, peak);
            }
        }
    });
    return true;
}

// The sound file `path` as a canonical image in `sound`.
ClipboardRead ReadClipboardFile(App& app, const std::string& path, ClipboardSound& sound,
                                const char* memoryCaption) {
    LoadedSound loaded;
    if (ReadSoundFile(app, path, loaded) == FileTypeNone) {
        return ClipboardRead::Invalid;
    }
    const auto bytes = static_cast<std::uint32_t>(loaded.byteLength);
    if (!TryResize(sound.image, kWaveHeaderBytes + bytes)) {
        ShowOutOfMemory(app, memoryCaption);
        return ClipboardRead::Invalid;
    }
    WriteWaveHeader(sound.image.data(), loaded.format, bytes);
    std::memcpy(sound.image.data() + kWaveHeaderBytes, loaded.data.Data(), bytes);
    sound.view = {loaded.format, kWaveHeaderBytes, bytes};
    return ClipboardRead::Sound;
}

// True when frames of `a` are frames of `b` byte for byte: the same rate, depth, channel
// count and frame size.
bool SameSampleLayout(const SoundFormat& a, const SoundFormat& b) {
    return a.sampleRate == b.sampleRate && a.bitsPerSample == b.bitsPerSample &&
           a.channels == b.channels && a.blockAlign == b.blockAlign;
}

// The format a paste into a sound that holds nothing and has not been changed takes: the
// clipboard's, when the editor can work on its samples (8 or 16 bits, one or two channels),
// with frames packed without padding. A new window's format is a default nobody chose, and
// converting to it would lower the quality of what is pasted without a word. False when the
// document keeps its own format.
bool FormatForEmptyDocument(const SoundDocument& doc, const SoundFormat& clipboard,
                            SoundFormat& format) {
    if (doc.byteLength != 0 || doc.modified ||
        (clipboard.bitsPerSample != 8 && clipboard.bitsPerSample != 16) ||
        (clipboard.channels != 1 && clipboard.channels != 2)) {
        return false;
    }
    format = doc.format;
    format.channels = clipboard.channels;
    format.sampleRate = clipboard.sampleRate;
    format.bitsPerSample = clipboard.bitsPerSample;
    format.blockAlign =
        static_cast<std::uint16_t>(clipboard.channels * clipboard.bitsPerSample / 8);
    format.bytesPerSecond = clipboard.sampleRate * format.blockAlign;
    return true;
}

int PasteOrMix(App& app, bool mix) {
    SoundDocument& doc = app.doc;
    const char* memoryCaption = mix ? kCaptionMix : kCaptionPasteMemory;
    if (!TakeEditSnapshot(app, memoryCaption)) {
        return 0;
    }
    ClipboardSound sound;
    switch (ReadClipboardSound(app, mix ? kCaptionMix : kCaptionPaste, sound, memoryCaption)) {
    case ClipboardRead::Sound:
        break;
    case ClipboardRead::Empty:
        ShowFormatStatus(app);
        RedrawWave(app);
        return 0;
    case ClipboardRead::Invalid:
        return 0;
    }
    const SoundFormat& from = sound.view.format;
    SoundFormat format = doc.format;
    const bool adopt = !mix && FormatForEmptyDocument(doc, from, format);
    // Frames of the document's own format go in as they are: a conversion would only cost
    // time, and its limited writes would scale them while the peak tracker stands above full
    // scale. Any other format is converted, and the clipboard's copy let go of before the
    // sound grows.
    SampleBlock converted;
    const std::uint8_t* frames = sound.Data();
    std::int64_t n = sound.view.dataBytes - sound.view.dataBytes % from.blockAlign;
    if (!SameSampleLayout(from, format)) {
        std::int32_t length = 0;
        if (!ConvertFormat(app, from, sound.Data(), sound.view.dataBytes, format, converted,
                           length)) {
            return 0;
        }
        std::vector<std::uint8_t>().swap(sound.image);
        frames = converted.Data();
        n = length;
    }
    const std::int32_t at = InsertionPoint(doc);
    const bool fits = static_cast<std::uint64_t>(n) <= kMaxSoundBytes;
    const auto count = static_cast<std::int32_t>(fits ? n : 0);
    const bool done =
        fits && (mix ? MixInto(doc, at, frames, count) : InsertBytes(doc, at, frames, count));
    if (!done) {
        ShowOutOfMemory(app, memoryCaption);
        ShowFormatStatus(app); // the conversion's progress text goes
        return 0;
    }
    if (adopt) {
        // The undo snapshot, taken before, keeps the format the window had.
        doc.format = format;
        doc.RecomputeBytesPerSample();
    }
    doc.cursor = at + count;
    doc.selStart = mix ? doc.cursor : at;
    doc.selEnd = doc.cursor;
    doc.modified = true;
    ShowFormatStatus(app);
    RedrawWave(app);
    return 1;
}

} // namespace

void RemoveBytes(SoundDocument& doc, std::int32_t start, std::int32_t end) {
    std::uint8_t* data = doc.Data();
    MoveBytes(data + start, data + end, static_cast<std::size_t>(doc.byteLength - end));
    doc.byteLength -= end - start;
    // Giving memory back cannot lose data; if even that fails the block stays larger.
    doc.sampleData.Resize(static_cast<std::size_t>(doc.byteLength + kSpareBytes));
}

bool InsertBytes(SoundDocument& doc, std::int32_t at, const std::uint8_t* bytes,
                 std::int32_t count) {
    const std::int64_t length = std::int64_t{doc.byteLength} + count;
    if (static_cast<std::uint64_t>(length) > kMaxSoundBytes ||
        !doc.sampleData.Resize(static_cast<std::size_t>(length + kSpareBytes))) {
        return false;
    }
    std::uint8_t* data = doc.Data();
    MoveBytes(data + at + count, data + at, static_cast<std::size_t>(doc.byteLength - at));
    if (count > 0) {
        std::memcpy(data + at, bytes, static_cast<std::size_t>(count));
    }
    doc.byteLength = static_cast<std::int32_t>(length);
    return true;
}

ClipboardRead ReadClipboardSound(App& app, const char* caption, ClipboardSound& sound,
                                 const char* memoryCaption) {
    // A file copied in a file manager is read as Open reads it, with its refusals said.
    if (const std::string file = app.host.ClipboardFile(); !file.empty()) {
        return ReadClipboardFile(app, file, sound, memoryCaption ? memoryCaption : caption);
    }
    if (!app.host.GetClipboardWave(sound.image)) {
        // The clipboard holds a sound, but no memory could be had for a copy of it.
        if (app.host.ClipboardHasWave()) {
            ShowOutOfMemory(app, memoryCaption ? memoryCaption : caption);
            return ClipboardRead::Invalid;
        }
        return ClipboardRead::Empty;
    }
    if (!ParseWaveImage(sound.image.data(), sound.image.size(), sound.view)) {
        app.host.MessageBox(Owner::MainWindow, kTextWrongDataFormat, caption,
                            mb::Ok | mb::IconWarning);
        return ClipboardRead::Invalid;
    }
    return ClipboardRead::Sound;
}

int CmdCopy(App& app) {
    if (!RequireSelection(app)) {
        return 0;
    }
    return CopySelection(app);
}

int CmdCut(App& app) {
    // The copy goes first: its clipboard image is freed before the snapshot is taken, so the
    // sound, its snapshot and the clipboard's copy are never joined by the image as well.
    // When the snapshot cannot be had, the sound stays as it was and the cut ends as a copy.
    if (!RequireSelection(app) || !CopySelection(app) || !TakeSnapshot(app)) {
        return 0;
    }
    // The snapshot serves the delete as well: it is the state before the cut either way.
    DeleteSelection(app);
    return 1;
}

int CmdDelete(App& app) {
    if (!RequireSelection(app) || !TakeSnapshot(app)) {
        return 0;
    }
    DeleteSelection(app);
    return 1;
}

int CmdCrop(App& app) {
    if (!RequireSelection(app) || !TakeSnapshot(app)) {
        return 0;
    }
    SoundDocument& doc = app.doc;
    const std::int32_t keep = doc.selEnd - doc.selStart;
    MoveBytes(doc.Data(), doc.Data() + doc.selStart, static_cast<std::size_t>(keep));
    doc.byteLength = keep;
    doc.sampleData.Resize(static_cast<std::size_t>(keep + kSpareBytes));
    doc.selStart = doc.selEnd = doc.cursor = doc.viewStart = 0;
    doc.modified = true;
    ShowFormatStatus(app);
    RedrawWave(app);
    return 1;
}

int CmdPaste(App& app) {
    return PasteOrMix(app, false);
}

int CmdMixPaste(App& app) {
    return PasteOrMix(app, true);
}

int InsertSilence(App& app, std::uint32_t milliseconds) {
    SoundDocument& doc = app.doc;
    // The product is formed in 64 bits: in 32 it would wrap for long gaps at high rates.
    const std::int64_t frames = std::int64_t{doc.format.sampleRate} * milliseconds / 1000;
    const std::int64_t bytes = frames * doc.format.blockAlign;
    const std::int32_t at = InsertionPoint(doc);
    const std::int64_t length = doc.byteLength + bytes;
    if (static_cast<std::uint64_t>(length) > kMaxSoundBytes ||
        !doc.sampleData.Resize(static_cast<std::size_t>(length + kSpareBytes))) {
        SwapWithSnapshot(app);
        ShowOutOfMemory(app, kCaptionSilenceMemory);
        return 0;
    }
    std::uint8_t* data = doc.Data();
    MoveBytes(data + at + bytes, data + at, static_cast<std::size_t>(doc.byteLength - at));
    FillSilence(doc, data + at, bytes);
    doc.byteLength = static_cast<std::int32_t>(length);
    doc.selStart = at;
    doc.cursor = static_cast<std::int32_t>(at + bytes);
    doc.selEnd = doc.cursor;
    doc.modified = true;
    return 1;
}

int CmdSelectAll(App& app) {
    SelectAll(app);
    return 1;
}

} // namespace wt
