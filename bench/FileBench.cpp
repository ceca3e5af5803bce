// Opening and saving a 10-minute 44.1 kHz 16-bit stereo sound (about 106 MB of samples) as
// WAV, AIFF and AU. The files live in $WT_BENCH_DIR (default: a new folder under /tmp) and
// are written once before the first open.
#include "BenchSupport.h"

#include "commands/file/SoundFileSupport.h"
#include "commands/file/SoundFiles.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <unistd.h>

namespace {

using namespace wt;

struct Editor {
    ScriptedHost host;
    App app{host};
    Editor() { app.status.Create(); }
};

// A folder of the benchmark's own is removed again at exit; a given one is left alone.
struct BenchFolderHolder {
    std::string path;
    bool own = false;
    BenchFolderHolder() {
        if (const char* given = std::getenv("WT_BENCH_DIR")) {
            path = given;
            return;
        }
        std::string pattern = "/tmp/wt-file-bench-XXXXXX";
        own = mkdtemp(pattern.data()) != nullptr;
        path = own ? pattern : "/tmp";
    }
    ~BenchFolderHolder() {
        if (own) {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    }
};

const std::string& BenchFolder() {
    static const BenchFolderHolder folder;
    return folder.path;
}

// The 10-minute sound: a different tone on each channel.
void MakeSound(SoundDocument& doc) {
    bench::MakeStereo16(doc, bench::kTenMinutes);
    std::uint8_t* frame = doc.Data();
    for (std::int32_t f = 0; f < bench::kTenMinutes; ++f, frame += bench::kBlockAlign) {
        WriteSample(doc, frame, static_cast<int>(std::sin(f * 0.0627) * 12000), 0);
        WriteSample(doc, frame, static_cast<int>(std::sin(f * 0.0311) * 9000), 1);
    }
}

Editor& SharedEditor() {
    static Editor editor;
    static const bool made = (MakeSound(editor.app.doc), true);
    (void)made;
    return editor;
}

std::string PathFor(const char* extension) {
    return BenchFolder() + "/bench." + extension;
}

void SaveBench(benchmark::State& state, const char* extension, int (*save)(App&)) {
    Editor& editor = SharedEditor();
    editor.app.doc.title = PathFor(extension);
    for (auto _ : state) {
        if (save(editor.app) != 1) {
            state.SkipWithError("save failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * editor.app.doc.byteLength);
}

void OpenBench(benchmark::State& state, const char* extension, int (*save)(App&),
               int (*load)(App&, const std::string&, LoadedSound&)) {
    const std::string path = PathFor(extension);
    if (!std::filesystem::exists(path)) {
        Editor& editor = SharedEditor();
        editor.app.doc.title = path;
        save(editor.app);
    }
    auto reader = std::make_unique<Editor>();
    std::int64_t bytes = 0;
    for (auto _ : state) {
        LoadedSound sound;
        if (load(reader->app, path, sound) != 1) {
            state.SkipWithError("open failed");
            break;
        }
        bytes = sound.byteLength;
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}

void BM_SaveWav(benchmark::State& s) {
    SaveBench(s, "wav", SaveWaveFile);
}
void BM_OpenWav(benchmark::State& s) {
    OpenBench(s, "wav", SaveWaveFile, LoadWaveFile);
}
void BM_SaveAiff(benchmark::State& s) {
    SaveBench(s, "aiff", SaveAiffFile);
}
void BM_OpenAiff(benchmark::State& s) {
    OpenBench(s, "aiff", SaveAiffFile, LoadAiffFile);
}
void BM_SaveAu(benchmark::State& s) {
    SaveBench(s, "au", SaveAuFile);
}
void BM_OpenAu(benchmark::State& s) {
    OpenBench(s, "au", SaveAuFile, LoadAuFile);
}

} // namespace

BENCHMARK(BM_SaveWav)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_OpenWav)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_SaveAiff)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_OpenAiff)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_SaveAu)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_OpenAu)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
