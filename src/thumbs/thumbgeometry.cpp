#include "thumbs/thumbgeometry.h"

#include <QtMath>

#include <cmath>

namespace mv {

QSize ThumbItemSpacing(QSize thumbnail, int labelHeight)
{
    return QSize(thumbnail.width() + 14, (thumbnail.height() + 4) + (labelHeight + 4) + 20);
}

ThumbItemGeometry ThumbItemLayout(const QRect &cell, QSize thumbnail, int labelHeight)
{
    ThumbItemGeometry g;
    // The icon box spans the cell but a pixel on each side, 2 pixels below its top: F then
    // sits centred across the cell.
    g.icon = QRect(cell.left() + 1, cell.top() + 2, cell.width() - 2, thumbnail.height() + 4);
    g.frame = QRect(g.icon.left() + 4, g.icon.top() + 2, thumbnail.width() + 4, thumbnail.height() + 4);
    g.label = QRect(g.frame.left(), g.frame.bottom() + 1 + 2, g.frame.width(), labelHeight + 4);
    g.rename = QRect(cell.left() + 6, cell.top() + 137, cell.width() - 10, labelHeight + 6);
    return g;
}

QPoint ThumbPicturePosition(const QRect &frame, QSize thumbnail, QSize picture)
{
    return QPoint(frame.left() + 2 + (thumbnail.width() - picture.width()) / 2,
                  frame.top() + 2 + (thumbnail.height() - picture.height()) / 2);
}

int LabelHeightFor(double points, double dotsPerInch)
{
    return int(std::nearbyint(std::nearbyint(points) * dotsPerInch / 72.0));
}

QSize ClampThumbnailSize(int width, int height)
{
    return QSize(qBound(32, width, 170), qBound(32, height, 127));
}

} // namespace mv
