#include "model/Undo.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace wt {

namespace {

// The format, length and positions of the document, which the snapshot keeps beside the
// samples.
void CopyFormatAndPositions(const SoundDocument& doc, UndoSnapshot& undo) {
    undo.selStart = doc.selStart;
    undo.selEnd = doc.selEnd;
    undo.cursor = doc.cursor;
    undo.anchor = doc.anchor;
    undo.format = doc.format;
    undo.length = doc.byteLength;
}

} // namespace

int TakeSnapshot(SoundDocument& doc, UndoSnapshot& undo) {
    if (undo.beforeTake) {
        undo.beforeTake(undo.beforeTakeContext);
    }
    // A block is never resized to zero: an empty snapshot keeps 10 bytes. A sound keeps the
    // 16 spare bytes every sample block has, so it can become the document's block as it is.
    constexpr std::size_t kEmptyBytes = 10, kSpareBytes = 16;
    const auto length = static_cast<std::size_t>(doc.byteLength > 0 ? doc.byteLength : 0);
    const std::size_t size = length != 0 ? length + kSpareBytes : kEmptyBytes;
    if (undo.data.Size() != size || !undo.data.Data()) {
        // A fresh block rather than a resize: the old copy need not be moved, and it stays
        // the snapshot when the new block cannot be had.
        SampleBlock fresh;
        if (!fresh.Resize(size)) {
            return 0;
        }
        undo.data.Swap(fresh);
    }
    CopyFormatAndPositions(doc, undo);
    undo.holdsFile = false;
    if (length != 0) {
        const std::size_t copied = undo.copyLimit < 0
                                       ? length
                                       : std::min(length, static_cast<std::size_t>(undo.copyLimit));
        // Read through the constant accessor: reading gives the samples no new revision.
        std::memcpy(undo.data.Data(), std::as_const(doc).Data(), copied);
        std::memset(undo.data.Data() + length, 0, kSpareBytes);
    }
    // The copy has the document's blocks; the document's own are about to change.
    undo.peaks.CopyFor(doc, undo.data);
    doc.peaks.MarkAllChanged();
    ++undo.taken;
    undo.swappedAtTake = undo.swapped;
    return 1;
}

void MoveSoundToSnapshot(SoundDocument& doc, UndoSnapshot& undo, bool withFile) {
    if (undo.beforeTake) {
        undo.beforeTake(undo.beforeTakeContext);
    }
    CopyFormatAndPositions(doc, undo);
    undo.data.Swap(doc.sampleData);
    doc.sampleData.Reset();
    undo.peaks.Swap(doc.peaks);
    doc.peaks.MarkAllChanged();
    undo.holdsFile = withFile;
    ++undo.taken;
    undo.swappedAtTake = undo.swapped;
    if (withFile) {
        undo.title = doc.title;
        undo.fileType = doc.fileType;
        undo.modified = doc.modified;
        undo.imported = doc.imported;
        undo.sourceFormat = doc.sourceFormat;
        undo.tags = std::move(doc.tags);
        doc.tags = {};
    }
}

void SwapWithSnapshot(SoundDocument& doc, UndoSnapshot& undo) {
    std::swap(doc.format, undo.format);
    doc.RecomputeBytesPerSample();
    doc.sampleData.Swap(undo.data);
    doc.peaks.Swap(undo.peaks);
    std::swap(doc.byteLength, undo.length);
    std::swap(doc.selStart, undo.selStart);
    std::swap(doc.selEnd, undo.selEnd);
    std::swap(doc.anchor, undo.anchor);
    std::swap(doc.cursor, undo.cursor);
    ++undo.swapped;
    if (undo.holdsFile) {
        std::swap(doc.title, undo.title);
        std::swap(doc.fileType, undo.fileType);
        std::swap(doc.modified, undo.modified);
        std::swap(doc.imported, undo.imported);
        std::swap(doc.sourceFormat, undo.sourceFormat);
        std::swap(doc.tags, undo.tags);
    }
}

} // namespace wt
