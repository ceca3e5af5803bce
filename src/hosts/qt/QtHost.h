// The desktop host: the core's main window, waveform window, dialogs, message boxes, file
// dialogs, clipboard, processes and sounds on Qt Widgets (and PortAudio for sounds).
//
// Messages reach the core through two procedures the owner installs (Main.cpp binds them to
// MainWndProc and WaveWndProc):
// - main window: msg::Size on every resize of the client area (wParam SizeMinimized when the
//   window is minimised, SizeMaximized when maximised); msg::Command with MakeWParam(id, 0)
//   for menu items and toolbar buttons (delivered once the menu has closed, as the classic
//   menu loop posts its command) and MakeWParam(id, 1) for accelerator keys; msg::Char 6 and
//   20 for Ctrl+F and Ctrl+T; msg::Timer with the timer id; msg::InitMenu before any popup of
//   the menu bar opens; msg::Close for the window's close button; msg::Destroy from
//   DestroyMainWindow.
// - waveform window: msg::Paint with the Canvas to draw on; msg::LButtonDown, MouseMove,
//   LButtonUp, LButtonDblClk with wParam the key state (msg::MkLButton...) and lParam
//   MakeLParam(x, y) in the drawing area's pixels. As the window does not capture the mouse
//   unless CaptureMouse is called, moves and releases outside the drawing area are not
//   delivered; while captured they are, with coordinates that may be negative. msg::HScroll
//   with MakeWParam(code, pos) and lParam 0 from its scroll bar.
//
// PumpOneMessage dispatches the events pending at the call, all of them, without waiting: Qt
// has no way to take exactly one. The core's busy gate keeps commands out meanwhile. Long work
// calls it every 200 frames, far more often than anyone sees; it dispatches when
// kPumpInterval has passed since it last did and otherwise returns at once, so the window pays
// for its events by time, not by frames.
#pragma once

#include "platform/Host.h"

#include <QString>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QMenuBar;
class QTimer;
class QToolBar;
class QWidget;

namespace wt {

class ClassicScrollBar;
class ClientArea;
class MainFrame;
class PortAudioWaveDevices;
class QtMenuBar;
class SoundPlayer;
class StatusBarWidget;
class WaveArea;
class WaveWindowWidget;

class QtHost : public Host {
public:
    // How often PumpOneMessage lets pending events through: well under the 50 ms in which a
    // click or a repaint still feels immediate.
    static constexpr std::chrono::milliseconds kPumpInterval{10};

    // Needs a QApplication. Creates the main window (hidden) with its waveform window.
    QtHost();
    ~QtHost() override;

    std::function<LParam(unsigned, WParam, LParam)> mainWindowProc;
    std::function<LParam(unsigned, WParam, LParam, Canvas*)> waveWindowProc;
    // Files dropped on the main window (local paths, in order), delivered after the drop.
    std::function<void(const std::vector<std::string>&)> onDropFiles;

    // Sizes the window so that its outer size, frame included, becomes width x height once
    // the window manager has decorated it.
    void SetOuterSize(int width, int height);
    bool Destroyed() const { return destroyed_; }
    // Runs the application's event loop until DestroyMainWindow; returns its exit code (0).
    int Exec();

    // The widgets, for the entry point and tests.
    MainFrame* Frame() const { return frame_; }
    QWidget* Client() const;
    QMenuBar* MenuBar() const;
    QToolBar* Toolbar() const { return toolbar_; }
    StatusBarWidget* StatusBarWidgetPtr() const { return statusBar_; }
    WaveWindowWidget* WaveWindow() const { return wave_; }
    WaveArea* WaveDrawingArea() const;
    ClassicScrollBar* WaveScrollBar() const;
    QtMenuBar* MenuView() const { return menuView_.get(); }
    SoundPlayer& Player();

    // --- Host -----------------------------------------------------------------------------
    int MessageBox(Owner owner, const std::string& text, const std::string& caption,
                   unsigned flags) override;
    LParam DialogBox(int templateId, Owner owner, DialogProc proc, LParam param) override;
    bool GetOpenFileName(FileDialogRequest& request) override;
    bool GetSaveFileName(FileDialogRequest& request) override;
    bool PumpOneMessage() override;

    void SetCaption(const std::string& utf8) override;
    void SetMenu(Menu* menu) override;
    void DrawMenuBar() override;
    void CreateToolbar(const std::vector<ToolbarButton>& buttons) override;
    void EnableToolbarButton(int command, bool enabled) override;
    int ToolbarHeight() const override;
    void CreateStatusBar(const std::vector<int>& rightEdges) override;
    void SetStatusText(int part, const std::string& utf8) override;
    std::string StatusText(int part) const override;
    int StatusBarHeight() const override;
    void UpdateStatusBar() override;
    void SetTimer(int id, int periodMs) override;
    void KillTimer(int id) override;
    int ClientWidth() const override;
    int ClientHeight() const override;
    int OuterWidth() const override;
    int OuterHeight() const override;
    bool IsMinimized() const override;
    TextMetrics MainTextMetrics() const override;
    void BringToForeground() override;
    void DestroyMainWindow() override;

    void MoveWaveWindow(int x, int y, int width, int height) override;
    int WaveClientWidth() const override;
    int WaveClientHeight() const override;
    void InvalidateWave(bool erase) override;
    void ScrollWave(int dx, const Rect& area) override;
    void SetWaveScrollRange(int low, int high, bool redraw) override;
    void SetWaveScrollPos(int pos, bool redraw) override;
    int WaveScrollPos() const override;
    void CaptureMouse() override;
    void ReleaseMouse() override;
    Canvas* WaveCanvas() override;

    bool SetClipboardWave(const std::vector<std::uint8_t>& riffImage) override;
    bool GetClipboardWave(std::vector<std::uint8_t>& riffImage) override;
    bool ClipboardHasWave() override;
    std::string ClipboardFile() override;
    void EmptyClipboard() override;
    int StartProcess(const std::string& path, const std::vector<std::string>& args) override;
    bool OpenHelp(const std::string& path) override;
    void PlaySoundFile(const std::string& path) override;
    // The machine's sound devices through PortAudio, made at the first use. Their done
    // reports reach the main window procedure as posted messages.
    WaveDevices* Devices() override;
    // Puts other devices in place of PortAudio's (tests); nullptr goes back to PortAudio's.
    void UseDevices(WaveDevices* devices);
    std::string ModulePath() const override;

    // --- Called by the widgets ------------------------------------------------------------
    LParam SendMain(unsigned message, WParam wParam, LParam lParam);
    LParam SendWave(unsigned message, WParam wParam, LParam lParam, Canvas* canvas);
    // Queues a command as a menu or toolbar click would (notification code 0).
    void PostCommand(int id);
    void OnClientResized();
    void OnMinimized();
    void OnFrameShownOrMoved();
    void OnFilesDropped(std::vector<std::string> paths);

private:
    QWidget* OwnerWidget(Owner owner) const;
    void LayOutClient();
    void InstallAccelerators();

    MainFrame* frame_ = nullptr; // owned here; deleted in the destructor
    ClientArea* client_ = nullptr;
    WaveWindowWidget* wave_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    StatusBarWidget* statusBar_ = nullptr;
    std::unique_ptr<QtMenuBar> menuView_;
    std::map<int, std::unique_ptr<QTimer>> timers_;
    std::map<int, std::string> statusTexts_;
    std::optional<std::pair<int, int>> pendingOuterSize_;
    std::unique_ptr<SoundPlayer> player_;
    std::map<int, QAction*> toolbarActions_; // by command
    std::unique_ptr<PortAudioWaveDevices> portAudio_;
    WaveDevices* devices_ = nullptr;
    bool destroyed_ = false;
    bool inEventLoop_ = false;
    std::chrono::steady_clock::time_point lastPump_{};
};

// Turns a file-dialog filter pair ("AIF File (*.aif;*.aiff)", "*.aif;*.aiff") into a Qt name
// filter ("AIF File (*.aif *.aiff)"); "*.*" matches every file.
QString NameFilter(const std::string& display, const std::string& patterns);

} // namespace wt
