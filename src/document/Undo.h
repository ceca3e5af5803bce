// One level of undo: a complete second copy of the sound taken just before a change. Undo
// exchanges the document with it, so undoing twice returns to the changed state.
#pragma once

#include "document/SoundDocument.h"

namespace wt {

struct App;

struct UndoSnapshot {
    SampleBlock data;
    std::int32_t length = 0;
    SoundFormat format;
    std::int32_t selStart = 0, selEnd = 0;
    std::int32_t cursor = 0;
    std::int32_t anchor = 0;
};

// Copies the document into the snapshot. Returns 0 (and leaves the snapshot's old copy in
// place) when the snapshot block cannot be grown; the caller must then not change the sound.
int TakeSnapshot(SoundDocument& doc, UndoSnapshot& undo);
// Exchanges document and snapshot without copying samples; never fails.
void SwapWithSnapshot(SoundDocument& doc, UndoSnapshot& undo);

// The same, with the user-visible side of each: TakeSnapshot reports "not enough memory"
// when it fails; the exchange refreshes the status bar and repaints the waveform.
int TakeSnapshot(App& app);
void SwapWithSnapshot(App& app);
// IDM_UNDO.
int CmdUndo(App& app);

} // namespace wt
