// Files from anywhere: truncated, corrupt, contradictory or absurd files must fail cleanly
// (or load what is really there), with the expected messages and document state, and never
// leave a half-replaced sound. The sanitizer build runs this corpus.
#include "FileTestSupport.h"

#include "commands/edit/UndoCommands.h"
#include "commands/file/FileCommands.h"
#include "editor/DocumentUi.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

using namespace wt;
using namespace wt::test;

namespace {

constexpr const char* kRiff = "データが異常です(RIFF)";
constexpr const char* kWave = "データが異常です(WAVE)";
constexpr const char* kCorrupt = "データが異常です";
constexpr const char* kForm = "データが異常です(FORM)";
constexpr const char* kAiff = "データが異常です(AIFF)";
constexpr const char* kNoChunk = "データが異常です(Chunkが見つかりません)";
constexpr const char* kNotSupported = "このフォーマットはサポートされていません";
constexpr const char* kAuNotSupported = "この形式はサポートしていません";
// Formats libsndfile reads but the document cannot hold (FileImportTest.cpp has the formats it
// converts).
constexpr const char* kThreeChannels =
    "3チャンネルのファイルは開けません（モノラルとステレオのみ）";

struct Rate {
    std::uint16_t channels;
    std::uint16_t bits;
    std::uint32_t hz;
};

struct MalformedCase {
    const char* name;
    const char* extension;
    Bytes file;
    std::vector<const char*> messages; // each with caption "ファイルを開く" and a warning icon
    int result;                        // 0: refused, and the document stays exactly as it was
    std::optional<Rate> format;        // the format loaded; none: the format before
    std::optional<Bytes> samples;      // the samples loaded; none: no samples
};

void PrintTo(const MalformedCase& c, std::ostream* os) {
    *os << c.name;
}

// Pieces of well-formed files.
const Bytes kFmt8 = WaveFormatChunk(1, 1, 8000, 1, 8);
const Bytes kFmt16 = WaveFormatChunk(1, 2, 8000, 4, 16);
const Bytes kData5 = Chunk("data", {1, 2, 3, 4, 5}, true);
const Bytes kRate8000 = Extended({0x40, 0x0B, 0xFA});
const Bytes kComm8 = CommChunk(1, 5, 8, kRate8000);
const Bytes kSsnd5 = SsndChunk({0x81, 0x82, 0x00, 0x01, 0x7F});
const Bytes kLoaded5 = {1, 2, 3, 4, 5};
const Rate k8000Mono8{1, 8, 8000};

Bytes Join(std::initializer_list<Bytes> parts) {
    ByteWriter w;
    for (const auto& p : parts) {
        w.Append(p);
    }
    return w.bytes;
}

Bytes Text(const char* text) {
    return ByteWriter().Text(text).bytes;
}

std::vector<MalformedCase> WaveCases() {
    const auto refused = [](const char* name, const Bytes& fmt) {
        return MalformedCase{
            name,         "wav",       RiffWave(Join({fmt, kData5})), {kNotSupported, kCorrupt}, 0,
            std::nullopt, std::nullopt};
    };
    return {
        {"empty", "wav", {}, {kRiff}, 0, std::nullopt, std::nullopt},
        {"junk",
         "wav",
         Text("this is no sound file at all"),
         {kRiff},
         0,
         std::nullopt,
         std::nullopt},
        {"riff_only", "wav", Text("RIFF"), {kWave}, 0, std::nullopt, std::nullopt},
        {"avi_form",
         "wav",
         Text("RIFF\x04\x01\x01\x01"
              "AVI "),
         {kWave},
         0,
         std::nullopt,
         std::nullopt},
        {"no_chunks", "wav", RiffWave({}), {kCorrupt}, 0, std::nullopt, std::nullopt},
        {"ends_after_fmt", "wav", RiffWave(kFmt8), {kCorrupt}, 0, std::nullopt, std::nullopt},
        {"truncated_fmt",
         "wav",
         RiffWave(ByteWriter().Text("fmt ").Le32(16).Raw({1, 0, 1, 0}).bytes),
         {kNotSupported, kCorrupt},
         0,
         std::nullopt,
         std::nullopt},
        refused("extensible", WaveFormatChunk(0xFFFE, 2, 44100, 4, 16)),
        refused("zero_channels", WaveFormatChunk(1, 0, 8000, 1, 8)),
        refused("zero_block_align", WaveFormatChunk(1, 1, 8000, 0, 8)),
        refused("zero_rate", WaveFormatChunk(1, 1, 0, 1, 8)),
        refused("zero_bits", WaveFormatChunk(1, 1, 8000, 1, 0)),
        refused("block_align_too_small", WaveFormatChunk(1, 2, 8000, 2, 16)),
        // A second of it would be more bytes than 32 bits count (the AIFF and AU readers
        // refuse such a rate too).
        refused("second_too_large", WaveFormatChunk(1, 2, 1073741824, 4, 16)),
        // Deeper PCM goes through libsndfile: 5 bytes hold no whole 24-bit stereo frame.
        {"pcm_24",
         "wav",
         RiffWave(Join({WaveFormatChunk(1, 2, 8000, 6, 24), kData5})),
         {},
         1,
         Rate{2, 16, 8000},
         Bytes{}},
        {"three_channels",
         "wav",
         RiffWave(Join({WaveFormatChunk(1, 3, 8000, 3, 8), kData5})),
         {kThreeChannels},
         0,
         std::nullopt,
         std::nullopt},
        {"data_past_end",
         "wav",
         RiffWave(Join({kFmt16, ByteWriter().Text("data").Le32(1000).Fill(10, 7).bytes})),
         {},
         1,
         Rate{2, 16, 8000},
         Bytes(8, 7)},
        {"data_size_all_ones",
         "wav",
         RiffWave(
             Join({kFmt8, ByteWriter().Text("data").Le32(0xFFFFFFFF).Raw({1, 2, 3, 4, 5}).bytes})),
         {},
         1,
         k8000Mono8,
         kLoaded5},
        {"partial_frame",
         "wav",
         RiffWave(Join({kFmt16, Chunk("data", Bytes(6, 9), true)})),
         {},
         1,
         Rate{2, 16, 8000},
         Bytes(4, 9)},
        {"odd_list_first",
         "wav",
         RiffWave(Join({Chunk("LIST", {'a', 'b', 'c'}, true), kFmt8, kData5})),
         {},
         1,
         k8000Mono8,
         kLoaded5},
        {"odd_chunk_unpadded",
         "wav",
         RiffWave(Join({Chunk("LIST", {'a', 'b', 'c'}, true, false), kFmt8, kData5})),
         {kCorrupt},
         0,
         std::nullopt,
         std::nullopt},
        {"data_before_fmt", "wav", RiffWave(Join({kData5, kFmt8})), {}, 1, k8000Mono8, kLoaded5},
        {"tags_past_end",
         "wav",
         RiffWave(Join({kFmt8, kData5,
                        ByteWriter().Text("LIST").Le32(~0u).Text("INFOINAM").Le32(~0u).bytes})),
         {},
         1,
         k8000Mono8,
         kLoaded5},
        {"two_data",
         "wav",
         RiffWave(Join({kFmt8, Chunk("data", {9, 9}, true), kData5})),
         {},
         1,
         k8000Mono8,
         kLoaded5},
        {"huge_chunk_first",
         "wav",
         RiffWave(Join({ByteWriter().Text("junk").Le32(0xFFFFFFFF).bytes, kFmt8, kData5})),
         {kCorrupt},
         0,
         std::nullopt,
         std::nullopt},
        {"huge_odd_data_last",
         "wav",
         RiffWave(Join({kFmt8, ByteWriter().Text("data").Le32(0xFFFFFFFF).Raw({1}).bytes})),
         {},
         1,
         k8000Mono8,
         Bytes{1}},
    };
}

std::vector<MalformedCase> AiffCases() {
    const auto refused = [](const char* name, const Bytes& comm) {
        return MalformedCase{
            name,         "aiff",      FormAiff(Join({comm, kSsnd5})), {kNotSupported, kNoChunk}, 0,
            std::nullopt, std::nullopt};
    };
    return {
        {"empty", "aiff", {}, {kForm}, 0, std::nullopt, std::nullopt},
        {"junk", "aiff", Text("FOR sure not a sound"), {kForm}, 0, std::nullopt, std::nullopt},
        {"form_only", "aiff", Text("FORM"), {kAiff}, 0, std::nullopt, std::nullopt},
        {"compressed_form",
         "aif",
         ByteWriter().Text("FORM").Be32(4).Text("AIFC").bytes,
         {kAiff},
         0,
         std::nullopt,
         std::nullopt},
        {"no_chunks", "aiff", FormAiff({}), {kNoChunk}, 0, std::nullopt, std::nullopt},
        {"ssnd_before_comm",
         "aiff",
         FormAiff(Join({kSsnd5, kComm8})),
         {kNoChunk},
         0,
         std::nullopt,
         std::nullopt},
        refused("zero_channels", CommChunk(0, 5, 8, kRate8000)),
        refused("zero_bits", CommChunk(1, 5, 0, kRate8000)),
        refused("forty_bits", CommChunk(1, 5, 40, kRate8000)),
        refused("zero_rate", CommChunk(1, 5, 8, Extended({}))),
        refused("below_one_hz", CommChunk(1, 5, 8, Extended({0x3F, 0xFE, 0x80}))),
        refused("negative_rate", CommChunk(1, 5, 8, Extended({0xC0, 0x0B, 0xFA}))),
        refused("infinite_rate", CommChunk(1, 5, 8, Extended({0x7F, 0xFF}))),
        refused("nan_rate", CommChunk(1, 5, 8, Extended({0x7F, 0xFF, 0xC0, 0, 0, 0, 0, 0, 0, 1}))),
        refused("rate_beyond_32_bits", CommChunk(1, 5, 8, Extended({0x40, 0x3F, 0x80}))),
        refused("frame_too_wide", CommChunk(40000, 5, 16, kRate8000)),
        {"truncated_comm",
         "aiff",
         FormAiff(ByteWriter().Text("COMM").Be32(18).Raw({0, 1, 0, 0}).bytes),
         {kNotSupported, kNoChunk},
         0,
         std::nullopt,
         std::nullopt},
        {"frames_past_end",
         "aiff",
         FormAiff(Join({CommChunk(1, 1000, 16, kRate8000), SsndChunk({0, 1, 0x80, 0, 0xFF})})),
         {},
         1,
         Rate{1, 16, 8000},
         Bytes({1, 0, 0, 0x80, 0, 0xFF})},
        // Samples the editor would read as silence: refused, not opened as a flat line.
        {"all_frames_of_all_channels",
         "aiff",
         FormAiff(Join({CommChunk(65535, 0xFFFFFFFF, 8, kRate8000), kSsnd5})),
         {kNotSupported},
         0,
         std::nullopt,
         std::nullopt},
        {"three_channels",
         "aiff",
         FormAiff(Join({CommChunk(3, 1, 16, kRate8000), kSsnd5})),
         {kThreeChannels},
         0,
         std::nullopt,
         std::nullopt},
        {"huge_chunk_before_ssnd",
         "aiff",
         FormAiff(Join({kComm8, ByteWriter().Text("junk").Be32(0xFFFFFFFF).bytes, kSsnd5})),
         {kNoChunk},
         0,
         std::nullopt,
         std::nullopt},
        {"ssnd_offset_past_end",
         "aiff",
         FormAiff(Join({kComm8, ByteWriter().Text("SSND").Be32(8).Be32(0xFFFFFFFF).Be32(0).bytes})),
         {},
         1,
         k8000Mono8,
         Bytes{}},
        {"odd_chunk_padded",
         "aiff",
         FormAiff(Join({Chunk("ANNO", {'h', 'i', '!'}, false), kComm8, kSsnd5})),
         {},
         1,
         k8000Mono8,
         Bytes({1, 2, 0x80, 0x81, 0xFF})},
    };
}

std::vector<MalformedCase> AuCases() {
    const Bytes codes = {0xFF, 0x80, 0x00, 0x7E};
    const Bytes decoded = {0x00, 0x00, 0x7C, 0x7D, 0x84, 0x82, 0xF8, 0xFF}; // 0, 32124, -32124, -8
    const Rate mono{1, 16, 8000};
    const auto refused = [&](const char* name, std::uint32_t encoding, std::uint32_t rate,
                             std::uint32_t channels) {
        return MalformedCase{name,
                             "au",
                             AuFile(32, 4, encoding, rate, channels, codes),
                             {kAuNotSupported},
                             0,
                             std::nullopt,
                             std::nullopt};
    };
    return {
        {"empty", "au", {}, {kRiff}, 0, std::nullopt, std::nullopt},
        {"junk", "au", Text("no magic in here, none"), {kRiff}, 0, std::nullopt, std::nullopt},
        {"truncated_header",
         "au",
         ByteWriter().Text(".snd").Be32(32).Be32(4).bytes,
         {kRiff},
         0,
         std::nullopt,
         std::nullopt},
        refused("zero_channels", 1, 8000, 0),
        refused("zero_rate", 1, 0, 1),
        refused("too_many_channels", 1, 8000, 40000),
        {"three_channels",
         "au",
         AuFile(32, 4, 1, 8000, 3, codes),
         {kThreeChannels},
         0,
         std::nullopt,
         std::nullopt},
        {"annotation_16", "au", AuFile(40, 4, 1, 8000, 1, codes, 16), {}, 1, mono, decoded},
        {"size_past_end", "au", AuFile(32, 100, 1, 8000, 1, codes), {}, 1, mono, decoded},
        {"size_unknown", "au", AuFile(32, 0xFFFFFFFF, 1, 8000, 1, codes), {}, 1, mono, decoded},
        {"offset_past_end", "au", AuFile(0xFFFFFFF0, 4, 1, 8000, 1, codes), {}, 1, mono, Bytes{}},
        {"stereo_odd_codes",
         "au",
         AuFile(32, 5, 1, 8000, 2, Join({codes, {0x80}})),
         {},
         1,
         Rate{2, 16, 8000},
         decoded},
    };
}

class Malformed : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(Malformed, FailsCleanlyOrLoadsWhatIsThere) {
    const MalformedCase& c = GetParam();
    TestApp t;
    // The sound before the open: 50 frames of 16-bit stereo, cursor and anchor at frame 40.
    t.SetSound(16, 2, 50, TestSignal, 44100);
    SoundDocument& doc = t.app.doc;
    doc.cursor = doc.anchor = 160;
    doc.modified = true;
    const SoundFormat before = doc.format;
    const Bytes samplesBefore = DocumentBytes(doc);
    const std::string path = t.dir.File(std::string(c.name) + "." + c.extension);
    WriteFile(path, c.file);
    // Asked for by fuzz/seed_corpus.sh: the case also seeds the fuzz targets' corpus.
    if (const char* corpus = std::getenv("WT_FUZZ_SEED_FOLDER")) {
        WriteFile(std::string(corpus) + "/" + c.extension + "_" + c.name, c.file);
    }

    const std::string titleBefore = doc.title;
    EXPECT_EQ(LoadSoundFile(t.app, path), c.result);

    ASSERT_EQ(t.host.messages.size(), c.messages.size());
    for (std::size_t i = 0; i < c.messages.size(); ++i) {
        EXPECT_EQ(t.host.messages[i].text, c.messages[i]);
        EXPECT_EQ(t.host.messages[i].caption, "ファイルを開く");
        EXPECT_EQ(t.host.messages[i].flags, mb::Ok | mb::IconWarning);
    }
    if (c.result == 0) {
        // A refused file changes nothing: the sound, its name and its state stay.
        EXPECT_EQ(doc.title, titleBefore);
        EXPECT_EQ(doc.format, before);
        EXPECT_EQ(DocumentBytes(doc), samplesBefore);
        EXPECT_TRUE(doc.modified);
        EXPECT_EQ(doc.cursor, 160);
        return;
    }
    EXPECT_EQ(doc.title, path);
    if (c.format) {
        EXPECT_EQ(doc.format.channels, c.format->channels);
        EXPECT_EQ(doc.format.bitsPerSample, c.format->bits);
        EXPECT_EQ(doc.format.sampleRate, c.format->hz);
    }
    EXPECT_EQ(DocumentBytes(doc), c.samples.value_or(Bytes{}));
    EXPECT_FALSE(doc.modified);
    EXPECT_EQ(doc.selStart, 0);
    EXPECT_EQ(doc.selEnd, 0);
    EXPECT_EQ(doc.viewStart, 0);
    // Positions stay inside the sound, on frame boundaries.
    EXPECT_LE(doc.cursor, doc.byteLength);
    EXPECT_LE(doc.anchor, doc.byteLength);
    if (doc.format.blockAlign) {
        EXPECT_EQ(doc.cursor % doc.format.blockAlign, 0);
    }
    EXPECT_EQ(t.host.StatusText(1), std::to_string(doc.byteLength) + " Bytes");

    // Undo brings back the sound from before the open, with its name and modified mark.
    CmdUndo(t.app);
    EXPECT_EQ(doc.format, before);
    EXPECT_EQ(DocumentBytes(doc), samplesBefore);
    EXPECT_EQ(doc.cursor, 160);
    EXPECT_EQ(doc.title, titleBefore);
    EXPECT_TRUE(doc.modified);
}

std::string CaseName(const ::testing::TestParamInfo<MalformedCase>& info) {
    return std::string(info.param.extension) + "_" + info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Wave, Malformed, ::testing::ValuesIn(WaveCases()), CaseName);
INSTANTIATE_TEST_SUITE_P(Aiff, Malformed, ::testing::ValuesIn(AiffCases()), CaseName);
INSTANTIATE_TEST_SUITE_P(Au, Malformed, ::testing::ValuesIn(AuCases()), CaseName);

// A sound too large for memory: "not enough memory", and the document (name and type
// included) stays exactly as it was.
class OutOfMemory : public ::testing::TestWithParam<const char*> {};

TEST_P(OutOfMemory, KeepsTheDocumentAsItWas) {
    TestApp t;
    t.SetSound(16, 1, 3000, TestSignal, 8000);
    const std::string source = t.dir.File(std::string("big.") + GetParam());
    t.app.doc.title = source;
    ASSERT_EQ(SaveSoundFile(t.app, FileTypeNone), 1);
    t.SetSound(8, 1, 100, TestSignal);
    SoundDocument& doc = t.app.doc;
    doc.title = "/music/current.wav";
    doc.fileType = FileTypeWav;
    doc.modified = true;
    doc.cursor = doc.selStart = 10;
    doc.selEnd = 20;
    const Bytes before = DocumentBytes(doc);

    AllocationLimit limit(4000); // the snapshot of 100 bytes fits, the sound does not
    EXPECT_EQ(LoadSoundFile(t.app, source), 0);
    ASSERT_EQ(t.host.messages.size(), 1u);
    EXPECT_EQ(t.host.messages[0].text, kTextOutOfMemory);
    EXPECT_EQ(t.host.messages[0].caption, "ファイルを開く");
    EXPECT_EQ(DocumentBytes(doc), before);
    EXPECT_EQ(doc.format.bitsPerSample, 8);
    EXPECT_EQ(doc.title, "/music/current.wav");
    EXPECT_EQ(doc.fileType, FileTypeWav);
    EXPECT_TRUE(doc.modified);
    EXPECT_EQ(doc.selStart, 10);
    EXPECT_EQ(doc.selEnd, 20);
}

INSTANTIATE_TEST_SUITE_P(EveryReader, OutOfMemory, ::testing::Values("wav", "aiff", "au"));

} // namespace
