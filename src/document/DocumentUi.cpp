#include "document/DocumentUi.h"

#include "app/App.h"
#include "fileio/FileCommands.h"
#include "util/Format.h"

namespace wt {

void ShowFormatStatus(App& app) {
    const SoundFormat& f = app.doc.format;
    app.status.SetText(0,
                       Format("%ldHz %dBits %s", static_cast<long>(f.sampleRate),
                              static_cast<int>(f.bitsPerSample), ChannelText(f.channels).c_str()));
    app.status.SetText(1, Format("%ld Bytes", static_cast<long>(app.doc.byteLength)));
}

void UpdateTitle(App& app) {
    app.host.SetCaption(Format("%s -[%s]", kProductName, app.doc.title.c_str()));
}

void RedrawWave(App& app) {
    app.host.InvalidateWave(true);
}

int RequireSelection(App& app) {
    if (app.doc.selStart != app.doc.selEnd) {
        return 1;
    }
    app.host.MessageBox(Owner::MainWindow, kTextNoSelection, kCaptionNoSelection,
                        mb::Ok | mb::IconInformation);
    return 0;
}

void ShowOutOfMemory(App& app, const std::string& caption) {
    app.host.MessageBox(Owner::MainWindow, kTextOutOfMemory, caption, mb::Ok | mb::IconWarning);
}

int ConfirmDiscardChanges(App& app) {
    if (!app.doc.modified) {
        return 1;
    }
    const int answer =
        app.host.MessageBox(Owner::MainWindow, Format(kTextDiscardChanges, app.doc.title.c_str()),
                            kProductName, mb::YesNoCancel | mb::IconQuestion);
    switch (answer) {
    case IdYes:
        return SaveSoundFile(app, app.doc.fileType);
    case IdNo:
        return 1;
    case IdCancel:
        return 0;
    default:
        return 1;
    }
}

} // namespace wt
