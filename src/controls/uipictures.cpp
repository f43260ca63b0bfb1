#include "controls/uipictures.h"

#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace mv {

namespace {
QString resourcePath(const QString &name, const char *extension)
{
    return QStringLiteral(":/ui/") + name + QLatin1Char('.') + QLatin1String(extension);
}
} // namespace

QImage UiImage(const QString &name, QSize size)
{
    const QString svg = resourcePath(name, "svg");
    if (QFile::exists(svg)) {
        QSvgRenderer renderer(svg);
        if (!renderer.isValid())
            return {};
        if (size.isEmpty())
            size = renderer.defaultSize();
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
        return image;
    }
    for (const char *extension : {"png", "bmp"}) {
        const QString path = resourcePath(name, extension);
        if (QFile::exists(path)) {
            QImage image(path);
            if (!size.isEmpty() && !image.isNull() && image.size() != size)
                image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            return image;
        }
    }
    return {};
}

QIcon UiIcon(const QString &name)
{
    const QImage image = UiImage(name);
    if (image.isNull())
        return {};
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(image));
    if (!QFile::exists(resourcePath(name, "svg")))
        return icon;
    const QImage dense = UiImage(name, image.size() * 2);
    if (!dense.isNull()) {
        QPixmap pixmap = QPixmap::fromImage(dense);
        pixmap.setDevicePixelRatio(2.0);
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace mv
