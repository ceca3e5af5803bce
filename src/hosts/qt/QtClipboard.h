// The desktop clipboard's wave data through Qt, for the editor's windows and for batch mode.
//
// A copy offers the RIFF/WAVE image under the three MIME types programs use for WAV data:
// audio/wav, audio/x-wav and audio/vnd.wave. Reading takes the first of them present; failing
// those, a text/uri-list that names exactly one local file (a file copied in a file manager)
// is handed to the editor by its path, to be read as the editor opens files.
#pragma once

#include "platform/WaveClipboard.h"

#include <QtGlobal>

#include <memory>
#include <string>

class QGuiApplication;
class QMimeData;

namespace wt {

bool SetQtClipboardWave(const std::vector<std::uint8_t>& riffImage);
bool GetQtClipboardWave(std::vector<std::uint8_t>& riffImage);
// True for wave data or a single local file.
bool QtClipboardHasWave();
// The single local file when the clipboard holds no wave data; empty otherwise.
std::string QtClipboardFile();
void EmptyQtClipboard();

// The local path of a text/uri-list that names exactly one local file; empty otherwise.
std::string SingleLocalFileOf(const QMimeData& data);

// The desktop clipboard for batch mode, which runs without a QApplication: the first call
// makes a QGuiApplication for the clipboard alone (on X11 with an offscreen fallback, so an
// unreachable display gives a clipboard private to the process instead of an abort).
class QtBatchClipboard : public WaveClipboard {
public:
    explicit QtBatchClipboard(std::string programPath);
    ~QtBatchClipboard() override;

    // True when batch mode can reach a desktop clipboard: a display is named in the
    // environment and Qt is not told to run offscreen.
    static bool DesktopAvailable();

    bool SetWave(const std::vector<std::uint8_t>& riffImage) override;
    bool GetWave(std::vector<std::uint8_t>& riffImage) override;
    bool HasWave() override;
    std::string File() override;
    void Empty() override;
    bool Hold(int milliseconds) override;

private:
    void Start();

    std::string programPath_;
    std::string platform_;
    int argc_ = 0;
    char* argv_[4] = {};
    std::unique_ptr<QGuiApplication> application_;
};

} // namespace wt
