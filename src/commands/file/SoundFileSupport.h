// What the three readers and writers share: the document's state after a load, and the
// messages of both directions. The sound a reader builds and the format checks are the
// model's (model/SoundDocument.h).
#pragma once

#include "commands/EffectFrame.h"
#include "model/SoundDocument.h"

#include <cstdint>
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

// Makes `block` hold `bytes` sample bytes plus 16 zeroed spare bytes for a reader. When the
// size is beyond kMaxSoundBytes it says "ファイルが大きすぎます", when the memory cannot be had
// "メモリーが足りません"; either way it returns false and the reader must return 0.
bool AllocateSoundBlock(App& app, SampleBlock& block, std::uint64_t bytes);

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
// A save that failed for `error` (an errno value or a kSaveError cause of model/FileIo.h, 0
// when unknown): the message above with the cause in words on a second line. Returns 0.
int ReportSaveFailure(App& app, int error);
// A save refused for `cause` (a text of commands/file/FileTexts.h): the message above with
// the cause on a second line. Returns 0.
int ReportSaveRefusal(App& app, const std::string& cause);
// A writer's success: `modified` cleared and the waveform repainted. Returns 1.
int FinishSave(App& app);

} // namespace wt
