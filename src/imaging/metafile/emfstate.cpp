// EMF records that change the device context: mapping, world transform, modes, colours,
// saved states.

#include "imaging/metafile/emfhandlers.h"

#include <bit>
#include <cmath>

namespace mv::metafile::emf {

namespace {

QSizeF sizeL(ByteReader &r)
{
    const double cx = r.i32();
    const double cy = r.i32();
    return QSizeF(cx, cy);
}

template <int DeviceContext::*Field>
void setIntField(Player &p, ByteReader &r)
{
    const uint32_t v = r.u32();
    if (r.ok())
        p.dc().*Field = int(v);
}

template <uint32_t DeviceContext::*Field>
void setColorField(Player &p, ByteReader &r)
{
    const uint32_t v = r.u32();
    if (r.ok())
        p.dc().*Field = v;
}

void scaleExt(Player &p, ByteReader &r, bool window)
{
    const double xNum = r.i32(), xDenom = r.i32(), yNum = r.i32(), yDenom = r.i32();
    if (!r.ok())
        return;
    if (window)
        p.scaleWindowExt(xNum, xDenom, yNum, yDenom);
    else
        p.scaleViewportExt(xNum, xDenom, yNum, yDenom);
}

} // namespace

void AddStateHandlers(HandlerTable &t)
{
    t[emr::SetWindowExtEx] = {[](Player &p, ByteReader &r) {
                                  const QSizeF s = sizeL(r);
                                  if (r.ok())
                                      p.setWindowExt(s);
                              },
                              16};
    t[emr::SetWindowOrgEx] = {[](Player &p, ByteReader &r) {
                                  const QPointF o = PointL(r);
                                  if (r.ok())
                                      p.setWindowOrg(o);
                              },
                              16};
    t[emr::SetViewportExtEx] = {[](Player &p, ByteReader &r) {
                                    const QSizeF s = sizeL(r);
                                    if (r.ok())
                                        p.setViewportExt(s);
                                },
                                16};
    t[emr::SetViewportOrgEx] = {[](Player &p, ByteReader &r) {
                                    const QPointF o = PointL(r);
                                    if (r.ok())
                                        p.setViewportOrg(o);
                                },
                                16};
    t[emr::SetBrushOrgEx] = {[](Player &p, ByteReader &r) {
                                 const QPointF o = PointL(r);
                                 if (r.ok())
                                     p.dc().brushOrg = o;
                             },
                             16};
    t[emr::ScaleViewportExtEx] = {[](Player &p, ByteReader &r) { scaleExt(p, r, false); }, 24};
    t[emr::ScaleWindowExtEx] = {[](Player &p, ByteReader &r) { scaleExt(p, r, true); }, 24};
    t[emr::SetMapMode] = {[](Player &p, ByteReader &r) {
                              const uint32_t mode = r.u32();
                              if (r.ok())
                                  p.setMapMode(int(mode));
                          },
                          12};
    t[emr::SetBkMode] = {setIntField<&DeviceContext::bkMode>, 12};
    t[emr::SetPolyFillMode] = {setIntField<&DeviceContext::polyFillMode>, 12};
    t[emr::SetRop2] = {setIntField<&DeviceContext::rop2>, 12};
    t[emr::SetStretchBltMode] = {setIntField<&DeviceContext::stretchMode>, 12};
    t[emr::SetArcDirection] = {setIntField<&DeviceContext::arcDirection>, 12};
    t[emr::SetTextAlign] = {setColorField<&DeviceContext::textAlign>, 12};
    t[emr::SetTextColor] = {setColorField<&DeviceContext::textColor>, 12};
    t[emr::SetBkColor] = {setColorField<&DeviceContext::bkColor>, 12};
    t[emr::SetMiterLimit] = {[](Player &p, ByteReader &r) {
                                 // Stored as an integer by the format, as a float by
                                 // some writers.
                                 const uint32_t v = r.u32();
                                 if (!r.ok())
                                     return;
                                 const double limit = v < 100000 ? double(v) : double(std::bit_cast<float>(v));
                                 if (std::isfinite(limit) && limit >= 1)
                                     p.dc().miterLimit = limit;
                             },
                             12};
    t[emr::SaveDc] = {[](Player &p, ByteReader &) { p.saveDc(); }, 8};
    t[emr::RestoreDc] = {[](Player &p, ByteReader &r) {
                             const int32_t which = r.i32();
                             if (r.ok())
                                 p.restoreDc(which);
                         },
                         12};
    t[emr::SetWorldTransform] = {[](Player &p, ByteReader &r) {
                                     const QTransform x = Xform(r);
                                     if (r.ok())
                                         p.setWorldTransform(x);
                                 },
                                 32};
    t[emr::ModifyWorldTransform] = {[](Player &p, ByteReader &r) {
                                        const QTransform x = Xform(r);
                                        const uint32_t mode = r.u32();
                                        if (r.ok())
                                            p.modifyWorldTransform(x, int(mode));
                                    },
                                    36};
}

} // namespace mv::metafile::emf
