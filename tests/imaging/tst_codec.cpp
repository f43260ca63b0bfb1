#include "fixtures.h"
#include "imaging/cdib.h"
#include "imaging/gdiplus.h"
#include "imaging/metafile/metafile.h"
#include "testutil.h"

#include <QTemporaryDir>
#include <QTransform>

using namespace mv;
using namespace mv::test;

namespace {

const QRgb Red = qRgb(255, 0, 0);
const QRgb Green = qRgb(0, 255, 0);
const QRgb Blue = qRgb(0, 0, 255);
const QRgb White = qRgb(255, 255, 255);

bool Near(QRgb a, QRgb b, int tolerance = 24)
{
    return qAbs(qRed(a) - qRed(b)) <= tolerance && qAbs(qGreen(a) - qGreen(b)) <= tolerance
           && qAbs(qBlue(a) - qBlue(b)) <= tolerance;
}

// A placeable WMF of 200 x 100 units at 96 units per inch, filled red by one rectangle.
QByteArray RedWmf()
{
    QByteArray head;
    PutLE(head, 0x9AC6CDD7u, 4);
    PutLE(head, 0, 2);
    for (quint32 v : {0u, 0u, 200u, 100u})
        PutLE(head, v, 2);
    PutLE(head, 96, 2);
    PutLE(head, 0, 4);
    quint16 checksum = 0;
    for (int i = 0; i < 20; i += 2)
        checksum ^= quint16(quint8(head.at(i)) | quint8(head.at(i + 1)) << 8);
    PutLE(head, checksum, 2);

    QByteArray records;
    const auto record = [&records](quint16 function, std::initializer_list<quint32> words) {
        PutLE(records, quint32(3 + words.size()), 4);
        PutLE(records, function, 2);
        for (quint32 w : words)
            PutLE(records, w, 2);
    };
    record(0x020B, {0, 0});                  // window origin
    record(0x020C, {100, 200});              // window extent
    record(0x02FC, {0, 0x00FF, 0x0000, 0});  // solid red brush
    record(0x012D, {0});
    record(0x02FA, {5, 0, 0, 0, 0});         // no pen
    record(0x012D, {1});
    record(0x041B, {100, 200, 0, 0});        // rectangle: bottom, right, top, left
    record(0x0000, {});                      // end
    QByteArray wmf;
    PutLE(wmf, 1, 2);
    PutLE(wmf, 9, 2);
    PutLE(wmf, 0x0300, 2);
    PutLE(wmf, quint32(9 + records.size() / 2), 4);
    PutLE(wmf, 2, 2);
    PutLE(wmf, 8, 4);
    PutLE(wmf, 0, 2);
    return head + wmf + records;
}

QImage Decode(GpImage &image, QSize size = QSize())
{
    QImage out;
    const GpStatus status = image.DecodeFrame(size, out);
    return status == GpStatus::Ok ? out.convertToFormat(QImage::Format_RGB32) : QImage();
}

// A smooth picture (gradients and a disc), so that differently filtered scalings agree.
QImage Smooth(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = qRgb(255 * x / width, 255 * y / height, 128);
    }
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(250, 220, 40));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(width * 0.7, height * 0.3), width * 0.15, width * 0.15);
    return image;
}

// Mean and largest difference of one channel over two pictures of one size.
std::pair<double, int> Difference(const QImage &a, const QImage &b)
{
    qint64 sum = 0;
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            for (int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) {
                sum += qAbs(d);
                largest = qMax(largest, qAbs(d));
            }
        }
    }
    return {double(sum) / (3.0 * a.width() * a.height()), largest};
}

} // namespace

class TestCodec : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;
    quint32 mToken = 0;

private slots:
    void initTestCase()
    {
        QVERIFY(mDir.isValid());
        QCOMPARE(GdiplusStartup(mToken), GdiplusOk);
    }
    void cleanupTestCase() { GdiplusShutdown(mToken); }

    void formatsByContent_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("format");
        QTest::addColumn<bool>("lossy");
        const QImage quadrants = Quadrants(40, 30);
        QTest::newRow("BMP 24") << Encode(quadrants, "bmp") << int(ImageFormat::Bmp) << false;
        QTest::newRow("BMP 8") << Encode(quadrants.convertToFormat(QImage::Format_Indexed8), "bmp")
                               << int(ImageFormat::Bmp) << false;
        QTest::newRow("JPEG") << Encode(quadrants, "jpeg", 95) << int(ImageFormat::Jpeg) << true;
        QTest::newRow("PNG") << Encode(quadrants, "png") << int(ImageFormat::Png) << false;
        QTest::newRow("TIFF") << Encode(quadrants, "tiff") << int(ImageFormat::Tiff) << false;
        QTest::newRow("ICO") << Encode(quadrants.convertToFormat(QImage::Format_ARGB32), "ico")
                             << int(ImageFormat::Icon) << false;
        QList<QByteArray> frame{QByteArray(40 * 30, '\0')};
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                frame[0][y * 40 + x] = char((y >= 15 ? 2 : 0) + (x >= 20 ? 1 : 0));
        QTest::newRow("GIF") << MakeGif(40, 30, {Red, Green, Blue, White}, frame, {0}) << int(ImageFormat::Gif)
                             << false;
    }
    void formatsByContent()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, format);
        QFETCH(bool, lossy);
        // The name says nothing: content decides.
        const QString path = mDir.filePath(QStringLiteral("picture-%1.txt").arg(format));
        QVERIFY(WriteBytes(path, bytes));
        for (int fromMemory = 0; fromMemory < 2; ++fromMemory) {
            GpImage image = fromMemory ? GpImage::LoadFromMemory(bytes) : GpImage::LoadFromFile(path);
            QVERIFY2(image.IsLoaded(), qPrintable(image.ErrorString()));
            QCOMPARE(int(image.Format()), format);
            QCOMPARE(image.Size(), QSize(40, 30));
            QCOMPARE(image.FrameCount(), 1);
            const QImage pixels = Decode(image);
            QCOMPARE(pixels.size(), QSize(40, 30));
            const int tolerance = lossy ? 40 : 0;
            QVERIFY(Near(pixels.pixel(5, 5), Red, tolerance));
            QVERIFY(Near(pixels.pixel(34, 5), Green, tolerance));
            QVERIFY(Near(pixels.pixel(5, 25), Blue, tolerance));
            QVERIFY(Near(pixels.pixel(34, 25), White, tolerance));
        }
    }

    void runLengthBitmaps_data()
    {
        QTest::addColumn<int>("bpp");
        QTest::addColumn<QByteArray>("rle");
        // 4 x 2. Bottom row: 4 pixels of colour 1; top row: 2 of colour 2, then 2 of colour 3.
        QTest::newRow("RLE8") << 8 << QByteArray("\x04\x01\x00\x00\x02\x02\x02\x03\x00\x01", 10);
        // RLE4 runs alternate the two nibbles: 0x11 is four of colour 1.
        QTest::newRow("RLE4") << 4 << QByteArray("\x04\x11\x00\x00\x02\x22\x02\x33\x00\x01", 10);
        // RLE8 absolute mode: 00 04 then 4 literal indices (padded to a word).
        QTest::newRow("RLE8 absolute") << 8 << QByteArray("\x00\x04\x01\x01\x01\x01\x00\x00\x00\x04\x02\x02\x03\x03\x00\x01", 16);
    }
    void runLengthBitmaps()
    {
        QFETCH(int, bpp);
        QFETCH(QByteArray, rle);
        const QByteArray bytes = MakeRleBmp(4, 2, bpp, {qRgb(0, 0, 0), Red, Green, Blue}, rle);
        QVERIFY(WriteBytes(mDir.filePath("rle.rle"), bytes));
        GpImage image = GpImage::LoadFromFile(mDir.filePath("rle.rle"));
        QVERIFY2(image.IsLoaded(), qPrintable(image.ErrorString()));
        QCOMPARE(image.Format(), ImageFormat::Bmp);
        const QImage pixels = Decode(image);
        QCOMPARE(pixels.size(), QSize(4, 2));
        QCOMPARE(pixels.pixel(0, 1), Red);
        QCOMPARE(pixels.pixel(3, 1), Red);
        QCOMPARE(pixels.pixel(0, 0), Green);
        QCOMPARE(pixels.pixel(1, 0), Green);
        QCOMPARE(pixels.pixel(2, 0), Blue);
        QCOMPARE(pixels.pixel(3, 0), Blue);
    }

    void iconShowsLargestPicture()
    {
        QImage small(16, 16, QImage::Format_ARGB32);
        small.fill(Red);
        QImage large(48, 48, QImage::Format_ARGB32);
        large.fill(Blue);
        QImage middle(32, 32, QImage::Format_ARGB32);
        middle.fill(Green);
        GpImage image = GpImage::LoadFromMemory(MakeIcon({small, large, middle}));
        QVERIFY2(image.IsLoaded(), qPrintable(image.ErrorString()));
        QCOMPARE(image.Size(), QSize(48, 48));
        QCOMPARE(image.FrameCount(), 1);
        QCOMPARE(Decode(image).pixel(20, 20), Blue);
    }

    void animatedGifFramesComposited()
    {
        // Frame 0: all red. Frame 1: transparent except a green square at (2..5, 2..5).
        // Frame 2: all blue.
        QByteArray f0(8 * 8, char(1));
        QByteArray f1(8 * 8, char(0));
        for (int y = 2; y < 6; ++y)
            for (int x = 2; x < 6; ++x)
                f1[y * 8 + x] = char(2);
        QByteArray f2(8 * 8, char(3));
        GpImage image = GpImage::LoadFromMemory(
            MakeGif(8, 8, {qRgb(0, 0, 0), Red, Green, Blue}, {f0, f1, f2}, {10, 20, 30}, 0));
        QVERIFY(image.IsLoaded());
        QCOMPARE(image.FrameCount(), 3);
        QCOMPARE(image.ActiveFrame(), 0);
        QCOMPARE(Decode(image).pixel(0, 0), Red);
        QCOMPARE(image.SelectActiveFrame(1), GpStatus::Ok);
        QImage composed = Decode(image);
        QCOMPARE(composed.pixel(0, 0), Red);   // left from frame 0
        QCOMPARE(composed.pixel(3, 3), Green); // drawn by frame 1
        QCOMPARE(image.SelectActiveFrame(2), GpStatus::Ok);
        QCOMPARE(Decode(image).pixel(3, 3), Blue);
        // Going back starts the frames again.
        QCOMPARE(image.SelectActiveFrame(1), GpStatus::Ok);
        QCOMPARE(Decode(image).pixel(3, 3), Green);
        QCOMPARE(image.SelectActiveFrame(0), GpStatus::Ok);
        QCOMPARE(Decode(image).pixel(3, 3), Red);
        QCOMPARE(image.SelectActiveFrame(3), GpStatus::InvalidParameter);
        QCOMPARE(image.SelectActiveFrame(-1), GpStatus::InvalidParameter);
        QCOMPARE(image.ActiveFrame(), 0);
    }

    void rotateFlipCodes_data()
    {
        QTest::addColumn<QList<int>>("codes");
        QTest::newRow("none") << QList<int>{0};
        for (int code = 1; code < 8; ++code)
            QTest::newRow(qPrintable(QStringLiteral("code %1").arg(code))) << QList<int>{code};
        QTest::newRow("1 then 3 is none") << QList<int>{1, 3};
        QTest::newRow("4 then 4 is none") << QList<int>{4, 4};
        QTest::newRow("5 then 1") << QList<int>{5, 1};
        QTest::newRow("1 then 5") << QList<int>{1, 5};
        QTest::newRow("6, 3, 7, 2") << QList<int>{6, 3, 7, 2};
    }
    void rotateFlipCodes()
    {
        QFETCH(QList<int>, codes);
        // A 3 x 2 picture with every pixel different.
        QImage source(3, 2, QImage::Format_RGB32);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                source.setPixel(x, y, qRgb(40 * x, 100 * y, 7));
        QImage expected = source;
        GpImage image = GpImage::LoadFromMemory(Encode(source, "png"));
        for (int code : codes) {
            QCOMPARE(image.RotateFlip(code), GpStatus::Ok);
            // The code's meaning, step by step: quarter turns clockwise, then a horizontal flip.
            expected = expected.transformed(QTransform().rotate(90.0 * (code & 3)));
            if (code >= 4)
                expected = expected.mirrored(true, false);
        }
        QCOMPARE(image.Size(), expected.size());
        QCOMPARE(Decode(image), expected.convertToFormat(QImage::Format_RGB32));
        QCOMPARE(image.RotateFlip(8), GpStatus::InvalidParameter);
    }

    void decodesJpegAtReducedSize()
    {
        GpImage image = GpImage::LoadFromMemory(Encode(PhotoLike(1600, 1200), "jpeg", 90));
        QVERIFY(image.IsLoaded());
        const QImage reduced = Decode(image, QSize(401, 301));
        QCOMPARE(reduced.size(), QSize(401, 301));
        const QImage full = Decode(image);
        QCOMPARE(full.size(), QSize(1600, 1200));
        // The reduced decode shows the same picture: the sun is near (75 %, 25 %).
        QVERIFY(Near(reduced.pixel(300, 75), full.pixel(1200, 300), 40));
        // Turned: the size asked for is the turned size.
        QCOMPARE(image.RotateFlip(1), GpStatus::Ok);
        QCOMPARE(Decode(image, QSize(300, 400)).size(), QSize(300, 400));
    }

    // Drawing a frame into a kept bitmap gives what decoding it at that size gives, keeps
    // the bitmap's size and format, and writes into the bitmap or the kept buffer where
    // the decoder scales exactly.
    void drawFrameInto_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("turn");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("inPlace");   // the bitmap's own pixels stay
        QTest::addColumn<bool>("buffered");  // the decoder's buffer is used

        const QByteArray jpeg = Encode(Smooth(1600, 1200), "jpeg", 95);
        QTest::newRow("exact, straight into the bitmap") << jpeg << 0 << QSize(800, 600) << true << false;
        QTest::newRow("full size") << jpeg << 0 << QSize(1600, 1200) << true << false;
        QTest::newRow("exact, then filtered") << jpeg << 0 << QSize(768, 576) << true << true;
        QTest::newRow("far smaller than the smallest scale") << jpeg << 0 << QSize(80, 60) << true << true;
        QTest::newRow("odd size: reader scales") << Encode(Smooth(1601, 1201), "jpeg", 95) << 0 << QSize(800, 600)
                                                 << false << false;
        QTest::newRow("grey") << Encode(Smooth(1600, 1200).convertToFormat(QImage::Format_Grayscale8), "jpeg", 95)
                              << 0 << QSize(800, 600) << true << true;
        QTest::newRow("turned") << jpeg << 1 << QSize(600, 800) << false << false;
        QTest::newRow("png") << Encode(Smooth(400, 300), "png") << 0 << QSize(200, 150) << false << false;
    }
    void drawFrameInto()
    {
        const auto bytes = MV_FETCH(QByteArray, bytes);
        const auto size = MV_FETCH(QSize, size);
        GpImage image = GpImage::LoadFromMemory(bytes);
        QVERIFY(image.IsLoaded());
        QCOMPARE(image.RotateFlip(MV_FETCH(int, turn)), GpStatus::Ok);
        const QImage expected = Decode(image, size);
        QVERIFY(!expected.isNull());

        QImage target(size, QImage::Format_RGB32);
        target.fill(Qt::black);
        const uchar *pixels = target.constBits();
        QImage scratch;
        for (int pass = 0; pass < 2; ++pass) {
            QCOMPARE(image.DrawFrameInto(target, Qt::white, scratch), GpStatus::Ok);
            QCOMPARE(target.size(), size);
            QCOMPARE(target.format(), QImage::Format_RGB32);
            QCOMPARE(target.constBits() == pixels, MV_FETCH(bool, inPlace));
            QCOMPARE(!scratch.isNull(), MV_FETCH(bool, buffered));
            const auto [mean, largest] = Difference(target, expected);
            QVERIFY2(mean < 2.0 && largest < 48,
                     qPrintable(QStringLiteral("mean %1, largest %2").arg(mean).arg(largest)));
            // The second picture reuses the buffer of the first.
            const uchar *buffer = scratch.constBits();
            if (pass == 0 && !scratch.isNull()) {
                QCOMPARE(image.DrawFrameInto(target, Qt::white, scratch), GpStatus::Ok);
                QCOMPARE(scratch.constBits(), buffer);
            }
            pixels = target.constBits();
        }
    }

    void drawFrameIntoTransparent()
    {
        QImage half(40, 20, QImage::Format_ARGB32);
        half.fill(Qt::transparent);
        QPainter(&half).fillRect(0, 0, 20, 20, Qt::red);
        GpImage image = GpImage::LoadFromMemory(Encode(half, "png"));
        QImage target(40, 20, QImage::Format_RGB32), scratch;
        target.fill(Qt::black);
        QCOMPARE(image.DrawFrameInto(target, QColor(1, 2, 3), scratch), GpStatus::Ok);
        QCOMPARE(target.pixel(5, 5), Red);
        QCOMPARE(target.pixel(35, 5), qRgb(1, 2, 3));
        QImage none;
        QCOMPARE(image.DrawFrameInto(none, Qt::white, scratch), GpStatus::InvalidParameter);
    }

    void drawImageRect()
    {
        GpImage image = GpImage::LoadFromMemory(Encode(Quadrants(100, 100), "png"));
        QImage target(60, 60, QImage::Format_RGB32);
        target.fill(Qt::black);
        QPainter painter(&target);
        QCOMPARE(image.DrawImageRect(painter, QRect(10, 10, 40, 40)), GpStatus::Ok);
        QCOMPARE(image.DrawImageRect(painter, QRect(0, 0, 0, 5)), GpStatus::InvalidParameter);
        painter.end();
        QCOMPARE(target.pixel(5, 5), qRgb(0, 0, 0));
        QCOMPARE(target.pixel(15, 15), Red);
        QCOMPARE(target.pixel(45, 45), White);
        QCOMPARE(target.pixel(55, 55), qRgb(0, 0, 0));
    }

    void metafilesThroughTheirPlayer()
    {
        const QByteArray wmf = RedWmf();
        if (DetectMetafile(wmf) == MetafileKind::None)
            QSKIP("the metafile player is not built in");
        GpImage image = GpImage::LoadFromMemory(wmf);
        QVERIFY2(image.IsLoaded(), qPrintable(image.ErrorString()));
        QCOMPARE(image.Format(), ImageFormat::Wmf);
        QCOMPARE(image.FrameCount(), 1);
        const QSize size = image.Size();
        QVERIFY(size.width() > size.height() && size.height() > 0);
        const QImage full = Decode(image);
        QCOMPARE(full.size(), size);
        QVERIFY(Near(full.pixel(size.width() / 2, size.height() / 2), Red));
        // Drawn at the size asked for, turned like any other picture.
        QCOMPARE(Decode(image, QSize(50, 25)).pixel(25, 12), Red);
        QCOMPARE(image.RotateFlip(1), GpStatus::Ok);
        QCOMPARE(image.Size(), size.transposed());
        QCOMPARE(Decode(image).size(), size.transposed());
    }

    // What the thumbnail builder does: an image from memory, fitted into 166 x 124, drawn
    // on a white 170 x 127 bitmap of 16 bits per pixel, read out as header and pixels.
    void thumbnailIntoSixteenBitBitmap()
    {
        GpImage image = GpImage::LoadFromMemory(Encode(Quadrants(1000, 500), "jpeg", 95));
        QVERIFY(image.IsLoaded());
        int x = 0, y = 0, w = 0, h = 0;
        cDIB::GetBestFitInfo(image.Width(), image.Height(), 166, 124, x, y, w, h);
        QCOMPARE(QSize(w, h), QSize(166, 83));
        cDIB thumb;
        QVERIFY(thumb.Create(170, 127, 16));
        thumb.Cls(0x00FFFFFF);
        QPainter painter(thumb.hdc());
        QCOMPARE(image.DrawImageRect(painter, QRect((170 - w) / 2, (127 - h) / 2, w, h)), GpStatus::Ok);
        painter.end();
        QCOMPARE(thumb.PackedDib().size(), 40 + 43180);
        const QImage &pixels = thumb.Image();
        QCOMPARE(pixels.pixel(1, 1), White);
        QVERIFY(Near(pixels.pixel(20, 40), Red, 40));
        QVERIFY(Near(pixels.pixel(150, 100), White, 40));
        QVERIFY(Near(pixels.pixel(20, 100), Blue, 40));
    }

    void disposeEmpties()
    {
        GpImage image = GpImage::LoadFromMemory(Encode(Quadrants(4, 4), "png"));
        QVERIFY(image.IsLoaded());
        image.Dispose();
        QVERIFY(!image.IsLoaded());
        QCOMPARE(image.Size(), QSize(0, 0));
        QCOMPARE(image.FrameCount(), 0);
        QImage out;
        QCOMPARE(image.DecodeFrame(QSize(), out), GpStatus::InvalidParameter);
        QCOMPARE(image.RotateFlip(1), GpStatus::InvalidParameter);
    }

    void loadFailures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("status"); // -1: any failure
        QTest::newRow("missing") << "" << QByteArray() << int(GpStatus::FileNotFound);
        QTest::newRow("empty file") << "empty.jpg" << QByteArray("") << int(GpStatus::UnknownImageFormat);
        QTest::newRow("text") << "text.jpg" << QByteArray("hello") << int(GpStatus::UnknownImageFormat);
        QTest::newRow("format we do not open") << "picture.png" << Encode(Quadrants(4, 4), "webp")
                                               << int(GpStatus::UnknownImageFormat);
        QTest::newRow("metafile header cut short") << "drawing.wmf" << QByteArray("\xD7\xCD\xC6\x9A\0\0", 6) << -1;
    }
    void loadFailures()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(int, status);
        QString path = mDir.filePath(QStringLiteral("does-not-exist.png"));
        if (!name.isEmpty()) {
            path = mDir.filePath(name);
            QVERIFY(WriteBytes(path, bytes));
        }
        const GpImage image = GpImage::LoadFromFile(path);
        QVERIFY(!image.IsLoaded());
        if (status >= 0)
            QCOMPARE(int(image.Status()), status);
        QVERIFY(image.Status() != GpStatus::Ok);
        QVERIFY(!image.ErrorString().isEmpty());
        QCOMPARE(image.Size(), QSize(0, 0));
        QCOMPARE(GpImage::LoadFromFile(mDir.path()).Status(), GpStatus::AccessDenied);
    }
};

MV_TEST_MAIN(TestCodec)
#include "tst_codec.moc"
