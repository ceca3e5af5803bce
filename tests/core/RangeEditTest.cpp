// The clipboard and range edits against their state table, the images paste and mix accept
// and refuse, their out-of-memory paths, and the gap of silence; one undo restores each edit.
#include "TestApp.h"

#include "commands/edit/RangeEdits.h"
#include "editor/CommandIds.h"
#include "window/MainWindow.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

using namespace wt;

namespace {

using Bytes = std::vector<std::uint8_t>;
using Values = std::vector<int>; // interleaved samples

void Put16(Bytes& b, unsigned v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
// Byte by byte: GCC 12 warns wrongly about vector::insert of small ranges.
void PutId(Bytes& b, const char* id) {
    for (int i = 0; i < 4; ++i) {
        b.push_back(static_cast<std::uint8_t>(id[i]));
    }
}

// Samples as stored: 8-bit value / 256 + 128, 16-bit little-endian.
Bytes Encode(int bits, const Values& values) {
    Bytes b;
    for (int v : values) {
        if (bits == 8) {
            b.push_back(static_cast<std::uint8_t>(v / 256 + 128));
        } else {
            Put16(b, static_cast<unsigned>(v) & 0xFFFF);
        }
    }
    return b;
}

// A chunk with its header; `claimed` overrides the size written in it.
Bytes Chunk(const char* id, const Bytes& body, long claimed = -1) {
    Bytes b;
    PutId(b, id);
    Put32(b, claimed < 0 ? static_cast<std::uint32_t>(body.size())
                         : static_cast<std::uint32_t>(claimed));
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() % 2) {
        b.push_back(0); // pad byte
    }
    return b;
}

struct Fmt {
    unsigned tag = 1, channels = 1, rate = 22050, align = 2, bits = 16;
    int extraBytes = 0; // bytes after the 16 of the record (an 18-byte chunk has 2)
};
Bytes FmtBody(const Fmt& f) {
    Bytes b;
    Put16(b, f.tag);
    Put16(b, f.channels);
    Put32(b, f.rate);
    Put32(b, f.rate * f.align);
    Put16(b, f.align);
    Put16(b, f.bits);
    b.resize(b.size() + static_cast<std::size_t>(f.extraBytes), 0);
    return b;
}

Bytes Riff(const std::vector<Bytes>& chunks) {
    Bytes body;
    PutId(body, "WAVE");
    for (const Bytes& c : chunks) {
        body.insert(body.end(), c.begin(), c.end());
    }
    Bytes b;
    PutId(b, "RIFF");
    Put32(b, static_cast<std::uint32_t>(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

// The canonical 44-byte-header image.
Bytes Image(const Fmt& f, const Values& values) {
    return Riff({Chunk("fmt ", FmtBody(f)), Chunk("data", Encode(f.bits, values))});
}

const Fmt kMono16{};
const Fmt kStereo16{1, 2, 22050, 4, 16};
const Fmt kMono8{1, 1, 22050, 1, 8};

void Load(test::TestApp& t, int bits, int channels, const Values& values) {
    t.SetSound(bits, channels, static_cast<int>(values.size()) / channels,
               [&](int f, int c) { return values[static_cast<std::size_t>(f * channels + c)]; });
}

Values Read(const SoundDocument& doc) {
    Values v;
    for (int at = 0; at < doc.byteLength; at += doc.format.blockAlign) {
        for (int c = 0; c < doc.format.channels; ++c) {
            v.push_back(ReadSample(doc, doc.Data() + at, c));
        }
    }
    return v;
}

Bytes DocBytes(const SoundDocument& doc) {
    return {doc.Data(), doc.Data() + doc.byteLength};
}

void PutOnClipboard(test::TestApp& t, const Bytes& image) {
    t.host.clipboard = image;
    t.host.clipboardHasWave = true;
}

// --- Copy, cut, delete, erase outside --------------------------------------------------------

struct RangeCase {
    const char* name;
    int command;
    int selStart, selEnd, viewStart; // frames, before
    std::vector<int> frames;         // the original frames left, in order
    int selStartAfter, selEndAfter, cursorAfter, viewAfter;
    std::vector<int> copied; // original frames on the clipboard afterwards
};

void PrintTo(const RangeCase& c, std::ostream* os) {
    *os << c.name;
}

class RangeEdit : public ::testing::TestWithParam<RangeCase> {};

// A 16-bit stereo sound of 10 frames, frame f holding 10f and 10f + 1; the cursor at frame 7.
TEST_P(RangeEdit, FollowsTheStateTableAndOneUndoRestoresEveryByte) {
    const RangeCase& c = GetParam();
    test::TestApp t;
    t.SetSound(16, 2, 10, [](int f, int ch) { return 10 * f + ch; });
    SoundDocument& doc = t.app.doc;
    doc.selStart = c.selStart * 4;
    doc.selEnd = c.selEnd * 4;
    doc.viewStart = c.viewStart * 4;
    doc.cursor = doc.anchor = 28;
    const Bytes before = DocBytes(doc);
    const Bytes previousClipboard = Image(kMono16, {1});
    PutOnClipboard(t, previousClipboard);

    ASSERT_EQ(DispatchCommand(t.app, c.command, NotifyMenu), 1);
    Values expected;
    for (int f : c.frames) {
        expected.insert(expected.end(), {10 * f, 10 * f + 1});
    }
    EXPECT_EQ(Read(doc), expected);
    EXPECT_EQ(doc.sampleData.Size(), static_cast<std::size_t>(doc.byteLength) + 16);
    EXPECT_EQ(doc.selStart, c.selStartAfter * 4);
    EXPECT_EQ(doc.selEnd, c.selEndAfter * 4);
    EXPECT_EQ(doc.cursor, c.cursorAfter * 4);
    EXPECT_EQ(doc.viewStart, c.viewAfter * 4);
    EXPECT_TRUE(t.host.messages.empty());
    if (c.copied.empty()) {
        EXPECT_EQ(t.host.clipboard, previousClipboard);
    } else {
        Values copied;
        for (int f : c.copied) {
            copied.insert(copied.end(), {10 * f, 10 * f + 1});
        }
        EXPECT_EQ(t.host.clipboard, Image(kStereo16, copied));
    }
    if (c.command == IDM_COPY) {
        EXPECT_FALSE(doc.modified);
        EXPECT_EQ(t.app.undo.length, 0) << "copy takes no undo snapshot";
        return;
    }
    EXPECT_TRUE(doc.modified);
    EXPECT_EQ(t.host.StatusText(1), std::to_string(doc.byteLength) + " Bytes");
    ASSERT_EQ(DispatchCommand(t.app, IDM_UNDO, NotifyMenu), 1);
    EXPECT_EQ(DocBytes(doc), before);
    EXPECT_EQ(doc.selStart, c.selStart * 4);
    EXPECT_EQ(doc.selEnd, c.selEnd * 4);
    EXPECT_EQ(doc.cursor, 28);
}

// clang-format off
const RangeCase kRangeCases[] = {
    {"Copy", IDM_COPY, 2, 5, 8, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 2, 5, 7, 8, {2, 3, 4}},
    // Seven frames left, fewer than the view start: the view moves to the old selection start.
    {"Cut", IDM_CUT, 2, 5, 8, {0, 1, 5, 6, 7, 8, 9}, 2, 2, 2, 2, {2, 3, 4}},
    {"DeleteKeepsTheView", IDM_DELETE, 2, 5, 4, {0, 1, 5, 6, 7, 8, 9}, 2, 2, 2, 4, {}},
    {"DeleteEverything", IDM_DELETE, 0, 10, 8, {}, 0, 0, 0, 0, {}},
    {"EraseOutside", IDM_CROP, 2, 5, 8, {2, 3, 4}, 0, 0, 0, 0, {}},
    {"EraseOutsideTheLastFrame", IDM_CROP, 9, 10, 8, {9}, 0, 0, 0, 0, {}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Cases, RangeEdit, ::testing::ValuesIn(kRangeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RangeEdit, EditsThatNeedASelectionSayWhenThereIsNone) {
    for (int command : {IDM_COPY, IDM_CUT, IDM_DELETE, IDM_CROP}) {
        test::TestApp t;
        Load(t, 16, 1, {1, 2, 3});
        t.app.doc.selStart = t.app.doc.selEnd = 2;
        const Bytes clipboard = Image(kMono16, {9});
        PutOnClipboard(t, clipboard);
        EXPECT_EQ(DispatchCommand(t.app, command, NotifyMenu), 0) << command;
        ASSERT_EQ(t.host.messages.size(), 1u) << command;
        EXPECT_EQ(t.host.messages[0].text, "範囲が選択されていません");
        EXPECT_EQ(t.host.messages[0].caption, "WAVE Tomuka");
        EXPECT_EQ(t.host.messages[0].flags, mb::Ok | mb::IconInformation);
        EXPECT_EQ(Read(t.app.doc), (Values{1, 2, 3})) << command;
        EXPECT_EQ(t.host.clipboard, clipboard) << command;
        EXPECT_EQ(t.app.undo.length, 0) << command;
        EXPECT_FALSE(t.app.doc.modified) << command;
    }
}

// A 16-bit stereo copy of 1000 frames is a 4044-byte image; pasted into an 8-bit mono sound of
// the same rate it inserts 1000 bytes: the high byte of (left + right) / 2, plus 128.
TEST(RangeEdit, StereoCopyPastesIntoAnEightBitMonoSound) {
    test::TestApp source;
    source.SetSound(16, 2, 1000, [](int f, int ch) { return ch == 0 ? 7 * f : 3 * f; });
    DispatchCommand(source.app, IDM_SELECT_ALL, NotifyMenu);
    ASSERT_EQ(DispatchCommand(source.app, IDM_COPY, NotifyMenu), 1);
    const Bytes& image = source.host.clipboard;
    ASSERT_EQ(image.size(), 4044u);
    EXPECT_EQ(image[40] | image[41] << 8 | image[42] << 16 | image[43] << 24, 4000);

    test::TestApp t;
    Load(t, 8, 1, {0, 256, 512, 768, 1024});
    t.app.doc.cursor = 2;
    PutOnClipboard(t, image);
    ASSERT_EQ(DispatchCommand(t.app, IDM_PASTE, NotifyMenu), 1);
    const SoundDocument& doc = t.app.doc;
    ASSERT_EQ(doc.byteLength, 1005);
    for (int f = 0; f < 1000; ++f) {
        ASSERT_EQ(doc.Data()[2 + f], static_cast<std::uint8_t>((5 * f >> 8) + 128)) << f;
    }
    EXPECT_EQ(doc.Data()[0], 128);
    EXPECT_EQ(doc.Data()[1004], 132);
    EXPECT_EQ(doc.selStart, 2);
    EXPECT_EQ(doc.selEnd, 1002);
    EXPECT_EQ(doc.cursor, 1002);
}

// --- Paste and mix ---------------------------------------------------------------------------

struct PasteCase {
    const char* name;
    int command;
    int bits, channels;
    Values document;
    int cursor; // frames
    Bytes image;
    Values expected;
    int selStart, selEnd; // frames; the cursor ends at selEnd
};

void PrintTo(const PasteCase& c, std::ostream* os) {
    *os << c.name;
}

class PasteMix : public ::testing::TestWithParam<PasteCase> {};

TEST_P(PasteMix, GivesTheHandComputedSoundAndOneUndoRestoresIt) {
    const PasteCase& c = GetParam();
    test::TestApp t;
    Load(t, c.bits, c.channels, c.document);
    SoundDocument& doc = t.app.doc;
    const int frameBytes = doc.format.blockAlign;
    doc.cursor = doc.anchor = c.cursor * frameBytes;
    doc.viewStart = frameBytes;
    const Bytes before = DocBytes(doc);
    PutOnClipboard(t, c.image);

    ASSERT_EQ(DispatchCommand(t.app, c.command, NotifyMenu), 1);
    EXPECT_TRUE(t.host.messages.empty());
    EXPECT_EQ(Read(doc), c.expected);
    EXPECT_EQ(doc.sampleData.Size(), static_cast<std::size_t>(doc.byteLength) + 16);
    EXPECT_EQ(doc.selStart, c.selStart * frameBytes);
    EXPECT_EQ(doc.selEnd, c.selEnd * frameBytes);
    EXPECT_EQ(doc.cursor, c.selEnd * frameBytes);
    EXPECT_EQ(doc.viewStart, frameBytes);
    EXPECT_TRUE(doc.modified);
    EXPECT_EQ(t.host.StatusText(1), std::to_string(doc.byteLength) + " Bytes");

    ASSERT_EQ(DispatchCommand(t.app, IDM_UNDO, NotifyMenu), 1);
    EXPECT_EQ(DocBytes(doc), before);
    EXPECT_EQ(doc.cursor, c.cursor * frameBytes);
}

const Bytes kLongFmtImage =
    Riff({Chunk("fmt ", FmtBody({1, 1, 22050, 2, 16, 2})), Chunk("data", Encode(16, {7, 8}))});
const Bytes kListFirstImage =
    Riff({Chunk("LIST", {'I', 'N', 'F', 'O', 'x'}), Chunk("fmt ", FmtBody(kMono16)),
          Chunk("data", Encode(16, {7, 8}))});
const Bytes kDataFirstImage =
    Riff({Chunk("data", Encode(16, {7, 8})), Chunk("fmt ", FmtBody(kMono16))});
const Bytes kTwoDataImage = Riff({Chunk("fmt ", FmtBody(kMono16)), Chunk("data", Encode(16, {5})),
                                  Chunk("data", Encode(16, {7, 8}))});

// clang-format off
const PasteCase kPasteCases[] = {
    {"PasteIntoTheMiddle", IDM_PASTE, 16, 1, {1, 2, 3, 4}, 2, Image(kMono16, {7, 8}), {1, 2, 7, 8, 3, 4}, 2, 4},
    {"PasteAtTheEnd", IDM_PASTE, 16, 1, {1, 2}, 2, Image(kMono16, {9}), {1, 2, 9}, 2, 3},
    {"PasteIntoAnEmptySound", IDM_PASTE, 16, 2, {}, 0, Image(kStereo16, {5, 6, 7, 8}), {5, 6, 7, 8}, 0, 2},
    // Images from other programs: the chunks are walked, whatever comes first.
    {"PasteAfterAn18ByteFormatChunk", IDM_PASTE, 16, 1, {1, 2, 3, 4}, 2, kLongFmtImage, {1, 2, 7, 8, 3, 4}, 2, 4},
    {"PasteAfterAnOddListChunk", IDM_PASTE, 16, 1, {1, 2, 3, 4}, 2, kListFirstImage, {1, 2, 7, 8, 3, 4}, 2, 4},
    {"PasteDataBeforeFormat", IDM_PASTE, 16, 1, {1, 2, 3, 4}, 2, kDataFirstImage, {1, 2, 7, 8, 3, 4}, 2, 4},
    {"PasteTheLastDataChunk", IDM_PASTE, 16, 1, {1, 2, 3, 4}, 2, kTwoDataImage, {1, 2, 7, 8, 3, 4}, 2, 4},
    // Converted to the document's format first.
    {"PasteStereoIntoMono", IDM_PASTE, 16, 1, {1}, 0, Image(kStereo16, {3, -6}), {-1, 1}, 0, 1},
    {"Paste16IntoEightBits", IDM_PASTE, 8, 1, {256}, 1, Image(kMono16, {-1, 32767}), {256, -256, 32512}, 1, 3},
    {"Paste11025Into22050", IDM_PASTE, 16, 1, {1}, 1, Image({1, 1, 11025, 2, 16}, {10, 21}), {1, 10, 15, 21, 21}, 1, 5},
    // Mix: added from the cursor, nothing selected afterwards.
    {"MixIntoTheMiddle", IDM_MIX_PASTE, 16, 1, {100, 200, 300, 400}, 1, Image(kMono16, {10, 20}), {100, 210, 320, 400}, 3, 3},
    {"MixExtendsWithSilence", IDM_MIX_PASTE, 16, 1, {100, 200}, 1, Image(kMono16, {10, 20, 30}), {100, 210, 20, 30}, 4, 4},
    {"MixClips", IDM_MIX_PASTE, 16, 2, {30000, -30000, 5, 5}, 0, Image(kStereo16, {10000, -10000}), {32767, -32768, 5, 5}, 1, 1},
    {"MixIntoAnEmptySound", IDM_MIX_PASTE, 16, 1, {}, 0, Image(kMono16, {4, 5}), {4, 5}, 2, 2},
    {"MixEightBitsOverSilence", IDM_MIX_PASTE, 8, 1, {256}, 0, Image(kMono8, {512, 768}), {768, 768}, 2, 2},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Cases, PasteMix, ::testing::ValuesIn(kPasteCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct Refusal {
    const char* name;
    Bytes image;
    bool converterRefuses; // the converter's message instead of the image's
};

TEST(PasteMix, RefusedImagesChangeNothingButTheUndoSnapshot) {
    Fmt noChannels = kMono16, noAlign = kMono16, noRate = kMono16, float32 = kMono16;
    noChannels.channels = 0;
    noAlign.align = 0;
    noRate.rate = 0;
    float32.tag = 3;
    const Bytes fmt = Chunk("fmt ", FmtBody(kMono16));
    const Refusal refusals[] = {
        {"float format", Image(float32, {1, 2}), false},
        {"no data chunk", Riff({fmt}), false},
        {"no format chunk", Riff({Chunk("data", Encode(16, {1, 2}))}), false},
        {"data past the end", Riff({fmt, Chunk("data", Encode(16, {1, 2}), 100)}), false},
        {"0 channels", Image(noChannels, {1, 2}), false},
        {"block align 0", Image(noAlign, {1, 2}), false},
        {"rate 0", Image(noRate, {1, 2}), false},
        {"not RIFF", Bytes(60, 'x'), false},
        {"empty", Bytes{}, false},
        {"24 bits", Image({1, 1, 22050, 3, 24}, {1, 2, 3}), true},
        {"3 channels", Image({1, 3, 22050, 6, 16}, {1, 2, 3}), true},
    };
    for (int command : {IDM_PASTE, IDM_MIX_PASTE}) {
        for (const Refusal& r : refusals) {
            test::TestApp t;
            Load(t, 16, 1, {9});
            ASSERT_EQ(TakeSnapshot(t.app.doc, t.app.undo), 1);
            Load(t, 16, 1, {1, 2, 3});
            t.app.doc.cursor = 2;
            PutOnClipboard(t, r.image);
            EXPECT_EQ(DispatchCommand(t.app, command, NotifyMenu), 0) << r.name;
            ASSERT_EQ(t.host.messages.size(), 1u) << r.name;
            const ShownMessage& m = t.host.messages[0];
            if (r.converterRefuses) {
                EXPECT_EQ(m.text, "このデータ形式からの変換はサポートされていません") << r.name;
                EXPECT_EQ(m.caption, "フォーマット変換") << r.name;
            } else {
                EXPECT_EQ(m.text, "データ形式が違います") << r.name;
                EXPECT_EQ(m.caption, command == IDM_PASTE ? "ペースト" : "ミックス") << r.name;
            }
            EXPECT_EQ(m.flags, mb::Ok | mb::IconWarning);
            EXPECT_EQ(Read(t.app.doc), (Values{1, 2, 3})) << r.name;
            EXPECT_EQ(t.app.doc.cursor, 2);
            EXPECT_FALSE(t.app.doc.modified) << r.name;
            // The snapshot was taken of this sound, not the earlier one.
            DispatchCommand(t.app, IDM_UNDO, NotifyMenu);
            EXPECT_EQ(Read(t.app.doc), (Values{1, 2, 3})) << r.name;
        }
    }
}

// Frames of the document's own format (any rate) go in byte for byte, with no conversion
// pass: not even the peak tracker, standing above full scale, scales them. A mix adds them as
// they are; only its own limited write scales the sums.
TEST(PasteMix, TheDocumentsOwnFormatGoesInWithoutConversion) {
    struct Case {
        const char* name;
        int command;
        Fmt format;
        Values document;
        int cursor; // frames
        Values clipboard, expected;
    };
    // clang-format off
    const Case cases[] = {
        {"paste at 48 kHz", IDM_PASTE, {1, 2, 48000, 4, 16}, {100, -200, 300, 400}, 1, {32767, -32768}, {100, -200, 32767, -32768, 300, 400}},
        {"paste at 8 bits", IDM_PASTE, {1, 1, 44100, 1, 8}, {256}, 0, {32512, -32768}, {32512, -32768, 256}},
        // (100 + 1000) * 32767 / 65534 and (-200 + 3000) * 32767 / 65534.
        {"mix at 48 kHz", IDM_MIX_PASTE, {1, 1, 48000, 2, 16}, {100, -200}, 0, {1000, 3000}, {550, 1400}},
    };
    // clang-format on
    for (const Case& c : cases) {
        test::TestApp t;
        t.SetSound(
            c.format.bits, c.format.channels,
            static_cast<int>(c.document.size() / c.format.channels),
            [&](int f, int ch) {
                return c.document[static_cast<std::size_t>(f * c.format.channels) +
                                  static_cast<std::size_t>(ch)];
            },
            c.format.rate);
        t.app.doc.cursor = c.cursor * static_cast<int>(c.format.align);
        t.app.doc.peak = 65534;
        PutOnClipboard(t, Image(c.format, c.clipboard));
        EXPECT_EQ(DispatchCommand(t.app, c.command, NotifyMenu), 1) << c.name;
        EXPECT_TRUE(t.host.messages.empty()) << c.name;
        EXPECT_EQ(Read(t.app.doc), c.expected) << c.name;
    }
}

// A paste into a sound that holds nothing and has not been changed (a new window) takes the
// clipboard's format, frames packed, so nothing is lost; undo brings back the old format. A
// window that was changed keeps its format, and a depth the editor cannot convert from is
// refused as before.
TEST(PasteMix, PasteIntoANewWindowTakesTheClipboardsFormat) {
    struct Case {
        const char* name;
        bool modified;
        Bytes image;
        const char* statusAfter; // nullptr: refused
        Values expected;
    };
    const Bytes stereo = Image({1, 2, 44100, 4, 16}, {1000, -1000, 32767, -32768});
    // clang-format off
    const Case cases[] = {
        {"new window", false, stereo, "44100Hz 16Bits Stereo", {1000, -1000, 32767, -32768}},
        // A mono image with two bytes of padding in each frame.
        {"padded frames", false, Image({1, 1, 48000, 4, 16}, {7, 99, 8, 99}), "48000Hz 16Bits Mono", {7, 8}},
        // One 8-bit frame at 22050 Hz: (1000 - 1000) / 2.
        {"changed window", true, stereo, "22050Hz 8Bits Mono", {0}},
        {"24 bits", false, Image({1, 1, 44100, 3, 24}, {1, 2, 3}), nullptr, {}},
    };
    // clang-format on
    for (const Case& c : cases) {
        test::TestApp t;
        t.app.doc.modified = c.modified;
        PutOnClipboard(t, c.image);
        EXPECT_EQ(DispatchCommand(t.app, IDM_PASTE, NotifyMenu), c.statusAfter ? 1 : 0) << c.name;
        EXPECT_EQ(Read(t.app.doc), c.expected) << c.name;
        if (!c.statusAfter) {
            ASSERT_EQ(t.host.messages.size(), 1u) << c.name;
            EXPECT_EQ(t.host.messages[0].text, "このデータ形式からの変換はサポートされていません");
            EXPECT_EQ(t.app.doc.format, SoundFormat{}) << c.name;
            continue;
        }
        EXPECT_EQ(t.host.StatusText(0), c.statusAfter) << c.name;
        EXPECT_EQ(t.app.doc.bytesPerSample, t.app.doc.format.bitsPerSample / 8) << c.name;
        EXPECT_EQ(t.app.doc.format.bytesPerSecond,
                  t.app.doc.format.sampleRate * t.app.doc.format.blockAlign)
            << c.name;
        ASSERT_EQ(DispatchCommand(t.app, IDM_UNDO, NotifyMenu), 1) << c.name;
        EXPECT_EQ(t.app.doc.format, SoundFormat{}) << c.name;
        EXPECT_EQ(t.app.doc.byteLength, 0) << c.name;
        EXPECT_EQ(t.host.StatusText(0), "22050Hz 8Bits Mono") << c.name;
    }
}

TEST(PasteMix, AnEmptyClipboardChangesNothingSilentlyButTakesTheSnapshot) {
    for (int command : {IDM_PASTE, IDM_MIX_PASTE}) {
        test::TestApp t;
        Load(t, 16, 1, {9});
        ASSERT_EQ(TakeSnapshot(t.app.doc, t.app.undo), 1);
        Load(t, 16, 1, {1, 2, 3});
        EXPECT_EQ(DispatchCommand(t.app, command, NotifyMenu), 0);
        EXPECT_TRUE(t.host.messages.empty());
        EXPECT_EQ(Read(t.app.doc), (Values{1, 2, 3}));
        EXPECT_EQ(t.app.undo.length, 6);
        EXPECT_EQ(t.host.StatusText(1), "6 Bytes");
    }
}

// A file copied in a file manager is read as Open reads it: its sound is pasted, or the
// reader's refusal is shown and the sound stays as it was.
TEST(PasteMix, AFileOnTheClipboardIsReadAsOpenReadsIt) {
    struct Case {
        const char* name;
        Bytes file;
        const char* message; // nullptr: pasted
        const char* caption;
    };
    const Case cases[] = {
        {"copied.wav", kListFirstImage, nullptr, nullptr},
        {"broken.wav", Bytes(30, 'x'), "データが異常です(RIFF)", "ファイルを開く"},
        {"wide.wav", Image({1, 3, 22050, 6, 16}, {}),
         "3チャンネルのファイルは開けません（モノラルとステレオのみ）", "ファイルを開く"},
        {"notes.txt", kListFirstImage, "この形式はサポートしていません", "WaveTomuka"},
    };
    for (const Case& c : cases) {
        test::TestApp t;
        Load(t, 16, 1, {1, 2, 3});
        t.app.doc.cursor = 2;
        t.host.clipboardFile = t.dir.File(c.name);
        std::ofstream(t.host.clipboardFile, std::ios::binary)
            .write(reinterpret_cast<const char*>(c.file.data()),
                   static_cast<std::streamsize>(c.file.size()));
        EXPECT_EQ(DispatchCommand(t.app, IDM_PASTE, NotifyMenu), c.message ? 0 : 1) << c.name;
        const Values expected = c.message ? Values{1, 2, 3} : Values{1, 7, 8, 2, 3};
        EXPECT_EQ(Read(t.app.doc), expected) << c.name;
        ASSERT_EQ(t.host.messages.size(), c.message ? 1u : 0u) << c.name;
        if (c.message) {
            EXPECT_EQ(t.host.messages[0].text, c.message);
            EXPECT_EQ(t.host.messages[0].caption, c.caption);
        }
    }
}

// --- Out of memory ---------------------------------------------------------------------------

TEST(RangeEdit, OutOfMemoryLeavesTheSoundAsItWas) {
    struct Case {
        const char* name;
        int command;
        int cursor;        // frames
        std::size_t limit; // the largest block that can be had
        const char* caption;
        bool clipboardEmptied;
    };
    // A 16-bit mono sound of 100 frames (216-byte blocks) and 100 frames on the clipboard: the
    // snapshot and the converted block fit in 300 bytes, the grown sound (416) does not.
    const Case cases[] = {
        {"copy", IDM_COPY, 0, 100, "COPY", true},
        {"cut keeps the sound when the copy fails", IDM_CUT, 0, 230, "COPY", true},
        {"paste", IDM_PASTE, 50, 300, "PASTE", false},
        {"mix past the end", IDM_MIX_PASTE, 100, 300, "ミックス", false},
    };
    for (const Case& c : cases) {
        test::TestApp t;
        t.SetSound(16, 1, 100, [](int f, int) { return f; });
        t.app.doc.selEnd = 200;
        t.app.doc.cursor = c.cursor * 2;
        PutOnClipboard(t, Image(kMono16, Values(100, 5)));
        const Bytes before = DocBytes(t.app.doc);
        SampleBlock::SetAllocationLimitForTesting(c.limit);
        EXPECT_EQ(DispatchCommand(t.app, c.command, NotifyMenu), 0) << c.name;
        SampleBlock::SetAllocationLimitForTesting(0);
        ASSERT_EQ(t.host.messages.size(), 1u) << c.name;
        EXPECT_EQ(t.host.messages[0].text, "メモリーが足りません") << c.name;
        EXPECT_EQ(t.host.messages[0].caption, c.caption) << c.name;
        EXPECT_EQ(t.host.messages[0].flags, mb::Ok | mb::IconWarning);
        EXPECT_EQ(DocBytes(t.app.doc), before) << c.name;
        EXPECT_EQ(t.app.doc.selEnd, 200) << c.name;
        EXPECT_EQ(t.app.doc.cursor, c.cursor * 2) << c.name;
        EXPECT_EQ(t.host.clipboardHasWave, !c.clipboardEmptied) << c.name;
    }
}

// --- The gap of silence ----------------------------------------------------------------------

TEST(InsertSilence, OpensASelectedGapOfSilenceAtTheCursor) {
    struct Case {
        int bits, channels;
        std::uint32_t rate, milliseconds;
        int gapBytes;
        std::uint8_t silence;
    };
    const Case cases[] = {
        {16, 2, 22050, 100, 8820, 0}, // 2205 frames
        {8, 1, 8000, 10, 80, 128},
        {8, 2, 11025, 1, 22, 128}, // 11 frames, truncated
        {16, 1, 44100, 0, 0, 0},
        // rate * milliseconds beyond 32 bits: 5 million frames, not the 705032 of a wrapped
        // product.
        {8, 1, 1000000, 5000, 5000000, 128},
        // A depth the sample operations do not write still gets defined (zero) bytes.
        {24, 1, 8000, 1, 24, 0},
    };
    for (const Case& c : cases) {
        test::TestApp t;
        t.SetSound(
            c.bits, c.channels, 4, [](int f, int) { return (f + 1) * 256; }, c.rate);
        SoundDocument& doc = t.app.doc;
        const int frameBytes = doc.format.blockAlign;
        const Bytes before = DocBytes(doc);
        doc.cursor = frameBytes;
        ASSERT_EQ(TakeSnapshot(doc, t.app.undo), 1);
        ASSERT_EQ(InsertSilence(t.app, c.milliseconds), 1) << c.rate;
        ASSERT_EQ(doc.byteLength, 4 * frameBytes + c.gapBytes) << c.rate;
        EXPECT_EQ(doc.sampleData.Size(), static_cast<std::size_t>(doc.byteLength) + 16);
        Bytes expected(before.begin(), before.begin() + frameBytes);
        expected.insert(expected.end(), static_cast<std::size_t>(c.gapBytes), c.silence);
        expected.insert(expected.end(), before.begin() + frameBytes, before.end());
        EXPECT_EQ(DocBytes(doc), expected) << c.rate;
        EXPECT_EQ(doc.selStart, frameBytes);
        EXPECT_EQ(doc.selEnd, frameBytes + c.gapBytes);
        EXPECT_EQ(doc.cursor, frameBytes + c.gapBytes);
        EXPECT_TRUE(doc.modified);
        SwapWithSnapshot(doc, t.app.undo);
        EXPECT_EQ(DocBytes(doc), before);
    }
}

TEST(InsertSilence, WhenTheSoundCannotGrowItIsPutBackFromTheSnapshot) {
    test::TestApp t;
    t.SetSound(16, 2, 4, [](int f, int c) { return f - c; });
    const Bytes before = DocBytes(t.app.doc);
    ASSERT_EQ(TakeSnapshot(t.app.doc, t.app.undo), 1);
    // What a generator may have changed before the gap is opened.
    t.app.doc.selStart = 4;
    SampleBlock::SetAllocationLimitForTesting(100);
    EXPECT_EQ(InsertSilence(t.app, 1000), 0);
    SampleBlock::SetAllocationLimitForTesting(0);
    EXPECT_EQ(DocBytes(t.app.doc), before);
    EXPECT_EQ(t.app.doc.selStart, 0);
    ASSERT_EQ(t.host.messages.size(), 1u);
    EXPECT_EQ(t.host.messages[0].text, "メモリーが足りません");
    EXPECT_EQ(t.host.messages[0].caption, "WTOMUKA");
}

} // namespace
