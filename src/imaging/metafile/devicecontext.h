#pragma once

#include "imaging/metafile/gdi.h"
#include "imaging/metafile/playerbudget.h"

#include <QImage>
#include <QList>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QRegion>
#include <QRgb>
#include <QSizeF>
#include <QString>
#include <QTransform>

#include <cstdint>
#include <memory>
#include <variant>
#include <vector>

namespace mv::metafile {

// Drawing objects as the files describe them. Colours stay as stored colour references
// (they may name palette entries) and are resolved when used.

struct LogPen {
    uint32_t style = gdi::PsSolid;
    double width = 0;       // logical units; 0 means one device pixel
    uint32_t color = 0;
    QList<double> dashes;   // user style, logical units
    bool cosmetic = false;  // one device pixel wide whatever the width says
    bool geometric() const { return (style & gdi::PsGeometric) != 0; }
    uint32_t kind() const { return style & gdi::PsStyleMask; }
};

struct LogBrush {
    uint32_t style = gdi::BsSolid;
    uint32_t color = 0xFFFFFF;
    uint32_t hatch = 0;
    QImage pattern;          // pattern brushes
    Charge patternCharge;
    bool monochrome = false; // a two-colour pattern takes the text and background colours
};

struct LogFont {
    int32_t height = 0;
    int32_t width = 0;
    int32_t escapement = 0; // tenths of a degree
    int32_t orientation = 0;
    int32_t weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    uint8_t charset = gdi::DefaultCharset;
    uint8_t pitchAndFamily = 0;
    QString face;
};

struct LogPalette {
    QList<QRgb> entries;
    Charge charge;
};

// A region in logical units, as rectangles.
struct LogRegion {
    QList<QRectF> rects;
    Charge charge;
};

// A slot taken by a creating record whose object could not be made: later slots keep the
// numbers the file gave them, and selecting or using this one does nothing.
struct NoObject {};

using GdiObject =
    std::variant<std::monostate, LogPen, LogBrush, LogFont, std::shared_ptr<LogPalette>, LogRegion, NoObject>;

// The clip, kept as a pixel region of the target so that later changes of the mapping
// leave it alone. Shapes other than upright rectangles are rasterised into it, which is
// how the drawing model clips too, and keeps combining clips cheap whatever they hold.
class ClipArea {
public:
    bool active() const { return mActive; }
    const QRegion &region() const { return mRegion; }
    void reset() { mActive = false, mRegion = QRegion(), mCharge = Charge(); }
    // Combines with a region; `surface` is the whole picture, which "no clip" stands for.
    void combine(const QRegion &region, int mode, const QRect &surface);
    void offset(QPoint delta);
    // The memory the region keeps, counted by the player after each change.
    Charge &charge() { return mCharge; }

private:
    bool mActive = false;
    QRegion mRegion;
    Charge mCharge;
};

struct DeviceContext {
    // Mapping.
    int mapMode = gdi::MmText;
    QPointF windowOrg, viewportOrg;
    QSizeF windowExt{1, 1}, viewportExt{1, 1};
    QTransform world;
    int graphicsMode = gdi::GmCompatible;

    // Selected objects (copies: deleting a selected object does not take it away).
    LogPen pen;
    LogBrush brush;
    LogFont font;
    std::shared_ptr<LogPalette> palette;

    uint32_t textColor = 0x000000;
    uint32_t bkColor = 0xFFFFFF;
    int bkMode = gdi::Opaque;
    int polyFillMode = gdi::Alternate;
    int rop2 = gdi::R2CopyPen;
    int stretchMode = 0;
    uint32_t textAlign = 0;
    int arcDirection = gdi::CounterClockwise;
    double miterLimit = 10;
    int textCharExtra = 0;
    QPointF brushOrg;
    QPointF current; // current position, logical

    ClipArea clip;

    // Path bracket; the path is kept in target pixels like the clip.
    bool inPath = false;
    QPainterPath path;
    Charge pathCharge;
    bool pathIsOutline = false; // a widened path: filled as one area whatever the fill mode
};

// Handles of created objects. EMF names the slot in each creating record; WMF takes the
// lowest free slot. The table never grows past a fixed limit.
class ObjectTable {
public:
    static constexpr int MaxObjects = 65536;
    explicit ObjectTable(int initialSize);
    bool put(uint32_t index, GdiObject object);
    int putLowestFree(GdiObject object); // -1 when the table is full
    const GdiObject *get(uint32_t index) const;
    GdiObject *get(uint32_t index);
    void remove(uint32_t index);

private:
    std::vector<GdiObject> mSlots;
    size_t mFirstFree = 0; // no free slot below this one
};

// Stock objects (index with the high bit).
GdiObject StockObject(uint32_t index);

// The 20 reserved colours of the default palette.
std::shared_ptr<LogPalette> DefaultPalette();

// A colour reference resolved through the palette (palette-index references).
QRgb ResolveColor(uint32_t colorRef, const LogPalette *palette);

} // namespace mv::metafile
