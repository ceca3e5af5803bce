// Start-up of the desktop editor, shared by the executable and the tests of the real windows:
// the command line, the look (a CJK font and the classic colours) and the main window.
#pragma once

#include <string>
#include <vector>

class QApplication;
class QTranslator;

namespace wt {

struct App;
class QtHost;

struct DesktopOptions {
    std::string iniPath;     // --ini PATH; empty: the settings file beside the executable
    std::string commandTail; // the remaining words joined by single blanks; a file to open
};

// Parses `[--ini PATH] [--] [FILE...]` (the words after the program name, with Qt's own options
// already removed). Returns false with `error` when --ini has no value.
bool ParseDesktopArguments(const std::vector<std::string>& args, DesktopOptions& options,
                           std::string& error);

// The application font (IPA P Gothic, or IPA Gothic, which have the Japanese glyphs, at 12
// pixels, the classic dialog font's size) and the classic grey palette.
void ConfigureLook(QApplication& application);

// Qt's own texts (the file dialogs' labels and buttons, the standard buttons) in Japanese like
// the rest of the editor, from qtbase_ja.qm in Qt's translations folder (Debian ships it in
// qt6-translations-l10n). Returns the translator, installed and owned by `application`, or
// nullptr when the file is missing or unreadable: Qt then keeps its English texts.
QTranslator* InstallQtTranslations(QApplication& application);

// Connects `host` to `app`'s window procedures, creates the main window at the start-up size,
// shows it and finishes start-up (status bar, caption, zoom, the command-line file). Returns
// false when the window could not be created; the editor then ends with exit code 0.
bool OpenMainWindow(QtHost& host, App& app, const std::string& commandTail);

} // namespace wt
