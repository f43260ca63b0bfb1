// EMF+ state records: the stream's markers, rendering hints, the world and page
// transforms, saved states and containers.

#include "imaging/metafile/emfplushandlers.h"

#include <cmath>

namespace mv::metafile::emfplus {

namespace {

void changeWorld(EmfPlusPlayer &p, const QTransform &m, bool append)
{
    if (!UsableTransform(m))
        return;
    QTransform &world = p.state().world;
    const QTransform next = append ? world * m : m * world;
    if (UsableTransform(next)) {
        world = next;
        p.stateChanged();
    }
}

void endOfFile(EmfPlusPlayer &p, Record &)
{
    p.end();
}

void getDc(EmfPlusPlayer &p, Record &)
{
    p.setGdiSection();
}

void antiAliasMode(EmfPlusPlayer &, Record &)
{
    // Drawn with edge smoothing whatever the mode: the records name how they were drawn on
    // screen, and smooth edges read better at any scale.
}

void interpolationMode(EmfPlusPlayer &p, Record &r)
{
    p.state().smoothImages = (r.flags & 0xFF) != 5; // nearest neighbour
}

void pixelOffsetMode(EmfPlusPlayer &p, Record &r)
{
    const int mode = r.flags & 0xFF;
    p.state().halfPixelOffset = mode == 2 || mode == 4; // high quality, half
}

void compositingMode(EmfPlusPlayer &p, Record &r)
{
    p.state().sourceCopy = (r.flags & 0xFF) == 1;
}

void save(EmfPlusPlayer &p, Record &r)
{
    const uint32_t index = r.data.u32();
    if (r.data.ok())
        p.save(index);
}

void restore(EmfPlusPlayer &p, Record &r)
{
    const uint32_t index = r.data.u32();
    if (r.data.ok())
        p.restore(index);
}

void beginContainer(EmfPlusPlayer &p, Record &r)
{
    const QRectF dest = Rect(r.data, false);
    const QRectF source = Rect(r.data, false);
    const uint32_t index = r.data.u32();
    if (!r.data.ok())
        return;
    // The source rectangle is placed onto the destination in the current world.
    QTransform placement;
    if (FiniteRect(dest) && FiniteRect(source) && source.width() != 0 && source.height() != 0) {
        placement = QTransform::fromTranslate(-source.x(), -source.y())
                  * QTransform::fromScale(dest.width() / source.width(), dest.height() / source.height())
                  * QTransform::fromTranslate(dest.x(), dest.y());
    }
    p.beginContainer(index, UsableTransform(placement) ? placement : QTransform());
}

void beginContainerNoParams(EmfPlusPlayer &p, Record &r)
{
    const uint32_t index = r.data.u32();
    if (r.data.ok())
        p.beginContainer(index, QTransform());
}

void setWorldTransform(EmfPlusPlayer &p, Record &r)
{
    const QTransform m = Matrix(r.data);
    if (r.data.ok() && UsableTransform(m)) {
        p.state().world = m;
        p.stateChanged();
    }
}

void resetWorldTransform(EmfPlusPlayer &p, Record &)
{
    p.state().world = QTransform();
    p.stateChanged();
}

void multiplyWorldTransform(EmfPlusPlayer &p, Record &r)
{
    const QTransform m = Matrix(r.data);
    if (r.data.ok())
        changeWorld(p, m, r.flags & AppendMatrix);
}

void translateWorldTransform(EmfPlusPlayer &p, Record &r)
{
    const double dx = r.data.f32(), dy = r.data.f32();
    if (r.data.ok())
        changeWorld(p, QTransform::fromTranslate(dx, dy), r.flags & AppendMatrix);
}

void scaleWorldTransform(EmfPlusPlayer &p, Record &r)
{
    const double sx = r.data.f32(), sy = r.data.f32();
    if (r.data.ok())
        changeWorld(p, QTransform::fromScale(sx, sy), r.flags & AppendMatrix);
}

void rotateWorldTransform(EmfPlusPlayer &p, Record &r)
{
    const double angle = r.data.f32();
    if (r.data.ok() && std::isfinite(angle))
        changeWorld(p, QTransform().rotate(std::fmod(angle, 360.0)), r.flags & AppendMatrix);
}

void setPageTransform(EmfPlusPlayer &p, Record &r)
{
    const double scale = r.data.f32();
    if (!r.data.ok())
        return;
    p.state().pageUnit = r.flags & 0xFF;
    p.state().pageScale = scale;
    p.stateChanged();
}

} // namespace

void AddStateHandlers(HandlerTable &t)
{
    Add(t, Header, [](EmfPlusPlayer &, Record &) {}); // only the first one counts
    Add(t, EndOfFile, endOfFile);
    Add(t, GetDc, getDc);
    Add(t, SetAntiAliasMode, antiAliasMode);
    Add(t, SetInterpolationMode, interpolationMode);
    Add(t, SetPixelOffsetMode, pixelOffsetMode);
    Add(t, SetCompositingMode, compositingMode);
    Add(t, Save, save, 4);
    Add(t, Restore, restore, 4);
    Add(t, BeginContainer, beginContainer, 36);
    Add(t, BeginContainerNoParams, beginContainerNoParams, 4);
    Add(t, EndContainer, restore, 4);
    Add(t, SetWorldTransform, setWorldTransform, 24);
    Add(t, ResetWorldTransform, resetWorldTransform);
    Add(t, MultiplyWorldTransform, multiplyWorldTransform, 24);
    Add(t, TranslateWorldTransform, translateWorldTransform, 8);
    Add(t, ScaleWorldTransform, scaleWorldTransform, 8);
    Add(t, RotateWorldTransform, rotateWorldTransform, 4);
    Add(t, SetPageTransform, setPageTransform, 4);
}

} // namespace mv::metafile::emfplus
