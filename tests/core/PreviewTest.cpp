// The preview of an effect: what it plays is what OK writes, it leaves the editor as it was,
// and the dialog's 試聴 button starts, changes and stops it.
#include "TestApp.h"

#include "commands/generators/MelodyPaste.h"
#include "editor/CommandIds.h"
#include "hosts/scripted/FakeWaveDevices.h"
#include "hosts/scripted/ScriptedDialog.h"
#include "preview/PreviewEngine.h"
#include "preview/PreviewRender.h"
#include "resources/Dialogs.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

namespace wt {
namespace {

using test::TestApp;

constexpr std::uint32_t kRate = 8000;

// A tone whose loudness swells and falls, with a little noise: dynamics, gates and spectral
// effects all have something to act on.
int TestSample(int frame, int channel) {
    const double t = static_cast<double>(frame) / kRate;
    const double swell = 0.5 + 0.5 * std::sin(t * 1.7);
    const int noise = static_cast<int>((frame * 7919u + channel * 104729u) % 2001u) - 1000;
    return static_cast<int>(20000 * swell * std::sin(t * 2 * 3.14159 * (300 + 200 * channel))) +
           noise;
}

std::vector<std::uint8_t> Bytes(const SoundDocument& doc, std::int64_t from, std::int64_t count) {
    return {doc.Data() + from, doc.Data() + from + count};
}

struct Command {
    int id;
    std::vector<std::pair<int, std::string>> values;
};

TEST(Preview, PlaysTheFramesOkWritesAndChangesNothing) {
    // Values away from the defaults, so that each command changes the sound, reads beyond
    // what it makes (pitch and speed) or depends on the selection's length (envelopes).
    const std::string envelope = "0:0,64:256,256:32";
    const std::vector<Command> commands = {
        {IDM_VOLUME, {{201, "150"}, {203, "30"}}},
        {IDM_COMPRESSOR, {}},
        {IDM_NOISE_GATE, {{201, "40"}}},
        {IDM_DISTORTION, {}},
        {IDM_ECHO, {{201, "300"}, {205, "70"}}},
        {IDM_REVERB, {{201, "2000"}}},
        {IDM_FLANGER, {}},
        {IDM_TREMOLO, {}},
        {IDM_VIBRATO, {}},
        {IDM_ENVELOPE, {{110, envelope}}},
        {IDM_PAN_ENVELOPE, {{110, envelope}}},
        {IDM_PITCH_ENVELOPE, {{110, envelope}}},
        {IDM_EQUALIZER, {{101, "-10"}, {105, "8"}}},
        {IDM_PARAMETRIC_EQ, {}},
        {IDM_NOISE_REMOVAL, {}},
        {IDM_PITCH, {{201, "180"}}},
        {IDM_TIME_STRETCH, {{201, "350"}}},
        {IDM_TRANSPOSE, {{201, "1200"}}},
        {IDM_WHITE_NOISE, {{203, "2500"}}},
        {IDM_TONE, {{104, "880"}, {106, "1500"}}},
        {IDM_INSERT_SILENCE, {}},
        {IDM_MELODY_PASTE, {{kIdMelodyText, "cdeg"}}},
        {IDM_NORMALIZE, {}},
        {IDM_REVERSE, {}},
        {IDM_FADE_IN, {}},
        {IDM_FADE_OUT, {}},
        {IDM_DC_REMOVE, {}},
        {IDM_PHASE_INVERT, {}},
    };
    constexpr double kSeconds = 1.0;
    constexpr int kFrames = 12 * kRate;
    for (const auto& [bits, channels] : {std::pair{8, 1}, std::pair{16, 2}}) {
        for (const bool selection : {true, false}) {
            for (const Command& command : commands) {
                SCOPED_TRACE(testing::Message()
                             << "command " << command.id << ", " << bits << "-bit, " << channels
                             << " ch, " << (selection ? "selection" : "whole"));
                TestApp t;
                t.app.effects.generators.random.state = 12345;
                t.SetSound(bits, channels, kFrames, TestSample, kRate);
                SoundDocument& doc = t.app.doc;
                const int align = doc.format.blockAlign;
                if (command.id == IDM_MELODY_PASTE) {
                    doc.selStart = 0;
                    doc.selEnd = kRate / 4 * align;
                    ASSERT_EQ(DispatchCommand(t.app, IDM_COPY), 1);
                }
                doc.selStart = selection ? 4 * kRate * align : 0;
                doc.selEnd = selection ? 11 * kRate * align : 0;
                doc.cursor = doc.selStart;
                const std::vector<std::uint8_t> before = Bytes(doc, 0, doc.byteLength);

                PreviewRequest request = RequestFromAssignments(t.app, command.id, command.values);
                request.seconds = kSeconds;
                SoundDocument input;
                const auto never = [] { return false; };
                CopyPreviewInput(request, doc, never, input);
                PreviewResult result;
                const bool rendered = RenderPreview(request, std::move(input), never, result);
                EXPECT_EQ(Bytes(doc, 0, doc.byteLength), before);
                EXPECT_FALSE(doc.modified);

                // A command that refuses this sound refuses its preview with its own words.
                t.host.QueueDialog({command.values});
                const int done = DispatchCommand(t.app, command.id);
                ASSERT_EQ(rendered, done == 1) << result.error;
                if (!rendered) {
                    ASSERT_FALSE(t.host.messages.empty());
                    EXPECT_EQ(result.error, t.host.messages.back().text);
                    continue;
                }
                const std::int64_t expected =
                    std::min<std::int64_t>(doc.selEnd - doc.selStart, kSeconds * kRate * align);
                ASSERT_EQ(static_cast<std::int64_t>(result.bytes.size()), expected);
                EXPECT_TRUE(result.bytes == Bytes(doc, doc.selStart, expected));
            }
        }
    }
}

TEST(PreviewDialog, TwentyTwoDialogsHaveTheButtonClearOfTheirControlsAndInside) {
    int dialogs = 0;
    for (int id = 0; id <= 1000; ++id) {
        const DialogTemplate* t = FindDialogTemplate(id);
        const ControlTemplate* button = t ? t->Find(kIdPreviewButton) : nullptr;
        if (!button) {
            continue;
        }
        ++dialogs;
        EXPECT_LE(button->y + button->height, t->height) << id;
        EXPECT_LE(button->x + button->width, t->width) << id;
        for (const ControlTemplate& c : t->controls) {
            const bool apart = &c == button || c.x >= button->x + button->width ||
                               button->x >= c.x + c.width || c.y >= button->y + button->height ||
                               button->y >= c.y + c.height;
            EXPECT_TRUE(apart) << "dialog " << id << ": control " << c.id << " " << c.text;
        }
    }
    EXPECT_EQ(dialogs, 22);
}

// A 16-bit stereo sound of six seconds with seconds 1 to 5 selected.
void SetSelectedSound(TestApp& t) {
    t.SetSound(16, 2, 6 * kRate, TestSample, kRate);
    t.app.doc.selStart = t.app.doc.cursor = kRate * 4;
    t.app.doc.selEnd = 5 * kRate * 4;
}

// The first `frames` frames of the selection after OK with the volume at `percent`.
std::vector<std::uint8_t> VolumeApplied(int percent, std::int64_t frames) {
    TestApp u;
    SetSelectedSound(u);
    u.host.QueueDialog({{{201, std::to_string(percent)}}});
    EXPECT_EQ(DispatchCommand(u.app, IDM_VOLUME), 1);
    return Bytes(u.app.doc, u.app.doc.selStart, frames * 4);
}

TEST(PreviewDialog, TheButtonPlaysAChangeAtOnceAndNeitherCancelNorOkSeesIt) {
    FakeWaveDevices devices;
    TestApp t;
    t.host.UseDevices(&devices);
    PreviewEngine engine;
    t.app.preview = &engine;
    t.app.settings.previewSeconds = 1;
    SetSelectedSound(t);
    const std::vector<std::uint8_t> before = Bytes(t.app.doc, 0, t.app.doc.byteLength);
    const std::uint64_t snapshots = t.app.undo.taken;
    const std::vector<std::uint8_t> loud = VolumeApplied(150, kRate);
    const std::vector<std::uint8_t> soft = VolumeApplied(50, kRate);

    std::vector<std::uint8_t> heard;
    const auto listen = [&](std::int64_t frames) {
        std::vector<std::uint8_t> out(static_cast<std::size_t>(frames) * 4);
        EXPECT_EQ(devices.PullOutput(out.data(), frames), frames);
        heard.insert(heard.end(), out.begin(), out.end());
    };
    const auto playAndChange = [&](ScriptedDialog& d, std::string&) {
        std::string error;
        EXPECT_TRUE(d.Apply(201, "150", error)) << error;
        d.Press(kIdPreviewButton);
        EXPECT_EQ(d.GetItemText(kIdPreviewButton), kTextPreviewStop);
        EXPECT_TRUE(engine.WaitForRendering(20000));
        listen(3000);
        EXPECT_TRUE(d.Apply(201, "50", error)) << error;
        EXPECT_TRUE(engine.WaitForRendering(20000));
        listen(7000); // past the end of the second: the loop starts again
        return true;
    };
    constexpr std::int64_t kFade = kRate * PreviewStream::kFadeMs / 1000;
    const auto at = [](const std::vector<std::uint8_t>& v, std::int64_t from, std::int64_t to) {
        return std::vector<std::uint8_t>(v.begin() + from * 4, v.begin() + to * 4);
    };

    // Cancel: the loud start, then the soft rest after a short crossfade, looping; Esc stops
    // the sound and keeps the dialog; the sound, the undo and the modified mark stay.
    t.host.QueueDialog({{}, false, [&](ScriptedDialog& d, std::string& e) {
                            playAndChange(d, e);
                            d.PressEscape();
                            EXPECT_FALSE(d.Ended());
                            EXPECT_FALSE(engine.Playing());
                            EXPECT_EQ(d.GetItemText(kIdPreviewButton), kTextPreview);
                            d.Press(IdCancel);
                            return true;
                        }});
    EXPECT_EQ(DispatchCommand(t.app, IDM_VOLUME), 0);
    ASSERT_EQ(heard.size(), 10000u * 4);
    EXPECT_TRUE(at(heard, 0, 3000) == at(loud, 0, 3000));
    EXPECT_TRUE(at(heard, 3000 + kFade, kRate) == at(soft, 3000 + kFade, kRate));
    EXPECT_TRUE(at(heard, kRate, 10000) == at(soft, 0, 10000 - kRate));
    EXPECT_TRUE(Bytes(t.app.doc, 0, t.app.doc.byteLength) == before);
    EXPECT_FALSE(t.app.doc.modified);
    EXPECT_EQ(t.app.undo.taken, snapshots);

    // OK while it plays: the sound of the last values, as without a preview.
    heard.clear();
    t.host.QueueDialog({{}, false, playAndChange});
    EXPECT_EQ(DispatchCommand(t.app, IDM_VOLUME), 1);
    EXPECT_FALSE(engine.Playing());
    EXPECT_TRUE(Bytes(t.app.doc, t.app.doc.selStart, kRate * 4) == soft);
}

} // namespace
} // namespace wt
