// The shared body of the reader fuzz targets: the input becomes a file in memory, a fresh
// editor loads it, and whatever loaded must be a sound the rest of the editor can work on,
// must survive its own writer and reader, and must be readable sample by sample.
#pragma once

#include "commands/file/SoundFileSupport.h"
#include "commands/file/SoundFiles.h"
#include "editor/App.h"
#include "hosts/scripted/ScriptedHost.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/mman.h>
#include <system_error>
#include <unistd.h>

namespace wt::fuzz {

using Reader = int (*)(App&, const std::string&, LoadedSound&);
using Writer = int (*)(App&);

// Stops the run: a broken promise is a finding like a sanitizer report.
inline void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// A file the readers open by path that never touches the disk.
inline const std::string& InputPath() {
    static const std::string path = [] {
        const int fd = memfd_create("wt-fuzz-input", 0);
        Require(fd >= 0);
        return "/proc/self/fd/" + std::to_string(fd);
    }();
    return path;
}

inline void StoreInput(const std::uint8_t* data, std::size_t size) {
    const int fd = std::atoi(InputPath().c_str() + std::strlen("/proc/self/fd/"));
    Require(ftruncate(fd, 0) == 0);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t put = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        Require(put > 0);
        done += static_cast<std::size_t>(put);
    }
}

// Where the round trip writes: a private folder in memory when the system has one, removed
// again when the run ends normally.
struct OutputFolder {
    std::string path;
    OutputFolder() {
        std::string pattern =
            access("/dev/shm", W_OK) == 0 ? "/dev/shm/wt-fuzz-XXXXXX" : "/tmp/wt-fuzz-XXXXXX";
        Require(mkdtemp(pattern.data()) != nullptr);
        path = pattern;
    }
    ~OutputFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

inline const std::string& OutputPath(const char* extension) {
    static const OutputFolder folder;
    static std::string path;
    path = folder.path + "/out." + extension;
    return path;
}

inline void CheckDocument(const SoundDocument& doc) {
    Require(IsUsableFormat(doc.format));
    Require(doc.byteLength >= 0);
    Require(static_cast<std::size_t>(doc.byteLength) + 16 <= doc.sampleData.Size());
    Require(doc.byteLength % doc.format.blockAlign == 0);
    Require(doc.cursor >= 0 && doc.cursor <= doc.byteLength);
    Require(doc.anchor >= 0 && doc.anchor <= doc.byteLength);
    Require(doc.bytesPerSample * doc.format.channels <= doc.format.blockAlign);
    // Every sample of every frame is readable (the sanitizers watch the reads).
    long long sum = 0;
    for (std::int32_t at = 0; at < doc.byteLength; at += doc.format.blockAlign) {
        for (int channel = 0; channel < doc.format.channels; ++channel) {
            sum += ReadSample(doc, doc.Data() + at, channel);
        }
    }
    Require(sum > -(1LL << 62));
}

// Inputs larger than this are not worth the time: the readers take the same paths.
inline constexpr std::size_t kMaxInputBytes = 1 << 20;
// Loaded sounds larger than this skip the write-and-read-back step.
inline constexpr std::int32_t kMaxRoundTripBytes = 1 << 18;

inline int FuzzOneInput(const std::uint8_t* data, std::size_t size, Reader read, Writer write,
                        const char* extension, bool exactRoundTrip) {
    if (size > kMaxInputBytes) {
        return -1;
    }
    StoreInput(data, size);
    ScriptedHost host;
    App app(host);
    app.status.Create();
    LoadedSound sound;
    if (read(app, InputPath(), sound) != 1) {
        Require(app.doc.byteLength == 0);
        return 0;
    }
    InstallLoadedSound(app, sound);
    CheckDocument(app.doc);
    if (app.doc.byteLength > kMaxRoundTripBytes) {
        return 0;
    }

    // What was loaded is written and read back: the same sound comes back (for AU, the same
    // length and format: its coder maps two codes onto neighbours).
    const SoundFormat format = app.doc.format;
    const std::string samples(reinterpret_cast<const char*>(app.doc.Data()),
                              static_cast<std::size_t>(app.doc.byteLength));
    app.doc.title = OutputPath(extension);
    Require(write(app) == 1);
    LoadedSound again;
    Require(read(app, app.doc.title, again) == 1);
    InstallLoadedSound(app, again);
    CheckDocument(app.doc);
    Require(app.doc.byteLength == static_cast<std::int32_t>(samples.size()));
    SoundFormat reread = app.doc.format;
    reread.extraSize = format.extraSize; // a 16-byte "fmt " chunk carries none
    Require(reread == format);
    if (exactRoundTrip) {
        Require(std::memcmp(app.doc.Data(), samples.data(), samples.size()) == 0);
    }
    return 0;
}

} // namespace wt::fuzz
