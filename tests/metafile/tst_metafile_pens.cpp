// Pen widths and where lines fall when a picture is played larger or smaller than it was
// recorded: pens follow the drawing model's rules on the device the picture is played on.

#include "imaging/metafile/metafile.h"
#include "metafilewriter.h"
#include "pixelcheck.h"
#include "testutil.h"

using namespace mv;
using namespace mv::test;

namespace {

enum : uint32_t { PsSolid = 0, PsNull = 5, PsGeometric = 0x10000, PsEndCapFlat = 0x200, NullBrush = 5 };

// Rows of a column that a line crossing it covers.
int thickness(const QImage &image, int x)
{
    int rows = 0;
    for (int y = 0; y < image.height(); ++y)
        rows += qAlpha(image.pixel(x, y)) > 100;
    return rows;
}

} // namespace

class TestMetafilePens : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { sandboxHome(); }
    void widthsUnderScaledMapping_data();
    void widthsUnderScaledMapping();
    void wmfThinPens();
    void linesFallOnTheirPixels_data();
    void linesFallOnTheirPixels();
};

void TestMetafilePens::widthsUnderScaledMapping_data()
{
    // A 100 x 100 picture drawn in sixteenths of its pixels, played four times larger: one
    // logical unit is a quarter of a target pixel.
    QTest::addColumn<bool>("extended");
    QTest::addColumn<uint32_t>("style");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("least");
    QTest::addColumn<int>("most");
    QTest::newRow("width 1") << false << uint32_t(PsSolid) << 1 << 1 << 2;
    QTest::newRow("width 0") << false << uint32_t(PsSolid) << 0 << 1 << 2;
    QTest::newRow("cosmetic") << true << uint32_t(PsSolid) << 1 << 1 << 2;
    QTest::newRow("geometric, under a pixel") << true << uint32_t(PsGeometric | PsEndCapFlat) << 2 << 1 << 2;
    QTest::newRow("geometric, one recorded pixel") << true << uint32_t(PsGeometric | PsEndCapFlat) << 16 << 3 << 5;
    QTest::newRow("geometric, four recorded pixels") << true << uint32_t(PsGeometric | PsEndCapFlat) << 64 << 15 << 17;
    QTest::newRow("old-style width 64") << false << uint32_t(PsSolid) << 64 << 15 << 18;
}

void TestMetafilePens::widthsUnderScaledMapping()
{
    QFETCH(bool, extended);
    QFETCH(uint32_t, style);
    QFETCH(int, width);
    QFETCH(int, least);
    QFETCH(int, most);
    EmfWriter w(100, 100);
    w.setMapMode(8);
    w.setWindowExt(1600, 1600);
    w.setViewportExt(100, 100);
    if (extended)
        w.extCreatePen(1, style, width, 0);
    else
        w.createPen(1, style, width, 0);
    w.selectObject(1);
    w.moveTo(160, 800);
    w.lineTo(1440, 800);
    const QImage img = render(w.finish(), QSize(400, 400));
    const int rows = thickness(img, 200);
    QVERIFY2(rows >= least && rows <= most,
             qPrintable(QStringLiteral("%1 rows; picture: %2").arg(rows).arg(savedFailure(img))));
}

void TestMetafilePens::wmfThinPens()
{
    // The same for a WMF whose window is sixteen times its picture: width 1 stays thin, a
    // width of 64 units is four picture pixels.
    WmfWriter w(QRect(0, 0, 1600, 1600), 1536);
    w.createPen(0, 1, 0);  // slot 0
    w.createPen(0, 64, 0); // slot 1
    w.selectObject(0);
    w.moveTo(160, 400);
    w.lineTo(1440, 400);
    w.selectObject(1);
    w.moveTo(160, 1200);
    w.lineTo(1440, 1200);
    const QImage img = render(w.finish(), QSize(400, 400));
    int thin = 0, wide = 0;
    for (int y = 0; y < 400; ++y) {
        const bool on = qAlpha(img.pixel(200, y)) > 100;
        (y < 200 ? thin : wide) += on;
    }
    QVERIFY2(thin >= 1 && thin <= 2, qPrintable(QStringLiteral("thin %1; picture: %2").arg(thin).arg(savedFailure(img))));
    QVERIFY2(wide >= 15 && wide <= 18, qPrintable(QStringLiteral("wide %1; picture: %2").arg(wide).arg(savedFailure(img))));
}

void TestMetafilePens::linesFallOnTheirPixels_data()
{
    QTest::addColumn<QSize>("target");
    QTest::newRow("as recorded") << QSize(100, 100);
    QTest::newRow("four times larger") << QSize(400, 400);
    QTest::newRow("six times larger") << QSize(600, 600);
}

void TestMetafilePens::linesFallOnTheirPixels()
{
    // A one-pixel line along y = 10 and a filled square from (20, 20): the line covers the
    // target row where y = 10 lands, the square starts at its corner, whatever the scale.
    QFETCH(QSize, target);
    EmfWriter w(100, 100);
    w.moveTo(10, 10);
    w.lineTo(90, 10);
    w.selectObject(Stock(8));
    w.createBrush(2, 0, 0);
    w.selectObject(2);
    w.rectangle(20, 20, 60, 60);
    const QImage img = render(w.finish(), target);
    const int k = target.width() / 100;
    MV_EXPECT_PIXEL(img, 50 * k, 10 * k, QBlack);
    MV_EXPECT_PIXEL(img, 50 * k, 10 * k - 1, None);
    MV_EXPECT_PIXEL(img, 50 * k, 10 * k + 1, None);
    MV_EXPECT_PIXEL(img, 20 * k, 20 * k, QBlack);
    MV_EXPECT_PIXEL(img, 20 * k - 1, 20 * k, None);
    MV_EXPECT_PIXEL(img, 20 * k, 20 * k - 1, None);
}

MV_TEST_MAIN(TestMetafilePens)
#include "tst_metafile_pens.moc"
