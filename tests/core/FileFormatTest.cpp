// The WAV, AIFF and AU writers and readers against each other and against the layouts they
// promise: round trips over every format the editor creates, header bytes, the extended rate
// numbers and the mu-law code.
#include "FileTestSupport.h"

#include "commands/file/FileCommands.h"
#include "commands/file/SoundFiles.h"
#include "editor/CommandIds.h"
#include "model/MuLaw.h"
#include "window/MainWindow.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace wt;
using namespace wt::test;

namespace {

struct Container {
    const char* extension;
    int fileType;
    std::size_t headerBytes;
};
const Container kWav{"wav", FileTypeWav, 44};
const Container kAiff{"aiff", FileTypeAiff, 54};

using RoundTripParam = std::tuple<Container, int, int, std::uint32_t>; // container, bits, ch, Hz

class RoundTrip : public ::testing::TestWithParam<RoundTripParam> {};

TEST_P(RoundTrip, ReadsBackTheSameBytesFormatAndLength) {
    const auto [container, bits, channels, rate] = GetParam();
    TestApp t;
    // An odd frame count: 8-bit mono data then has an odd length (no pad in WAV, a pad in AIFF).
    t.SetSound(bits, channels, 1001, TestSignal, rate);
    const SoundFormat format = t.app.doc.format;
    const Bytes samples = DocumentBytes(t.app.doc);
    const std::string path = t.dir.File("take." + std::string(container.extension));
    t.app.doc.title = path;
    t.app.doc.modified = true;

    ASSERT_EQ(SaveSoundFile(t.app, container.fileType), 1);
    EXPECT_FALSE(t.app.doc.modified);
    const std::size_t pad = container.fileType == FileTypeAiff ? samples.size() % 2 : 0;
    EXPECT_EQ(ReadFile(path).size(), container.headerBytes + samples.size() + pad);

    t.SetSound(8, 1, 3, [](int, int) { return 0; }); // something else in between
    ASSERT_EQ(LoadSoundFile(t.app, path), 1);
    EXPECT_EQ(t.app.doc.format, format);
    EXPECT_EQ(t.app.doc.byteLength, static_cast<std::int32_t>(samples.size()));
    EXPECT_EQ(DocumentBytes(t.app.doc), samples);
    EXPECT_EQ(t.app.doc.bytesPerSample, bits / 8);
    EXPECT_TRUE(t.host.messages.empty());
}

std::string RoundTripName(const ::testing::TestParamInfo<RoundTripParam>& info) {
    const auto& [container, bits, channels, rate] = info.param;
    return std::string(container.extension) + "_" + std::to_string(rate) + "_" +
           std::to_string(channels) + "_" + std::to_string(bits);
}

INSTANTIATE_TEST_SUITE_P(AllEditorFormats, RoundTrip,
                         ::testing::Combine(::testing::Values(kWav, kAiff),
                                            ::testing::Values(8, 16), ::testing::Values(1, 2),
                                            ::testing::Values(8000u, 11025u, 22050u, 44100u)),
                         RoundTripName);

TEST(WaveLayout, OddEightBitMonoHasNoPadAndTheEmptySoundIsAHeader) {
    TestApp t;
    t.SetSound(8, 1, 3, [](int f, int) { return (f + 1) * 256; });
    t.app.doc.title = t.dir.File("odd.wav");
    ASSERT_EQ(SaveWaveFile(t.app), 1);
    const Bytes expected = RiffWave(ByteWriter()
                                        .Append(WaveFormatChunk(1, 1, 22050, 1, 8))
                                        .Text("data")
                                        .Le32(3)
                                        .Raw({129, 130, 131})
                                        .bytes);
    EXPECT_EQ(ReadFile(t.app.doc.title), expected); // RIFF size 3 + 36 = 39

    t.SetSound(16, 2, 0, TestSignal);
    t.app.doc.title = t.dir.File("empty.wav");
    ASSERT_EQ(SaveWaveFile(t.app), 1);
    const Bytes file = ReadFile(t.app.doc.title);
    ASSERT_EQ(file.size(), 44u);
    EXPECT_EQ(file[4], 36);
    EXPECT_EQ(file[40], 0);
}

TEST(AiffLayout, OddEightBitMonoGetsAPadByte) {
    TestApp t;
    t.SetSound(8, 1, 3, [](int f, int) { return f == 0 ? -32768 : f * 256; });
    t.app.doc.title = t.dir.File("odd.aiff");
    ASSERT_EQ(SaveAiffFile(t.app), 1);
    const Bytes expected = ByteWriter()
                               .Text("FORM")
                               .Be32(50)
                               .Text("AIFF")
                               .Append(CommChunk(1, 3, 8, Extended({0x40, 0x0D, 0xAC, 0x44})))
                               .Text("SSND")
                               .Be32(11)
                               .Be32(0)
                               .Be32(0)
                               .Raw({0x80, 0x01, 0x02, 0x00})
                               .bytes;
    EXPECT_EQ(ReadFile(t.app.doc.title), expected);
}

TEST(AiffReader, WidensSampleSizesAndHonoursTheDataOffset) {
    TestApp t;
    const std::string path = t.dir.File("x.aif");
    // A 12-bit sound is stored in 16-bit containers; 22050.7 Hz becomes 22050 Hz; the SSND
    // offset of 4 skips four bytes before the samples.
    Bytes rate(10);
    DoubleToExtended(22050.7, rate.data());
    WriteFile(path,
              FormAiff(ByteWriter()
                           .Append(CommChunk(2, 2, 12, rate))
                           .Append(SsndChunk({0x7F, 0xF0, 0x80, 0x00, 0x00, 0x10, 0xFF, 0xF0}, 4))
                           .bytes));
    ASSERT_EQ(LoadSoundFile(t.app, path), 1);
    const SoundFormat& f = t.app.doc.format;
    EXPECT_EQ(f.bitsPerSample, 16);
    EXPECT_EQ(f.sampleRate, 22050u);
    EXPECT_EQ(f.blockAlign, 4);
    EXPECT_EQ(f.bytesPerSecond, 88200u);
    EXPECT_EQ(DocumentBytes(t.app.doc), (Bytes{0xF0, 0x7F, 0x00, 0x80, 0x10, 0x00, 0xF0, 0xFF}));
}

TEST(AiffReader, ReportsProgressForEachSample) {
    TestApp t;
    t.SetSound(16, 2, 1000, TestSignal);
    t.app.doc.title = t.dir.File("p.aiff");
    ASSERT_EQ(SaveAiffFile(t.app), 1);
    const int pumpsBefore = t.host.pumpCalls;
    ASSERT_EQ(LoadSoundFile(t.app, t.app.doc.title), 1);
    // 2000 samples: every 200th progress call writes the percentage and pumps once.
    EXPECT_EQ(t.host.pumpCalls - pumpsBefore, 10);
    EXPECT_EQ(t.host.StatusText(0), "22050Hz 16Bits Stereo") << "the format replaces the progress";
}

// The progress pump of the AIFF reader lets pending messages through. A file dropped, a menu
// command or a close request arriving then must not replace, rename or free the document
// under the load: the file being loaded ends up as the document, under its own name.
TEST(AiffReader, MessagesDuringTheLoadLeaveItAlone) {
    TestApp t;
    t.SetSound(8, 1, 30, TestSignal, 8000);
    const std::string other = t.dir.File("other.wav");
    t.app.doc.title = other;
    ASSERT_EQ(SaveWaveFile(t.app), 1);
    t.SetSound(16, 2, 1000, TestSignal, 44100);
    const std::string path = t.dir.File("long.aiff");
    t.app.doc.title = path;
    ASSERT_EQ(SaveAiffFile(t.app), 1);
    const Bytes samples = DocumentBytes(t.app.doc);
    t.SetSound(16, 1, 5, TestSignal, 11025);
    t.app.doc.title = "/music/before.wav";

    int pumps = 0;
    t.host.onPump = [&] {
        switch (pumps++) {
        case 0:
            OnDropFiles(t.app, {other});
            break;
        case 1:
            DispatchCommand(t.app, IDM_NEW);
            break;
        case 2:
            MainWndProc(t.app, msg::Close, 0, 0);
            break;
        default:
            break;
        }
        return true;
    };
    EXPECT_EQ(LoadSoundFile(t.app, path), 1);
    t.host.onPump = nullptr;
    EXPECT_GE(pumps, 3);
    EXPECT_FALSE(t.host.destroyed);
    EXPECT_EQ(t.app.doc.title, path);
    EXPECT_EQ(t.app.doc.fileType, FileTypeAiff);
    EXPECT_EQ(t.app.doc.format.sampleRate, 44100u);
    EXPECT_EQ(DocumentBytes(t.app.doc), samples);
    EXPECT_TRUE(t.host.messages.empty());
    EXPECT_FALSE(t.app.busy) << "the gate opens again after the load";
}

struct ExtendedCase {
    double value;
    Bytes bytes;
};

TEST(Extended, ConvertsTheUsualRatesBothWays) {
    const ExtendedCase cases[] = {
        {8000, Extended({0x40, 0x0B, 0xFA})},
        {11025, Extended({0x40, 0x0C, 0xAC, 0x44})},
        {22050, Extended({0x40, 0x0D, 0xAC, 0x44})},
        {44100, Extended({0x40, 0x0E, 0xAC, 0x44})},
        {0, Extended({})},
        {1, Extended({0x3F, 0xFF, 0x80})},
        {-2, Extended({0xC0, 0x00, 0x80})},
        {22050.7, Extended({0x40, 0x0D, 0xAC, 0x45, 0x66, 0x66, 0x66, 0x66, 0x68, 0x00})},
    };
    for (const auto& c : cases) {
        Bytes written(10);
        DoubleToExtended(c.value, written.data());
        EXPECT_EQ(written, c.bytes) << c.value;
        EXPECT_DOUBLE_EQ(ExtendedToDouble(c.bytes.data()), c.value) << c.value;
    }
    // The all-ones exponent reads as infinity, and infinity writes it.
    EXPECT_EQ(ExtendedToDouble(Extended({0x7F, 0xFF, 0xC0}).data()), HUGE_VAL);
    EXPECT_EQ(ExtendedToDouble(Extended({0xFF, 0xFF}).data()), -HUGE_VAL);
    Bytes written(10);
    DoubleToExtended(HUGE_VAL, written.data());
    EXPECT_EQ(written, Extended({0x7F, 0xFF}));
    // Numbers far below the double's normal range keep their value.
    DoubleToExtended(1e-310, written.data());
    EXPECT_DOUBLE_EQ(ExtendedToDouble(written.data()), 1e-310);
}

TEST(MuLaw, DecodesAndEncodesTheNamedValues) {
    EXPECT_EQ(MuLawDecode(0xFF), 0);
    EXPECT_EQ(MuLawDecode(0x7F), 0);
    EXPECT_EQ(MuLawDecode(0x80), 32124);
    EXPECT_EQ(MuLawDecode(0x00), -32124);
    EXPECT_EQ(MuLawDecode(0x7E), -8);
    EXPECT_EQ(MuLawEncode(0), 0xFF);
    EXPECT_EQ(MuLawEncode(32767), 0x80);
    EXPECT_EQ(MuLawEncode(32635), 0x80);
    EXPECT_EQ(MuLawEncode(-32768), 0x02) << "the zero code is never written";
    EXPECT_EQ(MuLawEncode(-8), 0x7E);
    // Every code survives decoding and encoding, except the two the coder never produces.
    for (int code = 0; code < 256; ++code) {
        const int expected = code == 0x00 ? 0x02 : code == 0x7F ? 0xFF : code;
        EXPECT_EQ(MuLawEncode(MuLawDecode(static_cast<std::uint8_t>(code))), expected) << code;
    }
}

TEST(AuFiles, EveryCodeSurvivesALoadAndASave) {
    TestApp t;
    Bytes codes(256);
    for (int i = 0; i < 256; ++i) {
        codes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    }
    const std::string path = t.dir.File("codes.au");
    WriteFile(path, AuFile(32, 256, 1, 8000, 2, codes));
    ASSERT_EQ(LoadSoundFile(t.app, path), 1);
    EXPECT_EQ(t.app.doc.format.bitsPerSample, 16);
    EXPECT_EQ(t.app.doc.format.channels, 2);
    EXPECT_EQ(t.app.doc.byteLength, 512);
    EXPECT_EQ(ReadSample(t.app.doc, t.app.doc.Data() + 64 * 4, 0), 32124); // code 0x80

    ASSERT_EQ(SaveSoundFile(t.app, FileTypeAu), 1);
    EXPECT_TRUE(t.host.messages.empty()) << "8000 Hz is saved without a question";
    Bytes expected = codes;
    expected[0x00] = 0x02;
    expected[0x7F] = 0xFF;
    EXPECT_EQ(ReadFile(path), AuFile(32, 256, 1, 8000, 2, expected))
        << "both channels' codes, interleaved, and the size in bytes";
}

TEST(AuFiles, EightBitSoundsBecomeSixteenBitWithTheSameFrames) {
    TestApp t;
    t.SetSound(
        8, 1, 5, [](int f, int) { return (f - 2) * 8192; }, 8000);
    t.app.doc.title = t.dir.File("small.au");
    ASSERT_EQ(SaveAuFile(t.app), 1);
    ASSERT_EQ(LoadSoundFile(t.app, t.app.doc.title), 1);
    EXPECT_EQ(t.app.doc.format.bitsPerSample, 16);
    EXPECT_EQ(t.app.doc.format.channels, 1);
    EXPECT_EQ(t.app.doc.byteLength, 10);
    const int expected[] = {-16764, -8316, 0, 8316, 16764}; // the mu-law levels around them
    for (int f = 0; f < 5; ++f) {
        EXPECT_EQ(ReadSample(t.app.doc, t.app.doc.Data() + 2 * f, 0), expected[f]) << f;
    }
}

TEST(AuFiles, OtherRatesAskFirstAndCancelWritesNothing) {
    TestApp t;
    t.SetSound(16, 1, 10, TestSignal, 22050);
    t.app.doc.title = t.dir.File("voice.au");
    t.app.doc.modified = true;
    t.host.QueueAnswer(IdCancel);
    EXPECT_EQ(SaveAuFile(t.app), 0);
    ASSERT_EQ(t.host.messages.size(), 1u);
    EXPECT_EQ(t.host.messages[0].caption, "WaveTomuka");
    EXPECT_EQ(t.host.messages[0].flags, mb::OkCancel);
    EXPECT_EQ(t.host.messages[0].text,
              ".au(ulaw) ファイルで一般的に使用される 8KHzサンプリングではありません\n"
              "8KHzに変換するには[ファイル]-[フォーマット変換]を使用してください\n"
              "このまま保存してよろしいですか?");
    EXPECT_FALSE(std::filesystem::exists(t.app.doc.title));
    EXPECT_TRUE(t.app.doc.modified);

    EXPECT_EQ(SaveAuFile(t.app), 1) << "OK saves at 22050 Hz";
    EXPECT_EQ(ReadFile(t.app.doc.title).size(), 32u + 10u);
    EXPECT_FALSE(t.app.doc.modified);
}

} // namespace
