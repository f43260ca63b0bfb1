// Rendering one image into thumbnail bytes, and the stored form of a thumbnail.

#include "../imaging/exiffixture.h"
#include "../imaging/fixtures.h"
#include "../metafile/metafilewriter.h"
#include "imaging/gdiplus.h"
#include "testutil.h"
#include "thumbs/renderthumbnail.h"

#include <QTemporaryDir>
#include <QThreadPool>

using namespace mv;
using namespace mv::test;

namespace {

QByteArray Le(quint32 value, int bytes)
{
    QByteArray out;
    PutLE(out, value, bytes);
    return out;
}

// The 16-bit word at a pixel of the stored (bottom-up) bytes.
quint16 StoredWord(const QByteArray &pixels, int x, int y)
{
    const qsizetype at = qsizetype(ThumbHeight - 1 - y) * ThumbRowBytes + x * 2;
    return quint16(quint8(pixels.at(at)) | (quint8(pixels.at(at + 1)) << 8));
}

QRgb Pixel(const RenderedThumbnail &thumb, int x, int y)
{
    return ThumbnailToImage(thumb.bytes.header, thumb.bytes.pixels).pixel(x, y);
}

bool Near(QRgb a, QRgb b, int tolerance = 40)
{
    return qAbs(qRed(a) - qRed(b)) <= tolerance && qAbs(qGreen(a) - qGreen(b)) <= tolerance
           && qAbs(qBlue(a) - qBlue(b)) <= tolerance;
}

const QRgb White = qRgb(255, 255, 255);

} // namespace

class TestThumbRender : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;
    quint32 mToken = 0;

    QString Write(const QString &name, const QByteArray &bytes)
    {
        const QString path = mDir.filePath(name);
        return WriteBytes(path, bytes) ? path : QString();
    }

    // Everything outside rect is white; the picture inside is what check says.
    static void VerifyWhiteAround(const QImage &thumb, const QRect &rect)
    {
        for (int y = 0; y < ThumbHeight; ++y) {
            for (int x = 0; x < ThumbWidth; ++x) {
                if (!rect.contains(x, y) && thumb.pixel(x, y) != White)
                    QFAIL(qPrintable(QStringLiteral("not white at %1, %2").arg(x).arg(y)));
            }
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY(mDir.isValid());
        QCOMPARE(GdiplusStartup(mToken), GdiplusOk);
    }

    void cleanupTestCase() { GdiplusShutdown(mToken); }

    // The header byte for byte, and the rows bottom-up: the picture's top-left pixel is
    // the first pixel of the last stored row.
    void storedFormat()
    {
        QImage picture(ThumbWidth, ThumbHeight, QImage::Format_RGB32);
        picture.fill(Qt::white);
        picture.setPixel(0, 0, qRgb(255, 0, 0));
        picture.setPixel(ThumbWidth - 1, ThumbHeight - 1, qRgb(0, 0, 255));
        picture.setPixel(1, 0, qRgb(0, 255, 0));
        const ThumbnailBytes bytes = ThumbnailFromImage(picture);

        const QByteArray header = Le(40, 4) + Le(170, 4) + Le(127, 4) + Le(1, 2) + Le(16, 2) + Le(0, 4)
                                  + Le(43180, 4) + QByteArray(16, '\0');
        QCOMPARE(bytes.header.toHex(' '), header.toHex(' '));
        QCOMPARE(bytes.pixels.size(), qsizetype(43180));
        const qsizetype lastRow = qsizetype(126) * 340;
        QCOMPARE(quint8(bytes.pixels.at(lastRow)), quint8(0x00));       // red 0x7C00, low byte first
        QCOMPARE(quint8(bytes.pixels.at(lastRow + 1)), quint8(0x7C));
        QCOMPARE(StoredWord(bytes.pixels, 1, 0), quint16(0x03E0));     // green
        QCOMPARE(StoredWord(bytes.pixels, 169, 126), quint16(0x001F)); // blue: first stored row
        QCOMPARE(quint8(bytes.pixels.at(338)), quint8(0x1F));
        QCOMPARE(StoredWord(bytes.pixels, 5, 5), quint16(0x7FFF));     // white

        // And back, as the list view reads it.
        const QImage back = ThumbnailToImage(bytes.header, bytes.pixels);
        QCOMPARE(back.size(), QSize(170, 127));
        QCOMPARE(back.pixel(0, 0), qRgb(255, 0, 0));
        QCOMPARE(back.pixel(169, 126), qRgb(0, 0, 255));
    }

    // A rendered file: the fitted picture at its place, white around it.
    void renderedFileBytes()
    {
        QImage picture(166, 124, QImage::Format_RGB32);
        picture.fill(qRgb(0, 0, 255));
        picture.setPixel(0, 0, qRgb(255, 0, 0));
        const RenderedThumbnail thumb = RenderThumbnail(Write("exact.png", Encode(picture, "png")));
        QVERIFY(!thumb.placeholder);
        QCOMPARE(ThumbnailHeaderSize(thumb.bytes.header), QSize(170, 127));
        QCOMPARE(thumb.bytes.pixels.size(), qsizetype(43180));
        // 166 x 124 lands at 2, 2 (1.5 rounds to 2).
        QCOMPARE(StoredWord(thumb.bytes.pixels, 2, 2), quint16(0x7C00));
        QCOMPARE(StoredWord(thumb.bytes.pixels, 3, 2), quint16(0x001F));
        QCOMPARE(StoredWord(thumb.bytes.pixels, 1, 2), quint16(0x7FFF));
        QCOMPARE(StoredWord(thumb.bytes.pixels, 2, 1), quint16(0x7FFF));
        VerifyWhiteAround(ThumbnailToImage(thumb.bytes.header, thumb.bytes.pixels), QRect(2, 2, 166, 124));
    }

    void placement_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QRect>("place");
        QTest::newRow("smaller keeps its size") << QSize(100, 50) << QRect(35, 38, 100, 50);
        QTest::newRow("square, half-even 1.5") << QSize(1000, 1000) << QRect(23, 2, 124, 124);
        QTest::newRow("camera landscape, half-even 2.5") << QSize(4000, 3000) << QRect(2, 2, 165, 124);
        QTest::newRow("camera portrait") << QSize(3000, 4000) << QRect(38, 2, 93, 124);
        QTest::newRow("placeholder") << QSize(50, 39) << QRect(60, 44, 50, 39);
        QTest::newRow("exactly the box") << QSize(166, 124) << QRect(2, 2, 166, 124);
        QTest::newRow("wide strip") << QSize(10000, 10) << QRect(2, 63, 166, 1);
        QTest::newRow("one pixel") << QSize(1, 1) << QRect(84, 63, 1, 1);
    }

    void placement()
    {
        QCOMPARE(ThumbnailPlacement(MV_FETCH(QSize, picture)), MV_FETCH(QRect, place));
    }

    // The fitted picture lands where the fitting rule says, unscaled when smaller.
    void renderedPlaces_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("place");
        QTest::newRow("100 x 50") << QSize(100, 50) << QRect(35, 38, 100, 50);
        QTest::newRow("1000 x 1000") << QSize(1000, 1000) << QRect(23, 2, 124, 124);
    }

    void renderedPlaces()
    {
        const QSize size = MV_FETCH(QSize, size);
        const QRect place = MV_FETCH(QRect, place);
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(qRgb(200, 0, 0));
        const RenderedThumbnail thumb = RenderThumbnail(Write("place.png", Encode(picture, "png")));
        const QImage image = ThumbnailToImage(thumb.bytes.header, thumb.bytes.pixels);
        VerifyWhiteAround(image, place);
        QVERIFY(Near(image.pixel(place.topLeft()), qRgb(200, 0, 0), 8));
        QVERIFY(Near(image.pixel(place.bottomRight()), qRgb(200, 0, 0), 8));
    }

    // A file that does not load, or loads but does not decode, shows the placeholder at its
    // own size, centred on white; a turn does not apply to it.
    void placeholder_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("rotation");
        QTest::newRow("garbage") << QByteArray("not a picture at all") << 0;
        QTest::newRow("garbage, turned") << QByteArray("not a picture at all") << 1;
        QTest::newRow("empty file") << QByteArray() << 0;
        QByteArray truncated = Encode(PhotoLike(64, 48), "png");
        truncated.truncate(60);
        QTest::newRow("PNG cut after its header") << truncated << 0;
    }

    void placeholder()
    {
        const RenderedThumbnail thumb =
            RenderThumbnail(Write("broken.jpg", MV_FETCH(QByteArray, bytes)), MV_FETCH(int, rotation));
        QVERIFY(thumb.placeholder);
        QVERIFY(thumb.status != GpStatus::Ok);
        const QImage image = ThumbnailToImage(thumb.bytes.header, thumb.bytes.pixels);
        QCOMPARE(image.size(), QSize(170, 127));
        const QRect place(60, 44, 50, 39);
        VerifyWhiteAround(image, place);
        GpImage placeholder = GpImage::LoadFromMemory(PlaceholderPicture());
        QCOMPARE(placeholder.Size(), QSize(50, 39));
        QImage expected;
        QCOMPARE(placeholder.DecodeFrame(QSize(), expected), GpStatus::Ok);
        expected = expected.convertToFormat(QImage::Format_RGB555).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(image.copy(place).convertToFormat(QImage::Format_RGB32), expected);
    }

    void missingFile()
    {
        const RenderedThumbnail thumb = RenderThumbnail(mDir.filePath(QStringLiteral("nothing-here.png")));
        QVERIFY(thumb.placeholder);
        QCOMPARE(thumb.status, GpStatus::FileNotFound);
    }

    // Photos show upright by their EXIF orientation, and a turn code turns them further.
    void orientationAndTurns_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("rotation");
        QTest::addColumn<int>("quarterTurns");
        QTest::newRow("stored upright") << 1 << 0 << 0;
        QTest::newRow("EXIF 6") << 6 << 0 << 0;
        QTest::newRow("EXIF 8") << 8 << 0 << 0;
        QTest::newRow("EXIF 3, turned a quarter") << 3 << 1 << 1;
        QTest::newRow("upright, turned half") << 1 << 2 << 2;
        QTest::newRow("EXIF 6, turned three quarters") << 6 << 3 << 3;
    }

    void orientationAndTurns()
    {
        const int orientation = MV_FETCH(int, orientation);
        const QImage upright = Quadrants(160, 120);
        const QByteArray jpeg = WithExif(Encode(StoreForOrientation(upright, orientation), "jpeg", 95),
                                         ExifTags::Of(orientation));
        const RenderedThumbnail thumb = RenderThumbnail(Write("photo.jpg", jpeg), MV_FETCH(int, rotation));
        QVERIFY(!thumb.placeholder);
        const QImage expected = upright.transformed(QTransform().rotate(90.0 * MV_FETCH(int, quarterTurns)));
        const QRect place = ThumbnailPlacement(expected.size());
        const QImage shown = ThumbnailToImage(thumb.bytes.header, thumb.bytes.pixels).copy(place);
        for (const QPointF &at : {QPointF(0.25, 0.25), QPointF(0.75, 0.25), QPointF(0.25, 0.75), QPointF(0.75, 0.75)}) {
            const QRgb want = expected.pixel(int(at.x() * expected.width()), int(at.y() * expected.height()));
            const QRgb got = shown.pixel(int(at.x() * shown.width()), int(at.y() * shown.height()));
            QVERIFY2(Near(got, want), qPrintable(QStringLiteral("at %1,%2").arg(at.x()).arg(at.y())));
        }
    }

    // A metafile is a page: drawn on white, its black line shows.
    void metafileOnWhite()
    {
        EmfWriter emf(200, 100);
        emf.createPen(1, 0, 6, Rgb(0, 0, 0));
        emf.selectObject(1);
        emf.moveTo(0, 50);
        emf.lineTo(200, 50);
        const RenderedThumbnail thumb = RenderThumbnail(Write("page.emf", emf.finish()));
        QVERIFY(!thumb.placeholder);
        const QImage image = ThumbnailToImage(thumb.bytes.header, thumb.bytes.pixels);
        const QRect place = ThumbnailPlacement(QSize(200, 100));
        QCOMPARE(image.pixel(place.center().x(), place.top() + 5), White);
        QVERIFY(Near(image.pixel(place.center().x(), place.top() + place.height() / 2), qRgb(0, 0, 0), 60));
    }

    // Worker threads make the same bytes as this thread, fonts of metafiles included.
    void sameOnWorkerThreads()
    {
        EmfWriter emf(300, 120);
        emf.createFont(1, -40, QStringLiteral("Arial"));
        emf.selectObject(1);
        emf.setTextColor(Rgb(0, 0, 160));
        emf.extTextOutW(10, 30, QStringLiteral("Text 文字"));
        const QStringList paths{
            Write("text.emf", emf.finish()),
            Write("photo6.jpg", WithExif(Encode(StoreForOrientation(PhotoLike(400, 300), 6), "jpeg", 90), ExifTags::Of(6))),
            Write("plain.png", Encode(PhotoLike(640, 480, 3), "png")),
            Write("junk.gif", QByteArray("GIF89a junk")),
        };
        QList<QByteArray> here;
        for (const QString &path : paths)
            here.append(RenderThumbnail(path).bytes.pixels);
        const QImage text = ThumbnailToImage(RenderThumbnail(paths.first()).bytes.header, here.first());
        int inked = 0;
        for (int y = 0; y < text.height(); ++y) {
            for (int x = 0; x < text.width(); ++x)
                inked += qBlue(text.pixel(x, y)) > 100 && qRed(text.pixel(x, y)) < 90;
        }
        QVERIFY2(inked > 20, qPrintable(QString::number(inked))); // the letters are there
        QThreadPool pool;
        pool.setMaxThreadCount(4);
        QList<QByteArray> there(paths.size() * 3);
        for (int i = 0; i < there.size(); ++i)
            pool.start([&there, &paths, i] { there[i] = RenderThumbnail(paths.at(i % paths.size())).bytes.pixels; });
        pool.waitForDone();
        for (int i = 0; i < there.size(); ++i)
            QCOMPARE(there.at(i), here.at(i % paths.size()));
    }

    // Transparent parts of a picture are white in the thumbnail.
    void transparencyOnWhite()
    {
        QImage picture(40, 40, QImage::Format_ARGB32);
        picture.fill(Qt::transparent);
        picture.setPixel(20, 20, qRgba(0, 0, 255, 255));
        const RenderedThumbnail thumb = RenderThumbnail(Write("clear.png", Encode(picture, "png")));
        const QRect place = ThumbnailPlacement(QSize(40, 40));
        QCOMPARE(Pixel(thumb, place.left(), place.top()), White);
        QCOMPARE(Pixel(thumb, place.left() + 20, place.top() + 20), qRgb(0, 0, 255));
    }

    // Bytes that describe no drawable picture give nothing to draw, whatever they claim.
    void damagedBytes_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<int>("pixelBytes");
        const auto header = [](qint32 w, qint32 h, quint16 bpp, quint32 compression) {
            return Le(40, 4) + Le(quint32(w), 4) + Le(quint32(h), 4) + Le(1, 2) + Le(bpp, 2) + Le(compression, 4)
                   + Le(0, 4) + QByteArray(16, '\0');
        };
        QTest::newRow("short header") << QByteArray(20, '\0') << 43180;
        QTest::newRow("0 x 0") << header(0, 0, 16, 0) << 0;
        QTest::newRow("pixels too short") << header(170, 127, 16, 0) << 43179;
        QTest::newRow("24 bits") << header(170, 127, 24, 0) << 100000;
        QTest::newRow("compressed") << header(170, 127, 16, 3) << 43180;
        QTest::newRow("huge") << header(1 << 30, 1 << 30, 16, 0) << 43180;
        QTest::newRow("negative width") << header(-170, 127, 16, 0) << 43180;
        QTest::newRow("lowest height") << header(170, qint32(0x80000000), 16, 0) << 43180;
    }

    void damagedBytes()
    {
        const QByteArray pixels(MV_FETCH(int, pixelBytes), '\x7F');
        QVERIFY(ThumbnailToImage(MV_FETCH(QByteArray, header), pixels).isNull());
    }

    // A top-down header (negative height) is read in its own row order.
    void topDownBytes()
    {
        QByteArray header = ThumbnailFromImage(QImage(4, 2, QImage::Format_RGB555)).header;
        header.replace(8, 4, Le(quint32(-2), 4));
        QByteArray pixels(16, '\0');
        pixels[0] = char(0x00);
        pixels[1] = char(0x7C); // red, first stored row = top
        const QImage image = ThumbnailToImage(header, pixels);
        QCOMPARE(image.pixel(0, 0), qRgb(255, 0, 0));
        QCOMPARE(image.pixel(0, 1), qRgb(0, 0, 0));
    }
};

MV_TEST_MAIN(TestThumbRender)
#include "tst_thumbrender.moc"
