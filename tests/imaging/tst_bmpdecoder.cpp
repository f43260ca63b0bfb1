#include "bmpcheck.h"
#include "imaging/bmpdecoder.h"
#include "imaging/cdib.h"
#include "testutil.h"

#include <QPainter>

using namespace mv;
using namespace mv::test;

// Our BMP decoder on files made for each case: header kinds, bit depths, bit fields, alpha,
// palettes, cut files, embedded JPEG and PNG, packed DIBs and bitmap arrays.

namespace {

QRgb FirstPixel(const QByteArray &bytes)
{
    const BmpDecoded decoded = DecodeBmpBytes(bytes);
    return decoded.image.isNull() ? 0x12345678u : decoded.image.convertToFormat(QImage::Format_ARGB32).pixel(0, 0);
}

} // namespace

class TestBmpDecoder : public QObject
{
    Q_OBJECT

    quint32 mToken = 0;

private slots:
    void initTestCase() { QCOMPARE(GdiplusStartup(mToken), GdiplusOk); }
    void cleanupTestCase() { GdiplusShutdown(mToken); }

    // Every header kind, in a file and as a headerless packed DIB.
    void headerKinds_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        // Headers of 12 and 16 bytes declare no palette size: theirs has every entry.
        QList<QRgb> palette = FourColours;
        palette.resize(256, Black);
        for (const int size : {12, 16, 40, 52, 56, 64, 108, 124}) {
            BmpLayout layout = Indexed(8, {{0, 1}, {2, 3}}, palette);
            layout.headerSize = size;
            QTest::addRow("%d-byte header, file", size) << MakeBmp(layout);
            layout.fileHeader = false;
            QTest::addRow("%d-byte header, packed", size) << MakeBmp(layout);
        }
    }
    void headerKinds()
    {
        const BmpDecoded decoded = DecodeBmpBytes(MV_FETCH(QByteArray, bytes));
        QVERIFY(decoded.loaded);
        QCOMPARE(decoded.format, ImageFormat::Bmp);
        const QString difference = MapDifference(decoded.image, Square, Legend);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
        QVERIFY(!decoded.image.hasAlphaChannel());
    }

    // Each bit depth, stored bottom-up and top-down.
    void bitDepths_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("topDown");
        const auto both = [](const char *name, BmpLayout layout, const QList<QList<quint64>> &rows) {
            layout.width = 2;
            layout.height = 2;
            layout.pixels = PackRows(rows, layout.bitCount);
            const QByteArray bottomUp = MakeBmp(layout);
            layout.height = -layout.height;
            layout.pixels = PackRows(rows, layout.bitCount, true);
            QTest::newRow(name) << bottomUp << MakeBmp(layout);
        };
        both("1 bit", Indexed(1, {{0}}, {Red, Green}), {{0, 1}, {1, 0}});
        both("2 bits", Indexed(2, {{0}}), {{0, 1}, {2, 3}});
        both("4 bits", Indexed(4, {{0}}), {{0, 1}, {2, 3}});
        both("8 bits", Indexed(8, {{0}}), {{0, 1}, {2, 3}});
        BmpLayout direct;
        direct.width = 2;
        direct.height = 2;
        direct.bitCount = 16;
        both("16 bits, 5-5-5", direct, {{0x7C00, 0x03E0}, {0x001F, 0x7FFF}});
        direct.bitCount = 24;
        both("24 bits", direct, {{0xFF0000, 0x00FF00}, {0x0000FF, 0xFFFFFF}});
        direct.bitCount = 32;
        both("32 bits", direct, {{0xFF0000, 0x00FF00}, {0x0000FF, 0xFFFFFF}});
        direct.bitCount = 64; // blue, green, red, alpha at 1.0 = 8192
        both("64 bits", direct, {{0x2000'2000'0000'0000ull, 0x2000'0000'2000'0000ull}, {0x2000'0000'0000'2000ull, 0x2000'2000'2000'2000ull}});
    }
    void bitDepths()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, topDown);
        const QStringList expected = QTest::currentDataTag() == QByteArray("1 bit")
                                         ? QStringList{QStringLiteral("RG"), QStringLiteral("GR")}
                                         : Square;
        for (const QByteArray &file : {bytes, topDown}) {
            const BmpDecoded decoded = DecodeBmpBytes(file);
            QVERIFY(decoded.loaded);
            const QString difference = MapDifference(decoded.image, expected, Legend);
            QVERIFY2(difference.isEmpty(), qPrintable(difference));
        }
    }

    // Channels of any width scale exactly: the largest value is 255, others round to nearest.
    void bitFieldScaling_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QRgb>("expected");
        QTest::newRow("5-5-5 white") << OnePixel(16, {0x7C00, 0x03E0, 0x001F, 0}, 0x7FFF) << White;
        QTest::newRow("5-6-5 white") << OnePixel(16, {0xF800, 0x07E0, 0x001F, 0}, 0xFFFF) << White;
        QTest::newRow("5-6-5 middle") << OnePixel(16, {0xF800, 0x07E0, 0x001F, 0}, 0x8410) << qRgb(132, 130, 132);
        QTest::newRow("1-bit channels") << OnePixel(16, {0x4, 0x2, 0x1, 0}, 0x5) << qRgb(255, 0, 255);
        QTest::newRow("11-11-10 white") << OnePixel(32, {0xFFE00000, 0x001FFC00, 0x3FF, 0}, 0xFFFFFFFF) << White;
        QTest::newRow("10 bits, half and least") << OnePixel(32, {0x3FF00000, 0xFFC00, 0x3FF, 0}, (512u << 20) | 2)
                                                 << qRgb(128, 0, 0);
        QTest::newRow("16-bit channel") << OnePixel(32, {0xFFFF0000, 0xFF00, 0xFF, 0}, 0x8000FF00) << qRgb(128, 255, 0);
        QTest::newRow("32-bit channel") << OnePixel(32, {0xFFFFFFFF, 0, 0, 0}, 0xFFFFFFFF) << qRgb(255, 0, 0);
        QTest::newRow("channel missing") << OnePixel(16, {0xFF00, 0xFF, 0, 0}, 0xFFFF) << qRgb(255, 255, 0);
        QTest::newRow("no masks: 5-5-5") << OnePixel(16, {0, 0, 0, 0}, 0x7FFF) << White;
        QTest::newRow("4-4-4-4 with alpha") << OnePixel(16, {0xF00, 0xF0, 0xF, 0xF000}, 0x8F0F) << qRgba(255, 0, 255, 136);
        QTest::newRow("10-10-10-2 with alpha") << OnePixel(32, {0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}, 0x7FF003FF)
                                                << qRgba(255, 0, 255, 85);
    }
    void bitFieldScaling()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QRgb, expected);
        QCOMPARE(FirstPixel(bytes), expected);
    }

    // Alpha where the header gives a channel for it, unless every pixel's is zero; plain
    // 32-bit pixels are opaque whatever their fourth byte holds.
    void alphaRules_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QRgb>("expected");
        QTest::addColumn<bool>("alpha");
        BmpLayout plain;
        plain.width = 2;
        plain.bitCount = 32;
        plain.pixels = PackRows({{0x80FF0000, 0x00FF0000}}, 32);
        QTest::newRow("plain 32 bits") << MakeBmp(plain) << Red << false;
        BmpLayout fields = plain;
        fields.headerSize = 124;
        fields.compression = 3;
        fields.masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
        QTest::newRow("alpha mask") << MakeBmp(fields) << qRgba(255, 0, 0, 128) << true;
        fields.pixels = PackRows({{0x00FF0000, 0x00FF0000}}, 32);
        QTest::newRow("alpha mask, every alpha zero") << MakeBmp(fields) << Red << false;
        fields.compression = 6; // alpha bit fields after a 40-byte header
        fields.headerSize = 40;
        fields.pixels = PackRows({{0x80FF0000, 0x00FF0000}}, 32);
        QTest::newRow("alpha bit fields") << MakeBmp(fields) << qRgba(255, 0, 0, 128) << true;
        fields.headerSize = 56;
        fields.compression = 3;
        QTest::newRow("V3 header") << MakeBmp(fields) << qRgba(255, 0, 0, 128) << true;
        fields.headerSize = 52; // a V2 header has no alpha mask
        QTest::newRow("V2 header") << MakeBmp(fields) << Red << false;
        BmpLayout wide = plain;
        wide.bitCount = 64; // half alpha; red 0.5 in linear light; green below 0, blue above 1
        wide.pixels = PackRows({{0x1000'1000'E000'4000ull, 0x1000'1000'E000'4000ull}}, 64);
        QTest::newRow("64 bits") << MakeBmp(wide) << qRgba(188, 0, 255, 128) << true;
    }
    void alphaRules()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QRgb, expected);
        QFETCH(bool, alpha);
        const BmpDecoded decoded = DecodeBmpBytes(bytes);
        QVERIFY(decoded.loaded);
        QCOMPARE(decoded.image.hasAlphaChannel(), alpha);
        QCOMPARE(decoded.image.convertToFormat(QImage::Format_ARGB32).pixel(0, 0), expected);
    }

    void palettes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("expected");
        BmpLayout shortTable = Indexed(8, {{0, 1}, {2, 3}});
        shortTable.colorsUsed = 4;
        shortTable.palette = {Red, Green};
        QTest::newRow("fewer entries than declared: the rest is black")
            << MakeBmp(shortTable) << QStringList{"RG", "KK"};
        BmpLayout os2 = Indexed(8, {{0, 1}, {2, 3}}, {Red, Green, Blue});
        os2.headerSize = 12;
        QTest::newRow("OS/2 palette short of 256") << MakeBmp(os2) << QStringList{"RG", "BK"};
        BmpLayout large = Indexed(8, {{0, 1}, {255, 3}}, QList<QRgb>(300, Blue));
        large.palette[0] = Red;
        large.palette[1] = Green;
        large.palette[3] = White;
        large.palette[256] = Red;
        QTest::newRow("more entries than 8 bits index") << MakeBmp(large) << QStringList{"RG", "BW"};
        BmpLayout gap = Indexed(8, {{0, 1}, {2, 3}});
        gap.dataOffset = 14 + 40 + 16 + 100;
        QTest::newRow("bytes between palette and pixels") << MakeBmp(gap) << Square;
        BmpLayout one = Indexed(1, {{0, 1}, {1, 0}}, {Red});
        QTest::newRow("one entry of two") << MakeBmp(one) << QStringList{"RK", "KR"};
        BmpLayout unused = Indexed(8, {{0}}, QList<QRgb>(256, Blue));
        unused.bitCount = 24;
        unused.width = 2;
        unused.height = 2;
        unused.pixels = PackRows({{0xFF0000, 0x00FF00}, {0x0000FF, 0xFFFFFF}}, 24);
        QTest::newRow("24 bits with a palette") << MakeBmp(unused) << Square;
        unused.fileHeader = false;
        QTest::newRow("packed 24 bits with a palette") << MakeBmp(unused) << Square;
    }
    void palettes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, expected);
        const BmpDecoded decoded = DecodeBmpBytes(bytes);
        QVERIFY(decoded.loaded);
        const QString difference = MapDifference(decoded.image, expected, Legend);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    // A cut file shows the rows it holds; the rest is transparent. Cut before its first
    // row is complete, it holds no picture.
    void cutFiles_data()
    {
        QTest::addColumn<int>("keep");     // bytes of pixel data kept
        QTest::addColumn<QStringList>("expected");
        // 3 x 3 of 24 bits: rows of 12 bytes (9 and 3 of padding), bottom row first.
        QTest::newRow("whole") << 36 << QStringList{"RRR", "GGG", "BBB"};
        QTest::newRow("last row without its padding") << 33 << QStringList{"RRR", "GGG", "BBB"};
        QTest::newRow("two rows") << 24 << QStringList{"...", "GGG", "BBB"};
        QTest::newRow("inside the second row") << 19 << QStringList{"...", "GG.", "BBB"};
        QTest::newRow("one row") << 12 << QStringList{"...", "...", "BBB"};
        QTest::newRow("inside the first row") << 8 << QStringList{};
        QTest::newRow("no pixels") << 0 << QStringList{};
    }
    void cutFiles()
    {
        QFETCH(int, keep);
        QFETCH(QStringList, expected);
        BmpLayout layout;
        layout.width = 3;
        layout.height = 3;
        layout.pixels = PackRows({{0xFF0000, 0xFF0000, 0xFF0000}, {0x00FF00, 0x00FF00, 0x00FF00}, {0xFF, 0xFF, 0xFF}}, 24);
        const QByteArray whole = MakeBmp(layout);
        const QByteArray bytes = whole.left(whole.size() - layout.pixels.size() + keep);
        for (const int pattern : {0x00, 0xFF}) {
            const BmpDecoded decoded = DecodeBmpBytes(bytes, QSize(), pattern);
            QCOMPARE(decoded.loaded, !expected.isEmpty());
            if (!decoded.loaded)
                continue;
            const QString difference = MapDifference(decoded.image, expected, Legend);
            QVERIFY2(difference.isEmpty(), qPrintable(difference));
        }
    }

    // Printers' BMPs carry a JPEG or PNG file as their pixels.
    void embeddedPictures_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<int>("compression");
        QTest::addColumn<int>("tolerance");
        const QImage picture = Quadrants(64, 48);
        QTest::newRow("PNG") << Encode(picture, "png") << 5 << 0;
        QTest::newRow("JPEG") << Encode(picture, "jpeg", 95) << 4 << 40;
    }
    void embeddedPictures()
    {
        QFETCH(QByteArray, stream);
        QFETCH(int, compression);
        QFETCH(int, tolerance);
        BmpLayout layout;
        layout.headerSize = 124;
        layout.width = 64;
        layout.height = 48;
        layout.bitCount = 0;
        layout.compression = quint32(compression);
        layout.pixels = stream;
        const BmpDecoded decoded = DecodeBmpBytes(MakeBmp(layout));
        QVERIFY(decoded.loaded);
        QCOMPARE(decoded.format, ImageFormat::Bmp);
        QCOMPARE(decoded.image.size(), QSize(64, 48));
        const QImage image = decoded.image.convertToFormat(QImage::Format_RGB32);
        for (const auto &[point, colour] : {std::pair{QPoint(8, 8), Red}, {QPoint(56, 8), Green},
                                            {QPoint(8, 40), Blue}, {QPoint(56, 40), White}}) {
            const QRgb p = image.pixel(point);
            QVERIFY2(qAbs(qRed(p) - qRed(colour)) <= tolerance && qAbs(qGreen(p) - qGreen(colour)) <= tolerance
                         && qAbs(qBlue(p) - qBlue(colour)) <= tolerance,
                     qPrintable(QString::number(p, 16)));
        }
        // Smaller, through the embedded decoder's own scaling.
        QCOMPARE(DecodeBmpBytes(MakeBmp(layout), QSize(16, 12)).image.size(), QSize(16, 12));
        // A damaged stream: refused at load.
        layout.pixels = stream.left(20);
        QVERIFY(!DecodeBmpBytes(MakeBmp(layout)).loaded || DecodeBmpBytes(MakeBmp(layout)).status != GpStatus::Ok);
    }

    // Headerless DIBs are recognised by their header alone; bytes that only look a little
    // like one are not.
    void packedDibDetection_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("isDib");
        BmpLayout layout = Indexed(8, {{0, 1}, {2, 3}});
        layout.fileHeader = false;
        const QByteArray dib = MakeBmp(layout);
        QTest::newRow("packed DIB") << dib << true;
        QByteArray twoPlanes = dib;
        twoPlanes[12] = 2;
        QTest::newRow("two planes") << twoPlanes << false;
        QByteArray oddSize = dib;
        oddSize[0] = 41;
        QTest::newRow("unknown header size") << oddSize << false;
        QByteArray depth = dib;
        depth[14] = 7;
        QTest::newRow("bit count 7") << depth << false;
        QTest::newRow("header only") << dib.left(40) << false;
        static const char text[] = "(\0\0\0 hello, this is not a picture at all";
        QTest::newRow("text") << QByteArray(text, sizeof text - 1) << false;
    }
    void packedDibDetection()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, isDib);
        QCOMPARE(SniffBmpFamily(bytes) == ImageFormat::Bmp, isDib);
        const BmpDecoded decoded = DecodeBmpBytes(bytes);
        QCOMPARE(decoded.loaded, isDib);
        if (isDib)
            QVERIFY(MapDifference(decoded.image, Square, Legend).isEmpty());
    }

    // OS/2 bitmap arrays chain versions of a picture, offsets counting from the start of
    // the file: the largest is shown, then the one with most colours.
    void bitmapArrays_data()
    {
        QTest::addColumn<QList<QByteArray>>("members");
        QTest::addColumn<QStringList>("expected");
        BmpLayout small = Indexed(8, {{2}}, FourColours);
        small.headerSize = 12;
        const QByteArray large = MakeBmp(Indexed(8, {{0, 1}, {2, 3}}));
        BmpLayout deep;
        deep.width = 2;
        deep.height = 2;
        deep.pixels = PackRows({{0x0000FF, 0x0000FF}, {0x0000FF, 0x0000FF}}, 24);
        QTest::newRow("one") << QList<QByteArray>{large} << Square;
        QTest::newRow("largest, last") << QList<QByteArray>{MakeBmp(small), large} << Square;
        QTest::newRow("largest, first") << QList<QByteArray>{large, MakeBmp(small)} << Square;
        QTest::newRow("same size, more colours") << QList<QByteArray>{large, MakeBmp(deep)} << QStringList{"BB", "BB"};
    }
    void bitmapArrays()
    {
        QFETCH(QList<QByteArray>, members);
        QFETCH(QStringList, expected);
        QByteArray file;
        for (qsizetype i = 0; i < members.size(); ++i) {
            QByteArray member = members.at(i);
            const quint32 at = quint32(file.size());
            const quint32 next = i + 1 < members.size() ? at + 14 + quint32(member.size()) : 0;
            // The member's pixel offset counts from the start of the whole file.
            const quint32 offset = quint32(quint8(member[10]) | quint8(member[11]) << 8) + at + 14;
            member[10] = char(offset & 0xFF);
            member[11] = char(offset >> 8);
            file.append("BA");
            PutLE(file, 40, 4);
            PutLE(file, next, 4);
            PutLE(file, 0, 4);
            file.append(member);
        }
        const BmpDecoded decoded = DecodeBmpBytes(file);
        QVERIFY(decoded.loaded);
        QCOMPARE(decoded.format, ImageFormat::Bmp);
        const QString difference = MapDifference(decoded.image, expected, Legend);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    // The bytes of a bitmap as the thumbnail cache keeps them (a packed DIB of 16 or 8
    // bits) load like any picture.
    void bitmapBytes_data()
    {
        QTest::addColumn<int>("bits");
        QTest::newRow("16 bits") << 16;
        QTest::newRow("8 bits") << 8;
        QTest::newRow("24 bits") << 24;
    }
    void bitmapBytes()
    {
        QFETCH(int, bits);
        cDIB bitmap;
        QVERIFY(bitmap.Create(170, 127, bits));
        QImage &pixels = *bitmap.hdc();
        if (bits == 8) {
            pixels.setColorTable(FourColours);
            for (int y = 0; y < 127; ++y)
                for (int x = 0; x < 170; ++x)
                    pixels.scanLine(y)[x] = uchar((y >= 63 ? 2 : 0) + (x >= 85 ? 1 : 0));
        } else {
            QPainter(&pixels).drawImage(0, 0, Quadrants(170, 127));
        }
        const BmpDecoded decoded = DecodeBmpBytes(bitmap.PackedDib());
        QVERIFY(decoded.loaded);
        QCOMPARE(decoded.format, ImageFormat::Bmp);
        QCOMPARE(decoded.image.convertToFormat(QImage::Format_RGB32),
                 bitmap.Image().convertToFormat(QImage::Format_RGB32));
    }

};

MV_TEST_MAIN(TestBmpDecoder)
#include "tst_bmpdecoder.moc"
