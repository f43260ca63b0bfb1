// Time to show a 4000 x 3000 camera-like JPEG in a best-fit canvas with a 1920-pixel render
// limit, against decoding the same file at full size and scaling it smoothly to the same
// render size. Prints the medians and their ratio.

#include "fixtures.h" // the tests' photo-like picture
#include "imaging/cdib.h"
#include "imaging/gdiplus.h"
#include "imaging/ucplayer.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace mv;

namespace {

double Median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

double Lowest(const QList<double> &values)
{
    return *std::min_element(values.begin(), values.end());
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? qMax(1, atoi(argv[1])) : 9;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("photo.jpg"));
    {
        QImageWriter writer(path, "jpeg");
        writer.setQuality(92);
        if (!writer.write(mv::test::PhotoLike(4000, 3000, 42))) {
            std::fprintf(stderr, "cannot write the test photo\n");
            return 1;
        }
    }
    std::printf("photo: 4000x3000 JPEG, %lld bytes; render limit 1920; canvas 1280x800 best fit; %d runs\n",
                qlonglong(QFileInfo(path).size()), runs);

    quint32 token = 0;
    if (GdiplusStartup(token) != GdiplusOk)
        return 1;

    ucPlayer player;
    player.SetMaxRenderWidth(1920);
    player.SetMaxRenderHeight(1920);
    player.SetBestFitMode(true);
    player.SetBackColor(QColor(238, 242, 251));
    player.resize(1280, 800);
    QImage screen(player.size(), QImage::Format_RGB32);

    const QSize renderSize = BestFitRect(QSize(4000, 3000), QSize(1920, 1920)).size();
    QList<double> canvasMs, fullMs;
    double firstCanvas = 0, firstFull = 0;
    for (int run = -1; run < runs; ++run) { // run -1 warms the caches up
        QElapsedTimer timer;
        timer.start();
        if (!player.ImportImage(path))
            return 1;
        player.render(&screen);
        const double canvas = timer.nsecsElapsed() / 1e6;

        timer.restart();
        QImageReader reader(path, "jpeg");
        const QImage full = reader.read();
        const QImage scaled = full.scaled(renderSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const double baseline = timer.nsecsElapsed() / 1e6;
        if (scaled.size() != renderSize)
            return 1;
        if (run >= 0) {
            canvasMs << canvas;
            fullMs << baseline;
        } else {
            firstCanvas = canvas;
            firstFull = baseline;
        }
        player.DestroyImage();
    }
    GdiplusShutdown(token);

    const double canvas = Median(canvasMs);
    const double full = Median(fullMs);
    std::printf("canvas (reduced decode to %dx%d, layout, paint): median %.1f ms (best %.1f)\n",
                renderSize.width(), renderSize.height(), canvas, Lowest(canvasMs));
    std::printf("full decode + smooth scale to %dx%d:            median %.1f ms (best %.1f)\n",
                renderSize.width(), renderSize.height(), full, Lowest(fullMs));
    // The canvas keeps its bitmaps for the next picture of the same size; the first one
    // of a session still takes fresh memory.
    std::printf("first picture (fresh memory): canvas %.1f ms, full decode + scale %.1f ms\n", firstCanvas,
                firstFull);
    std::printf("ratio: %.2fx faster (target 1.40x)\n", full / canvas);
    return 0;
}
