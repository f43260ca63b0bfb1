#include "imaging/metafile/region.h"

namespace mv::metafile {

bool ReadEmfRegion(ByteReader r, QList<QRectF> &rects)
{
    // RGNDATAHEADER: size, type, count, byte size, bounds; then the rectangles.
    const uint32_t headerSize = r.u32();
    r.u32();
    const uint32_t count = r.u32();
    r.u32();
    if (!r.ok() || headerSize < 32 || !r.contains(headerSize, 0))
        return false;
    r.seek(headerSize);
    if (count > r.remaining() / 16)
        return false;
    rects.reserve(rects.size() + count);
    for (uint32_t i = 0; i < count; ++i) {
        const double left = r.i32(), top = r.i32(), right = r.i32(), bottom = r.i32();
        if (right > left && bottom > top)
            rects.append(QRectF(left, top, right - left, bottom - top));
    }
    return r.ok();
}

bool ReadWmfRegion(ByteReader r, QList<QRectF> &rects)
{
    // nextInChain, objectType, objectCount, regionSize, scanCount, maxScan, bounds.
    r.u16();
    r.u16();
    r.u32();
    r.u16();
    const uint16_t scans = r.u16();
    r.u16();
    r.skip(8);
    for (uint16_t s = 0; s < scans && r.ok(); ++s) {
        const uint16_t pairs = r.u16() / 2; // the count is of coordinates, two per line
        const double top = r.i16(), bottom = r.i16();
        if (!r.has(qint64(pairs) * 4 + 2))
            return false;
        for (uint16_t i = 0; i < pairs; ++i) {
            const double left = r.i16(), right = r.i16();
            if (right > left && bottom > top)
                rects.append(QRectF(left, top, right - left, bottom - top));
        }
        r.u16(); // the count again
    }
    return r.ok();
}

} // namespace mv::metafile
