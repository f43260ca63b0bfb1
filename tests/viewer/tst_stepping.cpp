// Stepping through a folder in the viewer and the slide show with the canvas reading the
// neighbours ahead: every step shows its own picture, as it is on disk now.

#include "app/appstate.h"
#include "app/inifile.h"
#include "app/messagebox.h"
#include "app/paths.h"
#include "imaging/fixtures.h"
#include "imaging/gdiplus.h"
#include "imaging/ucplayer.h"
#include "messageanswers.h"
#include "testutil.h"
#include "viewer/ffullscreen.h"
#include "viewer/frmshow.h"

#include <QLabel>
#include <QTemporaryDir>

using namespace mv;
using namespace mv::test;

namespace {

const QList<QColor> Colours{Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::magenta};

QByteArray SolidJpeg(QColor colour)
{
    QImage image(1600, 1200, QImage::Format_RGB32);
    image.fill(colour);
    return Encode(image, "jpeg", 90);
}

// The colour in the middle of the picture on the screen, snapped to pure ones.
QRgb ColourShown(ucPlayer &player)
{
    const QRgb c = player.grab().toImage().pixel(player.Layout().Display().center());
    return qRgb(qRed(c) > 128 ? 255 : 0, qGreen(c) > 128 ? 255 : 0, qBlue(c) > 128 ? 255 : 0);
}

// The entries either side of index, as a step reaches them (round at the ends).
QStringList Around(const QStringList &list, int index)
{
    const int n = int(list.size());
    QStringList around{list.at((index + 1) % n)};
    if (list.at((index + n - 1) % n) != around.first())
        around << list.at((index + n - 1) % n);
    return around;
}

bool AllReady(const ucPlayer &player, const QStringList &paths)
{
    return std::all_of(paths.begin(), paths.end(), [&](const QString &p) { return player.Ahead().IsReady(p); });
}

} // namespace

class TestStepping : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;

    // A folder of five pictures, each of one colour of Colours.
    QStringList MakeFolder(const QString &name)
    {
        QDir(mDir.path()).mkdir(name);
        QStringList paths;
        for (int i = 0; i < Colours.size(); ++i) {
            const QString path = mDir.filePath(QStringLiteral("%1/%2.jpg").arg(name).arg(i));
            if (!WriteBytes(path, SolidJpeg(Colours.at(i))))
                return {};
            paths << path;
        }
        return paths;
    }

    static std::unique_ptr<FrmShow> OpenViewer(const QString &first)
    {
        auto viewer = std::make_unique<FrmShow>();
        viewer->ListFolder(first);
        viewer->show();
        viewer->ShowPic(0);
        return viewer;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(mDir.isValid());
        ViewerAlone = false;
        QCOMPARE(GdiplusStartup(GdiToken), GdiplusOk);
    }
    void init() { QFile::remove(ConfigPath()); }
    void cleanupTestCase() { GdiplusShutdown(GdiToken); }

    // Forward, backward and round the ends (answered yes): the right picture every time,
    // taken from the read-ahead, which never holds more than the two neighbours.
    void steppingShowsTheRightPicture_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::newRow("forward and round") << "RRRRRR";
        QTest::newRow("backward and round") << "LLLLLL";
        QTest::newRow("both ways") << "RRLLLRLR";
    }
    void steppingShowsTheRightPicture()
    {
        QFETCH(QString, keys);
        const QStringList paths = MakeFolder(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_'));
        QVERIFY(!paths.isEmpty());
        MessageAnswers answers(MsgResult::Yes);
        auto viewer = OpenViewer(paths.first());
        QCOMPARE(viewer->List1, paths);
        int expected = 0;
        int wraps = 0;
        for (const QChar key : keys) {
            // A person looks at each picture a while: the neighbours are read by then.
            QTRY_VERIFY_WITH_TIMEOUT(AllReady(*viewer->Player, Around(paths, expected)), 10000);
            const QStringList held = viewer->Player->Ahead().Held();
            QCOMPARE(held, Around(paths, expected));
            const int renders = viewer->Player->RenderCount();
            const int n = int(paths.size());
            wraps += key == 'R' ? expected == n - 1 : expected == 0;
            expected = key == 'R' ? (expected + 1) % n : (expected + n - 1) % n;
            QTest::keyRelease(viewer->Player, key == 'R' ? Qt::Key_Right : Qt::Key_Left);
            QCOMPARE(CurrentIndex, expected);
            QCOMPARE(viewer->windowTitle(), QStringLiteral("%1.jpg - Mirovale 万能图片查看器").arg(expected));
            QCOMPARE(ColourShown(*viewer->Player), Colours.at(expected).rgb());
            QCOMPARE(viewer->Player->RenderCount(), renders); // decoded ahead
            QVERIFY(!viewer->Picture1->isVisible());
            QVERIFY(viewer->Player->Ahead().Held().size() <= ReadAhead::MaxHeld);
            for (const QString &path : viewer->Player->Ahead().Held())
                QVERIFY(Around(paths, expected).contains(path));
        }
        QCOMPARE(answers.seen.size(), wraps); // round the ends only after the question
    }

    // Files replaced, rewritten or deleted between two steps show as they are now.
    void filesChangeBetweenSteps()
    {
        const QStringList paths = MakeFolder(QStringLiteral("changing"));
        auto viewer = OpenViewer(paths.first());
        QTRY_VERIFY_WITH_TIMEOUT(AllReady(*viewer->Player, Around(paths, 0)), 10000);

        // Replaced by another file under the same name.
        QVERIFY(WriteBytes(paths[1] + ".new", SolidJpeg(Qt::white)));
        QVERIFY(QFile::remove(paths[1]));
        QVERIFY(QFile::rename(paths[1] + ".new", paths[1]));
        viewer->NextImage();
        QCOMPARE(ColourShown(*viewer->Player), qRgb(255, 255, 255));

        // Rewritten in place, then deleted.
        QTRY_VERIFY_WITH_TIMEOUT(AllReady(*viewer->Player, Around(paths, 1)), 10000);
        QImage small(800, 600, QImage::Format_RGB32);
        small.fill(Qt::cyan);
        QVERIFY(WriteBytes(paths[2], Encode(small, "jpeg", 90)));
        viewer->NextImage();
        QCOMPARE(viewer->Player->ImageWidth(), 800);
        QCOMPARE(ColourShown(*viewer->Player), qRgb(0, 255, 255));
        QTRY_VERIFY_WITH_TIMEOUT(AllReady(*viewer->Player, Around(paths, 2)), 10000);
        QVERIFY(QFile::remove(paths[3]));
        viewer->NextImage();
        QCOMPARE(CurrentIndex, 3);
        QVERIFY(viewer->Picture1->isVisible());
        QVERIFY(!viewer->Player->HasImage());

        // And on from the missing one, read ahead as ever.
        QTRY_VERIFY_WITH_TIMEOUT(AllReady(*viewer->Player, {paths[4]}), 10000);
        const int renders = viewer->Player->RenderCount();
        viewer->NextImage();
        QCOMPARE(ColourShown(*viewer->Player), Colours[4].rgb());
        QCOMPARE(viewer->Player->RenderCount(), renders);
        QVERIFY(!viewer->Picture1->isVisible());
    }

    // A neighbour that does not decode leaves the shown picture alone, and shows the
    // cannot-display picture only when the user steps to it.
    void damagedNeighbourDoesNotDisturb()
    {
        QDir(mDir.path()).mkdir(QStringLiteral("damaged"));
        const QString a = mDir.filePath("damaged/a.jpg");
        const QString b = mDir.filePath("damaged/b.png");
        const QString c = mDir.filePath("damaged/c.jpg");
        QVERIFY(WriteBytes(a, SolidJpeg(Qt::red)));
        const QByteArray png = Encode(PhotoLike(600, 400), "png");
        QVERIFY(WriteBytes(b, png.left(png.size() / 2)));
        QVERIFY(WriteBytes(c, SolidJpeg(Qt::blue)));
        auto viewer = OpenViewer(a);
        const QImage shown = viewer->grab().toImage();
        QTRY_VERIFY_WITH_TIMEOUT(viewer->Player->Ahead().IsReady(c) && !viewer->Player->Ahead().Held().contains(b),
                                 10000);
        QCOMPARE(viewer->windowTitle(), QStringLiteral("a.jpg - Mirovale 万能图片查看器"));
        QVERIFY(viewer->Player->HasImage());
        QVERIFY(!viewer->Picture1->isVisible());
        QCOMPARE(viewer->grab().toImage(), shown);

        viewer->NextImage();
        QVERIFY(viewer->Picture1->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(AllReady(*viewer->Player, {c, a}), 10000);
        const int renders = viewer->Player->RenderCount();
        viewer->NextImage();
        QVERIFY(!viewer->Picture1->isVisible());
        QCOMPARE(ColourShown(*viewer->Player), qRgb(0, 0, 255));
        QCOMPARE(viewer->Player->RenderCount(), renders);
    }

    // The slide show reads its next picture ahead and takes it on the clock and on a click,
    // round from the last to the first; the viewer's neighbours wait meanwhile.
    void slideShowTakesItsNextPictureFromTheReadAhead()
    {
        const QStringList paths = MakeFolder(QStringLiteral("show"));
        auto viewer = OpenViewer(paths[2]);
        QTRY_VERIFY_WITH_TIMEOUT(!viewer->Player->Ahead().Held().isEmpty(), 10000);
        viewer->SlideShow();
        fFullScreen *show = viewer->FullScreen();
        QVERIFY(show);
        QTRY_COMPARE(show->windowTitle(), QString("0.jpg"));
        QVERIFY(viewer->Player->Ahead().Held().isEmpty());
        ucPlayer &canvas = *show->Player;
        for (int step = 1; step <= int(paths.size()); ++step) {
            const int index = step % int(paths.size());
            QTRY_VERIFY_WITH_TIMEOUT(canvas.Ahead().IsReady(paths[index]), 10000);
            QCOMPARE(canvas.Ahead().Held(), QStringList{paths[index]}); // the show only goes on
            const int renders = canvas.RenderCount();
            if (step % 2) {
                for (int s = 0; s < show->Clock.interval(); ++s)
                    show->Clock.tick();
            } else {
                QTest::mousePress(show->Player, Qt::LeftButton, {}, QPoint(10, 10));
            }
            QCOMPARE(CurrentIndex, index);
            QCOMPARE(show->windowTitle(), QStringLiteral("%1.jpg").arg(index));
            QCOMPARE(canvas.RenderCount(), renders);
            QCOMPARE(ColourShown(canvas), Colours.at(index).rgb());
        }
        show->close();
        QTRY_VERIFY(!viewer->FullScreen());
        // The show ended on the first picture: the viewer shows it and reads around it.
        QCOMPARE(CurrentIndex, 0);
        QTRY_VERIFY_WITH_TIMEOUT(AllReady(*viewer->Player, Around(paths, 0)), 10000);
    }

    void closingLetsTheNeighboursGo()
    {
        const QStringList paths = MakeFolder(QStringLiteral("closing"));
        auto viewer = OpenViewer(paths.first());
        QVERIFY(!viewer->Player->Ahead().Held().isEmpty());
        viewer->close();
        QVERIFY(viewer->Player->Ahead().Held().isEmpty());
        // One picture alone has no neighbours.
        viewer->List1 = QStringList{paths.first()};
        viewer->ShowPic(0);
        QVERIFY(viewer->Player->Ahead().Held().isEmpty());
    }
};

MV_TEST_MAIN(TestStepping)
#include "tst_stepping.moc"
