// The melody paste: the note language, the notes built from the clipboard's sound against their
// read steps and durations worked out by hand, the pitch of a scale measured by an FFT, the
// dialog's keyboard and buttons, the tempo in the settings file, and the ways a paste stops.
#include "EffectCaseSupport.h"
#include "SpectrumSupport.h"

#include "commands/edit/UndoCommands.h"
#include "commands/generators/GeneratorTexts.h"
#include "commands/generators/MelodyPaste.h"
#include "editor/CommandIds.h"
#include "editor/DocumentUi.h"
#include "editor/Settings.h"
#include "hosts/scripted/ScriptedDialog.h"
#include "model/WaveImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

using namespace wt;
using namespace wt::test;

namespace {

// Puts `frames` frames of 16-bit sound at `rate` on the clipboard as a canonical image.
void PutInstrument(TestApp& t, std::uint32_t rate, int channels, int frames,
                   const std::function<int(int)>& value) {
    const SoundFormat format{1,
                             static_cast<std::uint16_t>(channels),
                             rate,
                             rate * 2 * static_cast<std::uint32_t>(channels),
                             static_cast<std::uint16_t>(2 * channels),
                             16,
                             0};
    const auto bytes = static_cast<std::uint32_t>(frames * 2 * channels);
    std::vector<std::uint8_t> image(kWaveHeaderBytes + bytes);
    WriteWaveHeader(image.data(), format, bytes);
    for (int f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c) {
            const auto v = static_cast<std::uint16_t>(value(f));
            const std::size_t at =
                kWaveHeaderBytes + static_cast<std::size_t>((f * channels + c) * 2);
            image[at] = static_cast<std::uint8_t>(v & 0xFF);
            image[at + 1] = static_cast<std::uint8_t>(v >> 8);
        }
    }
    t.host.clipboard = image;
    t.host.clipboardHasWave = true;
}

int Paste(TestApp& t, const std::string& text, int tempo) {
    t.host.QueueDialog({{{kIdMelodyText, text}, {kIdTempoEdit, std::to_string(tempo)}}});
    return CmdMelodyPaste(t.app);
}

int Instrument(int f) {
    return f * 7 % 60001 - 30000;
}

// --- The notes of a paste --------------------------------------------------------------------

struct Note {
    int frames;
    int step; // ten-thousandths of an instrument frame per frame; -1 for a rest
};

struct MelodyCase {
    const char* name;
    int bits, channels;
    std::uint32_t rate; // of the document and of the instrument
    int instrumentFrames;
    const char* text;
    int tempo;
    std::vector<Note> notes;
};

void PrintTo(const MelodyCase& c, std::ostream* os) {
    *os << c.name;
}

class MelodyNotes : public ::testing::TestWithParam<MelodyCase> {};

// Each note reads instrument frame k * step / 10000 for its frame k (silence past the
// instrument's end, and for a rest), in the document's depth and on every channel. The tune
// goes in at the cursor, the last note is selected, and one undo gives back every byte.
TEST_P(MelodyNotes, ReadTheInstrumentAtEachNotesStep) {
    const MelodyCase& c = GetParam();
    TestApp t;
    t.SetSound(
        c.bits, c.channels, 10, [](int, int) { return 1280; }, c.rate);
    const int align = t.app.doc.format.blockAlign;
    t.app.doc.cursor = 5 * align;
    const std::vector<std::uint8_t> before = Bytes(t.app);
    PutInstrument(t, c.rate, 1, c.instrumentFrames, Instrument);
    ASSERT_EQ(Paste(t, c.text, c.tempo), 1);
    EXPECT_TRUE(t.host.messages.empty());

    Samples expected = Repeat(1280, 5 * c.channels);
    int lastFrames = 0;
    for (const Note& note : c.notes) {
        for (int k = 0; k < note.frames; ++k) {
            const long long index =
                note.step < 0 ? -1 : static_cast<long long>(k) * note.step / 10000;
            int value =
                index >= 0 && index < c.instrumentFrames ? Instrument(static_cast<int>(index)) : 0;
            if (c.bits == 8) {
                value = (value >> 8) * 256;
            }
            for (int ch = 0; ch < c.channels; ++ch) {
                expected.push_back(value);
            }
        }
        lastFrames = note.frames;
    }
    const Samples tail = Repeat(1280, 5 * c.channels);
    expected.insert(expected.end(), tail.begin(), tail.end());
    ASSERT_EQ(ReadAll(t.app), expected);
    const auto end =
        static_cast<std::int32_t>(expected.size() / static_cast<std::size_t>(c.channels) - 5);
    EXPECT_EQ(t.app.doc.cursor, end * align);
    EXPECT_EQ(t.app.doc.selEnd, end * align);
    EXPECT_EQ(t.app.doc.selStart, (end - lastFrames) * align);
    EXPECT_TRUE(t.app.doc.modified);
    EXPECT_FALSE(t.app.busy);

    ASSERT_EQ(CmdUndo(t.app), 1);
    EXPECT_EQ(Bytes(t.app), before);
}

// Beat B = blockAlign * rate * 60 / tempo bytes; a note is B * 4 / N (+ half when dotted), cut
// to whole frames. Steps at octave 4 are the table's; o5 doubles, o3 halves, o0 is / 16, o7 * 8.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Notes, MelodyNotes, ::testing::Values(
    // B = 2 * 44100 * 60 / 120 = 44100 bytes: a quarter is 22050 frames, the instrument as it is.
    MelodyCase{"C", 16, 1, 44100, 30000, "c", 120, {{22050, 10000}}},
    MelodyCase{"UpperCase", 16, 1, 44100, 30000, "C", 120, {{22050, 10000}}},
    MelodyCase{"OctaveUp", 16, 1, 44100, 30000, "o5c", 120, {{22050, 20000}}},
    MelodyCase{"OctaveDown", 16, 1, 44100, 30000, "o3c", 120, {{22050, 5000}}},
    MelodyCase{"BSharpIsNextC", 16, 1, 44100, 30000, "b+", 120, {{22050, 20000}}},
    // Longer than the instrument: silence after its 1000 frames.
    MelodyCase{"EndsInSilence", 16, 1, 44100, 1000, "c", 120, {{22050, 10000}}},
    // B = 4 * 44100 * 60 / 120 = 88200; c16: 22050 bytes cut to 22048, 5512 frames.
    MelodyCase{"SixteenthStereo", 16, 2, 44100, 30000, "c16", 120, {{5512, 10000}}},
    // 8000 Hz 8-bit mono: B = 4000; c. is 4000 + 2000 bytes.
    MelodyCase{"DottedQuarterEightBit", 8, 1, 8000, 30000, "c.", 120, {{6000, 10000}}},
    // Tempo 60: B = 88200 bytes; eighths of 22050 frames; the rest is silence and is selected.
    MelodyCase{"NoteAndRest", 16, 1, 44100, 30000, "c8r8", 60, {{22050, 10000}, {22050, -1}}},
    // 8000 Hz tempo 240: B = 4000 bytes. o0c2: 8000 bytes, step 10000 * 8 / 128 = 625.
    MelodyCase{"LowestOctave", 16, 1, 8000, 30000, "o0c2", 240, {{4000, 625}}},
    // o7b+32: step 20000 * 8 = 160000, 4000 * 4 / 32 = 500 bytes.
    MelodyCase{"HighestOctave", 16, 1, 8000, 30000, "o7b+32", 240, {{250, 160000}}},
    // The octave holds for later notes: o5c+ = 10595 * 2, then o3b- = 17818 / 2, and d at o3.
    MelodyCase{"OctaveCarriesOn", 16, 1, 8000, 30000, "o5c+o3b-d", 240, {{2000, 21190}, {2000, 8909}, {2000, 5612}}},
    // 22050 Hz tempo 100: B = 26460; e-3 lasts 26460 * 4 / 3 = 35280 bytes; N = 0 is a quarter.
    MelodyCase{"ThirdAndZero", 16, 1, 22050, 30000, "e-3f0", 100, {{17640, 11892}, {13230, 13348}}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// The notes of o4cdefgab on a 440 Hz sine sound at 440 Hz times the equal-tempered ratios
// 2^(k/12) of c, d, e, f, g, a and b.
TEST(MelodyPaste, ScaleHasTheEqualTemperedRatios) {
    TestApp t;
    t.SetSound(
        16, 1, 0, [](int, int) { return 0; }, 44100);
    PutInstrument(t, 44100, 1, 88200, [](int f) {
        return static_cast<int>(20000 * std::sin(2 * M_PI * 440 * f / 44100.0));
    });
    ASSERT_EQ(Paste(t, "o4cdefgab", 120), 1);
    const Samples s = ReadAll(t.app);
    ASSERT_EQ(s.size(), 7u * 22050);
    const int semitones[] = {0, 2, 4, 5, 7, 9, 11};
    for (int n = 0; n < 7; ++n) {
        const double expected = 440 * std::pow(2.0, semitones[n] / 12.0);
        const double measured =
            PeakFrequency(s, static_cast<std::size_t>(n) * 22050 + 2000, 16384, 44100);
        EXPECT_NEAR(measured, expected, expected * 0.005) << "note " << n;
    }
}

// --- Stopping -------------------------------------------------------------------------------

struct StopCase {
    const char* name;
    const char* text;
    std::vector<std::uint8_t> clipboard; // empty: the 44100 Hz instrument
    int notesKept;                       // whole quarter notes of 22050 frames left in
    const char* message;
    const char* caption;
};

// A 44-byte image of 100 frames of three channels, which the conversion refuses.
std::vector<std::uint8_t> ImageThreeChannels() {
    std::vector<std::uint8_t> image(kWaveHeaderBytes + 600);
    WriteWaveHeader(image.data(), {1, 3, 44100, 264600, 6, 16, 0}, 600);
    return image;
}

// A canonical 44100 Hz image with a "LIST" chunk before its data, as other programs write.
std::vector<std::uint8_t> ImageWithList() {
    std::vector<std::uint8_t> image(kWaveHeaderBytes);
    WriteWaveHeader(image.data(), {1, 1, 44100, 88200, 2, 16, 0}, 200);
    const std::uint8_t list[] = {'L', 'I', 'S', 'T', 4, 0, 0, 0, 'I', 'N', 'F', 'O'};
    image.insert(image.begin() + 36, std::begin(list), std::end(list));
    image[4] += sizeof list;
    image.resize(image.size() + 200, 0x11);
    return image;
}

TEST(MelodyPaste, StopsWithAMessageAndKeepsTheNotesBefore) {
    const StopCase cases[] = {
        {"letter h", "h", {}, 0, kTextMelodyMalformed, kCaptionMelody},
        {"space after a note", "c d", {}, 1, kTextMelodyMalformed, kCaptionMelody},
        {"octave 8", "co8c", {}, 1, kTextMelodyMalformed, kCaptionMelody},
        {"octave 9", "o9c", {}, 0, kTextMelodyMalformed, kCaptionMelody},
        {"o without digit", "cc o", {}, 2, kTextMelodyMalformed, kCaptionMelody},
        {"octave alone", "o4", {}, 0, kTextMelodyMalformed, kCaptionMelody},
        {"not an image", "c", {'j', 'u', 'n', 'k'}, 0, kTextWrongDataFormat, kCaptionPaste},
        {"channels not convertible", "c", ImageThreeChannels(), 0,
         "このデータ形式からの変換はサポートされていません", "フォーマット変換"},
        {"image with a LIST chunk", "cc", ImageWithList(), 2, nullptr, nullptr},
    };
    for (const StopCase& c : cases) {
        SCOPED_TRACE(c.name);
        TestApp t;
        t.SetSound(
            16, 1, 0, [](int, int) { return 0; }, 44100);
        PutInstrument(t, 44100, 1, 100, Instrument);
        if (!c.clipboard.empty()) {
            t.host.clipboard = c.clipboard;
        }
        EXPECT_EQ(Paste(t, c.text, 120), c.message ? 0 : 1);
        EXPECT_EQ(t.app.doc.byteLength, c.notesKept * 22050 * 2);
        EXPECT_EQ(t.app.doc.cursor, t.app.doc.byteLength);
        if (c.message) {
            ASSERT_EQ(t.host.messages.size(), 1u);
            EXPECT_EQ(t.host.messages[0].text, c.message);
            EXPECT_EQ(t.host.messages[0].caption, c.caption);
            EXPECT_EQ(t.host.messages[0].flags & mb::IconMask, mb::IconWarning);
        } else {
            EXPECT_TRUE(t.host.messages.empty());
        }
        EXPECT_FALSE(t.app.busy);
    }
}

// Without wave data on the clipboard the dialog does not open; when the sound cannot grow for a
// later note, the sound from before the paste comes back, earlier notes included.
TEST(MelodyPaste, EmptyClipboardAndOutOfMemory) {
    TestApp t;
    t.SetSound(
        8, 1, 100, [](int f, int) { return f * 256; }, 8000);
    const std::vector<std::uint8_t> before = Bytes(t.app);
    EXPECT_EQ(CmdMelodyPaste(t.app), 0);
    ASSERT_EQ(t.host.messages.size(), 1u);
    EXPECT_EQ(t.host.messages[0].text, kTextClipboardEmpty);
    EXPECT_EQ(t.host.messages[0].caption, kCaptionMelody);
    EXPECT_EQ(t.host.messages[0].flags & mb::IconMask, mb::IconInformation);
    EXPECT_TRUE(t.host.shownDialogs.empty());

    // Each quarter at tempo 120 is 4000 bytes: the first fits under the limit, the second not.
    PutInstrument(t, 8000, 1, 100, Instrument);
    t.host.QueueDialog({{{kIdMelodyText, "cc"}, {kIdTempoEdit, "120"}}});
    SampleBlock::SetAllocationLimitForTesting(6000);
    const int result = CmdMelodyPaste(t.app);
    SampleBlock::SetAllocationLimitForTesting(0);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Bytes(t.app), before);
    ASSERT_EQ(t.host.messages.size(), 2u);
    EXPECT_EQ(t.host.messages[1].text, kTextOutOfMemory);
    EXPECT_EQ(t.host.messages[1].caption, kCaptionMelodyMemory);
    EXPECT_FALSE(t.app.busy);
}

// While the notes are made the progress lets messages through, but the busy gate drops every
// command that could change the sound or the clipboard.
TEST(MelodyPaste, HoldsOtherCommandsOffWhileItRuns) {
    TestApp t;
    t.SetSound(
        16, 1, 0, [](int, int) { return 0; }, 8000);
    PutInstrument(t, 8000, 1, 100, Instrument);
    int pumps = 0, passed = 0;
    std::string progress;
    t.host.onPump = [&] {
        ++pumps;
        progress = t.host.StatusText(0);
        for (int id : {IDM_PASTE, IDM_DELETE, IDM_COPY, IDM_MELODY_PASTE, IDM_UNDO}) {
            passed += DispatchCommand(t.app, id, NotifyMenu) != -1;
        }
        return false;
    };
    ASSERT_EQ(Paste(t, "cdefg", 120), 1);
    EXPECT_GT(pumps, 0);
    EXPECT_EQ(passed, 0);
    EXPECT_EQ(progress.rfind("Melody:", 0), 0u) << progress;
    EXPECT_FALSE(t.app.busy);
    EXPECT_EQ(t.app.doc.byteLength, 5 * 4000 * 2);
}

// The tempo comes from the settings file the first time the dialog opens in a run (kept within
// 60..240), is kept in memory afterwards, and is written back on OK only.
TEST(MelodyPaste, TempoFromAndToTheSettingsFile) {
    struct Case {
        const char* stored; // nullptr: no key
        int shown;
    };
    for (const Case& c : {Case{nullptr, 120}, Case{"150", 150}, Case{"999", 240}, Case{"5", 60}}) {
        TestApp t;
        if (c.stored) {
            t.app.profile.WriteString(kSectionOptions, kKeyTempo, c.stored);
        }
        EXPECT_EQ(t.app.effects.generators.melody.tempo, -1);
        PutInstrument(t, 22050, 1, 100, Instrument);
        std::string shown;
        DialogScript look;
        look.interact = [&](ScriptedDialog& dialog, std::string&) {
            shown = dialog.GetItemText(kIdTempoEdit);
            EXPECT_EQ(dialog.GetScrollPos(kIdTempoBar), c.shown);
            dialog.Press(IdCancel);
            return true;
        };
        t.host.QueueDialog(look);
        EXPECT_EQ(CmdMelodyPaste(t.app), 0);
        EXPECT_EQ(shown, std::to_string(c.shown));
        EXPECT_EQ(t.app.profile.GetString(kSectionOptions, kKeyTempo, "none"),
                  c.stored ? c.stored : "none");

        t.host.QueueDialog({{{kIdTempoBar, "200"}, {kIdMelodyText, "r16"}}});
        EXPECT_EQ(CmdMelodyPaste(t.app), 1);
        EXPECT_EQ(t.app.profile.GetInt(kSectionOptions, kKeyTempo, 0), 200);
        t.app.profile.WriteString(kSectionOptions, kKeyTempo, "90");
        look.interact = [&](ScriptedDialog& dialog, std::string&) {
            shown = dialog.GetItemText(kIdTempoEdit);
            EXPECT_EQ(dialog.GetItemText(kIdMelodyText), "r16");
            dialog.Press(IdCancel);
            return true;
        };
        t.host.QueueDialog(look);
        CmdMelodyPaste(t.app);
        EXPECT_EQ(shown, "200");
    }
}

// A 24-bit sound, whose samples the editor reads as silence and cannot write, gets silent notes
// rather than the bytes the gap moved away.
TEST(MelodyPaste, DepthWithoutSampleWritesGetsSilence) {
    TestApp t;
    t.SetSound(
        24, 1, 0, [](int, int) { return 0; }, 8000);
    SoundDocument& doc = t.app.doc;
    doc.byteLength = 12;
    doc.sampleData.Resize(12 + 16);
    std::fill(doc.Data(), doc.Data() + 12, 0xAB);
    doc.cursor = 6;
    PutInstrument(t, 8000, 1, 100, Instrument);
    // Tempo 240: B = 3 * 8000 * 60 / 240 = 6000 bytes.
    ASSERT_EQ(Paste(t, "c", 240), 1);
    ASSERT_EQ(doc.byteLength, 12 + 6000);
    const std::vector<std::uint8_t> all = Bytes(t.app);
    EXPECT_EQ(std::count(all.begin(), all.end(), 0xAB), 12);
    EXPECT_EQ(std::count(all.begin() + 6, all.begin() + 6006, 0), 6000);
}

// --- The note language ----------------------------------------------------------------------

TEST(MelodyReader, ReadsNotesUntilTheEndOrAMalformedOne) {
    struct Case {
        const char* text;
        std::vector<MelodyNote> notes; // read before the end
        bool malformed;
        std::size_t consumed;
    };
    const Case cases[] = {
        {"c", {{false, 10000, 4, false}}, false, 1},
        {"r4.", {{true, 0, 4, true}}, false, 3},
        {"c-d+e",
         {{false, 9439, 4, false}, {false, 11892, 4, false}, {false, 12599, 4, false}},
         false,
         5},
        {"o4c4d8.e16r4o5c2",
         {{false, 10000, 4, false},
          {false, 11225, 8, true},
          {false, 12599, 16, false},
          {true, 0, 4, false},
          {false, 20000, 2, false}},
         false,
         12},
        {"g+0", {{false, 15874, 4, false}}, false, 3},
        {"o1a-99999999999999", {{false, 15874 * 8 / 64, 0x7FFFFFFF, false}}, false, 16},
        {"c..", {{false, 10000, 4, true}}, true, 2},
        {"o8c", {}, true, 0},
        {"o", {}, true, 0},
        {"ox", {}, true, 0},
        {"o3", {}, true, 0},
        {"x", {}, true, 0},
        {"c+-", {{false, 10595, 4, false}}, true, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        MelodyReader reader(c.text);
        MelodyNote note;
        std::size_t i = 0;
        MelodyParse result;
        while ((result = reader.Next(note)) == MelodyParse::Note) {
            ASSERT_LT(i, c.notes.size());
            const MelodyNote& e = c.notes[i++];
            EXPECT_EQ(note.rest, e.rest);
            EXPECT_EQ(note.readStep, e.readStep);
            EXPECT_EQ(note.divisor, e.divisor);
            EXPECT_EQ(note.dotted, e.dotted);
        }
        EXPECT_EQ(i, c.notes.size());
        EXPECT_EQ(result, c.malformed ? MelodyParse::Malformed : MelodyParse::End);
        EXPECT_EQ(reader.Consumed(), c.consumed);
    }
}

// --- The dialog -----------------------------------------------------------------------------

TEST(MelodyDialog, BackRemovesTheLastNote) {
    const std::pair<const char*, const char*> cases[] = {
        {"o4c4o5d8", "o4c4"}, {"c4", ""},   {"c4d-8", "c4"}, {"o4c+8", ""}, {"cr16.", "c"},
        {"C4D4", "C4"},       {"o12c", ""}, {"", ""},        {"c4o5", ""},
    };
    for (const auto& [text, left] : cases) {
        EXPECT_EQ(RemoveLastNote(text), left) << text;
    }
}

// On a 240 x 60 keyboard: white key i spans x = 10 * i .. 10 * i + 10; the upper half finds the
// boundary (x + 5) * 24 / 240.
TEST(MelodyDialog, KeyboardNames) {
    struct Case {
        int x, y;
        const char* name;
    };
    const Case cases[] = {
        {0, 59, "o3c"},   {9, 59, "o3c"},   {10, 59, "o3d"},  {239, 59, "o6e"},  {9, 10, "o3c+"},
        {14, 29, "o3c+"}, {15, 10, "o3d+"}, {4, 10, ""},      {30, 10, ""},      {27, 10, ""},
        {34, 10, ""},     {70, 10, ""},     {80, 10, "o4c+"}, {230, 10, "o6d+"}, {235, 10, ""},
        {239, 0, ""},     {30, 30, "o3f"},  {-1, 50, ""},     {240, 50, ""},     {10, 60, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KeyboardNoteAt(c.x, c.y, 240, 60), c.name) << c.x << "," << c.y;
    }
}

// Clicks on the keyboard and the rest button insert at the caret with the chosen length,
// replacing a selection; back and clear edit the text; OK keeps text and length choice.
TEST(MelodyDialog, KeyboardAndButtonsEditTheText) {
    TestApp t;
    PutInstrument(t, 22050, 1, 100, Instrument);
    t.app.effects.generators.melody.text = "c";
    std::vector<std::string> texts;
    DialogScript script;
    script.interact = [&](ScriptedDialog& dialog, std::string& error) {
        const Rect area = dialog.ItemRect(kIdKeyboard);
        const int w = area.Width(), h = area.Height();
        EXPECT_EQ(dialog.IsButtonChecked(kIdLengthFirst + 2), Checked);
        auto release = [&](int x, int y) {
            return dialog.Mouse(kIdKeyboard, msg::LButtonUp, x, y, error);
        };
        auto text = [&] { texts.push_back(dialog.GetItemText(kIdMelodyText)); };
        // White key 7 is o4c; the boundary 1 is o3c+; boundary 3 (e/f) has no black key.
        bool ok = release(15 * w / 48, h - 2);
        text();
        ok = ok && dialog.Apply(kIdLengthFirst + 7, "1", error);
        ok = ok && release(w / 24, 2);
        ok = ok && release(3 * w / 24, 2);
        text();
        dialog.Press(kIdRest);
        text();
        dialog.Press(kIdBack);
        text();
        dialog.SetItemSelection(kIdMelodyText, 0, 1);
        ok = ok && release(15 * w / 48, h - 2);
        text();
        ok = ok &&
             dialog.Apply(kIdKeyboard, std::to_string(w - 1) + ":" + std::to_string(h - 1), error);
        text();
        dialog.Press(kIdClear);
        text();
        ok = ok && dialog.Apply(kIdMelodyText, "o4c+8", error);
        return ok;
    };
    t.host.QueueDialog(script);
    EXPECT_EQ(CmdMelodyPaste(t.app), 1);
    EXPECT_TRUE(t.host.scriptErrors.empty());
    const std::vector<std::string> expected = {"co4c4",
                                               "co4c4o3c+16.",
                                               "co4c4o3c+16.r16.",
                                               "co4c4o3c+16.",
                                               "o4c16.o4c4o3c+16.",
                                               "o4c16.o6e16.o4c4o3c+16.",
                                               ""};
    EXPECT_EQ(texts, expected);
    EXPECT_EQ(t.app.effects.generators.melody.text, "o4c+8");
    EXPECT_EQ(t.app.effects.generators.melody.lengthChoice, 7);
}

// The keyboard's picture: white keys outlined in black, black keys on the upper three fifths of
// their boundaries, none between e and f.
TEST(MelodyDialog, KeyboardPicture) {
    TestApp t;
    PutInstrument(t, 22050, 1, 100, Instrument);
    DialogScript script;
    script.interact = [&](ScriptedDialog& dialog, std::string&) {
        const RasterCanvas* picture = dialog.ItemPicture(kIdKeyboard);
        EXPECT_NE(picture, nullptr);
        if (!picture) {
            dialog.Press(IdCancel);
            return true;
        }
        const int w = picture->Width(), h = picture->Height();
        auto at = [&](int x, int y) { return picture->Pixel(x, y); };
        const Rgb white{255, 255, 255}, black{0, 0, 0};
        for (int i = 0; i < 24; ++i) {
            EXPECT_EQ(at((2 * i + 1) * w / 48, h - 3), white) << "white key " << i;
            EXPECT_EQ(at(i * w / 24, h - 3), black) << "left edge of key " << i;
        }
        EXPECT_EQ(at(w / 2, 0), black);
        EXPECT_EQ(at(w / 2, h - 1), black);
        for (int j = 1; j < 24; ++j) {
            const bool key = j % 7 != 0 && j % 7 != 3;
            EXPECT_EQ(at(j * w / 24 + 1, 3), key ? black : white) << "boundary " << j;
            EXPECT_EQ(at(j * w / 24 + 1, 3 * h / 5 + 1), white) << "below boundary " << j;
        }
        dialog.Press(IdCancel);
        return true;
    };
    t.host.QueueDialog(script);
    EXPECT_EQ(CmdMelodyPaste(t.app), 0);
}

} // namespace
