#include "imaging/pngcolourkey.h"

#include <QBuffer>
#include <QImageReader>

#include <optional>

namespace mv {

namespace {

struct ColourKey {
    quint16 rgb[3] = {};
    qint64 chunkAt = 0;     // the tRNS chunk, length field to CRC
    qint64 chunkSize = 0;
};

quint32 BigEndian32(const QByteArray &data, qint64 at)
{
    const auto *p = reinterpret_cast<const uchar *>(data.constData() + at);
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}

quint16 BigEndian16(const QByteArray &data, qint64 at)
{
    const auto *p = reinterpret_cast<const uchar *>(data.constData() + at);
    return quint16(p[0] << 8 | p[1]);
}

// Walks the chunks up to the first IDAT. Every chunk is checked to lie inside the data
// before it is read; a chunk that does not ends the walk with no key.
std::optional<ColourKey> FindColourKey(const QByteArray &data)
{
    static const QByteArray signature("\x89PNG\r\n\x1A\n", 8);
    if (!data.startsWith(signature))
        return std::nullopt;
    const qint64 size = data.size();
    bool sixteenBitRgb = false;
    for (qint64 at = signature.size(); at <= size - 12;) {
        const qint64 length = BigEndian32(data, at);
        if (length > size - at - 12)
            return std::nullopt;
        const QByteArray type = data.mid(at + 4, 4);
        if (at == signature.size()) {
            if (type != "IHDR" || length < 13)
                return std::nullopt;
            const int depth = quint8(data.at(at + 8 + 8));
            const int colourType = quint8(data.at(at + 8 + 9));
            sixteenBitRgb = depth == 16 && colourType == 2;
            if (!sixteenBitRgb)
                return std::nullopt;
        } else if (type == "tRNS") {
            if (length < 6)
                return std::nullopt;
            ColourKey key;
            for (int i = 0; i < 3; ++i)
                key.rgb[i] = BigEndian16(data, at + 8 + 2 * i);
            key.chunkAt = at;
            key.chunkSize = 12 + length;
            return key;
        } else if (type == "IDAT" || type == "IEND") {
            return std::nullopt;
        }
        at += 12 + length;
    }
    return std::nullopt;
}

} // namespace

bool HasSixteenBitColourKey(const QByteArray &data)
{
    return FindColourKey(data).has_value();
}

ColourKeyPicture DecodeSixteenBitColourKey(const QByteArray &data)
{
    ColourKeyPicture result;
    const std::optional<ColourKey> key = FindColourKey(data);
    if (!key) {
        result.error = QStringLiteral("not a 16-bit PNG with a transparent colour");
        return result;
    }
    QByteArray plain = data.left(key->chunkAt) + data.mid(key->chunkAt + key->chunkSize);
    QBuffer buffer(&plain);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    reader.setAutoTransform(false);
    QImage image = reader.read();
    if (image.isNull()) {
        result.error = reader.errorString();
        return result;
    }
    // Opaque 16-bit colour: premultiplied and straight are the same bits.
    image = image.convertToFormat(QImage::Format_RGBA64_Premultiplied);
    if (image.isNull()) {
        result.error = QStringLiteral("out of memory");
        return result;
    }
    const QRgba64 clear = QRgba64::fromRgba64(0, 0, 0, 0);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgba64 *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgba64 p = line[x];
            if (p.red() == key->rgb[0] && p.green() == key->rgb[1] && p.blue() == key->rgb[2])
                line[x] = clear;
        }
    }
    result.image = image;
    return result;
}

} // namespace mv
