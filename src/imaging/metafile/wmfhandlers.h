#pragma once

// Record handlers of WMF, grouped by kind in wmf*.cpp. A handler gets the whole record
// positioned after its size and function; it runs only once the record holds at least the
// table's minimum size. Parameters are 16-bit words, most of them stored last to first.
// As with EMF, a handler that reads past its record marks it as damaged, and the record is
// left out. A creating record takes an object slot even then (see CreatesObject).

#include "imaging/metafile/bytereader.h"
#include "imaging/metafile/player.h"
#include "imaging/metafile/wmfparser.h"

#include <QRectF>

#include <array>

namespace mv::metafile::wmf {

using Handler = void (*)(Player &player, ByteReader &record);
struct HandlerEntry {
    Handler handler = nullptr;
    uint32_t minSize = 6; // whole record in bytes, head included
};
// The low byte of a function number names the record on its own.
using HandlerTable = std::array<HandlerEntry, 256>;

inline void Add(HandlerTable &t, uint16_t function, Handler handler, uint32_t paramWords)
{
    t[function & 0xFF] = {handler, 6 + 2 * paramWords};
}

void AddStateHandlers(HandlerTable &table);
void AddObjectHandlers(HandlerTable &table);
void AddDrawingHandlers(HandlerTable &table);
void AddClippingHandlers(HandlerTable &table);
void AddTextHandlers(HandlerTable &table);
void AddBitmapHandlers(HandlerTable &table);

// A point stored y first.
inline QPointF PointYX(ByteReader &r)
{
    const double y = r.i16();
    const double x = r.i16();
    return QPointF(x, y);
}

// A point stored x first (point arrays).
inline QPointF PointXY(ByteReader &r)
{
    const double x = r.i16();
    const double y = r.i16();
    return QPointF(x, y);
}

// A rectangle stored bottom, right, top, left.
inline QRectF RectBRTL(ByteReader &r)
{
    const double bottom = r.i16(), right = r.i16(), top = r.i16(), left = r.i16();
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

inline void MarkDamaged(ByteReader &r)
{
    r.skip(r.remaining() + 1);
}

// Records that create an object, each in the lowest free slot of the table.
inline bool CreatesObject(uint16_t function)
{
    switch (function) {
    case meta::CreatePenIndirect:
    case meta::CreateBrushIndirect:
    case meta::CreateFontIndirect:
    case meta::CreatePalette:
    case meta::DibCreatePatternBrush:
    case meta::CreatePatternBrush:
    case meta::CreateRegion:
        return true;
    default:
        return false;
    }
}

} // namespace mv::metafile::wmf
