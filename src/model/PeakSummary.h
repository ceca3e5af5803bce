// The lowest and highest sample of each channel over blocks of frames, so that a view packing
// tens of thousands of frames into one pixel column reads a few hundred numbers instead of
// every sample.
//
// Blocks are filled when first asked for and forgotten whenever the samples may have changed.
// The summary keeps the revision of the sample block it was filled from (SampleBlock::
// Revision, renewed by every access that may write, resize included), its length and its
// format; a query that finds anything else in the document forgets every block on its own.
// The undo snapshot carries a summary with the samples it describes, and the end of a command
// that wrote through a kept pointer while it let events through renews the revision.
#pragma once

#include "model/SampleBlock.h"

#include <cstdint>
#include <vector>

namespace wt {

struct SoundDocument;

class PeakSummary {
public:
    // Frames per block: small enough that a column of the widest step (1024 frames) is mostly
    // whole blocks, large enough that the summary is under 1 % of the sound.
    static constexpr std::int64_t kBlockFrames = 256;

    // Forgets every block and the samples they came from: the next query reads the frames
    // again.
    void MarkAllChanged();

    // The lowest and highest sample of each channel over frames [from, to) of `doc`, on the
    // signed 16-bit scale, into low[c] and high[c] for every channel c. Whole blocks come from
    // the summary, the frames before the first and after the last whole block from the
    // samples, so the result is exactly that of reading every frame. Requires
    // 0 <= from < to <= the frames wholly inside the data, and 1 or 2 channels of 8 or 16 bits.
    void Range(const SoundDocument& doc, std::int64_t from, std::int64_t to, int* low, int* high);

    // Takes over the blocks `doc`'s summary holds as describing `copy`, a copy of `doc`'s
    // samples (the undo snapshot's block) at its present revision. Starts empty instead when
    // that summary was filled from other samples or there is no memory for the blocks.
    void CopyFor(const SoundDocument& doc, const SampleBlock& copy);
    void Swap(PeakSummary& other) noexcept;

private:
    // Whether the summary was filled from this very revision of the samples, length and format.
    bool Describes(const SoundDocument& doc) const;
    // Forgets everything unless the summary Describes `doc`.
    void Follow(const SoundDocument& doc);
    void Fill(const SoundDocument& doc, std::int64_t block);

    std::uint64_t revision_ = 0; // of the sample block the blocks were filled from; 0: none
    std::int64_t bytes_ = -1;
    int channels_ = 0, bits_ = 0, blockAlign_ = 0;
    bool usable_ = false; // false when the block table could not be had: read the samples
    std::vector<std::int16_t> low_, high_; // [block * channels + channel]
    std::vector<std::uint8_t> filled_;
};

} // namespace wt
