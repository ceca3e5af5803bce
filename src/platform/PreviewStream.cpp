#include "platform/PreviewStream.h"

#include <algorithm>
#include <cstring>

namespace wt {

// Ownership: every rendering offered sits in `held` (owner side, under the mutex) until it is
// freed; the callback only ever holds plain pointers to some of them. The callback reads at
// most two renderings at a time, the one it fades from and the one it plays, and publishes
// the lowest generation among them in `oldestInUse` (release) once it no longer reads older
// ones. Generations rise with every offer and that published generation never falls (a
// crossfade always leaves one of the renderings read before), so the owner may free every held
// rendering below it: the callback has moved past it for good. A pending rendering the callback
// never took is freed by the offer that replaces it, since the callback takes the pending slot
// only by exchanging it.
struct PreviewStream::State {
    int channels = 1;
    int bytesPerSample = 1;
    int blockAlign = 1;
    bool eightBit = true;
    bool loop = false;
    std::int64_t fadeFrames = 1; // the length of a crossfade

    std::atomic<PreviewRendering*> pending{nullptr};
    std::atomic<std::uint64_t> oldestInUse{0};
    std::atomic<std::int64_t> position{0};
    std::atomic<std::uint64_t> playingGeneration{0};

    // Owner side.
    std::mutex ownerMutex;
    std::vector<std::unique_ptr<PreviewRendering>> held;
    std::uint64_t lastGeneration = 0;

    // Callback side.
    PreviewRendering* current = nullptr;  // what plays (the target of a crossfade)
    PreviewRendering* fadeFrom = nullptr; // what a crossfade leaves; null outside one
    std::int64_t pos = 0;                 // the next frame of `current`
    std::int64_t fromPos = 0;             // the next frame of `fadeFrom`
    std::int64_t faded = 0;               // frames of the crossfade done
    bool ended = false;

    std::int64_t Frames(const PreviewRendering* r) const {
        return static_cast<std::int64_t>(r->bytes.size()) / blockAlign;
    }

    // Sample `i` of frame `frame` of `r` as a signed value; silence past its end.
    int Sample(const PreviewRendering* r, std::int64_t frame, int i) const {
        if (frame >= Frames(r)) {
            return 0;
        }
        const std::uint8_t* p = r->bytes.data() + frame * blockAlign + i * bytesPerSample;
        if (eightBit) {
            return static_cast<int>(*p) - 128;
        }
        std::int16_t v = 0;
        std::memcpy(&v, p, sizeof v);
        return v;
    }

    void Put(std::uint8_t* out, int i, int value) const {
        if (eightBit) {
            out[i] = static_cast<std::uint8_t>(value + 128);
        } else {
            const auto v = static_cast<std::int16_t>(value);
            std::memcpy(out + i * bytesPerSample, &v, sizeof v);
        }
    }

    // Advances a frame index past one frame; a loop wraps at the end without a gap.
    void Step(std::int64_t& frame, const PreviewRendering* r) const {
        ++frame;
        if (loop && frame >= Frames(r)) {
            frame = 0;
        }
    }

    // Takes a newer rendering at the start of a pull, switching at the frame now reached.
    void Take(PreviewRendering* next) {
        if (!current) {
            current = next;
            pos = 0;
        } else {
            // A crossfade already under way restarts from whichever of its two renderings is
            // the louder in the mix now, so the jump is at most half the difference between
            // them; the other one is no longer read.
            if (fadeFrom && faded * 2 < fadeFrames) {
                current = fadeFrom;
                pos = fromPos;
            }
            fadeFrom = current;
            fromPos = pos;
            const std::int64_t frames = Frames(next);
            current = next;
            pos = frames > 0 ? pos % frames : 0;
            faded = 0;
        }
        playingGeneration.store(current->generation, std::memory_order_relaxed);
        oldestInUse.store(fadeFrom ? fadeFrom->generation : current->generation,
                          std::memory_order_release);
    }

    // One frame of the crossfade into `out`; the new rendering's weight rises linearly and
    // reaches its whole on the last frame of the fade.
    void FadeFrame(std::uint8_t* out) {
        const std::int64_t weight = faded + 1;
        for (int i = 0; i < channels; ++i) {
            const int from = Sample(fadeFrom, fromPos, i);
            const int to = Sample(current, pos, i);
            Put(out, i, from + static_cast<int>((to - from) * weight / fadeFrames));
        }
        Step(fromPos, fadeFrom);
        Step(pos, current);
        if (++faded == fadeFrames) {
            fadeFrom = nullptr;
            oldestInUse.store(current->generation, std::memory_order_release);
        }
    }
};

PreviewStream::PreviewStream(const WaveFormat& format, bool loop)
    : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.channels = std::max(1, format.channels);
    s.eightBit = format.bitsPerSample == 8;
    s.bytesPerSample = s.eightBit ? 1 : 2;
    s.blockAlign = s.channels * s.bytesPerSample;
    s.loop = loop;
    s.fadeFrames =
        std::max<std::int64_t>(1, static_cast<std::int64_t>(format.sampleRate) * kFadeMs / 1000);
}

// The callback no longer runs: every rendering, pending or read, is in `held`.
PreviewStream::~PreviewStream() = default;

void PreviewStream::Offer(std::unique_ptr<PreviewRendering> rendering) {
    if (!rendering) {
        return;
    }
    State& s = *state_;
    const std::lock_guard<std::mutex> lock(s.ownerMutex);
    // A generation the caller chose is kept when it is above the last one offered.
    rendering->generation = std::max(rendering->generation, s.lastGeneration + 1);
    s.lastGeneration = rendering->generation;
    PreviewRendering* next = rendering.get();
    s.held.push_back(std::move(rendering));
    if (PreviewRendering* untaken = s.pending.exchange(next, std::memory_order_acq_rel)) {
        std::erase_if(s.held, [untaken](const auto& r) { return r.get() == untaken; });
    }
}

void PreviewStream::Collect() {
    State& s = *state_;
    const std::lock_guard<std::mutex> lock(s.ownerMutex);
    const std::uint64_t oldest = s.oldestInUse.load(std::memory_order_acquire);
    std::erase_if(s.held, [oldest](const auto& r) { return r->generation < oldest; });
}

std::size_t PreviewStream::Held() const {
    const std::lock_guard<std::mutex> lock(state_->ownerMutex);
    return state_->held.size();
}

std::int64_t PreviewStream::Position() const {
    return state_->position.load(std::memory_order_relaxed);
}

std::uint64_t PreviewStream::PlayingGeneration() const {
    return state_->playingGeneration.load(std::memory_order_relaxed);
}

std::int64_t PreviewStream::Pull(std::uint8_t* out, std::int64_t count) {
    State& s = *state_;
    if (s.ended) {
        return 0;
    }
    if (PreviewRendering* next = s.pending.exchange(nullptr, std::memory_order_acq_rel)) {
        s.Take(next);
    }
    const auto align = static_cast<std::size_t>(s.blockAlign);
    const std::uint8_t silence = s.eightBit ? 128 : 0;
    std::int64_t done = 0;
    while (done < count) {
        std::uint8_t* to = out + static_cast<std::size_t>(done) * align;
        const std::int64_t frames = s.current ? s.Frames(s.current) : 0;
        if (s.current && !s.loop && s.pos >= frames) {
            s.ended = true; // the end of the rendering without a loop: the stream ends
            break;
        }
        if (!s.current || (frames == 0 && !s.fadeFrom)) {
            // Before the first offer, or an empty rendering in a loop: silence.
            std::memset(to, silence, static_cast<std::size_t>(count - done) * align);
            done = count;
        } else if (s.fadeFrom) {
            s.FadeFrame(to);
            ++done;
        } else {
            const std::int64_t chunk = std::min(count - done, frames - s.pos);
            std::memcpy(to, s.current->bytes.data() + static_cast<std::size_t>(s.pos) * align,
                        static_cast<std::size_t>(chunk) * align);
            done += chunk;
            s.pos += chunk;
            if (s.loop && s.pos == frames) {
                s.pos = 0;
            }
        }
    }
    s.position.store(s.pos, std::memory_order_relaxed);
    return done;
}

} // namespace wt
