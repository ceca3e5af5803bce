// What the three readers and writers share: the document's state after a load, and the
// messages of both directions. The sound a reader builds and the format checks are the
// model's (model/SoundDocument.h).
#pragma once

#include "model/SoundDocument.h"

#include <cstdint>
#include <string>

namespace wt {

struct App;

// Makes `block` hold `bytes` sample bytes plus 16 zeroed spare bytes for a reader. When the
// size is beyond kMaxSoundBytes it says "ファイルが大きすぎます", when the memory cannot be had
// "メモリーが足りません"; either way it returns false and the reader must return 0.
bool AllocateSoundBlock(App& app, SampleBlock& block, std::uint64_t bytes);

// Makes `sound` the document: format, samples, length; selection and view at the start,
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
// A save that failed for `error` (an errno value or a kSaveError cause of model/FileIo.h, 0
// when unknown): the message above with the cause in words on a second line. Returns 0.
int ReportSaveFailure(App& app, int error);
// A save refused for `cause` (a text of commands/file/FileTexts.h): the message above with
// the cause on a second line. Returns 0.
int ReportSaveRefusal(App& app, const std::string& cause);
// A writer's success: `modified` cleared and the waveform repainted. Returns 1.
int FinishSave(App& app);

} // namespace wt
