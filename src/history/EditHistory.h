// The edit history: every change to the sound as a step (what it was, when, the format and
// length after it), any of which the document can go back to, beside the one-level undo
// snapshot. A step holds only the bytes its change touched: the middle range in which the
// sounds before and after it differ (DiffSounds), and of that middle only the side the document
// does not show at the moment (the state before the step while the document is at or past it,
// the state after it while the document is before it). Going from one step to the next
// exchanges the middle in the document with the one the step holds, so it costs the step, not
// the sound. Past a memory budget the held bytes of the steps farthest from the current one
// move to files (a worker thread writes them; the window never waits for it), and past a disk
// budget the oldest steps are dropped.
#pragma once

#include "history/StepTypes.h"
#include "model/Undo.h"

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace wt {

struct HistoryBudget {
    std::uint64_t memoryBytes = 0; // held bytes kept in memory at most
    std::uint64_t diskBytes = 0;   // held bytes kept in spill files at most
    std::string spillFolder;       // where the spill files go (made 0700 when first needed)
};

// A quarter of the physical memory, at most 2 GiB; 4 GiB of disk, never past a tenth of the
// free space of the spill folder's file system; the folder $XDG_CACHE_HOME/wavetomuka (or
// ~/.cache/wavetomuka) plus a folder private to this process.
HistoryBudget DefaultHistoryBudget();

enum class StepPlace { Memory, Disk, Dropped };

// One line of the history list.
struct StepListing {
    std::string text;      // the command's menu text: "エコー", "開く: song.flac"
    std::int64_t time = 0; // seconds since 1970 when the step was made
    SoundFormat format;    // after the step
    std::int32_t length = 0;
    std::uint64_t heldBytes = 0;
    StepPlace place = StepPlace::Memory;
};

// What a step changed, forward, for the journal: the range, the bytes of the new middle and
// the state after it.
struct StepChange {
    int step = 0;
    StepRange range;
    SharedBytes newMiddle;
    StepState after;
    std::string text;
    std::int64_t time = 0;
    bool identityChanged = false;
    // The whole sound before the step, when the step took the undo snapshot's block for it
    // (its middle was the whole sound); empty otherwise.
    SharedBytes before;
    // Set by the caller: Record leaves newMiddle empty, the caller copies it itself (off the
    // window's thread).
    bool leaveNewMiddle = false;
};

class EditHistory {
public:
    EditHistory();
    ~EditHistory(); // stops the spill worker and deletes its files
    EditHistory(const EditHistory&) = delete;
    EditHistory& operator=(const EditHistory&) = delete;

    bool Enabled() const;
    // Starts the history with one step, the document's present state, named `text` (an empty
    // sound: "新規"; an opened one: "開く: NAME"). Forgets every earlier step.
    void Enable(const SoundDocument& doc, const std::string& text, std::int64_t time);
    // Forgets every step and keeps none until enabled again.
    void Disable();
    // The budget starts as DefaultHistoryBudget().
    void SetBudget(const HistoryBudget& budget);
    const HistoryBudget& Budget() const;
    // Changes of the samples recorded or gone through so far, and the bytes the last one
    // changed (in the sound before and after it).
    std::uint64_t Changes() const;
    StepRange LastChange() const;

    // Records the change a command just made: `before` is the undo snapshot the command took
    // (the state before it), `doc` the state after. The steps after the current one are
    // dropped, the new step becomes the current one. `identityChanged` marks Open, New and a
    // recording, whose step also holds the name, type and tags. When the middle is the whole
    // of `before`, the step takes the snapshot's block instead of copying it (the snapshot is
    // then an empty sound: no block, length and positions 0); otherwise the snapshot keeps its
    // copy. `change`, when given, receives the forward change for the journal (its newMiddle a
    // copy of the document's new bytes, without a block when that copy cannot be had).
    // Returns false when the memory for the step cannot be had: the history then starts
    // again from `doc` as its only step (the list says so through FirstStep()).
    bool Record(const std::string& text, std::int64_t time, UndoSnapshot& before,
                const SoundDocument& doc, bool identityChanged, StepChange* change = nullptr);

    // The command that took the snapshot put the sound back from it (it failed) or something
    // else wrote it: the snapshot no longer holds a step's state. (A snapshot taken anew is
    // noticed on its own: its block has another revision.)
    void ForgetSnapshot();

    int Count() const;     // steps listed, the dropped ones included
    int FirstStep() const; // the oldest step that can still be gone to
    int Current() const;   // the step the document shows
    StepListing Listing(int step) const;
    const StepState& State(int step) const;

    // Makes the document show step `target`: samples, format, length, the positions it had
    // after that step, and the name, type, tags and modified mark of the step when the steps
    // between change the file the sound belongs to (otherwise the document keeps its name).
    // Uses the undo snapshot when it holds the target's state (a swap, after which it holds
    // the state left). Returns false with the document unchanged when the memory or a spill
    // file cannot be had.
    bool GoTo(int target, SoundDocument& doc, UndoSnapshot& snapshot);

    // The one-level undo with the history on: goes to the state the undo snapshot would hold
    // (the state before the last change, or where the document was before the last GoTo),
    // with the positions it had then; undoing twice returns.
    bool ToggleUndo(SoundDocument& doc, UndoSnapshot& snapshot);
    // The multi-step undo and redo: one step back (with the positions from before that
    // step's change) or forward. False at either end or on failure.
    bool StepBack(SoundDocument& doc, UndoSnapshot& snapshot);
    bool StepForward(SoundDocument& doc, UndoSnapshot& snapshot);
    bool CanStepBack() const;
    bool CanStepForward() const;

    // The document was saved (or opened) as `identity`: the current step's state is the one on
    // disk (modified false), every other step of the same file is modified, and they all take
    // the new name.
    void MarkSaved(const StepIdentity& identity);

    // Collects the spill worker's finished writes: their steps let their memory go. Called from
    // the window's timer; never waits.
    void Poll();
    // Bytes held in memory and on disk by the steps.
    std::uint64_t MemoryBytes() const;
    std::uint64_t DiskBytes() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace wt
