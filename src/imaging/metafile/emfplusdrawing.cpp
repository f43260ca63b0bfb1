// EMF+ drawing records: rectangles, polygons, lines, ellipses, pies and arcs, paths,
// cardinal splines and Béziers, regions and clearing.

#include "imaging/metafile/emfplushandlers.h"

#include <cmath>

namespace mv::metafile {

using namespace emfplus;

namespace {

// Records name angles clockwise from the x axis, to the point where the ray meets the
// ellipse; the painter's arcs count them counter-clockwise and along the ellipse's own
// parameter. The turn is kept, so sweeps past a half turn stay whole.
double parameterAngle(double degrees, double rx, double ry)
{
    const double a = degrees * M_PI / 180;
    const double t = std::atan2(rx * std::sin(a), ry * std::cos(a)) * 180 / M_PI;
    return degrees + std::remainder(t - degrees, 360.0);
}

QPainterPath arcPath(QRectF box, double start, double sweep, bool pie)
{
    QPainterPath path;
    box = box.normalized();
    if (box.width() <= 0 || box.height() <= 0 || !std::isfinite(start) || !std::isfinite(sweep))
        return path;
    if (std::abs(sweep) >= 360) {
        path.addEllipse(box);
        return path;
    }
    start = std::fmod(start, 360.0);
    const double rx = box.width() / 2, ry = box.height() / 2;
    const double t0 = parameterAngle(start, rx, ry), t1 = parameterAngle(start + sweep, rx, ry);
    if (pie) {
        path.moveTo(box.center());
        path.arcTo(box, -t0, -(t1 - t0));
        path.closeSubpath();
    } else {
        path.arcMoveTo(box, -t0);
        path.arcTo(box, -t0, -(t1 - t0));
    }
    return path;
}

// A cardinal spline through the points, as Bézier segments: each tangent is the tension
// times the chord of the neighbours, a third of it on each side of a point.
QPainterPath cardinalSpline(const QPolygonF &p, double tension, bool closed, qsizetype first, qsizetype segments)
{
    QPainterPath path;
    const qsizetype n = p.size();
    if (n < 2 || !std::isfinite(tension))
        return path;
    const double k = tension / 3;
    const auto at = [&](qsizetype i) { return closed ? p[((i % n) + n) % n] : p[qBound<qsizetype>(0, i, n - 1)]; };
    path.moveTo(p[first]);
    for (qsizetype s = 0; s < segments; ++s) {
        const qsizetype i = first + s;
        const QPointF c1 = at(i) + k * (at(i + 1) - at(i - 1));
        const QPointF c2 = at(i + 1) - k * (at(i + 2) - at(i));
        path.cubicTo(c1, c2, at(i + 1));
    }
    if (closed)
        path.closeSubpath();
    return path;
}

// Rectangles of a record: `count` of them, checked against the bytes first.
bool readRects(EmfPlusPlayer &p, Record &r, QPainterPath &path)
{
    const uint32_t count = r.data.u32();
    const bool compressed = r.flags & Compressed;
    if (!r.data.ok() || !r.data.has(qint64(count) * (compressed ? 8 : 16))) {
        r.data.skip(r.data.remaining() + 1);
        return false;
    }
    if (!p.player().makeRoom(qint64(count) * 5 * qint64(sizeof(QPainterPath::Element)))
        || !p.player().spend(cost::PathElement * 5 * double(count)))
        return false;
    path.setFillRule(Qt::WindingFill);
    for (uint32_t i = 0; i < count; ++i) {
        const QRectF box = Rect(r.data, compressed);
        if (FiniteRect(box))
            path.addRect(box.normalized());
    }
    return r.data.ok();
}

bool readPoints(EmfPlusPlayer &p, Record &r, QPolygonF &points)
{
    const uint32_t count = r.data.u32();
    return r.data.ok() && ReadPaidPoints(r.data, p.player(), count, r.flags & Compressed, r.flags & Relative, points);
}

const PlusPen *recordPen(EmfPlusPlayer &p, const Record &r)
{
    return p.object<PlusPen>(r.flags & 0xFF);
}

void fillRects(EmfPlusPlayer &p, Record &r)
{
    const uint32_t brushField = r.data.u32();
    QPainterPath path;
    if (!readRects(p, r, path))
        return;
    if (const PlusBrush *brush = p.brush(r.flags, brushField))
        p.fill(path, *brush);
}

void drawRects(EmfPlusPlayer &p, Record &r)
{
    QPainterPath path;
    if (!readRects(p, r, path))
        return;
    if (const PlusPen *pen = recordPen(p, r))
        p.stroke(path, *pen);
}

void fillPolygon(EmfPlusPlayer &p, Record &r)
{
    const uint32_t brushField = r.data.u32();
    QPolygonF points;
    if (!readPoints(p, r, points) || points.size() < 3)
        return;
    QPainterPath path;
    path.addPolygon(points);
    path.closeSubpath();
    if (const PlusBrush *brush = p.brush(r.flags, brushField))
        p.fill(path, *brush);
}

void drawLines(EmfPlusPlayer &p, Record &r)
{
    QPolygonF points;
    if (!readPoints(p, r, points) || points.size() < 2)
        return;
    QPainterPath path;
    path.addPolygon(points);
    if (r.flags & Closed)
        path.closeSubpath();
    if (const PlusPen *pen = recordPen(p, r))
        p.stroke(path, *pen);
}

void fillEllipse(EmfPlusPlayer &p, Record &r)
{
    const uint32_t brushField = r.data.u32();
    const QRectF box = Rect(r.data, r.flags & Compressed);
    if (!r.data.ok() || !FiniteRect(box))
        return;
    QPainterPath path;
    path.addEllipse(box.normalized());
    if (const PlusBrush *brush = p.brush(r.flags, brushField))
        p.fill(path, *brush);
}

void drawEllipse(EmfPlusPlayer &p, Record &r)
{
    const QRectF box = Rect(r.data, r.flags & Compressed);
    if (!r.data.ok() || !FiniteRect(box))
        return;
    QPainterPath path;
    path.addEllipse(box.normalized());
    if (const PlusPen *pen = recordPen(p, r))
        p.stroke(path, *pen);
}

void fillPie(EmfPlusPlayer &p, Record &r)
{
    const uint32_t brushField = r.data.u32();
    const double start = r.data.f32(), sweep = r.data.f32();
    const QRectF box = Rect(r.data, r.flags & Compressed);
    if (!r.data.ok() || !FiniteRect(box))
        return;
    if (const PlusBrush *brush = p.brush(r.flags, brushField))
        p.fill(arcPath(box, start, sweep, true), *brush);
}

template <bool pie>
void drawArc(EmfPlusPlayer &p, Record &r)
{
    const double start = r.data.f32(), sweep = r.data.f32();
    const QRectF box = Rect(r.data, r.flags & Compressed);
    if (!r.data.ok() || !FiniteRect(box))
        return;
    if (const PlusPen *pen = recordPen(p, r))
        p.stroke(arcPath(box, start, sweep, pie), *pen);
}

void fillRegion(EmfPlusPlayer &p, Record &r)
{
    const uint32_t brushField = r.data.u32();
    if (!r.data.ok())
        return;
    const PlusRegion *region = p.object<PlusRegion>(r.flags & 0xFF);
    const PlusBrush *brush = p.brush(r.flags, brushField);
    if (region && brush) {
        const QRegion target = p.regionToTarget(*region);
        if (!p.player().stopped())
            p.fillTargetRegion(target, *brush);
    }
}

void fillPath(EmfPlusPlayer &p, Record &r)
{
    const uint32_t brushField = r.data.u32();
    if (!r.data.ok())
        return;
    const PlusPath *path = p.object<PlusPath>(r.flags & 0xFF);
    const PlusBrush *brush = p.brush(r.flags, brushField);
    if (path && brush)
        p.fill(path->path, *brush);
}

void drawPath(EmfPlusPlayer &p, Record &r)
{
    const uint32_t penId = r.data.u32();
    if (!r.data.ok())
        return;
    const PlusPath *path = p.object<PlusPath>(r.flags & 0xFF);
    const PlusPen *pen = p.object<PlusPen>(penId);
    if (path && pen)
        p.stroke(path->path, *pen);
}

void fillClosedCurve(EmfPlusPlayer &p, Record &r)
{
    const uint32_t brushField = r.data.u32();
    const double tension = r.data.f32();
    QPolygonF points;
    if (!readPoints(p, r, points) || points.size() < 3)
        return;
    QPainterPath path = cardinalSpline(points, tension, true, 0, points.size());
    path.setFillRule(r.flags & Closed ? Qt::WindingFill : Qt::OddEvenFill);
    if (const PlusBrush *brush = p.brush(r.flags, brushField))
        p.fill(path, *brush);
}

void drawClosedCurve(EmfPlusPlayer &p, Record &r)
{
    const double tension = r.data.f32();
    QPolygonF points;
    if (!readPoints(p, r, points) || points.size() < 3)
        return;
    if (const PlusPen *pen = recordPen(p, r))
        p.stroke(cardinalSpline(points, tension, true, 0, points.size()), *pen);
}

void drawCurve(EmfPlusPlayer &p, Record &r)
{
    const double tension = r.data.f32();
    const uint32_t offset = r.data.u32();
    const uint32_t segments = r.data.u32();
    const uint32_t count = r.data.u32();
    QPolygonF points;
    if (!r.data.ok() || !ReadPaidPoints(r.data, p.player(), count, r.flags & Compressed, false, points))
        return;
    // The segments drawn lie within the points; their neighbours still shape the ends.
    if (points.size() < 2 || offset >= uint32_t(points.size() - 1))
        return;
    const qsizetype drawn = qMin<qsizetype>(segments, points.size() - 1 - offset);
    if (const PlusPen *pen = recordPen(p, r))
        p.stroke(cardinalSpline(points, tension, false, offset, drawn), *pen);
}

void drawBeziers(EmfPlusPlayer &p, Record &r)
{
    QPolygonF points;
    if (!readPoints(p, r, points) || points.size() < 4)
        return;
    QPainterPath path(points[0]);
    for (qsizetype i = 1; i + 2 < points.size(); i += 3)
        path.cubicTo(points[i], points[i + 1], points[i + 2]);
    if (const PlusPen *pen = recordPen(p, r))
        p.stroke(path, *pen);
}

void clear(EmfPlusPlayer &p, Record &r)
{
    const uint32_t color = r.data.u32();
    if (r.data.ok())
        p.clear(Argb(color));
}

} // namespace

namespace emfplus {

void AddDrawingHandlers(HandlerTable &t)
{
    Add(t, Clear, clear, 4);
    Add(t, FillRects, fillRects, 8);
    Add(t, DrawRects, drawRects, 4);
    Add(t, FillPolygon, fillPolygon, 8);
    Add(t, DrawLines, drawLines, 4);
    Add(t, FillEllipse, fillEllipse, 12);
    Add(t, DrawEllipse, drawEllipse, 8);
    Add(t, FillPie, fillPie, 20);
    Add(t, DrawPie, drawArc<true>, 16);
    Add(t, DrawArc, drawArc<false>, 16);
    Add(t, FillRegion, fillRegion, 4);
    Add(t, FillPath, fillPath, 4);
    Add(t, DrawPath, drawPath, 4);
    Add(t, FillClosedCurve, fillClosedCurve, 12);
    Add(t, DrawClosedCurve, drawClosedCurve, 8);
    Add(t, DrawCurve, drawCurve, 16);
    Add(t, DrawBeziers, drawBeziers, 4);
}

} // namespace emfplus

} // namespace mv::metafile
