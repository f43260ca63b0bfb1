#include "testutil.h"
#include "viewer/slideclock.h"
#include "viewer/viewerlogic.h"

#include <QSignalSpy>

using namespace mv;

class TestViewerLogic : public QObject
{
    Q_OBJECT
private slots:
    void placement_data()
    {
        QTest::addColumn<QString>("max2");
        QTest::addColumn<QString>("playerWnd2");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<bool>("maximized");
        const QSize screen(1920, 1080);
        Q_UNUSED(screen);
        QTest::newRow("nothing stored: centred") << "" << "" << QRect(585, 265, 750, 550) << false;
        QTest::newRow("small size grows") << "False" << "10,10,300,200" << QRect(10, 10, 750, 550) << false;
        QTest::newRow("kept") << "False" << "100,50,1000,700" << QRect(100, 50, 1000, 700) << false;
        QTest::newRow("wider than the screen") << "" << "0,0,3000,700" << QRect(0, 0, 750, 700) << false;
        QTest::newRow("left off screen") << "" << "-20,40,800,600" << QRect(560, 40, 800, 600) << false;
        QTest::newRow("top beyond screen") << "" << "40,5000,800,600" << QRect(40, 240, 800, 600) << false;
        QTest::newRow("maximised keeps its rectangle") << "True" << "100,50,1000,700" << QRect(100, 50, 1000, 700)
                                                       << true;
        QTest::newRow("true in lower case is not True") << "true" << "" << QRect(585, 265, 750, 550) << false;
        QTest::newRow("garbage fields") << "" << "a,b,c,d" << QRect(0, 0, 750, 550) << false;
    }
    void placement()
    {
        QFETCH(QString, max2);
        QFETCH(QString, playerWnd2);
        const ViewerPlacement placement = PlaceViewer(max2, playerWnd2, QSize(1920, 1080));
        QCOMPARE(placement.rect, MV_FETCH(QRect, rect));
        QCOMPARE(placement.maximized, MV_FETCH(bool, maximized));
        QCOMPARE(PlacementText(QRect(10, 20, 750, 550)), QString("10,20,750,550"));
    }

    void zoomSteps()
    {
        ViewZoomSteps zoom;
        int steps = 0;
        while (zoom.zoomIn())
            ++steps;
        QCOMPARE(steps, 40);
        QCOMPARE(zoom.value(), 5.0);
        zoom.reset(0.2);
        QVERIFY(zoom.zoomOut());
        QCOMPARE(zoom.value(), 0.1);
        QVERIFY(!zoom.zoomOut());
        QCOMPARE(zoom.value(), 0.1);
        zoom.reset(0.57);
        QVERIFY(zoom.zoomIn());
        QCOMPARE(zoom.value(), 0.67);
    }

    void rotation()
    {
        RotationState turn;
        QVERIFY(!turn.canSave());
        turn.turnCounterClockwise();
        QCOMPARE(turn.angle(), 270);
        turn.turnCounterClockwise();
        QCOMPARE(turn.angle(), 180);
        QCOMPARE(turn.code(), 2);
        QVERIFY(turn.canSave());
        for (int i = 0; i < 2; ++i)
            turn.turnCounterClockwise();
        QCOMPARE(turn.angle(), 0);
        QVERIFY(!turn.canSave());
        for (int i = 0; i < 3; ++i)
            turn.turnClockwise();
        QCOMPARE(turn.code(), 3);
        turn.turnClockwise();
        QVERIFY(!turn.canSave());
    }

    void turnedCopyPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("written");
        QTest::addColumn<QString>("turned");
        const int jpeg = int(ImageFormat::Jpeg), png = int(ImageFormat::Png), bmp = int(ImageFormat::Bmp);
        QTest::newRow("plain") << "/pics/a.jpg" << jpeg << "/pics/a_旋转.jpg";
        QTest::newRow("upper case kept") << "/pics/B.PNG" << png << "/pics/B_旋转.PNG";
        QTest::newRow("every occurrence") << "/pics/x.png.png" << png << "/pics/x_旋转.png";
        QTest::newRow("case-sensitive") << "/pics/x.PNG.png" << png << "/pics/x.PNG_旋转.png";
        QTest::newRow("another JPEG name") << "/pics/c.JFIF" << jpeg << "/pics/c_旋转.JFIF";
        QTest::newRow("BMP family") << "/pics/r.rle" << bmp << "/pics/r_旋转.rle";
        QTest::newRow("TIFF") << "/pics/t.tiff" << int(ImageFormat::Tiff) << "/pics/t_旋转.tiff";
        // The copy's name says what its bytes are.
        QTest::newRow("GIF gives PNG") << "/pics/g.gif" << png << "/pics/g_旋转.png";
        QTest::newRow("icon gives PNG") << "/pics/i.ICO" << png << "/pics/i_旋转.png";
        QTest::newRow("metafile gives PNG") << "/pics/m.emf" << png << "/pics/m_旋转.png";
        QTest::newRow("PNG data under a JPEG name") << "/pics/p.jpg" << png << "/pics/p_旋转.png";
        QTest::newRow("no extension") << "/my.pics/photo" << jpeg << "/my.pics/photo_旋转.jpg";
        QTest::newRow("format unknown") << "/my.pics/photo" << int(ImageFormat::Unknown) << "/my.pics/photo_旋转";
    }
    void turnedCopyPath()
    {
        QCOMPARE(TurnedCopyPath(MV_FETCH(QString, path), ImageFormat(MV_FETCH(int, written))),
                 MV_FETCH(QString, turned));
    }

    void intervalFromText_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("shown");
        QTest::newRow("12") << "12" << 12 << "12";
        QTest::newRow("7 shows two digits") << "7" << 7 << "07";
        QTest::newRow("stored two digits") << "03" << 3 << "03";
        QTest::newRow("too long") << "25" << 5 << "05";
        QTest::newRow("too short") << "2" << 5 << "05";
        QTest::newRow("text") << "abc" << 5 << "05";
        QTest::newRow("missing") << "" << 5 << "05";
    }
    void intervalFromText()
    {
        const int seconds = SlideClock::IntervalFromText(MV_FETCH(QString, stored));
        QCOMPARE(seconds, MV_FETCH(int, seconds));
        QCOMPARE(SlideClock::IntervalText(seconds), MV_FETCH(QString, shown));
    }

    void intervalLimits()
    {
        SlideClock clock;
        clock.setInterval(20);
        QVERIFY(!clock.intervalUp());
        QCOMPARE(clock.interval(), 20);
        clock.setInterval(3);
        QVERIFY(!clock.intervalDown());
        QCOMPARE(clock.interval(), 3);
        QVERIFY(clock.intervalUp());
        QCOMPARE(clock.interval(), 4);
    }

    void clockCountsAndPauses()
    {
        SlideClock clock;
        clock.setInterval(3);
        QSignalSpy advanced(&clock, &SlideClock::advance);
        clock.restart();
        QVERIFY(clock.running());
        QCOMPARE(clock.timer().interval(), 1000);
        clock.tick();
        clock.pause();
        QVERIFY(!clock.running());
        clock.play();
        clock.tick();
        QCOMPARE(advanced.count(), 0);
        clock.tick();
        QCOMPARE(advanced.count(), 1);
        QVERIFY(!clock.running());
        clock.restart();
        QCOMPARE(clock.seconds(), 0);
        // The interval changed during the show applies to the current image.
        clock.tick();
        clock.setInterval(2);
        clock.tick();
        QCOMPARE(advanced.count(), 2);
    }

    void clockRunsOnItsTimer()
    {
        SlideClock clock;
        clock.setInterval(3);
        clock.timer().setInterval(5); // the same clock, faster
        QSignalSpy advanced(&clock, &SlideClock::advance);
        clock.restart();
        QVERIFY(advanced.wait(2000));
        QCOMPARE(clock.seconds(), 3);
    }
};

MV_TEST_MAIN(TestViewerLogic)
#include "tst_viewerlogic.moc"
