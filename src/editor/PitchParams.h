// The remembered values of the pitch, time stretch and transpose dialogs.
#pragma once

namespace wt {

// Dialog 103.
struct PitchParams {
    int percent = 100; // playback rate of the selection, 50..200; 200 is an octave up
};

// Dialog 10.
struct TimeStretchParams {
    int speed = 100; // percent, 20..400; the new length is the old one * 100 / speed
};

// Dialog 11.
struct TransposeParams {
    int cents = 0;     // interval, -1200..1200
    int harmonize = 0; // 1: mix the shifted sound with the unshifted one
    int mix = 50;      // percent of the shifted sound in the mix, 0..100
};

struct PitchTimeParams {
    PitchParams pitch;
    TimeStretchParams timeStretch;
    TransposeParams transpose;
};

} // namespace wt
