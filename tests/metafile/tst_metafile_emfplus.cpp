// EMF+ pictures made by the test's own record writer, drawn by the player and checked
// pixel by pixel: shapes, pens, brushes, transforms, containers, clipping, text, images,
// and how EMF+ and the EMF records of the same file share the drawing.

#include "emfpluswriter.h"
#include "imaging/metafile/metafile.h"
#include "metafilewriter.h"
#include "pixelcheck.h"
#include "testutil.h"

#include <QBuffer>
#include <QRawFont>

#include <functional>

using namespace mv;
using namespace mv::test;

namespace {

const uint32_t PlusRed = Argb(255, 255, 0, 0), PlusBlue = Argb(255, 0, 0, 255), PlusGreen = Argb(255, 0, 255, 0),
               PlusBlack = Argb(255, 0, 0, 0), PlusWhite = Argb(255, 255, 255, 255);

using Draw = std::function<void(EmfPlusWriter &)>;

// A picture drawn in EMF+ records only.
QByteArray plusOnly(const Draw &draw, int width = 100, int height = 100)
{
    EmfWriter emf(width, height);
    EmfPlusWriter plus;
    plus.header(false);
    draw(plus);
    plus.endOfFile();
    plus.flush(emf);
    return emf.finish();
}

MetafileRender drawn(const QByteArray &data, QSize size = QSize(100, 100))
{
    return RenderMetafileReport(data, size);
}

// EMF records that fill a rectangle with a colour (the fallback of a dual file).
void emfFill(EmfWriter &w, QRect box, uint32_t color)
{
    w.selectObject(Stock(8)); // no pen
    w.createBrush(1, 0, color);
    w.selectObject(1);
    w.rectangle(box.left(), box.top(), box.right() + 1, box.bottom() + 1);
    w.selectObject(Stock(0));
    w.deleteObject(1);
}

QList<QPointF> square(double l, double t, double r, double b)
{
    return {QPointF(l, t), QPointF(r, t), QPointF(r, b), QPointF(l, b)};
}

QByteArray lineTypes(int points, bool closed)
{
    QByteArray types(points, char(plus::Line));
    types[0] = char(plus::Start);
    if (closed)
        types[points - 1] = char(plus::Line | plus::CloseFigure);
    return types;
}

QByteArray solidPen(float width, uint32_t color, int unit = plus::World)
{
    return plusobject::Pen(width, plusobject::SolidBrush(color), unit);
}

bool redish(QRgb c)
{
    return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60 && qAlpha(c) > 200;
}

bool blueish(QRgb c)
{
    return qBlue(c) > 200 && qRed(c) < 60 && qGreen(c) < 60 && qAlpha(c) > 200;
}

} // namespace

class TestMetafileEmfPlus : public QObject {
    Q_OBJECT

private slots:
    void emfPlusOnlyIsDrawn();
    void dualDrawsEmfPlusNotFallback();
    void damagedEmfPlusStream_data();
    void damagedEmfPlusStream();
    void headerlessEmfPlusIsIgnored();

    void shapes_data();
    void shapes();
    void pens_data();
    void pens();
    void brushes_data();
    void brushes();
    void gradients();
    void transforms_data();
    void transforms();
    void containersAndSavedStates();
    void clipping_data();
    void clipping();
    void compositingMode();

    void strings_data();
    void strings();
    void driverStrings();

    void images_data();
    void images();
    void nestedMetafiles();
};

void TestMetafileEmfPlus::emfPlusOnlyIsDrawn()
{
    const QByteArray data = plusOnly([](EmfPlusWriter &p) { p.fillRects(PlusBlue, {QRectF(10, 10, 80, 80)}); });
    const MetafileRender r = drawn(data);
    QVERIFY2(r.problem.isEmpty(), qPrintable(r.problem));
    QVERIFY(r.emfPlusOnly);
    MV_EXPECT_PIXEL(r.image, 50, 50, QBlue);
    MV_EXPECT_PIXEL(r.image, 5, 5, None);
}

void TestMetafileEmfPlus::dualDrawsEmfPlusNotFallback()
{
    // Each EMF+ drawing is followed by its EMF fallback in another colour; only the GetDC
    // section's EMF records draw besides EMF+.
    EmfWriter emf;
    EmfPlusWriter plus;
    plus.header(true);
    plus.flush(emf);
    plus.fillRects(PlusBlue, {QRectF(0, 0, 50, 50)});
    plus.flush(emf);
    emfFill(emf, QRect(0, 0, 50, 50), Rgb(255, 0, 0)); // fallback
    plus.getDc();
    plus.flush(emf);
    emfFill(emf, QRect(50, 50, 50, 50), Rgb(0, 255, 0)); // drawn by EMF only
    plus.fillEllipse(PlusBlue, QRectF(50, 0, 50, 50));
    plus.flush(emf);
    emfFill(emf, QRect(50, 0, 50, 50), Rgb(255, 0, 0)); // fallback again
    emfFill(emf, QRect(0, 50, 50, 50), Rgb(255, 0, 0));
    plus.endOfFile();
    plus.flush(emf);
    const MetafileRender r = drawn(emf.finish());
    QVERIFY2(r.problem.isEmpty(), qPrintable(r.problem));
    QVERIFY(!r.emfPlusOnly);
    MV_EXPECT_PIXEL(r.image, 25, 25, QBlue);
    MV_EXPECT_PIXEL(r.image, 75, 25, QBlue);
    MV_EXPECT_PIXEL(r.image, 52, 2, None); // outside the ellipse: its fallback rectangle is not drawn
    MV_EXPECT_PIXEL(r.image, 75, 75, QGreen);
    MV_EXPECT_PIXEL(r.image, 25, 75, None);
}

void TestMetafileEmfPlus::damagedEmfPlusStream_data()
{
    QTest::addColumn<QByteArray>("records"); // EMF+ records after a good fill
    const auto rec = [](const Draw &draw) {
        EmfPlusWriter p;
        draw(p);
        return p.payload().mid(4);
    };
    QByteArray overlong = rec([](EmfPlusWriter &p) { p.fillRects(PlusBlue, {QRectF(50, 50, 10, 10)}); });
    overlong[4] = char(0x7F); // record size far past the comment
    QTest::newRow("record larger than its comment") << overlong;
    QByteArray fewRects = rec([](EmfPlusWriter &p) { p.fillRects(PlusBlue, {QRectF(50, 50, 10, 10)}); });
    fewRects[16] = char(9); // nine rectangles claimed, one present
    QTest::newRow("fewer rectangles than counted") << fewRects;
    QTest::newRow("damaged brush object") << rec([](EmfPlusWriter &p) {
        p.object(1, plus::Brush, Bytes().u32(0xDBC01002).u32(99).u32(0).data());
    });
    QTest::newRow("object pieces larger than the object") << rec([](EmfPlusWriter &p) {
        p.record(0x4008, 0x8101, Bytes().u32(8).u32(0).u32(0).u32(0).u32(0));
    });
    QTest::newRow("record head cut") << QByteArray("\x0A\x40\x00", 3);
}

void TestMetafileEmfPlus::damagedEmfPlusStream()
{
    QFETCH(QByteArray, records);
    for (const bool dual : {true, false}) {
        EmfWriter emf;
        EmfPlusWriter plus;
        plus.header(dual);
        plus.fillRects(PlusBlue, {QRectF(0, 0, 50, 100)});
        emf.comment(plus.payload() + records);
        if (dual)
            emfFill(emf, QRect(0, 0, 100, 100), Rgb(255, 0, 0));
        EmfPlusWriter after;
        after.fillRects(PlusGreen, {QRectF(50, 0, 50, 100)});
        after.flush(emf);
        const MetafileRender r = drawn(emf.finish());
        QVERIFY(!r.image.isNull());
        if (dual) {
            // The whole picture comes from the EMF records.
            QVERIFY2(r.problem.isEmpty(), qPrintable(r.problem));
            MV_EXPECT_PIXEL(r.image, 25, 50, QRed);
            MV_EXPECT_PIXEL(r.image, 75, 50, QRed);
        } else {
            // What was drawn stays; the drawing ends at the damage.
            QVERIFY(r.problem.contains(QStringLiteral("EMF+")));
            MV_EXPECT_PIXEL(r.image, 25, 50, QBlue);
            MV_EXPECT_PIXEL(r.image, 75, 50, None);
        }
    }
}

void TestMetafileEmfPlus::headerlessEmfPlusIsIgnored()
{
    // EMF+ records without their header do not take the drawing over.
    EmfWriter emf;
    EmfPlusWriter plus;
    plus.fillRects(PlusBlue, {QRectF(0, 0, 100, 100)});
    plus.flush(emf);
    emfFill(emf, QRect(0, 0, 100, 100), Rgb(255, 0, 0));
    const MetafileRender r = drawn(emf.finish());
    QVERIFY(r.problem.isEmpty());
    MV_EXPECT_PIXEL(r.image, 50, 50, QRed);
}

void TestMetafileEmfPlus::shapes_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QList<QPoint>>("painted"); // red
    QTest::addColumn<QList<QPoint>>("empty");
    const auto add = [](const char *name, const Draw &draw, const QList<QPoint> &painted, const QList<QPoint> &empty) {
        QTest::newRow(name) << plusOnly(draw) << painted << empty;
    };
    add("fill rects", [](EmfPlusWriter &p) { p.fillRects(PlusRed, {QRectF(10, 10, 30, 30), QRectF(60, 60, 30, 30)}); },
        {{25, 25}, {75, 75}}, {{75, 25}, {25, 75}});
    add("fill rects, 16-bit", [](EmfPlusWriter &p) { p.fillRects(PlusRed, {QRectF(10, 10, 30, 30)}, true, true); },
        {{25, 25}}, {{50, 50}});
    add("fill rects with a brush object", [](EmfPlusWriter &p) {
        p.object(3, plus::Brush, plusobject::SolidBrush(PlusRed));
        p.fillRects(3, {QRectF(10, 10, 30, 30)}, false);
    }, {{25, 25}}, {{50, 50}});
    add("fill polygon", [](EmfPlusWriter &p) { p.fillPolygon(PlusRed, {{10, 90}, {50, 10}, {90, 90}}); },
        {{50, 60}}, {{15, 20}, {85, 20}});
    add("fill polygon, relative points", [](EmfPlusWriter &p) {
        p.fillPolygonRelative(PlusRed, {QPoint(10, 90), QPoint(50, 10), QPoint(300, 10), QPoint(90, 90)});
    }, {{50, 60}}, {{15, 20}});
    add("fill ellipse", [](EmfPlusWriter &p) { p.fillEllipse(PlusRed, QRectF(10, 10, 80, 80)); },
        {{50, 50}, {15, 50}}, {{14, 14}, {86, 86}});
    add("fill pie: clockwise from the x axis", [](EmfPlusWriter &p) { p.fillPie(PlusRed, 0, 90, QRectF(10, 10, 80, 80)); },
        {{70, 70}}, {{70, 30}, {30, 70}, {30, 30}});
    add("fill pie of a flat ellipse", [](EmfPlusWriter &p) { p.fillPie(PlusRed, 45, 90, QRectF(0, 30, 100, 40)); },
        {{50, 65}}, {{10, 65}, {90, 65}, {50, 35}});
    add("fill path", [](EmfPlusWriter &p) {
        p.object(2, plus::Path, plusobject::Path(square(10, 10, 90, 40), lineTypes(4, true)));
        p.fillPath(2, PlusRed);
    }, {{50, 25}}, {{50, 60}});
    add("fill path with a hole", [](EmfPlusWriter &p) {
        QList<QPointF> points = square(10, 10, 90, 90) + square(30, 30, 70, 70);
        QByteArray types = lineTypes(4, true) + lineTypes(4, true);
        p.object(2, plus::Path, plusobject::Path(points, types));
        p.fillPath(2, PlusRed);
    }, {{20, 50}}, {{50, 50}});
    add("fill path, 16-bit points", [](EmfPlusWriter &p) {
        p.object(2, plus::Path, plusobject::CompressedPath(square(10, 10, 90, 40), lineTypes(4, true)));
        p.fillPath(2, PlusRed);
    }, {{50, 25}}, {{50, 60}});
    add("fill path, relative points and run-length types", [](EmfPlusWriter &p) {
        p.object(2, plus::Path, plusobject::RelativePath({{10, 10}, {200, 10}, {90, 40}, {10, 40}}, lineTypes(4, true)));
        p.fillPath(2, PlusRed);
    }, {{50, 30}}, {{50, 60}});
    add("fill path of Béziers", [](EmfPlusWriter &p) {
        const QByteArray types("\x00\x03\x03\x83", 4);
        p.object(2, plus::Path, plusobject::Path({{10, 90}, {10, 0}, {90, 0}, {90, 90}}, types));
        p.fillPath(2, PlusRed);
    }, {{50, 50}}, {{10, 10}, {90, 10}});
    add("fill closed curve", [](EmfPlusWriter &p) {
        p.fillClosedCurve(PlusRed, 0.5f, {{50, 10}, {90, 50}, {50, 90}, {10, 50}});
    }, {{50, 50}, {50, 15}}, {{10, 10}, {90, 90}});
    add("fill region", [](EmfPlusWriter &p) {
        using namespace plusobject;
        const QByteArray root = RegionCombineNode(4, RegionRectNode(QRectF(10, 10, 80, 80)), RegionRectNode(QRectF(30, 30, 40, 40)));
        p.object(4, plus::Region, Region(root, 2));
        p.fillRegion(4, PlusRed);
    }, {{20, 20}, {80, 50}}, {{50, 50}, {5, 5}});
    add("draw rects", [](EmfPlusWriter &p) {
        p.object(1, plus::Pen, solidPen(4, PlusRed));
        p.drawRects(1, {QRectF(20, 20, 60, 60)});
    }, {{20, 50}, {50, 80}}, {{50, 50}});
    add("draw lines, closed", [](EmfPlusWriter &p) {
        p.object(1, plus::Pen, solidPen(4, PlusRed));
        p.drawLines(1, {{20, 20}, {80, 20}, {80, 80}}, true);
    }, {{50, 20}, {80, 50}, {50, 50}}, {{20, 80}, {70, 40}});
    add("draw ellipse", [](EmfPlusWriter &p) {
        p.object(1, plus::Pen, solidPen(4, PlusRed));
        p.drawEllipse(1, QRectF(10, 10, 80, 80));
    }, {{10, 50}, {50, 90}}, {{50, 50}});
    add("draw arc", [](EmfPlusWriter &p) {
        p.object(1, plus::Pen, solidPen(4, PlusRed));
        p.drawArc(1, 180, 90, QRectF(10, 10, 80, 80));
    }, {{22, 22}, {12, 40}}, {{90, 50}, {50, 90}, {50, 50}});
    add("draw pie", [](EmfPlusWriter &p) {
        p.object(1, plus::Pen, solidPen(4, PlusRed));
        p.drawPie(1, 0, 90, QRectF(10, 10, 80, 80));
    }, {{70, 50}, {50, 70}, {90, 50}}, {{10, 50}, {70, 70}});
    add("draw path", [](EmfPlusWriter &p) {
        p.object(1, plus::Pen, solidPen(4, PlusRed));
        p.object(2, plus::Path, plusobject::Path({{10, 50}, {90, 50}}, lineTypes(2, false)));
        p.drawPath(2, 1);
    }, {{50, 50}}, {{50, 40}});
    add("draw Béziers", [](EmfPlusWriter &p) {
        p.object(1, plus::Pen, solidPen(4, PlusRed));
        p.drawBeziers(1, {{10, 90}, {10, 10}, {90, 10}, {90, 90}});
    }, {{50, 30}, {10, 89}}, {{50, 60}});
    add("draw curve through its points", [](EmfPlusWriter &p) {
        p.object(1, plus::Pen, solidPen(4, PlusRed));
        p.drawCurve(1, 0.5f, {{10, 50}, {50, 10}, {90, 50}}, 0, 2);
    }, {{50, 10}, {12, 48}, {88, 48}}, {{50, 50}});
    add("draw curve, one segment of two", [](EmfPlusWriter &p) {
        p.object(1, plus::Pen, solidPen(4, PlusRed));
        p.drawCurve(1, 0.5f, {{10, 50}, {50, 10}, {90, 50}}, 1, 1);
    }, {{53, 10}, {88, 48}}, {{12, 48}, {25, 30}});
    add("draw closed curve", [](EmfPlusWriter &p) {
        p.object(1, plus::Pen, solidPen(4, PlusRed));
        p.drawClosedCurve(1, 0.5f, {{50, 10}, {90, 50}, {50, 90}, {10, 50}});
    }, {{50, 10}, {10, 50}}, {{50, 50}});
    add("a pen object in two pieces", [](EmfPlusWriter &p) {
        p.object(1, plus::Pen, solidPen(4, PlusRed), 2);
        p.drawLines(1, {{10, 50}, {90, 50}});
    }, {{50, 50}}, {{50, 40}});
    add("clear", [](EmfPlusWriter &p) { p.clear(PlusRed); }, {{1, 1}, {98, 98}}, {});
}

void TestMetafileEmfPlus::shapes()
{
    QFETCH(QByteArray, data);
    QFETCH(QList<QPoint>, painted);
    QFETCH(QList<QPoint>, empty);
    const MetafileRender r = drawn(data);
    QVERIFY2(r.problem.isEmpty(), qPrintable(r.problem));
    for (const QPoint &p : painted)
        MV_EXPECT_PIXEL(r.image, p.x(), p.y(), QRed);
    for (const QPoint &p : empty)
        MV_EXPECT_PIXEL(r.image, p.x(), p.y(), None);
}

void TestMetafileEmfPlus::pens_data()
{
    // A horizontal line across the middle: which rows it covers and whether it has gaps.
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("minRows");
    QTest::addColumn<int>("maxRows");
    QTest::addColumn<bool>("dashed");
    const auto line = [](const QByteArray &pen, float scaleY = 1) {
        return plusOnly([=](EmfPlusWriter &p) {
            p.scaleWorldTransform(1, scaleY);
            p.object(1, plus::Pen, pen);
            p.drawLines(1, {{0, 50 / scaleY}, {100, 50 / scaleY}});
        });
    };
    QTest::newRow("world width 10") << line(solidPen(10, PlusBlack)) << 9 << 11 << false;
    QTest::newRow("world width follows the world scale") << line(solidPen(5, PlusBlack), 2) << 9 << 11 << false;
    QTest::newRow("pixel width ignores the world scale") << line(solidPen(4, PlusBlack, plus::Pixel), 4) << 3 << 5 << false;
    QTest::newRow("point width") << line(solidPen(6, PlusBlack, plus::Point)) << 7 << 9 << false;
    QTest::newRow("zero width: one pixel") << line(solidPen(0, PlusBlack)) << 1 << 2 << false;
    QTest::newRow("dashed") << line(plusobject::Pen(4, plusobject::SolidBrush(PlusBlack), plus::World, 1)) << 3 << 5 << true;
    QTest::newRow("custom dashes")
        << line(plusobject::Pen(4, plusobject::SolidBrush(PlusBlack), plus::World, 5, {2, 2})) << 3 << 5 << true;
    QTest::newRow("thin dotted") << line(plusobject::Pen(1, plusobject::SolidBrush(PlusBlack), plus::World, 2)) << 1 << 2 << true;
}

void TestMetafileEmfPlus::pens()
{
    QFETCH(QByteArray, data);
    QFETCH(int, minRows);
    QFETCH(int, maxRows);
    QFETCH(bool, dashed);
    const MetafileRender r = drawn(data);
    QVERIFY2(r.problem.isEmpty(), qPrintable(r.problem));
    int rows = 0;
    for (int y = 0; y < 100; ++y)
        rows += darkPixels(r.image, QRect(2, y, 96, 1)) > 10 ? 1 : 0;
    QVERIFY2(rows >= minRows && rows <= maxRows, qPrintable(QStringLiteral("%1 rows, picture %2").arg(rows).arg(savedFailure(r.image))));
    int gaps = 0;
    for (int x = 5; x < 95; ++x)
        gaps += darkPixels(r.image, QRect(x, 40, 1, 20)) == 0 ? 1 : 0;
    QVERIFY2(dashed ? gaps > 10 : gaps == 0, qPrintable(QStringLiteral("%1 gaps, picture %2").arg(gaps).arg(savedFailure(r.image))));
}

void TestMetafileEmfPlus::brushes_data()
{
    QTest::addColumn<QByteArray>("brush");
    QTest::addColumn<QList<QPoint>>("points");
    QTest::addColumn<QList<QColor>>("colors");
    using namespace plusobject;
    // Hatches are 8 pixels apart: horizontal lines on rows 0, 8, 16...
    QTest::newRow("hatch") << HatchBrush(0, PlusRed, PlusBlue) << QList<QPoint>{{5, 16}, {5, 20}}
                           << QList<QColor>{QRed, QBlue};
    QTest::newRow("hatch, transparent background") << HatchBrush(1, PlusRed, Argb(0, 0, 0, 0))
                                                   << QList<QPoint>{{16, 5}, {20, 5}} << QList<QColor>{QRed, None};
    QImage tile(2, 2, QImage::Format_ARGB32);
    tile.setPixel(0, 0, qRgb(255, 0, 0));
    tile.setPixel(1, 0, qRgb(0, 0, 255));
    tile.setPixel(0, 1, qRgb(0, 0, 255));
    tile.setPixel(1, 1, qRgb(255, 0, 0));
    const QTransform tenfold = QTransform::fromScale(10, 10);
    QTest::newRow("texture") << TextureBrush(BitmapImage(tile), 0, tenfold)
                             << QList<QPoint>{{5, 5}, {15, 5}, {25, 5}, {5, 15}} << QList<QColor>{QRed, QBlue, QRed, QBlue};
    QTest::newRow("texture flipped across") << TextureBrush(BitmapImage(tile), 1, tenfold)
                                            << QList<QPoint>{{15, 5}, {25, 5}, {35, 5}} << QList<QColor>{QBlue, QBlue, QRed};
}

void TestMetafileEmfPlus::brushes()
{
    QFETCH(QByteArray, brush);
    QFETCH(QList<QPoint>, points);
    QFETCH(QList<QColor>, colors);
    const QByteArray data = plusOnly([&](EmfPlusWriter &p) {
        p.object(5, plus::Brush, brush);
        p.fillRects(5, {QRectF(0, 0, 100, 100)}, false);
    });
    const MetafileRender r = drawn(data);
    QVERIFY2(r.problem.isEmpty(), qPrintable(r.problem));
    for (qsizetype i = 0; i < points.size(); ++i)
        MV_EXPECT_PIXEL(r.image, points[i].x(), points[i].y(), colors[i]);
}

void TestMetafileEmfPlus::gradients()
{
    using namespace plusobject;
    const auto fill = [](const QByteArray &brush, const Draw &shape = {}) {
        return drawn(plusOnly([&](EmfPlusWriter &p) {
            p.object(5, plus::Brush, brush);
            if (shape)
                shape(p);
            else
                p.fillRects(5, {QRectF(0, 0, 100, 100)}, false);
        }));
    };
    {
        // Across the rectangle, red to blue.
        const MetafileRender r = fill(LinearGradientBrush(QRectF(0, 0, 100, 100), PlusRed, PlusBlue));
        QVERIFY(redish(r.image.pixel(2, 50)));
        QVERIFY(blueish(r.image.pixel(97, 50)));
        QVERIFY(qAbs(qRed(r.image.pixel(50, 50)) - 128) < 30);
        QCOMPARE(r.image.pixel(50, 10), r.image.pixel(50, 90));
    }
    {
        // Turned a quarter by its transform: red at the top, blue at the bottom.
        const QTransform quarter(0, 1, -1, 0, 100, 0);
        const MetafileRender r = fill(LinearGradientBrush(QRectF(0, 0, 100, 100), PlusRed, PlusBlue, 0, quarter));
        QVERIFY(redish(r.image.pixel(50, 2)));
        QVERIFY(blueish(r.image.pixel(50, 97)));
    }
    {
        // Preset colours: green in the middle.
        const MetafileRender r = fill(LinearGradientBrush(QRectF(0, 0, 100, 100), PlusRed, PlusBlue, 0, QTransform(),
                                                          {{0.f, PlusRed}, {0.5f, PlusGreen}, {1.f, PlusBlue}}));
        MV_EXPECT_PIXEL(r.image, 50, 50, QGreen);
        QVERIFY(redish(r.image.pixel(1, 50)));
        QVERIFY(blueish(r.image.pixel(98, 50)));
    }
    {
        // Path gradient: the centre colour at the centre, the surround colour at the edges,
        // nothing outside the boundary.
        const MetafileRender r = fill(PathGradientBrush(QPointF(50, 50), PlusRed, square(10, 10, 90, 90), {PlusBlue}));
        QVERIFY(redish(r.image.pixel(50, 50)));
        QVERIFY(blueish(r.image.pixel(12, 50)));
        QVERIFY(blueish(r.image.pixel(50, 87)));
        const QRgb halfway = r.image.pixel(30, 50);
        QVERIFY(qRed(halfway) > 90 && qRed(halfway) < 165 && qBlue(halfway) > 90);
        MV_EXPECT_PIXEL(r.image, 5, 5, None);
    }
    {
        // A path gradient filling an ellipse: shaded towards the rim.
        const MetafileRender r = fill(PathGradientBrush(QPointF(50, 50), PlusWhite, square(0, 0, 100, 100), {PlusBlack}),
                                      [](EmfPlusWriter &p) { p.fillEllipse(5, QRectF(10, 10, 80, 80), false); });
        QVERIFY(qGray(r.image.pixel(50, 50)) > 230);
        QVERIFY(qGray(r.image.pixel(14, 50)) < qGray(r.image.pixel(40, 50)));
        MV_EXPECT_PIXEL(r.image, 12, 12, None);
    }
}

void TestMetafileEmfPlus::transforms_data()
{
    // A 20 x 20 square at the origin, moved: where it lands.
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QPoint>("inside");
    QTest::addColumn<QPoint>("outside");
    const auto square20 = [](const Draw &transform) {
        return plusOnly([=](EmfPlusWriter &p) {
            transform(p);
            p.fillRects(PlusRed, {QRectF(0, 0, 20, 20)});
        });
    };
    QTest::newRow("set") << square20([](EmfPlusWriter &p) { p.setWorldTransform(QTransform::fromTranslate(60, 60)); })
                         << QPoint(70, 70) << QPoint(10, 10);
    QTest::newRow("translate then scale, prepended") << square20([](EmfPlusWriter &p) {
        p.translateWorldTransform(50, 0);
        p.scaleWorldTransform(2, 2); // applies first: 0..40, then moved
    }) << QPoint(85, 35) << QPoint(45, 10);
    QTest::newRow("translate then scale, appended") << square20([](EmfPlusWriter &p) {
        p.translateWorldTransform(20, 0);
        p.scaleWorldTransform(2, 2, true); // applies last: 40..80
    }) << QPoint(75, 35) << QPoint(20, 10);
    QTest::newRow("rotate a quarter") << square20([](EmfPlusWriter &p) {
        p.translateWorldTransform(50, 50);
        p.rotateWorldTransform(90); // clockwise on the page: x runs down
    }) << QPoint(40, 60) << QPoint(60, 40);
    QTest::newRow("multiply") << square20([](EmfPlusWriter &p) {
        p.multiplyWorldTransform(QTransform(1, 0, 0, 1, 70, 0), false);
    }) << QPoint(80, 10) << QPoint(10, 10);
    QTest::newRow("reset") << square20([](EmfPlusWriter &p) {
        p.translateWorldTransform(60, 60);
        p.resetWorldTransform();
    }) << QPoint(10, 10) << QPoint(70, 70);
    QTest::newRow("page in millimetres") << square20([](EmfPlusWriter &p) {
        p.setPageTransform(plus::Millimeter, 1); // 20 mm is about 76 pixels at 96 DPI
    }) << QPoint(70, 70) << QPoint(85, 85);
    QTest::newRow("page in inches, scaled") << square20([](EmfPlusWriter &p) {
        p.setPageTransform(plus::Inch, 0.025f); // 20 x 0.025 in = 48 pixels
    }) << QPoint(44, 44) << QPoint(52, 52);
    QTest::newRow("at 192 DPI") << [] {
        EmfWriter emf;
        EmfPlusWriter p;
        p.header(false, 192);
        p.fillRects(PlusRed, {QRectF(0, 0, 100, 100)}); // half the picture
        p.flush(emf);
        return emf.finish();
    }() << QPoint(45, 45) << QPoint(55, 55);
}

void TestMetafileEmfPlus::transforms()
{
    QFETCH(QByteArray, data);
    QFETCH(QPoint, inside);
    QFETCH(QPoint, outside);
    const MetafileRender r = drawn(data);
    QVERIFY2(r.problem.isEmpty(), qPrintable(r.problem));
    MV_EXPECT_PIXEL(r.image, inside.x(), inside.y(), QRed);
    MV_EXPECT_PIXEL(r.image, outside.x(), outside.y(), None);
}

void TestMetafileEmfPlus::containersAndSavedStates()
{
    const MetafileRender r = drawn(plusOnly([](EmfPlusWriter &p) {
        p.translateWorldTransform(50, 0);
        p.beginContainerNoParams(1);
        // Inside, the world transform starts afresh within the container's placement.
        p.setWorldTransform(QTransform::fromTranslate(0, 50));
        p.setClipRect(QRectF(0, 0, 30, 30), plus::Replace);
        p.fillRects(PlusRed, {QRectF(0, 0, 40, 40)}); // lands at 50..80, 50..80
        p.endContainer(1);
        p.fillRects(PlusBlue, {QRectF(0, 0, 20, 20)}); // the outer transform again, no clip: 50..70, 0..20
        p.save(7);
        p.setClipRect(QRectF(0, 20, 10, 10), plus::Replace);
        p.translateWorldTransform(-50, 0);
        p.restore(7);
        p.fillRects(PlusBlue, {QRectF(-50, 20, 20, 20)}); // clip and transform restored: 0..20, 20..40
        p.beginContainer(QRectF(0, 80, 10, 10), QRectF(0, 0, 100, 100), 2); // a tenth, at 50, 80
        p.fillRects(PlusGreen, {QRectF(0, 0, 100, 100)});
        p.endContainer(2);
        p.endContainer(99); // no such container: nothing happens
    }));
    QVERIFY2(r.problem.isEmpty(), qPrintable(r.problem));
    MV_EXPECT_PIXEL(r.image, 65, 65, QRed);
    MV_EXPECT_PIXEL(r.image, 85, 85, None); // the container's clip held
    MV_EXPECT_PIXEL(r.image, 60, 10, QBlue);
    MV_EXPECT_PIXEL(r.image, 10, 30, QBlue);
    MV_EXPECT_PIXEL(r.image, 55, 85, QGreen);
    MV_EXPECT_PIXEL(r.image, 62, 85, None);
}

void TestMetafileEmfPlus::clipping_data()
{
    // The whole picture filled red after the clip is set.
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QList<QPoint>>("painted");
    QTest::addColumn<QList<QPoint>>("empty");
    const auto clipped = [](const Draw &clip) {
        return plusOnly([=](EmfPlusWriter &p) {
            clip(p);
            p.fillRects(PlusRed, {QRectF(0, 0, 100, 100)});
        });
    };
    using namespace plusobject;
    QTest::newRow("rect") << clipped([](EmfPlusWriter &p) { p.setClipRect(QRectF(20, 20, 30, 30), plus::Replace); })
                          << QList<QPoint>{{30, 30}} << QList<QPoint>{{10, 10}, {60, 60}};
    QTest::newRow("intersect") << clipped([](EmfPlusWriter &p) {
        p.setClipRect(QRectF(0, 0, 60, 60), plus::Replace);
        p.setClipRect(QRectF(40, 40, 60, 60), plus::Intersect);
    }) << QList<QPoint>{{50, 50}} << QList<QPoint>{{20, 20}, {80, 80}};
    QTest::newRow("union") << clipped([](EmfPlusWriter &p) {
        p.setClipRect(QRectF(0, 0, 30, 30), plus::Replace);
        p.setClipRect(QRectF(70, 70, 30, 30), plus::Union);
    }) << QList<QPoint>{{10, 10}, {80, 80}} << QList<QPoint>{{50, 50}};
    QTest::newRow("xor") << clipped([](EmfPlusWriter &p) {
        p.setClipRect(QRectF(0, 0, 60, 60), plus::Replace);
        p.setClipRect(QRectF(40, 40, 60, 60), plus::Xor);
    }) << QList<QPoint>{{20, 20}, {80, 80}} << QList<QPoint>{{50, 50}};
    QTest::newRow("exclude") << clipped([](EmfPlusWriter &p) { p.setClipRect(QRectF(40, 40, 20, 20), plus::Exclude); })
                             << QList<QPoint>{{10, 10}, {90, 90}} << QList<QPoint>{{50, 50}};
    QTest::newRow("complement") << clipped([](EmfPlusWriter &p) {
        p.setClipRect(QRectF(0, 0, 50, 100), plus::Replace);
        p.setClipRect(QRectF(0, 0, 100, 50), plus::Complement);
    }) << QList<QPoint>{{75, 25}} << QList<QPoint>{{25, 25}, {75, 75}};
    QTest::newRow("path") << clipped([](EmfPlusWriter &p) {
        const QByteArray types("\x00\x01\x81", 3);
        p.object(2, plus::Path, Path({{50, 0}, {100, 100}, {0, 100}}, types));
        p.setClipPath(2, plus::Replace);
    }) << QList<QPoint>{{50, 80}} << QList<QPoint>{{10, 10}, {90, 10}};
    QTest::newRow("region") << clipped([](EmfPlusWriter &p) {
        const QByteArray root = RegionCombineNode(2, RegionRectNode(QRectF(0, 0, 20, 20)),
                                                  RegionPathNode(Path(square(80, 80, 100, 100), lineTypes(4, true))));
        p.object(4, plus::Region, Region(root, 2));
        p.setClipRegion(4, plus::Replace);
    }) << QList<QPoint>{{10, 10}, {90, 90}} << QList<QPoint>{{50, 50}};
    QTest::newRow("rotated rect") << clipped([](EmfPlusWriter &p) {
        p.translateWorldTransform(50, 50);
        p.rotateWorldTransform(45);
        p.setClipRect(QRectF(-20, -20, 40, 40), plus::Replace);
        p.resetWorldTransform();
    }) << QList<QPoint>{{50, 50}, {50, 25}} << QList<QPoint>{{25, 25}, {75, 75}};
    QTest::newRow("reset") << clipped([](EmfPlusWriter &p) {
        p.setClipRect(QRectF(20, 20, 30, 30), plus::Replace);
        p.resetClip();
    }) << QList<QPoint>{{10, 10}, {90, 90}} << QList<QPoint>{};
    QTest::newRow("offset") << clipped([](EmfPlusWriter &p) {
        p.setClipRect(QRectF(0, 0, 20, 20), plus::Replace);
        p.offsetClip(60, 60);
    }) << QList<QPoint>{{70, 70}} << QList<QPoint>{{10, 10}};
}

void TestMetafileEmfPlus::clipping()
{
    QFETCH(QByteArray, data);
    QFETCH(QList<QPoint>, painted);
    QFETCH(QList<QPoint>, empty);
    const MetafileRender r = drawn(data);
    QVERIFY2(r.problem.isEmpty(), qPrintable(r.problem));
    for (const QPoint &p : painted)
        MV_EXPECT_PIXEL(r.image, p.x(), p.y(), QRed);
    for (const QPoint &p : empty)
        MV_EXPECT_PIXEL(r.image, p.x(), p.y(), None);
}

void TestMetafileEmfPlus::compositingMode()
{
    // Copying puts a half-transparent colour in place; blending mixes it with what is there.
    const MetafileRender r = drawn(plusOnly([](EmfPlusWriter &p) {
        p.fillRects(PlusBlue, {QRectF(0, 0, 100, 100)});
        p.fillRects(Argb(128, 255, 0, 0), {QRectF(0, 0, 50, 100)});
        p.setCompositingMode(1);
        p.fillRects(Argb(128, 255, 0, 0), {QRectF(50, 0, 50, 100)});
    }));
    QVERIFY2(r.problem.isEmpty(), qPrintable(r.problem));
    const QRgb blended = r.image.pixel(25, 50), copied = r.image.pixel(75, 50);
    QVERIFY(qAlpha(blended) == 255 && qBlue(blended) > 100 && qRed(blended) > 100);
    QVERIFY(qAbs(qAlpha(copied) - 128) < 4 && qBlue(copied) == 0);
}

void TestMetafileEmfPlus::strings_data()
{
    // Text in a layout rectangle across the picture, aligned by its string format.
    QTest::addColumn<int>("align");
    QTest::addColumn<int>("lineAlign");
    QTest::addColumn<QRect>("box");   // where the ink must be
    QTest::addColumn<QRect>("blank"); // where it must not be
    QTest::newRow("near, top") << 0 << 0 << QRect(0, 0, 60, 40) << QRect(60, 0, 140, 100);
    QTest::newRow("centre, middle") << 1 << 1 << QRect(50, 30, 100, 40) << QRect(0, 0, 40, 100);
    QTest::newRow("far, bottom") << 2 << 2 << QRect(140, 60, 60, 40) << QRect(0, 0, 130, 100);
}

void TestMetafileEmfPlus::strings()
{
    QFETCH(int, align);
    QFETCH(int, lineAlign);
    QFETCH(QRect, box);
    QFETCH(QRect, blank);
    const QByteArray data = plusOnly([&](EmfPlusWriter &p) {
        p.object(1, plus::Font, plusobject::Font(20, QStringLiteral("DejaVu Sans")));
        p.object(2, plus::StringFormat, plusobject::StringFormat(align, lineAlign));
        p.drawString(1, PlusBlack, 2, QStringLiteral("Ab"), QRectF(0, 0, 200, 100));
    }, 200, 100);
    const MetafileRender r = drawn(data, QSize(200, 100));
    QVERIFY2(r.problem.isEmpty(), qPrintable(r.problem));
    QVERIFY2(darkPixels(r.image, box) > 20, qPrintable(savedFailure(r.image)));
    QVERIFY2(darkPixels(r.image, blank) == 0, qPrintable(savedFailure(r.image)));
}

void TestMetafileEmfPlus::driverStrings()
{
    using namespace plusobject;
    {
        // Characters at their own positions: one far left, one far right.
        const MetafileRender r = drawn(plusOnly([](EmfPlusWriter &p) {
            p.object(1, plus::Font, Font(30, QStringLiteral("DejaVu Sans")));
            p.drawDriverString(1, PlusBlack, QStringLiteral("HH"), {{5, 60}, {160, 60}});
        }, 200, 100), QSize(200, 100));
        QVERIFY2(r.problem.isEmpty(), qPrintable(r.problem));
        QVERIFY(darkPixels(r.image, QRect(0, 30, 40, 35)) > 20);
        QVERIFY(darkPixels(r.image, QRect(155, 30, 45, 35)) > 20);
        QCOMPARE(darkPixels(r.image, QRect(45, 0, 105, 100)), 0);
    }
    {
        // Glyph numbers of an installed font are its glyphs.
        const QRawFont raw = QRawFont::fromFont(QFont(QStringLiteral("DejaVu Sans")));
        QVERIFY(raw.isValid());
        QString glyphs;
        for (quint32 g : raw.glyphIndexesForString(QStringLiteral("HH")))
            glyphs.append(QChar(char16_t(g)));
        const MetafileRender r = drawn(plusOnly([&](EmfPlusWriter &p) {
            p.object(1, plus::Font, Font(30, raw.familyName()));
            p.drawDriverString(1, PlusBlack, glyphs, {{5, 60}, {60, 60}}, 0);
        }));
        QVERIFY2(r.problem.isEmpty(), qPrintable(r.problem));
        QVERIFY(darkPixels(r.image, QRect(0, 30, 40, 35)) > 20);
        QVERIFY(darkPixels(r.image, QRect(55, 30, 40, 35)) > 20);
    }
    {
        // Glyph numbers of a font that is not installed are not drawn.
        const MetafileRender r = drawn(plusOnly([](EmfPlusWriter &p) {
            p.object(1, plus::Font, Font(30, QStringLiteral("No Such Font Anywhere")));
            p.drawDriverString(1, PlusBlack, QStringLiteral("\x2B\x2B"), {{5, 60}, {60, 60}}, 0);
        }));
        QVERIFY2(r.problem.isEmpty(), qPrintable(r.problem));
        QCOMPARE(darkPixels(r.image, r.image.rect()), 0);
    }
}

void TestMetafileEmfPlus::images_data()
{
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<int>("pieces");
    QImage picture(4, 4, QImage::Format_ARGB32);
    picture.fill(qRgb(255, 0, 0));
    for (int y = 0; y < 4; ++y) {
        picture.setPixel(2, y, qRgb(0, 0, 255));
        picture.setPixel(3, y, qRgb(0, 0, 255));
    }
    QTest::newRow("raw pixels") << plusobject::BitmapImage(picture) << 1;
    QTest::newRow("raw pixels in three pieces") << plusobject::BitmapImage(picture) << 3;
    QTest::newRow("png") << plusobject::PngImage(picture) << 1;
    QByteArray bmp;
    {
        QBuffer buffer(&bmp);
        buffer.open(QIODevice::WriteOnly);
        picture.convertToFormat(QImage::Format_RGB32).save(&buffer, "BMP");
    }
    QTest::newRow("bmp") << plusobject::CompressedImage(bmp) << 1;
    QByteArray jpeg;
    {
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        picture.scaled(16, 16).convertToFormat(QImage::Format_RGB32).save(&buffer, "JPEG", 100);
    }
    QTest::newRow("jpeg") << plusobject::CompressedImage(jpeg) << 1;
}

void TestMetafileEmfPlus::images()
{
    // Red left half, blue right half, drawn into a rectangle and into a mirrored
    // parallelogram.
    QFETCH(QByteArray, image);
    QFETCH(int, pieces);
    const MetafileRender r = drawn(plusOnly([&](EmfPlusWriter &p) {
        p.object(9, plus::Image, image, pieces);
        // The source is the whole picture, whatever its pixel size.
        const double side = QTest::currentDataTag() == QByteArray("jpeg") ? 16 : 4;
        p.drawImage(9, QRectF(0, 0, side, side), QRectF(0, 0, 100, 50));
        p.drawImagePoints(9, QRectF(0, 0, side, side), {100, 50}, {0, 50}, {100, 100});
    }));
    QVERIFY2(r.problem.isEmpty(), qPrintable(r.problem));
    MV_EXPECT_PIXEL(r.image, 20, 25, QRed);
    MV_EXPECT_PIXEL(r.image, 80, 25, QBlue);
    MV_EXPECT_PIXEL(r.image, 20, 75, QBlue);
    MV_EXPECT_PIXEL(r.image, 80, 75, QRed);
}

void TestMetafileEmfPlus::nestedMetafiles()
{
    // An EMF (red left, blue right) drawn as an image of an EMF+ picture, itself drawn
    // inside another one.
    EmfWriter inner(40, 40);
    emfFill(inner, QRect(0, 0, 20, 40), Rgb(255, 0, 0));
    emfFill(inner, QRect(20, 0, 20, 40), Rgb(0, 0, 255));
    const QByteArray emf = inner.finish();
    const QByteArray middle = plusOnly([&](EmfPlusWriter &p) {
        p.object(1, plus::Image, plusobject::MetafileImage(emf));
        p.drawImage(1, QRectF(0, 0, 40, 40), QRectF(0, 0, 100, 100));
    });
    const MetafileRender once = drawn(middle);
    QVERIFY2(once.problem.isEmpty(), qPrintable(once.problem));
    MV_EXPECT_PIXEL(once.image, 25, 50, QRed);
    MV_EXPECT_PIXEL(once.image, 75, 50, QBlue);

    const MetafileRender twice = drawn(plusOnly([&](EmfPlusWriter &p) {
        p.object(1, plus::Image, plusobject::MetafileImage(middle, 4));
        p.drawImage(1, QRectF(0, 0, 100, 100), QRectF(0, 50, 100, 50));
    }));
    QVERIFY2(twice.problem.isEmpty(), qPrintable(twice.problem));
    MV_EXPECT_PIXEL(twice.image, 25, 75, QRed);
    MV_EXPECT_PIXEL(twice.image, 75, 75, QBlue);
    MV_EXPECT_PIXEL(twice.image, 50, 25, None);
}

MV_TEST_MAIN(TestMetafileEmfPlus)
#include "tst_metafile_emfplus.moc"
