// The edit history: every recorded state comes back exactly, in memory and from spill files,
// the one-level toggle and the step-by-step undo restore the right positions, a failed
// step leaves the document as it was, and the budgets bound what the steps hold.
#include "TestApp.h"

#include "history/EditHistory.h"
#include "history/StepSpill.h"
#include "platform/UserFolders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <numeric>
#include <random>
#include <thread>

using namespace wt;

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Saved {
    Bytes bytes;
    StepState state;
};

Saved Capture(const SoundDocument& doc) {
    return {Bytes(doc.Data(), doc.Data() + doc.byteLength), StateOf(doc)};
}

void ExpectShows(const SoundDocument& doc, const Saved& saved, const std::string& where) {
    const Saved now = Capture(doc);
    EXPECT_TRUE(now.bytes == saved.bytes && now.state.format == saved.state.format &&
                now.state.positions == saved.state.positions &&
                now.state.identity == saved.state.identity &&
                now.state.modified == saved.state.modified)
        << where;
}

// Makes `doc` `bytes` bytes of 8-bit mono (align 1) or 16-bit stereo (align 4).
void Reformat(SoundDocument& doc, int align, std::int32_t bytes) {
    const int stereo = align == 4;
    doc.format.channels = static_cast<std::uint16_t>(1 + stereo);
    doc.format.blockAlign = static_cast<std::uint16_t>(align);
    doc.format.bitsPerSample = static_cast<std::uint16_t>(8 + 8 * stereo);
    doc.RecomputeBytesPerSample();
    doc.byteLength = bytes / align * align;
    ASSERT_TRUE(doc.sampleData.Resize(doc.byteLength + 16));
}

void Fill(std::uint8_t* at, std::int32_t count, std::mt19937& rng) {
    for (std::int32_t i = 0; i < count; ++i) {
        at[i] = static_cast<std::uint8_t>(rng());
    }
}

void WaitForSpills(EditHistory& history) {
    for (int i = 0; i < 2000 && history.MemoryBytes() > history.Budget().memoryBytes; ++i) {
        history.Poll();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

struct SessionCase {
    const char* name;
    int align;
    std::uint64_t memoryBytes; // 0: every held middle goes to disk
};

class EditHistorySession : public ::testing::TestWithParam<SessionCase> {};

// Random changes made as the commands make them, each recorded, some after going back; then
// every step in a random order gives exactly the state recorded.
TEST_P(EditHistorySession, EveryStepComesBackExactly) {
    test::TempDir dir;
    const std::string folder = dir.File("spill");
    std::mt19937 rng(31);
    const auto random = [&](int below) { return static_cast<std::int32_t>(rng() % below); };
    SoundDocument doc;
    UndoSnapshot undo;
    std::vector<Saved> states;
    {
        EditHistory history;
        history.SetBudget({GetParam().memoryBytes, 1u << 30, folder});
        Reformat(doc, GetParam().align, 4000);
        Fill(doc.Data(), doc.byteLength, rng);
        history.Enable(doc, "新規", 0);
        states.push_back(Capture(doc));
        for (int change = 0; change < 200; ++change) {
            const int kind = random(9), align = doc.format.blockAlign;
            const auto place = [&] { return random(doc.byteLength / align + 1) * align; };
            if (kind == 8) {
                ASSERT_TRUE(random(2) ? history.ToggleUndo(doc, undo)
                                      : history.GoTo(random(history.Count()), doc, undo));
                continue;
            }
            const Saved previous = Capture(doc);
            std::int32_t from = place(), to = place(), count = (1 + random(64)) * align;
            if (from > to) {
                std::swap(from, to);
            }
            if (kind >= 5) { // another format or another file: a new block
                MoveSoundToSnapshot(doc, undo, kind == 6);
                Reformat(doc, kind == 5 ? 5 - align : align, 500 + random(4000));
                Fill(doc.Data(), doc.byteLength, rng);
                doc.title = kind == 6 ? "file" + std::to_string(change) : doc.title;
            } else {
                ASSERT_EQ(TakeSnapshot(doc, undo), 1);
            }
            if (kind == 0) { // delete
                std::memmove(doc.Data() + from, doc.Data() + to, doc.byteLength - to);
                doc.byteLength -= to - from;
            } else if (kind == 1) { // insert
                ASSERT_TRUE(doc.sampleData.Resize(doc.byteLength + count + 16));
                std::memmove(doc.Data() + from + count, doc.Data() + from, doc.byteLength - from);
                Fill(doc.Data() + from, count, rng);
                doc.byteLength += count;
            } else if (kind == 2) { // overwrite
                Fill(doc.Data() + from, to - from, rng);
            } else if (kind == 3) { // the whole sound
                for (std::int32_t i = 0; i < doc.byteLength; ++i) {
                    doc.Data()[i] ^= 0x5a;
                }
            }
            doc.modified = kind != 6;
            ApplyPositions(doc, {place(), place(), place(), place()});
            StepChange forward;
            ASSERT_TRUE(history.Record("変更", change, undo, doc, kind == 6, &forward));
            // The forward change turns the previous bytes into the new ones.
            Bytes replayed = previous.bytes;
            replayed.erase(replayed.begin() + forward.range.prefix,
                           replayed.begin() + forward.range.prefix + forward.range.oldLength);
            replayed.insert(replayed.begin() + forward.range.prefix, forward.newMiddle.Data(),
                            forward.newMiddle.Data() + forward.newMiddle.bytes);
            EXPECT_TRUE(replayed == Capture(doc).bytes) << "change " << change;
            states.resize(history.Current());
            states.push_back(Capture(doc));
            if (random(4) == 0) {
                history.Poll();
            }
        }
        WaitForSpills(history);
        const bool spilled = GetParam().memoryBytes == 0;
        EXPECT_EQ(history.MemoryBytes() == 0, spilled);
        EXPECT_EQ(history.DiskBytes() != 0, spilled);
        int onDisk = 0;
        for (int step = 0; step < history.Count(); ++step) {
            onDisk += history.Listing(step).place == StepPlace::Disk;
        }
        EXPECT_EQ(onDisk > 0, spilled);
        std::vector<int> order(history.Count());
        std::iota(order.begin(), order.end(), 0);
        std::shuffle(order.begin(), order.end(), rng);
        for (const int step : order) {
            ASSERT_TRUE(history.GoTo(step, doc, undo));
            ExpectShows(doc, states[step], "step " + std::to_string(step));
            history.Poll();
        }
        // Each allocation and file read a long way back fails in turn: the document stays.
        const int from = history.Current(), target = from < 100 ? history.Count() - 1 : 0;
        for (std::uint64_t fail = 1;; ++fail) {
            SampleBlock::FailNthAllocationForTesting(fail);
            const bool went = history.GoTo(target, doc, undo);
            SampleBlock::FailNthAllocationForTesting(0);
            ExpectShows(doc, states[went ? target : from], "failing " + std::to_string(fail));
            if (went) {
                EXPECT_GT(fail, 1u);
                break;
            }
        }
    }
    EXPECT_FALSE(std::filesystem::exists(folder)) << "the spill folder goes with the history";
}

INSTANTIATE_TEST_SUITE_P(EditHistoryBudgets, EditHistorySession,
                         ::testing::Values(SessionCase{"InMemory8BitMono", 1, 1u << 30},
                                           SessionCase{"Spilled16BitStereo", 4, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// The one-level toggle, the step-by-step undo and redo, and going to a step: where each goes,
// with which positions, and whether the undo snapshot's block was exchanged rather than copied.
TEST(EditHistory, UndoTogglesAndStepsRestoreTheirPositions) {
    SoundDocument doc;
    UndoSnapshot undo;
    EditHistory history;
    Reformat(doc, 1, 100);
    std::mt19937 rng(7);
    Fill(doc.Data(), doc.byteLength, rng);
    history.Enable(doc, "開く: a.wav", 0);
    const StepPositions cut{10, 20, 20, 10}, cutAfter{10, 10, 10, 10}, noise{30, 40, 40, 30};
    std::vector<Saved> states{Capture(doc)};
    ApplyPositions(doc, cut);
    ASSERT_EQ(TakeSnapshot(doc, undo), 1);
    std::memmove(doc.Data() + 10, doc.Data() + 20, 80);
    doc.byteLength = 90;
    ApplyPositions(doc, cutAfter);
    ASSERT_TRUE(history.Record("切り取り", 1, undo, doc, false));
    states.push_back(Capture(doc));
    ApplyPositions(doc, noise);
    ASSERT_EQ(TakeSnapshot(doc, undo), 1);
    ASSERT_TRUE(doc.sampleData.Resize(100 + 16));
    std::memmove(doc.Data() + 40, doc.Data() + 30, 60);
    Fill(doc.Data() + 30, 10, rng);
    doc.byteLength = 100;
    ASSERT_TRUE(history.Record("ノイズ", 2, undo, doc, false));
    states.push_back(Capture(doc));

    enum Action { Toggle, Back, Forward, GoTo2 };
    const struct {
        Action action;
        bool done;
        int step;
        StepPositions positions;
        bool viaSnapshot;
    } cases[] = {
        {Toggle, true, 1, noise, true},  {Toggle, true, 2, noise, true},
        {Back, true, 1, noise, true},    {Back, true, 0, cut, false},
        {Back, false, 0, cut, false},    {Forward, true, 1, cutAfter, false},
        {Toggle, true, 0, cut, false},   {Toggle, true, 1, cutAfter, false},
        {GoTo2, true, 2, noise, true},   {Toggle, true, 1, cutAfter, true},
        {Forward, true, 2, noise, true},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        const std::uint8_t* snapshotBlock = std::as_const(undo.data).Data();
        const bool done = c.action == Toggle    ? history.ToggleUndo(doc, undo)
                          : c.action == Back    ? history.StepBack(doc, undo)
                          : c.action == Forward ? history.StepForward(doc, undo)
                                                : history.GoTo(2, doc, undo);
        EXPECT_EQ(done, c.done) << i;
        EXPECT_EQ(history.Current(), c.step) << i;
        EXPECT_TRUE(Capture(doc).bytes == states[c.step].bytes) << i;
        EXPECT_EQ(PositionsOf(doc), c.positions) << i;
        EXPECT_EQ(doc.Data() == snapshotBlock, c.viaSnapshot) << i;
    }
    // The steps the exchanges crossed hold the right side for a walk across them.
    ASSERT_TRUE(history.ToggleUndo(doc, undo));
    history.ForgetSnapshot();
    for (const int step : {2, 0}) {
        ASSERT_TRUE(history.GoTo(step, doc, undo));
        EXPECT_TRUE(Capture(doc).bytes == states[step].bytes) << step;
    }
    // Saved under another name: every step of the file takes it, only the current one is clean.
    history.MarkSaved({"b.wav", 1, false, "", {}});
    for (int step = 0; step < history.Count(); ++step) {
        EXPECT_EQ(history.State(step).identity.title, "b.wav");
        EXPECT_EQ(history.State(step).modified, step != history.Current());
    }
}

// Past the disk budget the oldest steps are dropped; in memory a cut holds only what it cut.
TEST(EditHistory, BudgetsBoundWhatTheStepsHold) {
    test::TempDir dir;
    SoundDocument doc;
    UndoSnapshot undo;
    EditHistory history;
    history.SetBudget({0, 3000, dir.File("spill")});
    Reformat(doc, 1, 10000);
    std::mt19937 rng(3);
    Fill(doc.Data(), doc.byteLength, rng);
    history.Enable(doc, "新規", 0);
    std::vector<Saved> states{Capture(doc)};
    for (int step = 1; step <= 10; ++step) {
        ASSERT_EQ(TakeSnapshot(doc, undo), 1);
        for (int i = step * 900; i < step * 900 + 1000; ++i) {
            doc.Data()[i] ^= 0xff;
        }
        ASSERT_TRUE(history.Record("ノイズ", step, undo, doc, false));
        states.push_back(Capture(doc));
        WaitForSpills(history);
    }
    EXPECT_EQ(history.FirstStep(), 7);
    EXPECT_EQ(history.DiskBytes(), 3000u);
    EXPECT_EQ(history.Listing(6).place, StepPlace::Dropped);
    EXPECT_EQ(history.Listing(8).place, StepPlace::Disk);
    EXPECT_FALSE(history.GoTo(6, doc, undo));
    ExpectShows(doc, states[10], "refused");
    EXPECT_TRUE(history.GoTo(7, doc, undo));
    ExpectShows(doc, states[7], "oldest kept");

    EditHistory cuts;
    cuts.SetBudget({1u << 30, 0, ""});
    Reformat(doc, 4, 400000);
    Fill(doc.Data(), doc.byteLength, rng);
    cuts.Enable(doc, "新規", 0);
    ASSERT_EQ(TakeSnapshot(doc, undo), 1);
    const std::size_t heapBefore = mallinfo2().uordblks + mallinfo2().hblkhd;
    constexpr std::int32_t kCut = 1000;
    for (int step = 1; step <= 100; ++step) {
        ASSERT_EQ(TakeSnapshot(doc, undo), 1);
        std::memmove(doc.Data() + 1000 * step, doc.Data() + 1000 * step + kCut,
                     doc.byteLength - 1000 * step - kCut);
        doc.byteLength -= kCut;
        ASSERT_TRUE(cuts.Record("切り取り", step, undo, doc, false));
    }
    EXPECT_EQ(cuts.MemoryBytes(), 100u * kCut);
    EXPECT_LE(mallinfo2().uordblks + mallinfo2().hblkhd, heapBefore + 100 * kCut + 65536);
    // A change of all but the first frame takes the snapshot's block instead of a copy.
    ASSERT_EQ(TakeSnapshot(doc, undo), 1);
    std::for_each(doc.Data() + 4, doc.Data() + doc.byteLength, [](std::uint8_t& b) { b ^= 1; });
    EXPECT_TRUE(cuts.Record("音量", 101, undo, doc, false) && undo.length == 0);
}

} // namespace

namespace {

// The spill folders a killed editor left are swept by the next history; a running editor's
// (locked) folder, and files that are not the history's, are left alone.
TEST(EditHistory, TheFoldersOfEditorsThatDiedAreSwept) {
    test::TempDir dir;
    const auto folder = [&dir](const char* name) { return dir.File(name); };
    const auto made = [](const std::string& path, bool withStep) {
        std::vector<std::string> ignored;
        MakePrivateFolder(path, ignored);
        if (withStep) {
            std::ofstream(path + "/step-1") << "bytes";
        }
    };
    made(folder("history-1-dead"), true);
    close(open((folder("history-1-dead") + "/.lock").c_str(), O_CREAT | O_WRONLY, 0600));
    made(folder("history-2-running"), true);
    const int held = LockSpillFolder(folder("history-2-running"));
    ASSERT_GE(held, 0);
    made(folder("other"), false);
    EditHistory history;
    history.SetBudget({1 << 20, 1 << 20, folder("history-3-own")});
    history.Enable(SoundDocument{}, "start", 0);
    EXPECT_FALSE(std::filesystem::exists(folder("history-1-dead")));
    EXPECT_TRUE(std::filesystem::exists(folder("history-2-running") + "/step-1"));
    EXPECT_TRUE(std::filesystem::exists(folder("other")));
    close(held);
}

} // namespace
