#include "shell/forms/time_bar.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

namespace fw {

TimeBarSlider::TimeBarSlider(QWidget* parent)
    : QSlider(Qt::Horizontal, parent)
{
    setTickPosition(QSlider::TicksBelow);
}

void TimeBarSlider::setSelection(int start, int end)
{
    if (start == sel_start_ && end == sel_end_)
        return;
    sel_start_ = start;
    sel_end_ = end;
    update();
}

void TimeBarSlider::paintEvent(QPaintEvent* event)
{
    QSlider::paintEvent(event);
    if (sel_end_ <= sel_start_ || maximum() <= minimum())
        return;
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const int span = groove.width() - handle.width();
    const int offset = groove.left() + handle.width() / 2;
    const int x1 = offset + QStyle::sliderPositionFromValue(minimum(), maximum(), sel_start_, span);
    const int x2 = offset + QStyle::sliderPositionFromValue(minimum(), maximum(), sel_end_, span);
    QPainter painter(this);
    QColor band = palette().color(QPalette::Highlight);
    band.setAlpha(110);
    painter.fillRect(QRect(x1, groove.center().y() - 3, std::max(2, x2 - x1), 6), band);
}

} // namespace fw
