// A slider (track bar) that reports and is driven as a classic scroll bar is (see
// ClassicRangeControl). Vertical track bars show their lowest value at the top, so the line-up
// and page-up requests (the Up and Page Up keys, the wheel turned away, a click above the
// thumb) lower the position and the thumb moves up.
#pragma once

#include "hosts/qt/ClassicRangeControl.h"

#include <QSlider>

namespace wt {

class ClassicTrackBar : public ClassicRangeControl<QSlider> {
public:
    ClassicTrackBar(Qt::Orientation orientation, QWidget* parent, ScrollHandler onScroll);

    // As the shared control, with tick marks every tenth of the range.
    void SetClassicRange(int low, int high);
};

} // namespace wt
