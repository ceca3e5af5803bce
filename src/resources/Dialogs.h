// Every dialog template of the editor, by dialog number. Each subsystem keeps its templates
// in a file of its own; DialogTemplates() lists them all.
#pragma once

#include "platform/DialogTemplate.h"

#include <vector>

namespace wt {

// nullptr when there is no dialog with that number.
const DialogTemplate* FindDialogTemplate(int id);

// The per-subsystem lists gathered by FindDialogTemplate.
std::vector<DialogTemplate> AppDialogTemplates();      // About box
std::vector<DialogTemplate> FileDialogTemplates();     // New, format conversion
std::vector<DialogTemplate> ViewDialogTemplates();     // display settings
std::vector<DialogTemplate> EffectDialogTemplates();   // effect parameter dialogs
std::vector<DialogTemplate> AudioDialogTemplates();    // recording settings, wave devices
std::vector<DialogTemplate> EnvelopeDialogTemplates(); // the envelope editors

// The dialogs of the dynamics (compressor, noise gate, distortion), delay (echo, reverb,
// flanger) and modulation (tremolo, vibrato) effects.
std::vector<DialogTemplate> DynamicsDialogTemplates();
std::vector<DialogTemplate> DelayDialogTemplates();
std::vector<DialogTemplate> ModulationDialogTemplates();
// The dialogs of pitch change, time stretch and transpose.
std::vector<DialogTemplate> PitchDialogTemplates();
// The equalizers and noise removal.
std::vector<DialogTemplate> SpectralDialogTemplates();
// The generators: melody paste, noise, tone, insert silence.
std::vector<DialogTemplate> GeneratorDialogTemplates();
// The edit history, the undo settings and the recovery of unsaved work at start-up.
std::vector<DialogTemplate> HistoryDialogTemplates();

// Icon 201: the application icon, 32 x 32, one character per pixel ('.' transparent,
// 'k' black, 'g' green, 'b' blue, 'w' white).
const std::vector<const char*>& ApplicationIcon();

// Icons 200, 201 and 202: square, sine and sawtooth pictures beside the tone dialog's waveform
// buttons, in the application icon's format; nullptr for other numbers.
const std::vector<const char*>* WaveformIcon(int number);

} // namespace wt
