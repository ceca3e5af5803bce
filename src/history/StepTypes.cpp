#include "history/StepTypes.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace wt {

SharedBytes CopyShared(const std::uint8_t* from, std::size_t count, std::size_t spare) {
    auto block = std::make_shared<SampleBlock>();
    // A block is never empty, so that an empty middle still has an address.
    if (!block->Resize(std::max<std::size_t>(count + spare, 1))) {
        return {};
    }
    if (count != 0) {
        std::memcpy(block->Data(), from, count);
    }
    std::memset(block->Data() + count, 0, spare);
    return {std::move(block), count};
}

SharedBytes AdoptShared(SampleBlock&& block, std::size_t bytes) {
    auto shared = std::make_shared<SampleBlock>(std::move(block));
    return {std::move(shared), bytes};
}

StepPositions PositionsOf(const SoundDocument& doc) {
    return {doc.selStart, doc.selEnd, doc.cursor, doc.anchor};
}

StepIdentity IdentityOf(const SoundDocument& doc) {
    return {doc.title, doc.fileType, doc.imported, doc.sourceFormat, doc.tags};
}

StepState StateOf(const SoundDocument& doc) {
    return {doc.format, doc.byteLength, PositionsOf(doc), IdentityOf(doc), doc.modified};
}

void ApplyPositions(SoundDocument& doc, const StepPositions& positions) {
    // As they were, as the undo exchange gives them back (the anchor, where the last press
    // fell, may lie past the end of a sound that became shorter).
    doc.selStart = positions.selStart;
    doc.selEnd = positions.selEnd;
    doc.cursor = positions.cursor;
    doc.anchor = positions.anchor;
}

void ApplyIdentity(SoundDocument& doc, const StepIdentity& identity) {
    doc.title = identity.title;
    doc.fileType = identity.fileType;
    doc.imported = identity.imported;
    doc.sourceFormat = identity.sourceFormat;
    doc.tags = identity.tags;
}

namespace {

// Bytes equal at the start of both ranges, compared a word at a time.
std::size_t CommonPrefix(const std::uint8_t* a, const std::uint8_t* b, std::size_t count) {
    constexpr std::size_t kChunk = 4096;
    std::size_t at = 0;
    // memcmp over large chunks runs at memory speed; the chunk that differs is then walked.
    while (at + kChunk <= count && std::memcmp(a + at, b + at, kChunk) == 0) {
        at += kChunk;
    }
    while (at < count && a[at] == b[at]) {
        ++at;
    }
    return at;
}

// Bytes equal at the end of both ranges.
std::size_t CommonSuffix(const std::uint8_t* aEnd, const std::uint8_t* bEnd, std::size_t count) {
    constexpr std::size_t kChunk = 4096;
    std::size_t at = 0;
    while (at + kChunk <= count &&
           std::memcmp(aEnd - at - kChunk, bEnd - at - kChunk, kChunk) == 0) {
        at += kChunk;
    }
    while (at < count && aEnd[-1 - static_cast<std::ptrdiff_t>(at)] ==
                             bEnd[-1 - static_cast<std::ptrdiff_t>(at)]) {
        ++at;
    }
    return at;
}

} // namespace

StepRange DiffSounds(const std::uint8_t* before, std::int32_t beforeLength,
                     const SoundFormat& beforeFormat, const std::uint8_t* after,
                     std::int32_t afterLength, const SoundFormat& afterFormat) {
    if (!(beforeFormat == afterFormat) || beforeLength <= 0 || afterLength <= 0) {
        return {0, std::max(beforeLength, 0), std::max(afterLength, 0)};
    }
    const auto shorter = static_cast<std::size_t>(std::min(beforeLength, afterLength));
    const std::size_t prefix = CommonPrefix(before, after, shorter);
    const std::size_t suffix =
        CommonSuffix(before + beforeLength, after + afterLength, shorter - prefix);
    return {static_cast<std::int32_t>(prefix),
            static_cast<std::int32_t>(static_cast<std::size_t>(beforeLength) - prefix - suffix),
            static_cast<std::int32_t>(static_cast<std::size_t>(afterLength) - prefix - suffix)};
}

} // namespace wt
