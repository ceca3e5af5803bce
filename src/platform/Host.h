// The platform services the editor's core calls. One object implements them for the real
// desktop (Qt) and one answers them from a script (tests and batch mode). The core never
// talks to a toolkit or a sound device any other way.
#pragma once

#include "platform/Canvas.h"
#include "platform/DialogHost.h"
#include "platform/Menu.h"
#include "platform/Messages.h"

#include <cstdint>
#include <string>
#include <vector>

namespace wt {

class Canvas;
class WaveDevices;

// Message-box buttons and icons; combine one of each.
namespace mb {
inline constexpr unsigned Ok = 0x0;
inline constexpr unsigned OkCancel = 0x1;
inline constexpr unsigned YesNoCancel = 0x3;
inline constexpr unsigned YesNo = 0x4;
inline constexpr unsigned ButtonMask = 0xF;
inline constexpr unsigned IconError = 0x10;
inline constexpr unsigned IconQuestion = 0x20;
inline constexpr unsigned IconWarning = 0x30;
inline constexpr unsigned IconInformation = 0x40;
inline constexpr unsigned IconMask = 0xF0;
} // namespace mb

// Which window owns a message box or dialog (decides only placement and modality).
enum class Owner { MainWindow, WaveWindow };

struct ToolbarButton {
    int imageIndex = -1; // -1: separator
    int command = 0;
};

// A request to the desktop's open or save file dialog.
struct FileDialogRequest {
    std::string title;
    // Filter pairs: a display text and its patterns separated by ";" (e.g. "*.wav").
    std::vector<std::pair<std::string, std::string>> filters;
    int filterIndex = 1; // 1-based, in and out
    std::string initialDir;
    std::string defaultExtension; // without the dot; appended when the name has none
    std::string path;             // in: proposed name; out: the chosen full path
    bool overwritePrompt = false;
    bool fileMustExist = false;
};

class Host {
public:
    virtual ~Host() = default;

    // --- Message boxes and modal dialogs -------------------------------------------------
    // Returns IdOk, IdCancel, IdYes or IdNo.
    virtual int MessageBox(Owner owner, const std::string& text, const std::string& caption,
                           unsigned flags) = 0;
    // Runs dialog `templateId` modally with `proc`; returns the EndDialog result, or -1 when the
    // dialog could not be created.
    virtual LParam DialogBox(int templateId, Owner owner, DialogProc proc, LParam param) = 0;
    virtual bool GetOpenFileName(FileDialogRequest& request) = 0;
    virtual bool GetSaveFileName(FileDialogRequest& request) = 0;
    // Dispatches at most one pending event without waiting; returns true if one was handled.
    virtual bool PumpOneMessage() = 0;
    // The same for long work that shows no percentage in the status bar, so that a repaint or
    // the stop command need not wait for its end. A host that tells the two apart (the
    // scripted one, whose tests follow the progress texts pump by pump) overrides it.
    virtual bool LetEventsThrough() { return PumpOneMessage(); }

    // --- Main window ----------------------------------------------------------------------
    virtual void SetCaption(const std::string& utf8) = 0;
    // Shows `menu` as the main window's menu bar (the core keeps it alive). DrawMenuBar
    // re-reads the model after the core changed it.
    virtual void SetMenu(Menu* menu) = 0;
    virtual void DrawMenuBar() = 0;
    virtual void CreateToolbar(const std::vector<ToolbarButton>& buttons) = 0;
    // Enables or disables the toolbar button of `command`.
    virtual void EnableToolbarButton(int command, bool enabled) = 0;
    virtual int ToolbarHeight() const = 0;
    // Status bar with the given right edges (-1: up to the window edge).
    virtual void CreateStatusBar(const std::vector<int>& rightEdges) = 0;
    virtual void SetStatusText(int part, const std::string& utf8) = 0;
    virtual std::string StatusText(int part) const = 0;
    virtual int StatusBarHeight() const = 0;
    virtual void UpdateStatusBar() = 0;
    virtual void SetTimer(int id, int periodMs) = 0;
    virtual void KillTimer(int id) = 0;
    virtual int ClientWidth() const = 0;
    virtual int ClientHeight() const = 0;
    virtual int OuterWidth() const = 0;
    virtual int OuterHeight() const = 0;
    virtual bool IsMinimized() const = 0;
    virtual TextMetrics MainTextMetrics() const = 0;
    virtual void BringToForeground() = 0;
    // Destroys the main window: the host then delivers msg::Destroy to the main window
    // procedure and leaves its event loop.
    virtual void DestroyMainWindow() = 0;

    // --- Waveform window ------------------------------------------------------------------
    virtual void MoveWaveWindow(int x, int y, int width, int height) = 0;
    virtual int WaveClientWidth() const = 0;
    virtual int WaveClientHeight() const = 0;
    // Asks for the whole waveform window to be painted again.
    virtual void InvalidateWave(bool erase) = 0;
    // Shifts the pixels inside `area` (waveform client coordinates) horizontally by dx pixels
    // (dx > 0: to the right) and asks for the uncovered strip of `area` to be painted; the
    // pixels outside `area` stay as they are. Qt: QWidget::scroll(dx, 0, area).
    virtual void ScrollWave(int dx, const Rect& area) = 0;
    // The horizontal scroll bar of the waveform window.
    virtual void SetWaveScrollRange(int low, int high, bool redraw) = 0;
    virtual void SetWaveScrollPos(int pos, bool redraw) = 0;
    virtual int WaveScrollPos() const = 0;
    virtual void CaptureMouse() = 0;
    virtual void ReleaseMouse() = 0;
    // A canvas for drawing on the waveform window outside a paint (the position bar);
    // nullptr when the window cannot be drawn on now. Valid until the next call.
    virtual Canvas* WaveCanvas() = 0;

    // --- Clipboard, shell, sound ----------------------------------------------------------
    // The clipboard carries wave data as the bytes of a RIFF/WAVE file.
    virtual bool SetClipboardWave(const std::vector<std::uint8_t>& riffImage) = 0;
    virtual bool GetClipboardWave(std::vector<std::uint8_t>& riffImage) = 0;
    // True when the clipboard holds wave data or a file that may hold a sound.
    virtual bool ClipboardHasWave() = 0;
    // The one local file the clipboard holds instead of wave data (a file copied in a file
    // manager), for the editor to read as it opens files; empty when there is none.
    virtual std::string ClipboardFile() { return {}; }
    // Removes whatever the clipboard holds.
    virtual void EmptyClipboard() = 0;
    // Starts `path` with `args` as a new process; returns a value above 31 on success,
    // otherwise an error code (0 or 8: out of memory or resources, 2: file not found, ...).
    virtual int StartProcess(const std::string& path, const std::vector<std::string>& args) = 0;
    // Opens the help file at its contents; returns false when that failed.
    virtual bool OpenHelp(const std::string& path) = 0;
    // Starts playing a sound file asynchronously; silently does nothing when the file or the
    // device is missing.
    virtual void PlaySoundFile(const std::string& path) = 0;
    // The wave devices; nullptr when the host has none.
    virtual WaveDevices* Devices() { return nullptr; }

    // The editor's own executable path.
    virtual std::string ModulePath() const = 0;
};

} // namespace wt
