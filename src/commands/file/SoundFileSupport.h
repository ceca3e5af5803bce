// What the file commands share around the readers and writers of formats/: the document's
// state after a load, and the messages of both directions made
// from the readers' and writers' status. The sound a reader builds and the format checks are
// the model's (model/SoundDocument.h).
#pragma once

#include "formats/FileStatus.h"
#include "model/SoundDocument.h"

#include <cstdint>
#include <string>

namespace wt {

struct App;

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
// A save that failed for `error` (an errno value or a kSaveError cause of formats/FileIo.h, 0
// when unknown; ENOMEM says "メモリーが足りません"): "[NAME]に書き込めません" with the cause in
// words on a second line, caption "保存", warning icon. Returns 0.
int ReportSaveFailure(App& app, int error);
// A save refused for `cause` (a text of commands/file/FileTexts.h): the same message with the
// cause on its second line. Returns 0.
int ReportSaveRefusal(App& app, const std::string& cause);
// A writer's success: `modified` cleared and the waveform repainted. Returns 1.
int FinishSave(App& app);

} // namespace wt
