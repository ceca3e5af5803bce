#include "hosts/scripted/ScriptedHost.h"

#include "hosts/scripted/ScriptedDialog.h"
#include "model/SampleBlock.h"
#include "platform/WaveDevices.h"
#include "resources/Dialogs.h"

#include <algorithm>

namespace wt {

ScriptedHost::ScriptedHost() = default;
ScriptedHost::~ScriptedHost() {
    UseDevices(nullptr);
}

void ScriptedHost::UseDevices(WaveDevices* devices) {
    if (devices_) {
        devices_->SetNotify(nullptr);
    }
    devices_ = devices;
    if (devices_) {
        devices_->SetNotify(
            [this](unsigned message, WParam handle) { PostMessage(message, handle, 0); });
    }
}

void ScriptedHost::PostMessage(unsigned message, WParam wParam, LParam lParam) {
    {
        const std::lock_guard<std::mutex> lock(postedMutex_);
        posted_.push_back({message, wParam, lParam});
    }
    postedSignal_.notify_all();
}

std::vector<ScriptedHost::PostedMessage>
ScriptedHost::TakePosted(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(postedMutex_);
    postedSignal_.wait_for(lock, timeout, [this] { return !posted_.empty(); });
    std::vector<PostedMessage> taken;
    taken.swap(posted_);
    return taken;
}

int ScriptedHost::DeliverPosted() {
    int delivered = 0;
    for (;;) {
        const std::vector<PostedMessage> taken = TakePosted(std::chrono::milliseconds(0));
        if (taken.empty()) {
            return delivered;
        }
        for (const PostedMessage& m : taken) {
            ++delivered;
            if (mainWindowProc && !destroyed) {
                mainWindowProc(m.message, m.wParam, m.lParam);
            }
        }
    }
}

void ScriptedHost::EnableToolbarButton(int command, bool enabled) {
    if (enabled) {
        disabledButtons.erase(command);
    } else {
        disabledButtons.insert(command);
    }
}

int ScriptedHost::MessageBox(Owner owner, const std::string& text, const std::string& cap,
                             unsigned flags) {
    int answer;
    std::string refusal;
    if (answers_.empty() && refuseUnanswered) {
        refusal = refuseUnanswered(text, flags);
    }
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    } else if (!refusal.empty()) {
        const unsigned buttons = flags & mb::ButtonMask;
        answer = buttons == mb::YesNoCancel || buttons == mb::OkCancel ? IdCancel
                 : buttons == mb::YesNo                                ? IdNo
                                                                       : IdOk;
        scriptErrors.push_back(refusal);
    } else if (chooseAnswer) {
        answer = chooseAnswer(flags);
    } else {
        // Without a scripted answer the first button is taken.
        switch (flags & mb::ButtonMask) {
        case mb::YesNoCancel:
        case mb::YesNo:
            answer = IdYes;
            break;
        default:
            answer = IdOk;
            break;
        }
    }
    messages.push_back({owner, text, cap, flags, answer});
    if (onMessage) {
        onMessage(messages.back());
    }
    return answer;
}

LParam ScriptedHost::DialogBox(int templateId, Owner, DialogProc proc, LParam param) {
    const DialogTemplate* dialogTemplate = FindDialogTemplate(templateId);
    if (!dialogTemplate) {
        scriptErrors.push_back("no dialog " + std::to_string(templateId));
        shownDialogs.push_back({templateId, -1});
        return -1;
    }
    DialogScript script;
    if (!dialogs_.empty()) {
        script = std::move(dialogs_.front());
        dialogs_.pop_front();
    }
    ScriptedDialog dialog(*dialogTemplate, std::move(proc));
    if (dialog.Initialize(param)) {
        for (const auto& [id, value] : script.assignments) {
            std::string error;
            if (!dialog.Apply(id, value, error)) {
                scriptErrors.push_back(error);
                script.cancel = true;
                break;
            }
            if (dialog.Ended()) {
                break;
            }
        }
        if (script.interact && !script.cancel && !dialog.Ended()) {
            std::string error;
            if (!script.interact(dialog, error)) {
                scriptErrors.push_back(error);
                script.cancel = true;
            }
        }
        if (!dialog.Ended()) {
            dialog.Press(script.cancel ? IdCancel : IdOk);
        }
        if (!dialog.Ended()) {
            // The procedure refused to close (it may have shown a message): give up as a user
            // would, with Cancel.
            dialog.Press(IdCancel);
        }
        if (!dialog.Ended()) {
            scriptErrors.push_back("dialog " + std::to_string(templateId) + " did not end");
            dialog.EndDialog(0);
        }
    }
    shownDialogs.push_back({templateId, dialog.Result()});
    return dialog.Result();
}

bool ScriptedHost::TakeFile(FileDialogKind kind, FileDialogRequest& request) {
    fileRequests.push_back(request);
    if (files_.empty() ||
        (files_.front().kind != kind && files_.front().kind != FileDialogKind::Any)) {
        return false;
    }
    request.path = files_.front().path;
    if (files_.front().filterIndex > 0) {
        request.filterIndex = files_.front().filterIndex;
    }
    files_.pop_front();
    return true;
}

bool ScriptedHost::GetOpenFileName(FileDialogRequest& request) {
    return TakeFile(FileDialogKind::Open, request);
}

bool ScriptedHost::GetSaveFileName(FileDialogRequest& request) {
    return TakeFile(FileDialogKind::Save, request);
}

bool ScriptedHost::PumpOneMessage() {
    ++pumpCalls;
    return onPump ? onPump() : false;
}

void ScriptedHost::CreateStatusBar(const std::vector<int>& rightEdges) {
    statusEdges = rightEdges;
}

void ScriptedHost::SetStatusText(int part, const std::string& utf8) {
    status_[part] = utf8;
}

std::string ScriptedHost::StatusText(int part) const {
    auto it = status_.find(part);
    return it == status_.end() ? std::string() : it->second;
}

void ScriptedHost::DestroyMainWindow() {
    if (destroyed) {
        return;
    }
    destroyed = true;
    if (mainWindowProc) {
        mainWindowProc(msg::Destroy, 0, 0);
    }
}

void ScriptedHost::MoveWaveWindow(int x, int y, int width, int height) {
    waveX = x;
    waveY = y;
    waveWidth = width;
    waveHeight = height;
}

void ScriptedHost::SizeWaveClient(int width, int height) {
    // The outer size includes the border and the scroll bar: measure them at a size where
    // they fit.
    constexpr int kProbe = 1000;
    MoveWaveWindow(waveX, waveY, kProbe, kProbe);
    const int frameWidth = kProbe - WaveClientWidth();
    const int frameHeight = kProbe - WaveClientHeight();
    MoveWaveWindow(waveX, waveY, width + frameWidth, height + frameHeight);
}

int ScriptedHost::WaveClientWidth() const {
    return std::max(0, waveWidth - 4);
}

int ScriptedHost::WaveClientHeight() const {
    return std::max(0, waveHeight - 4 - 16);
}

void ScriptedHost::SetWaveScrollRange(int low, int high, bool) {
    waveScrollLow = low;
    waveScrollHigh = high;
}

void ScriptedHost::SetWaveScrollPos(int pos, bool) {
    waveScrollPos = std::clamp(pos, std::min(waveScrollLow, waveScrollHigh),
                               std::max(waveScrollLow, waveScrollHigh));
}

bool ScriptedHost::SetClipboardWave(const std::vector<std::uint8_t>& riffImage) {
    if (desktopClipboard) {
        return desktopClipboard->SetWave(riffImage);
    }
    // The copy is the clipboard's memory, asked for like any other large block.
    if (!TryResize(clipboard, riffImage.size())) {
        EmptyClipboard();
        return false;
    }
    std::copy(riffImage.begin(), riffImage.end(), clipboard.begin());
    clipboardHasWave = true;
    clipboardFile.clear();
    return true;
}

bool ScriptedHost::GetClipboardWave(std::vector<std::uint8_t>& riffImage) {
    if (desktopClipboard) {
        return desktopClipboard->GetWave(riffImage);
    }
    if (!clipboardHasWave) {
        return false;
    }
    if (!TryResize(riffImage, clipboard.size())) {
        return false;
    }
    std::copy(clipboard.begin(), clipboard.end(), riffImage.begin());
    return true;
}

bool ScriptedHost::ClipboardHasWave() {
    return desktopClipboard ? desktopClipboard->HasWave()
                            : clipboardHasWave || !clipboardFile.empty();
}

std::string ScriptedHost::ClipboardFile() {
    return desktopClipboard ? desktopClipboard->File() : clipboardFile;
}

void ScriptedHost::EmptyClipboard() {
    if (desktopClipboard) {
        desktopClipboard->Empty();
        return;
    }
    clipboard.clear();
    clipboardHasWave = false;
    clipboardFile.clear();
}

int ScriptedHost::StartProcess(const std::string& path, const std::vector<std::string>& args) {
    startedProcesses.push_back(path);
    startedArguments.push_back(args);
    return startProcessResult;
}

bool ScriptedHost::OpenHelp(const std::string& path) {
    helpOpened.push_back(path);
    return openHelpResult;
}

} // namespace wt
