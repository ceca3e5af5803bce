// Range edits on a one-hour 44.1 kHz 16-bit stereo sound (about 635 MB) held in memory:
// deleting its first second, and pasting ten minutes into its middle. Each is timed three ways:
//   Memmove*  the memmove of the bytes that move (the reference);
//   *Edit     the edit's own moves inside the sample block (resize, move, copy);
//   *Command  the whole command as the user runs it, undo snapshot (a full copy of the sound)
//             and, for paste, the clipboard image and its conversion included.
// UndoSnapshot times the snapshot alone, into a new block as a command after an edit that
// changed the length takes it.
// Between iterations the sound is put back with the timer paused.
#include "BenchSupport.h"

#include "commands/edit/RangeEdits.h"
#include "editor/CommandIds.h"
#include "model/Undo.h"
#include "model/WaveImage.h"
#include "window/MainWindow.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

using namespace wt;

using bench::kBlockAlign;
using bench::kRate;

constexpr std::int32_t kSecondBytes = kRate * kBlockAlign;
constexpr std::int32_t kHourBytes = 3600 * kSecondBytes;
constexpr std::int32_t kTenMinutesBytes = 600 * kSecondBytes;
constexpr std::int32_t kMiddle = kHourBytes / 2;

struct Editor : bench::Editor {
    std::vector<std::uint8_t> pasted; // ten minutes of frames

    Editor() {
        SoundDocument& doc = app.doc;
        bench::MakeStereo16(doc, kHourBytes / kBlockAlign);
        for (std::int32_t i = 0; i < kHourBytes; ++i) {
            doc.Data()[i] = static_cast<std::uint8_t>(i * 7 + (i >> 12));
        }
        pasted.assign(doc.Data() + 1000 * kBlockAlign,
                      doc.Data() + 1000 * kBlockAlign + kTenMinutesBytes);
        std::vector<std::uint8_t> image(kWaveHeaderBytes + pasted.size());
        WriteWaveHeader(image.data(), doc.format, static_cast<std::uint32_t>(pasted.size()));
        std::memcpy(image.data() + kWaveHeaderBytes, pasted.data(), pasted.size());
        host.SetClipboardWave(image);
    }
};

Editor& SharedEditor() {
    static auto editor = std::make_unique<Editor>();
    return *editor;
}

void BM_MemmoveDeleteFirstSecond(benchmark::State& state) {
    std::vector<std::uint8_t> block(kHourBytes + 16, 1);
    for (auto _ : state) {
        std::memmove(block.data(), block.data() + kSecondBytes, kHourBytes - kSecondBytes);
        benchmark::ClobberMemory();
    }
}

void BM_DeleteFirstSecondEdit(benchmark::State& state) {
    Editor& e = SharedEditor();
    SoundDocument& doc = e.app.doc;
    const std::vector<std::uint8_t> first(doc.Data(), doc.Data() + kSecondBytes);
    for (auto _ : state) {
        RemoveBytes(doc, 0, kSecondBytes);
        benchmark::ClobberMemory();
        state.PauseTiming();
        InsertBytes(doc, 0, first.data(), kSecondBytes);
        state.ResumeTiming();
    }
}

void BM_DeleteFirstSecondCommand(benchmark::State& state) {
    Editor& e = SharedEditor();
    SoundDocument& doc = e.app.doc;
    const std::vector<std::uint8_t> first(doc.Data(), doc.Data() + kSecondBytes);
    for (auto _ : state) {
        doc.selStart = 0;
        doc.selEnd = kSecondBytes;
        if (DispatchCommand(e.app, IDM_DELETE, NotifyMenu) != 1) {
            state.SkipWithError("delete failed");
            break;
        }
        state.PauseTiming();
        InsertBytes(doc, 0, first.data(), kSecondBytes);
        state.ResumeTiming();
    }
}

void BM_MemmovePasteTenMinutes(benchmark::State& state) {
    std::vector<std::uint8_t> block(kHourBytes + kTenMinutesBytes + 16, 1);
    for (auto _ : state) {
        std::memmove(block.data() + kMiddle + kTenMinutesBytes, block.data() + kMiddle,
                     kHourBytes - kMiddle);
        benchmark::ClobberMemory();
    }
}

void BM_PasteTenMinutesEdit(benchmark::State& state) {
    Editor& e = SharedEditor();
    SoundDocument& doc = e.app.doc;
    for (auto _ : state) {
        if (!InsertBytes(doc, kMiddle, e.pasted.data(), kTenMinutesBytes)) {
            state.SkipWithError("no memory");
            break;
        }
        benchmark::ClobberMemory();
        state.PauseTiming();
        RemoveBytes(doc, kMiddle, kMiddle + kTenMinutesBytes);
        state.ResumeTiming();
    }
}

void BM_PasteTenMinutesCommand(benchmark::State& state) {
    Editor& e = SharedEditor();
    SoundDocument& doc = e.app.doc;
    for (auto _ : state) {
        doc.cursor = kMiddle;
        if (DispatchCommand(e.app, IDM_PASTE, NotifyMenu) != 1) {
            state.SkipWithError("paste failed");
            break;
        }
        state.PauseTiming();
        RemoveBytes(doc, kMiddle, kMiddle + kTenMinutesBytes);
        state.ResumeTiming();
    }
}

void BM_UndoSnapshot(benchmark::State& state) {
    Editor& e = SharedEditor();
    for (auto _ : state) {
        state.PauseTiming();
        e.app.undo.data.Reset();
        state.ResumeTiming();
        if (!TakeSnapshot(e.app.doc, e.app.undo)) {
            state.SkipWithError("no memory");
            break;
        }
        benchmark::ClobberMemory();
    }
}

} // namespace

// A few iterations each: every one moves hundreds of megabytes.
BENCHMARK(BM_MemmoveDeleteFirstSecond)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_DeleteFirstSecondEdit)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_DeleteFirstSecondCommand)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_MemmovePasteTenMinutes)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_PasteTenMinutesEdit)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_UndoSnapshot)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_PasteTenMinutesCommand)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
