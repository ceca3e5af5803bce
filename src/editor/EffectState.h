// State shared by the effect commands for the whole run: the progress counter and the values
// each parameter dialog shows again the next time it opens. Every App starts from the
// defaults below; nothing here is written to the settings file.
#pragma once

#include "editor/DelayParams.h"
#include "editor/DynamicsParams.h"
#include "editor/EnvelopeParams.h"
#include "editor/GeneratorParams.h"
#include "editor/ModulationParams.h"
#include "editor/PitchParams.h"
#include "editor/SpectralParams.h"

#include <string>

namespace wt {

// Dialog 102 (volume).
struct VolumeParams {
    int volume = 100; // percent, 0..200
    int pan = 50;     // 0 = channel 0 only, 50 = centre, 100 = channel 1 only
    int limiter = 1;  // 1: scale the loudest output down to full scale instead of wrapping
};

struct EffectState {
    int progressCounter = 0; // ShowProgress calls since the last progress text
    // The last progress text and what it was made of, so that an unchanged text is not
    // formatted again. The label is kept by content: a caller may pass a buffer whose text
    // changes while its address stays.
    std::string progressText;
    std::string progressLabel;
    long long progressPercent = -1;
    VolumeParams volume;
    DynamicsParams dynamics;     // compressor, noise gate, distortion
    DelayParams delay;           // echo, reverb, flanger
    ModulationParams modulation; // tremolo, vibrato
    EnvelopeParams envelopes;    // volume, pan and pitch envelopes
    PitchTimeParams pitchTime;   // pitch, time stretch, transpose
    SpectralParams spectral;     // equalizers, noise removal
    GeneratorState generators;   // noise, tone, silence, melody paste and the noise's randoms
};

} // namespace wt
