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
#include <utility>

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
// The time one Feed may spend copying: jobs left then are planned again at the next call, so
// a slow machine feeds less at a time rather than keeping the window from answering.
constexpr auto kFeedCopyTime = std::chrono::milliseconds(4);

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
    std::size_t inputOffset = 0; // where they lie in the job's input
};

// What transforming a run needs beside its samples, kept from run to run.
struct TransformBuffers {
    std::vector<double> window; // the analysis window of the last size used
    std::vector<double> samples;
    std::vector<std::uint8_t> fft; // the transform's vectors, aligned by hand
};

// A worker's buffers, kept from job to job: a worker that allocated and freed them for each
// job would map and unmap memory all the time, and the window's page faults wait for that.
struct SpectrogramCache::Scratch {
    TransformBuffers transform;
    std::vector<std::uint8_t> levels; // every run's frame levels, one after the other
};

using BlockMap = std::unordered_map<std::uint64_t, std::shared_ptr<const SpectrumLevels>>;

// What a worker is handed, and hands back in the same object.
struct SpectrogramCache::Job {
    std::uint64_t generation = 0;
    SpectrogramShape shape;
    std::vector<FrameSpan> columns;
    std::vector<Run> runs;
    std::size_t inputBytes = 0;
    std::vector<std::uint8_t> input; // the runs' samples
    BlockMap kept;                   // the kept blocks the columns are made of beside the runs
    // The results: the blocks made from the runs, and the columns.
    BlockMap made;
    std::vector<std::pair<FrameSpan, std::shared_ptr<const SpectrumLevels>>> results;
};

// The workers share only the queues with the owner (the thread calling the members), under
// `mutex`, and hold it for a push or a pop. Everything else is the owner's alone: a worker
// preempted while it holds the lock must never keep the window waiting.
struct SpectrogramCache::State {
    // Shared with the workers.
    mutable std::mutex mutex;
    std::condition_variable work;  // a job was queued, or the workers must stop
    std::condition_variable ended; // a job ended
    bool stop = false;
    std::deque<std::unique_ptr<Job>> queue;
    std::vector<std::unique_ptr<Job>> done; // ended, their results not yet kept
    int running = 0;
    std::atomic<std::uint64_t> framesComputed{0};

    // The owner's.
    SpectrogramShape shape;
    // Renewed by every change of the sound: a job of another generation read older samples.
    std::uint64_t generation = 1;
    std::size_t budget = kDefaultSpectrogramBudget;
    std::size_t levelBytes = 0;
    std::size_t pendingInput = 0; // samples of the jobs whose results are not yet kept
    // Input buffers of ended jobs, for the next jobs: copying into memory already mapped
    // spares the window's thread the page faults.
    std::vector<std::vector<std::uint8_t>> spare;
    std::size_t spareBytes = 0;
    std::unordered_map<std::uint64_t, Entry> blocks;
    std::unordered_map<FrameSpan, Entry, SpanHash> columns;
    std::unordered_set<FrameSpan, SpanHash> inFlight;
    std::vector<FrameSpan> wanted;
    UseOrder order;
    bool added = false; // levels were kept since the last TakeFinished

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
        std::deque<std::unique_ptr<Job>> stale;
        {
            const std::lock_guard lock(mutex);
            stale.swap(queue);
        }
        for (const auto& job : stale) {
            GiveBackInput(*job); // running jobs give theirs back when kept
        }
        inFlight.clear();
    }

    // Copies the samples the job's runs read into a buffer of its own.
    void CopyInput(Job& job, const Reader& read) {
        const SpectrogramShape& shape = job.shape;
        const std::int64_t hop = shape.Hop(), half = shape.fftSize / 2;
        std::size_t bytes = 0;
        for (Run& run : job.runs) {
            const std::int64_t first = std::max<std::int64_t>(0, run.first * hop - half);
            const std::int64_t end = std::min(shape.frames, (run.end - 1) * hop + half);
            run.inputFirst = first;
            run.inputCount = std::max<std::int64_t>(0, end - first);
            run.inputOffset = bytes;
            bytes += static_cast<std::size_t>(run.inputCount * shape.BlockAlign());
        }
        job.input = InputBuffer(bytes);
        for (const Run& run : job.runs) {
            if (run.inputCount > 0) {
                read(run.inputFirst, run.inputCount, job.input.data() + run.inputOffset);
            }
        }
    }

    // The job's samples are no longer pending: its buffer goes to the spares.
    void GiveBackInput(Job& job) {
        pendingInput -= job.inputBytes;
        Recycle(std::move(job.input));
    }

    // Gives back what planning `job` took, when it is not handed to the workers after all.
    void Unplan(Job& job) {
        GiveBackInput(job);
        for (const FrameSpan& span : job.columns) {
            inFlight.erase(span);
        }
    }

    // Keeps an input buffer for the next job, the spares at most what may be pending.
    void Recycle(std::vector<std::uint8_t> buffer) {
        const std::size_t limit = std::min(kMaxPendingInput, budget / 4);
        if (buffer.capacity() > 0 && spareBytes + buffer.capacity() <= limit) {
            spareBytes += buffer.capacity();
            spare.push_back(std::move(buffer));
        }
    }

    // An input buffer of `bytes`, a spare one when there is.
    std::vector<std::uint8_t> InputBuffer(std::size_t bytes) {
        std::vector<std::uint8_t> buffer;
        if (!spare.empty()) {
            buffer = std::move(spare.back());
            spare.pop_back();
            spareBytes -= buffer.capacity();
        }
        buffer.resize(bytes);
        return buffer;
    }

    // Keeps the results of the jobs that ended, unless the sound changed meanwhile.
    void KeepDone() {
        std::vector<std::unique_ptr<Job>> ended;
        {
            const std::lock_guard lock(mutex);
            if (done.empty()) {
                return;
            }
            ended.swap(done);
        }
        for (const auto& job : ended) {
            GiveBackInput(*job);
            if (job->generation != generation) {
                continue;
            }
            added = true;
            for (auto& [key, levels] : job->made) {
                Keep(blocks, key, {false, key, {}}, std::move(levels));
            }
            for (auto& [span, levels] : job->results) {
                Keep(columns, span, {true, 0, span}, std::move(levels));
            }
            for (const FrameSpan& span : job->columns) {
                inFlight.erase(span);
            }
        }
        Evict();
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
        const std::size_t input = pendingInput + spareBytes;
        if (levelBytes + input <= budget) {
            return;
        }
        const std::size_t target = budget / 10 * 9 > input ? budget / 10 * 9 - input : 0;
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
void TransformRun(const SpectrogramShape& shape, const Run& run, const std::uint8_t* input,
                  TransformBuffers& buffers, std::uint8_t* out) {
    const int n = shape.fftSize, hop = shape.Hop(), bins = shape.Bins();
    const int channels = shape.channels, align = shape.BlockAlign();
    const std::int32_t* reversal = FftBitReversal(n);
    const std::uint8_t* levels = PowerLevels();
    if (buffers.window.size() != static_cast<std::size_t>(n)) {
        buffers.window = SpectrumWindow(n);
    }
    const double* window = buffers.window.data();
    std::vector<double>& samples = buffers.samples;
    std::vector<std::uint8_t>& room = buffers.fft;
    const double full = FullScaleMagnitude(n);
    const double scale = 1 / (full * full);
    // Raw bytes, aligned by hand: a vector of the vector type would drop its alignment.
    room.resize(static_cast<std::size_t>(n) * sizeof(FftQuad) + kFftQuadAlign);
    void* aligned = room.data();
    std::size_t space = room.size();
    std::align(kFftQuadAlign, static_cast<std::size_t>(n) * sizeof(FftQuad), aligned, space);
    auto* x = static_cast<FftQuad*>(aligned);
    // One channel's samples of the whole run, silence outside the sound included, decoded
    // once: each sample is read by four overlapping frames.
    const std::int64_t from = run.first * hop - n / 2;
    const std::int64_t count = (run.end - run.first + 3) * hop + n;
    samples.resize(static_cast<std::size_t>(count));
    const int bytes = shape.bits / 8;
    for (int c = 0; c < channels; ++c) {
        std::fill(samples.begin(), samples.end(), 0.0);
        const std::uint8_t* p = input + run.inputOffset + c * bytes;
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
                const double w = window[m];
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
    state_->ClearLevels();
    state_->shape = shape;
    state_->NewGeneration();
}

void SpectrogramCache::SoundChanged(const SpectrogramShape& shape, std::int64_t first,
                                    std::int64_t end) {
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
    return state_->shape;
}

void SpectrogramCache::SetBudget(std::size_t bytes) {
    state_->budget = std::max(bytes, kMinBudget);
    state_->KeepDone();
    state_->Evict();
}

std::size_t SpectrogramCache::Budget() const {
    return state_->budget;
}

std::size_t SpectrogramCache::Bytes() const {
    return state_->levelBytes + state_->pendingInput + state_->spareBytes;
}

std::shared_ptr<const SpectrumLevels> SpectrogramCache::Find(FrameSpan span) {
    state_->KeepDone();
    const auto it = state_->columns.find(span);
    if (it == state_->columns.end()) {
        return nullptr;
    }
    state_->Touch(it->second);
    return it->second.levels;
}

void SpectrogramCache::Want(std::vector<FrameSpan> spans) {
    state_->wanted = std::move(spans);
}

bool SpectrogramCache::Feed(const Reader& read, std::size_t maxBytes) {
    std::vector<std::unique_ptr<Job>> jobs;
    bool remaining = false;
    {
        State& s = *state_;
        s.KeepDone();
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
                        if (Entry* block = s.FindBlock(l, p)) {
                            kept = true;
                            next = std::min(p + BlockSize(l), frames);
                            s.Touch(*block);
                            job->kept.emplace(BlockKey(l, p / BlockSize(l)), block->levels);
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
        if (jobs.empty() && s.pendingInput == 0) {
            s.spare.clear(); // nothing to feed: the buffers are not wanted for now
            s.spareBytes = 0;
        }
        for (const auto& j : jobs) {
            s.pendingInput += j->inputBytes;
        }
        // The copies count against the budget as the levels do: make room for them now, not
        // when the next job ends.
        s.Evict();
    }
    // Only the thread that owns the sound feeds and changes it: the generation the copies were
    // planned in still holds when they are queued.
    const auto deadline = std::chrono::steady_clock::now() + kFeedCopyTime;
    std::size_t copied = 0;
    for (; copied < jobs.size(); ++copied) {
        if (copied > 0 && std::chrono::steady_clock::now() >= deadline) {
            break;
        }
        state_->CopyInput(*jobs[copied], read);
    }
    for (std::size_t j = copied; j < jobs.size(); ++j) {
        state_->Unplan(*jobs[j]);
        remaining = true;
    }
    jobs.resize(copied);
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
    state_->KeepDone();
    return std::exchange(state_->added, false);
}

bool SpectrogramCache::Idle() const {
    const std::lock_guard lock(state_->mutex);
    return state_->queue.empty() && state_->running == 0 && state_->done.empty();
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
    Scratch scratch;
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
        RunJob(*job, scratch);
        lock.lock();
        s.done.push_back(std::move(job));
        --s.running;
        s.ended.notify_all();
    }
}

void SpectrogramCache::RunJob(Job& job, Scratch& scratch) {
    const SpectrogramShape& shape = job.shape;
    const std::int64_t frames = shape.AnalysisFrames();
    const std::size_t width = static_cast<std::size_t>(shape.channels) * shape.Bins();

    // Every frame of every run, then the blocks that lie wholly inside a run.
    std::vector<std::size_t> runStart(job.runs.size());
    std::size_t total = 0;
    for (std::size_t r = 0; r < job.runs.size(); ++r) {
        runStart[r] = total;
        total += static_cast<std::size_t>(job.runs[r].end - job.runs[r].first) * width;
    }
    scratch.levels.resize(total);
    for (std::size_t r = 0; r < job.runs.size(); ++r) {
        const Run& run = job.runs[r];
        std::uint8_t* levels = scratch.levels.data() + runStart[r];
        TransformRun(shape, run, job.input.data(), scratch.transform, levels);
        state_->framesComputed += static_cast<std::uint64_t>(run.end - run.first);
        MakeBlocks(run, levels, width, frames, job.made);
    }

    // Each column from the largest blocks that fit it, made here or kept when the job was
    // planned, and the frames at its ends.
    const auto frameLevels = [&](std::int64_t f) -> const std::uint8_t* {
        for (std::size_t r = 0; r < job.runs.size(); ++r) {
            if (f >= job.runs[r].first && f < job.runs[r].end) {
                return scratch.levels.data() + runStart[r] +
                       static_cast<std::size_t>(f - job.runs[r].first) * width;
            }
        }
        return nullptr;
    };
    const auto block = [&](int level, std::int64_t p) -> const std::uint8_t* {
        const std::uint64_t key = BlockKey(level, p / BlockSize(level));
        for (const BlockMap* map : {&job.made, &job.kept}) {
            if (const auto it = map->find(key); it != map->end()) {
                return it->second->data();
            }
        }
        return nullptr;
    };
    for (const FrameSpan& span : job.columns) {
        std::shared_ptr<SpectrumLevels> levels;
        for (std::int64_t p = span.first; p < span.end;) {
            const std::uint8_t* piece = nullptr;
            for (int l = FittingLevel(p, span.end, frames); l >= kMinBlockLevel && !piece; --l) {
                if ((piece = block(l, p)) != nullptr) {
                    p = std::min(p + BlockSize(l), frames);
                }
            }
            if (!piece && (piece = frameLevels(p)) != nullptr) {
                ++p;
            }
            if (!piece) {
                levels = nullptr; // not kept: asked for again by the next plan
                break;
            }
            if (!levels) {
                levels = std::make_shared<SpectrumLevels>(piece, piece + width);
            } else {
                MaxInto(levels->data(), piece, width);
            }
        }
        if (levels) {
            job.results.emplace_back(span, std::move(levels));
        }
    }
    job.kept.clear();
}

} // namespace wt
