// EMF+ clipping: rectangles, paths and region objects combined into the clip, which is
// kept as a region of target pixels, as the EMF player keeps its own.

#include "imaging/metafile/emfplushandlers.h"

#include <cmath>

namespace mv::metafile {

using namespace emfplus;

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

QRegion combined(const QRegion &a, const QRegion &b, int mode)
{
    switch (mode) {
    case CombineReplace: return b;
    case CombineIntersect: return a.intersected(b);
    case CombineUnion: return a.united(b);
    case CombineXor: return a.xored(b);
    case CombineExclude: return a.subtracted(b);
    case CombineComplement: return b.subtracted(a);
    default: return a;
    }
}

// Region tree nodes combine as the clip modes do, the left child standing for the clip.
int nodeMode(uint32_t type)
{
    switch (type) {
    case PlusRegion::And: return CombineIntersect;
    case PlusRegion::Union: return CombineUnion;
    case PlusRegion::Xor: return CombineXor;
    case PlusRegion::Exclude: return CombineExclude;
    case PlusRegion::Complement: return CombineComplement;
    default: return CombineReplace;
    }
}

void clipRect(EmfPlusPlayer &p, Record &r)
{
    const QRectF box = Rect(r.data, false);
    if (r.data.ok() && FiniteRect(box))
        p.clipWithRect(box, (r.flags >> 8) & 0x0F);
}

void clipPath(EmfPlusPlayer &p, Record &r)
{
    if (const PlusPath *path = p.object<PlusPath>(r.flags & 0xFF))
        p.clipWithPath(path->path, (r.flags >> 8) & 0x0F);
}

void clipRegion(EmfPlusPlayer &p, Record &r)
{
    if (const PlusRegion *region = p.object<PlusRegion>(r.flags & 0xFF))
        p.clipWithRegion(*region, (r.flags >> 8) & 0x0F);
}

void offsetClip(EmfPlusPlayer &p, Record &r)
{
    const double dx = r.data.f32(), dy = r.data.f32();
    if (r.data.ok() && Finite(dx) && Finite(dy))
        p.offsetClip(QPointF(dx, dy));
}

} // namespace

bool EmfPlusPlayer::roomForRegion(qint64 rectsA, qint64 rectsB)
{
    // Combining two regions of bands can cut every rectangle of one by every band of the
    // other; the picture bounds the result too.
    const double surfaceRects = double(mSurface.height()) * (mSurface.width() / 2 + 1);
    const double sum = double(rectsA) + double(rectsB);
    const double most = qMin(sum * sum, surfaceRects) + sum;
    return mPlayer.spend(cost::RegionRect * sum) && mPlayer.makeRoom(qint64(most) * qint64(sizeof(QRect)));
}

void EmfPlusPlayer::combineClip(const QRegion &target, int mode)
{
    if (mPlayer.stopped() || mode < CombineReplace || mode > CombineComplement)
        return;
    const QRegion current = mState.clipped ? mState.clip : QRegion(mSurface);
    if (!roomForRegion(current.rectCount(), target.rectCount()))
        return;
    QRegion result = combined(current, target, mode);
    if (mState.containerClipped)
        result = result.intersected(mState.containerClip);
    mState.clip = result.intersected(mSurface);
    mState.clipped = true;
    mClipApplied = false;
    const qint64 rects = mState.clip.rectCount();
    (void)(mPlayer.keep(mState.clipCharge, rects * qint64(sizeof(QRect))) && mPlayer.spend(cost::RegionRect * double(rects)));
}

QRegion EmfPlusPlayer::rasterise(const QPainterPath &target)
{
    return mPlayer.rasteriseTarget(target);
}

void EmfPlusPlayer::clipWithRect(QRectF world, int mode)
{
    if (!transformUsable())
        return;
    const QTransform &t = worldToTarget();
    world = world.normalized();
    if (axisAligned(t)) {
        combineClip(QRegion(pixelRect(t.mapRect(world), mSurface)), mode);
        return;
    }
    QPainterPath path;
    path.addRect(world);
    const QRegion region = rasterise(t.map(path));
    if (!mPlayer.stopped())
        combineClip(region, mode);
}

void EmfPlusPlayer::clipWithPath(const QPainterPath &world, int mode)
{
    if (!transformUsable())
        return;
    const QRegion region = rasterise(worldToTarget().map(world));
    if (!mPlayer.stopped())
        combineClip(region, mode);
}

void EmfPlusPlayer::clipWithRegion(const PlusRegion &region, int mode)
{
    if (!transformUsable() || region.nodes.empty())
        return;
    const QRegion target = evaluate(region, 0, 0);
    if (!mPlayer.stopped())
        combineClip(target, mode);
}

QRegion EmfPlusPlayer::regionToTarget(const PlusRegion &region)
{
    if (!transformUsable() || region.nodes.empty())
        return QRegion();
    return evaluate(region, 0, 0);
}

QRegion EmfPlusPlayer::evaluate(const PlusRegion &region, int index, int depth)
{
    if (index < 0 || size_t(index) >= region.nodes.size() || depth > MaxRegionDepth || mPlayer.stopped())
        return QRegion();
    const PlusRegion::Node &node = region.nodes[size_t(index)];
    const QTransform &t = worldToTarget();
    switch (node.type) {
    case PlusRegion::Rect:
        if (axisAligned(t))
            return QRegion(pixelRect(t.mapRect(node.rect.normalized()), mSurface));
        {
            QPainterPath path;
            path.addRect(node.rect.normalized());
            return rasterise(t.map(path));
        }
    case PlusRegion::Path:
        return rasterise(t.map(node.path));
    case PlusRegion::Infinite:
        return QRegion(mSurface);
    case PlusRegion::Empty:
        return QRegion();
    default: {
        const QRegion left = evaluate(region, node.left, depth + 1);
        const QRegion right = evaluate(region, node.right, depth + 1);
        if (!roomForRegion(left.rectCount(), right.rectCount()))
            return QRegion();
        return combined(left, right, nodeMode(node.type));
    }
    }
}

void EmfPlusPlayer::resetClip()
{
    mState.clipped = mState.containerClipped;
    mState.clip = mState.containerClip;
    mState.clipCharge = Charge();
    mClipApplied = false;
}

void EmfPlusPlayer::offsetClip(QPointF worldDelta)
{
    if (!mState.clipped || !transformUsable())
        return;
    const QTransform &t = worldToTarget();
    const QPointF d = t.map(worldDelta) - t.map(QPointF(0, 0));
    if (!std::isfinite(d.x()) || !std::isfinite(d.y()) || std::abs(d.x()) > 1e7 || std::abs(d.y()) > 1e7)
        return;
    if (!mPlayer.spend(cost::RegionRect * double(mState.clip.rectCount())))
        return;
    mState.clip.translate(int(std::lround(d.x())), int(std::lround(d.y())));
    mState.clip = mState.clip.intersected(mSurface);
    if (mState.containerClipped)
        mState.clip = mState.clip.intersected(mState.containerClip);
    mClipApplied = false;
}

namespace emfplus {

void AddClippingHandlers(HandlerTable &t)
{
    Add(t, ResetClip, [](EmfPlusPlayer &p, Record &) { p.resetClip(); });
    Add(t, SetClipRect, clipRect, 16);
    Add(t, SetClipPath, clipPath);
    Add(t, SetClipRegion, clipRegion);
    Add(t, OffsetClip, offsetClip, 8);
}

} // namespace emfplus

} // namespace mv::metafile
