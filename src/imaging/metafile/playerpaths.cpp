// The path bracket and the clip of the player.

#include "imaging/metafile/player.h"

#include <QPainterPathStroker>

#include <cmath>

namespace mv::metafile {

namespace {

// A target rectangle as whole pixels, kept near the surface so that far-away coordinates
// cannot overflow.
QRect pixelRect(const QRectF &r, const QRect &surface)
{
    const auto clampX = [&](double v) { return int(std::lround(qBound(-1.0, v, surface.width() + 1.0))); };
    const auto clampY = [&](double v) { return int(std::lround(qBound(-1.0, v, surface.height() + 1.0))); };
    const int l = clampX(r.left()), t = clampY(r.top()), rr = clampX(r.right()), b = clampY(r.bottom());
    if (rr <= l || b <= t)
        return QRect();
    return QRect(QPoint(l, t), QPoint(rr - 1, b - 1));
}

bool axisAligned(const QTransform &t)
{
    return t.m12() == 0 && t.m21() == 0;
}

// Unions pairwise so that a region of many rectangles costs n log n, not n squared.
QRegion unite(const QList<QRegion> &parts, qsizetype from, qsizetype to)
{
    if (to - from == 1)
        return parts[from];
    if (to - from <= 0)
        return QRegion();
    const qsizetype mid = from + (to - from) / 2;
    return unite(parts, from, mid).united(unite(parts, mid, to));
}

QRegion unite(const QList<QRect> &rects)
{
    QList<QRegion> parts;
    parts.reserve(rects.size());
    for (const QRect &r : rects)
        parts.append(QRegion(r));
    return unite(parts, 0, parts.size());
}

} // namespace

void Player::beginPath()
{
    mDc.inPath = true;
    mDc.path = QPainterPath();
    mDc.pathIsOutline = false;
    mPathNeedsMove = true;
}

void Player::endPath()
{
    mDc.inPath = false;
}

void Player::abortPath()
{
    mDc.inPath = false;
    mDc.path = QPainterPath();
}

void Player::closeFigure()
{
    if (mDc.inPath && mDc.path.elementCount() > 0) {
        mDc.path.closeSubpath();
        mPathNeedsMove = true;
    }
}

void Player::usePath(Paint paint)
{
    if (mDc.inPath)
        return;
    paintTarget(mDc.path, paint, mDc.pathIsOutline);
    mDc.path = QPainterPath();
    mDc.pathIsOutline = false;
}

void Player::fillPath()
{
    usePath(Paint::Fill);
}

void Player::strokePath()
{
    usePath(Paint::Stroke);
}

void Player::strokeAndFillPath()
{
    usePath(Paint::FillAndStroke);
}

void Player::flattenPath()
{
    if (mDc.inPath)
        return;
    QPainterPath flat;
    for (const QPolygonF &polygon : mDc.path.toSubpathPolygons())
        flat.addPolygon(polygon);
    mDc.path = flat;
}

void Player::widenPath()
{
    if (mDc.inPath || mDc.path.isEmpty() || mDc.pen.kind() == gdi::PsNull)
        return;
    double width = 1;
    const QPen pen = makePen(&width);
    QPainterPathStroker stroker(pen);
    // The outline's pieces overlap; filled with the winding rule they make one area.
    mDc.path = stroker.createStroke(mDc.path);
    mDc.pathIsOutline = true;
}

void Player::selectClipPath(int mode)
{
    if (mDc.inPath)
        return;
    QPainterPath path = mDc.path;
    path.setFillRule(mDc.pathIsOutline || mDc.polyFillMode == gdi::Winding ? Qt::WindingFill : Qt::OddEvenFill);
    clipWithTargetPath(path, mode);
    mDc.path = QPainterPath();
    mDc.pathIsOutline = false;
}

QRegion Player::rasterise(const QPainterPath &target)
{
    const QRectF bounds = target.controlPointRect();
    if (!std::isfinite(bounds.width()) || !std::isfinite(bounds.height()))
        return QRegion();
    const QRect area = bounds.intersected(QRectF(mSurface)).toAlignedRect().intersected(mSurface);
    if (area.isEmpty() || !charge(double(area.width()) * area.height()))
        return QRegion();
    QImage mask(area.size(), QImage::Format_Alpha8);
    mask.fill(0);
    {
        QPainter p(&mask);
        p.translate(-area.left(), -area.top());
        p.fillPath(target, Qt::black);
    }
    // One band of runs per row, the rows united pairwise.
    QList<QRegion> rows;
    QList<QRect> runs;
    for (int y = 0; y < mask.height(); ++y) {
        const uchar *row = mask.constScanLine(y);
        runs.clear();
        for (int x = 0; x < mask.width();) {
            if (row[x] < 128) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < mask.width() && row[x] >= 128)
                ++x;
            runs.append(QRect(area.left() + start, area.top() + y, x - start, 1));
        }
        if (!runs.isEmpty()) {
            QRegion band;
            band.setRects(runs.constData(), int(runs.size()));
            rows.append(band);
        }
    }
    return unite(rows, 0, rows.size());
}

void Player::clipWithTargetPath(const QPainterPath &target, int mode)
{
    mDc.clip.combine(rasterise(target), mode, mSurface);
    mClipDirty = true;
}

void Player::clipWithLogicalRect(QRectF box, int mode)
{
    if (!transformUsable())
        return;
    const QTransform &t = logicalToTarget();
    box = box.normalized();
    if (axisAligned(t)) {
        mDc.clip.combine(QRegion(pixelRect(t.mapRect(box), mSurface)), mode, mSurface);
        mClipDirty = true;
    } else {
        QPainterPath path;
        path.addRect(box);
        clipWithTargetPath(t.map(path), mode);
    }
}

void Player::intersectClipRect(QRectF box)
{
    clipWithLogicalRect(box, gdi::RgnAnd);
}

void Player::excludeClipRect(QRectF box)
{
    clipWithLogicalRect(box, gdi::RgnDiff);
}

void Player::selectClipRects(const QList<QRectF> &rects, int mode, bool deviceUnits)
{
    if (!transformUsable())
        return;
    const QTransform t = deviceUnits ? mSetup.deviceToTarget : logicalToTarget();
    if (axisAligned(t)) {
        QList<QRect> pixels;
        pixels.reserve(rects.size());
        for (const QRectF &r : rects) {
            const QRect p = pixelRect(t.mapRect(r), mSurface);
            if (!p.isEmpty())
                pixels.append(p);
        }
        mDc.clip.combine(unite(pixels), mode, mSurface);
        mClipDirty = true;
    } else {
        QPainterPath path;
        for (const QRectF &r : rects)
            path.addRect(r);
        path.setFillRule(Qt::WindingFill);
        clipWithTargetPath(t.map(path), mode);
    }
}

void Player::resetClip()
{
    mDc.clip.reset();
    mClipDirty = true;
}

void Player::offsetClip(QPointF delta)
{
    if (!transformUsable())
        return;
    const QTransform &t = logicalToTarget();
    const QPointF d = t.map(delta) - t.map(QPointF(0, 0));
    if (!std::isfinite(d.x()) || !std::isfinite(d.y()) || std::abs(d.x()) > 1e7 || std::abs(d.y()) > 1e7)
        return;
    mDc.clip.offset(QPoint(int(std::lround(d.x())), int(std::lround(d.y()))));
    mClipDirty = true;
}

} // namespace mv::metafile
