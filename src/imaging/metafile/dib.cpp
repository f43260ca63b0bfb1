#include "imaging/metafile/dib.h"

#include <QBuffer>
#include <QImageReader>

#include <bit>

namespace mv::metafile {

namespace {

enum Compression : uint32_t { BiRgb = 0, BiRle8 = 1, BiRle4 = 2, BiBitfields = 3, BiJpeg = 4, BiPng = 5 };

struct DibHeader {
    uint32_t size = 0;
    int64_t width = 0;
    int64_t height = 0; // positive: bottom-up rows
    int bitCount = 0;
    uint32_t compression = BiRgb;
    uint32_t colorsUsed = 0;
    uint32_t masks[4] = {0, 0, 0, 0}; // red, green, blue, alpha
    bool core = false;
    qint64 tableOffset = 0; // where the colour table starts inside the info bytes
    int tableEntries = 0;
};

bool readHeader(ByteReader &r, DibHeader &h)
{
    h.size = r.u32();
    if (h.size == 12) {
        h.core = true;
        h.width = r.u16();
        h.height = r.u16();
        r.u16();
        h.bitCount = r.u16();
    } else if (h.size >= 40) {
        h.width = r.i32();
        h.height = r.i32();
        r.u16();
        h.bitCount = r.u16();
        h.compression = r.u32();
        r.u32(); // image size
        r.u32();
        r.u32();
        h.colorsUsed = r.u32();
        r.u32();
        if (h.size >= 56) { // version 4 and 5 headers carry their masks inside
            for (uint32_t &m : h.masks)
                m = r.u32();
        } else if (h.compression == BiBitfields) {
            for (int i = 0; i < 3; ++i)
                h.masks[i] = r.u32();
        }
    } else {
        return false;
    }
    if (!r.ok())
        return false;
    h.tableOffset = h.size + ((h.size == 40 && h.compression == BiBitfields) ? 12 : 0);
    if (h.bitCount <= 8 && h.bitCount > 0) {
        const int full = 1 << h.bitCount;
        h.tableEntries = (h.colorsUsed == 0 || h.colorsUsed > uint32_t(full)) ? full : int(h.colorsUsed);
    } else if (h.colorsUsed <= 256) {
        // Deeper bitmaps may carry an optional table that only packed layouts must skip.
        h.tableEntries = int(h.colorsUsed);
    }
    return true;
}

QList<QRgb> readTable(ByteReader info, const DibHeader &h, const DibOptions &o)
{
    QList<QRgb> table;
    if (h.bitCount > 8)
        return table;
    if (o.monoIndices && h.bitCount == 1)
        return {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    table.fill(qRgb(0, 0, 0), h.tableEntries);
    info.seek(h.tableOffset);
    for (int i = 0; i < h.tableEntries; ++i) {
        if (o.usage == 1) {
            const uint16_t index = info.u16();
            if (!info.ok())
                break;
            if (o.palette && index < o.palette->size())
                table[i] = o.palette->at(index);
        } else {
            const uint8_t b = info.u8(), g = info.u8(), rr = info.u8();
            if (!h.core)
                info.u8();
            if (!info.ok())
                break;
            table[i] = qRgb(rr, g, b);
        }
    }
    return table;
}

int maskValue(uint32_t pixel, uint32_t mask)
{
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const uint32_t field = mask >> shift;
    const uint64_t v = (pixel & mask) >> shift;
    return int(v * 255 / field);
}

bool allowed(const DibOptions &o, qint64 pixels, qint64 peakBytes)
{
    return !o.allow || o.allow(pixels, peakBytes);
}

QImage decodeEncoded(ByteReader bits, const char *format, const DibOptions &o)
{
    QByteArray bytes = QByteArray::fromRawData(bits.data(), bits.size());
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    const QSize size = reader.size();
    const qint64 pixels = size.isValid() ? qint64(size.width()) * size.height() : 0;
    // The reader's own pixels and their converted copy are held together for a moment.
    if (!size.isValid() || pixels > MaxDibPixels || !allowed(o, pixels, 8 * pixels))
        return QImage();
    QImage image = reader.read();
    return image.isNull() ? image : image.convertToFormat(QImage::Format_ARGB32);
}

// Run-length bitmaps: rows bottom-up, skipped pixels transparent.
QImage decodeRle(ByteReader bits, const DibHeader &h, const QList<QRgb> &table, const DibOptions &o)
{
    const int w = int(h.width), hh = int(h.height);
    if (!allowed(o, qint64(w) * hh, 4 * qint64(w) * hh))
        return QImage();
    QImage image(w, hh, QImage::Format_ARGB32);
    if (image.isNull())
        return image;
    image.fill(Qt::transparent);
    const bool four = h.compression == BiRle4;
    int x = 0, y = 0; // y counts rows from the bottom
    const auto put = [&](int index) {
        if (x < w && y < hh)
            reinterpret_cast<QRgb *>(image.scanLine(hh - 1 - y))[x] = index < table.size() ? table[index] : qRgb(0, 0, 0);
        ++x;
    };
    while (bits.has(2) && y < hh) {
        const uint8_t count = bits.u8();
        const uint8_t value = bits.u8();
        if (count > 0) {
            for (int i = 0; i < count && x < w; ++i)
                put(four ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // delta
            x += bits.u8();
            y += bits.u8();
        } else { // absolute run
            const int n = value;
            const int bytes = four ? (n + 1) / 2 : n;
            if (!bits.has(bytes))
                break;
            uint8_t current = 0;
            for (int i = 0; i < n; ++i) {
                if (four) {
                    if ((i & 1) == 0)
                        current = bits.u8();
                    put((i & 1) ? (current & 0x0F) : (current >> 4));
                } else {
                    put(bits.u8());
                }
            }
            if (bytes & 1)
                bits.u8();
        }
    }
    return image;
}

QImage decodeRaw(ByteReader bits, const DibHeader &h, const QList<QRgb> &table, const DibOptions &o)
{
    const int w = int(h.width), rows = int(h.height < 0 ? -h.height : h.height);
    const bool bottomUp = h.height > 0;
    const qint64 stride = ((qint64(w) * h.bitCount + 31) / 32) * 4;
    // A bitmap that stops early still shows the rows it has.
    const qint64 available = stride > 0 ? bits.size() / stride : 0;
    if (available <= 0 || !allowed(o, qint64(w) * rows, 4 * qint64(w) * rows))
        return QImage();
    const bool alpha = o.keepAlpha && h.bitCount == 32;
    QImage image(w, rows, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_ARGB32);
    if (image.isNull())
        return image;
    image.fill(Qt::transparent);
    uint32_t masks[4] = {h.masks[0], h.masks[1], h.masks[2], h.masks[3]};
    if (h.compression != BiBitfields) {
        if (h.bitCount == 16) {
            masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
        } else {
            masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
        }
        masks[3] = h.bitCount == 32 ? 0xFF000000u : 0;
    }
    const auto *base = reinterpret_cast<const uint8_t *>(bits.data());
    for (int row = 0; row < rows && row < available; ++row) {
        const uint8_t *src = base + row * stride;
        auto *dst = reinterpret_cast<QRgb *>(image.scanLine(bottomUp ? rows - 1 - row : row));
        for (int x = 0; x < w; ++x) {
            switch (h.bitCount) {
            case 1:
            case 2:
            case 4:
            case 8: {
                const int perByte = 8 / h.bitCount;
                const int shift = 8 - h.bitCount * (x % perByte + 1);
                const int index = (src[x / perByte] >> shift) & ((1 << h.bitCount) - 1);
                dst[x] = index < table.size() ? table[index] : qRgb(0, 0, 0);
                break;
            }
            case 16:
            case 32: {
                const uint8_t *p = src + (h.bitCount / 8) * x;
                const uint32_t px = h.bitCount == 16 ? uint32_t(p[0]) | (uint32_t(p[1]) << 8)
                                                     : uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16)
                                                           | (uint32_t(p[3]) << 24);
                const int r = maskValue(px, masks[0]), g = maskValue(px, masks[1]), b = maskValue(px, masks[2]);
                if (alpha) {
                    // Premultiplied already; a channel above alpha would break the format.
                    const int a = masks[3] ? maskValue(px, masks[3]) : 255;
                    dst[x] = qRgba(qMin(r, a), qMin(g, a), qMin(b, a), a);
                } else {
                    // Plain bitmap records ignore any alpha the pixels carry.
                    dst[x] = qRgb(r, g, b);
                }
                break;
            }
            case 24:
                dst[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
                break;
            default:
                break;
            }
        }
    }
    return image;
}

} // namespace

int DibBitCount(ByteReader info)
{
    DibHeader h;
    return readHeader(info, h) ? h.bitCount : 0;
}

QImage DecodeBitmap16(ByteReader bits, int width, int height, int widthBytes, int planes, int bitsPixel,
                      const DibAllowance &allow)
{
    if (width <= 0 || height <= 0 || planes != 1 || qint64(width) * height > MaxDibPixels)
        return QImage();
    if (bitsPixel != 1 && bitsPixel != 4 && bitsPixel != 8 && bitsPixel != 24)
        return QImage();
    const qint64 minimum = (qint64(width) * bitsPixel + 7) / 8;
    if (widthBytes < minimum || !bits.has(qint64(widthBytes) * height))
        return QImage();
    if (allow && !allow(qint64(width) * height, 4 * qint64(width) * height))
        return QImage();
    QImage image(width, height, QImage::Format_ARGB32);
    if (image.isNull())
        return image;
    const auto *base = reinterpret_cast<const uint8_t *>(bits.data() + bits.pos());
    for (int y = 0; y < height; ++y) {
        const uint8_t *src = base + qint64(y) * widthBytes;
        auto *dst = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            switch (bitsPixel) {
            case 1: dst[x] = (src[x / 8] >> (7 - x % 8)) & 1 ? qRgb(255, 255, 255) : qRgb(0, 0, 0); break;
            case 4: {
                const int v = ((src[x / 2] >> (x % 2 ? 0 : 4)) & 0xF) * 17;
                dst[x] = qRgb(v, v, v);
                break;
            }
            case 8: dst[x] = qRgb(src[x], src[x], src[x]); break;
            default: dst[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]); break;
            }
        }
    }
    return image;
}

bool DibDimensions(ByteReader info, int &width, int &height, bool &bottomUp)
{
    DibHeader h;
    if (!readHeader(info, h) || h.width <= 0 || h.height == 0 || h.width > 0x7FFFFF || h.height > 0x7FFFFF
        || h.height < -0x7FFFFF)
        return false;
    width = int(h.width);
    height = int(h.height < 0 ? -h.height : h.height);
    bottomUp = h.height > 0;
    return true;
}

QImage DecodeDib(ByteReader info, ByteReader bits, const DibOptions &o)
{
    DibHeader h;
    ByteReader r = info;
    if (!readHeader(r, h))
        return QImage();
    const int64_t rows = h.height < 0 ? -h.height : h.height;
    if (h.width <= 0 || rows <= 0 || h.width > 0x7FFFFF || rows > 0x7FFFFF || h.width * rows > MaxDibPixels)
        return QImage();
    if (h.compression == BiJpeg)
        return decodeEncoded(bits, "jpeg", o);
    if (h.compression == BiPng)
        return decodeEncoded(bits, "png", o);
    const QList<QRgb> table = readTable(info, h, o);
    switch (h.compression) {
    case BiRle8:
    case BiRle4:
        if (h.height < 0 || h.bitCount != (h.compression == BiRle8 ? 8 : 4))
            return QImage();
        return decodeRle(bits, h, table, o);
    case BiRgb:
    case BiBitfields:
        if (h.bitCount != 1 && h.bitCount != 2 && h.bitCount != 4 && h.bitCount != 8 && h.bitCount != 16
            && h.bitCount != 24 && h.bitCount != 32)
            return QImage();
        if (h.compression == BiBitfields && h.bitCount != 16 && h.bitCount != 32)
            return QImage();
        return decodeRaw(bits, h, table, o);
    default:
        return QImage();
    }
}

QImage DecodePackedDib(ByteReader packed, const DibOptions &o)
{
    DibHeader h;
    ByteReader r = packed;
    if (!readHeader(r, h))
        return QImage();
    const qint64 entrySize = o.usage == 1 ? 2 : (h.core ? 3 : 4);
    const qint64 bitsOffset = h.tableOffset + qint64(h.tableEntries) * entrySize;
    if (!packed.contains(bitsOffset, 0))
        return QImage();
    return DecodeDib(packed.sub(0, bitsOffset), packed.sub(bitsOffset, packed.size() - bitsOffset), o);
}

} // namespace mv::metafile
