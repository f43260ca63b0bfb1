#pragma once

// JPEG files with EXIF blocks, written byte by byte, and the picture turns to check them.

#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QTransform>

namespace mv::test {

struct ExifTags {
    int orientation = 1;
    bool bigEndian = false;
    quint16 orientationType = 3;   // SHORT
    QByteArray make;               // an ASCII entry whose text lies after the directory
    bool thumbnailLink = false;    // a second directory (a thumbnail's) linked from the first
    bool hasOrientation = true;

    static ExifTags Of(int orientation)
    {
        ExifTags tags;
        tags.orientation = orientation;
        return tags;
    }
    ExifTags &BigEndian(bool on = true) { bigEndian = on; return *this; }
    ExifTags &Type(quint16 type) { orientationType = type; return *this; }
    ExifTags &Make(const QByteArray &text) { make = text; return *this; }
    ExifTags &Thumbnail() { thumbnailLink = true; return *this; }
    ExifTags &NoOrientation() { hasOrientation = false; return *this; }
};

// The TIFF block of an EXIF segment (what follows "Exif\0\0").
inline QByteArray ExifTiff(const ExifTags &tags)
{
    QByteArray out;
    const auto u16 = [&](quint16 v) {
        if (tags.bigEndian)
            out.append(char(v >> 8)).append(char(v & 0xFF));
        else
            out.append(char(v & 0xFF)).append(char(v >> 8));
    };
    const auto u32 = [&](quint32 v) {
        for (int i = 0; i < 4; ++i)
            out.append(char(v >> (tags.bigEndian ? 8 * (3 - i) : 8 * i)));
    };
    out.append(tags.bigEndian ? QByteArray("MM\0*", 4) : QByteArray("II*\0", 4));
    u32(8);
    const int entries = (tags.hasOrientation ? 1 : 0) + (tags.make.isEmpty() ? 0 : 1);
    const quint32 afterIfd0 = 8 + 2 + 12 * entries + 4;
    const quint32 ifd1 = tags.thumbnailLink ? afterIfd0 : 0;
    const quint32 makeAt = afterIfd0 + (tags.thumbnailLink ? 2 + 12 + 4 : 0);
    u16(quint16(entries));
    if (!tags.make.isEmpty()) { // tags in ascending order
        u16(0x010F);
        u16(2);
        u32(quint32(tags.make.size() + 1));
        u32(makeAt);
    }
    if (tags.hasOrientation) {
        u16(0x0112);
        u16(tags.orientationType);
        u32(1);
        u16(quint16(tags.orientation));
        u16(0);
    }
    u32(ifd1);
    if (tags.thumbnailLink) {
        u16(1);
        u16(0x0103); // compression: JPEG
        u16(3);
        u32(1);
        u16(6);
        u16(0);
        u32(0);
    }
    if (!tags.make.isEmpty())
        out.append(tags.make).append('\0');
    return out;
}

inline QByteArray App1(const QByteArray &payload)
{
    const int length = int(payload.size()) + 2;
    return QByteArray("\xFF\xE1", 2) + char(length >> 8) + char(length & 0xFF) + payload;
}

// The JPEG with an EXIF segment put right after its start marker.
inline QByteArray WithExif(const QByteArray &jpeg, const ExifTags &tags)
{
    return jpeg.left(2) + App1(QByteArray("Exif\0\0", 6) + ExifTiff(tags)) + jpeg.mid(2);
}

// What EXIF orientation o asks of the stored picture to show it upright, written out pixel
// by pixel from the tag's definition (where the stored first row and column belong).
inline QImage ShowUpright(const QImage &stored, int orientation)
{
    const int w = stored.width(), h = stored.height();
    const bool swap = orientation >= 5;
    QImage out(swap ? h : w, swap ? w : h, stored.format());
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int ux = x, uy = y;
            switch (orientation) {
            case 2: ux = w - 1 - x; break;
            case 3: ux = w - 1 - x; uy = h - 1 - y; break;
            case 4: uy = h - 1 - y; break;
            case 5: ux = y; uy = x; break;
            case 6: ux = h - 1 - y; uy = x; break;
            case 7: ux = h - 1 - y; uy = w - 1 - x; break;
            case 8: ux = y; uy = w - 1 - x; break;
            default: break;
            }
            out.setPixel(ux, uy, stored.pixel(x, y));
        }
    }
    return out;
}

// The stored picture that orientation o shows as upright: the inverse of ShowUpright.
inline QImage StoreForOrientation(const QImage &upright, int orientation)
{
    // 6 and 8 are each other's inverse; every other orientation is its own.
    const int inverse = orientation == 6 ? 8 : orientation == 8 ? 6 : orientation;
    return ShowUpright(upright, inverse);
}

} // namespace mv::test
