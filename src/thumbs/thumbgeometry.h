#pragma once

#include <QRect>
#include <QSize>

namespace mv {

// Where the parts of one thumbnail item lie, in the list's coordinates: the same rules for
// drawing, hit testing and the rename box.
struct ThumbItemGeometry {
    QRect icon;    // the icon box: the top of the item, (width + 4) high
    QRect frame;   // F: the picture box with its 2-pixel edge
    QRect label;   // L: the name under it, before its 2-pixel side margins
    QRect rename;  // where the rename box goes
};

// Item spacing for a picture box and a font of labelHeight pixels: 184 x 167 for 170 x 127
// and a 12-pixel font.
[[nodiscard]] QSize ThumbItemSpacing(QSize thumbnail, int labelHeight);

// The parts of the item whose cell (one spacing's box) is cell.
[[nodiscard]] ThumbItemGeometry ThumbItemLayout(const QRect &cell, QSize thumbnail, int labelHeight);

// Where a picture of that size is copied, unscaled, centred in F (divisions toward zero).
[[nodiscard]] QPoint ThumbPicturePosition(const QRect &frame, QSize thumbnail, QSize picture);

// The pixel height of a font of that many points at that many dots per inch: the points
// rounded to a whole number, times the dots, divided by 72, rounded.
[[nodiscard]] int LabelHeightFor(double points, double dotsPerInch);

// Clamped picture box: 32..170 wide, 32..127 high.
[[nodiscard]] QSize ClampThumbnailSize(int width, int height);

} // namespace mv
