// An owned, resizable block of sample bytes. Blocks move between the document and the undo
// snapshot by exchanging ownership (Swap), never by copying. Allocation failure is reported
// through the return value, never by an exception, so every caller can keep the sound as it
// was and say "not enough memory".
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace wt {

class SampleBlock {
public:
    SampleBlock() = default;
    ~SampleBlock();
    SampleBlock(const SampleBlock&) = delete;
    SampleBlock& operator=(const SampleBlock&) = delete;
    SampleBlock(SampleBlock&& other) noexcept;
    SampleBlock& operator=(SampleBlock&& other) noexcept;

    // Resizes to `bytes`, keeping the first min(old, new) bytes. On failure the block is
    // unchanged and false is returned.
    bool Resize(std::size_t bytes);
    // Frees the memory; the block becomes empty.
    void Reset();
    void Swap(SampleBlock& other) noexcept;

    // The bytes for writing: the block takes a new revision, as it does on every resize.
    std::uint8_t* Data() {
        revision_ = NextRevision();
        return data_;
    }
    const std::uint8_t* Data() const { return data_; }
    std::size_t Size() const { return size_; }
    // Which bytes the block holds: a number no other block and no earlier state of this one
    // had, taken anew by every access that may write (the mutable Data(), Resize, Reset) and
    // carried along with the bytes by moves and Swap. Something computed from the bytes (the
    // drawing summary) is current while the revision is the one it was computed at. A writer
    // that keeps the pointer across a wait writes without a new revision: it ends with
    // MarkWritten.
    std::uint64_t Revision() const { return revision_; }
    void MarkWritten() { revision_ = NextRevision(); }

    // Makes every allocation above `bytes` fail (0 lifts the limit). Lets tests reach the
    // out-of-memory paths without exhausting the machine.
    static void SetAllocationLimitForTesting(std::size_t bytes);
    // Makes the n-th allocation from now fail, and only that one (0 disarms). Every resize of
    // a block (growing or shrinking) and every TryResize counts as one allocation, so a test
    // can fail each allocation a command makes in turn.
    static void FailNthAllocationForTesting(std::uint64_t n);
    // How many allocations have been asked for since the program started.
    static std::uint64_t AllocationCountForTesting();

private:
    static std::uint64_t NextRevision();

    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::uint64_t revision_ = NextRevision();
};

// Allocates like SampleBlock::Resize (same limit), for work buffers that are not samples of
// the document. Returns false on failure.
bool TryAllocate(SampleBlock& block, std::size_t bytes);

// Resizes a byte vector to `size` bytes under the same limit; false, with the vector
// unchanged, when the memory cannot be had.
bool TryResize(std::vector<std::uint8_t>& bytes, std::size_t size);

} // namespace wt
