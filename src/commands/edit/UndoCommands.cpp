#include "commands/edit/UndoCommands.h"

#include "commands/edit/HistoryCommands.h"
#include "editor/App.h"
#include "editor/DocumentUi.h"

namespace wt {

int TakeSnapshot(App& app) {
    if (!TakeSnapshot(app.doc, app.undo)) {
        ShowOutOfMemory(app, kProductName);
        return 0;
    }
    return 1;
}

void SwapWithSnapshot(App& app) {
    SwapWithSnapshot(app.doc, app.undo);
    if (app.undo.holdsFile) {
        UpdateTitle(app);
    }
    ShowFormatStatus(app);
    ShowSelectionStatus(app);
    RedrawWave(app);
}

int CmdUndo(App& app) {
    // With the edit history on, undo goes through it (as one level or step by step).
    int result = 1;
    if (HistoryUndo(app, result)) {
        return result;
    }
    SwapWithSnapshot(app);
    return 1;
}

} // namespace wt
