#include "hosts/qt/ClassicScrollBar.h"

#include <QStyle>
#include <QStyleOptionSlider>

namespace wt {

ClassicScrollBar::ClassicScrollBar(Qt::Orientation orientation, QWidget* parent,
                                   ScrollHandler onScroll)
    : ClassicRangeControl(orientation, parent, std::move(onScroll)) {
    setPageStep(0);
}

QRect ClassicScrollBar::ThumbRect() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
}

} // namespace wt
