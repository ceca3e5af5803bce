#include "model/PeakSummary.h"

#include "model/SoundDocument.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <utility>

namespace wt {

namespace {

// Lowest and highest of `count` interleaved samples of `channels` channels (count a multiple
// of kLanes). Sixteen running lanes let the compiler use vector minimum and maximum; lane k
// holds channel k % channels because 16 is a multiple of 1 and 2.
template <typename Sample>
void LaneMinMax(const std::uint8_t* bytes, std::int64_t count, int channels, Sample* low,
                Sample* high) {
    constexpr int kLanes = 16;
    Sample lo[kLanes], hi[kLanes];
    std::memcpy(lo, bytes, sizeof lo);
    std::memcpy(hi, bytes, sizeof hi);
    for (std::int64_t i = kLanes; i < count; i += kLanes) {
        Sample chunk[kLanes];
        std::memcpy(chunk, bytes + i * static_cast<std::int64_t>(sizeof(Sample)), sizeof chunk);
        for (int k = 0; k < kLanes; ++k) {
            lo[k] = std::min(lo[k], chunk[k]);
            hi[k] = std::max(hi[k], chunk[k]);
        }
    }
    for (int c = 0; c < channels; ++c) {
        low[c] = lo[c];
        high[c] = hi[c];
        for (int k = c + channels; k < kLanes; k += channels) {
            low[c] = std::min(low[c], lo[k]);
            high[c] = std::max(high[c], hi[k]);
        }
    }
}

bool Holds(const SoundDocument& doc) {
    const int channels = doc.format.channels;
    const int bits = doc.format.bitsPerSample;
    return (channels == 1 || channels == 2) && (bits == 8 || bits == 16) &&
           doc.format.blockAlign == channels * bits / 8;
}

} // namespace

void PeakSummary::MarkAllChanged() {
    revision_ = 0;
    bytes_ = -1;
    std::fill(filled_.begin(), filled_.end(), std::uint8_t{0});
}

bool PeakSummary::Describes(const SoundDocument& doc) const {
    return revision_ == doc.sampleData.Revision() && bytes_ == doc.byteLength &&
           channels_ == doc.format.channels && bits_ == doc.format.bitsPerSample &&
           blockAlign_ == doc.format.blockAlign;
}

void PeakSummary::Follow(const SoundDocument& doc) {
    if (Describes(doc)) {
        return;
    }
    revision_ = doc.sampleData.Revision();
    bytes_ = doc.byteLength;
    channels_ = doc.format.channels;
    bits_ = doc.format.bitsPerSample;
    blockAlign_ = doc.format.blockAlign;
    usable_ = false;
    if (!Holds(doc)) {
        return;
    }
    const std::int64_t available =
        std::min<std::int64_t>(doc.byteLength, static_cast<std::int64_t>(doc.sampleData.Size()));
    const std::int64_t blocks = std::max<std::int64_t>(0, available / blockAlign_) / kBlockFrames;
    const auto entries = static_cast<std::size_t>(blocks * channels_);
    try {
        low_.assign(entries, 0);
        high_.assign(entries, 0);
        filled_.assign(static_cast<std::size_t>(blocks), 0);
        usable_ = true;
    } catch (const std::bad_alloc&) {
        // Without the table every query reads the samples: slower, never wrong.
        low_ = {};
        high_ = {};
        filled_ = {};
    }
}

void PeakSummary::Fill(const SoundDocument& doc, std::int64_t block) {
    const std::uint8_t* bytes = doc.Data() + block * kBlockFrames * blockAlign_;
    const std::int64_t count = kBlockFrames * channels_;
    std::int16_t* low = &low_[static_cast<std::size_t>(block * channels_)];
    std::int16_t* high = &high_[static_cast<std::size_t>(block * channels_)];
    if (bits_ == 16) {
        LaneMinMax<std::int16_t>(bytes, count, channels_, low, high);
    } else {
        std::uint8_t lo[2], hi[2];
        LaneMinMax<std::uint8_t>(bytes, count, channels_, lo, hi);
        for (int c = 0; c < channels_; ++c) {
            low[c] = static_cast<std::int16_t>((lo[c] - 128) * 256);
            high[c] = static_cast<std::int16_t>((hi[c] - 128) * 256);
        }
    }
    filled_[static_cast<std::size_t>(block)] = 1;
}

void PeakSummary::Range(const SoundDocument& doc, std::int64_t from, std::int64_t to, int* low,
                        int* high) {
    Follow(doc);
    const int channels = doc.format.channels;
    const std::int64_t blockAlign = doc.format.blockAlign;
    for (int c = 0; c < channels; ++c) {
        low[c] = INT_MAX;
        high[c] = INT_MIN;
    }
    const auto readFrames = [&](std::int64_t first, std::int64_t end) {
        for (std::int64_t f = first; f < end; ++f) {
            const std::uint8_t* frame = doc.Data() + f * blockAlign;
            for (int c = 0; c < channels; ++c) {
                const int v = ReadSample(doc, frame, c);
                low[c] = std::min(low[c], v);
                high[c] = std::max(high[c], v);
            }
        }
    };
    // Blocks [firstBlock, endBlock) lie wholly inside the range.
    const std::int64_t firstBlock = (from + kBlockFrames - 1) / kBlockFrames;
    const std::int64_t endBlock =
        std::min<std::int64_t>(to / kBlockFrames, static_cast<std::int64_t>(filled_.size()));
    if (!usable_ || firstBlock >= endBlock) {
        readFrames(from, to);
        return;
    }
    readFrames(from, firstBlock * kBlockFrames);
    for (std::int64_t b = firstBlock; b < endBlock; ++b) {
        if (!filled_[static_cast<std::size_t>(b)]) {
            Fill(doc, b);
        }
        const std::size_t at = static_cast<std::size_t>(b * channels);
        for (int c = 0; c < channels; ++c) {
            low[c] = std::min<int>(low[c], low_[at + static_cast<std::size_t>(c)]);
            high[c] = std::max<int>(high[c], high_[at + static_cast<std::size_t>(c)]);
        }
    }
    readFrames(endBlock * kBlockFrames, to);
}

void PeakSummary::CopyFor(const SoundDocument& doc, const SampleBlock& copy) {
    const PeakSummary& other = doc.peaks;
    MarkAllChanged();
    if (!other.usable_ || !other.Describes(doc)) {
        return;
    }
    try {
        low_ = other.low_;
        high_ = other.high_;
        filled_ = other.filled_;
    } catch (const std::bad_alloc&) {
        low_ = {};
        high_ = {};
        filled_ = {};
        return;
    }
    revision_ = copy.Revision();
    bytes_ = other.bytes_;
    channels_ = other.channels_;
    bits_ = other.bits_;
    blockAlign_ = other.blockAlign_;
    usable_ = true;
}

void PeakSummary::Swap(PeakSummary& other) noexcept {
    std::swap(*this, other);
}

} // namespace wt
