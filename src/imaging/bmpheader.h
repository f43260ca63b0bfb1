#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QtGui/qrgb.h>

#include <array>

namespace mv {

// Where a device-independent bitmap sits: a file with its own 14-byte head ("BM", or an
// OS/2 bitmap array of such, "BA", whose best member is read), a packed DIB as the
// clipboard keeps it (header, masks and palette, then the pixels), or a picture inside an
// icon or cursor file (twice the height: the colour rows, then the 1-bit mask).
enum class DibContainer { File, Packed, IconEntry };

enum class BmpCoding { Rgb, BitFields, Rle8, Rle4, Rle24, Huffman1D, Jpeg, Png };

// Everything of a DIB's header that decoding needs, checked against limits and the bytes
// at hand; nothing is allocated for the pixels yet.
struct BmpHeader {
    int width = 0;
    int height = 0;              // of the picture: an icon entry's colour rows only
    bool topDown = false;
    int bitCount = 0;
    BmpCoding coding = BmpCoding::Rgb;
    std::array<quint32, 4> masks{};  // red, green, blue, alpha of 16, 32 and 64-bit pixels
    QList<QRgb> palette;         // as many entries as the file holds, at most 2^bitCount
    qint64 dataOffset = 0;       // pixel data, from the start of the bytes given
    qint64 dataSize = 0;         // bytes present from there on
    QString error;               // empty when the header is usable

    bool ok() const { return error.isEmpty(); }
    // Bytes of one stored row of uncompressed pixels, 4-byte aligned.
    qint64 rowBytes() const { return (qint64(width) * bitCount + 31) / 32 * 4; }
};

[[nodiscard]] BmpHeader ReadBmpHeader(QByteArrayView bytes, DibContainer container);

// True when bytes begin like a packed DIB's header (the size of a known header kind, one
// plane, a bit count and coding that exist): used to recognise headerless DIB files.
[[nodiscard]] bool LooksLikePackedDib(QByteArrayView bytes);

} // namespace mv
