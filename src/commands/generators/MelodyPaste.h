// The melody paste: a tune written in a small note language, played with the clipboard's sound
// as the instrument and inserted at the cursor.
//
// The note language (the text is lower-cased first; no separators between notes). Each note is
//   [o DIGIT] NAME [NUMBER] [.]
// - "o" and a digit 0..7 sets the octave for this and every later note (it starts at 4);
// - NAME is one of the note table's names, matched by prefix in the table's order, so a sign
//   after a letter is taken before the bare letter: "r" (rest), then c-, c+, c, d-, d+, d, ...
//   b-, b+, b ("+" a semitone up, "-" a semitone down);
// - NUMBER N: the note lasts 4 / N quarter notes (no number or 0: a quarter);
// - "." makes it half as long again (d + d / 2).
// Anything else (an octave 8 or 9, "o" without a digit, a space, "h") is malformed.
//
// For each note the instrument, converted to the document's format, is read from its start at
// the note's step (the table's ratio to the instrument's own pitch, in ten-thousandths, at
// octave 4; each octave doubles or halves it), without interpolation and with silence past its
// end, for the note's duration: beat B = blockAlign * sampleRate * 60 / tempo bytes, d =
// B * 4 / N (plus d / 2 when dotted), cut to whole frames.
#pragma once

#include "editor/GeneratorParams.h"
#include "platform/Canvas.h"
#include "platform/DialogHost.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace wt {

struct App;
struct SoundFormat;

// Dialog 104 "メロディペースト".
inline constexpr int kDialogMelody = 104;
inline constexpr int kIdTempoGroup = 104;
inline constexpr int kIdTempoBar = 101, kIdTempoEdit = 102;
inline constexpr int kIdMelodyText = 103;
inline constexpr int kIdKeyboard = 110;
inline constexpr int kIdLengthFirst = 120; // the eight length buttons are 120..127
inline constexpr int kIdRest = 130, kIdBack = 131, kIdClear = 132;
inline constexpr int kLengthChoices = 8;
inline constexpr int kTempoMin = 60, kTempoMax = 240, kTempoDefault = 120;
inline constexpr const char* kKeyTempo = "tempo"; // in the settings file's "Options"

// The length strings the length buttons append to inserted notes: "2", "2.", "4", "4.", "8",
// "8.", "16", "16.".
const char* MelodyLengthString(int choice);

// One note as read from the text.
struct MelodyNote {
    bool rest = false;
    std::uint32_t readStep = 0; // instrument frames per output frame, in ten-thousandths
    std::uint32_t divisor = 4;  // N: the note lasts 4 / N quarter notes
    bool dotted = false;
};

enum class MelodyParse { Note, End, Malformed };

// Reads the notes of a lower-cased melody text one at a time.
class MelodyReader {
public:
    explicit MelodyReader(std::string_view text) : text_(text) {}

    // The next note; End when the text is used up; Malformed (and stays so) at a character
    // that fits no note.
    MelodyParse Next(MelodyNote& note);
    bool AtEnd() const { return pos_ >= text_.size(); }
    // Note-name, length-digit and dot characters consumed so far (octave prefixes are not
    // counted): the progress of a paste, out of the text's length.
    std::size_t Consumed() const { return consumed_; }
    int Octave() const { return octave_; }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t consumed_ = 0;
    int octave_ = 4;
};

// ASCII letters lower-cased; every other byte kept.
std::string LowerMelodyText(std::string text);
// Bytes of one beat (a quarter note) at `tempo` quarter notes per minute; 0 for a tempo <= 0.
std::uint64_t BeatBytes(const SoundFormat& format, int tempo);
// Bytes of `note` for a beat of `beatBytes`, cut to whole frames of `blockAlign` bytes.
std::uint64_t NoteBytes(std::uint64_t beatBytes, const MelodyNote& note, int blockAlign);

// The on-screen keyboard: 24 white keys from o3c to o6e across a width x height area, black
// keys on the boundaries between them (none between e and f or between b and c).
// The note name a release at (x, y) inserts: in the upper half the black key of boundary
// ((x + width / 48) * 24 / width), in the lower half the white key x * 24 / width; empty
// where there is no black key or the position is outside the area.
std::string KeyboardNoteAt(int x, int y, int width, int height);
// White keys outlined from i * width / 24 to (i + 1) * width / 24 + 1; black keys filled,
// width / 32 wide and 3 * height / 5 tall, centred on their boundaries.
void DrawKeyboard(Canvas& canvas, int width, int height);
inline constexpr Rgb kColourKeyWhite{255, 255, 255};
inline constexpr Rgb kColourKeyBlack{0, 0, 0};

// "後退": the text without its last note. The last "r" or letter a..g after position 0 (in
// either case) is the last note's name; an octave prefix right before it ("o" and digits) goes
// with it. A text whose only note letter is its first character becomes empty.
std::string RemoveLastNote(const std::string& text);

// What MelodyDlgProc keeps while dialog 104 is open.
struct MelodyDialog {
    App* app = nullptr;
    MelodyRecord* record = nullptr; // msg::InitDialog's parameter, edited in place
    int tempo = 0;                  // the scroll bar's value
    int width = 0, height = 0;      // the keyboard's size in pixels
};

// The dialog procedure. On opening it shows the record (the tempo read from the settings file
// the first time); the tempo bar and field move together and store the tempo at once; the
// keyboard, "休符", "後退" and "ｸﾘｱ" edit the melody field (keys and rests are inserted at the
// caret with the chosen length); OK stores the melody text (at most 127 bytes) and ends with
// 1, Cancel ends with 0. msg::SetItemValue on the keyboard takes "X:Y" and acts as a click
// released at that pixel.
LParam MelodyDlgProc(MelodyDialog& state, DialogHost& dlg, unsigned message, WParam wParam,
                     LParam lParam);
LParam RunMelodyDialog(App& app, MelodyRecord& record);

// IDM_MELODY_PASTE. Needs wave data on the clipboard. After the dialog the tempo is written to
// the settings file, the undo snapshot is taken once, and the notes are inserted one after the
// other at the cursor; afterwards the last note is selected and the cursor stands after the
// tune. A malformed note or an unusable clipboard sound stops the paste with a message and
// keeps the notes before it; when the sound cannot grow, it is put back as it was before the
// paste. No other command runs while the notes are made.
int CmdMelodyPaste(App& app);

} // namespace wt
