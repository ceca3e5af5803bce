// The work of a playback device's audio callback, apart from the sound library: hands out the
// block in place (once, or looped without a gap) or the frames a source makes while it plays,
// keeps handing out silence after the last frame until that frame has been heard, and records
// when each buffer is heard so that another thread can tell which frame is sounding now.
// Render never allocates, locks or blocks; the other thread only reads atomics.
#pragma once

#include "platform/BlockCursor.h"
#include "platform/FrameSource.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace wt {

class PlaybackRenderer {
public:
    // Before the callback runs: the block (frames of blockAlign bytes), the rate, and how
    // much longer than the device's stated delay a sound server may hold frames back.
    void Start(const std::uint8_t* data, std::int64_t frames, int blockAlign, bool loop,
               std::uint8_t silence, double rate, double holdBack) {
        cursor_ = {data, frames, blockAlign, loop, silence, 0};
        source_ = nullptr;
        Restart(rate, holdBack);
    }
    // The same for frames pulled from `source` until it hands out fewer than asked for.
    void Start(FrameSource& source, int blockAlign, std::uint8_t silence, double rate,
               double holdBack) {
        cursor_ = {nullptr, 0, blockAlign, false, silence, 0};
        source_ = &source;
        sourceEnded_ = false;
        Restart(rate, holdBack);
    }

    // Fills `count` frames at `out`. `now` is the stream time, `heardAt` the stream time at
    // which the buffer's first frame will be heard. Returns false once every frame of the
    // block has been heard (never in a loop): the stream may then end.
    bool Render(std::uint8_t* out, std::int64_t count, double now, double heardAt) {
        const std::int64_t before = handed_.load(std::memory_order_relaxed);
        Publish(before, heardAt);
        const std::int64_t fromBlock = source_ ? Pull(out, count) : cursor_.Render(out, count);
        handed_.store(before + fromBlock, std::memory_order_release);
        if (cursor_.loop) {
            return true;
        }
        if (!allHanded_ && (source_ ? sourceEnded_ : cursor_.Finished())) {
            allHanded_ = true;
            endsAt_ = heardAt + static_cast<double>(fromBlock) / rate_ + holdBack_;
        }
        return !(allHanded_ && now >= endsAt_);
    }

    // Frames of the block or the source handed out so far, every repeat of a loop counted.
    std::int64_t Handed() const { return handed_.load(std::memory_order_acquire); }

    // The frame sounding at stream time `now`: counted from the last buffer's timing, never
    // beyond what was handed out. 0 before the first buffer.
    std::int64_t Heard(double now) const {
        std::int64_t frames = 0;
        double heardAt = 0;
        const std::int64_t handed = Handed();
        if (!Read(frames, heardAt)) {
            return 0;
        }
        const auto heard = frames + static_cast<std::int64_t>(std::floor((now - heardAt) * rate_));
        return std::clamp<std::int64_t>(heard, 0, handed);
    }

private:
    void Restart(double rate, double holdBack) {
        rate_ = rate;
        holdBack_ = holdBack;
        allHanded_ = false;
        endsAt_ = 0;
        handed_.store(0, std::memory_order_relaxed);
        sequence_.store(0, std::memory_order_relaxed);
    }

    // Pulls up to `count` frames from the source and fills the rest with silence. Once the
    // source hands out fewer than asked for it has ended and is not asked again.
    std::int64_t Pull(std::uint8_t* out, std::int64_t count) {
        const std::int64_t pulled =
            sourceEnded_ ? 0 : std::clamp<std::int64_t>(source_->Pull(out, count), 0, count);
        if (pulled < count) {
            sourceEnded_ = true;
            const auto align = static_cast<std::size_t>(cursor_.blockAlign);
            std::memset(out + static_cast<std::size_t>(pulled) * align, cursor_.silence,
                        static_cast<std::size_t>(count - pulled) * align);
        }
        return pulled;
    }

    // A sequence lock written by Render only: the frames handed before the current buffer
    // and the time its first frame is heard. An odd sequence means a write is under way.
    void Publish(std::int64_t frames, double heardAt) {
        const std::uint32_t s = sequence_.load(std::memory_order_relaxed);
        sequence_.store(s + 1, std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_release);
        publishedFrames_.store(frames, std::memory_order_relaxed);
        publishedTime_.store(heardAt, std::memory_order_relaxed);
        sequence_.store(s + 2, std::memory_order_release);
    }
    bool Read(std::int64_t& frames, double& heardAt) const {
        for (;;) {
            const std::uint32_t s1 = sequence_.load(std::memory_order_acquire);
            if (s1 == 0) {
                return false;
            }
            if (s1 & 1u) {
                continue; // the writer is between its stores; it never waits
            }
            frames = publishedFrames_.load(std::memory_order_relaxed);
            heardAt = publishedTime_.load(std::memory_order_relaxed);
            std::atomic_thread_fence(std::memory_order_acquire);
            if (sequence_.load(std::memory_order_relaxed) == s1) {
                return true;
            }
        }
    }

    BlockCursor cursor_;            // the block, or the frame size and silence of a source
    FrameSource* source_ = nullptr; // what frames are pulled from instead of a block
    bool sourceEnded_ = false;      // Render only
    double rate_ = 1;
    double holdBack_ = 0;
    bool allHanded_ = false; // Render only
    double endsAt_ = 0;      // Render only
    std::atomic<std::int64_t> handed_{0};
    std::atomic<std::uint32_t> sequence_{0};
    std::atomic<std::int64_t> publishedFrames_{0};
    std::atomic<double> publishedTime_{0.0};
};

} // namespace wt
