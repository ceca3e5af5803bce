// The three effects driven by an envelope drawn over the selection: volume, pan (stereo only)
// and pitch (a variable-speed resampler whose speed follows the envelope along the input).
// Each asks for its envelope in the envelope editor, works on the selection (the whole sound
// when nothing is selected) and can be undone. Every handler returns 1 when it changed the
// sound and 0 when it was cancelled or failed.
#pragma once

namespace wt {

struct App;

// Dialog 400: every sample times y / 128 (0 silence, 128 unchanged, 256 doubled), unclipped.
int CmdEnvelope(App& app);
// Dialog 5: channel 0 times y / 128, channel 1 times (256 - y) / 128. A mono sound is refused
// with a message before anything else happens.
int CmdPanEnvelope(App& app);
// Dialog 3: reads the input at 2^(y / 128 - 1) times its speed (one octave down at y 0, up at
// 256), interpolating between frames; the selection becomes between about half and twice as
// long.
int CmdPitchEnvelope(App& app);

} // namespace wt
