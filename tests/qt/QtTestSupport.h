// Helpers for the tests of the real windows: a private folder, and acting on a modal window
// (dialog, message box, file dialog) while the code under test waits in its modal loop.
#pragma once

#include "editor/App.h"
#include "hosts/qt/QtHost.h"
#include "window/MainWindow.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>

namespace wt::qttest {

class TempDir {
public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "wtomuka-qt-XXXXXX").string();
        if (mkdtemp(pattern.data())) {
            path_ = pattern;
        }
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// An editor on the desktop host, initialized as wtomuka initializes it, with its settings file
// in a private folder; `iniText`, when given, is that file's contents at start-up. Its main
// window is not open yet.
struct DesktopEditor {
    TempDir dir;
    QtHost host;
    App app{host};

    explicit DesktopEditor(const std::string& iniText = "") {
        if (!iniText.empty()) {
            std::ofstream(dir.File("wtomuka.ini")) << iniText;
        }
        InitializeApp(app, dir.File("wtomuka"), dir.File("wtomuka.ini"));
    }
};

// Calls `step` with the modal window once one is showing (polled every 10 ms for up to
// 5 seconds). Schedule it before starting the modal call.
inline void WhenModal(std::function<void(QWidget*)> step) {
    auto* timer = new QTimer;
    auto started = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, started, step = std::move(step)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            step(modal);
        } else if (++*started > 500) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "no modal window appeared";
        }
    });
    timer->start(10);
}

// Lets queued events (posted commands, paints, deferred deletes) run.
inline void Settle() {
    for (int i = 0; i < 3; ++i) {
        QApplication::sendPostedEvents();
        QApplication::processEvents();
    }
}

} // namespace wt::qttest
