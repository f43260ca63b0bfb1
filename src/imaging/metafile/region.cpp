#include "imaging/metafile/region.h"

namespace mv::metafile {

bool ReadEmfRegion(ByteReader r, QList<QRectF> &rects)
{
    // RGNDATAHEADER: size, type, count, byte size, bounds; then the rectangles. Writers get
    // the header size and the count wrong: the rectangles are taken from where the header
    // of its fixed size ends, as many as the data holds.
    uint32_t headerSize = r.u32();
    r.u32();
    const uint32_t count = r.u32();
    r.u32();
    const double left = r.i32(), top = r.i32(), right = r.i32(), bottom = r.i32();
    if (!r.ok())
        return false;
    if (headerSize < 32 || !r.contains(headerSize, 0))
        headerSize = 32;
    r.seek(headerSize);
    const qint64 fit = qMin<qint64>(count, r.remaining() / 16);
    if (fit == 0 && count > 0 && right > left && bottom > top) {
        rects.append(QRectF(left, top, right - left, bottom - top)); // no rectangle readable: the bounds
        return true;
    }
    rects.reserve(rects.size() + fit);
    for (qint64 i = 0; i < fit; ++i) {
        const double l = r.i32(), t = r.i32(), rt = r.i32(), b = r.i32();
        if (rt > l && b > t)
            rects.append(QRectF(l, t, rt - l, b - t));
    }
    return r.ok();
}

bool ReadWmfRegion(ByteReader r, QList<QRectF> &rects)
{
    // nextInChain, objectType, objectCount, regionSize, scanCount, maxScan, bounds. The scans
    // that the data holds are taken; when none of them is readable, the bounds stand in.
    r.u16();
    r.u16();
    r.u32();
    r.u16();
    const uint16_t scans = r.u16();
    r.u16();
    const double boundLeft = r.i16(), boundTop = r.i16(), boundRight = r.i16(), boundBottom = r.i16();
    if (!r.ok())
        return false;
    uint16_t read = 0;
    for (; read < scans && r.has(6); ++read) {
        const uint16_t pairs = r.u16() / 2; // the count is of coordinates, two per line
        const double top = r.i16(), bottom = r.i16();
        if (!r.has(qint64(pairs) * 4 + 2))
            break;
        for (uint16_t i = 0; i < pairs; ++i) {
            const double left = r.i16(), right = r.i16();
            if (right > left && bottom > top)
                rects.append(QRectF(left, top, right - left, bottom - top));
        }
        r.u16(); // the count again
    }
    if (read == 0 && scans > 0 && boundRight > boundLeft && boundBottom > boundTop)
        rects.append(QRectF(boundLeft, boundTop, boundRight - boundLeft, boundBottom - boundTop));
    return true;
}

} // namespace mv::metafile
