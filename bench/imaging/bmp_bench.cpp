// Decoding speed of our BMP decoder against Qt's BMP reader on 6000 x 4000 camera-like
// pictures of 24, 8 and 32 bits: the whole picture in 32-bit pixels (as the canvas shows
// it: Qt's reader gives 8-bit pictures as palette indices, converted here), and the
// picture shown at 1920 x 1280 (ours decodes straight at that size; Qt's reads it whole
// and scales it smoothly). Prints the median over the runs of the CPU time of the whole
// process (other processes may share the machine; Qt scales on several threads), and the
// ratio.

#include "bmpfixtures.h" // the tests' photo-like picture and BMP writer
#include "imaging/bmpdecoder.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageReader>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

using namespace mv;

namespace {

double Median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

double CpuMilliseconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Milliseconds of each run; a run that gives no picture stops the benchmark.
QList<double> Time(int runs, const std::function<QImage()> &decode)
{
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        const double start = CpuMilliseconds();
        const QImage image = decode();
        times.append(CpuMilliseconds() - start);
        if (image.isNull()) {
            std::fprintf(stderr, "a decode gave no picture\n");
            std::exit(1);
        }
    }
    return times;
}

QImage QtRead(const QByteArray &bytes)
{
    QByteArray data = bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    return reader.read();
}

QByteArray Bmp32(const QImage &picture)
{
    test::BmpLayout layout;
    layout.width = picture.width();
    layout.height = picture.height();
    layout.bitCount = 32;
    QByteArray rows;
    rows.reserve(qsizetype(picture.width()) * picture.height() * 4);
    for (int y = picture.height() - 1; y >= 0; --y)
        rows.append(reinterpret_cast<const char *>(picture.constScanLine(y)), picture.width() * 4);
    layout.pixels = rows;
    return test::MakeBmp(layout);
}

void Compare(const char *name, const QByteArray &bytes, int runs, QSize shown)
{
    const QList<double> ours = Time(runs, [&] { return DecodeBmpFamily(bytes, ImageFormat::Bmp, 0, QSize()).image; });
    const QList<double> qt = Time(runs, [&] { return QtRead(bytes).convertToFormat(QImage::Format_RGB32); });
    std::printf("%-8s whole:  ours %7.1f ms   Qt %7.1f ms   ours/Qt %.2f\n", name, Median(ours), Median(qt),
                Median(ours) / Median(qt));
    const QList<double> oursShown = Time(runs, [&] { return DecodeBmpFamily(bytes, ImageFormat::Bmp, 0, shown).image; });
    const QList<double> qtShown = Time(runs, [&] {
        return QtRead(bytes).scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    });
    std::printf("%-8s %dx%d: ours %7.1f ms   Qt %7.1f ms   ours/Qt %.2f\n", name, shown.width(), shown.height(),
                Median(oursShown), Median(qtShown), Median(oursShown) / Median(qtShown));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? qMax(1, atoi(argv[1])) : 9;

    const QImage photo = test::PhotoLike(6000, 4000, 42);
    const QByteArray rgb24 = test::Encode(photo, "bmp");
    const QByteArray pal8 = test::Encode(photo.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither), "bmp");
    const QByteArray rgb32 = Bmp32(photo);
    std::printf("6000x4000 BMP: 24 bits %lld bytes, 8 bits %lld bytes, 32 bits %lld bytes; median of %d runs\n",
                qlonglong(rgb24.size()), qlonglong(pal8.size()), qlonglong(rgb32.size()), runs);
    const QSize shown(1920, 1280);
    Compare("24 bits", rgb24, runs, shown);
    Compare("8 bits", pal8, runs, shown);
    Compare("32 bits", rgb32, runs, shown);
    return 0;
}
