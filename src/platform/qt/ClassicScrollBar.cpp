#include "platform/qt/ClassicScrollBar.h"

#include "platform/Messages.h"

#include <QApplication>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWheelEvent>

#include <algorithm>

namespace wt {

ClassicScrollBar::ClassicScrollBar(Qt::Orientation orientation, QWidget* parent,
                                   ScrollHandler onScroll)
    : QScrollBar(orientation, parent), onScroll_(std::move(onScroll)) {
    // The value changes only through SetClassicPos; dragging moves the thumb alone.
    setTracking(false);
    setSingleStep(1);
    setPageStep(0);
    setRange(0, 100);
    setValue(0);
    connect(this, &QAbstractSlider::actionTriggered, this, [this](int a) { OnAction(a); });
    connect(this, &QAbstractSlider::sliderMoved, this,
            [this](int pos) { Send(sb::ThumbTrack, pos); });
    connect(this, &QAbstractSlider::sliderReleased, this, [this] { OnReleased(); });
}

QRect ClassicScrollBar::ThumbRect() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
}

void ClassicScrollBar::SetClassicRange(int low, int high) {
    low_ = low;
    high_ = high;
    setRange(std::min(low, high), std::max(low, high));
    pos_ = std::clamp(pos_, std::min(low, high), std::max(low, high));
    if (!isSliderDown()) {
        Resync();
    }
}

void ClassicScrollBar::GetClassicRange(int* low, int* high) const {
    if (low) {
        *low = low_;
    }
    if (high) {
        *high = high_;
    }
}

void ClassicScrollBar::SetClassicPos(int pos) {
    pos_ = std::clamp(pos, std::min(low_, high_), std::max(low_, high_));
    // While the thumb is dragged it stays under the mouse; the position shows once released.
    if (!isSliderDown()) {
        Resync();
    }
}

void ClassicScrollBar::Resync() {
    if (value() != pos_ || sliderPosition() != pos_) {
        setValue(pos_);
        setSliderPosition(pos_);
    }
}

void ClassicScrollBar::Send(unsigned code, int pos) {
    if (onScroll_) {
        onScroll_(code, pos);
    }
}

void ClassicScrollBar::OnAction(int action) {
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
    // The request is reported with the bar where it was; the owner decides where it goes.
    setSliderPosition(pos_);
    Send(code, pos_);
    setSliderPosition(pos_);
}

void ClassicScrollBar::OnReleased() {
    Send(sb::ThumbPosition, sliderPosition());
    // The thumb falls back to wherever the owner put the bar (the old place if it did not).
    setValue(pos_);
    setSliderPosition(pos_);
}

void ClassicScrollBar::mouseReleaseEvent(QMouseEvent* event) {
    QScrollBar::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) {
        Send(sb::EndScroll, pos_);
    }
}

void ClassicScrollBar::wheelEvent(QWheelEvent* event) {
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
