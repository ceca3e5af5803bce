#include "platform/qt/ClassicTrackBar.h"

#include "platform/Messages.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>

namespace wt {

ClassicTrackBar::ClassicTrackBar(Qt::Orientation orientation, QWidget* parent,
                                 ScrollHandler onScroll)
    : QSlider(orientation, parent), onScroll_(std::move(onScroll)) {
    setTracking(false);
    if (orientation == Qt::Vertical) {
        // Lowest value at the top, and Up moves the thumb up, as on a classic track bar.
        setInvertedAppearance(true);
        setInvertedControls(true);
    }
    setTickPosition(QSlider::TicksBothSides);
    setTickInterval(10);
    setSingleStep(1);
    setPageStep(5);
    setRange(0, 100);
    setValue(0);
    connect(this, &QAbstractSlider::actionTriggered, this, [this](int a) { OnAction(a); });
    connect(this, &QAbstractSlider::sliderMoved, this,
            [this](int pos) { Send(sb::ThumbTrack, pos); });
    connect(this, &QAbstractSlider::sliderReleased, this, [this] { OnReleased(); });
}

void ClassicTrackBar::SetClassicRange(int low, int high) {
    low_ = low;
    high_ = high;
    setRange(std::min(low, high), std::max(low, high));
    // Tick marks every tenth of the range, at least one step apart.
    setTickInterval(std::max(1, std::abs(high - low) / 10));
    pos_ = std::clamp(pos_, std::min(low, high), std::max(low, high));
    if (!isSliderDown()) {
        Resync();
    }
}

void ClassicTrackBar::GetClassicRange(int* low, int* high) const {
    if (low) {
        *low = low_;
    }
    if (high) {
        *high = high_;
    }
}

void ClassicTrackBar::SetClassicPos(int pos) {
    pos_ = std::clamp(pos, std::min(low_, high_), std::max(low_, high_));
    // While the thumb is dragged it stays under the mouse; the position shows once released.
    if (!isSliderDown()) {
        Resync();
    }
}

void ClassicTrackBar::Resync() {
    if (value() != pos_ || sliderPosition() != pos_) {
        setValue(pos_);
        setSliderPosition(pos_);
    }
}

void ClassicTrackBar::Send(unsigned code, int pos) {
    if (onScroll_) {
        onScroll_(code, pos);
    }
}

void ClassicTrackBar::OnAction(int action) {
    unsigned code;
    switch (action) {
    case SliderSingleStepSub:
        code = sb::LineUp;
        break;
    case SliderSingleStepAdd:
        code = sb::LineDown;
        break;
    case SliderPageStepSub:
        code = sb::PageUp;
        break;
    case SliderPageStepAdd:
        code = sb::PageDown;
        break;
    case SliderToMinimum:
        code = sb::Top;
        break;
    case SliderToMaximum:
        code = sb::Bottom;
        break;
    default:
        // Thumb moves are reported through sliderMoved and sliderReleased.
        return;
    }
    // The request is reported with the thumb where it was; the owner decides where it goes.
    setSliderPosition(pos_);
    Send(code, pos_);
    setSliderPosition(pos_);
}

void ClassicTrackBar::OnReleased() {
    Send(sb::ThumbPosition, sliderPosition());
    // The thumb settles wherever the owner put the position (the old place if it did not).
    setValue(pos_);
    setSliderPosition(pos_);
}

void ClassicTrackBar::mouseReleaseEvent(QMouseEvent* event) {
    QSlider::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) {
        Send(sb::EndScroll, pos_);
    }
}

void ClassicTrackBar::wheelEvent(QWheelEvent* event) {
    const QPoint delta = event->angleDelta();
    const int units = delta.y() != 0 ? delta.y() : delta.x();
    const int notches = units / 120;
    if (notches == 0) {
        event->accept();
        return;
    }
    const int lines = std::abs(notches) * std::max(1, QApplication::wheelScrollLines());
    for (int i = 0; i < lines; ++i) {
        Send(notches > 0 ? sb::LineUp : sb::LineDown, pos_);
    }
    Send(sb::EndScroll, pos_);
    event->accept();
}

} // namespace wt
