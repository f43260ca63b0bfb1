// The path bracket and the clip of the player.

#include "imaging/metafile/player.h"

#include <QPainterPathStroker>

#include <climits>
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

// Outline elements the stroker makes per element of a flat path, joins and caps included,
// with room to spare.
constexpr double OutlineElementsPerElement = 16;

// Chords a cubic curve is flattened into: enough to stay within a quarter pixel of it (the
// second differences bound how far a chord strays), never more than 512.
int curveChords(QPointF p0, QPointF p1, QPointF p2, QPointF p3)
{
    const QPointF a = p0 - 2 * p1 + p2, b = p1 - 2 * p2 + p3;
    const double m = qMax(std::hypot(a.x(), a.y()), std::hypot(b.x(), b.y()));
    if (!std::isfinite(m))
        return 1;
    return int(qBound(1.0, std::ceil(std::sqrt(3 * m)), 512.0));
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
    clearPath();
    mDc.inPath = true;
    mPathNeedsMove = true;
}

void Player::endPath()
{
    mDc.inPath = false;
}

void Player::abortPath()
{
    mDc.inPath = false;
    clearPath();
}

void Player::closeFigure()
{
    if (mDc.inPath && mDc.path.elementCount() > 0 && growPath(1)) {
        mDc.path.closeSubpath();
        mPathNeedsMove = true;
    }
}

void Player::usePath(Paint paint)
{
    if (mDc.inPath)
        return;
    paintTarget(mDc.path, paint, mDc.pathIsOutline);
    clearPath();
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
    // The flat path's size is known before it is made: each curve becomes a fixed number
    // of chords.
    const QPainterPath &path = mDc.path;
    const int n = path.elementCount();
    qint64 total = 0;
    for (int i = 0; i < n; ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isCurveTo() && i > 0 && i + 2 < n) {
            total += curveChords(path.elementAt(i - 1), e, path.elementAt(i + 1), path.elementAt(i + 2));
            i += 2;
        } else {
            ++total;
        }
    }
    if (!makeRoom(total * PathElementBytes) || !spend(cost::PathElement * double(total)))
        return;
    QPainterPath flat;
    flat.reserve(int(qMin<qint64>(total, INT_MAX)));
    for (int i = 0; i < n; ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isMoveTo()) {
            flat.moveTo(e);
        } else if (e.isCurveTo() && i > 0 && i + 2 < n) {
            const QPointF p0 = path.elementAt(i - 1), p1 = e, p2 = path.elementAt(i + 1), p3 = path.elementAt(i + 2);
            const int chords = curveChords(p0, p1, p2, p3);
            for (int k = 1; k <= chords; ++k) {
                const double t = double(k) / chords, u = 1 - t;
                flat.lineTo(p0 * (u * u * u) + p1 * (3 * u * u * t) + p2 * (3 * u * t * t) + p3 * (t * t * t));
            }
            i += 2;
        } else {
            flat.lineTo(e);
        }
    }
    const bool outline = mDc.pathIsOutline;
    clearPath();
    mDc.path = flat;
    mDc.pathIsOutline = outline;
    keep(mDc.pathCharge, qint64(flat.elementCount()) * PathElementBytes);
}

void Player::widenPath()
{
    if (mDc.inPath || mDc.path.isEmpty() || mDc.pen.kind() == gdi::PsNull)
        return;
    double width = 1;
    QPen pen = makePen(&width);
    // Curves go flat first, and dashes too dense to see are left out, so that the outline's
    // size is bounded before it is made.
    flattenPath();
    if (mStopped)
        return;
    double dashes = 0;
    if (pen.style() == Qt::CustomDashLine) {
        double period = 0;
        for (qreal d : pen.dashPattern())
            period += d * width;
        const double length = roughLength(mDc.path);
        dashes = period > 0 ? length / period : HUGE_VAL;
        if (dashes > MaxDashes) {
            pen.setStyle(Qt::SolidLine);
            dashes = 0;
        }
    }
    const double estimate = OutlineElementsPerElement * (mDc.path.elementCount() + 2 * dashes);
    if (!makeRoom(qint64(estimate) * PathElementBytes) || !spend(cost::PathElement * estimate))
        return;
    QPainterPathStroker stroker(pen);
    // The outline's pieces overlap; filled with the winding rule they make one area.
    const QPainterPath outline = stroker.createStroke(mDc.path);
    clearPath();
    mDc.path = outline;
    mDc.pathIsOutline = true;
    keep(mDc.pathCharge, qint64(outline.elementCount()) * PathElementBytes);
}

void Player::selectClipPath(int mode)
{
    if (mDc.inPath)
        return;
    QPainterPath path = mDc.path;
    path.setFillRule(mDc.pathIsOutline || mDc.polyFillMode == gdi::Winding ? Qt::WindingFill : Qt::OddEvenFill);
    clearPath();
    clipWithTargetPath(path, mode);
}

QRegion Player::rasterise(const QPainterPath &target)
{
    const QRectF bounds = target.controlPointRect();
    if (!std::isfinite(bounds.width()) || !std::isfinite(bounds.height()))
        return QRegion();
    const QRect area = bounds.intersected(QRectF(mSurface)).toAlignedRect().intersected(mSurface);
    if (area.isEmpty() || !chargeShape(target, double(area.width()) * area.height(), Edges::Filled)
        || !makeRoom(qint64(area.width()) * area.height()))
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
    qint64 allRuns = 0;
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
        allRuns += runs.size();
        if (!runs.isEmpty()) {
            QRegion band;
            band.setRects(runs.constData(), int(runs.size()));
            rows.append(band);
        }
    }
    if (!spend(cost::RegionRect * double(allRuns) * std::log2(double(rows.size()) + 1)))
        return QRegion();
    return unite(rows, 0, rows.size());
}

bool Player::roomForRegion(qint64 rectsA, qint64 rectsB)
{
    // Combining two regions of bands can cut every rectangle of one by every band of the
    // other; the picture bounds the result too.
    const double surfaceRects = double(mSurface.height()) * (mSurface.width() / 2 + 1);
    const double sum = double(rectsA) + double(rectsB);
    const double most = qMin(sum * sum, surfaceRects) + sum;
    return spend(cost::RegionRect * sum) && makeRoom(qint64(most) * qint64(sizeof(QRect)));
}

bool Player::keepClip()
{
    const qint64 rects = mDc.clip.region().rectCount();
    return keep(mDc.clip.charge(), rects * qint64(sizeof(QRect))) && spend(cost::RegionRect * double(rects));
}

void Player::combineClip(const QRegion &region, int mode)
{
    if (!roomForRegion(mDc.clip.region().rectCount(), region.rectCount()))
        return;
    mDc.clip.combine(region, mode, mSurface);
    mClipDirty = true;
    keepClip();
}

void Player::clipWithTargetPath(const QPainterPath &target, int mode)
{
    const QRegion region = rasterise(target);
    if (!mStopped)
        combineClip(region, mode);
}

void Player::clipWithLogicalRect(QRectF box, int mode)
{
    if (!transformUsable())
        return;
    const QTransform &t = logicalToTarget();
    box = box.normalized();
    if (axisAligned(t)) {
        combineClip(QRegion(pixelRect(t.mapRect(box), mSurface)), mode);
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
        if (!spend(cost::RegionRect * double(pixels.size()) * std::log2(double(pixels.size()) + 1)))
            return;
        combineClip(unite(pixels), mode);
    } else {
        QPainterPath path;
        for (const QRectF &r : rects)
            path.addRect(r);
        path.setFillRule(Qt::WindingFill);
        if (!spend(cost::PathElement * 5 * double(rects.size())))
            return;
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
    // A clip shared with a saved state is copied by the move.
    if (!makeRoom(qint64(mDc.clip.region().rectCount()) * qint64(sizeof(QRect))))
        return;
    mDc.clip.offset(QPoint(int(std::lround(d.x())), int(std::lround(d.y()))));
    mClipDirty = true;
    keepClip();
}

} // namespace mv::metafile
