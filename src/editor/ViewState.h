// State of the waveform window kept between messages.
#pragma once

namespace wt {

struct ViewState {
    // Set by a left-button press in the window, cleared by the next release inside it; the
    // window does not capture the mouse, so a release outside leaves it set.
    bool dragging = false;
    // Past the widest zoom step: the frames one pixel column covers (fractional, above
    // ZoomTable[0]); 0 while a zoom step is in use.
    double wideFramesPerPixel = 0;
    // Ctrl+wheel turns not yet a whole notch (120), kept for the next turn.
    int zoomWheelRest = 0;
};

} // namespace wt
