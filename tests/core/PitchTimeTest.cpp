// Pitch change, time stretch and transpose: the commands against values worked out by hand,
// the splice search and the stretch against plain implementations of their formulas written
// here, frequencies measured with an FFT, and the commands in the effect frame (nothing done
// at 100 %, undo, memory shortage, progress, the time-stretch dialog). Batch mode is held by
// tests/cli/pitch_time.sh.
#include "EffectCaseSupport.h"

#include "commands/effects/PitchEffects.h"
#include "dsp/PitchTime.h"
#include "editor/AppProgress.h"
#include "editor/CommandIds.h"
#include "hosts/scripted/ScriptedDialog.h"
#include "resources/Dialogs.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <complex>
#include <random>

using namespace wt;
using namespace wt::test;

namespace {

// --- Hand-computed results of the commands ---------------------------------------------------

class PitchTimeEffect : public ::testing::TestWithParam<EffectCase> {};

TEST_P(PitchTimeEffect, GivesTheHandComputedSamples) {
    ExpectEffectCase(GetParam());
}

// clang-format off
const EffectCase kPitchTimeCases[] = {
    // Pitch 200 %: F * 100 / 200 frames, every other frame.
    {"Pitch200", CmdPitch, 16, 1, 22050, [](EffectState& s) { s.pitchTime.pitch.percent = 200; },
     {1000, 2000, 3000, 4000, 5000, 6000}, {1000, 3000, 5000}},
    // Pitch 50 %: twice the frames, halfway values between; the last one leans towards the
    // silence past the selection's end.
    {"Pitch50", CmdPitch, 16, 1, 22050, [](EffectState& s) { s.pitchTime.pitch.percent = 50; },
     {1000, 3000, -1000}, {1000, 2000, 3000, 1000, -1000, -500}},
    // Pitch 150 % on 8-bit stereo: 4 * 100 / 150 = 2 frames; frame 1 is read at 1.5.
    {"Pitch150EightStereo", CmdPitch, 8, 2, 22050, [](EffectState& s) { s.pitchTime.pitch.percent = 150; },
     {0, -2560, 2560, 0, 5120, -5120, 7680, 256}, {0, -2560, 3840, -2560}},
    // Frames 2..3 of eight at 50 %: the selection's partner past its end reads 0 although the
    // sound goes on, and the data after the selection follows the four new frames.
    {"Pitch50Inside", CmdPitch, 16, 1, 22050, [](EffectState& s) { s.pitchTime.pitch.percent = 50; },
     {10, 20, 30, 40, 50, 60, 70, 80}, {10, 20, 30, 35, 40, 20, 50, 60, 70, 80}, 2, 4},
    // Time stretch at 240 Hz: S = 8, W = 2, h = 1. At speed 200 the four new frames are one
    // segment: frame 0 fades in from silence (a weight of 0 for the source), the rest are copied.
    {"Stretch200", CmdTimeStretch, 16, 1, 240, [](EffectState& s) { s.pitchTime.timeStretch.speed = 200; },
     {100, 200, 300, 400, 500, 600, 700, 800}, {0, 200, 300, 400}},
    {"Stretch200EightStereo", CmdTimeStretch, 8, 2, 240, [](EffectState& s) { s.pitchTime.timeStretch.speed = 200; },
     {256, -256, 512, -512, 768, -768, 1024, -1024, 1280, -1280, 1536, -1536, 1792, -1792, 2048, -2048},
     {0, 0, 512, -512, 768, -768, 1024, -1024}},
    // At speed 50 the source advances by 4 frames a segment and the first segment reads past
    // the selection's end; the second starts at frame 8 with the source's frame 4, faded in
    // from the 0 the first one left there.
    {"Stretch50", CmdTimeStretch, 16, 1, 240, [](EffectState& s) { s.pitchTime.timeStretch.speed = 50; },
     {100, 200, 300, 400, 500, 600, 700, 800},
     Concat({0, 200, 300, 400, 500, 600, 700, 800, 0, 600, 700, 800}, Repeat(0, 4))},
    // Below 30 Hz a segment is still one frame (W = h = 0), so the stretch ends: every other
    // frame at speed 200.
    {"StretchBelow30Hz", CmdTimeStretch, 16, 1, 20, [](EffectState& s) { s.pitchTime.timeStretch.speed = 200; },
     {100, 200, 300, 400}, {100, 300}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Values, PitchTimeEffect, ::testing::ValuesIn(kPitchTimeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TransposeStep, IsTheRatioInWholePercentTruncated) {
    // {cents, step, bytes of 1000 frames of 2 bytes}: +1200 comes out just above 2 and -1200
    // just below 0.5, so the octave down steps by 49 and leaves 2000 frames.
    const struct {
        int cents;
        std::int64_t step;
        std::int64_t bytes;
    } cases[] = {{10, 100, 1988},  {-1, 99, 2001},   {1200, 200, 999}, {-1200, 49, 4000},
                 {100, 105, 1887}, {-100, 94, 2118}, {700, 149, 1334}, {-700, 66, 2996}};
    for (const auto& c : cases) {
        EXPECT_EQ(TransposeStep(c.cents), c.step) << c.cents;
        EXPECT_EQ(TransposeBytes(1000, c.cents, 2), c.bytes) << c.cents;
    }
}

// --- The kernels against their formulas --------------------------------------------------------

// Channel c of frame `frame` of a region, 0 outside it: ReadSampleBounded.
int ReadAt(const SoundDocument& doc, const SampleRegion& r, std::int64_t frame, int c) {
    const std::int64_t at = frame * doc.format.blockAlign;
    return frame < 0 || at >= r.bytes ? 0 : ReadSample(doc, r.start + at, c);
}

// The splice search as stated: every read bounded, the squares summed as doubles.
int ReferenceSpliceOffset(const SoundDocument& doc, const SampleRegion& out, std::int64_t outPos,
                          const SampleRegion& src, std::int64_t srcPos, int w) {
    const int h = w / 2;
    double best = h * 4294836225.0;
    int result = 0;
    for (int i = 0; i < h; ++i) {
        double e = 0;
        for (int c = 0; c < doc.format.channels; ++c) {
            for (int k = 0; k < h; ++k) {
                const double d =
                    ReadAt(doc, src, srcPos + k, c) - ReadAt(doc, out, outPos + i + k, c);
                e += d * d;
            }
        }
        if (e < best) {
            best = e;
            result = i;
        }
    }
    return result;
}

// The stretch as stated, with the reference search.
void ReferenceStretch(const SoundDocument& doc, const SampleRegion& src, const SampleRegion& dst) {
    const std::int64_t ba = doc.format.blockAlign;
    const std::int64_t s = doc.format.sampleRate / 30, w = s / 4, h = w / 2;
    const std::int64_t frames = (dst.bytes + ba - 1) / ba;
    for (std::int64_t f = 0; f < std::min(w, frames); ++f) {
        for (int c = 0; c < doc.format.channels; ++c) {
            WriteSample(doc, dst.start + f * ba, 0, c);
        }
    }
    for (std::int64_t outPos = 0, srcPos = 0; outPos < frames;
         outPos += s, srcPos += s * src.bytes / dst.bytes) {
        const int off = ReferenceSpliceOffset(doc, dst, outPos, src, srcPos, static_cast<int>(w));
        for (std::int64_t j = 0; j < s + w - off && outPos + off + j < frames; ++j) {
            for (int c = 0; c < doc.format.channels; ++c) {
                const int x = ReadAt(doc, src, srcPos + j, c);
                std::uint8_t* at = dst.start + (outPos + off + j) * ba;
                const int old = ReadAt(doc, dst, outPos + off + j, c);
                WriteSample(doc, at, j < h ? static_cast<int>(((h - j) * old + j * x) * 2 / w) : x,
                            c);
            }
        }
    }
}

// A block of frames of the test sound's format with `slack` bytes to spare.
struct Block {
    std::vector<std::uint8_t> bytes;
    std::int64_t length;
    Block(std::int64_t length, std::size_t slack = 64)
        : bytes(static_cast<std::size_t>(length) + slack), length(length) {}
    SampleRegion Region() { return {bytes.data(), length}; }
};

// Loud material with clipped stretches and steps, so that the search has real work and the
// extremes (-32768 and 32767) occur.
void FillSignal(const SoundDocument& doc, Block& block, std::mt19937& random, double period) {
    std::uniform_int_distribution<int> noise(-3000, 3000);
    const int ba = doc.format.blockAlign;
    for (std::int64_t f = 0; f * ba < block.length; ++f) {
        for (int c = 0; c < doc.format.channels; ++c) {
            double v =
                40000 * std::sin(static_cast<double>(f) * 2 * M_PI / period + c) + noise(random);
            v = std::clamp(v, -32768.0, 32767.0);
            WriteSample(doc, block.bytes.data() + f * ba, static_cast<int>(v), c);
        }
    }
}

struct LayoutCase {
    int bits, channels;
};

void PrintTo(const LayoutCase& c, std::ostream* os) {
    *os << c.bits << "-bit " << c.channels << "-channel";
}

class SpliceSearch : public ::testing::TestWithParam<LayoutCase> {};

// Random windows anywhere around two regions (overlapping either end, wholly outside, with a
// partial last frame), with overlaps that take the fast path and ones too long for it.
TEST_P(SpliceSearch, FindsTheSameOffsetAsThePlainSearch) {
    TestApp t;
    t.SetSound(GetParam().bits, GetParam().channels, 1, [](int, int) { return 0; });
    const SoundDocument& doc = t.app.doc;
    const SampleLayout layout = SampleLayout::Of(doc);
    const int ba = doc.format.blockAlign;
    std::mt19937 random(GetParam().bits * 10 + GetParam().channels);
    std::uniform_int_distribution<int> overlapOf(0, 400);
    for (int run = 0; run < 300; ++run) {
        const int w = run == 0 ? 2 * (4096 / GetParam().channels + 1) : overlapOf(random);
        const int h = w / 2;
        Block out(static_cast<std::int64_t>(3 * h + 50) * ba - run % ba);
        Block src(static_cast<std::int64_t>(2 * h + 30) * ba);
        FillSignal(doc, out, random, 30 + run % 50);
        FillSignal(doc, src, random, 30 + run % 50);
        std::uniform_int_distribution<std::int64_t> at(-h - 5, 2 * h + 10);
        const std::int64_t outPos = at(random), srcPos = at(random);
        ASSERT_EQ(FindSpliceOffset(layout, out.Region(), outPos, src.Region(), srcPos, w),
                  ReferenceSpliceOffset(doc, out.Region(), outPos, src.Region(), srcPos, w))
            << "run " << run << " W " << w << " at " << outPos << ", " << srcPos;
    }
}

// The output repeats every 37 frames exactly and the source is the same pattern `phase`
// frames on: the windows match wherever 100 + i = 50 + phase (mod 37), and of these equal
// minima the earliest wins.
TEST_P(SpliceSearch, OnAPeriodicSignalFindsTheEarliestBestMatch) {
    TestApp t;
    t.SetSound(GetParam().bits, GetParam().channels, 1, [](int, int) { return 0; });
    const SoundDocument& doc = t.app.doc;
    const int ba = doc.format.blockAlign;
    auto pattern = [](std::int64_t f, int c) {
        const int x = static_cast<int>(f % 37);
        return (x < 19 ? x * 1700 : (37 - x) * 1700) - 15000 + c * 4000;
    };
    for (const int phase : {0, 5, 36, 50, 61}) {
        Block out(600 * ba), src(600 * ba);
        for (int f = 0; f < 600; ++f) {
            for (int c = 0; c < doc.format.channels; ++c) {
                WriteSample(doc, out.bytes.data() + f * ba, pattern(f, c), c);
                WriteSample(doc, src.bytes.data() + f * ba, pattern(f + phase, c), c);
            }
        }
        const int expected = ((phase - 50) % 37 + 37) % 37;
        EXPECT_EQ(FindSpliceOffset(SampleLayout::Of(doc), out.Region(), 100, src.Region(), 50, 160),
                  expected)
            << "phase " << phase;
    }
}

// The whole stretch, byte for byte, against the stretch written above, at the segment sizes
// of several sample rates, shorter and longer.
TEST_P(SpliceSearch, StretchWritesTheSameBytesAsThePlainStretch) {
    for (const std::uint32_t rate : {240u, 8000u, 44100u}) {
        for (const double ratio : {0.37, 0.5, 2.0, 2.6}) {
            TestApp t;
            AppProgress progress(t.app);
            t.SetSound(
                GetParam().bits, GetParam().channels, 1, [](int, int) { return 0; }, rate);
            const SoundDocument& doc = t.app.doc;
            const int ba = doc.format.blockAlign;
            std::mt19937 random(rate);
            const std::int64_t srcFrames = rate == 240 ? 300 : 6000;
            Block src(srcFrames * ba);
            FillSignal(doc, src, random, 97.3);
            const auto dstFrames =
                static_cast<std::int64_t>(static_cast<double>(srcFrames) * ratio);
            Block fast(dstFrames * ba), plain(dstFrames * ba);
            StretchTime(t.app.doc, progress, "x", 0, 100, src.Region(), fast.Region());
            ReferenceStretch(doc, src.Region(), plain.Region());
            ASSERT_EQ(fast.bytes, plain.bytes) << rate << " Hz, ratio " << ratio;
        }
    }
}

// Transpose makes its resampled sound a window at a time: with the smallest window, a middle
// one and one holding all of it, the bytes are those of the whole resample followed by the
// whole stretch, and the progress never goes back.
TEST_P(SpliceSearch, TransposeInWindowsWritesTheSameBytesAsInOneBuffer) {
    for (const std::uint32_t rate : {240u, 8000u}) {
        for (const int cents : {-1200, -300, 700}) {
            TestApp t;
            AppProgress progress(t.app);
            t.SetSound(
                GetParam().bits, GetParam().channels, 1, [](int, int) { return 0; }, rate);
            const SoundDocument& doc = t.app.doc;
            const SampleLayout layout = SampleLayout::Of(doc);
            const int ba = layout.blockAlign;
            std::mt19937 random(rate + static_cast<unsigned>(cents));
            const std::int64_t frames = rate == 240 ? 301 : 6001;
            Block src(frames * ba);
            FillSignal(doc, src, random, 61.7);
            const std::int64_t step = TransposeStep(cents);
            const std::int64_t shiftedBytes = TransposeBytes(frames, cents, ba);
            Block shifted(shiftedBytes), expected(frames * ba);
            ResampleLinear(t.app.doc, progress, "x", 0, 50, step, src.Region(), shifted.Region());
            StretchTime(t.app.doc, progress, "x", 50, 100, shifted.Region(), expected.Region());
            const StretchSegments seg = StretchSegments::ForRate(rate);
            const std::int64_t whole = TransposeWindowBytes(layout, rate, shiftedBytes);
            for (const std::int64_t windowBytes :
                 {(seg.hop + seg.overlap) * ba, (3 * seg.hop + 7) * ba, whole}) {
                Block window(windowBytes), out(frames * ba);
                int last = 0;
                t.host.onPump = [&] {
                    const std::string text = t.host.StatusText(0);
                    const int percent = std::stoi(text.substr(text.find(':') + 1));
                    EXPECT_GE(percent, last) << text;
                    last = percent;
                    return false;
                };
                TransposeTime(t.app.doc, progress, "x", step, src.Region(), shiftedBytes,
                              out.Region(), window.Region());
                t.host.onPump = nullptr;
                EXPECT_EQ(out.bytes, expected.bytes)
                    << rate << " Hz, " << cents << " cents, window " << windowBytes;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, SpliceSearch,
                         ::testing::Values(LayoutCase{8, 1}, LayoutCase{8, 2}, LayoutCase{16, 1},
                                           LayoutCase{16, 2}, LayoutCase{16, 3}),
                         [](const auto& info) {
                             return std::to_string(info.param.bits) + "bit" +
                                    std::to_string(info.param.channels) + "ch";
                         });

// Step 100 copies the source: past 21,474,836 frames a position counted in hundredths of a
// frame no longer fits 32 bits, and every frame must still be the source's.
TEST(ResampleLinear, CopiesSelectionsBeyondThirtyTwoBitPositions) {
    constexpr std::int64_t kFrames = 21'600'000;
    TestApp t;
    AppProgress progress(t.app);
    t.SetSound(8, 1, 1, [](int, int) { return 0; });
    std::vector<std::uint8_t> source(kFrames), copy(kFrames + 16);
    for (std::int64_t f = 0; f < kFrames; ++f) {
        source[static_cast<std::size_t>(f)] = static_cast<std::uint8_t>(f * 7 % 251);
    }
    ResampleLinear(t.app.doc, progress, "x", 0, 100, 100, {source.data(), kFrames},
                   {copy.data(), kFrames});
    copy.resize(kFrames);
    EXPECT_TRUE(copy == source);
}

// --- Frequencies ---------------------------------------------------------------------------

// The strongest frequency of 16384 frames from `first` on: a Hann window, a radix-2 FFT and a
// parabola through the peak bin and its neighbours.
double StrongestFrequency(const Samples& values, std::size_t first, double rate) {
    constexpr std::size_t n = 16384;
    std::vector<std::complex<double>> x(n);
    for (std::size_t i = 0; i < n; ++i) {
        x[i] = values[first + i] * (0.5 - 0.5 * std::cos(2 * M_PI * static_cast<double>(i) / n));
    }
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(x[i], x[j]);
        }
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const auto w = std::polar(1.0, -2 * M_PI / static_cast<double>(len));
        for (std::size_t i = 0; i < n; i += len) {
            std::complex<double> wk = 1;
            for (std::size_t k = 0; k < len / 2; ++k, wk *= w) {
                const auto u = x[i + k], v = x[i + k + len / 2] * wk;
                x[i + k] = u + v;
                x[i + k + len / 2] = u - v;
            }
        }
    }
    std::size_t peak = 1;
    for (std::size_t i = 1; i < n / 2; ++i) {
        if (std::abs(x[i]) > std::abs(x[peak])) {
            peak = i;
        }
    }
    const double a = std::abs(x[peak - 1]), b = std::abs(x[peak]), c = std::abs(x[peak + 1]);
    const double shift = 0.5 * (a - c) / (a - 2 * b + c);
    return (static_cast<double>(peak) + shift) * rate / n;
}

struct FrequencyCase {
    const char* name;
    Command command;
    void (*setParams)(EffectState&);
    double frequency; // expected, Hz
    int frames;       // expected length of the 44100-frame sound
};

void PrintTo(const FrequencyCase& c, std::ostream* os) {
    *os << c.name;
}

class PitchTimeFrequency : public ::testing::TestWithParam<FrequencyCase> {};

// One second of 440 Hz at 44100 Hz.
TEST_P(PitchTimeFrequency, MeasuresWithinOnePercent) {
    const FrequencyCase& c = GetParam();
    TestApp t;
    t.SetSound(
        16, 1, 44100,
        [](int f, int) { return static_cast<int>(20000 * std::sin(2 * M_PI * 440 * f / 44100)); },
        44100);
    c.setParams(t.app.effects);
    ASSERT_EQ(c.command(t.app), 1);
    const Samples out = ReadAll(t.app);
    ASSERT_EQ(static_cast<int>(out.size()), c.frames);
    const double measured = StrongestFrequency(out, out.size() / 2 - 8192, 44100);
    EXPECT_NEAR(measured, c.frequency, c.frequency / 100);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, PitchTimeFrequency,
    ::testing::Values(
        FrequencyCase{"TransposeOctaveUp", CmdTranspose,
                      [](EffectState& s) { s.pitchTime.transpose.cents = 1200; }, 880, 44100},
        // Step 49, not 50: the octave down lands at 0.49 * 440 Hz.
        FrequencyCase{"TransposeOctaveDown", CmdTranspose,
                      [](EffectState& s) { s.pitchTime.transpose.cents = -1200; }, 215.6, 44100},
        FrequencyCase{"TransposeFifthUp", CmdTranspose,
                      [](EffectState& s) { s.pitchTime.transpose.cents = 700; }, 440 * 1.49, 44100},
        FrequencyCase{"Stretch200", CmdTimeStretch,
                      [](EffectState& s) { s.pitchTime.timeStretch.speed = 200; }, 440, 22050},
        FrequencyCase{"Stretch50", CmdTimeStretch,
                      [](EffectState& s) { s.pitchTime.timeStretch.speed = 50; }, 440, 88200},
        FrequencyCase{"Pitch150", CmdPitch, [](EffectState& s) { s.pitchTime.pitch.percent = 150; },
                      660, 29400}),
    [](const auto& info) { return std::string(info.param.name); });

// --- The commands in the frame ---------------------------------------------------------------

// A signal that touches the extremes and both signs on every channel.
int Signal(int frame, int channel) {
    static const int values[] = {-32768, 32767, 0, 1, -1, 12345, -23456, 256, -256, 30000};
    return values[(frame * 3 + channel * 7) % 10];
}

struct Command3 {
    const char* name;
    Command command;
    int menuId;
    const char* caption;
    void (*neutral)(EffectState&); // the value at which the command does nothing
    void (*changing)(EffectState&);
};

void PrintTo(const Command3& c, std::ostream* os) {
    *os << c.name;
}

// clang-format off
const Command3 kCommands[] = {
    {"Pitch", CmdPitch, IDM_PITCH, "ピッチ",
     [](EffectState& s) { s.pitchTime.pitch.percent = 100; }, [](EffectState& s) { s.pitchTime.pitch.percent = 50; }},
    {"TimeStretch", CmdTimeStretch, IDM_TIME_STRETCH, "タイムストレッチ",
     [](EffectState& s) { s.pitchTime.timeStretch.speed = 100; }, [](EffectState& s) { s.pitchTime.timeStretch.speed = 37; }},
    {"Transpose", CmdTranspose, IDM_TRANSPOSE, "トランスポーズ",
     [](EffectState& s) { s.pitchTime.transpose = {0, 1, 50}; }, [](EffectState& s) { s.pitchTime.transpose = {-300, 0, 50}; }},
    {"Harmonize", CmdTranspose, IDM_TRANSPOSE, "トランスポーズ",
     [](EffectState& s) { s.pitchTime.transpose = {0, 1, 50}; }, [](EffectState& s) { s.pitchTime.transpose = {500, 1, 70}; }},
};
// clang-format on

class PitchTimeCommand : public ::testing::TestWithParam<Command3> {};

// At 100 % (or 0 cents) and on Cancel nothing happens, not even the undo snapshot; the
// selection rule has run. A value that asks for no change is done (1), Cancel is not (0).
TEST_P(PitchTimeCommand, NeutralValueAndCancelChangeNothing) {
    for (const bool cancel : {false, true}) {
        TestApp t;
        t.SetSound(16, 2, 300, Signal, 8000);
        ASSERT_EQ(TakeSnapshot(t.app.doc, t.app.undo), 1);
        t.app.undo.selEnd = 123;
        const std::vector<std::uint8_t> before = Bytes(t.app);
        (cancel ? GetParam().changing : GetParam().neutral)(t.app.effects);
        t.host.QueueDialog({{}, cancel});
        EXPECT_EQ(DispatchCommand(t.app, GetParam().menuId), cancel ? 0 : 1);
        EXPECT_EQ(Bytes(t.app), before);
        EXPECT_EQ(t.app.undo.selEnd, 123) << "no snapshot was taken";
        EXPECT_EQ(t.app.doc.selEnd, 1200);
        EXPECT_FALSE(t.app.doc.modified);
        EXPECT_TRUE(t.host.messages.empty());
    }
}

// Only the selection changes (the data after it moves with a length change), and undo
// restores every byte and the selection; undoing again brings the result back.
TEST_P(PitchTimeCommand, UndoRestoresEveryByteOnEveryFormat) {
    for (const LayoutCase format :
         {LayoutCase{8, 1}, LayoutCase{8, 2}, LayoutCase{16, 1}, LayoutCase{16, 2}}) {
        TestApp t;
        t.SetSound(format.bits, format.channels, 3000, Signal, 8000);
        SoundDocument& doc = t.app.doc;
        const int ba = doc.format.blockAlign;
        doc.selStart = 200 * ba;
        doc.selEnd = 2800 * ba;
        GetParam().changing(t.app.effects);
        const std::vector<std::uint8_t> before = Bytes(t.app);
        ASSERT_EQ(DispatchCommand(t.app, GetParam().menuId), 1);
        const std::vector<std::uint8_t> after = Bytes(t.app);
        const std::size_t tail = 200 * static_cast<std::size_t>(ba);
        ASSERT_EQ(after.size(),
                  before.size() - 2600 * ba + static_cast<std::size_t>(doc.selEnd - doc.selStart));
        EXPECT_TRUE(std::equal(before.begin(), before.begin() + 200 * ba, after.begin()));
        EXPECT_TRUE(std::equal(before.end() - static_cast<std::ptrdiff_t>(tail), before.end(),
                               after.end() - static_cast<std::ptrdiff_t>(tail)));
        EXPECT_NE(after, before);
        EXPECT_TRUE(doc.modified);
        ASSERT_EQ(DispatchCommand(t.app, IDM_UNDO), 1);
        EXPECT_EQ(Bytes(t.app), before);
        EXPECT_EQ(doc.selEnd, 2800 * ba);
        ASSERT_EQ(DispatchCommand(t.app, IDM_UNDO), 1);
        EXPECT_EQ(Bytes(t.app), after);
    }
}

// Makes every allocation above `bytes` fail while it lives.
struct AllocationLimit {
    explicit AllocationLimit(std::size_t bytes) {
        SampleBlock::SetAllocationLimitForTesting(bytes);
    }
    ~AllocationLimit() { SampleBlock::SetAllocationLimitForTesting(0); }
};

// 1000 frames of 16-bit stereo (4000 bytes). A limit of 1000 bytes refuses the undo copy;
// with the snapshot block already at size, 1 byte refuses the longer sound (pitch, time
// stretch) or the transpose's window.
TEST_P(PitchTimeCommand, ShortOfMemoryLeavesTheSoundAsItWasAndSaysSo) {
    for (const std::size_t limit : {std::size_t{1000}, std::size_t{1}}) {
        TestApp t;
        t.SetSound(16, 2, 1000, Signal);
        if (limit != 1000) {
            ASSERT_EQ(TakeSnapshot(t.app.doc, t.app.undo), 1);
        }
        GetParam().changing(t.app.effects);
        const std::vector<std::uint8_t> before = Bytes(t.app);
        t.host.onPump = [] {
            ADD_FAILURE() << "no processing without memory";
            return false;
        };
        {
            AllocationLimit cap(limit);
            EXPECT_EQ(GetParam().command(t.app), 0);
        }
        ASSERT_EQ(t.host.messages.size(), 1u) << limit;
        EXPECT_EQ(t.host.messages[0].text, "メモリーが足りません");
        EXPECT_EQ(t.host.messages[0].caption, GetParam().caption);
        EXPECT_EQ(t.host.messages[0].flags, mb::Ok | mb::IconWarning);
        EXPECT_EQ(Bytes(t.app), before);
        EXPECT_EQ(t.app.doc.selEnd, 4000);
        EXPECT_FALSE(t.app.doc.modified);
        EXPECT_FALSE(t.app.busy);
        EXPECT_EQ(t.host.menu, &t.app.menus.normal);
    }
}

INSTANTIATE_TEST_SUITE_P(Commands, PitchTimeCommand, ::testing::ValuesIn(kCommands),
                         [](const auto& info) { return std::string(info.param.name); });

// A file may claim any rate. At 400 MHz a segment is 13,333,333 frames and the splice window
// h = 1,666,666 frames, far beyond a short sound: time stretch and transpose of 300 frames
// finish at once, and the stretch's single segment fades in from silence over the whole
// result, ((h - j) * 0 + j * s) * 2 / W. A long sound at that rate is refused with a message
// before anything changes; at 768 kHz, the highest rate in use, it is stretched.
TEST(PitchTimeCommand, SoundsAtRatesFarAboveAnyInUseFinishOrAreRefused) {
    const auto started = std::chrono::steady_clock::now();
    struct Case {
        const char* name;
        std::uint32_t rate;
        int frames;
        int menuId;
        const char* caption; // of the refusal; nullptr: done
    };
    const Case cases[] = {
        {"short stretch", 400'000'000, 300, IDM_TIME_STRETCH, nullptr},
        {"short transpose", 400'000'000, 300, IDM_TRANSPOSE, nullptr},
        {"long stretch", 400'000'000, 20000, IDM_TIME_STRETCH, "タイムストレッチ"},
        {"long transpose", 400'000'000, 20000, IDM_TRANSPOSE, "トランスポーズ"},
        {"long stretch at 768 kHz", 768000, 20000, IDM_TIME_STRETCH, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestApp t;
        t.SetSound(16, 2, c.frames, Signal, c.rate);
        ASSERT_EQ(TakeSnapshot(t.app.doc, t.app.undo), 1);
        t.app.undo.selEnd = 123;
        t.app.effects.pitchTime.timeStretch.speed = 50;
        t.app.effects.pitchTime.transpose = {700, 0, 50};
        const std::vector<std::uint8_t> before = Bytes(t.app);
        t.host.QueueDialog({{}, false});
        ASSERT_EQ(DispatchCommand(t.app, c.menuId), c.caption ? 0 : 1);
        if (c.caption) {
            ASSERT_EQ(t.host.messages.size(), 1u);
            EXPECT_EQ(t.host.messages[0].text, "サンプリング周波数が高すぎるため処理できません");
            EXPECT_EQ(t.host.messages[0].caption, c.caption);
            EXPECT_EQ(t.host.messages[0].flags, mb::Ok | mb::IconWarning);
            EXPECT_EQ(Bytes(t.app), before);
            EXPECT_EQ(t.app.undo.selEnd, 123) << "no snapshot was taken";
            EXPECT_FALSE(t.app.doc.modified);
            continue;
        }
        EXPECT_TRUE(t.host.messages.empty());
        const int frames = c.menuId == IDM_TIME_STRETCH ? 2 * c.frames : c.frames;
        ASSERT_EQ(t.app.doc.byteLength, 4 * frames);
        if (c.menuId == IDM_TIME_STRETCH && c.frames == 300) {
            const std::int64_t w = 400'000'000 / 30 / 4;
            for (int j = 0; j < frames; ++j) {
                for (int ch = 0; ch < 2; ++ch) {
                    const std::int64_t s = j < c.frames ? Signal(j, ch) : 0;
                    ASSERT_EQ(ReadSample(t.app.doc, t.app.doc.Data() + 4 * j, ch), j * s * 2 / w)
                        << j << ", " << ch;
                }
            }
        }
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(60));
}

// Pitch at 50 % doubles the selection; when the sound cannot grow to take it, the sound is
// put back as it was before the command and the user is told.
TEST(PitchTimeStore, AFailedResizeLeavesTheSoundAsItWas) {
    TestApp t;
    t.SetSound(16, 2, 1000, Signal);
    t.app.doc.selEnd = 2000;
    t.app.effects.pitchTime.pitch.percent = 50;
    const std::vector<std::uint8_t> before = Bytes(t.app);
    {
        // The snapshot (4016 bytes) fits, the 6016-byte sound does not.
        AllocationLimit cap(5000);
        EXPECT_EQ(CmdPitch(t.app), 0);
    }
    ASSERT_EQ(t.host.messages.size(), 1u);
    EXPECT_EQ(t.host.messages[0].caption, "ピッチ");
    EXPECT_EQ(Bytes(t.app), before);
    EXPECT_EQ(t.app.doc.selEnd, 2000);
    EXPECT_FALSE(t.app.doc.modified);
    EXPECT_FALSE(t.app.busy);
    EXPECT_EQ(t.host.menu, &t.app.menus.normal);
}

// Harmonize at 0 % rewrites each sample with its own value; at 100 % it gives the transposed
// sound alone. Either way the length stays.
TEST(Harmonize, MixesTheUnshiftedAndTheShiftedSound) {
    auto run = [](int harmonize, int mix) {
        TestApp t;
        t.SetSound(16, 2, 5000, Signal, 8000);
        t.app.effects.pitchTime.transpose = {-500, harmonize, mix};
        EXPECT_EQ(CmdTranspose(t.app), 1);
        return Bytes(t.app);
    };
    TestApp original;
    original.SetSound(16, 2, 5000, Signal, 8000);
    EXPECT_EQ(run(1, 0), Bytes(original.app));
    const std::vector<std::uint8_t> shifted = run(0, 50);
    EXPECT_EQ(shifted.size(), Bytes(original.app).size());
    EXPECT_NE(shifted, Bytes(original.app));
    EXPECT_EQ(run(1, 100), shifted);
}

struct ProgressCase {
    const char* name;
    Command command;
    void (*setParams)(EffectState&);
    std::uint32_t rate;
    int frames;
    std::vector<std::string> texts; // status part 0 at each pump
};

void PrintTo(const ProgressCase& c, std::ostream* os) {
    *os << c.name;
}

class PitchTimeProgress : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(PitchTimeProgress, ReportsItsRange) {
    const ProgressCase& c = GetParam();
    TestApp t;
    t.SetSound(16, 1, c.frames, Signal, c.rate);
    c.setParams(t.app.effects);
    std::vector<std::string> texts;
    t.host.onPump = [&] {
        texts.push_back(t.host.StatusText(0));
        EXPECT_TRUE(t.app.busy);
        return false;
    };
    ASSERT_EQ(c.command(t.app), 1);
    EXPECT_EQ(texts, c.texts);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, PitchTimeProgress,
    ::testing::Values(
        // 1000 frames written, a text after every 200th with the bytes written so far.
        ProgressCase{"Pitch",
                     CmdPitch,
                     [](EffectState& s) { s.pitchTime.pitch.percent = 200; },
                     22050,
                     2000,
                     {"ピッチ: 20%", "ピッチ: 40%", "ピッチ: 60%", "ピッチ: 80%", "ピッチ:100%"}},
        // The resample fills 0..50 % over 2000 frames; the stretch of two segments shows none.
        ProgressCase{"Transpose",
                     CmdTranspose,
                     [](EffectState& s) { s.pitchTime.transpose.cents = -1200; },
                     22050,
                     1000,
                     {"トランスポーズ:  5%", "トランスポーズ: 10%", "トランスポーズ: 15%",
                      "トランスポーズ: 20%", "トランスポーズ: 25%", "トランスポーズ: 30%",
                      "トランスポーズ: 35%", "トランスポーズ: 40%", "トランスポーズ: 45%",
                      "トランスポーズ: 50%"}},
        // 500 segments of 8 frames at 240 Hz, one report each: the 200th and 400th show the
        // bytes up to the next segment, 1600 and 3200 of 4000 frames.
        ProgressCase{"TimeStretch",
                     CmdTimeStretch,
                     [](EffectState& s) { s.pitchTime.timeStretch.speed = 50; },
                     240,
                     2000,
                     {"タイムストレッチ: 40%", "タイムストレッチ: 80%"}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- The time-stretch dialog -------------------------------------------------------------------

// Dialog 10 shows the selection's duration D and D * 100 / V, and follows the bar and the
// field as they move.
TEST(TimeStretchDialog, ShowsBothDurationsAsTheSpeedMoves) {
    TimeStretchParams params;
    params.speed = 200;
    // One second at 44100 Hz, as CmdTimeStretch works it out.
    std::vector<DialogBinding> table = TimeStretchBindings(params, 44100LL * 1000 / 44100);
    ParamDialogState state;
    ScriptedDialog dlg(*FindDialogTemplate(kDialogTimeStretch),
                       [&](DialogHost& d, unsigned m, WParam w, LParam l) {
                           return ParamDlgProc(d, m, w, l, state);
                       });
    ASSERT_TRUE(dlg.Initialize(reinterpret_cast<LParam>(table.data())));
    auto shown = [&] {
        return dlg.GetItemText(kIdDurationBefore) + " " + dlg.GetItemText(kIdDurationAfter);
    };
    EXPECT_EQ(shown(), "1000 500");
    const struct {
        int control;
        const char* value;
        const char* durations;
    } steps[] = {{kIdSpeedBar, "400", "1000 250"},  {kIdSpeedBar, "20", "1000 5000"},
                 {kIdSpeedEdit, "300", "1000 333"}, {kIdSpeedEdit, "900", "1000 250"},
                 {kIdSpeedEdit, "abc", "1000 250"}, {kIdSpeedBar, "64", "1000 1562"}};
    for (const auto& step : steps) {
        std::string error;
        ASSERT_TRUE(dlg.Apply(step.control, step.value, error)) << error;
        EXPECT_EQ(shown(), step.durations) << step.control << "=" << step.value;
    }
    EXPECT_EQ(params.speed, 64);
}

} // namespace
