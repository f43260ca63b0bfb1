#include "imaging/metafile/emfplusplayer.h"

#include "imaging/metafile/emfplushandlers.h"

#include <cmath>

namespace mv::metafile {

using namespace emfplus;

namespace {

const HandlerTable &handlers()
{
    static const HandlerTable table = [] {
        HandlerTable t{};
        Add(t, Object, [](EmfPlusPlayer &p, Record &r) { p.objectRecord(r); });
        AddStateHandlers(t);
        AddClippingHandlers(t);
        AddDrawingHandlers(t);
        AddTextHandlers(t);
        AddImageHandlers(t);
        return t;
    }();
    return table;
}

// Saved states and containers past this many are not kept; their restores find nothing.
constexpr size_t MaxSaved = 1024;
// An object spread over several records may not claim more than this.
constexpr qint64 MaxObjectBytes = qint64(1) << 30;

QSizeF deviceDpi(const EmfGeometry &g)
{
    const double x = g.deviceMillimeters.width() > 0 ? g.devicePixels.width() / g.deviceMillimeters.width() * 25.4 : 96;
    const double y = g.deviceMillimeters.height() > 0 ? g.devicePixels.height() / g.deviceMillimeters.height() * 25.4 : 96;
    return QSizeF(x, y);
}

} // namespace

EmfPlusPlayer::EmfPlusPlayer(Player &player, QPainter &painter, QSize target, const PlayerSetup &setup,
                             const EmfGeometry &geometry, Nesting nesting)
    : mPlayer(player), mPainter(painter), mSurface(QPoint(0, 0), target), mNesting(nesting)
{
    // Until the header names its resolution, EMF+ pixels are the recording device's.
    const QSizeF dpi = deviceDpi(geometry);
    mDpi = dpi.width();
    mDpiY = dpi.height();
    mDeviceToTarget = setup.deviceToTarget;
    mDeviceScale = setup.deviceScale;
    mState.container = mDeviceToTarget;
    mEmfDpi = dpi;
}

EmfPlusPlayer::~EmfPlusPlayer()
{
    handBack();
}

void EmfPlusPlayer::handBack()
{
    if (mPainterSaved && mPainter.isActive())
        mPainter.restore();
    mPainterSaved = false;
}

void EmfPlusPlayer::header(const Record &record)
{
    ByteReader r = record.data;
    r.u32(); // version
    const uint32_t flags = r.u32();
    const uint32_t dpiX = r.u32(), dpiY = r.u32();
    if (!r.ok())
        return; // not a header we can use: the EMF records are drawn
    mActive = true;
    mDual = record.flags & 0x0001;
    mScreen = flags & 0x0001;
    // EMF+ pixels are the recording device's at the resolution the header names: physical
    // units agree with the frame, whatever the two resolutions.
    const bool sane = dpiX >= 1 && dpiX <= 100000 && dpiY >= 1 && dpiY <= 100000;
    const double dx = sane ? dpiX : mEmfDpi.width(), dy = sane ? dpiY : mEmfDpi.height();
    mDpi = dx;
    mDpiY = dy;
    mDeviceToTarget = QTransform::fromScale(mEmfDpi.width() / dx, mEmfDpi.height() / dy) * mDeviceToTarget;
    mDeviceScale = std::sqrt(std::abs(mDeviceToTarget.determinant()));
    mState.container = mDeviceToTarget;
    stateChanged();
}

void EmfPlusPlayer::damage(const Record &record, const char *what)
{
    if (mDamaged)
        return;
    mDamaged = true;
    // A dual file draws its fallback instead; without one the drawing ends here.
    if (!mDual) {
        mPlayer.stop(QStringLiteral("damaged EMF+ record (type 0x%1) in the comment at offset %2: %3")
                         .arg(record.type, 4, 16, QLatin1Char('0'))
                         .arg(record.offset)
                         .arg(QLatin1String(what)));
    }
}

void EmfPlusPlayer::playComment(ByteReader comment, qint64 offset)
{
    if (mIgnored || mEnded || mDamaged || mPlayer.stopped())
        return;
    comment.seek(8);
    const uint32_t size = comment.u32();
    if (!comment.ok() || !comment.contains(12, size))
        return;
    ByteReader data = comment.sub(12, size);
    data.seek(4); // the "EMF+" mark
    while (data.remaining() > 0 && !mDamaged && !mEnded && !mPlayer.stopped()) {
        const qint64 start = data.pos();
        Record record;
        record.offset = offset;
        record.type = data.u16();
        record.flags = data.u16();
        const uint32_t recordSize = data.u32();
        const uint32_t dataSize = data.u32();
        if (!data.ok() || recordSize < 12 || !data.contains(start, recordSize) || dataSize > recordSize - 12) {
            if (!mActive) {
                mIgnored = true;
                return;
            }
            damage(record, "it does not fit its comment");
            return;
        }
        record.data = data.sub(start + 12, dataSize);
        data.seek(start + recordSize);
        if (!mActive) {
            // The stream must open with its header; without one it is not drawn.
            if (record.type == Header)
                header(record);
            if (!mActive) {
                mIgnored = true;
                return;
            }
            continue;
        }
        mGdiSection = false;
        playRecord(record);
    }
}

void EmfPlusPlayer::playRecord(const Record &record)
{
    if (record.type < FirstType || record.type > LastType)
        return; // unknown records are skipped
    const HandlerEntry &entry = handlers()[record.type - FirstType];
    if (!entry.handler)
        return;
    if (record.data.size() < entry.minData) {
        damage(record, "it is too short");
        return;
    }
    Record r = record;
    entry.handler(*this, r);
    if (!r.data.ok())
        damage(record, "its data ends early");
}

// --- objects ------------------------------------------------------------------------------

void EmfPlusPlayer::objectRecord(const Record &record)
{
    const int id = record.flags & 0xFF;
    const int type = (record.flags >> 8) & 0x7F;
    ByteReader data = record.data;
    if (id >= ObjectSlots) {
        damage(record, "its object index is out of range");
        return;
    }
    const bool continues = record.flags & ContinuedObject;
    const bool pending = mPending.id == id && mPending.type == type;
    if (!continues && !pending) {
        mPending = Pending();
        finishObject(id, type, data, record);
        return;
    }
    if (continues) {
        const uint32_t total = data.u32();
        if (!data.ok() || total == 0 || total > MaxObjectBytes) {
            damage(record, "its object size is out of range");
            return;
        }
        if (!pending) {
            mPending = Pending();
            mPending.id = id;
            mPending.type = type;
            mPending.total = total;
        }
        data = data.sub(4, data.size() - 4);
    }
    // The pieces are kept until the object is whole, paid for as they come. Padding after
    // the last byte of the object is no part of it.
    const qint64 room = mPending.total - mPending.bytes.size();
    if (room <= 0) {
        damage(record, "its pieces are larger than the object");
        return;
    }
    const qint64 piece = qMin(room, data.size());
    const qint64 size = mPending.bytes.size() + piece;
    if (!mPlayer.keep(mPending.charge, size))
        return;
    mPending.bytes.append(data.data(), piece);
    if (continues && size < mPending.total)
        return;
    // The pieces stay paid for while the object is made of them.
    const QByteArray bytes = mPending.bytes;
    const Charge piecesCharge = mPending.charge;
    mPending = Pending();
    finishObject(id, type, ByteReader(bytes), record);
}

void EmfPlusPlayer::finishObject(int id, int type, ByteReader data, const Record &record)
{
    PlusObject object;
    bool ok = true;
    switch (type) {
    case BrushObject: ok = ParseBrush(data, mPlayer, object.emplace<PlusBrush>()); break;
    case PenObject: ok = ParsePen(data, mPlayer, object.emplace<PlusPen>()); break;
    case PathObject: ok = ParsePath(data, mPlayer, object.emplace<PlusPath>()); break;
    case RegionObject: ok = ParseRegion(data, mPlayer, object.emplace<PlusRegion>()); break;
    case ImageObject: ok = ParseImage(data, mPlayer, object.emplace<PlusImage>()); break;
    case FontObject: ok = ParseFont(data, object.emplace<PlusFont>()); break;
    case StringFormatObject: ok = ParseStringFormat(data, object.emplace<PlusStringFormat>()); break;
    default: break; // image attributes, line caps: not drawn
    }
    if (mPlayer.stopped())
        return;
    if (!ok) {
        mObjects[id] = std::monostate();
        damage(record, "its object is damaged");
        return;
    }
    mObjects[id] = std::move(object);
}

const PlusBrush *EmfPlusPlayer::brush(uint16_t flags, uint32_t field)
{
    if (flags & SolidColor) {
        mSolid.color = Argb(field);
        return &mSolid;
    }
    return object<PlusBrush>(field);
}

// --- transforms and saved states ----------------------------------------------------------

QTransform EmfPlusPlayer::pageTransform() const
{
    // World is no page unit; it means pixels as Display does on a screen.
    const int unit = mState.pageUnit == UnitWorld ? UnitPixel : mState.pageUnit;
    const double scale = std::isfinite(mState.pageScale) && mState.pageScale > 0 ? mState.pageScale : 1;
    return QTransform::fromScale(UnitToPixels(unit, mDpi, mScreen) * scale, UnitToPixels(unit, mDpiY, mScreen) * scale);
}

const QTransform &EmfPlusPlayer::worldToTarget()
{
    if (!mTransformValid) {
        mTransform = mState.world * pageTransform() * mState.container;
        mTransformUsable = UsableTransform(mTransform);
        mTransformValid = true;
    }
    return mTransform;
}

bool EmfPlusPlayer::transformUsable()
{
    worldToTarget();
    return mTransformUsable && !mPlayer.stopped();
}

void EmfPlusPlayer::save(uint32_t index)
{
    if (mSaved.size() < MaxSaved)
        mSaved.push_back({index, mState});
}

void EmfPlusPlayer::beginContainer(uint32_t index, const QTransform &placement)
{
    const QTransform outer = placement * worldToTarget();
    save(index);
    // Inside, coordinates start afresh: the container's placement is all of the mapping,
    // and its clip bounds every clip set inside it.
    mState.container = outer;
    mState.world = QTransform();
    mState.pageUnit = UnitPixel;
    mState.pageScale = 1;
    mState.containerClipped = mState.clipped;
    mState.containerClip = mState.clip;
    stateChanged();
}

void EmfPlusPlayer::restore(uint32_t index)
{
    for (size_t i = mSaved.size(); i-- > 0;) {
        if (mSaved[i].index == index) {
            mState = mSaved[i].state;
            mSaved.resize(i);
            stateChanged();
            mClipApplied = false;
            return;
        }
    }
}

// --- the painter ----------------------------------------------------------------------------

QPainter &EmfPlusPlayer::beginPainting()
{
    if (!mPainterSaved) {
        mPainter.save();
        mPainterSaved = true;
        mClipApplied = false;
    }
    mPainter.resetTransform();
    if (!mClipApplied) {
        if (mState.clipped)
            mPainter.setClipRegion(mState.clip);
        else
            mPainter.setClipping(false);
        mClipApplied = true;
    }
    mPainter.setCompositionMode(mState.sourceCopy ? QPainter::CompositionMode_Source
                                                  : QPainter::CompositionMode_SourceOver);
    mPainter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    mPainter.setRenderHint(QPainter::SmoothPixmapTransform, mState.smoothImages);
    mPainter.setOpacity(1);
    return mPainter;
}

} // namespace mv::metafile
