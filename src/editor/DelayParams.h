// The remembered values of the echo, reverb and flanger dialogs.
#pragma once

namespace wt {

// Dialog 110.
struct EchoParams {
    int delayMs = 120; // 0..1000
    int level = 50;    // percent of the input in the first echo, 0..100
    int feedback = 40; // percent of each echo in the next, 0..100
};

// Dialog 2.
struct ReverbParams {
    int timeMs = 500;  // length the reflection pattern is stretched to, 0..2000
    int level = 50;    // percent, 0..100
    int dryLevel = 80; // percent of the original sound kept, 0..100
};

// Dialog 111.
struct FlangerParams {
    int level = 100;      // percent of the swept copy, 0..100
    int depth = 20;       // largest sweep either way, in frames, 0..100
    int rate = 20;        // sweep frequency in tenths of a hertz, 0..100
    int stereoFlange = 0; // 1: flange channel 0 only and keep channel 1 dry
};

struct DelayParams {
    EchoParams echo;
    ReverbParams reverb;
    FlangerParams flanger;
};

} // namespace wt
