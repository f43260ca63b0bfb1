// The recursive image listing's walk over a generated tree of 100,000 files in 5,000
// folders, 10 % of them images: files per second of the scanner alone (the listing's
// settings: image extensions, sub-folders, unsorted, pending events run every 10 entries),
// against a bare directory walk (readdir and the entry types, nothing more) and `find`
// on the same tree in the same run. Each figure is the median of the runs, with the
// file system's caches warm.
//
//   bench_scan [runs] [folder]     defaults 5 and the temporary folder (TMPDIR); a tmpfs
//                                  such as /dev/shm makes the tree in seconds

#include "fs/cscanpath.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <unistd.h>

using namespace mv;

namespace {

constexpr int TopFolders = 50;
constexpr int SubFolders = 99;    // in each top folder: 50 + 50 x 99 = 5,000 folders
constexpr int FilesPerFolder = 20; // 100,000 files
constexpr int ImagesPerFolder = 2;

const char *const ImageFilter =
    "*.BMP;*.DIB;*.RLE;*.GIF;*.JPG;*.JPEG;*.JPE;*.JFIF;*.PNG;*.TIF;*.TIFF;*.EMF;*.WMF;*.ICO";

bool MakeFolderOfFiles(const QString &folder)
{
    if (!QDir().mkpath(folder))
        return false;
    static const char *const kinds[] = {"jpg", "png", "txt", "dat", "xml"};
    for (int i = 0; i < FilesPerFolder; ++i) {
        const char *ext = i < ImagesPerFolder ? kinds[i] : kinds[2 + i % 3];
        const QByteArray name = QFile::encodeName(folder) + "/file" + QByteArray::number(i) + '.' + ext;
        const int fd = ::open(name.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        if (fd < 0)
            return false;
        ::close(fd);
    }
    return true;
}

bool MakeTree(const QString &root)
{
    for (int top = 0; top < TopFolders; ++top) {
        const QString topFolder = root + QStringLiteral("/top%1").arg(top);
        if (!MakeFolderOfFiles(topFolder))
            return false;
        for (int sub = 0; sub < SubFolders; ++sub)
            if (!MakeFolderOfFiles(topFolder + QStringLiteral("/sub%1").arg(sub)))
                return false;
    }
    return true;
}

// Files below folder, through readdir and the entry types alone.
long BareWalk(const QByteArray &folder)
{
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return 0;
    long files = 0;
    while (const dirent *entry = ::readdir(dir)) {
        if (entry->d_type == DT_DIR) {
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                files += BareWalk(folder + '/' + entry->d_name);
        } else {
            ++files;
        }
    }
    ::closedir(dir);
    return files;
}

double Median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

// Median milliseconds of the runs; every run must give the same count.
double Time(int runs, long expected, const char *what, const std::function<long()> &run)
{
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const long count = run();
        times.append(double(timer.nsecsElapsed()) / 1e6);
        if (count != expected) {
            std::fprintf(stderr, "%s gave %ld, not %ld\n", what, count, expected);
            std::exit(1);
        }
    }
    return Median(times);
}

void Print(const char *what, double ms)
{
    const double files = double(TopFolders) * (1 + SubFolders) * FilesPerFolder;
    std::printf("%-44s %9.1f ms %12.0f files/s\n", what, ms, files / ms * 1e3);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? qMax(1, atoi(argv[1])) : 5;
    const QString base = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDir::tempPath();
    QTemporaryDir dir(base + QStringLiteral("/mirovale-scan-bench-XXXXXX"));
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot make a folder in %s\n", qPrintable(base));
        return 1;
    }
    const long folders = long(TopFolders) * (1 + SubFolders);
    const long files = folders * FilesPerFolder;
    const long images = folders * ImagesPerFolder;
    std::printf("tree: %ld files (%ld images) in %ld folders under %s; %d runs\n", files, images, folders,
                qPrintable(base), runs);
    QElapsedTimer making;
    making.start();
    if (!MakeTree(dir.path())) {
        std::fprintf(stderr, "cannot make the tree\n");
        return 1;
    }
    std::printf("made in %.1f s\n", double(making.elapsed()) / 1e3);

    const QByteArray root = QFile::encodeName(dir.path());
    BareWalk(root); // warms the caches
    const double bare = Time(runs, files, "the bare walk", [&root] { return BareWalk(root); });

    const auto scan = [&dir](bool yield, bool images) {
        return [&dir, yield, images] {
            cScanPath scanner;
            scanner.setSystem(true); // the listing's settings
            if (images)
                scanner.setFilter(QString::fromLatin1(ImageFilter));
            if (!yield)
                scanner.setYield({});
            long found = 0;
            QObject::connect(&scanner, &cScanPath::FileMatch, [&found] { ++found; });
            QString path = dir.path();
            if (!scanner.StartScan(path, true, false, false, false))
                return -1L;
            return found;
        };
    };
    const double listing = Time(runs, images, "the scanner", scan(true, true));
    const double quiet = Time(runs, images, "the scanner", scan(false, true));
    const double every = Time(runs, files, "the scanner", scan(true, false));

    Print("bare walk (readdir, entry types)", bare);
    Print("scanner, image listing", listing);
    Print("scanner, image listing, no yields", quiet);
    Print("scanner, every file reported", every);

    const QString find = QStandardPaths::findExecutable(QStringLiteral("find"));
    if (!find.isEmpty()) {
        const double found = Time(runs, files, "find", [&find, &dir] {
            QProcess process;
            process.start(find, {dir.path(), QStringLiteral("-type"), QStringLiteral("f")});
            process.waitForFinished(-1);
            return long(process.readAllStandardOutput().count('\n'));
        });
        Print("find -type f (a process, its output read)", found);
    }
    std::printf("scanner / bare walk: %.2f (target: at most 2)\n", listing / bare);
    return 0;
}
