#pragma once

// The EMF+ format as its records lay it out: record types, flag bits, units, and readers of
// the small structures (points in three codings, rectangles, matrices, colours) that the
// records and objects share. Readers follow the ByteReader rule: read everything, then
// check ok() once.

#include "imaging/metafile/bytereader.h"

#include <QColor>
#include <QPolygonF>
#include <QRectF>
#include <QTransform>

#include <cmath>
#include <cstdint>

namespace mv::metafile::emfplus {

enum Type : uint16_t {
    Header = 0x4001, EndOfFile = 0x4002, Comment = 0x4003, GetDc = 0x4004, Object = 0x4008, Clear = 0x4009,
    FillRects = 0x400A, DrawRects = 0x400B, FillPolygon = 0x400C, DrawLines = 0x400D, FillEllipse = 0x400E,
    DrawEllipse = 0x400F, FillPie = 0x4010, DrawPie = 0x4011, DrawArc = 0x4012, FillRegion = 0x4013,
    FillPath = 0x4014, DrawPath = 0x4015, FillClosedCurve = 0x4016, DrawClosedCurve = 0x4017, DrawCurve = 0x4018,
    DrawBeziers = 0x4019, DrawImage = 0x401A, DrawImagePoints = 0x401B, DrawString = 0x401C,
    SetRenderingOrigin = 0x401D, SetAntiAliasMode = 0x401E, SetTextRenderingHint = 0x401F,
    SetTextContrast = 0x4020, SetInterpolationMode = 0x4021, SetPixelOffsetMode = 0x4022,
    SetCompositingMode = 0x4023, SetCompositingQuality = 0x4024, Save = 0x4025, Restore = 0x4026,
    BeginContainer = 0x4027, BeginContainerNoParams = 0x4028, EndContainer = 0x4029, SetWorldTransform = 0x402A,
    ResetWorldTransform = 0x402B, MultiplyWorldTransform = 0x402C, TranslateWorldTransform = 0x402D,
    ScaleWorldTransform = 0x402E, RotateWorldTransform = 0x402F, SetPageTransform = 0x4030, ResetClip = 0x4031,
    SetClipRect = 0x4032, SetClipPath = 0x4033, SetClipRegion = 0x4034, OffsetClip = 0x4035,
    DrawDriverString = 0x4036, StrokeFillPath = 0x4037, SerializableObject = 0x4038, SetTsGraphics = 0x4039,
    SetTsClip = 0x403A,
    FirstType = Header, LastType = SetTsClip,
};

// Record flag bits shared by many records.
enum : uint16_t {
    SolidColor = 0x8000,   // the brush field holds a colour, not an object index
    Compressed = 0x4000,   // points and rectangles are 16-bit integers
    Closed = 0x2000,       // DrawLines: the last point joins the first; FillClosedCurve: winding fill
    AppendMatrix = 0x2000, // transform records: the new matrix applies after the current one
    Relative = 0x0800,     // points are relative, each to the one before
    ContinuedObject = 0x8000,
};

enum ObjectType : int {
    InvalidObject = 0, BrushObject = 1, PenObject = 2, PathObject = 3, RegionObject = 4, ImageObject = 5,
    FontObject = 6, StringFormatObject = 7, ImageAttributesObject = 8, CustomLineCapObject = 9,
};

constexpr int ObjectSlots = 64;

enum Unit : int { UnitWorld = 0, UnitDisplay = 1, UnitPixel = 2, UnitPoint = 3, UnitInch = 4, UnitDocument = 5, UnitMillimeter = 6 };

enum CombineMode : int { CombineReplace = 0, CombineIntersect = 1, CombineUnion = 2, CombineXor = 3, CombineExclude = 4, CombineComplement = 5 };

// Recording-device pixels per unit at `dpi`; Display counts as pixels on a screen and as
// hundredths of an inch on a printer, World as pixels.
inline double UnitToPixels(int unit, double dpi, bool screen)
{
    switch (unit) {
    case UnitDisplay: return screen ? 1 : dpi / 100;
    case UnitPoint: return dpi / 72;
    case UnitInch: return dpi;
    case UnitDocument: return dpi / 300;
    case UnitMillimeter: return dpi / 25.4;
    default: return 1;
    }
}

inline QColor Argb(uint32_t v)
{
    return QColor(int((v >> 16) & 0xFF), int((v >> 8) & 0xFF), int(v & 0xFF), int(v >> 24));
}

inline bool Finite(double v)
{
    return std::isfinite(v) && std::abs(v) < 1e15;
}

inline QPointF PointF(ByteReader &r)
{
    const double x = r.f32();
    const double y = r.f32();
    return QPointF(x, y);
}

// An EmfPlusRectF, or an EmfPlusRect when compressed.
inline QRectF Rect(ByteReader &r, bool compressed)
{
    if (compressed) {
        const double x = r.i16(), y = r.i16(), w = r.i16(), h = r.i16();
        return QRectF(x, y, w, h);
    }
    const double x = r.f32(), y = r.f32(), w = r.f32(), h = r.f32();
    return QRectF(x, y, w, h);
}

inline bool FiniteRect(const QRectF &r)
{
    return Finite(r.x()) && Finite(r.y()) && Finite(r.width()) && Finite(r.height());
}

// An EmfPlusTransformMatrix: m11, m12, m21, m22, dx, dy.
inline QTransform Matrix(ByteReader &r)
{
    const double m11 = r.f32(), m12 = r.f32(), m21 = r.f32(), m22 = r.f32(), dx = r.f32(), dy = r.f32();
    return QTransform(m11, m12, m21, m22, dx, dy);
}

inline bool UsableTransform(const QTransform &t)
{
    const double v[] = {t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy()};
    for (double x : v) {
        if (!std::isfinite(x) || std::abs(x) > 1e12)
            return false;
    }
    const double det = t.m11() * t.m22() - t.m12() * t.m21();
    return std::isfinite(det) && std::abs(det) > 1e-18;
}

// A relative coordinate: 7 bits in one byte, or 15 bits in two bytes stored high byte first.
inline int RelativeCoordinate(ByteReader &r)
{
    const uint8_t first = r.u8();
    if (!(first & 0x80))
        return (first & 0x40) ? int(first) - 0x80 : int(first);
    const int v = ((first & 0x7F) << 8) | r.u8();
    return (v & 0x4000) ? v - 0x8000 : v;
}

// `count` points as the flags say: floats, 16-bit integers or relative integers. False,
// and the reader marked, when they do not fit; the count is checked against the bytes
// before anything is allocated.
inline bool PointsFit(ByteReader &r, uint32_t count, bool compressed, bool relative)
{
    const qint64 least = relative ? 2 : (compressed ? 4 : 8);
    if (!r.has(qint64(count) * least)) {
        r.skip(r.remaining() + 1);
        return false;
    }
    return true;
}

inline bool ReadPoints(ByteReader &r, uint32_t count, bool compressed, bool relative, QPolygonF &out)
{
    if (!PointsFit(r, count, compressed, relative))
        return false;
    out.resize(count);
    QPointF last(0, 0);
    for (uint32_t i = 0; i < count; ++i) {
        if (relative) {
            const int dx = RelativeCoordinate(r);
            const int dy = RelativeCoordinate(r);
            last += QPointF(dx, dy);
            out[i] = last;
        } else if (compressed) {
            const double x = r.i16();
            const double y = r.i16();
            out[i] = QPointF(x, y);
        } else {
            out[i] = PointF(r);
        }
    }
    return r.ok();
}

inline bool FinitePoints(const QPolygonF &points)
{
    for (const QPointF &p : points) {
        if (!Finite(p.x()) || !Finite(p.y()))
            return false;
    }
    return true;
}

} // namespace mv::metafile::emfplus
