// One level of undo: a complete second copy of the sound taken just before a change. Undo
// exchanges the document with it, so undoing twice returns to the changed state.
#pragma once

#include "model/SoundDocument.h"

#include <string>

namespace wt {

struct UndoSnapshot {
    SampleBlock data;
    PeakSummary peaks; // of `data`, so that undo shows the old sound without reading it
    std::int32_t length = 0;
    SoundFormat format;
    std::int32_t selStart = 0, selEnd = 0;
    std::int32_t cursor = 0;
    std::int32_t anchor = 0;
    // Set when the snapshot was taken by a command that replaces the whole document with
    // another one (opening a file, New): the snapshot then also holds the document's name,
    // file type, modified flag, source format and tags, and the exchange swaps them with the
    // sound, so the name and tags shown always belong to the sound shown and a save never
    // writes one sound over another's file.
    bool holdsFile = false;
    std::string title;
    int fileType = 0;
    bool modified = false;
    bool imported = false;
    std::string sourceFormat;
    SoundTags tags;
    // Counts of the snapshots taken (TakeSnapshot, MoveSoundToSnapshot) and of the exchanges
    // (SwapWithSnapshot), so that whoever watches a command can tell whether it changed the
    // sound (a snapshot taken) or put it back after failing (an exchange after it).
    std::uint64_t taken = 0;
    std::uint64_t swapped = 0;
    std::uint64_t swappedAtTake = 0; // `swapped` when the last snapshot was taken
    // The most bytes of the sound a snapshot copies (-1: all). A preview's copy of the editor,
    // which never undoes and reads only the start of the sound, keeps the start alone.
    std::int64_t copyLimit = -1;
    // Called at the start of every TakeSnapshot and MoveSoundToSnapshot, before the snapshot
    // changes, when set: a command that takes the snapshot twice has then changed the sound
    // once already, and the edit history records that change before its "before" is gone.
    void (*beforeTake)(void* context) = nullptr;
    void* beforeTakeContext = nullptr;
};

// Copies the document into the snapshot. Returns 0 (and leaves the snapshot's old copy in
// place) when the snapshot block cannot be grown; the caller must then not change the sound.
int TakeSnapshot(SoundDocument& doc, UndoSnapshot& undo);
// Moves the document's sound into the snapshot instead of copying it, for a command that is
// about to give the document a new sample block (opening a file, New, format conversion):
// the old snapshot's block is freed and the document is left with an empty block for the
// caller to replace. `withFile` makes the snapshot hold the document's name, file type,
// modified flag, source format and tags too (the tags move, leaving the document's empty).
// Never fails.
void MoveSoundToSnapshot(SoundDocument& doc, UndoSnapshot& undo, bool withFile);
// Exchanges document and snapshot without copying samples; never fails.
void SwapWithSnapshot(SoundDocument& doc, UndoSnapshot& undo);

} // namespace wt
