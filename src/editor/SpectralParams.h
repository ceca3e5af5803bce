// The values the spectral effects' dialogs show again the next time they open. They live for
// the whole run; only the equalizer presets are kept in the settings file.
#pragma once

#include <array>

namespace wt {

// Dialog 112: nine slider positions, band order 50 Hz .. 12.8 kHz; 0 is the top of a slider
// (+18 dB), 50 the middle (0 dB), 100 the bottom (-18 dB).
struct EqualizerParams {
    std::array<int, 9> positions{50, 50, 50, 50, 50, 50, 50, 50, 50};
};

// One module of dialog 13.
struct ParametricEqModule {
    int use = 1;          // 1: the module scales its band
    int frequency = 1000; // centre, Hz, 50..20000
    int level = 0;        // dB steps, -18..18
    int bandwidth = 12;   // twelfths of an octave, 1..48
};

struct ParametricEqParams {
    std::array<ParametricEqModule, 3> modules{};
};

// Dialog 8.
struct NoiseRemovalParams {
    int randomNoise = 10; // smoothing strength 0..100; largest correction strength * 3276 / 100
    int impulseNoise = 0; // half-width K of the median window (2K + 1 samples), 0..10
};

struct SpectralParams {
    EqualizerParams equalizer;
    ParametricEqParams parametricEq;
    NoiseRemovalParams noiseRemoval;
};

} // namespace wt
