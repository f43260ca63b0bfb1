// bench_metafile_hostile [--renderer PATH|self] [--only NAME,...] [--keep DIR] [--timeout SECONDS]
//                        [--memory-cap MB]
//
// Writes the hostile metafiles of the tests (small files that ask a player for far more
// memory or time than their size suggests) and renders each one in a child process, one
// at a time, printing the wall time, the CPU time and the child's peak resident memory.
// The renderer is mirovale-render beside this tool unless --renderer names another one
// (for example an older build's, to compare); "self" renders in this tool's own child and
// also prints why the drawing stopped. A child that runs past the timeout (default 120 s)
// is killed and reported as such; its address space is capped (default 8192 MB) so that a
// runaway file cannot take the machine's memory from everything else.
//
// bench_metafile_hostile --play FILE   (the child of --renderer self)

#include "hostile.h"
#include "imaging/metafile/metafile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QStringList>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace mv;

namespace {

int play(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::printf("cannot read %s\n", qPrintable(path));
        return 1;
    }
    const QByteArray data = file.readAll();
    const MetafileInfo info = ReadMetafileInfo(data);
    const MetafileRender r = RenderMetafileReport(data, info.pixelSize);
    if (r.image.isNull()) {
        std::printf("no picture: %s\n", qPrintable(r.error));
        return 1;
    }
    std::printf("%s\n", r.problem.isEmpty() ? "drawn to the end" : qPrintable(r.problem));
    return 0;
}

struct Run {
    double seconds = 0;
    double cpuSeconds = 0;
    double peakMb = 0;
    QString outcome;
};

Run runChild(const QStringList &command, const QString &logPath, double timeout, qint64 capMb)
{
    Run run;
    QList<QByteArray> args;
    for (const QString &a : command)
        args.append(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const QByteArray log = logPath.toLocal8Bit();

    QElapsedTimer timer;
    timer.start();
    const pid_t pid = fork();
    if (pid < 0) {
        run.outcome = QStringLiteral("fork failed");
        return run;
    }
    if (pid == 0) {
        const int fd = ::open(log.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
            ::close(fd);
        }
        const rlimit cap{rlim_t(capMb) << 20, rlim_t(capMb) << 20};
        setrlimit(RLIMIT_AS, &cap);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    bool killed = false;
    for (;;) {
        const pid_t done = wait4(pid, &status, WNOHANG, &usage);
        if (done == pid)
            break;
        if (done < 0 && errno != EINTR) {
            run.outcome = QStringLiteral("wait failed");
            return run;
        }
        if (!killed && timer.elapsed() > timeout * 1000) {
            kill(pid, SIGKILL);
            killed = true;
        }
        const timespec pause{0, 2000000};
        nanosleep(&pause, nullptr);
    }
    run.seconds = timer.nsecsElapsed() / 1e9;
    run.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec
                   + usage.ru_stime.tv_usec / 1e6;
    run.peakMb = usage.ru_maxrss / 1024.0;
    if (killed)
        run.outcome = QStringLiteral("killed after %1 s").arg(timeout);
    else if (WIFSIGNALED(status))
        run.outcome = QStringLiteral("signal %1").arg(WTERMSIG(status)); // 6: out of memory under the cap
    else
        run.outcome = QStringLiteral("exit %1").arg(WEXITSTATUS(status));
    return run;
}

int usage(const char *why)
{
    std::fprintf(stderr,
                 "bench_metafile_hostile: %s\nusage: bench_metafile_hostile [--renderer PATH|self] [--only NAME,...] "
                 "[--keep DIR] [--timeout SECONDS] [--memory-cap MB]\n",
                 why);
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && QByteArray(argv[1]) == "--play") {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        return play(QString::fromLocal8Bit(argv[2]));
    }
    QCoreApplication app(argc, argv);
    const QString self = QCoreApplication::applicationFilePath();
    QString renderer = QCoreApplication::applicationDirPath() + QStringLiteral("/mirovale-render");
    QStringList only;
    QString keep;
    double timeout = 120;
    qint64 capMb = 8192;
    const QStringList args = QCoreApplication::arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (i + 1 >= args.size())
            return usage("missing value");
        const QString value = args.at(++i);
        if (arg == QLatin1String("--renderer"))
            renderer = value;
        else if (arg == QLatin1String("--only"))
            only = value.split(QLatin1Char(','));
        else if (arg == QLatin1String("--keep"))
            keep = value;
        else if (arg == QLatin1String("--timeout"))
            timeout = value.toDouble();
        else if (arg == QLatin1String("--memory-cap"))
            capMb = value.toLongLong();
        else
            return usage("unknown option");
    }
    const bool selfPlay = renderer == QLatin1String("self");
    QTemporaryDir temp;
    const QString folder = keep.isEmpty() ? temp.path() : keep;
    QDir().mkpath(folder);

    std::printf("renderer: %s (timeout %.0f s, address space capped at %lld MB)\n",
                selfPlay ? "this tool's own player" : qPrintable(renderer), timeout, static_cast<long long>(capMb));
    std::printf("%-26s %9s %9s %9s %9s  %s\n", "file", "KB", "seconds", "CPU s", "peak MB", "outcome");
    for (const test::HostileMetafile &m : test::HostileMetafiles()) {
        if (!only.isEmpty() && !only.contains(m.name))
            continue;
        const QString path = folder + QLatin1Char('/') + m.name + (m.wmf ? QStringLiteral(".wmf") : QStringLiteral(".emf"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(m.data) != m.data.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        file.close();
        const QString log = folder + QLatin1Char('/') + m.name + QStringLiteral(".log");
        const QStringList command = selfPlay ? QStringList{self, QStringLiteral("--play"), path}
                                             : QStringList{renderer, path, folder + QLatin1Char('/') + m.name + QStringLiteral(".png")};
        const Run run = runChild(command, log, timeout, capMb);
        QString outcome = run.outcome;
        if (selfPlay) {
            QFile out(log);
            if (out.open(QIODevice::ReadOnly))
                outcome += QStringLiteral(": ") + QString::fromLocal8Bit(out.readAll()).trimmed().section(QLatin1Char('\n'), -1);
        }
        std::printf("%-26s %9.1f %9.2f %9.2f %9.0f  %s\n", qPrintable(m.name), m.data.size() / 1024.0, run.seconds,
                    run.cpuSeconds, run.peakMb, qPrintable(outcome));
        std::fflush(stdout);
    }
    return 0;
}
