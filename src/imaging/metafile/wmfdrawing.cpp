// WMF records that draw: lines, shapes, pixels, regions and pattern fills.

#include "imaging/metafile/wmfhandlers.h"

namespace mv::metafile::wmf {

namespace {

bool readPoints(ByteReader &r, uint32_t count, QPolygonF &points)
{
    if (!r.has(qint64(count) * 4)) {
        MarkDamaged(r);
        return false;
    }
    points.resize(count);
    for (uint32_t i = 0; i < count; ++i)
        points[i] = PointXY(r);
    return true;
}

template <bool gon>
void poly(Player &p, ByteReader &r)
{
    const uint16_t count = r.u16();
    QPolygonF points;
    if (!r.ok() || !readPoints(r, count, points))
        return;
    if (gon)
        p.polygons({points});
    else
        p.polyline(points);
}

void polyPolygon(Player &p, ByteReader &r)
{
    const uint16_t parts = r.u16();
    if (!r.ok() || !r.has(qint64(parts) * 2))
        return MarkDamaged(r);
    QList<uint16_t> counts(parts);
    uint32_t total = 0;
    for (uint16_t &c : counts) {
        c = r.u16();
        total += c;
    }
    QPolygonF points;
    if (!readPoints(r, total, points))
        return;
    QList<QPolygonF> list;
    qsizetype at = 0;
    for (uint16_t c : counts) {
        list.append(points.mid(at, c));
        at += c;
    }
    p.polygons(list);
}

template <Player::ArcKind kind>
void arc(Player &p, ByteReader &r)
{
    const QPointF end = PointYX(r);
    const QPointF start = PointYX(r);
    const QRectF box = RectBRTL(r);
    if (r.ok())
        p.arc(box, start, end, kind);
}

const LogRegion *regionAt(Player &p, uint16_t index)
{
    const GdiObject *object = p.objects().get(index);
    return object ? std::get_if<LogRegion>(object) : nullptr;
}

const LogBrush *brushAt(Player &p, uint16_t index)
{
    const GdiObject *object = p.objects().get(index);
    return object ? std::get_if<LogBrush>(object) : nullptr;
}

} // namespace

void AddDrawingHandlers(HandlerTable &t)
{
    Add(t, meta::MoveTo, [](Player &p, ByteReader &r) {
            const QPointF pt = PointYX(r);
            if (r.ok())
                p.moveTo(pt);
        }, 2);
    Add(t, meta::LineTo, [](Player &p, ByteReader &r) {
            const QPointF pt = PointYX(r);
            if (r.ok())
                p.lineTo(pt);
        }, 2);
    Add(t, meta::Polyline, poly<false>, 1);
    Add(t, meta::Polygon, poly<true>, 1);
    Add(t, meta::PolyPolygon, polyPolygon, 1);
    Add(t, meta::Rectangle, [](Player &p, ByteReader &r) {
            const QRectF box = RectBRTL(r);
            if (r.ok())
                p.rectangle(box);
        }, 4);
    Add(t, meta::Ellipse, [](Player &p, ByteReader &r) {
            const QRectF box = RectBRTL(r);
            if (r.ok())
                p.ellipse(box);
        }, 4);
    Add(t, meta::RoundRect, [](Player &p, ByteReader &r) {
            const double h = r.i16(), w = r.i16();
            const QRectF box = RectBRTL(r);
            if (r.ok())
                p.roundRect(box, QSizeF(w, h));
        }, 6);
    Add(t, meta::Arc, arc<Player::ArcKind::Arc>, 8);
    Add(t, meta::Pie, arc<Player::ArcKind::Pie>, 8);
    Add(t, meta::Chord, arc<Player::ArcKind::Chord>, 8);
    Add(t, meta::SetPixel, [](Player &p, ByteReader &r) {
            const uint32_t color = r.u32();
            const QPointF pt = PointYX(r);
            if (r.ok())
                p.setPixel(pt, color);
        }, 4);
    Add(t, meta::PatBlt, [](Player &p, ByteReader &r) {
            const uint32_t rop = r.u32();
            const double h = r.i16(), w = r.i16();
            const QPointF pt = PointYX(r);
            if (r.ok())
                p.patBlt(QRectF(pt, QSizeF(w, h)), rop);
        }, 6);
    Add(t, meta::FillRegion, [](Player &p, ByteReader &r) {
            const uint16_t region = r.u16(), brush = r.u16();
            if (!r.ok())
                return;
            const LogRegion *rgn = regionAt(p, region);
            const LogBrush *b = brushAt(p, brush);
            if (rgn && b)
                p.fillRects(rgn->rects, *b);
        }, 2);
    Add(t, meta::FrameRegion, [](Player &p, ByteReader &r) {
            const uint16_t region = r.u16(), brush = r.u16();
            const double h = r.i16(), w = r.i16();
            if (!r.ok())
                return;
            const LogRegion *rgn = regionAt(p, region);
            const LogBrush *b = brushAt(p, brush);
            if (rgn && b)
                p.frameRects(rgn->rects, *b, QSizeF(w, h));
        }, 4);
    Add(t, meta::PaintRegion, [](Player &p, ByteReader &r) {
            const uint16_t region = r.u16();
            if (!r.ok())
                return;
            if (const LogRegion *rgn = regionAt(p, region))
                p.fillRects(rgn->rects, p.dc().brush);
        }, 1);
    Add(t, meta::InvertRegion, [](Player &p, ByteReader &r) {
            const uint16_t region = r.u16();
            if (!r.ok())
                return;
            if (const LogRegion *rgn = regionAt(p, region))
                p.invertRects(rgn->rects);
        }, 1);
}

void AddClippingHandlers(HandlerTable &t)
{
    Add(t, meta::IntersectClipRect, [](Player &p, ByteReader &r) {
            const QRectF box = RectBRTL(r);
            if (r.ok())
                p.intersectClipRect(box);
        }, 4);
    Add(t, meta::ExcludeClipRect, [](Player &p, ByteReader &r) {
            const QRectF box = RectBRTL(r);
            if (r.ok())
                p.excludeClipRect(box);
        }, 4);
    Add(t, meta::OffsetClipRgn, [](Player &p, ByteReader &r) {
            const QPointF delta = PointYX(r);
            if (r.ok())
                p.offsetClip(delta);
        }, 2);
    Add(t, meta::SelectClipRegion, [](Player &p, ByteReader &r) {
            const uint16_t index = r.u16();
            if (!r.ok())
                return;
            if (const LogRegion *rgn = regionAt(p, index))
                p.selectClipRects(rgn->rects, gdi::RgnCopy, false);
            else
                p.resetClip(); // no region: back to no clip
        }, 1);
}

} // namespace mv::metafile::wmf
