// The remembered values of the tremolo and vibrato dialogs.
#pragma once

namespace wt {

// Dialog 114.
struct TremoloParams {
    int level = 100; // depth of the gain swing, percent, 0..100
    int rate = 20;   // about tenths of a hertz (rate * 102 / 1024 Hz), 0..100
    int autoPan = 0; // 1: odd channels swing the opposite way
};

// Dialog 9.
struct VibratoParams {
    int depth = 20; // largest sweep either way, in frames, 0..100
    int rate = 100; // tenths of a hertz, 1..200 (shown as 0.1..20.0)
    int onset = 0;  // tenths of a second over which the depth grows, 0..100 (0.0..10.0)
};

struct ModulationParams {
    TremoloParams tremolo;
    VibratoParams vibrato;
};

} // namespace wt
