#include "TestApp.h"

#include "commands/file/FileCommands.h"
#include "editor/DocumentUi.h"
#include "model/SoundDocument.h"

#include <gtest/gtest.h>

#include <vector>

using namespace wt;

namespace {

SoundDocument Doc(int bits, int channels) {
    SoundDocument d;
    d.format.bitsPerSample = static_cast<std::uint16_t>(bits);
    d.format.channels = static_cast<std::uint16_t>(channels);
    d.format.blockAlign = static_cast<std::uint16_t>(bits / 8 * channels);
    d.RecomputeBytesPerSample();
    return d;
}

struct EightBitCase {
    std::uint8_t stored;
    int read;
};

TEST(SampleAccess, EightBitReadsOnTheSixteenBitScale) {
    const SoundDocument d = Doc(8, 1);
    for (const auto& c :
         std::vector<EightBitCase>{{0, -32768}, {128, 0}, {255, 32512}, {1, -32512}}) {
        std::uint8_t frame[4] = {c.stored, 0, 0, 0};
        EXPECT_EQ(ReadSample(d, frame, 0), c.read) << "byte " << int(c.stored);
    }
}

struct WriteCase {
    int bits;
    int value;
    int storedLimited; // byte or int16 stored by WriteSampleLimited with peak 0
    int storedPlain;   // stored by WriteSample
};

TEST(SampleAccess, WritesWrapWithoutClippingAndLimitedWritesClip) {
    const std::vector<WriteCase> cases = {
        {8, 32767, 255, 255},       {8, -32768, 0, 0},        {8, -1, 127, 127},
        {8, -256, 127, 127},        {8, 255, 128, 128},       {8, 40000, 255, 28},
        {16, 32768, 32767, -32768}, {16, 70000, 32767, 4464}, {16, -40000, -32768, 25536},
    };
    for (const auto& c : cases) {
        SoundDocument d = Doc(c.bits, 1);
        std::uint8_t frame[4] = {0, 0, 0, 0};
        WriteSample(d, frame, c.value, 0);
        const int plain =
            c.bits == 8 ? frame[0] : static_cast<std::int16_t>(frame[0] | frame[1] << 8);
        EXPECT_EQ(plain, c.storedPlain) << c.bits << "-bit write of " << c.value;
        d.peak = 0;
        WriteSampleLimited(d, frame, c.value, 0);
        const int limited =
            c.bits == 8 ? frame[0] : static_cast<std::int16_t>(frame[0] | frame[1] << 8);
        EXPECT_EQ(limited, c.storedLimited) << c.bits << "-bit limited write of " << c.value;
    }
}

TEST(SampleAccess, EveryEightBitByteSurvivesReadAndWriteBack) {
    const SoundDocument d = Doc(8, 1);
    for (int b = 0; b < 256; ++b) {
        std::uint8_t frame[4] = {static_cast<std::uint8_t>(b), 0, 0, 0};
        WriteSample(d, frame, ReadSample(d, frame, 0), 0);
        EXPECT_EQ(frame[0], b);
    }
}

TEST(SampleAccess, LimitedWriteScalesByTrackedPeak) {
    SoundDocument d = Doc(16, 2);
    TrackPeak(d, -2 * 32767);
    TrackPeak(d, 1000);
    ASSERT_EQ(d.peak, 2 * 32767);
    std::int16_t frame[2] = {0, 0};
    auto* p = reinterpret_cast<std::uint8_t*>(frame);
    WriteSampleLimited(d, p, 2 * 32767, 0);
    WriteSampleLimited(d, p, -2 * 32767, 1);
    EXPECT_EQ(frame[0], 32767);
    EXPECT_EQ(frame[1], -32767);
    // Values far beyond the 16-bit range with an equally large peak scale without overflow.
    d.peak = 1000000;
    WriteSampleLimited(d, p, 1000000, 0);
    EXPECT_EQ(frame[0], 32767);
    ResetPeak(d);
    EXPECT_EQ(d.peak, 0);
}

TEST(SampleAccess, ChannelsAreAddressedBySampleWidthAndOtherDepthsReadSilence) {
    SoundDocument d = Doc(16, 2);
    std::int16_t frame[2] = {-5, 7};
    auto* p = reinterpret_cast<std::uint8_t*>(frame);
    EXPECT_EQ(ReadSample(d, p, 0), -5);
    EXPECT_EQ(ReadSample(d, p, 1), 7);
    d = Doc(24, 1);
    std::uint8_t bytes[4] = {1, 2, 3, 0};
    EXPECT_EQ(ReadSample(d, bytes, 0), 0);
    WriteSample(d, bytes, 12345, 0);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[2], 3);
}

TEST(SampleAccess, BoundedReadIsSilentOutsideTheBlock) {
    const SoundDocument d = Doc(16, 1);
    // The block is the middle of a larger buffer, so reads just outside it stay in memory.
    std::int16_t buffer[8] = {99, 99, 11, 22, 33, 44, 99, 99};
    auto* start = reinterpret_cast<const std::uint8_t*>(buffer + 2);
    EXPECT_EQ(ReadSampleBounded(d, start, 8, start, 0), 11);
    EXPECT_EQ(ReadSampleBounded(d, start, 8, start + 6, 0), 44);
    EXPECT_EQ(ReadSampleBounded(d, start, 8, start + 8, 0), 0);
    EXPECT_EQ(ReadSampleBounded(d, start + 2, 6, start, 0), 0);
}

TEST(SampleAccess, SelectAllIfNoneOnlyWidensAnEmptySelection) {
    SoundDocument d = Doc(8, 1);
    EXPECT_EQ(SelectAllIfNone(d), 1);
    EXPECT_EQ(d.selStart, 0);
    EXPECT_EQ(d.selEnd, 0);
    d.byteLength = 100;
    d.selStart = d.selEnd = 40;
    SelectAllIfNone(d);
    EXPECT_EQ(d.selStart, 0);
    EXPECT_EQ(d.selEnd, 100);
    d.selStart = 10;
    d.selEnd = 20;
    SelectAllIfNone(d);
    EXPECT_EQ(d.selStart, 10);
    EXPECT_EQ(d.selEnd, 20);
}

TEST(SampleAccess, PixelConversionTruncatesTowardZero) {
    SoundDocument d = Doc(16, 2);
    d.zoomIndex = 5;
    d.framesPerPixel = ZoomTable[5];
    d.viewStart = 400;
    EXPECT_EQ(PixelToOffset(d, 0), 400);
    EXPECT_EQ(OffsetToPixel(d, 400), 0);
    EXPECT_EQ(PixelToOffset(d, 1) - PixelToOffset(d, 0), 4); // one 16-bit stereo frame
    EXPECT_EQ(OffsetToPixel(d, 404), 1);
    d.framesPerPixel = 256;
    // A frame less than a column left of the view maps to column 0, not -1.
    EXPECT_EQ(OffsetToPixel(d, 396), 0);
    EXPECT_EQ(OffsetToPixel(d, 400 - 4 * 256), -1);
    EXPECT_EQ(OffsetToPixel(d, 400 + 4 * 256 * 3 + 4), 3);
    EXPECT_EQ(PixelToOffset(d, 3), 400 + 3 * 256 * 4);
}

TEST(SampleAccess, MoveBytesHandlesOverlapInBothDirections) {
    std::vector<std::uint8_t> a = {1, 2, 3, 4, 5, 6, 7, 8};
    MoveBytes(a.data() + 2, a.data(), 5);
    EXPECT_EQ(a, (std::vector<std::uint8_t>{1, 2, 1, 2, 3, 4, 5, 8}));
    std::vector<std::uint8_t> b = {1, 2, 3, 4, 5, 6, 7, 8};
    MoveBytes(b.data(), b.data() + 3, 5);
    EXPECT_EQ(b, (std::vector<std::uint8_t>{4, 5, 6, 7, 8, 6, 7, 8}));
}

TEST(DocumentUi, StatusTextsNameRateBitsChannelsAndLength) {
    test::TestApp t;
    EXPECT_EQ(t.host.StatusText(0), "22050Hz 8Bits Mono");
    EXPECT_EQ(t.host.StatusText(1), "0 Bytes");
    t.SetSound(
        16, 2, 10, [](int, int) { return 0; }, 44100);
    ShowFormatStatus(t.app);
    EXPECT_EQ(t.host.StatusText(0), "44100Hz 16Bits Stereo");
    EXPECT_EQ(t.host.StatusText(1), "40 Bytes");
    t.app.doc.format.channels = 3;
    ShowFormatStatus(t.app);
    EXPECT_EQ(t.host.StatusText(0), "44100Hz 16Bits 3ch");
}

TEST(DocumentUi, RequireSelectionComplainsOnlyWithoutARange) {
    test::TestApp t;
    EXPECT_EQ(RequireSelection(t.app), 0);
    ASSERT_EQ(t.host.messages.size(), 1u);
    EXPECT_EQ(t.host.messages[0].text, "範囲が選択されていません");
    EXPECT_EQ(t.host.messages[0].caption, "WAVE Tomuka");
    EXPECT_EQ(t.host.messages[0].flags & mb::IconMask, mb::IconInformation);
    t.app.doc.selEnd = 1;
    EXPECT_EQ(RequireSelection(t.app), 1);
    EXPECT_EQ(t.host.messages.size(), 1u);
}

TEST(DocumentUi, DiscardPromptAnswers) {
    test::TestApp t;
    EXPECT_EQ(ConfirmDiscardChanges(t.app), 1);
    EXPECT_TRUE(t.host.messages.empty()) << "no prompt while unmodified";

    t.app.doc.modified = true;
    t.host.QueueAnswer(IdNo);
    EXPECT_EQ(ConfirmDiscardChanges(t.app), 1);
    ASSERT_EQ(t.host.messages.size(), 1u);
    EXPECT_EQ(t.host.messages[0].text, "[無題]は変更されています\n保存しますか?");
    EXPECT_EQ(t.host.messages[0].caption, "WaveTomuka");
    EXPECT_EQ(t.host.messages[0].flags, mb::YesNoCancel | mb::IconQuestion);

    t.host.QueueAnswer(IdCancel);
    EXPECT_EQ(ConfirmDiscardChanges(t.app), 0);

    // Yes saves; an untitled sound goes to save-as, and cancelling that dialog stops the caller.
    t.host.QueueAnswer(IdYes);
    EXPECT_EQ(ConfirmDiscardChanges(t.app), 0);
    ASSERT_FALSE(t.host.fileRequests.empty());
    EXPECT_EQ(t.host.fileRequests.back().path, "Noname.wav");
}

TEST(DocumentUi, SampleBlockReportsAllocationFailureAndKeepsItsBytes) {
    SampleBlock block;
    ASSERT_TRUE(block.Resize(8));
    block.Data()[7] = 42;
    SampleBlock::SetAllocationLimitForTesting(1024);
    EXPECT_FALSE(block.Resize(4096));
    SampleBlock::SetAllocationLimitForTesting(0);
    EXPECT_EQ(block.Size(), 8u);
    EXPECT_EQ(block.Data()[7], 42);
}

} // namespace
