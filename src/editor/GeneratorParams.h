// The remembered values of the generators' dialogs, the melody record, and the pseudo-random
// source of the white noise. All of them live for the whole run and start from the values
// below in every editor; only the melody tempo is also kept in the settings file.
#pragma once

#include <cstdint>
#include <string>

namespace wt {

// The noise's random numbers: a 64-bit linear congruential state that starts at 1 in every
// run, so the same noise comes out each time. Each draw sets
// state = state * (346 * 2^32 + 20021) + 1 (mod 2^64) and returns the upper 32 bits of the new
// state with the top bit cleared, 0..2147483647.
struct RandomSource {
    static constexpr std::uint64_t kMultiplier = (std::uint64_t{346} << 32) + 20021;
    std::uint64_t state = 1;

    int Next() {
        state = state * kMultiplier + 1;
        return static_cast<int>((state >> 32) & 0x7FFFFFFFu);
    }
};

// Dialog 105.
struct NoiseParams {
    int volume = 70;     // percent of full scale, 0..100
    int timeMs = 500;    // 0..5000
    int stereoNoise = 1; // 1: each channel draws its own values; cleared on a mono sound
};

// Dialog 106.
struct ToneParams {
    int volume = 70;       // percent of full scale, 0..100
    int frequencyHz = 440; // 30..10000
    int timeMs = 500;      // 0..5000
    int waveform = 1;      // 0 square, 1 sine, 2 sawtooth
    int fm = 1;            // 1: the phase is modulated by a sine
    int fmDepth = 50;      // percent, 0..100
    int fmRatio = 30;      // modulator frequency in tenths of the carrier's, 0..100
};

// Dialog 108.
struct SilenceParams {
    int timeMs = 1000; // 0..5000
};

// The melody paste's record, edited in place by dialog 104.
inline constexpr int kMelodyTextMax = 127; // bytes of melody text kept
struct MelodyRecord {
    int tempo = -1;       // quarter notes per minute, 60..240; -1 until read from the settings
    int lengthChoice = 2; // index of the length button, 0..7 ("4分")
    std::string text;     // at most kMelodyTextMax bytes
};

struct GeneratorState {
    RandomSource random;
    NoiseParams noise;
    ToneParams tone;
    SilenceParams silence;
    MelodyRecord melody;
};

} // namespace wt
