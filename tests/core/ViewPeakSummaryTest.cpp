// The block summary a zoomed-out view draws from: exactly the extremes of the frames asked
// for, whatever the blocks and parts of blocks, and never older than the samples.
#include "SessionSupport.h"

#include "commands/devices/Transport.h"
#include "commands/effects/LevelEffects.h"
#include "commands/effects/PitchEffects.h"
#include "commands/generators/MelodyPaste.h"
#include "editor/CommandIds.h"
#include "editor/DocumentUi.h"
#include "model/WaveImage.h"

#include <gtest/gtest.h>

#include <random>

using namespace wt;
using namespace wt::test;

namespace {

TEST(PeakSummary, RangeGivesExactlyTheExtremesOfItsFrames) {
    constexpr std::int64_t B = PeakSummary::kBlockFrames;
    constexpr int kFrames = 7 * B + 100; // the sound ends in a part of a block
    const std::pair<std::int64_t, std::int64_t> ranges[] = {
        {0, 1},
        {5, 9},
        {B - 1, B + 1},
        {B, 2 * B},
        {3, 5 * B - 3},
        {B, 6 * B},
        {2 * B - 1, 4 * B + 1},
        {6 * B + 7, kFrames},
        {0, kFrames},
        {5 * B, 7 * B + 1},
    };
    for (const auto& [bits, channels] : {std::pair{8, 1}, {8, 2}, {16, 1}, {16, 2}}) {
        TestApp t;
        std::mt19937 rng(static_cast<unsigned>(bits * 10 + channels));
        // Small values, with single frames far out: a summary that lets a block stand in for a
        // part of it shows the far value in a range that does not hold it.
        t.SetSound(bits, channels, kFrames, [&](int f, int) {
            const int v = static_cast<int>(rng() % 2001) - 1000;
            return f % 97 == 3 ? v * 30 : v;
        });
        SoundDocument& doc = t.app.doc;
        for (const auto& [from, to] : ranges) {
            int low[2], high[2];
            doc.peaks.Range(doc, from, to, low, high);
            for (int c = 0; c < channels; ++c) {
                const auto [lo, hi] = FrameExtremes(doc, from, to, c);
                EXPECT_EQ(low[c], lo) << bits << "-bit " << channels << " ch, frames " << from
                                      << ".." << to << " channel " << c;
                EXPECT_EQ(high[c], hi) << bits << "-bit " << channels << " ch, frames " << from
                                       << ".." << to << " channel " << c;
            }
        }
    }
}

// Each command that changes the samples, with the summary filled from the sound before it and
// status texts left from before: the dispatch shows the sound's own afterwards.
TEST(PeakSummary, FollowsEveryEditEffectUndoAndRecording) {
    const DialogScript kHalfVolume{{{kIdVolumeBar, "50"}}};
    const DialogScript kPitchUp{{{kIdPitchEdit, "150"}}};
    // 44.1 kHz 16-bit stereo, 1 s.
    const DialogScript kRecord{{{104, "1"}, {202, "1"}, {302, "1"}, {kIdRecordTimeEdit, "1"}}};
    const struct {
        const char* name;
        int command;
        bool selectSecondHalf;
        const DialogScript* dialog;
    } steps[] = {
        {"reverse", IDM_REVERSE, true, nullptr},
        {"fade in", IDM_FADE_IN, true, nullptr},
        {"volume", IDM_VOLUME, false, &kHalfVolume},
        {"cut", IDM_CUT, true, nullptr},
        {"pitch", IDM_PITCH, true, &kPitchUp},
        {"paste", IDM_PASTE, false, nullptr},
        {"delete", IDM_DELETE, true, nullptr},
        {"silence", IDM_SILENCE, true, nullptr},
        {"undo", IDM_UNDO, false, nullptr},
        {"undo again", IDM_UNDO, false, nullptr},
        {"record", IDM_RECORD, false, &kRecord},
        {"undo the recording", IDM_UNDO, false, nullptr},
    };
    Rig r;
    r.t.host.chooseAnswer = [](unsigned) { return IdNo; }; // recording: discard the changes
    r.t.SetSound(16, 2, 40 * PeakSummary::kBlockFrames + 17,
                 [](int f, int c) { return (f * 37 + c * 1000) % 20000 - 10000; });
    SoundDocument& doc = r.doc();
    for (const auto& step : steps) {
        ASSERT_EQ(SummaryProblem(doc), "") << "before " << step.name;
        const SoundState before = SoundState::Of(doc);
        if (step.selectSecondHalf) {
            const std::int32_t half = doc.byteLength / 2 / doc.format.blockAlign;
            doc.selStart = half * doc.format.blockAlign;
            doc.selEnd = doc.byteLength;
        }
        if (step.dialog) {
            r.t.host.QueueDialog(*step.dialog);
        }
        for (int part : {0, 1, 2}) {
            r.app().status.SetText(part, "Sel :0.000-117.493(Sec)");
        }
        RunCommand(r, step.command, 40000);
        EXPECT_FALSE(SoundState::Of(doc).SameSound(before)) << step.name << " changed nothing";
        EXPECT_EQ(SummaryProblem(doc), "") << "after " << step.name;
        const std::string at = FormatSeconds(doc, doc.selStart),
                          to = FormatSeconds(doc, doc.selEnd);
        EXPECT_EQ(r.t.host.StatusText(2), doc.selStart == doc.selEnd
                                              ? "Cur :" + at + "(Sec)"
                                              : "Sel :" + at + "-" + to + "(Sec)")
            << step.name;
        EXPECT_EQ(r.t.host.StatusText(1), std::to_string(doc.byteLength) + " Bytes") << step.name;
        const std::string rate = std::to_string(doc.format.sampleRate) + "Hz";
        EXPECT_EQ(r.t.host.StatusText(0).rfind(rate, 0), 0u) << step.name;
    }
    EXPECT_TRUE(r.t.host.scriptErrors.empty());
}

// Commands that let events through while they work: a repaint then may fill the summary from
// the samples before the command changed them, and the summary must not keep that picture.
TEST(PeakSummary, RepaintsWhileACommandWorksLeaveNoStalePicture) {
    const DialogScript kMelody{{{kIdMelodyText, "cdefgab"}, {kIdTempoEdit, "240"}}};
    for (const int command : {IDM_MIX_PASTE, IDM_MELODY_PASTE}) {
        Rig r;
        r.t.SetSound(16, 1, 400 * PeakSummary::kBlockFrames,
                     [](int f, int) { return (f * 37) % 2000 - 1000; });
        // On the clipboard: 8 kHz 16-bit mono, loud, so that a mix changes every block it reaches.
        const std::uint32_t bytes = 2 * 30000;
        r.t.host.clipboard.assign(kWaveHeaderBytes + bytes, 0x50);
        WriteWaveHeader(r.t.host.clipboard.data(), {1, 1, 8000, 16000, 2, 16, 0}, bytes);
        r.t.host.clipboardHasWave = true;
        int looks = 0;
        // A repaint at every chance: the whole summary is filled from the samples as they are
        // then (a note half written, a mix not yet made).
        r.t.host.onPump = r.t.host.onEventPass = [&] {
            SummaryProblem(r.doc());
            ++looks;
            return false;
        };
        r.t.host.QueueDialog(kMelody); // taken by the melody paste only
        const SoundState before = SoundState::Of(r.doc());
        ASSERT_EQ(RunCommand(r, command), 1) << command;
        EXPECT_FALSE(SoundState::Of(r.doc()).SameSound(before)) << command << " changed nothing";
        EXPECT_GT(looks, 0) << command << " let no events through";
        EXPECT_EQ(SummaryProblem(r.doc()), "") << "after " << command;
    }
}

} // namespace
