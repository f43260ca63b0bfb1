// EMF pictures made by the test's own writer, drawn by the player and checked pixel by pixel.

#include "imaging/metafile/metafile.h"
#include "metafilewriter.h"
#include "pixelcheck.h"
#include "testutil.h"

#include <QBuffer>

using namespace mv;
using namespace mv::test;

namespace {

// Values of the drawing model used below.
enum : uint32_t {
    NullPen = 8, NullBrush = 5, BlackBrush = 4,
    PsSolid = 0, PsDash = 1, PsNull = 5, PsGeometric = 0x10000, PsEndCapFlat = 0x200,
    BsSolid = 0, BsNull = 1, BsHatched = 2, HsHorizontal = 0, HsCross = 4,
    TaTop = 0, TaCenter = 6, TaRight = 2, TaBottom = 8, TaBaseline = 24,
    EtoOpaque = 2, EtoClipped = 4,
    RgnAnd = 1, RgnOr = 2, RgnDiff = 4, RgnCopy = 5,
    EmrArc = 45, EmrChord = 46, EmrPie = 47,
};
const uint32_t Red = Rgb(255, 0, 0), Blue = Rgb(0, 0, 255), Green = Rgb(0, 255, 0), White = Rgb(255, 255, 255),
               Black = 0;

// Solid pen and brush in slots 1 and 2, selected.
void solid(EmfWriter &w, uint32_t pen, uint32_t brush, int penWidth = 1)
{
    w.createPen(1, PsSolid, penWidth, pen);
    w.createBrush(2, BsSolid, brush);
    w.selectObject(1);
    w.selectObject(2);
}

void fillOnly(EmfWriter &w, uint32_t brush)
{
    w.selectObject(Stock(NullPen));
    w.createBrush(2, BsSolid, brush);
    w.selectObject(2);
}

} // namespace

class TestMetafileEmf : public QObject {
    Q_OBJECT

private slots:
    void detect_data();
    void detect();
    void pictureSize_data();
    void pictureSize();
    void renderRejectsBadInput();

    void rectangleFillAndOutline();
    void ellipseAndRoundRect();
    void polygonFillModes_data();
    void polygonFillModes();
    void sixteenBitForms();
    void polylineAndBezier();
    void arcs_data();
    void arcs();
    void lineToAndPolyDraw();
    void connectedRecords_data();
    void connectedRecords();
    void regions();
    void palettes();

    void mappingModes_data();
    void mappingModes();
    void worldTransform();
    void saveAndRestore();

    void clipping_data();
    void clipping();
    void clipRestoredWithState();

    void pens();
    void brushes();
    void rop2();

    void paths();
    void widenedPath();

    void textPlacement_data();
    void textPlacement();
    void textOpaqueAndClipped();
    void textSpacingAndEscapement();
    void textCharsets();
    void textUnderWorldTransform_data();
    void textUnderWorldTransform();
    void textStyles();

    void bitmaps_data();
    void bitmaps();
    void bitmapPlacement();
    void alphaAndRasterOps();
    void blitRecords();
    void gradientAndPixels();

    void emfPlusCommentsAreSkipped();
    void unknownRecordsAreSkipped();
    void unreadableRecordIsSkipped();
    void brokenFramingEndsDrawing();
};

void TestMetafileEmf::detect_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("kind");
    const QByteArray emf = EmfWriter().finish();
    QTest::newRow("emf") << emf << int(MetafileKind::Emf);
    QTest::newRow("emf head only") << emf.left(44) << int(MetafileKind::Emf);
    QByteArray badSignature = emf;
    badSignature[41] = 'X';
    QTest::newRow("emf with a wrong signature") << badSignature << int(MetafileKind::None);
    QTest::newRow("placeable wmf") << WmfWriter(QRect(0, 0, 100, 100), 96).finish() << int(MetafileKind::PlaceableWmf);
    WmfWriter plain;
    plain.setWindowExt(100, 100);
    QTest::newRow("standard wmf") << plain.finish() << int(MetafileKind::Wmf);
    QTest::newRow("png") << QByteArray("\x89PNG\r\n\x1a\n0000000000000000000000000000000000000000", 48) << int(MetafileKind::None);
    QTest::newRow("empty") << QByteArray() << int(MetafileKind::None);
    QTest::newRow("three bytes") << QByteArray("\x01\x00\x00", 3) << int(MetafileKind::None);
    QTest::newRow("wmf-like with a wrong header size") << QByteArray("\x01\x00\x08\x00\x00\x03", 6) << int(MetafileKind::None);
}

void TestMetafileEmf::detect()
{
    QFETCH(QByteArray, data);
    QFETCH(int, kind);
    QCOMPARE(int(DetectMetafile(data)), kind);
}

void TestMetafileEmf::pictureSize_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QSize>("size");
    QTest::newRow("emf frame at 96 dpi") << EmfWriter(100, 100).finish() << QSize(100, 100);
    QTest::newRow("emf wide frame") << EmfWriter(320, 200).finish() << QSize(320, 200);
    {
        // Frame left empty: the bounds (0..49 inclusive) on the 96-DPI device give 50 px.
        QByteArray data = EmfWriter(50, 30).finish();
        for (int i = 24; i < 40; ++i)
            data[i] = 0;
        QTest::newRow("emf without frame uses bounds") << data << QSize(50, 30);
    }
    {
        // A frame of 10 m x 5 m is far beyond any screen: scaled to 16384 on its long side.
        QByteArray data = EmfWriter(100, 100).finish();
        Bytes frame;
        frame.i32(0).i32(0).i32(1000000).i32(500000);
        data.replace(24, 16, frame.data());
        QTest::newRow("emf huge frame") << data << QSize(16384, 8192);
    }
    QTest::newRow("placeable wmf at 1440 units per inch") << WmfWriter(QRect(0, 0, 1440, 720), 1440).finish() << QSize(96, 48);
    QTest::newRow("placeable wmf at 1000 units per inch") << WmfWriter(QRect(100, 100, 2000, 1000), 1000).finish() << QSize(192, 96);
    {
        WmfWriter w;
        w.setWindowOrg(10, 10);
        w.setWindowExt(300, 200);
        QTest::newRow("wmf window extent") << w.finish() << QSize(300, 200);
    }
    {
        WmfWriter w;
        w.rectangle(20, 30, 140, 90);
        w.lineTo(10, 10);
        QTest::newRow("wmf drawing area") << w.finish() << QSize(130, 80);
    }
}

void TestMetafileEmf::pictureSize()
{
    QFETCH(QByteArray, data);
    QFETCH(QSize, size);
    const MetafileInfo info = ReadMetafileInfo(data);
    QVERIFY2(info.error.isEmpty(), qPrintable(info.error));
    QCOMPARE(info.pixelSize, size);
}

void TestMetafileEmf::renderRejectsBadInput()
{
    QVERIFY(RenderMetafile(QByteArray("not a metafile at all, just some text....."), QSize(10, 10)).isNull());
    const QByteArray emf = EmfWriter().finish();
    QVERIFY(RenderMetafile(emf, QSize(0, 10)).isNull());
    QVERIFY(RenderMetafile(emf, QSize(40000, 10)).isNull());
    // Within the sides but past the pixels that leave room for the player's own memory.
    QVERIFY(RenderMetafile(emf, QSize(16384, 8192)).isNull());
    const MetafileRender r = RenderMetafileReport(emf, QSize(30000, 30000));
    QVERIFY(r.image.isNull());
    QVERIFY(!r.error.isEmpty());
    // Header record claiming more bytes than the file has.
    QByteArray cut = emf;
    cut[4] = char(0xF0);
    QVERIFY(!ReadMetafileInfo(cut).error.isEmpty());
    const QImage ok = RenderMetafile(emf, QSize(10, 20));
    QCOMPARE(ok.size(), QSize(10, 20));
    QCOMPARE(ok.format(), QImage::Format_ARGB32_Premultiplied);
    QCOMPARE(paintedArea(ok), QRect()); // nothing drawn: transparent
}

void TestMetafileEmf::rectangleFillAndOutline()
{
    EmfWriter w;
    solid(w, Red, Blue, 6);
    w.rectangle(20, 20, 80, 80);
    const QImage img = render(w.finish());
    MV_EXPECT_PIXEL(img, 50, 50, QBlue);
    MV_EXPECT_PIXEL(img, 20, 50, QRed);
    MV_EXPECT_PIXEL(img, 50, 80, QRed);
    MV_EXPECT_PIXEL(img, 10, 10, None);
    MV_EXPECT_PIXEL(img, 90, 50, None);
}

void TestMetafileEmf::ellipseAndRoundRect()
{
    EmfWriter w;
    fillOnly(w, Green);
    w.ellipse(0, 0, 100, 50);
    w.roundRect(0, 60, 100, 100, 30, 30);
    const QImage img = render(w.finish());
    MV_EXPECT_PIXEL(img, 50, 25, QGreen);
    MV_EXPECT_PIXEL(img, 2, 2, None);   // outside the ellipse, inside its box
    MV_EXPECT_PIXEL(img, 98, 48, None);
    MV_EXPECT_PIXEL(img, 50, 80, QGreen);
    MV_EXPECT_PIXEL(img, 1, 61, None);  // rounded corner
    MV_EXPECT_PIXEL(img, 15, 61, QGreen);
}

void TestMetafileEmf::polygonFillModes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QColor>("overlap");
    QTest::newRow("alternate leaves the overlap empty") << 1 << None;
    QTest::newRow("winding fills the overlap") << 2 << QRed;
}

void TestMetafileEmf::polygonFillModes()
{
    QFETCH(int, mode);
    QFETCH(QColor, overlap);
    EmfWriter w;
    fillOnly(w, Red);
    w.setPolyFillMode(mode);
    w.polyPolygon({{{10, 10}, {60, 10}, {60, 60}, {10, 60}}, {{40, 40}, {90, 40}, {90, 90}, {40, 90}}});
    const QImage img = render(w.finish());
    MV_EXPECT_PIXEL(img, 20, 20, QRed);
    MV_EXPECT_PIXEL(img, 80, 80, QRed);
    MV_EXPECT_PIXEL(img, 50, 50, overlap);
    MV_EXPECT_PIXEL(img, 80, 20, None);
}

void TestMetafileEmf::sixteenBitForms()
{
    const auto picture = [](bool sixteen) {
        EmfWriter w;
        solid(w, Black, Red, 2);
        w.polygon({{10, 10}, {90, 10}, {50, 90}}, sixteen);
        w.polyline({{0, 95}, {100, 95}}, sixteen);
        w.polyPolygon({{{5, 5}, {15, 5}, {15, 15}}}, sixteen);
        w.polyBezier({{0, 0}, {30, 0}, {70, 0}, {100, 0}}, sixteen);
        return render(w.finish());
    };
    const QImage a = picture(false), b = picture(true);
    MV_EXPECT_PIXEL(a, 50, 40, QRed);
    MV_EXPECT_PIXEL(a, 50, 95, QBlack);
    QCOMPARE(a, b);
}

void TestMetafileEmf::polylineAndBezier()
{
    EmfWriter w;
    w.createPen(1, PsSolid, 8, Blue);
    w.selectObject(1);
    w.polyline({{10, 20}, {90, 20}});
    w.polyBezier({{10, 90}, {10, 50}, {90, 50}, {90, 90}});
    const QImage img = render(w.finish());
    MV_EXPECT_PIXEL(img, 50, 20, QBlue);
    MV_EXPECT_PIXEL(img, 50, 30, None);
    // The curve's top lies at 3/4 of the control points' height: y = 90 - 0.75 * 40 = 60.
    MV_EXPECT_PIXEL(img, 50, 60, QBlue);
    MV_EXPECT_PIXEL(img, 50, 75, None); // not filled
}

void TestMetafileEmf::arcs_data()
{
    QTest::addColumn<uint32_t>("type");
    QTest::addColumn<int>("direction");
    QTest::addColumn<QPoint>("inside");
    QTest::addColumn<QPoint>("outside");
    // From the right end (3 o'clock) to the top (12 o'clock) of a circle around (50,50).
    QTest::newRow("pie counter-clockwise: upper right quarter") << uint32_t(EmrPie) << 1 << QPoint(70, 30) << QPoint(30, 70);
    QTest::newRow("pie clockwise: the other three quarters") << uint32_t(EmrPie) << 2 << QPoint(30, 70) << QPoint(70, 30);
    QTest::newRow("chord counter-clockwise: the segment") << uint32_t(EmrChord) << 1 << QPoint(75, 25) << QPoint(60, 40);
}

void TestMetafileEmf::arcs()
{
    QFETCH(uint32_t, type);
    QFETCH(int, direction);
    QFETCH(QPoint, inside);
    QFETCH(QPoint, outside);
    EmfWriter w;
    fillOnly(w, Red);
    w.setArcDirection(direction);
    w.arc(type, QRect(10, 10, 80, 80), QPoint(100, 50), QPoint(50, 0));
    const QImage img = render(w.finish());
    MV_EXPECT_PIXEL(img, inside.x(), inside.y(), QRed);
    MV_EXPECT_PIXEL(img, outside.x(), outside.y(), None);
}

void TestMetafileEmf::lineToAndPolyDraw()
{
    EmfWriter w;
    w.createPen(1, PsSolid, 4, Black);
    w.selectObject(1);
    w.moveTo(10, 10);
    w.lineTo(90, 10);
    w.lineTo(90, 50); // continues from the current position
    // A plain arc does not draw the line from the current position; an angle arc does.
    w.arc(EmrArc, QRect(0, 60, 40, 40), QPoint(40, 80), QPoint(40, 80));
    w.moveTo(60, 95);
    w.angleArc(80, 80, 10, 0, 90);
    // PolyDraw: move, line, line with close.
    w.polyDraw({{50, 30}, {70, 30}, {70, 40}}, QByteArray("\x06\x02\x03", 3));
    const QImage img = render(w.finish());
    MV_EXPECT_PIXEL(img, 50, 10, QBlack);
    MV_EXPECT_PIXEL(img, 90, 30, QBlack);
    MV_EXPECT_PIXEL(img, 0, 80, QBlack);   // the full circle's left side
    MV_EXPECT_PIXEL(img, 70, 90, QBlack);  // line from (60,95) to (90,80)
    MV_EXPECT_PIXEL(img, 90, 79, QBlack);  // angle arc start at 0 degrees
    MV_EXPECT_PIXEL(img, 60, 35, QBlack);  // the closing line back to (50,30)
    MV_EXPECT_PIXEL(img, 20, 40, None);
}

void TestMetafileEmf::connectedRecords_data()
{
    QTest::addColumn<bool>("sixteen");
    QTest::newRow("32-bit points") << false;
    QTest::newRow("16-bit points") << true;
}

void TestMetafileEmf::connectedRecords()
{
    // Records that start at the current position and move it, and a poly-polyline.
    QFETCH(bool, sixteen);
    EmfWriter w;
    w.createPen(1, PsSolid, 4, Black);
    w.selectObject(1);
    w.moveTo(10, 10);
    w.polylineTo({{50, 10}, {50, 30}}, sixteen);
    w.polyBezierTo({{60, 30}, {80, 30}, {90, 30}}, sixteen); // a straight curve
    w.lineTo(90, 50);                                        // from the curve's end
    w.arc(55, QRect(50, 50, 40, 40), QPoint(90, 70), QPoint(70, 50)); // arc-to: line to its start first
    w.lineTo(70, 45);                                        // from the arc's end
    w.polyPolyline({{{10, 60}, {30, 60}}, {{10, 80}, {30, 80}}}, sixteen);
    const QImage img = render(w.finish());
    MV_EXPECT_PIXEL(img, 30, 10, QBlack);
    MV_EXPECT_PIXEL(img, 50, 20, QBlack);
    MV_EXPECT_PIXEL(img, 75, 30, QBlack);
    MV_EXPECT_PIXEL(img, 90, 40, QBlack);
    MV_EXPECT_PIXEL(img, 90, 65, QBlack);
    MV_EXPECT_PIXEL(img, 70, 47, QBlack);
    MV_EXPECT_PIXEL(img, 20, 60, QBlack);
    MV_EXPECT_PIXEL(img, 20, 80, QBlack);
    MV_EXPECT_PIXEL(img, 20, 70, None);
    MV_EXPECT_PIXEL(img, 30, 30, None);
}

void TestMetafileEmf::regions()
{
    EmfWriter w;
    w.createBrush(1, BsSolid, Red);
    w.createBrush(2, BsSolid, Blue);
    w.selectObject(2);
    w.regionRecord(71, {QRect(0, 0, 40, 40), QRect(0, 60, 40, 40)}, 1);  // fill with brush 1
    w.regionRecord(72, {QRect(50, 0, 50, 50)}, 1, QSize(5, 5));          // frame, 5 units wide
    w.regionRecord(74, {QRect(50, 60, 40, 40)});                         // the selected brush
    w.regionRecord(73, {QRect(0, 80, 20, 20)});                          // inverted
    const QImage img = render(w.finish());
    MV_EXPECT_PIXEL(img, 20, 20, QRed);
    MV_EXPECT_PIXEL(img, 20, 50, None);
    MV_EXPECT_PIXEL(img, 52, 25, QRed);
    MV_EXPECT_PIXEL(img, 75, 25, None);
    MV_EXPECT_PIXEL(img, 70, 80, QBlue);
    MV_EXPECT_PIXEL(img, 10, 90, QColor(0, 255, 255));
    MV_EXPECT_PIXEL(img, 30, 90, QRed);
}

void TestMetafileEmf::palettes()
{
    EmfWriter w;
    w.createPalette(1, {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)});
    w.selectPalette(1);
    w.selectObject(Stock(NullPen));
    w.createBrush(2, BsSolid, 0x01000001); // palette entry 1
    w.selectObject(2);
    w.rectangle(0, 0, 50, 50);
    // A bitmap whose colour table holds palette indices: pixel 0 -> entry 2, pixel 1 -> entry 0.
    Dib dib;
    dib.info = Bytes().u32(40).i32(2).i32(1).u16(1).u16(8).u32(0).u32(4).i32(0).i32(0).u32(2).u32(0).u16(2).u16(0).data();
    dib.bits = QByteArray("\x00\x01\x00\x00", 4);
    w.stretchDiBits(QRect(0, 50, 100, 50), QRect(0, 0, 2, 1), dib, 0x00CC0020, 1);
    const QImage img = render(w.finish());
    MV_EXPECT_PIXEL(img, 25, 25, QGreen);
    MV_EXPECT_PIXEL(img, 25, 75, QBlue);
    MV_EXPECT_PIXEL(img, 75, 75, QRed);
}

void TestMetafileEmf::mappingModes_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QPoint>("inside");
    QTest::addColumn<QPoint>("outside");
    const auto make = [](auto setup, QRect box) {
        EmfWriter w;
        setup(w);
        fillOnly(w, Red);
        w.rectangle(box.left(), box.top(), box.right(), box.bottom());
        return w.finish();
    };
    // Tenths of a millimetre with y upwards: 100 units = 10 mm = 37.8 px, drawn downwards
    // from the origin for negative y.
    QTest::newRow("lometric") << make([](EmfWriter &w) { w.setMapMode(2); }, QRect(QPoint(0, 0), QPoint(100, -100)))
                              << QPoint(18, 18) << QPoint(50, 50);
    QTest::newRow("himetric with the origin moved")
        << make([](EmfWriter &w) { w.setMapMode(3); w.setViewportOrg(0, 100); }, QRect(QPoint(0, 0), QPoint(1000, 1000)))
        << QPoint(18, 82) << QPoint(18, 50);
    QTest::newRow("twips") << make([](EmfWriter &w) { w.setMapMode(6); }, QRect(QPoint(720, -720), QPoint(1440, -1440)))
                           << QPoint(70, 70) << QPoint(30, 30);
    QTest::newRow("anisotropic")
        << make([](EmfWriter &w) {
               w.setMapMode(8);
               w.setWindowExt(1000, 2000);
               w.setViewportExt(100, 100);
           }, QRect(QPoint(500, 1000), QPoint(1000, 2000)))
        << QPoint(75, 75) << QPoint(25, 25);
    QTest::newRow("isotropic keeps the shape")
        << make([](EmfWriter &w) {
               w.setMapMode(7);
               w.setWindowExt(200, 100);
               w.setViewportExt(100, 100);
           }, QRect(QPoint(0, 0), QPoint(200, 100)))
        << QPoint(50, 25) << QPoint(50, 75);
    QTest::newRow("window origin")
        << make([](EmfWriter &w) {
               w.setMapMode(8);
               w.setWindowOrg(50, 0);
               w.setWindowExt(100, 100);
               w.setViewportExt(100, 100);
           }, QRect(QPoint(50, 0), QPoint(100, 50)))
        << QPoint(25, 25) << QPoint(75, 25);
    QTest::newRow("extents ignored in text mode")
        << make([](EmfWriter &w) {
               w.setWindowExt(1000, 1000);
               w.setViewportExt(100, 100);
           }, QRect(QPoint(0, 0), QPoint(50, 50)))
        << QPoint(40, 40) << QPoint(60, 60);
}

void TestMetafileEmf::mappingModes()
{
    QFETCH(QByteArray, data);
    QFETCH(QPoint, inside);
    QFETCH(QPoint, outside);
    const QImage img = render(data);
    MV_EXPECT_PIXEL(img, inside.x(), inside.y(), QRed);
    MV_EXPECT_PIXEL(img, outside.x(), outside.y(), None);
}

void TestMetafileEmf::worldTransform()
{
    EmfWriter w;
    fillOnly(w, Red);
    w.setWorldTransform(1, 0, 0, 1, 50, 50);
    w.rectangle(0, 0, 20, 20);                       // at 50..70
    w.modifyWorldTransform(2, 0, 0, 2, 0, 0, 2);     // scale first, then the translation
    w.createBrush(3, BsSolid, Blue);
    w.selectObject(3);
    w.rectangle(12, -20, 20, -12);                   // at 74..90, 10..26
    w.modifyWorldTransform(0, 0, 0, 0, 0, 0, 1);     // identity
    // Turned a quarter: x' = -y, y' = x, then moved right by 30.
    w.setWorldTransform(0, 1, -1, 0, 30, 0);
    w.createBrush(4, BsSolid, Green);
    w.selectObject(4);
    w.rectangle(10, 0, 40, 20);                      // at x 10..30, y 10..40
    const QImage img = render(w.finish());
    MV_EXPECT_PIXEL(img, 60, 60, QRed);
    MV_EXPECT_PIXEL(img, 80, 18, QBlue);
    MV_EXPECT_PIXEL(img, 20, 30, QGreen);
    MV_EXPECT_PIXEL(img, 45, 5, None);
    MV_EXPECT_PIXEL(img, 80, 60, None);
}

void TestMetafileEmf::saveAndRestore()
{
    EmfWriter w;
    fillOnly(w, Red);
    w.saveDc();
    w.createBrush(3, BsSolid, Blue);
    w.selectObject(3);
    w.setMapMode(8);
    w.setWindowExt(10, 10);
    w.setViewportExt(100, 100);
    w.rectangle(0, 0, 5, 5);     // blue, top-left quarter at ten times the size
    w.restoreDc(-1);
    w.rectangle(60, 60, 90, 90); // red again, one to one
    const QImage img = render(w.finish());
    MV_EXPECT_PIXEL(img, 25, 25, QBlue);
    MV_EXPECT_PIXEL(img, 75, 75, QRed);
    MV_EXPECT_PIXEL(img, 95, 95, None);
}

void TestMetafileEmf::clipping_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QList<QPoint>>("painted");
    QTest::addColumn<QList<QPoint>>("empty");
    const auto make = [](auto clip) {
        EmfWriter w;
        fillOnly(w, Red);
        clip(w);
        w.rectangle(0, 0, 100, 100);
        return w.finish();
    };
    QTest::newRow("intersect") << make([](EmfWriter &w) { w.intersectClipRect(20, 20, 60, 60); })
                               << QList<QPoint>{{40, 40}} << QList<QPoint>{{10, 10}, {70, 70}};
    QTest::newRow("exclude") << make([](EmfWriter &w) { w.excludeClipRect(20, 20, 60, 60); })
                             << QList<QPoint>{{10, 10}, {70, 70}} << QList<QPoint>{{40, 40}};
    QTest::newRow("region copy") << make([](EmfWriter &w) {
        w.extSelectClipRgn({QRect(0, 0, 30, 30), QRect(70, 70, 30, 30)}, RgnCopy);
    }) << QList<QPoint>{{10, 10}, {90, 90}} << QList<QPoint>{{50, 50}, {90, 10}};
    QTest::newRow("region or, then diff") << make([](EmfWriter &w) {
        w.intersectClipRect(0, 0, 50, 100);
        w.extSelectClipRgn({QRect(50, 0, 50, 50)}, RgnOr);
        w.extSelectClipRgn({QRect(0, 0, 20, 20)}, RgnDiff);
    }) << QList<QPoint>{{30, 70}, {70, 30}} << QList<QPoint>{{70, 70}, {10, 10}};
    QTest::newRow("region without data resets") << make([](EmfWriter &w) {
        w.intersectClipRect(0, 0, 10, 10);
        w.record(75, Bytes().u32(0).u32(RgnCopy));
    }) << QList<QPoint>{{50, 50}} << QList<QPoint>{};
    QTest::newRow("clip path") << make([](EmfWriter &w) {
        w.beginPath();
        w.ellipse(0, 0, 100, 100);
        w.endPath();
        w.selectClipPath(RgnCopy);
    }) << QList<QPoint>{{50, 50}} << QList<QPoint>{{3, 3}, {97, 97}};
    QTest::newRow("clip under a mapping") << make([](EmfWriter &w) {
        w.setMapMode(8);
        w.setWindowExt(10, 10);
        w.setViewportExt(100, 100);
        w.intersectClipRect(5, 5, 10, 10);
        w.setMapMode(1); // the clip stays where it was set
    }) << QList<QPoint>{{75, 75}} << QList<QPoint>{{25, 25}, {25, 75}};
}

void TestMetafileEmf::clipping()
{
    QFETCH(QByteArray, data);
    QFETCH(QList<QPoint>, painted);
    QFETCH(QList<QPoint>, empty);
    const QImage img = render(data);
    for (const QPoint &p : painted)
        MV_EXPECT_PIXEL(img, p.x(), p.y(), QRed);
    for (const QPoint &p : empty)
        MV_EXPECT_PIXEL(img, p.x(), p.y(), None);
}

void TestMetafileEmf::clipRestoredWithState()
{
    EmfWriter w;
    fillOnly(w, Red);
    w.saveDc();
    w.intersectClipRect(0, 0, 10, 10);
    w.restoreDc(-1);
    w.rectangle(0, 0, 100, 100);
    const QImage img = render(w.finish());
    MV_EXPECT_PIXEL(img, 50, 50, QRed);
}

void TestMetafileEmf::pens()
{
    EmfWriter w;
    w.selectObject(Stock(NullBrush));
    // Null pen: nothing.
    w.selectObject(Stock(NullPen));
    w.rectangle(5, 5, 95, 15);
    // A dashed cosmetic pen: some pixels along the line drawn, some not.
    w.createPen(1, PsDash, 0, Black);
    w.selectObject(1);
    w.moveTo(0, 30);
    w.lineTo(100, 30);
    // A wide pen grows with the mapping: 4 logical units at twice the scale are 8 pixels.
    w.extCreatePen(2, PsGeometric | PsEndCapFlat, 4, Blue);
    w.selectObject(2);
    w.setMapMode(8);
    w.setWindowExt(50, 50);
    w.setViewportExt(100, 100);
    w.moveTo(5, 30);
    w.lineTo(45, 30);
    const QImage img = render(w.finish());
    QCOMPARE(darkPixels(img, QRect(0, 0, 100, 20)), 0);
    int on = 0, off = 0;
    for (int x = 0; x < 100; ++x)
        (qAlpha(img.pixel(x, 30)) > 128 ? on : off)++;
    QVERIFY2(on > 20 && off > 10, qPrintable(QStringLiteral("dashes: %1 on, %2 off").arg(on).arg(off)));
    MV_EXPECT_PIXEL(img, 50, 57, QBlue);
    MV_EXPECT_PIXEL(img, 50, 63, QBlue);
    MV_EXPECT_PIXEL(img, 50, 67, None);
    MV_EXPECT_PIXEL(img, 50, 53, None);
}

void TestMetafileEmf::brushes()
{
    EmfWriter w;
    w.selectObject(Stock(NullPen));
    // Hatched, opaque background: lines in the brush colour, gaps in the background colour.
    w.createBrush(1, BsHatched, Blue, HsHorizontal);
    w.selectObject(1);
    w.setBkColor(Rgb(255, 255, 0));
    w.rectangle(0, 0, 50, 50);
    // Hatched, transparent background: gaps stay empty.
    w.setBkMode(1);
    w.createBrush(2, BsHatched, Red, HsCross);
    w.selectObject(2);
    w.rectangle(50, 0, 100, 50);
    // A pattern brush: two-by-two red and green.
    QImage pattern(2, 2, QImage::Format_RGB32);
    pattern.setPixel(0, 0, qRgb(255, 0, 0));
    pattern.setPixel(1, 1, qRgb(255, 0, 0));
    pattern.setPixel(1, 0, qRgb(0, 255, 0));
    pattern.setPixel(0, 1, qRgb(0, 255, 0));
    w.createDibPatternBrush(3, pattern);
    w.selectObject(3);
    w.rectangle(0, 50, 50, 100);
    w.selectObject(Stock(BlackBrush));
    w.rectangle(50, 50, 100, 100);
    const QImage img = render(w.finish());
    int blue = 0, yellow = 0;
    for (int y = 0; y < 50; ++y) {
        const QRgb p = img.pixel(25, y);
        blue += p == qRgb(0, 0, 255);
        yellow += p == qRgb(255, 255, 0);
    }
    QVERIFY2(blue >= 5 && yellow >= 30, qPrintable(QStringLiteral("%1 blue, %2 yellow").arg(blue).arg(yellow)));
    int red = 0, clear = 0;
    for (int y = 0; y < 50; ++y) {
        const QRgb p = img.pixel(75, y);
        red += qRed(p) > 200 && qAlpha(p) == 255;
        clear += qAlpha(p) == 0;
    }
    QVERIFY2(red >= 5 && clear >= 20, qPrintable(QStringLiteral("%1 red, %2 clear").arg(red).arg(clear)));
    QVERIFY(img.pixel(20, 70) != img.pixel(21, 70));
    QCOMPARE(img.pixel(20, 70), img.pixel(21, 71));
    MV_EXPECT_PIXEL(img, 75, 75, QBlack);
}

void TestMetafileEmf::rop2()
{
    EmfWriter w;
    fillOnly(w, Red);
    w.rectangle(0, 0, 100, 100);
    w.setRop2(11); // no operation
    w.createBrush(3, BsSolid, Blue);
    w.selectObject(3);
    w.rectangle(0, 0, 50, 50);
    w.setRop2(6); // invert what is there
    w.rectangle(50, 0, 100, 50);
    w.setRop2(7); // exclusive or, twice: back to the start
    w.rectangle(0, 50, 50, 100);
    w.rectangle(0, 50, 50, 100);
    const QImage img = render(w.finish());
    MV_EXPECT_PIXEL(img, 25, 25, QRed);
    MV_EXPECT_PIXEL(img, 75, 25, QColor(0, 255, 255));
    MV_EXPECT_PIXEL(img, 25, 75, QRed);
}

void TestMetafileEmf::paths()
{
    EmfWriter w;
    solid(w, Blue, Red, 4);
    // Filled path: nothing drawn while the bracket is open.
    w.beginPath();
    w.moveTo(10, 10);
    w.lineTo(40, 10);
    w.lineTo(40, 40);
    w.closeFigure();
    w.endPath();
    w.fillPath();
    // Stroked path: outline only.
    w.beginPath();
    w.rectangle(60, 10, 90, 40);
    w.endPath();
    w.strokePath();
    // Stroked and filled.
    w.beginPath();
    w.polygon({{10, 60}, {40, 60}, {40, 90}, {10, 90}});
    w.endPath();
    w.strokeAndFillPath();
    // An open bracket never draws.
    w.beginPath();
    w.rectangle(60, 60, 90, 90);
    const QImage img = render(w.finish());
    MV_EXPECT_PIXEL(img, 35, 15, QRed);
    MV_EXPECT_PIXEL(img, 15, 35, None);   // below the diagonal of the triangle
    MV_EXPECT_PIXEL(img, 38, 25, QRed);   // filled only: no outline colour
    MV_EXPECT_PIXEL(img, 60, 25, QBlue);
    MV_EXPECT_PIXEL(img, 75, 25, None);
    MV_EXPECT_PIXEL(img, 25, 75, QRed);
    MV_EXPECT_PIXEL(img, 10, 75, QBlue);
    MV_EXPECT_PIXEL(img, 75, 75, None);
}

void TestMetafileEmf::widenedPath()
{
    EmfWriter w;
    w.createPen(1, PsSolid, 10, Black);
    w.selectObject(1);
    w.createBrush(2, BsSolid, Green);
    w.selectObject(2);
    w.beginPath();
    w.moveTo(10, 50);
    w.lineTo(90, 50);
    w.endPath();
    w.widenPath();
    w.selectObject(Stock(NullPen));
    w.fillPath(); // the widened line's area, in the brush
    const QImage img = render(w.finish());
    MV_EXPECT_PIXEL(img, 50, 47, QGreen);
    MV_EXPECT_PIXEL(img, 50, 53, QGreen);
    MV_EXPECT_PIXEL(img, 50, 60, None);
}

void TestMetafileEmf::textPlacement_data()
{
    QTest::addColumn<uint32_t>("align");
    QTest::addColumn<QPoint>("reference");
    QTest::addColumn<QRect>("box");   // where the text must be
    QTest::addColumn<QRect>("blank"); // where it must not be
    QTest::newRow("left top") << uint32_t(TaTop) << QPoint(10, 10) << QRect(10, 10, 80, 30) << QRect(0, 50, 100, 50);
    QTest::newRow("centre") << uint32_t(TaCenter) << QPoint(100, 10) << QRect(100, 10, 100, 30) << QRect(0, 0, 40, 100);
    QTest::newRow("right bottom") << uint32_t(TaRight | TaBottom) << QPoint(190, 90) << QRect(100, 60, 90, 30)
                                  << QRect(0, 0, 200, 50);
    QTest::newRow("baseline") << uint32_t(TaBaseline) << QPoint(10, 50) << QRect(10, 30, 80, 20) << QRect(0, 56, 200, 44);
}

void TestMetafileEmf::textPlacement()
{
    QFETCH(uint32_t, align);
    QFETCH(QPoint, reference);
    QFETCH(QRect, box);
    QFETCH(QRect, blank);
    EmfWriter w(200, 100);
    w.createFont(1, -24, QStringLiteral("Arial"), 700);
    w.selectObject(1);
    w.setBkMode(1);
    w.setTextAlign(align);
    w.extTextOutW(reference.x(), reference.y(), QStringLiteral("HHHH"));
    const QImage img = render(w.finish(), QSize(200, 100));
    QVERIFY2(darkPixels(img, box) > 100, qPrintable(savedFailure(img)));
    QVERIFY2(darkPixels(img, blank) == 0, qPrintable(savedFailure(img)));
}

void TestMetafileEmf::textOpaqueAndClipped()
{
    EmfWriter w;
    w.createFont(1, -40, QStringLiteral("Arial"), 700);
    w.selectObject(1);
    w.setBkColor(Rgb(255, 255, 0));
    // The opaque rectangle is filled even without text.
    w.extTextOutW(0, 0, QString(), EtoOpaque, QRect(0, 0, 100, 20));
    // Clipped: the letters stop at the rectangle.
    w.setBkMode(1);
    w.extTextOutW(0, 40, QStringLiteral("WWWWWW"), EtoClipped, QRect(0, 40, 30, 60));
    // Opaque background mode: the text cell gets the background colour.
    w.setBkMode(2);
    w.extTextOutW(50, 40, QStringLiteral("."));
    const QImage img = render(w.finish());
    MV_EXPECT_PIXEL(img, 50, 10, QColor(255, 255, 0));
    QVERIFY(darkPixels(img, QRect(0, 40, 30, 60)) > 50);
    QCOMPARE(darkPixels(img, QRect(32, 40, 18, 60)), 0);
    MV_EXPECT_PIXEL(img, 52, 45, QColor(255, 255, 0));
}

void TestMetafileEmf::textSpacingAndEscapement()
{
    EmfWriter w(200, 200);
    w.createFont(1, -30, QStringLiteral("Arial"), 700);
    w.selectObject(1);
    w.setBkMode(1);
    // Spacing array: the second letter 120 units after the first.
    w.extTextOutW(10, 10, QStringLiteral("II"), 0, QRect(), {120, 10});
    // Escapement 90 degrees: the line runs upwards.
    w.createFont(2, -30, QStringLiteral("Arial"), 700, false, 900);
    w.selectObject(2);
    w.extTextOutW(20, 190, QStringLiteral("HHHHH"));
    const QImage img = render(w.finish(), QSize(200, 200));
    QVERIFY(darkPixels(img, QRect(10, 10, 20, 30)) > 20);
    QVERIFY(darkPixels(img, QRect(130, 10, 20, 30)) > 20);
    QCOMPARE(darkPixels(img, QRect(40, 10, 80, 30)), 0);
    const QRect turned = paintedArea(img.copy(0, 60, 100, 140));
    QVERIFY2(turned.height() > 2 * turned.width(), qPrintable(savedFailure(img)));
}

void TestMetafileEmf::textCharsets()
{
    EmfWriter w(200, 100);
    w.setBkMode(1);
    w.createFont(1, -30, QStringLiteral("宋体"), 400, false, 0, 134);
    w.selectObject(1);
    w.extTextOutW(10, 5, QStringLiteral("中文"));
    // The same characters as GB2312 bytes in an 8-bit record.
    w.extTextOutA(10, 50, QByteArray("\xD6\xD0\xCE\xC4"), {40, 0, 40, 0});
    const QImage img = render(w.finish(), QSize(200, 100));
    const int wide = darkPixels(img, QRect(0, 0, 100, 45));
    const int narrow = darkPixels(img, QRect(0, 48, 100, 52));
    QVERIFY2(wide > 80, qPrintable(savedFailure(img)));
    QVERIFY2(narrow > 80, qPrintable(savedFailure(img)));
    // Two characters decoded from four bytes: the second starts 40 units after the first.
    QVERIFY(darkPixels(img, QRect(50, 48, 40, 40)) > 20);
}

void TestMetafileEmf::textUnderWorldTransform_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("vertical");
    QTest::newRow("advanced: the glyphs turn with the world") << 2 << true;
    QTest::newRow("compatible: only the reference point moves") << 1 << false;
}

void TestMetafileEmf::textUnderWorldTransform()
{
    QFETCH(int, mode);
    QFETCH(bool, vertical);
    EmfWriter w(200, 200);
    w.textGraphicsMode = mode;
    w.setBkMode(1);
    w.createFont(1, -24, QStringLiteral("Arial"), 700);
    w.selectObject(1);
    w.setWorldTransform(0, 1, -1, 0, 100, 20); // a quarter turn clockwise, then moved
    w.extTextOutW(0, 0, QStringLiteral("HHHHHH"));
    const QImage img = render(w.finish(), QSize(200, 200));
    const QRect area = paintedArea(img);
    QVERIFY2(!area.isEmpty(), qPrintable(savedFailure(img)));
    QCOMPARE(area.height() > area.width(), vertical);
    QVERIFY2(area.left() >= 60 && area.top() >= 15, qPrintable(savedFailure(img)));
}

void TestMetafileEmf::textStyles()
{
    EmfWriter w(300, 150);
    w.setBkMode(1);
    w.createFont(1, -30, QStringLiteral("Arial"), 400);
    w.createFont(2, -30, QStringLiteral("Arial"), 700);
    w.createFont(3, -30, QStringLiteral("Arial"), 400, false, 0, 0, true);
    w.selectObject(1);
    w.extTextOutW(5, 0, QStringLiteral("HHHHHH"));
    w.selectObject(2);
    w.extTextOutW(5, 50, QStringLiteral("HHHHHH"));
    w.selectObject(3);
    w.setTextColor(Rgb(0, 0, 200));
    w.extTextOutW(5, 100, QStringLiteral("HHHHHH"));
    const QImage img = render(w.finish(), QSize(300, 150));
    const int regular = darkPixels(img, QRect(0, 0, 300, 45)), bold = darkPixels(img, QRect(0, 50, 300, 45));
    QVERIFY2(bold > regular * 5 / 4, qPrintable(QStringLiteral("regular %1, bold %2").arg(regular).arg(bold)));
    // The underline: one row below the letters dark almost all along the text.
    int longest = 0;
    for (int y = 100; y < 150; ++y) {
        int run = 0;
        for (int x = 0; x < 300; ++x)
            run += qBlue(img.pixel(x, y)) > 120 && qAlpha(img.pixel(x, y)) > 128 && qRed(img.pixel(x, y)) < 80;
        longest = qMax(longest, run);
    }
    QVERIFY2(longest > 100, qPrintable(savedFailure(img)));
}

void TestMetafileEmf::bitmaps_data()
{
    QTest::addColumn<int>("bpp");
    QTest::addColumn<bool>("rle");
    QTest::newRow("1 bit") << 1 << false;
    QTest::newRow("8 bits") << 8 << false;
    QTest::newRow("8 bits run-length") << 8 << true;
    QTest::newRow("24 bits") << 24 << false;
    QTest::newRow("32 bits") << 32 << false;
}

void TestMetafileEmf::bitmaps()
{
    QFETCH(int, bpp);
    QFETCH(bool, rle);
    // Two columns: red/blue on top, the other way round below (white/black for one bit).
    const bool mono = bpp == 1;
    const QRgb a = mono ? qRgb(255, 255, 255) : qRgb(255, 0, 0), b = mono ? qRgb(0, 0, 0) : qRgb(0, 0, 255);
    QImage src(4, 2, QImage::Format_RGB32);
    for (int x = 0; x < 4; ++x) {
        src.setPixel(x, 0, x < 2 ? a : b);
        src.setPixel(x, 1, x < 2 ? b : a);
    }
    EmfWriter w;
    w.stretchDiBits(QRect(0, 0, 100, 100), QRect(0, 0, 4, 2), rle ? MakeRle8Dib(src) : MakeDib(src, bpp));
    const QImage img = render(w.finish());
    MV_EXPECT_PIXEL(img, 25, 25, QColor(a));
    MV_EXPECT_PIXEL(img, 75, 25, QColor(b));
    MV_EXPECT_PIXEL(img, 25, 75, QColor(b));
    MV_EXPECT_PIXEL(img, 75, 75, QColor(a));
}

void TestMetafileEmf::bitmapPlacement()
{
    QImage src(10, 10, QImage::Format_RGB32);
    src.fill(qRgb(0, 255, 0));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            src.setPixel(x, y, qRgb(255, 0, 0)); // top-left quarter red
    const Dib dib = MakeDib(src, 24);
    EmfWriter w;
    w.bitBlt(QRect(10, 10, 10, 10), QPoint(0, 0), dib);                   // one to one
    w.stretchDiBits(QRect(40, 0, 40, 40), QRect(0, 5, 5, 5), dib);        // source: the red quarter (counted from the bottom)
    w.stretchDiBits(QRect(100, 50, -50, 50), QRect(0, 0, 10, 10), dib);   // mirrored left to right
    const QImage img = render(w.finish());
    MV_EXPECT_PIXEL(img, 12, 12, QRed);
    MV_EXPECT_PIXEL(img, 18, 18, QGreen);
    MV_EXPECT_PIXEL(img, 5, 5, None);
    MV_EXPECT_PIXEL(img, 60, 20, QRed);
    MV_EXPECT_PIXEL(img, 90, 60, QRed);   // the red corner now at the right
    MV_EXPECT_PIXEL(img, 60, 60, QGreen);
}

void TestMetafileEmf::alphaAndRasterOps()
{
    QImage half(2, 2, QImage::Format_ARGB32);
    half.fill(qRgba(255, 0, 0, 255));
    QImage mask(2, 2, QImage::Format_RGB32);
    mask.fill(qRgb(255, 255, 255));
    mask.setPixel(0, 0, qRgb(0, 0, 0));
    QImage sprite(2, 2, QImage::Format_RGB32);
    sprite.fill(qRgb(0, 0, 0));
    sprite.setPixel(0, 0, qRgb(0, 255, 0));
    EmfWriter w;
    fillOnly(w, Blue);
    w.rectangle(0, 0, 50, 100);
    // Half-transparent red over blue.
    w.alphaBlend(QRect(0, 0, 50, 50), QRect(0, 0, 2, 2), MakeDib(half, 32), 128, false);
    // The mask idiom on an empty picture: only the sprite's pixel appears.
    w.stretchDiBits(QRect(50, 0, 50, 50), QRect(0, 0, 2, 2), MakeDib(mask, 24), 0x008800C6);   // and
    w.stretchDiBits(QRect(50, 0, 50, 50), QRect(0, 0, 2, 2), MakeDib(sprite, 24), 0x00EE0086); // or
    w.bitBlt(QRect(0, 90, 2, 2), QPoint(0, 0), MakeDib(sprite, 24), 0x00CC0020);              // one to one
    // Pattern fill without a source bitmap.
    w.bitBltNoSource(QRect(50, 60, 40, 40), 0x00F00021);
    const QImage img = render(w.finish());
    const QRgb mixed = img.pixel(25, 25);
    QVERIFY2(qRed(mixed) > 100 && qRed(mixed) < 160 && qBlue(mixed) > 100 && qBlue(mixed) < 160,
             qPrintable(describePixel(img, 25, 25, QColor(128, 0, 127))));
    MV_EXPECT_PIXEL(img, 25, 75, QBlue);
    MV_EXPECT_PIXEL(img, 60, 10, QGreen);
    MV_EXPECT_PIXEL(img, 90, 40, None);
    MV_EXPECT_PIXEL(img, 70, 80, QBlue);
    MV_EXPECT_PIXEL(img, 0, 90, QGreen);
    MV_EXPECT_PIXEL(img, 1, 90, QBlack);
    MV_EXPECT_PIXEL(img, 2, 90, QBlue); // a block transfer does not stretch
}

void TestMetafileEmf::blitRecords()
{
    QImage src(4, 4, QImage::Format_RGB32);
    src.fill(qRgb(0, 255, 0));
    for (int x = 0; x < 4; ++x)
        src.setPixel(x, 0, qRgb(255, 0, 0)); // the top row red
    QImage mask(4, 4, QImage::Format_RGB32);
    mask.fill(qRgb(255, 255, 255));
    for (int y = 0; y < 4; ++y)
        mask.setPixel(0, y, qRgb(0, 0, 0)); // the left column masked out
    EmfWriter w;
    w.stretchBlt(QRect(0, 0, 40, 40), QRect(0, 0, 4, 4), MakeDib(src, 24));
    w.setDiBitsToDevice(QPoint(50, 0), QRect(0, 0, 4, 4), MakeDib(src, 24)); // one pixel per pixel
    w.maskBlt(QRect(0, 50, 4, 4), MakeDib(src, 24), MakeDib(mask, 1));
    w.transparentBlt(QRect(50, 50, 40, 40), QRect(0, 0, 4, 4), MakeDib(src, 24), Rgb(0, 255, 0));
    const QImage img = render(w.finish());
    MV_EXPECT_PIXEL(img, 20, 5, QRed);
    MV_EXPECT_PIXEL(img, 20, 30, QGreen);
    MV_EXPECT_PIXEL(img, 51, 0, QRed);
    MV_EXPECT_PIXEL(img, 51, 2, QGreen);
    MV_EXPECT_PIXEL(img, 55, 2, None);
    MV_EXPECT_PIXEL(img, 0, 52, None);     // masked out
    MV_EXPECT_PIXEL(img, 2, 52, QGreen);
    MV_EXPECT_PIXEL(img, 70, 55, QRed);
    MV_EXPECT_PIXEL(img, 70, 75, None);    // the transparent colour
}

void TestMetafileEmf::gradientAndPixels()
{
    EmfWriter w;
    w.gradientRect(QRect(0, 0, 100, 50), Red, Blue, false);
    w.setPixel(50, 80, Green);
    const QImage img = render(w.finish());
    const QRgb left = img.pixel(2, 25), right = img.pixel(97, 25), middle = img.pixel(50, 25);
    QVERIFY(qRed(left) > 230 && qBlue(left) < 25);
    QVERIFY(qBlue(right) > 230 && qRed(right) < 25);
    QVERIFY(qRed(middle) > 100 && qRed(middle) < 155);
    MV_EXPECT_PIXEL(img, 50, 80, QGreen);
    MV_EXPECT_PIXEL(img, 52, 80, None);
}

void TestMetafileEmf::emfPlusCommentsAreSkipped()
{
    // An EMF+ header record (dual: EMF records follow) and a drawing record too short to
    // draw, then the EMF fallback drawing, which stands in for the broken EMF+ stream.
    const auto plusComment = [](uint16_t flags) {
        Bytes b;
        b.u32(0x2B464D45);
        b.u16(0x4001).u16(flags).u32(28).u32(16).u32(0xDBC01002).u32(0).u32(96).u32(96);
        b.u16(0x400A).u16(0).u32(12).u32(0); // a drawing record the player does not draw
        return b.data();
    };
    EmfWriter w;
    w.comment(plusComment(1));
    fillOnly(w, Red);
    w.rectangle(10, 10, 90, 90);
    w.comment(QByteArray("GDIC\x02\x00\x00\x00", 8)); // a public comment
    const MetafileRender r = RenderMetafileReport(w.finish(), QSize(100, 100));
    QVERIFY(r.problem.isEmpty());
    QVERIFY(!r.emfPlusOnly);
    MV_EXPECT_PIXEL(r.image, 50, 50, QRed);

    EmfWriter plusOnly;
    plusOnly.comment(plusComment(0));
    QVERIFY(RenderMetafileReport(plusOnly.finish(), QSize(10, 10)).emfPlusOnly);
}

void TestMetafileEmf::unknownRecordsAreSkipped()
{
    EmfWriter w;
    fillOnly(w, Red);
    w.record(200, Bytes().u32(1).u32(2));
    w.record(69, Bytes()); // an unused number
    w.rectangle(10, 10, 90, 90);
    const MetafileRender r = RenderMetafileReport(w.finish(), QSize(100, 100));
    QVERIFY(r.problem.isEmpty());
    MV_EXPECT_PIXEL(r.image, 50, 50, QRed);
}

void TestMetafileEmf::unreadableRecordIsSkipped()
{
    // Well framed but unreadable: a rectangle with one coordinate of four, a polygon whose
    // count runs past its record, a region fill with a region of an unexpected header.
    EmfWriter w;
    fillOnly(w, Red);
    w.rectangle(0, 0, 50, 100);
    w.record(43, Bytes().u32(1));
    w.record(3, Bytes().u32(0).u32(0).u32(0).u32(0).u32(1000).u32(1).u32(2));
    w.rectangle(50, 0, 100, 50);
    // RGNDATA with a header size of zero and a count past the data: its one rectangle is
    // read all the same.
    w.record(74, Bytes().u32(0).u32(0).u32(100).u32(100).u32(48).u32(0).u32(1).u32(9).u32(16).u32(0).u32(0)
                     .u32(100).u32(100).i32(50).i32(50).i32(100).i32(100));
    const MetafileRender r = RenderMetafileReport(w.finish(), QSize(100, 100));
    QVERIFY2(r.problem.isEmpty(), qPrintable(r.problem));
    QCOMPARE(r.skipped, 2);
    MV_EXPECT_PIXEL(r.image, 25, 50, QRed);
    MV_EXPECT_PIXEL(r.image, 75, 25, QRed);
    MV_EXPECT_PIXEL(r.image, 75, 75, QRed);
}

void TestMetafileEmf::brokenFramingEndsDrawing()
{
    EmfWriter w;
    fillOnly(w, Red);
    w.rectangle(0, 0, 50, 100);
    w.record(43, Bytes().u32(1).u32(2).u32(3).u32(4));
    w.rectangle(50, 0, 100, 100);
    QByteArray data = w.finish();
    const qsizetype at = data.indexOf(QByteArray("\x2B\x00\x00\x00\x18\x00\x00\x00\x01\x00", 10));
    QVERIFY(at > 0);
    data[at + 4] = char(0x1A); // a size that is no multiple of four
    const MetafileRender r = RenderMetafileReport(data, QSize(100, 100));
    QVERIFY(!r.problem.isEmpty());
    MV_EXPECT_PIXEL(r.image, 25, 50, QRed);
    MV_EXPECT_PIXEL(r.image, 75, 50, None);
}

MV_TEST_MAIN(TestMetafileEmf)
#include "tst_metafile_emf.moc"
