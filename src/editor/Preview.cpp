#include "editor/Preview.h"

#include "editor/App.h"

namespace wt {

namespace {

// Whether `message`, already handled by the dialog's procedure, may have changed what OK
// would read: typing, a click, a list choice, a moved bar, a value for an owner-drawn item or
// the end of a drag on one.
bool MayChangeValues(unsigned message, WParam wParam) {
    switch (message) {
    case msg::Command: {
        const int control = static_cast<int>(LowWord(wParam));
        return control != IdOk && control != IdCancel && control != kIdPreviewButton;
    }
    case msg::HScroll:
    case msg::VScroll:
        return LowWord(wParam) != sb::EndScroll;
    case msg::SetItemValue:
    case msg::LButtonUp:
    case msg::LButtonDblClk:
        return true;
    default:
        return false;
    }
}

void ShowPreviewFailure(App& app, const std::string& text) {
    if (!text.empty()) {
        app.host.MessageBox(Owner::WaveWindow, text, kTextPreview, mb::Ok | mb::IconWarning);
    }
}

} // namespace

LParam RunEffectDialog(App& app, int templateId, Owner owner, DialogProc proc, LParam param) {
    PreviewPort* preview = app.preview;
    if (!preview) {
        return app.host.DialogBox(templateId, owner, std::move(proc), param);
    }
    const auto showState = [preview](DialogHost& dlg) {
        dlg.SetItemText(kIdPreviewButton, preview->Playing() ? kTextPreviewStop : kTextPreview);
    };
    const LParam result = app.host.DialogBox(
        templateId, owner,
        [&](DialogHost& dlg, unsigned message, WParam wParam, LParam lParam) -> LParam {
            if (message == msg::Command && dlg.HasItem(kIdPreviewButton)) {
                const int control = static_cast<int>(LowWord(wParam));
                if (control == kIdPreviewButton) {
                    if (preview->Playing()) {
                        preview->Stop();
                    } else if (std::string error; !preview->Start(app, dlg, templateId, error)) {
                        ShowPreviewFailure(app, error);
                    }
                    showState(dlg);
                    return 1;
                }
                // Esc while the preview plays stops the sound and keeps the dialog open.
                if (control == IdCancel && lParam == kCancelFromEscape && preview->Playing()) {
                    preview->Stop();
                    showState(dlg);
                    return 1;
                }
            }
            const LParam handled = proc(dlg, message, wParam, lParam);
            if (dlg.HasItem(kIdPreviewButton) && MayChangeValues(message, wParam)) {
                if (preview->Playing()) {
                    preview->Changed(app, dlg, templateId);
                }
                if (const std::string failure = preview->TakeFailure(); !failure.empty()) {
                    showState(dlg);
                    ShowPreviewFailure(app, failure);
                }
            }
            return handled;
        },
        param);
    preview->Stop();
    preview->TakeFailure();
    return result;
}

} // namespace wt
