// The spectrogram's levels, computed on worker threads and kept within a memory budget.
//
// What is kept is the level of every bin of every channel over a span of analysis frames (the
// largest over the span), quantised to half decibels: blocks of 4^L frames aligned to their
// size (L >= 2) as a pyramid, and the spans the picture's columns asked for. A column over
// many frames is put together from the largest blocks that fit it and the few frames at its
// ends, so zooming after the first picture needs only those few frames again.
//
// The workers never read the sound: the thread that owns it copies the samples a job needs
// (Feed, a few megabytes at a time) and the workers transform the copies. A change of the
// sound forgets only the levels whose frames read the samples that changed (SoundChanged),
// and a job begun before it is thrown away when it ends.
//
// Every member is called from that one thread. It alone reads and changes what is kept; the
// workers only take jobs from a queue and hand them back with their results, which the next
// member called keeps. So the window never waits for a worker.
#pragma once

#include "dsp/Spectrogram.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace wt {

// The levels of one span: channel c's bin k at [c * bins + k]. Level q is q / 2 - 120 dB of
// full scale; 0 is the floor.
using SpectrumLevels = std::vector<std::uint8_t>;
inline constexpr double kLevelStepsPerDb = 2.0;
inline constexpr int kLevelFloorDb = -120;
// The level of `db` decibels as the cache quantises it.
std::uint8_t QuantiseDb(double db);
inline double LevelDb(std::uint8_t level) {
    return level / kLevelStepsPerDb + kLevelFloorDb;
}

// The sound the levels describe.
struct SpectrogramShape {
    int fftSize = kDefaultSpectrumSize;
    int channels = 0;
    int bits = 0;            // 8: unsigned bytes, 16: signed little-endian
    std::int64_t frames = 0; // sound frames
    friend bool operator==(const SpectrogramShape&, const SpectrogramShape&) = default;

    int Bins() const { return fftSize / 2 + 1; }
    int Hop() const { return fftSize / 4; }
    int BlockAlign() const { return channels * bits / 8; }
    std::int64_t AnalysisFrames() const { return SpectrumFrameCount(frames, fftSize); }
};

// Analysis frames [first, end).
struct FrameSpan {
    std::int64_t first = 0, end = 0;
    friend bool operator==(const FrameSpan&, const FrameSpan&) = default;
};

inline constexpr std::size_t kDefaultSpectrogramBudget = std::size_t{128} << 20;

class SpectrogramCache {
public:
    // Copies sound frames [first, first + count), all inside the sound, to `out`.
    using Reader = std::function<void(std::int64_t first, std::int64_t count, std::uint8_t* out)>;

    // `threads` workers (0: one per processor, at most four), started by the first job.
    explicit SpectrogramCache(int threads = 0);
    ~SpectrogramCache();
    SpectrogramCache(const SpectrogramCache&) = delete;
    SpectrogramCache& operator=(const SpectrogramCache&) = delete;

    // The sound is now `shape`, and of it sound frames [first, end) changed (end past the sound
    // when its length changed from `first` on). Another analysis size, channel count or depth
    // forgets everything, as does SetShape.
    void SoundChanged(const SpectrogramShape& shape, std::int64_t first, std::int64_t end);
    void SetShape(const SpectrogramShape& shape);
    SpectrogramShape Shape() const;

    // The number of workers from the next job on (0: one per processor, at most four).
    void SetThreads(int threads);

    // The levels and the copies waiting for a worker are kept under `bytes` (at least 4 MiB);
    // the least recently used levels go first.
    void SetBudget(std::size_t bytes);
    std::size_t Budget() const;
    std::size_t Bytes() const;

    // The levels of `span`, or null when they are not ready. Marks them used.
    std::shared_ptr<const SpectrumLevels> Find(FrameSpan span);
    // The spans to compute, the most wanted first; replaces the earlier wishes.
    void Want(std::vector<FrameSpan> spans);
    // Hands the workers jobs for wanted spans, copying their samples through `read` (about
    // `maxBytes` at most). True while wanted spans are neither ready nor being computed.
    bool Feed(const Reader& read, std::size_t maxBytes);
    // Whether levels were added since the last call.
    bool TakeFinished();
    // True when no job is queued or running, and every ended job's results are kept.
    bool Idle() const;
    // Waits until no job is queued or running (their results are kept at the next call);
    // false when `timeoutMs` passed first.
    bool WaitIdle(int timeoutMs);
    // Analysis frames transformed so far (each channel counted once per frame).
    std::uint64_t FramesComputed() const;

private:
    struct Job;
    struct State;
    struct Scratch;
    void WorkerLoop();
    void RunJob(Job& job, Scratch& scratch);
    void StartWorkers();
    void StopWorkers();

    int threadCount_;
    std::unique_ptr<State> state_;
    std::vector<std::thread> workers_;
};

} // namespace wt
