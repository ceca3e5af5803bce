#include "dsp/NoiseRemoval.h"

#include <cstdlib>

namespace wt {

int CompareSamples(const void* a, const void* b) {
    std::int32_t x, y;
    std::memcpy(&x, a, sizeof x);
    std::memcpy(&y, b, sizeof y);
    return x - y;
}

void MedianWindow::Reset(const int* values, int halfWidth) {
    halfWidth_ = halfWidth;
    sorted_.assign(values, values + 2 * halfWidth + 1);
    std::qsort(sorted_.data(), sorted_.size(), sizeof(int), CompareSamples);
}

void MedianWindow::Slide(int leaving, int entering) {
    if (leaving == entering) {
        return;
    }
    auto begin = sorted_.begin();
    auto end = sorted_.end();
    auto at = std::lower_bound(begin, end, leaving);
    // Move the neighbours over the freed place until the entering value fits there.
    if (entering > leaving) {
        auto next = at + 1;
        while (next != end && *next < entering) {
            *at = *next;
            at = next++;
        }
    } else {
        while (at != begin && *(at - 1) > entering) {
            *at = *(at - 1);
            --at;
        }
    }
    *at = entering;
}

} // namespace wt
