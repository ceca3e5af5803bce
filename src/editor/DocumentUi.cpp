#include "editor/DocumentUi.h"

#include "editor/App.h"
#include "util/Format.h"

namespace wt {

namespace {

constexpr int kStatusPartSelection = 2;
constexpr const char* kTextCursorTime = "Cur :%s(Sec)";
constexpr const char* kTextSelectionTimes = "Sel :%s-%s(Sec)";

std::string BytesText(const SoundDocument& doc) {
    return Format("%ld Bytes", static_cast<long>(doc.byteLength));
}

} // namespace

void ShowFormatStatus(App& app) {
    app.status.SetText(0, FormatStatusText(app.doc.format));
    app.status.SetText(1, BytesText(app.doc));
}

void RefreshStatus(App& app) {
    const std::string format = FormatStatusText(app.doc.format);
    const std::string shown = app.status.Text(0);
    if (!app.audio.recording && shown.compare(0, format.size(), format) != 0) {
        app.status.SetText(0, format);
    }
    app.status.SetText(1, BytesText(app.doc));
    ShowSelectionStatus(app);
}

void ShowSelectionStatus(App& app) {
    const SoundDocument& doc = app.doc;
    if (doc.selStart == doc.selEnd) {
        app.status.SetText(kStatusPartSelection,
                           Format(kTextCursorTime, FormatSeconds(doc, doc.selStart).c_str()));
    } else {
        app.status.SetText(kStatusPartSelection,
                           Format(kTextSelectionTimes, FormatSeconds(doc, doc.selStart).c_str(),
                                  FormatSeconds(doc, doc.selEnd).c_str()));
    }
}

std::string FormatStatusText(const SoundFormat& f) {
    return Format("%ldHz %dBits %s", static_cast<long>(f.sampleRate),
                  static_cast<int>(f.bitsPerSample), ChannelText(f.channels).c_str());
}

std::string FormatSeconds(const SoundDocument& doc, std::int64_t offset) {
    return FormatSeconds(doc.format, offset);
}

std::string FormatSeconds(const SoundFormat& format, std::int64_t offset) {
    std::int64_t ms = 0;
    if (format.blockAlign != 0 && format.sampleRate != 0) {
        ms = offset * 1000 / format.blockAlign / format.sampleRate;
    }
    return Format("%lld.%03lld", static_cast<long long>(ms / 1000),
                  static_cast<long long>(ms % 1000));
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

} // namespace wt
