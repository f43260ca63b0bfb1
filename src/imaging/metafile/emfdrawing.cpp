// EMF records that draw: lines, curves, closed shapes, pixels, regions and gradients.

#include "imaging/metafile/emfhandlers.h"
#include "imaging/metafile/region.h"

#include <bit>

namespace mv::metafile::emf {

namespace {

enum class Poly { Line, LineTo, Gon, Bezier, BezierTo };

template <Poly kind, bool sixteen>
void poly(Player &p, ByteReader &r)
{
    r.skip(16); // bounds
    const uint32_t count = r.u32();
    QPolygonF points;
    if (!ReadPoints(r, count, sixteen, points))
        return;
    switch (kind) {
    case Poly::Line: p.polyline(points); break;
    case Poly::LineTo: p.polylineTo(points); break;
    case Poly::Gon: p.polygons({points}); break;
    case Poly::Bezier: p.polyBezier(points); break;
    case Poly::BezierTo: p.polyBezierTo(points); break;
    }
}

template <bool gon, bool sixteen>
void polyPoly(Player &p, ByteReader &r)
{
    r.skip(16);
    const uint32_t parts = r.u32();
    const uint32_t total = r.u32();
    if (!r.ok() || !r.has(qint64(parts) * 4))
        return r.skip(r.remaining() + 1);
    // Each part becomes a polygon of its own, however few bytes it takes in the record.
    if (!p.makeRoom(qint64(parts) * qint64(sizeof(QPolygonF)) + qint64(total) * qint64(sizeof(QPointF)))
        || !p.spend(cost::PathElement * double(parts)))
        return;
    QList<uint32_t> counts(parts);
    uint64_t sum = 0;
    for (uint32_t &c : counts) {
        c = r.u32();
        sum += c;
    }
    QPolygonF points;
    if (sum > total || !ReadPoints(r, total, sixteen, points))
        return r.skip(r.remaining() + 1);
    QList<QPolygonF> list;
    list.reserve(parts);
    qsizetype at = 0;
    for (uint32_t c : counts) {
        list.append(points.mid(at, c));
        at += c;
    }
    if (gon)
        p.polygons(list);
    else
        p.polyPolyline(list);
}

template <bool sixteen>
void polyDraw(Player &p, ByteReader &r)
{
    r.skip(16);
    const uint32_t count = r.u32();
    QPolygonF points;
    if (!ReadPoints(r, count, sixteen, points))
        return;
    const QByteArray types = r.bytes(count);
    if (r.ok())
        p.polyDraw(points, types);
}

template <Player::ArcKind kind>
void arc(Player &p, ByteReader &r)
{
    const QRectF box = RectL(r);
    const QPointF start = PointL(r);
    const QPointF end = PointL(r);
    if (r.ok())
        p.arc(box, start, end, kind);
}

template <bool ellipse>
void box(Player &p, ByteReader &r)
{
    const QRectF b = RectL(r);
    if (!r.ok())
        return;
    if (ellipse)
        p.ellipse(b);
    else
        p.rectangle(b);
}

bool regionRects(ByteReader &r, uint32_t offset, uint32_t size, QList<QRectF> &rects)
{
    if (!r.contains(offset, size) || !ReadEmfRegion(r.sub(offset, size), rects)) {
        r.skip(r.remaining() + 1);
        return false;
    }
    return true;
}

LogBrush brushAt(Player &p, uint32_t index, bool &found)
{
    found = true;
    if (index & gdi::StockObjectBit) {
        const GdiObject stock = StockObject(index);
        if (const auto *b = std::get_if<LogBrush>(&stock))
            return *b;
    } else if (const GdiObject *object = p.objects().get(index)) {
        if (const auto *b = std::get_if<LogBrush>(object))
            return *b;
    }
    found = false;
    return LogBrush();
}

void fillRgn(Player &p, ByteReader &r)
{
    r.skip(16);
    const uint32_t size = r.u32();
    const uint32_t brushIndex = r.u32();
    QList<QRectF> rects;
    if (!r.ok() || !regionRects(r, 32, size, rects))
        return;
    bool found;
    const LogBrush brush = brushAt(p, brushIndex, found);
    if (found)
        p.fillRects(rects, brush);
}

void frameRgn(Player &p, ByteReader &r)
{
    r.skip(16);
    const uint32_t size = r.u32();
    const uint32_t brushIndex = r.u32();
    const double w = r.i32(), h = r.i32();
    QList<QRectF> rects;
    if (!r.ok() || !regionRects(r, 40, size, rects))
        return;
    bool found;
    const LogBrush brush = brushAt(p, brushIndex, found);
    if (found)
        p.frameRects(rects, brush, QSizeF(w, h));
}

template <bool invert>
void paintRgn(Player &p, ByteReader &r)
{
    r.skip(16);
    const uint32_t size = r.u32();
    QList<QRectF> rects;
    if (!r.ok() || !regionRects(r, 28, size, rects))
        return;
    if (invert)
        p.invertRects(rects);
    else
        p.fillRects(rects, p.dc().brush);
}

void gradientFill(Player &p, ByteReader &r)
{
    r.skip(16);
    const uint32_t vertices = r.u32();
    const uint32_t parts = r.u32();
    const uint32_t mode = r.u32();
    if (!r.ok() || !r.has(qint64(vertices) * 16))
        return r.skip(r.remaining() + 1);
    QPolygonF points(vertices);
    QList<QRgb> colors(vertices);
    for (uint32_t i = 0; i < vertices; ++i) {
        points[i] = PointL(r);
        const int red = r.u16() >> 8, green = r.u16() >> 8, blue = r.u16() >> 8;
        r.u16(); // alpha: the drawing model leaves it out of plain gradient fills
        colors[i] = qRgb(red, green, blue);
    }
    const qint64 perPart = mode == 2 ? 12 : 8;
    if (!r.has(qint64(parts) * perPart))
        return r.skip(r.remaining() + 1);
    for (uint32_t i = 0; i < parts && !p.stopped(); ++i) {
        if (mode == 2) {
            const uint32_t a = r.u32(), b = r.u32(), c = r.u32();
            if (a >= vertices || b >= vertices || c >= vertices)
                continue;
            const QPointF tri[3] = {points[a], points[b], points[c]};
            const QRgb cols[3] = {colors[a], colors[b], colors[c]};
            p.gradientTriangle(tri, cols);
        } else {
            const uint32_t a = r.u32(), b = r.u32();
            if (a >= vertices || b >= vertices)
                continue;
            // The first vertex's colour is at the rectangle's left (or top) edge.
            const QPointF pa = points[a], pb = points[b];
            QRgb from = colors[a], to = colors[b];
            const bool vertical = mode == 1;
            if ((vertical ? pb.y() < pa.y() : pb.x() < pa.x()))
                std::swap(from, to);
            p.gradientRect(QRectF(pa, pb), from, to, vertical);
        }
    }
}

} // namespace

void AddDrawingHandlers(HandlerTable &t)
{
    t[emr::Polyline] = {poly<Poly::Line, false>, 28};
    t[emr::PolylineTo] = {poly<Poly::LineTo, false>, 28};
    t[emr::Polygon] = {poly<Poly::Gon, false>, 28};
    t[emr::PolyBezier] = {poly<Poly::Bezier, false>, 28};
    t[emr::PolyBezierTo] = {poly<Poly::BezierTo, false>, 28};
    t[emr::Polyline16] = {poly<Poly::Line, true>, 28};
    t[emr::PolylineTo16] = {poly<Poly::LineTo, true>, 28};
    t[emr::Polygon16] = {poly<Poly::Gon, true>, 28};
    t[emr::PolyBezier16] = {poly<Poly::Bezier, true>, 28};
    t[emr::PolyBezierTo16] = {poly<Poly::BezierTo, true>, 28};
    t[emr::PolyPolyline] = {polyPoly<false, false>, 32};
    t[emr::PolyPolygon] = {polyPoly<true, false>, 32};
    t[emr::PolyPolyline16] = {polyPoly<false, true>, 32};
    t[emr::PolyPolygon16] = {polyPoly<true, true>, 32};
    t[emr::PolyDraw] = {polyDraw<false>, 28};
    t[emr::PolyDraw16] = {polyDraw<true>, 28};
    t[emr::MoveToEx] = {[](Player &p, ByteReader &r) {
                            const QPointF pt = PointL(r);
                            if (r.ok())
                                p.moveTo(pt);
                        },
                        16};
    t[emr::LineTo] = {[](Player &p, ByteReader &r) {
                          const QPointF pt = PointL(r);
                          if (r.ok())
                              p.lineTo(pt);
                      },
                      16};
    t[emr::SetPixelV] = {[](Player &p, ByteReader &r) {
                             const QPointF pt = PointL(r);
                             const uint32_t color = r.u32();
                             if (r.ok())
                                 p.setPixel(pt, color);
                         },
                         20};
    t[emr::Rectangle] = {box<false>, 24};
    t[emr::Ellipse] = {box<true>, 24};
    t[emr::RoundRect] = {[](Player &p, ByteReader &r) {
                             const QRectF b = RectL(r);
                             const double cx = r.i32(), cy = r.i32();
                             if (r.ok())
                                 p.roundRect(b, QSizeF(cx, cy));
                         },
                         32};
    t[emr::Arc] = {arc<Player::ArcKind::Arc>, 40};
    t[emr::ArcTo] = {arc<Player::ArcKind::ArcTo>, 40};
    t[emr::Chord] = {arc<Player::ArcKind::Chord>, 40};
    t[emr::Pie] = {arc<Player::ArcKind::Pie>, 40};
    t[emr::AngleArc] = {[](Player &p, ByteReader &r) {
                            const QPointF center = PointL(r);
                            const double radius = r.u32();
                            const double start = r.f32(), sweep = r.f32();
                            if (r.ok())
                                p.angleArc(center, radius, start, sweep);
                        },
                        28};
    t[emr::FillRgn] = {fillRgn, 32};
    t[emr::FrameRgn] = {frameRgn, 40};
    t[emr::InvertRgn] = {paintRgn<true>, 28};
    t[emr::PaintRgn] = {paintRgn<false>, 28};
    t[emr::GradientFill] = {gradientFill, 36};
}

} // namespace mv::metafile::emf
