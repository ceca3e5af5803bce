// Every command of the command table is run once as it is, counting the large allocations it
// makes, and then once more per allocation with that one made to fail. Each such run must
// either end as the undisturbed run ended, or say "メモリーが足りません" and leave the sound
// exactly as it was, with an undo snapshot that holds the sound from before the command or
// the one it held already. The sanitizers watch every run.
#include "SessionSupport.h"

#include "FileTestSupport.h"
#include "commands/file/SoundFiles.h"
#include "editor/DocumentUi.h"
#include "model/Undo.h"
#include "model/WaveImage.h"
#include "window/CommandTable.h"

#include <gtest/gtest.h>

#include <functional>
#include <iostream>

using namespace wt;
using namespace wt::test;

namespace {

// Arms the failure of the n-th allocation from now for the life of the object.
struct FailingAllocation {
    explicit FailingAllocation(std::uint64_t n) { SampleBlock::FailNthAllocationForTesting(n); }
    ~FailingAllocation() { SampleBlock::FailNthAllocationForTesting(0); }
};

// A RIFF/WAVE image of `frames` frames of the test signal.
Bytes WaveImage(int bits, int channels, std::uint32_t rate, int frames) {
    const int align = bits / 8 * channels;
    ByteWriter samples;
    for (int f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c) {
            const int v = TestSignal(f, c);
            bits == 8 ? samples.Raw({static_cast<std::uint32_t>((v >> 8) + 128)})
                      : samples.Le16(static_cast<std::uint32_t>(v) & 0xFFFF);
        }
    }
    return RiffWave(ByteWriter()
                        .Append(WaveFormatChunk(1, channels, rate, align, bits))
                        .Append(Chunk("data", samples.bytes, true))
                        .bytes);
}

// The editor before a command: a sound with a selection and a cursor, an undo snapshot of
// an older sound, a sound of another format on the clipboard, and files of each type to open.
struct Start {
    const char* name;
    int bits, channels;
    std::uint32_t rate;
    int frames, selFrom, selTo, cursor;
};
constexpr Start kStarts[] = {
    {"16-bit stereo with a selection", 16, 2, 22050, 1201, 100, 700, 900},
    {"8-bit mono without a selection", 8, 1, 11025, 777, 0, 0, 777},
};

void Prepare(Rig& r, const Start& s) {
    SoundDocument& doc = r.doc();
    r.t.SetSound(s.bits == 8 ? 16 : 8, 1, 300, TestSignal); // the older sound
    ASSERT_TRUE(TakeSnapshot(doc, r.app().undo));
    r.t.SetSound(s.bits, s.channels, s.frames, TestSignal, s.rate);
    doc.selStart = s.selFrom * doc.format.blockAlign;
    doc.selEnd = s.selTo * doc.format.blockAlign;
    doc.cursor = doc.anchor = s.cursor * doc.format.blockAlign;
    // Longer than the sound after the cursor, so a mix must extend the sound.
    r.t.host.clipboard = s.bits == 8 ? WaveImage(16, 2, 22050, 900) : WaveImage(8, 1, 11025, 1500);
    r.t.host.clipboardHasWave = true;
}

// How a command is run beyond its default dialog values: the file its file dialog gets, or
// the name and type the document has when it is saved.
struct Variant {
    std::string name;
    int command;
    std::function<void(Rig&, const std::string& folder)> prepare;
};

std::vector<Variant> Variants() {
    std::vector<Variant> variants;
    for (const CommandEntry& entry : CommandTable()) {
        if (entry.handler) {
            variants.push_back({BatchName(entry), entry.id, nullptr});
        }
    }
    // The pitch and time commands do nothing with their default values (no change).
    const auto pitchTime = [&variants](std::string name, int command, auto set) {
        variants.push_back({std::move(name), command,
                            [set](Rig& r, const std::string&) { set(r.app().effects.pitchTime); }});
    };
    pitchTime("pitch 50%", IDM_PITCH, [](PitchTimeParams& p) { p.pitch.percent = 50; });
    pitchTime("pitch 200%", IDM_PITCH, [](PitchTimeParams& p) { p.pitch.percent = 200; });
    pitchTime("time_stretch 20%", IDM_TIME_STRETCH,
              [](PitchTimeParams& p) { p.timeStretch.speed = 20; });
    pitchTime("time_stretch 400%", IDM_TIME_STRETCH,
              [](PitchTimeParams& p) { p.timeStretch.speed = 400; });
    pitchTime("transpose -1200", IDM_TRANSPOSE,
              [](PitchTimeParams& p) { p.transpose.cents = -1200; });
    pitchTime("transpose +700 harmonized", IDM_TRANSPOSE, [](PitchTimeParams& p) {
        p.transpose.cents = 700;
        p.transpose.harmonize = 1;
    });
    for (const char* ext : {"wav", "aiff", "au"}) {
        for (const char* sound : {"in16", "in8"}) {
            const std::string file = std::string(sound) + "." + ext;
            variants.push_back(
                {"open " + file, IDM_OPEN, [file](Rig& r, const std::string& folder) {
                     r.t.host.QueueFile(folder + "/" + file);
                 }});
        }
        const std::string out = std::string("out.") + ext;
        variants.push_back(
            {"save_as " + out, IDM_SAVE_AS,
             [out](Rig& r, const std::string& folder) { r.t.host.QueueFile(folder + "/" + out); }});
        variants.push_back({"save " + out, IDM_SAVE, [out](Rig& r, const std::string& folder) {
                                r.doc().title = folder + "/" + out;
                            }});
    }
    return variants;
}

// Files of each type for the open variants, 16-bit stereo and 8-bit mono, written by the
// editor's own writers.
void WriteInputFiles(const std::string& folder) {
    Rig r;
    using Writer = int (*)(App&);
    for (const int bits : {16, 8}) {
        r.t.SetSound(bits, bits == 16 ? 2 : 1, 999, TestSignal, 8000);
        for (auto [ext, write] : {std::pair<const char*, Writer>{"wav", SaveWaveFile},
                                  std::pair<const char*, Writer>{"aiff", SaveAiffFile},
                                  std::pair<const char*, Writer>{"au", SaveAuFile}}) {
            r.doc().title = folder + "/in" + std::to_string(bits) + "." + ext;
            ASSERT_EQ(write(r.app()), 1) << ext;
        }
    }
}

struct Outcome {
    int result = 0;
    SoundState doc, undo;
    std::vector<std::string> messages;
    std::uint64_t allocations = 0;
};

// One run of `v` from `s`, with the n-th allocation failing (0: none).
Outcome RunOnce(const Start& s, const Variant& v, const std::string& folder, std::uint64_t n,
                SoundState* before, SoundState* undoBefore) {
    Rig r;
    Prepare(r, s);
    if (v.prepare) {
        v.prepare(r, folder);
    }
    if (before) {
        *before = SoundState::Of(r.doc());
        *undoBefore = SoundState::Of(r.app().undo);
    }
    Outcome out;
    const std::uint64_t count = SampleBlock::AllocationCountForTesting();
    {
        const FailingAllocation failing(n);
        out.result = RunCommand(r, v.command);
    }
    out.allocations = SampleBlock::AllocationCountForTesting() - count;
    if (r.t.host.destroyed) {
        return out; // the editor ended (exit): there is no document left to look at
    }
    out.doc = SoundState::Of(r.doc());
    out.undo = SoundState::Of(r.app().undo);
    for (const ShownMessage& m : r.t.host.messages) {
        out.messages.push_back(m.caption + ": " + m.text);
    }
    const std::string problem = DocumentProblem(r.doc());
    EXPECT_EQ(problem, "") << v.name << " from " << s.name << ", allocation " << n;
    return out;
}

bool SaidOutOfMemory(const Outcome& o) {
    for (const std::string& m : o.messages) {
        if (m.ends_with(kTextOutOfMemory)) {
            return true;
        }
    }
    return false;
}

TEST(AllocationFailure, EveryAllocationOfEveryCommandFailsCleanly) {
    TempDir dir;
    const std::string folder = dir.Path().string();
    WriteInputFiles(folder);
    int pairs = 0, commands = 0;
    for (const Start& s : kStarts) {
        for (const Variant& v : Variants()) {
            SoundState before, undoBefore;
            const Outcome reference = RunOnce(s, v, folder, 0, &before, &undoBefore);
            if (reference.allocations == 0) {
                continue;
            }
            ++commands;
            for (std::uint64_t n = 1; n <= reference.allocations; ++n, ++pairs) {
                const Outcome o = RunOnce(s, v, folder, n, nullptr, nullptr);
                const std::string where = v.name + " from " + s.name + ", allocation " +
                                          std::to_string(n) + " of " +
                                          std::to_string(reference.allocations);
                const bool completed = o.result == reference.result && o.doc == reference.doc &&
                                       o.undo == reference.undo;
                if (completed) {
                    continue;
                }
                // A failure: said so, and the sound as it was.
                EXPECT_TRUE(SaidOutOfMemory(o)) << where << ": result " << o.result;
                EXPECT_NE(o.result, 1) << where;
                EXPECT_TRUE(o.doc.SameSound(before))
                    << where << ": " << o.doc.Describe() << " instead of " << before.Describe();
                EXPECT_TRUE(o.undo.SameSound(before) || o.undo.SameSound(undoBefore))
                    << where << ": undo would give " << o.undo.Describe();
            }
        }
    }
    std::cout << "allocation failures: " << pairs << " (command, allocation) pairs over "
              << commands << " commands and starting states\n";
    EXPECT_GT(pairs, 0);
}

} // namespace
