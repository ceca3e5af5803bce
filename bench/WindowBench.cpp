// The same commands on the same 10-minute 44.1 kHz 16-bit stereo file in the desktop window
// (the Qt host, on the offscreen platform unless QT_QPA_PLATFORM says otherwise) and on the
// scripted host the batch mode runs on. Each iteration opens the file afresh (untimed) and
// times one command on the whole sound; in the window the timing includes handling the events
// the command left behind, its repaint among them. "open" times the file's opening itself.
// Dialogs are answered at once with the remembered values in both hosts, so the figures
// compare the work and its progress reports, not the dialogs.
//
// Besides the time, each run reports `longestGapMs`: the longest stretch of the command
// without a chance for the window's events (the pump of the progress report), which is how
// long a repaint or the stop command may wait.
#include "BenchSupport.h"

#include "commands/effects/DelayEffects.h"
#include "commands/effects/LevelEffects.h"
#include "commands/effects/SpectralEffects.h"
#include "commands/file/FileCommands.h"
#include "editor/CommandIds.h"
#include "hosts/qt/Desktop.h"
#include "hosts/qt/QtHost.h"
#include "hosts/scripted/ScriptedDialog.h"
#include "resources/Dialogs.h"
#include "window/CommandTable.h"
#include "window/MainWindow.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Runs a dialog's procedure headlessly and presses OK: the remembered values are applied.
wt::LParam AnswerWithOk(int templateId, wt::DialogProc proc, wt::LParam param) {
    const wt::DialogTemplate* dialogTemplate = wt::FindDialogTemplate(templateId);
    if (!dialogTemplate) {
        return -1;
    }
    wt::ScriptedDialog dialog(*dialogTemplate, std::move(proc));
    if (dialog.Initialize(param) && !dialog.Ended()) {
        dialog.Press(wt::IdOk);
    }
    return dialog.Result();
}

// The pump's calls, timed while a command runs: how long until the first (the undo snapshot
// and the work buffers come before it, while no other command may start yet) and the longest
// gap between two of them or between the last and the command's end.
struct GapWatch {
    Clock::time_point start, last;
    double firstMs = 0, longestMs = 0;
    void Start() {
        start = Clock::now();
        last = Clock::time_point{};
        firstMs = longestMs = 0;
    }
    void Pumped() {
        const Clock::time_point now = Clock::now();
        if (last == Clock::time_point{}) {
            firstMs = std::chrono::duration<double, std::milli>(now - start).count();
        } else {
            longestMs =
                std::max(longestMs, std::chrono::duration<double, std::milli>(now - last).count());
        }
        last = now;
    }
    // The end of a command that never pumped counts as one long gap.
    void Ended() {
        if (last == Clock::time_point{}) {
            longestMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        } else {
            Pumped();
        }
    }
};

class WindowHost final : public wt::QtHost {
public:
    GapWatch* watch = nullptr;
    wt::LParam DialogBox(int templateId, wt::Owner, wt::DialogProc proc,
                         wt::LParam param) override {
        return AnswerWithOk(templateId, std::move(proc), param);
    }
    bool PumpOneMessage() override {
        if (watch) {
            watch->Pumped();
        }
        return QtHost::PumpOneMessage();
    }
};

struct WindowEditor {
    WindowHost host;
    wt::App app{host};
    WindowEditor() {
        // The settings of a fresh user, in a folder of its own.
        char folder[] = "/tmp/wt-window-bench-XXXXXX";
        const std::string dir = mkdtemp(folder) ? folder : "/tmp";
        wt::InitializeApp(app, dir + "/wtomuka", dir + "/wtomuka.ini");
        wt::OpenMainWindow(host, app, "");
        QApplication::processEvents();
    }
};

const std::string& TenMinuteFile() {
    static const std::string path = [] {
        const char* shm = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string file =
            std::string(shm) + "/wt-window-bench-" + std::to_string(getpid()) + ".wav";
        wt::bench::Editor maker(wt::bench::Tones{});
        maker.app.doc.title = file;
        maker.app.doc.fileType = 1;
        if (wt::CmdSave(maker.app) != 1) {
            file.clear();
        }
        return file;
    }();
    return path;
}

struct Command {
    const char* name;
    int (*run)(wt::App&);
};

int OpenOnly(wt::App&) {
    return 1;
}

constexpr Command kCommands[] = {
    {"open", OpenOnly},
    {"reverse", wt::CmdReverse},
    {"normalize", wt::CmdNormalize},
    {"echo", wt::CmdEcho},
    {"reverb", wt::CmdReverb},
    {"graphic EQ", wt::CmdEqualizer},
    {"spectral high-pass", wt::CmdSpectralHighPass},
    {"vocoder", wt::CmdVocoder},
};

template <class EditorType>
void TimeCommand(benchmark::State& state, EditorType& e, GapWatch& watch, bool window) {
    const Command& command = kCommands[state.range(0)];
    const bool open = command.run == OpenOnly;
    const std::string& path = TenMinuteFile();
    if (path.empty()) {
        state.SkipWithError("the 10-minute file could not be written");
        return;
    }
    double longest = 0, first = 0, commandMs = 0, eventsMs = 0;
    for (auto _ : state) {
        if (!open) {
            state.PauseTiming();
        }
        e.app.doc.modified = false;
        watch.Start();
        if (wt::LoadSoundFile(e.app, path) != 1) {
            state.SkipWithError("the file did not open");
            break;
        }
        if (window) {
            QApplication::processEvents();
        }
        if (!open) {
            state.ResumeTiming();
            watch.Start();
            e.app.doc.selStart = e.app.doc.selEnd = 0;
            const Clock::time_point begin = Clock::now();
            if (command.run(e.app) != 1) {
                state.SkipWithError("the command failed");
                break;
            }
            const Clock::time_point ran = Clock::now();
            watch.Ended();
            if (window) {
                QApplication::processEvents();
            }
            commandMs += std::chrono::duration<double, std::milli>(ran - begin).count();
            eventsMs += std::chrono::duration<double, std::milli>(Clock::now() - ran).count();
        }
        longest = std::max(longest, watch.longestMs);
        first = std::max(first, watch.firstMs);
    }
    state.counters["firstPumpMs"] = first;
    state.counters["longestGapMs"] = longest;
    if (!open) {
        const double runs = static_cast<double>(state.iterations());
        state.counters["commandMs"] = commandMs / runs;
        state.counters["eventsAfterMs"] = eventsMs / runs;
    }
    state.SetLabel(std::string(command.name) + (window ? " (window)" : " (batch)"));
}

// Made on first use and destroyed in main, while the QApplication still exists.
std::unique_ptr<WindowEditor> g_window;

void BM_Window(benchmark::State& state) {
    static GapWatch watch;
    if (!g_window) {
        g_window = std::make_unique<WindowEditor>();
    }
    g_window->host.watch = &watch;
    TimeCommand(state, *g_window, watch, true);
}

void BM_Batch(benchmark::State& state) {
    static wt::bench::Editor editor;
    static GapWatch watch;
    editor.host.onPump = editor.host.onEventPass = [] {
        watch.Pumped();
        return false;
    };
    TimeCommand(state, editor, watch, false);
}

constexpr int kCommandCount = static_cast<int>(std::size(kCommands));

BENCHMARK(BM_Batch)
    ->DenseRange(0, kCommandCount - 1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK(BM_Window)
    ->DenseRange(0, kCommandCount - 1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// Every effect and generator on the scripted host, once each: only the longest stretch
// without a pump matters here (time-stretch and the like make the sound longer, so the time
// is not comparable between them).
using namespace wt; // the command ids

constexpr int kEveryEffect[] = {
    IDM_NOISE_REMOVAL, IDM_DC_REMOVE,      IDM_NORMALIZE,      IDM_PHASE_INVERT,  IDM_SILENCE,
    IDM_FADE_IN,       IDM_FADE_OUT,       IDM_VOLUME,         IDM_TREMOLO,       IDM_ENVELOPE,
    IDM_PAN_ENVELOPE,  IDM_NOISE_GATE,     IDM_COMPRESSOR,     IDM_ECHO,          IDM_REVERB,
    IDM_PITCH,         IDM_PITCH_ENVELOPE, IDM_VIBRATO,        IDM_TIME_STRETCH,  IDM_TRANSPOSE,
    IDM_REVERSE,       IDM_DISTORTION,     IDM_FLANGER,        IDM_EQUALIZER,     IDM_PARAMETRIC_EQ,
    IDM_WHITE_NOISE,   IDM_TONE,           IDM_INSERT_SILENCE, IDM_CHANGE_FORMAT,
};

void BM_BatchLongestGap(benchmark::State& state) {
    static wt::bench::Editor editor;
    static GapWatch watch;
    // Away from the values that leave the sound as it is.
    editor.app.effects.pitchTime.pitch.percent = 110;
    editor.app.effects.pitchTime.timeStretch.speed = 90;
    editor.app.effects.pitchTime.transpose.cents = 300;
    editor.host.onPump = editor.host.onEventPass = [] {
        watch.Pumped();
        return false;
    };
    const wt::CommandEntry* entry = wt::FindCommand(kEveryEffect[state.range(0)]);
    const std::string& path = TenMinuteFile();
    for (auto _ : state) {
        state.PauseTiming();
        editor.app.doc.modified = false;
        if (path.empty() || wt::LoadSoundFile(editor.app, path) != 1) {
            state.SkipWithError("the file did not open");
            break;
        }
        state.ResumeTiming();
        watch.Start();
        editor.app.doc.selStart = editor.app.doc.selEnd = 0;
        entry->handler(editor.app);
        watch.Ended();
    }
    state.counters["firstPumpMs"] = watch.firstMs;
    state.counters["longestGapMs"] = watch.longestMs;
    state.SetLabel(entry->name);
}

BENCHMARK(BM_BatchLongestGap)
    ->DenseRange(0, static_cast<int>(std::size(kEveryEffect)) - 1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_window.reset();
    if (!TenMinuteFile().empty()) {
        std::remove(TenMinuteFile().c_str());
    }
    return 0;
}
