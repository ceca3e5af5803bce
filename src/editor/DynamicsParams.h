// The remembered values of the compressor, noise gate and distortion dialogs.
#pragma once

namespace wt {

// Dialog 6.
struct CompressorParams {
    int outputLevel = 50; // percent of full scale, 0..100
    int ratio = 50;       // percent, 1..100: weight of the gain that brings the envelope to level
};

// Dialog 7.
struct NoiseGateParams {
    int level = 20;     // threshold, percent of full scale, 0..100
    int attackMs = 50;  // time to open, 1..500
    int releaseMs = 50; // time to close, 1..500
};

// Dialog 109.
struct DistortionParams {
    int depth = 50; // percent of distorted sound in the mix, 0..100
    int mode = 1;   // 0 fuzz (hard clip), 1 overdrive (square root)
};

struct DynamicsParams {
    CompressorParams compressor;
    NoiseGateParams noiseGate;
    DistortionParams distortion;
};

} // namespace wt
