#include "bmpcheck.h"
#include "imaging/bmpdecoder.h"
#include "testutil.h"

using namespace mv;
using namespace mv::test;

// Our BMP decoder on its codings and sizes: run lengths, OS/2 Huffman, decoding straight at
// a smaller size, and damaged files of each kind.

namespace {

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

class TestBmpCoding : public QObject
{
    Q_OBJECT

    quint32 mToken = 0;

private slots:
    void initTestCase() { QCOMPARE(GdiplusStartup(mToken), GdiplusOk); }
    void cleanupTestCase() { GdiplusShutdown(mToken); }

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
        BmpLayout layout = Indexed(1, {{0}}, {Red, Green});
        layout.headerSize = 64;
        layout.compression = 3;
        layout.width = width;
        layout.height = 2;
        layout.pixels = packed;
        for (const int pattern : {0x00, 0xFF}) {
            const BmpDecoded decoded = DecodeBmpBytes(MakeBmp(layout), QSize(), pattern);
            QVERIFY(decoded.loaded);
            const QString difference = MapDifference(decoded.image, expected, Legend);
            QVERIFY2(difference.isEmpty(), qPrintable(difference));
        }
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
        BmpLayout layout;
        layout.width = 400;
        layout.height = 300;
        layout.pixels = PackRows(rows, 24);
        const QByteArray bytes = MakeBmp(layout);
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
        BmpLayout layout;
        layout.width = 3;
        layout.height = 2;
        const QList<QList<quint64>> rows = {{0x000000, 0x5A0000, 0xB40000}, {0x1E0000, 0x780000, 0xD20000}};
        layout.pixels = PackRows(rows, 24);
        // Red 0, 90, 180 over 30, 120, 210: thirds of 0 + 90 / 2 + 30 + 120 / 2, and so on.
        QTest::newRow("3 x 2 to 2 x 1") << MakeBmp(layout) << QSize(2, 1) << QList<QRgb>{qRgb(45, 0, 0), qRgb(165, 0, 0)};
        layout.height = -2;
        layout.pixels = PackRows(rows, 24, true);
        QTest::newRow("top-down") << MakeBmp(layout) << QSize(2, 1) << QList<QRgb>{qRgb(45, 0, 0), qRgb(165, 0, 0)};
        QTest::newRow("3 x 2 to 3 x 1") << MakeBmp(layout) << QSize(3, 1)
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
        BmpLayout layout = Indexed(1, {{0}}, {White, Black});
        layout.width = side;
        layout.height = side;
        layout.pixels = row.repeated(side);
        const QByteArray bytes = MakeBmp(layout);
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
        BmpLayout layout = Indexed(8, {{0, 1}, {2, 3}});
        GpImage image = GpImage::LoadFromMemory(MakeBmp(layout));
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
                          BmpLayout s = Indexed(4, {{0, 1, 2}, {3, 2, 1}});
                          s.headerSize = 12;
                          return MakeBmp(s);
                      }()});
        files.append({"16 bits fields", OnePixel(16, {0xF800, 0x7E0, 0x1F, 0}, 0x1234)});
        files.append({"32 bits alpha", OnePixel(32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, 0x80402010)});
        files.append({"rle8", RleFile(8, 4, 3, QByteArray("\x01\x00\x00\x02\x02\x01\x01\x01\x00\x00\x02\x03\x00\x01", 14))});
        files.append({"rle4", RleFile(4, 5, 2, QByteArray("\x00\x05\x12\x30\x01\x00\x03\x21\x00\x00\x00\x01", 12))});
        files.append({"rle24", RleFile(24, 3, 2, QByteArray("\x00\x03\xFF\x00\x00\x00\xFF\x00\x00\x00\xFF\x00\x00\x00\x03\xFF\xFF\xFF\x00\x01", 20))});
        files.append({"huffman", [] {
                          BmpLayout s = Indexed(1, {{0}}, {Red, Green});
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

MV_TEST_MAIN(TestBmpCoding)
#include "tst_bmpcoding.moc"
