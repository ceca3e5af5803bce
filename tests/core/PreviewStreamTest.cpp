// The preview's stream: bit-exact renderings, loops and ends, crossfaded switches, freeing
// what the callback left, a callback pulling while the owner offers, and the fake device.
#include "platform/PreviewStream.h"
#include "hosts/scripted/FakeWaveDevices.h"

#include <gtest/gtest.h>

#include <thread>

namespace wt {
namespace {

// 8000 Hz, so a crossfade lasts 40 frames.
WaveFormat FormatOf(int bits, int channels) {
    return {channels, 8000, bits, channels * bits / 8};
}

// A sample of value v (8-bit steps) as it sounds: 8-bit holds v + 128, 16-bit v * 256.
int Level(const WaveFormat& f, int v) {
    return f.bitsPerSample == 8 ? v : v * 256;
}
int Decode(const WaveFormat& f, const std::uint8_t* p) {
    return f.bitsPerSample == 8 ? *p - 128 : static_cast<std::int16_t>(p[0] | p[1] << 8);
}

// `frames` frames whose sample at frame i, channel c is base + i % 40 + c.
std::unique_ptr<PreviewRendering> Ramp(const WaveFormat& f, int frames, int base) {
    auto r = std::make_unique<PreviewRendering>();
    for (int i = 0; i < frames * f.channels; ++i) {
        const int v = Level(f, base + i / f.channels % 40 + i % f.channels);
        r->bytes.push_back(static_cast<std::uint8_t>(f.bitsPerSample == 8 ? v + 128 : v & 0xFF));
        if (f.bitsPerSample == 16) {
            r->bytes.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
        }
    }
    return r;
}

TEST(PreviewStream, PlaysTheRenderingBitExactlyLoopedOrOnce) {
    for (const auto& [bits, channels] : {std::pair{8, 1}, std::pair{16, 2}}) {
        for (const int frames : {100, 0}) {
            for (const bool loop : {true, false}) {
                const WaveFormat f = FormatOf(bits, channels);
                const auto align = static_cast<std::size_t>(f.blockAlign);
                PreviewStream stream(f, loop);
                std::vector<std::uint8_t> out(250 * align, 0x55);
                EXPECT_EQ(stream.Pull(out.data(), 10), 10) << "silence before the first offer";
                EXPECT_EQ(Decode(f, &out[9 * align]), 0);
                auto a = Ramp(f, frames, -60);
                const std::vector<std::uint8_t> bytes = a->bytes;
                stream.Offer(std::move(a));
                std::int64_t total = 0;
                for (std::int64_t n = 37; n > 0 && total < 250; total += n) {
                    n = stream.Pull(out.data() + total * align,
                                    std::min<std::int64_t>(37, 250 - total));
                }
                ASSERT_EQ(total, loop ? 250 : frames) << bits << " " << frames << " " << loop;
                for (std::size_t i = 0; i < static_cast<std::size_t>(total) * align; ++i) {
                    ASSERT_EQ(out[i], frames                 ? bytes[i % bytes.size()]
                                      : f.bitsPerSample == 8 ? 128
                                                             : 0)
                        << bits << " loop " << loop << " byte " << i;
                }
                EXPECT_EQ(stream.Pull(out.data(), 1), loop ? 1 : 0) << "an end stays an end";
            }
        }
    }
}

TEST(PreviewStream, SwitchesWithAShortCrossfadeAtTheSamePositionAndFreesWhatItLeft) {
    for (const auto& [bits, channels] : {std::pair{8, 1}, std::pair{16, 2}}) {
        const WaveFormat f = FormatOf(bits, channels);
        const auto align = static_cast<std::size_t>(f.blockAlign);
        const int fade = 8000 * PreviewStream::kFadeMs / 1000;
        PreviewStream stream(f, true);
        std::vector<std::uint8_t> out(200 * align);
        stream.Offer(Ramp(f, 500, -100)); // A: -100 .. -60
        ASSERT_EQ(stream.Pull(out.data(), 130), 130);
        stream.Offer(Ramp(f, 1, 100)); // replaced before the callback takes it: never heard
        auto c = Ramp(f, 300, 20);     // C: 20 .. 60
        const std::vector<std::uint8_t> cBytes = c->bytes;
        stream.Offer(std::move(c));
        stream.Collect();
        EXPECT_EQ(stream.Held(), 2u) << "the replaced offer is freed, A still plays";
        ASSERT_EQ(stream.Pull(out.data(), 200), 200);
        EXPECT_EQ(stream.PlayingGeneration(), 3u);
        EXPECT_EQ(stream.Position(), 330 % 300);
        for (int k = 0; k < 200; ++k) {
            for (int ch = 0; ch < channels; ++ch) {
                const std::size_t i = static_cast<std::size_t>(k) * align + ch * (bits / 8);
                const int from = Level(f, -100 + (130 + k) % 500 % 40 + ch);
                const int to = Level(f, 20 + (130 + k) % 300 % 40 + ch);
                const int v = Decode(f, &out[i]);
                if (k < fade) {
                    ASSERT_TRUE(from <= v && v <= to) << "frame " << k << ": " << v;
                    ASSERT_TRUE(k != fade / 2 || (from < v && v < to)) << "no crossfade";
                } else {
                    ASSERT_EQ(out[i], cBytes[(130 + k) % 300 * align + ch * (bits / 8)]) << k;
                }
            }
        }
        stream.Collect();
        EXPECT_EQ(stream.Held(), 1u) << "A is freed once the crossfade has left it";
    }
}

TEST(PreviewStream, OffersAndCollectsWhileTheCallbackPulls) {
    const WaveFormat f = FormatOf(16, 2);
    PreviewStream stream(f, true);
    std::atomic<bool> stop{false};
    std::atomic<int> wrong{0};
    std::thread callback([&] {
        std::vector<std::uint8_t> out(100 * 4);
        for (std::int64_t n = 1; !stop.load(); n = n % 97 + 1) {
            wrong += stream.Pull(out.data(), n) != n;
            for (std::int64_t i = 0; i < n * 2; ++i) { // every rendering lies in 0 .. 40
                const int v = Decode(f, &out[static_cast<std::size_t>(i) * 2]);
                wrong += v < 0 || v > Level(f, 40);
            }
        }
    });
    for (int g = 1; g <= 1000; ++g) {
        stream.Offer(Ramp(f, g % 7 == 0 ? 0 : 1 + g % 300, 0));
        stream.Collect();
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    stop = true;
    callback.join();
    EXPECT_EQ(wrong.load(), 0);
    std::vector<std::uint8_t> out(100 * 4);
    stream.Pull(out.data(), 100); // takes the last offer and ends its crossfade
    stream.Collect();
    EXPECT_EQ(stream.PlayingGeneration(), 1000u);
    EXPECT_EQ(stream.Held(), 1u);
}

TEST(PreviewStream, PlaysThroughTheFakeDeviceAndReportsTheEnd) {
    FakeWaveDevices devices;
    std::vector<WParam> done;
    devices.SetNotify(
        [&](unsigned message, WParam h) { done.push_back(message == msg::WaveOutDone ? h : 0); });
    const WaveFormat f = FormatOf(8, 1);
    PreviewStream stream(f, false);
    EXPECT_EQ(devices.StreamOutput(stream), WaveResult::Error) << "not open";
    WParam handle = 0;
    ASSERT_EQ(devices.OpenOutput(kWaveMapper, f, handle), WaveResult::Ok);
    ASSERT_EQ(devices.StreamOutput(stream), WaveResult::Ok);
    stream.Offer(Ramp(f, 100, 0));
    std::vector<std::uint8_t> out(64);
    EXPECT_EQ(devices.PullOutput(out.data(), 64), 64);
    EXPECT_TRUE(done.empty());
    EXPECT_EQ(devices.PullOutput(out.data(), 64), 36);
    EXPECT_EQ(done, std::vector<WParam>{handle});
    EXPECT_EQ(devices.OutputPosition(), 100);
    EXPECT_FALSE(devices.playing);
}

} // namespace
} // namespace wt
