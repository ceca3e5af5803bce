// A scroll bar that behaves like a classic one: the user's actions only report requests (line,
// page, thumb track, thumb position, end scroll); the bar moves when its owner sets the
// position. Only the thumb follows the mouse while it is dragged, and goes back to the set
// position when released unless the owner moved it.
#pragma once

#include <QScrollBar>

#include <functional>

namespace wt {

class ClassicScrollBar : public QScrollBar {
public:
    // `onScroll` receives the request code (sb::*) and, for the thumb codes, the position.
    using ScrollHandler = std::function<void(unsigned code, int pos)>;

    ClassicScrollBar(Qt::Orientation orientation, QWidget* parent, ScrollHandler onScroll);

    // The range may be given in either order; the position is kept inside it.
    void SetClassicRange(int low, int high);
    void GetClassicRange(int* low, int* high) const;
    void SetClassicPos(int pos);
    int ClassicPos() const { return pos_; }
    // Where the thumb is drawn, in the bar's pixels.
    QRect ThumbRect() const;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void OnAction(int action);
    void OnReleased();
    // Shows the set position unless the thumb is being dragged.
    void Resync();
    void Send(unsigned code, int pos);

    ScrollHandler onScroll_;
    int low_ = 0, high_ = 100, pos_ = 0;
    bool sending_ = false;
};

} // namespace wt
