// The pieces the edit history and the journal share: the state a step leaves the document in
// besides its samples, and the immutable byte blocks that several owners (a step, the journal
// writer, the disk spill) may hold at once.
#pragma once

#include "model/SampleBlock.h"
#include "model/SoundDocument.h"
#include "model/SoundTags.h"

#include <cstdint>
#include <memory>
#include <string>

namespace wt {

// A block of sample bytes that nobody writes any more once it is shared: a step's held bytes,
// a journal record's payload. `bytes` counts the valid bytes (the block may be larger).
struct SharedBytes {
    std::shared_ptr<const SampleBlock> block;
    std::size_t bytes = 0;

    const std::uint8_t* Data() const { return block ? block->Data() : nullptr; }
};

// Copies `count` bytes from `from` into a new shared block, followed by `spare` zero bytes (a
// block that may become the document's keeps 16); an empty block when the memory cannot be
// had (check `block`).
SharedBytes CopyShared(const std::uint8_t* from, std::size_t count, std::size_t spare = 0);
// Takes the block over without copying (the caller's block becomes empty).
SharedBytes AdoptShared(SampleBlock&& block, std::size_t bytes);

// Where the selection, cursor and anchor were.
struct StepPositions {
    std::int32_t selStart = 0, selEnd = 0, cursor = 0, anchor = 0;
    friend bool operator==(const StepPositions&, const StepPositions&) = default;
};

// Which file a sound belongs to: what Open, New and a recording change, and what a save
// renames.
struct StepIdentity {
    std::string title;
    int fileType = 0;
    bool imported = false;
    std::string sourceFormat;
    SoundTags tags;
    friend bool operator==(const StepIdentity&, const StepIdentity&) = default;
};

// The state a step leaves the document in, apart from the sample bytes.
struct StepState {
    SoundFormat format;
    std::int32_t length = 0; // bytes of samples
    StepPositions positions;
    StepIdentity identity;
    bool modified = true; // false for the state the file on disk holds (opened or saved)
};

StepPositions PositionsOf(const SoundDocument& doc);
StepIdentity IdentityOf(const SoundDocument& doc);
StepState StateOf(const SoundDocument& doc);
void ApplyPositions(SoundDocument& doc, const StepPositions& positions);
void ApplyIdentity(SoundDocument& doc, const StepIdentity& identity);

// What a step changed, as bytes: the first `prefix` bytes and the last bytes after the middle
// are the same before and after; the middle was `oldLength` bytes and became `newLength`.
struct StepRange {
    std::int32_t prefix = 0;
    std::int32_t oldLength = 0;
    std::int32_t newLength = 0;
};

// The smallest range in which `before` and `after` differ: the longest common prefix, then
// the longest common suffix of what is left (never overlapping the prefix). Two sounds of
// different formats differ as a whole.
StepRange DiffSounds(const std::uint8_t* before, std::int32_t beforeLength,
                     const SoundFormat& beforeFormat, const std::uint8_t* after,
                     std::int32_t afterLength, const SoundFormat& afterFormat);

} // namespace wt
