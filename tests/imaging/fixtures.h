#pragma once

// Image files made by the tests: encoded through Qt where it has a writer, written byte by
// byte where it has none (GIF, run-length BMP, multi-picture icons).

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QList>
#include <QPainter>
#include <QRandomGenerator>
#include <QString>
#include <QTemporaryDir>

namespace mv::test {

// A folder for the pictures of failed comparisons: kept for a look when it holds any, gone
// when it stays empty.
class FailureFolder
{
public:
    FailureFolder() { mDir.setAutoRemove(false); }
    ~FailureFolder() { QDir().rmdir(mDir.path()); }
    FailureFolder(const FailureFolder &) = delete;
    FailureFolder &operator=(const FailureFolder &) = delete;
    QString filePath(const QString &name) const { return mDir.filePath(name); }

private:
    QTemporaryDir mDir;
};

inline void PutLE(QByteArray &out, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

inline QByteArray Encode(const QImage &image, const char *format, int quality = -1)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0)
        writer.setQuality(quality);
    writer.write(image);
    return bytes;
}

// A picture that tells its orientation apart: red top-left quadrant, green top-right,
// blue bottom-left, white bottom-right.
inline QImage Quadrants(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    p.fillRect(0, 0, width / 2, height / 2, Qt::red);
    p.fillRect(width / 2, 0, width - width / 2, height / 2, Qt::green);
    p.fillRect(0, height / 2, width / 2, height - height / 2, Qt::blue);
    p.fillRect(width / 2, height / 2, width - width / 2, height - height / 2, Qt::white);
    return image;
}

// Gradient, shapes and noise: compresses like a camera photo.
inline QImage PhotoLike(int width, int height, quint32 seed = 7)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor(90, 140, 210));
    sky.setColorAt(0.6, QColor(200, 220, 235));
    sky.setColorAt(1, QColor(70, 110, 50));
    p.fillRect(image.rect(), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(240, 200, 80));
    p.drawEllipse(QPointF(width * 0.75, height * 0.25), width * 0.08, width * 0.08);
    p.setBrush(QColor(60, 80, 40));
    p.drawRect(QRectF(0, height * 0.7, width, height * 0.3));
    p.end();
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int n = int(random.bounded(25u)) - 12;
            const QRgb c = line[x];
            line[x] = qRgb(qBound(0, qRed(c) + n, 255), qBound(0, qGreen(c) + n, 255), qBound(0, qBlue(c) + n, 255));
        }
    }
    return image;
}

// A GIF of full-screen frames over one 256-colour table; frames hold colour indices.
// The LZW stream sends literal codes only, with a clear code often enough that the code
// size never grows past 9 bits.
inline QByteArray MakeGif(int width, int height, const QList<QRgb> &palette, const QList<QByteArray> &frames,
                          const QList<quint32> &delays, int transparentIndex = -1)
{
    QByteArray out("GIF89a");
    PutLE(out, quint32(width), 2);
    PutLE(out, quint32(height), 2);
    out.append(char(0xF7)).append('\0').append('\0');
    for (int i = 0; i < 256; ++i) {
        const QRgb c = palette.value(i, qRgb(0, 0, 0));
        out.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
    }
    // Loop forever.
    out.append("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    for (qsizetype f = 0; f < frames.size(); ++f) {
        out.append("\x21\xF9\x04", 3);
        out.append(char(transparentIndex >= 0 ? 0x05 : 0x04)); // leave the frame in place
        PutLE(out, delays.value(f, 0), 2);
        out.append(char(transparentIndex >= 0 ? transparentIndex : 0)).append('\0');
        out.append(',');
        PutLE(out, 0, 2);
        PutLE(out, 0, 2);
        PutLE(out, quint32(width), 2);
        PutLE(out, quint32(height), 2);
        out.append('\0');
        out.append(char(8));
        QByteArray codes;
        quint32 acc = 0;
        int bits = 0;
        const auto put = [&](quint32 code) {
            acc |= code << bits;
            bits += 9;
            while (bits >= 8) {
                codes.append(char(acc & 0xFF));
                acc >>= 8;
                bits -= 8;
            }
        };
        put(256);
        int sinceClear = 0;
        for (const char index : frames.at(f)) {
            if (sinceClear == 200) {
                put(256);
                sinceClear = 0;
            }
            put(quint8(index));
            ++sinceClear;
        }
        put(257);
        if (bits > 0)
            codes.append(char(acc & 0xFF));
        for (qsizetype at = 0; at < codes.size(); at += 255) {
            const QByteArray block = codes.mid(at, 255);
            out.append(char(block.size())).append(block);
        }
        out.append('\0');
    }
    out.append(';');
    return out;
}

// A GIF whose frames are each one solid colour of the list.
inline QByteArray SolidGif(int width, int height, const QList<QRgb> &colours, const QList<quint32> &delays)
{
    QList<QByteArray> frames;
    for (qsizetype i = 0; i < colours.size(); ++i)
        frames.append(QByteArray(width * height, char(i)));
    return MakeGif(width, height, colours, frames, delays);
}

inline quint32 Crc32(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A PNG signature and a header chunk (with a correct CRC) claiming any size; no pixels.
inline QByteArray PngHeaderOnly(quint32 width, quint32 height)
{
    QByteArray chunk("IHDR");
    for (quint32 v : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8)
            chunk.append(char((v >> shift) & 0xFF));
    chunk.append("\x08\x02\x00\x00\x00", 5);
    QByteArray out("\x89PNG\r\n\x1A\n", 8);
    out.append("\x00\x00\x00\x0D", 4).append(chunk);
    const quint32 crc = Crc32(chunk);
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(char((crc >> shift) & 0xFF));
    return out;
}

inline void AppendPngChunk(QByteArray &out, const char *type, const QByteArray &data)
{
    const QByteArray chunk = QByteArray(type) + data;
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(char((quint32(data.size()) >> shift) & 0xFF));
    out.append(chunk);
    const quint32 crc = Crc32(chunk);
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(char((crc >> shift) & 0xFF));
}

// A complete PNG structure of any size whose pixel data is a few useless bytes.
inline QByteArray PngWithoutPixels(quint32 width, quint32 height)
{
    QByteArray out = PngHeaderOnly(width, height);
    AppendPngChunk(out, "IDAT", QByteArray("\x78\x9C\x63\x00\x00", 5));
    AppendPngChunk(out, "IEND", QByteArray());
    return out;
}

// A run-length BMP, 8 or 4 bits per pixel, from encoded rows (bottom row first).
inline QByteArray MakeRleBmp(int width, int height, int bpp, const QList<QRgb> &palette, const QByteArray &rle)
{
    const int entries = bpp == 8 ? 256 : 16;
    const quint32 offset = 14 + 40 + quint32(entries) * 4;
    QByteArray out("BM");
    PutLE(out, offset + quint32(rle.size()), 4);
    PutLE(out, 0, 4);
    PutLE(out, offset, 4);
    PutLE(out, 40, 4);
    PutLE(out, quint32(width), 4);
    PutLE(out, quint32(height), 4);
    PutLE(out, 1, 2);
    PutLE(out, quint32(bpp), 2);
    PutLE(out, bpp == 8 ? 1 : 2, 4);
    PutLE(out, quint32(rle.size()), 4);
    PutLE(out, 2835, 4);
    PutLE(out, 2835, 4);
    PutLE(out, quint32(entries), 4);
    PutLE(out, 0, 4);
    for (int i = 0; i < entries; ++i) {
        const QRgb c = palette.value(i, qRgb(0, 0, 0));
        out.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c))).append('\0');
    }
    out.append(rle);
    return out;
}

// An icon file holding each picture (as Qt writes single icons), in the order given.
inline QByteArray MakeIcon(const QList<QImage> &pictures)
{
    QList<QByteArray> entries;
    QList<QByteArray> bodies;
    for (const QImage &picture : pictures) {
        const QByteArray single = Encode(picture, "ico");
        const quint32 size = quint8(single.at(6 + 8)) | quint8(single.at(6 + 9)) << 8 | quint8(single.at(6 + 10)) << 16
                             | quint32(quint8(single.at(6 + 11))) << 24;
        const quint32 at = quint8(single.at(6 + 12)) | quint8(single.at(6 + 13)) << 8
                           | quint8(single.at(6 + 14)) << 16 | quint32(quint8(single.at(6 + 15))) << 24;
        entries.append(single.mid(6, 16));
        bodies.append(single.mid(at, size));
    }
    QByteArray out;
    PutLE(out, 0, 2);
    PutLE(out, 1, 2);
    PutLE(out, quint32(pictures.size()), 2);
    quint32 offset = 6 + 16 * quint32(pictures.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        QByteArray entry = entries.at(i);
        entry.truncate(12);
        PutLE(entry, offset, 4);
        out.append(entry);
        offset += quint32(bodies.at(i).size());
    }
    for (const QByteArray &body : bodies)
        out.append(body);
    return out;
}

} // namespace mv::test
