// The About sound's WAV reading and the background player.
#include "hosts/portaudio/SoundPlayer.h"
#include "hosts/portaudio/WavClip.h"

#include "QtTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace wt {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, unsigned v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
void PutTag(Bytes& b, const char* tag) {
    for (int i = 0; i < 4; ++i) {
        b.push_back(static_cast<std::uint8_t>(tag[i]));
    }
}
// Appends byte by byte (GCC 12 warns wrongly about vector::insert of small ranges).
void Append(Bytes& b, const Bytes& more) {
    for (std::uint8_t x : more) {
        b.push_back(x);
    }
}

Bytes FmtChunk(unsigned tag, unsigned channels, std::uint32_t rate, unsigned bits,
               unsigned blockAlign) {
    Bytes b;
    PutTag(b, "fmt ");
    Put32(b, 16);
    Put16(b, tag);
    Put16(b, channels);
    Put32(b, rate);
    Put32(b, rate * blockAlign);
    Put16(b, blockAlign);
    Put16(b, bits);
    return b;
}

Bytes DataChunk(const Bytes& samples, std::uint32_t claimedSize) {
    Bytes b;
    PutTag(b, "data");
    Put32(b, claimedSize);
    Append(b, samples);
    return b;
}

Bytes Riff(const std::vector<Bytes>& chunks) {
    Bytes body;
    PutTag(body, "WAVE");
    for (const auto& c : chunks) {
        Append(body, c);
    }
    Bytes b;
    PutTag(b, "RIFF");
    Put32(b, static_cast<std::uint32_t>(body.size()));
    Append(b, body);
    return b;
}

const Bytes kFourFrames16Stereo(16, 0x11); // 4 frames of 2 x 16 bits

struct ClipCase {
    const char* name;
    std::function<Bytes()> make;
    bool playable;
    std::size_t frames; // when playable
};

void PrintTo(const ClipCase& c, std::ostream* os) {
    *os << c.name;
}

class WavClipCases : public testing::TestWithParam<ClipCase> {};

TEST_P(WavClipCases, ParsesOnlyWhatIsReallyThere) {
    const ClipCase& c = GetParam();
    const auto clip = ParseWavClip(c.make());
    ASSERT_EQ(clip.has_value(), c.playable);
    if (clip) {
        EXPECT_EQ(clip->Frames(), c.frames);
        EXPECT_EQ(clip->samples.size(), c.frames * static_cast<std::size_t>(clip->blockAlign));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Images, WavClipCases,
    testing::Values(
        ClipCase{
            "stereo16",
            [] {
                return Riff({FmtChunk(1, 2, 22050, 16, 4), DataChunk(kFourFrames16Stereo, 16)});
            },
            true, 4},
        ClipCase{"mono8",
                 [] {
                     return Riff({FmtChunk(1, 1, 8000, 8, 1), DataChunk(Bytes(5, 0x80), 5)});
                 },
                 true, 5},
        // An odd-sized chunk before "data" is followed by a pad byte.
        ClipCase{"paddedChunk",
                 [] {
                     Bytes odd;
                     PutTag(odd, "LIST");
                     Put32(odd, 3);
                     Append(odd, {1, 2, 3, 0});
                     return Riff({FmtChunk(1, 1, 8000, 8, 1), odd, DataChunk(Bytes(6, 1), 6)});
                 },
                 true, 6},
        ClipCase{"dataBeforeFormat",
                 [] {
                     return Riff({DataChunk(Bytes(8, 0), 8), FmtChunk(1, 1, 8000, 16, 2)});
                 },
                 true, 4},
        // A data chunk claiming more than the file holds is cut to whole frames present.
        ClipCase{"dataTruncated",
                 [] {
                     return Riff({FmtChunk(1, 2, 44100, 16, 4), DataChunk(Bytes(10, 0), 4000)});
                 },
                 true, 2},
        ClipCase{"dataSizeNearFourGigabytes",
                 [] {
                     return Riff({FmtChunk(1, 1, 8000, 8, 1), DataChunk(Bytes(3, 0), 0xFFFFFFFFu)});
                 },
                 true, 3},
        ClipCase{"formatChunkTooLarge",
                 [] {
                     Bytes f = FmtChunk(1, 1, 8000, 8, 1);
                     f[4] = 0xFF;
                     f[5] = 0xFF;
                     return Riff({DataChunk(Bytes(4, 0), 4), f});
                 },
                 false, 0},
        ClipCase{"empty", [] { return Bytes{}; }, false, 0},
        ClipCase{"notRiff", [] { return Bytes(64, 'x'); }, false, 0},
        ClipCase{"headerOnly", [] { return Riff({}); }, false, 0},
        ClipCase{"noData", [] { return Riff({FmtChunk(1, 1, 8000, 8, 1)}); }, false, 0},
        ClipCase{"noFormat", [] { return Riff({DataChunk(Bytes(4, 0), 4)}); }, false, 0},
        ClipCase{"notPcm",
                 [] {
                     return Riff({FmtChunk(7, 1, 8000, 8, 1), DataChunk(Bytes(4, 0), 4)});
                 },
                 false, 0},
        ClipCase{"zeroChannels",
                 [] {
                     return Riff({FmtChunk(1, 0, 8000, 8, 0), DataChunk(Bytes(4, 0), 4)});
                 },
                 false, 0},
        ClipCase{"blockAlignMismatch",
                 [] {
                     return Riff({FmtChunk(1, 2, 8000, 16, 2), DataChunk(Bytes(4, 0), 4)});
                 },
                 false, 0},
        ClipCase{"oddBits",
                 [] {
                     return Riff({FmtChunk(1, 1, 8000, 12, 2), DataChunk(Bytes(4, 0), 4)});
                 },
                 false, 0},
        ClipCase{"zeroRate",
                 [] {
                     return Riff({FmtChunk(1, 1, 0, 8, 1), DataChunk(Bytes(4, 0), 4)});
                 },
                 false, 0},
        ClipCase{"truncatedFormat",
                 [] {
                     Bytes b = Riff({FmtChunk(1, 1, 8000, 8, 1)});
                     b.resize(b.size() - 6);
                     return b;
                 },
                 false, 0}),
    [](const testing::TestParamInfo<ClipCase>& info) { return std::string(info.param.name); });

TEST(SoundPlayer, NeverBlocksTheCallerAndIgnoresWhatCannotPlay) {
    qttest::TempDir dir;
    const std::string wav = dir.File("short.wav");
    {
        const Bytes image = Riff({FmtChunk(1, 1, 8000, 8, 1), DataChunk(Bytes(800, 0x80), 800)});
        std::ofstream(wav, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()),
                   static_cast<std::streamsize>(image.size()));
    }
    SoundPlayer player;
    const auto start = std::chrono::steady_clock::now();
    player.Play(dir.File("missing.wav"));
    player.Play(wav);
    player.Play(dir.File("missing.wav"));
    // Whether or not this machine has a sound device, the calls return at once.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    ASSERT_TRUE(player.WaitIdle(std::chrono::seconds(20)));
    EXPECT_GE(player.Handled(), 1);
}

TEST(SoundPlayer, DestructionStopsAPendingRequest) {
    qttest::TempDir dir;
    const auto start = std::chrono::steady_clock::now();
    {
        SoundPlayer player;
        player.Play(dir.File("missing.wav"));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

} // namespace
} // namespace wt
