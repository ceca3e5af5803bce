// Format conversion against hand-computed frames, its refusals, and the format-conversion
// command: no undo snapshot, the document's new state, and the busy gate while it runs.
#include "TestApp.h"

#include "commands/file/FormatConversion.h"
#include "editor/CommandIds.h"
#include "window/MainWindow.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sys/mman.h>
#include <vector>

using namespace wt;

namespace {

SoundFormat Pcm(int bits, int channels, std::uint32_t rate) {
    const auto align = static_cast<std::uint16_t>(bits / 8 * channels);
    return {1,     static_cast<std::uint16_t>(channels), rate, rate * align,
            align, static_cast<std::uint16_t>(bits),     0};
}

// Interleaved values as stored bytes of `format` (8-bit: value / 256 + 128).
std::vector<std::uint8_t> Encode(const SoundFormat& format, const std::vector<int>& values) {
    std::vector<std::uint8_t> bytes;
    for (int v : values) {
        if (format.bitsPerSample == 8) {
            bytes.push_back(static_cast<std::uint8_t>(v / 256 + 128));
        } else {
            bytes.push_back(static_cast<std::uint8_t>(v & 0xFF));
            bytes.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
        }
    }
    return bytes;
}

struct ConversionCase {
    const char* name;
    SoundFormat from;
    std::vector<int> source; // interleaved values
    SoundFormat to;
    std::vector<std::uint8_t> expected; // the result's bytes
    int peak = 0;
};

void PrintTo(const ConversionCase& c, std::ostream* os) {
    *os << c.name;
}

class Conversion : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(Conversion, GivesTheHandComputedFrames) {
    const ConversionCase& c = GetParam();
    test::TestApp t;
    t.SetSound(
        16, 2, 3, [](int f, int ch) { return f * 10 + ch; }, 11025);
    const SoundFormat documentFormat = t.app.doc.format;
    const std::vector<std::uint8_t> documentBytes(t.app.doc.Data(),
                                                  t.app.doc.Data() + t.app.doc.byteLength);
    t.app.doc.peak = c.peak;
    const std::vector<std::uint8_t> source = Encode(c.from, c.source);

    SampleBlock result;
    std::int32_t length = -1;
    ASSERT_EQ(ConvertFormat(t.app, c.from, source.data(), static_cast<std::int64_t>(source.size()),
                            c.to, result, length),
              1);
    ASSERT_EQ(length, static_cast<std::int32_t>(c.expected.size()));
    EXPECT_EQ(result.Size(), c.expected.size() + 16);
    EXPECT_EQ(std::vector<std::uint8_t>(result.Data(), result.Data() + length), c.expected);
    // The document keeps its own format, depth and samples.
    EXPECT_EQ(t.app.doc.format, documentFormat);
    EXPECT_EQ(t.app.doc.bytesPerSample, 2);
    EXPECT_EQ(std::vector<std::uint8_t>(t.app.doc.Data(), t.app.doc.Data() + t.app.doc.byteLength),
              documentBytes);
    EXPECT_FALSE(t.app.busy);
    EXPECT_TRUE(t.host.messages.empty());
}

// 16-bit values are written little-endian; "W(v)" keeps the tables readable.
std::vector<std::uint8_t> W(std::initializer_list<int> values) {
    return Encode(Pcm(16, 1, 8000), values);
}

// clang-format off
const ConversionCase kConversionCases[] = {
    // High byte plus 128, no rounding: -1 -> 127, 255 -> 128, 256 -> 129.
    {"Mono16To8", Pcm(16, 1, 22050), {-1, 0, 32767, -32768, 256, 255}, Pcm(8, 1, 22050),
     {127, 128, 255, 0, 129, 128}},
    // 8 -> 16: (byte - 128) * 256 into both channels.
    {"Mono8ToStereo16", Pcm(8, 1, 8000), {-32768, 0, 32512}, Pcm(16, 2, 8000),
     W({-32768, -32768, 0, 0, 32512, 32512})},
    // Doubling the rate: odd frames are the means (toward zero), the last repeats its frame.
    {"Mono22050To44100", Pcm(16, 1, 22050), {100, 201, -50}, Pcm(16, 1, 44100),
     W({100, 150, 201, 75, -50, -50})},
    {"MeanTruncatesTowardZero", Pcm(16, 1, 22050), {-1, -2}, Pcm(16, 1, 44100),
     W({-1, -1, -2, -2})},
    // Halving a stereo rate keeps every second frame, unaveraged: L = 5 * 4 / 2 = 10, 3 frames.
    {"Stereo44100To22050", Pcm(16, 2, 44100), {1, -1, 2, -2, 3, -3, 4, -4, 5, -5},
     Pcm(16, 2, 22050), W({1, -1, 3, -3, 5, -5})},
    // Stereo to mono: (left + right) / 2 toward zero.
    {"StereoToMono", Pcm(16, 2, 8000), {3, -6, -3, 6, 32767, 32767, -32768, -32767},
     Pcm(16, 1, 8000), W({-1, 1, 32767, -32767})},
    {"StereoToMono8", Pcm(16, 2, 8000), {3, -6, 1000, 2000}, Pcm(8, 1, 8000), {127, 133}},
    // 3 frames at 11025 -> 8000: L = 3 * 2 * 8000 / 11025 = 4 (truncated), 2 frames; frame 1
    // sits at 1.378125: 1000 + 0.378125 * 1000 = 1378.
    {"Mono11025To8000", Pcm(16, 1, 11025), {0, 1000, 2000}, Pcm(16, 1, 8000), W({0, 1378})},
    // The destination may be any rate: 8000 -> 48000 puts 5 frames between two source frames.
    {"Mono8000To48000", Pcm(16, 1, 8000), {0, 601}, Pcm(16, 1, 48000),
     W({0, 100, 200, 300, 400, 500, 601, 601, 601, 601, 601, 601})},
    // Any source rate converts by the same arithmetic. 48000 -> 44100: L = 4 * 2 * 44100 /
    // 48000 = 7 (truncated), 4 frames at 0, 1.0884..., 2.1768..., 3.2653... (the last frame
    // repeated); 96000 -> 32000 stereo keeps every third frame.
    {"Mono48000To44100", Pcm(16, 1, 48000), {0, 1000, 2000, 3000}, Pcm(16, 1, 44100),
     W({0, 1088, 2176, 3000})},
    {"Stereo96000To32000", Pcm(16, 2, 96000), {1, -1, 2, -2, 3, -3, 4, -4, 5, -5, 6, -6},
     Pcm(16, 2, 32000), W({1, -1, 4, -4})},
    // A stereo source is not interpolated: 8000 -> 16000 repeats each frame.
    {"Stereo8000To16000", Pcm(16, 2, 8000), {10, 20, 30, 40}, Pcm(16, 2, 16000),
     W({10, 20, 10, 20, 30, 40, 30, 40})},
    // With the peak tracker above full scale the values are scaled by 32767 / peak.
    {"ScaledByThePeakTracker", Pcm(16, 1, 8000), {1000, -32768}, Pcm(16, 1, 8000),
     W({500, -16384}), 65534},
    {"EmptySource", Pcm(16, 2, 44100), {}, Pcm(8, 1, 8000), {}},
    // Bytes the sample operations do not write are silence, not whatever the memory held: a
    // third output channel of a stereo source, and every sample of a 24-bit output.
    {"StereoToThreeChannels", Pcm(16, 2, 8000), {1, 2}, Pcm(16, 3, 8000), W({1, 2, 0})},
    {"TwentyFourBitOutput", Pcm(16, 1, 8000), {5, 6}, Pcm(24, 1, 8000), {0, 0, 0, 0, 0, 0}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Cases, Conversion, ::testing::ValuesIn(kConversionCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Conversion, RefusesSourcesItCannotConvert) {
    struct Refusal {
        const char* name;
        SoundFormat from;
    };
    SoundFormat noChannels = Pcm(16, 1, 22050);
    noChannels.channels = 0;
    SoundFormat noFrameSize = Pcm(16, 1, 22050);
    noFrameSize.blockAlign = 0;
    const Refusal refusals[] = {
        {"24 bits", Pcm(24, 1, 44100)},    {"0 Hz", Pcm(16, 1, 0)},
        {"3 channels", Pcm(16, 3, 22050)}, {"0 channels", noChannels},
        {"block align 0", noFrameSize},
    };
    for (const Refusal& r : refusals) {
        test::TestApp t;
        const std::uint8_t source[12] = {};
        SampleBlock result;
        std::int32_t length = -1;
        EXPECT_EQ(
            ConvertFormat(t.app, r.from, source, sizeof source, Pcm(16, 1, 22050), result, length),
            0)
            << r.name;
        EXPECT_EQ(length, -1) << r.name;
        ASSERT_EQ(t.host.messages.size(), 1u) << r.name;
        EXPECT_EQ(t.host.messages[0].text, "このデータ形式からの変換はサポートされていません");
        EXPECT_EQ(t.host.messages[0].caption, "フォーマット変換");
        EXPECT_EQ(t.host.messages[0].flags, mb::Ok | mb::IconWarning);
    }
}

// 600 million 8-bit frames (untouched zero pages, never written) to 16-bit stereo at 1 Hz: the
// byte estimate's first product, 2.4e9, does not fit 32 bits. L = 600e6 * 4 * 1 / 8000 =
// 300000 bytes, 75000 frames, each the zero byte's value -32768.
TEST(Conversion, TheByteEstimateOfAHugeSourceDoesNotOverflow) {
    constexpr std::size_t kFrames = 600'000'000;
    void* source =
        mmap(nullptr, kFrames, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    ASSERT_NE(source, MAP_FAILED);
    test::TestApp t;
    SampleBlock result;
    std::int32_t length = 0;
    const int converted =
        ConvertFormat(t.app, Pcm(8, 1, 8000), static_cast<const std::uint8_t*>(source), kFrames,
                      Pcm(16, 2, 1), result, length);
    munmap(source, kFrames);
    ASSERT_EQ(converted, 1);
    ASSERT_EQ(length, 300000);
    std::int16_t first, last;
    std::memcpy(&first, result.Data(), 2);
    std::memcpy(&last, result.Data() + length - 2, 2);
    EXPECT_EQ(first, -32768);
    EXPECT_EQ(last, -32768);
}

// The frames of the format-conversion command's tests: 16-bit stereo at 44100 Hz, 600 frames
// (enough for the progress display to let messages through), left 4 * f, right -f.
void LoadCommandSound(test::TestApp& t) {
    t.SetSound(
        16, 2, 600, [](int f, int ch) { return ch == 0 ? 4 * f : -f; }, 44100);
}

TEST(ChangeFormat, ConvertsTheWholeSoundAndUndoBringsItBack) {
    test::TestApp t;
    LoadCommandSound(t);
    const std::vector<std::uint8_t> before(t.app.doc.Data(),
                                           t.app.doc.Data() + t.app.doc.byteLength);
    t.app.doc.format.extraSize = 7;
    t.app.doc.selStart = 8;
    t.app.doc.selEnd = t.app.doc.cursor = t.app.doc.anchor = 40;
    t.app.doc.viewStart = 400;
    t.host.waveScrollPos = 50;
    int pumpedCommand = 0;
    t.host.onPump = [&] {
        // A command arriving while the conversion runs is dropped by the busy gate.
        pumpedCommand = DispatchCommand(t.app, IDM_SELECT_ALL, NotifyMenu);
        return true;
    };
    // 22.05 kHz, 8 bits, mono.
    t.host.QueueDialog({{{103, "1"}, {201, "1"}, {301, "1"}}});
    ASSERT_EQ(DispatchCommand(t.app, IDM_CHANGE_FORMAT, NotifyMenu), 1);

    ASSERT_EQ(t.host.shownDialogs.size(), 1u);
    EXPECT_EQ(t.host.shownDialogs[0].templateId, 113);
    const SoundDocument& doc = t.app.doc;
    EXPECT_EQ(doc.format, (SoundFormat{1, 1, 22050, 22050, 1, 8, 7}));
    EXPECT_EQ(doc.bytesPerSample, 1);
    // Every second frame, (4f - f) / 2 toward zero, high byte plus 128.
    ASSERT_EQ(doc.byteLength, 300);
    EXPECT_EQ(doc.sampleData.Size(), 316u);
    for (int u = 0; u < 300; ++u) {
        const int f = 2 * u;
        EXPECT_EQ(doc.Data()[u], static_cast<std::uint8_t>(((3 * f / 2) >> 8) + 128)) << u;
    }
    EXPECT_EQ(doc.selStart, 0);
    EXPECT_EQ(doc.selEnd, 0);
    EXPECT_EQ(doc.cursor, 0);
    EXPECT_EQ(doc.anchor, 0);
    EXPECT_EQ(doc.viewStart, 0);
    EXPECT_EQ(t.host.waveScrollPos, 0) << "the scroll box follows the view to the start";
    EXPECT_TRUE(doc.modified);
    EXPECT_FALSE(t.app.busy);
    EXPECT_EQ(t.host.StatusText(0), "22050Hz 8Bits Mono");
    EXPECT_EQ(t.host.StatusText(1), "300 Bytes");
    EXPECT_EQ(pumpedCommand, -1);
    EXPECT_GT(t.host.pumpCalls, 0);
    EXPECT_EQ(t.host.menu, &t.app.menus.normal) << "no busy menu";

    // Undo brings back the sound as it was, in its own format, with its selection; undoing
    // again brings back the conversion.
    ASSERT_EQ(DispatchCommand(t.app, IDM_UNDO, NotifyMenu), 1);
    EXPECT_EQ((SoundFormat{1, 2, 44100, 176400, 4, 16, 7}), doc.format);
    EXPECT_EQ(std::vector<std::uint8_t>(doc.Data(), doc.Data() + doc.byteLength), before);
    EXPECT_EQ(doc.selStart, 8);
    EXPECT_EQ(doc.selEnd, 40);
    EXPECT_EQ(t.host.StatusText(0), "44100Hz 16Bits Stereo");
    ASSERT_EQ(DispatchCommand(t.app, IDM_UNDO, NotifyMenu), 1);
    EXPECT_EQ(doc.format, (SoundFormat{1, 1, 22050, 22050, 1, 8, 7}));
    EXPECT_EQ(doc.byteLength, 300);
}

TEST(ChangeFormat, CancelRefusalAndOutOfMemoryLeaveTheSoundAsItWas) {
    struct Failure {
        const char* name;
        bool cancel;
        std::uint32_t rate;
        std::size_t allocationLimit;
        const char* text;
        const char* caption;
    };
    const Failure failures[] = {
        {"cancel", true, 44100, 0, nullptr, nullptr},
        {"0 Hz", false, 0, 0, "このデータ形式からの変換はサポートされていません",
         "フォーマット変換"},
        {"no memory", false, 44100, 50, "メモリーが足りません", "Change Format"},
    };
    for (const Failure& f : failures) {
        test::TestApp t;
        LoadCommandSound(t);
        t.app.doc.format.sampleRate = f.rate;
        t.app.doc.selEnd = t.app.doc.cursor = 40;
        const std::vector<std::uint8_t> before(t.app.doc.Data(),
                                               t.app.doc.Data() + t.app.doc.byteLength);
        const SoundFormat format = t.app.doc.format;
        t.host.QueueDialog({{{101, "1"}, {201, "1"}, {301, "1"}}, f.cancel});
        SampleBlock::SetAllocationLimitForTesting(f.allocationLimit);
        EXPECT_EQ(DispatchCommand(t.app, IDM_CHANGE_FORMAT, NotifyMenu), 0) << f.name;
        SampleBlock::SetAllocationLimitForTesting(0);
        EXPECT_EQ(t.app.doc.format, format) << f.name;
        EXPECT_EQ(
            std::vector<std::uint8_t>(t.app.doc.Data(), t.app.doc.Data() + t.app.doc.byteLength),
            before)
            << f.name;
        EXPECT_EQ(t.app.doc.selEnd, 40) << f.name;
        EXPECT_FALSE(t.app.doc.modified) << f.name;
        if (f.text) {
            ASSERT_EQ(t.host.messages.size(), 1u) << f.name;
            EXPECT_EQ(t.host.messages[0].text, f.text);
            EXPECT_EQ(t.host.messages[0].caption, f.caption);
        } else {
            EXPECT_TRUE(t.host.messages.empty());
        }
    }
}

} // namespace
