#include "app/messagebox.h"
#include "fs/fileops.h"
#include "fs/shellcopy.h"
#include "messageanswers.h"
#include "testutil.h"

#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMimeData>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <fcntl.h>
#include <limits>
#include <sys/stat.h>

using namespace mv;
using namespace mv::test;

class TestFileOps : public QObject
{
    Q_OBJECT
    QTemporaryDir mDir;
    QString at(const QString &name) const { return mDir.path() + '/' + name; }

private slots:
    void folderExists_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("exists");
        QDir().mkpath(at("sub"));
        QVERIFY(WriteBytes(at("file.png"), "x"));
        QTest::newRow("folder with slash") << at("sub/") << true;
        QTest::newRow("folder without slash") << at("sub") << true;
        QTest::newRow("a file counts") << at("file.png") << true;
        QTest::newRow("missing") << at("gone/") << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("root") << "/" << true;
    }
    void folderExists()
    {
        QFETCH(QString, path);
        QCOMPARE(FolderExists(path), MV_FETCH(bool, exists));
    }

    void findDataAttributes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<uint>("attributes");
        QDir().mkpath(at("attr/folder"));
        QDir().mkpath(at("attr/.hiddenfolder"));
        QVERIFY(WriteBytes(at("attr/plain.png"), "12345"));
        QVERIFY(WriteBytes(at("attr/.hidden.png"), "x"));
        mkfifo(QFile::encodeName(at("attr/pipe")).constData(), 0600);
        QTest::newRow("regular file") << "plain.png" << uint(AttrNormal);
        QTest::newRow("folder") << "folder" << uint(AttrDirectory);
        QTest::newRow("hidden file") << ".hidden.png" << uint(AttrHidden);
        QTest::newRow("hidden folder") << ".hiddenfolder" << uint(AttrHidden | AttrDirectory);
        QTest::newRow("fifo") << "pipe" << uint(AttrSystem);
    }
    void findDataAttributes()
    {
        QFETCH(QString, name);
        const FindData data = GetFindData(at("attr/" + name));
        QCOMPARE(data.name, name);
        QCOMPARE(data.attributes & ~uint(AttrReadOnly), MV_FETCH(uint, attributes));
    }

    void findDataOfAMissingFile()
    {
        const FindData data = GetFindData(at("nothing-here.png"));
        QCOMPARE(data.name, QString("Error"));
        QCOMPARE(data.attributes, 0u);
        QCOMPARE(data.creationTime, 0);
        QCOMPARE(data.size, 0u);
        QCOMPARE(GetFileTimeText(at("nothing-here.png")), QString("1601-1-1 00:00:00"));
    }

    void findDataTimesAndSize()
    {
        QVERIFY(WriteBytes(at("times.png"), QByteArray(1234, 'a')));
        const QDateTime written(QDate(2011, 12, 5), QTime(8, 3, 9), Qt::UTC);
        {
            QFile file(at("times.png"));
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(written, QFileDevice::FileModificationTime));
        }
        const FindData data = GetFindData(at("times.png"));
        QCOMPARE(data.size, 1234u);
        QCOMPARE(data.lastWriteTime, FileTimeFromMSecs(written.toMSecsSinceEpoch()));
        // Qt gives the birth time to the millisecond; the record keeps 100-ns ticks.
        const QDateTime born = QFileInfo(at("times.png")).birthTime().toUTC();
        QCOMPARE(data.creationTime / 10000,
                 FileTimeFromMSecs((born.isValid() ? born : written).toMSecsSinceEpoch()) / 10000);
    }

    // Times far from today end at the limits of the ticks instead of overflowing.
    void fileTimeLimits_data()
    {
        QTest::addColumn<qint64>("msecs");
        QTest::addColumn<qint64>("ticks");
        constexpr qint64 max = std::numeric_limits<qint64>::max();
        constexpr qint64 min = std::numeric_limits<qint64>::min();
        constexpr qint64 epoch = 116444736000000000LL;
        constexpr qint64 lastMSec = (max - epoch) / 10000;
        QTest::newRow("1970") << qint64(0) << epoch;
        QTest::newRow("largest") << max << max;
        QTest::newRow("smallest") << min << qint64(0);
        QTest::newRow("last millisecond that fits") << lastMSec << lastMSec * 10000 + epoch;
        QTest::newRow("first one that does not") << lastMSec + 1 << max;
        QTest::newRow("1601") << -epoch / 10000 << qint64(0);
        QTest::newRow("before 1601") << -epoch / 10000 - 1 << qint64(0);
        QTest::newRow("one millisecond after 1601") << -epoch / 10000 + 1 << qint64(10000);
    }
    void fileTimeLimits()
    {
        QCOMPARE(FileTimeFromMSecs(MV_FETCH(qint64, msecs)), MV_FETCH(qint64, ticks));
    }

    void fileTimeFromUnixLimits_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<qint64>("nanoseconds");
        QTest::addColumn<qint64>("ticks");
        constexpr qint64 max = std::numeric_limits<qint64>::max();
        constexpr qint64 min = std::numeric_limits<qint64>::min();
        constexpr qint64 epoch = 116444736000000000LL;
        QTest::newRow("1970") << qint64(0) << qint64(0) << epoch;
        QTest::newRow("100 ns steps") << qint64(1) << qint64(250) << epoch + 10000002;
        QTest::newRow("just before 1970") << qint64(-1) << qint64(999999999) << epoch - 1;
        QTest::newRow("largest") << max << qint64(999999999) << max;
        QTest::newRow("smallest") << min << qint64(0) << qint64(0);
        QTest::newRow("last whole second") << (max - epoch) / 10000000 << qint64(0)
                                           << (max - epoch) / 10000000 * 10000000 + epoch;
        QTest::newRow("its last 100 ns do not fit") << (max - epoch) / 10000000 << qint64(999999999) << max;
    }
    void fileTimeFromUnixLimits()
    {
        QCOMPARE(FileTimeFromUnix(MV_FETCH(qint64, seconds), MV_FETCH(qint64, nanoseconds)), MV_FETCH(qint64, ticks));
    }

    // tmpfs keeps any 64-bit time: the find data of such files ends at the limits.
    void findDataOfFilesFarInTime_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<qint64>("ticks");
        QTest::addColumn<QString>("text");
        const qint64 max = std::numeric_limits<qint64>::max();
        QTest::newRow("far future") << qint64(1000000000000000LL) << max << "30828-9-14 02:48:05";
        QTest::newRow("largest time") << max << max << "30828-9-14 02:48:05";
        QTest::newRow("far past") << qint64(-1000000000000000LL) << qint64(0) << "1601-1-1 00:00:00";
        QTest::newRow("smallest time") << std::numeric_limits<qint64>::min() << qint64(0) << "1601-1-1 00:00:00";
    }
    void findDataOfFilesFarInTime()
    {
        QFETCH(qint64, seconds);
        if (!QFileInfo(QStringLiteral("/dev/shm")).isWritable())
            QSKIP("no tmpfs at /dev/shm");
        QTemporaryDir shm(QStringLiteral("/dev/shm/mirovale-test-XXXXXX"));
        QVERIFY(shm.isValid());
        const QString path = shm.filePath("far.png");
        QVERIFY(WriteBytes(path, "x"));
        const timespec times[2] = {{time_t(seconds), 0}, {time_t(seconds), 0}};
        if (::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) != 0)
            QSKIP("this tmpfs refuses such a time");
        const FindData data = GetFindData(path);
        QCOMPARE(data.name, QString("far.png"));
        QCOMPARE(data.lastWriteTime, MV_FETCH(qint64, ticks));
        QCOMPARE(data.lastAccessTime, MV_FETCH(qint64, ticks));
        QCOMPARE(FileTimeText(data.lastWriteTime), MV_FETCH(QString, text));
    }

    void fileTimeText_data()
    {
        QTest::addColumn<qint64>("ticks");
        QTest::addColumn<QString>("text");
        const auto at = [](int y, int mo, int d, int h, int mi, int s) {
            return FileTimeFromMSecs(QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC).toMSecsSinceEpoch());
        };
        QTest::newRow("no leading zeros in the date") << at(2011, 12, 5, 8, 3, 9) << "2011-12-5 08:03:09";
        QTest::newRow("two-digit date") << at(2024, 10, 31, 23, 59, 58) << "2024-10-31 23:59:58";
        QTest::newRow("zero time") << qint64(0) << "1601-1-1 00:00:00";
        QTest::newRow("last tick") << std::numeric_limits<qint64>::max() << "30828-9-14 02:48:05";
        QTest::newRow("negative ticks") << qint64(-5) << "1601-1-1 00:00:00";
        QTest::newRow("smallest ticks") << std::numeric_limits<qint64>::min() << "1601-1-1 00:00:00";
        QTest::newRow("last tick before 1970") << 116444736000000000LL - 1 << "1969-12-31 23:59:59";
    }
    void fileTimeText()
    {
        // UTC whatever the local zone says.
        qputenv("TZ", "Asia/Shanghai");
        QFETCH(qint64, ticks);
        QCOMPARE(FileTimeText(ticks), MV_FETCH(QString, text));
        qunsetenv("TZ");
    }

    void recycleFileGoesToTheTrash()
    {
        QVERIFY(WriteBytes(at("trash-me.png"), "picture"));
        QDir().mkpath(at("trash-folder/inner"));
        QCOMPARE(RecycleFile(at("trash-me.png")), int(RecycleOk));
        QCOMPARE(RecycleFile(at("trash-folder/")), int(RecycleOk));
        QVERIFY(!QFile::exists(at("trash-me.png")));
        QVERIFY(!QFile::exists(at("trash-folder")));
        const QString trash = qEnvironmentVariable("XDG_DATA_HOME") + "/Trash/";
        QCOMPARE(ReadBytes(trash + "files/trash-me.png"), QByteArray("picture"));
        QVERIFY(QFileInfo(trash + "files/trash-folder/inner").isDir());
        QVERIFY(QFile::exists(trash + "info/trash-me.png.trashinfo"));
        QCOMPARE(RecycleFile(at("trash-me.png")), int(RecycleNotFound));
    }

    // A new account has no data folder yet: the trash is made there, never in the folder
    // of the picture or the working folder.
    void recycleFileMakesTheTrashOfANewAccount()
    {
        const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
        const QString fresh = at("new-account/.local/share");
        qputenv("XDG_DATA_HOME", QFile::encodeName(fresh));
        const QString cwd = QDir::currentPath();
        QDir().mkpath(at("pictures"));
        QDir::setCurrent(at("pictures"));
        QVERIFY(WriteBytes(at("pictures/photo.png"), "picture"));
        const int result = RecycleFile(at("pictures/photo.png"));
        QDir::setCurrent(cwd);
        qputenv("XDG_DATA_HOME", dataHome);
        QCOMPARE(result, int(RecycleOk));
        QCOMPARE(ReadBytes(fresh + "/Trash/files/photo.png"), QByteArray("picture"));
        QVERIFY(QFile::exists(fresh + "/Trash/info/photo.png.trashinfo"));
        QCOMPARE(QDir(at("pictures")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    }

    void renameNeverReplaces()
    {
        QVERIFY(WriteBytes(at("old.png"), "old"));
        QVERIFY(WriteBytes(at("taken.png"), "taken"));
        MessageAnswers messages(MsgResult::Ok);
        QVERIFY(!RenameFile(at("old.png"), at("taken.png")));
        QCOMPARE(ReadBytes(at("old.png")), QByteArray("old"));
        QCOMPARE(ReadBytes(at("taken.png")), QByteArray("taken"));
        QCOMPARE(messages.seen.size(), 1);
        QCOMPARE(messages.seen.at(0).text, QString("该文件已存在,请重新输入!"));
        QCOMPARE(messages.seen.at(0).icon, MsgIcon::Critical);

        QVERIFY(RenameFile(at("old.png"), at("new.png")));
        QCOMPARE(ReadBytes(at("new.png")), QByteArray("old"));
        QVERIFY(!QFile::exists(at("old.png")));

        QVERIFY(!RenameFile(at("absent.png"), at("other.png")));
        QCOMPARE(messages.seen.size(), 2);
        QVERIFY(messages.seen.at(1).text.startsWith("重命名文件时出错"));
    }

    // Its own name again is a success that changes nothing; a change of case is a rename.
    void renameToItsOwnName_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<bool>("renamed");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<int>("messages");
        const QStringList kept{"a.jpg", "sub"};
        QTest::newRow("same path") << "own/a.jpg" << "own/a.jpg" << true << kept << 0;
        QTest::newRow("spelled with ./ and //") << "own/a.jpg" << "own/.//a.jpg" << true << kept << 0;
        QTest::newRow("through a folder link") << "own/a.jpg" << "ownlink/a.jpg" << true << kept << 0;
        QTest::newRow("through ..") << "own/sub/../a.jpg" << "own/a.jpg" << true << kept << 0;
        QTest::newRow("folder with its final slash") << "own/sub/" << "own/sub" << true << kept << 0;
        QTest::newRow("case only") << "own/a.jpg" << "own/A.jpg" << true << QStringList{"A.jpg", "sub"} << 0;
        QTest::newRow("missing file to itself") << "own/gone.jpg" << "own/gone.jpg" << false << kept << 1;
    }
    void renameToItsOwnName()
    {
        QDir(at("own")).removeRecursively();
        QFile::remove(at("ownlink"));
        QVERIFY(QDir().mkpath(at("own/sub")));
        QVERIFY(WriteBytes(at("own/a.jpg"), "picture"));
        QVERIFY(QFile::link(at("own"), at("ownlink")));
        MessageAnswers messages(MsgResult::Ok);
        QCOMPARE(RenameFile(at(MV_FETCH(QString, from)), at(MV_FETCH(QString, to))), MV_FETCH(bool, renamed));
        QCOMPARE(QDir(at("own")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
                 MV_FETCH(QStringList, after));
        QCOMPARE(messages.seen.size(), MV_FETCH(int, messages));
        for (const MessageRequest &message : std::as_const(messages.seen))
            QVERIFY(message.text.startsWith("重命名文件时出错"));
        const QStringList files = QDir(at("own")).entryList(QDir::Files);
        if (!files.isEmpty())
            QCOMPARE(ReadBytes(at("own/") + files.first()), QByteArray("picture"));
    }

    void makeFolderPath()
    {
        MakeFolderPath(at("m/a/b/c"));
        QVERIFY(QFileInfo(at("m/a/b/c")).isDir());
        QVERIFY(WriteBytes(at("m/a/keep.txt"), "keep"));
        MakeFolderPath(at("m/a/b/c/"));
        MakeFolderPath(at("m/a/keep.txt/x"));
        QCOMPARE(ReadBytes(at("m/a/keep.txt")), QByteArray("keep"));
    }

    void filesToClipboard()
    {
        const QStringList paths{at("a b.png"), at("图.jpg")};
        QVERIFY(FilesToClipboard(paths));
        const QMimeData *data = QGuiApplication::clipboard()->mimeData();
        QVERIFY(data);
        QCOMPARE(data->urls(), (QList<QUrl>{QUrl::fromLocalFile(paths.at(0)), QUrl::fromLocalFile(paths.at(1))}));
        const QByteArray gnome = data->data("x-special/gnome-copied-files");
        QCOMPARE(gnome, "copy\n" + QUrl::fromLocalFile(paths.at(0)).toEncoded() + "\n"
                            + QUrl::fromLocalFile(paths.at(1)).toEncoded());
        QVERIFY(FileToClipboard(paths.at(0)));
        QCOMPARE(QGuiApplication::clipboard()->mimeData()->urls().size(), 1);
    }

    void copyThroughTemporary()
    {
        QTemporaryDir target;
        const QByteArray big(3 * 1024 * 1024 + 17, 'q');
        QVERIFY(WriteBytes(at("big.bin"), big));
        int calls = 0;
        CopyResult result = CopyFileThroughTemporary(at("big.bin"), target.path() + "/big.bin", [&calls](qint64 done, qint64 total) {
            ++calls;
            return done <= total;
        });
        QCOMPARE(result.outcome, CopyOutcome::Copied);
        QCOMPARE(ReadBytes(target.path() + "/big.bin"), big);
        QCOMPARE(calls, 4);
        QCOMPARE(QFileInfo(target.path() + "/big.bin").lastModified(), QFileInfo(at("big.bin")).lastModified());

        // Cancelled halfway: nothing is left behind, not even the temporary file. While the
        // bytes are written the copy has no name in the folder, so a copy that is killed
        // leaves nothing either.
        QStringList seenDuringCopy;
        result = CopyFileThroughTemporary(at("big.bin"), target.path() + "/cancelled.bin",
                                          [&](qint64 done, qint64) {
                                              seenDuringCopy = QDir(target.path()).entryList(QDir::Files | QDir::Hidden);
                                              return done < 2 * 1024 * 1024;
                                          });
        QCOMPARE(result.outcome, CopyOutcome::Cancelled);
        QCOMPARE(seenDuringCopy, QStringList{"big.bin"});
        QCOMPARE(QDir(target.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"big.bin"});

        result = CopyFileThroughTemporary(at("big.bin"), target.path() + "/no/folder/x.bin");
        QCOMPARE(result.outcome, CopyOutcome::Failed);
        QVERIFY(!result.error.isEmpty());
    }

    // A read-only original: the copy gets its time (to the nanosecond) before its mode.
    void readOnlyCopyKeepsItsTime()
    {
        QTemporaryDir target;
        QVERIFY(WriteBytes(at("readonly.png"), "locked picture"));
        const timespec written[2] = {{1323072189, 0}, {1323072189, 123456789}}; // 2011-12-5 08:03:09
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(at("readonly.png")).constData(), written, 0), 0);
        QCOMPARE(::chmod(QFile::encodeName(at("readonly.png")).constData(), 0444), 0);
        const auto statOf = [](const QString &path) {
            struct stat st{};
            ::stat(QFile::encodeName(path).constData(), &st);
            return st;
        };
        const CopyResult result = CopyFileThroughTemporary(at("readonly.png"), target.filePath("direct.png"));
        QCOMPARE(result.outcome, CopyOutcome::Copied);
        MessageAnswers messages(MsgResult::Yes);
        QVERIFY(ShellCopy(at("readonly.png"), target.filePath("shell.png")));
        QVERIFY(messages.seen.isEmpty());
        for (const char *name : {"direct.png", "shell.png"}) {
            const struct stat copy = statOf(target.filePath(name));
            QCOMPARE(ReadBytes(target.filePath(name)), QByteArray("locked picture"));
            QCOMPARE(qint64(copy.st_mtim.tv_sec), qint64(1323072189));
            QCOMPARE(qint64(copy.st_mtim.tv_nsec), qint64(123456789));
            QCOMPARE(copy.st_mode & 0777, mode_t(0444));
        }
        QCOMPARE(QDir(target.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"direct.png", "shell.png"}));
    }

    // A link at the target asks like a file; agreed to, the link itself gives way to the
    // copy and the place it points to is never written.
    void copyOntoALink_data()
    {
        QTest::addColumn<bool>("pointsToAFile");
        QTest::addColumn<int>("answer");
        QTest::newRow("pointing nowhere, no") << false << int(MsgResult::No);
        QTest::newRow("pointing nowhere, yes") << false << int(MsgResult::Yes);
        QTest::newRow("pointing to a file, no") << true << int(MsgResult::No);
        QTest::newRow("pointing to a file, yes") << true << int(MsgResult::Yes);
    }
    void copyOntoALink()
    {
        QFETCH(bool, pointsToAFile);
        const bool yes = MsgResult(MV_FETCH(int, answer)) == MsgResult::Yes;
        QTemporaryDir target;
        QTemporaryDir elsewhere;
        const QString pointed = elsewhere.filePath("pointed.jpg");
        if (pointsToAFile)
            QVERIFY(WriteBytes(pointed, "someone else's"));
        const QString link = target.filePath("photo.jpg");
        QVERIFY(QFile::link(pointed, link));
        QVERIFY(WriteBytes(at("photo.jpg"), "the copy"));

        MessageAnswers messages(yes ? MsgResult::Yes : MsgResult::No);
        QCOMPARE(ShellCopy(at("photo.jpg"), link), yes);
        QCOMPARE(messages.seen.size(), 1);
        QCOMPARE(messages.seen.at(0).buttons, MsgButtons::YesNo);
        QVERIFY(messages.seen.at(0).text.contains("photo.jpg"));
        if (yes) {
            QVERIFY(!QFileInfo(link).isSymLink());
            QVERIFY(QFileInfo(link).isFile());
            QCOMPARE(ReadBytes(link), QByteArray("the copy"));
        } else {
            QVERIFY(QFileInfo(link).isSymLink());
            QCOMPARE(QFileInfo(link).symLinkTarget(), pointed);
        }
        // Where the link pointed stays as it was: missing or with its own bytes.
        const auto everything = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
        QCOMPARE(ReadBytes(pointed), pointsToAFile ? QByteArray("someone else's") : QByteArray("<missing>"));
        QCOMPARE(QDir(elsewhere.path()).entryList(everything), pointsToAFile ? QStringList{"pointed.jpg"} : QStringList{});
        QCOMPARE(QDir(target.path()).entryList(everything), QStringList{"photo.jpg"});
    }

    void shellCopyAsksBeforeReplacing_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("no keeps the target") << int(MsgResult::No) << QByteArray("existing");
        QTest::newRow("yes replaces it") << int(MsgResult::Yes) << QByteArray("new data");
    }
    void shellCopyAsksBeforeReplacing()
    {
        QTemporaryDir target;
        QVERIFY(WriteBytes(at("src.png"), "new data"));
        QVERIFY(WriteBytes(target.path() + "/src.png", "existing"));
        MessageAnswers messages(MsgResult(MV_FETCH(int, answer)));
        ShellCopy(at("src.png"), target.path() + "/src.png");
        QCOMPARE(messages.seen.size(), 1);
        QCOMPARE(messages.seen.at(0).buttons, MsgButtons::YesNo);
        QVERIFY(messages.seen.at(0).text.contains("src.png"));
        QCOMPARE(ReadBytes(target.path() + "/src.png"), MV_FETCH(QByteArray, after));
        QCOMPARE(QDir(target.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"src.png"});
    }

    // The progress label names the file as it is: a name that looks like HTML would
    // otherwise show the picture it names.
    void copyProgressNamesTheFileLiterally()
    {
        const QString picture = at("big-label-picture.png");
        QImage big(300, 300, QImage::Format_RGB32);
        big.fill(Qt::blue);
        QVERIFY(big.save(picture));
        const QString name = QStringLiteral("<img src=\"%1\">.png").arg(QString(picture).replace('/', "&#47;"));
        QVERIFY(WriteBytes(at(name), QByteArray(3 * 1024 * 1024, 'p')));
        QTemporaryDir target;
        QWidget owner;
        QString shown;
        Qt::TextFormat format = Qt::AutoText;
        int height = 0;
        QTimer::singleShot(0, &owner, [&] {
            auto *progress = owner.findChild<QProgressDialog *>();
            QVERIFY(progress);
            const QList<QLabel *> labels = progress->findChildren<QLabel *>();
            QCOMPARE(labels.size(), 1);
            shown = labels.at(0)->text();
            format = labels.at(0)->textFormat();
            height = labels.at(0)->sizeHint().height();
        });
        MessageAnswers messages(MsgResult::Yes);
        QVERIFY(ShellCopy(at(name), target.path() + '/' + name, &owner));
        QCOMPARE(shown, QStringLiteral("正在复制 %1 ...").arg(name));
        QCOMPARE(format, Qt::PlainText);
        QVERIFY(height > 0 && height < 100);
        QVERIFY(messages.seen.isEmpty());
    }

    // The window that started a copy closes while the copy runs: the copy stops as if
    // cancelled, leaves nothing behind, and nothing is freed twice.
    void copyOwnerClosesMidway()
    {
        QVERIFY(WriteBytes(at("long.bin"), QByteArray(3 * 1024 * 1024, 'l')));
        QTemporaryDir target;
        auto *owner = new QWidget;
        bool hadProgress = false;
        QTimer::singleShot(0, [&] {
            hadProgress = owner->findChild<QProgressDialog *>() != nullptr;
            delete owner;
        });
        MessageAnswers messages(MsgResult::Yes);
        QVERIFY(!ShellCopy(at("long.bin"), target.filePath("long.bin"), owner));
        QVERIFY(hadProgress);
        QVERIFY(messages.seen.isEmpty());
        QCOMPARE(QDir(target.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    }

    void browseForFolder_data()
    {
        QTest::addColumn<QString>("choice"); // empty: cancel
        QTest::addColumn<QString>("result");
        QDir().mkpath(at("browse/Photos"));
        QTest::newRow("a folder") << at("browse/Photos") << at("browse/Photos");
        QTest::newRow("the root loses its slash") << "/" << "";
        QTest::newRow("cancelled") << "" << "";
    }
    void browseForFolder()
    {
        QFETCH(QString, choice);
        QString title;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            title = dialog->windowTitle();
            if (choice.isEmpty()) {
                dialog->reject();
                return;
            }
            dialog->setDirectory(choice);
            dialog->selectFile(choice);
            static_cast<QDialog *>(dialog)->accept(); // QFileDialog hides it
        });
        QCOMPARE(BrowseForFolder(nullptr, "选择要复制到的文件夹"), MV_FETCH(QString, result));
        QCOMPARE(title, QString("选择要复制到的文件夹"));
    }

    void shellCopyRefusals()
    {
        QVERIFY(WriteBytes(at("self.png"), "self"));
        MessageAnswers messages(MsgResult::Yes);
        QVERIFY(!ShellCopy(at("self.png"), at("self.png")));
        QCOMPARE(ReadBytes(at("self.png")), QByteArray("self"));
        QVERIFY(!ShellCopy(at("missing.png"), at("copy.png")));
        QVERIFY(!QFile::exists(at("copy.png")));
        QCOMPARE(messages.seen.size(), 2);
        QVERIFY(ShellCopy(at("self.png"), at("copy.png")));
        QCOMPARE(ReadBytes(at("copy.png")), QByteArray("self"));
        QCOMPARE(messages.seen.size(), 2);
    }
};

MV_TEST_MAIN(TestFileOps)
#include "tst_fileops.moc"
