#include "imaging/playerlayout.h"
#include "testutil.h"

#include <QPainter>

using namespace mv;

class TestPlayerLayout : public QObject
{
    Q_OBJECT

    static PlayerLayout Make(QSize render, QSize client, bool bestFit, double zoom = 1.0)
    {
        PlayerLayout layout;
        layout.SetRenderSize(render);
        layout.SetClientSize(client);
        layout.SetBestFitMode(bestFit);
        layout.SetZoom(zoom);
        layout.Layout();
        return layout;
    }

private slots:
    void bestFit_data()
    {
        QTest::addColumn<QSize>("render");
        QTest::addColumn<QSize>("client");
        QTest::addColumn<QRect>("display");
        // A 4000 x 3000 photo rendered at 1280 x 960 on a 1280-pixel screen.
        QTest::newRow("photo fills") << QSize(1280, 960) << QSize(800, 600) << QRect(0, 0, 800, 600);
        QTest::newRow("small centred") << QSize(200, 100) << QSize(800, 600) << QRect(300, 250, 200, 100);
        QTest::newRow("tall") << QSize(1000, 2000) << QSize(800, 600) << QRect(250, 0, 300, 600);
        QTest::newRow("exact") << QSize(800, 600) << QSize(800, 600) << QRect(0, 0, 800, 600);
    }
    void bestFit()
    {
        QFETCH(QSize, render);
        QFETCH(QSize, client);
        QFETCH(QRect, display);
        const PlayerLayout layout = Make(render, client, true);
        QCOMPARE(layout.Display(), display);
        QVERIFY(!layout.Scrollable());
        const PaintGeometry g = layout.Geometry();
        QCOMPARE(g.target, QRectF(display));
        QCOMPARE(g.source, QRectF(QPoint(0, 0), render));
        QVERIFY(g.smooth);
    }

    void zoom_data()
    {
        QTest::addColumn<QSize>("render");
        QTest::addColumn<QSize>("client");
        QTest::addColumn<double>("zoom");
        QTest::addColumn<int>("hmax");
        QTest::addColumn<int>("vmax");
        QTest::addColumn<QRect>("display");
        QTest::newRow("exactly as wide, not scrollable") << QSize(800, 600) << QSize(800, 600) << 1.0 << 0 << 0
                                                        << QRect(0, 0, 800, 600);
        QTest::newRow("overhangs both") << QSize(800, 600) << QSize(400, 300) << 1.0 << 400 << 300
                                        << QRect(0, 0, 400, 300);
        QTest::newRow("zoomed, still inside") << QSize(200, 100) << QSize(800, 600) << 2.0 << 0 << 0
                                              << QRect(200, 200, 400, 200);
        QTest::newRow("zoomed out") << QSize(1000, 500) << QSize(800, 600) << 0.5 << 0 << 0
                                    << QRect(150, 175, 500, 250);
        QTest::newRow("one axis only") << QSize(1000, 100) << QSize(500, 500) << 1.0 << 500 << 0
                                       << QRect(0, 200, 500, 100);
        // 333 x 1.5 = 499.5: the shown width rounds half to even.
        QTest::newRow("half pixel rounds to even") << QSize(333, 4) << QSize(1000, 10) << 1.5 << 0 << 0
                                                   << QRect(250, 2, 500, 6);
        // Overhanging by half a pixel gives no range.
        QTest::newRow("half pixel overhang") << QSize(333, 4) << QSize(499, 10) << 1.5 << 0 << 0
                                             << QRect(0, 2, 499, 6);
        QTest::newRow("zero zoom shows nothing") << QSize(100, 100) << QSize(200, 200) << 0.0 << 0 << 0
                                                 << QRect(100, 100, 0, 0);
        QTest::newRow("negative zoom shows nothing") << QSize(100, 100) << QSize(200, 200) << -2.0 << 0 << 0
                                                     << QRect(100, 100, 0, 0);
        QTest::newRow("absurd zoom stays in range") << QSize(100, 100) << QSize(200, 200) << 1e12 << 1000000000
                                                    << 1000000000 << QRect(0, 0, 200, 200);
        QTest::newRow("odd leftover truncated") << QSize(101, 101) << QSize(200, 200) << 1.0 << 0 << 0
                                                << QRect(49, 49, 101, 101);
    }
    void zoom()
    {
        QFETCH(QSize, render);
        QFETCH(QSize, client);
        QFETCH(double, zoom);
        QFETCH(int, hmax);
        QFETCH(int, vmax);
        QFETCH(QRect, display);
        const PlayerLayout layout = Make(render, client, false, zoom);
        QCOMPARE(layout.HMax(), hmax);
        QCOMPARE(layout.VMax(), vmax);
        QCOMPARE(layout.Display(), display);
        QCOMPARE(layout.Scrollable(), hmax != 0 || vmax != 0);
        // A new picture opens centred.
        QCOMPARE(layout.HPos(), hmax / 2);
        QCOMPARE(layout.VPos(), vmax / 2);
    }

    void noRenderBitmap()
    {
        const PlayerLayout layout = Make(QSize(), QSize(800, 600), false, 3.0);
        QCOMPARE(layout.Display().size(), QSize(10, 10));
        QCOMPARE(layout.Geometry().target, QRectF());
    }

    void zoomKeepsRelativeScroll()
    {
        PlayerLayout layout = Make(QSize(1000, 1000), QSize(500, 500), false, 1.0);
        QCOMPARE(layout.HMax(), 500);
        QCOMPARE(layout.HPos(), 250);
        // Middle stays middle: HMax1 / 2 to HMax2 / 2.
        layout.SetZoom(2.0);
        layout.Layout();
        QCOMPARE(layout.HMax(), 1500);
        QCOMPARE(layout.HPos(), 750);
        QCOMPARE(layout.VPos(), 750);
        // Scrolled to a tenth: a tenth again after the zoom (integer arithmetic).
        QVERIFY(layout.DragBy(600, 0));
        QCOMPARE(layout.HPos(), 150);
        layout.SetZoom(1.0);
        layout.Layout();
        QCOMPARE(layout.HPos(), 50);
        QCOMPARE(layout.VPos(), 250);
        // Through a zoom that fits (no range): back to the centre.
        layout.SetZoom(0.25);
        layout.Layout();
        QCOMPARE(layout.HMax(), 0);
        QCOMPARE(layout.HPos(), 0);
        layout.SetZoom(3.0);
        layout.Layout();
        QCOMPARE(layout.HMax(), 2500);
        QCOMPARE(layout.HPos(), 1250);
        // Best fit keeps the ranges and the position.
        layout.SetBestFitMode(true);
        layout.Layout();
        QCOMPARE(layout.HMax(), 2500);
        QCOMPARE(layout.HPos(), 1250);
        QCOMPARE(layout.Display(), QRect(0, 0, 500, 500));
    }

    void dragLimitsAndBestFit()
    {
        PlayerLayout layout = Make(QSize(300, 300), QSize(100, 100), false, 1.0);
        QCOMPARE(layout.HPos(), 100);
        // The image follows the mouse: moving right shows more of the left.
        QVERIFY(layout.DragBy(30, -20));
        QCOMPARE(layout.HPos(), 70);
        QCOMPARE(layout.VPos(), 120);
        QVERIFY(layout.DragBy(1000, -1000));
        QCOMPARE(layout.HPos(), 0);
        QCOMPARE(layout.VPos(), 200);
        // Already at the edge: nothing changes, nothing to repaint.
        QVERIFY(!layout.DragBy(5, -5));
        // Sub-pixel steps round.
        QVERIFY(layout.DragBy(-0.6, 0));
        QCOMPARE(layout.HPos(), 1);
        layout.SetBestFitMode(true);
        layout.Layout();
        QVERIFY(!layout.DragBy(-50, -50));
        QCOMPARE(layout.HPos(), 1);
    }

    // Painting the geometry must show at client pixel x the render pixel under its centre,
    // (HPos + x + 0.5) / zoom, for every scroll position, whole and fractional zooms alike.
    void paintedPixelsFollowScroll_data()
    {
        QTest::addColumn<double>("zoom");
        QTest::newRow("2") << 2.0;
        QTest::newRow("3") << 3.0;
        QTest::newRow("1") << 1.0;
        QTest::newRow("4") << 4.0;
        QTest::newRow("1.5") << 1.5;
        QTest::newRow("2.75") << 2.75;
    }
    void paintedPixelsFollowScroll()
    {
        QFETCH(double, zoom);
        QImage render(100, 4, QImage::Format_RGB32);
        for (int x = 0; x < 100; ++x)
            for (int y = 0; y < 4; ++y)
                render.setPixel(x, y, qRgb(x, 0, 0));
        PlayerLayout layout = Make(render.size(), QSize(50, 4), false, zoom);
        QVERIFY(layout.HMax() > 0);
        for (int pos = 0; pos <= qMin(layout.HMax(), 40); ++pos) {
            layout.DragBy(layout.HPos() - pos, 0);
            QCOMPARE(layout.HPos(), pos);
            const PaintGeometry g = layout.Geometry();
            if (zoom == int(zoom))
                QCOMPARE(g.target.x(), double(-(pos % int(zoom)))); // whole zooms: the remainder
            QImage client(50, 4, QImage::Format_RGB32);
            client.fill(Qt::white);
            QPainter p(&client);
            p.drawImage(g.target, render, g.source);
            p.end();
            for (int x : {0, 1, 2, 25, 49}) {
                // A centre that falls on a pixel border may go either way.
                const int shown = qRed(client.pixel(x, 0));
                QVERIFY2(shown >= int((pos + x + 0.48) / zoom) && shown <= int((pos + x + 0.52) / zoom),
                         qPrintable(QStringLiteral("HPos %1, x %2: pixel %3").arg(pos).arg(x).arg(shown)));
            }
        }
    }
};

MV_TEST_MAIN(TestPlayerLayout)
#include "tst_playerlayout.moc"
