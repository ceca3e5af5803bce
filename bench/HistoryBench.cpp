// The edit history on a one-hour 44.1 kHz 16-bit stereo sound (about 635 MB):
//   UndoCutToggle  undoing and redoing a one-second cut from its middle with the one-level
//                  toggle: the undo snapshot's exchange plus a copy of the second;
//   UndoCutGoTo    the same step crossed by going to it without the snapshot: the second's
//                  bytes plus the move of the half of the sound behind it;
//   HundredCuts    100 one-second cuts, each taken as a command takes it and recorded: the
//                  bytes the history holds (counter historyBytes) against 100 seconds plus
//                  1 MiB (counter limitBytes); the label says whether it stays within.
// And on a ten-minute sound (about 106 MB) with one whole-sound step:
//   WholeStep/0    undo and redo of the step (one step back, one forward, in turn) with its
//                  bytes in memory: the blocks change owners;
//   WholeStep/1    the same with its bytes in a spill file (under $WT_SPILL_DIR, default
//                  /dev/shm): a read of the file per move, the wait for the spill worker to
//                  write the side left untimed;
//   TwentyEffects/1  20 whole-sound effects (位相反転, リバース, 音量 50 % in turn) through the
//                  editor's commands with the history on, its memory budget twice the sound
//                  and its spill folder as above; after the spill worker's writes: the bytes
//                  the history holds in memory and on disk (memoryBytes, diskBytes, against
//                  budgetBytes) and the process's peak resident memory (peakRssBytes: run each
//                  alone, --benchmark_filter=TwentyEffects/1, for the peak to be its own);
//   TwentyEffects/0  the same with the history off, for its peak;
//   CopySound      one copy of the sound into a new block, as a snapshot is taken, to compare
//                  with.
#include "BenchSupport.h"

#include "commands/edit/HistoryCommands.h"
#include "editor/CommandIds.h"
#include "history/EditHistory.h"
#include "model/Undo.h"
#include "window/MainWindow.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

using namespace wt;

constexpr std::int32_t kSecondBytes = bench::kRate * bench::kBlockAlign;
constexpr std::int32_t kHourBytes = 3600 * kSecondBytes;

struct Hour {
    SoundDocument doc;
    UndoSnapshot undo;
    EditHistory history;

    Hour() {
        bench::MakeStereo16(doc, kHourBytes / bench::kBlockAlign);
        std::uint8_t* data = doc.Data();
        for (std::int32_t i = 0; i < kHourBytes; ++i) {
            data[i] = static_cast<std::uint8_t>(i * 7 + (i >> 12));
        }
        history.SetBudget({std::uint64_t{2} << 30, 0, ""});
        history.Enable(doc, "新規", 0);
    }

    // Cuts the second at `at` as the delete command does, and records it.
    bool Cut(std::int32_t at) {
        if (!TakeSnapshot(doc, undo)) {
            return false;
        }
        std::uint8_t* data = doc.Data();
        std::memmove(data + at, data + at + kSecondBytes, doc.byteLength - at - kSecondBytes);
        doc.byteLength -= kSecondBytes;
        doc.selStart = doc.selEnd = doc.cursor = doc.anchor = at;
        return history.Record("切り取り", 0, undo, doc, false);
    }
};

Hour& CutHour() {
    static auto hour = [] {
        auto made = std::make_unique<Hour>();
        made->Cut(kHourBytes / 2);
        return made;
    }();
    return *hour;
}

void BM_UndoCutToggle(benchmark::State& state) {
    Hour& hour = CutHour();
    for (auto _ : state) {
        if (!hour.history.ToggleUndo(hour.doc, hour.undo)) {
            state.SkipWithError("undo failed");
            break;
        }
    }
}

void BM_UndoCutGoTo(benchmark::State& state) {
    Hour& hour = CutHour();
    hour.history.ForgetSnapshot();
    for (auto _ : state) {
        if (!hour.history.GoTo(1 - hour.history.Current(), hour.doc, hour.undo)) {
            state.SkipWithError("going to the step failed");
            break;
        }
    }
}

void BM_HundredCuts(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto hour = std::make_unique<Hour>();
        state.ResumeTiming();
        for (int cut = 0; cut < 100; ++cut) {
            if (!hour->Cut(kSecondBytes * (3 + 30 * cut))) {
                state.SkipWithError("cut failed");
                return;
            }
        }
        state.counters["historyBytes"] = static_cast<double>(hour->history.MemoryBytes());
        const double limit = 100.0 * kSecondBytes + (1 << 20);
        state.counters["limitBytes"] = limit;
        state.SetLabel(static_cast<double>(hour->history.MemoryBytes()) <= limit ? "within"
                                                                                 : "OVER");
        state.PauseTiming();
        hour.reset();
        state.ResumeTiming();
    }
}

constexpr std::int32_t kTenMinutesBytes = bench::kTenMinutes * bench::kBlockAlign;

// A private folder for spill files, removed with what is in it.
struct SpillFolder {
    std::string path;
    SpillFolder() {
        const char* root = std::getenv("WT_SPILL_DIR");
        std::string name = std::string(root ? root : "/dev/shm") + "/wt-spill-XXXXXX";
        path = mkdtemp(name.data()) ? name : "";
    }
    ~SpillFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

// Ten minutes of sound and one step that changed every byte (a phase inversion).
struct WholeStep {
    SpillFolder folder; // outlives the history, whose files are in it
    SoundDocument doc;
    UndoSnapshot undo;
    EditHistory history;
    bool onDisk;

    explicit WholeStep(bool disk) : onDisk(disk) {
        bench::MakeStereo16(doc, bench::kTenMinutes);
        bench::WriteTones(doc, {});
        history.SetBudget(
            {disk ? 0 : std::uint64_t{2} << 30, std::uint64_t{8} << 30, folder.path + "/steps"});
        history.Enable(doc, "新規", 0);
        TakeSnapshot(doc, undo);
        auto* samples = reinterpret_cast<std::int16_t*>(doc.Data());
        for (std::int32_t i = 0; i < kTenMinutesBytes / 2; ++i) {
            samples[i] = static_cast<std::int16_t>(~samples[i]);
        }
        history.Record("位相反転", 0, undo, doc, false);
    }

    // Until the spill worker has written the held bytes (on disk) or at once (in memory).
    bool Settled() {
        for (int wait = 0; onDisk && history.MemoryBytes() != 0; ++wait) {
            if (wait == 5000) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            history.Poll();
        }
        return true;
    }
};

void BM_WholeStep(benchmark::State& state) {
    WholeStep step(state.range(0) != 0);
    for (auto _ : state) {
        state.PauseTiming();
        const bool settled = step.Settled();
        state.ResumeTiming();
        const bool back = step.history.Current() == 1;
        if (!settled || !(back ? step.history.StepBack(step.doc, step.undo)
                               : step.history.StepForward(step.doc, step.undo))) {
            state.SkipWithError(settled ? "the move failed" : "the spill was not written");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * kTenMinutesBytes);
    state.counters["diskBytes"] = static_cast<double>(step.history.DiskBytes());
}

void BM_TwentyEffects(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        SpillFolder folder;
        // An offset, so that every effect changes the first and the last sample: whole steps.
        auto editor = std::make_unique<bench::Editor>(bench::Tones{.offset = 300});
        App& app = editor->app;
        app.effects.volume = {50, 50, 1};
        if (state.range(0) != 0) {
            EnableHistory(app);
        }
        const std::uint64_t budget = 2 * std::uint64_t{kTenMinutesBytes};
        app.history.SetBudget({budget, std::uint64_t{8} << 30, folder.path + "/steps"});
        state.ResumeTiming();
        constexpr int kEffects[] = {IDM_PHASE_INVERT, IDM_REVERSE, IDM_VOLUME};
        for (int i = 0; i < 20; ++i) {
            DispatchCommand(app, kEffects[i % 3]);
        }
        state.PauseTiming();
        for (int wait = 0; wait < 10000 && app.history.MemoryBytes() > budget; ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            app.history.Poll();
        }
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        state.counters["steps"] = std::max(0, app.history.Count() - 1);
        state.counters["memoryBytes"] = static_cast<double>(app.history.MemoryBytes());
        state.counters["diskBytes"] = static_cast<double>(app.history.DiskBytes());
        state.counters["budgetBytes"] = static_cast<double>(budget);
        state.counters["peakRssBytes"] = static_cast<double>(usage.ru_maxrss) * 1024;
        state.SetLabel(app.history.MemoryBytes() <= budget ? "within" : "OVER");
        editor.reset();
        state.ResumeTiming();
    }
}

void BM_CopySound(benchmark::State& state) {
    const std::vector<std::uint8_t> from(kTenMinutesBytes, 1);
    for (auto _ : state) {
        const std::unique_ptr<std::uint8_t[]> to(new std::uint8_t[kTenMinutesBytes]);
        std::memcpy(to.get(), from.data(), from.size());
        benchmark::DoNotOptimize(to.get());
    }
    state.SetBytesProcessed(state.iterations() * kTenMinutesBytes);
}

} // namespace

BENCHMARK(BM_UndoCutToggle)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(BM_UndoCutGoTo)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(4);
// One run: each cut copies the hour into the undo snapshot, as the command does.
BENCHMARK(BM_HundredCuts)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_WholeStep)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(20);
BENCHMARK(BM_TwentyEffects)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(BM_CopySound)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
