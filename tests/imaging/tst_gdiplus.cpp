#include "exiffixture.h"
#include "fixtures.h"
#include "imaging/exif.h"
#include "imaging/gdiplus.h"
#include "imaging/jpegturn.h"
#include "metafile/metafilewriter.h"
#include "testutil.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

using namespace mv;
using namespace mv::test;

namespace {

const QRgb Red = qRgb(255, 0, 0);
const QRgb Green = qRgb(0, 255, 0);
const QRgb Blue = qRgb(0, 0, 255);
const QRgb White = qRgb(255, 255, 255);

// The program's exit code; what it prints goes nowhere.
int Run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

bool Near(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) < 24 && qAbs(qGreen(a) - qGreen(b)) < 24 && qAbs(qBlue(a) - qBlue(b)) < 24;
}

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

    // The turned copy's bytes match its name: PNG, BMP, TIFF and JPEG keep their type (with
    // their transparency), GIF and icons become PNG.
    void rotateImageFile_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("signature");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRgb>("topLeft");
        QTest::addColumn<QRgb>("topRight");
        const QByteArray png = Encode(Quadrants(60, 40), "png");
        const QByteArray pngSignature("\x89PNG\r\n\x1A\n");
        // Quadrants: red top-left, green top-right, blue bottom-left, white bottom-right.
        QTest::newRow("PNG, quarter turn") << png << 1 << pngSignature << QSize(40, 60) << Blue << Red;
        QTest::newRow("PNG, half turn") << png << 2 << pngSignature << QSize(60, 40) << White << Blue;
        QTest::newRow("PNG, three quarters") << png << 3 << pngSignature << QSize(40, 60) << Green << White;
        QTest::newRow("BMP") << Encode(Quadrants(60, 40), "bmp") << 1 << QByteArray("BM") << QSize(40, 60) << Blue
                             << Red;
        QTest::newRow("TIFF") << Encode(Quadrants(60, 40), "tiff") << 3 << QByteArray("II*") << QSize(40, 60)
                              << Green << White;
        QTest::newRow("JPEG") << Encode(Quadrants(64, 48), "jpeg", 95) << 1 << QByteArray("\xFF\xD8\xFF")
                              << QSize(48, 64) << Blue << Red;
        QList<QRgb> palette{Red, Green, Blue, White};
        QByteArray indices;
        const QImage quadrants = Quadrants(60, 40);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 60; ++x)
                indices.append(char(palette.indexOf(quadrants.pixel(x, y))));
        QTest::newRow("GIF gives PNG") << MakeGif(60, 40, palette, {indices}, {10}) << 1 << pngSignature
                                       << QSize(40, 60) << Blue << Red;
        QTest::newRow("icon gives PNG") << Encode(Quadrants(32, 32), "ico") << 2 << pngSignature << QSize(32, 32)
                                        << White << Blue;
    }
    void rotateImageFile()
    {
        QFETCH(QSize, size);
        const QString source = Path(QStringLiteral("source-%1").arg(QTest::currentDataTag()));
        const QString target = Path(QStringLiteral("source-%1_旋转").arg(QTest::currentDataTag()));
        QVERIFY(WriteBytes(source, MV_FETCH(QByteArray, source)));
        const QByteArray before = ReadBytes(source);
        QCOMPARE(RotateImageFile(source, target, MV_FETCH(int, code)), GpStatus::Ok);
        QVERIFY(ReadBytes(target).startsWith(MV_FETCH(QByteArray, signature)));
        QImageReader reader(target);
        reader.setAutoTransform(false);
        const QImage turned = reader.read();
        QCOMPARE(turned.size(), size);
        QVERIFY(Near(turned.pixel(5, 5), MV_FETCH(QRgb, topLeft)));
        QVERIFY(Near(turned.pixel(size.width() - 6, 5), MV_FETCH(QRgb, topRight)));
        QCOMPARE(ReadBytes(source), before); // the source is left as it was
    }

    void turnedCopyFormat_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<int>("format");
        QTest::newRow("JPEG") << Encode(Quadrants(8, 8), "jpeg") << int(ImageFormat::Jpeg);
        QTest::newRow("PNG") << Encode(Quadrants(8, 8), "png") << int(ImageFormat::Png);
        QTest::newRow("BMP") << Encode(Quadrants(8, 8), "bmp") << int(ImageFormat::Bmp);
        QTest::newRow("TIFF") << Encode(Quadrants(8, 8), "tiff") << int(ImageFormat::Tiff);
        QTest::newRow("GIF") << SolidGif(8, 8, {Red}, {10}) << int(ImageFormat::Png);
        QTest::newRow("icon") << Encode(Quadrants(16, 16), "ico") << int(ImageFormat::Png);
        QTest::newRow("not a picture") << QByteArray("text") << int(ImageFormat::Unknown);
    }
    void turnedCopyFormat()
    {
        const QString path = Path(QStringLiteral("format-%1").arg(QTest::currentDataTag()));
        QVERIFY(WriteBytes(path, MV_FETCH(QByteArray, source)));
        QCOMPARE(int(TurnedCopyFormat(path)), MV_FETCH(int, format));
        QCOMPARE(TurnedCopyFormat(ImageFormat::Emf), ImageFormat::Png);
        QCOMPARE(TurnedCopyFormat(ImageFormat::Wmf), ImageFormat::Png);
        QCOMPARE(PictureBackground(ImageFormat::Emf, Qt::black), QColor(Qt::white));
        QCOMPARE(PictureBackground(ImageFormat::Png, Qt::black), QColor(Qt::black));
    }

    // A link at the copy's name is replaced itself; the file it points to stays as it was,
    // and a link that points nowhere makes no file there.
    void rotateImageFileReplacesALinkItself()
    {
        QTemporaryDir elsewhere;
        const QString source = Path("linked.png");
        QVERIFY(WriteBytes(source, Encode(Quadrants(60, 40), "png")));
        QVERIFY(WriteBytes(elsewhere.filePath("precious.txt"), "not a picture"));
        QVERIFY(QFile::link(elsewhere.filePath("precious.txt"), Path("linked_旋转.png")));
        QCOMPARE(RotateImageFile(source, Path("linked_旋转.png"), 1), GpStatus::Ok);
        QCOMPARE(ReadBytes(elsewhere.filePath("precious.txt")), QByteArray("not a picture"));
        QVERIFY(!QFileInfo(Path("linked_旋转.png")).isSymLink());
        QCOMPARE(QImage(Path("linked_旋转.png")).size(), QSize(40, 60));

        QVERIFY(QFile::link(elsewhere.filePath("nothing.png"), Path("dangling_旋转.png")));
        QCOMPARE(RotateImageFile(source, Path("dangling_旋转.png"), 2), GpStatus::Ok);
        QVERIFY(!QFileInfo::exists(elsewhere.filePath("nothing.png")));
        QCOMPARE(QImage(Path("dangling_旋转.png")).size(), QSize(60, 40));
        QCOMPARE(QDir(mDir.path()).entryList({".mirovale-*"}, QDir::Files | QDir::Hidden), QStringList());
    }

    // Transparent parts stay transparent in the copy.
    void rotateImageFileKeepsTransparency()
    {
        QImage picture(40, 20, QImage::Format_ARGB32);
        picture.fill(Qt::transparent);
        QPainter(&picture).fillRect(0, 0, 20, 20, QColor(255, 0, 0, 128));
        const QString source = Path("clear.png");
        QVERIFY(WriteBytes(source, Encode(picture, "png")));
        QCOMPARE(RotateImageFile(source, Path("clear_旋转.png"), 1), GpStatus::Ok);
        const QImage turned(Path("clear_旋转.png"), "png");
        QVERIFY(turned.hasAlphaChannel());
        QCOMPARE(turned.size(), QSize(20, 40));
        QCOMPARE(qAlpha(turned.pixel(10, 5)), 128);  // the left half went to the top
        QCOMPARE(qAlpha(turned.pixel(10, 35)), 0);
    }

    // A JPEG turned by its blocks decodes to the pixels jpegtran's perfect turn gives.
    void jpegTurnMatchesJpegtran_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("degrees");
        QTest::newRow("90") << 1 << "90";
        QTest::newRow("180") << 2 << "180";
        QTest::newRow("270") << 3 << "270";
    }
    void jpegTurnMatchesJpegtran()
    {
        QFETCH(int, code);
        QFETCH(QString, degrees);
        const QString jpegtran = QStandardPaths::findExecutable(QStringLiteral("jpegtran"));
        if (jpegtran.isEmpty())
            QSKIP("jpegtran (libjpeg-turbo-progs) is not installed");
        const QString source = Path("photo-blocks.jpg");
        QVERIFY(WriteBytes(source, Encode(PhotoLike(640, 480), "jpeg", 90)));
        const QString ours = Path(QStringLiteral("photo-blocks_旋转%1.jpg").arg(degrees));
        const QString theirs = Path(QStringLiteral("photo-blocks-jpegtran%1.jpg").arg(degrees));
        QCOMPARE(RotateImageFile(source, ours, code), GpStatus::Ok);
        QCOMPARE(Run(jpegtran, {"-rotate", degrees, "-perfect", "-outfile", theirs, source}), 0);
        const QImage a(ours, "jpeg");
        const QImage b(theirs, "jpeg");
        QVERIFY(!a.isNull());
        QCOMPARE(a.size(), code == 2 ? QSize(640, 480) : QSize(480, 640));
        QVERIFY(a == b);
        // Not encoded again: about the size of the source, not twice it.
        const qint64 sourceSize = QFileInfo(source).size();
        QVERIFY(qAbs(QFileInfo(ours).size() - sourceSize) < sourceSize / 10);
    }

    // The lossless turn keeps the camera's metadata; the orientation becomes 1, and the
    // pixels are the picture as the viewer showed it, turned.
    void jpegTurnKeepsMetadata()
    {
        const QImage upright = Quadrants(64, 48);
        QByteArray stored = Encode(StoreForOrientation(upright, 6), "jpeg", 95);
        stored.insert(2, QByteArray("\xFF\xFE\x00\x0FMirovale note", 17)); // a comment marker
        const QString source = Path("camera.jpg");
        QVERIFY(WriteBytes(source, WithExif(stored, ExifTags::Of(6).Make("MirovaleCam").Thumbnail())));
        QCOMPARE(RotateImageFile(source, Path("camera_旋转.jpg"), 1), GpStatus::Ok);
        const QByteArray copy = ReadBytes(Path("camera_旋转.jpg"));
        QCOMPARE(ReadExifOrientation(copy), 1);
        QVERIFY(copy.contains("MirovaleCam"));
        QVERIFY(copy.contains("Mirovale note"));
        // Read without any orientation: the pixels themselves are upright, then turned.
        QImageReader reader(Path("camera_旋转.jpg"));
        reader.setAutoTransform(false);
        const QImage turned = reader.read();
        QCOMPARE(turned.size(), QSize(48, 64));
        QVERIFY(Near(turned.pixel(5, 5), Blue));
        QVERIFY(Near(turned.pixel(42, 5), Red));
        QVERIFY(Near(turned.pixel(42, 58), Green));
    }

    // A size that is not a whole number of blocks: the turn is encoded again at quality 100,
    // still the picture as shown, turned.
    void jpegTurnOfPartialBlocks()
    {
        const QString source = Path("partial.jpg");
        QVERIFY(WriteBytes(source, WithExif(Encode(StoreForOrientation(Quadrants(70, 50), 8), "jpeg", 95),
                                            ExifTags::Of(8))));
        const QString jpegtran = QStandardPaths::findExecutable(QStringLiteral("jpegtran"));
        if (!jpegtran.isEmpty())
            QVERIFY(Run(jpegtran, {"-rotate", "180", "-perfect", "-outfile", Path("x.jpg"), source}) != 0);
        QCOMPARE(RotateImageFile(source, Path("partial_旋转.jpg"), 2), GpStatus::Ok);
        const QByteArray copy = ReadBytes(Path("partial_旋转.jpg"));
        QCOMPARE(ReadExifOrientation(copy), 1);
        QImageReader reader(Path("partial_旋转.jpg"));
        reader.setAutoTransform(false);
        const QImage turned = reader.read();
        QCOMPARE(turned.size(), QSize(70, 50));
        QVERIFY(Near(turned.pixel(5, 5), White));
        QVERIFY(Near(turned.pixel(64, 44), Red));
    }

    void perfectTurns_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("subsampling"); // 0 4:4:4, 2 4:2:0
        QTest::addColumn<int>("quarterTurns");
        QTest::addColumn<bool>("flip");
        QTest::addColumn<bool>("perfect");
        QTest::newRow("whole blocks, 90") << QSize(64, 48) << 2 << 1 << false << true;
        QTest::newRow("ragged right, 90") << QSize(70, 48) << 2 << 1 << false << true;
        QTest::newRow("ragged bottom, 90") << QSize(64, 50) << 2 << 1 << false << false;
        QTest::newRow("ragged right, 270") << QSize(70, 48) << 2 << 3 << false << false;
        QTest::newRow("ragged, 180") << QSize(64, 50) << 2 << 2 << false << false;
        QTest::newRow("ragged, transpose") << QSize(70, 50) << 2 << 1 << true << true;
        QTest::newRow("ragged, none") << QSize(70, 50) << 2 << 0 << false << true;
        QTest::newRow("4:4:4 in 8-pixel blocks") << QSize(72, 56) << 0 << 2 << false << true;
        QTest::newRow("unknown subsampling") << QSize(64, 64) << -1 << 1 << false << false;
    }
    void perfectTurns()
    {
        const QSize size = MV_FETCH(QSize, size);
        const PictureTurn turn{MV_FETCH(int, quarterTurns), MV_FETCH(bool, flip)};
        QCOMPARE(IsPerfectJpegTurn(size.width(), size.height(), MV_FETCH(int, subsampling), turn),
                 MV_FETCH(bool, perfect));
    }

    // Damaged JPEG data is refused by the lossless turn, never worked through.
    void jpegTurnOfDamagedData()
    {
        const QByteArray good = Encode(PhotoLike(64, 48), "jpeg", 80);
        QCOMPARE(TurnJpegLossless(QByteArray(), {1, false}).status, JpegTurnStatus::Failed);
        QCOMPARE(TurnJpegLossless("not a picture", {1, false}).status, JpegTurnStatus::Failed);
        QCOMPARE(TurnJpegLossless(good.left(200), {1, false}).status, JpegTurnStatus::Failed);
        QRandomGenerator random(5);
        for (int round = 0; round < 200; ++round) {
            QByteArray bytes = good;
            for (int i = 0; i < 4; ++i)
                bytes[int(random.bounded(quint32(qMin<qsizetype>(bytes.size(), 400))))] = char(random.bounded(256u));
            const JpegTurn turned = TurnJpegLossless(bytes, {int(random.bounded(4u)), false});
            QVERIFY(turned.status != JpegTurnStatus::Ok || turned.jpeg.startsWith("\xFF\xD8"));
        }
    }

    // A metafile's copy is a PNG page: white behind its lines.
    void rotateImageFileOfAMetafile()
    {
        EmfWriter emf(60, 40);
        emf.createPen(1, 0, 3, Rgb(0, 0, 0));
        emf.selectObject(1);
        emf.moveTo(0, 10);
        emf.lineTo(60, 10);
        QVERIFY(WriteBytes(Path("page.emf"), emf.finish()));
        QCOMPARE(RotateImageFile(Path("page.emf"), Path("page_旋转.png"), 1), GpStatus::Ok);
        const QImage turned(Path("page_旋转.png"), "png");
        QCOMPARE(turned.size(), QSize(40, 60));
        QCOMPARE(turned.pixel(5, 30) | 0xFF000000u, qRgb(255, 255, 255));
        QVERIFY(qGray(turned.pixel(30, 30)) < 60); // the line, near the right edge now
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
