#include "bmpcheck.h"
#include "testutil.h"

using namespace mv;
using namespace mv::test;

// Icon and cursor files through our BMP decoder: masks, the entry shown, PNG entries, cut
// and damaged entries.

namespace {

// Colour rows of a 2 x 2 entry for its bit count: red, green / blue, white.
QList<QList<quint64>> SquareRows(int bits)
{
    if (bits <= 8)
        return {{0, 1}, {2, 3}};
    if (bits == 16)
        return {{0x7C00, 0x03E0}, {0x001F, 0x7FFF}};
    return {{0xFF0000, 0x00FF00}, {0x0000FF, 0xFFFFFF}};
}

// One colour at one size and bit count; its mask lets every pixel show.
QByteArray SolidEntry(int side, int bits, QRgb colour)
{
    const quint64 value = bits <= 8 ? 0 : bits == 32 ? (colour | 0xFF000000u) : (colour & 0xFFFFFF);
    const QList<QList<quint64>> rows(side, QList<quint64>(side, value));
    const QList<QList<quint64>> mask(side, QList<quint64>(side, 0));
    return IconDib(side, side, bits, bits <= 8 ? QList<QRgb>{colour} : QList<QRgb>(), rows, mask);
}

QByteArray SolidPng(int side, QRgb colour)
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(colour);
    return Encode(image, "png");
}

} // namespace

class TestBmpIcons : public QObject
{
    Q_OBJECT

    quint32 mToken = 0;

private slots:
    void initTestCase() { QCOMPARE(GdiplusStartup(mToken), GdiplusOk); }
    void cleanupTestCase() { GdiplusShutdown(mToken); }

    // The AND mask hides pixels of entries up to 24 bits, and of 32-bit entries whose
    // alpha is all zero; a 32-bit entry with alpha of its own ignores it.
    void masks_data()
    {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<QStringList>("expected");
        const QList<QList<quint64>> mask = {{0, 1}, {1, 0}};
        const QList<QRgb> palette = {Red, Green, Blue, White};
        for (const int bits : {4, 8, 16, 24}) {
            QTest::addRow("%d bits", bits) << IconDib(2, 2, bits, bits <= 8 ? palette : QList<QRgb>(), SquareRows(bits), mask)
                                           << QStringList{"R.", ".W"};
        }
        QTest::newRow("1 bit") << IconDib(2, 2, 1, {Red, White}, {{0, 1}, {1, 0}}, mask) << QStringList{"R.", ".R"};
        QTest::newRow("32 bits, alpha all zero") << IconDib(2, 2, 32, {}, SquareRows(32), mask) << QStringList{"R.", ".W"};
        QList<QList<quint64>> opaque = SquareRows(32);
        for (QList<quint64> &row : opaque)
            for (quint64 &v : row)
                v |= 0xFF000000u;
        QTest::newRow("32 bits with alpha") << IconDib(2, 2, 32, {}, opaque, mask) << QStringList{"RG", "BW"};
        QTest::newRow("mask cut off") << IconDib(2, 2, 8, palette, SquareRows(8), mask).chopped(8) << QStringList{"RG", "BW"};
    }
    void masks()
    {
        QFETCH(QByteArray, entry);
        QFETCH(QStringList, expected);
        for (const int type : {1, 2}) {
            const BmpDecoded decoded = DecodeBmpBytes(MakeIconFile({entry}, type));
            QVERIFY(decoded.loaded);
            QCOMPARE(decoded.format, ImageFormat::Icon);
            QCOMPARE(decoded.status, GpStatus::Ok);
            const QString difference = MapDifference(decoded.image, expected, Legend);
            QVERIFY2(difference.isEmpty(), qPrintable(difference));
        }
    }

    void partialAlpha()
    {
        const QByteArray entry = IconDib(2, 1, 32, {}, {{0x80FF0000u, 0xFF00FF00u}}, {{1, 1}});
        const QImage image = DecodeBmpBytes(MakeIconFile({entry})).image.convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(image.pixel(0, 0), qRgba(255, 0, 0, 128));
        QCOMPARE(image.pixel(1, 0), Green);
    }

    // The largest picture, and among those of one size the one with most colours; the
    // first of equals. Entries that cannot be read are passed over.
    void bestEntry_data()
    {
        QTest::addColumn<QList<QByteArray>>("entries");
        QTest::addColumn<int>("side");
        QTest::addColumn<QRgb>("colour");
        QTest::newRow("largest wins") << QList<QByteArray>{SolidEntry(16, 8, Red), SolidEntry(48, 8, Blue), SolidEntry(32, 32, Green)}
                                      << 48 << Blue;
        QTest::newRow("same size: 32 bits over 8")
            << QList<QByteArray>{SolidEntry(32, 8, Red), SolidEntry(32, 32, Blue), SolidEntry(16, 32, Green)} << 32 << Blue;
        QTest::newRow("same size: 24 bits over 4, first in the file")
            << QList<QByteArray>{SolidEntry(32, 24, Green), SolidEntry(32, 4, Red)} << 32 << Green;
        QTest::newRow("equals: the first") << QList<QByteArray>{SolidEntry(32, 24, Red), SolidEntry(32, 24, Blue)} << 32 << Red;
        QTest::newRow("PNG largest") << QList<QByteArray>{SolidEntry(32, 32, Red), SolidPng(64, Blue)} << 64 << Blue;
        QTest::newRow("PNG of 32 bits over 8 bits")
            << QList<QByteArray>{SolidEntry(32, 8, Red), SolidPng(32, Green)} << 32 << Green;
        QByteArray damaged = SolidEntry(64, 32, Red);
        damaged[0] = 41; // no such header
        QTest::newRow("damaged largest passed over") << QList<QByteArray>{damaged, SolidEntry(32, 8, Blue)} << 32 << Blue;
        QTest::newRow("cut before its pixels passed over")
            << QList<QByteArray>{SolidEntry(32, 8, Blue), SolidEntry(64, 24, Red).left(60)} << 32 << Blue;
    }
    void bestEntry()
    {
        QFETCH(QList<QByteArray>, entries);
        QFETCH(int, side);
        QFETCH(QRgb, colour);
        const BmpDecoded decoded = DecodeBmpBytes(MakeIconFile(entries));
        QVERIFY(decoded.loaded);
        QCOMPARE(decoded.image.size(), QSize(side, side));
        QCOMPARE(decoded.image.convertToFormat(QImage::Format_ARGB32).pixel(side / 2, side / 2), colour);
    }

    void entryOutsideTheFile()
    {
        QByteArray file = MakeIconFile({SolidEntry(48, 8, Red), SolidEntry(16, 8, Blue)});
        file[6 + 15] = char(0x7F); // the first entry's offset, far past the end
        const BmpDecoded decoded = DecodeBmpBytes(file);
        QVERIFY(decoded.loaded);
        QCOMPARE(decoded.image.size(), QSize(16, 16));
    }

    void noReadableEntry_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("no entries") << QByteArray("\0\0\1\0\0\0", 6);
        QTest::newRow("directory cut short") << MakeIconFile({SolidEntry(16, 8, Red)}).left(14);
        QTest::newRow("entry header cut short") << MakeIconFile({SolidEntry(16, 8, Red)}).left(6 + 16 + 20);
        QTest::newRow("damaged PNG header") << MakeIconFile({SolidPng(16, Red).left(20)});
        QTest::newRow("type 3") << [] {
            QByteArray file = MakeIconFile({SolidEntry(16, 8, Red)});
            file[2] = 3;
            return file;
        }();
    }
    void noReadableEntry()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!DecodeBmpBytes(bytes).loaded);
    }

    // Colour rows cut short: the rows there show, the rest is transparent.
    void cutColourRows()
    {
        const QByteArray entry = IconDib(2, 2, 24, {}, SquareRows(24), {{0, 0}, {0, 0}});
        // Header, then the bottom row (8 bytes) and half of the top one.
        const BmpDecoded decoded = DecodeBmpBytes(MakeIconFile({entry.left(40 + 8 + 3)}));
        QVERIFY(decoded.loaded);
        const QString difference = MapDifference(decoded.image, {"R.", "BW"}, Legend);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    // Damaged icons: every cut and many overwritten bytes load or fail, and where they
    // decode, two decodes over differently dirtied memory give the same picture.
    void damagedAreDefined_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QImage photo = PhotoLike(24, 24).convertToFormat(QImage::Format_ARGB32);
        const QList<std::pair<const char *, QByteArray>> files = {
            {"bmp entries", MakeIconFile({IconDib(2, 2, 8, {Red, Green, Blue, White}, SquareRows(8), {{0, 1}, {1, 0}}),
                                          SolidEntry(4, 32, Blue)}, 2)},
            {"png entry", MakeIconFile({Encode(photo, "png")})},
        };
        for (const auto &[name, bytes] : files) {
            for (qsizetype cut = 6; cut < bytes.size(); cut += qMax<qsizetype>(1, bytes.size() / 60))
                QTest::addRow("%s-cut-%lld", name, qlonglong(cut)) << bytes.left(cut);
            for (qsizetype at = 0; at < qMin<qsizetype>(bytes.size(), 120); ++at) {
                QByteArray damaged = bytes;
                damaged[at] = char(~quint8(damaged[at]));
                QTest::addRow("%s-byte-%lld", name, qlonglong(at)) << damaged;
            }
        }
    }
    void damagedAreDefined()
    {
        QFETCH(QByteArray, bytes);
        const BmpDecoded first = DecodeBmpBytes(bytes, QSize(), 0x00);
        const BmpDecoded second = DecodeBmpBytes(bytes, QSize(), 0xFF);
        QCOMPARE(first.loaded, second.loaded);
        QCOMPARE(first.status, second.status);
        QCOMPARE(first.image, second.image);
    }

    void reducedSize()
    {
        const BmpDecoded decoded = DecodeBmpBytes(MakeIconFile({SolidEntry(256, 32, Blue)}), QSize(40, 40));
        QCOMPARE(decoded.status, GpStatus::Ok);
        QCOMPARE(decoded.image.size(), QSize(40, 40));
        QCOMPARE(decoded.image.convertToFormat(QImage::Format_ARGB32).pixel(20, 20), Blue);
    }
};

MV_TEST_MAIN(TestBmpIcons)
#include "tst_bmpicons.moc"
