// Folder tree figures, printed (medians); run by hand, not by CTest.
//
// A folder of N subfolders (made here; every tenth holds a folder of its own, the others a
// file) is listed by the tree's first expansion of its node: the whole expansion, and beside
// it what two slower ways would cost alone: an icon asked of QFileIconProvider per folder, and
// the test for subfolders through QDirIterator. Processor time of this thread (the machine
// may be busy) and wall-clock time.
//
// bench_foldertree [--folders N] [--runs N] [--shot OUT.png]

#include "fs/ucfolderview.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileIconProvider>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

using namespace mv;

namespace {

double Median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

QTreeWidgetItem *Selected(const ucFolderView &view)
{
    const QList<QTreeWidgetItem *> items = view.tree()->selectedItems();
    return items.isEmpty() ? nullptr : items.first();
}

// Milliseconds of processor time of this thread.
double CpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    const auto ms = [](const timeval &t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

struct Clock {
    QElapsedTimer wall;
    double cpu = 0;
    void start()
    {
        wall.start();
        cpu = CpuMs();
    }
    void stop(QList<double> &cpuList, QList<double> &wallList) const
    {
        wallList.append(wall.nsecsElapsed() / 1e6);
        cpuList.append(CpuMs() - cpu);
    }
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto option = [&args](const QString &name, const QString &fallback) {
        const qsizetype at = args.indexOf(name);
        return at >= 0 && at + 1 < args.size() ? args.at(at + 1) : fallback;
    };
    const int folders = option("--folders", "10000").toInt();
    const int runs = option("--runs", "5").toInt();
    const QString shot = option("--shot", QString());

    QTemporaryDir dir(QDir::tempPath() + "/mirovale-bench-tree-XXXXXX");
    const QString base = dir.path() + "/huge/";
    QDir().mkpath(base);
    for (int i = 0; i < folders; ++i) {
        const QString folder = base + QStringLiteral("Folder %1").arg(i, 5, 10, QLatin1Char('0'));
        QDir().mkdir(folder);
        if (i % 10 == 0) {
            QDir().mkdir(folder + "/inner");
        } else {
            QFile file(folder + "/photo.jpg");
            file.open(QIODevice::WriteOnly);
        }
    }

    QList<double> expand, perIcon, probe, expandWall, perIconWall, probeWall;
    qsizetype listed = 0;
    for (int run = 0; run < runs; ++run) {
        ucFolderView view;
        view.resize(300, 600);
        view.Initialize();
        view.setPath(base);
        QTreeWidgetItem *node = Selected(view);
        if (!node) {
            std::fprintf(stderr, "the folder has no node\n");
            return 1;
        }
        Clock clock;
        clock.start();
        node->setExpanded(true);
        app.processEvents();
        clock.stop(expand, expandWall);
        listed = node->childCount();
        if (run == 0 && !shot.isEmpty())
            view.grab().save(shot);

        QFileIconProvider provider;
        clock.start();
        QDirIterator it(base, QDir::Dirs | QDir::NoDotAndDotDot);
        while (it.hasNext())
            provider.icon(QFileInfo(it.next()));
        clock.stop(perIcon, perIconWall);

        clock.start();
        QDirIterator walk(base, QDir::Dirs | QDir::NoDotAndDotDot);
        while (walk.hasNext()) {
            QDirIterator inner(walk.next(), QDir::Dirs | QDir::NoDotAndDotDot);
            if (inner.hasNext())
                inner.next();
        }
        clock.stop(probe, probeWall);
    }
    std::printf("folders listed: %lld (of %d made), runs: %d\n", qlonglong(listed), folders, runs);
    std::printf("                                             processor   wall clock\n");
    std::printf("first expansion (list, test, sort, add, draw) %8.1f ms %9.1f ms\n", Median(expand),
                Median(expandWall));
    std::printf("alone: an icon per folder (QFileInfo)        %8.1f ms %9.1f ms\n", Median(perIcon),
                Median(perIconWall));
    std::printf("alone: test for subfolders by QDirIterator   %8.1f ms %9.1f ms\n", Median(probe),
                Median(probeWall));
    return 0;
}
