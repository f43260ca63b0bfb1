#pragma once

// BMP-family files written byte by byte, for the cases no encoder at hand writes: every
// header kind, bit fields of any width, run lengths, packed DIBs, icons and cursors.

#include "fixtures.h"

#include <QList>

#include <array>

namespace mv::test {

// The colours of the BMP-family tests; FourColours is their palette (indices 0 to 3).
inline const QRgb Red = qRgb(255, 0, 0);
inline const QRgb Green = qRgb(0, 255, 0);
inline const QRgb Blue = qRgb(0, 0, 255);
inline const QRgb White = qRgb(255, 255, 255);
inline const QRgb Black = qRgb(0, 0, 0);
inline const QList<QRgb> FourColours = {Red, Green, Blue, White};

struct BmpLayout {
    int headerSize = 40;          // 12, 16, 40, 52, 56, 64, 108 or 124
    qint32 width = 1;
    qint32 height = 1;            // below zero: rows stored top-down
    int bitCount = 24;
    quint32 compression = 0;
    std::array<quint32, 4> masks{};   // in the header from 52 bytes on, else after it (compression 3, 6)
    QList<QRgb> palette;
    qint64 colorsUsed = -1;       // -1: the palette's size
    QByteArray pixels;            // stored rows or compressed data
    bool fileHeader = true;       // false: a packed DIB
    qint64 dataOffset = -1;       // -1: right after the palette
};

inline QByteArray MakeBmp(const BmpLayout &s)
{
    QByteArray header;
    PutLE(header, quint32(s.headerSize), 4);
    if (s.headerSize == 12) {
        PutLE(header, quint32(s.width), 2);
        PutLE(header, quint32(s.height), 2);
        PutLE(header, 1, 2);
        PutLE(header, quint32(s.bitCount), 2);
    } else {
        PutLE(header, quint32(s.width), 4);
        PutLE(header, quint32(s.height), 4);
        PutLE(header, 1, 2);
        PutLE(header, quint32(s.bitCount), 2);
        PutLE(header, s.compression, 4);
        PutLE(header, quint32(s.pixels.size()), 4);
        PutLE(header, 2835, 4);
        PutLE(header, 2835, 4);
        PutLE(header, quint32(s.colorsUsed >= 0 ? s.colorsUsed : s.palette.size()), 4);
        PutLE(header, 0, 4);
        if (s.headerSize >= 52 && s.headerSize != 64) {
            for (int i = 0; i < 4; ++i)
                PutLE(header, s.masks[size_t(i)], 4);
        }
        header.append(QByteArray(s.headerSize - header.size(), '\0'));
        header.truncate(s.headerSize);
    }
    if (s.headerSize == 40 && (s.compression == 3 || s.compression == 6)) {
        for (int i = 0; i < (s.compression == 6 ? 4 : 3); ++i)
            PutLE(header, s.masks[size_t(i)], 4);
    }
    for (const QRgb c : s.palette) {
        header.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c)));
        if (s.headerSize != 12)
            header.append('\0');
    }
    if (!s.fileHeader)
        return header + s.pixels;
    const qint64 offset = s.dataOffset >= 0 ? s.dataOffset : 14 + header.size();
    QByteArray out("BM");
    PutLE(out, quint32(offset + s.pixels.size()), 4);
    PutLE(out, 0, 4);
    PutLE(out, quint32(offset), 4);
    out.append(header);
    if (out.size() < offset)
        out.append(QByteArray(offset - out.size(), '\0'));
    out.truncate(offset);
    return out + s.pixels;
}

// Rows of pixel values (top row first), packed at bits per pixel, each row padded to 4
// bytes, stored bottom row first unless topDown.
inline QByteArray PackRows(const QList<QList<quint64>> &rows, int bits, bool topDown = false)
{
    QByteArray out;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const QList<quint64> &row = rows.at(topDown ? r : rows.size() - 1 - r);
        QByteArray packed;
        if (bits < 8) {
            packed.fill('\0', (row.size() * bits + 7) / 8);
            for (qsizetype x = 0; x < row.size(); ++x) {
                const qsizetype bit = x * bits;
                packed[bit / 8] = char(quint8(packed[bit / 8]) | quint8(row.at(x) << (8 - bits - bit % 8)));
            }
        } else {
            for (const quint64 v : row) {
                for (int i = 0; i < bits / 8; ++i)
                    packed.append(char((v >> (8 * i)) & 0xFF));
            }
        }
        while (packed.size() % 4)
            packed.append('\0');
        out.append(packed);
    }
    return out;
}

// One picture of an icon or cursor file: a DIB of twice the height (colour rows, then the
// 1-bit mask, both bottom row first), or any other bytes (a PNG).
inline QByteArray IconDib(int width, int height, int bits, const QList<QRgb> &palette,
                          const QList<QList<quint64>> &colours, const QList<QList<quint64>> &mask)
{
    BmpLayout layout;
    layout.width = width;
    layout.height = 2 * height;
    layout.bitCount = bits;
    layout.palette = palette;
    layout.fileHeader = false;
    layout.pixels = PackRows(colours, bits) + PackRows(mask, 1);
    return MakeBmp(layout);
}

// An icon (type 1) or cursor (type 2) file of the pictures in this order; the directory's
// own sizes and bit counts are left 0, as files often have them.
inline QByteArray MakeIconFile(const QList<QByteArray> &pictures, int type = 1)
{
    QByteArray out;
    PutLE(out, 0, 2);
    PutLE(out, quint32(type), 2);
    PutLE(out, quint32(pictures.size()), 2);
    quint32 offset = 6 + 16 * quint32(pictures.size());
    for (const QByteArray &picture : pictures) {
        out.append(QByteArray(4, '\0'));
        PutLE(out, type == 2 ? 3 : 1, 2); // a cursor's hot spot
        PutLE(out, type == 2 ? 5 : 0, 2);
        PutLE(out, quint32(picture.size()), 4);
        PutLE(out, offset, 4);
        offset += quint32(picture.size());
    }
    for (const QByteArray &picture : pictures)
        out.append(picture);
    return out;
}

// A paletted picture of these rows of indices (top row first).
inline BmpLayout Indexed(int bits, const QList<QList<quint64>> &rows, const QList<QRgb> &palette = FourColours)
{
    BmpLayout layout;
    layout.width = int(rows.first().size());
    layout.height = int(rows.size());
    layout.bitCount = bits;
    layout.palette = palette;
    layout.pixels = PackRows(rows, bits);
    return layout;
}

// One pixel of bit fields: masks after a 40-byte header, or in a V5 header when there is
// an alpha mask.
inline QByteArray OnePixel(int bits, std::array<quint32, 4> masks, quint64 value)
{
    BmpLayout layout;
    layout.headerSize = masks[3] ? 124 : 40;
    layout.bitCount = bits;
    layout.compression = 3;
    layout.masks = masks;
    layout.pixels = PackRows({{value}}, bits);
    return MakeBmp(layout);
}

// A run-length file of FourColours: RLE8, RLE4, or OS/2's RLE24.
inline QByteArray RleFile(int bits, int width, int height, const QByteArray &data)
{
    BmpLayout layout;
    layout.width = width;
    layout.height = height;
    layout.bitCount = bits;
    layout.compression = bits == 8 ? 1 : bits == 4 ? 2 : 4;
    layout.headerSize = bits == 24 ? 64 : 40; // RLE24 is OS/2's
    layout.palette = bits == 24 ? QList<QRgb>() : FourColours;
    layout.pixels = data;
    return MakeBmp(layout);
}

} // namespace mv::test
