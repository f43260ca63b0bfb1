#pragma once

#include "imaging/metafile/bytereader.h"

#include <QByteArray>
#include <QRect>
#include <QSize>
#include <QString>

#include <cstdint>

namespace mv::metafile {

namespace emr {
enum Type : uint32_t {
    Header = 1, PolyBezier = 2, Polygon = 3, Polyline = 4, PolyBezierTo = 5, PolylineTo = 6,
    PolyPolyline = 7, PolyPolygon = 8, SetWindowExtEx = 9, SetWindowOrgEx = 10,
    SetViewportExtEx = 11, SetViewportOrgEx = 12, SetBrushOrgEx = 13, Eof = 14, SetPixelV = 15,
    SetMapperFlags = 16, SetMapMode = 17, SetBkMode = 18, SetPolyFillMode = 19, SetRop2 = 20,
    SetStretchBltMode = 21, SetTextAlign = 22, SetColorAdjustment = 23, SetTextColor = 24,
    SetBkColor = 25, OffsetClipRgn = 26, MoveToEx = 27, SetMetaRgn = 28, ExcludeClipRect = 29,
    IntersectClipRect = 30, ScaleViewportExtEx = 31, ScaleWindowExtEx = 32, SaveDc = 33,
    RestoreDc = 34, SetWorldTransform = 35, ModifyWorldTransform = 36, SelectObject = 37,
    CreatePen = 38, CreateBrushIndirect = 39, DeleteObject = 40, AngleArc = 41, Ellipse = 42,
    Rectangle = 43, RoundRect = 44, Arc = 45, Chord = 46, Pie = 47, SelectPalette = 48,
    CreatePalette = 49, SetPaletteEntries = 50, ResizePalette = 51, RealizePalette = 52,
    ExtFloodFill = 53, LineTo = 54, ArcTo = 55, PolyDraw = 56, SetArcDirection = 57,
    SetMiterLimit = 58, BeginPath = 59, EndPath = 60, CloseFigure = 61, FillPath = 62,
    StrokeAndFillPath = 63, StrokePath = 64, FlattenPath = 65, WidenPath = 66,
    SelectClipPath = 67, AbortPath = 68, Comment = 70, FillRgn = 71, FrameRgn = 72,
    InvertRgn = 73, PaintRgn = 74, ExtSelectClipRgn = 75, BitBlt = 76, StretchBlt = 77,
    MaskBlt = 78, PlgBlt = 79, SetDiBitsToDevice = 80, StretchDiBits = 81,
    ExtCreateFontIndirectW = 82, ExtTextOutA = 83, ExtTextOutW = 84, PolyBezier16 = 85,
    Polygon16 = 86, Polyline16 = 87, PolyBezierTo16 = 88, PolylineTo16 = 89,
    PolyPolyline16 = 90, PolyPolygon16 = 91, PolyDraw16 = 92, CreateMonoBrush = 93,
    CreateDibPatternBrushPt = 94, ExtCreatePen = 95, PolyTextOutA = 96, PolyTextOutW = 97,
    SetIcmMode = 98, SetLayout = 115, SmallTextOut = 108, AlphaBlend = 114,
    TransparentBlt = 116, GradientFill = 118, SetTextJustification = 120,
    MaxType = 122,
};
} // namespace emr

constexpr uint32_t EmfSignature = 0x464D4520; // " EMF"

struct EmfHeader {
    // Bounds in reference-device pixels and frame in hundredths of a millimetre, both
    // inclusive, as stored.
    int32_t boundsLeft = 0, boundsTop = 0, boundsRight = 0, boundsBottom = 0;
    int32_t frameLeft = 0, frameTop = 0, frameRight = 0, frameBottom = 0;
    uint32_t headerSize = 0;
    uint32_t declaredBytes = 0;
    uint32_t declaredRecords = 0;
    uint16_t handles = 0;
    uint32_t paletteEntries = 0;
    QSize devicePixels;      // reference device size in pixels
    QSize deviceMillimeters; // and in millimetres
    QSize deviceMicrometers; // when the header carries it (finer than millimetres)
};

// Reads and checks the header record. On failure returns false and says why.
[[nodiscard]] bool ReadEmfHeader(const QByteArray &data, EmfHeader &header, QString &error);

// One record: type and the whole record's bytes (its 8-byte type/size head included, since
// offsets inside records count from the record's start).
struct EmfRecord {
    uint32_t type = 0;
    qint64 offset = 0;
    ByteReader bytes;
};

// Walks the records after the header. Each record's size is checked against the data
// before it is handed out; a damaged size ends the walk with an error.
class EmfRecordIterator {
public:
    EmfRecordIterator(const QByteArray &data, const EmfHeader &header);
    // False at the end record, at the end of the data or at a damaged record.
    bool next(EmfRecord &record);
    const QString &error() const { return mError; }
    qint64 count() const { return mCount; }

private:
    ByteReader mData;
    qint64 mPos = 0;
    qint64 mCount = 0;
    bool mDone = false;
    QString mError;
};

} // namespace mv::metafile
