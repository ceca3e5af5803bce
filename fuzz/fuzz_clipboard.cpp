// libFuzzer target of the clipboard image reader: the input arrives on the clipboard as from
// another program and is pasted, then mixed, into a short sound of one of the four formats (the
// input's length picks it). A refused image must leave the sound exactly as it was; an accepted
// one must be an image the walk found inside the input and must grow the sound by its converted
// length; either way the document must stay one the editor can work on. The same bytes as a
// file copied in a file manager are pasted, or refused with the sound as it was.
#include "FuzzReader.h"

#include "commands/edit/RangeEdits.h"
#include "model/WaveImage.h"

#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace wt;

// Inputs larger than this take the same paths more slowly.
constexpr std::size_t kMaxImageBytes = 1 << 16;

void LoadSound(SoundDocument& doc, std::size_t choice) {
    const int bits = choice & 1 ? 16 : 8;
    const int channels = choice & 2 ? 2 : 1;
    doc.format = {1,
                  static_cast<std::uint16_t>(channels),
                  22050,
                  0,
                  static_cast<std::uint16_t>(bits / 8 * channels),
                  static_cast<std::uint16_t>(bits),
                  0};
    doc.format.bytesPerSecond = doc.format.sampleRate * doc.format.blockAlign;
    doc.RecomputeBytesPerSample();
    doc.byteLength = 8 * doc.format.blockAlign;
    fuzz::Require(doc.sampleData.Resize(static_cast<std::size_t>(doc.byteLength) + 16));
    for (std::int32_t i = 0; i < doc.byteLength; ++i) {
        doc.Data()[i] = static_cast<std::uint8_t>(i * 37);
    }
    doc.cursor = 4 * doc.format.blockAlign;
}

std::vector<std::uint8_t> Bytes(const SoundDocument& doc) {
    return {doc.Data(), doc.Data() + doc.byteLength};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxImageBytes) {
        return -1;
    }
    WaveImageView view;
    const bool valid = ParseWaveImage(data, size, view);
    if (valid) {
        fuzz::Require(IsUsableFormat(view.format) && view.format.formatTag == 1);
        fuzz::Require(view.dataOffset <= size && view.dataBytes <= size - view.dataOffset);
    }

    ScriptedHost host;
    App app(host);
    app.status.Create();
    SoundDocument& doc = app.doc;
    LoadSound(doc, size);
    host.clipboard.assign(data, data + size);
    host.clipboardHasWave = true;
    for (int (*command)(App&) : {CmdPaste, CmdMixPaste}) {
        const std::vector<std::uint8_t> before = Bytes(doc);
        const std::int32_t cursor = doc.cursor;
        const int done = command(app);
        fuzz::CheckDocument(doc);
        if (!done) {
            fuzz::Require(Bytes(doc) == before && doc.cursor == cursor);
            continue;
        }
        fuzz::Require(valid);
        fuzz::Require(doc.cursor >= cursor &&
                      doc.byteLength >= static_cast<std::int32_t>(before.size()));
        fuzz::Require(static_cast<std::size_t>(doc.byteLength) + 16 == doc.sampleData.Size());
    }

    // The same bytes as a WAV file copied in a file manager: pasted as Open reads the file,
    // or refused with the sound as it was.
    static const std::string copiedFile = [] {
        const std::string path = fuzz::OutputPath("wav");
        unlink(path.c_str());
        fuzz::Require(symlink(fuzz::InputPath().c_str(), path.c_str()) == 0);
        return path;
    }();
    fuzz::StoreInput(data, size);
    host.EmptyClipboard();
    host.clipboardFile = copiedFile;
    const std::vector<std::uint8_t> before = Bytes(doc);
    const std::int32_t cursor = doc.cursor;
    if (!CmdPaste(app)) {
        fuzz::Require(Bytes(doc) == before && doc.cursor == cursor);
    }
    fuzz::CheckDocument(doc);
    return 0;
}
