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
        // The whole render bitmap smoothed to the shown size, drawn 1:1.
        QVERIFY(g.smooth);
        QCOMPARE(g.scaled, display.size());
        QCOMPARE(g.source, QRectF(QPoint(0, 0), display.size()));
    }

    // The scale on the screen is what the zoom commands step from.
    void scale_data()
    {
        QTest::addColumn<QSize>("render");
        QTest::addColumn<bool>("bestFit");
        QTest::addColumn<double>("zoom");
        QTest::addColumn<double>("scale");
        // 4000 x 3000 rendered at 1280 x 960, fitted into the viewer's 750 x 518 canvas.
        QTest::newRow("fit reduces") << QSize(1280, 960) << true << 1.0 << 518.0 / 960;
        QTest::newRow("fit of a tall picture") << QSize(427, 1280) << true << 1.0 << 518.0 / 1280;
        QTest::newRow("a small picture fits as it is") << QSize(200, 100) << true << 3.0 << 1.0;
        QTest::newRow("zoom") << QSize(1280, 960) << false << 0.7 << 0.7;
        QTest::newRow("no render bitmap") << QSize() << true << 2.0 << 1.0;
    }
    void scale()
    {
        const PlayerLayout layout =
            Make(MV_FETCH(QSize, render), QSize(750, 518), MV_FETCH(bool, bestFit), MV_FETCH(double, zoom));
        QCOMPARE(layout.Scale(), MV_FETCH(double, scale));
    }

    // The wheel keeps the picture point under the pointer: after the zoom the same render
    // pixel is under the anchor, within a pixel of the screen.
    void zoomAboutKeepsThePoint_data()
    {
        QTest::addColumn<bool>("fromFit");
        QTest::addColumn<double>("from");
        QTest::addColumn<QPoint>("drag");
        QTest::addColumn<double>("to");
        QTest::addColumn<QPointF>("anchor");
        QTest::newRow("fit, in near a corner") << true << 1.0 << QPoint() << 1.0 << QPointF(200, 400);
        QTest::newRow("fit, in at the middle") << true << 1.0 << QPoint() << 0.64 << QPointF(375, 259);
        QTest::newRow("zoomed and dragged, in") << false << 1.5 << QPoint(-200, 100) << 1.6 << QPointF(700, 20);
        QTest::newRow("zoomed, out") << false << 2.0 << QPoint(150, -80) << 1.9 << QPointF(30.5, 497.25);
        QTest::newRow("far in") << false << 4.9 << QPoint(-1000, -700) << 5.0 << QPointF(600, 300);
    }
    void zoomAboutKeepsThePoint()
    {
        QFETCH(double, to);
        QFETCH(QPointF, anchor);
        PlayerLayout layout =
            Make(QSize(1280, 960), QSize(750, 518), MV_FETCH(bool, fromFit), MV_FETCH(double, from));
        const QPoint drag = MV_FETCH(QPoint, drag);
        layout.DragBy(drag.x(), drag.y());
        const QPointF before = layout.RenderPointAt(anchor);
        layout.ZoomAbout(to, anchor);
        QVERIFY(!layout.BestFitMode());
        QCOMPARE(layout.Zoom(), to);
        QVERIFY(layout.HMax() > 0 && layout.VMax() > 0);
        QVERIFY(layout.HPos() > 0 && layout.HPos() < layout.HMax());
        const QPointF after = layout.RenderPointAt(anchor);
        QVERIFY2(qAbs(after.x() - before.x()) * to <= 0.5 && qAbs(after.y() - before.y()) * to <= 0.5,
                 qPrintable(QStringLiteral("(%1, %2) moved to (%3, %4)")
                                .arg(before.x()).arg(before.y()).arg(after.x()).arg(after.y())));
        // The painted pixel under the anchor is that render pixel.
        const PaintGeometry g = layout.Geometry();
        const double offset = anchor.x() - g.target.x();
        const double shownX = g.smooth ? (g.source.x() + offset) * 1280 / g.scaled.width()
                                       : g.source.x() + offset * g.source.width() / g.target.width();
        QVERIFY(qAbs(shownX - before.x()) * to <= 1.0);
    }

    // Steps at one place never add up their rounding; after a drag the point under the
    // pointer is the new one.
    void repeatedStepsDoNotDrift()
    {
        PlayerLayout layout = Make(QSize(1280, 960), QSize(750, 518), false, 1.0);
        const QPointF anchor(123.4, 321.7);
        const QPointF before = layout.RenderPointAt(anchor);
        double zoom = 1.0;
        for (int step = 0; step < 40; ++step) {
            zoom += 0.1;
            layout.ZoomAbout(zoom, anchor);
        }
        QPointF after = layout.RenderPointAt(anchor);
        QVERIFY(qAbs(after.x() - before.x()) * zoom <= 0.5 && qAbs(after.y() - before.y()) * zoom <= 0.5);
        layout.DragBy(-37, 12);
        const QPointF dragged = layout.RenderPointAt(anchor);
        for (int step = 0; step < 10; ++step) {
            zoom -= 0.1;
            layout.ZoomAbout(zoom, anchor);
        }
        after = layout.RenderPointAt(anchor);
        QVERIFY(qAbs(after.x() - dragged.x()) * zoom <= 0.5 && qAbs(after.y() - dragged.y()) * zoom <= 0.5);
    }

    // Where the scroll ranges end, the point goes as far as they allow; a picture that fits
    // after the zoom is centred.
    void zoomAboutAtTheLimits()
    {
        PlayerLayout layout = Make(QSize(1280, 960), QSize(750, 518), false, 1.0);
        layout.DragBy(1000, 1000); // at the top-left corner
        layout.ZoomAbout(0.9, QPointF(700, 500));
        QVERIFY(layout.HMax() > 0);
        QCOMPARE(layout.HPos(), 0);
        QCOMPARE(layout.VPos(), 0);
        layout.ZoomAbout(0.5, QPointF(10, 10));
        QCOMPARE(layout.HMax(), 0);
        QCOMPARE(layout.Display(), QRect(55, 19, 640, 480));
        layout.ZoomAbout(0.0, QPointF(10, 10)); // shows nothing, and nothing breaks
        QCOMPARE(layout.Display().size(), QSize(0, 0));
    }

    // Below 1 the picture is reduced smoothly as a whole, then its visible part copied.
    void reducedZoomIsSmooth()
    {
        PlayerLayout layout = Make(QSize(2000, 1000), QSize(500, 300), false, 0.5);
        QCOMPARE(layout.HMax(), 500);
        QCOMPARE(layout.VMax(), 200);
        layout.DragBy(-40, 30);
        PaintGeometry g = layout.Geometry();
        QVERIFY(g.smooth);
        QCOMPARE(g.scaled, QSize(1000, 500));
        QCOMPARE(g.source, QRectF(layout.HPos(), layout.VPos(), 500, 300));
        QCOMPARE(g.target, QRectF(0, 0, 500, 300));
        // Reduced and fitting: all of it, centred.
        layout.SetZoom(0.2);
        layout.Layout();
        g = layout.Geometry();
        QCOMPARE(g.scaled, QSize(400, 200));
        QCOMPARE(g.source, QRectF(0, 0, 400, 200));
        QCOMPARE(g.target, QRectF(50, 50, 400, 200));
        // Enlarged: pixels repeated, not smoothed.
        layout.SetZoom(2.0);
        layout.Layout();
        QVERIFY(!layout.Geometry().smooth);
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
