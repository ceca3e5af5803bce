// The recovery journal of one window: while the sound holds unsaved changes, a file that lets
// the next start bring it back after a crash. It holds the sound as last saved or opened (the
// base) and every change since, forward (StepChange), plus where the history went and what a
// recording in progress has captured so far. A worker thread writes the records, each with a
// checksum, and syncs them to disk within a few seconds; the window only queues them. The
// journal file is locked (flock) for as long as this object holds it, so another editor never
// offers or touches the journal of a session that is still running.
#pragma once

#include "history/StepTypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace wt {

struct StepChange;

// $XDG_STATE_HOME/wavetomuka/recovery (or ~/.local/state/wavetomuka/recovery).
std::string DefaultRecoveryFolder();

class Journal {
public:
    Journal();
    // Stops the worker after it wrote what was queued; the file stays, as after a crash,
    // unless Close removed it.
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // Makes `folder` (0700) and takes this session's journal name in it; no file is written
    // until there is something unsaved. False with `error` set when the folder cannot be had.
    bool Start(const std::string& folder, std::string& error);
    bool Started() const;

    // The sound has no unsaved changes any more (saved, or a clean state opened): the journal
    // file is deleted; the next change starts a new one with a new base.
    void Clean();
    // Starts a journal file with the state the changes apply to: the sound as last saved or
    // opened (or the empty sound of New), shown by history step `step`. `sourcePath` is the
    // file the sound came from (empty for none); its modification time and size are kept, so
    // a restore can say that the file on disk is newer.
    void Base(int step, const StepState& state, SharedBytes sound, const std::string& sourcePath);
    bool HasBase() const;
    // A change after the base. A change whose middle is the whole sound starts the file anew
    // with the sound after it as the base (written to a new file that then replaces the old
    // one), so the journal never grows past one sound and the partial changes since. Ignored
    // without a base (the caller writes one first) and for a step at or before the base.
    void Step(const StepChange& change);
    // The document went to history step `step` (undo, redo, a chosen step), now in `state`.
    // Returns false when the journal cannot rebuild that step from its base (a step before the
    // base, or after the last step it was given): the caller then writes a new Base.
    bool GoTo(int step, const StepState& state);
    // A recording in progress: its format, then its bytes as they arrive. A crash during it
    // restores what was captured (whole frames) as a new untitled sound. Without a base the
    // recording gets a file of its own, deleted at its end; a Base during it keeps recording
    // in the new file, which holds only the bytes that arrive after it.
    void RecordingStart(const SoundFormat& format);
    void RecordingData(SharedBytes bytes);
    void RecordingEnd();

    // A clean exit: the worker finishes and the file is deleted when `keep` is false.
    void Close(bool keep);
    // Lends the journal `count` bytes of the document at `from`, for the record of a change
    // (Base, Step): the worker reads them straight from there, so no copy of a whole sound is
    // made while the window leaves them as they are. What it gives back is for this journal's
    // records only (it holds no bytes of its own). The caller must call WaitForCopies()
    // before it changes or frees those bytes.
    SharedBytes Borrow(const std::uint8_t* from, std::size_t count);
    // Takes back what Borrow lent: the bytes the worker has not yet read are copied for it
    // (the document is about to change). Returns at once when the worker is through.
    void WaitForCopies();
    // Asks the worker to sync everything queued so far and returns a ticket; SyncDone(ticket)
    // says, without waiting, whether it has (true at once when nothing is running).
    std::uint64_t RequestSync();
    bool SyncDone(std::uint64_t ticket);
    // Waits until every queued record is written and synced (tests and the clean exit only).
    void Flush();
    // The journal file's path (set by Start; the file exists only while there is something
    // unsaved).
    std::string Path() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// A journal left by a session that did not end cleanly.
struct RecoverableJournal {
    std::string path;
    std::string title;           // the sound's name
    std::int64_t lastChange = 0; // seconds since 1970
    SoundFormat format;
    std::int32_t length = 0;  // bytes of samples
    std::string sourcePath;   // the file it came from, empty for none
    bool sourceNewer = false; // that file changed on disk after the journal's base was taken
};

// The journals in `folder` that no running editor holds, newest first. A damaged, truncated
// or foreign file is renamed aside (NAME.damaged) and named in `refused` with the reason,
// never listed.
std::vector<RecoverableJournal> ListJournals(const std::string& folder,
                                             std::vector<std::string>& refused);

// The sound a journal holds after its last complete record.
struct RestoredSound {
    StepState state; // identity and positions; modified is always true
    LoadedSound sound;
    bool sourceNewer = false;
};
// Rebuilds the sound of `path`, checking every record's checksum. False with `error` (for the
// message) when the journal is locked by a running editor, damaged or foreign; then nothing
// in `out` is to be used.
bool RestoreJournal(const std::string& path, RestoredSound& out, std::string& error);
// Deletes a journal no running editor holds. False when it is held or cannot be deleted.
bool DiscardJournal(const std::string& path);

} // namespace wt
