// The selection as the processing loops of the dynamics, delay and modulation effects walk it:
// whole frames from selStart, and reads anywhere in the sound that yield 0 outside it.
#pragma once

#include "model/SoundDocument.h"

#include <cstdint>

namespace wt {

struct FrameRange {
    std::uint8_t* data;       // the sample block
    std::int64_t dataLength;  // byteLength: reads outside [0, dataLength) give 0
    std::int64_t startOffset; // selStart, bytes
    std::int64_t bytes;       // selEnd - selStart: the progress total
    std::int64_t frames;      // whole frames in the selection
    int step;                 // blockAlign
    int channels;

    explicit FrameRange(SoundDocument& doc)
        : data(doc.Data()), dataLength(doc.byteLength), startOffset(doc.selStart),
          bytes(doc.selEnd - doc.selStart), frames(0), step(doc.format.blockAlign),
          channels(doc.format.channels) {
        if (step > 0 && bytes > 0) {
            frames = bytes / step;
        } else {
            step = step > 0 ? step : 1;
        }
    }

    // Frame k of the selection (0 <= k < frames).
    std::uint8_t* Frame(std::int64_t k) const { return data + startOffset + k * step; }
    // Bytes of the selection before frame k: the progress of a pass.
    std::int64_t Done(std::int64_t k) const { return k * step; }

    // As ReadSampleBounded over the whole sound: channel `channel` of the frame that starts
    // `offset` bytes into the sample block, or 0 when that frame lies outside the data.
    template <class Ops> int ReadBounded(const Ops& ops, std::int64_t offset, int channel) const {
        if (offset < 0 || offset >= dataLength) {
            return 0;
        }
        return ops.Read(data + offset, channel);
    }
};

} // namespace wt
