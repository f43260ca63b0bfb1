// WMF records that change the device context. The viewport belongs to the bitmap we draw
// into, so the records that would move or scale it are left out; the window records map
// the picture onto it.

#include "imaging/metafile/wmfhandlers.h"

namespace mv::metafile::wmf {

namespace {

template <int DeviceContext::*Field>
void setWordField(Player &p, ByteReader &r)
{
    const uint16_t v = r.u16();
    if (r.ok())
        p.dc().*Field = v;
}

template <uint32_t DeviceContext::*Field>
void setColorField(Player &p, ByteReader &r)
{
    const uint32_t v = r.u32();
    if (r.ok())
        p.dc().*Field = v;
}

} // namespace

void AddStateHandlers(HandlerTable &t)
{
    Add(t, meta::SaveDc, [](Player &p, ByteReader &) { p.saveDc(); }, 0);
    Add(t, meta::RestoreDc, [](Player &p, ByteReader &r) {
            const int16_t which = r.i16();
            if (r.ok())
                p.restoreDc(which);
        }, 1);
    Add(t, meta::SetBkMode, setWordField<&DeviceContext::bkMode>, 1);
    Add(t, meta::SetPolyFillMode, setWordField<&DeviceContext::polyFillMode>, 1);
    Add(t, meta::SetRop2, setWordField<&DeviceContext::rop2>, 1);
    Add(t, meta::SetStretchBltMode, setWordField<&DeviceContext::stretchMode>, 1);
    Add(t, meta::SetTextCharExtra, [](Player &p, ByteReader &r) {
            const int16_t extra = r.i16();
            if (r.ok())
                p.dc().textCharExtra = extra;
        }, 1);
    Add(t, meta::SetTextAlign, [](Player &p, ByteReader &r) {
            const uint16_t align = r.u16();
            if (r.ok())
                p.dc().textAlign = align;
        }, 1);
    Add(t, meta::SetBkColor, setColorField<&DeviceContext::bkColor>, 2);
    Add(t, meta::SetTextColor, setColorField<&DeviceContext::textColor>, 2);
    Add(t, meta::SetMapMode, [](Player &p, ByteReader &r) {
            // Only the choice between keeping the shape or not matters here: the
            // window is always mapped onto the bitmap.
            const uint16_t mode = r.u16();
            if (r.ok() && (mode == gdi::MmIsotropic || mode == gdi::MmAnisotropic))
                p.setMapMode(mode);
        }, 1);
    Add(t, meta::SetWindowOrg, [](Player &p, ByteReader &r) {
            const QPointF org = PointYX(r);
            if (r.ok())
                p.setWindowOrg(org);
        }, 2);
    Add(t, meta::SetWindowExt, [](Player &p, ByteReader &r) {
            const QPointF ext = PointYX(r);
            if (r.ok())
                p.setWindowExt(QSizeF(ext.x(), ext.y()));
        }, 2);
    Add(t, meta::OffsetWindowOrg, [](Player &p, ByteReader &r) {
            const QPointF delta = PointYX(r);
            if (r.ok())
                p.setWindowOrg(p.dc().windowOrg + delta);
        }, 2);
    Add(t, meta::ScaleWindowExt, [](Player &p, ByteReader &r) {
            const double yDenom = r.i16(), yNum = r.i16(), xDenom = r.i16(), xNum = r.i16();
            if (r.ok())
                p.scaleWindowExt(xNum, xDenom, yNum, yDenom);
        }, 4);
}

} // namespace mv::metafile::wmf
