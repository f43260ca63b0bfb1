#pragma once

// Test-only writers of EMF and WMF records: enough of both formats to build small pictures
// that exercise each group of records, byte for byte as the formats lay them out.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

#include <cstdint>

namespace mv::test {

// Little-endian byte building.
class Bytes {
public:
    Bytes &u8(uint8_t v);
    Bytes &u16(uint16_t v);
    Bytes &i16(int16_t v) { return u16(uint16_t(v)); }
    Bytes &u32(uint32_t v);
    Bytes &i32(int32_t v) { return u32(uint32_t(v)); }
    Bytes &f32(float v);
    Bytes &raw(const QByteArray &b);
    Bytes &pad4();
    Bytes &pad2();
    const QByteArray &data() const { return mData; }
    qsizetype size() const { return mData.size(); }

private:
    QByteArray mData;
};

// A DIB for the bitmap records: header (and colour table), and bits, bottom-up rows.
struct Dib {
    QByteArray info;
    QByteArray bits;
    QByteArray packed() const { return info + bits; }
};
// bpp 1 and 8 use a table of the image's colours (at most 2 or 256), 24 and 32 are direct.
Dib MakeDib(const QImage &image, int bpp);
// An 8-bit run-length DIB of the image (at most 256 colours).
Dib MakeRle8Dib(const QImage &image);

// Every field of a recorded font, for the records that take one.
struct FontSpec {
    int height = -20;
    int width = 0;
    int escapement = 0;
    int orientation = 0;
    int weight = 400;
    bool italic = false;
    uint8_t charset = 1;
    uint8_t pitchAndFamily = 0;
    QString face;
};

constexpr uint32_t Stock(uint32_t n) { return 0x80000000u | n; }
constexpr uint32_t Rgb(int r, int g, int b) { return uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16); }

class EmfWriter {
public:
    // A picture of `width` x `height` pixels at 96 DPI on a 96-DPI reference device, so
    // that logical units (MM_TEXT) are the picture's pixels.
    EmfWriter(int width = 100, int height = 100);

    void record(uint32_t type, const Bytes &params);
    void setHandles(int n) { mHandles = n; }

    void setMapMode(int mode);
    void setWindowOrg(int x, int y);
    void setWindowExt(int cx, int cy);
    void setViewportOrg(int x, int y);
    void setViewportExt(int cx, int cy);
    void setWorldTransform(float m11, float m12, float m21, float m22, float dx, float dy);
    void modifyWorldTransform(float m11, float m12, float m21, float m22, float dx, float dy, uint32_t mode);
    void saveDc();
    void restoreDc(int which);

    void createPen(uint32_t index, uint32_t style, int width, uint32_t color);
    void extCreatePen(uint32_t index, uint32_t style, int width, uint32_t color, const QList<uint32_t> &dashes = {});
    void createBrush(uint32_t index, uint32_t style, uint32_t color, uint32_t hatch = 0);
    void createDibPatternBrush(uint32_t index, const QImage &pattern);
    void createDibPatternBrush(uint32_t index, const Dib &dib, uint32_t usage = 0);
    void createMonoBrush(uint32_t index, const Dib &dib);
    void createFont(uint32_t index, int height, const QString &face, int weight = 400, bool italic = false,
                    int escapement = 0, uint8_t charset = 1, bool underline = false);
    void createFont(uint32_t index, const FontSpec &font);
    void selectObject(uint32_t index);
    void deleteObject(uint32_t index);

    void setTextColor(uint32_t color);
    void setBkColor(uint32_t color);
    void setBkMode(int mode);
    void setTextAlign(uint32_t align);
    void setPolyFillMode(int mode);
    void setRop2(int rop);
    void setArcDirection(int direction);

    void rectangle(int l, int t, int r, int b);
    void ellipse(int l, int t, int r, int b);
    void roundRect(int l, int t, int r, int b, int cw, int ch);
    void polygon(const QList<QPoint> &points, bool sixteen = false);
    void polyline(const QList<QPoint> &points, bool sixteen = false);
    void polyBezier(const QList<QPoint> &points, bool sixteen = false);
    void polyPolygon(const QList<QList<QPoint>> &polygons, bool sixteen = false);
    void polyDraw(const QList<QPoint> &points, const QByteArray &types);
    void polyPolyline(const QList<QList<QPoint>> &lines, bool sixteen = false);
    void polylineTo(const QList<QPoint> &points, bool sixteen = false);
    void polyBezierTo(const QList<QPoint> &points, bool sixteen = false);
    void moveTo(int x, int y);
    void lineTo(int x, int y);
    void arc(uint32_t type, QRect box, QPoint start, QPoint end); // Arc, Chord, Pie, ArcTo
    void angleArc(int x, int y, uint32_t radius, float start, float sweep);
    void setPixel(int x, int y, uint32_t color);
    void gradientRect(QRect box, uint32_t from, uint32_t to, bool vertical);
    // Triangles given as vertex index triples.
    void gradientTriangles(const QList<QPoint> &vertices, const QList<uint32_t> &colors,
                           const QList<uint32_t> &triangles);

    void beginPath();
    void endPath();
    void closeFigure();
    void fillPath();
    void strokePath();
    void strokeAndFillPath();
    void widenPath();
    void flattenPath();
    void selectClipPath(uint32_t mode);

    void intersectClipRect(int l, int t, int r, int b);
    void excludeClipRect(int l, int t, int r, int b);
    void extSelectClipRgn(const QList<QRect> &rects, uint32_t mode); // rects as l,t,r,b via QRect(QPoint, QPoint-1)

    void extTextOutW(int x, int y, const QString &text, uint32_t options = 0, QRect rect = QRect(),
                     const QList<int> &dx = {});
    void extTextOutA(int x, int y, const QByteArray &text, const QList<int> &dx = {});
    // One run per reference point, every run pointing at the same string.
    void polyTextOutW(const QList<QPoint> &references, const QString &text);

    void stretchDiBits(QRect dest, QRect src, const Dib &dib, uint32_t rop = 0x00CC0020, uint32_t usage = 0);
    void bitBlt(QRect dest, QPoint src, const Dib &dib, uint32_t rop = 0x00CC0020);
    void bitBltNoSource(QRect dest, uint32_t rop);
    void alphaBlend(QRect dest, QRect src, const Dib &dib, uint8_t constantAlpha, bool perPixel);
    void stretchBlt(QRect dest, QRect src, const Dib &dib, uint32_t rop = 0x00CC0020);
    void transparentBlt(QRect dest, QRect src, const Dib &dib, uint32_t color);
    void setDiBitsToDevice(QPoint dest, QRect src, const Dib &dib);
    void maskBlt(QRect dest, const Dib &dib, const Dib &mask); // foreground copy, background kept

    // FillRgn (71, with brush), FrameRgn (72, with brush and frame size), InvertRgn (73),
    // PaintRgn (74).
    void regionRecord(uint32_t type, const QList<QRect> &rects, uint32_t brush = 0, QSize frame = QSize());
    void createPalette(uint32_t index, const QList<QRgb> &colors);
    void selectPalette(uint32_t index);
    void resizePalette(uint32_t index, uint32_t entries);

    void comment(const QByteArray &data);

    QByteArray finish();

    int textGraphicsMode = 1; // written into the text records: 1 compatible, 2 advanced

private:
    QByteArray mRecords;
    int mCount = 0;
    int mWidth, mHeight;
    int mHandles = 16;
};

class WmfWriter {
public:
    // With the placeable header: box in logical units and the units per inch.
    WmfWriter(QRect box, int unitsPerInch);
    // Without it.
    WmfWriter();

    void record(uint16_t function, const Bytes &params);

    void setWindowOrg(int x, int y);
    void setWindowExt(int cx, int cy);
    void setMapMode(int mode);
    void saveDc();
    void restoreDc(int which);
    void setBkMode(int mode);
    void setTextColor(uint32_t color);
    void setBkColor(uint32_t color);
    void setTextAlign(uint16_t align);
    void setPolyFillMode(int mode);

    void createPen(uint16_t style, int width, uint32_t color);
    void createBrush(uint16_t style, uint32_t color, uint16_t hatch = 0);
    void createFont(int height, const QByteArray &face, uint8_t charset = 0, int escapement = 0);
    void createFont(const FontSpec &font); // the face as Latin-1 bytes
    void createRegion(const QList<QRect> &rects); // one scan per rectangle
    void dibCreatePatternBrush(const Dib &dib);
    void resizePalette(uint16_t entries);
    void selectObject(uint16_t index);
    void deleteObject(uint16_t index);

    void moveTo(int x, int y);
    void lineTo(int x, int y);
    void rectangle(int l, int t, int r, int b);
    void ellipse(int l, int t, int r, int b);
    void polygon(const QList<QPoint> &points);
    void polyPolygon(const QList<QList<QPoint>> &polygons);
    void polyline(const QList<QPoint> &points);
    void pie(QRect box, QPoint start, QPoint end);
    void intersectClipRect(int l, int t, int r, int b);
    void excludeClipRect(int l, int t, int r, int b);
    void selectClipRegion(uint16_t index);
    void textOut(int x, int y, const QByteArray &text);
    void extTextOut(int x, int y, const QByteArray &text, uint16_t options = 0, QRect rect = QRect(),
                    const QList<int> &dx = {});
    void dibStretchBlt(QRect dest, QRect src, const Dib &dib, uint32_t rop = 0x00CC0020);
    void dibBitBlt(QRect dest, QPoint src, const Dib &dib, uint32_t rop = 0x00CC0020);
    void stretchDib(QRect dest, QRect src, const Dib &dib);
    void patBlt(QRect box, uint32_t rop);
    void fillRegion(uint16_t region, uint16_t brush);

    QByteArray finish();

private:
    QByteArray mRecords;
    bool mPlaceable = false;
    QRect mBox;
    int mInch = 0;
    int mObjects = 0;
    uint32_t mMaxRecord = 0;
};

} // namespace mv::test
