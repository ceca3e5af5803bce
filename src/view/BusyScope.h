// The busy state of the editor's window while long work lets events through: the busy gate,
// the busy menu, and on the way out the menu, zoom mark, status texts and picture as the work
// left the sound.
#pragma once

namespace wt {

struct App;

// Holds the busy state while it lives, for work that lets events through (every effect and
// generator, format conversion, loading, the melody paste): the busy gate is closed (the
// dispatch drops every command but stop) and, with `showBusyMenu`, MENU_BUSY is on the main
// window. Ending it (End, or the destructor, whichever comes first) gives the samples a new
// revision, as the work may have written through a pointer it kept while a repaint summarised
// its half-done samples, and puts the gate back as it was found. With the menu, the end also
// puts the normal menu back with the zoom check mark, writes the format and byte count into
// status parts 0 and 1 (replacing the progress text) and repaints the waveform.
class BusyScope {
public:
    BusyScope(App& app, bool showBusyMenu);
    ~BusyScope() { End(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
    void End();

private:
    App& app_;
    bool showBusyMenu_;
    bool wasBusy_;
    bool ended_ = false;
};

} // namespace wt
