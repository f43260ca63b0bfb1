#include "app/paths.h"
#include "fs/filelist.h"
#include "testutil.h"

#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace mv;

namespace {

void touch(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
}

} // namespace

class TestPaths : public QObject
{
    Q_OBJECT
private slots:
    void splitting_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QString>("extension");
        QTest::newRow("file") << "/pics/a.jpg" << "a.jpg" << "/pics/" << "pics" << ".jpg";
        QTest::newRow("folder path") << "/pics/cats/" << "" << "/pics/cats/" << "cats" << "";
        QTest::newRow("bare name") << "photo.JPG" << "photo.JPG" << "" << "photo.JPG" << ".JPG";
        QTest::newRow("dot in folder") << "/a.b/file" << "file" << "/a.b/" << "a.b" << "";
        QTest::newRow("dotted folder, no extension")
            << "/x/my.pics/photo" << "photo" << "/x/my.pics/" << "my.pics" << "";
        QTest::newRow("dotted folder and extension")
            << "/x/my.pics/photo.Png" << "photo.Png" << "/x/my.pics/" << "my.pics" << ".Png";
        QTest::newRow("dotted folder path") << "/x/my.pics/" << "" << "/x/my.pics/" << "my.pics" << "";
        QTest::newRow("two dots") << "/p/archive.tar.gz" << "archive.tar.gz" << "/p/" << "p" << ".gz";
        QTest::newRow("hidden file") << "/p/.png" << ".png" << "/p/" << "p" << ".png";
        QTest::newRow("ends in a dot") << "/p/a." << "a." << "/p/" << "p" << ".";
        QTest::newRow("no dot") << "/home/readme" << "readme" << "/home/" << "home" << "";
        QTest::newRow("root") << "/" << "" << "/" << "" << "";
    }
    void splitting()
    {
        QFETCH(QString, path);
        QCOMPARE(FileNameOf(path), MV_FETCH(QString, fileName));
        QCOMPARE(FolderOf(path), MV_FETCH(QString, folder));
        QCOMPARE(ParentFolderName(path), MV_FETCH(QString, parent));
        QCOMPARE(ExtensionOf(path), MV_FETCH(QString, extension));
    }

    void supportedImage_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("supported");
        QTest::newRow("upper") << "photo.JPG" << true;
        QTest::newRow("lower") << "photo.jpg" << true;
        QTest::newRow("jfif") << "x.jfif" << true;
        QTest::newRow("tar.gz") << "archive.tar.gz" << false;
        QTest::newRow("no dot") << "README" << false;
        QTest::newRow("partial type") << "a.JP" << false;
        QTest::newRow("pipe trick") << "a.JPG|PNG" << false;
        QTest::newRow("empty type") << "a." << false;
        QTest::newRow("path") << "/pics/a.bmp" << true;
        QTest::newRow("type only in a folder") << "/x/my.png/photo" << false;
        QTest::newRow("folder type, file other") << "/x/my.png/photo.txt" << false;
        QTest::newRow("folder other, file type") << "/x/my.txt/photo.tif" << true;
    }
    void supportedImage()
    {
        QFETCH(QString, name);
        QCOMPARE(IsSupportedImage(name), MV_FETCH(bool, supported));
    }

    void everyTypeIsSupported()
    {
        for (const QString &type : QString(SupportedTypes).split('|', Qt::SkipEmptyParts)) {
            QVERIFY2(IsSupportedImage("x." + type.toLower()), qPrintable(type));
            QVERIFY2(QString(SupportedPattern).contains("*." + type + ";") || QString(SupportedPattern).endsWith("*." + type),
                     qPrintable(type));
        }
    }

    void systemFolders()
    {
        const QString app = AppFolder();
        QVERIFY(app.endsWith('/'));
        QVERIFY(!app.endsWith("//"));
        QCOMPARE(app, QCoreApplication::applicationDirPath() + '/');

        const QString windows = WindowsFolder();
        QCOMPARE(windows, qEnvironmentVariable("XDG_DATA_HOME") + "/Mirovale/");
        QVERIFY(QFileInfo(windows).isDir());

        // Config.ini stays beside the program where it may write there, as the tests' own
        // copies of the program folder are; an installed, read-only one sends it to the
        // user's configuration folder.
        QCOMPARE(ConfigFolder(), app);
        QCOMPARE(ConfigFolderFor("/usr/bin/", true), QString("/usr/bin/"));
        const QString config = qEnvironmentVariable("XDG_CONFIG_HOME") + "/Mirovale/";
        QDir(config).removeRecursively();
        QCOMPARE(ConfigFolderFor("/usr/bin/", false), config);
        QVERIFY(QFileInfo(config).isDir());

        QCOMPARE(DesktopFolder(), qEnvironmentVariable("HOME") + "/Desktop/");
        QCOMPARE(ResolveDesktopLabel(QString(DesktopLabel) + "sub/"), DesktopFolder() + "sub/");
        QCOMPARE(ResolveDesktopLabel("/tmp/"), QString("/tmp/"));
    }

    void hasFileAndFolderExists()
    {
        QTemporaryDir dir;
        const QString file = dir.path() + "/a.png";
        touch(file);
        QVERIFY(HasFile(file));
        QVERIFY(!HasFile(dir.path()));
        QVERIFY(!HasFile(dir.path() + "/missing.png"));
        QVERIFY(!HasFile(QString()));
        QVERIFY(FolderPathExists(dir.path() + '/'));
        QVERIFY(FolderPathExists(dir.path()));
        QVERIFY(FolderPathExists("/"));
        QVERIFY(!FolderPathExists(file));
        QVERIFY(!FolderPathExists(dir.path() + "/gone/"));
        QVERIFY(!FolderPathExists(QString()));
        QDir().mkpath(DesktopFolder());
        QVERIFY(FolderPathExists(DesktopLabel));
    }

    void listImageFiles()
    {
        QTemporaryDir dir;
        const QString d = dir.path() + '/';
        for (const char *name : {"b.png", "A.JPG", "a.jpg", "c.txt", ".hidden.png", "Zeta.gif", "noext"})
            touch(d + name);
        QDir().mkpath(d + "folder.png");
        QVERIFY(QFile::link(d + "b.png", d + "link.bmp"));
        QVERIFY(QFile::link(d + "missing.png", d + "dangling.png"));
        QCOMPARE(mkfifo(QFile::encodeName(d + "pipe.png").constData(), 0600), 0);

        QCOMPARE(ListImageFiles(d), (QStringList{"A.JPG", "a.jpg", "b.png", "link.bmp", "Zeta.gif"}));
        QCOMPARE(ListImageFiles(d + "missing/"), QStringList());
        QCOMPARE(ListImageFiles(QString()), QStringList());
    }
};

MV_TEST_MAIN(TestPaths)
#include "tst_paths.moc"
