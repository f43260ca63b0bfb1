#include "bmpcheck.h"
#include "bmpfixtures.h"
#include "imaging/bmpdecoder.h"
#include "imaging/cdib.h"
#include "testutil.h"

#include <QPainter>

using namespace mv;
using namespace mv::test;

// Our BMP decoder on files made for each case: header kinds, bit depths, bit fields, alpha,
// palettes, run lengths, cut files, embedded JPEG and PNG, packed DIBs and decoding at a
// reduced size.

namespace {

const QRgb Red = qRgb(255, 0, 0);
const QRgb Green = qRgb(0, 255, 0);
const QRgb Blue = qRgb(0, 0, 255);
const QRgb White = qRgb(255, 255, 255);
const QRgb Black = qRgb(0, 0, 0);
const QHash<QChar, QRgb> Legend = {{'R', Red}, {'G', Green}, {'B', Blue}, {'W', White}, {'K', Black}};

// Red, green / blue, white in a 2 x 2 picture of palette indices 0 to 3.
const QList<QRgb> FourColours = {Red, Green, Blue, White};
const QStringList Square = {QStringLiteral("RG"), QStringLiteral("BW")};

BmpSpec Indexed(int bits, const QList<QList<quint64>> &rows, const QList<QRgb> &palette = FourColours)
{
    BmpSpec spec;
    spec.width = int(rows.first().size());
    spec.height = int(rows.size());
    spec.bitCount = bits;
    spec.palette = palette;
    spec.pixels = PackRows(rows, bits);
    return spec;
}

// One pixel of bit fields: masks after a 40-byte header, or in a V5 header when there is
// an alpha mask.
QByteArray OnePixel(int bits, std::array<quint32, 4> masks, quint64 value)
{
    BmpSpec spec;
    spec.headerSize = masks[3] ? 124 : 40;
    spec.bitCount = bits;
    spec.compression = 3;
    spec.masks = masks;
    spec.pixels = PackRows({{value}}, bits);
    return MakeBmp(spec);
}

QRgb FirstPixel(const QByteArray &bytes)
{
    const BmpDecoded decoded = DecodeBmpBytes(bytes);
    return decoded.image.isNull() ? 0x12345678u : decoded.image.convertToFormat(QImage::Format_ARGB32).pixel(0, 0);
}

QByteArray RleFile(int bits, int width, int height, const QByteArray &data)
{
    BmpSpec spec;
    spec.width = width;
    spec.height = height;
    spec.bitCount = bits == 24 ? 24 : bits;
    spec.compression = bits == 8 ? 1 : bits == 4 ? 2 : 4;
    spec.headerSize = bits == 24 ? 64 : 40; // RLE24 is OS/2's
    spec.palette = bits == 24 ? QList<QRgb>() : FourColours;
    spec.pixels = data;
    return MakeBmp(spec);
}

// Mean absolute difference per channel of two pictures of one size.
double MeanDifference(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    qint64 sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            sum += qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q))
                   + qAbs(qAlpha(p) - qAlpha(q));
        }
    }
    return double(sum) / (4.0 * x.width() * x.height());
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
            BmpSpec spec = Indexed(8, {{0, 1}, {2, 3}}, palette);
            spec.headerSize = size;
            QTest::addRow("%d-byte header, file", size) << MakeBmp(spec);
            spec.fileHeader = false;
            QTest::addRow("%d-byte header, packed", size) << MakeBmp(spec);
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
        const auto both = [](const char *name, BmpSpec spec, const QList<QList<quint64>> &rows) {
            spec.width = 2;
            spec.height = 2;
            spec.pixels = PackRows(rows, spec.bitCount);
            const QByteArray bottomUp = MakeBmp(spec);
            spec.height = -spec.height;
            spec.pixels = PackRows(rows, spec.bitCount, true);
            QTest::newRow(name) << bottomUp << MakeBmp(spec);
        };
        both("1 bit", Indexed(1, {{0}}, {Red, Green}), {{0, 1}, {1, 0}});
        both("2 bits", Indexed(2, {{0}}), {{0, 1}, {2, 3}});
        both("4 bits", Indexed(4, {{0}}), {{0, 1}, {2, 3}});
        both("8 bits", Indexed(8, {{0}}), {{0, 1}, {2, 3}});
        BmpSpec direct;
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
        BmpSpec plain;
        plain.width = 2;
        plain.bitCount = 32;
        plain.pixels = PackRows({{0x80FF0000, 0x00FF0000}}, 32);
        QTest::newRow("plain 32 bits") << MakeBmp(plain) << Red << false;
        BmpSpec fields = plain;
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
        BmpSpec wide = plain;
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
        BmpSpec shortTable = Indexed(8, {{0, 1}, {2, 3}});
        shortTable.colorsUsed = 4;
        shortTable.palette = {Red, Green};
        QTest::newRow("fewer entries than declared: the rest is black")
            << MakeBmp(shortTable) << QStringList{"RG", "KK"};
        BmpSpec os2 = Indexed(8, {{0, 1}, {2, 3}}, {Red, Green, Blue});
        os2.headerSize = 12;
        QTest::newRow("OS/2 palette short of 256") << MakeBmp(os2) << QStringList{"RG", "BK"};
        BmpSpec large = Indexed(8, {{0, 1}, {255, 3}}, QList<QRgb>(300, Blue));
        large.palette[0] = Red;
        large.palette[1] = Green;
        large.palette[3] = White;
        large.palette[256] = Red;
        QTest::newRow("more entries than 8 bits index") << MakeBmp(large) << QStringList{"RG", "BW"};
        BmpSpec gap = Indexed(8, {{0, 1}, {2, 3}});
        gap.dataOffset = 14 + 40 + 16 + 100;
        QTest::newRow("bytes between palette and pixels") << MakeBmp(gap) << Square;
        BmpSpec one = Indexed(1, {{0, 1}, {1, 0}}, {Red});
        QTest::newRow("one entry of two") << MakeBmp(one) << QStringList{"RK", "KR"};
        BmpSpec unused = Indexed(8, {{0}}, QList<QRgb>(256, Blue));
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

    // Run lengths: pixels that deltas, early ends and cut data skip are transparent; runs
    // past the row's end are cut there.
    void runLengths_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("expected");
        // Rows are given bottom row first in the data, top row first in the maps.
        QTest::newRow("RLE8 runs") << RleFile(8, 4, 2, QByteArray("\x04\x00\x00\x00\x02\x01\x02\x02\x00\x01", 10))
                                   << QStringList{"GGBB", "RRRR"};
        QTest::newRow("RLE8 absolute, odd length padded")
            << RleFile(8, 4, 2, QByteArray("\x00\x03\x01\x02\x03\x00\x01\x00\x00\x00\x04\x00\x00\x00\x01", 15))
            << QStringList{"RRRR", "GBWR"};
        QTest::newRow("RLE4 alternating nibbles") << RleFile(4, 4, 1, QByteArray("\x04\x12\x00\x01", 4))
                                                  << QStringList{"GBGB"};
        QTest::newRow("RLE4 absolute") << RleFile(4, 4, 1, QByteArray("\x00\x03\x30\x20\x00\x01", 6))
                                       << QStringList{"WRB."};
        QTest::newRow("RLE24 runs")
            << RleFile(24, 4, 1, QByteArray("\x02\x00\x00\xFF\x01\x00\xFF\x00\x00\x01", 10))
            << QStringList{"RRG."};
        QTest::newRow("RLE24 absolute, padded")
            << RleFile(24, 3, 2, QByteArray("\x00\x03\xFF\x00\x00\x00\xFF\x00\x00\x00\xFF\x00\x00\x00\x03\xFF\xFF\xFF\x00\x01", 20))
            << QStringList{"WWW", "BGR"};
        QTest::newRow("delta and early end of line")
            << RleFile(8, 4, 3, QByteArray("\x01\x00\x00\x02\x02\x01\x01\x01\x00\x00\x02\x03\x00\x01", 14))
            << QStringList{"WW..", "...G", "R..."};
        QTest::newRow("early end of picture") << RleFile(8, 3, 2, QByteArray("\x02\x02\x00\x01", 4))
                                              << QStringList{"...", "BB."};
        QTest::newRow("data cut short") << RleFile(8, 3, 2, QByteArray("\x03\x01\x00\x00\x02", 5))
                                        << QStringList{"...", "GGG"};
        QTest::newRow("absolute run cut short") << RleFile(8, 4, 1, QByteArray("\x00\x04\x01\x02", 4))
                                                << QStringList{"GB.."};
        QTest::newRow("run past the row and the picture")
            << RleFile(8, 2, 2, QByteArray("\x05\x01\x00\x00\xFF\x02\x00\x00\x03\x03\x00\x02\x09\x09", 14))
            << QStringList{"BB", "GG"};
        QTest::newRow("delta past the picture") << RleFile(8, 2, 2, QByteArray("\x00\x02\x05\x09\x02\x01\x00\x01", 8))
                                                << QStringList{"..", ".."};
    }
    void runLengths()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, expected);
        for (const int pattern : {0x00, 0xFF}) {
            const BmpDecoded decoded = DecodeBmpBytes(bytes, QSize(), pattern);
            QVERIFY(decoded.loaded);
            QCOMPARE(decoded.status, GpStatus::Ok);
            const QString difference = MapDifference(decoded.image, expected, Legend);
            QVERIFY2(difference.isEmpty(), qPrintable(difference));
            // Only a picture with holes needs an alpha channel.
            QCOMPARE(decoded.image.hasAlphaChannel(), expected.join(QString()).contains(QLatin1Char('.')));
        }
    }

    // OS/2's 1-bit Huffman coding: runs of entry 0 and entry 1 in turn, from each row's
    // start; ends of line skipped; bad codes and early ends leave the rest transparent.
    void huffman_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<QByteArray>("bits");   // as '0' and '1'
        QTest::addColumn<QStringList>("expected");
        const QByteArray endOfLine = "000000000001";
        // Bottom row: 3 of entry 0 (1000), 5 of entry 1 (0011). Top row: 0 (00110101), 8 (000101).
        const QByteArray bottom = "1000" "0011";
        const QByteArray top = "00110101" "000101";
        QTest::newRow("two rows") << 8 << endOfLine + bottom + endOfLine + top << QStringList{"GGGGGGGG", "RRRGGGGG"};
        QTest::newRow("fill before the end of line") << 8 << bottom + "0000" + endOfLine + top
                                                     << QStringList{"GGGGGGGG", "RRRGGGGG"};
        QTest::newRow("cut after a row") << 8 << bottom << QStringList{"........", "RRRGGGGG"};
        QTest::newRow("end of line inside a row") << 8 << "1000" + endOfLine + top
                                                  << QStringList{"GGGGGGGG", "RRR....."};
        QTest::newRow("no such code") << 8 << "1000" "000000001" + top << QStringList{"........", "RRR....."};
        // 70 of entry 0: make-up 64 (11011), then 6 (1110); 2 of entry 1 (11).
        QTest::newRow("make-up code") << 72 << QByteArray("11011" "1110" "11") + endOfLine + "11011" "1110" "11"
                                      << QStringList{QString(70, 'R') + "GG", QString(70, 'R') + "GG"};
    }
    void huffman()
    {
        QFETCH(int, width);
        QFETCH(QByteArray, bits);
        QFETCH(QStringList, expected);
        QByteArray packed((bits.size() + 7) / 8, '\0');
        for (qsizetype i = 0; i < bits.size(); ++i) {
            if (bits.at(i) == '1')
                packed[i / 8] = char(quint8(packed[i / 8]) | (0x80 >> (i % 8)));
        }
        BmpSpec spec = Indexed(1, {{0}}, {Red, Green});
        spec.headerSize = 64;
        spec.compression = 3;
        spec.width = width;
        spec.height = 2;
        spec.pixels = packed;
        for (const int pattern : {0x00, 0xFF}) {
            const BmpDecoded decoded = DecodeBmpBytes(MakeBmp(spec), QSize(), pattern);
            QVERIFY(decoded.loaded);
            const QString difference = MapDifference(decoded.image, expected, Legend);
            QVERIFY2(difference.isEmpty(), qPrintable(difference));
        }
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
        BmpSpec spec;
        spec.width = 3;
        spec.height = 3;
        spec.pixels = PackRows({{0xFF0000, 0xFF0000, 0xFF0000}, {0x00FF00, 0x00FF00, 0x00FF00}, {0xFF, 0xFF, 0xFF}}, 24);
        const QByteArray whole = MakeBmp(spec);
        const QByteArray bytes = whole.left(whole.size() - spec.pixels.size() + keep);
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
        BmpSpec spec;
        spec.headerSize = 124;
        spec.width = 64;
        spec.height = 48;
        spec.bitCount = 0;
        spec.compression = quint32(compression);
        spec.pixels = stream;
        const BmpDecoded decoded = DecodeBmpBytes(MakeBmp(spec));
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
        QCOMPARE(DecodeBmpBytes(MakeBmp(spec), QSize(16, 12)).image.size(), QSize(16, 12));
        // A damaged stream: refused at load.
        spec.pixels = stream.left(20);
        QVERIFY(!DecodeBmpBytes(MakeBmp(spec)).loaded || DecodeBmpBytes(MakeBmp(spec)).status != GpStatus::Ok);
    }

    // Headerless DIBs are recognised by their header alone; bytes that only look a little
    // like one are not.
    void packedDibDetection_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("isDib");
        BmpSpec spec = Indexed(8, {{0, 1}, {2, 3}});
        spec.fileHeader = false;
        const QByteArray dib = MakeBmp(spec);
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
        BmpSpec small = Indexed(8, {{2}}, FourColours);
        small.headerSize = 12;
        const QByteArray large = MakeBmp(Indexed(8, {{0, 1}, {2, 3}}));
        BmpSpec deep;
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

    // A picture shown smaller decodes straight at that size, each pixel the mean of the
    // area it covers, so a picture too large for the pixel budget at full size still shows.
    void reducedSize()
    {
        // 400 x 300 of 24 bits: gradients and squares.
        QList<QList<quint64>> rows;
        for (int y = 0; y < 300; ++y) {
            rows.append(QList<quint64>());
            for (int x = 0; x < 400; ++x)
                rows.last().append(quint64(x * 255 / 399) << 16 | quint64(y * 255 / 299) << 8
                                   | quint64(((x / 25 + y / 25) & 1) ? 200 : 40));
        }
        BmpSpec spec;
        spec.width = 400;
        spec.height = 300;
        spec.pixels = PackRows(rows, 24);
        const QByteArray bytes = MakeBmp(spec);
        const BmpFamilyFrame quarter = DecodeBmpFamily(bytes, ImageFormat::Bmp, 0, QSize(100, 75));
        QCOMPARE(quarter.status, GpStatus::Ok);
        QCOMPARE(quarter.image.size(), QSize(100, 75));
        const QImage full = DecodeBmpBytes(bytes).image;
        for (const QPoint p : {QPoint(0, 0), QPoint(37, 51), QPoint(99, 74)}) {
            int sums[3] = {};
            for (int y = 0; y < 4; ++y) {
                for (int x = 0; x < 4; ++x) {
                    const QRgb c = full.pixel(4 * p.x() + x, 4 * p.y() + y);
                    sums[0] += qRed(c);
                    sums[1] += qGreen(c);
                    sums[2] += qBlue(c);
                }
            }
            QCOMPARE(quarter.image.pixel(p), qRgb((sums[0] + 8) / 16, (sums[1] + 8) / 16, (sums[2] + 8) / 16));
        }
        // Through the codec, at any size: close to the full picture scaled down.
        for (const QSize size : {QSize(130, 97), QSize(399, 299), QSize(7, 5)}) {
            const BmpDecoded small = DecodeBmpBytes(bytes, size);
            QCOMPARE(small.image.size(), size);
            const QImage expected = full.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            const double difference = MeanDifference(small.image, expected);
            QVERIFY2(difference < 1.5, qPrintable(QString::number(difference)));
        }
    }

    // Each output pixel is the mean of the source area it covers, parts of pixels counted
    // by their share; transparent parts lower the alpha, not the colour.
    void areaAverage_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QList<QRgb>>("expected");
        BmpSpec spec;
        spec.width = 3;
        spec.height = 2;
        const QList<QList<quint64>> rows = {{0x000000, 0x5A0000, 0xB40000}, {0x1E0000, 0x780000, 0xD20000}};
        spec.pixels = PackRows(rows, 24);
        // Red 0, 90, 180 over 30, 120, 210: thirds of 0 + 90 / 2 + 30 + 120 / 2, and so on.
        QTest::newRow("3 x 2 to 2 x 1") << MakeBmp(spec) << QSize(2, 1) << QList<QRgb>{qRgb(45, 0, 0), qRgb(165, 0, 0)};
        spec.height = -2;
        spec.pixels = PackRows(rows, 24, true);
        QTest::newRow("top-down") << MakeBmp(spec) << QSize(2, 1) << QList<QRgb>{qRgb(45, 0, 0), qRgb(165, 0, 0)};
        QTest::newRow("3 x 2 to 3 x 1") << MakeBmp(spec) << QSize(3, 1)
                                        << QList<QRgb>{qRgb(15, 0, 0), qRgb(105, 0, 0), qRgb(195, 0, 0)};
        QTest::newRow("half transparent") << RleFile(8, 2, 1, QByteArray("\x01\x00\x00\x01", 4)) << QSize(1, 1)
                                          << QList<QRgb>{qRgba(255, 0, 0, 128)};
    }
    void areaAverage()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, size);
        QFETCH(QList<QRgb>, expected);
        const BmpFamilyFrame frame = DecodeBmpFamily(bytes, ImageFormat::Bmp, 0, size);
        QCOMPARE(frame.status, GpStatus::Ok);
        QCOMPARE(frame.image.size(), size);
        const QImage image = frame.image.convertToFormat(QImage::Format_ARGB32);
        for (int x = 0; x < size.width(); ++x)
            QCOMPARE(image.pixel(x, 0), expected.at(x));
    }

    void reducedSizeBeyondTheBudget()
    {
        // 12000 x 12000 of 1 bit: 18 MB of file, 576 MB at full size. Left half black.
        const int side = 12000;
        const QByteArray row = QByteArray(side / 16, char(0xFF)) + QByteArray(side / 16, '\0');
        BmpSpec spec = Indexed(1, {{0}}, {White, Black});
        spec.width = side;
        spec.height = side;
        spec.pixels = row.repeated(side);
        const QByteArray bytes = MakeBmp(spec);
        GpImage image = GpImage::LoadFromMemory(bytes);
        QVERIFY(image.IsLoaded());
        QImage out;
        QCOMPARE(image.DecodeFrame(QSize(), out), GpStatus::OutOfMemory);
        QCOMPARE(image.DecodeFrame(QSize(120, 120), out), GpStatus::Ok);
        QCOMPARE(out.size(), QSize(120, 120));
        QCOMPARE(out.pixel(10, 60), Black);
        QCOMPARE(out.pixel(110, 60), White);
    }

    void reducedRunLengths()
    {
        // 8 x 4: the left half written red, the right half skipped by end-of-line codes.
        QByteArray data;
        for (int y = 0; y < 4; ++y)
            data.append("\x04\x00\x00\x00", 4);
        data.append("\x00\x01", 2);
        const BmpFamilyFrame half = DecodeBmpFamily(RleFile(8, 8, 4, data), ImageFormat::Bmp, 0, QSize(4, 2));
        QCOMPARE(half.status, GpStatus::Ok);
        QCOMPARE(half.image.size(), QSize(4, 2));
        const QImage image = half.image.convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(image.pixel(0, 0), Red);
        QCOMPARE(image.pixel(1, 1), Red);
        QCOMPARE(qAlpha(image.pixel(3, 0)), 0);
    }

    // The canvas draws a BMP into its bitmap as the decoder gives it.
    void drawFrameInto()
    {
        BmpSpec spec = Indexed(8, {{0, 1}, {2, 3}});
        GpImage image = GpImage::LoadFromMemory(MakeBmp(spec));
        QImage target(2, 2, QImage::Format_RGB32), scratch;
        target.fill(Qt::black);
        QCOMPARE(image.DrawFrameInto(target, Qt::white, scratch), GpStatus::Ok);
        QVERIFY(MapDifference(target, Square, Legend).isEmpty());
    }

    // Damaged files: every cut and many overwritten header bytes of files of each kind
    // load or fail, and where they decode, two decodes over differently dirtied memory
    // give the same picture.
    void damagedAreDefined_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QList<std::pair<const char *, QByteArray>> files;
        files.append({"8 bits", MakeBmp(Indexed(8, {{0, 1, 2}, {3, 2, 1}, {0, 0, 3}}))});
        files.append({"4 bits os2", [] {
                          BmpSpec s = Indexed(4, {{0, 1, 2}, {3, 2, 1}});
                          s.headerSize = 12;
                          return MakeBmp(s);
                      }()});
        files.append({"16 bits fields", OnePixel(16, {0xF800, 0x7E0, 0x1F, 0}, 0x1234)});
        files.append({"32 bits alpha", OnePixel(32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, 0x80402010)});
        files.append({"rle8", RleFile(8, 4, 3, QByteArray("\x01\x00\x00\x02\x02\x01\x01\x01\x00\x00\x02\x03\x00\x01", 14))});
        files.append({"rle4", RleFile(4, 5, 2, QByteArray("\x00\x05\x12\x30\x01\x00\x03\x21\x00\x00\x00\x01", 12))});
        files.append({"rle24", RleFile(24, 3, 2, QByteArray("\x00\x03\xFF\x00\x00\x00\xFF\x00\x00\x00\xFF\x00\x00\x00\x03\xFF\xFF\xFF\x00\x01", 20))});
        files.append({"huffman", [] {
                          BmpSpec s = Indexed(1, {{0}}, {Red, Green});
                          s.headerSize = 64;
                          s.compression = 3;
                          s.width = 8;
                          s.height = 2;
                          s.pixels = QByteArray("\x83\x00\x13\x51\x40", 5); // 3 and 5; end of line; 0 and 8
                          return MakeBmp(s);
                      }()});
        for (const auto &[name, bytes] : files) {
            for (qsizetype cut = 1; cut < bytes.size(); cut += qMax<qsizetype>(1, bytes.size() / 40))
                QTest::addRow("%s-cut-%lld", name, qlonglong(cut)) << bytes.left(cut);
            for (qsizetype at = 0; at < qMin<qsizetype>(bytes.size(), 80); ++at) {
                for (const char value : {char(0x00), char(0xFF)}) {
                    QByteArray damaged = bytes;
                    if (damaged[at] == value)
                        continue;
                    damaged[at] = value;
                    QTest::addRow("%s-byte-%lld-%02x", name, qlonglong(at), quint8(value)) << damaged;
                }
            }
        }
    }
    void damagedAreDefined()
    {
        QFETCH(QByteArray, bytes);
        for (const QSize size : {QSize(), QSize(2, 1)}) {
            const BmpDecoded first = DecodeBmpBytes(bytes, size, 0x00);
            const BmpDecoded second = DecodeBmpBytes(bytes, size, 0xFF);
            QCOMPARE(first.loaded, second.loaded);
            QCOMPARE(first.status, second.status);
            QCOMPARE(first.image, second.image);
        }
    }
};

MV_TEST_MAIN(TestBmpDecoder)
#include "tst_bmpdecoder.moc"
