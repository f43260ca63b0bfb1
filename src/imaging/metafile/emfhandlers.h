#pragma once

// Record handlers of EMF, grouped by kind in emf*.cpp. Each handler gets the whole record
// (offsets inside records count from its start) positioned after the type and size, and
// only runs once the record is at least its table's minimum size. Handlers read all their
// fields first and act only when the reader is still good; a reader that ran out marks
// the record as damaged, and it is left out (the drawing goes on with the next record).

#include "imaging/metafile/bytereader.h"
#include "imaging/metafile/emfparser.h"
#include "imaging/metafile/player.h"

#include <QPolygonF>
#include <QRectF>

#include <array>

namespace mv::metafile::emf {

using Handler = void (*)(Player &player, ByteReader &record);
struct HandlerEntry {
    Handler handler = nullptr;
    uint32_t minSize = 8; // whole record, head included
};
using HandlerTable = std::array<HandlerEntry, emr::MaxType + 1>;

void AddStateHandlers(HandlerTable &table);
void AddObjectHandlers(HandlerTable &table);
void AddDrawingHandlers(HandlerTable &table);
void AddPathHandlers(HandlerTable &table);
void AddClippingHandlers(HandlerTable &table);
void AddTextHandlers(HandlerTable &table);
void AddBitmapHandlers(HandlerTable &table);

inline QPointF PointL(ByteReader &r)
{
    const double x = r.i32();
    const double y = r.i32();
    return QPointF(x, y);
}

inline QPointF PointS(ByteReader &r)
{
    const double x = r.i16();
    const double y = r.i16();
    return QPointF(x, y);
}

// A RECTL as stored (left, top, right, bottom), not normalised.
inline QRectF RectL(ByteReader &r)
{
    const QPointF topLeft = PointL(r);
    const QPointF bottomRight = PointL(r);
    return QRectF(topLeft, bottomRight);
}

// `count` points of 32 or 16 bits; false (and the reader marked) when they do not fit.
inline bool ReadPoints(ByteReader &r, uint32_t count, bool sixteen, QPolygonF &out)
{
    const qint64 size = sixteen ? 4 : 8;
    if (!r.has(qint64(count) * size)) {
        r.skip(r.remaining() + 1);
        return false;
    }
    out.resize(count);
    for (uint32_t i = 0; i < count; ++i)
        out[i] = sixteen ? PointS(r) : PointL(r);
    return true;
}

// An XFORM: eM11, eM12, eM21, eM22, eDx, eDy.
inline QTransform Xform(ByteReader &r)
{
    const double m11 = r.f32(), m12 = r.f32(), m21 = r.f32(), m22 = r.f32(), dx = r.f32(), dy = r.f32();
    return QTransform(m11, m12, m21, m22, dx, dy);
}

} // namespace mv::metafile::emf
