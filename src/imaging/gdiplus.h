#pragma once

#include "imaging/codec.h"

#include <QByteArrayList>
#include <QColor>
#include <QList>
#include <QString>
#include <QUuid>
#include <QtGlobal>

#include <utility>
#include <variant>

namespace mv {

// Start-up and shutdown of the imaging library, kept as a pair: the start-up hands out a
// non-zero token that the shutdown takes back. Status 0 means success.

inline constexpr int GdiplusOk = 0;
inline constexpr int GdiplusGenericError = 1;

// The decoders the program cannot work without.
QByteArrayList RequiredImageFormats();

// Fails when one of the required decoders is missing from available.
int GdiplusStartup(quint32 &token, const QByteArrayList &available);
int GdiplusStartup(quint32 &token);
void GdiplusShutdown(quint32 token);
bool GdiplusRunning();

// Encoders by format number: 0 BMP, 1 EMF, 2 WMF, 3 JPEG, 4 PNG, 5 GIF, 6 TIFF, 7 ICON.
// Any other number gives the null identifier.
QUuid EncoderClsid(int format);
inline constexpr int JpegFormat = 3;

// The quality parameter of the JPEG encoder.
QUuid EncoderQuality();
inline constexpr quint32 EncoderParameterValueTypeLong = 4;

struct EncoderParameter {
    QUuid Guid;
    quint32 NumberOfValues = 0;
    quint32 Type = 0;
    const void *Value = nullptr;
};
struct EncoderParameters {
    QList<EncoderParameter> Parameter;
};

// Writes the active frame, turned as the image is, with the encoder; the file is replaced
// only once it has been written completely. Encoders without a writer here (EMF, WMF,
// GIF) give UnknownImageFormat.
GpStatus SaveImageToFile(GpImage &image, const QString &path, const QUuid &encoder,
                         const EncoderParameters *parameters);

// JPEG at quality 0 to 100. Transparent parts are laid on white, which JPEG cannot hold.
GpStatus SaveJpeg(GpImage &image, const QString &path, int quality);

// A property value converted by its type. error is 0, 5 (no value) or 461 (unknown type)
// with source "GetPropertyValue"; lists start at index 0 here.
struct URational {
    quint32 numerator = 0;
    quint32 denominator = 0;
    bool operator==(const URational &) const = default;
};
struct SRational {
    qint32 numerator = 0;
    qint32 denominator = 0;
    bool operator==(const SRational &) const = default;
};
using PropertyValueData = std::variant<std::monostate, QList<quint8>, QString, QList<quint16>, QList<quint32>,
                                       QList<qint32>, QList<URational>, QList<SRational>>;
struct PropertyValue {
    int error = 0;
    QString source;
    PropertyValueData value;
};
[[nodiscard]] PropertyValue GetPropertyValue(const PropertyItem &item);

// Milliseconds a frame stays for a delay d in hundredths: 50 for d up to 4, d x 10 up to
// 6000, 60000 beyond.
int FrameDelayMs(quint32 hundredths);

struct FrameDelays {
    GpStatus status = GpStatus::Ok;
    QList<int> milliseconds;   // one per frame
};
// The frame delays of an image through its property 0x5100, after the rule above.
[[nodiscard]] FrameDelays ReadFrameDelays(const GpImage &image);

// "1024×768", or empty when the file does not load.
QString ImageSizeText(const QString &path);

// What a picture is laid on where it has transparent parts: white for a metafile, which is a
// page whose black text and lines must show on any canvas; canvas for every other picture.
QColor PictureBackground(ImageFormat format, const QColor &canvas);

// The format a turned copy is written in, so that its bytes match its name: JPEG, PNG, BMP
// and TIFF keep their own (transparency kept); the formats we do not write (GIF, icons,
// metafiles) give PNG. Unknown for an unknown format or a file that does not load.
ImageFormat TurnedCopyFormat(ImageFormat source);
ImageFormat TurnedCopyFormat(const QString &source);

// Writes a copy of source, as shown upright and then turned clockwise by code quarter turns,
// to target in TurnedCopyFormat. A JPEG is turned losslessly, its metadata kept and its
// orientation reset, where its size is a whole number of blocks; otherwise it is encoded
// again at quality 100. Target is replaced only once the copy is complete; a source that
// does not load leaves it untouched. The status says whether the copy was written.
[[nodiscard]] GpStatus RotateImageFile(const QString &source, const QString &target, int code);

} // namespace mv
