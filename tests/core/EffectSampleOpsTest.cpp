// The effects' local sample operations give exactly what the document's primitives give.
#include "model/SampleOps.h"
#include "model/SoundDocument.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

using namespace wt;

namespace {

SoundDocument Layout(int bits, int channels) {
    SoundDocument doc;
    doc.format.channels = static_cast<std::uint16_t>(channels);
    doc.format.bitsPerSample = static_cast<std::uint16_t>(bits);
    doc.format.blockAlign = static_cast<std::uint16_t>((bits + 7) / 8 * channels);
    doc.RecomputeBytesPerSample();
    return doc;
}

struct LayoutCase {
    int bits;
    int channels;
};

class EffectSampleOps : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(EffectSampleOps, MatchTheDocumentPrimitivesForEveryValue) {
    SoundDocument doc = Layout(GetParam().bits, GetParam().channels);
    WithSampleOps(doc, [&](const auto ops) {
        const int channel = GetParam().channels - 1;
        std::array<std::uint8_t, 8> frame{}, expected{}, actual{};
        // Every stored 8- or 16-bit pattern reads the same.
        for (int pattern = 0; pattern < 65536; ++pattern) {
            frame.fill(0xA5);
            frame[static_cast<std::size_t>(channel * doc.bytesPerSample)] =
                static_cast<std::uint8_t>(pattern);
            frame[static_cast<std::size_t>(channel * doc.bytesPerSample + 1)] =
                static_cast<std::uint8_t>(pattern >> 8);
            ASSERT_EQ(ops.Read(frame.data(), channel), ReadSample(doc, frame.data(), channel))
                << pattern;
        }
        // Every value an effect may store, in range or wrapping, and through the limiter with
        // peaks below, at and above full scale.
        for (int value = -140000; value <= 140000; value += 7) {
            expected.fill(0x5A);
            actual.fill(0x5A);
            WriteSample(doc, expected.data(), value, channel);
            ops.Write(actual.data(), value, channel);
            ASSERT_EQ(actual, expected) << value;
            for (int peak : {0, 32767, 32768, 40000, 65534, 140000}) {
                doc.peak = peak;
                WriteSampleLimited(doc, expected.data(), value, channel);
                ops.WriteLimited(actual.data(), value, channel, peak);
                ASSERT_EQ(actual, expected) << value << " with peak " << peak;
                int tracked = peak;
                TrackPeak(doc, value);
                TrackPeakIn(tracked, value);
                ASSERT_EQ(tracked, doc.peak);
            }
        }
    });
}

TEST_P(EffectSampleOps, BoundedReadsAreZeroOutsideTheBlock) {
    SoundDocument doc = Layout(GetParam().bits, GetParam().channels);
    WithSampleOps(doc, [&](const auto ops) {
        std::array<std::uint8_t, 16> block;
        block.fill(0x37);
        const std::uint8_t* start = block.data() + 4;
        const int length = 8;
        for (int offset = -4; offset <= 8; ++offset) {
            const std::uint8_t* frame = start + offset;
            EXPECT_EQ(ops.ReadBounded(start, length, frame, 0),
                      ReadSampleBounded(doc, start, length, frame, 0))
                << offset;
        }
        EXPECT_EQ(ops.ReadBounded(start, length, start + length, 0), 0);
        EXPECT_NE(ops.ReadBounded(start, length, start, 0), 0);
    });
}

INSTANTIATE_TEST_SUITE_P(Layouts, EffectSampleOps,
                         ::testing::Values(LayoutCase{8, 1}, LayoutCase{8, 2}, LayoutCase{16, 1},
                                           LayoutCase{16, 2}));

TEST(EffectSampleOpsOtherDepths, ReadZeroAndWriteNothing) {
    SoundDocument doc = Layout(24, 1);
    std::array<std::uint8_t, 4> frame{1, 2, 3, 4};
    int calls = 0;
    WithSampleOps(doc, [&](const auto ops) {
        ++calls;
        EXPECT_EQ(ops.Read(frame.data(), 0), ReadSample(doc, frame.data(), 0));
        EXPECT_EQ(ops.Read(frame.data(), 0), 0);
        ops.Write(frame.data(), 12345, 0);
        ops.WriteLimited(frame.data(), 12345, 0, 40000);
    });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(frame, (std::array<std::uint8_t, 4>{1, 2, 3, 4}));
}

} // namespace
