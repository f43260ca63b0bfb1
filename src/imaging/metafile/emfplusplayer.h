#pragma once

// The EMF+ records that files carry in EMF comments, played through the same painter and
// budgets as the EMF records. Its own state: a world transform, the page unit and scale,
// containers, a clip kept as a target-pixel region, and a table of 64 objects.
//
// Coordinate spaces: world (what records carry) -> world transform -> page -> page unit
// and scale -> EMF+ device pixels (at the EMF+ header's resolution) -> container
// placement -> target pixels.

#include "imaging/metafile/emfplayer.h"
#include "imaging/metafile/emfplusformat.h"
#include "imaging/metafile/emfplusobjects.h"
#include "imaging/metafile/player.h"

#include <QPainter>
#include <QRegion>

#include <array>
#include <vector>

namespace mv::metafile {

namespace emfplus {
struct Record {
    uint16_t type = 0;
    uint16_t flags = 0;
    qint64 offset = 0;  // of the EMF comment in the file
    ByteReader data;    // the record's data, after its 12-byte head
};
} // namespace emfplus

struct PlusState {
    QTransform world;                 // world -> page
    int pageUnit = emfplus::UnitDisplay;
    double pageScale = 1;
    QTransform container;             // EMF+ device pixels -> target, as the container places them
    bool clipped = false;             // target pixels
    QRegion clip;
    Charge clipCharge;
    bool containerClipped = false;    // a container's clip bounds every clip set inside it
    QRegion containerClip;
    bool sourceCopy = false;          // compositing: replace instead of blend
    bool smoothImages = true;
    bool halfPixelOffset = false;
};

class EmfPlusPlayer {
public:
    EmfPlusPlayer(Player &player, QPainter &painter, QSize target, const PlayerSetup &setup,
                  const EmfGeometry &geometry, Nesting nesting);
    ~EmfPlusPlayer();
    EmfPlusPlayer(const EmfPlusPlayer &) = delete;
    EmfPlusPlayer &operator=(const EmfPlusPlayer &) = delete;

    // One EMF comment record (its head included) that holds EMF+ records.
    void playComment(ByteReader comment, qint64 offset);
    // Whether EMF records are drawn now: always before an EMF+ header; once EMF+ draws, only
    // those that follow a GetDC record up to the next EMF+ record (the others are its
    // fallback).
    bool drawsEmfRecords() const { return !mActive || mGdiSection; }
    bool active() const { return mActive; }
    bool dual() const { return mDual; }
    // The EMF+ stream of a dual file broke: its fallback is to be drawn instead.
    bool fallBack() const { return mDamaged && mDual; }
    // Before EMF records draw: the painter as the EMF player left it.
    void handBack();

    // --- for the record handlers (emfplus*.cpp)
    Player &player() { return mPlayer; }
    PlusState &state() { return mState; }
    const Nesting &nesting() const { return mNesting; }
    QRect surface() const { return mSurface; }
    // A record that does not hold what its type says: ends the EMF+ drawing.
    void damage(const emfplus::Record &record, const char *what);
    void setGdiSection() { mGdiSection = true; }
    void end() { mEnded = true; }
    void header(const emfplus::Record &record);

    // Objects.
    void objectRecord(const emfplus::Record &record);
    template <typename T>
    const T *object(uint32_t id) const
    {
        return id < mObjects.size() ? std::get_if<T>(&mObjects[id]) : nullptr;
    }
    // A fill record's brush: a colour in the record itself, or a brush object; null when
    // the record names no brush.
    const PlusBrush *brush(uint16_t flags, uint32_t field);

    // Transforms.
    const QTransform &worldToTarget();
    bool transformUsable();
    void stateChanged() { mTransformValid = false; }
    double unitToPixels(int unit) const { return emfplus::UnitToPixels(unit, mDpi, mScreen); }
    QTransform pageTransform() const;
    void save(uint32_t index);
    void beginContainer(uint32_t index, const QTransform &placement);
    void restore(uint32_t index);

    // Clipping (emfplusclip.cpp).
    void clipWithRect(QRectF world, int mode);
    void clipWithPath(const QPainterPath &world, int mode);
    void clipWithRegion(const PlusRegion &region, int mode);
    void resetClip();
    void offsetClip(QPointF worldDelta);
    QRegion regionToTarget(const PlusRegion &region);

    // Painting, in world coordinates (emfpluspaint.cpp, emfplusbrushes.cpp).
    void fill(const QPainterPath &world, const PlusBrush &brush);
    void stroke(const QPainterPath &world, const PlusPen &pen);
    void fillTargetRegion(const QRegion &target, const PlusBrush &brush);
    void clear(QColor color);
    // The painter, with the EMF+ clip and compositing applied and no transform.
    QPainter &beginPainting();
    // A brush for painting in coordinates that `paintToTarget` takes to the target; `area`
    // (target pixels) bounds what a path gradient must cover. A no-brush when it cannot be
    // made.
    QBrush paintBrush(const PlusBrush &brush, const QTransform &paintToTarget, const QRectF &area, bool stroke);

private:
    void playRecord(const emfplus::Record &record);
    void finishObject(int id, int type, ByteReader data, const emfplus::Record &record);
    void combineClip(const QRegion &target, int mode);
    bool roomForRegion(qint64 rectsA, qint64 rectsB);
    QRegion rasterise(const QPainterPath &target);
    void fillTarget(const QPainterPath &target, const PlusBrush &brush);
    QRegion evaluate(const PlusRegion &region, int node, int depth);
    QPen makePen(const PlusPen &pen, double scale, double *targetWidth, bool *hairline);
    void drawArrow(const QPainterPath &target, bool atEnd, double width, const QBrush &paintBrush,
                   const QTransform &paintToTarget);
    QBrush hatchBrush(const PlusBrush &brush);
    QBrush pathGradientBrush(const PlusBrush &brush, const QRectF &area);
    QBrush textureBrush(const PlusBrush &brush);

    Player &mPlayer;
    QPainter &mPainter;
    QRect mSurface;
    Nesting mNesting;
    QTransform mDeviceToTarget;       // the EMF+ header's pixels -> target
    double mDeviceScale = 1;          // target pixels per EMF+ device pixel
    QSizeF mEmfDpi{96, 96};           // the EMF recording device's resolution
    double mDpi = 96, mDpiY = 96;     // the EMF+ header's
    bool mScreen = true;

    bool mActive = false;             // an EMF+ header came first
    bool mIgnored = false;            // EMF+ records without a header before them
    bool mDual = false;
    bool mGdiSection = false;
    bool mEnded = false;
    bool mDamaged = false;

    PlusState mState;
    struct Saved {
        uint32_t index;
        PlusState state;
    };
    std::vector<Saved> mSaved;
    QTransform mTransform;
    bool mTransformValid = false;
    bool mTransformUsable = true;

    std::array<PlusObject, emfplus::ObjectSlots> mObjects;
    PlusBrush mSolid;
    // An object that spans several records.
    struct Pending {
        int id = -1;
        int type = 0;
        qint64 total = 0;
        QByteArray bytes;
        Charge charge;
    } mPending;

    bool mPainterSaved = false;       // the painter's state as the EMF player left it is saved
    bool mClipApplied = false;
};

} // namespace mv::metafile
