#include "app/inifile.h"
#include "app/messagebox.h"
#include "app/paths.h"
#include "app/settings.h"
#include "messageanswers.h"
#include "ordinaryuser.h"
#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <csignal>
#include <optional>

#include <sys/resource.h>
#include <unistd.h>

using namespace mv;
using namespace mv::test;

Q_DECLARE_METATYPE(std::optional<QString>)

class TestIniFile : public QObject
{
    Q_OBJECT
    QTemporaryDir mDir;
    QString ini() const { return mDir.path() + "/Config.ini"; }

private slots:
    void init() { QFile::remove(ini()); }

    void readIniValue_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << QByteArray("[Config]\r\nMax=True\r\n") << "Config" << "Max" << "True";
        QTest::newRow("LF ends") << QByteArray("[Config]\nMax=True\n") << "Config" << "Max" << "True";
        QTest::newRow("blanks around =") << QByteArray("[Config]\r\nMax = True\r\n") << "Config" << "Max" << "";
        QTest::newRow("names without case") << QByteArray("[config]\r\nmax=true\r\n") << "CONFIG" << "Max" << "true";
        QTest::newRow("after first =") << QByteArray("[A]\r\na=b=c\r\n") << "A" << "a" << "b=c";
        QTest::newRow("value untouched") << QByteArray("[A]\r\nk= \"q\" \r\n") << "A" << "k" << " \"q\" ";
        QTest::newRow("only first section") << QByteArray("[A]\r\nx=1\r\n[B]\r\n[A]\r\nz=3\r\n") << "A" << "z" << "";
        QTest::newRow("stops at next section") << QByteArray("[A]\r\n[B]\r\nk=1\r\n") << "A" << "k" << "";
        QTest::newRow("key is a prefix") << QByteArray("[A]\r\nkey2=5\r\nkey=6\r\n") << "A" << "key" << "6";
        QTest::newRow("empty lines") << QByteArray("\r\n\r\n[A]\r\n\r\nk=1\r\n") << "A" << "k" << "1";
        QTest::newRow("header with comment") << QByteArray("[A] ; note\r\nk=1\r\n") << "A" << "k" << "1";
        QTest::newRow("missing section") << QByteArray("[A]\r\nk=1\r\n") << "B" << "k" << "";
        QTest::newRow("bracket in section") << QByteArray("[A]]\r\nk=1\r\n") << "A]" << "k" << "";
        QTest::newRow("= in key") << QByteArray("[A]\r\nk==1\r\n") << "A" << "k=" << "";
        QTest::newRow("[ in key") << QByteArray("[A]\r\n[k=1\r\n") << "A" << "[k" << "";
        QTest::newRow("empty value") << QByteArray("[A]\r\nk=\r\n") << "A" << "k" << "";
        QTest::newRow("utf-8 value") << QString("[History]\r\n00Rec=/图片/\r\n").toUtf8() << "History" << "00Rec" << "/图片/";
        QTest::newRow("gb18030 value") << QByteArray("[A]\r\nk=\xc4\xe3\r\n") << "A" << "k" << "你";

        // The reader keeps 32767 entries; a section header takes two.
        QByteArray fits = QByteArray("j\r\n").repeated(32764) + "[A]\r\nk=1\r\n";
        QTest::newRow("last entry fits") << fits << "A" << "k" << "1";
        QTest::newRow("past the limit") << QByteArray("j\r\n") + fits << "A" << "k" << "";
    }
    void readIniValue()
    {
        QFETCH(QByteArray, content);
        QVERIFY(WriteBytes(ini(), content));
        QCOMPARE(ReadIniValue(MV_FETCH(QString, section), MV_FETCH(QString, key), ini()), MV_FETCH(QString, expected));
    }

    void readMissingFileAndBareName()
    {
        QCOMPARE(ReadIniValue("Config", "Max", mDir.path() + "/none.ini"), QString());
        // A bare file name is looked up in the per-user data folder.
        QVERIFY(WriteBytes(WindowsFolder() + "bare.ini", "[A]\r\nk=v\r\n"));
        QCOMPARE(ReadIniValue("A", "k", "bare.ini"), QString("v"));
        QCOMPARE(IniRead("bare.ini", "A", "k", "d"), QString("v"));
    }

    void readIniKeys()
    {
        QVERIFY(WriteBytes(ini(), "[FavFolder]\r\n/a/=a\r\n/b/=b=c\r\nnoequals\r\n[X]\r\n/c/=c\r\n"));
        QStringList keys{"kept"};
        ReadIniKeys(keys, "favfolder", ini());
        QCOMPARE(keys, (QStringList{"kept", "/a/", "/b/"}));
        QStringList none;
        ReadIniKeys(none, "Fav=Folder", ini());
        ReadIniKeys(none, "Missing", ini());
        QVERIFY(none.isEmpty());
    }

    void profileReader_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("blanks trimmed") << QByteArray("[Options]\r\n ViewMode = 2 \r\n") << "ViewMode" << "2";
        QTest::newRow("quotes removed") << QByteArray("[Options]\r\nk=\"a b\"\r\n") << "k" << "a b";
        QTest::newRow("default") << QByteArray("[Options]\r\n") << "k" << "dflt";
        QTest::newRow("other section") << QByteArray("[Other]\r\nk=1\r\n") << "k" << "dflt";
        QTest::newRow("cut to buffer") << QByteArray("[Options]\r\nk=") + QByteArray(300, 'x') << "k" << QString(259, 'x');
    }
    void profileReader()
    {
        QVERIFY(WriteBytes(ini(), MV_FETCH(QByteArray, content)));
        QCOMPARE(IniRead(ini(), "options", MV_FETCH(QString, key), "dflt"), MV_FETCH(QString, expected));
    }

    void getIniStringIsShorter()
    {
        QVERIFY(WriteBytes(ini(), "[FavFolder]\r\n/a/=" + QByteArray(300, 'y') + "\r\n"));
        QCOMPARE(GetIniString("FavFolder", "/a/", ini()), QString(255, 'y'));
        QCOMPARE(GetIniString("FavFolder", "/b/", ini()), QString());
    }

    void writer_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<std::optional<QString>>("key");
        QTest::addColumn<std::optional<QString>>("value");
        QTest::addColumn<QByteArray>("after");
        const std::optional<QString> absent;
        QTest::newRow("creates the file") << QByteArray("<missing>") << "Config" << std::optional<QString>("Max")
                                          << std::optional<QString>("True") << QByteArray("[Config]\r\nMax=True\r\n");
        QTest::newRow("replaces, keeps the rest")
            << QByteArray("; mine\r\n[Config]\r\nA=1\r\nMax=False\r\nB = 2\r\n\r\n[Other]\r\nMax=9\r\n") << "Config"
            << std::optional<QString>("Max") << std::optional<QString>("True")
            << QByteArray("; mine\r\n[Config]\r\nA=1\r\nMax=True\r\nB = 2\r\n\r\n[Other]\r\nMax=9\r\n");
        QTest::newRow("finds keys written with blanks")
            << QByteArray("[config]\r\nB = 2\r\n") << "Config" << std::optional<QString>("b")
            << std::optional<QString>("3") << QByteArray("[config]\r\nb=3\r\n");
        QTest::newRow("adds to the end of its section")
            << QByteArray("[A]\r\nx=1\r\n\r\n[B]\r\ny=1\r\n") << "A" << std::optional<QString>("z")
            << std::optional<QString>("2") << QByteArray("[A]\r\nx=1\r\nz=2\r\n\r\n[B]\r\ny=1\r\n");
        QTest::newRow("adds a section") << QByteArray("[A]\r\nx=1\r\n") << "B" << std::optional<QString>("k")
                                        << std::optional<QString>("v") << QByteArray("[A]\r\nx=1\r\n[B]\r\nk=v\r\n");
        QTest::newRow("empty text is a value") << QByteArray("[A]\r\nk=1\r\n") << "A" << std::optional<QString>("k")
                                               << std::optional<QString>("") << QByteArray("[A]\r\nk=\r\n");
        QTest::newRow("absent value deletes the key")
            << QByteArray("[FavFolder]\r\n/a/=a\r\n/b/=b\r\n[X]\r\n/b/=x\r\n") << "FavFolder"
            << std::optional<QString>("/b/") << absent << QByteArray("[FavFolder]\r\n/a/=a\r\n[X]\r\n/b/=x\r\n");
        QTest::newRow("absent key deletes the section")
            << QByteArray("[Config]\r\nMax=True\r\n[History]\r\n00Rec=/a/\r\n01Rec=/b/\r\n[Z]\r\nq=1\r\n") << "History"
            << absent << absent << QByteArray("[Config]\r\nMax=True\r\n[Z]\r\nq=1\r\n");
        QTest::newRow("deleting from no file makes none")
            << QByteArray("<missing>") << "History" << absent << absent << QByteArray("<missing>");
        QTest::newRow("LF file comes back with CR LF") << QByteArray("[A]\nx=1\n") << "A" << std::optional<QString>("x")
                                                        << std::optional<QString>("2") << QByteArray("[A]\r\nx=2\r\n");
        QTest::newRow("utf-8 text") << QByteArray() << "History" << std::optional<QString>("00Rec")
                                    << std::optional<QString>("/照片/") << QString("[History]\r\n00Rec=/照片/\r\n").toUtf8();
    }
    void writer()
    {
        QFETCH(QByteArray, before);
        if (before != "<missing>")
            QVERIFY(WriteBytes(ini(), before));
        QFETCH(QString, section);
        QFETCH(std::optional<QString>, key);
        QFETCH(std::optional<QString>, value);
        QVERIFY(WriteProfileString(ini(), section, key, value));
        QCOMPARE(ReadBytes(ini()), MV_FETCH(QByteArray, after));
        // What was written reads back through the strict reader.
        if (key && value)
            QCOMPARE(ReadIniValue(section, *key, ini()), *value);
    }

    void writerRefusesLineBreaks()
    {
        QVERIFY(WriteBytes(ini(), "[A]\r\nk=1\r\n"));
        QVERIFY(!WriteProfileString(ini(), "A", QString("k"), QString("x\r\n[Config]\r\nTempHwnd1=5")));
        QVERIFY(!WriteProfileString(ini(), "A", QString("k\n"), QString("1")));
        QCOMPARE(ReadBytes(ini()), QByteArray("[A]\r\nk=1\r\n"));
    }

    void keepsLinesItDoesNotChange_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<std::optional<QString>>("value");
        QTest::addColumn<QByteArray>("after");
        // Section, key and the value that both readers must find, before and after the write.
        QTest::addColumn<QList<QStringList>>("reads");
        const std::optional<QString> absent;
        // 照片 and 你好 in GB18030; neither is valid UTF-8.
        const QByteArray gbPhoto = "\xd5\xd5\xc6\xac", gbHello = "\xc4\xe3\xba\xc3";
        const QByteArray utf8Photo = QString("照片").toUtf8(), utf8Hello = QString("你好").toUtf8();

        QTest::newRow("utf-8 beside gb18030")
            << "[History]\r\n00Rec=/" + utf8Photo + "/\r\n01Rec=/" + gbHello + "/\r\n[Config]\r\nMax=False\r\n"
            << "Config" << "Max" << std::optional<QString>("True")
            << "[History]\r\n00Rec=/" + utf8Photo + "/\r\n01Rec=/" + gbHello + "/\r\n[Config]\r\nMax=True\r\n"
            << QList<QStringList>{{"History", "00Rec", "/照片/"}, {"History", "01Rec", "/你好/"}};
        QTest::newRow("invalid bytes")
            << QByteArray("; \xff\xfe\x80 broken\r\n[A]\r\nk=1\r\nj=\xc3(\xe7\x85\r\n") << "A" << "k"
            << std::optional<QString>("2") << QByteArray("; \xff\xfe\x80 broken\r\n[A]\r\nk=2\r\nj=\xc3(\xe7\x85\r\n")
            << QList<QStringList>{};
        QTest::newRow("LF ends, no final newline")
            << "[A]\nk=1\n; " + gbHello + "\nlast=" + utf8Photo << "A" << "k" << std::optional<QString>("2")
            << "[A]\r\nk=2\r\n; " + gbHello + "\r\nlast=" + utf8Photo + "\r\n"
            << QList<QStringList>{{"A", "last", "照片"}};
        QTest::newRow("CR LF and LF mixed, key added")
            << "[A]\r\nx=" + gbPhoto + "\ny=" + utf8Photo + "\r\n\n[B]\nz=1" << "A" << "new"
            << std::optional<QString>("你好")
            << "[A]\r\nx=" + gbPhoto + "\r\ny=" + utf8Photo + "\r\nnew=" + utf8Hello + "\r\n\r\n[B]\r\nz=1\r\n"
            << QList<QStringList>{{"A", "x", "照片"}, {"A", "y", "照片"}, {"B", "z", "1"}};
        QTest::newRow("the changed line was gb18030")
            << "[A]\r\nk=" + gbHello + "\r\nm=" + gbHello + "\r\n" << "A" << "k" << std::optional<QString>("照片")
            << "[A]\r\nk=" + utf8Photo + "\r\nm=" + gbHello + "\r\n" << QList<QStringList>{{"A", "m", "你好"}};
        QTest::newRow("key found by its gb18030 name")
            << "[FavFolder]\r\n/" + gbPhoto + "/=" + gbPhoto + "\r\n/" + gbHello + "/=" + gbHello + "\r\n"
            << "FavFolder" << "/照片/" << absent << "[FavFolder]\r\n/" + gbHello + "/=" + gbHello + "\r\n"
            << QList<QStringList>{{"FavFolder", "/你好/", "你好"}};
        QTest::newRow("byte order mark")
            << QByteArray("\xef\xbb\xbf[Config]\r\nMax=False\r\nTempHwnd1=3\r\n") << "Config" << "Max"
            << std::optional<QString>("True") << QByteArray("\xef\xbb\xbf[Config]\r\nMax=True\r\nTempHwnd1=3\r\n")
            << QList<QStringList>{{"Config", "TempHwnd1", "3"}};
    }
    void keepsLinesItDoesNotChange()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(std::optional<QString>, value);
        QFETCH(QList<QStringList>, reads);
        QVERIFY(WriteBytes(ini(), MV_FETCH(QByteArray, before)));
        const auto checkReads = [&] {
            for (const QStringList &read : reads) {
                QCOMPARE(ReadIniValue(read.at(0), read.at(1), ini()), read.at(2));
                QCOMPARE(IniRead(ini(), read.at(0), read.at(1), "dflt"), read.at(2));
            }
        };
        checkReads();
        if (QTest::currentTestFailed())
            return;
        const IniWriteResult written = WriteProfileString(ini(), section, key, value);
        QVERIFY2(written, qPrintable(written.error));
        QCOMPARE(ReadBytes(ini()), MV_FETCH(QByteArray, after));
        checkReads();
        QCOMPARE(IniRead(ini(), section, key, "dflt"), value.value_or("dflt"));
    }

    void failedWriteKeepsTheFile_data()
    {
        QTest::addColumn<bool>("readOnlyFile");
        QTest::newRow("folder refuses new files") << false;
        QTest::newRow("read-only file") << true;
    }
    void failedWriteKeepsTheFile()
    {
        QFETCH(bool, readOnlyFile);
        QTemporaryDir dir;
        const QString config = dir.path() + "/Config.ini";
        const QByteArray original = "[Config]\r\nMax=False\r\n; \xc4\xe3\r\n";
        QVERIFY(WriteBytes(config, original));
        const auto all = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther | QFile::ExeOwner | QFile::ExeGroup
                         | QFile::ExeOther | QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
        const auto readOnly = all & ~(QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther);
        const auto readable = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
        // A folder that takes no new files holding a file that may be written, or the other
        // way round.
        QVERIFY(QFile::setPermissions(config, readOnlyFile ? readable : all));
        QVERIFY(QFile::setPermissions(dir.path(), readOnlyFile ? all : readOnly));
        const auto restore = qScopeGuard([&] { QFile::setPermissions(dir.path(), all); });
        {
            const OrdinaryUser user;
            if (!user.active())
                QSKIP("cannot leave root here");
            QFile probe(readOnlyFile ? config : dir.path() + "/probe");
            QVERIFY(!probe.open(QIODevice::ReadWrite));
            if (!readOnlyFile)
                QVERIFY(QFile(config).open(QIODevice::ReadWrite));

            const IniWriteResult written = WriteProfileString(config, "Config", QString("Max"), QString("True"));
            QVERIFY(!written);
            QVERIFY(!written.refusedText);
            QVERIFY2(written.error.startsWith(config + ": "), qPrintable(written.error));
            // A write that changes nothing still succeeds.
            QVERIFY(WriteProfileString(config, "Config", QString("Absent"), std::nullopt));
            MessageAnswers messages(MsgResult::Ok);
            QVERIFY(!WriteIniValue("Config", QString("Max"), QString("True"), config));
            QCOMPARE(messages.seen.size(), 1);
        }
        QCOMPARE(ReadBytes(config), original);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Config.ini"});
    }

    // Two processes write many keys at the same moment; no write may undo the other's.
    void concurrentWritersLoseNothing()
    {
        const QString config = mDir.path() + "/Config.ini";
        QVERIFY(WriteBytes(config, "[Config]\r\nMax=True\r\n"));
        const int count = 150;
        QList<QProcess *> writers;
        for (const QString prefix : {"a", "b"}) {
            auto *writer = new QProcess(this);
            writer->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            writer->start(MIROVALE_INIWRITER, {config, prefix, QString::number(count)});
            writers.append(writer);
        }
        for (QProcess *writer : writers)
            QTRY_VERIFY_WITH_TIMEOUT(writer->canReadLine() || writer->state() == QProcess::NotRunning, 30000);
        for (QProcess *writer : writers)
            QCOMPARE(writer->readLine(), QByteArray("ready\n"));
        for (QProcess *writer : writers) {
            writer->write("go\n");
            QVERIFY(writer->waitForBytesWritten(30000));
        }
        for (QProcess *writer : writers) {
            QVERIFY(writer->waitForFinished(120000));
            QCOMPARE(writer->exitStatus(), QProcess::NormalExit);
            QCOMPARE(writer->exitCode(), 0);
            delete writer;
        }

        QStringList keys;
        ReadIniKeys(keys, "Shared", config);
        QCOMPARE(keys.size(), 2 * count);
        for (const QString prefix : {"a", "b"}) {
            for (int i = 0; i < count; ++i)
                QCOMPARE(ReadIniValue("Shared", prefix + QString::number(i), config), QString("v%1").arg(i));
        }
        QCOMPARE(ReadIniValue("Config", "Max", config), QString("True"));
        QCOMPARE(QDir(mDir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Config.ini"});
    }

    void staleLockIsTakenOver_data()
    {
        QTest::addColumn<bool>("holderDied");
        QTest::newRow("holder died") << true;
        QTest::newRow("left from before a restart") << false;
    }
    void staleLockIsTakenOver()
    {
        QVERIFY(WriteBytes(ini(), "[Config]\r\nMax=False\r\n"));
        // A real lock's lines: process id, program, host, machine id, boot id.
        QList<QByteArray> fields;
        {
            QLockFile maker(ini() + ".lock");
            QVERIFY(maker.tryLock(0));
            fields = ReadBytes(ini() + ".lock").split('\n');
        }
        QVERIFY(fields.size() >= 5);
        if (MV_FETCH(bool, holderDied)) {
            QProcess gone;
            gone.start("sleep", {"30"});
            QVERIFY(gone.waitForStarted());
            fields[0] = QByteArray::number(gone.processId());
            gone.kill();
            QVERIFY(gone.waitForFinished());
        } else {
            // Our own, living, process id: only the boot id tells that the lock is old.
            fields[4] = "another-boot";
        }
        QVERIFY(WriteBytes(ini() + ".lock", fields.join('\n')));

        const IniWriteResult written = WriteProfileString(ini(), "Config", QString("Max"), QString("True"));
        QVERIFY2(written, qPrintable(written.error));
        QCOMPARE(ReadBytes(ini()), QByteArray("[Config]\r\nMax=True\r\n"));
        QCOMPARE(QDir(mDir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Config.ini"});
    }

    // A lock that another writer keeps makes the write fail after a bounded wait.
    void heldLockFailsTheWrite()
    {
        QVERIFY(WriteBytes(ini(), "[Config]\r\nMax=False\r\n"));
        QLockFile other(ini() + ".lock");
        QVERIFY(other.tryLock(0));
        MessageAnswers messages(MsgResult::Ok);
        const IniWriteResult written = WriteIniValue("Config", QString("Max"), QString("True"), ini());
        QVERIFY(!written);
        QVERIFY2(written.error.contains("lock"), qPrintable(written.error));
        QCOMPARE(messages.seen.size(), 1);
        QCOMPARE(ReadBytes(ini()), QByteArray("[Config]\r\nMax=False\r\n"));
        other.unlock();
        QVERIFY(WriteIniValue("Config", QString("Max"), QString("True"), ini()));
        QCOMPARE(ReadBytes(ini()), QByteArray("[Config]\r\nMax=True\r\n"));
        QCOMPARE(messages.seen.size(), 1);
    }

    void writeIniValueTellsTheUser()
    {
        MessageAnswers messages(MsgResult::Ok);
        WriteIniValue("Config", QString("Max"), QString("True"), mDir.path() + "/no/such/folder/Config.ini");
        QCOMPARE(messages.seen.size(), 1);
        QCOMPARE(messages.seen.at(0).text, QString("写入信息时出错,请确定您有足够的权限！"));
        QCOMPARE(messages.seen.at(0).title, QString("提示"));
        QCOMPARE(messages.seen.at(0).icon, MsgIcon::Critical);

        WriteIniValue("Config", QString("Max"), QString("True"), ini());
        QCOMPARE(messages.seen.size(), 1);
        // IniWrite fails silently.
        IniWrite(mDir.path() + "/no/such/folder/Config.ini", "History", "00Rec", "/a/");
        QCOMPARE(messages.seen.size(), 1);
    }

    void fullDiskKeepsTheSettings()
    {
        const QByteArray original = "[Config]\r\nMax=True\r\nPlayerWnd=1,2,3,4\r\n";
        QVERIFY(WriteBytes(ini(), original));
        // A file-size limit makes every write past 1024 bytes fail, as a full disk would;
        // the small lock file still fits.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const IniWriteResult written = WriteProfileString(ini(), "Config", QString("PlayerWnd"), QString(4000, '9'));
        setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY(!written);
        QVERIFY2(!written.error.contains("lock"), qPrintable(written.error));
        QCOMPARE(ReadBytes(ini()), original);
        QCOMPARE(QDir(mDir.path()).entryList(QDir::Files), QStringList{"Config.ini"});
    }

    void loadSettings()
    {
        QTemporaryDir folders;
        QStringList paths;
        for (int i = 0; i < 10; ++i) {
            paths << folders.path() + QString("/f%1/").arg(i);
            QDir().mkpath(paths.last());
        }
        QDir(paths.at(3)).removeRecursively();
        QByteArray content = "[Options]\r\nViewMode=abc\r\nViewColumnWidth2=250\r\n[History]\r\n";
        for (int i = 0; i < 10; ++i)
            content += QString("%1=%2\r\n").arg(HistoryKey(i), paths.at(i)).toUtf8();
        QVERIFY(WriteBytes(ini(), content));

        const LoadedSettings loaded = LoadSettings(ini());
        QCOMPARE(loaded.view.ViewMode, 0);
        QCOMPARE(loaded.view.ViewColumnWidth, (std::array<int, 4>{100, 100, 250, 100}));
        QCOMPARE(loaded.view.ThumbnailWidth, 170);
        QCOMPARE(loaded.view.ThumbnailHeight, 127);
        QStringList expected = paths;
        expected.removeAt(3);
        QCOMPARE(loaded.history, expected);

        // Nine entries go back; the old tenth key stays in the file.
        SaveHistory(loaded.history + QStringList{QString(ClearHistoryItem), "/never/"}, ini());
        for (int i = 0; i < 9; ++i)
            QCOMPARE(ReadIniValue("History", HistoryKey(i), ini()), expected.at(i));
        QCOMPARE(ReadIniValue("History", "09Rec", ini()), paths.at(9));
        QCOMPARE(ReadIniValue("History", "10Rec", ini()), QString());
        QCOMPARE(ReadIniValue("Options", "ViewColumnWidth2", ini()), QString("250"));
    }

    void saveHistorySkipsWhatItCannotStore()
    {
        QVERIFY(WriteBytes(ini(), "[History]\r\n01Rec=/old/\r\n"));
        const IniWriteResult saved = SaveHistory({"/a/", "/b\n/", "/c/"}, ini());
        QVERIFY(!saved);
        QVERIFY(saved.refusedText);
        QCOMPARE(ReadBytes(ini()), QByteArray("[History]\r\n01Rec=/old/\r\n00Rec=/a/\r\n02Rec=/c/\r\n"));
        QVERIFY(SaveHistory({"/a/", "/b/"}, ini()));
    }

    void historyStopsAtAGap()
    {
        QTemporaryDir folders;
        const QString a = folders.path() + "/a/", b = folders.path() + "/b/", c = folders.path() + "/c/";
        for (const QString &p : {a, b, c})
            QDir().mkpath(p);
        QDir().mkpath(DesktopFolder());
        QVERIFY(WriteBytes(ini(), QString("[History]\r\n00Rec=%1\r\n01Rec=%2\r\n02Rec=%3\r\n04Rec=%4\r\n")
                                      .arg(DesktopLabel, a, b, c)
                                      .toUtf8()));
        QCOMPARE(LoadSettings(ini()).history, (QStringList{DesktopLabel, a, b}));
        QCOMPARE(LoadSettings(mDir.path() + "/none.ini").history, QStringList());
    }
};

MV_TEST_MAIN(TestIniFile)
#include "tst_inifile.moc"
