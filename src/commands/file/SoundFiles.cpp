// The file commands' readers and writers: each calls its format in formats/ and turns the
// status it gives back into the editor's messages and the document's state.
#include "commands/file/SoundFiles.h"

#include "commands/file/FileCommands.h"
#include "commands/file/FileTexts.h"
#include "commands/file/SoundFileSupport.h"
#include "editor/App.h"
#include "editor/AppProgress.h"
#include "editor/DocumentUi.h"
#include "formats/ImportFile.h"
#include "util/Format.h"
#include "view/BusyScope.h"

#include <algorithm>
#include <optional>
#include <string>

namespace wt {

namespace {

// The AIFF reader's progress: "LoadAIF" every 200th sample on the editor's shared counter,
// with the busy gate closed while the conversion lets pending messages through. Without the
// gate a dropped file, a menu command or a close request could load, rename or free the
// document under the load, which then installed its sound under another name. The gate is a
// BusyScope, so its end comes on every way out.
class BusyWhileLoading final : public FileProgress {
public:
    explicit BusyWhileLoading(App& app) : app_(app) {}

    void Begin() override { busy_.emplace(app_, false); }
    void Step(std::int64_t done, std::int64_t total) override {
        ShowProgress(app_, filetext::kProgressLoadAiff, done, total);
    }
    void End() override { busy_.reset(); }

private:
    App& app_;
    std::optional<BusyScope> busy_;
};

// The progress of a libsndfile import or export, which takes seconds for an hour of FLAC, Ogg
// or MP3: from Begin to End the busy menu and gate (a BusyScope) and "処理中…:NN%" in the
// status bar, with the window's pending events let through at every Step. The menu, the gate
// and the status text come back as they were on every way out.
class BusyFileProgress final : public FileProgress {
public:
    explicit BusyFileProgress(App& app) : app_(app) {}
    ~BusyFileProgress() override { End(); }

    void Begin() override {
        status_ = app_.status.Text(0);
        busy_.emplace(app_, true);
        percent_ = -1;
        app_.status.SetText(0, filetext::kProgressFileWork);
    }
    // The percentage of `done` out of `total` (none while the total is unknown, 0) and one
    // pass of the window's events.
    void Step(std::int64_t done, std::int64_t total) override {
        if (!busy_) {
            return;
        }
        if (total > 0) {
            const long long percent = std::clamp<long long>(done * 100 / total, 0, 100);
            if (percent != percent_) {
                percent_ = percent;
                app_.status.SetText(0, Format("%s:%3lld%%", filetext::kProgressFileWork, percent));
            }
        }
        app_.host.PumpOneMessage();
    }
    void End() override {
        if (busy_) {
            busy_.reset();
            app_.status.SetText(0, status_);
        }
    }

private:
    App& app_;
    std::optional<BusyScope> busy_;
    std::string status_;
    long long percent_ = -1;
};

} // namespace

int LoadWaveFile(App& app, const std::string& path, LoadedSound& sound) {
    return ShowFileNotes(app, ReadWaveFile(path, sound));
}

int SaveWaveFile(App& app) {
    return FinishOrReportSave(app, WriteWaveFile(app.doc, app.doc.title));
}

int LoadAiffFile(App& app, const std::string& path, LoadedSound& sound) {
    FileStatus status;
    {
        BusyWhileLoading gate(app);
        status = ReadAiffFile(path, sound, gate);
    }
    return ShowFileNotes(app, status);
}

int SaveAiffFile(App& app) {
    return FinishOrReportSave(app, WriteAiffFile(app.doc, app.doc.title));
}

int LoadAuFile(App& app, const std::string& path, LoadedSound& sound) {
    return ShowFileNotes(app, ReadAuFile(path, sound));
}

int SaveAuFile(App& app) {
    if (app.doc.format.sampleRate != 8000 &&
        app.host.MessageBox(Owner::MainWindow, filetext::kAuRateQuestion, kProductName,
                            mb::OkCancel) != IdOk) {
        return 0;
    }
    return FinishOrReportSave(app, WriteAuFile(app.doc, app.doc.title), filetext::kCauseAuRate);
}

int SaveFlacFile(App& app) {
    SaveStatus status;
    {
        BusyFileProgress progress(app);
        status = WriteFlacFile(app.doc, app.doc.title, progress);
    }
    return FinishOrReportSave(app, status, filetext::kCauseFlacRate);
}

int SaveOggFile(App& app) {
    SaveStatus status;
    {
        BusyFileProgress progress(app);
        status = WriteOggFile(app.doc, app.doc.title, progress);
    }
    return FinishOrReportSave(app, status, filetext::kCauseOggRate);
}

bool IsImportOnlyName(const std::string& path) {
    for (const char* ending : {".flac", ".ogg", ".oga", ".opus", ".mp3", ".aifc"}) {
        if (EndsWithNoCase(path, ending)) {
            return true;
        }
    }
    return false;
}

int ImportSoundFile(App& app, const std::string& path, LoadedSound& sound) {
    FileStatus status;
    {
        BusyFileProgress progress(app);
        status = ImportSound(path, sound, progress);
    }
    if (status.ok && status.clipped > 0) {
        sound.conversion += Format(filetext::kImportClipped, status.clipped);
    }
    return ShowFileNotes(app, status);
}

} // namespace wt
