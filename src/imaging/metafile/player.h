#pragma once

#include "imaging/metafile/devicecontext.h"
#include "imaging/metafile/dib.h"
#include "imaging/metafile/playerbudget.h"

#include <QImage>
#include <QList>
#include <QPainter>
#include <QPolygonF>
#include <QString>
#include <QTransform>

#include <vector>

namespace mv::metafile {

// Coordinate spaces: logical (what records carry) -> world transform -> page -> window /
// viewport mapping -> device (the recording device's pixels; for WMF the picture's pixels)
// -> target (the bitmap we draw into).
struct PlayerSetup {
    QTransform deviceToTarget;
    // The recording device, for the fixed-unit mapping modes (a 96-DPI screen unless the
    // file names its device).
    QSizeF devicePixels{1024, 768};
    QSizeF deviceMillimeters{1024 * 25.4 / 96, 768 * 25.4 / 96};
    double deviceScale = 1;                    // target pixels per device pixel
    int objectTableSize = 1;
};

// Plays drawing operations with the semantics of the recorded drawing model through
// QPainter. The record decoders of both formats call it; it owns the device-context
// stack, the object table, the path bracket and the clip.
class Player {
public:
    Player(QPainter &painter, QSize target, const PlayerSetup &setup);

    DeviceContext &dc() { return mDc; }
    ObjectTable &objects() { return mObjects; }

    // Stops the drawing (damaged record or work limit); the first reason is kept.
    void stop(const QString &reason);
    bool stopped() const { return mStopped; }
    const QString &stopReason() const { return mStopReason; }

    // --- budgets: everything is paid for before it is done; a refusal stops the drawing
    // with the budget's reason and leaves what was drawn so far.
    // Work other than painting (decoding, layout, outlines, region arithmetic).
    bool spend(double units);
    // Memory kept past the current record (see Budget::keep).
    bool keep(Charge &charge, qint64 bytes);
    // Memory held for a moment inside one operation.
    bool makeRoom(qint64 bytes);
    const Budget &budget() const { return mBudget; }
    static const QString &workReason();
    static const QString &memoryReason();
    // Bitmaps of the records, their pixels paid for before they are unpacked and kept by
    // `charge`. A null image when the bitmap is damaged or over the budget.
    QImage decodeDib(ByteReader info, ByteReader bits, DibOptions options, Charge &charge);
    QImage decodePackedDib(ByteReader packed, DibOptions options, Charge &charge);
    QImage decodeBitmap16(ByteReader bits, int width, int height, int widthBytes, int planes, int bitsPixel,
                          Charge &charge);
    // Resizes a palette (new entries black), its memory paid for first.
    bool resizePalette(LogPalette &palette, qsizetype entries);
    // A region object's rectangles.
    bool keepRegion(LogRegion &region);

    // --- state
    void mappingChanged() { mTransformValid = false; }
    const QTransform &logicalToTarget();
    void setMapMode(int mode);
    void setWindowOrg(QPointF org);
    void setWindowExt(QSizeF ext);
    void setViewportOrg(QPointF org);
    void setViewportExt(QSizeF ext);
    void scaleWindowExt(double xNum, double xDenom, double yNum, double yDenom);
    void scaleViewportExt(double xNum, double xDenom, double yNum, double yDenom);
    void setWorldTransform(const QTransform &world);
    void modifyWorldTransform(const QTransform &xform, int mode);
    void saveDc();
    void restoreDc(int which); // negative: relative to the top; positive: absolute level
    QRgb color(uint32_t colorRef) const;
    double deviceScale() const { return mSetup.deviceScale; }
    const QList<QRgb> *dcPalette() const { return mDc.palette ? &mDc.palette->entries : nullptr; }
    void selectObject(const GdiObject &object);

    // --- drawing (logical coordinates)
    void moveTo(QPointF p);
    void lineTo(QPointF p);
    void polyline(const QPolygonF &points);
    void polylineTo(const QPolygonF &points);
    void polyPolyline(const QList<QPolygonF> &lines);
    void polygons(const QList<QPolygonF> &polygons);
    void polyBezier(const QPolygonF &points);
    void polyBezierTo(const QPolygonF &points);
    void polyDraw(const QPolygonF &points, const QByteArray &types);
    void rectangle(QRectF box);
    void roundRect(QRectF box, QSizeF corner);
    void ellipse(QRectF box);
    enum class ArcKind { Arc, ArcTo, Chord, Pie };
    void arc(QRectF box, QPointF start, QPointF end, ArcKind kind);
    void angleArc(QPointF center, double radius, double startDeg, double sweepDeg);
    void setPixel(QPointF p, uint32_t colorRef);
    void fillRects(const QList<QRectF> &rects, const LogBrush &brush); // logical rectangles
    void frameRects(const QList<QRectF> &rects, const LogBrush &brush, QSizeF stroke);
    void invertRects(const QList<QRectF> &rects);
    void patBlt(QRectF box, uint32_t rop);
    void gradientRect(QRectF box, QRgb from, QRgb to, bool vertical);
    void gradientTriangle(const QPointF (&points)[3], const QRgb (&colors)[3]);

    // --- path bracket
    void beginPath();
    void endPath();
    void abortPath();
    void closeFigure();
    void fillPath();
    void strokePath();
    void strokeAndFillPath();
    void flattenPath();
    void widenPath();
    void selectClipPath(int mode);

    // --- clipping
    void intersectClipRect(QRectF box);
    void excludeClipRect(QRectF box);
    void selectClipRects(const QList<QRectF> &rects, int mode, bool deviceUnits);
    void resetClip();
    void offsetClip(QPointF logicalDelta);

    // --- text
    struct TextRun {
        QPointF reference;       // logical
        QString text;            // characters, or glyph indices when glyphIndices
        QList<double> dx;        // advances, logical; empty for natural spacing
        QList<double> dy;        // vertical advances (ETO_PDY), may be empty
        uint32_t options = 0;    // ExtTextOut options
        QRectF rect;             // opaque / clip rectangle, logical
        bool hasRect = false;
        bool glyphIndices = false;
    };
    void drawText(const TextRun &run);

    // --- bitmaps
    struct BitmapDraw {
        QImage image;          // top-down, ARGB32 or premultiplied
        QRectF source;         // in image pixels
        QPointF dest[3];       // logical: top-left, top-right, bottom-left of the target
        uint32_t rop = gdi::RopSrcCopy;
        int constantAlpha = 255;
        bool perPixelAlpha = false;
        bool hasTransparentColor = false;
        QRgb transparentColor = 0;
        QImage mask;           // one bit per pixel, set = draw (MaskBlt), same size as image
        Charge charge;         // the decoded pixels of image and mask
    };
    void drawBitmap(const BitmapDraw &draw);
    // Destination corners of an axis-aligned logical rectangle.
    static void rectCorners(QRectF box, QPointF (&dest)[3]);

    // --- for the EMF+ records, which keep a state of their own and paint through the
    // painter themselves: painting in target pixels priced as the player prices its own,
    // and clip shapes rasterised alike.
    bool chargeFill(const QPainterPath &target, double targetArea) { return chargeShape(target, targetArea, Edges::Filled); }
    bool chargeStroke(const QPainterPath &target, double targetArea, double penWidth, double dashes, bool hairline)
    {
        return chargeShape(target, targetArea, hairline ? Edges::Hairline : Edges::Outlined, penWidth, dashes);
    }
    QRegion rasteriseTarget(const QPainterPath &target) { return rasterise(target); }

private:
    enum class Paint { Fill, Stroke, FillAndStroke };
    static constexpr qint64 PathElementBytes = sizeof(QPainterPath::Element);
    // Everything a drawing keeps at once: objects, the path, clips, saved states, palettes
    // and the bitmap being drawn.
    static constexpr qint64 MaxKeptBytes = qint64(256) << 20;
    static double workFor(QSize target);
    // More dashes than a picture can show: the line is drawn or widened whole instead.
    static constexpr double MaxDashes = 20000;
    // The length of the control polygon: never shorter than the path, and cheap.
    static double roughLength(const QPainterPath &path);

    QTransform pageToDevice() const;
    bool transformUsable();
    // Shapes are mapped to target pixels first and painted there with an identity
    // painter transform: pen widths, dashes and hatches are then sized in target pixels.
    void emitShape(const QPainterPath &logical, Paint paint);
    void emitConnected(const QPainterPath &logicalFromCurrent); // the "to" operations
    void paintTarget(QPainterPath target, Paint paint, bool windingFill = false);
    void usePath(Paint paint);
    QRegion rasterise(const QPainterPath &target);
    void fillTarget(const QPainterPath &target, const QBrush &brush, QPainter::CompositionMode mode);
    QPen makePen(double *targetWidth);
    QBrush makeBrush(const LogBrush &brush);
    bool ropColors(QColor &color, QPainter::CompositionMode &mode) const;
    void applyClip();
    bool charge(double targetArea);
    // Painting a path in target pixels: its area and what its edges cost the rasteriser.
    // Outlined lines also give the pen's width in target pixels and the pieces its dash
    // pattern cuts them into.
    enum class Edges { Filled, Outlined, Hairline };
    bool chargeShape(const QPainterPath &target, double targetArea, Edges edges, double penWidth = 0,
                     double dashes = 0);
    // Makes room for `more` elements in the path before they are added (a path shared
    // with a saved state is copied by the change, and that copy is paid for too).
    bool growPath(qint64 more);
    void clearPath();
    void addToPath(const QPainterPath &target, bool connect);
    bool keepClip();
    bool roomForRegion(qint64 rectsA, qint64 rectsB);
    void combineClip(const QRegion &region, int mode);
    QRectF insideFrame(QRectF box);
    QPainterPath arcPath(QRectF box, QPointF start, QPointF end, ArcKind kind);
    double qtSweepSign();
    void clipWithTargetPath(const QPainterPath &target, int mode);
    void clipWithLogicalRect(QRectF box, int mode);
    // Pens draw on the pixels of the device the picture is played on, which is the target:
    // a line through a point covers the target pixel that starts there, and cosmetic pens,
    // width 0 and geometric widths that map below a pixel are one target pixel wide.
    static constexpr double StrokeOffset = 0.5;
    static constexpr double MinPenWidth = 1;

    QPainter &mPainter;
    QRect mSurface;
    PlayerSetup mSetup;
    Budget mBudget;
    DeviceContext mDc;
    std::vector<DeviceContext> mSaved;
    qint64 mUnsavedLevels = 0;
    ObjectTable mObjects;
    QTransform mTransform;
    bool mTransformValid = false;
    bool mTransformUsable = true;
    bool mPathNeedsMove = true;
    bool mClipDirty = true;
    bool mStopped = false;
    QString mStopReason;
};

} // namespace mv::metafile
