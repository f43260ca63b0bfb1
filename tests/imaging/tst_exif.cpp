#include "exiffixture.h"
#include "fixtures.h"
#include "imaging/codec.h"
#include "imaging/exif.h"
#include "imaging/gdiplus.h"
#include "testutil.h"

#include <QRandomGenerator>

#include <vector>

using namespace mv;
using namespace mv::test;

namespace {

// Exactly the bytes given, with nothing after them: a read past the end is a fault the
// address sanitizer sees (a QByteArray of its own would carry a terminating zero).
struct ExactBytes {
    std::vector<char> storage;
    explicit ExactBytes(const QByteArray &bytes) : storage(bytes.begin(), bytes.end()) {}
    QByteArray view() const { return QByteArray::fromRawData(storage.data(), qsizetype(storage.size())); }
};

QImage Apply(const QImage &image, PictureTurn turn)
{
    QImage out = image.transformed(QTransform().rotate(90.0 * turn.quarterTurns));
    return turn.flip ? out.mirrored(true, false) : out;
}

// The colours of the four quadrants, sampled at their middles.
QList<QRgb> QuadrantColours(const QImage &image)
{
    const int w = image.width(), h = image.height();
    QList<QRgb> colours;
    for (const QPoint p : {QPoint(w / 4, h / 4), QPoint(3 * w / 4, h / 4), QPoint(w / 4, 3 * h / 4),
                           QPoint(3 * w / 4, 3 * h / 4)}) {
        const QRgb c = image.pixel(p);
        // Snap to the fixture's pure colours, so that JPEG noise does not matter.
        colours << qRgb(qRed(c) > 128 ? 255 : 0, qGreen(c) > 128 ? 255 : 0, qBlue(c) > 128 ? 255 : 0);
    }
    return colours;
}

const QList<QRgb> Upright{qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 255)};

} // namespace

class TestExif : public QObject
{
    Q_OBJECT
    quint32 mToken = 0;
    QByteArray mJpeg;

private slots:
    void initTestCase()
    {
        QCOMPARE(GdiplusStartup(mToken), GdiplusOk);
        mJpeg = Encode(Quadrants(64, 48), "jpeg", 95);
        QVERIFY(mJpeg.startsWith("\xFF\xD8"));
    }
    void cleanupTestCase() { GdiplusShutdown(mToken); }

    void readsOrientation_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("orientation");
        for (int o = 1; o <= 8; ++o) {
            QTest::addRow("little-endian %d", o) << WithExif(mJpeg, ExifTags::Of(o)) << o;
            QTest::addRow("big-endian %d", o)
                << WithExif(mJpeg, ExifTags::Of(o).BigEndian().Make("Cam").Thumbnail()) << o;
        }
        QTest::newRow("no EXIF") << mJpeg << 1;
        QTest::newRow("no orientation entry") << WithExif(mJpeg, ExifTags::Of(6).Make("Cam").NoOrientation()) << 1;
        QTest::newRow("orientation 0") << WithExif(mJpeg, ExifTags::Of(0)) << 1;
        QTest::newRow("orientation 9") << WithExif(mJpeg, ExifTags::Of(9)) << 1;
        QTest::newRow("orientation as LONG") << WithExif(mJpeg, ExifTags::Of(6).Type(4)) << 1;
        QTest::newRow("a TIFF file's own orientation") << ExifTiff(ExifTags::Of(8).BigEndian()) << 8;
        // An XMP segment first: the EXIF one after it still counts.
        QTest::newRow("after another APP1") << mJpeg.left(2) + App1("http://ns.adobe.com/xap/1.0/\0<x/>")
                                                  + WithExif(mJpeg, ExifTags::Of(6)).mid(2)
                                            << 6;
        QTest::newRow("after image data started") << mJpeg + WithExif(mJpeg, ExifTags::Of(6)).mid(2) << 1;
        QByteArray longSegment = WithExif(mJpeg, ExifTags::Of(6));
        longSegment[4] = char(0x7F); // the APP1 length runs past the file
        QTest::newRow("segment longer than the file") << longSegment.left(300) << 1;
        QByteArray farIfd = WithExif(mJpeg, ExifTags::Of(6));
        farIfd[4 + 2 + 6 + 4] = char(0xF0); // first directory far beyond the block
        QTest::newRow("directory beyond the block") << farIfd << 1;
        QByteArray manyEntries = WithExif(mJpeg, ExifTags::Of(6));
        manyEntries[4 + 2 + 6 + 8 + 1] = char(0x7F); // 32 000 entries said, one there
        QTest::newRow("entry count beyond the block") << manyEntries << 6;
        QTest::newRow("cut inside the entry") << WithExif(mJpeg, ExifTags::Of(6)).left(4 + 2 + 6 + 8 + 2 + 9) << 1;
        QTest::newRow("start marker only") << QByteArray("\xFF\xD8", 2) << 1;
        QTest::newRow("zero-length segment") << QByteArray("\xFF\xD8\xFF\xE1\x00\x00Exif", 10) << 1;
        QTest::newRow("empty") << QByteArray() << 1;
    }
    void readsOrientation()
    {
        QFETCH(QByteArray, data);
        const ExactBytes exact(data);
        QCOMPARE(ReadExifOrientation(exact.view()), MV_FETCH(int, orientation));
    }

    // Any damage of the header gives an answer from 1 to 8 and reads nothing beyond the
    // bytes given (the sanitizer build checks the reads). The EXIF block ends where the data
    // ends, so that a read past the block is a read past the data.
    void hostileHeadersNeverOverRead_data()
    {
        QTest::addColumn<QByteArray>("good");
        const ExifTags tags = ExifTags::Of(6).BigEndian().Make("Camera maker").Thumbnail();
        QTest::newRow("JPEG") << WithExif(QByteArray("\xFF\xD8", 2), tags);
        QTest::newRow("TIFF") << ExifTiff(ExifTags::Of(3).Make("Camera maker").Thumbnail());
    }
    void hostileHeadersNeverOverRead()
    {
        QFETCH(QByteArray, good);
        QRandomGenerator random(11);
        for (int round = 0; round < 4000; ++round) {
            QByteArray bytes = good;
            const int changes = 1 + int(random.bounded(6u));
            for (int i = 0; i < changes; ++i)
                bytes[int(random.bounded(quint32(bytes.size())))] = char(random.bounded(256u));
            if (round % 2)
                bytes.truncate(int(random.bounded(quint32(bytes.size() + 1))));
            const ExactBytes exact(bytes);
            const int o = ReadExifOrientation(exact.view());
            QVERIFY(o >= 1 && o <= 8);
            ExactBytes writable(bytes);
            QByteArray view = QByteArray::fromRawData(writable.storage.data(), qsizetype(writable.storage.size()));
            ResetExifOrientation(view, true); // writes into a copy of its own: a detach
            QCOMPARE(view.size(), bytes.size());
        }
    }

    void resetKeepsEveryOtherByte_data()
    {
        QTest::addColumn<bool>("bigEndian");
        QTest::addColumn<bool>("dropThumbnail");
        QTest::newRow("little-endian") << false << false;
        QTest::newRow("big-endian, thumbnail unlinked") << true << true;
    }
    void resetKeepsEveryOtherByte()
    {
        QFETCH(bool, dropThumbnail);
        const ExifTags tags = ExifTags::Of(6).BigEndian(MV_FETCH(bool, bigEndian)).Make("Cam").Thumbnail();
        const QByteArray before = WithExif(mJpeg, tags);
        QByteArray after = before;
        QVERIFY(ResetExifOrientation(after, dropThumbnail));
        QCOMPARE(ReadExifOrientation(after), 1);
        QCOMPARE(after.size(), before.size());
        int changed = 0;
        for (int i = 0; i < before.size(); ++i)
            changed += before[i] != after[i];
        QCOMPARE(changed, dropThumbnail ? 2 : 1); // the value's low byte, and the link's
        QVERIFY(after.contains("Cam"));

        QByteArray plain = mJpeg;
        QVERIFY(!ResetExifOrientation(plain, true));
        QCOMPARE(plain, mJpeg);
    }

    // Every orientation shows the picture upright, for every consumer of the codec.
    void codecShowsUpright_data()
    {
        QTest::addColumn<int>("orientation");
        for (int o = 1; o <= 8; ++o)
            QTest::addRow("%d", o) << o;
    }
    void codecShowsUpright()
    {
        QFETCH(int, orientation);
        const QImage upright = Quadrants(64, 48);
        QCOMPARE(QuadrantColours(ShowUpright(StoreForOrientation(upright, orientation), orientation)), Upright);
        const QByteArray stored = Encode(StoreForOrientation(upright, orientation), "jpeg", 95);
        const QByteArray file = WithExif(stored, ExifTags::Of(orientation).BigEndian(orientation % 2 == 0));
        GpImage image = GpImage::LoadFromMemory(file);
        QVERIFY(image.IsLoaded());
        QCOMPARE(image.Size(), QSize(64, 48));
        QImage shown;
        QCOMPARE(image.DecodeFrame(QSize(), shown), GpStatus::Ok);
        QCOMPARE(QuadrantColours(shown), Upright);
        // Reduced, as the canvas draws it.
        QImage bitmap(32, 24, QImage::Format_RGB32), scratch;
        QCOMPARE(image.DrawFrameInto(bitmap, Qt::black, scratch), GpStatus::Ok);
        QCOMPARE(QuadrantColours(bitmap), Upright);
        // A turn acts on the upright picture.
        QCOMPARE(image.RotateFlip(Rotate90FlipNone), GpStatus::Ok);
        QCOMPARE(image.DecodeFrame(QSize(), shown), GpStatus::Ok);
        QCOMPARE(shown.size(), QSize(48, 64));
        QCOMPARE(QuadrantColours(shown), (QList<QRgb>{Upright[2], Upright[0], Upright[3], Upright[1]}));
    }

    void turnsCompose()
    {
        const QImage picture = Quadrants(6, 4);
        for (int o = 1; o <= 8; ++o) {
            const PictureTurn turn = ExifOrientationTurn(o);
            QCOMPARE(Apply(picture, turn), ShowUpright(picture, o));
            for (int code = 0; code < 4; ++code) {
                const QImage expected = Apply(Apply(picture, turn), {code, false});
                QCOMPARE(Apply(picture, ThenTurn(turn, code)), expected);
            }
        }
        QCOMPARE(ExifOrientationTurn(0), PictureTurn{});
        QCOMPARE(ExifOrientationTurn(-3), PictureTurn{});
        QCOMPARE(ThenTurn({1, false}, -1), PictureTurn{});
    }
};

MV_TEST_MAIN(TestExif)
#include "tst_exif.moc"
