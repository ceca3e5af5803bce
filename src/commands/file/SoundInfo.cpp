#include "commands/file/SoundInfo.h"

#include "commands/file/FileTexts.h"
#include "editor/App.h"
#include "editor/DocumentUi.h"
#include "util/Format.h"

#include <iterator>

namespace wt {

static_assert(std::size(filetext::kTagNames) == kTagFieldCount, "a name for every tag");

LParam SoundInfoDlgProc(DialogHost& dlg, unsigned message, WParam wParam, LParam lParam) {
    switch (message) {
    case msg::InitDialog: {
        const auto* doc = reinterpret_cast<const SoundDocument*>(lParam);
        const SoundFormat& f = doc->format;
        dlg.SetItemText(kIdInfoName, doc->title);
        dlg.SetItemText(kIdInfoFormat, FormatStatusText(f));
        dlg.SetItemText(kIdInfoLength, Format(filetext::kInfoSeconds,
                                              FormatSeconds(*doc, doc->byteLength).c_str()));
        for (int i = 0; i < kTagFieldCount; ++i) {
            dlg.SetItemText(kIdInfoTagFirst + i, doc->tags.values[static_cast<std::size_t>(i)]);
        }
        return 1;
    }
    default:
        return EndOnOkOrCancel(dlg, message, wParam, 1);
    }
}

int CmdSoundInfo(App& app) {
    app.host.DialogBox(kDialogSoundInfo, Owner::MainWindow, SoundInfoDlgProc,
                       reinterpret_cast<LParam>(&app.doc));
    return 1;
}

} // namespace wt
