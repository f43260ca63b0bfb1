#include "imaging/cdib.h"
#include "imaging/ctile.h"
#include "imaging/imgblt.h"
#include "testutil.h"

#include <QClipboard>
#include <QPainter>

using namespace mv;

class TestBitmaps : public QObject
{
    Q_OBJECT

private slots:
    void bestFit_data()
    {
        QTest::addColumn<int>("srcW");
        QTest::addColumn<int>("srcH");
        QTest::addColumn<int>("dstW");
        QTest::addColumn<int>("dstH");
        QTest::addColumn<bool>("stretch");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("photo into 1280 box") << 4000 << 3000 << 1280 << 1280 << false << QRect(0, 160, 1280, 960);
        QTest::newRow("small keeps size, centred") << 100 << 50 << 170 << 127 << false << QRect(35, 38, 100, 50);
        QTest::newRow("thin column raised to 1") << 1 << 10000 << 100 << 100 << false << QRect(49, 0, 1, 100);
        QTest::newRow("square into thumbnail box") << 1000 << 1000 << 166 << 124 << false << QRect(21, 0, 124, 124);
        QTest::newRow("half rounds to even (down)") << 5 << 2 << 5 << 1 << false << QRect(1, 0, 2, 1);
        QTest::newRow("half rounds to even (up)") << 7 << 2 << 7 << 1 << false << QRect(1, 0, 4, 1);
        QTest::newRow("stretch enlarges") << 100 << 50 << 400 << 400 << true << QRect(0, 100, 400, 200);
        QTest::newRow("no stretch keeps small") << 100 << 50 << 400 << 400 << false << QRect(150, 175, 100, 50);
        QTest::newRow("wider than box only") << 300 << 10 << 100 << 100 << false << QRect(0, 48, 100, 3);
        QTest::newRow("exact fit") << 800 << 600 << 800 << 600 << false << QRect(0, 0, 800, 600);
        // Single-precision ratio: 1280/4000 as a float is 0.31999999, 3000 of it 959.99997.
        QTest::newRow("single precision ratio") << 4000 << 3000 << 1280 << 2000 << false << QRect(0, 520, 1280, 960);
        QTest::newRow("empty source") << 0 << 0 << 100 << 100 << false << QRect(49, 49, 1, 1);
        QTest::newRow("empty box") << 100 << 100 << 0 << 0 << false << QRect(0, 0, 1, 1);
    }
    void bestFit()
    {
        QFETCH(int, srcW);
        QFETCH(int, srcH);
        QFETCH(int, dstW);
        QFETCH(int, dstH);
        QFETCH(bool, stretch);
        QFETCH(QRect, expected);
        int x = -1, y = -1, w = -1, h = -1;
        cDIB::GetBestFitInfo(srcW, srcH, dstW, dstH, x, y, w, h, stretch);
        QCOMPARE(QRect(x, y, w, h), expected);
        QCOMPARE(BestFitRect(QSize(srcW, srcH), QSize(dstW, dstH), stretch), expected);
    }

    void bytesPerScanline_data()
    {
        QTest::addColumn<qint64>("width");
        QTest::addColumn<int>("bpp");
        QTest::addColumn<int>("expected"); // -1: overflow
        QTest::newRow("24 bit, width 3") << qint64(3) << 24 << 12;
        QTest::newRow("24 bit, width 5") << qint64(5) << 24 << 16;
        QTest::newRow("1 bit, width 1") << qint64(1) << 1 << 4;
        QTest::newRow("1 bit, width 33") << qint64(33) << 1 << 8;
        QTest::newRow("4 bit, width 9") << qint64(9) << 4 << 8;
        QTest::newRow("8 bit, width 5") << qint64(5) << 8 << 8;
        QTest::newRow("16 bit, width 3") << qint64(3) << 16 << 8;
        QTest::newRow("32 bit, width 170") << qint64(170) << 32 << 680;
        QTest::newRow("thumbnail row") << qint64(170) << 16 << 340;
        QTest::newRow("last width before overflow") << qint64(67108863) << 32 << 268435452;
        QTest::newRow("overflow") << qint64(67108864) << 32 << -1;
        QTest::newRow("overflow at 24 bit") << qint64(89478486) << 24 << -1;
    }
    void bytesPerScanline()
    {
        QFETCH(qint64, width);
        QFETCH(int, bpp);
        QFETCH(int, expected);
        const std::optional<qint32> bytes = ScanlineBytes(width, bpp);
        if (expected < 0)
            QVERIFY(!bytes);
        else
            QCOMPARE(bytes.value_or(-1), expected);
    }

    void createFillsHeader_data()
    {
        QTest::addColumn<int>("bpp");
        QTest::addColumn<int>("tableEntries");
        QTest::newRow("1") << 1 << 2;
        QTest::newRow("4") << 4 << 16;
        QTest::newRow("8") << 8 << 256;
        QTest::newRow("16") << 16 << 0;
        QTest::newRow("24") << 24 << 0;
        QTest::newRow("32") << 32 << 0;
    }
    void createFillsHeader()
    {
        QFETCH(int, bpp);
        QFETCH(int, tableEntries);
        cDIB dib;
        QVERIFY(dib.Create(5, 3, bpp));
        QVERIFY(dib.hDIB());
        QVERIFY(dib.lpBits());
        const int row = *ScanlineBytes(5, bpp);
        QCOMPARE(dib.BytesPerScanline(), row);
        QCOMPARE(dib.Size(), row * 3);
        const QByteArray header = dib.Header().ToBytes();
        QCOMPARE(header.size(), 40);
        const BitmapInfoHeader h = *BitmapInfoHeader::FromBytes(header);
        QCOMPARE(h.biSize, 40);
        QCOMPARE(h.biWidth, 5);
        QCOMPARE(h.biHeight, 3);
        QCOMPARE(h.biPlanes, 1);
        QCOMPARE(int(h.biBitCount), bpp);
        QCOMPARE(h.biCompression, 0u);
        QCOMPARE(h.biSizeImage, quint32(row * 3));
        QCOMPARE(h.biXPelsPerMeter, 0);
        QCOMPARE(h.biClrUsed, 0u);
        QCOMPARE(dib.DibBits().size(), row * 3);
        // Header, all-black table, pixels.
        const QByteArray packed = dib.PackedDib();
        QCOMPARE(packed.size(), 40 + tableEntries * 4 + row * 3);
        QCOMPARE(packed.mid(40, tableEntries * 4), QByteArray(tableEntries * 4, '\0'));
    }

    void createRecyclesOnlyAnUnsharedPictureOfItsShape()
    {
        struct Case {
            const char *name;
            QImage picture;
            bool shared;
            bool taken;
        };
        const QImage same(8, 6, QImage::Format_RGB32);
        const Case cases[] = {
            {"same size and format", same, false, true},
            {"shared elsewhere", same, true, false},
            {"other height", QImage(8, 7, QImage::Format_RGB32), false, false},
            {"other format", QImage(8, 6, QImage::Format_ARGB32), false, false},
            {"empty", QImage(), false, false},
        };
        for (const Case &c : cases) {
            QImage picture = c.picture.copy();
            if (!picture.isNull())
                picture.fill(qRgb(10, 20, 30));
            const QImage other = c.shared ? picture : QImage();
            const uchar *pixels = picture.isNull() ? nullptr : picture.constBits();
            cDIB dib;
            QVERIFY2(dib.Create(8, 6, 32, std::move(picture)), c.name);
            QVERIFY2((dib.Image().constBits() == pixels) == c.taken, c.name);
            QVERIFY2(picture.isNull() == (c.taken || c.picture.isNull()), c.name);
            // Cleared like a fresh bitmap either way.
            QCOMPARE(dib.Image().size(), QSize(8, 6));
            QCOMPARE(dib.Image().pixel(7, 5), qRgb(0, 0, 0));
            QCOMPARE(dib.BytesPerScanline(), 32);
            if (c.shared)
                QCOMPARE(other.pixel(7, 5), qRgb(10, 20, 30));
        }
    }

    void createRefusesBadSizes_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("bpp");
        QTest::newRow("empty") << 0 << 0 << 32;
        QTest::newRow("negative") << -5 << 10 << 32;
        QTest::newRow("odd depth") << 10 << 10 << 12;
        QTest::newRow("row overflow") << 67108864 << 1 << 32;
        QTest::newRow("too large for memory") << 60000 << 60000 << 32;
        // The pixel budget: 512 MiB, the same as for decoding.
        QTest::newRow("16384 x 16384 at 32 bits") << 16384 << 16384 << 32;
        QTest::newRow("just over the budget") << 16384 << 8193 << 32;
        QTest::newRow("over it at 24 bits") << 16384 << 10923 << 24;
    }
    void createRefusesBadSizes()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, bpp);
        cDIB dib;
        QVERIFY(dib.Create(4, 4, 32));
        QVERIFY(!dib.Create(width, height, bpp));
        QVERIFY(!dib.hDIB());
        QCOMPARE(dib.Width(), 0);
        QCOMPARE(dib.Size(), 0);
        QVERIFY(!dib.lpBits());
        QVERIFY(!dib.hdc());
    }

    void clsAndBottomUpBytes()
    {
        cDIB dib;
        QVERIFY(dib.Create(3, 2, 24));
        dib.Cls(0x00332211); // R 0x11, G 0x22, B 0x33
        QPainter p(dib.hdc());
        p.fillRect(0, 0, 1, 1, QColor(0xAA, 0xBB, 0xCC)); // top-left pixel
        p.end();
        const QByteArray bits = dib.DibBits();
        // Bottom row first, B,G,R bytes, padded to 12.
        QCOMPARE(bits.size(), 24);
        QCOMPARE(bits.left(3), QByteArray("\x33\x22\x11", 3));
        QCOMPARE(bits.mid(12, 3), QByteArray("\xCC\xBB\xAA", 3));
        QCOMPARE(bits.mid(15, 3), QByteArray("\x33\x22\x11", 3));

        cDIB thumb;
        QVERIFY(thumb.Create(2, 1, 16));
        thumb.Cls(0x00FFFFFF);
        QCOMPARE(thumb.DibBits().left(4), QByteArray("\xFF\x7F\xFF\x7F", 4)); // 5-5-5 white
    }

    void packedDibRoundTrip_data()
    {
        QTest::addColumn<int>("bpp");
        for (int bpp : {1, 4, 8, 16, 24, 32})
            QTest::newRow(qPrintable(QString::number(bpp))) << bpp;
    }
    void packedDibRoundTrip()
    {
        QFETCH(int, bpp);
        cDIB dib;
        QVERIFY(dib.Create(7, 3, bpp));
        if (bpp <= 8) {
            QList<QRgb> table = dib.Image().colorTable();
            table[1] = qRgb(255, 0, 0);
            QImage *image = dib.hdc();
            image->setColorTable(table);
            image->setPixel(2, 0, 1);
            image->setPixel(6, 2, 1);
        } else {
            QPainter p(dib.hdc());
            p.fillRect(2, 0, 1, 1, Qt::red);
            p.fillRect(6, 2, 1, 1, Qt::red);
        }
        cDIB copy;
        QVERIFY(copy.CreateFromPackedDib(dib.PackedDib()));
        QCOMPARE(copy.BPP(), bpp);
        QCOMPARE(copy.PackedDib(), dib.PackedDib());
        QCOMPARE(copy.Image().pixel(2, 0), qRgb(255, 0, 0));
        QCOMPARE(copy.Image().pixel(6, 2), qRgb(255, 0, 0));
        QCOMPARE(copy.Image().pixel(0, 0), qRgb(0, 0, 0));
    }

    void packedDibRejectsDamage()
    {
        cDIB dib;
        QVERIFY(dib.Create(8, 8, 24));
        const QByteArray packed = dib.PackedDib();
        cDIB copy;
        QVERIFY(!copy.CreateFromPackedDib(packed.left(packed.size() - 1)));
        QVERIFY(!copy.CreateFromPackedDib(packed.left(20)));
        QByteArray huge = packed;
        huge[4] = char(0xFF), huge[5] = char(0xFF), huge[6] = char(0xFF), huge[7] = char(0x7F);
        QVERIFY(!copy.CreateFromPackedDib(huge));
        QByteArray compressed = packed;
        compressed[16] = 1;
        QVERIFY(!copy.CreateFromPackedDib(compressed));
        QVERIFY(!copy.hDIB());
    }

    void stretchModesAndSourceDefaults()
    {
        cDIB dib;
        QVERIFY(dib.Create(2, 1, 32));
        QPainter dp(dib.hdc());
        dp.fillRect(0, 0, 1, 1, Qt::black);
        dp.fillRect(1, 0, 1, 1, Qt::white);
        dp.end();

        QImage target(8, 1, QImage::Format_RGB32);
        target.fill(Qt::red);
        QPainter p(&target);
        // Source size 0: the whole bitmap. Colour on colour repeats pixels.
        QCOMPARE(dib.Stretch(p, 0, 0, 8, 1, 0, 0, 0, 0, SRCCOPY, COLORONCOLOR), 1);
        QCOMPARE(target.pixel(3, 0), qRgb(0, 0, 0));
        QCOMPARE(target.pixel(4, 0), qRgb(255, 255, 255));
        // Halftone smooths: a grey between the two.
        QCOMPARE(dib.Stretch(p, 0, 0, 8, 1, 0, 0, 2, 1, SRCCOPY, HALFTONE), 1);
        const int middle = qGray(target.pixel(4, 0));
        QVERIFY2(middle > 20 && middle < 235, qPrintable(QString::number(middle)));
        QVERIFY(!p.testRenderHint(QPainter::SmoothPixmapTransform)); // mode restored
        // Paint at own size.
        target.fill(Qt::red);
        QCOMPARE(dib.Paint(p, 5, 0), 1);
        QCOMPARE(target.pixel(4, 0), qRgb(255, 0, 0));
        QCOMPARE(target.pixel(5, 0), qRgb(0, 0, 0));
        QCOMPARE(target.pixel(6, 0), qRgb(255, 255, 255));
        // Unknown raster operation and empty object do nothing.
        QCOMPARE(dib.Stretch(p, 0, 0, 8, 1, 0, 0, 0, 0, 0x12345678, COLORONCOLOR), 0);
        p.end();
        cDIB empty;
        QPainter p2(&target);
        QCOMPARE(empty.Paint(p2, 0, 0), 0);
        empty.Cls(0); // nothing to fill, no crash
    }

    void copyToClipboard()
    {
        cDIB empty;
        QVERIFY(!empty.CopyToClipboard());
        cDIB dib;
        QVERIFY(dib.Create(4, 3, 24));
        dib.Cls(0x0000FF00);
        QVERIFY(dib.CopyToClipboard());
        const QImage pasted = QGuiApplication::clipboard()->image();
        QCOMPARE(pasted.size(), QSize(4, 3));
        QCOMPARE(pasted.pixel(1, 1), qRgb(0, 255, 0));
    }

    // A 2 x 2 pattern: red, green / blue, white.
    static StdPicture Pattern()
    {
        QImage image(2, 2, QImage::Format_RGB32);
        image.setPixel(0, 0, qRgb(255, 0, 0));
        image.setPixel(1, 0, qRgb(0, 255, 0));
        image.setPixel(0, 1, qRgb(0, 0, 255));
        image.setPixel(1, 1, qRgb(255, 255, 255));
        return PictureFromBitmap(image);
    }

    void tileOrigin()
    {
        cTile tile;
        QVERIFY(tile.CreatePatternFromStdPicture(Pattern()));
        QImage seamless(6, 2, QImage::Format_RGB32);
        QImage reset(6, 2, QImage::Format_RGB32);
        {
            QPainter p(&seamless);
            tile.Tile(p, 0, 0, 3, 2, false);
            tile.Tile(p, 3, 0, 3, 2, false);
            QPainter q(&reset);
            tile.Tile(q, 0, 0, 3, 2, true);
            tile.Tile(q, 3, 0, 3, 2, true);
        }
        // Aligned to (0, 0): column 3 continues the pattern (green).
        QCOMPARE(seamless.pixel(2, 0), qRgb(255, 0, 0));
        QCOMPARE(seamless.pixel(3, 0), qRgb(0, 255, 0));
        QCOMPARE(seamless.pixel(4, 1), qRgb(0, 0, 255));
        // Aligned to each rectangle: column 3 starts again (red).
        QCOMPARE(reset.pixel(3, 0), qRgb(255, 0, 0));
        QCOMPARE(reset.pixel(4, 0), qRgb(0, 255, 0));
    }

    void tileRefusesNonBitmaps()
    {
        cTile tile;
        StdPicture icon;
        icon.type = StdPicture::Type::Icon;
        icon.image = QImage(2, 2, QImage::Format_ARGB32);
        QVERIFY(!tile.CreatePatternFromStdPicture(icon));
        QVERIFY(!tile.hBrush());
        QVERIFY(tile.CreatePatternFromStdPicture(Pattern()));
        // A failed call keeps the previous pattern.
        QVERIFY(!tile.CreatePatternFromStdPicture(StdPicture()));
        QVERIFY(tile.hBrush());
        tile.DestroyPattern();
        QVERIFY(!tile.hBrush());
        QImage target(2, 2, QImage::Format_RGB32);
        target.fill(Qt::black);
        QPainter p(&target);
        tile.Tile(p, 0, 0, 2, 2, true);
        p.end();
        QCOMPARE(target.pixel(0, 0), qRgb(0, 0, 0));
    }

    void bltTransparent()
    {
        QImage source(3, 1, QImage::Format_RGB555);
        source.setPixel(0, 0, qRgb(255, 0, 255)); // magenta: the key colour
        source.setPixel(1, 0, qRgb(0, 0, 255));
        source.setPixel(2, 0, qRgb(255, 0, 255));
        QImage target(4, 1, QImage::Format_RGB32);
        target.fill(qRgb(10, 20, 30));
        QPainter p(&target);
        BltTransparent(p, source, 0, 0, 3, 1, 1, 0, 0x00FF00FF);
        p.end();
        QCOMPARE(target.pixel(0, 0), qRgb(10, 20, 30));
        QCOMPARE(target.pixel(1, 0), qRgb(10, 20, 30));
        QCOMPARE(target.pixel(2, 0), qRgb(0, 0, 255));
        QCOMPARE(target.pixel(3, 0), qRgb(10, 20, 30));

        // From a picture; an absent one does nothing.
        target.fill(qRgb(10, 20, 30));
        const StdPicture picture = PictureFromBitmap(source);
        QPainter q(&target);
        PictureBltTransparent(nullptr, q, 0, 0, 3, 1, 0, 0, 0x00FF00FF);
        QCOMPARE(target.pixel(1, 0), qRgb(10, 20, 30));
        PictureBltTransparent(&picture, q, 1, 0, 1, 1, 0, 0, 0x00FF00FF);
        q.end();
        QCOMPARE(target.pixel(0, 0), qRgb(0, 0, 255));
    }

    void captureArea()
    {
        const QImage screen = [] {
            QImage image(10, 10, QImage::Format_RGB32);
            image.fill(Qt::white);
            image.setPixel(4, 5, qRgb(1, 2, 3));
            return image;
        }();
        const StdPicture picture = CaptureArea(screen, 3, 4, 4, 3);
        QVERIFY(picture.IsBitmap());
        QCOMPARE(picture.image.size(), QSize(4, 3));
        QCOMPARE(picture.image.pixel(1, 1), qRgb(1, 2, 3));
        QCOMPARE(picture.image.pixel(0, 0), qRgb(255, 255, 255));
        // Beyond the source: black.
        const StdPicture edge = CaptureArea(screen, 8, 8, 4, 4);
        QCOMPARE(edge.image.pixel(1, 1), qRgb(255, 255, 255));
        QCOMPARE(edge.image.pixel(3, 3), qRgb(0, 0, 0));
        QVERIFY(!CaptureArea(screen, 0, 0, 0, 5).IsBitmap());
    }

    void pictureFromBitmapPalette()
    {
        QImage indexed(2, 1, QImage::Format_Indexed8);
        indexed.setColorTable({qRgb(0, 0, 0), qRgb(0, 0, 0)});
        indexed.setPixel(1, 0, 1);
        const StdPicture picture = PictureFromBitmap(indexed, {qRgb(0, 0, 0), qRgb(9, 8, 7)});
        QVERIFY(picture.IsBitmap());
        QCOMPARE(picture.image.pixel(1, 0), qRgb(9, 8, 7));
        QVERIFY(!PictureFromBitmap(QImage()).IsBitmap());
    }
};

MV_TEST_MAIN(TestBitmaps)
#include "tst_bitmaps.moc"
