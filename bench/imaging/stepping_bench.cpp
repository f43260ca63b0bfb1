// Stepping through a folder of 20 photo-like 4000 x 3000 JPEGs in the viewer, its canvas
// 1280 x 800 in best fit with a 1920-pixel render limit, one stop of a second on each
// picture (the time a person looks): the time from the step command (Next) to the new
// picture painted, with read-ahead and without, and the peak memory of each.
//
// Each way runs in a process of its own, so that one way's peak memory is not the other's;
// both run in the same bench run, one after the other.
//
//   bench_stepping [pictures] [stop-ms]     defaults 20 and 1000

#include "app/appstate.h"
#include "app/messagebox.h"
#include "fixtures.h" // the tests' photo-like picture
#include "imaging/gdiplus.h"
#include "imaging/ucplayer.h"
#include "viewer/frmshow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImageWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include <sys/resource.h>

using namespace mv;

namespace {

constexpr QSize Canvas(1280, 800);
constexpr int RenderLimit = 1920;

double Percentile(QList<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values.at(qMin(int(values.size()) - 1, int(p * values.size())));
}

long PeakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

long CurrentKiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLong() * 4 : 0;
}

void Wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The moment the canvas's paint has been done and flushed: a call queued from the paint
// runs once the repaint that holds it has finished.
class PaintWatch : public QObject
{
public:
    QElapsedTimer clock;
    bool armed = false;
    double paintedMs = -1;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (armed && event->type() == QEvent::Paint) {
            armed = false;
            QMetaObject::invokeMethod(this, [this] { paintedMs = clock.nsecsElapsed() / 1e6; }, Qt::QueuedConnection);
        }
        return false;
    }
};

int RunChild(const QString &folder, bool readAhead, int stopMs)
{
    if (GdiplusStartup(GdiToken) != GdiplusOk)
        return 1;
    // Past the last picture the viewer asks whether to go on with the first: yes.
    SetMessageBoxHandler([](const MessageRequest &) { return MsgResult::Yes; });

    auto *viewer = new FrmShow;
    viewer->Player->SetReadsAhead(readAhead);
    viewer->Player->SetMaxRenderWidth(RenderLimit);
    viewer->Player->SetMaxRenderHeight(RenderLimit);
    viewer->show();
    viewer->resize(Canvas.width(), Canvas.height() + 32);
    Wait(200);
    if (viewer->Player->size() != Canvas) {
        std::fprintf(stderr, "canvas is %dx%d\n", viewer->Player->width(), viewer->Player->height());
        return 1;
    }
    PaintWatch watch;
    viewer->Player->installEventFilter(&watch);

    viewer->ListFolder(folder + QStringLiteral("/photo01.jpg"));
    const int count = int(viewer->List1.size());
    viewer->ShowPic(0);
    Wait(stopMs);
    const long before = CurrentKiB();

    QList<double> painted, command;
    int wrong = 0;
    for (int step = 1; step <= count; ++step) { // the last step goes round to the first
        watch.paintedMs = -1;
        watch.armed = true;
        watch.clock.start();
        viewer->NextImage();
        command << watch.clock.nsecsElapsed() / 1e6;
        QElapsedTimer limit;
        limit.start();
        while (watch.paintedMs < 0 && limit.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        painted << watch.paintedMs;
        wrong += CurrentIndex != step % count || !viewer->Player->HasImage();
        Wait(stopMs);
    }
    const long after = CurrentKiB();
    viewer->Player->StopReadAhead();
    const int taken = viewer->Player->Ahead().TakenCount();
    delete viewer;
    GdiplusShutdown(GdiToken);
    std::printf("RESULT %.2f %.2f %.2f %.2f %ld %ld %ld %d %d\n", Percentile(painted, 0.5), Percentile(painted, 0.9),
                Percentile(painted, 1.0), Percentile(command, 0.5), PeakKiB(), before, after, taken, wrong);
    return wrong == 0 ? 0 : 1;
}

struct Figures {
    double median = 0, p90 = 0, worst = 0, command = 0;
    long peak = 0, before = 0, after = 0;
    int taken = 0;
    bool ok = false;
};

Figures RunWay(const QString &folder, bool readAhead, int stopMs)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--child"), readAhead ? QStringLiteral("on") : QStringLiteral("off"), folder,
                 QString::number(stopMs)});
    Figures f;
    if (!child.waitForFinished(-1))
        return f;
    for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
        if (!line.startsWith("RESULT "))
            continue;
        const QList<QByteArray> v = line.split(' ');
        if (v.size() < 10)
            continue;
        f = {v[1].toDouble(), v[2].toDouble(), v[3].toDouble(), v[4].toDouble(), v[5].toLong(), v[6].toLong(),
             v[7].toLong(), v[8].toInt(), child.exitCode() == 0};
        if (v[9].toInt() != 0)
            std::printf("  %d steps showed the wrong picture\n", v[9].toInt());
    }
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc >= 5 && QByteArray(argv[1]) == "--child") {
        QApplication app(argc, argv);
        return RunChild(QString::fromLocal8Bit(argv[3]), QByteArray(argv[2]) == "on", atoi(argv[4]));
    }
    QCoreApplication app(argc, argv);
    const int pictures = argc > 1 ? qBound(3, atoi(argv[1]), 99) : 20;
    const int stopMs = argc > 2 ? qMax(100, atoi(argv[2])) : 1000;

    QTemporaryDir dir;
    qint64 bytes = 0;
    for (int i = 1; i <= pictures; ++i) {
        const QString path = dir.filePath(QStringLiteral("photo%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
        QImageWriter writer(path, "jpeg");
        writer.setQuality(92);
        if (!writer.write(mv::test::PhotoLike(4000, 3000, quint32(i)))) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        bytes += QFileInfo(path).size();
    }
    std::printf("%d photo-like 4000x3000 JPEGs (%.1f MB each on average); canvas %dx%d best fit, render limit %d;"
                " a stop of %d ms on each; platform %s\n",
                pictures, bytes / 1e6 / pictures, Canvas.width(), Canvas.height(), RenderLimit, stopMs,
                qgetenv("QT_QPA_PLATFORM").constData());

    const Figures off = RunWay(dir.path(), false, stopMs);
    const Figures on = RunWay(dir.path(), true, stopMs);
    if (!off.ok || !on.ok) {
        std::fprintf(stderr, "a run failed\n");
        return 1;
    }
    // A decoded picture: the render bitmap the canvas holds for one photo.
    const QSize render = BestFitRect(QSize(4000, 3000), QSize(RenderLimit, RenderLimit)).size();
    const double pictureKiB = render.width() * render.height() * 4 / 1024.0;
    for (const auto &[name, f] : {std::pair{"without read-ahead", off}, std::pair{"with read-ahead   ", on}}) {
        std::printf("%s: step -> painted median %6.1f ms, 90%% %6.1f, worst %6.1f; the command itself %5.1f ms;"
                    " peak %ld KiB (after the first picture %ld, at the end %ld); from read-ahead %d\n",
                    name, f.median, f.p90, f.worst, f.command, f.peak, f.before, f.after, f.taken);
    }
    std::printf("median step: %.1f ms with read-ahead against %.1f ms without (target under 10 ms)\n", on.median,
                off.median);
    std::printf("peak memory: %+ld KiB with read-ahead = %.2f decoded pictures of %dx%d (target at most 3)\n",
                on.peak - off.peak, (on.peak - off.peak) / pictureKiB, render.width(), render.height());
    return 0;
}
