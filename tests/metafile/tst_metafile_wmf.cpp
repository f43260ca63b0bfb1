// WMF pictures made by the test's own writer, drawn by the player and checked pixel by pixel.

#include "imaging/metafile/metafile.h"
#include "metafilewriter.h"
#include "pixelcheck.h"
#include "testutil.h"

using namespace mv;
using namespace mv::test;

namespace {

const uint32_t Red = Rgb(255, 0, 0), Blue = Rgb(0, 0, 255), Green = Rgb(0, 255, 0), Black = 0;

// Object slots: 0 null pen... the writer's objects take slots in order of creation.
void fillOnly(WmfWriter &w, uint32_t color)
{
    w.createPen(5, 0, 0); // null pen, slot 0
    w.selectObject(0);
    w.createBrush(0, color); // slot 1
    w.selectObject(1);
}

} // namespace

class TestMetafileWmf : public QObject {
    Q_OBJECT

private slots:
    void placeableBoxFillsTarget();
    void windowRecordsMapThePicture_data();
    void windowRecordsMapThePicture();
    void objectSlotsAreReused();
    void shapes();
    void polyPolygonFillModes_data();
    void polyPolygonFillModes();
    void clipping();
    void saveAndRestore();
    void text();
    void bitmaps();
    void unreadableRecordIsSkipped();
    void oddRegionKeepsLaterObjects();
    void brokenFramingEndsDrawing();
};

void TestMetafileWmf::placeableBoxFillsTarget()
{
    // Box of 1000 x 500 units at 1000 per inch: 96 x 48 pixels; drawn into 200 x 100.
    WmfWriter w(QRect(0, 0, 1000, 500), 1000);
    fillOnly(w, Red);
    w.rectangle(500, 0, 1000, 250);
    const QByteArray data = w.finish();
    QCOMPARE(ReadMetafileInfo(data).pixelSize, QSize(96, 48));
    const QImage img = render(data, QSize(200, 100));
    MV_EXPECT_PIXEL(img, 150, 25, QRed);
    MV_EXPECT_PIXEL(img, 50, 25, None);
    MV_EXPECT_PIXEL(img, 150, 75, None);
}

void TestMetafileWmf::windowRecordsMapThePicture_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QPoint>("inside");
    QTest::addColumn<QPoint>("outside");
    {
        // The file's own window, upside down (y up), overrides the placeable box.
        WmfWriter w(QRect(0, 0, 1000, 1000), 1000);
        w.setWindowOrg(0, 1000);
        w.setWindowExt(1000, -1000);
        fillOnly(w, Red);
        w.rectangle(0, 0, 500, 500); // the bottom-left quarter
        QTest::newRow("upside-down window") << w.finish() << QPoint(25, 75) << QPoint(25, 25);
    }
    {
        WmfWriter w;
        w.setMapMode(8);
        w.setWindowOrg(100, 100);
        w.setWindowExt(200, 200);
        fillOnly(w, Red);
        w.rectangle(200, 200, 300, 300);
        QTest::newRow("window origin and extent") << w.finish() << QPoint(75, 75) << QPoint(25, 25);
    }
    {
        // Without any extent the drawing's own area is the picture.
        WmfWriter w;
        fillOnly(w, Red);
        w.rectangle(1000, 1000, 1100, 1050);
        w.ellipse(1050, 1050, 1100, 1100);
        QTest::newRow("no extent") << w.finish() << QPoint(50, 25) << QPoint(5, 95);
    }
}

void TestMetafileWmf::windowRecordsMapThePicture()
{
    QFETCH(QByteArray, data);
    QFETCH(QPoint, inside);
    QFETCH(QPoint, outside);
    const QImage img = render(data);
    MV_EXPECT_PIXEL(img, inside.x(), inside.y(), QRed);
    MV_EXPECT_PIXEL(img, outside.x(), outside.y(), None);
}

void TestMetafileWmf::objectSlotsAreReused()
{
    WmfWriter w(QRect(0, 0, 100, 100), 96);
    w.createPen(5, 0, 0);        // slot 0: null pen
    w.createBrush(0, Red);       // slot 1
    w.createBrush(0, Blue);      // slot 2
    w.selectObject(0);
    w.deleteObject(1);
    w.createBrush(0, Green);     // takes the freed slot 1
    w.selectObject(1);
    w.rectangle(0, 0, 50, 100);
    w.selectObject(2);
    w.rectangle(50, 0, 100, 100);
    const QImage img = render(w.finish());
    MV_EXPECT_PIXEL(img, 25, 50, QGreen);
    MV_EXPECT_PIXEL(img, 75, 50, QBlue);
}

void TestMetafileWmf::shapes()
{
    WmfWriter w(QRect(0, 0, 100, 100), 96);
    w.createPen(0, 4, Black);    // slot 0
    w.selectObject(0);
    w.createBrush(0, Red);       // slot 1
    w.selectObject(1);
    w.ellipse(0, 0, 50, 50);
    w.polygon({{60, 10}, {90, 10}, {75, 40}});
    w.pie(QRect(0, 50, 50, 50), QPoint(50, 75), QPoint(25, 50)); // upper right quarter of the circle
    w.moveTo(60, 90);
    w.lineTo(95, 90);
    w.polyline({{60, 60}, {95, 60}});
    const QImage img = render(w.finish());
    MV_EXPECT_PIXEL(img, 25, 25, QRed);
    MV_EXPECT_PIXEL(img, 2, 2, None);
    MV_EXPECT_PIXEL(img, 75, 20, QRed);
    MV_EXPECT_PIXEL(img, 35, 65, QRed);
    MV_EXPECT_PIXEL(img, 15, 85, None);
    MV_EXPECT_PIXEL(img, 80, 90, QBlack);
    MV_EXPECT_PIXEL(img, 80, 60, QBlack);
    MV_EXPECT_PIXEL(img, 80, 75, None);
}

void TestMetafileWmf::polyPolygonFillModes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QColor>("overlap");
    QTest::newRow("alternate") << 1 << None;
    QTest::newRow("winding") << 2 << QRed;
}

void TestMetafileWmf::polyPolygonFillModes()
{
    QFETCH(int, mode);
    QFETCH(QColor, overlap);
    WmfWriter w(QRect(0, 0, 100, 100), 96);
    fillOnly(w, Red);
    w.setPolyFillMode(mode);
    w.polyPolygon({{{10, 10}, {60, 10}, {60, 60}, {10, 60}}, {{40, 40}, {90, 40}, {90, 90}, {40, 90}}});
    const QImage img = render(w.finish());
    MV_EXPECT_PIXEL(img, 20, 20, QRed);
    MV_EXPECT_PIXEL(img, 50, 50, overlap);
}

void TestMetafileWmf::clipping()
{
    WmfWriter w(QRect(0, 0, 100, 100), 96);
    fillOnly(w, Red);
    w.createRegion({QRect(0, 0, 40, 40), QRect(60, 60, 40, 40)}); // slot 2
    w.selectClipRegion(2);
    w.excludeClipRect(0, 0, 20, 20);
    w.rectangle(0, 0, 100, 100);
    w.selectClipRegion(0xFFFF); // no region: no clip
    w.createBrush(0, Blue);     // slot 3
    w.selectObject(3);
    w.intersectClipRect(45, 0, 55, 100);
    w.rectangle(0, 0, 100, 100);
    const QImage img = render(w.finish());
    MV_EXPECT_PIXEL(img, 30, 30, QRed);
    MV_EXPECT_PIXEL(img, 80, 80, QRed);
    MV_EXPECT_PIXEL(img, 10, 10, None);
    MV_EXPECT_PIXEL(img, 80, 20, None);
    MV_EXPECT_PIXEL(img, 50, 50, QBlue);
    MV_EXPECT_PIXEL(img, 70, 20, None);
}

void TestMetafileWmf::saveAndRestore()
{
    WmfWriter w(QRect(0, 0, 100, 100), 96);
    fillOnly(w, Red);
    w.saveDc();
    w.createBrush(0, Blue); // slot 2
    w.selectObject(2);
    w.intersectClipRect(0, 0, 10, 10);
    w.restoreDc(-1);
    w.rectangle(20, 20, 80, 80);
    const QImage img = render(w.finish());
    MV_EXPECT_PIXEL(img, 50, 50, QRed);
}

void TestMetafileWmf::text()
{
    WmfWriter w(QRect(0, 0, 200, 100), 96);
    w.setBkMode(1);
    w.createFont(-30, QByteArray("\xCB\xCE\xCC\xE5"), 134); // 宋体 in GB2312
    w.selectObject(0);
    w.textOut(10, 5, QByteArray("\xD6\xD0\xCE\xC4"));      // 中文
    w.setTextAlign(2);                                       // right
    w.extTextOut(190, 50, QByteArray("AB"), 0, QRect(), {60, 20});
    const QImage img = render(w.finish(), QSize(200, 100));
    QVERIFY2(darkPixels(img, QRect(0, 0, 100, 45)) > 80, qPrintable(savedFailure(img)));
    // Right-aligned with the advances given: the text spans 80 units to the left of 190.
    QVERIFY2(darkPixels(img, QRect(105, 50, 30, 40)) > 20, qPrintable(savedFailure(img)));
    QVERIFY2(darkPixels(img, QRect(170, 50, 30, 40)) > 10, qPrintable(savedFailure(img)));
    QCOMPARE(darkPixels(img, QRect(0, 50, 100, 50)), 0);
}

void TestMetafileWmf::bitmaps()
{
    QImage src(2, 2, QImage::Format_RGB32);
    src.setPixel(0, 0, qRgb(255, 0, 0));
    src.setPixel(1, 0, qRgb(0, 255, 0));
    src.setPixel(0, 1, qRgb(0, 0, 255));
    src.setPixel(1, 1, qRgb(0, 0, 0));
    WmfWriter w(QRect(0, 0, 100, 100), 96);
    w.dibStretchBlt(QRect(0, 0, 50, 50), QRect(0, 0, 2, 2), MakeDib(src, 24));
    w.stretchDib(QRect(50, 50, 50, 50), QRect(0, 0, 2, 2), MakeDib(src, 8));
    w.createBrush(0, Green); // slot 0
    w.selectObject(0);
    w.patBlt(QRect(60, 0, 30, 30), 0x00F00021);
    w.dibBitBlt(QRect(0, 90, 2, 2), QPoint(0, 0), MakeDib(src, 24)); // one to one
    const QImage img = render(w.finish());
    MV_EXPECT_PIXEL(img, 12, 12, QRed);
    MV_EXPECT_PIXEL(img, 37, 12, QGreen);
    MV_EXPECT_PIXEL(img, 12, 37, QBlue);
    MV_EXPECT_PIXEL(img, 62, 62, QRed);
    MV_EXPECT_PIXEL(img, 87, 87, QBlack);
    MV_EXPECT_PIXEL(img, 75, 15, QGreen);
    MV_EXPECT_PIXEL(img, 25, 75, None);
    MV_EXPECT_PIXEL(img, 0, 90, QRed);
    MV_EXPECT_PIXEL(img, 1, 91, QBlack);
    MV_EXPECT_PIXEL(img, 3, 90, None);
}

void TestMetafileWmf::unreadableRecordIsSkipped()
{
    // A polygon of 500 points holding one: well framed, unreadable, left out.
    WmfWriter w(QRect(0, 0, 100, 100), 96);
    fillOnly(w, Red);
    w.rectangle(0, 0, 50, 100);
    w.record(0x0324, Bytes().u16(500).u16(1).u16(2));
    w.rectangle(50, 0, 100, 100);
    const MetafileRender r = RenderMetafileReport(w.finish(), QSize(100, 100));
    QVERIFY2(r.problem.isEmpty(), qPrintable(r.problem));
    QCOMPARE(r.skipped, 1);
    MV_EXPECT_PIXEL(r.image, 25, 50, QRed);
    MV_EXPECT_PIXEL(r.image, 75, 50, QRed);
}

void TestMetafileWmf::oddRegionKeepsLaterObjects()
{
    // A region record too short to read takes slot 0 all the same; a region whose scan
    // count promises more than it holds (slot 1) keeps its readable scan; the brush and pen
    // after them land in slots 2 and 3, and selecting the empty slot 0 changes nothing.
    WmfWriter w(QRect(0, 0, 100, 100), 96);
    w.record(0x06FF, Bytes().u16(0).u16(6).u32(0));
    Bytes region;
    region.u16(0).u16(6).u32(0).i16(34).i16(5).i16(1).i16(0).i16(0).i16(100).i16(50);
    region.u16(2).i16(0).i16(50).i16(0).i16(100).u16(2); // one scan of the five
    w.record(0x06FF, region);
    w.createBrush(0, Blue);  // slot 2
    w.createPen(5, 0, 0);    // slot 3: null pen
    w.selectObject(2);
    w.selectObject(3);
    w.selectObject(0);
    w.selectClipRegion(1);
    w.rectangle(0, 0, 100, 100);
    const MetafileRender r = RenderMetafileReport(w.finish(), QSize(100, 100));
    QVERIFY2(r.problem.isEmpty(), qPrintable(r.problem));
    QCOMPARE(r.skipped, 1);
    MV_EXPECT_PIXEL(r.image, 50, 25, QBlue);
    MV_EXPECT_PIXEL(r.image, 50, 75, None); // outside the clip of the region's one scan
}

void TestMetafileWmf::brokenFramingEndsDrawing()
{
    WmfWriter w(QRect(0, 0, 100, 100), 96);
    fillOnly(w, Red);
    w.rectangle(0, 0, 50, 100);
    w.record(0x0324, Bytes().u16(1).u16(2).u16(3));
    w.rectangle(50, 0, 100, 100);
    QByteArray data = w.finish();
    // The polygon's size in words (after the placeable and standard headers and the three
    // records before it) made to run past the end of the file.
    const qsizetype at = data.indexOf(QByteArray("\x24\x03\x01\x00", 4)) - 4;
    QVERIFY(at > 0);
    data[at] = char(0x70);
    data[at + 1] = char(0x70);
    const MetafileRender r = RenderMetafileReport(data, QSize(100, 100));
    QVERIFY(!r.problem.isEmpty());
    MV_EXPECT_PIXEL(r.image, 25, 50, QRed);
    MV_EXPECT_PIXEL(r.image, 75, 50, None);
}

MV_TEST_MAIN(TestMetafileWmf)
#include "tst_metafile_wmf.moc"
