#include "controls/uipictures.h"
#include "exiffixture.h"
#include "fixtures.h"
#include "imaging/gdiplus.h"
#include "imaging/ucplayer.h"
#include "metafile/metafilewriter.h"
#include "solidpng.h"
#include "testutil.h"

#include <QClipboard>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

using namespace mv;
using namespace mv::test;

namespace {

const QRgb Red = qRgb(255, 0, 0);
const QRgb Green = qRgb(0, 255, 0);
const QRgb Blue = qRgb(0, 0, 255);
const QColor Back(238, 242, 251);

// The most memory this process has held so far.
long PeakMemoryKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

QRgb RenderPixel(const ucPlayer &player, int x, int y)
{
    return player.RenderBitmap().Image().pixel(x, y) | 0xFF000000u;
}

bool Near(QRgb a, QRgb b, int tolerance = 40)
{
    return qAbs(qRed(a) - qRed(b)) <= tolerance && qAbs(qGreen(a) - qGreen(b)) <= tolerance
           && qAbs(qBlue(a) - qBlue(b)) <= tolerance;
}

QByteArray SolidJpeg(QColor colour, QSize size = QSize(2000, 1500))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return Encode(image, "jpeg", 90);
}

// The read-ahead is done with path: it gave a picture, or it gave none and holds nothing.
bool ReadAheadDone(const ucPlayer &player, const QString &path)
{
    return player.Ahead().IsReady(path) || !player.Ahead().Held().contains(path);
}

} // namespace

class TestUcPlayer : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;
    quint32 mToken = 0;
    QString mPhoto, mSmall, mGif, mQuadrants, mClear;

    QString Write(const QString &name, const QByteArray &bytes)
    {
        const QString path = mDir.filePath(name);
        return WriteBytes(path, bytes) ? path : QString();
    }

    // A canvas as the viewer sets it up: 800 x 600, a 1280-pixel render limit.
    static std::unique_ptr<ucPlayer> MakePlayer(bool bestFit = true)
    {
        auto player = std::make_unique<ucPlayer>();
        player->SetBackColor(Back);
        player->SetMaxRenderWidth(1280);
        player->SetMaxRenderHeight(1280);
        player->SetBestFitMode(bestFit);
        player->resize(800, 600);
        return player;
    }

    void Shot(QWidget &widget, const QString &name)
    {
        const QString folder = qEnvironmentVariable("MIROVALE_SHOTS");
        if (!folder.isEmpty())
            widget.grab().save(folder + QLatin1Char('/') + name);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(mDir.isValid());
        QCOMPARE(GdiplusStartup(mToken), GdiplusOk);
        mPhoto = Write("photo.jpg", Encode(PhotoLike(2000, 1500), "jpeg", 90));
        mSmall = Write("small.png", [] {
            QImage image(200, 100, QImage::Format_RGB32);
            image.fill(Red);
            return Encode(image, "png");
        }());
        mGif = Write("anim.gif", SolidGif(60, 40, {Red, Green, Blue}, {10, 10, 100}));
        mQuadrants = Write("quadrants.png", Encode(Quadrants(60, 40), "png"));
        mClear = Write("clear.png", [] {
            QImage image(20, 20, QImage::Format_ARGB32);
            image.fill(Qt::transparent);
            return Encode(image, "png");
        }());
    }
    void cleanupTestCase() { GdiplusShutdown(mToken); }

    void photoIsRenderedReduced()
    {
        auto player = MakePlayer();
        QVERIFY(player->ImportImage(mPhoto));
        QCOMPARE(player->ImageWidth(), 2000);
        QCOMPARE(player->ImageHeight(), 1500);
        QCOMPARE(player->ImageFrames(), 1);
        QVERIFY(player->HasImage());
        // Limited to the render box, not the full 2000 x 1500.
        QCOMPARE(player->RenderBitmap().Width(), 1280);
        QCOMPARE(player->RenderBitmap().Height(), 960);
        QCOMPARE(player->RenderBitmap().BPP(), 32);
        QCOMPARE(player->Layout().Display(), QRect(0, 0, 800, 600));
        const QImage shown = player->grab().toImage();
        QCOMPARE(shown.size(), QSize(800, 600));
        // Sky at the top, ground at the bottom, the sun near (75 %, 25 %).
        QVERIFY(qBlue(shown.pixel(100, 20)) > qRed(shown.pixel(100, 20)));
        QVERIFY(Near(shown.pixel(100, 560), qRgb(60, 80, 40)));
        QVERIFY(Near(shown.pixel(600, 150), qRgb(240, 200, 80)));
        Shot(*player, "canvas-photo.png");
    }

    void actualSizeRendersFull()
    {
        auto player = MakePlayer();
        player->SetYuanShiDaXiao(true);
        QVERIFY(player->ImportImage(mPhoto));
        QCOMPARE(player->RenderBitmap().Width(), 2000);
        QCOMPARE(player->RenderBitmap().Height(), 1500);
    }

    void smallImageCentredOnBackColor()
    {
        auto player = MakePlayer();
        QVERIFY(player->ImportImage(mSmall));
        QCOMPARE(player->RenderBitmap().Width(), 200);
        QCOMPARE(player->Layout().Display(), QRect(300, 250, 200, 100));
        const QImage shown = player->grab().toImage();
        QCOMPARE(shown.pixel(300, 250), Red);
        QCOMPARE(shown.pixel(499, 349), Red);
        QCOMPARE(shown.pixel(299, 250), Back.rgb());
        QCOMPARE(shown.pixel(500, 300), Back.rgb());
        QCOMPARE(shown.pixel(0, 0), Back.rgb());
    }

    void transparencyShowsBackColor()
    {
        auto player = MakePlayer();
        QVERIFY(player->ImportImage(mClear));
        QCOMPARE(RenderPixel(*player, 5, 5), Back.rgb());
        player->SetBackColor(Qt::black);
        QCOMPARE(RenderPixel(*player, 5, 5), qRgb(0, 0, 0));
    }

    // Pictures of one size reuse the last render bitmap; nothing of the last picture may
    // show through, also where the next one is transparent.
    void nextPictureOfTheSameSize()
    {
        auto player = MakePlayer();
        QVERIFY(player->ImportImage(mPhoto));
        const uchar *pixels = player->RenderBitmap().Image().constBits();
        const QString quadrants = Write("quadrants.jpg", Encode(Quadrants(2000, 1500), "jpeg", 95));
        QVERIFY(player->ImportImage(quadrants));
        QCOMPARE(player->RenderBitmap().Image().constBits(), pixels);
        QVERIFY(Near(RenderPixel(*player, 100, 100), Red));
        QVERIFY(Near(RenderPixel(*player, 1180, 100), Green));
        QVERIFY(Near(RenderPixel(*player, 100, 860), Blue));

        QImage half(2000, 1500, QImage::Format_ARGB32);
        half.fill(Qt::transparent);
        QPainter(&half).fillRect(0, 0, 1000, 1500, Qt::green);
        QVERIFY(player->ImportImage(Write("half.png", Encode(half, "png"))));
        QCOMPARE(RenderPixel(*player, 100, 860), Green);
        QCOMPARE(RenderPixel(*player, 1180, 100), Back.rgb());
        QCOMPARE(RenderPixel(*player, 1180, 860), Back.rgb());

        // Turned, a stored picture of another shape: still the right pixels.
        QVERIFY(player->ImportImage(quadrants));
        player->Rotate90CW();
        QCOMPARE(player->RenderBitmap().Width(), 960);
        QVERIFY(Near(RenderPixel(*player, 900, 100), Red));   // top left went to top right
        QVERIFY(Near(RenderPixel(*player, 100, 100), Blue));
    }

    void failedImports()
    {
        auto player = MakePlayer();
        QVERIFY(player->ImportImage(mSmall));
        QVERIFY(!player->ImportImage(mDir.filePath("missing.jpg")));
        QVERIFY(!player->HasImage());
        QCOMPARE(player->ImageWidth(), 0);
        QCOMPARE(player->ImageFrames(), 0);
        QCOMPARE(player->Layout().Display().size(), QSize(0, 0));
        // A header that loads over pixels that do not decode counts as not opened.
        const QByteArray png = Encode(PhotoLike(64, 64), "png");
        QVERIFY(!player->ImportImage(Write("cut.png", png.left(png.size() / 2))));
        QVERIFY(!player->HasImage());
        QVERIFY(!player->ImportImage(Write("text.gif", "GIF89a but nothing else")));
    }

    void renderBitmapTooLarge()
    {
        // 20000 x 17000 without pixels: at actual size the render bitmap cannot be made.
        const QString path = Write("huge.png", PngWithoutPixels(20000, 17000));
        auto player = MakePlayer();
        player->SetYuanShiDaXiao(true);
        QVERIFY(player->ImportImage(path));
        QVERIFY(!player->HasImage());
        QCOMPARE(player->ImageWidth(), 20000);
        QCOMPARE(player->Layout().Display().size(), QSize(10, 10));
        QVERIFY(player->CannotDisplay());
        // Reduced, the bitmap exists, but the pixels are not there: not opened.
        player->SetYuanShiDaXiao(false);
        QVERIFY(!player->ImportImage(path));
    }

    // 16384 x 16384 at actual size needs 1 GiB: refused before anything is allocated, and
    // the canvas says it cannot show the picture. Fitted, the same picture shows.
    void hugePictureAtActualSize()
    {
        const QRgb colour = qRgb(48, 144, 200);
        const QString path = Write("huge-solid.png", SolidPng(16384, 16384, colour));
        QVERIFY(QFileInfo(path).size() < 2 * 1024 * 1024);
        auto player = MakePlayer(false);
        player->SetYuanShiDaXiao(true);
        const long peakBefore = PeakMemoryKiB();
        QVERIFY(player->ImportImage(path));
        QCOMPARE(player->ImageWidth(), 16384);
        QCOMPARE(player->ImageHeight(), 16384);
        QVERIFY(!player->HasImage());
        QVERIFY(player->CannotDisplay());
        QCOMPARE(player->RenderBitmap().Image().sizeInBytes(), qsizetype(0));
        QCOMPARE(player->RenderBitmap().Size(), 0);
        QImage expected(800, 600, QImage::Format_RGB32);
        expected.fill(Back);
        const QImage picture = UiImage("pictures/cannot_display", QSize(204, 198));
        QVERIFY(!picture.isNull());
        QPainter(&expected).drawImage((800 - 204) / 2, (600 - 198) / 2, picture);
        QCOMPARE(player->grab().toImage().convertToFormat(QImage::Format_RGB32), expected);
        QVERIFY2(PeakMemoryKiB() - peakBefore < 256 * 1024,
                 qPrintable(QString("peak grew by %1 KiB").arg(PeakMemoryKiB() - peakBefore)));

        player->SetYuanShiDaXiao(false);
        player->SetBestFitMode(true);
        QVERIFY(player->ImportImage(path));
        QVERIFY(player->HasImage());
        QVERIFY(!player->CannotDisplay());
        QCOMPARE(player->RenderBitmap().Width(), 1280);
        QCOMPARE(player->RenderBitmap().Height(), 1280);
        QCOMPARE(RenderPixel(*player, 640, 1279), colour);
        QCOMPARE(player->grab().toImage().pixel(400, 300) | 0xFF000000u, colour);
    }

    void animationOrderAndTiming()
    {
        auto player = MakePlayer();
        QVERIFY(player->ImportImage(mGif));
        QCOMPARE(player->ImageFrames(), 3);
        QCOMPARE(player->FrameDelays(), QList<int>({100, 100, 1000}));
        // The first frame is due at once.
        QVERIFY(player->AnimationTimer()->isActive());
        QCOMPARE(player->AnimationTimer()->interval(), 1);
        QCOMPARE(player->CurrentFrame(), 0);

        player->AnimationTick();
        QCOMPARE(RenderPixel(*player, 30, 20), Red);
        QCOMPARE(player->AnimationTimer()->interval(), 100);
        QCOMPARE(player->CurrentFrame(), 1);
        player->AnimationTick();
        QCOMPARE(RenderPixel(*player, 30, 20), Green);
        QCOMPARE(player->AnimationTimer()->interval(), 100);
        player->AnimationTick();
        QCOMPARE(RenderPixel(*player, 30, 20), Blue);
        QCOMPARE(player->AnimationTimer()->interval(), 1000);
        QCOMPARE(player->CurrentFrame(), 0);
        player->AnimationTick();
        QCOMPARE(RenderPixel(*player, 30, 20), Red);
        Shot(*player, "canvas-gif-frame0.png");

        // Turning while it plays turns the frame on screen.
        player->Rotate90CW();
        QCOMPARE(player->ImageWidth(), 40);
        QCOMPARE(player->RenderBitmap().Width(), 40);
        QCOMPARE(RenderPixel(*player, 20, 30), Red);
        QCOMPARE(player->CurrentFrame(), 1);

        player->DestroyImage();
        QVERIFY(!player->AnimationTimer()->isActive());
        QCOMPARE(player->ImageFrames(), 0);
    }

    void animationRunsOnItsTimer()
    {
        auto player = MakePlayer();
        QVERIFY(player->ImportImage(mGif));
        // Driven by the real timer: frame 0 at once, then frame 1 after 100 ms.
        QTRY_COMPARE_WITH_TIMEOUT(player->CurrentFrame(), 1, 2000);
        QCOMPARE(player->AnimationTimer()->interval(), 100);
        QTRY_COMPARE_WITH_TIMEOUT(player->CurrentFrame(), 2, 2000);
        QTRY_COMPARE_WITH_TIMEOUT(player->CurrentFrame(), 0, 2000);
        QCOMPARE(player->AnimationTimer()->interval(), 1000);
        QCOMPARE(RenderPixel(*player, 30, 20), Blue);
        QTRY_COMPARE_WITH_TIMEOUT(player->CurrentFrame(), 1, 3000);
        QCOMPARE(RenderPixel(*player, 30, 20), Red);
        Shot(*player, "canvas-gif-frame-next.png");
    }

    // A ball crossing a 120 x 90 animation, zoomed 3 times and scrolled to the left edge:
    // each tick moves the ball on screen by three times its step.
    void zoomedAnimation()
    {
        QList<QByteArray> frames;
        for (int f = 0; f < 4; ++f) {
            QByteArray frame(120 * 90, char(0));
            for (int y = 0; y < 90; ++y)
                for (int x = 0; x < 120; ++x) {
                    if (y >= 70)
                        frame[y * 120 + x] = char(2); // ground
                    const int dx = x - (15 + 25 * f), dy = y - 45;
                    if (dx * dx + dy * dy <= 100)
                        frame[y * 120 + x] = char(1);
                }
            frames.append(frame);
        }
        const QString path = Write("ball.gif", MakeGif(120, 90, {qRgb(200, 225, 245), Red, qRgb(60, 120, 40)}, frames,
                                                       {8, 8, 8, 8}));
        auto player = MakePlayer(false);
        player->resize(300, 240);
        QVERIFY(player->ImportImage(path));
        player->SetZoom(3.0);
        QCOMPARE(player->Layout().HMax(), 360 - 300);
        QCOMPARE(player->Layout().VMax(), 270 - 240);
        player->show();
        QVERIFY(QTest::qWaitForWindowExposed(player.get()));
        QTest::mousePress(player.get(), Qt::LeftButton, {}, QPoint(100, 100));
        QTest::mouseMove(player.get(), QPoint(200, 100));
        QTest::mouseRelease(player.get(), Qt::LeftButton, {}, QPoint(200, 100));
        QCOMPARE(player->Layout().HPos(), 0);
        player->AnimationTimer()->stop();
        for (int step = 0; step < 4; ++step) {
            const int f = player->CurrentFrame();
            player->AnimationTick();
            const QImage shown = player->grab().toImage();
            // Ball centre at render (15 + 25 f, 45): on screen x 3 from the scrolled origin.
            const int vpos = player->Layout().VPos();
            QCOMPARE(shown.pixel(3 * (15 + 25 * f) + 1, 3 * 45 - vpos + 1), Red);
            QCOMPARE(shown.pixel(3 * (15 + 25 * f) - 40, 3 * 45 - vpos), qRgb(200, 225, 245));
            Shot(*player, QStringLiteral("canvas-ball-%1.png").arg(f));
        }
    }

    void turningKeepsTheFile()
    {
        auto player = MakePlayer();
        const QByteArray before = ReadBytes(mQuadrants);
        QVERIFY(player->ImportImage(mQuadrants));
        player->Rotate90CW();
        QCOMPARE(player->ImageWidth(), 40);
        QCOMPARE(player->ImageHeight(), 60);
        QCOMPARE(RenderPixel(*player, 5, 5), Blue);  // bottom-left came to the top-left
        QCOMPARE(player->Layout().Display(), QRect(380, 270, 40, 60));
        player->Rotate90ACW();
        player->Rotate90ACW();
        QCOMPARE(RenderPixel(*player, 5, 5), qRgb(0, 255, 0)); // top-right to top-left
        QCOMPARE(ReadBytes(mQuadrants), before);
    }

    void zoomAndScrollNeverDecode()
    {
        auto player = MakePlayer(false);
        player->show();
        QVERIFY(QTest::qWaitForWindowExposed(player.get()));
        QVERIFY(player->ImportImage(mPhoto));
        const int renders = player->RenderCount();
        player->SetZoom(2.0);
        QCOMPARE(player->Layout().HMax(), 2560 - 800);
        QCOMPARE(player->Layout().HPos(), (2560 - 800) / 2);
        QTest::mousePress(player.get(), Qt::LeftButton, {}, QPoint(400, 300));
        QTest::mouseMove(player.get(), QPoint(350, 280));
        QTest::mouseRelease(player.get(), Qt::LeftButton, {}, QPoint(350, 280));
        QCOMPARE(player->Layout().HPos(), (2560 - 800) / 2 + 50);
        QCOMPARE(player->Layout().VPos(), (1920 - 600) / 2 + 20);
        player->SetBestFitMode(true);
        player->SetZoom(1.0);
        player->Refresh();
        player->grab();
        QCOMPARE(player->RenderCount(), renders);
    }

    void dragDoesNothingInBestFit()
    {
        auto player = MakePlayer(true);
        player->show();
        QVERIFY(QTest::qWaitForWindowExposed(player.get()));
        QVERIFY(player->ImportImage(mPhoto));
        const int hpos = player->Layout().HPos();
        QTest::mousePress(player.get(), Qt::LeftButton, {}, QPoint(400, 300));
        QTest::mouseMove(player.get(), QPoint(100, 100));
        QTest::mouseRelease(player.get(), Qt::LeftButton, {}, QPoint(100, 100));
        QCOMPARE(player->Layout().HPos(), hpos);
    }

    void cursorRule()
    {
        auto player = MakePlayer(false);
        QVERIFY(player->ImportImage(mPhoto));
        // Zoom 1.0 on 800 x 600: 1280 x 960 overhangs, so the tool's cursor shows.
        player->UpdatePointer();
        QCOMPARE(player->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(player->cursor().pixmap().size(), QSize(32, 32));
        player->SetBestFitMode(true);
        QCOMPARE(player->cursor().shape(), Qt::ArrowCursor);
        player->SetBestFitMode(false);
        player->SetZoom(0.5);
        QCOMPARE(player->cursor().shape(), Qt::ArrowCursor);
        // Reading the tool shows its cursor: the zoom tools theirs, the hand the arrow.
        player->SetnMouseIcon(ToolZoomIn);
        QCOMPARE(player->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(player->nMouseIcon(), int(ToolZoomIn));
        QCOMPARE(player->cursor().shape(), Qt::BitmapCursor);
        player->SetnMouseIcon(ToolHand);
        QCOMPARE(player->nMouseIcon(), int(ToolHand));
        QCOMPARE(player->cursor().shape(), Qt::ArrowCursor);
        // Three different pictures.
        const QImage hand = CanvasCursor(ToolHand).pixmap().toImage();
        const QImage in = CanvasCursor(ToolZoomIn).pixmap().toImage();
        const QImage out = CanvasCursor(ToolZoomOut).pixmap().toImage();
        QVERIFY(hand != in && in != out && hand != out);
        QVERIFY(qAlpha(in.pixel(12, 12)) > 0);
        if (!qEnvironmentVariableIsEmpty("MIROVALE_SHOTS")) {
            QImage sheet(3 * 136, 136, QImage::Format_ARGB32);
            sheet.fill(Back);
            QPainter p(&sheet);
            int x = 4;
            for (const QImage &cursor : {hand, in, out}) {
                p.drawImage(QRect(x, 4, 128, 128), cursor);
                x += 136;
            }
            p.end();
            sheet.save(qEnvironmentVariable("MIROVALE_SHOTS") + QStringLiteral("/cursors.png"));
        }
    }

    void mouseAndKeyEvents()
    {
        auto player = MakePlayer(false);
        player->show();
        QVERIFY(QTest::qWaitForWindowExposed(player.get()));
        QSignalSpy down(player.get(), &ucPlayer::MouseDown);
        QSignalSpy move(player.get(), &ucPlayer::MouseMove);
        QSignalSpy click(player.get(), &ucPlayer::Click);
        QSignalSpy dbl(player.get(), &ucPlayer::DblClick);
        QSignalSpy right(player.get(), &ucPlayer::RightClick);
        QSignalSpy keyUp(player.get(), &ucPlayer::KeyUp);
        QSignalSpy resized(player.get(), &ucPlayer::Resize);

        QTest::mouseClick(player.get(), Qt::LeftButton, Qt::ShiftModifier, QPoint(10, 20));
        QCOMPARE(down.count(), 1);
        QCOMPARE(down.at(0).at(0).toInt(), 1);
        QCOMPARE(down.at(0).at(1).toInt(), 1);
        QCOMPARE(down.at(0).at(2).toDouble(), 10.0);
        QCOMPARE(down.at(0).at(3).toDouble(), 20.0);
        QCOMPARE(click.count(), 1);
        QCOMPARE(right.count(), 0);

        QTest::mouseClick(player.get(), Qt::RightButton, Qt::ControlModifier, QPoint(5, 5));
        QCOMPARE(right.count(), 1);
        QCOMPARE(down.at(1).at(0).toInt(), 2);
        QCOMPARE(down.at(1).at(1).toInt(), 2);
        QCOMPARE(click.count(), 1);

        QTest::mouseDClick(player.get(), Qt::LeftButton, {}, QPoint(30, 30));
        QCOMPARE(dbl.count(), 1);

        QTest::mouseMove(player.get(), QPoint(40, 50));
        QVERIFY(move.count() >= 1);
        QCOMPARE(move.last().at(2).toDouble(), 40.0);

        QTest::keyClick(player.get(), Qt::Key_Right, Qt::AltModifier);
        QVERIFY(!keyUp.isEmpty());
        QCOMPARE(keyUp.at(0).at(0).toInt(), int(Qt::Key_Right));
        QCOMPARE(keyUp.at(0).at(1).toInt(), 4);

        player->resize(640, 480);
        QTRY_VERIFY(resized.count() >= 1);
    }

    void copyImageToClipboard()
    {
        auto player = MakePlayer();
        QVERIFY(player->ImportImage(mClear));
        QGuiApplication::clipboard()->clear();
        player->CopyImage();
        const QImage pasted = QGuiApplication::clipboard()->image();
        QCOMPARE(pasted.size(), QSize(20, 20));
        QCOMPARE(pasted.pixel(3, 3) | 0xFF000000u, Back.rgb());
        QVERIFY(player->ImportImage(mPhoto));
        player->CopyImage();
        QCOMPARE(QGuiApplication::clipboard()->image().size(), QSize(1280, 960));
    }

    // A photo whose EXIF says the camera was turned shows upright, and so does its copy on
    // the clipboard.
    void exifOrientedPhotoShowsUpright()
    {
        auto player = MakePlayer();
        const QByteArray stored = Encode(StoreForOrientation(Quadrants(400, 300), 6), "jpeg", 95);
        QVERIFY(player->ImportImage(Write("camera.jpg", WithExif(stored, ExifTags::Of(6)))));
        QCOMPARE(player->ImageWidth(), 400);
        QCOMPARE(player->ImageHeight(), 300);
        QCOMPARE(player->RenderBitmap().Width(), 400);
        const QImage shown = player->grab().toImage();
        QVERIFY(Near(shown.pixel(200 + 50, 150 + 50), Red));
        QVERIFY(Near(shown.pixel(200 + 350, 150 + 50), Green));
        QVERIFY(Near(shown.pixel(200 + 50, 150 + 250), Blue));
        player->CopyImage();
        const QImage pasted = QGuiApplication::clipboard()->image();
        QCOMPARE(pasted.size(), QSize(400, 300));
        QVERIFY(Near(pasted.pixel(350, 50), Green));
        QVERIFY(Near(pasted.pixel(50, 250), Blue));
    }

    // A metafile is a page: white behind its black lines, whatever the canvas colour.
    void metafileDrawnOnPaper()
    {
        EmfWriter emf(200, 100);
        emf.createPen(1, 0, 3, Rgb(0, 0, 0));
        emf.selectObject(1);
        emf.moveTo(10, 50);
        emf.lineTo(190, 50);
        auto player = MakePlayer();
        player->SetBackColor(Qt::black);
        QVERIFY(player->ImportImage(Write("page.emf", emf.finish())));
        QCOMPARE(RenderPixel(*player, 100, 20), qRgb(255, 255, 255));
        QVERIFY(qGray(RenderPixel(*player, 100, 50)) < 60);
        const QImage shown = player->grab().toImage();
        QCOMPARE(shown.pixel(10, 10), qRgb(0, 0, 0)); // the canvas around the page
        QCOMPARE(shown.pixel(300 + 100, 250 + 20), qRgb(255, 255, 255));
        QVERIFY(qGray(shown.pixel(300 + 100, 250 + 50)) < 60);
    }

    // Reduced below its render size the picture is smoothed: lines one pixel thin stay
    // visible instead of falling between the sampled pixels.
    void reducedZoomKeepsThinLines()
    {
        QImage lines(1600, 1200, QImage::Format_RGB32);
        lines.fill(Qt::white);
        for (int x = 1; x < lines.width(); x += 4)
            for (int y = 0; y < lines.height(); ++y)
                lines.setPixel(x, y, qRgb(0, 0, 0));
        auto player = MakePlayer(false);
        player->SetMaxRenderWidth(1600);
        player->SetMaxRenderHeight(1600);
        QVERIFY(player->ImportImage(Write("lines.png", Encode(lines, "png"))));
        player->SetZoom(0.25);
        QCOMPARE(player->Layout().Display(), QRect(200, 150, 400, 300));
        const QImage shown = player->grab().toImage();
        int darkest = 255;
        for (int x = 200; x < 600; ++x)
            darkest = qMin(darkest, qGray(shown.pixel(x, 300)));
        QVERIFY2(darkest < 215, qPrintable(QString::number(darkest))); // a quarter black on white
        // Overhanging and reduced: the visible part at the scroll position.
        player->SetZoom(0.9);
        QCOMPARE(player->Layout().Display(), QRect(0, 0, 800, 600));
        QVERIFY(player->Layout().Geometry().smooth);
        Shot(*player, "canvas-reduced.png");
    }

    // A neighbour read ahead shows exactly as the same file loaded by a canvas of its own,
    // without the canvas decoding it; it also turns the same way.
    void readAheadShowsWhatALoadShows_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("photo") << "ra-photo.jpg" << Encode(PhotoLike(2000, 1500, 3), "jpeg", 90);
        QTest::newRow("camera turned (EXIF 6)")
            << "ra-camera.jpg"
            << WithExif(Encode(StoreForOrientation(Quadrants(1600, 1200), 6), "jpeg", 95), ExifTags::Of(6));
        QImage half(900, 600, QImage::Format_ARGB32);
        half.fill(Qt::transparent);
        QPainter(&half).fillRect(0, 0, 450, 600, QColor(0, 128, 0, 128));
        QTest::newRow("transparent PNG") << "ra-half.png" << Encode(half, "png");
        QTest::newRow("small BMP") << "ra-small.bmp" << Encode(Quadrants(200, 100), "bmp");
    }
    void readAheadShowsWhatALoadShows()
    {
        const QString path = Write(MV_FETCH(QString, name), MV_FETCH(QByteArray, bytes));
        auto stepped = MakePlayer();
        QVERIFY(stepped->ImportImage(mPhoto));
        stepped->SetNeighbours({path});
        QTRY_VERIFY_WITH_TIMEOUT(stepped->Ahead().IsReady(path), 10000);
        const int renders = stepped->RenderCount();
        QVERIFY(stepped->ImportImage(path));
        QCOMPARE(stepped->RenderCount(), renders); // the decode was done
        QCOMPARE(stepped->Ahead().TakenCount(), 1);

        auto loaded = MakePlayer();
        QVERIFY(loaded->ImportImage(path));
        QCOMPARE(stepped->ImageWidth(), loaded->ImageWidth());
        QCOMPARE(stepped->ImageHeight(), loaded->ImageHeight());
        QCOMPARE(stepped->ImageFrames(), 1);
        QCOMPARE(stepped->Layout().Display(), loaded->Layout().Display());
        QVERIFY(stepped->RenderBitmap().Image() == loaded->RenderBitmap().Image());
        QCOMPARE(stepped->grab().toImage(), loaded->grab().toImage());
        stepped->Rotate90CW();
        loaded->Rotate90CW();
        QVERIFY(stepped->RenderBitmap().Image() == loaded->RenderBitmap().Image());
        QCOMPARE(stepped->grab().toImage(), loaded->grab().toImage());
    }

    // Actual size, or another canvas colour: the picture read ahead is not what is wanted
    // now, and the canvas decodes as before.
    void otherSizeOrColourDecodesAsBefore()
    {
        const QString path = Write("ra-other.jpg", SolidJpeg(QColor(200, 40, 40)));
        auto player = MakePlayer();
        player->SetNeighbours({path});
        QTRY_VERIFY_WITH_TIMEOUT(player->Ahead().IsReady(path), 10000);
        player->SetYuanShiDaXiao(true);
        int renders = player->RenderCount();
        QVERIFY(player->ImportImage(path));
        QCOMPARE(player->RenderCount(), renders + 1);
        QCOMPARE(player->RenderBitmap().Width(), 2000);

        const QString clear = Write("ra-clear.png", [] {
            QImage image(300, 200, QImage::Format_ARGB32);
            image.fill(Qt::transparent);
            return Encode(image, "png");
        }());
        player->SetYuanShiDaXiao(false);
        player->SetNeighbours({clear});
        QTRY_VERIFY_WITH_TIMEOUT(player->Ahead().IsReady(clear), 10000);
        player->SetBackColor(Qt::black);
        renders = player->RenderCount();
        QVERIFY(player->ImportImage(clear));
        QCOMPARE(player->RenderCount(), renders + 1);
        QCOMPARE(RenderPixel(*player, 150, 100), qRgb(0, 0, 0));
    }

    // Stepping on, the picture left is kept as the way back, unless it was turned.
    void pictureLeftIsKeptUnlessTurned()
    {
        const QString a = Write("left-a.jpg", SolidJpeg(Qt::red));
        const QString b = Write("left-b.jpg", SolidJpeg(Qt::green));
        const QString c = Write("left-c.jpg", SolidJpeg(Qt::blue));
        auto player = MakePlayer();
        QVERIFY(player->ImportImage(a));
        player->SetNeighbours({b});
        QTRY_VERIFY_WITH_TIMEOUT(player->Ahead().IsReady(b), 10000);
        QVERIFY(player->ImportImage(b));
        QCOMPARE(player->Ahead().Held(), QStringList{a});
        player->SetNeighbours({c, a});
        QTRY_VERIFY_WITH_TIMEOUT(player->Ahead().IsReady(c), 10000);
        player->Rotate90CW();
        QVERIFY(player->ImportImage(c));
        QCOMPARE(player->Ahead().Held(), QStringList{a});

        const int renders = player->RenderCount();
        QVERIFY(player->ImportImage(a));
        QCOMPARE(player->RenderCount(), renders);
        QVERIFY(Near(RenderPixel(*player, 640, 480), Red));
        auto loaded = MakePlayer();
        QVERIFY(loaded->ImportImage(a));
        QCOMPARE(player->grab().toImage(), loaded->grab().toImage());
    }

    // Neighbours that do not decode, or that play, leave the shown picture as it is and show
    // as they always do when their turn comes.
    void neighboursThatAreNotReadAhead()
    {
        const QByteArray png = Encode(PhotoLike(600, 400), "png");
        const QString damaged = Write("ra-damaged.png", png.left(png.size() / 2));
        auto player = MakePlayer();
        player->show();
        QVERIFY(QTest::qWaitForWindowExposed(player.get()));
        QVERIFY(player->ImportImage(mPhoto));
        const QImage render = player->RenderBitmap().Image();
        const QImage shown = player->grab().toImage();
        player->SetNeighbours({damaged, mGif});
        QTRY_VERIFY_WITH_TIMEOUT(ReadAheadDone(*player, damaged) && ReadAheadDone(*player, mGif), 10000);
        QVERIFY(player->Ahead().Held().isEmpty());
        QCOMPARE(player->RenderBitmap().Image().constBits(), render.constBits());
        QVERIFY(player->RenderBitmap().Image() == render);
        QCOMPARE(player->grab().toImage(), shown);
        QVERIFY(player->HasImage());
        QVERIFY(!player->CannotDisplay());

        QVERIFY(!player->ImportImage(damaged));
        QVERIFY(!player->HasImage());
        QVERIFY(player->ImportImage(mGif));
        QCOMPARE(player->ImageFrames(), 3);
        QVERIFY(player->AnimationTimer()->isActive());
    }

    // A file replaced on disk after it was read ahead shows as it is now.
    void fileChangedAfterReadAhead()
    {
        const QString path = Write("ra-changing.jpg", SolidJpeg(Qt::red));
        auto player = MakePlayer();
        player->SetNeighbours({path});
        QTRY_VERIFY_WITH_TIMEOUT(player->Ahead().IsReady(path), 10000);
        QVERIFY(WriteBytes(path + ".new", SolidJpeg(Qt::blue)));
        QVERIFY(QFile::remove(path));
        QVERIFY(QFile::rename(path + ".new", path));
        QVERIFY(player->ImportImage(path));
        QVERIFY(Near(RenderPixel(*player, 640, 480), Blue));
    }

    // Stepping faster than the worker: every step still shows its own picture.
    void steppingWithoutWaiting()
    {
        const QList<QColor> colours{Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan, Qt::magenta};
        QStringList paths;
        for (int i = 0; i < colours.size(); ++i)
            paths << Write(QStringLiteral("fast%1.jpg").arg(i), SolidJpeg(colours.at(i)));
        auto player = MakePlayer();
        for (int round = 0; round < 2; ++round) {
            for (int i = 0; i < paths.size(); ++i) {
                const int at = round == 0 ? i : int(paths.size()) - 1 - i;
                QVERIFY(player->ImportImage(paths.at(at)));
                QVERIFY2(Near(RenderPixel(*player, 640, 480), colours.at(at).rgb()), qPrintable(paths.at(at)));
                const int n = int(paths.size());
                player->SetNeighbours({paths.at((at + 1) % n), paths.at((at + n - 1) % n)});
                QVERIFY(player->Ahead().Held().size() <= ReadAhead::MaxHeld);
                QCoreApplication::processEvents();
            }
        }
        player->StopReadAhead();
        QVERIFY(player->Ahead().Held().isEmpty());
    }

    void borderShrinksClient()
    {
        auto player = MakePlayer();
        player->SetBorder(true);
        QVERIFY(player->Border());
        QVERIFY(player->ImportImage(mSmall));
        QCOMPARE(player->Layout().ClientSize(), QSize(798, 598));
        QCOMPARE(player->Layout().Display(), QRect(299, 249, 200, 100));
    }
};

MV_TEST_MAIN(TestUcPlayer)
#include "tst_ucplayer.moc"
