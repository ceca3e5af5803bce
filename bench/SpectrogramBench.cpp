// The spectrogram of one hour of 44100 Hz 16-bit stereo held in memory (635 MB: tones, a
// sweep and a little noise), in a 1920 x 600 window on the scripted host, the window driven as
// the desktop drives it where a case says so: the cache's timer every kSpectrogramTimerMs while
// it runs, a full paint after each invalidation and the uncovered strip after each scroll.
//   Paint/ZOOM/VIEW   one full paint with the levels of every shown column ready (not timed:
//                     their computation), at every zoom step, past the widest step (4096 to
//                     262144 frames a column) and fitted, in the spectrogram view (1) and the
//                     both view (2). Target: under 16 ms.
//   FirstPicture/N    the whole hour fitted, the cache empty and its workers N: 表示 →
//                     スペクトログラム, then the time until a paint showed every column (the
//                     time), until the cache held them (readyMs), the longest paint and timer
//                     tick on the way, and the processor time of all threads (processorMs:
//                     on a machine busy with other work the time exceeds processorMs / N).
//                     Target: 2 s on 2 threads.
//   Scroll/CODE       zoom 1/1 in the middle of the sound, the cache empty: a held arrow key
//                     (CODE 1, sb::LineDown) or page key (3, sb::PageDown), one scroll every
//                     16 ms for 4 s; the longest paint and scroll, and the paints that showed a
//                     placeholder after the first second. Target: no paint over 16 ms and no
//                     placeholder after the first second.
//   AfterEffect       the picture complete with the hour fitted, the history on: フェードアウト
//                     on 10 s in the middle, then the time until a paint showed every column
//                     again (from the end of the command; effectMs is the command's). Target:
//                     within 200 ms.
// The longest of the runs is maxMs; FirstPicture and AfterEffect count the analysis frames
// transformed per run (framesComputed, of analysisFrames in the sound). Each reports the
// cache's bytes against its budget at its end (cacheBytes, budgetBytes).
#include "BenchSupport.h"

#include "commands/edit/HistoryCommands.h"
#include "editor/CommandIds.h"
#include "platform/RasterCanvas.h"
#include "view/SpectrogramView.h"
#include "view/WaveWindow.h"
#include "window/MainWindow.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using wt::bench::kRate;
constexpr int kWidth = 1920;
constexpr int kHeight = 600;
constexpr int kSeconds = 3600;
constexpr int kLimitMs = 60000; // a case that takes longer has failed
constexpr auto kKeyRepeat = std::chrono::milliseconds(16);

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// The processor time of the whole process (every thread) so far, in milliseconds.
double ProcessorMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

struct Editor : wt::bench::Editor {
    wt::RasterCanvas canvas{kWidth, kHeight};
    bool ready = false;

    Editor() {
        host.SizeWaveClient(kWidth, kHeight);
        // The ruler's margins are painted on the window at once after a scroll, as on the
        // desktop.
        host.waveCanvas = std::make_unique<wt::RasterCanvas>(kWidth, kHeight);
        wt::SoundDocument& doc = app.doc;
        if (!wt::bench::MakeStereo16(doc, std::int64_t{kRate} * kSeconds)) {
            return;
        }
        // 2^16 frames made once and repeated: 440 Hz and 3 kHz with a sweep from 200 Hz to
        // 8 kHz on the left, 1 kHz and 5 kHz on the right, a little white noise on both.
        constexpr int kChunk = 1 << 16;
        std::vector<std::int16_t> chunk(2 * kChunk);
        std::uint32_t noise = 12345;
        const auto white = [&noise] {
            noise = noise * 1664525u + 1013904223u;
            return static_cast<double>(static_cast<std::int32_t>(noise) >> 22); // +-512
        };
        double phase = 0;
        for (int f = 0; f < kChunk; ++f) {
            const double t = static_cast<double>(f) / kRate;
            phase += 2 * M_PI * (200 + 7800.0 * f / kChunk) / kRate;
            const double left = 9000 * std::sin(2 * M_PI * 440 * t) +
                                3000 * std::sin(2 * M_PI * 3000 * t) + 4000 * std::sin(phase);
            const double right =
                9000 * std::sin(2 * M_PI * 1000 * t) + 2000 * std::sin(2 * M_PI * 5000 * t);
            chunk[2 * static_cast<std::size_t>(f)] = static_cast<std::int16_t>(left + white());
            chunk[2 * static_cast<std::size_t>(f) + 1] = static_cast<std::int16_t>(right + white());
        }
        const std::int64_t bytes = static_cast<std::int64_t>(chunk.size() * sizeof chunk[0]);
        for (std::int64_t at = 0; at < doc.byteLength; at += bytes) {
            const std::int64_t n = std::min(bytes, doc.byteLength - at);
            std::memcpy(doc.Data() + at, chunk.data(), static_cast<std::size_t>(n));
        }
        ready = true;
    }

    // One paint of `strip` (null: the whole window) into the canvas, clipped to it.
    double Paint(const wt::Rect* strip) {
        if (strip) {
            canvas.SetClip(*strip);
        }
        const auto start = Clock::now();
        wt::WaveWndProc(app, wt::msg::Paint, 0, reinterpret_cast<wt::LParam>(strip), &canvas);
        const double ms = Ms(Clock::now() - start);
        benchmark::DoNotOptimize(canvas.Bytes().data());
        canvas.SetClip({0, 0, kWidth, kHeight});
        return ms;
    }

    // Forgets every level, after the workers' jobs ended.
    void EmptyCache() {
        app.spectrogram.WaitIdle(kLimitMs);
        app.spectrogram.SetShape({});
        wt::SyncSpectrogram(app);
    }
};

Editor& SharedEditor() {
    static Editor editor;
    return editor;
}

void Budget(benchmark::State& state, const wt::App& app) {
    state.counters["cacheBytes"] = static_cast<double>(app.spectrogram.Bytes());
    state.counters["budgetBytes"] = static_cast<double>(app.spectrogram.Budget());
}

// The analysis frames transformed per run (`frames` over all runs) and those of the sound.
void Transformed(benchmark::State& state, const wt::App& app, double frames) {
    state.counters["framesComputed"] = state.iterations() ? frames / state.iterations() : 0;
    state.counters["analysisFrames"] =
        static_cast<double>(app.spectrogram.Shape().AnalysisFrames());
}

// What the window went through while driven.
struct Run {
    double longestPaintMs = 0, longestTickMs = 0, longestScrollMs = 0;
    int paints = 0;
    int placeholderPaints = 0; // after the first second
    double readyMs = -1;       // every shown column's levels held
    double completeMs = -1;    // the end of the first paint that showed every column
    bool timedOut = false;
};

// Drives the window from now for at most `limitMs`, or until `done` says so after a paint or
// a tick: the spectrogram timer while it runs, a full paint after each invalidation (the
// desktop coalesces them into one), the uncovered strip after each scroll, and when
// `scrollCode` is set, msg::HScroll with it every kKeyRepeat.
Run Drive(Editor& e, const std::function<bool(const Run&)>& done, int limitMs,
          int scrollCode = -1) {
    wt::App& app = e.app;
    wt::ScriptedHost& host = e.host;
    Run run;
    const Clock::time_point start = Clock::now();
    int seenInvalidations = 0, seenScroll = host.scrolledBy;
    bool timerOn = false;
    Clock::time_point nextTick = start, nextScroll = start + kKeyRepeat;
    const auto paint = [&](const wt::Rect* strip) {
        const int pending = wt::PendingSpectrogramColumns(app);
        run.longestPaintMs = std::max(run.longestPaintMs, e.Paint(strip));
        ++run.paints;
        const double at = Ms(Clock::now() - start);
        if (pending > 0 && at > 1000) {
            ++run.placeholderPaints;
        }
        if (pending == 0 && run.completeMs < 0) {
            run.completeMs = at;
        }
    };
    const auto paintAsked = [&] {
        if (host.waveInvalidations != seenInvalidations) {
            seenInvalidations = host.waveInvalidations;
            seenScroll = host.scrolledBy;
            paint(nullptr);
        } else if (host.scrolledBy != seenScroll) {
            const int dx = host.scrolledBy - seenScroll;
            seenScroll = host.scrolledBy;
            const wt::Rect a = host.scrollArea;
            const wt::Rect strip =
                dx < 0 ? wt::Rect{std::max(a.left, a.right + dx), a.top, a.right, a.bottom}
                       : wt::Rect{a.left, a.top, std::min(a.right, a.left + dx), a.bottom};
            paint(&strip);
        }
    };
    paint(nullptr); // the window as it is when the case begins
    seenInvalidations = host.waveInvalidations;
    for (;;) {
        Clock::time_point now = Clock::now();
        if (Ms(now - start) > limitMs) {
            run.timedOut = true;
            break;
        }
        const bool on = host.timers.count(wt::kSpectrogramTimerId) != 0;
        if (on && !timerOn) {
            nextTick = now + std::chrono::milliseconds(wt::kSpectrogramTimerMs);
        }
        timerOn = on;
        if (timerOn && now >= nextTick) {
            wt::MainWndProc(app, wt::msg::Timer, wt::kSpectrogramTimerId, 0);
            const Clock::time_point after = Clock::now();
            run.longestTickMs = std::max(run.longestTickMs, Ms(after - now));
            nextTick = now + std::chrono::milliseconds(wt::kSpectrogramTimerMs);
            if (run.readyMs < 0 && wt::PendingSpectrogramColumns(app) == 0) {
                run.readyMs = Ms(after - start);
            }
        }
        if (scrollCode >= 0 && now >= nextScroll) {
            const Clock::time_point before = Clock::now();
            wt::WaveWndProc(app, wt::msg::HScroll, static_cast<wt::WParam>(scrollCode), 0, nullptr);
            run.longestScrollMs = std::max(run.longestScrollMs, Ms(Clock::now() - before));
            nextScroll += kKeyRepeat;
        }
        paintAsked();
        if (done(run)) {
            break;
        }
        now = Clock::now();
        Clock::time_point wake = now + std::chrono::milliseconds(1);
        if (host.timers.count(wt::kSpectrogramTimerId) != 0) {
            wake = std::min(wake, std::max(now, nextTick));
        }
        if (scrollCode >= 0) {
            wake = std::min(wake, nextScroll);
        }
        std::this_thread::sleep_until(wake);
    }
    if (run.readyMs < 0 && wt::PendingSpectrogramColumns(app) == 0) {
        run.readyMs = Ms(Clock::now() - start);
    }
    return run;
}

bool PictureShown(const Run& run) {
    return run.completeMs >= 0;
}

Editor* ReadyEditor(benchmark::State& state) {
    Editor& e = SharedEditor();
    if (!e.ready) {
        state.SkipWithError("not enough memory for the one-hour sound");
        return nullptr;
    }
    e.app.spectrogram.SetThreads(0);
    return &e;
}

void BM_Paint(benchmark::State& state) {
    Editor* e = ReadyEditor(state);
    if (!e) {
        return;
    }
    const int zoom = static_cast<int>(state.range(0));
    e->app.settings.viewMode = static_cast<int>(state.range(1));
    wt::bench::ShowZoom(e->app, zoom); // after the view: the legend narrows the area that is fitted
    if (!wt::CompleteSpectrogram(e->app, kLimitMs)) {
        state.SkipWithError("the levels were not ready in time");
        return;
    }
    e->app.spectrogram.WaitIdle(kLimitMs); // no worker runs beside the timed paints
    double longest = 0;
    for (auto _ : state) {
        const double ms = e->Paint(nullptr);
        longest = std::max(longest, ms);
        state.SetIterationTime(ms / 1000);
    }
    state.counters["maxMs"] = longest;
    state.counters["pending"] = wt::PendingSpectrogramColumns(e->app);
    Budget(state, e->app);
    state.SetLabel(wt::bench::ZoomLabel(e->app, zoom) +
                   (state.range(1) == wt::kViewSpectrogram ? " spectrogram" : " both"));
}

BENCHMARK(BM_Paint)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {wt::kViewSpectrogram, wt::kViewBoth}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_FirstPicture(benchmark::State& state) {
    Editor* e = ReadyEditor(state);
    if (!e) {
        return;
    }
    wt::App& app = e->app;
    Run worst;
    double ready = 0, frames = 0, cpu = 0;
    for (auto _ : state) {
        wt::SetViewMode(app, wt::kViewWaveform);
        wt::CmdZoomFit(app);
        e->Paint(nullptr);
        e->EmptyCache();
        app.spectrogram.SetThreads(static_cast<int>(state.range(0)));
        const std::uint64_t computed = app.spectrogram.FramesComputed();
        const double processor = ProcessorMs();
        const Clock::time_point start = Clock::now();
        wt::DispatchCommand(app, wt::IDM_VIEW_SPECTROGRAM);
        const double commandMs = Ms(Clock::now() - start);
        const Run run = Drive(*e, PictureShown, kLimitMs);
        if (run.timedOut) {
            state.SkipWithError("no complete picture within the limit");
            break;
        }
        state.SetIterationTime((commandMs + run.completeMs) / 1000);
        worst.completeMs = std::max(worst.completeMs, commandMs + run.completeMs);
        ready += commandMs + run.readyMs;
        cpu += ProcessorMs() - processor;
        frames += static_cast<double>(app.spectrogram.FramesComputed() - computed);
        worst.longestPaintMs = std::max(worst.longestPaintMs, run.longestPaintMs);
        worst.longestTickMs = std::max(worst.longestTickMs, run.longestTickMs);
        worst.paints = std::max(worst.paints, run.paints);
    }
    state.counters["readyMs"] = state.iterations() ? ready / state.iterations() : 0;
    state.counters["processorMs"] = state.iterations() ? cpu / state.iterations() : 0;
    Transformed(state, app, frames);
    state.counters["maxMs"] = worst.completeMs;
    state.counters["maxPaintMs"] = worst.longestPaintMs;
    state.counters["maxTickMs"] = worst.longestTickMs;
    state.counters["paints"] = worst.paints;
    Budget(state, app);
    app.spectrogram.SetThreads(0);
}

BENCHMARK(BM_FirstPicture)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_Scroll(benchmark::State& state) {
    Editor* e = ReadyEditor(state);
    if (!e) {
        return;
    }
    wt::App& app = e->app;
    Run worst;
    for (auto _ : state) {
        app.settings.viewMode = wt::kViewSpectrogram;
        wt::bench::ShowZoom(app, wt::bench::kZoomSteps - 1); // 1/1
        e->EmptyCache();
        const Run run = Drive(
            *e, [](const Run&) { return false; }, 4000, static_cast<int>(state.range(0)));
        state.SetIterationTime(run.longestPaintMs / 1000);
        worst.longestPaintMs = std::max(worst.longestPaintMs, run.longestPaintMs);
        worst.longestTickMs = std::max(worst.longestTickMs, run.longestTickMs);
        worst.longestScrollMs = std::max(worst.longestScrollMs, run.longestScrollMs);
        worst.paints = std::max(worst.paints, run.paints);
        worst.placeholderPaints = std::max(worst.placeholderPaints, run.placeholderPaints);
    }
    state.counters["maxPaintMs"] = worst.longestPaintMs;
    state.counters["maxTickMs"] = worst.longestTickMs;
    state.counters["maxScrollMs"] = worst.longestScrollMs;
    state.counters["paints"] = worst.paints;
    state.counters["placeholderPaints"] = worst.placeholderPaints;
    Budget(state, app);
    state.SetLabel(state.range(0) == wt::sb::LineDown ? "line" : "page");
}

BENCHMARK(BM_Scroll)
    ->Arg(wt::sb::LineDown)
    ->Arg(wt::sb::PageDown)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_AfterEffect(benchmark::State& state) {
    Editor* e = ReadyEditor(state);
    if (!e) {
        return;
    }
    wt::App& app = e->app;
    wt::EnableHistory(app);
    wt::SetViewMode(app, wt::kViewSpectrogram);
    Run worst;
    double effect = 0, frames = 0;
    for (auto _ : state) {
        wt::CmdZoomFit(app);
        if (!wt::CompleteSpectrogram(app, kLimitMs)) {
            state.SkipWithError("the levels were not ready in time");
            break;
        }
        app.spectrogram.WaitIdle(kLimitMs);
        e->Paint(nullptr);
        const std::int32_t align = app.doc.format.blockAlign;
        app.doc.selStart = app.doc.byteLength / 2 / align * align;
        app.doc.selEnd = app.doc.selStart + 10 * kRate * align;
        const std::uint64_t computed = app.spectrogram.FramesComputed();
        const Clock::time_point start = Clock::now();
        if (wt::DispatchCommand(app, wt::IDM_FADE_OUT) != 1) {
            state.SkipWithError("the effect failed");
            break;
        }
        effect += Ms(Clock::now() - start);
        const Run run = Drive(*e, PictureShown, kLimitMs);
        if (run.timedOut) {
            state.SkipWithError("no complete picture within the limit");
            break;
        }
        state.SetIterationTime(run.completeMs / 1000);
        worst.completeMs = std::max(worst.completeMs, run.completeMs);
        frames += static_cast<double>(app.spectrogram.FramesComputed() - computed);
        worst.longestPaintMs = std::max(worst.longestPaintMs, run.longestPaintMs);
        worst.longestTickMs = std::max(worst.longestTickMs, run.longestTickMs);
        worst.paints = std::max(worst.paints, run.paints);
    }
    state.counters["effectMs"] = state.iterations() ? effect / state.iterations() : 0;
    Transformed(state, app, frames);
    state.counters["maxMs"] = worst.completeMs;
    state.counters["maxPaintMs"] = worst.longestPaintMs;
    state.counters["maxTickMs"] = worst.longestTickMs;
    state.counters["paints"] = worst.paints;
    Budget(state, app);
}

BENCHMARK(BM_AfterEffect)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
