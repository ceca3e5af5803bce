// The sound of an effect's preview as a playback device pulls it: the latest rendering,
// looped or once, switched for a newer one at the frame now playing with a short crossfade so
// that a changed value is heard at once and without a click. Outside a crossfade every frame
// is the rendering's bytes unchanged.
//
// Two sides: the owner (one thread at a time: the window or the preview's worker) offers
// renderings and frees what the audio callback no longer reads; the callback pulls frames
// without allocating, locking or waiting.
#pragma once

#include "platform/FrameSource.h"
#include "platform/WaveDevices.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace wt {

// One rendering: whole frames in the stream's format. Generations rise with every offer.
struct PreviewRendering {
    std::vector<std::uint8_t> bytes;
    std::uint64_t generation = 0;
};

class PreviewStream : public FrameSource {
public:
    // The longest crossfade between two renderings.
    static constexpr int kFadeMs = 5;

    // `format`: 8-bit unsigned or 16-bit signed PCM. With `loop` the rendering repeats
    // without a gap; without it the stream ends after its last frame.
    PreviewStream(const WaveFormat& format, bool loop);
    ~PreviewStream() override;
    PreviewStream(const PreviewStream&) = delete;
    PreviewStream& operator=(const PreviewStream&) = delete;

    // Owner side. Hands a newer rendering over: the callback switches to it at the frame it
    // has reached, crossfading from the old one. An offer the callback has not yet taken is
    // replaced. Until the first offer the stream plays silence, and the first rendering starts
    // at its first frame without a fade. A rendering whose generation is not above the last
    // one offered gets the next one. A newer rendering taken during a crossfade starts a new
    // crossfade from whichever of the two is the louder in the mix at that frame.
    void Offer(std::unique_ptr<PreviewRendering> rendering);
    // Owner side. Frees the renderings the callback no longer reads.
    void Collect();
    // Owner side. The renderings not yet freed: the pending one, those the callback reads and
    // those it moved past since the last Collect.
    std::size_t Held() const;

    // The frame of its rendering the callback reached last, and that rendering's generation
    // (0 before the first offer was taken). Any thread.
    std::int64_t Position() const;
    std::uint64_t PlayingGeneration() const;

    // FrameSource: the audio callback.
    std::int64_t Pull(std::uint8_t* out, std::int64_t count) override;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace wt
