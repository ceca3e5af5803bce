// A slider (track bar) that reports and is driven as a classic scroll bar is: the user's
// actions only report requests (line, page, thumb track, thumb position, end), the thumb
// settles where its owner sets the position, and only the thumb follows the mouse while it is
// dragged. Vertical track bars show their lowest value at the top, so the line-up and page-up
// requests (the Up and Page Up keys, the wheel turned away, a click above the thumb) lower
// the position and the thumb moves up.
#pragma once

#include <QSlider>

#include <functional>

namespace wt {

class ClassicTrackBar : public QSlider {
public:
    // `onScroll` receives the request code (sb::*) and, for the thumb codes, the position.
    using ScrollHandler = std::function<void(unsigned code, int pos)>;

    ClassicTrackBar(Qt::Orientation orientation, QWidget* parent, ScrollHandler onScroll);

    // The range may be given in either order; the position is kept inside it.
    void SetClassicRange(int low, int high);
    void GetClassicRange(int* low, int* high) const;
    void SetClassicPos(int pos);
    int ClassicPos() const { return pos_; }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void OnAction(int action);
    void OnReleased();
    void Resync();
    void Send(unsigned code, int pos);

    ScrollHandler onScroll_;
    int low_ = 0, high_ = 100, pos_ = 0;
};

} // namespace wt
