// State of the waveform window kept between messages.
#pragma once

namespace wt {

struct ViewState {
    // Set by a left-button press in the window, cleared by the next release inside it; the
    // window does not capture the mouse, so a release outside leaves it set.
    bool dragging = false;
};

} // namespace wt
