// The frame every effect and generator command follows: fix the range, ask for parameters,
// take the undo snapshot, show the busy menu, process frame by frame with progress, store the
// result, restore the user interface. These are the pieces the commands share.
#pragma once

#include "model/SampleBlock.h"
#include "view/BusyScope.h"

#include <cstddef>
#include <cstdint>

namespace wt {

struct App;
struct SoundDocument;

// Takes the undo snapshot before a command changes the sound. When the snapshot block cannot
// be had, says "not enough memory" under `caption` and returns false: the command must end
// without changing anything.
bool TakeEffectSnapshot(App& app, const char* caption);

// The start of a command that works in place without a work buffer: takes the undo snapshot
// and resets the peak tracker; the command then holds a BusyScope with the busy menu. Returns
// false, with nothing changed and "not enough memory" said under `caption`, when the snapshot
// cannot be had.
bool BeginInPlaceEffect(App& app, const char* caption);

// Allocates a work buffer of `bytes`. On failure puts the sound back from the undo snapshot,
// says "not enough memory" under `caption` and returns false; the command then ends before
// its BusyScope.
bool AllocateWorkBuffer(App& app, SampleBlock& buffer, std::size_t bytes, const char* caption);

// Makes the selection `length` bytes long, for a command that then writes the new bytes in
// place: the data after the selection moves to follow them, byteLength and selEnd are updated
// and the block keeps 16 spare bytes after the data. The selection's bytes are left as they
// happen to be (a command reads the sound as it was from the undo snapshot). Returns 1; when
// the block cannot be grown, or the sound would outgrow its 32-bit length, says "not enough
// memory" under `caption` and returns 0 with the sound and the selection untouched.
int ResizeSelection(App& app, std::int64_t length, const char* caption);

// Puts `length` bytes of frames from `buffer` in place of the selection: the data after the
// selection follows the new bytes, byteLength and selEnd are updated and the block keeps 16
// spare bytes after the data. Returns 1; when the block cannot be grown, says "not enough
// memory" under `caption` and returns 0 with the sound and the selection untouched.
int ReplaceSelection(App& app, const std::uint8_t* buffer, std::int32_t length,
                     const char* caption);

// Whole frames in the selection; 0 for a format without a frame size.
std::int32_t SelectionFrames(const SoundDocument& doc);

} // namespace wt
