#include "dsp/SpectrogramCache.h"

#include "dsp/Fft.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <deque>
#include <limits>
#include <list>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include <sys/resource.h>
#include <unistd.h>

namespace wt {

namespace {

constexpr int kMinBlockLevel = 2; // blocks of 16 frames and up
constexpr int kMaxLevel = 27;     // 4^27 frames: more than any sound has
// What one kept entry costs beside its levels: the map node, the shared block, the vector.
constexpr std::size_t kEntryOverhead = 128;
constexpr std::size_t kMinBudget = std::size_t{4} << 20;
// A job's samples: large enough that a worker is not woken for every column, small enough that
// both workers have work soon after a picture asks.
constexpr std::size_t kJobInputBytes = std::size_t{1} << 20;
constexpr std::size_t kMaxJobColumns = 256;
// Samples copied but not yet transformed, at most.
constexpr std::size_t kMaxPendingInput = std::size_t{24} << 20;
// A power's float bits shifted right by this index the quantising table: 8 bits of mantissa,
// fine to a fiftieth of a decibel.
constexpr int kPowerShift = 15;
constexpr int kWorkerNice = 5;

std::int64_t BlockSize(int level) {
    return std::int64_t{1} << (2 * level);
}

std::uint64_t BlockKey(int level, std::int64_t index) {
    return (static_cast<std::uint64_t>(level) << 56) | static_cast<std::uint64_t>(index);
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

std::int64_t CeilDiv(std::int64_t a, std::int64_t b) {
    return -FloorDiv(-a, b);
}

// The level of a power relative to full scale, from its float bits: monotonic in the power,
// so the largest level of several powers is the level of the largest.
const std::uint8_t* PowerLevels() {
    static const std::vector<std::uint8_t> table = [] {
        std::vector<std::uint8_t> t(std::size_t{1} << (32 - kPowerShift));
        for (std::size_t j = 0; j < t.size(); ++j) {
            const std::uint32_t bits = static_cast<std::uint32_t>(j) << kPowerShift;
            float v = 0;
            std::memcpy(&v, &bits, sizeof v);
            if (std::isinf(v) && v > 0) {
                t[j] = 255;
            } else if (v > 0 && std::isfinite(v)) {
                t[j] = QuantiseDb(10 * std::log10(static_cast<double>(v)));
            }
        }
        return t;
    }();
    return table.data();
}

struct SpanHash {
    std::size_t operator()(const FrameSpan& s) const {
        return std::hash<std::int64_t>()(s.first * 1000003 + s.end);
    }
};

// A kept entry's key: a block's (BlockKey) or a column's span.
struct EntryKey {
    bool column = false;
    std::uint64_t block = 0;
    FrameSpan span;
};
using UseOrder = std::list<EntryKey>; // the least recently used first

struct Entry {
    std::shared_ptr<const SpectrumLevels> levels;
    UseOrder::iterator place;
};

std::size_t EntryBytes(const SpectrumLevels& levels) {
    return levels.size() + kEntryOverhead;
}

void MaxInto(std::uint8_t* out, const std::uint8_t* in, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = std::max(out[i], in[i]);
    }
}

} // namespace

std::uint8_t QuantiseDb(double db) {
    const double steps = std::floor((db - kLevelFloorDb) * kLevelStepsPerDb + 0.5);
    return static_cast<std::uint8_t>(std::clamp(steps, 0.0, 255.0));
}

// Contiguous analysis frames to transform, with the samples they read.
struct Run {
    std::int64_t first = 0, end = 0;
    std::int64_t inputFirst = 0; // sound frames [inputFirst, inputFirst + inputCount)
    std::int64_t inputCount = 0;
    std::vector<std::uint8_t> input;
};

struct SpectrogramCache::Job {
    std::uint64_t generation = 0;
    SpectrogramShape shape;
    std::vector<FrameSpan> columns;
    std::vector<Run> runs;
    std::size_t inputBytes = 0;
};

struct SpectrogramCache::State {
    mutable std::mutex mutex;
    std::condition_variable work;  // a job was queued, or the workers must stop
    std::condition_variable ended; // a job ended
    bool stop = false;
    SpectrogramShape shape;
    // Renewed by every change of the sound: a job of another generation read older samples.
    std::uint64_t generation = 1;
    std::size_t budget = kDefaultSpectrogramBudget;
    std::size_t levelBytes = 0;
    std::size_t pendingInput = 0; // samples of queued and running jobs
    std::unordered_map<std::uint64_t, Entry> blocks;
    std::unordered_map<FrameSpan, Entry, SpanHash> columns;
    std::unordered_set<FrameSpan, SpanHash> inFlight;
    std::vector<FrameSpan> wanted;
    std::deque<std::unique_ptr<Job>> queue;
    int running = 0;
    UseOrder order;
    std::atomic<bool> finished{false};
    std::atomic<std::uint64_t> framesComputed{0};

    void ClearLevels() {
        blocks.clear();
        columns.clear();
        order.clear();
        levelBytes = 0;
    }

    // Keeps `levels` under `key` unless something is kept there already.
    template <class Map, class Key>
    void Keep(Map& map, const Key& key, EntryKey entryKey,
              std::shared_ptr<const SpectrumLevels> levels) {
        auto [it, added] = map.try_emplace(key);
        if (added) {
            levelBytes += EntryBytes(*levels);
            it->second = {std::move(levels), order.insert(order.end(), entryKey)};
        }
    }

    // The entry was used: it goes last in the order of eviction.
    void Touch(Entry& entry) { order.splice(order.end(), order, entry.place); }

    template <class Map> typename Map::iterator Drop(Map& map, typename Map::iterator it) {
        levelBytes -= EntryBytes(*it->second.levels);
        order.erase(it->second.place);
        return map.erase(it);
    }

    // A new generation: queued jobs read older samples, and nothing is being computed for it.
    void NewGeneration() {
        ++generation;
        for (const auto& job : queue) {
            pendingInput -= job->inputBytes; // running jobs give theirs back when they end
        }
        queue.clear();
        inFlight.clear();
    }

    // Forgets the levels of every span meeting analysis frames [lo, hi).
    void Forget(std::int64_t lo, std::int64_t hi) {
        for (auto it = blocks.begin(); it != blocks.end();) {
            const int level = static_cast<int>(it->first >> 56);
            const std::int64_t index = static_cast<std::int64_t>(it->first & ((1ull << 56) - 1));
            const std::int64_t first = index * BlockSize(level);
            if (first < hi && first + BlockSize(level) > lo) {
                it = Drop(blocks, it);
            } else {
                ++it;
            }
        }
        for (auto it = columns.begin(); it != columns.end();) {
            if (it->first.first < hi && it->first.end > lo) {
                it = Drop(columns, it);
            } else {
                ++it;
            }
        }
    }

    // Drops the least recently used levels until they and the pending samples take at most
    // nine tenths of the budget.
    void Evict() {
        if (levelBytes + pendingInput <= budget) {
            return;
        }
        const std::size_t target =
            budget / 10 * 9 > pendingInput ? budget / 10 * 9 - pendingInput : 0;
        while (levelBytes > target && !order.empty()) {
            const EntryKey& key = order.front();
            if (key.column) {
                Drop(columns, columns.find(key.span));
            } else {
                Drop(blocks, blocks.find(key.block));
            }
        }
    }

    Entry* FindBlock(int level, std::int64_t first) {
        const auto it = blocks.find(BlockKey(level, first / BlockSize(level)));
        return it == blocks.end() ? nullptr : &it->second;
    }
};

namespace {

// The largest block level that starts at `p` and ends (cut at the last analysis frame
// `frames`) within `end`; -1 when not even the smallest does.
int FittingLevel(std::int64_t p, std::int64_t end, std::int64_t frames) {
    int level = -1;
    for (int l = kMinBlockLevel; l <= kMaxLevel; ++l) {
        const std::int64_t size = BlockSize(l);
        if (p % size != 0 || std::min(p + size, frames) > end) {
            break;
        }
        level = l;
        if (p + size >= frames) {
            break;
        }
    }
    return level;
}

// Transforms analysis frames [run.first, run.end) of every channel into `out`
// ((frame - run.first) * channels + channel) * bins.
void TransformRun(const SpectrogramShape& shape, const Run& run, std::uint8_t* out) {
    const int n = shape.fftSize, hop = shape.Hop(), bins = shape.Bins();
    const int channels = shape.channels, align = shape.BlockAlign();
    const std::int32_t* reversal = FftBitReversal(n);
    const std::uint8_t* levels = PowerLevels();
    const std::vector<double> window = SpectrumWindow(n);
    const double full = FullScaleMagnitude(n);
    const double scale = 1 / (full * full);
    // Raw bytes, aligned by hand: a vector of the vector type would drop its alignment.
    std::vector<std::uint8_t> room(static_cast<std::size_t>(n) * sizeof(FftQuad) + kFftQuadAlign);
    void* aligned = room.data();
    std::size_t space = room.size();
    std::align(kFftQuadAlign, static_cast<std::size_t>(n) * sizeof(FftQuad), aligned, space);
    auto* x = static_cast<FftQuad*>(aligned);
    // One channel's samples of the whole run, silence outside the sound included, decoded
    // once: each sample is read by four overlapping frames.
    const std::int64_t from = run.first * hop - n / 2;
    const std::int64_t count = (run.end - run.first + 3) * hop + n;
    std::vector<double> samples(static_cast<std::size_t>(count));
    const int bytes = shape.bits / 8;
    for (int c = 0; c < channels; ++c) {
        std::fill(samples.begin(), samples.end(), 0.0);
        const std::uint8_t* p = run.input.data() + c * bytes;
        double* d = samples.data() + (run.inputFirst - from);
        for (std::int64_t f = 0; f < run.inputCount; ++f, p += align) {
            if (bytes == 2) {
                std::int16_t v;
                std::memcpy(&v, p, 2);
                d[f] = v;
            } else {
                d[f] = (static_cast<int>(*p) - 128) * 256;
            }
        }
        for (std::int64_t i = run.first; i < run.end; i += 4) {
            const int lanes = static_cast<int>(std::min<std::int64_t>(4, run.end - i));
            const double* s0 = samples.data() + (i - run.first) * hop;
            for (int m = 0; m < n; ++m) {
                const double w = window[static_cast<std::size_t>(m)];
                x[reversal[m]] = FftQuad{s0[m], s0[m + hop], s0[m + 2 * hop], s0[m + 3 * hop]} * w;
            }
            RealFftForwardQuadFromReversed(n, x);
            // Powers of all four frames at once; the lanes past the run are not kept.
            std::uint8_t* o[4];
            for (int lane = 0; lane < 4; ++lane) {
                o[lane] = out + ((i + std::min(lane, lanes - 1) - run.first) * channels + c) * bins;
            }
            const auto keep = [&](int k, const FftQuad& power) {
                for (int lane = lanes - 1; lane >= 0; --lane) {
                    const float value = static_cast<float>(power[lane]);
                    std::uint32_t bits = 0;
                    std::memcpy(&bits, &value, sizeof bits);
                    o[lane][k] = levels[bits >> kPowerShift];
                }
            };
            keep(0, x[0] * x[0] * scale);
            keep(n / 2, x[n / 2] * x[n / 2] * scale);
            for (int k = 1; k < n / 2; ++k) {
                const FftQuad re = x[k], im = x[n - k];
                keep(k, (re * re + im * im) * scale);
            }
        }
    }
}

using BlockMap = std::unordered_map<std::uint64_t, std::shared_ptr<SpectrumLevels>>;

// Every block of 16, 64, 256 ... frames that lies wholly inside `run` (cut at the last of the
// `frames` analysis frames), from the run's frame levels `levels` (`width` bytes a frame) and
// the blocks below, into `made`.
void MakeBlocks(const Run& run, const std::uint8_t* levels, std::size_t width, std::int64_t frames,
                BlockMap& made) {
    for (int level = kMinBlockLevel; level <= kMaxLevel; ++level) {
        const std::int64_t size = BlockSize(level);
        bool any = false;
        for (std::int64_t b = CeilDiv(run.first, size); b * size < run.end; ++b) {
            const std::int64_t first = b * size, end = std::min(first + size, frames);
            if (end > run.end) {
                break;
            }
            auto block = std::make_shared<SpectrumLevels>(width, 0);
            if (level == kMinBlockLevel) {
                for (std::int64_t f = first; f < end; ++f) {
                    MaxInto(block->data(), levels + static_cast<std::size_t>(f - run.first) * width,
                            width);
                }
            } else {
                const std::int64_t childSize = BlockSize(level - 1);
                for (std::int64_t c = first; c < end; c += childSize) {
                    MaxInto(block->data(), made.at(BlockKey(level - 1, c / childSize))->data(),
                            width);
                }
            }
            made.emplace(BlockKey(level, b), std::move(block));
            any = true;
        }
        if (!any) {
            return;
        }
    }
}

} // namespace

namespace {

int ThreadCount(int threads) {
    return threads > 0 ? threads
                       : std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 4);
}

} // namespace

SpectrogramCache::SpectrogramCache(int threads)
    : threadCount_(ThreadCount(threads)), state_(std::make_unique<State>()) {}

SpectrogramCache::~SpectrogramCache() {
    StopWorkers();
}

void SpectrogramCache::StopWorkers() {
    {
        const std::lock_guard lock(state_->mutex);
        state_->stop = true;
    }
    state_->work.notify_all();
    for (std::thread& t : workers_) {
        t.join();
    }
    workers_.clear();
    const std::lock_guard lock(state_->mutex);
    state_->stop = false;
}

void SpectrogramCache::SetThreads(int threads) {
    StopWorkers(); // queued jobs stay queued for the new workers
    threadCount_ = ThreadCount(threads);
}

void SpectrogramCache::SetShape(const SpectrogramShape& shape) {
    const std::lock_guard lock(state_->mutex);
    state_->ClearLevels();
    state_->shape = shape;
    state_->NewGeneration();
}

void SpectrogramCache::SoundChanged(const SpectrogramShape& shape, std::int64_t first,
                                    std::int64_t end) {
    const std::lock_guard lock(state_->mutex);
    State& s = *state_;
    const SpectrogramShape& old = s.shape;
    if (shape.fftSize != old.fftSize || shape.channels != old.channels || shape.bits != old.bits) {
        s.ClearLevels();
    } else {
        // Frame i reads sound frames [i * hop - n / 2, i * hop + n / 2).
        const std::int64_t half = shape.fftSize / 2, hop = shape.Hop();
        if (shape.frames != old.frames) {
            end = std::numeric_limits<std::int64_t>::max() / 2;
        }
        const std::int64_t lo = std::max<std::int64_t>(0, FloorDiv(first - half, hop) + 1);
        const std::int64_t hi =
            CeilDiv(std::min(end, std::numeric_limits<std::int64_t>::max() / 4) + half, hop);
        s.Forget(lo, hi);
    }
    s.shape = shape;
    s.NewGeneration();
}

SpectrogramShape SpectrogramCache::Shape() const {
    const std::lock_guard lock(state_->mutex);
    return state_->shape;
}

void SpectrogramCache::SetBudget(std::size_t bytes) {
    const std::lock_guard lock(state_->mutex);
    state_->budget = std::max(bytes, kMinBudget);
    state_->Evict();
}

std::size_t SpectrogramCache::Budget() const {
    const std::lock_guard lock(state_->mutex);
    return state_->budget;
}

std::size_t SpectrogramCache::Bytes() const {
    const std::lock_guard lock(state_->mutex);
    return state_->levelBytes + state_->pendingInput;
}

std::shared_ptr<const SpectrumLevels> SpectrogramCache::Find(FrameSpan span) {
    const std::lock_guard lock(state_->mutex);
    const auto it = state_->columns.find(span);
    if (it == state_->columns.end()) {
        return nullptr;
    }
    state_->Touch(it->second);
    return it->second.levels;
}

void SpectrogramCache::Want(std::vector<FrameSpan> spans) {
    const std::lock_guard lock(state_->mutex);
    state_->wanted = std::move(spans);
}

bool SpectrogramCache::Feed(const Reader& read, std::size_t maxBytes) {
    std::vector<std::unique_ptr<Job>> jobs;
    bool remaining = false;
    {
        const std::lock_guard lock(state_->mutex);
        State& s = *state_;
        const SpectrogramShape shape = s.shape;
        const std::int64_t frames = shape.AnalysisFrames();
        const std::int64_t hop = shape.Hop(), n = shape.fftSize, align = shape.BlockAlign();
        if (frames == 0 || align == 0 || (shape.bits != 8 && shape.bits != 16)) {
            return false;
        }
        const auto inputBytes = [&](std::int64_t first, std::int64_t end) {
            return static_cast<std::size_t>(((end - first - 1) * hop + n) * align);
        };
        std::size_t planned = 0;
        std::unique_ptr<Job> job;
        const auto close = [&] {
            if (job) {
                planned += job->inputBytes;
                jobs.push_back(std::move(job));
            }
        };
        for (const FrameSpan& span : s.wanted) {
            if (span.first < 0 || span.end > frames || span.first >= span.end ||
                s.columns.count(span) != 0 || s.inFlight.count(span) != 0) {
                continue;
            }
            if (planned >= maxBytes ||
                s.pendingInput + planned >= std::min(kMaxPendingInput, s.budget / 4)) {
                remaining = true;
                break;
            }
            if (!job) {
                job = std::make_unique<Job>();
                job->generation = s.generation;
                job->shape = shape;
            }
            // The frames to transform: those of blocks the column needs and nobody kept, and
            // those at its ends that no block covers.
            for (std::int64_t p = span.first; p < span.end;) {
                const int fit = FittingLevel(p, span.end, frames);
                std::int64_t next = p + 1;
                bool kept = false;
                if (fit >= kMinBlockLevel) {
                    next = std::min(p + BlockSize(fit), frames);
                    for (int l = fit; l >= kMinBlockLevel && !kept; --l) {
                        if (s.FindBlock(l, p) != nullptr) {
                            kept = true;
                            next = std::min(p + BlockSize(l), frames);
                        }
                    }
                }
                if (!kept) {
                    if (!job->runs.empty() && p <= job->runs.back().end) {
                        Run& last = job->runs.back();
                        job->inputBytes -= inputBytes(last.first, last.end);
                        last.end = std::max(last.end, next);
                        job->inputBytes += inputBytes(last.first, last.end);
                    } else {
                        Run run;
                        run.first = p;
                        run.end = next;
                        job->runs.push_back(std::move(run));
                        job->inputBytes += inputBytes(p, next);
                    }
                }
                p = next;
            }
            job->columns.push_back(span);
            s.inFlight.insert(span);
            if (job->inputBytes >= kJobInputBytes || job->columns.size() >= kMaxJobColumns) {
                close();
            }
        }
        close();
        for (const auto& j : jobs) {
            s.pendingInput += j->inputBytes;
        }
        // The copies count against the budget as the levels do: make room for them now, not
        // when the next job ends.
        s.Evict();
    }
    // Only the thread that owns the sound feeds and changes it: the copies are made without
    // the lock, and the generation they were planned in still holds when they are queued.
    for (const auto& job : jobs) {
        const SpectrogramShape& shape = job->shape;
        const std::int64_t hop = shape.Hop(), half = shape.fftSize / 2;
        for (Run& run : job->runs) {
            const std::int64_t first = std::max<std::int64_t>(0, run.first * hop - half);
            const std::int64_t end = std::min(shape.frames, (run.end - 1) * hop + half);
            run.inputFirst = first;
            run.inputCount = std::max<std::int64_t>(0, end - first);
            run.input.resize(static_cast<std::size_t>(run.inputCount * shape.BlockAlign()));
            if (run.inputCount > 0) {
                read(first, run.inputCount, run.input.data());
            }
        }
    }
    if (!jobs.empty()) {
        StartWorkers();
        {
            const std::lock_guard lock(state_->mutex);
            for (auto& job : jobs) {
                state_->queue.push_back(std::move(job));
            }
        }
        state_->work.notify_all();
    }
    return remaining;
}

bool SpectrogramCache::TakeFinished() {
    return state_->finished.exchange(false);
}

bool SpectrogramCache::Idle() const {
    const std::lock_guard lock(state_->mutex);
    return state_->queue.empty() && state_->running == 0;
}

bool SpectrogramCache::WaitIdle(int timeoutMs) {
    std::unique_lock lock(state_->mutex);
    return state_->ended.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [&] { return state_->queue.empty() && state_->running == 0; });
}

std::uint64_t SpectrogramCache::FramesComputed() const {
    return state_->framesComputed.load();
}

void SpectrogramCache::StartWorkers() {
    if (workers_.empty()) {
        for (int i = 0; i < threadCount_; ++i) {
            workers_.emplace_back([this] { WorkerLoop(); });
        }
    }
}

void SpectrogramCache::WorkerLoop() {
    // The window's thread goes first when both want a processor: the levels may arrive a
    // little later, the window must answer at once. Failing that, the worker runs as it is.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kWorkerNice);
    State& s = *state_;
    std::unique_lock lock(s.mutex);
    for (;;) {
        s.work.wait(lock, [&] { return s.stop || !s.queue.empty(); });
        if (s.stop) {
            return;
        }
        std::unique_ptr<Job> job = std::move(s.queue.front());
        s.queue.pop_front();
        ++s.running;
        lock.unlock();
        RunJob(*job);
        lock.lock();
        s.pendingInput -= job->inputBytes;
        --s.running;
        s.ended.notify_all();
    }
}

void SpectrogramCache::RunJob(Job& job) {
    State& s = *state_;
    const SpectrogramShape& shape = job.shape;
    const std::int64_t frames = shape.AnalysisFrames();
    const std::size_t width = static_cast<std::size_t>(shape.channels) * shape.Bins();

    // Every frame of every run, then the blocks that lie wholly inside a run.
    std::vector<SpectrumLevels> runLevels(job.runs.size());
    BlockMap made;
    for (std::size_t r = 0; r < job.runs.size(); ++r) {
        Run& run = job.runs[r];
        runLevels[r].resize(static_cast<std::size_t>(run.end - run.first) * width);
        TransformRun(shape, run, runLevels[r].data());
        s.framesComputed += static_cast<std::uint64_t>(run.end - run.first);
        run.input = {};
        MakeBlocks(run, runLevels[r].data(), width, frames, made);
    }

    // Each column from the largest blocks that fit it and the frames at its ends.
    const auto frameLevels = [&](std::int64_t f) -> const std::uint8_t* {
        for (std::size_t r = 0; r < job.runs.size(); ++r) {
            if (f >= job.runs[r].first && f < job.runs[r].end) {
                return runLevels[r].data() +
                       static_cast<std::size_t>(f - job.runs[r].first) * width;
            }
        }
        return nullptr;
    };
    std::vector<std::shared_ptr<const SpectrumLevels>> holds; // kept blocks used below
    std::vector<std::pair<FrameSpan, std::vector<const std::uint8_t*>>> plans;
    {
        const std::lock_guard lock(s.mutex);
        for (const FrameSpan& span : job.columns) {
            std::vector<const std::uint8_t*> pieces;
            bool whole = true;
            for (std::int64_t p = span.first; p < span.end && whole;) {
                const int fit = FittingLevel(p, span.end, frames);
                const std::uint8_t* piece = nullptr;
                for (int l = fit; l >= kMinBlockLevel && !piece; --l) {
                    if (const auto it = made.find(BlockKey(l, p / BlockSize(l)));
                        it != made.end()) {
                        piece = it->second->data();
                    } else if (Entry* kept =
                                   job.generation == s.generation ? s.FindBlock(l, p) : nullptr) {
                        s.Touch(*kept);
                        holds.push_back(kept->levels);
                        piece = kept->levels->data();
                    }
                    if (piece) {
                        p = std::min(p + BlockSize(l), frames);
                    }
                }
                if (!piece && (piece = frameLevels(p)) != nullptr) {
                    ++p;
                }
                whole = piece != nullptr;
                pieces.push_back(piece);
            }
            if (whole) {
                plans.emplace_back(span, std::move(pieces));
            }
        }
    }
    std::vector<std::pair<FrameSpan, std::shared_ptr<const SpectrumLevels>>> results;
    for (const auto& [span, pieces] : plans) {
        auto levels = std::make_shared<SpectrumLevels>(pieces.front(), pieces.front() + width);
        for (std::size_t i = 1; i < pieces.size(); ++i) {
            MaxInto(levels->data(), pieces[i], width);
        }
        results.emplace_back(span, std::move(levels));
    }

    const std::lock_guard lock(s.mutex);
    if (job.generation != s.generation) {
        return; // the sound changed while this ran
    }
    for (auto& [key, levels] : made) {
        s.Keep(s.blocks, key, {false, key, {}}, std::move(levels));
    }
    for (auto& [span, levels] : results) {
        s.Keep(s.columns, span, {true, 0, span}, std::move(levels));
    }
    for (const FrameSpan& span : job.columns) {
        s.inFlight.erase(span);
    }
    s.Evict();
    s.finished = true;
}

} // namespace wt
