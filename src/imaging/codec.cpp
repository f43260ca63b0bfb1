#include "imaging/codec.h"

#include "imaging/bmpdecoder.h"
#include "imaging/exif.h"
#include "imaging/gdiplus.h"
#include "imaging/gifdecoder.h"
#include "imaging/gifscan.h"
#include "imaging/pixelbudget.h"
#include "imaging/pngcolourkey.h"
#include "imaging/tiffdecoder.h"
#include "imaging/metafile/metafile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QTransform>
#include <QtMath>

namespace mv {

namespace {

ImageFormat SniffRaster(const QByteArray &data)
{
    if (data.startsWith("BM"))
        return ImageFormat::Bmp;
    if (data.startsWith("GIF87a") || data.startsWith("GIF89a"))
        return ImageFormat::Gif;
    if (data.startsWith("\xFF\xD8\xFF"))
        return ImageFormat::Jpeg;
    if (data.startsWith("\x89PNG\r\n\x1A\n"))
        return ImageFormat::Png;
    if (data.startsWith(QByteArrayLiteral("II*\0")) || data.startsWith(QByteArrayLiteral("MM\0*")))
        return ImageFormat::Tiff;
    if (data.startsWith(QByteArrayLiteral("II+\0")) || data.startsWith(QByteArrayLiteral("MM\0+"))) // BigTIFF
        return ImageFormat::Tiff;
    // Reserved 0, type 1 (icon) and at least one entry.
    if (data.size() >= 6 && data.startsWith(QByteArrayLiteral("\0\0\1\0")) && (data.at(4) != 0 || data.at(5) != 0))
        return ImageFormat::Icon;
    return SniffBmpFamily(data); // cursors and headerless DIBs
}

QByteArray QtFormatName(ImageFormat format)
{
    switch (format) {
    case ImageFormat::Jpeg: return "jpeg";
    case ImageFormat::Png: return "png";
    default: return {};
    }
}

bool FitsDecodeBudget(QSize size)
{
    return FitsPixelBudget(size);
}

void SetReaderLimits()
{
    static const bool once = [] {
        QImageReader::setAllocationLimit(int(MaxPixelBytes >> 20));
        return true;
    }();
    Q_UNUSED(once);
}

QImage Orient(const QImage &image, int quarterTurns, bool flip)
{
    QImage out = quarterTurns == 0 ? image : image.transformed(QTransform().rotate(90.0 * quarterTurns));
    if (flip)
        out = out.mirrored(true, false);
    return out;
}

// The scale M/8 that the JPEG reader picks for a requested size (the smallest not below
// it), computed as the reader computes it.
int JpegScaleEighths(QSize raw, QSize requested)
{
    const double f = qMin(double(raw.width()) / requested.width(), double(raw.height()) / requested.height());
    return qBound(1, qCeil(8 / f), 8);
}

// The size the JPEG decoder reaches by itself on the way to target (every side times
// M/8, rounded up), when asking the reader for exactly that size makes it pick the same
// M and so scale no further; empty otherwise.
QSize ExactJpegSize(QSize raw, QSize target)
{
    const int eighths = JpegScaleEighths(raw, target);
    const QSize exact(int((qint64(raw.width()) * eighths + 7) / 8), int((qint64(raw.height()) * eighths + 7) / 8));
    return JpegScaleEighths(raw, exact) == eighths ? exact : QSize();
}

} // namespace

struct GpImage::Private {
    GpStatus status = GpStatus::Ok;
    QString error;
    QByteArray data;
    ImageFormat format = ImageFormat::Unknown;
    QSize rawSize;            // as stored, before turning
    QList<quint32> delays;    // GIF only: hundredths of a second per frame
    int frameCount = 0;
    int activeFrame = 0;
    int iconIndex = 0;        // the entry of an icon or cursor file that is shown
    int quarterTurns = 0;
    bool flip = false;

    // Sequential compositor of animation frames; a frame before the next one restarts it.
    std::unique_ptr<GifDecoder> gif;
    int nextFrame = 0;
    QImage cachedFrame;
    int cachedIndex = -1;
    int firstBadFrame = -1;   // frames from here on do not decode

    QSize RawOf(QSize turned) const { return quarterTurns % 2 ? turned.transposed() : turned; }
    GpStatus Fail(GpStatus s, const QString &why)
    {
        error = why;
        return s;
    }
    GpStatus ReadOwnHeader();
    GpStatus DecodeGifFrame(int index, QImage &out);
    GpStatus DecodeStill(QSize rawTarget, QImage &out);
};

GpImage::GpImage() = default;
GpImage::~GpImage() = default;
GpImage::GpImage(GpImage &&other) noexcept = default;
GpImage &GpImage::operator=(GpImage &&other) noexcept = default;

GpImage GpImage::Failed(GpStatus status, const QString &error)
{
    GpImage image;
    image.d = std::make_unique<Private>();
    image.d->status = status;
    image.d->error = error;
    return image;
}

GpImage GpImage::LoadFromFile(const QString &path)
{
    if (!GdiplusRunning())
        return Failed(GpStatus::GdiplusNotInitialized, QStringLiteral("the imaging library is not started"));
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return Failed(GpStatus::FileNotFound, QStringLiteral("file not found"));
    if (!info.isFile())
        return Failed(GpStatus::AccessDenied, QStringLiteral("not a file"));
    if (info.size() > MaxFileBytes)
        return Failed(GpStatus::OutOfMemory, QStringLiteral("file too large"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failed(GpStatus::AccessDenied, file.errorString());
    const QByteArray bytes = file.readAll();
    if (bytes.size() > MaxFileBytes) // grew after the size check
        return Failed(GpStatus::OutOfMemory, QStringLiteral("file too large"));
    return Load(bytes);
}

GpImage GpImage::LoadFromMemory(const QByteArray &bytes)
{
    if (!GdiplusRunning())
        return Failed(GpStatus::GdiplusNotInitialized, QStringLiteral("the imaging library is not started"));
    if (bytes.size() > MaxFileBytes)
        return Failed(GpStatus::OutOfMemory, QStringLiteral("data too large"));
    return Load(bytes);
}

GpImage GpImage::Load(const QByteArray &bytes)
{
    SetReaderLimits();
    auto p = std::make_unique<Private>();
    p->data = bytes;

    const MetafileKind metafile = DetectMetafile(bytes);
    if (metafile != MetafileKind::None) {
        const MetafileInfo info = ReadMetafileInfo(bytes);
        if (info.pixelSize.isEmpty())
            return Failed(GpStatus::GenericError, info.error.isEmpty() ? QStringLiteral("damaged metafile") : info.error);
        if (info.pixelSize.width() > MaxImageSide || info.pixelSize.height() > MaxImageSide)
            return Failed(GpStatus::OutOfMemory, QStringLiteral("picture too large"));
        p->format = metafile == MetafileKind::Emf ? ImageFormat::Emf : ImageFormat::Wmf;
        p->rawSize = info.pixelSize;
        p->frameCount = 1;
        GpImage image;
        image.d = std::move(p);
        return image;
    }

    p->format = SniffRaster(bytes);
    if (p->format == ImageFormat::Unknown)
        return Failed(GpStatus::UnknownImageFormat, QStringLiteral("not an image format we read"));

    // Formats of our own decoders: they read their headers themselves. JPEG and PNG go
    // through Qt's readers below.
    if (p->format != ImageFormat::Jpeg && p->format != ImageFormat::Png) {
        const GpStatus status = p->ReadOwnHeader();
        if (status != GpStatus::Ok)
            return Failed(status, p->error);
        GpImage image;
        image.d = std::move(p);
        return image;
    }

    QBuffer buffer(&p->data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, QtFormatName(p->format));
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty())
        return Failed(GpStatus::GenericError, QStringLiteral("damaged image header"));
    if (size.width() > MaxImageSide || size.height() > MaxImageSide)
        return Failed(GpStatus::OutOfMemory, QStringLiteral("image dimensions too large"));
    p->rawSize = size;
    p->frameCount = 1;

    // Photos show upright: the EXIF orientation is the picture's base turn, so every
    // decoder and every consumer gets the upright picture.
    if (p->format == ImageFormat::Jpeg) {
        const PictureTurn upright = ExifOrientationTurn(ReadExifOrientation(p->data));
        p->quarterTurns = upright.quarterTurns;
        p->flip = upright.flip;
    }

    GpImage image;
    image.d = std::move(p);
    return image;
}

bool GpImage::IsLoaded() const
{
    return d && d->status == GpStatus::Ok && d->format != ImageFormat::Unknown;
}

GpStatus GpImage::Status() const
{
    return d ? d->status : GpStatus::InvalidParameter;
}

QString GpImage::ErrorString() const
{
    return d ? d->error : QStringLiteral("no image");
}

ImageFormat GpImage::Format() const
{
    return IsLoaded() ? d->format : ImageFormat::Unknown;
}

QSize GpImage::Size() const
{
    return IsLoaded() ? (d->quarterTurns % 2 ? d->rawSize.transposed() : d->rawSize) : QSize(0, 0);
}

int GpImage::Width() const
{
    return Size().width();
}

int GpImage::Height() const
{
    return Size().height();
}

int GpImage::FrameCount() const
{
    return IsLoaded() ? d->frameCount : 0;
}

int GpImage::ActiveFrame() const
{
    return IsLoaded() ? d->activeFrame : 0;
}

GpStatus GpImage::SelectActiveFrame(int index)
{
    if (!IsLoaded())
        return GpStatus::InvalidParameter;
    if (index < 0 || index >= d->frameCount)
        return GpStatus::InvalidParameter;
    d->activeFrame = index;
    return GpStatus::Ok;
}

GpStatus GpImage::GetPropertyItemSize(quint32 tag, quint32 &size) const
{
    size = 0;
    if (!IsLoaded())
        return GpStatus::InvalidParameter;
    if (tag != PropertyTagFrameDelay || d->format != ImageFormat::Gif)
        return GpStatus::PropertyNotFound;
    size = 16 + 4 * quint32(d->delays.size());
    return GpStatus::Ok;
}

GpStatus GpImage::GetPropertyItem(quint32 tag, quint32 size, PropertyItem &item) const
{
    quint32 needed = 0;
    const GpStatus status = GetPropertyItemSize(tag, needed);
    if (status != GpStatus::Ok)
        return status;
    if (size < needed)
        return GpStatus::InvalidParameter;
    QByteArray value;
    value.reserve(d->delays.size() * 4);
    for (const quint32 delay : d->delays) {
        for (int shift = 0; shift < 32; shift += 8)
            value.append(char((delay >> shift) & 0xFF));
    }
    item.id = tag;
    item.length = quint32(value.size());
    item.type = PropertyTagTypeLong;
    item.value = value;
    return GpStatus::Ok;
}

GpStatus GpImage::RotateFlip(int type)
{
    if (!IsLoaded() || type < 0 || type > 7)
        return GpStatus::InvalidParameter;
    // New turn after the old one: a mirror reverses the sense of the turns before it.
    const int turns = type & 3;
    const bool flip = type >= 4;
    d->quarterTurns = (d->flip ? d->quarterTurns - turns + 4 : d->quarterTurns + turns) % 4;
    d->flip = d->flip != flip;
    return GpStatus::Ok;
}

GpStatus GpImage::Private::ReadOwnHeader()
{
    QSize size;
    if (format == ImageFormat::Gif) {
        const GifLayout layout = ScanGif(data);
        if (!layout.valid || layout.delays.isEmpty())
            return Fail(GpStatus::GenericError, QStringLiteral("damaged GIF"));
        // A screen of no size: the first frame's extent, as far as it reaches.
        size = !layout.screen.isEmpty() ? layout.screen
                                        : QSize(layout.firstFrame.x() + layout.firstFrame.width(),
                                                layout.firstFrame.y() + layout.firstFrame.height());
        delays = layout.delays;
        frameCount = int(layout.delays.size());
    } else if (format == ImageFormat::Tiff) {
        const TiffInfo info = ReadTiffInfo(data);
        if (info.size.isEmpty())
            return Fail(GpStatus::GenericError, info.error);
        size = info.size;
        frameCount = 1; // pages are not frames in time
    } else if (format == ImageFormat::Bmp || format == ImageFormat::Icon) {
        // The BMP family (BMP, DIB, RLE, icons and cursors).
        const BmpFamilyInfo info = ReadBmpFamilyInfo(data, format);
        if (!info.error.isEmpty())
            return Fail(GpStatus::GenericError, info.error);
        size = info.size;
        iconIndex = info.entry;
        frameCount = 1;
    }
    if (size.isEmpty())
        return Fail(GpStatus::GenericError, QStringLiteral("damaged image header"));
    if (size.width() > MaxImageSide || size.height() > MaxImageSide)
        return Fail(GpStatus::OutOfMemory, QStringLiteral("image dimensions too large"));
    rawSize = size;
    return GpStatus::Ok;
}

GpStatus GpImage::Private::DecodeGifFrame(int index, QImage &out)
{
    if (firstBadFrame >= 0 && index >= firstBadFrame)
        index = firstBadFrame - 1;
    if (index < 0)
        return Fail(GpStatus::GenericError, QStringLiteral("damaged GIF data"));
    if (index == cachedIndex) {
        out = cachedFrame;
        return GpStatus::Ok;
    }
    if (!FitsDecodeBudget(rawSize))
        return Fail(GpStatus::OutOfMemory, QStringLiteral("image too large to decode"));
    if (!gif || index < nextFrame) {
        gif.reset();
        cachedFrame = QImage();
        gif = std::make_unique<GifDecoder>(data, rawSize);
        nextFrame = 0;
        cachedIndex = -1;
    }
    while (nextFrame <= index) {
        const QImage frame = gif->NextFrame();
        if (frame.isNull()) {
            // A damaged frame ends the animation at the last good one.
            firstBadFrame = nextFrame;
            gif.reset();
            if (cachedIndex < 0)
                return Fail(GpStatus::GenericError, QStringLiteral("damaged GIF data"));
            break;
        }
        cachedFrame = frame;
        cachedIndex = nextFrame++;
    }
    out = cachedFrame;
    return GpStatus::Ok;
}

GpStatus GpImage::Private::DecodeStill(QSize rawTarget, QImage &out)
{
    if (format == ImageFormat::Tiff) {
        TiffPicture picture = DecodeTiff(data, rawTarget);
        if (picture.image.isNull())
            return Fail(picture.tooLarge ? GpStatus::OutOfMemory : GpStatus::GenericError, picture.error);
        out = picture.image;
        return GpStatus::Ok;
    }
    if (format == ImageFormat::Png && HasSixteenBitColourKey(data)) {
        if (!FitsPixelBudget(rawSize, 8))
            return Fail(GpStatus::OutOfMemory, QStringLiteral("image too large to decode"));
        ColourKeyPicture picture = DecodeSixteenBitColourKey(data);
        if (picture.image.isNull())
            return Fail(GpStatus::GenericError, picture.error);
        out = picture.image;
        return GpStatus::Ok;
    }
    if (format == ImageFormat::Bmp || format == ImageFormat::Icon) {
        BmpFamilyFrame frame = DecodeBmpFamily(data, format, iconIndex, rawTarget == rawSize ? QSize() : rawTarget);
        if (frame.status != GpStatus::Ok)
            return Fail(frame.status, frame.error);
        out = std::move(frame.image);
        return GpStatus::Ok;
    }
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, QtFormatName(format));
    reader.setAutoTransform(false);
    const bool smaller = rawTarget.width() <= rawSize.width() && rawTarget.height() <= rawSize.height()
                         && rawTarget != rawSize;
    QSize decodeSize = rawSize;
    if (smaller && reader.supportsOption(QImageIOHandler::ScaledSize)) {
        reader.setScaledSize(rawTarget);
        decodeSize = rawTarget;
    }
    if (!FitsDecodeBudget(decodeSize))
        return Fail(GpStatus::OutOfMemory, QStringLiteral("image too large to decode"));
    out = reader.read();
    if (out.isNull())
        return Fail(GpStatus::GenericError, reader.errorString());
    return GpStatus::Ok;
}

GpStatus GpImage::DecodeFrame(QSize size, QImage &out)
{
    out = QImage();
    if (!IsLoaded())
        return GpStatus::InvalidParameter;
    if (size.isEmpty())
        size = Size();
    const QSize rawTarget = d->RawOf(size);
    if (!FitsDecodeBudget(rawTarget))
        return d->Fail(GpStatus::OutOfMemory, QStringLiteral("target too large"));

    QImage frame;
    GpStatus status = GpStatus::Ok;
    if (d->format == ImageFormat::Emf || d->format == ImageFormat::Wmf) {
        frame = RenderMetafile(d->data, rawTarget);
        if (frame.isNull())
            status = d->Fail(GpStatus::GenericError, QStringLiteral("damaged metafile"));
    } else if (d->format == ImageFormat::Gif) {
        status = d->DecodeGifFrame(d->activeFrame, frame);
    } else {
        status = d->DecodeStill(rawTarget, frame);
    }
    if (status != GpStatus::Ok)
        return status;
    if (frame.size() != rawTarget)
        frame = frame.scaled(rawTarget, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    out = Orient(frame, d->quarterTurns, d->flip);
    return out.isNull() ? GpStatus::OutOfMemory : GpStatus::Ok;
}

GpStatus GpImage::DrawFrameInto(QImage &target, const QColor &background, QImage &scratch)
{
    if (!IsLoaded() || target.isNull())
        return GpStatus::InvalidParameter;
    const QSize size = target.size();
    const QSize raw = d->rawSize;
    const bool jpegAsStored = d->format == ImageFormat::Jpeg && d->quarterTurns == 0 && !d->flip;
    const QSize exact = jpegAsStored && size.width() <= raw.width() && size.height() <= raw.height()
                            ? ExactJpegSize(raw, size)
                            : QSize();
    if (!exact.isEmpty()) {
        if (!FitsDecodeBudget(exact))
            return d->Fail(GpStatus::OutOfMemory, QStringLiteral("image too large to decode"));
        QBuffer buffer(&d->data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "jpeg");
        reader.setAutoTransform(false);
        if (exact != raw)
            reader.setScaledSize(exact);
        // The reader writes into an image of its own size and format without allocating.
        const bool direct = exact == size && reader.imageFormat() == target.format();
        QImage &decoded = direct ? target : scratch;
        if (!reader.read(&decoded)) {
            target.fill(background); // no half-written picture
            return d->Fail(GpStatus::GenericError, reader.errorString());
        }
        if (direct)
            return GpStatus::Ok;
        QPainter painter(&target);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        if (decoded.width() >= 2 * size.width() || decoded.height() >= 2 * size.height()) {
            // Filtering samples only neighbours: far smaller, it would alias.
            painter.drawImage(0, 0, decoded.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        } else {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(QRect(QPoint(0, 0), size), decoded);
        }
        return GpStatus::Ok;
    }

    QImage frame;
    const GpStatus status = DecodeFrame(size, frame);
    if (status != GpStatus::Ok) {
        target.fill(background);
        return status;
    }
    // An opaque frame in the bitmap's form becomes its pixels: no clear and no copy.
    if (!frame.hasAlphaChannel() && frame.format() == target.format()) {
        target = frame;
        return GpStatus::Ok;
    }
    target.fill(background);
    QPainter painter(&target);
    painter.drawImage(0, 0, frame);
    return GpStatus::Ok;
}

GpStatus GpImage::DrawImageRect(QPainter &painter, const QRect &target)
{
    if (!IsLoaded() || target.isEmpty())
        return GpStatus::InvalidParameter;
    QImage frame;
    const GpStatus status = DecodeFrame(target.size(), frame);
    if (status != GpStatus::Ok)
        return status;
    painter.drawImage(target.topLeft(), frame);
    return GpStatus::Ok;
}

void GpImage::Dispose()
{
    d.reset();
}

} // namespace mv
