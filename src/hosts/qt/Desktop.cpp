#include "hosts/qt/Desktop.h"

#include "editor/App.h"
#include "hosts/qt/QtHost.h"
#include "hosts/qt/QtMainWindow.h"
#include "view/WaveWindow.h"
#include "window/MainWindow.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QPalette>
#include <QStyleFactory>
#include <QTranslator>

namespace wt {

bool ParseDesktopArguments(const std::vector<std::string>& args, DesktopOptions& options,
                           std::string& error) {
    std::size_t i = 0;
    while (i < args.size()) {
        if (args[i] == "--ini") {
            if (i + 1 >= args.size()) {
                error = "--ini needs a value";
                return false;
            }
            options.iniPath = args[i + 1];
            i += 2;
        } else if (args[i] == "--") {
            ++i;
            break;
        } else {
            break;
        }
    }
    // The rest is one file name, as the classic command-line tail: quotes stay as typed.
    std::string tail;
    for (; i < args.size(); ++i) {
        if (!tail.empty()) {
            tail += ' ';
        }
        tail += args[i];
    }
    options.commandTail = tail;
    return true;
}

void ConfigureLook(QApplication& application) {
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        application.setStyle(fusion);
    }
    // The proportional IPA P Gothic first: its kana are narrower than the fixed-pitch ones, so
    // the dialog templates' Japanese labels fit their controls as with the classic UI font.
    QFont font;
    font.setFamilies({QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")});
    font.setPixelSize(12);
    font.setStyleHint(QFont::SansSerif);
    application.setFont(font);

    const QColor face(212, 208, 200);
    QPalette palette;
    palette.setColor(QPalette::Window, face);
    palette.setColor(QPalette::Button, face);
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::AlternateBase, face);
    palette.setColor(QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::ButtonText, Qt::black);
    palette.setColor(QPalette::Text, Qt::black);
    palette.setColor(QPalette::Light, Qt::white);
    palette.setColor(QPalette::Midlight, face);
    palette.setColor(QPalette::Mid, QColor(128, 128, 128));
    palette.setColor(QPalette::Dark, QColor(128, 128, 128));
    palette.setColor(QPalette::Shadow, QColor(64, 64, 64));
    palette.setColor(QPalette::Highlight, QColor(10, 36, 106));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, QColor(255, 255, 225));
    palette.setColor(QPalette::ToolTipText, Qt::black);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(128, 128, 128));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(128, 128, 128));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(128, 128, 128));
    application.setPalette(palette);
}

QTranslator* InstallQtTranslations(QApplication& application) {
    auto* translator = new QTranslator(&application);
    if (!translator->load(QStringLiteral("qtbase_ja"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

bool OpenMainWindow(QtHost& host, App& app, const std::string& commandTail) {
    host.mainWindowProc = [&app](unsigned m, WParam w, LParam l) {
        return MainWndProc(app, m, w, l);
    };
    host.waveWindowProc = [&app](unsigned m, WParam w, LParam l, Canvas* canvas) {
        return WaveWndProc(app, m, w, l, canvas);
    };
    host.onDropFiles = [&app](const std::vector<std::string>& paths) { OnDropFiles(app, paths); };
    host.SetOuterSize(app.settings.startWidth, app.settings.startHeight);
    host.SetCaption("WaveTomuka");
    if (MainWndProc(app, msg::Create, 0, 0) == -1) {
        return false;
    }
    // The window shows before the command-line file opens, so a failure to open it is
    // reported over the window.
    host.Frame()->show();
    FinishStartup(app, commandTail);
    return true;
}

} // namespace wt
