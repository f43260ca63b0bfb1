#include "imaging/imgblt.h"

#include "imaging/cdib.h"

#include <QPainter>

namespace mv {

void BltTransparent(QPainter &hDstDC, const QImage &hSrcDC, int xSrc, int ySrc, int Width, int Height, int xDst,
                    int yDst, quint32 TransColor)
{
    if (Width <= 0 || Height <= 0 || hSrcDC.isNull() || !hDstDC.isActive())
        return;
    // Compare colours as the source shows them (a 16-bit source widened to 24 bits).
    QImage area = hSrcDC.convertToFormat(QImage::Format_RGB32).copy(xSrc, ySrc, Width, Height);
    area = area.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = ColorRefToRgb(TransColor) & RGB_MASK;
    for (int y = 0; y < area.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(area.scanLine(y));
        for (int x = 0; x < area.width(); ++x)
            line[x] = (line[x] & RGB_MASK) == key ? 0 : (line[x] | 0xFF000000u);
    }
    hDstDC.save();
    hDstDC.setCompositionMode(QPainter::CompositionMode_SourceOver);
    hDstDC.drawImage(xDst, yDst, area);
    hDstDC.restore();
}

void PictureBltTransparent(const StdPicture *Picture, QPainter &hDstDC, int xSrc, int ySrc, int Width, int Height,
                           int xDst, int yDst, quint32 TransColor)
{
    if (!Picture || !Picture->IsBitmap())
        return;
    BltTransparent(hDstDC, Picture->image, xSrc, ySrc, Width, Height, xDst, yDst, TransColor);
}

StdPicture CaptureArea(const QImage &hDC, int x, int y, int Width, int Height)
{
    if (Width <= 0 || Height <= 0 || hDC.isNull())
        return {};
    QImage copy(Width, Height, QImage::Format_RGB32);
    copy.fill(Qt::black);
    QPainter painter(&copy);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPoint(0, 0), hDC.convertToFormat(QImage::Format_RGB32), QRect(x, y, Width, Height));
    painter.end();
    return PictureFromBitmap(copy);
}

StdPicture PictureFromBitmap(const QImage &hBitmap, const QList<QRgb> &hPalette)
{
    if (hBitmap.isNull())
        return {};
    StdPicture picture;
    picture.type = StdPicture::Type::Bitmap;
    picture.image = hBitmap;
    if (!hPalette.isEmpty() && hBitmap.format() == QImage::Format_Indexed8)
        picture.image.setColorTable(hPalette);
    return picture;
}

} // namespace mv
