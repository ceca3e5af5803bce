// Peak resident memory of one command on a one-hour 44.1 kHz 16-bit stereo sound (about
// 635 MB), as a multiple of the sound's size. Each run is a process of its own, so that its
// peak is the command's: the sound is made, then the command runs once as a user would run
// it, with its dialog's default values, on the scripted host with fake wave devices.
//   MemoryBench --list            the names it measures, one a line
//   MemoryBench --files FOLDER    writes the one-hour files the open_* measurements read
//   MemoryBench NAME FOLDER       one measurement (the peak of the whole process)
//   MemoryBench --history NAME FOLDER, --journal NAME FOLDER
//                                 the same with the edit history on (spill files under
//                                 $XDG_CACHE_HOME), and with the recovery journal on too (in
//                                 FOLDER/journal, its writes waited for before the peak is read)
// Most commands act on the whole sound selected, with their dialog's default values; pitch_P,
// time_stretch_S and transpose_C[_harmonized] set the value that changes the sound. paste and
// mix_paste put ten minutes from the clipboard into the middle; record takes ten minutes at the
// end; open_* read a one-hour file written by the editor's own writer; save_as_* write one.
// bench/memory_ratios.sh runs them all.
#include "BenchSupport.h"

#include "commands/edit/HistoryCommands.h"
#include "commands/effects/LevelEffects.h"
#include "commands/effects/SpectralEffects.h"
#include "commands/file/SoundFiles.h"
#include "editor/CommandIds.h"
#include "hosts/scripted/FakeWaveDevices.h"
#include "model/WaveImage.h"
#include "window/CommandTable.h"
#include "window/MainWindow.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

using namespace wt;

using bench::kBlockAlign;
using bench::kRate;
constexpr std::int64_t kHourBytes = 3600LL * kRate * kBlockAlign;
constexpr std::int64_t kTenMinutesBytes = 600LL * kRate * kBlockAlign;
constexpr const char* kFileTypes[] = {"wav", "aiff", "au"};

double PeakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // ru_maxrss is in KiB
}

struct Editor {
    FakeWaveDevices devices;
    bench::Editor editor{&devices};
    ScriptedHost& host = editor.host;
    App& app = editor.app;

    ~Editor() { host.UseDevices(nullptr); }

    // The hour of a chord with a little noise, so that no effect meets silence.
    void MakeSound() {
        SoundDocument& doc = app.doc;
        if (!bench::MakeStereo16(doc, kHourBytes / kBlockAlign)) {
            std::fprintf(stderr, "no memory for the sound\n");
            std::exit(2);
        }
        auto* samples = reinterpret_cast<std::int16_t*>(doc.Data());
        std::uint32_t noise = 1;
        for (std::int64_t frame = 0; frame < kHourBytes / kBlockAlign; ++frame) {
            noise = noise * 1664525u + 1013904223u;
            const double t = static_cast<double>(frame) / kRate;
            const double v = 9000 * std::sin(2 * M_PI * 220 * t) +
                             6000 * std::sin(2 * M_PI * 331 * t) + (noise >> 24) * 8.0 - 1024;
            samples[2 * frame] = static_cast<std::int16_t>(v);
            samples[2 * frame + 1] = static_cast<std::int16_t>(-v / 2);
        }
        doc.selStart = 0;
        doc.selEnd = doc.byteLength;
        doc.cursor = doc.anchor = 0;
    }

    // Ten minutes from the middle of the sound on the clipboard, as another program's copy.
    void PutTenMinutesOnTheClipboard() {
        std::vector<std::uint8_t> image(kWaveHeaderBytes + kTenMinutesBytes);
        WriteWaveHeader(image.data(), app.doc.format, static_cast<std::uint32_t>(kTenMinutesBytes));
        std::memcpy(image.data() + kWaveHeaderBytes, app.doc.Data() + kHourBytes / 2,
                    kTenMinutesBytes);
        host.SetClipboardWave(image);
    }

    int Run(int id) {
        const int result = DispatchCommand(app, id);
        if (app.audio.recording) {
            std::vector<std::uint8_t> chunk(1 << 20);
            for (std::size_t i = 0; i < chunk.size(); ++i) {
                chunk[i] = static_cast<std::uint8_t>(i * 13);
            }
            for (std::int64_t fed = 0; fed < kTenMinutesBytes && devices.recording;
                 fed += static_cast<std::int64_t>(chunk.size())) {
                devices.Record(chunk.data(), chunk.size());
            }
            host.DeliverPosted();
            if (app.audio.recording) {
                DispatchCommand(app, IDM_STOP);
            }
        }
        if (devices.playing) {
            devices.outputLoop ? static_cast<void>(DispatchCommand(app, IDM_STOP))
                               : devices.FinishOutput();
        }
        host.DeliverPosted();
        return result;
    }
};

// The pitch and time commands change nothing with their default values; these runs set one
// that does.
struct PitchTimeRun {
    const char* name;
    int command;
    int value; // percent, speed or cents
    int harmonize;
};
constexpr PitchTimeRun kPitchTimeRuns[] = {
    {"pitch_50", IDM_PITCH, 50, 0},
    {"pitch_200", IDM_PITCH, 200, 0},
    {"time_stretch_50", IDM_TIME_STRETCH, 50, 0},
    {"time_stretch_200", IDM_TIME_STRETCH, 200, 0},
    {"transpose_700", IDM_TRANSPOSE, 700, 0},
    {"transpose_700_harmonized", IDM_TRANSPOSE, 700, 1},
    {"transpose_-1200", IDM_TRANSPOSE, -1200, 0},
    {"transpose_-1200_harmonized", IDM_TRANSPOSE, -1200, 1},
};

// The commands of the hidden keys (Ctrl+F, Ctrl+T), which the command table does not list,
// and volume at 50 % (the dialog's default, 100 %, changes nothing).
struct HiddenRun {
    const char* name;
    int (*run)(App&);
};
constexpr HiddenRun kHiddenRuns[] = {
    {"spectral_high_pass", CmdSpectralHighPass},
    {"vocoder", CmdVocoder},
    {"volume_50",
     [](App& app) {
         app.effects.volume.volume = 50;
         return CmdVolume(app);
     }},
};

const PitchTimeRun* FindPitchTimeRun(const std::string& name) {
    for (const PitchTimeRun& run : kPitchTimeRuns) {
        if (name == run.name) {
            return &run;
        }
    }
    return nullptr;
}

std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const CommandEntry& entry : CommandTable()) {
        const std::string name = BatchName(entry);
        // Leaving the editor measures nothing of a command.
        if (entry.handler && entry.id != IDM_EXIT) {
            names.push_back(name);
        }
    }
    for (const PitchTimeRun& run : kPitchTimeRuns) {
        names.push_back(run.name);
    }
    for (const HiddenRun& run : kHiddenRuns) {
        names.push_back(run.name);
    }
    for (const char* type : kFileTypes) {
        names.push_back(std::string("open_") + type);
        names.push_back(std::string("save_as_") + type);
    }
    return names;
}

int FindCommand(const std::string& name) {
    for (const CommandEntry& entry : CommandTable()) {
        if (entry.handler && BatchName(entry) == name) {
            return entry.id;
        }
    }
    return 0;
}

// Writes the hour as FOLDER/hour.TYPE with the editor's writer, when it is not there yet.
bool EnsureFile(const std::string& folder, const std::string& type) {
    const std::string path = folder + "/hour." + type;
    if (std::filesystem::exists(path)) {
        return true;
    }
    Editor writer;
    writer.MakeSound();
    writer.app.doc.title = path + ".part";
    const auto save = type == "wav" ? SaveWaveFile : type == "aiff" ? SaveAiffFile : SaveAuFile;
    if (save(writer.app) != 1) {
        return false;
    }
    std::filesystem::rename(path + ".part", path);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--list") {
        for (const std::string& name : Names()) {
            std::printf("%s\n", name.c_str());
        }
        return 0;
    }
    const std::string with = argc == 4 ? argv[1] : "";
    if ((argc != 3 && argc != 4) || (argc == 4 && with != "--history" && with != "--journal")) {
        std::fprintf(stderr, "usage: MemoryBench --list | --files FOLDER | "
                             "[--history|--journal] NAME FOLDER\n");
        return 2;
    }
    const std::string name = argv[argc - 2], folder = argv[argc - 1];
    if (name == "--files") {
        for (const char* type : kFileTypes) {
            if (!EnsureFile(folder, type)) {
                std::fprintf(stderr, "cannot write hour.%s\n", type);
                return 2;
            }
        }
        return 0;
    }
    Editor editor;
    int result = 0;
    if (name.rfind("open_", 0) == 0) {
        if (!std::filesystem::exists(folder + "/hour." + name.substr(5))) {
            std::fprintf(stderr, "no %s/hour.%s: run MemoryBench --files first\n", folder.c_str(),
                         name.substr(5).c_str());
            return 2;
        }
        editor.host.QueueFile(folder + "/hour." + name.substr(5));
        result = editor.Run(IDM_OPEN);
    } else {
        editor.MakeSound();
        std::string why;
        if (with == "--history") {
            EnableHistory(editor.app);
        } else if (with == "--journal" && !EnableJournal(editor.app, folder + "/journal", why)) {
            std::fprintf(stderr, "no journal: %s\n", why.c_str());
            return 2;
        }
        if (name.rfind("save_as_", 0) == 0) {
            editor.host.QueueFile(folder + "/saved." + name.substr(8));
            result = editor.Run(IDM_SAVE_AS);
            std::filesystem::remove(folder + "/saved." + name.substr(8));
        } else if (const PitchTimeRun* run = FindPitchTimeRun(name)) {
            PitchTimeParams& p = editor.app.effects.pitchTime;
            if (run->command == IDM_PITCH) {
                p.pitch.percent = run->value;
            } else if (run->command == IDM_TIME_STRETCH) {
                p.timeStretch.speed = run->value;
            } else {
                p.transpose.cents = run->value;
                p.transpose.harmonize = run->harmonize;
            }
            result = editor.Run(run->command);
        } else if (const auto hidden =
                       std::find_if(std::begin(kHiddenRuns), std::end(kHiddenRuns),
                                    [&](const HiddenRun& run) { return name == run.name; });
                   hidden != std::end(kHiddenRuns)) {
            // Recorded as a step as the dispatcher records a command's change.
            const ChangeWatch watch = WatchChanges(editor.app, name);
            result = hidden->run(editor.app);
            NoteChanges(editor.app, watch, name);
        } else {
            const int id = FindCommand(name);
            if (id == 0) {
                std::fprintf(stderr, "no command %s\n", name.c_str());
                return 2;
            }
            if (id == IDM_PASTE || id == IDM_MIX_PASTE) {
                editor.PutTenMinutesOnTheClipboard();
            }
            if (id == IDM_PASTE || id == IDM_MIX_PASTE || id == IDM_RECORD) {
                editor.app.doc.selStart = editor.app.doc.selEnd = 0;
                editor.app.doc.cursor = editor.app.doc.anchor =
                    id == IDM_RECORD ? editor.app.doc.byteLength : editor.app.doc.byteLength / 2;
            }
            result = editor.Run(id);
        }
    }
    if (editor.app.journal.Started()) {
        editor.app.journal.Flush();
        EndHistory(editor.app);
    }
    const double soundMiB = static_cast<double>(kHourBytes) / (1 << 20);
    const double peakMiB = PeakMiB();
    std::string messages;
    for (const ShownMessage& m : editor.host.messages) {
        messages += (messages.empty() ? "" : " / ") + m.text;
    }
    for (char& c : messages) {
        c = c == '\n' ? ' ' : c;
    }
    // name, result, peak MiB, sound MiB, peak / sound, within 3 x sound + 64 MiB, messages
    std::printf("%s\t%d\t%.0f\t%.0f\t%.2f\t%s\t%s\n", name.c_str(), result, peakMiB, soundMiB,
                peakMiB / soundMiB, peakMiB <= 3 * soundMiB + 64 ? "ok" : "OVER", messages.c_str());
    return 0;
}
