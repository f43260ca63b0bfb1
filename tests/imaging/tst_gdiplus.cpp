#include "fixtures.h"
#include "imaging/gdiplus.h"
#include "testutil.h"

#include <QImageReader>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

using namespace mv;
using namespace mv::test;

namespace {

PropertyItem Item(quint16 type, const QByteArray &value, quint32 length)
{
    PropertyItem item;
    item.id = 0x1234;
    item.type = type;
    item.value = value;
    item.length = length;
    return item;
}

QByteArray LE32(std::initializer_list<quint32> values)
{
    QByteArray out;
    for (quint32 v : values)
        PutLE(out, v, 4);
    return out;
}

} // namespace

class TestGdiplus : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;
    quint32 mToken = 0;

    QString Path(const QString &name) const { return mDir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(mDir.isValid());
        QCOMPARE(GdiplusStartup(mToken), GdiplusOk);
        QVERIFY(mToken != 0);
    }
    void cleanupTestCase() { GdiplusShutdown(mToken); }

    void encoderClsid_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("clsid");
        QTest::newRow("BMP") << 0 << "{557cf400-1a04-11d3-9a73-0000f81ef32e}";
        QTest::newRow("EMF") << 1 << "{557cf403-1a04-11d3-9a73-0000f81ef32e}";
        QTest::newRow("WMF") << 2 << "{557cf404-1a04-11d3-9a73-0000f81ef32e}";
        QTest::newRow("JPEG") << 3 << "{557cf401-1a04-11d3-9a73-0000f81ef32e}";
        QTest::newRow("PNG") << 4 << "{557cf406-1a04-11d3-9a73-0000f81ef32e}";
        QTest::newRow("GIF") << 5 << "{557cf402-1a04-11d3-9a73-0000f81ef32e}";
        QTest::newRow("TIFF") << 6 << "{557cf405-1a04-11d3-9a73-0000f81ef32e}";
        QTest::newRow("ICON") << 7 << "{557cf407-1a04-11d3-9a73-0000f81ef32e}";
        QTest::newRow("other") << 8 << "{00000000-0000-0000-0000-000000000000}";
        QTest::newRow("negative") << -1 << "{00000000-0000-0000-0000-000000000000}";
    }
    void encoderClsid()
    {
        QFETCH(int, format);
        QFETCH(QString, clsid);
        QCOMPARE(EncoderClsid(format).toString(), clsid);
    }

    void getPropertyValue_data()
    {
        QTest::addColumn<quint16>("type");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<quint32>("length");
        QTest::addColumn<int>("error");
        QTest::addColumn<QVariant>("expected"); // a printable form of the list

        QTest::newRow("bytes") << quint16(1) << QByteArray("\x01\x02\xFF", 3) << 3u << 0 << QVariant("1,2,255");
        QTest::newRow("undefined") << quint16(7) << QByteArray("\x00\x09", 2) << 2u << 0 << QVariant("0,9");
        QTest::newRow("ASCII up to NUL") << quint16(2) << QByteArray("abc\0def", 7) << 7u << 0 << QVariant("abc");
        QTest::newRow("ASCII GB18030") << quint16(2) << QByteArray("\xD0\xFD\xD7\xAA\0", 5) << 5u << 0
                                       << QVariant(QStringLiteral("旋转"));
        QTest::newRow("shorts") << quint16(3) << QByteArray("\x01\x00\x34\x12", 4) << 4u << 0 << QVariant("1,4660");
        QTest::newRow("odd short length") << quint16(3) << QByteArray("\x01\x00\x34", 3) << 3u << 0 << QVariant("1");
        QTest::newRow("longs") << quint16(4) << LE32({10, 0xFFFFFFFFu}) << 8u << 0 << QVariant("10,4294967295");
        QTest::newRow("signed longs") << quint16(9) << LE32({0xFFFFFFFFu, 5}) << 8u << 0 << QVariant("-1,5");
        QTest::newRow("rationals, two pairs") << quint16(5) << LE32({1, 2, 3, 4}) << 16u << 0 << QVariant("1/2,3/4");
        QTest::newRow("signed rationals") << quint16(10) << LE32({0xFFFFFFFEu, 3}) << 8u << 0 << QVariant("-2/3");
        QTest::newRow("length 0") << quint16(4) << LE32({1}) << 0u << 5 << QVariant();
        QTest::newRow("no value") << quint16(4) << QByteArray() << 4u << 5 << QVariant();
        QTest::newRow("length beyond value") << quint16(4) << LE32({1}) << 8u << 5 << QVariant();
        QTest::newRow("unknown type") << quint16(6) << LE32({1}) << 4u << 461 << QVariant();
        QTest::newRow("type 11") << quint16(11) << LE32({1}) << 4u << 461 << QVariant();
    }
    void getPropertyValue()
    {
        QFETCH(quint16, type);
        QFETCH(QByteArray, value);
        QFETCH(quint32, length);
        QFETCH(int, error);
        QFETCH(QVariant, expected);
        const PropertyValue result = GetPropertyValue(Item(type, value, length));
        QCOMPARE(result.error, error);
        if (error != 0) {
            QCOMPARE(result.source, QStringLiteral("GetPropertyValue"));
            QVERIFY(std::holds_alternative<std::monostate>(result.value));
            return;
        }
        QVERIFY(result.source.isEmpty());
        QStringList parts;
        if (const auto *v = std::get_if<QList<quint8>>(&result.value))
            for (auto x : *v) parts << QString::number(x);
        if (const auto *v = std::get_if<QList<quint16>>(&result.value))
            for (auto x : *v) parts << QString::number(x);
        if (const auto *v = std::get_if<QList<quint32>>(&result.value))
            for (auto x : *v) parts << QString::number(x);
        if (const auto *v = std::get_if<QList<qint32>>(&result.value))
            for (auto x : *v) parts << QString::number(x);
        if (const auto *v = std::get_if<QList<URational>>(&result.value))
            for (auto x : *v) parts << QStringLiteral("%1/%2").arg(x.numerator).arg(x.denominator);
        if (const auto *v = std::get_if<QList<SRational>>(&result.value))
            for (auto x : *v) parts << QStringLiteral("%1/%2").arg(x.numerator).arg(x.denominator);
        if (const auto *v = std::get_if<QString>(&result.value))
            parts << *v;
        QCOMPARE(parts.join(QLatin1Char(',')), expected.toString());
        // Type 4 and type 9 give their own list types.
        if (type == 4)
            QVERIFY(std::holds_alternative<QList<quint32>>(result.value));
        if (type == 9)
            QVERIFY(std::holds_alternative<QList<qint32>>(result.value));
    }

    void frameDelayRule_data()
    {
        QTest::addColumn<quint32>("hundredths");
        QTest::addColumn<int>("ms");
        QTest::newRow("0") << 0u << 50;
        QTest::newRow("3") << 3u << 50;
        QTest::newRow("4") << 4u << 50;
        QTest::newRow("5") << 5u << 50;
        QTest::newRow("6") << 6u << 60;
        QTest::newRow("10") << 10u << 100;
        QTest::newRow("6000") << 6000u << 60000;
        QTest::newRow("6001") << 6001u << 60000;
        QTest::newRow("7000") << 7000u << 60000;
        QTest::newRow("max") << 0xFFFFFFFFu << 60000;
    }
    void frameDelayRule()
    {
        QFETCH(quint32, hundredths);
        QFETCH(int, ms);
        QCOMPARE(FrameDelayMs(hundredths), ms);
    }

    void frameDelaysOfAnimation()
    {
        const QByteArray gif =
            SolidGif(4, 4, {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(9, 9, 9)}, {0, 3, 10, 7000});
        const GpImage image = GpImage::LoadFromMemory(gif);
        QVERIFY(image.IsLoaded());
        QCOMPARE(image.FrameCount(), 4);
        quint32 size = 0;
        QCOMPARE(image.GetPropertyItemSize(PropertyTagFrameDelay, size), GpStatus::Ok);
        QCOMPARE(size, 16u + 16u);
        PropertyItem item;
        QCOMPARE(image.GetPropertyItem(PropertyTagFrameDelay, size - 1, item), GpStatus::InvalidParameter);
        QCOMPARE(image.GetPropertyItem(PropertyTagFrameDelay, size, item), GpStatus::Ok);
        QCOMPARE(item.type, quint16(PropertyTagTypeLong));
        QCOMPARE(item.length, 16u);
        const FrameDelays delays = ReadFrameDelays(image);
        QCOMPARE(delays.status, GpStatus::Ok);
        QCOMPARE(delays.milliseconds, QList<int>({50, 50, 100, 60000}));
    }

    void frameDelaysMissing()
    {
        const GpImage png = GpImage::LoadFromMemory(Encode(Quadrants(8, 8), "png"));
        QVERIFY(png.IsLoaded());
        quint32 size = 1;
        QCOMPARE(png.GetPropertyItemSize(PropertyTagFrameDelay, size), GpStatus::PropertyNotFound);
        QCOMPARE(size, 0u);
        const FrameDelays delays = ReadFrameDelays(png);
        QCOMPARE(delays.status, GpStatus::PropertyNotFound);
        QVERIFY(delays.milliseconds.isEmpty());
        const GpImage gif = GpImage::LoadFromMemory(SolidGif(2, 2, {qRgb(1, 2, 3)}, {7}));
        QCOMPARE(gif.GetPropertyItemSize(0x010F, size), GpStatus::PropertyNotFound);
    }

    void imageSizeText()
    {
        QVERIFY(WriteBytes(Path("photo.jpg"), Encode(Quadrants(1024, 768), "jpeg")));
        QCOMPARE(ImageSizeText(Path("photo.jpg")), QStringLiteral("1024×768"));
        // Recognised by content: a PNG named .bmp.
        QVERIFY(WriteBytes(Path("png.bmp"), Encode(Quadrants(31, 17), "png")));
        QCOMPARE(ImageSizeText(Path("png.bmp")), QStringLiteral("31×17"));
        QVERIFY(WriteBytes(Path("text.jpg"), "just some text, not a picture\n"));
        QCOMPARE(ImageSizeText(Path("text.jpg")), QString());
        QCOMPARE(ImageSizeText(Path("missing.jpg")), QString());
        QCOMPARE(ImageSizeText(QString()), QString());
    }

    void rotateImageFile_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRgb>("topLeft");
        QTest::addColumn<QRgb>("topRight");
        // Quadrants: red top-left, green top-right, blue bottom-left, white bottom-right.
        QTest::newRow("quarter turn") << 1 << QSize(40, 60) << qRgb(0, 0, 255) << qRgb(255, 0, 0);
        QTest::newRow("half turn") << 2 << QSize(60, 40) << qRgb(255, 255, 255) << qRgb(0, 0, 255);
        QTest::newRow("three quarters") << 3 << QSize(40, 60) << qRgb(0, 255, 0) << qRgb(255, 255, 255);
    }
    void rotateImageFile()
    {
        QFETCH(int, code);
        QFETCH(QSize, size);
        QFETCH(QRgb, topLeft);
        QFETCH(QRgb, topRight);
        const QString source = Path(QStringLiteral("source%1.png").arg(code));
        const QString target = Path(QStringLiteral("source%1_旋转.png").arg(code));
        QVERIFY(WriteBytes(source, Encode(Quadrants(60, 40), "png")));
        const QByteArray before = ReadBytes(source);
        QCOMPARE(RotateImageFile(source, target, code), GpStatus::Ok);
        const QByteArray written = ReadBytes(target);
        QVERIFY2(written.startsWith("\xFF\xD8\xFF"), "JPEG data under a .png name");
        QImageReader reader(target, "jpeg");
        const QImage turned = reader.read();
        QCOMPARE(turned.size(), size);
        const auto near = [](QRgb a, QRgb b) {
            return qAbs(qRed(a) - qRed(b)) < 24 && qAbs(qGreen(a) - qGreen(b)) < 24 && qAbs(qBlue(a) - qBlue(b)) < 24;
        };
        QVERIFY(near(turned.pixel(5, 5), topLeft));
        QVERIFY(near(turned.pixel(size.width() - 6, 5), topRight));
        QCOMPARE(ReadBytes(source), before); // the source is left as it was
    }

    void rotateImageFileKeepsTargetWhenSourceFails()
    {
        const QString target = Path("keep_旋转.jpg");
        QVERIFY(WriteBytes(target, "old contents"));
        QVERIFY(WriteBytes(Path("broken.jpg"), QByteArray("\xFF\xD8\xFF\xE0 broken", 11)));
        QVERIFY(RotateImageFile(Path("broken.jpg"), target, 1) != GpStatus::Ok);
        QVERIFY(RotateImageFile(Path("nothing-here.jpg"), target, 1) != GpStatus::Ok);
        QCOMPARE(ReadBytes(target), QByteArray("old contents"));
    }

    void rotateImageFileOntoItself()
    {
        const QString path = Path("self.jpg");
        QVERIFY(WriteBytes(path, Encode(Quadrants(30, 20), "jpeg")));
        QCOMPARE(RotateImageFile(path, path, 1), GpStatus::Ok);
        QCOMPARE(ImageSizeText(path), QStringLiteral("20×30"));
    }

    void saveJpegQuality()
    {
        GpImage image = GpImage::LoadFromMemory(Encode(PhotoLike(200, 150), "png"));
        QVERIFY(image.IsLoaded());
        QCOMPARE(SaveJpeg(image, Path("q10.jpg"), 10), GpStatus::Ok);
        QCOMPARE(SaveJpeg(image, Path("q100.jpg"), 100), GpStatus::Ok);
        QVERIFY(QFileInfo(Path("q10.jpg")).size() * 2 < QFileInfo(Path("q100.jpg")).size());
        QCOMPARE(SaveJpeg(image, Path("bad.jpg"), 101), GpStatus::InvalidParameter);
        QCOMPARE(SaveJpeg(image, Path("bad.jpg"), -1), GpStatus::InvalidParameter);
        QVERIFY(!QFileInfo::exists(Path("bad.jpg")));
        QCOMPARE(SaveJpeg(image, Path("no/such/folder/x.jpg"), 90), GpStatus::Win32Error);
        // Encoders without a writer.
        QCOMPARE(SaveImageToFile(image, Path("x.gif"), EncoderClsid(5), nullptr), GpStatus::UnknownImageFormat);
        QCOMPARE(SaveImageToFile(image, Path("x.png"), EncoderClsid(4), nullptr), GpStatus::Ok);
        QCOMPARE(ImageSizeText(Path("x.png")), QStringLiteral("200×150"));
    }

    void saveJpegOnAFullDiskKeepsTheTarget()
    {
        const QString target = Path("full_旋转.jpg");
        QVERIFY(WriteBytes(target, "old contents"));
        GpImage image = GpImage::LoadFromMemory(Encode(PhotoLike(400, 300), "png"));
        QVERIFY(image.IsLoaded());
        // A file-size limit makes writes past 4 KiB fail, as a full disk would.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 4096;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const GpStatus status = SaveJpeg(image, target, 100);
        setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY(status != GpStatus::Ok);
        QCOMPARE(ReadBytes(target), QByteArray("old contents"));
    }

    void saveJpegFlattensTransparency()
    {
        QImage clear(8, 8, QImage::Format_ARGB32);
        clear.fill(Qt::transparent);
        GpImage image = GpImage::LoadFromMemory(Encode(clear, "png"));
        QCOMPARE(SaveJpeg(image, Path("clear.jpg"), 90), GpStatus::Ok);
        const QImage written(Path("clear.jpg"));
        QVERIFY(qGray(written.pixel(4, 4)) > 245);
    }

    void startupPair()
    {
        GdiplusShutdown(mToken);
        QVERIFY(!GdiplusRunning());
        const GpImage image = GpImage::LoadFromMemory(Encode(Quadrants(4, 4), "png"));
        QCOMPARE(image.Status(), GpStatus::GdiplusNotInitialized);
        QVERIFY(!image.IsLoaded());
        QCOMPARE(ImageSizeText(Path("photo.jpg")), QString());
        QCOMPARE(GdiplusStartup(mToken), GdiplusOk);
        QVERIFY(mToken != 0);
        QCOMPARE(ImageSizeText(Path("photo.jpg")), QStringLiteral("1024×768"));
    }
};

MV_TEST_MAIN(TestGdiplus)
#include "tst_gdiplus.moc"
