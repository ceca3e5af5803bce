#include "hosts/qt/ClassicTrackBar.h"

#include <algorithm>
#include <cstdlib>

namespace wt {

ClassicTrackBar::ClassicTrackBar(Qt::Orientation orientation, QWidget* parent,
                                 ScrollHandler onScroll)
    : ClassicRangeControl(orientation, parent, std::move(onScroll)) {
    if (orientation == Qt::Vertical) {
        // Lowest value at the top, and Up moves the thumb up, as on a classic track bar.
        setInvertedAppearance(true);
        setInvertedControls(true);
    }
    setTickPosition(QSlider::TicksBothSides);
    setTickInterval(10);
    setPageStep(5);
}

void ClassicTrackBar::SetClassicRange(int low, int high) {
    // Tick marks every tenth of the range, at least one step apart.
    setTickInterval(std::max(1, std::abs(high - low) / 10));
    ClassicRangeControl::SetClassicRange(low, high);
}

} // namespace wt
