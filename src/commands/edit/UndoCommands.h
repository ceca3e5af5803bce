// The undo command and the user-visible side of the snapshot: taking one reports "not enough
// memory" when it fails; the exchange refreshes the status bar (and the caption when the name
// changed) and repaints the waveform.
#pragma once

#include "model/Undo.h"

namespace wt {

struct App;

int TakeSnapshot(App& app);
void SwapWithSnapshot(App& app);
// IDM_UNDO.
int CmdUndo(App& app);

} // namespace wt
