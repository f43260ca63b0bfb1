// EMF bitmap records. Bitmaps travel inside the record as header and bits located by
// offset and size pairs.

#include "imaging/metafile/dib.h"
#include "imaging/metafile/emfhandlers.h"

#include <cmath>

namespace mv::metafile::emf {

namespace {

struct DibRef {
    uint32_t usage = 0, offBmi = 0, cbBmi = 0, offBits = 0, cbBits = 0;
};

// A destination given as x, y, width, height (width and height may be negative: mirrored).
QRectF xywh(ByteReader &r)
{
    const double x = r.i32(), y = r.i32(), w = r.i32(), h = r.i32();
    return QRectF(x, y, w, h);
}

// The bitmap's usage and its offset and size pairs, usage first or last.
DibRef readRef(ByteReader &r, bool usageFirst)
{
    DibRef d;
    if (usageFirst)
        d.usage = r.u32();
    d.offBmi = r.u32();
    d.cbBmi = r.u32();
    d.offBits = r.u32();
    d.cbBits = r.u32();
    if (!usageFirst)
        d.usage = r.u32();
    return d;
}

// Decodes into the drawing's image (or its mask), the pixels paid for by its charge.
QImage decode(Player &p, const ByteReader &r, const DibRef &d, Charge &charge, bool keepAlpha = false,
              bool mono = false)
{
    if (d.cbBmi == 0 || !r.contains(d.offBmi, d.cbBmi) || !r.contains(d.offBits, d.cbBits))
        return QImage();
    DibOptions o;
    o.usage = d.usage;
    o.palette = p.dcPalette();
    o.keepAlpha = keepAlpha;
    o.monoIndices = mono;
    return p.decodeDib(r.sub(d.offBmi, d.cbBmi), r.sub(d.offBits, d.cbBits), o, charge);
}

// Source rectangles of the blit records are in the source's logical units; its transform
// takes them to bitmap pixels.
QRectF sourcePixels(const QTransform &xformSrc, QRectF src)
{
    if (xformSrc.isIdentity() || xformSrc.determinant() == 0 || !std::isfinite(xformSrc.determinant()))
        return src;
    const QPointF a = xformSrc.map(src.topLeft()), b = xformSrc.map(src.bottomRight());
    return QRectF(a, b);
}

// Rows of bottom-up bitmaps are counted from the bottom in the DIB records.
QRectF flipSource(QRectF src, const ByteReader &r, const DibRef &d)
{
    int w = 0, h = 0;
    bool bottomUp = false;
    if (r.contains(d.offBmi, d.cbBmi) && DibDimensions(r.sub(d.offBmi, d.cbBmi), w, h, bottomUp) && bottomUp)
        src.moveTop(h - src.top() - src.height());
    return src;
}

template <bool stretch>
void bitBlt(Player &p, ByteReader &r)
{
    r.skip(16);
    const QRectF destRect = xywh(r);
    const uint32_t rop = r.u32();
    const QPointF srcOrigin = PointL(r);
    const QTransform xform = Xform(r);
    r.u32(); // background colour of a monochrome source
    const DibRef d = readRef(r, true);
    double cxSrc = destRect.width(), cySrc = destRect.height();
    if (stretch) {
        cxSrc = r.i32();
        cySrc = r.i32();
    }
    if (!r.ok())
        return;
    Player::BitmapDraw draw;
    draw.rop = rop;
    draw.image = decode(p, r, d, draw.charge);
    draw.source = sourcePixels(xform, QRectF(srcOrigin, QSizeF(cxSrc, cySrc)));
    Player::rectCorners(destRect, draw.dest);
    p.drawBitmap(draw);
}

void maskBlt(Player &p, ByteReader &r)
{
    r.skip(16);
    const QRectF destRect = xywh(r);
    const uint32_t rop = r.u32();
    const QPointF srcOrigin = PointL(r);
    const QTransform xform = Xform(r);
    r.u32();
    const DibRef d = readRef(r, true);
    r.skip(8); // mask origin: taken as the source's
    const DibRef m = readRef(r, true);
    if (!r.ok())
        return;
    Player::BitmapDraw draw;
    // Foreground operation where the mask is set; the common background operation
    // leaves the destination alone, which the mask's transparency gives.
    draw.rop = (rop & 0x00FFFFFF);
    draw.image = decode(p, r, d, draw.charge);
    Charge maskCharge;
    if (((rop >> 24) & 0xFF) == 0xAA)
        draw.mask = decode(p, r, m, maskCharge, false, true);
    if (!draw.mask.isNull() && draw.mask.size() != draw.image.size())
        draw.mask = QImage();
    draw.source = sourcePixels(xform, QRectF(srcOrigin, destRect.size()));
    Player::rectCorners(destRect, draw.dest);
    p.drawBitmap(draw);
}

void plgBlt(Player &p, ByteReader &r)
{
    r.skip(16);
    Player::BitmapDraw draw;
    for (QPointF &corner : draw.dest)
        corner = PointL(r);
    const QPointF srcOrigin = PointL(r);
    const double cx = r.i32(), cy = r.i32();
    const QTransform xform = Xform(r);
    r.u32();
    const DibRef d = readRef(r, true);
    r.skip(8);
    const DibRef m = readRef(r, true);
    if (!r.ok())
        return;
    draw.image = decode(p, r, d, draw.charge);
    Charge maskCharge;
    draw.mask = decode(p, r, m, maskCharge, false, true);
    if (!draw.mask.isNull() && draw.mask.size() != draw.image.size())
        draw.mask = QImage();
    draw.source = sourcePixels(xform, QRectF(srcOrigin, QSizeF(cx, cy)));
    p.drawBitmap(draw);
}

void setDiBitsToDevice(Player &p, ByteReader &r)
{
    r.skip(16);
    const QPointF destOrigin = PointL(r);
    const QPointF srcOrigin = PointL(r);
    const double cx = r.i32(), cy = r.i32();
    const DibRef d = readRef(r, false);
    r.u32(); // first scan line
    r.u32(); // scan lines
    if (!r.ok())
        return;
    Player::BitmapDraw draw;
    draw.image = decode(p, r, d, draw.charge);
    draw.source = flipSource(QRectF(srcOrigin, QSizeF(cx, cy)), r, d);
    // One bitmap pixel per device pixel: the destination size follows the mapping.
    const QTransform &t = p.logicalToTarget();
    const QTransform inverse = t.inverted();
    const QPointF o = t.map(destOrigin);
    const double scale = p.deviceScale();
    draw.dest[0] = destOrigin;
    draw.dest[1] = inverse.map(o + QPointF(cx * scale, 0));
    draw.dest[2] = inverse.map(o + QPointF(0, cy * scale));
    p.drawBitmap(draw);
}

void stretchDiBits(Player &p, ByteReader &r)
{
    r.skip(16);
    const QPointF destOrigin = PointL(r);
    const QPointF srcOrigin = PointL(r);
    const double cxSrc = r.i32(), cySrc = r.i32();
    const DibRef d = readRef(r, false);
    const uint32_t rop = r.u32();
    const double cxDest = r.i32(), cyDest = r.i32();
    if (!r.ok())
        return;
    Player::BitmapDraw draw;
    draw.rop = rop;
    draw.image = decode(p, r, d, draw.charge);
    draw.source = flipSource(QRectF(srcOrigin, QSizeF(cxSrc, cySrc)), r, d);
    Player::rectCorners(QRectF(destOrigin, QSizeF(cxDest, cyDest)), draw.dest);
    p.drawBitmap(draw);
}

template <bool alphaBlend>
void blend(Player &p, ByteReader &r)
{
    r.skip(16);
    const QRectF destRect = xywh(r);
    const uint32_t function = r.u32();
    const QPointF srcOrigin = PointL(r);
    const QTransform xform = Xform(r);
    r.u32();
    const DibRef d = readRef(r, true);
    const double cxSrc = r.i32(), cySrc = r.i32();
    if (!r.ok())
        return;
    Player::BitmapDraw draw;
    if (alphaBlend) {
        // Blend function bytes: operation, flags, constant alpha, alpha format.
        draw.constantAlpha = (function >> 16) & 0xFF;
        draw.perPixelAlpha = ((function >> 24) & 0xFF) == 1;
        draw.image = decode(p, r, d, draw.charge, draw.perPixelAlpha);
    } else {
        draw.image = decode(p, r, d, draw.charge);
        draw.hasTransparentColor = true;
        draw.transparentColor = p.color(function);
    }
    draw.source = sourcePixels(xform, QRectF(srcOrigin, QSizeF(cxSrc, cySrc)));
    Player::rectCorners(destRect, draw.dest);
    p.drawBitmap(draw);
}

} // namespace

void AddBitmapHandlers(HandlerTable &t)
{
    t[emr::BitBlt] = {bitBlt<false>, 100};
    t[emr::StretchBlt] = {bitBlt<true>, 108};
    t[emr::MaskBlt] = {maskBlt, 128};
    t[emr::PlgBlt] = {plgBlt, 140};
    t[emr::SetDiBitsToDevice] = {setDiBitsToDevice, 76};
    t[emr::StretchDiBits] = {stretchDiBits, 80};
    t[emr::AlphaBlend] = {blend<true>, 108};
    t[emr::TransparentBlt] = {blend<false>, 108};
}

} // namespace mv::metafile::emf
