#include "view/BusyScope.h"

#include "editor/App.h"
#include "editor/DocumentUi.h"
#include "view/WaveWindow.h"

namespace wt {

namespace {

void BeginBusy(App& app) {
    app.menus.current = &app.menus.busy;
    app.host.SetMenu(app.menus.current);
    app.busy = true;
}

void EndBusy(App& app) {
    // Whatever the command wrote, and whatever a repaint on the way summarised of its half-done
    // work, the view draws from the samples as they are now.
    app.doc.sampleData.MarkWritten();
    app.menus.current = &app.menus.normal;
    app.host.SetMenu(app.menus.current);
    ApplyZoom(app, app.doc.zoomIndex);
    ShowFormatStatus(app);
    RedrawWave(app);
    app.busy = false;
}

} // namespace

BusyScope::BusyScope(App& app, bool showBusyMenu)
    : app_(app), showBusyMenu_(showBusyMenu), wasBusy_(app.busy) {
    if (showBusyMenu_) {
        BeginBusy(app_);
    }
    app_.busy = true;
}

void BusyScope::End() {
    if (ended_) {
        return;
    }
    ended_ = true;
    if (showBusyMenu_) {
        EndBusy(app_);
    } else {
        app_.doc.sampleData.MarkWritten();
    }
    app_.busy = wasBusy_;
}

} // namespace wt
