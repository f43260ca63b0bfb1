#pragma once

#include <QImage>
#include <QList>

class QPainter;

namespace mv {

// A picture object: what the blitting helpers and cTile take and give. Only the bitmap
// kind carries pixels that can be blitted or used as a pattern.
struct StdPicture {
    enum class Type { None = 0, Bitmap = 1, Metafile = 2, Icon = 3, EnhMetafile = 4 };
    Type type = Type::None;
    QImage image;

    bool IsBitmap() const { return type == Type::Bitmap && !image.isNull(); }
};

// Copies Width x Height of source from (xSrc, ySrc) to (xDst, yDst) of the target; source
// pixels of TransColor (0x00BBGGRR) leave the target as it was.
void BltTransparent(QPainter &hDstDC, const QImage &hSrcDC, int xSrc, int ySrc, int Width, int Height, int xDst,
                    int yDst, quint32 TransColor);
// The same from a picture; nothing when the picture is absent or holds no bitmap.
void PictureBltTransparent(const StdPicture *Picture, QPainter &hDstDC, int xSrc, int ySrc, int Width, int Height,
                           int xDst, int yDst, quint32 TransColor);
// A new bitmap picture holding a copy of the area; parts outside the source are black.
StdPicture CaptureArea(const QImage &hDC, int x, int y, int Width, int Height);
// A bitmap picture of the bitmap; an indexed bitmap takes the palette as its colours.
StdPicture PictureFromBitmap(const QImage &hBitmap, const QList<QRgb> &hPalette = {});

} // namespace mv
