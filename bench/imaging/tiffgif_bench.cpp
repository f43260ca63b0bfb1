// Decode times of a large photo TIFF (6000 x 4000, 8-bit RGB, uncompressed and LZW) and a
// large animated GIF (1200 x 900, 24 frames) through the codec layer, beside Qt's own
// image plugins reading the same bytes. Prints the median and best of several runs.
//
// bench_tiffgif [RUNS]

#include "fixtures.h" // the tests' photo-like picture and GIF writer
#include "imaging/gdiplus.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImageReader>
#include <QTemporaryDir>

#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace mv;

namespace {

struct Figures {
    double median = 0;
    double best = 0;
};

Figures Time(int runs, const std::function<bool()> &work)
{
    QList<double> ms;
    for (int run = -1; run < runs; ++run) { // run -1 warms the caches up
        QElapsedTimer timer;
        timer.start();
        if (!work())
            return {-1, -1};
        if (run >= 0)
            ms << timer.nsecsElapsed() / 1e6;
    }
    std::sort(ms.begin(), ms.end());
    return {ms.at(ms.size() / 2), ms.first()};
}

void Print(const char *what, const Figures &f)
{
    if (f.median < 0)
        std::printf("%-52s failed\n", what);
    else
        std::printf("%-52s median %8.1f ms (best %.1f)\n", what, f.median, f.best);
}

QByteArray PhotoTiff(const QString &path, const QImage &photo, int compression)
{
    TIFF *tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tif)
        return {};
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, photo.width());
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, photo.height());
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
    if (compression == COMPRESSION_LZW)
        TIFFSetField(tif, TIFFTAG_PREDICTOR, 2);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 16);
    const QImage rgb = photo.convertToFormat(QImage::Format_RGB888);
    bool ok = true;
    for (int y = 0; y < rgb.height() && ok; ++y)
        ok = TIFFWriteScanline(tif, const_cast<uchar *>(rgb.constScanLine(y)), quint32(y), 0) >= 0;
    TIFFClose(tif);
    QFile file(path);
    return ok && file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Frames of 256 colours: a moving pattern over a still background, as screen recordings
// and clips are.
QByteArray LargeGif(int width, int height, int frames)
{
    QList<QRgb> palette;
    for (int i = 0; i < 256; ++i)
        palette.append(qRgb(i, (i * 3) & 0xFF, 255 - i));
    QList<QByteArray> pictures;
    QList<quint32> delays;
    for (int f = 0; f < frames; ++f) {
        QByteArray indices(qsizetype(width) * height, '\0');
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                indices[qsizetype(y) * width + x] = char(((x + f * 7) / 16 + (y / 16) * 5 + (x * y) % 3) & 0xFF);
        pictures.append(indices);
        delays.append(5);
    }
    return mv::test::MakeGif(width, height, palette, pictures, delays);
}

bool CodecDecode(const QByteArray &bytes, QSize size)
{
    GpImage image = GpImage::LoadFromMemory(bytes);
    QImage out;
    return image.IsLoaded() && image.DecodeFrame(size, out) == GpStatus::Ok && !out.isNull();
}

bool CodecAllFrames(const QByteArray &bytes)
{
    GpImage image = GpImage::LoadFromMemory(bytes);
    if (!image.IsLoaded())
        return false;
    for (int i = 0; i < image.FrameCount(); ++i) {
        QImage out;
        if (image.SelectActiveFrame(i) != GpStatus::Ok || image.DecodeFrame(QSize(), out) != GpStatus::Ok)
            return false;
    }
    return true;
}

bool QtDecode(const QByteArray &bytes, const char *format, QSize size)
{
    QByteArray data = bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    QImage out = reader.read();
    if (out.isNull())
        return false;
    if (size.isValid())
        out = out.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return !out.isNull();
}

bool QtAllFrames(const QByteArray &bytes)
{
    QByteArray data = bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "gif");
    int frames = 0;
    for (QImage frame = reader.read(); !frame.isNull(); frame = reader.read())
        ++frames;
    return frames > 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? qMax(1, atoi(argv[1])) : 7;
    quint32 token = 0;
    if (GdiplusStartup(token) != GdiplusOk)
        return 1;
    TIFFSetWarningHandler(nullptr);

    QTemporaryDir dir;
    const QImage photo = mv::test::PhotoLike(6000, 4000, 11);
    const QSize render(1920, 1280);
    for (const auto &[name, compression] : {std::pair{"uncompressed", int(COMPRESSION_NONE)},
                                            std::pair{"LZW", int(COMPRESSION_LZW)}}) {
        const QByteArray tiff = PhotoTiff(dir.filePath(QStringLiteral("photo.tif")), photo, compression);
        std::printf("TIFF 6000x4000 RGB, %s, %lld bytes; %d runs\n", name, qlonglong(tiff.size()), runs);
        Print("  codec layer, full size", Time(runs, [&] { return CodecDecode(tiff, QSize()); }));
        Print("  codec layer, 1920x1280", Time(runs, [&] { return CodecDecode(tiff, render); }));
        Print("  Qt's TIFF plugin, full size", Time(runs, [&] { return QtDecode(tiff, "tiff", QSize()); }));
        Print("  Qt's TIFF plugin + smooth scale to 1920x1280", Time(runs, [&] { return QtDecode(tiff, "tiff", render); }));
    }

    const QByteArray gif = LargeGif(1200, 900, 24);
    std::printf("GIF 1200x900, 24 frames, %lld bytes; %d runs\n", qlonglong(gif.size()), runs);
    Print("  codec layer, every frame composited", Time(runs, [&] { return CodecAllFrames(gif); }));
    Print("  Qt's GIF plugin, every frame", Time(runs, [&] { return QtAllFrames(gif); }));
    GdiplusShutdown(token);
    return 0;
}
