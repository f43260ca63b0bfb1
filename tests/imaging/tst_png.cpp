#include "fixtures.h"
#include "imaging/gdiplus.h"
#include "testutil.h"

#include <QColorSpace>
#include <QDir>
#include <QTemporaryDir>

#include <zlib.h>

using namespace mv;
using namespace mv::test;

// PNG through the codec layer against PngSuite and against a plain decoder of our own
// (inflate, unfilter, unpack, colour key), which reads every colour type and depth
// straight from the PNG standard (ISO/IEC 15948) and so shows what each pixel must be.

namespace {

QString SuiteFolder()
{
    return QStringLiteral(MIROVALE_TEST_DATA "/../../../shared/testdata/pngsuite");
}

quint32 BigEndian(const QByteArray &bytes, qsizetype at)
{
    quint32 v = 0;
    for (int i = 0; i < 4; ++i)
        v = v << 8 | quint8(bytes.at(at + i));
    return v;
}

// The plain decoder: every sample widened to 16 bits, straight (not premultiplied) alpha.
// A null picture for anything it does not understand.
QImage PlainPngDecode(const QByteArray &file)
{
    if (!file.startsWith("\x89PNG\r\n\x1A\n"))
        return {};
    quint32 width = 0, height = 0;
    int depth = 0, colourType = 0, interlace = 0;
    QByteArray palette, key, idat;
    for (qsizetype at = 8; at + 12 <= file.size();) {
        const quint32 length = BigEndian(file, at);
        const QByteArray type = file.mid(at + 4, 4);
        if (at + 12 + qint64(length) > file.size())
            return {};
        const QByteArray data = file.mid(at + 8, length);
        if (type == "IHDR") {
            width = BigEndian(data, 0);
            height = BigEndian(data, 4);
            depth = quint8(data.at(8));
            colourType = quint8(data.at(9));
            interlace = quint8(data.at(12));
        } else if (type == "PLTE") {
            palette = data;
        } else if (type == "tRNS") {
            key = data;
        } else if (type == "IDAT") {
            idat += data;
        } else if (type == "IEND") {
            break;
        }
        at += 12 + length;
    }
    const int channels = colourType == 0 ? 1 : colourType == 2 ? 3 : colourType == 3 ? 1 : colourType == 4 ? 2 : 4;
    const int bitsPerPixel = channels * depth;
    const int bytesPerPixel = qMax(1, bitsPerPixel / 8);
    if (width == 0 || height == 0 || width > 4096 || height > 4096)
        return {};

    // Adam7 passes, or one pass over everything.
    struct Pass {
        int x0, y0, dx, dy;
    };
    const QList<Pass> passes = interlace ? QList<Pass>{{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                                       {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}}
                                         : QList<Pass>{{0, 0, 1, 1}};
    qint64 rawSize = 0;
    for (const Pass &p : passes) {
        const qint64 w = (qint64(width) - p.x0 + p.dx - 1) / p.dx;
        const qint64 h = (qint64(height) - p.y0 + p.dy - 1) / p.dy;
        if (w > 0 && h > 0)
            rawSize += h * (1 + (w * bitsPerPixel + 7) / 8);
    }
    QByteArray raw(rawSize, '\0');
    uLongf rawLength = uLongf(rawSize);
    if (uncompress(reinterpret_cast<Bytef *>(raw.data()), &rawLength, reinterpret_cast<const Bytef *>(idat.constData()),
                   uLong(idat.size())) != Z_OK
        || qint64(rawLength) != rawSize)
        return {};

    const int maxSample = (1 << depth) - 1;
    const auto widen = [&](int v) { return quint16(qint64(v) * 65535 / maxSample); };
    QImage out(int(width), int(height), QImage::Format_RGBA64);
    out.fill(Qt::transparent);
    qsizetype at = 0;
    for (const Pass &p : passes) {
        const qint64 w = (qint64(width) - p.x0 + p.dx - 1) / p.dx;
        const qint64 h = (qint64(height) - p.y0 + p.dy - 1) / p.dy;
        if (w <= 0 || h <= 0)
            continue;
        const qint64 stride = (w * bitsPerPixel + 7) / 8;
        QByteArray previous(stride, '\0');
        for (qint64 row = 0; row < h; ++row) {
            const int filter = quint8(raw.at(at++));
            QByteArray line = raw.mid(at, stride);
            at += stride;
            for (qint64 i = 0; i < stride; ++i) {
                const int a = i >= bytesPerPixel ? quint8(line.at(i - bytesPerPixel)) : 0;
                const int b = quint8(previous.at(i));
                const int c = i >= bytesPerPixel ? quint8(previous.at(i - bytesPerPixel)) : 0;
                int predictor = 0;
                switch (filter) {
                case 1: predictor = a; break;
                case 2: predictor = b; break;
                case 3: predictor = (a + b) / 2; break;
                case 4: {
                    const int pa = qAbs(b - c), pb = qAbs(a - c), pc = qAbs(a + b - 2 * c);
                    predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
                    break;
                }
                default: break;
                }
                line[i] = char(quint8(line.at(i)) + predictor);
            }
            previous = line;
            const auto sample = [&](qint64 index) -> int { // index-th sample of the line
                if (depth == 16)
                    return quint8(line.at(2 * index)) << 8 | quint8(line.at(2 * index + 1));
                if (depth == 8)
                    return quint8(line.at(index));
                const qint64 bit = index * depth;
                return (quint8(line.at(bit / 8)) >> (8 - depth - bit % 8)) & maxSample;
            };
            for (qint64 x = 0; x < w; ++x) {
                int s[4];
                for (int k = 0; k < channels; ++k)
                    s[k] = sample(x * channels + k);
                QRgba64 pixel;
                switch (colourType) {
                case 0: {
                    const bool keyed = key.size() >= 2 && s[0] == (quint8(key.at(0)) << 8 | quint8(key.at(1)));
                    pixel = QRgba64::fromRgba64(widen(s[0]), widen(s[0]), widen(s[0]), keyed ? 0 : 65535);
                    break;
                }
                case 2: {
                    bool keyed = key.size() >= 6;
                    for (int k = 0; k < 3 && keyed; ++k)
                        keyed = s[k] == (quint8(key.at(2 * k)) << 8 | quint8(key.at(2 * k + 1)));
                    pixel = QRgba64::fromRgba64(widen(s[0]), widen(s[1]), widen(s[2]), keyed ? 0 : 65535);
                    break;
                }
                case 3: {
                    if (3 * s[0] + 2 >= palette.size())
                        return {};
                    const int alpha = s[0] < key.size() ? quint8(key.at(s[0])) : 255;
                    pixel = QRgba64::fromRgba64(quint8(palette.at(3 * s[0])) * 257, quint8(palette.at(3 * s[0] + 1)) * 257,
                                                quint8(palette.at(3 * s[0] + 2)) * 257, alpha * 257);
                    break;
                }
                case 4: pixel = QRgba64::fromRgba64(widen(s[0]), widen(s[0]), widen(s[0]), widen(s[1])); break;
                default: pixel = QRgba64::fromRgba64(widen(s[0]), widen(s[1]), widen(s[2]), widen(s[3])); break;
                }
                reinterpret_cast<QRgba64 *>(out.scanLine(int(p.y0 + row * p.dy)))[p.x0 + x * p.dx] = pixel;
            }
        }
    }
    return out;
}

// Straight 16-bit colour; the colour of a fully transparent pixel does not count.
// No colour space: files that say how their colours are meant do not differ by that alone.
QImage Comparable(const QImage &image)
{
    QImage out = image.convertToFormat(QImage::Format_RGBA64);
    out.setColorSpace(QColorSpace());
    for (int y = 0; y < out.height(); ++y) {
        auto *line = reinterpret_cast<QRgba64 *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            if (line[x].alpha() == 0)
                line[x] = QRgba64::fromRgba64(0, 0, 0, 0);
        }
    }
    return out;
}

QImage Decode(const QByteArray &bytes, GpStatus &status)
{
    GpImage image = GpImage::LoadFromMemory(bytes);
    if (!image.IsLoaded()) {
        status = image.Status();
        return {};
    }
    QImage out;
    status = image.DecodeFrame(QSize(), out);
    return out;
}

} // namespace

class TestPng : public QObject
{
    Q_OBJECT

    quint32 mToken = 0;
    FailureFolder mFailures;
    int mSuiteFiles = 0;
    int mSuiteMatches = 0;

private slots:
    void initTestCase()
    {
        QCOMPARE(GdiplusStartup(mToken), GdiplusOk);
    }
    void cleanupTestCase()
    {
        GdiplusShutdown(mToken);
        if (mSuiteFiles > 0)
            qInfo("PngSuite: %d of %d files decoded and matching the plain decode", mSuiteMatches, mSuiteFiles);
    }

    // Every file of the suite but the corrupt x* ones decodes to what the plain decoder
    // reads; the corrupt ones fail cleanly.
    void suite_data()
    {
        QTest::addColumn<QString>("path");
        const QDir folder(SuiteFolder());
        const QStringList names = folder.entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
        if (names.isEmpty())
            QSKIP("PngSuite is not beside the project (../shared/testdata/pngsuite)");
        for (const QString &name : names)
            QTest::newRow(qPrintable(name)) << folder.filePath(name);
    }
    void suite()
    {
        QFETCH(QString, path);
        const QByteArray bytes = ReadBytes(path);
        GpStatus status = GpStatus::Ok;
        const QImage decoded = Decode(bytes, status);
        if (QFileInfo(path).fileName().startsWith(QLatin1Char('x'))) {
            QVERIFY2(decoded.isNull(), "a corrupt file decoded");
            QVERIFY(status != GpStatus::Ok);
            return;
        }
        ++mSuiteFiles;
        QVERIFY2(!decoded.isNull(), qPrintable(QStringLiteral("status %1").arg(int(status))));
        const QImage expected = PlainPngDecode(bytes);
        QVERIFY2(!expected.isNull(), "the plain decoder cannot read it");
        const QImage actual = Comparable(decoded);
        if (actual != Comparable(expected)) {
            const QString out = mFailures.filePath(QFileInfo(path).completeBaseName() + QStringLiteral("-actual.png"));
            actual.save(out);
            QFAIL(qPrintable(QStringLiteral("differs from the plain decode; actual picture: %1").arg(out)));
        }
        ++mSuiteMatches;
    }

    // 16-bit pictures with a transparent colour: exactly the pixels of that colour are
    // transparent, whatever the colour type, interlacing, or place of the key.
    void sixteenBitColourKey_data()
    {
        QTest::addColumn<bool>("rgb");
        QTest::addColumn<bool>("interlaced");
        QTest::newRow("rgb") << true << false;
        QTest::newRow("rgb interlaced") << true << true;
        QTest::newRow("grey") << false << false;
        QTest::newRow("grey interlaced") << false << true;
    }
    void sixteenBitColourKey()
    {
        QFETCH(bool, rgb);
        QFETCH(bool, interlaced);
        // 9 x 5 pixels; the key colour differs from its neighbours only in the low byte.
        const int w = 9, h = 5;
        const quint16 keyValue[3] = {0x1234, 0x5678, 0x9ABC};
        QByteArray raw;
        const auto sampleAt = [&](int x, int y, int k) -> quint16 {
            if ((x + y) % 3 == 0)
                return rgb ? keyValue[k] : keyValue[0];
            if ((x + y) % 3 == 1)
                return quint16((rgb ? keyValue[k] : keyValue[0]) + 1); // one step off the key
            return quint16(x * 7000 + y * 900 + k * 3);
        };
        const int channels = rgb ? 3 : 1;
        const auto appendRow = [&](int y, int x0, int dx) {
            raw.append('\0');
            for (int x = x0; x < w; x += dx) {
                for (int k = 0; k < channels; ++k) {
                    raw.append(char(sampleAt(x, y, k) >> 8));
                    raw.append(char(sampleAt(x, y, k) & 0xFF));
                }
            }
        };
        if (interlaced) {
            const int passes[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                      {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
            for (const auto &p : passes) {
                if (p[0] >= w)
                    continue;
                for (int y = p[1]; y < h; y += p[3])
                    appendRow(y, p[0], p[2]);
            }
        } else {
            for (int y = 0; y < h; ++y)
                appendRow(y, 0, 1);
        }
        QByteArray header;
        for (quint32 v : {quint32(w), quint32(h)})
            for (int shift = 24; shift >= 0; shift -= 8)
                header.append(char((v >> shift) & 0xFF));
        header.append(char(16)).append(char(rgb ? 2 : 0)).append('\0').append('\0').append(char(interlaced ? 1 : 0));
        QByteArray key;
        for (int k = 0; k < channels; ++k)
            key.append(char(keyValue[k] >> 8)).append(char(keyValue[k] & 0xFF));
        QByteArray compressed(int(compressBound(uLong(raw.size()))), '\0');
        uLongf length = uLongf(compressed.size());
        QCOMPARE(compress(reinterpret_cast<Bytef *>(compressed.data()), &length,
                          reinterpret_cast<const Bytef *>(raw.constData()), uLong(raw.size())),
                 Z_OK);
        compressed.truncate(qsizetype(length));
        QByteArray png("\x89PNG\r\n\x1A\n", 8);
        AppendPngChunk(png, "IHDR", header);
        AppendPngChunk(png, "tRNS", key);
        AppendPngChunk(png, "IDAT", compressed);
        AppendPngChunk(png, "IEND", QByteArray());

        GpStatus status = GpStatus::Ok;
        const QImage decoded = Decode(png, status);
        QCOMPARE(status, GpStatus::Ok);
        QCOMPARE(decoded.size(), QSize(w, h));
        const QImage actual = decoded.convertToFormat(QImage::Format_RGBA64);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const QRgba64 p = reinterpret_cast<const QRgba64 *>(actual.constScanLine(y))[x];
                const bool keyed = (x + y) % 3 == 0;
                QVERIFY2(p.alpha() == (keyed ? 0 : 65535), qPrintable(QStringLiteral("alpha at %1,%2").arg(x).arg(y)));
                if (!keyed) {
                    QCOMPARE(p.red(), sampleAt(x, y, 0));
                    QCOMPARE(p.green(), sampleAt(x, y, rgb ? 1 : 0));
                    QCOMPARE(p.blue(), sampleAt(x, y, rgb ? 2 : 0));
                }
            }
        }
        // The same picture at a reduced size keeps its transparent pixels.
        GpImage image = GpImage::LoadFromMemory(png);
        QImage small;
        QCOMPARE(image.DecodeFrame(QSize(3, 2), small), GpStatus::Ok);
        QCOMPARE(small.size(), QSize(3, 2));
        QVERIFY(small.hasAlphaChannel());
    }

    // A damaged 16-bit keyed file fails cleanly or decodes, the same way every time.
    void damagedColourKeyFiles()
    {
        const QByteArray good = ReadBytes(SuiteFolder() + QStringLiteral("/tbbn2c16.png"));
        if (good.startsWith("<missing>"))
            QSKIP("PngSuite is not beside the project");
        QList<QByteArray> damaged;
        for (qsizetype cut : {qsizetype(40), good.size() / 2, good.size() - 13})
            damaged.append(good.left(cut));
        for (qsizetype at = 33; at < qMin<qsizetype>(good.size(), 120); at += 7) {
            QByteArray bytes = good;
            bytes[at] = char(~bytes.at(at));
            damaged.append(bytes);
        }
        for (const QByteArray &bytes : damaged) {
            GpStatus first = GpStatus::Ok, second = GpStatus::Ok;
            const QImage a = Decode(bytes, first);
            const QImage b = Decode(bytes, second);
            QCOMPARE(first, second);
            QCOMPARE(a, b);
        }
    }
};

MV_TEST_MAIN(TestPng)
#include "tst_png.moc"
