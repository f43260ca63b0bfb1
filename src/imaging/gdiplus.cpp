#include "imaging/gdiplus.h"

#include "app/fields.h"
#include "imaging/exif.h"
#include "imaging/jpegturn.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>
#include <QTemporaryFile>

#include <cstdio>

#include <type_traits>

namespace mv {

namespace {

quint32 gRunningToken = 0;
quint32 gLastToken = 0;

template <typename T>
T ReadLE(const char *p)
{
    std::make_unsigned_t<T> v = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
        v |= std::make_unsigned_t<T>(quint8(p[i])) << (8 * i);
    return T(v);
}

template <typename T>
QList<T> ReadList(const QByteArray &bytes, quint32 length)
{
    QList<T> list;
    const quint32 count = length / sizeof(T);
    list.reserve(count);
    for (quint32 i = 0; i < count; ++i)
        list.append(ReadLE<T>(bytes.constData() + i * sizeof(T)));
    return list;
}

template <typename R, typename T>
QList<R> ReadRationals(const QByteArray &bytes, quint32 length)
{
    QList<R> list;
    const quint32 count = length / 8;
    list.reserve(count);
    for (quint32 i = 0; i < count; ++i) {
        const char *p = bytes.constData() + i * 8;
        list.append(R{ReadLE<T>(p), ReadLE<T>(p + 4)});
    }
    return list;
}

bool IsMetafile(ImageFormat format)
{
    return format == ImageFormat::Emf || format == ImageFormat::Wmf;
}

// Writes the file through a temporary beside it that replaces it only when complete.
template <typename Write>
GpStatus WriteWhole(const QString &path, Write write)
{
    const QFileInfo target(path);
    if (target.isSymLink()) {
        // A link there is replaced itself, never written through: the place it points to
        // is no part of the copy.
        QTemporaryFile temporary(target.absolutePath() + QStringLiteral("/.mirovale-XXXXXX"));
        if (!temporary.open() || !write(static_cast<QIODevice &>(temporary)) || !temporary.flush()
            || !temporary.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                         | QFileDevice::ReadOther))
            return GpStatus::Win32Error;
        if (::rename(QFile::encodeName(temporary.fileName()).constData(), QFile::encodeName(path).constData()) != 0)
            return GpStatus::Win32Error;
        temporary.setAutoRemove(false); // it is the target now
        return GpStatus::Ok;
    }
    QSaveFile file(path);
    // Unbuffered, so that a write cut short by a full disk fails here instead of
    // committing a cut file.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return GpStatus::Win32Error;
    if (!write(static_cast<QIODevice &>(file))) {
        file.cancelWriting();
        return GpStatus::Win32Error;
    }
    return file.commit() ? GpStatus::Ok : GpStatus::Win32Error;
}

int EncoderNumber(ImageFormat format)
{
    switch (format) {
    case ImageFormat::Bmp: return 0;
    case ImageFormat::Jpeg: return JpegFormat;
    case ImageFormat::Png: return 4;
    case ImageFormat::Tiff: return 6;
    default: return -1;
    }
}

QByteArray WriterFormat(const QUuid &encoder)
{
    if (encoder == EncoderClsid(0))
        return "bmp";
    if (encoder == EncoderClsid(JpegFormat))
        return "jpeg";
    if (encoder == EncoderClsid(4))
        return "png";
    if (encoder == EncoderClsid(6))
        return "tiff";
    if (encoder == EncoderClsid(7))
        return "ico";
    return {};
}

} // namespace

QByteArrayList RequiredImageFormats()
{
    return {"bmp", "gif", "jpeg", "png", "ico"};
}

int GdiplusStartup(quint32 &token, const QByteArrayList &available)
{
    token = 0;
    for (const QByteArray &format : RequiredImageFormats()) {
        if (!available.contains(format))
            return GdiplusGenericError;
    }
    if (gRunningToken == 0)
        gRunningToken = ++gLastToken;
    token = gRunningToken;
    return GdiplusOk;
}

int GdiplusStartup(quint32 &token)
{
    return GdiplusStartup(token, QImageReader::supportedImageFormats());
}

void GdiplusShutdown(quint32 token)
{
    if (token != 0 && token == gRunningToken)
        gRunningToken = 0;
}

bool GdiplusRunning()
{
    return gRunningToken != 0;
}

QUuid EncoderClsid(int format)
{
    if (format < 0 || format > 7)
        return QUuid();
    static const int lastGroup[] = {0xF400, 0xF403, 0xF404, 0xF401, 0xF406, 0xF402, 0xF405, 0xF407};
    return QUuid(uint(0x557C0000u | uint(lastGroup[format])), 0x1A04, 0x11D3, 0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E,
                 0xF3, 0x2E);
}

QUuid EncoderQuality()
{
    return QUuid(0x1D5BE4B5, 0xFA4A, 0x452D, 0x9C, 0xDD, 0x5D, 0xB3, 0x51, 0x05, 0xE7, 0xEB);
}

GpStatus SaveImageToFile(GpImage &image, const QString &path, const QUuid &encoder,
                         const EncoderParameters *parameters)
{
    if (!image.IsLoaded() || path.isEmpty())
        return GpStatus::InvalidParameter;
    const QByteArray format = WriterFormat(encoder);
    if (format.isEmpty())
        return GpStatus::UnknownImageFormat;
    int quality = -1;
    if (parameters) {
        for (const EncoderParameter &parameter : parameters->Parameter) {
            if (parameter.Guid != EncoderQuality())
                continue;
            if (parameter.NumberOfValues != 1 || parameter.Type != EncoderParameterValueTypeLong || !parameter.Value)
                return GpStatus::InvalidParameter;
            quality = *static_cast<const qint32 *>(parameter.Value);
            if (quality < 0 || quality > 100)
                return GpStatus::InvalidParameter;
        }
    }

    QImage frame;
    const GpStatus decoded = image.DecodeFrame(QSize(), frame);
    if (decoded != GpStatus::Ok)
        return decoded;
    // JPEG holds no transparency, and a metafile is a page.
    if ((format == "jpeg" || IsMetafile(image.Format())) && frame.hasAlphaChannel()) {
        QImage flat(frame.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter painter(&flat);
        painter.drawImage(0, 0, frame);
        painter.end();
        frame = flat;
    }

    return WriteWhole(path, [&](QIODevice &device) {
        QImageWriter writer(&device, format);
        if (quality >= 0)
            writer.setQuality(quality);
        if (format == "tiff")
            writer.setCompression(1); // LZW: lossless, and smaller than raw rows
        return writer.write(frame);
    });
}

GpStatus SaveJpeg(GpImage &image, const QString &path, int quality)
{
    const qint32 value = quality;
    EncoderParameters parameters;
    parameters.Parameter.append({EncoderQuality(), 1, EncoderParameterValueTypeLong, &value});
    return SaveImageToFile(image, path, EncoderClsid(JpegFormat), &parameters);
}

PropertyValue GetPropertyValue(const PropertyItem &item)
{
    PropertyValue result;
    // A length beyond the bytes actually held would read past them: treated like no value.
    if (item.length == 0 || item.value.isEmpty() || item.length > quint32(item.value.size())) {
        result.error = 5;
        result.source = QStringLiteral("GetPropertyValue");
        return result;
    }
    switch (item.type) {
    case PropertyTagTypeByte:
    case PropertyTagTypeUndefined:
        result.value = ReadList<quint8>(item.value, item.length);
        break;
    case PropertyTagTypeASCII: {
        QByteArray text = item.value.left(item.length);
        const qsizetype nul = text.indexOf('\0');
        if (nul >= 0)
            text.truncate(nul);
        result.value = BytesToText(text);
        break;
    }
    case PropertyTagTypeShort:
        result.value = ReadList<quint16>(item.value, item.length);
        break;
    case PropertyTagTypeLong:
        result.value = ReadList<quint32>(item.value, item.length);
        break;
    case PropertyTagTypeSLong:
        result.value = ReadList<qint32>(item.value, item.length);
        break;
    case PropertyTagTypeRational:
        result.value = ReadRationals<URational, quint32>(item.value, item.length);
        break;
    case PropertyTagTypeSRational:
        result.value = ReadRationals<SRational, qint32>(item.value, item.length);
        break;
    default:
        result.error = 461;
        result.source = QStringLiteral("GetPropertyValue");
        break;
    }
    return result;
}

int FrameDelayMs(quint32 hundredths)
{
    if (hundredths >= 6001)
        return 60000;
    if (hundredths >= 5)
        return int(hundredths) * 10;
    return 50;
}

FrameDelays ReadFrameDelays(const GpImage &image)
{
    FrameDelays result;
    quint32 size = 0;
    result.status = image.GetPropertyItemSize(PropertyTagFrameDelay, size);
    if (result.status != GpStatus::Ok)
        return result;
    PropertyItem item;
    result.status = image.GetPropertyItem(PropertyTagFrameDelay, size, item);
    if (result.status != GpStatus::Ok)
        return result;
    const PropertyValue value = GetPropertyValue(item);
    const auto *delays = std::get_if<QList<quint32>>(&value.value);
    if (value.error != 0 || !delays) {
        result.status = GpStatus::GenericError;
        return result;
    }
    result.milliseconds.reserve(delays->size());
    for (const quint32 d : *delays)
        result.milliseconds.append(FrameDelayMs(d));
    return result;
}

QString ImageSizeText(const QString &path)
{
    const GpImage image = GpImage::LoadFromFile(path);
    if (!image.IsLoaded())
        return QString();
    return QString::number(image.Width()) + QChar(0x00D7) + QString::number(image.Height());
}

QColor PictureBackground(ImageFormat format, const QColor &canvas)
{
    return IsMetafile(format) ? QColor(Qt::white) : canvas;
}

ImageFormat TurnedCopyFormat(ImageFormat source)
{
    switch (source) {
    case ImageFormat::Unknown: return ImageFormat::Unknown;
    case ImageFormat::Jpeg:
    case ImageFormat::Png:
    case ImageFormat::Bmp:
    case ImageFormat::Tiff: return source;
    default: return ImageFormat::Png;
    }
}

ImageFormat TurnedCopyFormat(const QString &source)
{
    return TurnedCopyFormat(GpImage::LoadFromFile(source).Format());
}

GpStatus RotateImageFile(const QString &source, const QString &target, int code)
{
    GpImage image = GpImage::LoadFromFile(source);
    if (!image.IsLoaded())
        return image.Status();
    const ImageFormat format = TurnedCopyFormat(image.Format());
    if (format == ImageFormat::Jpeg && code >= 0 && code <= 3) {
        QFile file(source);
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.read(MaxFileBytes) : QByteArray();
        // What was seen (the stored picture turned upright), turned by code.
        const PictureTurn turn = ThenTurn(ExifOrientationTurn(ReadExifOrientation(bytes)), code);
        const JpegTurn lossless = TurnJpegLossless(bytes, turn);
        if (lossless.status == JpegTurnStatus::Ok)
            return WriteWhole(target, [&](QIODevice &device) {
                return device.write(lossless.jpeg) == lossless.jpeg.size();
            });
    }
    const GpStatus turned = image.RotateFlip(code);
    if (turned != GpStatus::Ok)
        return turned;
    if (format == ImageFormat::Jpeg)
        return SaveJpeg(image, target, 100);
    return SaveImageToFile(image, target, EncoderClsid(EncoderNumber(format)), nullptr);
}

} // namespace mv
