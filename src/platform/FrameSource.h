// Sound made while it plays: frames a playback device's audio callback pulls instead of
// reading a block written beforehand (the preview of an effect, whose rendering changes while
// it is heard).
#pragma once

#include <cstdint>

namespace wt {

class FrameSource {
public:
    virtual ~FrameSource() = default;
    // Fills up to `count` frames at `out` and returns how many it wrote. Fewer than `count`
    // means the sound has ended: the device plays out what it has and reports done. Called
    // from the audio callback: must not allocate, lock or block.
    virtual std::int64_t Pull(std::uint8_t* out, std::int64_t count) = 0;
};

} // namespace wt
