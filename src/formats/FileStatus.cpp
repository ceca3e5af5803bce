#include "formats/FileStatus.h"

#include "model/SoundDocument.h"

#include <cstring>

namespace wt {

namespace {

constexpr std::size_t kSpareBytes = 16;

} // namespace

bool AllocateSoundBlock(FileStatus& status, SampleBlock& block, std::uint64_t bytes) {
    if (bytes > kMaxSoundBytes) {
        status.Refuse(FileNoteCode::TooLarge);
        return false;
    }
    const std::size_t size = static_cast<std::size_t>(bytes);
    if (!block.Resize(size + kSpareBytes)) {
        status.Refuse(FileNoteCode::OutOfMemory);
        return false;
    }
    std::memset(block.Data() + size, 0, kSpareBytes);
    return true;
}

} // namespace wt
