// One rendering of an effect's preview: the menu command run again, with the values its
// dialog shows, on a headless copy of the editor that holds only what the command reads of
// the sound. What comes out is the start of what OK would write into the document, byte for
// byte, and the editor itself is not touched.
#pragma once

#include "editor/EffectState.h"
#include "editor/Settings.h"
#include "model/SoundDocument.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace wt {

struct App;
class DialogHost;

// Whether command `commandId` can be previewed: the effects and generators with a dialog,
// and the effects of the 効果 menu without one.
bool CommandHasPreview(int commandId);

struct PreviewRequest {
    int commandId = 0;
    // What the dialog is to show before OK, in order, as a user would set it: an edit
    // field's text, a bar's position, a box's or button's 1 or 0, a list's row.
    std::vector<std::pair<int, std::string>> controls;
    // The batch mode: a value the dialog refuses fails the rendering. The window's own dialog
    // already holds what it holds: a control the copy will not take is left as it is.
    bool strict = false;
    double seconds = 10;
    // The editor's state the command reads besides the sound.
    EffectState effects;
    Settings settings;
    std::array<int, 1024> sineTable{};
    std::vector<std::uint8_t> clipboard;
    bool clipboardHasWave = false;
};

// A request for what `app` runs now, its values as `dlg` (dialog `templateId`) shows them.
// Window thread.
PreviewRequest RequestFromDialog(App& app, const DialogHost& dlg, int templateId);
// A request for command `commandId` of `app` with the given assignments (batch mode).
PreviewRequest RequestFromAssignments(App& app, int commandId,
                                      std::vector<std::pair<int, std::string>> assignments);

struct PreviewResult {
    std::vector<std::uint8_t> bytes; // whole frames in the sound's format
    std::string error;               // why there is nothing to play; empty on success
};

// Thrown out of a rendering when `stale` says a newer one is wanted.
struct PreviewAbandoned {};

// Copies into `input` the part of `sound` that `request` reads: the selection (up to what the
// preview plays, for a command whose result starts as its input does) and a few seconds
// around it. Asks `stale` between pieces of the copy; a true answer throws PreviewAbandoned.
// Throws std::bad_alloc when the copy cannot be had.
void CopyPreviewInput(const PreviewRequest& request, const SoundDocument& sound,
                      const std::function<bool()>& stale, SoundDocument& input);

// Runs the command on `input` on the calling thread and keeps the start of its result.
// `stale` is asked at every progress step; a true answer abandons the rendering with
// PreviewAbandoned. Returns false with result.error when the command refused.
bool RenderPreview(const PreviewRequest& request, SoundDocument&& input,
                   const std::function<bool()>& stale, PreviewResult& result);

} // namespace wt
