#pragma once

// The graphics objects of EMF+ (brushes, pens, paths, regions, images, fonts, string
// formats) as parsed from their bytes. Every object's memory is charged to the drawing's
// budget before it is built; paths and regions stay in world coordinates and are mapped
// when used.

#include "imaging/metafile/bytereader.h"
#include "imaging/metafile/playerbudget.h"

#include <QByteArray>
#include <QColor>
#include <QGradientStops>
#include <QImage>
#include <QList>
#include <QPainterPath>
#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <QTransform>

#include <variant>
#include <vector>

namespace mv::metafile {

class Player;

struct PlusBrush {
    enum Kind { Solid = 0, Hatch = 1, Texture = 2, PathGradient = 3, LinearGradient = 4 };
    int kind = Solid;
    QColor color{0, 0, 0};   // solid colour, hatch lines
    QColor back{0, 0, 0, 0}; // hatch background
    int hatch = 0;
    int wrap = 0;            // 0 tile, 1-3 tile flipped, 4 clamp
    QTransform transform;    // brush space -> world
    // Linear gradient: colours run from the rectangle's left edge to its right edge.
    QRectF rect;
    // Gradient colours: along the rectangle, or for a path gradient from the boundary (0)
    // to the centre (1).
    QGradientStops stops;
    // Path gradient: the boundary (flattened) and the colours about it.
    QPointF center;
    QColor centerColor;
    QList<QColor> surround;
    QPolygonF boundary;
    QImage texture;          // texture brushes, ARGB32
    Charge charge;
};

struct PlusPen {
    double width = 1;
    int unit = 0;            // the width's unit
    Qt::PenCapStyle cap = Qt::FlatCap;
    Qt::PenJoinStyle join = Qt::MiterJoin;
    double miterLimit = 10;
    int lineStyle = 0;       // 0 solid ... 4 dash-dot-dot, 5 custom
    QList<qreal> dashes;     // in pen widths
    double dashOffset = 0;
    Qt::PenCapStyle dashCap = Qt::FlatCap;
    bool startArrow = false, endArrow = false;
    PlusBrush brush;
};

struct PlusPath {
    QPainterPath path;       // world coordinates, alternate fill
    Charge charge;
};

struct PlusRegion {
    enum NodeType : uint32_t {
        And = 1, Union = 2, Xor = 3, Exclude = 4, Complement = 5,
        Rect = 0x10000000, Path = 0x10000001, Empty = 0x10000002, Infinite = 0x10000003,
    };
    struct Node {
        uint32_t type = Empty;
        QRectF rect;
        QPainterPath path;
        int left = -1, right = -1; // children of combining nodes
    };
    std::vector<Node> nodes;       // nodes[0] is the root
    Charge charge;
};

struct PlusImage {
    QImage bitmap;           // decoded bitmaps, ARGB32 or premultiplied
    QByteArray metafile;     // metafiles, as stored (a placeable WMF keeps its header)
    int metafileType = 0;    // 1 WMF, 2 placeable WMF, 3 EMF, 4 EMF+ only, 5 EMF+ dual
    Charge charge;
    bool isMetafile() const { return !metafile.isEmpty(); }
};

struct PlusFont {
    double emSize = 0;
    int unit = 0;
    int style = 0;           // 1 bold, 2 italic, 4 underline, 8 strike-out
    QString family;
};

struct PlusStringFormat {
    enum : uint32_t { RightToLeft = 0x1, Vertical = 0x2, NoWrap = 0x1000, NoClip = 0x4000 };
    uint32_t flags = 0;
    int align = 0;           // 0 near, 1 centre, 2 far
    int lineAlign = 0;
    double leadingMargin = 1.0 / 6; // in ems
    double trailingMargin = 1.0 / 6;
};

using PlusObject = std::variant<std::monostate, PlusBrush, PlusPen, PlusPath, PlusRegion, PlusImage, PlusFont,
                                PlusStringFormat>;

namespace emfplus {

// How deep a region tree may nest.
constexpr int MaxRegionDepth = 64;

// Each parser reads one object from `r` (which holds exactly the object's bytes), pays for
// what it builds through `player`, and returns false when the bytes are damaged. A refusal
// of the budget stops the player; the parser then returns false as well.
[[nodiscard]] bool ParseBrush(ByteReader &r, Player &player, PlusBrush &out);
[[nodiscard]] bool ParsePen(ByteReader &r, Player &player, PlusPen &out);
[[nodiscard]] bool ParsePath(ByteReader &r, Player &player, PlusPath &out);
[[nodiscard]] bool ParseRegion(ByteReader &r, Player &player, PlusRegion &out);
[[nodiscard]] bool ParseImage(ByteReader &r, Player &player, PlusImage &out);
[[nodiscard]] bool ParseFont(ByteReader &r, PlusFont &out);
[[nodiscard]] bool ParseStringFormat(ByteReader &r, PlusStringFormat &out);

// `count` points as a record's flags code them, their memory and work paid for before
// they are read; false when they do not fit the bytes or the budget.
[[nodiscard]] bool ReadPaidPoints(ByteReader &r, Player &player, uint32_t count, bool compressed, bool relative,
                                  QPolygonF &out);

// A path's points and types as the path object stores them, made into a painter path.
// `r` is positioned at the point count.
[[nodiscard]] bool ReadPathData(ByteReader &r, Player &player, QPainterPath &out, Charge &charge);

} // namespace emfplus

} // namespace mv::metafile
