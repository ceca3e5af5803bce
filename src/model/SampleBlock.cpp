#include "model/SampleBlock.h"

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <new>
#include <stdexcept>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>

namespace wt {

namespace {
std::size_t g_allocationLimit = 0;
// Atomic, so that the count stays exact whichever thread asks for memory.
std::atomic<std::uint64_t> g_allocationCount{0};
std::atomic<std::uint64_t> g_failingAllocation{0}; // the count that fails; 0: none
std::atomic<std::uint64_t> g_lastRevision{0};      // 0 is never a block's revision

// Counts one allocation of `bytes` and says whether the test settings let it go ahead.
bool AllocationAllowed(std::size_t bytes) {
    const std::uint64_t count = g_allocationCount.fetch_add(1, std::memory_order_relaxed) + 1;
    std::uint64_t failing = count;
    if (g_failingAllocation.compare_exchange_strong(failing, 0, std::memory_order_relaxed)) {
        return false;
    }
    return g_allocationLimit == 0 || bytes <= g_allocationLimit;
}

// Large blocks are touched page by page when they are first filled; asking for huge pages
// makes that first touch far cheaper on machines where transparent huge pages are opt-in.
// The advice covers every page of the block's memory, up to the end of what the allocator
// gave: advice on only part of a mapping splits it in two, and realloc can then no longer
// grow it by remapping in place but falls back to copying the whole block.
void AdviseHugePages(std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kHuge = std::size_t{2} << 20;
    if (size < 2 * kHuge) {
        return;
    }
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto begin = reinterpret_cast<std::uintptr_t>(data) & ~(page - 1);
    const auto end =
        (reinterpret_cast<std::uintptr_t>(data) + malloc_usable_size(data) + page - 1) &
        ~(page - 1);
    madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}
} // namespace

std::uint64_t SampleBlock::NextRevision() {
    return g_lastRevision.fetch_add(1, std::memory_order_relaxed) + 1;
}

SampleBlock::~SampleBlock() {
    std::free(data_);
}

SampleBlock::SampleBlock(SampleBlock&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      revision_(std::exchange(other.revision_, NextRevision())) {}

SampleBlock& SampleBlock::operator=(SampleBlock&& other) noexcept {
    if (this != &other) {
        std::free(data_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        revision_ = std::exchange(other.revision_, NextRevision());
    }
    return *this;
}

bool SampleBlock::Resize(std::size_t bytes) {
    if (!AllocationAllowed(bytes)) {
        return false;
    }
    // realloc(p, 0) may free; keep at least one byte so the block stays valid.
    const std::size_t request = bytes == 0 ? 1 : bytes;
    void* moved = std::realloc(data_, request);
    if (!moved) {
        return false;
    }
    data_ = static_cast<std::uint8_t*>(moved);
    revision_ = NextRevision();
    if (bytes > size_) {
        AdviseHugePages(data_, bytes);
    }
    size_ = bytes;
    return true;
}

void SampleBlock::Reset() {
    std::free(data_);
    data_ = nullptr;
    size_ = 0;
    revision_ = NextRevision();
}

void SampleBlock::Swap(SampleBlock& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(revision_, other.revision_);
}

void SampleBlock::SetAllocationLimitForTesting(std::size_t bytes) {
    g_allocationLimit = bytes;
}

void SampleBlock::FailNthAllocationForTesting(std::uint64_t n) {
    g_failingAllocation = n == 0 ? 0 : g_allocationCount.load() + n;
}

std::uint64_t SampleBlock::AllocationCountForTesting() {
    return g_allocationCount.load();
}

bool TryAllocate(SampleBlock& block, std::size_t bytes) {
    return block.Resize(bytes);
}

bool TryResize(std::vector<std::uint8_t>& bytes, std::size_t size) {
    if (!AllocationAllowed(size)) {
        return false;
    }
    try {
        bytes.resize(size);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    return true;
}

} // namespace wt
