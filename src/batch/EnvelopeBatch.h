// The envelope editor's batch-mode verb.
#pragma once

#include "batch/Batch.h"

namespace wt {

// "envelope_dialog [envelope|pan_envelope|pitch_envelope] [ID=VALUE]...": runs the command
// (the volume envelope when none is named) with its envelope dialog kept open, after the
// ID=VALUE pairs, for the lines that follow, until one of them ends it:
//   mouse down|move|up X Y   the left button pressed, moved with it held, or released at
//                            (X, Y) in the drawing area's pixels (origin at its top left)
//   points                   prints "points: X:Y,X:Y,..." (the envelope as the dialog holds it)
//   ok, cancel               ends the dialog; after ok the command goes on and changes the sound
// Blank lines and lines starting with # are skipped.
bool BatchEnvelopeDialog(BatchContext& context, const std::vector<std::string>& args,
                         std::string& error);

} // namespace wt
