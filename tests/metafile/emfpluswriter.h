#pragma once

// Test-only writer of EMF+ records and objects, byte for byte as the format lays them out.
// Records gather until flush(), which puts them into one EMF comment of an EmfWriter, so a
// test decides where EMF+ comments fall among the EMF records (a dual file's fallback).

#include "metafilewriter.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QTransform>

#include <cstdint>

namespace mv::test {

constexpr uint32_t Argb(int a, int r, int g, int b)
{
    return (uint32_t(a) << 24) | (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
}

namespace plus {
enum ObjectType : int { Brush = 1, Pen = 2, Path = 3, Region = 4, Image = 5, Font = 6, StringFormat = 7 };
enum Unit : int { World = 0, Display = 1, Pixel = 2, Point = 3, Inch = 4, Document = 5, Millimeter = 6 };
enum Combine : int { Replace = 0, Intersect = 1, Union = 2, Xor = 3, Exclude = 4, Complement = 5 };
// Path point types.
enum : uint8_t { Start = 0, Line = 1, Bezier = 3, CloseFigure = 0x80 };
} // namespace plus

// Objects, made by themselves so that they can be put into brushes, pens and records.
namespace plusobject {
QByteArray SolidBrush(uint32_t argb);
QByteArray HatchBrush(int style, uint32_t fore, uint32_t back);
// Colours from the rectangle's left edge to its right edge, turned by `transform`; preset
// colours replace the two when given.
QByteArray LinearGradientBrush(QRectF rect, uint32_t from, uint32_t to, int wrap = 0,
                               const QTransform &transform = QTransform(),
                               const QList<QPair<float, uint32_t>> &preset = {});
QByteArray PathGradientBrush(QPointF center, uint32_t centerColor, const QList<QPointF> &boundary,
                             const QList<uint32_t> &surround);
QByteArray TextureBrush(const QByteArray &image, int wrap = 0, const QTransform &transform = QTransform());
// lineStyle: -1 none given, 0 solid ... 4 dash-dot-dot, 5 custom (dashes).
QByteArray Pen(float width, const QByteArray &brush, int unit = plus::World, int lineStyle = -1,
               const QList<float> &dashes = {}, int startCap = -1, int endCap = -1);
QByteArray Path(const QList<QPointF> &points, const QByteArray &types);
// The same path with 16-bit coordinates, or relative ones with run-length types.
QByteArray CompressedPath(const QList<QPointF> &points, const QByteArray &types);
QByteArray RelativePath(const QList<QPoint> &points, const QByteArray &types);
// Region nodes, root first: Rect(r), Path(bytes), Combine(mode, left, right).
QByteArray RegionRectNode(QRectF rect);
QByteArray RegionPathNode(const QByteArray &path);
QByteArray RegionCombineNode(uint32_t type, const QByteArray &left, const QByteArray &right);
QByteArray Region(const QByteArray &root, uint32_t childNodes);
QByteArray BitmapImage(const QImage &image);          // raw 32-bit ARGB pixels
QByteArray CompressedImage(const QByteArray &file);    // a PNG, JPEG... file
QByteArray PngImage(const QImage &image);
QByteArray MetafileImage(const QByteArray &metafile, int type = 3);
QByteArray Font(float emSize, const QString &family, int unit = plus::Pixel, int style = 0);
QByteArray StringFormat(int align, int lineAlign, uint32_t flags = 0);
} // namespace plusobject

class EmfPlusWriter {
public:
    void record(uint16_t type, uint16_t flags, const Bytes &data);
    // The records so far as one EMF comment of `emf`.
    void flush(EmfWriter &emf);
    // The records so far as a comment's payload (after its data size field).
    QByteArray payload() const;

    void header(bool dual, int dpi = 96);
    void endOfFile();
    void getDc();

    // An object into slot `id`, in `pieces` records when more than one.
    void object(uint8_t id, int type, const QByteArray &data, int pieces = 1);

    // Brush fields: a colour (solid) or an object index.
    void clear(uint32_t argb);
    void fillRects(uint32_t brush, const QList<QRectF> &rects, bool solid = true, bool compressed = false);
    void drawRects(uint8_t pen, const QList<QRectF> &rects);
    void fillPolygon(uint32_t brush, const QList<QPointF> &points, bool solid = true);
    void fillPolygonRelative(uint32_t brush, const QList<QPoint> &points, bool solid = true);
    void drawLines(uint8_t pen, const QList<QPointF> &points, bool closed = false);
    void fillEllipse(uint32_t brush, QRectF box, bool solid = true);
    void drawEllipse(uint8_t pen, QRectF box);
    void fillPie(uint32_t brush, float start, float sweep, QRectF box, bool solid = true);
    void drawPie(uint8_t pen, float start, float sweep, QRectF box);
    void drawArc(uint8_t pen, float start, float sweep, QRectF box);
    void fillPath(uint8_t path, uint32_t brush, bool solid = true);
    void drawPath(uint8_t path, uint8_t pen);
    void fillRegion(uint8_t region, uint32_t brush, bool solid = true);
    void fillClosedCurve(uint32_t brush, float tension, const QList<QPointF> &points, bool solid = true);
    void drawClosedCurve(uint8_t pen, float tension, const QList<QPointF> &points);
    void drawCurve(uint8_t pen, float tension, const QList<QPointF> &points, uint32_t offset, uint32_t segments);
    void drawBeziers(uint8_t pen, const QList<QPointF> &points);
    void drawImage(uint8_t image, QRectF source, QRectF dest);
    void drawImagePoints(uint8_t image, QRectF source, QPointF topLeft, QPointF topRight, QPointF bottomLeft);
    void drawString(uint8_t font, uint32_t brush, uint32_t format, const QString &text, QRectF layout,
                    bool solid = true);
    void drawDriverString(uint8_t font, uint32_t brush, const QString &glyphs, const QList<QPointF> &positions,
                          uint32_t options = 1, bool solid = true);

    void setWorldTransform(const QTransform &m);
    void resetWorldTransform();
    void multiplyWorldTransform(const QTransform &m, bool append);
    void translateWorldTransform(float dx, float dy, bool append = false);
    void scaleWorldTransform(float sx, float sy, bool append = false);
    void rotateWorldTransform(float degrees, bool append = false);
    void setPageTransform(int unit, float scale);
    void save(uint32_t index);
    void restore(uint32_t index);
    void beginContainer(QRectF dest, QRectF source, uint32_t index);
    void beginContainerNoParams(uint32_t index);
    void endContainer(uint32_t index);
    void setCompositingMode(int mode);

    void setClipRect(QRectF box, int mode);
    void setClipPath(uint8_t path, int mode);
    void setClipRegion(uint8_t region, int mode);
    void resetClip();
    void offsetClip(float dx, float dy);

private:
    QByteArray mRecords;
};

} // namespace mv::test
