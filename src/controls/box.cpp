#include "controls/box.h"

#include "controls/theme.h"

#include <QPainter>

namespace mv {

Box::Box(QWidget *parent)
    : QWidget(parent)
    , mBackColor(theme::BoxBack)
    , mLineColor(theme::BoxLine)
{
}

void Box::setBackColor(const QColor &colour)
{
    mBackColor = colour;
    update();
}

void Box::setLineColor(const QColor &colour)
{
    mLineColor = colour;
    update();
}

void Box::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect r = rect();
    painter.fillRect(r, mBackColor);
    painter.setPen(mLineColor);
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
    painter.drawLine(r.topLeft(), r.topRight());
}

} // namespace mv
