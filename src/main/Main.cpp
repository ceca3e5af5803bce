// The wtomuka executable.
//
//   wtomuka --batch [--ini PATH] [-e LINE]... [SCRIPT|-]   commands without a window
//   wtomuka [--ini PATH] [--] [FILE]                         the editor
//   wtomuka --help | --version
#include "batch/Batch.h"
#include "editor/App.h"
#include "hosts/portaudio/PortAudioWaveDevices.h"
#include "hosts/qt/Desktop.h"
#include "hosts/qt/QtClipboard.h"
#include "hosts/qt/QtHost.h"
#include "preview/PreviewEngine.h"
#include "window/MainWindow.h"

#include <QApplication>

#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage = "usage: wtomuka [--ini PATH] [--] [FILE]\n"
                               "       wtomuka --batch [--ini PATH] [-e LINE]... [SCRIPT|-]\n"
                               "       wtomuka --help | --version\n";

// The executable's path without Qt (batch mode runs without a QApplication).
std::string ExecutablePath(const char* argv0) {
    std::error_code ec;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        return path.string();
    }
    return std::filesystem::absolute(argv0, ec).string();
}

int RunBatchMode(int argc, char** argv) {
    // The standard streams on buffers of their own rather than on C stdio: a read error of
    // standard input (a folder given as input, a failing disk) then marks std::cin bad, as it
    // does a script file, instead of looking like the end of the script.
    std::ios::sync_with_stdio(false);
    wt::BatchOptions options;
    std::string error;
    if (!wt::ParseBatchArguments(std::vector<std::string>(argv + 2, argv + argc), options, error)) {
        std::cerr << "wtomuka: " << error << "\n";
        return 2;
    }
    options.modulePath = ExecutablePath(argv[0]);
    // The sound devices of this machine; PortAudio starts only when a line needs them.
    wt::PortAudioWaveDevices devices;
    options.devices = &devices;
    // On a desktop the run copies and pastes through the desktop's clipboard, so that other
    // programs (and other editors) see what it copies; otherwise through one of its own.
    std::unique_ptr<wt::QtBatchClipboard> clipboard;
    if (wt::QtBatchClipboard::DesktopAvailable()) {
        clipboard = std::make_unique<wt::QtBatchClipboard>(options.modulePath);
        options.clipboard = clipboard.get();
    }
    return wt::RunBatch(options, std::cin, std::cout, std::cerr);
}

} // namespace

int main(int argc, char** argv) {
    const std::string first = argc >= 2 ? argv[1] : "";
    if (first == "--batch") {
        return RunBatchMode(argc, argv);
    }
    if (argc == 2 && first == "--help") {
        std::cout << kUsage;
        return 0;
    }
    if (argc == 2 && first == "--version") {
        std::cout << "WaveTomuka " << WT_VERSION << "\n";
        return 0;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("WaveTomuka"));
    // Desktops match the window to wavetomuka.desktop (its name and icon) by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("wavetomuka"));
    wt::ConfigureLook(application);
    wt::InstallQtTranslations(application);

    // QApplication has taken its own options out of argv and left the rest as the bytes the
    // caller gave: a file name that is not valid UTF-8 still reaches the file system intact.
    const std::vector<std::string> args(argv + 1, argv + argc);
    wt::DesktopOptions options;
    std::string error;
    if (!wt::ParseDesktopArguments(args, options, error)) {
        std::cerr << "wtomuka: " << error << "\n" << kUsage;
        return 2;
    }

    wt::QtHost host;
    wt::App app(host);
    // The effect dialogs' 試聴 button; made after the editor, it stops before the editor's
    // devices close.
    wt::PreviewEngine preview;
    app.preview = &preview;
    wt::InitializeApp(app, host.ModulePath(), options.iniPath);
    if (!wt::OpenMainWindow(host, app, options.commandTail)) {
        return 0;
    }
    wt::StartHistoryAndRecovery(app);
    return host.Exec();
}
