#pragma once

#include "imaging/metafile/bytereader.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace mv::metafile {

namespace meta {
enum Function : uint16_t {
    Eof = 0x0000, SaveDc = 0x001E, RealizePalette = 0x0035, SetPalEntries = 0x0037,
    CreatePalette = 0x00F7, SetBkMode = 0x0102, SetMapMode = 0x0103, SetRop2 = 0x0104,
    SetRelAbs = 0x0105, SetPolyFillMode = 0x0106, SetStretchBltMode = 0x0107,
    SetTextCharExtra = 0x0108, RestoreDc = 0x0127, InvertRegion = 0x012A, PaintRegion = 0x012B,
    SelectClipRegion = 0x012C, SelectObject = 0x012D, SetTextAlign = 0x012E,
    ResizePalette = 0x0139, DibCreatePatternBrush = 0x0142, SetLayout = 0x0149,
    DeleteObject = 0x01F0, CreatePatternBrush = 0x01F9, SetBkColor = 0x0201,
    SetTextColor = 0x0209, SetTextJustification = 0x020A, SetWindowOrg = 0x020B,
    SetWindowExt = 0x020C, SetViewportOrg = 0x020D, SetViewportExt = 0x020E,
    OffsetWindowOrg = 0x020F, OffsetViewportOrg = 0x0211, LineTo = 0x0213, MoveTo = 0x0214,
    OffsetClipRgn = 0x0220, FillRegion = 0x0228, SetMapperFlags = 0x0231,
    SelectPalette = 0x0234, CreatePenIndirect = 0x02FA, CreateFontIndirect = 0x02FB,
    CreateBrushIndirect = 0x02FC, Polygon = 0x0324, Polyline = 0x0325, ScaleWindowExt = 0x0410,
    ScaleViewportExt = 0x0412, ExcludeClipRect = 0x0415, IntersectClipRect = 0x0416,
    Ellipse = 0x0418, FloodFill = 0x0419, Rectangle = 0x041B, SetPixel = 0x041F,
    FrameRegion = 0x0429, AnimatePalette = 0x0436, TextOut = 0x0521, PolyPolygon = 0x0538,
    ExtFloodFill = 0x0548, RoundRect = 0x061C, PatBlt = 0x061D, Escape = 0x0626,
    CreateRegion = 0x06FF, Arc = 0x0817, Pie = 0x081A, Chord = 0x0830, BitBlt = 0x0922,
    DibBitBlt = 0x0940, ExtTextOut = 0x0A32, StretchBlt = 0x0B23, DibStretchBlt = 0x0B41,
    SetDibToDev = 0x0D33, StretchDib = 0x0F43,
};
} // namespace meta

constexpr uint32_t PlaceableKey = 0x9AC6CDD7;

struct WmfHeader {
    bool placeable = false;
    // Placeable header: the picture's box in logical units and the units per inch.
    int16_t boxLeft = 0, boxTop = 0, boxRight = 0, boxBottom = 0;
    uint16_t unitsPerInch = 0;
    uint16_t objects = 0;    // size of the object table
    qint64 recordsStart = 0; // offset of the first record
};

// Reads and checks the (placeable and) standard header.
[[nodiscard]] bool ReadWmfHeader(const QByteArray &data, WmfHeader &header, QString &error);

// One record: its function and the whole record's bytes, positioned after the 6-byte head.
struct WmfRecord {
    uint16_t function = 0;
    qint64 offset = 0;
    ByteReader bytes;
};

// Walks the records; sizes are counted in 16-bit words and checked before a record is
// handed out. A damaged size ends the walk with an error.
class WmfRecordIterator {
public:
    WmfRecordIterator(const QByteArray &data, const WmfHeader &header);
    bool next(WmfRecord &record);
    const QString &error() const { return mError; }

private:
    ByteReader mData;
    qint64 mPos = 0;
    bool mDone = false;
    QString mError;
};

} // namespace mv::metafile
