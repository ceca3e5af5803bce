// Time, peak memory and the longest wait for the window's events of the work done through
// libsndfile on a one-hour 44.1 kHz 16-bit stereo sound (about 635 MB): saving it as FLAC and
// as Ogg Vorbis, and opening it as MP3. Each run is a process of its own, so that its peak is
// the command's.
//   FileWaitBench --files FOLDER    writes the one-hour MP3 that open_mp3 reads
//   FileWaitBench NAME FOLDER       one measurement: save_flac, save_ogg or open_mp3
// The longest wait is the longest time between two passes of the window's events (or from the
// command's start to the first, or from the last to its end): what a user waits at worst for
// a repaint or a click to be handled. bench/file_wait.sh runs them all.
#include "commands/file/FileCommands.h"
#include "commands/file/SoundFiles.h"
#include "editor/App.h"
#include "hosts/scripted/ScriptedHost.h"

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

using namespace wt;
using Clock = std::chrono::steady_clock;

constexpr int kRate = 44100;
constexpr std::int64_t kHourFrames = 3600LL * kRate;

double PeakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // ru_maxrss is in KiB
}

// A chord with a little noise on each channel, at frame `f`.
void Chord(std::int64_t f, std::mt19937& noise, short& left, short& right) {
    const double t = static_cast<double>(f) / kRate;
    const int n = static_cast<int>(noise() % 201) - 100;
    left = static_cast<short>(9000 * std::sin(2 * M_PI * 440 * t) +
                              4000 * std::sin(2 * M_PI * 554 * t) + n);
    right = static_cast<short>(9000 * std::sin(2 * M_PI * 660 * t) +
                               4000 * std::sin(2 * M_PI * 330 * t) - n);
}

bool MakeSound(SoundDocument& doc) {
    doc.format = SoundFormat{};
    doc.format.formatTag = 1;
    doc.format.channels = 2;
    doc.format.sampleRate = kRate;
    doc.format.bitsPerSample = 16;
    doc.format.blockAlign = 4;
    doc.format.bytesPerSecond = kRate * 4;
    if (!doc.sampleData.Resize(static_cast<std::size_t>(kHourFrames * 4 + 16))) {
        return false;
    }
    std::mt19937 noise(7);
    auto* out = reinterpret_cast<short*>(doc.Data());
    for (std::int64_t f = 0; f < kHourFrames; ++f) {
        Chord(f, noise, out[2 * f], out[2 * f + 1]);
    }
    doc.byteLength = static_cast<std::int32_t>(kHourFrames * 4);
    doc.RecomputeBytesPerSample();
    return true;
}

int WriteMp3(const std::string& path) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), sf_strerror(nullptr));
        return 1;
    }
    std::mt19937 noise(7);
    std::vector<short> values(2 * 4096);
    for (std::int64_t f = 0; f < kHourFrames; f += 4096) {
        const auto count = static_cast<int>(std::min<std::int64_t>(4096, kHourFrames - f));
        for (int i = 0; i < count; ++i) {
            Chord(f + i, noise, values[2 * i], values[2 * i + 1]);
        }
        sf_writef_short(file, values.data(), count);
    }
    return sf_close(file) == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: FileWaitBench --files FOLDER | NAME FOLDER\n");
        return 2;
    }
    const std::string name = argv[1], folder = argv[2];
    if (name == "--files") {
        return WriteMp3(folder + "/hour.mp3");
    }
    ScriptedHost host;
    App app{host};
    app.status.Create();
    const bool saving = name == "save_flac" || name == "save_ogg";
    if (!saving && name != "open_mp3") {
        std::fprintf(stderr, "unknown measurement %s\n", name.c_str());
        return 2;
    }
    if (saving && !MakeSound(app.doc)) {
        std::fprintf(stderr, "no memory for the sound\n");
        return 1;
    }
    const double soundMiB = saving ? PeakMiB() : 0.0;

    Clock::time_point last = Clock::now();
    Clock::duration longest{};
    long passes = 0, longestAt = 0;
    const auto pass = [&] {
        const Clock::time_point now = Clock::now();
        if (now - last > longest) {
            longest = now - last;
            longestAt = passes;
        }
        last = now;
        ++passes;
        return false;
    };
    host.onPump = pass;
    host.onEventPass = pass;

    const Clock::time_point start = last;
    int result = 0;
    if (name == "save_flac") {
        app.doc.title = folder + "/hour.flac";
        result = SaveFlacFile(app);
    } else if (name == "save_ogg") {
        app.doc.title = folder + "/hour.ogg";
        result = SaveOggFile(app);
    } else {
        result = LoadSoundFile(app, folder + "/hour.mp3");
    }
    pass();
    --passes;
    const double seconds = std::chrono::duration<double>(last - start).count();
    const double longestMs = std::chrono::duration<double, std::milli>(longest).count();
    std::printf("%-9s result %d  time %7.2f s  peak %7.1f MiB (sound %6.1f MiB)  longest wait "
                "%8.1f ms (before pass %ld of %ld)\n",
                name.c_str(), result, seconds, PeakMiB(), soundMiB, longestMs, longestAt + 1,
                passes);
    for (const auto& message : host.messages) {
        std::printf("  message: %s\n", message.text.c_str());
    }
    return result == 1 ? 0 : 1;
}
