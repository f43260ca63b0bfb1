// Hostile metafiles: small files that ask for far more memory or work than their size
// suggests (see hostile.h), and files that hold much over their whole run but little at
// once. The first must end by the player's budgets, keeping what was drawn before; the
// second must draw to the end.

#include "hostile.h"
#include "imaging/metafile/metafile.h"
#include "metafilewriter.h"
#include "pixelcheck.h"
#include "testutil.h"

using namespace mv;
using namespace mv::test;

class TestMetafileBudget : public QObject {
    Q_OBJECT

private slots:
    void budgetsEndHostileFiles_data();
    void budgetsEndHostileFiles();
    void memoryIsGivenBack_data();
    void memoryIsGivenBack();
};

namespace {

enum class End { DrawnWhole, OutOfWork, OutOfMemory };

const QString OutOfMemory = QStringLiteral("needs more than 256 MB of memory");
const QString OutOfWork = QStringLiteral("needs far more work than its size allows");

} // namespace

void TestMetafileBudget::budgetsEndHostileFiles_data()
{
    // How each file made to cost far more than its size ends: by which budget, or drawn
    // whole when what it asks for stays within them anyway.
    const QHash<QString, End> ends = {
        {QStringLiteral("emf-rle-pattern-brushes"), End::OutOfMemory},
        {QStringLiteral("emf-path-saved-states"), End::OutOfMemory},
        {QStringLiteral("emf-polytext-in-path"), End::OutOfWork},
        {QStringLiteral("emf-polytext"), End::OutOfWork},
        {QStringLiteral("emf-rle-stretchdibits"), End::OutOfWork},
        {QStringLiteral("wmf-rle-pattern-brushes"), End::OutOfMemory},
        {QStringLiteral("wmf-rle-stretchdib"), End::OutOfWork},
        {QStringLiteral("emf-short-raw-bitmaps"), End::OutOfWork},
        {QStringLiteral("emf-png-bitmaps"), End::OutOfWork},
        {QStringLiteral("emf-resized-palettes"), End::OutOfMemory},
        {QStringLiteral("wmf-palette-states"), End::DrawnWhole}, // saved states are limited in number
        {QStringLiteral("emf-clip-region-states"), End::OutOfWork},
        {QStringLiteral("wmf-region-references"), End::OutOfWork},
        {QStringLiteral("emf-gradient-triangles"), End::OutOfWork},
        {QStringLiteral("emf-widen-dashes"), End::OutOfMemory},
        {QStringLiteral("emf-mono-pattern-fills"), End::OutOfWork},
        {QStringLiteral("emf-font-faces"), End::OutOfWork},
        {QStringLiteral("emf-crowded-edges"), End::OutOfWork},
        {QStringLiteral("emf-huge-glyphs"), End::OutOfWork},
        {QStringLiteral("emf-glyph-sizes"), End::OutOfWork},
        {QStringLiteral("emf-polypolygon-parts"), End::DrawnWhole},
        {QStringLiteral("emf-plus-records"), End::DrawnWhole},
        {QStringLiteral("emfplus-path-fills"), End::OutOfWork},
        {QStringLiteral("emfplus-png-images"), End::OutOfMemory},
        {QStringLiteral("emfplus-texture-objects"), End::OutOfWork},
        {QStringLiteral("emfplus-container-clips"), End::OutOfWork},
        {QStringLiteral("emfplus-nested-metafiles"), End::OutOfWork},
    };
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("end");
    const QList<HostileMetafile> files = HostileMetafiles();
    QCOMPARE(files.size(), ends.size());
    for (const HostileMetafile &f : files) {
        QVERIFY2(ends.contains(f.name), qPrintable(f.name));
        QTest::newRow(qPrintable(f.name)) << f.data << int(ends.value(f.name));
    }
}

void TestMetafileBudget::budgetsEndHostileFiles()
{
    // Drawn at the picture's own size, as the viewer shows it; the marker in the top-left
    // quarter was drawn before the hostile part and stays.
    QFETCH(QByteArray, data);
    QFETCH(int, end);
    const QSize size = ReadMetafileInfo(data).pixelSize;
    const MetafileRender r = RenderMetafileReport(data, size);
    QVERIFY2(!r.image.isNull(), qPrintable(r.error));
    switch (End(end)) {
    case End::DrawnWhole: QVERIFY2(r.problem.isEmpty(), qPrintable(r.problem)); break;
    case End::OutOfWork: QVERIFY2(r.problem.contains(OutOfWork), qPrintable(r.problem)); break;
    case End::OutOfMemory: QVERIFY2(r.problem.contains(OutOfMemory), qPrintable(r.problem)); break;
    }
    MV_EXPECT_PIXEL(r.image, size.width() / 4, size.height() / 4, QRed);
}

void TestMetafileBudget::memoryIsGivenBack_data()
{
    // Each file holds far more than the memory limit over its whole run, but never much at
    // once: objects are deleted, saved states restored, paths ended. Each ends with a blue
    // square that shows it was drawn to the end.
    QTest::addColumn<QByteArray>("data");
    const auto finish = [](EmfWriter &w) {
        w.createBrush(2, 0, Rgb(0, 0, 255));
        w.selectObject(2);
        w.rectangle(0, 0, 20, 20);
        return w.finish();
    };
    {
        // 18 bitmaps of 16 MB each, one at a time: 288 MB in all.
        EmfWriter w(2048, 2048);
        w.selectObject(Stock(8));
        Bytes info;
        info.u32(40).i32(2048).i32(2048).u16(1).u16(8).u32(1).u32(2).i32(0).i32(0).u32(1).u32(0).u32(0xFF);
        const Dib empty{info.data(), QByteArray("\0\1", 2)};
        for (int i = 0; i < 18; ++i) {
            w.createDibPatternBrush(1, empty);
            w.selectObject(1);
            w.rectangle(100, 100, 200, 200);
            w.selectObject(Stock(0));
            w.deleteObject(1);
        }
        QTest::newRow("pattern brushes deleted after use") << finish(w);
    }
    {
        // A path of 4.8 MB copied by 60 changes, each undone by restoring the state.
        EmfWriter w(200, 200);
        w.selectObject(Stock(8));
        QList<QPoint> points;
        for (int i = 0; i < 200000; ++i)
            points.append(QPoint(i % 100, (i * 7) % 100));
        w.beginPath();
        w.moveTo(0, 0);
        w.polylineTo(points, true);
        for (int i = 0; i < 60; ++i) {
            w.saveDc();
            w.lineTo(i, 50);
            w.restoreDc(-1);
        }
        w.endPath();
        w.beginPath();
        w.endPath();
        QTest::newRow("path copies of saved states restored") << finish(w);
    }
    {
        // The same path of 7.2 MB kept by 100 saved states that never change it: one copy.
        EmfWriter w(200, 200);
        w.selectObject(Stock(8));
        QList<QPoint> points;
        for (int i = 0; i < 300000; ++i)
            points.append(QPoint(i % 100, (i * 7) % 100));
        w.beginPath();
        w.moveTo(0, 0);
        w.polylineTo(points, true);
        w.endPath();
        for (int i = 0; i < 100; ++i) {
            w.saveDc();
            w.beginPath();
            w.lineTo(i, 50);
            w.endPath();
            w.strokePath();
        }
        QTest::newRow("one path shared by saved states") << finish(w);
    }
    {
        // 1100 palettes of 256 KB, each deleted after use: 275 MB in all.
        EmfWriter w(100, 100);
        w.selectObject(Stock(8));
        for (int i = 0; i < 1100; ++i) {
            w.createPalette(1, {qRgb(0, 0, 0)});
            w.resizePalette(1, 65536);
            w.selectPalette(1);
            w.selectPalette(Stock(15));
            w.deleteObject(1);
        }
        QTest::newRow("palettes deleted after use") << finish(w);
    }
}

void TestMetafileBudget::memoryIsGivenBack()
{
    QFETCH(QByteArray, data);
    const MetafileRender r = RenderMetafileReport(data, ReadMetafileInfo(data).pixelSize);
    QVERIFY2(r.problem.isEmpty(), qPrintable(r.problem));
    MV_EXPECT_PIXEL(r.image, 10, 10, QBlue);
}

MV_TEST_MAIN(TestMetafileBudget)
#include "tst_metafile_budget.moc"
