#include "fixtures.h"
#include "imaging/gdiplus.h"
#include "testutil.h"

#include <QElapsedTimer>

#include <cstring>
#include <memory>
#include <vector>

using namespace mv;
using namespace mv::test;

// Damaged and hostile files: each must fail cleanly (or, where the damage leaves a
// readable picture, decode), never crash, hang or allocate without bound. Cases are named
// after how they were made.

namespace {

// FailLoad: refused at load. NoPicture: refused at load or at every decode, before any
// large allocation. Either: may decode what is readable.
enum Expect { FailLoad, NoPicture, Either };

// Runs every operation a viewer or the thumbnail builder would: size, each frame at full
// and at thumbnail size, a turn.
void Exercise(GpImage &image)
{
    QImage out;
    QImage bitmap(17, 13, QImage::Format_RGB32), scratch;
    QImage blank(bitmap.size(), bitmap.format());
    blank.fill(Qt::white);
    for (int frame = 0; frame < qMin(image.FrameCount(), 8); ++frame) {
        image.SelectActiveFrame(frame);
        (void)image.DecodeFrame(QSize(), out);
        (void)image.DecodeFrame(QSize(17, 13), out);
        // As the canvas draws: into its own bitmap, through a kept buffer.
        bitmap.fill(Qt::black);
        const GpStatus drawn = image.DrawFrameInto(bitmap, Qt::white, scratch);
        QVERIFY(bitmap.size() == QSize(17, 13) && bitmap.format() == QImage::Format_RGB32);
        if (drawn != GpStatus::Ok)
            QVERIFY2(bitmap == blank, "a failed frame left pixels behind");
    }
    image.RotateFlip(1);
    (void)image.DecodeFrame(QSize(13, 17), out);
    (void)ReadFrameDelays(image);
}

// Leaves the given byte in heap blocks of the sizes small pictures take, so that a decode
// that reads memory it never wrote comes out differently the next time.
void DirtyHeap(char value)
{
    std::vector<std::unique_ptr<char[]>> blocks;
    for (size_t size = 64; size <= 96 * 1024; size += size / 2 + 16) {
        blocks.emplace_back(new char[size]);
        std::memset(blocks.back().get(), value, size);
    }
}

// Every frame of the file at full size, each loaded afresh.
QList<QImage> DecodeAll(const QByteArray &bytes)
{
    QList<QImage> frames;
    GpImage image = GpImage::LoadFromMemory(bytes);
    for (int frame = 0; image.IsLoaded() && frame < qMin(image.FrameCount(), 4); ++frame) {
        image.SelectActiveFrame(frame);
        QImage out;
        (void)image.DecodeFrame(QSize(), out);
        frames.append(out);
    }
    return frames;
}

QByteArray TiffHeader(quint32 width, quint32 height)
{
    QByteArray out("II*\0", 4);
    PutLE(out, 8, 4);
    const QList<std::array<quint32, 4>> entries = {
        {256, 4, 1, width}, {257, 4, 1, height}, {258, 3, 1, 8}, {259, 3, 1, 1},
        {262, 3, 1, 1},     {273, 4, 1, 200},    {278, 4, 1, height}, {279, 4, 1, 16},
    };
    PutLE(out, quint32(entries.size()), 2);
    for (const auto &e : entries) {
        PutLE(out, e[0], 2);
        PutLE(out, e[1], 2);
        PutLE(out, e[2], 4);
        PutLE(out, e[3], 4);
    }
    PutLE(out, 0, 4);
    out.append(QByteArray(16, '\x55'));
    return out;
}

QByteArray BmpHeader(qint32 width, qint32 height, int bpp)
{
    QByteArray out("BM");
    PutLE(out, 54 + 64, 4);
    PutLE(out, 0, 4);
    PutLE(out, 54, 4);
    PutLE(out, 40, 4);
    PutLE(out, quint32(width), 4);
    PutLE(out, quint32(height), 4);
    PutLE(out, 1, 2);
    PutLE(out, quint32(bpp), 2);
    PutLE(out, 0, 4);
    PutLE(out, 0, 4);
    out.append(QByteArray(16, '\0'));
    out.append(QByteArray(64, '\x7F'));
    return out;
}

QByteArray JpegFrameHeader(quint16 width, quint16 height)
{
    // SOI, a baseline frame header of one component, then end of image: no scan at all.
    QByteArray out("\xFF\xD8\xFF\xC0\x00\x0B\x08", 7);
    out.append(char(height >> 8)).append(char(height & 0xFF)).append(char(width >> 8)).append(char(width & 0xFF));
    out.append("\x01\x01\x11\x00\xFF\xD9", 6);
    return out;
}

QByteArray GifScreen(quint16 width, quint16 height)
{
    QByteArray gif = SolidGif(2, 2, {qRgb(1, 2, 3)}, {5});
    gif[6] = char(width & 0xFF);
    gif[7] = char(width >> 8);
    gif[8] = char(height & 0xFF);
    gif[9] = char(height >> 8);
    return gif;
}

QList<std::pair<QString, QByteArray>> ValidFiles()
{
    const QImage picture = PhotoLike(48, 32);
    QList<QByteArray> frames;
    for (int f = 0; f < 3; ++f)
        frames.append(QByteArray(48 * 32, char(f)));
    return {
        {"bmp", Encode(picture, "bmp")},
        {"bmp-rle8", MakeRleBmp(4, 2, 8, {0, 0xFF0000}, QByteArray("\x04\x01\x00\x00\x04\x01\x00\x01", 8))},
        {"jpeg", Encode(picture, "jpeg", 80)},
        {"png", Encode(picture, "png")},
        {"tiff", Encode(picture, "tiff")},
        {"ico", Encode(picture.convertToFormat(QImage::Format_ARGB32), "ico")},
        {"gif", MakeGif(48, 32, {0xFF0000, 0x00FF00, 0x0000FF}, frames, {10, 10, 10})},
    };
}

} // namespace

class TestDamaged : public QObject
{
    Q_OBJECT

    quint32 mToken = 0;

private slots:
    void initTestCase() { QCOMPARE(GdiplusStartup(mToken), GdiplusOk); }
    void cleanupTestCase() { GdiplusShutdown(mToken); }

    void hostile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("expect");
        QTest::newRow("png-header-100000-square") << PngHeaderOnly(100000, 100000) << int(FailLoad);
        QTest::newRow("png-header-2^31-wide") << PngHeaderOnly(0x7FFFFFFF, 1) << int(FailLoad);
        QTest::newRow("png-header-zero") << PngHeaderOnly(0, 0) << int(FailLoad);
        QTest::newRow("png-header-30000-square-no-data") << PngHeaderOnly(30000, 30000) << int(NoPicture);
        QTest::newRow("png-header-100-square-no-data") << PngHeaderOnly(100, 100) << int(NoPicture);
        QTest::newRow("bmp-60000-square-no-data") << BmpHeader(60000, 60000, 24) << int(NoPicture);
        QTest::newRow("bmp-70000-wide") << BmpHeader(70000, 10, 24) << int(FailLoad);
        QTest::newRow("bmp-negative-width") << BmpHeader(-10, 10, 24) << int(FailLoad);
        QTest::newRow("bmp-top-down-min-int") << BmpHeader(10, INT_MIN, 24) << int(FailLoad);
        QTest::newRow("bmp-depth-13") << BmpHeader(10, 10, 13) << int(FailLoad);
        QTest::newRow("tiff-100000-square") << TiffHeader(100000, 100000) << int(FailLoad);
        QTest::newRow("tiff-20000-square-16-bytes") << TiffHeader(20000, 20000) << int(NoPicture);
        QTest::newRow("jpeg-65500-square-no-scan") << JpegFrameHeader(65500, 65500) << int(NoPicture);
        QTest::newRow("jpeg-zero-size") << JpegFrameHeader(0, 0) << int(FailLoad);
        QTest::newRow("gif-screen-65535-square") << GifScreen(65535, 65535) << int(NoPicture);
        QTest::newRow("gif-header-only") << QByteArray("GIF89a") << int(FailLoad);
        QTest::newRow("gif-no-frames") << QByteArray("GIF89a\x02\x00\x02\x00\x00\x00\x00;", 14) << int(FailLoad);
        QTest::newRow("ico-entry-beyond-file")
            << QByteArray("\0\0\1\0\1\0\x10\x10\0\0\1\0\x20\0\x00\x01\0\0\xFF\xFF\0\0", 22) << int(NoPicture);
        QTest::newRow("ico-65535-entries") << QByteArray("\0\0\1\0\xFF\xFF", 6) << int(FailLoad);
        // RLE runs that reach past the row and the last row, and a delta far outside.
        QTest::newRow("rle8-overrun") << MakeRleBmp(4, 2, 8, {0, 0xFF0000},
                                                   QByteArray("\xFF\x01\xFF\x01\x00\x02\xFF\xFF\xFF\x01\x00\x01", 12))
                                      << int(Either);
        QTest::newRow("rle4-absolute-overrun")
            << MakeRleBmp(4, 2, 4, {0, 0xFF0000}, QByteArray("\x00\xFF\x11\x11", 4)) << int(Either);
        QByteArray lzwGarbage = SolidGif(16, 16, {0xFF0000, 0x00FF00}, {5, 5});
        for (qsizetype i = 800; i < lzwGarbage.size() - 20; i += 3)
            lzwGarbage[i] = char(0xFF);
        QTest::newRow("gif-lzw-garbage") << lzwGarbage << int(Either);
    }
    void hostile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, expect);
        QElapsedTimer timer;
        timer.start();
        GpImage image = GpImage::LoadFromMemory(bytes);
        if (expect == FailLoad) {
            QVERIFY2(!image.IsLoaded(), "loaded");
            QVERIFY(image.Status() != GpStatus::Ok);
            return;
        }
        if (expect == NoPicture && image.IsLoaded()) {
            QImage out;
            QVERIFY(image.DecodeFrame(QSize(), out) != GpStatus::Ok);
            QVERIFY(out.isNull());
            QVERIFY(image.DecodeFrame(QSize(64, 64), out) != GpStatus::Ok);
        }
        if (image.IsLoaded())
            Exercise(image);
        QVERIFY2(timer.elapsed() < 20000, "took too long");
    }

    // Every valid file cut short at many lengths and with header bytes overwritten.
    void truncatedAndCorrupted_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        for (const auto &[name, bytes] : ValidFiles()) {
            const qsizetype n = bytes.size();
            for (qsizetype cut : {qsizetype(0), qsizetype(1), qsizetype(2), qsizetype(5), qsizetype(9), qsizetype(16),
                                  qsizetype(30), qsizetype(60), n / 4, n / 2, n * 3 / 4, n - 16, n - 1}) {
                if (cut >= 0 && cut < n)
                    QTest::addRow("%s-cut-%lld", qPrintable(name), qlonglong(cut)) << bytes.left(cut);
            }
            for (qsizetype at = 0; at < qMin<qsizetype>(n, 80); ++at) {
                for (char value : {char(0x00), char(0xFF)}) {
                    QByteArray damaged = bytes;
                    if (damaged[at] == value)
                        continue;
                    damaged[at] = value;
                    QTest::addRow("%s-byte-%lld-%02x", qPrintable(name), qlonglong(at), quint8(value)) << damaged;
                }
            }
        }
    }
    void truncatedAndCorrupted()
    {
        QFETCH(QByteArray, bytes);
        GpImage image = GpImage::LoadFromMemory(bytes);
        if (!image.IsLoaded()) {
            QVERIFY(image.Status() != GpStatus::Ok);
            QCOMPARE(image.Size(), QSize(0, 0));
            return;
        }
        QVERIFY(image.Width() > 0 && image.Height() > 0);
        Exercise(image);

        // No picture depends on memory the decoder did not write.
        DirtyHeap(0x00);
        const QList<QImage> first = DecodeAll(bytes);
        DirtyHeap(char(0xA5));
        QVERIFY2(DecodeAll(bytes) == first, "two decodes of the same bytes differ");
    }

    void cutHeadersFailToLoad_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        for (const auto &[name, bytes] : ValidFiles())
            QTest::newRow(qPrintable(name)) << bytes.left(5);
    }
    void cutHeadersFailToLoad()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!GpImage::LoadFromMemory(bytes).IsLoaded());
    }
};

MV_TEST_MAIN(TestDamaged)
#include "tst_damaged.moc"
