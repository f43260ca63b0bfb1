#include "fixtures.h"
#include "imaging/gdiplus.h"
#include "testutil.h"

#include <QFloat16>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <tiffio.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <unistd.h>

using namespace mv;
using namespace mv::test;

// TIFF through the codec layer, on files that libtiff writes here: every layout of
// samples that cameras, scanners and scientific programs produce, BigTIFF, several pages,
// reduced-resolution pages, and damaged files.

namespace {

// What one page holds. Samples come from sample(x, y, channel) as raw values of the
// sample type (integers as they are, floats as their value).
struct Page {
    int width = 24;
    int height = 16;
    int photometric = PHOTOMETRIC_RGB;
    int bits = 8;
    int format = SAMPLEFORMAT_UINT;
    int samples = 3;
    int extra = 0;                      // extra samples (alpha) among samples
    int extraKind = EXTRASAMPLE_UNASSALPHA;
    int planar = PLANARCONFIG_CONTIG;
    int compression = COMPRESSION_NONE;
    int predictor = 0;
    int rowsPerStrip = 5;
    int tile = 0;                       // tile side; 0: strips
    int orientation = ORIENTATION_TOPLEFT;
    int subfileType = 0;
    int subIfds = 0;                    // the next pages written are SubIFDs of this one
    QList<quint16> colormap;            // 3 x 2^bits entries for palette pictures
    std::function<double(int, int, int)> sample;
};

// Packs one sample into a row of raw bytes: byte multiples in the machine's order (libtiff
// writes them as they are for the file's byte order), other widths MSB first.
void PutSample(QByteArray &row, qint64 index, int bits, int format, double value)
{
    if (bits % 8 == 0 && bits >= 16) {
        char bytes[8] = {};
        if (format == SAMPLEFORMAT_IEEEFP) {
            if (bits == 32) {
                const float f = float(value);
                std::memcpy(bytes, &f, 4);
            } else if (bits == 64) {
                std::memcpy(bytes, &value, 8);
            } else {
                const qfloat16 h = qfloat16(float(value));
                std::memcpy(bytes, &h, 2);
            }
        } else if (bits == 16) {
            const quint16 v = quint16(qint64(value));
            std::memcpy(bytes, &v, 2);
        } else {
            const quint32 v = quint32(qint64(value));
            std::memcpy(bytes, &v, 4);
        }
        std::memcpy(row.data() + index * (bits / 8), bytes, size_t(bits / 8));
        return;
    }
    const quint64 v = quint64(qint64(value)) & ((quint64(1) << bits) - 1);
    for (int b = 0; b < bits; ++b) {
        if (v >> (bits - 1 - b) & 1) {
            const qint64 bit = index * bits + b;
            row[bit / 8] = char(quint8(row.at(bit / 8)) | (0x80 >> (bit % 8)));
        }
    }
}

void SetFields(TIFF *tif, const Page &p)
{
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, p.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, p.height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, p.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, p.format);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, p.samples);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, p.photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, p.planar);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, p.compression);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, p.orientation);
    if (p.predictor)
        TIFFSetField(tif, TIFFTAG_PREDICTOR, p.predictor);
    if (p.subfileType)
        TIFFSetField(tif, TIFFTAG_SUBFILETYPE, p.subfileType);
    if (p.subIfds) {
        const QList<quint64> offsets(p.subIfds, 0); // filled in as they are written
        TIFFSetField(tif, TIFFTAG_SUBIFD, quint16(p.subIfds), offsets.constData());
    }
    if (p.extra) {
        const quint16 kinds[4] = {quint16(p.extraKind), EXTRASAMPLE_UNSPECIFIED, EXTRASAMPLE_UNSPECIFIED,
                                  EXTRASAMPLE_UNSPECIFIED};
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, p.extra, kinds);
    }
    if (!p.colormap.isEmpty()) {
        const qsizetype n = p.colormap.size() / 3;
        TIFFSetField(tif, TIFFTAG_COLORMAP, p.colormap.constData(), p.colormap.constData() + n,
                     p.colormap.constData() + 2 * n);
    }
    if (p.tile) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, p.tile);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, p.tile);
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, p.rowsPerStrip);
    }
}

// Writes the page's pixels through strips or tiles, each plane on its own when planar.
bool WritePixels(TIFF *tif, const Page &p)
{
    const bool separate = p.planar == PLANARCONFIG_SEPARATE;
    const int perPixel = separate ? 1 : p.samples;
    const int planes = separate ? p.samples : 1;
    const int bandHeight = p.tile ? p.tile : p.rowsPerStrip;
    const int bandWidth = p.tile ? p.tile : p.width;
    for (int plane = 0; plane < planes; ++plane) {
        for (int y0 = 0; y0 < p.height; y0 += bandHeight) {
            for (int x0 = 0; x0 < p.width; x0 += bandWidth) {
                const int rows = p.tile ? p.tile : qMin(bandHeight, p.height - y0);
                const qint64 rowBytes = (qint64(bandWidth) * perPixel * p.bits + 7) / 8;
                QByteArray band(rowBytes * rows, '\0');
                for (int r = 0; r < rows; ++r) {
                    QByteArray row(rowBytes, '\0');
                    for (int x = 0; x < bandWidth; ++x) {
                        for (int s = 0; s < perPixel; ++s) {
                            const int X = x0 + x, Y = y0 + r;
                            const double v = X < p.width && Y < p.height ? p.sample(X, Y, separate ? plane : s) : 0;
                            PutSample(row, qint64(x) * perPixel + s, p.bits, p.format, v);
                        }
                    }
                    band.replace(r * rowBytes, rowBytes, row);
                }
                const tmsize_t written =
                    p.tile ? TIFFWriteEncodedTile(tif, TIFFComputeTile(tif, x0, y0, 0, quint16(plane)), band.data(),
                                                  band.size())
                           : TIFFWriteEncodedStrip(tif, TIFFComputeStrip(tif, y0, quint16(plane)), band.data(),
                                                   band.size());
                if (written < 0)
                    return false;
            }
        }
    }
    return true;
}

void Quiet(const char *, const char *, va_list) {}

QByteArray WriteTiff(const QString &path, const QList<Page> &pages, const char *mode = "w")
{
    static const bool quiet = [] {
        TIFFSetWarningHandler(Quiet);
        return true;
    }();
    Q_UNUSED(quiet);
    TIFF *tif = TIFFOpen(QFile::encodeName(path).constData(), mode);
    if (!tif)
        return {};
    bool ok = true;
    for (const Page &p : pages) {
        SetFields(tif, p);
        ok = ok && WritePixels(tif, p) && TIFFWriteDirectory(tif);
    }
    TIFFClose(tif);
    return ok ? ReadBytes(path) : QByteArray();
}

// Grey levels of 16 bits from what the codec decodes.
QImage Grey16(const QByteArray &bytes, QSize size = QSize())
{
    GpImage image = GpImage::LoadFromMemory(bytes);
    QImage out;
    if (!image.IsLoaded() || image.DecodeFrame(size, out) != GpStatus::Ok)
        return {};
    return out.convertToFormat(QImage::Format_Grayscale16);
}

QImage Rgba64(const QByteArray &bytes, QSize size = QSize())
{
    GpImage image = GpImage::LoadFromMemory(bytes);
    QImage out;
    if (!image.IsLoaded() || image.DecodeFrame(size, out) != GpStatus::Ok)
        return {};
    return out.convertToFormat(QImage::Format_RGBA64);
}

// A colour picture of gradients in every channel, as raw values of bits bits.
double Gradient(int x, int y, int c, int bits)
{
    const double max = std::ldexp(1.0, bits) - 1;
    const double t = c == 0 ? x / 23.0 : c == 1 ? y / 15.0 : c == 2 ? (x + y) / 38.0 : 1.0 - x / 46.0;
    return std::round(t * max);
}

} // namespace

class TestTiff : public QObject
{
    Q_OBJECT

    quint32 mToken = 0;
    QTemporaryDir mDir;

    QString Path(const char *name) const { return mDir.filePath(QString::fromLatin1(name)); }

private slots:
    void initTestCase()
    {
        QVERIFY(mDir.isValid());
        QCOMPARE(GdiplusStartup(mToken), GdiplusOk);
    }
    void cleanupTestCase() { GdiplusShutdown(mToken); }

    // Colour layouts that libtiff's RGBA reader covers: each pixel within one step of 8 bits
    // of its raw value (and its alpha), whatever the depth, planes, tiles or compression.
    void colourLayouts_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("planar");
        QTest::addColumn<int>("compression");
        QTest::addColumn<int>("tile");
        QTest::addColumn<int>("extra");
        QTest::addColumn<bool>("bigTiff");
        const int contig = PLANARCONFIG_CONTIG, separate = PLANARCONFIG_SEPARATE;
        QTest::newRow("8 bits") << 8 << contig << int(COMPRESSION_NONE) << 0 << 0 << false;
        QTest::newRow("8 bits LZW") << 8 << contig << int(COMPRESSION_LZW) << 0 << 0 << false;
        QTest::newRow("8 bits deflate tiled") << 8 << contig << int(COMPRESSION_ADOBE_DEFLATE) << 16 << 0 << false;
        QTest::newRow("8 bits planar") << 8 << separate << int(COMPRESSION_NONE) << 0 << 0 << false;
        QTest::newRow("8 bits alpha") << 8 << contig << int(COMPRESSION_NONE) << 0 << 1 << false;
        QTest::newRow("16 bits") << 16 << contig << int(COMPRESSION_NONE) << 0 << 0 << false;
        QTest::newRow("16 bits planar") << 16 << separate << int(COMPRESSION_NONE) << 0 << 0 << false;
        QTest::newRow("16 bits planar LZW") << 16 << separate << int(COMPRESSION_LZW) << 0 << 0 << false;
        QTest::newRow("16 bits planar tiled") << 16 << separate << int(COMPRESSION_NONE) << 16 << 0 << false;
        QTest::newRow("16 bits planar alpha") << 16 << separate << int(COMPRESSION_NONE) << 0 << 1 << false;
        QTest::newRow("BigTIFF") << 8 << contig << int(COMPRESSION_NONE) << 0 << 0 << true;
        QTest::newRow("BigTIFF 16 bits planar tiled") << 16 << separate << int(COMPRESSION_LZW) << 16 << 1 << true;
    }
    void colourLayouts()
    {
        QFETCH(int, bits);
        QFETCH(int, extra);
        Page page;
        page.bits = bits;
        page.planar = MV_FETCH(int, planar);
        page.compression = MV_FETCH(int, compression);
        page.tile = MV_FETCH(int, tile);
        page.samples = 3 + extra;
        page.extra = extra;
        page.sample = [bits](int x, int y, int c) { return Gradient(x, y, c, bits); };
        const QByteArray bytes = WriteTiff(Path("colour.tif"), {page}, MV_FETCH(bool, bigTiff) ? "w8" : "w");
        QVERIFY(!bytes.isEmpty());
        GpImage image = GpImage::LoadFromMemory(bytes);
        QVERIFY2(image.IsLoaded(), qPrintable(image.ErrorString()));
        QCOMPARE(image.Format(), ImageFormat::Tiff);
        QCOMPARE(image.Size(), QSize(24, 16));
        QCOMPARE(image.FrameCount(), 1);
        const QImage out = Rgba64(bytes);
        QCOMPARE(out.size(), QSize(24, 16));
        const double max = std::ldexp(1.0, bits) - 1;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 24; ++x) {
                const QRgba64 p = reinterpret_cast<const QRgba64 *>(out.constScanLine(y))[x];
                const quint16 got[4] = {p.red(), p.green(), p.blue(), p.alpha()};
                for (int c = 0; c < 3 + extra; ++c) {
                    const double want = Gradient(x, y, c, bits) / max * 65535;
                    // Colour under alpha loses precision through premultiplication.
                    const double slack = c < 3 && extra ? 257.0 * 255 / qMax(1, got[3] >> 8) : 257;
                    QVERIFY2(std::abs(got[c] - want) <= slack,
                             qPrintable(QStringLiteral("(%1,%2) channel %3: %4, not %5").arg(x).arg(y).arg(c)
                                            .arg(got[c]).arg(want)));
                }
            }
        }
    }

    // Grey samples of any integer width or float type: integers over the full range of
    // their type, floats inside 0..1 as they are, other floats from their lowest to their
    // highest value; min-is-white turned over.
    void greyScaling_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("photometric");
        QTest::addColumn<double>("low");   // the raw range of the test pattern
        QTest::addColumn<double>("high");
        QTest::addColumn<double>("black"); // the raw values shown black and white
        QTest::addColumn<double>("white");
        const int u = SAMPLEFORMAT_UINT, s = SAMPLEFORMAT_INT, f = SAMPLEFORMAT_IEEEFP;
        const int mb = PHOTOMETRIC_MINISBLACK, mw = PHOTOMETRIC_MINISWHITE;
        QTest::newRow("4 bits") << 4 << u << mb << 0.0 << 15.0 << 0.0 << 15.0;
        QTest::newRow("8 bits") << 8 << u << mb << 0.0 << 255.0 << 0.0 << 255.0;
        QTest::newRow("12 bits") << 12 << u << mb << 0.0 << 4095.0 << 0.0 << 4095.0;
        QTest::newRow("12 bits, part of the range") << 12 << u << mb << 100.0 << 900.0 << 0.0 << 4095.0;
        QTest::newRow("16 bits") << 16 << u << mb << 0.0 << 65535.0 << 0.0 << 65535.0;
        QTest::newRow("16 bits min-is-white") << 16 << u << mw << 0.0 << 65535.0 << 65535.0 << 0.0;
        QTest::newRow("16 bits signed") << 16 << s << mb << -32768.0 << 32767.0 << -32768.0 << 32767.0;
        QTest::newRow("24 bits") << 24 << u << mb << 0.0 << 16777215.0 << 0.0 << 16777215.0;
        QTest::newRow("32 bits") << 32 << u << mb << 0.0 << 4294967295.0 << 0.0 << 4294967295.0;
        QTest::newRow("32 bits signed") << 32 << s << mb << -2147483648.0 << 2147483647.0 << -2147483648.0
                                        << 2147483647.0;
        QTest::newRow("float 0..1") << 32 << f << mb << 0.0 << 1.0 << 0.0 << 1.0;
        QTest::newRow("float, dark part of 0..1") << 32 << f << mb << 0.1 << 0.4 << 0.0 << 1.0;
        QTest::newRow("float elevations") << 32 << f << mb << -120.5 << 3400.25 << -120.5 << 3400.25;
        QTest::newRow("float min-is-white") << 32 << f << mw << 0.0 << 1.0 << 1.0 << 0.0;
        QTest::newRow("double") << 64 << f << mb << 0.0 << 1.0 << 0.0 << 1.0;
        QTest::newRow("half float") << 16 << f << mb << 0.0 << 1.0 << 0.0 << 1.0;
    }
    void greyScaling()
    {
        QFETCH(int, bits);
        QFETCH(int, format);
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(double, black);
        QFETCH(double, white);
        const bool isFloat = format == SAMPLEFORMAT_IEEEFP;
        Page page;
        page.photometric = MV_FETCH(int, photometric);
        page.bits = bits;
        page.format = format;
        page.samples = 1;
        page.compression = bits % 8 == 0 ? COMPRESSION_ADOBE_DEFLATE : COMPRESSION_NONE;
        // Every pixel its own level, from low (top left) to high (bottom right).
        const auto raw = [=](int x, int y) {
            const double t = (y * 24 + x) / double(24 * 16 - 1);
            const double v = low + t * (high - low);
            return isFloat ? v : std::round(v);
        };
        page.sample = [=](int x, int y, int) { return raw(x, y); };
        const QByteArray bytes = WriteTiff(Path("grey.tif"), {page});
        QVERIFY(!bytes.isEmpty());
        const QImage out = Grey16(bytes);
        QCOMPARE(out.size(), QSize(24, 16));
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 24; ++x) {
                const double value = isFloat && bits == 16 ? double(qfloat16(float(raw(x, y)))) : raw(x, y);
                const double want = (value - black) / (white - black) * 65535;
                const int got = reinterpret_cast<const quint16 *>(out.constScanLine(y))[x];
                // 16-bit output: within one step, or a few where the source is coarser.
                const double slack = 1.01;
                QVERIFY2(std::abs(got - want) <= slack,
                         qPrintable(QStringLiteral("(%1,%2): %3, not %4").arg(x).arg(y).arg(got).arg(want)));
            }
        }
    }

    // Grey with alpha, and non-finite floats (not a number black, infinities at the ends).
    void greyAlphaAndNonFinite()
    {
        Page page;
        page.photometric = PHOTOMETRIC_MINISBLACK;
        page.bits = 32;
        page.format = SAMPLEFORMAT_IEEEFP;
        page.samples = 2;
        page.extra = 1;
        page.sample = [](int x, int, int c) {
            if (c == 1)
                return x < 12 ? 1.0 : 0.0;
            return x == 0 ? std::nan("") : x == 1 ? HUGE_VAL : x == 2 ? -HUGE_VAL : x / 23.0;
        };
        const QImage out = Rgba64(WriteTiff(Path("grey-alpha.tif"), {page}));
        QVERIFY(!out.isNull());
        const auto at = [&](int x) { return reinterpret_cast<const QRgba64 *>(out.constScanLine(3))[x]; };
        QCOMPARE(at(0).alpha(), quint16(65535));
        QCOMPARE(at(0).red(), quint16(0));
        QCOMPARE(at(1).red(), quint16(65535));
        QCOMPARE(at(2).red(), quint16(0));
        QVERIFY(std::abs(at(11).red() - 11 / 23.0 * 65535) <= 1);
        QCOMPARE(at(12).alpha(), quint16(0));
    }

    void paletteAndBilevel()
    {
        Page palette;
        palette.photometric = PHOTOMETRIC_PALETTE;
        palette.bits = 4;
        palette.samples = 1;
        for (int c = 0; c < 3; ++c)
            for (int i = 0; i < 16; ++i)
                palette.colormap.append(quint16(c == 0 ? i * 4369 : c == 1 ? 65535 - i * 4369 : 0x8080));
        palette.sample = [](int x, int, int) { return double(x % 16); };
        const QImage colours = Rgba64(WriteTiff(Path("palette.tif"), {palette}));
        QVERIFY(!colours.isNull());
        const QRgba64 p = reinterpret_cast<const QRgba64 *>(colours.constScanLine(0))[5];
        QCOMPARE(p.red() >> 8, 5 * 17);
        QCOMPARE(p.green() >> 8, 255 - 5 * 17);
        QCOMPARE(p.blue() >> 8, 0x80);

        Page fax;
        fax.photometric = PHOTOMETRIC_MINISWHITE;
        fax.bits = 1;
        fax.samples = 1;
        fax.compression = COMPRESSION_CCITTFAX4;
        fax.sample = [](int x, int y, int) { return double((x / 4 + y / 4) % 2); };
        const QImage bilevel = Grey16(WriteTiff(Path("fax.tif"), {fax}));
        QVERIFY(!bilevel.isNull());
        QCOMPARE(reinterpret_cast<const quint16 *>(bilevel.constScanLine(0))[0], quint16(65535)); // 0 is white
        QCOMPARE(reinterpret_cast<const quint16 *>(bilevel.constScanLine(0))[4], quint16(0));
    }

    // Photometric kinds of scanners, cameras and print: YCbCr in JPEG, CMYK.
    void otherPhotometrics()
    {
        const QImage quadrants = Quadrants(64, 48);
        const auto channel = [&quadrants](int x, int y, int c) {
            const QRgb p = quadrants.pixel(x, y);
            return double(c == 0 ? qRed(p) : c == 1 ? qGreen(p) : qBlue(p));
        };
        Page jpeg;
        jpeg.width = 64;
        jpeg.height = 48;
        jpeg.rowsPerStrip = 16;
        jpeg.compression = COMPRESSION_JPEG;
        jpeg.sample = channel;
        // libtiff takes RGB and stores YCbCr when asked to.
        const QString path = Path("ycbcr.tif");
        {
            TIFF *tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
            QVERIFY(tif);
            SetFields(tif, jpeg);
            TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
            TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
            TIFFSetField(tif, TIFFTAG_JPEGQUALITY, 95);
            const bool written = WritePixels(tif, jpeg) && TIFFWriteDirectory(tif);
            TIFFClose(tif);
            QVERIFY(written);
        }
        const QImage fromJpeg = Rgba64(ReadBytes(path)).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(fromJpeg.size(), QSize(64, 48));
        const auto near = [](QRgb a, QRgb b) {
            return qAbs(qRed(a) - qRed(b)) <= 12 && qAbs(qGreen(a) - qGreen(b)) <= 12 && qAbs(qBlue(a) - qBlue(b)) <= 12;
        };
        for (const QPoint p : {QPoint(10, 10), QPoint(50, 10), QPoint(10, 38), QPoint(50, 38)})
            QVERIFY2(near(fromJpeg.pixel(p), quadrants.pixel(p)), qPrintable(QString::number(fromJpeg.pixel(p), 16)));

        Page cmyk;
        cmyk.photometric = PHOTOMETRIC_SEPARATED;
        cmyk.samples = 4;
        // Left half magenta and yellow in full (red), right half black at half.
        cmyk.sample = [](int x, int, int c) { return x < 12 ? (c == 1 || c == 2 ? 255.0 : 0.0) : (c == 3 ? 128.0 : 0.0); };
        const QImage fromCmyk = Rgba64(WriteTiff(Path("cmyk.tif"), {cmyk})).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(fromCmyk.pixel(3, 3), qRgb(255, 0, 0));
        QVERIFY(near(fromCmyk.pixel(20, 3), qRgb(127, 127, 127)));
    }

    // The picture comes out as the orientation tag says it is to be seen.
    void orientation_data()
    {
        QTest::addColumn<int>("orientation");
        for (int o = 1; o <= 8; ++o)
            QTest::addRow("%d", o) << o;
    }
    void orientation()
    {
        QFETCH(int, orientation);
        // Stored: 4 x 2, red in the first stored pixel, blue in the last of the first row.
        Page page;
        page.width = 4;
        page.height = 2;
        page.orientation = orientation;
        page.sample = [](int x, int y, int c) {
            const QRgb colour = y == 0 && x == 0 ? qRgb(255, 0, 0) : y == 0 && x == 3 ? qRgb(0, 0, 255) : qRgb(0, 255, 0);
            return double(c == 0 ? qRed(colour) : c == 1 ? qGreen(colour) : qBlue(colour));
        };
        const QByteArray bytes = WriteTiff(Path("turned.tif"), {page});
        GpImage image = GpImage::LoadFromMemory(bytes);
        QVERIFY(image.IsLoaded());
        const bool transposed = orientation >= 5;
        QCOMPARE(image.Size(), transposed ? QSize(2, 4) : QSize(4, 2));
        QImage out;
        QCOMPARE(image.DecodeFrame(QSize(), out), GpStatus::Ok);
        out = out.convertToFormat(QImage::Format_RGB32);
        // Where the first stored pixel is seen: tag 1 top left, 2 top right, 3 bottom right,
        // 4 bottom left, 5 top left, 6 top right, 7 bottom right, 8 bottom left.
        const QSize s = out.size();
        const QPoint corners[4] = {{0, 0}, {s.width() - 1, 0}, {s.width() - 1, s.height() - 1}, {0, s.height() - 1}};
        const QPoint first = corners[(orientation - 1) % 4];
        QCOMPARE(out.pixel(first), qRgb(255, 0, 0));
        // The first stored row runs along the top or bottom edge (1-4) or a side (5-8).
        const QPoint last = transposed ? QPoint(first.x(), s.height() - 1 - first.y())
                                       : QPoint(s.width() - 1 - first.x(), first.y());
        QCOMPARE(out.pixel(last), qRgb(0, 0, 255));
    }

    // Several pages: the first is the picture; there are no frames in time.
    void multiPageShowsFirst()
    {
        Page first;
        first.sample = [](int, int, int c) { return c == 0 ? 255.0 : 0.0; };
        Page second = first;
        second.width = 50;
        second.height = 40;
        second.sample = [](int, int, int c) { return c == 2 ? 255.0 : 0.0; };
        GpImage image = GpImage::LoadFromMemory(WriteTiff(Path("pages.tif"), {first, second}));
        QVERIFY(image.IsLoaded());
        QCOMPARE(image.Size(), QSize(24, 16));
        QCOMPARE(image.FrameCount(), 1);
        QImage out;
        QCOMPARE(image.DecodeFrame(QSize(), out), GpStatus::Ok);
        QCOMPARE(out.convertToFormat(QImage::Format_RGB32).pixel(10, 10), qRgb(255, 0, 0));
        quint32 size = 0;
        QCOMPARE(image.GetPropertyItemSize(PropertyTagFrameDelay, size), GpStatus::PropertyNotFound);
    }

    // A smaller picture asked for: a reduced-resolution page of that size or larger is
    // decoded instead of the full one; a large picture is reduced while it is read.
    void reducedSize()
    {
        const auto colour = [](double r, double g, double b) {
            return [=](int, int, int c) { return c == 0 ? r : c == 1 ? g : b; };
        };
        Page full;
        full.width = 400;
        full.height = 300;
        full.rowsPerStrip = 16;
        full.compression = COMPRESSION_LZW;
        full.sample = colour(200, 100, 50);
        Page half = full;
        half.width = 200;
        half.height = 150;
        half.subfileType = FILETYPE_REDUCEDIMAGE;
        half.sample = colour(201, 101, 51); // told apart from the full page
        Page quarter = half;
        quarter.width = 100;
        quarter.height = 75;
        quarter.sample = colour(202, 102, 52);
        const QByteArray pyramid = WriteTiff(Path("pyramid.tif"), {full, half, quarter});
        GpImage image = GpImage::LoadFromMemory(pyramid);
        QVERIFY(image.IsLoaded());
        QCOMPARE(image.Size(), QSize(400, 300));
        QImage out;
        QCOMPARE(image.DecodeFrame(QSize(), out), GpStatus::Ok);
        QCOMPARE(out.convertToFormat(QImage::Format_RGB32).pixel(7, 7), qRgb(200, 100, 50));
        QCOMPARE(image.DecodeFrame(QSize(150, 112), out), GpStatus::Ok);
        QCOMPARE(out.size(), QSize(150, 112));
        QCOMPARE(out.convertToFormat(QImage::Format_RGB32).pixel(7, 7), qRgb(201, 101, 51));
        QCOMPARE(image.DecodeFrame(QSize(100, 75), out), GpStatus::Ok);
        QCOMPARE(out.convertToFormat(QImage::Format_RGB32).pixel(7, 7), qRgb(202, 102, 52));
        QCOMPARE(image.DecodeFrame(QSize(40, 30), out), GpStatus::Ok);
        QCOMPARE(out.size(), QSize(40, 30));

        // The same levels as SubIFDs of the first page, with a second page after them.
        Page withLevels = full;
        withLevels.subIfds = 2;
        Page second = full;
        second.width = 50;
        second.height = 50;
        second.sample = colour(0, 0, 0);
        GpImage nested = GpImage::LoadFromMemory(WriteTiff(Path("subifds.tif"), {withLevels, half, quarter, second}));
        QVERIFY(nested.IsLoaded());
        QCOMPARE(nested.Size(), QSize(400, 300));
        QCOMPARE(nested.DecodeFrame(QSize(150, 112), out), GpStatus::Ok);
        QCOMPARE(out.convertToFormat(QImage::Format_RGB32).pixel(7, 7), qRgb(201, 101, 51));
        QCOMPARE(nested.DecodeFrame(QSize(90, 60), out), GpStatus::Ok);
        QCOMPARE(out.convertToFormat(QImage::Format_RGB32).pixel(7, 7), qRgb(202, 102, 52));
        QCOMPARE(nested.DecodeFrame(QSize(), out), GpStatus::Ok);
        QCOMPARE(out.size(), QSize(400, 300));
        QCOMPARE(out.convertToFormat(QImage::Format_RGB32).pixel(7, 7), qRgb(200, 100, 50));
    }

    // Without a reduced page, a picture asked for at least twice smaller is averaged while
    // it is read: the same picture as the full decode scaled down, whatever the layout,
    // turn or edge blocks.
    void reducedWhileRead_data()
    {
        QTest::addColumn<int>("tile");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QSize>("target");
        QTest::newRow("strips") << 0 << 1 << QSize(160, 120);
        QTest::newRow("strips, uneven blocks") << 0 << 1 << QSize(150, 111);
        QTest::newRow("tiles") << 32 << 1 << QSize(160, 120);
        QTest::newRow("tiles, uneven blocks") << 48 << 1 << QSize(201, 97);
        QTest::newRow("turned on its side") << 0 << 6 << QSize(120, 160);
        QTest::newRow("flipped, tiles") << 32 << 3 << QSize(100, 75);
    }
    void reducedWhileRead()
    {
        QFETCH(QSize, target);
        Page photo;
        photo.width = 640;
        photo.height = 480;
        photo.rowsPerStrip = 7;
        photo.tile = MV_FETCH(int, tile);
        photo.orientation = MV_FETCH(int, orientation);
        photo.compression = COMPRESSION_LZW;
        const QImage source = PhotoLike(640, 480, 3);
        photo.sample = [&source](int x, int y, int c) {
            const QRgb p = source.pixel(x, y);
            return double(c == 0 ? qRed(p) : c == 1 ? qGreen(p) : qBlue(p));
        };
        GpImage image = GpImage::LoadFromMemory(WriteTiff(Path("photo.tif"), {photo}));
        QVERIFY(image.IsLoaded());
        QImage full, small;
        QCOMPARE(image.DecodeFrame(QSize(), full), GpStatus::Ok);
        QCOMPARE(image.DecodeFrame(target, small), GpStatus::Ok);
        QCOMPARE(small.size(), target);
        const QImage expected =
            full.convertToFormat(QImage::Format_RGB32).scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        small = small.convertToFormat(QImage::Format_RGB32);
        qint64 difference = 0;
        for (int y = 0; y < target.height(); ++y)
            for (int x = 0; x < target.width(); ++x)
                difference += qAbs(qGray(small.pixel(x, y)) - qGray(expected.pixel(x, y)));
        const double mean = difference / double(target.width() * target.height());
        QVERIFY2(mean < 3.0, qPrintable(QString::number(mean)));
    }

    // BigTIFF is told by its header, whatever the name.
    void bigTiffByContent()
    {
        Page page;
        page.sample = [](int x, int, int) { return double(x * 10); };
        for (const char *mode : {"w8", "w8b"}) {
            const QByteArray bytes = WriteTiff(Path("big.txt"), {page}, mode);
            QVERIFY(bytes.startsWith(QByteArrayLiteral("II+\0")) || bytes.startsWith(QByteArrayLiteral("MM\0+")));
            GpImage image = GpImage::LoadFromFile(Path("big.txt"));
            QVERIFY2(image.IsLoaded(), qPrintable(image.ErrorString()));
            QCOMPARE(image.Format(), ImageFormat::Tiff);
        }
    }

    // Damaged files fail or decode, the same way every time, and libtiff says nothing on
    // the console.
    void damaged()
    {
        Page page;
        page.width = 64;
        page.height = 48;
        page.rowsPerStrip = 8;
        page.compression = COMPRESSION_LZW;
        page.sample = [](int x, int y, int c) { return double((x * 3 + y * 5 + c * 40) & 0xFF); };
        Page grey = page;
        grey.photometric = PHOTOMETRIC_MINISBLACK;
        grey.samples = 1;
        grey.bits = 16;
        grey.sample = [](int x, int y, int) { return double(x * 1000 + y); };
        QList<QByteArray> files;
        for (const QByteArray &good : {WriteTiff(Path("d1.tif"), {page}), WriteTiff(Path("d2.tif"), {grey}),
                                       WriteTiff(Path("d3.tif"), {page}, "w8")}) {
            QVERIFY(!good.isEmpty());
            for (qsizetype cut : {qsizetype(8), qsizetype(20), good.size() / 3, good.size() / 2, good.size() - 200,
                                  good.size() - 1})
                files.append(good.left(cut));
            for (qsizetype at = 0; at < good.size(); at += qMax<qsizetype>(1, good.size() / 97)) {
                QByteArray bytes = good;
                bytes[at] = char(bytes.at(at) ^ 0x5A);
                files.append(bytes);
            }
        }

        // The console (standard error) goes to a file while the damaged files decode.
        QTemporaryFile console;
        QVERIFY(console.open());
        struct Redirect {
            int saved;
            explicit Redirect(int fd) : saved(dup(STDERR_FILENO))
            {
                std::fflush(stderr);
                dup2(fd, STDERR_FILENO);
            }
            ~Redirect()
            {
                std::fflush(stderr);
                dup2(saved, STDERR_FILENO);
                close(saved);
            }
        };
        auto redirect = std::make_unique<Redirect>(console.handle());
        int decoded = 0;
        for (const QByteArray &bytes : files) {
            GpImage a = GpImage::LoadFromMemory(bytes);
            GpImage b = GpImage::LoadFromMemory(bytes);
            QCOMPARE(a.IsLoaded(), b.IsLoaded());
            if (!a.IsLoaded())
                continue;
            QImage first, second;
            const GpStatus sa = a.DecodeFrame(QSize(), first);
            const GpStatus sb = b.DecodeFrame(QSize(), second);
            QCOMPARE(sa, sb);
            QCOMPARE(first, second);
            QCOMPARE(a.DecodeFrame(QSize(16, 12), first), b.DecodeFrame(QSize(16, 12), second));
            QCOMPARE(first, second);
            decoded += sa == GpStatus::Ok;
        }
        redirect.reset();
        const QByteArray said = ReadBytes(console.fileName());
        QVERIFY2(said.isEmpty(), said.left(400).constData());
        qInfo("%d of %lld damaged files decoded", decoded, qlonglong(files.size()));
    }
};

MV_TEST_MAIN(TestTiff)
#include "tst_tiff.moc"
