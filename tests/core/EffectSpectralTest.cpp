// The spectral effects against values worked out by hand or from their formulas in the test:
// equalizer gains and band edges on tones that fall exactly on a bin, the presets in the
// settings file, noise removal on spikes, the high-pass on tones either side of a quarter of
// the rate, the vocoder against a plain transcription of its three loops, undo, the busy gate
// and the out-of-memory paths.
#include "TestApp.h"

#include "commands/effects/SpectralEffects.h"
#include "dsp/Fft.h"
#include "dsp/SpectralFilters.h"
#include "editor/CommandIds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace wt;

namespace {

using Command = int (*)(App&);
using Samples = std::vector<int>; // interleaved, channel 0 first

const double kTwoPi = std::atan(1.0) * 8;

Samples Read(const App& app) {
    const SoundDocument& doc = app.doc;
    Samples values;
    for (int pos = 0; pos < doc.byteLength; pos += doc.format.blockAlign) {
        for (int c = 0; c < doc.format.channels; ++c) {
            values.push_back(ReadSample(doc, doc.Data() + pos, c));
        }
    }
    return values;
}

std::vector<std::uint8_t> Bytes(const App& app) {
    return {app.doc.Data(), app.doc.Data() + app.doc.byteLength};
}

void Load(test::TestApp& t, int bits, int channels, const Samples& values, int rate = 22050) {
    const int frames = static_cast<int>(values.size()) / channels;
    t.SetSound(
        bits, channels, frames, [&](int f, int c) { return values[f * channels + c]; },
        static_cast<std::uint32_t>(rate));
}

// A tone that completes a whole number of cycles in every block of `points` samples.
int BinTone(int frame, int bin, int points, double amplitude) {
    return static_cast<int>(
        amplitude * std::sin(kTwoPi * (static_cast<long long>(bin) * frame % points) / points));
}

// Gain in dB of channel `channel` between two runs, over frames from..to.
double GainDb(const Samples& in, const Samples& out, int channels, int channel, int from, int to) {
    double a = 0, b = 0;
    for (int f = from; f < to; ++f) {
        a += double(in[f * channels + channel]) * in[f * channels + channel];
        b += double(out[f * channels + channel]) * out[f * channels + channel];
    }
    return 10 * std::log10(b / a);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// --- Equalizers ------------------------------------------------------------------------------

// Gains 1 (sliders at 50; two parametric modules at +6 and -6 dB over the same bins): every
// sample comes back as it was or one step nearer zero (the inverse transform's value is
// truncated), and nothing outside the selection moves.
TEST(SpectralEqualizer, UnityGainsReturnTheSoundWithinOneStep) {
    struct Case {
        Command command;
        int bits, channels, frames, selStart, selEnd; // frames
    };
    const Case cases[] = {
        {CmdEqualizer, 16, 2, 3000, 0, 3000},
        {CmdEqualizer, 8, 1, 1000, 100, 800},
        {CmdParametricEq, 16, 1, 1500, 10, 1490},
    };
    for (const Case& c : cases) {
        test::TestApp t;
        t.SetSound(c.bits, c.channels, c.frames, [](int f, int ch) {
            return static_cast<int>(20000 * std::sin(f * 0.05 + ch)) + (f * 7919 % 4001) - 2000;
        });
        t.app.doc.selStart = c.selStart * t.app.doc.format.blockAlign;
        t.app.doc.selEnd = c.selEnd * t.app.doc.format.blockAlign;
        t.app.effects.spectral.parametricEq.modules[0].level = 6;
        t.app.effects.spectral.parametricEq.modules[1].level = -6;
        const Samples in = Read(t.app);
        ASSERT_EQ(c.command(t.app), 1);
        const Samples out = Read(t.app);
        const int unit = c.bits == 16 ? 1 : 256;
        for (std::size_t i = 0; i < in.size(); ++i) {
            const int frame = static_cast<int>(i) / c.channels;
            if (frame < c.selStart || frame >= c.selEnd) {
                ASSERT_EQ(out[i], in[i]) << "sample " << i << " is outside";
            } else {
                ASSERT_LE(std::abs(out[i] - in[i]), unit) << "sample " << i;
                ASSERT_LE(std::abs(out[i]), std::abs(in[i])) << "sample " << i;
            }
        }
    }
}

// A bin-exact tone through one moved band: scaled by the band's gain when its bin lies strictly
// inside the band, left alone on the band's edges and elsewhere.
struct BandCase {
    const char* name;
    int rate;
    int bin;                // the tone's bin of 1024
    std::vector<int> setup; // graphic: {band, position}; parametric: {frequency, level, width}
    double expectedDb;
};

const double kGraphicTopDb = 20 * std::log10(std::pow(1.04246576084, 50));
const double kParametricTopDb = 20 * std::log10(std::pow(1.122462, 18));

TEST(SpectralEqualizer, MovedBandScalesOnlyTheBinsStrictlyInside) {
    // At 44100 Hz the bin width used is 43 Hz: 1.6K covers bins 28..54, 400 bins 7..12; at
    // 8000 Hz it is 7 Hz: 3.2K covers 343..511 and 6.4K nothing. The parametric module at
    // 1000 Hz, one octave, has edges 16 and 32 at 44100 Hz (bin width 43.06640625 Hz).
    const BandCase cases[] = {
        {"graphic 1.6K up, bin 40", 44100, 40, {5, 0}, kGraphicTopDb},
        {"graphic 1.6K down, bin 40", 44100, 40, {5, 100}, -kGraphicTopDb},
        {"graphic 1.6K up, first bin 28", 44100, 28, {5, 0}, kGraphicTopDb},
        {"graphic 1.6K up, last bin 54", 44100, 54, {5, 0}, kGraphicTopDb},
        {"graphic 1.6K up, edge bin 27", 44100, 27, {5, 0}, 0},
        {"graphic 1.6K up, edge bin 55", 44100, 55, {5, 0}, 0},
        {"graphic 1.6K up, bin 10 two bands away", 44100, 10, {5, 0}, 0},
        {"graphic 400 up, bin 10", 44100, 10, {3, 0}, kGraphicTopDb},
        {"graphic 50 has no bin at 44100", 44100, 1, {0, 0}, 0},
        {"graphic 3.2K up at 8000, bin 400", 8000, 400, {6, 0}, kGraphicTopDb},
        {"graphic 6.4K has no bin at 8000", 8000, 400, {7, 0}, 0},
        {"parametric first bin 17", 44100, 17, {1000, 18, 12}, kParametricTopDb},
        {"parametric last bin 31", 44100, 31, {1000, 18, 12}, kParametricTopDb},
        {"parametric edge bin 16", 44100, 16, {1000, 18, 12}, 0},
        {"parametric edge bin 32", 44100, 32, {1000, 18, 12}, 0},
        {"parametric cut, bin 24", 44100, 24, {1000, -18, 12}, -kParametricTopDb},
        {"parametric capped at 511, bin 510", 44100, 510, {20000, 18, 48}, kParametricTopDb},
        {"parametric capped at 511, bin 511", 44100, 511, {20000, 18, 48}, 0},
        {"parametric narrow band has no bin", 44100, 2, {100, 18, 1}, 0},
    };
    for (const BandCase& c : cases) {
        test::TestApp t;
        const int frames = 8 * 1024;
        t.SetSound(
            16, 1, frames, [&](int f, int) { return BinTone(f, c.bin, 1024, 2000); },
            static_cast<std::uint32_t>(c.rate));
        const Samples in = Read(t.app);
        const bool graphic = c.setup.size() == 2;
        if (graphic) {
            t.app.effects.spectral.equalizer.positions[c.setup[0]] = c.setup[1];
            ASSERT_EQ(CmdEqualizer(t.app), 1) << c.name;
        } else {
            auto& modules = t.app.effects.spectral.parametricEq.modules;
            modules[0] = {1, c.setup[0], c.setup[1], c.setup[2]};
            modules[1].use = modules[2].use = 0;
            ASSERT_EQ(CmdParametricEq(t.app), 1) << c.name;
        }
        // The first and last blocks are zero-padded; the middle ones hold whole cycles.
        EXPECT_NEAR(GainDb(in, Read(t.app), 1, 0, 1024, frames - 1024), c.expectedDb, 0.5)
            << c.name;
    }
}

// The block processing as written down: one 1024-point block at a time from the untouched
// input into an output buffer, the first block from frame 0 and every later one from its
// 256th, the bins strictly inside each band scaled, values truncated and stored as the
// format stores them.
struct RefBand {
    int low, high;
    double gain;
};

Samples ReferenceEqualizer(const Samples& in, int bits, int channels, int selStart, int selEnd,
                           const std::vector<RefBand>& bands) {
    Samples out = in;
    const int frames = selEnd - selStart;
    std::vector<double> buf(1024);
    for (int c = 0; c < channels; ++c) {
        for (int o = 0, r = frames; r > 0; o += 512, r -= 512) {
            const int count = std::min(r, 1024);
            for (int j = 0; j < 1024; ++j) {
                buf[j] = j < count ? in[(selStart + o + j) * channels + c] / 512.0 : 0.0;
            }
            RealFftForward(1024, buf.data());
            for (const RefBand& band : bands) {
                for (int l = band.low + 1; l < band.high; ++l) {
                    buf[l] *= band.gain;
                    buf[1024 - l] *= band.gain;
                }
            }
            RealFftInverse(1024, buf.data());
            for (int k = o == 0 ? 0 : 256; k < count; ++k) {
                const int v = static_cast<int>(buf[k]);
                out[(selStart + o + k) * channels + c] =
                    bits == 16 ? static_cast<std::int16_t>(static_cast<std::uint16_t>(v & 0xFFFF))
                               : (static_cast<std::uint8_t>((v >> 8) + 128) - 128) * 256;
            }
        }
    }
    return out;
}

TEST(SpectralEqualizer, MatchesTheBlockProcessingOneBlockAtATime) {
    struct Case {
        bool graphic;
        int bits, channels, frames, selStart, selEnd, rate;
    };
    const Case cases[] = {
        {true, 16, 2, 5000, 0, 5000, 44100}, {true, 8, 1, 4700, 300, 4400, 8000},
        {true, 16, 1, 600, 0, 600, 22050},   {false, 16, 2, 9000, 1, 8999, 44100},
        {false, 8, 2, 2048, 0, 2048, 11025}, {true, 16, 1, 2561, 0, 2561, 44100},
    };
    for (const Case& c : cases) {
        test::TestApp t;
        t.SetSound(
            c.bits, c.channels, c.frames,
            [&](int f, int ch) {
                const int v = static_cast<int>(9000 * std::sin(f * 0.21 + ch) +
                                               6000 * std::sin(f * 0.013 * (ch + 1)));
                return c.bits == 8 ? v / 256 * 256 : v;
            },
            static_cast<std::uint32_t>(c.rate));
        const Samples in = Read(t.app);
        t.app.doc.selStart = c.selStart * t.app.doc.format.blockAlign;
        t.app.doc.selEnd = c.selEnd * t.app.doc.format.blockAlign;
        std::vector<RefBand> bands;
        if (c.graphic) {
            // Positions 0, 12, 24, ... 96; edges (75 * 2^(i-1)) / (rate / 1024), at most 512.
            int low = 0;
            for (int b = 0; b < 9; ++b) {
                t.app.effects.spectral.equalizer.positions[b] = 12 * b;
                const int high = std::min(75 * (1 << b) / (c.rate / 1024), 512);
                bands.push_back({low, high, std::pow(1.04246576084, 50 - 12 * b)});
                low = high;
            }
            ASSERT_EQ(CmdEqualizer(t.app), 1);
        } else {
            // Overlapping modules multiply one after the other; the third is off.
            auto& m = t.app.effects.spectral.parametricEq.modules;
            m[0] = {1, 1500, 9, 30};
            m[1] = {1, 2000, -4, 6};
            m[2] = {0, 3000, 18, 12};
            const double width = c.rate / 1024.0;
            for (int i = 0; i < 2; ++i) {
                const double spread = std::pow(1.02930223664, m[i].bandwidth);
                bands.push_back({std::min(static_cast<int>(m[i].frequency / spread / width), 511),
                                 std::min(static_cast<int>(m[i].frequency * spread / width), 511),
                                 std::pow(1.122462, m[i].level)});
            }
            ASSERT_EQ(CmdParametricEq(t.app), 1);
        }
        EXPECT_EQ(Read(t.app),
                  ReferenceEqualizer(in, c.bits, c.channels, c.selStart, c.selEnd, bands))
            << (c.graphic ? "graphic " : "parametric ") << c.bits << "-bit " << c.frames;
    }
}

TEST(SpectralEqualizer, ProgressCountsBandsOfEveryBlockChannelByChannel) {
    struct Case {
        Command command;
        int channels, frames;
        std::string text;
    };
    // 23 blocks of 9 bands: report 200 is in block 22 (done 22 * 512 of 11776). 67 blocks of
    // 3 modules: report 200 is in block 66 (33792 of 34304). Stereo, 12 blocks a channel:
    // report 200 is the 92nd of channel 1, block 10 (5120 + 6144 of 12288).
    const Case cases[] = {
        {CmdEqualizer, 1, 11776, "グラフィックイコライザ: 95%"},
        {CmdParametricEq, 1, 34304, "パラメトリックEQ: 98%"},
        {CmdEqualizer, 2, 6144, "グラフィックイコライザ: 91%"},
    };
    for (const Case& c : cases) {
        test::TestApp t;
        t.SetSound(16, c.channels, c.frames, [](int f, int) { return f % 100; });
        t.app.effects.spectral.parametricEq.modules[1].use = 0;
        std::vector<std::string> texts;
        t.host.onPump = [&] {
            texts.push_back(t.host.StatusText(0));
            return false;
        };
        ASSERT_EQ(c.command(t.app), 1);
        EXPECT_EQ(texts, std::vector<std::string>{c.text});
    }
}

TEST(SpectralEqualizer, GraphicBandEdgesFollowTheTruncatedBinWidth) {
    using Edges = std::array<std::int32_t, 10>;
    EXPECT_EQ(GraphicEqEdges(44100), (Edges{0, 1, 3, 6, 13, 27, 55, 111, 223, 446}));
    EXPECT_EQ(GraphicEqEdges(8000), (Edges{0, 10, 21, 42, 85, 171, 342, 512, 512, 512}));
    // Below 1024 Hz the truncated width is 0: the first band takes every bin.
    EXPECT_EQ(GraphicEqEdges(1000), (Edges{0, 512, 512, 512, 512, 512, 512, 512, 512, 512}));
}

TEST(SpectralEqualizer, TransformValuesBecomeSamplesTruncatedTowardZero) {
    // Values beyond the int range (no block of 16-bit samples reaches them) are held at its
    // ends rather than converted with undefined results.
    EXPECT_EQ(TruncateToInt(3.99), 3);
    EXPECT_EQ(TruncateToInt(-3.99), -3);
    EXPECT_EQ(TruncateToInt(1e12), 2147483647);
    EXPECT_EQ(TruncateToInt(-1e12), -2147483647 - 1);
    EXPECT_EQ(TruncateToInt(std::nan("")), 0);
}

// --- Presets ---------------------------------------------------------------------------------

TEST(SpectralEqualizerPresets, StoredTextsBecomePositions) {
    struct Case {
        const char* text;
        EqPositions positions;
    };
    const Case cases[] = {
        {"0,0,0,20,40,50,50,50,50", {100, 100, 100, 80, 60, 50, 50, 50, 50}},
        {"100, 90,+80,70,60,50,40,30,20", {0, 10, 20, 30, 40, 50, 60, 70, 80}},
        // Fewer numbers, or text that stops matching: the rest stay flat.
        {"10,20", {90, 80, 50, 50, 50, 50, 50, 50, 50}},
        {"10 ,20,30", {90, 50, 50, 50, 50, 50, 50, 50, 50}},
        {"", {50, 50, 50, 50, 50, 50, 50, 50, 50}},
        {"x,1,2", {50, 50, 50, 50, 50, 50, 50, 50, 50}},
        // Hand-edited levels beyond 0..100 are taken as the nearest end.
        {"150,-5,99999999999999,1,1,1,1,1,1,1,1", {0, 100, 0, 99, 99, 99, 99, 99, 99}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseEqPreset(c.text), c.positions) << c.text;
    }
    EXPECT_EQ(FormatEqPreset({0, 100, 50, 25, 75, 1, 99, 50, 50}), "100,0,50,75,25,99,1,50,50");
}

TEST(SpectralEqualizerPresets, DialogLoadsStoresAndResets) {
    test::TestApp t;
    t.SetSound(16, 1, 2000, [](int f, int) { return f % 300; });
    // A preset of two numbers stored by hand: the other bands load flat.
    ASSERT_TRUE(t.app.profile.WriteString("Eq", "Preset2", "10,20"));
    // Slider 2 to the top, preset 3 (its default), slider 5 to 20, then register as preset 3
    // (button 7 of dialog 12) and preset 2 back on, then OK.
    t.host.QueueDialog({{{102, "0"}, {1003, ""}, {105, "20"}, {kIdEqRegister, ""}}, false});
    t.host.QueueDialog({{{7, ""}}, false});
    ASSERT_EQ(CmdEqualizer(t.app), 1);
    EXPECT_TRUE(t.host.scriptErrors.empty());
    const EqPositions afterRegister{100, 100, 100, 50, 20, 50, 100, 100, 100};
    EXPECT_EQ(t.app.effects.spectral.equalizer.positions, afterRegister);
    EXPECT_NE(ReadFile(t.IniPath()).find("[Eq]\nPreset2=10,20\nPreset3=0,0,0,50,80,50,0,0,0\n"),
              std::string::npos)
        << ReadFile(t.IniPath());

    // Reset, then the stored presets: the dialog reads the file again each time it opens.
    // Cancel keeps the sliders' changes but leaves the sound alone.
    const std::vector<std::uint8_t> before = Bytes(t.app);
    t.host.QueueDialog({{{kIdEqReset, ""}, {1002, ""}}, true});
    EXPECT_EQ(CmdEqualizer(t.app), 0);
    EXPECT_EQ(t.app.effects.spectral.equalizer.positions,
              (EqPositions{90, 80, 50, 50, 50, 50, 50, 50, 50}));
    EXPECT_EQ(Bytes(t.app), before);
    t.host.QueueDialog({{{1003, ""}, {kIdEqRegister, ""}}, true});
    t.host.QueueDialog({{}, true}); // dialog 12 cancelled: nothing stored
    EXPECT_EQ(CmdEqualizer(t.app), 0);
    EXPECT_EQ(t.app.effects.spectral.equalizer.positions, afterRegister);
    t.host.QueueDialog({{{kIdEqReset, ""}}, true});
    EXPECT_EQ(CmdEqualizer(t.app), 0);
    EXPECT_EQ(t.app.effects.spectral.equalizer.positions,
              (EqPositions{50, 50, 50, 50, 50, 50, 50, 50, 50}));
    EXPECT_EQ(t.app.profile.GetString("Eq", "Preset1", "missing"), "missing")
        << "only a registered preset is written";
}

// --- Noise removal ---------------------------------------------------------------------------

struct NoiseCase {
    const char* name;
    int bits, channels;
    int strength, halfWidth;
    Samples input, expected;
    int selStart = 0, selEnd = 0; // frames; 0, 0: none
};

TEST(SpectralNoiseRemoval, SmoothingAndMedianGiveTheHandComputedSamples) {
    // A spike of 20000 at strength 100 (limit 3276): its local mean is 3 * 20000 / 9 = 6666,
    // so it drops to 20000 - 3276; its neighbours at distance 1..3 rise to 20000 / 9 = 2222.
    // A constant 1000 loses at the sound's ends, where missing neighbours read 0:
    // (2000 + 4000) / 9 = 666, then 7000 / 9, 8000 / 9.
    // clang-format off
    const NoiseCase cases[] = {
        {"nothing", 16, 2, 0, 0, {5, -5, 30000, -32768, 7, 1, -20000, 32767}, {5, -5, 30000, -32768, 7, 1, -20000, 32767}},
        {"median removes spike", 16, 1, 0, 1, {0, 0, 0, 0, 20000, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"limited smoothing", 16, 1, 100, 0, {0, 0, 0, 0, 20000, 0, 0, 0, 0}, {0, 2222, 2222, 2222, 16724, 2222, 2222, 2222, 0}},
        {"smoothing then median", 16, 1, 100, 1, {0, 0, 0, 0, 20000, 0, 0, 0, 0}, {0, 2222, 2222, 2222, 2222, 2222, 2222, 2222, 0}},
        {"stereo channels apart", 16, 2, 100, 0,
         {0, 1000, 0, 1000, 0, 1000, 0, 1000, 20000, 1000, 0, 1000, 0, 1000, 0, 1000, 0, 1000},
         {0, 666, 2222, 777, 2222, 888, 2222, 1000, 16724, 1000, 2222, 1000, 2222, 888, 2222, 777, 0, 666}},
        // 8 bits: 19968 smooths to 16692 and its neighbours to 2218, stored as 16640 and 2048.
        {"8-bit", 8, 1, 100, 0, {0, 0, 0, 0, 19968, 0, 0, 0, 0}, {0, 2048, 2048, 2048, 16640, 2048, 2048, 2048, 0}},
        // Neighbours outside the selection but inside the sound are real samples.
        {"selection reads its surroundings", 16, 1, 100, 3, {1000, 1000, 1000, 1000, 1000, 1000, 1000}, {1000, 1000, 1000, 1000, 1000, 1000, 1000}, 2, 5},
    };
    // clang-format on
    for (const NoiseCase& c : cases) {
        test::TestApp t;
        Load(t, c.bits, c.channels, c.input);
        t.app.doc.selStart = c.selStart * t.app.doc.format.blockAlign;
        t.app.doc.selEnd = c.selEnd * t.app.doc.format.blockAlign;
        t.app.effects.spectral.noiseRemoval = {c.strength, c.halfWidth};
        ASSERT_EQ(CmdNoiseRemoval(t.app), 1) << c.name;
        EXPECT_EQ(Read(t.app), c.expected) << c.name;
    }
}

TEST(SpectralNoiseRemoval, CleanSineAlmostUnchangedAndClickRemoved) {
    // A full-scale 440 Hz tone at 44100 Hz, with the default strength 10 (largest correction
    // 327) and a median of 5; then the same with one sample thrown to the other side.
    const double amplitude = 32767, w = kTwoPi * 440 / 44100;
    auto sine = [&](int f) { return static_cast<int>(amplitude * std::sin(w * f)); };
    const int frames = 8000, click = 4321;
    for (bool clicked : {false, true}) {
        test::TestApp t;
        t.SetSound(
            16, 1, frames, [&](int f, int) { return clicked && f == click ? -sine(f) : sine(f); },
            44100);
        t.host.QueueDialog({{{kIdImpulseNoiseBar, "2"}}, false});
        ASSERT_EQ(DispatchCommand(t.app, IDM_NOISE_REMOVAL), 1);
        const Samples out = Read(t.app);
        for (int f = 0; f < frames; ++f) {
            if (clicked && std::abs(f - click) <= 3) {
                continue;
            }
            ASSERT_LT(std::abs(out[f] - sine(f)), 328) << "within 1 % of full scale at " << f;
        }
        if (clicked) {
            // The median puts a neighbour in the click's place: off by at most the tone's
            // change over one sample plus the smoothing's pull.
            const double slope = amplitude * w;
            EXPECT_LT(std::abs(out[click] - sine(click)), slope + 2 * 328)
                << "the click of " << 2 * std::abs(sine(click)) << " is gone";
        }
    }
}

// --- High-pass and vocoder -------------------------------------------------------------------

TEST(SpectralHighPass, RemovesToneBelowAQuarterOfTheRateAndKeepsOneAbove) {
    // Bins of 4096 at 44100 Hz: 200 is about 2153 Hz, 1400 about 15073 Hz; 1024 is 11025 Hz.
    test::TestApp t;
    const int frames = 3 * 4096;
    auto low = [](int f) { return BinTone(f, 200, 4096, 8000); };
    auto high = [](int f) { return BinTone(f, 1400, 4096, 8000); };
    t.SetSound(
        16, 2, frames, [&](int f, int c) { return c == 0 ? low(f) + high(f) : low(f); }, 44100);
    ASSERT_EQ(CmdSpectralHighPass(t.app), 1);
    const Samples out = Read(t.app);
    for (int f = 0; f < frames; ++f) {
        ASSERT_NEAR(out[2 * f], high(f), 2) << "frame " << f;
        ASSERT_EQ(out[2 * f + 1], low(f)) << "channel 1 is left alone, frame " << f;
    }
    // A selection shorter than a block is one zero-padded block; nothing outside it moves.
    test::TestApp s;
    s.SetSound(
        16, 1, 5000, [&](int f, int) { return low(f); }, 44100);
    s.app.doc.selStart = 2 * 1000;
    s.app.doc.selEnd = 2 * 3000;
    ASSERT_EQ(CmdSpectralHighPass(s.app), 1);
    const Samples part = Read(s.app);
    for (int f = 0; f < 5000; ++f) {
        if (f < 1000 || f >= 3000) {
            ASSERT_EQ(part[f], low(f)) << f;
        }
    }
    // The selection's own edges spread the tone a little; the rest of it is gone.
    Samples tone(part.size());
    for (int f = 0; f < 5000; ++f) {
        tone[f] = low(f);
    }
    EXPECT_LT(GainDb(tone, part, 1, 0, 1000, 3000), -20);
}

// The vocoder's three loops as written: stored values keep the format's width (16-bit values
// wrap, 8-bit ones keep their top byte), and the buffers start as zero bytes.
struct Stored {
    int bits;
    int Keep(int v) const {
        if (bits == 16) {
            return static_cast<std::int16_t>(static_cast<std::uint16_t>(v & 0xFFFF));
        }
        return (static_cast<std::uint8_t>((v >> 8) + 128) - 128) * 256;
    }
    int Zero() const { return bits == 16 ? 0 : -32768; }
};

Samples ReferenceVocoder(const Samples& sound, int bits, int channels, int selStart, int selEnd) {
    const Stored st{bits};
    const int n = static_cast<int>(sound.size()) / channels;
    auto x = [&](int frame) { return frame < n ? sound[frame * channels] : 0; };
    std::vector<int> carrier(n), band(n), y(n, st.Zero());
    for (int k = 0; k < n; ++k) {
        carrier[k] = st.Keep((k % 100) * 10000 / 100 - 5000);
    }
    for (int lag = 1; lag <= 255; lag += 2) {
        for (int t = 0; t + lag < n; ++t) {
            carrier[t] = st.Keep(carrier[t + lag] - carrier[t]);
        }
        for (int t = 0; t + lag < n; ++t) {
            band[t] = st.Keep(x(selStart + t + lag) - x(selStart + t));
        }
        int e = 0;
        for (int t = 0; t + lag < n; ++t) {
            e = (std::abs(band[t]) + 255 * e) / 256;
            const int g = e * 100 / 32768;
            y[t] = st.Keep(y[t] + carrier[t] * g / 100);
        }
    }
    Samples out = sound;
    for (int f = selStart; f < selEnd; ++f) {
        for (int c = 0; c < channels; ++c) {
            out[f * channels + c] = c == 0 ? y[f - selStart] : st.Zero();
        }
    }
    return out;
}

TEST(SpectralVocoder, MatchesItsLoopsOnEveryFormat) {
    struct Case {
        int bits, channels, frames, selStart, selEnd;
        bool silent;
    };
    const Case cases[] = {
        {16, 1, 400, 0, 0, false},
        {16, 2, 420, 100, 300, false},
        {8, 1, 300, 0, 0, false},
        {8, 2, 300, 50, 250, false},
        {16, 1, 300, 0, 0, true},
        {8, 1, 300, 0, 0, true},
        // Shorter than the longest lag.
        {16, 1, 200, 0, 0, false},
        {8, 2, 120, 30, 90, false},
        // Long enough for the periodic carrier and the last frames walked band by band: three
        // chunks for the threads to share, the last one short, from a selection that starts
        // inside the sound; one chunk, with the selection at the end of the sound.
        {8, 1, 50400, 1234, 49000, false},
        {16, 2, 18400, 17000, 18400, false},
    };
    for (const Case& c : cases) {
        test::TestApp t;
        t.SetSound(c.bits, c.channels, c.frames, [&](int f, int ch) {
            if (c.silent) {
                return 0;
            }
            const int v = static_cast<int>(12000 * std::sin(f * 0.3 + ch) * std::sin(f * 0.011));
            return c.bits == 8 ? v / 256 * 256 : v;
        });
        const Samples in = Read(t.app);
        const int end = c.selEnd ? c.selEnd : c.frames;
        t.app.doc.selStart = c.selStart * t.app.doc.format.blockAlign;
        t.app.doc.selEnd = c.selEnd * t.app.doc.format.blockAlign;
        ASSERT_EQ(CmdVocoder(t.app), 1);
        const Samples expected = ReferenceVocoder(in, c.bits, c.channels, c.selStart, end);
        EXPECT_EQ(Read(t.app), expected) << c.bits << "-bit, " << c.channels << " channels";
        if (c.silent) {
            // A silent modulator gives gain 0 in every band: Y's zero bytes come out.
            EXPECT_EQ(Read(t.app), Samples(in.size(), c.bits == 16 ? 0 : -32768));
        }
    }
}

// --- Undo, the busy gate, memory -------------------------------------------------------------

struct CommandCase {
    const char* name;
    Command command;
};

const CommandCase kCommands[] = {
    {"Equalizer", CmdEqualizer},
    {"ParametricEq", CmdParametricEq},
    {"NoiseRemoval", CmdNoiseRemoval},
    {"Vocoder", CmdVocoder},
    {"SpectralHighPass", CmdSpectralHighPass},
};

int Wave(int frame, int channel) {
    return static_cast<int>(15000 * std::sin(frame * (0.9 + channel))) + (frame % 7) * 1000;
}

void MoveEveryKnob(App& app) {
    app.effects.spectral.equalizer.positions = {0, 10, 20, 30, 70, 80, 90, 100, 0};
    app.effects.spectral.parametricEq.modules[0] = {1, 3000, 12, 24};
    app.effects.spectral.noiseRemoval = {100, 3};
}

TEST(SpectralEffects, OnlyTheSelectionChangesAndUndoRestoresEveryByte) {
    for (const CommandCase& command : kCommands) {
        for (int bits : {8, 16}) {
            for (int channels : {1, 2}) {
                test::TestApp t;
                t.SetSound(bits, channels, 2600, Wave, 8000);
                MoveEveryKnob(t.app);
                SoundDocument& doc = t.app.doc;
                const int step = doc.format.blockAlign;
                doc.selStart = 300 * step;
                doc.selEnd = 2300 * step;
                const std::vector<std::uint8_t> before = Bytes(t.app);
                ASSERT_EQ(command.command(t.app), 1) << command.name;
                const std::vector<std::uint8_t> after = Bytes(t.app);
                EXPECT_NE(after, before) << command.name << " " << bits << "/" << channels;
                for (int i = 0; i < doc.byteLength; ++i) {
                    if (i < doc.selStart || i >= doc.selEnd) {
                        ASSERT_EQ(after[i], before[i]) << command.name << " byte " << i;
                    }
                }
                EXPECT_TRUE(doc.modified);
                EXPECT_FALSE(t.app.busy);
                EXPECT_EQ(t.host.menu, &t.app.menus.normal);
                ASSERT_EQ(DispatchCommand(t.app, IDM_UNDO), 1);
                EXPECT_EQ(Bytes(t.app), before) << command.name;
            }
        }
    }
}

// The hidden keys reach the main window as typed characters, which the progress pump of a
// running command can deliver: neither may start on top of it.
TEST(SpectralEffects, HiddenKeysCannotStartOnTopOfARunningCommand) {
    for (Command command : {CmdEqualizer, CmdNoiseRemoval, CmdSpectralHighPass, CmdVocoder}) {
        test::TestApp reference;
        reference.SetSound(16, 2, 3000, Wave);
        MoveEveryKnob(reference.app);
        ASSERT_EQ(command(reference.app), 1);

        test::TestApp t;
        t.SetSound(16, 2, 3000, Wave);
        MoveEveryKnob(t.app);
        int pumps = 0;
        t.host.onPump = [&] {
            ++pumps;
            MainWndProc(t.app, msg::Char, 6, 0);
            MainWndProc(t.app, msg::Char, 20, 0);
            EXPECT_EQ(CmdVocoder(t.app), 0);
            EXPECT_EQ(CmdSpectralHighPass(t.app), 0);
            return true;
        };
        t.host.onEventPass = t.host.onPump;  // the high-pass shows no percentage
        t.app.effects.progressCounter = 190; // the first report comes soon
        ASSERT_EQ(command(t.app), 1);
        EXPECT_GT(pumps, 0);
        EXPECT_EQ(Bytes(t.app), Bytes(reference.app)) << "the result of an undisturbed run";
    }
}

TEST(SpectralEffects, OutOfMemoryLeavesTheSoundAsItWas) {
    struct Case {
        Command command;
        std::size_t limit; // the sound is 2000 bytes, its undo snapshot 2016
        const char* caption;
    };
    const Case cases[] = {
        {CmdEqualizer, 4000, "EQ"},                  // the transform's buffer
        {CmdParametricEq, 4000, "パラメトリックEQ"}, // likewise
        {CmdNoiseRemoval, 1999, "ノイズ除去"},       // the scratch buffer, before the snapshot
        {CmdVocoder, 2000, "ヴォコーダー"},          // the snapshot itself
        {CmdSpectralHighPass, 4000, "PITCH"},        // the transform's buffer
    };
    for (const Case& c : cases) {
        test::TestApp t;
        t.SetSound(16, 1, 1000, Wave);
        const std::vector<std::uint8_t> before = Bytes(t.app);
        SampleBlock::SetAllocationLimitForTesting(c.limit);
        const int result = c.command(t.app);
        SampleBlock::SetAllocationLimitForTesting(0);
        EXPECT_EQ(result, 0) << c.caption;
        ASSERT_EQ(t.host.messages.size(), 1u) << c.caption;
        EXPECT_EQ(t.host.messages[0].text, "メモリーが足りません");
        EXPECT_EQ(t.host.messages[0].caption, c.caption);
        EXPECT_EQ(t.host.messages[0].flags & mb::IconMask, mb::IconWarning);
        EXPECT_EQ(Bytes(t.app), before) << c.caption;
        EXPECT_FALSE(t.app.busy);
        EXPECT_FALSE(t.app.doc.modified);
    }
}

} // namespace
