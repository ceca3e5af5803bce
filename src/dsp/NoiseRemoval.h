// The two time-domain filters of noise removal, run one after the other on each channel: a
// limited smoothing against hiss (every sample pulled toward a short weighted local mean, but
// never by more than a set amount) and a running median against clicks.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace wt {

inline constexpr int kNoiseSmoothingReach = 3; // neighbours on each side in the local mean
inline constexpr int kMaxMedianHalfWidth = 10;

// The ordering of 32-bit sample values for qsort: the first minus the second, ascending.
// Sample values lie in the 16-bit range, so the difference cannot overflow.
int CompareSamples(const void* a, const void* b);

// The largest correction of a sample at smoothing strength 0..100: strength * 3276 / 100.
inline int SmoothingLimit(int strength) {
    return strength * 3276 / 100;
}

// The smoothed value of sample x, given `sum7`, the sum of the samples at distances -3 .. 3
// (x included, 0 outside the sound): the local mean m = (x + sum over j = 0..3 of
// s(t + j) + s(t - j)) / 9 weighs x three times and each neighbour once (x + 2x + the six
// neighbours = 2x + sum7); the result moves x toward m by at most `limit`.
inline int SmoothedSample(int x, int sum7, int limit) {
    const int m = (2 * x + sum7) / 9;
    if (m - x > limit) {
        return x + limit;
    }
    if (m - x < -limit) {
        return x - limit;
    }
    return m;
}

// The median of a window of 2K + 1 consecutive samples that slides one sample at a time: the
// window is kept sorted, so each step removes the sample that leaves and inserts the one that
// comes in, and the middle element is the median the sorted window gives.
class MedianWindow {
public:
    // Starts with `values` (2K + 1 of them, K = halfWidth), sorting them.
    void Reset(const int* values, int halfWidth);
    // Replaces one occurrence of `leaving` by `entering`.
    void Slide(int leaving, int entering);
    int Median() const { return sorted_[halfWidth_]; }

private:
    std::vector<int> sorted_;
    int halfWidth_ = 0;
};

} // namespace wt
