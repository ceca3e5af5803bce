// Playback costs: the time from IDM_PLAY to the first frame handed to the real output device
// and to the command's return, for a one-second and a one-hour 44.1 kHz 16-bit stereo sound
// (playing reads the document in place, so the length must not matter); and the audio
// callback's work per 512-frame buffer while a sound of one second to one hour plays.
//
// The device benchmarks need a sound server (bench/audio_bench.sh starts a private one).
#include "BenchSupport.h"

#include "commands/devices/Transport.h"
#include "editor/CommandIds.h"
#include "hosts/portaudio/PortAudioWaveDevices.h"
#include "platform/PlaybackRenderer.h"
#include "window/MainWindow.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <vector>

namespace {

using namespace wt;
using Clock = std::chrono::steady_clock;

using bench::kBlockAlign;
using bench::kRate;
constexpr std::int64_t kBufferFrames = 512;

// A sound of `seconds` whose every page has been written, as a loaded file's would be.
std::vector<std::uint8_t> Sound(std::int64_t seconds) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(seconds * kRate * kBlockAlign));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 37 + (i >> 12));
    }
    return bytes;
}

void BM_CallbackPerBuffer(benchmark::State& state) {
    const std::vector<std::uint8_t> sound = Sound(state.range(0));
    PlaybackRenderer renderer;
    // Looped, so that the benchmark's buffers run through the whole sound again and again.
    renderer.Start(sound.data(), static_cast<std::int64_t>(sound.size() / kBlockAlign), kBlockAlign,
                   true, 0, kRate, 0.25);
    std::vector<std::uint8_t> out(kBufferFrames * kBlockAlign);
    double now = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(renderer.Render(out.data(), kBufferFrames, now, now + 0.25));
        benchmark::ClobberMemory();
        now += static_cast<double>(kBufferFrames) / kRate;
    }
}
// One second fits the processor's caches; the longer sounds are read from memory.
BENCHMARK(BM_CallbackPerBuffer)->Arg(1)->Arg(60)->Arg(600)->Arg(3600)->Unit(benchmark::kNanosecond);

// One editor on the scripted host with the machine's real devices.
struct Editor {
    PortAudioWaveDevices devices;
    bench::Editor editor{&devices};
    App& app = editor.app;
    ScriptedHost& host = editor.host;

    explicit Editor(std::int64_t seconds) {
        SoundDocument& doc = app.doc;
        bench::MakeStereo16(doc, seconds * kRate);
        const std::vector<std::uint8_t> sound = Sound(seconds);
        std::memcpy(doc.Data(), sound.data(), sound.size());
    }

    // Stops playback and handles the device's report.
    void Stop() {
        DispatchCommand(app, IDM_STOP);
        while (app.audio.playMode != kPlayIdle) {
            for (const auto& m : host.TakePosted(std::chrono::milliseconds(100))) {
                MainWndProc(app, m.message, m.wParam, m.lParam);
            }
        }
    }
};

void BM_PlayToFirstFrame(benchmark::State& state) {
    Editor editor(state.range(0));
    double started = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        if (DispatchCommand(editor.app, IDM_PLAY) != 1) {
            state.SkipWithError("no output device (start a sound server)");
            break;
        }
        const auto t1 = Clock::now();
        while (editor.devices.FramesHanded() == 0) {
        }
        const auto t2 = Clock::now();
        state.SetIterationTime(std::chrono::duration<double>(t2 - t0).count());
        started += std::chrono::duration<double>(t1 - t0).count();
        editor.Stop();
    }
    state.counters["command_returned_ms"] =
        benchmark::Counter(started * 1000, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_PlayToFirstFrame)
    ->Arg(1)
    ->Arg(3600)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

} // namespace
