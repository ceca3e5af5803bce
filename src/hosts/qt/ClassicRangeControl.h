// The behaviour shared by the classic scroll bar and the classic track bar: the user's actions
// only report requests (line, page, thumb track, thumb position, end scroll) and the control
// moves when its owner sets the position. Only the thumb follows the mouse while it is
// dragged, and goes back to the set position when released unless the owner moved it.
#pragma once

#include "platform/Messages.h"

#include <QAbstractSlider>
#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>
#include <functional>

namespace wt {

template <class Base> class ClassicRangeControl : public Base {
public:
    // `onScroll` receives the request code (sb::*) and, for the thumb codes, the position.
    using ScrollHandler = std::function<void(unsigned code, int pos)>;

    ClassicRangeControl(Qt::Orientation orientation, QWidget* parent, ScrollHandler onScroll)
        : Base(orientation, parent), onScroll_(std::move(onScroll)) {
        // The value changes only through SetClassicPos; dragging moves the thumb alone.
        this->setTracking(false);
        this->setSingleStep(1);
        this->setRange(0, 100);
        this->setValue(0);
        QObject::connect(this, &QAbstractSlider::actionTriggered, this,
                         [this](int a) { OnAction(a); });
        QObject::connect(this, &QAbstractSlider::sliderMoved, this,
                         [this](int pos) { Send(sb::ThumbTrack, pos); });
        QObject::connect(this, &QAbstractSlider::sliderReleased, this, [this] { OnReleased(); });
    }

    // The range may be given in either order; the position is kept inside it.
    void SetClassicRange(int low, int high) {
        low_ = low;
        high_ = high;
        this->setRange(std::min(low, high), std::max(low, high));
        pos_ = std::clamp(pos_, std::min(low, high), std::max(low, high));
        if (!this->isSliderDown()) {
            Resync();
        }
    }

    void GetClassicRange(int* low, int* high) const {
        if (low) {
            *low = low_;
        }
        if (high) {
            *high = high_;
        }
    }

    void SetClassicPos(int pos) {
        pos_ = std::clamp(pos, std::min(low_, high_), std::max(low_, high_));
        // While the thumb is dragged it stays under the mouse; the position shows once released.
        if (!this->isSliderDown()) {
            Resync();
        }
    }

    int ClassicPos() const { return pos_; }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        Base::mouseReleaseEvent(event);
        if (event->button() == Qt::LeftButton) {
            Send(sb::EndScroll, pos_);
        }
    }

    void wheelEvent(QWheelEvent* event) override {
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

private:
    void OnAction(int action) {
        unsigned code;
        switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            code = sb::LineUp;
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            code = sb::LineDown;
            break;
        case QAbstractSlider::SliderPageStepSub:
            code = sb::PageUp;
            break;
        case QAbstractSlider::SliderPageStepAdd:
            code = sb::PageDown;
            break;
        case QAbstractSlider::SliderToMinimum:
            code = sb::Top;
            break;
        case QAbstractSlider::SliderToMaximum:
            code = sb::Bottom;
            break;
        default:
            // Thumb moves are reported through sliderMoved and sliderReleased.
            return;
        }
        // The request is reported with the thumb where it was; the owner decides where it goes.
        this->setSliderPosition(pos_);
        Send(code, pos_);
        this->setSliderPosition(pos_);
    }

    void OnReleased() {
        Send(sb::ThumbPosition, this->sliderPosition());
        // The thumb falls back to wherever the owner put it (the old place if it did not).
        this->setValue(pos_);
        this->setSliderPosition(pos_);
    }

    // Shows the set position unless the thumb is being dragged.
    void Resync() {
        if (this->value() != pos_ || this->sliderPosition() != pos_) {
            this->setValue(pos_);
            this->setSliderPosition(pos_);
        }
    }

    void Send(unsigned code, int pos) {
        if (onScroll_) {
            onScroll_(code, pos);
        }
    }

    ScrollHandler onScroll_;
    int low_ = 0, high_ = 100, pos_ = 0;
};

} // namespace wt
