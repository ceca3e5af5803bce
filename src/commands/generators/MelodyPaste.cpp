#include "commands/generators/MelodyPaste.h"
#include "commands/edit/UndoCommands.h"

#include "commands/EffectFrame.h"
#include "commands/edit/RangeEdits.h"
#include "commands/file/FormatConversion.h"
#include "commands/file/SoundFileSupport.h"
#include "commands/generators/GeneratorTexts.h"
#include "editor/App.h"
#include "editor/AppProgress.h"
#include "editor/DocumentUi.h"
#include "editor/Preview.h"
#include "editor/ScrollEdit.h"
#include "editor/Settings.h"
#include "model/SampleOps.h"
#include "util/ParseNumber.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

namespace wt {

namespace {

struct NoteName {
    const char* name;
    std::uint32_t step; // ratio to the instrument's pitch at octave 4, ten-thousandths
};

// Matched in this order, so that a sign after a letter is taken before the bare letter.
constexpr NoteName kNoteTable[] = {
    {"r", 0},     {"c-", 9439},  {"c+", 10595}, {"c", 10000}, {"d-", 10595}, {"d+", 11892},
    {"d", 11225}, {"e-", 11892}, {"e+", 13348}, {"e", 12599}, {"f-", 12599}, {"f+", 14142},
    {"f", 13348}, {"g-", 14142}, {"g+", 15874}, {"g", 14983}, {"a-", 15874}, {"a+", 17818},
    {"a", 16818}, {"b-", 17818}, {"b+", 20000}, {"b", 18877},
};

// Indexed by octave: a note's read step is step * 8 / divisor.
constexpr std::array<std::uint32_t, 8> kOctaveDivisors = {128, 64, 32, 16, 8, 4, 2, 1};

constexpr const char* kLengthStrings[kLengthChoices] = {"2", "2.", "4",  "4.",
                                                        "8", "8.", "16", "16."};

constexpr int kKeys = 24;
constexpr const char* kWhiteKeys[kKeys] = {"o3c", "o3d", "o3e", "o3f", "o3g", "o3a", "o3b", "o4c",
                                           "o4d", "o4e", "o4f", "o4g", "o4a", "o4b", "o5c", "o5d",
                                           "o5e", "o5f", "o5g", "o5a", "o5b", "o6c", "o6d", "o6e"};
// By the boundary left of white key j; "" where there is no black key.
constexpr const char* kBlackKeys[kKeys] = {
    "",     "o3c+", "o3d+", "",     "o3f+", "o3g+", "o3a+", "",     "o4c+", "o4d+", "",     "o4f+",
    "o4g+", "o4a+", "",     "o5c+", "o5d+", "",     "o5f+", "o5g+", "o5a+", "",     "o6c+", "o6d+"};

// A length number this large already makes every note empty; larger ones are held here
// instead of overflowing.
constexpr std::uint32_t kMaxDivisor = 0x7FFFFFFF;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The longest prefix of `text` of at most `limit` bytes that does not end inside a UTF-8
// character.
std::string CutText(const std::string& text, std::size_t limit) {
    if (text.size() <= limit) {
        return text;
    }
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return text.substr(0, end);
}

// Opens a gap of `bytes` bytes of silence at `at` by moving the rest of the sound up. The
// silence stays where the sample operations write nothing (a depth other than 8 and 16 bits),
// instead of the bytes that were moved away. False, with nothing changed, when the block
// cannot grow.
bool OpenGap(SoundDocument& doc, std::int32_t at, std::uint64_t bytes) {
    const std::uint64_t length = static_cast<std::uint64_t>(doc.byteLength) + bytes;
    if (length > kMaxSoundBytes || !doc.sampleData.Resize(static_cast<std::size_t>(length) + 16)) {
        return false;
    }
    std::uint8_t* data = doc.Data();
    MoveBytes(data + at + bytes, data + at, static_cast<std::size_t>(doc.byteLength - at));
    std::memset(data + at, doc.format.bitsPerSample == 8 ? 128 : 0,
                static_cast<std::size_t>(bytes));
    doc.byteLength = static_cast<std::int32_t>(length);
    return true;
}

// Fills `bytes` bytes at `gap` with the note: the instrument's frame t / 10000 for t = 0,
// step, 2 * step ... (silence past its end), or silence for a rest.
void WriteNote(App& app, std::uint8_t* gap, std::uint64_t bytes, const MelodyNote& note,
               const std::uint8_t* instrument, std::int32_t instrumentBytes, std::int64_t progress,
               std::int64_t total) {
    const SoundDocument& doc = app.doc;
    const int step = doc.format.blockAlign;
    const int channels = doc.format.channels;
    const auto frames = static_cast<std::int64_t>(bytes / static_cast<std::uint64_t>(step));
    const std::uint64_t instrumentFrames = static_cast<std::uint64_t>(instrumentBytes) / step;
    const std::uint64_t readStep = note.rest ? 0 : note.readStep;
    std::uint64_t t = 0; // ten-thousandths of an instrument frame; 64 bits for long notes
    WithSampleOps(doc, [&](const auto ops) {
        ForEachWithProgress(
            app, kLabelMelody, frames, total, [&](std::int64_t) { return progress; },
            [&](std::int64_t k) {
                std::uint8_t* frame = gap + k * step;
                const std::uint64_t index = t / 10000;
                const std::uint8_t* source =
                    !note.rest && index < instrumentFrames
                        ? instrument + index * static_cast<std::uint64_t>(step)
                        : nullptr;
                for (int c = 0; c < channels; ++c) {
                    ops.Write(frame, source ? ops.Read(source, c) : 0, c);
                }
                t += readStep;
            });
    });
}

// The notes of the record's text inserted one after another at the cursor. Returns 1 when the
// whole text was played.
int PasteNotes(App& app, const MelodyRecord& record) {
    SoundDocument& doc = app.doc;
    MelodyReader reader(record.text);
    const std::uint64_t beat = BeatBytes(doc.format, record.tempo);
    const auto total = static_cast<std::int64_t>(record.text.size());
    // The clipboard's sound in the document's format, fetched for the first note. Nothing can
    // change the clipboard while the paste runs, so every note plays the same instrument.
    SampleBlock instrument;
    std::int32_t instrumentBytes = 0;
    bool fetched = false;
    while (!reader.AtEnd()) {
        if (!fetched) {
            ClipboardSound sound;
            if (ReadClipboardSound(app, kCaptionPaste, sound) != ClipboardRead::Sound ||
                !ConvertFormat(app, sound.view.format, sound.Data(), sound.view.dataBytes,
                               doc.format, instrument, instrumentBytes)) {
                return 0;
            }
            fetched = true;
        }
        MelodyNote note;
        if (reader.Next(note) != MelodyParse::Note) {
            app.host.MessageBox(Owner::MainWindow, kTextMelodyMalformed, kCaptionMelody,
                                mb::Ok | mb::IconWarning);
            return 0;
        }
        const std::uint64_t bytes = NoteBytes(beat, note, doc.format.blockAlign);
        // The cursor is kept on a frame inside the sound; this only guards the move.
        std::int32_t at = std::clamp(doc.cursor, 0, doc.byteLength);
        at -= at % doc.format.blockAlign;
        if (!OpenGap(doc, at, bytes)) {
            SwapWithSnapshot(app);
            ShowOutOfMemory(app, kCaptionMelodyMemory);
            return 0;
        }
        WriteNote(app, doc.Data() + at, bytes, note, instrument.Data(), instrumentBytes,
                  static_cast<std::int64_t>(reader.Consumed()), total);
        doc.selStart = at;
        doc.cursor = at + static_cast<std::int32_t>(bytes);
        doc.selEnd = doc.cursor;
        doc.modified = true;
    }
    return 1;
}

void OnKeyboardRelease(MelodyDialog& state, DialogHost& dlg, int x, int y) {
    const std::string name = KeyboardNoteAt(x, y, state.width, state.height);
    if (!name.empty()) {
        dlg.ReplaceItemSelection(kIdMelodyText,
                                 name + MelodyLengthString(state.record->lengthChoice));
    }
}

// "X:Y" in whole numbers.
bool ParsePoint(const std::string& text, int& x, int& y) {
    const std::size_t colon = text.find(':');
    long long px = 0, py = 0;
    if (colon == std::string::npos || !ParseInteger(text.substr(0, colon), INT_MIN, INT_MAX, px) ||
        !ParseInteger(text.substr(colon + 1), INT_MIN, INT_MAX, py)) {
        return false;
    }
    x = static_cast<int>(px);
    y = static_cast<int>(py);
    return true;
}

} // namespace

const char* MelodyLengthString(int choice) {
    return kLengthStrings[std::clamp(choice, 0, kLengthChoices - 1)];
}

MelodyParse MelodyReader::Next(MelodyNote& note) {
    if (AtEnd()) {
        return MelodyParse::End;
    }
    std::size_t pos = pos_;
    int octave = octave_;
    if (text_[pos] == 'o') {
        // The octave table has entries 0..7 only.
        if (pos + 1 >= text_.size() || text_[pos + 1] < '0' || text_[pos + 1] > '7') {
            return MelodyParse::Malformed;
        }
        octave = text_[pos + 1] - '0';
        pos += 2;
    }
    const NoteName* found = nullptr;
    std::size_t nameLength = 0;
    for (const NoteName& entry : kNoteTable) {
        const std::string_view name(entry.name);
        if (text_.substr(pos, name.size()) == name) {
            found = &entry;
            nameLength = name.size();
            break;
        }
    }
    if (!found) {
        return MelodyParse::Malformed;
    }
    pos += nameLength;
    std::size_t consumed = nameLength;
    std::uint32_t number = 0;
    while (pos < text_.size() && IsDigit(text_[pos])) {
        const std::uint64_t next =
            std::uint64_t{number} * 10 + static_cast<unsigned>(text_[pos] - '0');
        number = static_cast<std::uint32_t>(std::min<std::uint64_t>(next, kMaxDivisor));
        ++pos;
        ++consumed;
    }
    note.dotted = pos < text_.size() && text_[pos] == '.';
    if (note.dotted) {
        ++pos;
        ++consumed;
    }
    note.rest = found->step == 0;
    note.readStep = found->step * 8 / kOctaveDivisors[static_cast<std::size_t>(octave)];
    note.divisor = number == 0 ? 4 : number;
    octave_ = octave;
    pos_ = pos;
    consumed_ += consumed;
    return MelodyParse::Note;
}

std::string LowerMelodyText(std::string text) {
    for (char& c : text) {
        c = Lower(c);
    }
    return text;
}

std::uint64_t BeatBytes(const SoundFormat& format, int tempo) {
    if (tempo <= 0) {
        return 0;
    }
    return std::uint64_t{format.blockAlign} * format.sampleRate * 60 / static_cast<unsigned>(tempo);
}

std::uint64_t NoteBytes(std::uint64_t beatBytes, const MelodyNote& note, int blockAlign) {
    std::uint64_t bytes = beatBytes * 4 / std::max<std::uint32_t>(note.divisor, 1);
    if (note.dotted) {
        bytes += bytes / 2;
    }
    if (blockAlign > 0) {
        bytes -= bytes % static_cast<unsigned>(blockAlign);
    }
    return bytes;
}

std::string KeyboardNoteAt(int x, int y, int width, int height) {
    if (width <= 0 || height <= 0 || x < 0 || x >= width || y < 0 || y >= height) {
        return {};
    }
    const auto w = static_cast<std::int64_t>(width);
    if (2 * y < height) {
        // Near the right edge the boundary index passes the last key: no black key there.
        const std::int64_t j = (x + w / 48) * kKeys / w;
        return j < kKeys ? kBlackKeys[j] : "";
    }
    return kWhiteKeys[x * std::int64_t{kKeys} / w];
}

void DrawKeyboard(Canvas& canvas, int width, int height) {
    for (int i = 0; i < kKeys; ++i) {
        const int left = i * width / kKeys;
        const int right = (i + 1) * width / kKeys + 1;
        canvas.FillRect({left, 0, right, height}, kColourKeyWhite);
        canvas.FillRect({left, 0, left + 1, height}, kColourKeyBlack);
        canvas.FillRect({right - 1, 0, right, height}, kColourKeyBlack);
        canvas.FillRect({left, 0, right, 1}, kColourKeyBlack);
        canvas.FillRect({left, height - 1, right, height}, kColourKeyBlack);
    }
    const int keyWidth = width / 32;
    for (int j = 1; j < kKeys; ++j) {
        if (j % 7 == 0 || j % 7 == 3) {
            continue;
        }
        const int left = j * width / kKeys - keyWidth / 2;
        canvas.FillRect({left, 0, left + keyWidth, 3 * height / 5}, kColourKeyBlack);
    }
}

std::string RemoveLastNote(const std::string& text) {
    std::size_t cut = 0;
    for (std::size_t i = text.size(); i-- > 1;) {
        const char c = Lower(text[i]);
        if (c == 'r' || (c >= 'a' && c <= 'g')) {
            cut = i;
            break;
        }
    }
    if (cut > 0) {
        std::size_t i = cut;
        while (i > 0 && IsDigit(text[i - 1])) {
            --i;
        }
        if (i > 0 && Lower(text[i - 1]) == 'o') {
            cut = i - 1;
        }
    }
    return text.substr(0, cut);
}

LParam MelodyDlgProc(MelodyDialog& state, DialogHost& dlg, unsigned message, WParam wParam,
                     LParam lParam) {
    switch (message) {
    case msg::InitDialog: {
        state.record = reinterpret_cast<MelodyRecord*>(lParam);
        MelodyRecord& record = *state.record;
        record.lengthChoice = std::clamp(record.lengthChoice, 0, kLengthChoices - 1);
        dlg.CheckRadioButton(kIdLengthFirst, kIdLengthFirst + kLengthChoices - 1,
                             kIdLengthFirst + record.lengthChoice);
        dlg.SetScrollRange(kIdTempoBar, kTempoMin, kTempoMax, false);
        if (record.tempo == -1) {
            record.tempo = state.app->profile.GetInt(kSectionOptions, kKeyTempo, kTempoDefault);
        }
        // A tempo from a hand-edited settings file is brought into the bar's range.
        ScrollEditValue tempo;
        ScrollEditSet(record.tempo, tempo, kIdTempoBar, dlg, kIdTempoEdit);
        record.tempo = tempo.value;
        dlg.SetItemText(kIdMelodyText, record.text);
        const Rect keyboard = dlg.ItemRect(kIdKeyboard);
        state.width = keyboard.Width();
        state.height = keyboard.Height();
        return 1;
    }
    case msg::HScroll:
        if (static_cast<int>(lParam) == kIdTempoBar) {
            ScrollEditValue tempo{state.record->tempo};
            ScrollEditOnScroll(dlg, kIdTempoEdit, LowWord(wParam),
                               static_cast<int>(static_cast<std::int16_t>(HighWord(wParam))),
                               kIdTempoBar, tempo);
            state.record->tempo = tempo.value;
            return 1;
        }
        return 0;
    case msg::Paint:
        if (static_cast<int>(wParam) != kIdKeyboard) {
            return 0;
        }
        DrawKeyboard(*reinterpret_cast<Canvas*>(lParam), state.width, state.height);
        return 1;
    case msg::LButtonUp:
        if (static_cast<int>(wParam) != kIdKeyboard) {
            return 0;
        }
        OnKeyboardRelease(state, dlg, PointX(lParam), PointY(lParam));
        return 1;
    case msg::SetItemValue: {
        if (static_cast<int>(wParam) != kIdKeyboard) {
            return 0;
        }
        auto& request = *reinterpret_cast<ItemValueRequest*>(lParam);
        int x = 0, y = 0;
        if (!ParsePoint(request.text, x, y)) {
            request.error = "a click on the keyboard is X:Y in its pixels";
            return 0;
        }
        OnKeyboardRelease(state, dlg, x, y);
        return 1;
    }
    case msg::Command: {
        const int id = static_cast<int>(LowWord(wParam));
        MelodyRecord& record = *state.record;
        if (id >= kIdLengthFirst && id < kIdLengthFirst + kLengthChoices) {
            record.lengthChoice = id - kIdLengthFirst;
            return 1;
        }
        switch (id) {
        case kIdTempoEdit: {
            ScrollEditValue tempo{record.tempo};
            if (ScrollEditOnChange(tempo, dlg, wParam) == 0) {
                record.tempo = tempo.value;
            }
            return 1;
        }
        case kIdRest:
            dlg.ReplaceItemSelection(kIdMelodyText,
                                     std::string("r") + MelodyLengthString(record.lengthChoice));
            return 1;
        case kIdBack:
            dlg.SetItemText(kIdMelodyText, RemoveLastNote(dlg.GetItemText(kIdMelodyText)));
            dlg.SetItemSelection(kIdMelodyText, -1, -1);
            return 1;
        case kIdClear:
            dlg.SetItemText(kIdMelodyText, "");
            return 1;
        case IdOk:
            record.text = CutText(dlg.GetItemText(kIdMelodyText), kMelodyTextMax);
            dlg.EndDialog(1);
            return 1;
        case IdCancel:
            dlg.EndDialog(0);
            return 1;
        default:
            return 0;
        }
    }
    default:
        return 0;
    }
}

LParam RunMelodyDialog(App& app, MelodyRecord& record) {
    MelodyDialog state;
    state.app = &app;
    return RunEffectDialog(
        app, kDialogMelody, Owner::WaveWindow,
        [&state](DialogHost& dlg, unsigned message, WParam wParam, LParam lParam) {
            return MelodyDlgProc(state, dlg, message, wParam, lParam);
        },
        reinterpret_cast<LParam>(&record));
}

int CmdMelodyPaste(App& app) {
    if (!app.host.ClipboardHasWave()) {
        app.host.MessageBox(Owner::MainWindow, kTextClipboardEmpty, kCaptionMelody,
                            mb::Ok | mb::IconInformation);
        return 0;
    }
    MelodyRecord& record = app.effects.generators.melody;
    if (RunMelodyDialog(app, record) != 1) {
        return 0;
    }
    app.profile.WriteString(kSectionOptions, kKeyTempo, std::to_string(record.tempo));
    record.text = LowerMelodyText(record.text);
    if (!TakeEffectSnapshot(app, kCaptionMelodyMemory)) {
        return 0;
    }
    int done = 0;
    {
        // The progress display lets messages through: no command may change the sound or the
        // clipboard before the paste ends.
        const BusyScope busy(app, false);
        done = PasteNotes(app, record);
    }
    ShowFormatStatus(app);
    RedrawWave(app);
    return done;
}

} // namespace wt
