// A scroll bar that behaves like a classic one (see ClassicRangeControl).
#pragma once

#include "hosts/qt/ClassicRangeControl.h"

#include <QScrollBar>

namespace wt {

class ClassicScrollBar : public ClassicRangeControl<QScrollBar> {
public:
    ClassicScrollBar(Qt::Orientation orientation, QWidget* parent, ScrollHandler onScroll);

    // Where the thumb is drawn, in the bar's pixels.
    QRect ThumbRect() const;
};

} // namespace wt
