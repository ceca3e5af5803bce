// Reading a block of PCM frames out to a sound device in pieces of any size, in place: once
// through, then silence; or round and round in a loop, sample-exactly, without a gap or a
// repeated frame. It never allocates, locks or blocks, so an audio callback may use it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace wt {

struct BlockCursor {
    const std::uint8_t* data = nullptr;
    std::int64_t frames = 0; // frames in the block
    int blockAlign = 1;      // bytes per frame
    bool loop = false;
    std::uint8_t silence = 0; // the byte value of silence (128 for 8-bit samples)
    std::int64_t next = 0;    // the next frame of the block to hand out

    // Fills `count` frames at `out`. Returns how many of them came from the block; the rest
    // (only once the block has been handed out, never in a loop) is silence.
    std::int64_t Render(std::uint8_t* out, std::int64_t count) {
        const std::size_t align = static_cast<std::size_t>(blockAlign);
        std::int64_t done = 0;
        while (done < count && next < frames) {
            const std::int64_t chunk = std::min(count - done, frames - next);
            std::memcpy(out + static_cast<std::size_t>(done) * align,
                        data + static_cast<std::size_t>(next) * align,
                        static_cast<std::size_t>(chunk) * align);
            done += chunk;
            next += chunk;
            if (loop && next == frames) {
                next = 0;
            }
        }
        if (done < count) {
            std::memset(out + static_cast<std::size_t>(done) * align, silence,
                        static_cast<std::size_t>(count - done) * align);
        }
        return done;
    }

    bool Finished() const { return !loop && next >= frames; }
};

} // namespace wt
