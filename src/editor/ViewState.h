// State of the waveform window kept between messages.
#pragma once

#include <cstdint>

namespace wt {

struct ViewState {
    // Set by a left-button press in the window, cleared by the next release inside it; the
    // window does not capture the mouse, so a release outside leaves it set.
    bool dragging = false;
    // Past the widest zoom step: the frames one pixel column covers (fractional, above
    // ZoomTable[0]); 0 while a zoom step is in use.
    double wideFramesPerPixel = 0;
    // Set by 全体表示 and cleared by any other zoom and by a scroll that moves the view: while
    // set, the view is fitted again when the sound's frames or the area's columns differ from
    // those it was fitted to (an edit, undo, open, recording, a resized window).
    bool fitted = false;
    std::int64_t fittedFrames = 0;
    int fittedColumns = 0;
    // Ctrl+wheel turns not yet a whole notch (120), kept for the next turn.
    int zoomWheelRest = 0;
    // The spectrogram's timer runs (levels are asked for or arriving); levels arrived since
    // the last repaint, which was at spectrogramPaintedMs (steady clock).
    bool spectrogramTimer = false;
    bool spectrogramRepaintDue = false;
    std::int64_t spectrogramPaintedMs = 0;
};

} // namespace wt
