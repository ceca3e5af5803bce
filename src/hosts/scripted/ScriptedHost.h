// A headless host: answers message boxes, dialogs and file dialogs from a script and records
// everything the editor showed. Unit tests and the batch mode run the editor on it.
#pragma once

#include "platform/Canvas.h"
#include "platform/Host.h"
#include "platform/WaveClipboard.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace wt {

struct ShownMessage {
    Owner owner;
    std::string text;
    std::string caption;
    unsigned flags;
    int answer;
};

class ScriptedDialog;

// What the next dialog is to be given, as a user would: each (control id, value) pair in
// order (an edit field gets the text, a scroll bar the position, a check box or radio button
// 1/0, a list the row, a push button is clicked, an owner-drawn item the text for its
// procedure), then OK, or Cancel when `cancel` is set.
struct DialogScript {
    std::vector<std::pair<int, std::string>> assignments;
    bool cancel = false;
    // When set, called with the open dialog after the assignments, to act on it for as long as
    // it likes (the dialog's own modal loop); the dialog then gets OK or Cancel as above unless
    // it has ended. Returning false with `error` records the error and cancels the dialog.
    std::function<bool(ScriptedDialog& dialog, std::string& error)> interact = nullptr;
};

// Which file dialog a queued path is meant for.
enum class FileDialogKind {
    Open,
    Save,
    Any, // the next file dialog of either kind (tests that drive one dialog directly)
};

struct ShownDialog {
    int templateId;
    LParam result;
};

class ScriptedHost : public Host {
public:
    ScriptedHost();
    ~ScriptedHost() override;

    // --- Script ---------------------------------------------------------------------------
    void QueueAnswer(int answer) { answers_.push_back(answer); }
    void QueueDialog(DialogScript script) { dialogs_.push_back(std::move(script)); }
    // Drops the scripts no dialog has taken, so that they cannot reach a later dialog.
    void DiscardQueuedDialogs() { dialogs_.clear(); }
    // Likewise for file dialogs.
    void DiscardQueuedFiles() { files_.clear(); }
    // Path (and filter index, 0: keep the proposed one) for the next file dialog of `kind`.
    // A dialog of the other kind never takes it: it is cancelled while the path waits at the
    // front, so that a Save As a question starts cannot write over the file an open named.
    void QueueFile(std::string path, int filterIndex = 0,
                   FileDialogKind kind = FileDialogKind::Any) {
        files_.push_back({std::move(path), filterIndex, kind});
    }
    // The main window procedure: receives msg::Destroy when the editor destroys its window.
    std::function<LParam(unsigned, WParam, LParam)> mainWindowProc;
    // Called for every message box as it is shown (batch mode prints them).
    std::function<void(const ShownMessage&)> onMessage;
    // When set, answers each message box no queued answer is left for, from its flags;
    // otherwise the first button is taken.
    std::function<int(unsigned flags)> chooseAnswer;
    // When set, asked first about each message box no queued answer is left for: a non-empty
    // result refuses to answer it. The box then gets Cancel (No when it has no Cancel) and the
    // result goes to scriptErrors, so the line that asked fails.
    std::function<std::string(const std::string& text, unsigned flags)> refuseUnanswered;
    // Called by PumpOneMessage; returns whether it handled something.
    std::function<bool()> onPump;
    // Called by LetEventsThrough, the pump of work that shows no percentage, which tests follow
    // apart from PumpOneMessage.
    std::function<bool()> onEventPass;
    // The wave devices (none unless set): their done reports are posted to the main window
    // procedure through PostMessage. The host stops taking reports when it is destroyed.
    void UseDevices(WaveDevices* devices);

    // Messages posted to the main window, from any thread (the device reports). They are
    // handled only when taken, on the taker's thread.
    struct PostedMessage {
        unsigned message;
        WParam wParam;
        LParam lParam;
    };
    void PostMessage(unsigned message, WParam wParam, LParam lParam);
    // Waits up to `timeout` for a posted message, then takes every one posted so far.
    std::vector<PostedMessage> TakePosted(std::chrono::milliseconds timeout);
    // Delivers the messages posted so far to mainWindowProc; returns how many.
    int DeliverPosted();
    // Result of StartProcess.
    int startProcessResult = 33;
    // Result of OpenHelp (false: no browser showed the page).
    bool openHelpResult = true;
    std::string modulePath = "/usr/local/bin/wtomuka";

    // --- What was shown -------------------------------------------------------------------
    std::vector<ShownMessage> messages;
    std::vector<ShownDialog> shownDialogs;
    std::vector<FileDialogRequest> fileRequests;
    std::vector<std::string> startedProcesses;
    std::vector<std::vector<std::string>> startedArguments; // one list per started process
    std::vector<std::string> helpOpened;
    std::vector<std::string> soundsPlayed;
    std::string caption;
    Menu* menu = nullptr;
    int menuRedraws = 0;
    std::vector<ToolbarButton> toolbar;
    std::set<int> disabledButtons; // commands whose toolbar button is disabled
    std::vector<int> statusEdges;
    std::map<int, int> timers; // id -> period
    int waveInvalidations = 0;
    int pumpCalls = 0;
    bool destroyed = false;
    bool minimized = false;
    int outerWidth = 480, outerHeight = 200;
    int waveX = 0, waveY = 0, waveWidth = 0, waveHeight = 0;
    int waveScrollLow = 0, waveScrollHigh = 100, waveScrollPos = 0;
    int scrolledBy = 0;
    Rect scrollArea; // the area of the last ScrollWave
    bool mouseCaptured = false;
    // The in-memory clipboard, used unless `desktopClipboard` is set.
    std::vector<std::uint8_t> clipboard;
    bool clipboardHasWave = false;
    std::string clipboardFile; // a file copied in a file manager; empty: none
    // When set, the clipboard calls go to it instead (batch mode on a desktop).
    WaveClipboard* desktopClipboard = nullptr;
    // Problems with the script itself (an unknown control id, a dialog that did not end).
    std::vector<std::string> scriptErrors;

    // --- Host -----------------------------------------------------------------------------
    int MessageBox(Owner owner, const std::string& text, const std::string& caption,
                   unsigned flags) override;
    LParam DialogBox(int templateId, Owner owner, DialogProc proc, LParam param) override;
    bool GetOpenFileName(FileDialogRequest& request) override;
    bool GetSaveFileName(FileDialogRequest& request) override;
    bool PumpOneMessage() override;
    bool LetEventsThrough() override { return onEventPass ? onEventPass() : false; }

    void SetCaption(const std::string& utf8) override { caption = utf8; }
    void SetMenu(Menu* m) override { menu = m; }
    void DrawMenuBar() override { ++menuRedraws; }
    void CreateToolbar(const std::vector<ToolbarButton>& buttons) override { toolbar = buttons; }
    void EnableToolbarButton(int command, bool enabled) override;
    int ToolbarHeight() const override { return toolbar.empty() ? 0 : 26; }
    void CreateStatusBar(const std::vector<int>& rightEdges) override;
    void SetStatusText(int part, const std::string& utf8) override;
    std::string StatusText(int part) const override;
    int StatusBarHeight() const override { return statusEdges.empty() ? 0 : 20; }
    void UpdateStatusBar() override {}
    void SetTimer(int id, int periodMs) override { timers[id] = periodMs; }
    void KillTimer(int id) override { timers.erase(id); }
    int ClientWidth() const override { return outerWidth - 8; }
    int ClientHeight() const override { return outerHeight - 46; }
    int OuterWidth() const override { return outerWidth; }
    int OuterHeight() const override { return outerHeight; }
    bool IsMinimized() const override { return minimized; }
    TextMetrics MainTextMetrics() const override { return {16, 0, 7}; }
    void BringToForeground() override {}
    void DestroyMainWindow() override;

    void MoveWaveWindow(int x, int y, int width, int height) override;
    // Sizes the waveform window, where it is, so that its client area is width x height.
    void SizeWaveClient(int width, int height);
    int WaveClientWidth() const override;
    int WaveClientHeight() const override;
    void InvalidateWave(bool) override { ++waveInvalidations; }
    void ScrollWave(int dx, const Rect& area) override {
        scrolledBy += dx;
        scrollArea = area;
    }
    void SetWaveScrollRange(int low, int high, bool) override;
    void SetWaveScrollPos(int pos, bool) override;
    int WaveScrollPos() const override { return waveScrollPos; }
    void CaptureMouse() override { mouseCaptured = true; }
    void ReleaseMouse() override { mouseCaptured = false; }
    Canvas* WaveCanvas() override { return waveCanvas.get(); }
    // Set by tests that look at drawing outside paint (the position bar).
    std::unique_ptr<Canvas> waveCanvas;

    bool SetClipboardWave(const std::vector<std::uint8_t>& riffImage) override;
    bool GetClipboardWave(std::vector<std::uint8_t>& riffImage) override;
    bool ClipboardHasWave() override;
    std::string ClipboardFile() override;
    void EmptyClipboard() override;
    int StartProcess(const std::string& path, const std::vector<std::string>& args) override;
    bool OpenHelp(const std::string& path) override;
    void PlaySoundFile(const std::string& path) override { soundsPlayed.push_back(path); }
    WaveDevices* Devices() override { return devices_; }
    std::string ModulePath() const override { return modulePath; }

private:
    struct QueuedFile {
        std::string path;
        int filterIndex;
        FileDialogKind kind;
    };
    // The queued path for a dialog of `kind` into `request`; false (the dialog is cancelled)
    // when none waits at the front for it.
    bool TakeFile(FileDialogKind kind, FileDialogRequest& request);
    std::deque<int> answers_;
    std::deque<DialogScript> dialogs_;
    std::deque<QueuedFile> files_;
    std::map<int, std::string> status_;
    WaveDevices* devices_ = nullptr;
    std::mutex postedMutex_;
    std::condition_variable postedSignal_;
    std::vector<PostedMessage> posted_;
};

} // namespace wt
