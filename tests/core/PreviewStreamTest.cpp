#include "platform/PreviewStream.h"
#include "hosts/scripted/FakeWaveDevices.h"

#include <gtest/gtest.h>

#include <thread>

namespace wt {
namespace {

// At 8000 Hz a crossfade lasts 40 frames. Sample values count in 8-bit steps (16-bit: v * 256).
constexpr std::pair<int, int> kFormats[] = {{8, 1}, {16, 2}}; // bits, channels
double Decode(int bits, const std::uint8_t* p) {
    return bits == 8 ? *p - 128 : static_cast<std::int16_t>(p[0] | p[1] << 8) / 256.0;
}

// `frames` frames whose sample at frame i, channel c is base + i % 40 + c.
std::unique_ptr<PreviewRendering> Ramp(const WaveFormat& f, int frames, int base) {
    auto r = std::make_unique<PreviewRendering>();
    for (int i = 0; i < frames * f.channels; ++i) {
        const int v = base + i / f.channels % 40 + i % f.channels;
        if (f.bitsPerSample == 16) {
            r->bytes.push_back(0); // the low byte of v * 256
        }
        r->bytes.push_back(static_cast<std::uint8_t>(f.bitsPerSample == 8 ? v + 128 : v & 0xFF));
    }
    return r;
}

TEST(PreviewStream, PlaysTheRenderingBitExactlyLoopedOrOnceThroughTheDevice) {
    for (const auto& [bits, channels] : kFormats) {
        for (const int frames : {100, 0}) {
            for (const bool loop : {true, false}) {
                const WaveFormat f{channels, 8000, bits, channels * bits / 8};
                const auto align = static_cast<std::size_t>(f.blockAlign);
                PreviewStream stream(f, loop);
                FakeWaveDevices devices;
                int done = 0;
                devices.SetNotify(
                    [&](unsigned message, WParam) { done += message == msg::WaveOutDone; });
                WParam handle = 0;
                ASSERT_EQ(devices.OpenOutput(kWaveMapper, f, handle), WaveResult::Ok);
                ASSERT_EQ(devices.StreamOutput(stream), WaveResult::Ok);
                std::vector<std::uint8_t> out(250 * align);
                EXPECT_EQ(devices.PullOutput(out.data(), 10), 10) << "silence before an offer";
                const std::vector<std::uint8_t> bytes = Ramp(f, frames, -60)->bytes;
                stream.Offer(Ramp(f, frames, -60));
                std::int64_t total = 0;
                for (std::int64_t n = 37; n > 0 && total < 250; total += n) {
                    n = devices.PullOutput(&out[total * align],
                                           std::min<std::int64_t>(37, 250 - total));
                }
                ASSERT_EQ(total, loop ? 250 : frames) << bits << " " << frames << " " << loop;
                EXPECT_EQ(done, loop ? 0 : 1) << "the end is reported once";
                EXPECT_EQ(devices.OutputPosition(), 10 + total);
                for (std::size_t i = 0; i < static_cast<std::size_t>(total) * align; ++i) {
                    ASSERT_EQ(out[i], frames ? bytes[i % bytes.size()] : bits == 8 ? 128 : 0) << i;
                }
                EXPECT_EQ(stream.Pull(out.data(), 1), loop ? 1 : 0) << "an end stays an end";
            }
        }
    }
}

TEST(PreviewStream, SwitchesWithAShortCrossfadeAtTheSamePositionAndFreesWhatItLeft) {
    for (const auto& [bits, channels] : kFormats) {
        const WaveFormat f{channels, 8000, bits, channels * bits / 8};
        PreviewStream stream(f, true);
        std::vector<std::uint8_t> out(200 * static_cast<std::size_t>(f.blockAlign));
        stream.Offer(Ramp(f, 500, -100)); // A: -100 .. -60
        ASSERT_EQ(stream.Pull(out.data(), 130), 130);
        stream.Offer(Ramp(f, 1, 100));  // replaced before the callback takes it: never heard
        stream.Offer(Ramp(f, 300, 20)); // C: 20 .. 60
        stream.Collect();
        EXPECT_EQ(stream.Held(), 2u) << "the replaced offer is freed, A still plays";
        ASSERT_EQ(stream.Pull(out.data(), 200), 200);
        EXPECT_EQ(stream.PlayingGeneration(), 3u);
        EXPECT_EQ(stream.Position(), 330 % 300);
        for (int k = 0, fade = 8000 * PreviewStream::kFadeMs / 1000; k < 200 * channels; ++k) {
            const int from = -100 + (130 + k / channels) % 500 % 40 + k % channels;
            const int to = 20 + (130 + k / channels) % 300 % 40 + k % channels;
            const double v = Decode(bits, &out[static_cast<std::size_t>(k * bits / 8)]);
            const double weight = std::min(1.0, (k / channels + 1.0) / fade); // linear
            ASSERT_NEAR(v, from + (to - from) * weight, weight < 1 ? 4 : 0) << k;
        }
        stream.Collect();
        EXPECT_EQ(stream.Held(), 1u) << "A is freed once the crossfade has left it";
    }
}

TEST(PreviewStream, OffersAndCollectsWhileTheCallbackPulls) {
    const WaveFormat f{2, 8000, 16, 4};
    PreviewStream stream(f, true);
    std::atomic<bool> stop{false};
    std::atomic<int> shortPulls{0};
    std::thread callback([&] {
        std::uint8_t out[400];
        for (std::int64_t n = 1; !stop.load(); n = n % 97 + 1) {
            shortPulls += stream.Pull(out, n) != n;
        }
    });
    for (int g = 1; g <= 1000; ++g) {
        stream.Offer(Ramp(f, g % 7 == 0 ? 0 : 1 + g % 300, 0));
        stream.Collect();
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    stop = true;
    callback.join();
    std::uint8_t out[400];
    EXPECT_EQ(stream.Pull(out, 100), 100); // takes the last offer and ends its crossfade
    stream.Collect();
    EXPECT_EQ(shortPulls.load(), 0);
    EXPECT_EQ(stream.PlayingGeneration(), 1000u);
    EXPECT_EQ(stream.Held(), 1u);
}

} // namespace
} // namespace wt
