// Render time of a dense, chart-like EMF (thousands of records: filled shapes, lines with
// geometric pens, clipped ellipses, saved states, text with spacing arrays) into a
// 1920-pixel box, and into a thumbnail; then of the same chart in EMF+ records, each group
// followed by its EMF fallback as office documents write them. Prints medians over
// repeated runs.

#include "fixtures.h"
#include "imaging/metafile/metafile.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QList>

#include <algorithm>
#include <cstdio>

using namespace mv;
using mv::test::DenseEmf;
using mv::test::DenseEmfPlus;

namespace {

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

struct Figures {
    double medianMs = 0;
    double bestMs = 0;
    qint64 records = 0;
};

Figures timeRender(const QByteArray &data, QSize target, int runs)
{
    QList<double> times;
    Figures f;
    (void)RenderMetafile(data, target); // warm the font and glyph caches
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const MetafileRender r = RenderMetafileReport(data, target);
        times.append(timer.nsecsElapsed() / 1e6);
        f.records = r.records;
        if (r.image.isNull() || !r.problem.isEmpty()) {
            std::fprintf(stderr, "rendering failed: %s%s\n", qPrintable(r.error), qPrintable(r.problem));
            std::exit(1);
        }
    }
    f.medianMs = median(times);
    f.bestMs = *std::min_element(times.begin(), times.end());
    return f;
}

void report(const char *kind, const QByteArray &data, int runs)
{
    const QSize picture = ReadMetafileInfo(data).pixelSize;
    const QSize box = picture.scaled(QSize(1920, 1920), Qt::KeepAspectRatio);
    const Figures big = timeRender(data, box, runs);
    const Figures thumb = timeRender(data, picture.scaled(QSize(170, 127), Qt::KeepAspectRatio), runs);
    std::printf("dense %s, %lld records, %.0f KB, picture %dx%d\n", kind, static_cast<long long>(big.records),
                data.size() / 1024.0, picture.width(), picture.height());
    std::printf("  into %dx%d: median %.1f ms (best %.1f ms), %.2f ms per 1000 records\n", box.width(),
                box.height(), big.medianMs, big.bestMs, big.medianMs * 1000 / big.records);
    std::printf("  into a 170x127 thumbnail: median %.1f ms, ratio to the 1920 box %.2f\n", thumb.medianMs,
                thumb.medianMs / big.medianMs);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int runs = 15;
    std::printf("metafile render benchmark (%d runs each, medians)\n", runs);
    for (int shapes : {1000, 3000})
        report("EMF", DenseEmf(shapes), runs);
    for (int shapes : {1000, 3000})
        report("EMF+ with its EMF fallback", DenseEmfPlus(shapes), runs);
    return 0;
}
