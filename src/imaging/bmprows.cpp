#include "imaging/bmprows.h"

#include <bit>
#include <cmath>

namespace mv {

namespace {

// Rounded to nearest: value / max of full scale in 255ths.
uchar ScaleTo8(quint64 value, quint64 max)
{
    return uchar((value * 255 + max / 2) / max);
}

// 64-bit pixels hold blue, green, red and alpha as signed 2.13 fixed point, the colours in
// linear light; shown as 8-bit sRGB.
struct WideTables {
    std::array<uchar, 65536> colour{};
    std::array<uchar, 65536> alpha{};
    WideTables()
    {
        for (int i = 0; i < 65536; ++i) {
            const double v = qBound(0.0, double(qint16(quint16(i))) / 8192.0, 1.0);
            const double encoded = v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1.0 / 2.4) - 0.055;
            colour[size_t(i)] = uchar(std::lround(encoded * 255.0));
            alpha[size_t(i)] = uchar(std::lround(v * 255.0));
        }
    }
};

const WideTables &Wide()
{
    static const WideTables tables;
    return tables;
}

quint16 Le16(const uchar *p)
{
    return quint16(p[0] | (p[1] << 8));
}

quint32 Le32(const uchar *p)
{
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

} // namespace

std::array<QRgb, 256> BmpRowUnpacker::FullPalette(const QList<QRgb> &palette)
{
    std::array<QRgb, 256> full;
    full.fill(qRgb(0, 0, 0));
    for (qsizetype i = 0; i < qMin<qsizetype>(palette.size(), 256); ++i)
        full[size_t(i)] = palette.at(i);
    return full;
}

BmpRowUnpacker::Channel BmpRowUnpacker::MakeChannel(quint32 mask)
{
    Channel c;
    c.mask = mask;
    if (mask == 0)
        return c;
    c.shift = std::countr_zero(mask);
    c.max = mask >> c.shift;
    if (c.max <= 0xFFFF) {
        c.scaled.resize(size_t(c.max) + 1);
        for (quint32 v = 0; v <= c.max; ++v)
            c.scaled[v] = ScaleTo8(v, c.max);
    }
    return c;
}

uchar BmpRowUnpacker::Channel::scale(quint32 pixel) const
{
    if (mask == 0) // a channel the pixels do not hold
        return 0;
    const quint32 v = (pixel & mask) >> shift;
    return scaled.empty() ? ScaleTo8(v, max) : scaled[v];
}

BmpRowUnpacker::BmpRowUnpacker(const BmpHeader &header)
    : mBits(header.bitCount)
{
    if (mBits <= 8) {
        mPalette = FullPalette(header.palette);
        return;
    }
    if (mBits == 64) {
        mAlpha = true;
        return;
    }
    if (mBits == 24)
        return;
    for (int i = 0; i < 4; ++i)
        mChannels[size_t(i)] = MakeChannel(header.masks[size_t(i)]);
    mAlpha = header.masks[3] != 0;
    mPlain32 = mBits == 32 && header.masks[0] == 0xFF0000 && header.masks[1] == 0xFF00 && header.masks[2] == 0xFF
               && (header.masks[3] == 0 || header.masks[3] == 0xFF000000u);
    if (mBits == 16)
        buildTable16();
}

void BmpRowUnpacker::buildTable16()
{
    mTable16.resize(65536);
    for (quint32 v = 0; v < 65536; ++v)
        mTable16[v] = fromFields(v);
}

void BmpRowUnpacker::dropAlpha()
{
    mAlpha = false;
    if (mBits == 16)
        buildTable16();
}

QRgb BmpRowUnpacker::fromFields(quint32 pixel) const
{
    const uchar alpha = mAlpha ? mChannels[3].scale(pixel) : 255;
    return qRgba(mChannels[0].scale(pixel), mChannels[1].scale(pixel), mChannels[2].scale(pixel), alpha);
}

bool BmpRowUnpacker::anyAlpha(const uchar *row, int count) const
{
    if (mBits == 64) {
        for (int x = 0; x < count; ++x) {
            if (Wide().alpha[Le16(row + 8 * x + 6)] != 0)
                return true;
        }
        return false;
    }
    const quint32 mask = mChannels[3].mask;
    if (mBits == 16) {
        for (int x = 0; x < count; ++x) {
            if (Le16(row + 2 * x) & mask)
                return true;
        }
    } else if (mBits == 32) {
        for (int x = 0; x < count; ++x) {
            if (Le32(row + 4 * x) & mask)
                return true;
        }
    }
    return false;
}

void BmpRowUnpacker::unpack(const uchar *row, int count, QRgb *out) const
{
    switch (mBits) {
    case 1:
    case 2:
    case 4: {
        const int perByte = 8 / mBits;
        const uchar mask = uchar((1 << mBits) - 1);
        int x = 0;
        for (const uchar *p = row; x < count; ++p) {
            const uchar byte = *p;
            for (int k = 0; k < perByte && x < count; ++k, ++x)
                out[x] = mPalette[(byte >> (8 - mBits * (k + 1))) & mask];
        }
        break;
    }
    case 8:
        for (int x = 0; x < count; ++x)
            out[x] = mPalette[row[x]];
        break;
    case 16:
        for (int x = 0; x < count; ++x)
            out[x] = mTable16[Le16(row + 2 * x)];
        break;
    case 24:
        for (int x = 0; x < count; ++x, row += 3)
            out[x] = 0xFF000000u | (quint32(row[2]) << 16) | (quint32(row[1]) << 8) | row[0];
        break;
    case 32:
        unpack32(row, count, out);
        break;
    case 64:
        unpack64(row, count, out);
        break;
    default:
        break;
    }
}

void BmpRowUnpacker::unpack32(const uchar *row, int count, QRgb *out) const
{
    if (mPlain32) {
        const quint32 opaque = mAlpha ? 0 : 0xFF000000u;
        for (int x = 0; x < count; ++x, row += 4)
            out[x] = Le32(row) | opaque;
        return;
    }
    for (int x = 0; x < count; ++x, row += 4)
        out[x] = fromFields(Le32(row));
}

void BmpRowUnpacker::unpack64(const uchar *row, int count, QRgb *out) const
{
    const WideTables &t = Wide();
    for (int x = 0; x < count; ++x, row += 8) {
        const uchar alpha = mAlpha ? t.alpha[Le16(row + 6)] : 255;
        out[x] = qRgba(t.colour[Le16(row + 4)], t.colour[Le16(row + 2)], t.colour[Le16(row)], alpha);
    }
}

} // namespace mv
