#include "hostile.h"

#include "emfpluswriter.h"
#include "metafilewriter.h"

#include <QBuffer>
#include <QImage>

namespace mv::test {

namespace {

// The largest bitmap side whose pixels a record may unpack.
constexpr int BigSide = 5792;

Bytes bitmapHeader(int width, int height, int bpp, uint32_t compression, uint32_t imageSize, uint32_t colors)
{
    Bytes b;
    b.u32(40).i32(width).i32(height).u16(1).u16(uint16_t(bpp)).u32(compression).u32(imageSize);
    b.i32(3780).i32(3780).u32(colors).u32(0);
    return b;
}

// An 8-bit run-length bitmap of a huge size whose data ends at once.
Dib emptyRle(int side = BigSide)
{
    Bytes info = bitmapHeader(side, side, 8, 1, 2, 1);
    info.u32(0x000000FF);
    return {info.data(), QByteArray("\0\1", 2)};
}

// An uncompressed bitmap that declares a huge size and carries one row.
Dib oneRow(int bpp)
{
    Bytes info = bitmapHeader(BigSide, BigSide, bpp, 0, 0, bpp == 1 ? 2 : 0);
    if (bpp == 1)
        info.u32(0).u32(0x00FFFFFF);
    const int stride = (BigSide * bpp + 31) / 32 * 4;
    return {info.data(), QByteArray(stride, '\x55')};
}

// A PNG inside a bitmap record: a few kilobytes that unpack to a huge picture.
Dib packedPng()
{
    QImage image(BigSide, BigSide, QImage::Format_Mono);
    image.fill(0);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return {bitmapHeader(BigSide, BigSide, 0, 5, uint32_t(png.size()), 0).data(), png};
}

EmfWriter markedEmf(int width = 100, int height = 100)
{
    EmfWriter w(width, height);
    w.selectObject(Stock(8));
    w.createBrush(1, 0, Rgb(255, 0, 0));
    w.selectObject(1);
    w.rectangle(0, 0, width / 2 + 1, height / 2 + 1);
    w.selectObject(Stock(0));
    w.deleteObject(1);
    return w;
}

WmfWriter markedWmf(int width = 100, int height = 100)
{
    WmfWriter w;
    w.setWindowExt(width, height);
    w.createPen(5, 0, 0);              // slot 0
    w.createBrush(0, Rgb(255, 0, 0)); // slot 1
    w.selectObject(0);
    w.selectObject(1);
    w.rectangle(0, 0, width / 2 + 1, height / 2 + 1);
    w.deleteObject(0);
    w.deleteObject(1);
    return w;
}

QString longText(int length)
{
    const QString word = QStringLiteral("Mirovale ");
    QString text;
    text.reserve(length);
    while (text.size() < length)
        text += word;
    text.truncate(length);
    return text;
}

QList<QPoint> runStarts(int runs)
{
    QList<QPoint> points;
    for (int i = 0; i < runs; ++i)
        points.append(QPoint(0, 70 + i % 25));
    return points;
}

QByteArray textRuns(int runs, bool inPath)
{
    EmfWriter w = markedEmf();
    w.createFont(1, -12, QStringLiteral("Arial"));
    w.selectObject(1);
    if (inPath)
        w.beginPath();
    w.polyTextOutW(runStarts(runs), longText(100000));
    if (inPath) {
        w.endPath();
        w.fillPath();
    }
    return w.finish();
}

// An EMF+-only stream after the marker's EMF records.
template <typename Draw>
QByteArray markedPlus(Draw draw, int width = 100, int height = 100)
{
    EmfWriter w = markedEmf(width, height);
    EmfPlusWriter plus;
    plus.header(false);
    draw(plus, w);
    plus.flush(w);
    return w.finish();
}

QByteArray pngOf(int side)
{
    QImage image(side, side, QImage::Format_Mono);
    image.fill(0);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

} // namespace

QList<HostileMetafile> HostileMetafiles()
{
    QList<HostileMetafile> list;
    const auto add = [&list](const char *name, const char *how, const QByteArray &data, bool wmf = false) {
        list.append({QString::fromLatin1(name), QString::fromLatin1(how), data, wmf});
    };

    {
        EmfWriter w = markedEmf();
        for (uint32_t i = 1; i <= 16; ++i)
            w.createDibPatternBrush(i, emptyRle());
        add("emf-rle-pattern-brushes", "16 pattern brushes from empty 8-bit run-length bitmaps of 5792x5792",
            w.finish());
    }
    {
        EmfWriter w = markedEmf();
        QList<QPoint> points;
        points.reserve(1000000);
        for (int i = 0; i < 1000000; ++i)
            points.append(QPoint(i % 100, (i * 7) % 100));
        w.beginPath();
        w.moveTo(0, 0);
        w.polylineTo(points, true);
        for (int i = 0; i < 100; ++i) {
            w.saveDc();
            w.lineTo(i, 50);
        }
        w.endPath();
        add("emf-path-saved-states", "a path of 1M points, then 100 SaveDC/LineTo pairs", w.finish());
    }
    add("emf-polytext-in-path", "PolyTextOutW in a path: 20 runs over one 100,000-character string",
        textRuns(20, true));
    add("emf-polytext", "PolyTextOutW: 100 runs over one 100,000-character string", textRuns(100, false));
    {
        EmfWriter w = markedEmf();
        for (int i = 0; i < 100; ++i)
            w.stretchDiBits(QRect(50, 50, 50, 50), QRect(0, 0, BigSide, BigSide), emptyRle());
        add("emf-rle-stretchdibits", "100 StretchDIBits of empty run-length bitmaps of 5792x5792", w.finish());
    }

    {
        WmfWriter w = markedWmf();
        for (int i = 0; i < 16; ++i)
            w.dibCreatePatternBrush(emptyRle());
        add("wmf-rle-pattern-brushes", "16 WMF DIB pattern brushes from empty run-length bitmaps", w.finish(), true);
    }
    {
        WmfWriter w = markedWmf();
        for (int i = 0; i < 100; ++i)
            w.stretchDib(QRect(50, 50, 50, 50), QRect(0, 0, BigSide, BigSide), emptyRle());
        add("wmf-rle-stretchdib", "100 WMF StretchDIB of empty run-length bitmaps", w.finish(), true);
    }
    {
        EmfWriter w = markedEmf();
        const Dib dib = oneRow(24);
        for (int i = 0; i < 100; ++i)
            w.transparentBlt(QRect(50, 50, 50, 50), QRect(0, 0, BigSide, BigSide), dib, Rgb(0x55, 0x55, 0x55));
        add("emf-short-raw-bitmaps", "100 TransparentBlt of 24-bit 5792x5792 bitmaps that carry one row",
            w.finish());
    }
    {
        EmfWriter w = markedEmf();
        const Dib dib = packedPng();
        for (int i = 0; i < 30; ++i)
            w.stretchDiBits(QRect(50, 50, 50, 50), QRect(0, 0, BigSide, BigSide), dib);
        add("emf-png-bitmaps", "30 StretchDIBits of a small PNG that unpacks to 5792x5792", w.finish());
    }
    {
        EmfWriter w = markedEmf();
        w.setHandles(4100);
        for (uint32_t i = 1; i <= 4096; ++i) {
            w.createPalette(i, {qRgb(0, 0, 0)});
            w.resizePalette(i, 65536);
        }
        add("emf-resized-palettes", "4096 one-entry palettes, each resized to 65,536 entries", w.finish());
    }
    {
        WmfWriter w = markedWmf();
        for (int i = 0; i < 1000; ++i) {
            w.saveDc();
            w.resizePalette(uint16_t(65535 - i));
        }
        add("wmf-palette-states", "1000 WMF SaveDC/ResizePalette(65535) pairs", w.finish(), true);
    }
    {
        // Rows and columns intersect into a quarter of a million rectangles; every saved
        // state then keeps a copy that differs by one pixel.
        EmfWriter w = markedEmf(1000, 1000);
        QList<QRect> rows, columns;
        for (int i = 0; i < 500; ++i) {
            rows.append(QRect(0, 2 * i, 1000, 1));
            columns.append(QRect(2 * i, 0, 1, 1000));
        }
        w.extSelectClipRgn(rows, 5);
        w.extSelectClipRgn(columns, 1);
        for (int i = 0; i < 1000; ++i) {
            w.saveDc();
            w.excludeClipRect(i, i, i + 1, i + 1);
        }
        w.rectangle(0, 0, 1000, 1000);
        add("emf-clip-region-states", "a clip of 250,000 rectangles, then 1000 SaveDC/ExcludeClipRect pairs",
            w.finish());
    }
    {
        WmfWriter w = markedWmf(1000, 1000);
        QList<QRect> rects;
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 250; ++x)
                rects.append(QRect(4 * x, 16 * y, 2, 2));
        }
        w.createRegion(rects);            // slot 0
        w.createBrush(0, Rgb(0, 0, 255)); // slot 1
        for (int i = 0; i < 5000; ++i) {
            w.fillRegion(0, 1);
            w.selectClipRegion(0);
        }
        add("wmf-region-references", "a WMF region of 16,000 rectangles filled and selected 5000 times each",
            w.finish(), true);
    }
    {
        EmfWriter w = markedEmf();
        QList<uint32_t> triangles;
        for (int i = 0; i < 20000; ++i)
            triangles << 0 << 1 << 2;
        w.gradientTriangles({{-100000, 60}, {100000, 60}, {0, 100000}},
                            {Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255)}, triangles);
        add("emf-gradient-triangles", "GradientFill of 20,000 triangles over the same three far-apart vertices",
            w.finish());
    }
    {
        EmfWriter w = markedEmf();
        w.extCreatePen(1, 0x00010002, 1, 0); // geometric, dotted
        w.selectObject(1);
        w.beginPath();
        w.moveTo(0, 50);
        w.lineTo(2000000000, 50);
        QList<QPoint> curve;
        for (int i = 0; i < 3000; ++i)
            curve << QPoint(-30000, 30000) << QPoint(30000, -30000) << QPoint(i % 100, 60);
        w.polyBezierTo(curve, true);
        w.endPath();
        w.flattenPath();
        w.widenPath();
        w.fillPath();
        add("emf-widen-dashes", "WidenPath of a dotted geometric pen along a line two billion units long",
            w.finish());
    }
    {
        EmfWriter w = markedEmf();
        w.createMonoBrush(1, oneRow(1));
        w.selectObject(1);
        for (int i = 0; i < 1000; ++i)
            w.rectangle(60, 60, 70, 70);
        add("emf-mono-pattern-fills", "1000 small fills with a 5792x5792 monochrome pattern brush", w.finish());
    }
    {
        EmfWriter w = markedEmf();
        for (int i = 0; i < 3000; ++i) {
            w.createFont(1, -12, QStringLiteral("Face %1").arg(i));
            w.selectObject(1);
            w.extTextOutW(60, 60, QStringLiteral("x"));
        }
        add("emf-font-faces", "3000 fonts of different face names, each used for one character", w.finish());
    }
    {
        // Long edges crowded into the same rows slow the painter's edge smoothing down far
        // beyond the area they cover.
        EmfWriter w = markedEmf(1000, 1000);
        QList<QPoint> zigzag;
        for (int i = 0; i < 100; ++i)
            zigzag << QPoint(500 + 3 * i, 0) << QPoint(501 + 3 * i, 1000);
        w.createBrush(1, 0, Rgb(0, 0, 255));
        w.selectObject(1);
        for (int i = 0; i < 100; ++i)
            w.polygon(zigzag, true);
        add("emf-crowded-edges", "100 fills of a 200-point zigzag whose edges all cross the same 1000 rows",
            w.finish());
    }
    {
        EmfWriter w = markedEmf(1000, 1000);
        w.createFont(1, -1000, QStringLiteral("Arial"));
        w.selectObject(1);
        for (int i = 0; i < 20; ++i)
            w.extTextOutW(0, 0, QString(500, QLatin1Char('W')), 0, QRect(), QList<int>(500, 0));
        add("emf-huge-glyphs", "20 runs of 500 glyphs 1000 pixels tall, all on one spot", w.finish());
    }
    {
        EmfWriter w = markedEmf();
        for (int i = 0; i < 5000; ++i) {
            w.createFont(1, -(100 + i), QStringLiteral("Arial"));
            w.selectObject(1);
            w.extTextOutW(60, 60, QStringLiteral("W"));
        }
        add("emf-glyph-sizes", "5000 glyphs, each in a new size from 100 to 5100 pixels", w.finish());
    }
    {
        EmfWriter w = markedEmf();
        Bytes b;
        b.i32(0).i32(0).i32(0).i32(0).u32(1000000).u32(0);
        for (int i = 0; i < 1000000; ++i)
            b.u32(0);
        w.record(91, b); // PolyPolygon16
        add("emf-polypolygon-parts", "PolyPolygon16 of a million empty parts", w.finish());
    }
    {
        EmfWriter w = markedEmf();
        Bytes plus;
        plus.u32(0x2B464D45);
        for (int i = 0; i < 5000; ++i)
            plus.u16(0x4008).u16(0).u32(12).u32(0); // EMF+ records without data
        for (int i = 0; i < 64; ++i)
            w.comment(plus.data());
        add("emf-plus-records", "64 comments of 5000 empty EMF+ records each", w.finish());
    }
    add("emfplus-path-fills", "an EMF+ path of 200,000 points zigzagging over every row, filled 10,000 times",
        markedPlus([](EmfPlusWriter &p, EmfWriter &) {
            QList<QPoint> zigzag;
            for (int i = 0; i < 200000; ++i)
                zigzag.append(QPoint(i % 100, i % 2 ? 100 : 0));
            p.object(1, 3, plusobject::RelativePath(zigzag, QByteArray(1, '\0') + QByteArray(199999, '\1')));
            for (int i = 0; i < 10000; ++i)
                p.fillPath(1, Argb(255, 0, 0, 255));
        }));
    add("emfplus-png-images", "30 EMF+ image objects from a small PNG that unpacks to 5792x5792, each drawn",
        markedPlus([](EmfPlusWriter &p, EmfWriter &) {
            const QByteArray image = plusobject::CompressedImage(pngOf(BigSide));
            for (int i = 0; i < 30; ++i) {
                p.object(2, 5, image);
                p.drawImage(2, QRectF(0, 0, BigSide, BigSide), QRectF(50, 50, 50, 50));
            }
        }));
    add("emfplus-texture-objects", "100 EMF+ texture brushes from a PNG of 3000x3000, each made and used once",
        markedPlus([](EmfPlusWriter &p, EmfWriter &) {
            const QByteArray brush = plusobject::TextureBrush(plusobject::CompressedImage(pngOf(3000)));
            for (int i = 0; i < 100; ++i) {
                p.object(3, 1, brush);
                p.fillRects(3, {QRectF(60, 60, 10, 10)}, false);
            }
        }));
    add("emfplus-container-clips", "a clip of 5000 rectangles, then 100,000 nested EMF+ containers, each clipping it anew",
        markedPlus([](EmfPlusWriter &p, EmfWriter &) {
            QList<QPointF> zigzag;
            for (int i = 0; i < 100; ++i)
                zigzag << QPointF(i, 0) << QPointF(i + 0.5, 100);
            QByteArray types(zigzag.size(), '\1');
            types[0] = '\0';
            p.object(4, 3, plusobject::Path(zigzag, types));
            p.setClipPath(4, 0);
            for (int i = 0; i < 100000; ++i) {
                p.beginContainerNoParams(uint32_t(i));
                p.setClipRect(QRectF(i % 50, i % 50, 100, 100), 1);
            }
            p.fillRects(Argb(255, 0, 0, 255), {QRectF(0, 0, 100, 100)});
        }));
    {
        // Each level draws the one below it 100 times: a million drawings of the innermost.
        EmfWriter inner(100, 100);
        inner.selectObject(Stock(8));
        inner.createBrush(1, 0, Rgb(0, 0, 255));
        inner.selectObject(1);
        inner.rectangle(0, 0, 100, 100);
        QByteArray level = inner.finish();
        for (int depth = 0; depth < 2; ++depth) {
            EmfWriter w(100, 100);
            EmfPlusWriter p;
            p.header(false);
            p.object(1, 5, plusobject::MetafileImage(level, depth == 0 ? 3 : 4));
            for (int i = 0; i < 100; ++i)
                p.drawImage(1, QRectF(0, 0, 100, 100), QRectF(0, 0, 100, 100));
            p.flush(w);
            level = w.finish();
        }
        add("emfplus-nested-metafiles", "an EMF+ metafile image drawn 100 times, in one drawn 100 times, in one drawn 100 times",
            markedPlus([&](EmfPlusWriter &p, EmfWriter &) {
                p.object(1, 5, plusobject::MetafileImage(level, 4));
                for (int i = 0; i < 100; ++i)
                    p.drawImage(1, QRectF(0, 0, 100, 100), QRectF(60, 60, 40, 40));
            }));
    }
    return list;
}

} // namespace mv::test
