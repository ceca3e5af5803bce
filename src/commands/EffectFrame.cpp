#include "commands/EffectFrame.h"

#include "commands/edit/UndoCommands.h"
#include "editor/App.h"
#include "editor/DocumentUi.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace wt {

namespace {
// Every resize of the sample block keeps this many bytes after the data.
constexpr std::int64_t kSpareBytes = 16;
} // namespace

bool TakeEffectSnapshot(App& app, const char* caption) {
    if (!TakeSnapshot(app.doc, app.undo)) {
        ShowOutOfMemory(app, caption);
        return false;
    }
    return true;
}

bool BeginInPlaceEffect(App& app, const char* caption) {
    if (!TakeEffectSnapshot(app, caption)) {
        return false;
    }
    ResetPeak(app.doc);
    return true;
}

bool AllocateWorkBuffer(App& app, SampleBlock& buffer, std::size_t bytes, const char* caption) {
    if (TryAllocate(buffer, bytes)) {
        return true;
    }
    SwapWithSnapshot(app);
    ShowOutOfMemory(app, caption);
    return false;
}

int ResizeSelection(App& app, std::int64_t length, const char* caption) {
    SoundDocument& doc = app.doc;
    const std::int64_t removed = doc.selEnd - doc.selStart;
    const std::int64_t tail = doc.byteLength - doc.selEnd;
    const std::int64_t newLength = doc.byteLength - removed + length;
    const auto needed = static_cast<std::size_t>(newLength + kSpareBytes);
    // The block grows before anything moves, so a failed resize leaves the sound whole (the
    // selection's bytes are not yet overwritten) instead of a sound with a hole in it.
    if (length < 0 || newLength > std::numeric_limits<std::int32_t>::max() - kSpareBytes ||
        (doc.sampleData.Size() < needed && !doc.sampleData.Resize(needed))) {
        ShowOutOfMemory(app, caption);
        return 0;
    }
    std::uint8_t* data = doc.Data();
    MoveBytes(data + doc.selStart + length, data + doc.selEnd, static_cast<std::size_t>(tail));
    doc.byteLength = static_cast<std::int32_t>(newLength);
    doc.selEnd = doc.selStart + static_cast<std::int32_t>(length);
    // A sound that became shorter keeps its cursor, anchor and view start inside it.
    doc.cursor = std::min(doc.cursor, doc.byteLength);
    doc.anchor = std::min(doc.anchor, doc.byteLength);
    doc.viewStart = std::min(doc.viewStart, doc.byteLength);
    if (doc.sampleData.Size() > needed) {
        // Giving memory back cannot lose data; if even that fails the block stays larger.
        doc.sampleData.Resize(needed);
    }
    return 1;
}

int ReplaceSelection(App& app, const std::uint8_t* buffer, std::int32_t length,
                     const char* caption) {
    if (!ResizeSelection(app, length, caption)) {
        return 0;
    }
    if (length > 0) {
        std::memcpy(app.doc.Data() + app.doc.selStart, buffer, static_cast<std::size_t>(length));
    }
    return 1;
}

std::int32_t SelectionFrames(const SoundDocument& doc) {
    const int blockAlign = doc.format.blockAlign;
    return blockAlign > 0 ? (doc.selEnd - doc.selStart) / blockAlign : 0;
}

} // namespace wt
