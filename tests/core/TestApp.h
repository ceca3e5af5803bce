// A fresh editor on the scripted host, started as the real one starts, with its settings in a
// temporary file of its own.
#pragma once

#include "editor/App.h"
#include "hosts/scripted/ScriptedHost.h"
#include "window/MainWindow.h"

#include <filesystem>
#include <string>
#include <unistd.h>

namespace wt::test {

class TempDir {
public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "wtomuka-test-XXXXXX").string();
        if (mkdtemp(pattern.data())) {
            path_ = pattern;
        }
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

struct TestApp {
    TempDir dir;
    ScriptedHost host;
    App app{host};

    // Starts the editor: settings read, main window created, start-up finished.
    explicit TestApp(bool start = true, const std::string& commandTail = "") {
        host.modulePath = dir.File("wtomuka");
        host.mainWindowProc = [this](unsigned m, WParam w, LParam l) {
            return MainWndProc(app, m, w, l);
        };
        if (start) {
            Start(commandTail);
        }
    }
    void Start(const std::string& commandTail = "") {
        InitializeApp(app, host.modulePath, IniPath());
        MainWndProc(app, msg::Create, 0, 0);
        FinishStartup(app, commandTail);
    }
    std::string IniPath() const { return dir.File("wtomuka.ini"); }

    // Replaces the sound by `frames` frames of the given format, filled by value(frame, ch).
    template <class Fn>
    void SetSound(int bits, int channels, int frames, Fn value, std::uint32_t rate = 22050) {
        SoundDocument& d = app.doc;
        d.format.formatTag = 1;
        d.format.channels = static_cast<std::uint16_t>(channels);
        d.format.bitsPerSample = static_cast<std::uint16_t>(bits);
        d.format.blockAlign = static_cast<std::uint16_t>(bits / 8 * channels);
        d.format.sampleRate = rate;
        d.format.bytesPerSecond = rate * d.format.blockAlign;
        d.RecomputeBytesPerSample();
        d.byteLength = frames * d.format.blockAlign;
        d.sampleData.Resize(static_cast<std::size_t>(d.byteLength) + 16);
        for (int f = 0; f < frames; ++f) {
            for (int c = 0; c < channels; ++c) {
                WriteSample(d, d.Data() + f * d.format.blockAlign, value(f, c), c);
            }
        }
        d.selStart = d.selEnd = d.cursor = d.anchor = d.viewStart = 0;
        d.peaks.MarkAllChanged(); // the samples were written here, not by a command
    }
};

} // namespace wt::test
