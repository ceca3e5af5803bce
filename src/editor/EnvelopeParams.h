// The point arrays of the three envelope effects. Each holds the curve the user drew over the
// selection; the dialog edits it in place, so the envelope last drawn (also after Cancel) is
// the one shown the next time, until the editor ends.
#pragma once

#include <array>

namespace wt {

// One point of an envelope: x across the selection (0 its start, 256 its end), y the value
// (0 at the bottom of the drawing area, 128 in the middle, 256 at the top).
struct EnvelopePoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const EnvelopePoint&, const EnvelopePoint&) = default;
};

// Room for 39 points and the end pair.
inline constexpr int kEnvelopePairs = 40;
inline constexpr int kEnvelopeMaxPoints = kEnvelopePairs - 1;
// The pair (1000, 1000) follows the last point.
inline constexpr int kEnvelopeEndMark = 1000;
// Ends of the x and y ranges.
inline constexpr int kEnvelopeFull = 256;
inline constexpr int kEnvelopeMiddle = 128;

// The points in increasing x, the first at x 0 and the last at x 256, then the end pair.
using EnvelopePoints = std::array<EnvelopePoint, kEnvelopePairs>;

// A flat line in the middle: (0, 128), (256, 128), end pair.
inline constexpr EnvelopePoints InitialEnvelope() {
    EnvelopePoints points{};
    points[0] = {0, kEnvelopeMiddle};
    points[1] = {kEnvelopeFull, kEnvelopeMiddle};
    points[2] = {kEnvelopeEndMark, kEnvelopeEndMark};
    return points;
}

// VolumeEnvelope, PanEnvelope and PitchEnvelope.
struct EnvelopeParams {
    EnvelopePoints volume = InitialEnvelope();
    EnvelopePoints pan = InitialEnvelope();
    EnvelopePoints pitch = InitialEnvelope();
};

} // namespace wt
