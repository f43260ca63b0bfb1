#include "thumbs/renderthumbnail.h"

#include "imaging/cdib.h"
#include "imaging/gdiplus.h"

#include <QFile>
#include <QPainter>

#include <cmath>

namespace mv {

namespace {

int HalfEven(double value)
{
    return int(std::nearbyint(value));
}

// The fitted picture on white, or a null image when it does not decode.
QImage DrawThumbnail(GpImage &image)
{
    const QRect place = ThumbnailPlacement(image.Size());
    QImage frame;
    if (image.DecodeFrame(place.size(), frame) != GpStatus::Ok || frame.isNull())
        return {};
    QImage canvas(ThumbWidth, ThumbHeight, QImage::Format_RGB32);
    if (canvas.isNull())
        return {};
    canvas.fill(PictureBackground(image.Format(), QColor(Qt::white)));
    QPainter painter(&canvas);
    painter.drawImage(place.topLeft(), frame);
    painter.end();
    return canvas;
}

} // namespace

QRect ThumbnailPlacement(QSize picture)
{
    int x = 0, y = 0, w = 0, h = 0;
    GetBestFitInfo(picture.width(), picture.height(), ThumbFitBox.width(), ThumbFitBox.height(), x, y, w, h);
    return QRect(HalfEven((ThumbWidth - w) / 2.0), HalfEven((ThumbHeight - h) / 2.0), w, h);
}

QByteArray PlaceholderPicture()
{
    static const QByteArray bytes = [] {
        QFile file(QStringLiteral(":/ui/pictures/placeholder.bmp"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    return bytes;
}

RenderedThumbnail RenderThumbnail(const QString &path, int rotation)
{
    RenderedThumbnail result;
    QImage canvas;
    {
        GpImage image = GpImage::LoadFromFile(path);
        if (image.IsLoaded() && rotation != 0)
            image.RotateFlip(rotation);
        if (image.IsLoaded())
            canvas = DrawThumbnail(image);
        result.status = image.Status();
        if (canvas.isNull() && result.status == GpStatus::Ok)
            result.status = GpStatus::GenericError;
    }
    if (canvas.isNull()) {
        result.placeholder = true;
        GpImage placeholder = GpImage::LoadFromMemory(PlaceholderPicture());
        if (placeholder.IsLoaded())
            canvas = DrawThumbnail(placeholder);
    }
    // Not even the placeholder: a 0 x 0 header, which the list shows as an error.
    result.bytes = ThumbnailFromImage(canvas);
    return result;
}

} // namespace mv
