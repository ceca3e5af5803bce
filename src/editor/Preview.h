// The 試聴 button of the effect and generator dialogs: what the dialog asks of the preview and
// how every such dialog runs. The preview itself (rendering on a worker thread, playing through
// the output device) lives above the commands and is handed to the App; without one the
// dialogs run as they always did.
#pragma once

#include "platform/DialogHost.h"
#include "platform/Host.h"

#include <string>

namespace wt {

struct App;

// The push button a dialog with a preview has; its text is kTextPreview, or kTextPreviewStop
// while the preview plays.
inline constexpr int kIdPreviewButton = 1900;
inline constexpr const char* kTextPreview = "試聴";
inline constexpr const char* kTextPreviewStop = "停止";

class PreviewPort {
public:
    virtual ~PreviewPort() = default;
    // Starts playing what OK would give for what `dlg` shows now, for app.runningCommand.
    // Returns false, with `error` the text to show, when it cannot play.
    virtual bool Start(App& app, DialogHost& dlg, int templateId, std::string& error) = 0;
    // The dialog shows other values: render again and switch to them where the sound is.
    virtual void Changed(App& app, DialogHost& dlg, int templateId) = 0;
    // Stops the sound at once; a rendering under way is abandoned.
    virtual void Stop() = 0;
    virtual bool Playing() const = 0;
    // Why the preview stopped by itself (the command refused the values, the device failed);
    // empty when it did not. Taken once.
    virtual std::string TakeFailure() = 0;
};

// Runs dialog `templateId` as Host::DialogBox does. When the App has a preview and the dialog
// has the 試聴 button, the button starts and stops it, Esc stops it, a changed value renders
// again, and the end of the dialog stops it before the command goes on.
LParam RunEffectDialog(App& app, int templateId, Owner owner, DialogProc proc, LParam param);

} // namespace wt
