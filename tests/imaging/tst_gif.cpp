#include "fixtures.h"
#include "imaging/gdiplus.h"
#include "testutil.h"

#include <QColorSpace>
#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace mv;
using namespace mv::test;

// Animated GIF through the codec layer: frames composited over each other as their
// disposal says, against the GIF test suite's expected frames and against small files made
// here (frames off the screen, interlacing, palettes, full dictionaries, damage).

namespace {

QString SuiteFolder()
{
    return QStringLiteral(MIROVALE_TEST_DATA "/../../../shared/testdata/gif-test-suite");
}

const QRgb Clear = 0;
const QRgb Red = qRgb(255, 0, 0);
const QRgb Green = qRgb(0, 255, 0);
const QRgb Blue = qRgb(0, 0, 255);
const QRgb Black = qRgb(0, 0, 0);

// LZW as encoders write it: variable code width from minimum + 1 up to 12 bits; when the
// table is full either a clear code or (deferred clear) codes go on at 12 bits.
QByteArray Lzw(const QByteArray &indices, int minimum, bool clearWhenFull = true)
{
    QByteArray out;
    quint32 acc = 0;
    int filled = 0;
    const int clear = 1 << minimum;
    int bits = minimum + 1;
    int next = clear + 2;
    QHash<quint32, int> table;
    const auto put = [&](int code) {
        acc |= quint32(code) << filled;
        filled += bits;
        while (filled >= 8) {
            out.append(char(acc & 0xFF));
            acc >>= 8;
            filled -= 8;
        }
    };
    const auto widen = [&] {
        if (next == (1 << bits) && bits < 12)
            ++bits;
    };
    put(clear);
    int prefix = -1;
    for (const char c : indices) {
        const int byte = quint8(c);
        if (prefix < 0) {
            prefix = byte;
            continue;
        }
        const quint32 key = quint32(prefix) << 8 | quint32(byte);
        const auto found = table.constFind(key);
        if (found != table.constEnd()) {
            prefix = found.value();
            continue;
        }
        put(prefix);
        widen();
        if (next < 4096) {
            table.insert(key, next++);
        } else if (clearWhenFull) {
            put(clear);
            table.clear();
            bits = minimum + 1;
            next = clear + 2;
        }
        prefix = byte;
    }
    if (prefix >= 0) {
        put(prefix);
        widen();
    }
    put(clear + 1);
    if (filled > 0)
        out.append(char(acc & 0xFF));
    return out;
}

struct Frame {
    QRect rect;
    QByteArray indices;        // rect.width() x rect.height(), rows top to bottom
    int disposal = 1;
    int transparent = -1;
    QList<QRgb> local;         // a local colour table when not empty
    bool interlaced = false;
    quint16 delay = 10;
    bool clearWhenFull = true;
};

void PutPalette(QByteArray &out, const QList<QRgb> &palette, int entries)
{
    for (int i = 0; i < entries; ++i) {
        const QRgb c = palette.value(i, Black);
        out.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
    }
}

// Size field of a colour table that holds count entries.
int TableBits(qsizetype count)
{
    int bits = 0;
    while ((qsizetype(2) << bits) < count)
        ++bits;
    return bits;
}

QByteArray BuildGif(QSize screen, const QList<QRgb> &global, const QList<Frame> &frames)
{
    QByteArray out("GIF89a");
    PutLE(out, quint32(screen.width()), 2);
    PutLE(out, quint32(screen.height()), 2);
    const int globalBits = TableBits(global.size());
    out.append(char(global.isEmpty() ? 0x00 : 0x80 | 0x70 | globalBits)).append('\0').append('\0');
    if (!global.isEmpty())
        PutPalette(out, global, 2 << globalBits);
    for (const Frame &f : frames) {
        out.append("\x21\xF9\x04", 3);
        out.append(char(f.disposal << 2 | (f.transparent >= 0 ? 1 : 0)));
        PutLE(out, f.delay, 2);
        out.append(char(f.transparent >= 0 ? f.transparent : 0)).append('\0');
        out.append(',');
        PutLE(out, quint32(f.rect.x()), 2);
        PutLE(out, quint32(f.rect.y()), 2);
        PutLE(out, quint32(f.rect.width()), 2);
        PutLE(out, quint32(f.rect.height()), 2);
        const int localBits = TableBits(f.local.size());
        out.append(char((f.local.isEmpty() ? 0 : 0x80 | localBits) | (f.interlaced ? 0x40 : 0)));
        if (!f.local.isEmpty())
            PutPalette(out, f.local, 2 << localBits);
        QByteArray stored = f.indices;
        if (f.interlaced) {
            stored.clear();
            const int w = f.rect.width();
            for (const auto &[start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
                for (int y = start; y < f.rect.height(); y += step)
                    stored.append(f.indices.mid(qsizetype(y) * w, w));
        }
        out.append(char(8));
        const QByteArray codes = Lzw(stored, 8, f.clearWhenFull);
        for (qsizetype at = 0; at < codes.size(); at += 255) {
            const QByteArray block = codes.mid(at, 255);
            out.append(char(block.size())).append(block);
        }
        out.append('\0');
    }
    out.append(';');
    return out;
}

// A frame of one colour index.
Frame Solid(QRect rect, int index, int disposal = 1)
{
    Frame f;
    f.rect = rect;
    f.indices = QByteArray(qsizetype(rect.width()) * rect.height(), char(index));
    f.disposal = disposal;
    return f;
}

// Straight 8-bit colour; the colour of a fully transparent pixel does not count.
// No colour space: files that say how their colours are meant do not differ by that alone.
QImage Comparable(const QImage &image)
{
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    out.setColorSpace(QColorSpace());
    for (int y = 0; y < out.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            if (qAlpha(line[x]) == 0)
                line[x] = 0;
        }
    }
    return out;
}

QList<QImage> AllFrames(const QByteArray &bytes, int limit = 64)
{
    QList<QImage> frames;
    GpImage image = GpImage::LoadFromMemory(bytes);
    if (!image.IsLoaded())
        return frames;
    for (int i = 0; i < qMin(limit, image.FrameCount()); ++i) {
        QImage out;
        if (image.SelectActiveFrame(i) != GpStatus::Ok || image.DecodeFrame(QSize(), out) != GpStatus::Ok)
            break;
        frames.append(Comparable(out));
    }
    return frames;
}

} // namespace

class TestGif : public QObject
{
    Q_OBJECT

    quint32 mToken = 0;
    FailureFolder mFailures;
    int mSuiteFrames = 0;
    int mSuiteMatches = 0;

private slots:
    void initTestCase()
    {
        QCOMPARE(GdiplusStartup(mToken), GdiplusOk);
    }
    void cleanupTestCase()
    {
        GdiplusShutdown(mToken);
        if (mSuiteFrames > 0)
            qInfo("GIF suite: %d of %d frames match", mSuiteMatches, mSuiteFrames);
    }

    // Frame n of each file of the suite, selected straight or after the frames before it,
    // is the expected picture frames/<name>-<n>.png (frames/<name>.png for a still).
    void suite_data()
    {
        QTest::addColumn<QString>("gif");
        QTest::addColumn<int>("frame");
        QTest::addColumn<QString>("expected");
        const QDir folder(SuiteFolder());
        const QStringList names = folder.entryList({QStringLiteral("*.gif")}, QDir::Files, QDir::Name);
        if (names.isEmpty())
            QSKIP("the GIF suite is not beside the project (../shared/testdata/gif-test-suite)");
        const QRegularExpression numbered(QStringLiteral("^(.*)-(\\d+)\\.png$"));
        const QStringList references = QDir(folder.filePath(QStringLiteral("frames")))
                                           .entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
        for (const QString &reference : references) {
            const auto match = numbered.match(reference);
            const QString base = match.hasMatch() ? match.captured(1) : QFileInfo(reference).completeBaseName();
            const int frame = match.hasMatch() ? match.captured(2).toInt() : 0;
            if (!names.contains(base + QStringLiteral(".gif")))
                continue;
            QTest::newRow(qPrintable(reference)) << folder.filePath(base + QStringLiteral(".gif")) << frame
                                                 << folder.filePath(QStringLiteral("frames/") + reference);
        }
    }
    void suite()
    {
        QFETCH(QString, gif);
        QFETCH(int, frame);
        QFETCH(QString, expected);
        ++mSuiteFrames;
        const QImage reference = Comparable(QImage(expected));
        QVERIFY(!reference.isNull());
        GpImage image = GpImage::LoadFromFile(gif);
        QVERIFY2(image.IsLoaded(), qPrintable(image.ErrorString()));
        QVERIFY(frame < image.FrameCount());
        // Straight to the frame, then once more after stepping through from the start.
        for (int pass = 0; pass < 2; ++pass) {
            if (pass == 1) {
                for (int i = 0; i < frame; ++i) {
                    QImage ignored;
                    QCOMPARE(image.SelectActiveFrame(i), GpStatus::Ok);
                    QCOMPARE(image.DecodeFrame(QSize(), ignored), GpStatus::Ok);
                }
            }
            QCOMPARE(image.SelectActiveFrame(frame), GpStatus::Ok);
            QImage out;
            QCOMPARE(image.DecodeFrame(QSize(), out), GpStatus::Ok);
            const QImage actual = Comparable(out);
            if (actual != reference) {
                const QString path = mFailures.filePath(QFileInfo(expected).completeBaseName() + QStringLiteral("-actual.png"));
                actual.save(path);
                QFAIL(qPrintable(QStringLiteral("frame differs; actual picture: %1").arg(path)));
            }
        }
        ++mSuiteMatches;
    }

    void suiteDelays()
    {
        const QString path = SuiteFolder() + QStringLiteral("/animated_loop_variable_delay.gif");
        if (!QFileInfo::exists(path))
            QSKIP("the GIF suite is not beside the project");
        const FrameDelays delays = ReadFrameDelays(GpImage::LoadFromFile(path));
        QCOMPARE(delays.status, GpStatus::Ok);
        QCOMPARE(delays.milliseconds, (QList<int>{1000, 1000, 100, 1000}));
    }

    // A red screen, a green square at (1,1) with the disposal of the row, then a frame
    // elsewhere: the square's place shows what the disposal left.
    void disposal_data()
    {
        QTest::addColumn<int>("firstDisposal");
        QTest::addColumn<int>("disposal");
        QTest::addColumn<QRgb>("left");   // at the square's place in frame 2
        QTest::addColumn<QRgb>("corner"); // at (0,0) in frame 2
        QTest::newRow("unspecified") << 1 << 0 << Green << Red;
        QTest::newRow("keep") << 1 << 1 << Green << Red;
        QTest::newRow("background is transparent") << 1 << 2 << Clear << Red;
        QTest::newRow("previous") << 1 << 3 << Red << Red;
        QTest::newRow("previous of a cleared frame") << 2 << 3 << Clear << Clear;
        QTest::newRow("unknown disposal keeps") << 1 << 5 << Green << Red;
    }
    void disposal()
    {
        QFETCH(int, firstDisposal);
        QFETCH(int, disposal);
        QFETCH(QRgb, left);
        QFETCH(QRgb, corner);
        const QByteArray bytes = BuildGif(QSize(6, 4), {Black, Red, Green, Blue},
                                          {Solid(QRect(0, 0, 6, 4), 1, firstDisposal),
                                           Solid(QRect(1, 1, 2, 2), 2, disposal), Solid(QRect(4, 0, 2, 2), 3)});
        const QList<QImage> frames = AllFrames(bytes);
        QCOMPARE(frames.size(), 3);
        QCOMPARE(frames[0].pixel(1, 1), Red);
        QCOMPARE(frames[1].pixel(1, 1), Green);
        QCOMPARE(frames[1].pixel(0, 0), firstDisposal == 2 ? Clear : Red);
        QCOMPARE(frames[2].pixel(1, 1), left);
        QCOMPARE(frames[2].pixel(2, 2), left);
        QCOMPARE(frames[2].pixel(0, 0), corner);
        QCOMPARE(frames[2].pixel(4, 1), Blue);
        QCOMPARE(frames[2].pixel(3, 3), corner);
    }

    // Transparent pixels of a frame let the canvas through; local tables replace the global
    // one for their frame only; indices past a table leave the canvas as it is.
    void transparencyAndPalettes()
    {
        Frame second = Solid(QRect(0, 0, 4, 1), 0);
        second.indices = QByteArray("\x00\x01\x02\x07", 4);
        second.local = {Blue, Green, Red, Black};
        second.transparent = 1;
        Frame third = Solid(QRect(0, 0, 4, 1), 0);
        third.indices = QByteArray("\x02\x02\x05\x02", 4);
        third.transparent = 5;
        const QList<QImage> frames = AllFrames(BuildGif(QSize(4, 1), {Black, Red, Green, Blue},
                                                        {Solid(QRect(0, 0, 4, 1), 1), second, third}));
        QCOMPARE(frames.size(), 3);
        QCOMPARE(frames[1].pixel(0, 0), Blue);  // local entry 0
        QCOMPARE(frames[1].pixel(1, 0), Red);   // transparent: the red of frame 0
        QCOMPARE(frames[1].pixel(2, 0), Red);   // local entry 2
        QCOMPARE(frames[1].pixel(3, 0), Red);   // entry 7 is past the local table of 4
        QCOMPARE(frames[2].pixel(0, 0), Green); // the global table again
        QCOMPARE(frames[2].pixel(2, 0), Red);   // transparent
    }

    // Frames reaching past the screen are clipped; a frame wholly outside draws nothing.
    void framesOffTheScreen()
    {
        const QList<QImage> frames = AllFrames(BuildGif(
            QSize(5, 4), {Black, Red, Green, Blue},
            {Solid(QRect(3, 2, 4, 4), 1), Solid(QRect(60, 60, 9, 9), 2), Solid(QRect(0, 3, 9, 1), 3)}));
        QCOMPARE(frames.size(), 3);
        for (const QImage &f : frames)
            QCOMPARE(f.size(), QSize(5, 4));
        QCOMPARE(frames[0].pixel(2, 2), Clear);
        QCOMPARE(frames[0].pixel(3, 2), Red);
        QCOMPARE(frames[0].pixel(4, 3), Red);
        QCOMPARE(frames[1], frames[0]);
        QCOMPARE(frames[2].pixel(0, 3), Blue);
        QCOMPARE(frames[2].pixel(4, 3), Blue);
        QCOMPARE(frames[2].pixel(3, 2), Red);
    }

    // Rows of an interlaced frame land in their places, also in a frame that starts below
    // the top and where rows are fewer than a pass needs.
    void interlaced_data()
    {
        QTest::addColumn<int>("height");
        for (int h : {1, 2, 3, 5, 8, 13})
            QTest::addRow("%d rows", h) << h;
    }
    void interlaced()
    {
        QFETCH(int, height);
        QList<QRgb> palette;
        for (int i = 0; i < 16; ++i)
            palette.append(qRgb(i * 16, 255 - i * 16, i));
        Frame f;
        f.rect = QRect(1, 2, 3, height);
        f.interlaced = true;
        for (int y = 0; y < height; ++y)
            f.indices.append(QByteArray(3, char(y)));
        const QList<QImage> frames = AllFrames(BuildGif(QSize(4, 2 + height), palette, {f}));
        QCOMPARE(frames.size(), 1);
        for (int y = 0; y < height; ++y)
            QCOMPARE(frames[0].pixel(2, 2 + y), palette.at(y));
        QCOMPARE(frames[0].pixel(0, 2), Clear);
    }

    // Large frames of many colours fill the code table: with clear codes and with codes
    // going on at 12 bits (deferred clear), every index comes out.
    void fullCodeTable_data()
    {
        QTest::addColumn<bool>("clearWhenFull");
        QTest::newRow("clear code") << true;
        QTest::newRow("deferred clear") << false;
    }
    void fullCodeTable()
    {
        QFETCH(bool, clearWhenFull);
        QList<QRgb> palette;
        for (int i = 0; i < 256; ++i)
            palette.append(qRgb(i, (i * 7) & 0xFF, (i * 13) & 0xFF));
        Frame f;
        f.rect = QRect(0, 0, 120, 90);
        f.clearWhenFull = clearWhenFull;
        quint32 seed = 12345;
        for (int i = 0; i < 120 * 90; ++i) {
            seed = seed * 1103515245u + 12345u;
            // Runs and repeats, so that the table fills with long strings too.
            f.indices.append(char(i % 97 < 40 ? (i / 97) & 0xFF : (seed >> 16) & 0x3F));
        }
        const QList<QImage> frames = AllFrames(BuildGif(QSize(120, 90), palette, {f}));
        QCOMPARE(frames.size(), 1);
        for (int y = 0; y < 90; ++y)
            for (int x = 0; x < 120; ++x)
                QCOMPARE(frames[0].pixel(x, y), palette.at(quint8(f.indices.at(y * 120 + x))));
    }

    // A screen of no size takes the first frame's extent.
    void emptyScreenTakesFirstFrame()
    {
        GpImage image = GpImage::LoadFromMemory(BuildGif(QSize(0, 0), {Black, Red}, {Solid(QRect(2, 1, 3, 2), 1)}));
        QVERIFY2(image.IsLoaded(), qPrintable(image.ErrorString()));
        QCOMPARE(image.Size(), QSize(5, 3));
        QImage out;
        QCOMPARE(image.DecodeFrame(QSize(), out), GpStatus::Ok);
        QCOMPARE(Comparable(out).pixel(4, 2), Red);
        QCOMPARE(Comparable(out).pixel(0, 0), Clear);
    }

    // Damaged data: what decodes is shown, the rest of the frame stays as the canvas was,
    // and the same file gives the same pictures every time.
    void damaged_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("frames"); // frames that decode
        QList<QRgb> palette{Black, Red, Green, Blue};
        Frame noisy;
        noisy.rect = QRect(0, 0, 40, 30);
        for (int i = 0; i < 40 * 30; ++i)
            noisy.indices.append(char((i * 7 + i / 40) % 4));
        const QByteArray good = BuildGif(QSize(40, 30), palette, {Solid(QRect(0, 0, 40, 30), 1), noisy});
        QTest::newRow("cut in the last frame's data") << good.left(good.size() - 40) << 2;
        QByteArray codes = good;
        for (qsizetype at = good.size() - 60; at < good.size() - 10; at += 5)
            codes[at] = char(0xFF); // codes past the table
        QTest::newRow("bad codes") << codes << 2;
        QByteArray size = good;
        const qsizetype lzwSize = good.indexOf(',', 13 + 12) + 10; // first frame's minimum code size
        size[lzwSize] = char(12);
        QTest::newRow("code size 12") << size << 0;
        size[lzwSize] = char(0);
        QTest::newRow("code size 0") << size << 0;
        QByteArray huge = BuildGif(QSize(4, 4), palette, {Solid(QRect(0, 0, 4, 4), 1)});
        const qsizetype descriptor = huge.indexOf(',', 13 + 12);
        huge[descriptor + 5] = huge[descriptor + 6] = huge[descriptor + 7] = huge[descriptor + 8] = char(0xFF);
        QTest::newRow("frame of 65535 x 65535 on a small screen") << huge << 1;
        QTest::newRow("no table at all") << BuildGif(QSize(4, 4), {}, {Solid(QRect(0, 0, 4, 4), 1)}) << 1;
    }
    void damaged()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, frames);
        QElapsedTimer timer;
        timer.start();
        const QList<QImage> first = AllFrames(bytes);
        QCOMPARE(first.size(), frames);
        QCOMPARE(AllFrames(bytes), first);
        QVERIFY2(timer.elapsed() < 20000, "took too long");
    }
};

MV_TEST_MAIN(TestGif)
#include "tst_gif.moc"
