// EMF records of the clip.

#include "imaging/metafile/emfhandlers.h"
#include "imaging/metafile/region.h"

namespace mv::metafile::emf {

namespace {

void extSelectClipRgn(Player &p, ByteReader &r)
{
    const uint32_t size = r.u32();
    const uint32_t mode = r.u32();
    if (!r.ok())
        return;
    QList<QRectF> rects;
    if (size > 0) {
        if (!r.contains(16, size) || !ReadEmfRegion(r.sub(16, size), rects))
            return r.skip(r.remaining() + 1);
    }
    if (size == 0) {
        // Without region data only a copy means something: back to no clip at all.
        if (mode == gdi::RgnCopy)
            p.resetClip();
        return;
    }
    p.selectClipRects(rects, int(mode), true);
}

} // namespace

void AddClippingHandlers(HandlerTable &t)
{
    t[emr::IntersectClipRect] = {[](Player &p, ByteReader &r) {
                                     const QRectF box = RectL(r);
                                     if (r.ok())
                                         p.intersectClipRect(box);
                                 },
                                 24};
    t[emr::ExcludeClipRect] = {[](Player &p, ByteReader &r) {
                                   const QRectF box = RectL(r);
                                   if (r.ok())
                                       p.excludeClipRect(box);
                               },
                               24};
    t[emr::OffsetClipRgn] = {[](Player &p, ByteReader &r) {
                                 const QPointF delta = PointL(r);
                                 if (r.ok())
                                     p.offsetClip(delta);
                             },
                             16};
    t[emr::ExtSelectClipRgn] = {extSelectClipRgn, 16};
}

} // namespace mv::metafile::emf
