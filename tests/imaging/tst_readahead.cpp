// Reading pictures ahead: the decode on the worker gives what the canvas's own decode gives,
// a changed file is never taken for the old one, and at most two neighbours are held.

#include "exiffixture.h"
#include "fixtures.h"
#include "imaging/cdib.h"
#include "imaging/gdiplus.h"
#include "imaging/prepared.h"
#include "imaging/readahead.h"
#include "metafile/metafilewriter.h"
#include "testutil.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <sys/resource.h>

using namespace mv;
using namespace mv::test;

namespace {

const QColor Canvas(238, 242, 251);
const QSize Box(1280, 1280);
const QSize Client(800, 600);

PictureRequest RequestFor(const QString &path, QSize client = Client)
{
    PictureRequest request;
    request.path = path;
    request.renderBox = Box;
    request.canvas = Canvas;
    request.client = client;
    return request;
}

// The render bitmap as the canvas makes it on load: a cleared 32-bit bitmap drawn into.
QImage CanvasDecode(const QString &path)
{
    GpImage image = GpImage::LoadFromFile(path);
    if (!image.IsLoaded())
        return QImage();
    cDIB render;
    if (!render.Create(RenderSizeFor(image.Size(), Box, false).width(),
                       RenderSizeFor(image.Size(), Box, false).height(), 32))
        return QImage();
    QImage scratch;
    if (image.DrawFrameInto(*render.hdc(), PictureBackground(image.Format(), Canvas), scratch) != GpStatus::Ok)
        return QImage();
    return render.Image();
}

QImage Solid(QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Replaces path by a file written beside it: a new file under the old name.
bool ReplaceByRename(const QString &path, const QByteArray &bytes)
{
    const QString fresh = path + QStringLiteral(".new");
    return WriteBytes(fresh, bytes) && ::rename(QFile::encodeName(fresh), QFile::encodeName(path)) == 0;
}

long PeakMemoryKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

class TestReadAhead : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;
    quint32 mToken = 0;

    QString Write(const QString &name, const QByteArray &bytes)
    {
        const QString path = mDir.filePath(name);
        return WriteBytes(path, bytes) ? path : QString();
    }

    // Waits until every path has been read (in any order); false after the timeout.
    static bool WaitRead(QSignalSpy &spy, const QStringList &paths)
    {
        const auto done = [&] {
            for (const QString &path : paths) {
                if (!std::any_of(spy.begin(), spy.end(), [&](const QList<QVariant> &a) { return a.at(0) == path; }))
                    return false;
            }
            return true;
        };
        for (int i = 0; i < 200 && !done(); ++i)
            spy.wait(100);
        return done();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(mDir.isValid());
        QCOMPARE(GdiplusStartup(mToken), GdiplusOk);
    }
    void cleanupTestCase() { GdiplusShutdown(mToken); }

    void adoptKeepsThePixels()
    {
        QImage pixels = Solid(QSize(30, 20), Qt::red);
        const uchar *bits = pixels.constBits();
        cDIB dib;
        QVERIFY(dib.Adopt(std::move(pixels)));
        QVERIFY(pixels.isNull());
        QCOMPARE(dib.Image().constBits(), bits);
        QCOMPARE(dib.Width(), 30);
        QCOMPARE(dib.Height(), 20);
        QCOMPARE(dib.BPP(), 32);
        QCOMPARE(dib.BytesPerScanline(), 120);
        QCOMPARE(dib.Size(), 2400);
        QCOMPARE(dib.Image().pixel(29, 19), qRgb(255, 0, 0));
        // Pixels of another form are not a 32-bit bitmap.
        QVERIFY(!dib.Adopt(QImage(30, 20, QImage::Format_ARGB32)));
        QVERIFY(!dib.hDIB());
        QCOMPARE(dib.Width(), 0);
        QVERIFY(!dib.Adopt(QImage()));
    }

    void renderSize_data()
    {
        QTest::addColumn<QSize>("image");
        QTest::addColumn<bool>("actual");
        QTest::addColumn<QSize>("render");
        QTest::newRow("photo") << QSize(4000, 3000) << false << QSize(1280, 960);
        QTest::newRow("upright photo") << QSize(3000, 4000) << false << QSize(960, 1280);
        QTest::newRow("small keeps its size") << QSize(200, 100) << false << QSize(200, 100);
        QTest::newRow("actual size") << QSize(4000, 3000) << true << QSize(4000, 3000);
    }
    void renderSize()
    {
        QCOMPARE(RenderSizeFor(MV_FETCH(QSize, image), Box, MV_FETCH(bool, actual)), MV_FETCH(QSize, render));
    }

    void fileStamp()
    {
        const QString path = Write("stamp.bin", "one");
        const FileStamp first = FileStamp::Of(path);
        QVERIFY(first.IsValid());
        QCOMPARE(first.size, qint64(3));
        QCOMPARE(FileStamp::Of(path), first);
        QVERIFY(ReplaceByRename(path, "two")); // same size, another file
        QVERIFY(FileStamp::Of(path) != first);
        const FileStamp second = FileStamp::Of(path);
        QVERIFY(WriteBytes(path, "three"));
        QVERIFY(FileStamp::Of(path) != second);
        QVERIFY(!FileStamp::Of(mDir.filePath("missing")).IsValid());
        QVERIFY(!FileStamp::Of(mDir.path()).IsValid()); // a folder is no picture file
        QVERIFY(!FileStamp::Of(QString()).IsValid());
    }

    // The worker's decode is the canvas's decode: the same render bitmap, and the smoothed
    // copy the best-fit paint would make of it.
    void preparedAsTheCanvasDecodes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("render");
        QTest::newRow("photo, reduced") << "photo.jpg" << Encode(PhotoLike(2000, 1500), "jpeg", 90) << QSize(1280, 960);
        QTest::newRow("photo, exact eighths") << "eighths.jpg" << Encode(PhotoLike(2560, 1920), "jpeg", 90)
                                              << QSize(1280, 960);
        QTest::newRow("camera turned (EXIF 6)")
            << "camera.jpg"
            << WithExif(Encode(StoreForOrientation(Quadrants(1600, 1200), 6), "jpeg", 95), ExifTags::Of(6))
            << QSize(1280, 960);
        QImage clear(900, 700, QImage::Format_ARGB32);
        clear.fill(Qt::transparent);
        QPainter(&clear).fillRect(0, 0, 450, 700, QColor(0, 128, 0, 128));
        QTest::newRow("transparent PNG on the canvas colour") << "clear.png" << Encode(clear, "png") << QSize(900, 700);
        QTest::newRow("BMP") << "quadrants.bmp" << Encode(Quadrants(300, 200), "bmp") << QSize(300, 200);
        QTest::newRow("still GIF") << "still.gif" << SolidGif(64, 48, {qRgb(10, 20, 30)}, {10}) << QSize(64, 48);
    }
    void preparedAsTheCanvasDecodes()
    {
        QFETCH(QSize, render);
        const QString path = Write(MV_FETCH(QString, name), MV_FETCH(QByteArray, bytes));
        const std::atomic_bool cancelled{false};
        QImage scratch;
        const PreparedPicture picture = PreparePicture(RequestFor(path), cancelled, scratch);
        QVERIFY(picture.IsReady());
        QCOMPARE(picture.path, path);
        QCOMPARE(picture.stamp, FileStamp::Of(path));
        QCOMPARE(picture.render.size(), render);
        QCOMPARE(picture.render.format(), QImage::Format_RGB32);
        const QImage expected = CanvasDecode(path);
        QVERIFY(!expected.isNull());
        QVERIFY(picture.render == expected);
        const QSize fit = BestFitRect(render, Client).size();
        if (fit == render)
            QVERIFY(picture.fitted.isNull());
        else
            QVERIFY(picture.fitted == expected.scaled(fit, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        // Without a client, no smoothed copy.
        QImage again;
        QVERIFY(PreparePicture(RequestFor(path, QSize()), cancelled, again).fitted.isNull());
    }

    // What is not read ahead gives no pixels and leaves the canvas to do as it does.
    void notPrepared_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("status");
        QTest::newRow("animation") << "anim.gif" << SolidGif(40, 30, {qRgb(255, 0, 0), qRgb(0, 0, 255)}, {10, 10})
                                   << int(GpStatus::WrongState);
        EmfWriter emf(200, 100);
        emf.createPen(1, 0, 3, Rgb(0, 0, 0));
        emf.selectObject(1);
        emf.moveTo(10, 50);
        emf.lineTo(190, 50);
        QTest::newRow("metafile") << "page.emf" << emf.finish() << int(GpStatus::WrongState);
        // A JPEG cut short still shows its top rows, here as on the canvas; a PNG does not.
        const QByteArray png = Encode(PhotoLike(300, 200), "png");
        QTest::newRow("damaged PNG") << "cut.png" << png.left(png.size() / 2) << int(GpStatus::GenericError);
        QTest::newRow("not a picture") << "text.png" << QByteArray("no picture at all") << int(GpStatus::UnknownImageFormat);
        // 20000 x 17000 needs 1.3 GB: the budget refuses it, so nothing is decoded.
        QTest::newRow("beyond the pixel budget") << "huge.png" << PngWithoutPixels(20000, 17000)
                                                 << int(GpStatus::WrongState);
    }
    void notPrepared()
    {
        const QString path = Write(MV_FETCH(QString, name), MV_FETCH(QByteArray, bytes));
        const std::atomic_bool cancelled{false};
        QImage scratch;
        const long peak = PeakMemoryKiB();
        const PreparedPicture picture = PreparePicture(RequestFor(path), cancelled, scratch);
        QVERIFY(!picture.IsReady());
        QCOMPARE(int(picture.status), MV_FETCH(int, status));
        QVERIFY(picture.render.isNull());
        QVERIFY(picture.fitted.isNull());
        QVERIFY(PeakMemoryKiB() - peak < 64 * 1024);
    }

    void missingOrCancelled()
    {
        const std::atomic_bool go{false}, stop{true};
        QImage scratch;
        QCOMPARE(PreparePicture(RequestFor(mDir.filePath("gone.jpg")), go, scratch).status, GpStatus::FileNotFound);
        const QString path = Write("cancelled.jpg", Encode(PhotoLike(640, 480), "jpeg", 90));
        const PreparedPicture picture = PreparePicture(RequestFor(path), stop, scratch);
        QVERIFY(!picture.IsReady());
        QVERIFY(picture.render.isNull());
    }

    // Next first, then previous; held until taken; taken once.
    void readsNeighboursInOrder()
    {
        const QString next = Write("n1.png", Encode(Solid(QSize(300, 200), Qt::red), "png"));
        const QString previous = Write("p1.png", Encode(Solid(QSize(300, 200), Qt::blue), "png"));
        ReadAhead ahead;
        QSignalSpy finished(&ahead, &ReadAhead::Finished);
        ahead.SetWanted({next, previous}, RequestFor(QString()));
        QCOMPARE(ahead.Held(), (QStringList{next, previous}));
        QVERIFY(WaitRead(finished, {next, previous}));
        QCOMPARE(finished.at(0).at(0).toString(), next);
        QVERIFY(ahead.IsReady(next));
        QVERIFY(ahead.IsReady(previous));

        std::optional<PreparedPicture> picture = ahead.Take(next);
        QVERIFY(picture);
        QCOMPARE(picture->render.pixel(10, 10), qRgb(255, 0, 0));
        QCOMPARE(ahead.TakenCount(), 1);
        QCOMPARE(ahead.Held(), QStringList{previous});
        QVERIFY(!ahead.Take(next));
        QVERIFY(!ahead.Take(mDir.filePath("never-wanted.png")));
        QCOMPARE(ahead.TakenCount(), 1);
    }

    // Never more than one neighbour on each side; what the user moved away from goes, and
    // what is still wanted is not read again.
    void holdsAtMostTwo()
    {
        QStringList paths;
        for (int i = 0; i < 4; ++i)
            paths << Write(QStringLiteral("h%1.png").arg(i), Encode(Solid(QSize(200, 100), QColor(i * 60, 0, 0)), "png"));
        ReadAhead ahead;
        QSignalSpy finished(&ahead, &ReadAhead::Finished);
        ahead.SetWanted(paths, RequestFor(QString()));
        QCOMPARE(ahead.Held(), paths.mid(0, 2));
        QVERIFY(WaitRead(finished, paths.mid(0, 2)));

        finished.clear();
        ahead.SetWanted({paths[2], paths[1]}, RequestFor(QString()));
        QCOMPARE(ahead.Held(), (QStringList{paths[2], paths[1]}));
        QVERIFY(WaitRead(finished, {paths[2]}));
        QCOMPARE(finished.size(), 1); // the one still wanted was kept
        QVERIFY(!ahead.Take(paths[0]));

        // Another render box or canvas colour: what was read for the old one goes.
        PictureRequest black = RequestFor(QString());
        black.canvas = Qt::black;
        finished.clear();
        ahead.SetWanted({paths[2]}, black);
        QVERIFY(WaitRead(finished, {paths[2]}));
        QCOMPARE(ahead.Take(paths[2])->canvas, QColor(Qt::black));

        ahead.SetWanted({paths[3], paths[0]}, RequestFor(QString()));
        ahead.Stop();
        QVERIFY(ahead.Held().isEmpty());
        QVERIFY(!ahead.Take(paths[3]));
    }

    // A file written, replaced or renamed over after it was read ahead is read again.
    void changedFileIsNotTaken_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("rewritten, another size") << 0;
        QTest::newRow("renamed over, the same size") << 1;
        QTest::newRow("rewritten in place, the same size") << 2;
        QTest::newRow("deleted") << 3;
    }
    void changedFileIsNotTaken()
    {
        const int how = MV_FETCH(int, how);
        const QString path = Write(QStringLiteral("changing%1.bmp").arg(how), Encode(Solid(QSize(64, 64), Qt::red), "bmp"));
        ReadAhead ahead;
        QSignalSpy finished(&ahead, &ReadAhead::Finished);
        ahead.SetWanted({path}, RequestFor(QString()));
        QVERIFY(WaitRead(finished, {path}));
        QVERIFY(ahead.IsReady(path));
        const QByteArray blue = Encode(Solid(QSize(64, 64), Qt::blue), "bmp");
        switch (how) {
        case 0: QVERIFY(WriteBytes(path, Encode(Solid(QSize(80, 64), Qt::blue), "bmp"))); break;
        case 1: QVERIFY(ReplaceByRename(path, blue)); break;
        case 2: {
            QVERIFY(WriteBytes(path, blue));
            // Within one tick of the file system's clock a write may keep the time: say it moved.
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime));
            break;
        }
        default: QVERIFY(QFile::remove(path)); break;
        }
        QVERIFY(!ahead.Take(path));
        QCOMPARE(ahead.TakenCount(), 0);
    }

    void damagedNeighbourHoldsNothing()
    {
        const QByteArray png = Encode(PhotoLike(800, 600), "png");
        const QString damaged = Write("damaged.png", png.left(png.size() / 2));
        const QString good = Write("good.png", Encode(Solid(QSize(100, 100), Qt::green), "png"));
        ReadAhead ahead;
        QSignalSpy finished(&ahead, &ReadAhead::Finished);
        ahead.SetWanted({damaged, good}, RequestFor(QString()));
        QVERIFY(WaitRead(finished, {damaged, good}));
        QVERIFY(!ahead.IsReady(damaged));
        QCOMPARE(ahead.Held(), QStringList{good});
        QVERIFY(!ahead.Take(damaged));
        QVERIFY(ahead.Take(good));
    }

    // The picture the canvas leaves is kept when there is room; its pixels then serve the
    // next picture read, so that stepping through photos takes no fresh memory.
    void offeredPictureAndRecycledPixels()
    {
        // Photos reduced into the render box are drawn into the render bitmap.
        const QString a = Write("ra.jpg", Encode(Solid(QSize(2000, 1500), Qt::red), "jpeg", 90));
        const QString b = Write("rb.jpg", Encode(Solid(QSize(2000, 1500), Qt::blue), "jpeg", 90));
        const QString c = Write("rc.jpg", Encode(Solid(QSize(2000, 1500), Qt::green), "jpeg", 90));
        ReadAhead ahead;
        QSignalSpy finished(&ahead, &ReadAhead::Finished);
        ahead.SetWanted({a, b}, RequestFor(QString()));
        QVERIFY(WaitRead(finished, {a, b}));
        QVERIFY(!ahead.HasRoomFor(c));

        std::optional<PreparedPicture> shown = ahead.Take(a);
        QVERIFY(shown);
        QVERIFY(ahead.HasRoomFor(c));
        QVERIFY(!ahead.HasRoomFor(b)); // held already
        const uchar *pixels = shown->render.constBits();
        ahead.Offer(std::move(*shown));
        QCOMPARE(ahead.Held(), (QStringList{b, a}));
        QVERIFY(!ahead.HasRoomFor(c));
        PreparedPicture notReady;
        notReady.path = c;
        ahead.Offer(std::move(notReady));
        QCOMPARE(ahead.Held().size(), 2);

        finished.clear();
        ahead.SetWanted({c, b}, RequestFor(QString()));
        QVERIFY(WaitRead(finished, {c}));
        const std::optional<PreparedPicture> next = ahead.Take(c);
        QVERIFY(next);
        QCOMPARE(next->render.constBits(), pixels);
        QVERIFY(next->render == CanvasDecode(c));
    }

    void scratchIsShared()
    {
        ReadAhead ahead;
        QVERIFY(ahead.BorrowScratch().isNull());
        ahead.ReturnScratch(Solid(QSize(10, 10), Qt::red));
        QImage lent = ahead.BorrowScratch();
        QCOMPARE(lent.size(), QSize(10, 10));
        QVERIFY(ahead.BorrowScratch().isNull()); // lent out: the other decodes with its own
        ahead.ReturnScratch(std::move(lent));
        // A buffer of a huge picture is not kept idle.
        ahead.ReturnScratch(QImage(5000, 5000, QImage::Format_RGB32));
        QVERIFY(ahead.BorrowScratch().isNull());
    }
};

MV_TEST_MAIN(TestReadAhead)
#include "tst_readahead.moc"
