// What the file commands share around the readers and writers of formats/: the busy state of
// long file work, the document's state after a load, and the messages of both directions made
// from the readers' and writers' status. The sound a reader builds and the format checks are
// the model's (model/SoundDocument.h).
#pragma once

#include "formats/FileStatus.h"
#include "model/SoundDocument.h"
#include "view/BusyScope.h"

#include <cstdint>
#include <optional>
#include <string>

namespace wt {

struct App;

// Holds the editor busy while a file is read or written through libsndfile, which takes
// seconds for an hour of FLAC, Ogg or MP3: the busy menu and the busy gate (a BusyScope), and
// "処理中…:NN%" in the status bar with the window's pending events let through at every
// Step. The menu, the gate and the status text come back as they were on every way out.
class BusyFileWork {
public:
    explicit BusyFileWork(App& app);
    ~BusyFileWork();
    BusyFileWork(const BusyFileWork&) = delete;
    BusyFileWork& operator=(const BusyFileWork&) = delete;

    // After each piece: the percentage of `done` out of `total` (none shown while the total
    // is unknown, 0) and one pass of the window's events.
    void Step(std::int64_t done, std::int64_t total);

private:
    App& app_;
    BusyScope scope_;
    std::string status_;
    long long percent_ = -1;
};

// The progress of a libsndfile import or export: a BusyFileWork from Begin to End.
class BusyFileProgress final : public FileProgress {
public:
    explicit BusyFileProgress(App& app) : app_(app) {}
    void Begin() override { work_.emplace(app_); }
    void Step(std::int64_t done, std::int64_t total) override {
        if (work_) {
            work_->Step(done, total);
        }
    }
    void End() override { work_.reset(); }

private:
    App& app_;
    std::optional<BusyFileWork> work_;
};

// Shows a reader's notes in their order, each in its message (caption "ファイルを開く";
// "メモリーが足りません" for OutOfMemory). Returns 1 when the sound was read, 0 when refused.
int ShowFileNotes(App& app, const FileStatus& status);
// A writer's outcome: FinishSave on success, otherwise its failure in words (see below); a
// rate the format cannot hold is said with `rateCause` (a text of FileTexts.h with the rate's
// "%s").
int FinishOrReportSave(App& app, const SaveStatus& status, const char* rateCause = nullptr);

// Makes `sound` the document: format, samples, length, tags; selection and view at the start,
// cursor and anchor kept where they still lie inside the sound; modified cleared; caption,
// waveform and status bar refreshed. The document's old block must have been handed on (to
// the undo snapshot) first: it is replaced. Returns 1.
int InstallLoadedSound(App& app, LoadedSound& sound);

// A reader's message: caption "ファイルを開く", warning icon, owned by the main window.
void ShowLoadMessage(App& app, const char* text);
// A writer's failure: "[NAME]に書き込めません" with the document's title as NAME (or
// "メモリーが足りません" when the writer could not get its buffers), caption "保存", warning
// icon. Returns 0.
int ReportWriteFailure(App& app, bool outOfMemory = false);
// A save that failed for `error` (an errno value or a kSaveError cause of formats/FileIo.h, 0
// when unknown): the message above with the cause in words on a second line. Returns 0.
int ReportSaveFailure(App& app, int error);
// A save refused for `cause` (a text of commands/file/FileTexts.h): the message above with
// the cause on a second line. Returns 0.
int ReportSaveRefusal(App& app, const std::string& cause);
// A writer's success: `modified` cleared and the waveform repainted. Returns 1.
int FinishSave(App& app);

} // namespace wt
