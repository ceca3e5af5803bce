// The two sample-domain kernels of pitch change, time stretch and transpose:
// - ResampleLinear reads a source at a fixed rate step with linear interpolation, as a tape
//   played faster or slower: pitch and duration change together;
// - StretchTime rebuilds a source at another duration with its pitch kept, by copying
//   overlapping segments and splicing each where it best matches what is already written (a
//   synchronised overlap-add), with a short linear cross-fade at each splice. FindSpliceOffset
//   chooses the splice point.
// Samples are read and written one channel value at a time on the signed 16-bit scale, as the
// document's ReadSampleBounded and WriteSample do (no clipping).
#pragma once

#include <cstdint>

namespace wt {

class Progress;
struct SoundDocument;

// How the frames of a block are laid out: the document's format.
struct SampleLayout {
    int bits = 16;          // 8 (unsigned) or 16 (signed); other depths read 0, write nothing
    int bytesPerSample = 2; // bytes of one channel's sample inside a frame
    int blockAlign = 2;     // bytes per frame
    int channels = 1;

    static SampleLayout Of(const SoundDocument& doc);
};

// A block of frames: a start address and a length in bytes. A frame whose first byte lies
// outside [start, start + bytes) reads as 0. A length that is not a whole number of frames ends
// in a partial frame, which is read and written whole: the block must have room for it.
struct SampleRegion {
    std::uint8_t* start = nullptr;
    std::int64_t bytes = 0;

    // The frames whose first byte lies inside the region, a partial last frame included.
    std::int64_t Frames(int blockAlign) const {
        return bytes > 0 && blockAlign > 0 ? (bytes + blockAlign - 1) / blockAlign : 0;
    }
};

// Fills every frame of `destination` from `source` read `step` hundredths of a source frame
// apart: destination frame n takes source position q = n * step (hundredths), a = frame
// q / 100, b = the frame after it, and writes a + (b - a) * (q % 100) / 100 (integer,
// truncating). Source frames past the end read 0. After each frame it reports progress as
// progressFrom + (progressTo - progressFrom) * bytes written / destination bytes, out of 100.
// The position is kept in 64 bits, so any selection the document can hold is read whole.
void ResampleLinear(const SoundDocument& doc, Progress& progress, const char* label,
                    int progressFrom, int progressTo, std::int64_t step, SampleRegion source,
                    SampleRegion destination);

// Fills `destination` from `source` at the ratio of their lengths without changing the pitch.
// Segments of S = sample rate / 30 frames (at least 1) start S frames apart in the
// destination and S * source bytes / destination bytes frames apart in the source; each is
// copied W = S / 4 frames longer, from its splice offset on, and its first h = W / 2 frames
// cross-fade from what is already there: ((h - j) * old + j * new) * 2 / W. The first W frames
// of the destination start as silence, so the first segment fades in. S follows the
// document's sample rate. Progress is reported after each segment, as in ResampleLinear, with
// the bytes up to the next segment's start as the bytes written.
void StretchTime(const SoundDocument& doc, Progress& progress, const char* label, int progressFrom,
                 int progressTo, SampleRegion source, SampleRegion destination);

// Transposes without changing the duration: `source` resampled at `step` as ResampleLinear
// does, into a sound of `shiftedBytes`, then stretched into `destination` as StretchTime
// does. The resampled sound is never held whole: it is made in `window` a part at a time, just
// ahead of the stretch that reads it, so the work buffer stays small beside a long sound and
// the result is the same for any window of at least TransposeWindowBytes' minimum. Progress
// runs 0..100: the resampled part made so far counts for the first half and the destination
// written for the second; when the window holds the whole resampled sound the reports are
// those of the resample (0..50) followed by the stretch (50..100).
void TransposeTime(const SoundDocument& doc, Progress& progress, const char* label,
                   std::int64_t step, SampleRegion source, std::int64_t shiftedBytes,
                   SampleRegion destination, SampleRegion window);

// The window TransposeTime is given for a resampled sound of `shiftedBytes`: the whole of it
// (a partial last frame as a whole frame) when that is small, else a few megabytes, never
// less than one segment of the stretch (S + W frames).
std::int64_t TransposeWindowBytes(const SampleLayout& layout, std::uint32_t sampleRate,
                                  std::int64_t shiftedBytes);

// The splice offset in frames, 0 .. W / 2 - 1: the candidate i at which the h = W / 2 frames
// of `output` from outputFrame + i differ least from the h frames of `source` from
// sourceFrame, by the sum over channels and frames of the squared differences. The sum starts
// from h * 65535 * 65535; the earliest of equal minima wins, and 0 when no candidate is below
// the start. Frames outside either region read 0.
int FindSpliceOffset(const SampleLayout& layout, SampleRegion output, std::int64_t outputFrame,
                     SampleRegion source, std::int64_t sourceFrame, int overlapFrames);

// Whether StretchTime can rebuild `sourceFrames` frames as `destinationFrames` frames of
// `channels` channels at `sampleRate` in time that grows with the sound, not with the rate.
// Each segment's splice search compares h = W / 2 frames for each of h candidates, cut to the
// frames the sound holds: at the rates in use h is a few thousand frames at most, but a file
// may claim any rate, and at hundreds of megahertz h runs into millions, so that one segment
// of a long sound would take hours. False when both the window and the sound are longer than
// kMaxSpliceValues values (frames times channels).
inline constexpr std::int64_t kMaxSpliceValues = 32768;
bool StretchIsPracticable(std::uint32_t sampleRate, int channels, std::int64_t sourceFrames,
                          std::int64_t destinationFrames);

// S, W and h of StretchTime for a sample rate, in frames.
struct StretchSegments {
    std::int64_t hop; // S
    int overlap;      // W
    int crossFade;    // h

    static StretchSegments ForRate(std::uint32_t sampleRate);
};

} // namespace wt
