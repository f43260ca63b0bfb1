// Thumbnail figures, printed (medians); run by hand, not by CTest.
//
// First visit: 100 photo-like JPEGs of 4000 x 3000 (made here, with noise, about 3 MB each)
// through RenderThumbnail on one thread, against a full-size decode plus smooth scale of the
// same files and against djpeg -scale 1/8 when it is installed (its start-up measured on a
// tiny file and taken off); then through the pool of workers, and through the whole folder
// build.
// Cached visit: a folder of 1,000 images whose cache is current: the time from
// BuildFolderThumbs' start to the last item's picture in a real list view, against reading
// the same 1,000 blobs with bare SQLite.
//
// bench_thumbs [first|pool|cached|all] [--images N] [--runs N] [--folder DIR (photos kept there)]
// ("pool": the first visit's wall-clock figures only)

#include "fixtures.h" // the tests' photo-like picture and encoder
#include "app/appstate.h"
#include "app/paths.h"
#include "imaging/gdiplus.h"
#include "thumbs/mthumbnail.h"
#include "thumbs/renderahead.h"
#include "thumbs/renderthumbnail.h"
#include "thumbs/thumbcache.h"
#include "thumbs/thumbpanelwidgets.h"
#include "thumbs/ucthumbnailview.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <sqlite3.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace mv;

namespace {

double Median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

// Seconds of processor time of this process, or of its finished children.
double CpuSeconds(int who = RUSAGE_SELF)
{
    rusage usage{};
    getrusage(who, &usage);
    const auto s = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return s(usage.ru_utime) + s(usage.ru_stime);
}

struct Pass {
    double wall = 0;
    double cpu = 0;
};

// Each of runs passes of work: wall-clock seconds and processor seconds (of this process, or
// of the children it started).
QList<Pass> Passes(int runs, const std::function<void()> &work, int who = RUSAGE_SELF)
{
    QList<Pass> passes;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        const double cpu = CpuSeconds(who);
        clock.start();
        work();
        passes.append(Pass{clock.nsecsElapsed() / 1e9, CpuSeconds(who) - cpu});
    }
    return passes;
}

double MedianWall(const QList<Pass> &passes)
{
    QList<double> v;
    for (const Pass &p : passes)
        v.append(p.wall);
    return Median(v);
}

double MedianCpu(const QList<Pass> &passes)
{
    QList<double> v;
    for (const Pass &p : passes)
        v.append(p.cpu);
    return Median(v);
}

// Seconds of each of runs passes of work.
QList<double> Seconds(int runs, const std::function<void()> &work)
{
    QList<double> times;
    for (const Pass &p : Passes(runs, work))
        times.append(p.wall);
    return times;
}

QString LoadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readLine()).section(QLatin1Char(' '), 0, 2)
                                          : QStringLiteral("?");
}

// Photos made earlier in the folder are used again.
QStringList MakePhotos(const QString &folder, int count)
{
    std::printf("photo-like JPEGs of 4000 x 3000 in %s ...\n", qPrintable(folder));
    std::fflush(stdout);
    QStringList paths;
    qint64 bytes = 0;
    // A few distinct pictures, each file its own bytes: the decoder cannot tell them apart
    // from camera photos, and making 100 full pictures would take minutes.
    QList<QImage> pictures;
    for (int i = 0; i < count; ++i) {
        const QString path = folder + QStringLiteral("/photo%1.jpg").arg(i, 3, 10, QLatin1Char('0'));
        paths.append(path);
        if (QFileInfo(path).size() > 0) {
            bytes += QFileInfo(path).size();
            continue;
        }
        if (pictures.isEmpty()) {
            for (int p = 0; p < 4; ++p)
                pictures.append(test::PhotoLike(4000, 3000, 100 + p));
        }
        QByteArray jpeg = test::Encode(pictures.at(i % pictures.size()), "jpeg", 89 - (i % 3));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(jpeg) != jpeg.size())
            qFatal("cannot write %s", qPrintable(path));
        bytes += jpeg.size();
    }
    std::printf("  %d files, average %.2f MB a file\n", count, bytes / 1e6 / count);
    return paths;
}

QImage FullDecodeScaled(const QString &path)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage full = reader.read();
    return full.scaled(ThumbFitBox, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// Processor seconds djpeg -scale 1/8 takes on each file (children's time), less its own
// start-up measured on a tiny file.
std::optional<QList<double>> Djpeg(const QStringList &paths, int runs, const QString &tiny)
{
    const QString djpeg = QStandardPaths::findExecutable(QStringLiteral("djpeg"));
    if (djpeg.isEmpty())
        return std::nullopt;
    const auto run = [&djpeg](const QString &path) {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(djpeg, {QStringLiteral("-scale"), QStringLiteral("1/8"), path});
        process.waitForFinished(-1);
    };
    const QList<Pass> startup = Passes(runs, [&] {
        for (int i = 0; i < 20; ++i)
            run(tiny);
    }, RUSAGE_CHILDREN);
    const double spawn = MedianCpu(startup) / 20;
    QList<double> passes;
    for (const Pass &p : Passes(runs, [&] {
             for (const QString &path : paths)
                 run(path);
         }, RUSAGE_CHILDREN))
        passes.append(qMax(0.0, p.cpu - spawn * paths.size()));
    std::printf("  (djpeg's start-up, %.1f ms of processor time a file, taken off)\n", spawn * 1e3);
    return passes;
}

void FirstVisit(int images, int runs, const QString &keep, bool poolOnly)
{
    QTemporaryDir temporary;
    const QString place = keep.isEmpty() ? temporary.path() : keep;
    QDir().mkpath(place);
    const QStringList paths = MakePhotos(place, images);
    const QString tiny = place + QStringLiteral("/tiny.jpg");
    {
        QFile file(tiny);
        file.open(QIODevice::WriteOnly);
        QImage small(8, 8, QImage::Format_RGB32);
        small.fill(Qt::gray);
        file.write(test::Encode(small, "jpeg"));
    }
    const auto rate = [images](double seconds) { return images / seconds; };

    std::printf("\nFirst visit, %d JPEGs of 4000 x 3000, median of %d passes; load average %s on %d cores\n",
                images, runs, qPrintable(LoadAverage()), QThread::idealThreadCount());
    if (!poolOnly) {
        std::printf("One thread, processor time (other programs on the machine do not count):\n");
        const QList<Pass> ours = Passes(runs, [&] {
            for (const QString &path : paths)
                (void)RenderThumbnail(path);
        });
        std::printf("  RenderThumbnail                      %6.1f/s  (%.1f ms an image; %.1f ms wall)\n",
                    rate(MedianCpu(ours)), MedianCpu(ours) * 1e3 / images, MedianWall(ours) * 1e3 / images);
        const QList<Pass> full = Passes(runs, [&] {
            for (const QString &path : paths)
                (void)FullDecodeScaled(path);
        });
        std::printf("  full decode + smooth scale           %6.1f/s  -> RenderThumbnail %.2fx faster\n",
                    rate(MedianCpu(full)), MedianCpu(full) / MedianCpu(ours));
        if (const std::optional<QList<double>> djpeg = Djpeg(paths, runs, tiny))
            std::printf("  djpeg -scale 1/8                     %6.1f/s  -> RenderThumbnail takes %.2fx its time\n",
                        rate(Median(*djpeg)), MedianCpu(ours) / Median(*djpeg));
        else
            std::printf("  djpeg not installed (libjpeg-turbo-progs): no comparison\n");
    }

    std::printf("Throughput, wall clock:\n");
    const QList<Pass> single = Passes(runs, [&] {
        for (const QString &path : paths)
            (void)RenderThumbnail(path);
    });
    std::printf("  one thread                           %6.1f/s  (%.2f cores busy, %.1f ms of processor time an image)\n",
                rate(MedianWall(single)), MedianCpu(single) / MedianWall(single), MedianCpu(single) * 1e3 / images);
    for (const int workers : {1, QThread::idealThreadCount()}) {
        SetRenderWorkers(workers);
        const QList<Pass> pool = Passes(runs, [&] {
            RenderAhead ahead;
            for (int i = 0; i < images; ++i) {
                for (int j = i + 1; j < images && j <= i + ahead.Depth(); ++j)
                    ahead.Submit(j, paths.at(j));
                (void)ahead.Take(i, paths.at(i));
            }
        });
        std::printf("  %d worker(s) + the taking thread      %6.1f/s  -> %.2fx one thread (%.2f cores busy, %.1f ms)\n",
                    workers, rate(MedianWall(pool)), MedianWall(single) / MedianWall(pool),
                    MedianCpu(pool) / MedianWall(pool), MedianCpu(pool) * 1e3 / images);
    }

    // The whole first visit: listing, cache writes, a list that takes the pictures.
    struct CountingList : ThumbList {
        int n = 0;
        void SetRedraw(bool) override {}
        void ItemSetCount(int c) override { n = c; }
        bool ItemAdd(int, const QString &, qint64, const QString &, int) override { return true; }
        void ItemEnsureVisible(int) override {}
        void ThumbnailInfo_SetTBIH(int, const QByteArray &) override {}
        void ThumbnailInfo_SetData(int, const QByteArray &) override {}
        void RefreshItems(int, int) override {}
        int count() const override { return n; }
        int ItemSlot(int i) const override { return i; }
    };
    struct NoPanel : ThumbPanel {
        void SetCountText(const QString &) override {}
        void SetProgressText(const QString &) override {}
        void SetProgressMax(int) override {}
        void SetProgressValue(int) override {}
        void LayOutInfoStrip() override {}
        void HidePanels() override {}
        QString TreePath() const override { return {}; }
        QStringList ResultList() const override { return {}; }
    };
    QFile::remove(tiny);
    const QString folder = place + QLatin1Char('/');
    for (const int workers : {0, QThread::idealThreadCount()}) {
        SetRenderWorkers(workers);
        const QList<double> build = Seconds(runs, [&] {
            CloseThumbCache();
            QFile::remove(folder + QStringLiteral("Thumbs.mvd"));
            CountingList list;
            NoPanel panel;
            mThumbnail::BuildFolderThumbs(folder, false, list, panel);
        });
        std::printf("  BuildFolderThumbs, %d worker(s)       %6.1f/s  (the cache written too)\n", workers,
                    rate(Median(build)));
    }
    CloseThumbCache();
    QFile::remove(folder + QStringLiteral("Thumbs.mvd"));
    WaitForRenderWorkers();
}

void CachedVisit(int runs)
{
    constexpr int Count = 1000;
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    QImage picture(64, 48, QImage::Format_RGB32);
    QStringList paths;
    for (int i = 0; i < Count; ++i) {
        picture.fill(QColor::fromHsv(i % 360, 200, 200));
        const QString path = folder + QStringLiteral("pic%1.png").arg(i, 4, 10, QLatin1Char('0'));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(test::Encode(picture, "png"));
        paths.append(path);
    }

    QWidget window;
    QFont font = window.font();
    font.setPointSize(9);
    window.setFont(font);
    auto *view = new ucThumbnailView(&window);
    view->setGeometry(0, 0, 800, 600);
    window.resize(800, 600);
    view->Initialize(QString::fromLatin1(SupportedTypes), QStringLiteral("|"), 0, 100, 100, 100, 100);
    view->SetThumbnailSize(170, 127);
    window.show();
    ThumbPanelWidgets panel;
    panel.TreePathOf = [folder] { return folder; };
    mThumbnail::BuildFolderThumbs(folder, false, *view, panel); // makes the cache
    CloseThumbCache();

    // The list view tells when the last item's picture arrives.
    struct Watch : QObject {
        QElapsedTimer clock;
        qint64 last = -1;
    } watch;
    QList<double> visits;
    for (int r = 0; r < runs; ++r) {
        view->Clear();
        QCoreApplication::processEvents();
        watch.clock.start();
        mThumbnail::BuildFolderThumbs(folder, false, *view, panel);
        QByteArray last;
        view->ThumbnailInfo_GetData(Count - 1, last);
        if (last.size() != ThumbPixelBytes)
            qFatal("the last item has no picture");
        visits.append(watch.clock.nsecsElapsed() / 1e9);
    }

    const QByteArray file = QFile::encodeName(folder + QStringLiteral("Thumbs.mvd"));
    const QList<double> bare = Seconds(runs, [&] {
        sqlite3 *db = nullptr;
        sqlite3_open_v2(file.constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(db, "SELECT Thumbnail FROM tblThumbnail WHERE Path = ?1", -1, &stmt, nullptr);
        qint64 total = 0;
        for (const QString &path : paths) {
            const QByteArray key = path.toUtf8();
            sqlite3_bind_text(stmt, 1, key.constData(), int(key.size()), SQLITE_STATIC);
            if (sqlite3_step(stmt) == SQLITE_ROW) {
                const QByteArray blob(static_cast<const char *>(sqlite3_column_blob(stmt, 0)), sqlite3_column_bytes(stmt, 0));
                total += blob.size();
            }
            sqlite3_reset(stmt);
        }
        sqlite3_finalize(stmt);
        sqlite3_close(db);
        if (total != qint64(Count) * (ThumbHeaderBytes + ThumbPixelBytes))
            qFatal("bare read found %lld bytes", total);
    });
    std::printf("\nCached visit of %d images (median of %d):\n", Count, runs);
    std::printf("  BuildFolderThumbs to the last picture in the list  %7.1f ms\n", Median(visits) * 1e3);
    std::printf("  the same %d blobs read with bare SQLite          %7.1f ms  -> build takes %.2fx\n", Count,
                Median(bare) * 1e3, Median(visits) / Median(bare));
    CloseThumbCache();
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    int images = 100, runs = 3;
    QString what = QStringLiteral("all");
    QString keep;
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--images") && i + 1 < args.size())
            images = qMax(1, args.at(++i).toInt());
        else if (args.at(i) == QLatin1String("--runs") && i + 1 < args.size())
            runs = qMax(1, args.at(++i).toInt());
        else if (args.at(i) == QLatin1String("--folder") && i + 1 < args.size())
            keep = args.at(++i);
        else
            what = args.at(i);
    }
    GdiplusStartup(GdiToken);
    std::printf("%d cores, %d render workers by default\n", QThread::idealThreadCount(), QThread::idealThreadCount());
    if (what == QLatin1String("first") || what == QLatin1String("all") || what == QLatin1String("pool"))
        FirstVisit(images, runs, keep, what == QLatin1String("pool"));
    if (what == QLatin1String("cached") || what == QLatin1String("all"))
        CachedVisit(qMax(runs, 5));
    WaitForRenderWorkers();
    GdiplusShutdown(GdiToken);
    return 0;
}
