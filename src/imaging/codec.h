#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

#include <memory>

class QColor;
class QPainter;

namespace mv {

// Status codes of the imaging library; 0 is success.
enum class GpStatus : int {
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    InsufficientBuffer = 5,
    Win32Error = 7,
    WrongState = 8,
    FileNotFound = 10,
    ValueOverflow = 11,
    AccessDenied = 12,
    UnknownImageFormat = 13,
    GdiplusNotInitialized = 18,
    PropertyNotFound = 19,
};

enum class ImageFormat { Unknown, Bmp, Gif, Jpeg, Png, Tiff, Icon, Emf, Wmf };

// Rotate-and-flip codes: 0 to 3 quarter turns clockwise, 4 to 7 the same followed by a
// horizontal flip.
enum RotateFlipType : int {
    RotateNoneFlipNone = 0,
    Rotate90FlipNone = 1,
    Rotate180FlipNone = 2,
    Rotate270FlipNone = 3,
    RotateNoneFlipX = 4,
    Rotate90FlipX = 5,
    Rotate180FlipX = 6,
    Rotate270FlipX = 7,
};

// Property items as the library hands them out.
inline constexpr quint32 PropertyTagFrameDelay = 0x5100;
enum PropertyTagType : quint16 {
    PropertyTagTypeByte = 1,
    PropertyTagTypeASCII = 2,
    PropertyTagTypeShort = 3,
    PropertyTagTypeLong = 4,
    PropertyTagTypeRational = 5,
    PropertyTagTypeUndefined = 7,
    PropertyTagTypeSLong = 9,
    PropertyTagTypeSRational = 10,
};

struct PropertyItem {
    quint32 id = 0;
    quint32 length = 0;    // value length in bytes
    quint16 type = 0;
    QByteArray value;      // the value bytes; empty stands for "no value address"
};

// Limits that keep hostile headers from making us allocate without bound. Decoded
// frames keep to the pixel budget (pixelbudget.h).
inline constexpr int MaxImageSide = 65535;
inline constexpr qint64 MaxFileBytes = qint64(1) << 30;

// One loaded image: the handle of the imaging library. The file is read into memory
// at load, so it is never held open. Loading reads the header only (format, size, frames);
// pixels are decoded when a frame is drawn, straight at the drawn size where the decoder
// can do that (JPEG), so a large photo shown small is never decoded at full size.
class GpImage
{
public:
    GpImage();
    ~GpImage();
    GpImage(GpImage &&other) noexcept;
    GpImage &operator=(GpImage &&other) noexcept;
    GpImage(const GpImage &) = delete;
    GpImage &operator=(const GpImage &) = delete;

    // A failed load gives an image whose status() says why and that holds nothing.
    [[nodiscard]] static GpImage LoadFromFile(const QString &path);
    [[nodiscard]] static GpImage LoadFromMemory(const QByteArray &bytes);

    bool IsLoaded() const;
    GpStatus Status() const;
    QString ErrorString() const;
    ImageFormat Format() const;

    // Pixel size as turned by RotateFlip.
    int Width() const;
    int Height() const;
    QSize Size() const;

    // Frames in the time dimension: more than 1 only for animated GIF images.
    int FrameCount() const;
    int ActiveFrame() const;
    GpStatus SelectActiveFrame(int index);

    // Property 0x5100 (frame delays, hundredths of a second) of GIF images; other tags and
    // formats give PropertyNotFound. The size counts the 16-byte item head and the value.
    GpStatus GetPropertyItemSize(quint32 tag, quint32 &size) const;
    GpStatus GetPropertyItem(quint32 tag, quint32 size, PropertyItem &item) const;

    // Turns the image in memory; later frames come out turned the same way.
    GpStatus RotateFlip(int type);

    // The active frame, turned, scaled to size (the full size when size is empty).
    [[nodiscard]] GpStatus DecodeFrame(QSize size, QImage &out);
    // The active frame, turned, at target's size over background, written into target's
    // own pixels; target keeps its size and format (a 32-bit RGB bitmap). Where the JPEG
    // decoder scales exactly (by M/8), it decodes into target itself or into scratch, a
    // buffer the caller keeps between pictures: showing one photo after another then
    // touches no fresh memory, whose first touch costs more than the decoding saved.
    // A frame that does not decode leaves target all background.
    [[nodiscard]] GpStatus DrawFrameInto(QImage &target, const QColor &background, QImage &scratch);
    // Draws the active frame scaled into target.
    GpStatus DrawImageRect(QPainter &painter, const QRect &target);

    void Dispose();

private:
    struct Private;
    static GpImage Load(const QByteArray &bytes);
    static GpImage Failed(GpStatus status, const QString &error);
    std::unique_ptr<Private> d;
};

} // namespace mv
