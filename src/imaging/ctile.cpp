#include "imaging/ctile.h"

#include <QPainter>

namespace mv {

bool cTile::CreatePatternFromStdPicture(const StdPicture &Image)
{
    if (!Image.IsBitmap())
        return false;
    // The pattern is 24-bit: whatever alpha the picture had is gone.
    const QImage pattern = Image.image.convertToFormat(QImage::Format_RGB32);
    if (pattern.isNull())
        return false;
    DestroyPattern();
    mBrush = QBrush(pattern);
    mHasBrush = true;
    return true;
}

void cTile::Tile(QPainter &hDC, int x, int y, int Width, int Height, bool ResetBrushOrigin) const
{
    if (!mHasBrush || Width <= 0 || Height <= 0 || !hDC.isActive())
        return;
    hDC.setBrushOrigin(ResetBrushOrigin ? QPoint(x, y) : QPoint(0, 0));
    hDC.fillRect(QRect(x, y, Width, Height), mBrush);
}

void cTile::DestroyPattern()
{
    mBrush = QBrush();
    mHasBrush = false;
}

} // namespace mv
