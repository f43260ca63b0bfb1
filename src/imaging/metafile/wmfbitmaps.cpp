// WMF bitmap records: device-independent bitmaps packed into the record, the old
// device-dependent kind, and the forms without a bitmap that only fill with the brush.

#include "imaging/metafile/dib.h"
#include "imaging/metafile/wmfhandlers.h"

namespace mv::metafile::wmf {

namespace {

// The forms without a bitmap are exactly three words longer than their parameter count,
// which the function's high byte gives.
bool withoutBitmap(const ByteReader &r)
{
    const uint16_t function = r.sub(4, 2).u16();
    return r.size() / 2 == (function >> 8) + 3;
}

QImage packedDib(Player &p, ByteReader &r, uint16_t usage, Charge &charge)
{
    DibOptions o;
    o.usage = usage;
    o.palette = p.dcPalette();
    return p.decodePackedDib(r.sub(r.pos(), r.remaining()), o, charge);
}

// Rows of bottom-up bitmaps are counted from the bottom in the DIB records.
QRectF flipSource(QRectF src, const ByteReader &r)
{
    int w = 0, h = 0;
    bool bottomUp = false;
    if (DibDimensions(r.sub(r.pos(), r.remaining()), w, h, bottomUp) && bottomUp)
        src.moveTop(h - src.top() - src.height());
    return src;
}

void draw(Player &p, const QImage &image, Charge &charge, QRectF source, QRectF dest, uint32_t rop)
{
    Player::BitmapDraw d;
    d.image = image;
    d.charge = charge;
    d.source = source;
    d.rop = rop;
    Player::rectCorners(dest, d.dest);
    p.drawBitmap(d);
}

QImage bitmap16(Player &p, ByteReader &r, Charge &charge)
{
    r.u16(); // type
    const int16_t width = r.i16(), height = r.i16(), widthBytes = r.i16();
    const uint8_t planes = r.u8(), bitsPixel = r.u8();
    if (!r.ok())
        return QImage();
    return p.decodeBitmap16(r.sub(r.pos(), r.remaining()), width, height, widthBytes, planes, bitsPixel, charge);
}

// BitBlt and DibBitBlt: same size on both sides.
template <bool dib>
void bitBlt(Player &p, ByteReader &r)
{
    const bool bare = withoutBitmap(r);
    const uint32_t rop = r.u32();
    const QPointF src = PointYX(r);
    if (bare)
        r.u16();
    const double h = r.i16(), w = r.i16();
    const QPointF dest = PointYX(r);
    if (!r.ok())
        return;
    Charge charge;
    const QImage image = bare ? QImage() : (dib ? packedDib(p, r, gdi::DibRgbColors, charge) : bitmap16(p, r, charge));
    draw(p, image, charge, QRectF(src, QSizeF(w, h)), QRectF(dest, QSizeF(w, h)), rop);
}

template <bool dib>
void stretchBlt(Player &p, ByteReader &r)
{
    const bool bare = withoutBitmap(r);
    const uint32_t rop = r.u32();
    const double sh = r.i16(), sw = r.i16();
    const QPointF src = PointYX(r);
    if (bare)
        r.u16();
    const double dh = r.i16(), dw = r.i16();
    const QPointF dest = PointYX(r);
    if (!r.ok())
        return;
    Charge charge;
    const QImage image = bare ? QImage() : (dib ? packedDib(p, r, gdi::DibRgbColors, charge) : bitmap16(p, r, charge));
    draw(p, image, charge, QRectF(src, QSizeF(sw, sh)), QRectF(dest, QSizeF(dw, dh)), rop);
}

void stretchDib(Player &p, ByteReader &r)
{
    const uint32_t rop = r.u32();
    const uint16_t usage = r.u16();
    const double sh = r.i16(), sw = r.i16();
    const QPointF src = PointYX(r);
    const double dh = r.i16(), dw = r.i16();
    const QPointF dest = PointYX(r);
    if (!r.ok())
        return;
    const QRectF source = flipSource(QRectF(src, QSizeF(sw, sh)), r);
    Charge charge;
    const QImage image = packedDib(p, r, usage, charge);
    draw(p, image, charge, source, QRectF(dest, QSizeF(dw, dh)), rop);
}

void setDibToDev(Player &p, ByteReader &r)
{
    const uint16_t usage = r.u16();
    r.u16(); // scan count
    r.u16(); // first scan
    const QPointF src = PointYX(r);
    const double h = r.i16(), w = r.i16();
    const QPointF dest = PointYX(r);
    if (!r.ok())
        return;
    const QRectF source = flipSource(QRectF(src, QSizeF(w, h)), r);
    Charge charge;
    const QImage image = packedDib(p, r, usage, charge);
    draw(p, image, charge, source, QRectF(dest, QSizeF(w, h)), gdi::RopSrcCopy);
}

} // namespace

void AddBitmapHandlers(HandlerTable &t)
{
    Add(t, meta::BitBlt, bitBlt<false>, 8);
    Add(t, meta::DibBitBlt, bitBlt<true>, 8);
    Add(t, meta::StretchBlt, stretchBlt<false>, 10);
    Add(t, meta::DibStretchBlt, stretchBlt<true>, 10);
    Add(t, meta::StretchDib, stretchDib, 11);
    Add(t, meta::SetDibToDev, setDibToDev, 9);
}

} // namespace mv::metafile::wmf
