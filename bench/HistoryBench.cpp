// The edit history on a one-hour 44.1 kHz 16-bit stereo sound (about 635 MB):
//   UndoCutToggle  undoing and redoing a one-second cut from its middle with the one-level
//                  toggle: the undo snapshot's exchange plus a copy of the second;
//   UndoCutGoTo    the same step crossed by going to it without the snapshot: the second's
//                  bytes plus the move of the half of the sound behind it;
//   HundredCuts    100 one-second cuts, each taken as a command takes it and recorded: the
//                  bytes the history holds (counter historyBytes) against 100 seconds plus
//                  1 MiB (counter limitBytes).
#include "BenchSupport.h"

#include "history/EditHistory.h"
#include "model/Undo.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

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
        state.counters["limitBytes"] = 100.0 * kSecondBytes + (1 << 20);
        state.PauseTiming();
        hour.reset();
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_UndoCutToggle)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(BM_UndoCutGoTo)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(4);
// One run: each cut copies the hour into the undo snapshot, as the command does.
BENCHMARK(BM_HundredCuts)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
