#include "imaging/prepared.h"

#include "imaging/cdib.h"
#include "imaging/gdiplus.h"
#include "imaging/pixelbudget.h"

#include <QColorSpace>
#include <QFile>

#include <utility>

#include <sys/stat.h>

namespace mv {

FileStamp FileStamp::Of(const QString &path)
{
    FileStamp stamp;
    struct stat info {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return stamp;
    stamp.size = qint64(info.st_size);
    stamp.modifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    stamp.changedNs = qint64(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
    stamp.inode = quint64(info.st_ino);
    stamp.device = quint64(info.st_dev);
    return stamp;
}

QSize RenderSizeFor(QSize imageSize, QSize renderBox, bool actualSize)
{
    return actualSize ? imageSize : BestFitRect(imageSize, renderBox).size();
}

bool IsReadAheadKind(const GpImage &image)
{
    const ImageFormat format = image.Format();
    return image.IsLoaded() && image.FrameCount() == 1 && format != ImageFormat::Emf && format != ImageFormat::Wmf
           && FitsPixelBudget(image.Size());
}

PreparedPicture PreparePicture(const PictureRequest &request, const std::atomic_bool &cancelled, QImage &scratch,
                               QImage &&recycled)
{
    QImage buffer = std::exchange(recycled, QImage());
    PreparedPicture picture;
    picture.path = request.path;
    picture.renderBox = request.renderBox;
    picture.canvas = request.canvas;
    picture.stamp = FileStamp::Of(request.path);
    if (!picture.stamp.IsValid()) {
        picture.status = GpStatus::FileNotFound;
        return picture;
    }
    GpImage image = GpImage::LoadFromFile(request.path);
    if (!image.IsLoaded()) {
        picture.status = image.Status();
        return picture;
    }
    if (!IsReadAheadKind(image) || cancelled)
        return picture; // WrongState: not read ahead
    picture.format = image.Format();
    picture.imageSize = image.Size();

    // The render bitmap as cDIB makes it (32 bits, cleared) and drawn as the canvas draws it.
    const QSize size = RenderSizeFor(picture.imageSize, request.renderBox, false);
    // Stepping through a camera's folder, one size follows another: no fresh memory.
    QImage render = buffer.size() == size && buffer.format() == QImage::Format_RGB32 && buffer.isDetached()
                        ? std::exchange(buffer, QImage())
                        : QImage(size, QImage::Format_RGB32);
    buffer = QImage();
    render.setColorSpace(QColorSpace());
    if (render.isNull()) {
        picture.status = GpStatus::OutOfMemory;
        return picture;
    }
    render.fill(0);
    const GpStatus status = image.DrawFrameInto(render, PictureBackground(picture.format, request.canvas), scratch);
    image.Dispose();
    if (status != GpStatus::Ok || cancelled) {
        picture.status = status != GpStatus::Ok ? status : GpStatus::WrongState;
        return picture;
    }
    // The best-fit paint smooths the render bitmap to the fitted size once; done here too.
    const QSize fit = BestFitRect(size, request.client).size();
    if (!request.client.isEmpty() && fit != size)
        picture.fitted = render.scaled(fit, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

    if (FileStamp::Of(request.path) != picture.stamp) {
        picture.status = GpStatus::WrongState;
        picture.fitted = QImage();
        return picture;
    }
    picture.render = std::move(render);
    picture.status = GpStatus::Ok;
    return picture;
}

} // namespace mv
