// libFuzzer target of the melody paste: the input's first byte picks the document's format and
// the tempo, the rest is the melody text as typed into the dialog (at most 127 bytes are kept).
// A text is played exactly when, lower-cased, it is a sequence of notes of the language
// (checked here with a regular expression); otherwise the paste stops with the malformed-melody
// message after the notes before the fault. Either way the document must stay one the editor
// can work on, grown by whole frames at the cursor, and one undo must give back every byte.
#include "FuzzReader.h"

#include "commands/edit/UndoCommands.h"
#include "commands/generators/GeneratorTexts.h"
#include "commands/generators/MelodyPaste.h"
#include "model/WaveImage.h"

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

namespace {

using namespace wt;

// A note: optional octave 0..7, a name (a letter with an optional sign, or the rest), an
// optional length number and an optional dot.
const std::regex& MelodyPattern() {
    static const std::regex pattern("((o[0-7])?(r|[a-g][+-]?)[0-9]*\\.?)*",
                                    std::regex::ECMAScript | std::regex::optimize);
    return pattern;
}

void LoadSound(SoundDocument& doc, unsigned choice) {
    static const std::uint32_t rates[] = {8000, 11025};
    const int bits = choice & 1 ? 16 : 8;
    const int channels = choice & 2 ? 2 : 1;
    const std::uint32_t rate = rates[(choice >> 2) & 1];
    doc.format = {1,
                  static_cast<std::uint16_t>(channels),
                  rate,
                  0,
                  static_cast<std::uint16_t>(bits / 8 * channels),
                  static_cast<std::uint16_t>(bits),
                  0};
    doc.format.bytesPerSecond = rate * doc.format.blockAlign;
    doc.RecomputeBytesPerSample();
    doc.byteLength = 6 * doc.format.blockAlign;
    fuzz::Require(doc.sampleData.Resize(static_cast<std::size_t>(doc.byteLength) + 16));
    for (std::int32_t i = 0; i < doc.byteLength; ++i) {
        doc.Data()[i] = static_cast<std::uint8_t>(i * 53);
    }
    doc.cursor = doc.selStart = doc.selEnd = 3 * doc.format.blockAlign;
}

// 300 frames of an 8000 Hz 16-bit mono instrument.
std::vector<std::uint8_t> Instrument() {
    std::vector<std::uint8_t> image(kWaveHeaderBytes + 600);
    WriteWaveHeader(image.data(), {1, 1, 8000, 16000, 2, 16, 0}, 600);
    for (std::size_t i = kWaveHeaderBytes; i < image.size(); ++i) {
        image[i] = static_cast<std::uint8_t>(i * 29);
    }
    return image;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > 1 + static_cast<std::size_t>(kMelodyTextMax)) {
        return -1;
    }
    const unsigned choice = data[0];
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    // The dialog's field holds text, not NULs; the tempo is fast enough to keep notes short.
    if (text.find('\0') != std::string::npos) {
        return -1;
    }
    const int tempo = 180 + static_cast<int>(choice >> 3) % 61;

    ScriptedHost host;
    App app(host);
    app.status.Create();
    SoundDocument& doc = app.doc;
    LoadSound(doc, choice);
    const std::vector<std::uint8_t> before(doc.Data(), doc.Data() + doc.byteLength);
    const std::int32_t cursor = doc.cursor;
    host.clipboard = Instrument();
    host.clipboardHasWave = true;
    host.QueueDialog({{{kIdMelodyText, text}, {kIdTempoEdit, std::to_string(tempo)}}});
    const int done = CmdMelodyPaste(app);

    fuzz::CheckDocument(doc);
    fuzz::Require(!app.busy);
    fuzz::Require(app.effects.generators.melody.tempo == tempo);
    const std::string lowered = LowerMelodyText(text);
    const bool wellFormed = std::regex_match(lowered, MelodyPattern());
    fuzz::Require(done == (wellFormed ? 1 : 0));
    if (wellFormed) {
        fuzz::Require(host.messages.empty());
    } else {
        fuzz::Require(host.messages.size() == 1 && host.messages[0].text == kTextMelodyMalformed);
    }
    // The tune lies between the old cursor and the new one; the sound around it is unchanged.
    const std::int32_t grown = doc.byteLength - static_cast<std::int32_t>(before.size());
    fuzz::Require(grown >= 0 && grown % doc.format.blockAlign == 0);
    fuzz::Require(doc.cursor == cursor + grown && doc.selEnd == doc.cursor &&
                  doc.selStart >= cursor && doc.selStart <= doc.selEnd);
    fuzz::Require(std::equal(before.begin(), before.begin() + cursor, doc.Data()));
    fuzz::Require(std::equal(before.begin() + cursor, before.end(), doc.Data() + doc.cursor));

    fuzz::Require(CmdUndo(app) == 1);
    fuzz::Require(doc.byteLength == static_cast<std::int32_t>(before.size()) &&
                  std::equal(before.begin(), before.end(), doc.Data()));
    return 0;
}
