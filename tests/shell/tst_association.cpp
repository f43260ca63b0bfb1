#include "faketools.h"
#include "shell/association.h"
#include "shell/mimeapps.h"
#include "shell/mimetypes.h"
#include "testutil.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>

#include <unistd.h>

using namespace mv;
using namespace mv::test;

namespace {

// A shared database that lacks RLE and JFIF.
QString FakeShared(const QString &fileName)
{
    static const QHash<QString, QString> known{
        {"bmp", "image/bmp"},  {"dib", "image/bmp"},  {"gif", "image/gif"},  {"jpg", "image/jpeg"},
        {"jpeg", "image/jpeg"}, {"jpe", "image/jpeg"}, {"png", "image/png"},  {"tif", "image/tiff"},
        {"tiff", "image/tiff"}, {"emf", "image/emf"},  {"wmf", "image/wmf"}, {"ico", "image/vnd.microsoft.icon"}};
    return known.value(fileName.section(QLatin1Char('.'), -1));
}

const AssociationArt Art{"<svg>bitmap</svg>", "<svg>jpeg</svg>", "<svg>tiff</svg>", "<svg>program</svg>"};

const QByteArray MimeList = "image/bmp;image/x-mirovale-rle;image/gif;image/jpeg;image/x-mirovale-jfif;image/png;"
                            "image/tiff;image/emf;image/wmf;image/vnd.microsoft.icon;";

struct FileState {
    QByteArray bytes;
    QDateTime modified;
    bool operator==(const FileState &) const = default;
};

QMap<QString, FileState> Snapshot(const QString &root)
{
    QMap<QString, FileState> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(path.mid(root.size()), {ReadBytes(path), QFileInfo(path).lastModified()});
    }
    return files;
}

AssociationPlaces PlacesIn(const QString &root, const QString &program = "/opt/Mirovale/Mirovale")
{
    return {root + "/data/", root + "/config/", program};
}

} // namespace

class TestAssociation : public QObject
{
    Q_OBJECT

private slots:
    // Before anything asks the MIME database: a package of ours that it will read.
    void initTestCase()
    {
        const QString packages = qEnvironmentVariable("XDG_DATA_HOME") + "/mime/packages/";
        QDir().mkpath(packages);
        QVERIFY(WriteBytes(packages + "Mirovale.xml",
                           "<?xml version=\"1.0\"?>\n"
                           "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                           "<mime-type type=\"image/x-mirovale-probe\"><comment>probe</comment>"
                           "<glob pattern=\"*.mvprobe\"/></mime-type>\n</mime-info>\n"));
    }

    void typesInOrder()
    {
        QCOMPARE(AssociationTypes(), (QStringList{"BMP", "DIB", "RLE", "GIF", "JPG", "JPEG", "JPE", "JFIF", "PNG",
                                                  "TIF", "TIFF", "EMF", "WMF", "ICO"}));
        QCOMPARE(TypeName("JFIF"), QString("Mirovale JFIF 图像"));
    }

    void icons_data()
    {
        QTest::addColumn<QString>("ext");
        QTest::addColumn<int>("family");
        for (const char *ext : {"JPG", "JPEG", "JPE", "JFIF"})
            QTest::newRow(ext) << ext << int(TypeIconFamily::Jpeg);
        for (const char *ext : {"GIF", "PNG", "DIB", "RLE", "BMP"})
            QTest::newRow(ext) << ext << int(TypeIconFamily::Bitmap);
        for (const char *ext : {"TIF", "TIFF", "EMF", "WMF"})
            QTest::newRow(ext) << ext << int(TypeIconFamily::TiffMetafile);
        QTest::newRow("ICO") << "ICO" << int(TypeIconFamily::Itself);
        QTest::newRow("case counts") << "jpeg" << int(TypeIconFamily::None);
        QTest::newRow("other") << "TXT" << int(TypeIconFamily::None);
        QTest::newRow("empty") << "" << int(TypeIconFamily::None);
    }
    void icons()
    {
        QFETCH(QString, ext);
        QCOMPARE(int(GetFileIcon(ext)), MV_FETCH(int, family));
    }

    // The shared database decides, but a type of our own package never counts as shared.
    void sharedDatabase()
    {
        QCOMPARE(QMimeDatabase().mimeTypeForFile("a.mvprobe", QMimeDatabase::MatchExtension).name(),
                 QString("image/x-mirovale-probe"));
        QCOMPARE(SharedMimeTypeFor("a.mvprobe"), QString());
        QCOMPARE(SharedMimeTypeFor("file.jpeg"), QString("image/jpeg"));
        QCOMPARE(SharedMimeTypeFor("file.unknownextension"), QString());
        const QList<ImageMimeType> types = AssociationMimeTypes();
        QCOMPARE(types.size(), 14);
        for (const ImageMimeType &type : types)
            QCOMPARE(type.own, type.name == OwnMimePrefix + type.ext.toLower());
    }

    void exec_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("exec");
        QTest::newRow("plain") << "/usr/bin/Mirovale" << "\"/usr/bin/Mirovale\" %f";
        QTest::newRow("blanks and Chinese") << "/home/u/看 图/Mirovale" << "\"/home/u/看 图/Mirovale\" %f";
        // Quoted: \" \` \$ \\ ; then every backslash doubled for the string value; % doubled.
        QTest::newRow("quotes, dollar, backtick, backslash, percent")
            << "/opt/My \"Apps\"/$HOME/a`b`/100%/back\\slash/Mirovale"
            << "\"/opt/My \\\\\"Apps\\\\\"/\\\\$HOME/a\\\\`b\\\\`/100%%/back\\\\\\\\slash/Mirovale\" %f";
        QTest::newRow("single quote") << "/opt/it's/Mirovale" << "\"/opt/it's/Mirovale\" %f";
    }
    void exec()
    {
        QFETCH(QString, program);
        QCOMPARE(DesktopExec(program), std::optional<QString>(MV_FETCH(QString, exec)));
    }

    void execRefused_data()
    {
        QTest::addColumn<QString>("program");
        QTest::newRow("empty") << "";
        QTest::newRow("relative") << "bin/Mirovale";
        QTest::newRow("line break") << "/opt/a\nb/Mirovale";
    }
    void execRefused()
    {
        QFETCH(QString, program);
        QVERIFY(!DesktopExec(program));
        QVERIFY(!DesktopEntry(program, {"image/png"}));
    }

    void desktopEntryValidates()
    {
        if (QStandardPaths::findExecutable("desktop-file-validate").isEmpty())
            QSKIP("desktop-file-validate is not installed");
        QTemporaryDir dir;
        const auto entry = DesktopEntry("/opt/My \"Apps\"/$HOME/a`b`/100%/看 图/back\\slash/Mirovale",
                                        DistinctMimeNames(AssociationMimeTypes(FakeShared)));
        QVERIFY(entry);
        QVERIFY(WriteBytes(dir.filePath("Mirovale.desktop"), *entry));
        QProcess validate;
        validate.start("desktop-file-validate", {dir.filePath("Mirovale.desktop")});
        QVERIFY(validate.waitForFinished());
        const QByteArray said = validate.readAllStandardOutput() + validate.readAllStandardError();
        QVERIFY2(validate.exitCode() == 0 && said.trimmed().isEmpty(), said.constData());
    }

    // One run writes the entry, the package, the icons and the defaults; a second run
    // leaves every file as it was.
    void writeTwice()
    {
        QTemporaryDir dir;
        const AssociationPlaces places = PlacesIn(dir.path());
        QDir().mkpath(places.configHome);
        QVERIFY(WriteBytes(places.configHome + "mimeapps.list",
                           "[Default Applications]\ntext/plain=org.gnome.TextEditor.desktop;\n"
                           "image/jpeg=org.gnome.eog.desktop;\n\n[Added Associations]\n"
                           "image/jpeg=org.gnome.eog.desktop;\napplication/pdf=evince.desktop;\n"));
        const QList<ImageMimeType> types = AssociationMimeTypes(FakeShared);
        const AssociationResult first = WriteAssociation(places, Art, types);
        QVERIFY2(first.ok, qPrintable(first.error));

        QCOMPARE(ReadBytes(places.dataHome + "applications/Mirovale.desktop"),
                 "[Desktop Entry]\nType=Application\nName=Mirovale\nGenericName=图片查看器\n"
                 "Comment=浏览和查看图片\nIcon=mirovale\nExec=\"/opt/Mirovale/Mirovale\" %f\nTerminal=false\n"
                 "Categories=Graphics;Viewer;\nMimeType="
                     + MimeList + "\n");
        const QByteArray package = ReadBytes(places.dataHome + "mime/packages/Mirovale.xml");
        QVERIFY(package.contains("<mime-type type=\"image/x-mirovale-rle\">\n"
                                 "        <comment>Mirovale RLE 图像</comment>\n"
                                 "        <icon name=\"image-x-mirovale-rle\"/>\n"
                                 "        <generic-icon name=\"image-x-generic\"/>\n"
                                 "        <glob pattern=\"*.rle\"/>\n"
                                 "    </mime-type>"));
        QVERIFY(package.contains("<comment>Mirovale JFIF 图像</comment>"));
        QCOMPARE(package.count("<mime-type "), 2);
        const QString icons = places.dataHome + "icons/hicolor/scalable/";
        QCOMPARE(ReadBytes(icons + "mimetypes/image-x-mirovale-rle.svg"), Art.bitmap);
        QCOMPARE(ReadBytes(icons + "mimetypes/image-x-mirovale-jfif.svg"), Art.jpeg);
        QCOMPARE(QDir(icons + "mimetypes").entryList(QDir::Files).size(), 2);
        QCOMPARE(ReadBytes(icons + "apps/mirovale.svg"), Art.program);

        QByteArray defaults = "[Default Applications]\ntext/plain=org.gnome.TextEditor.desktop;\n"
                              "image/jpeg=Mirovale.desktop;\n";
        QByteArray added = "[Added Associations]\nimage/jpeg=Mirovale.desktop;org.gnome.eog.desktop;\n"
                           "application/pdf=evince.desktop;\n";
        for (const QByteArray &type : MimeList.split(';')) {
            if (!type.isEmpty() && type != "image/jpeg") {
                defaults += type + "=Mirovale.desktop;\n";
                added += type + "=Mirovale.desktop;\n";
            }
        }
        QCOMPARE(ReadBytes(places.configHome + "mimeapps.list"), defaults + "\n" + added);

        const QMap<QString, FileState> once = Snapshot(dir.path());
        const AssociationResult second = WriteAssociation(places, Art, types);
        QVERIFY2(second.ok, qPrintable(second.error));
        QCOMPARE(Snapshot(dir.path()), once);
    }

    // What cannot be read is not replaced; the rest of the association still happens.
    void unreadableMimeAppsKept()
    {
        QTemporaryDir dir;
        const AssociationPlaces places = PlacesIn(dir.path());
        QVERIFY(QDir().mkpath(places.configHome + "mimeapps.list/inside"));
        const AssociationResult result = WriteAssociation(places, Art, AssociationMimeTypes(FakeShared));
        QVERIFY(!result.ok);
        QVERIFY(QFileInfo(places.configHome + "mimeapps.list/inside").isDir());
        QVERIFY(QFileInfo(places.dataHome + "applications/Mirovale.desktop").isFile());

        if (geteuid() == 0)
            QSKIP("permissions do not bind root");
        QDir(places.configHome).removeRecursively();
        QDir().mkpath(places.configHome);
        const QByteArray old = "[Default Applications]\nimage/jpeg=eog.desktop;\n";
        QVERIFY(WriteBytes(places.configHome + "mimeapps.list", old));
        QFile::setPermissions(places.configHome + "mimeapps.list", QFile::WriteOwner);
        QVERIFY(!WriteAssociation(places, Art, AssociationMimeTypes(FakeShared)).ok);
        QFile::setPermissions(places.configHome + "mimeapps.list", QFile::WriteOwner | QFile::ReadOwner);
        QCOMPARE(ReadBytes(places.configHome + "mimeapps.list"), old);
    }

    // Defaults naming an entry that could not be written would only take the user's choice away.
    void noEntryNoDefaults()
    {
        QTemporaryDir dir;
        const AssociationPlaces places = PlacesIn(dir.path(), "relative/Mirovale");
        QDir().mkpath(places.configHome);
        const QByteArray old = "[Default Applications]\nimage/jpeg=eog.desktop;\n";
        QVERIFY(WriteBytes(places.configHome + "mimeapps.list", old));
        QVERIFY(!WriteAssociation(places, Art, AssociationMimeTypes(FakeShared)).ok);
        QVERIFY(!QFileInfo::exists(places.dataHome + "applications/Mirovale.desktop"));
        QCOMPARE(ReadBytes(places.configHome + "mimeapps.list"), old);
    }

    void refresh()
    {
        QTemporaryDir dir;
        const AssociationPlaces places = PlacesIn(dir.path());
        {
            FakeTools tools; // none installed
            RefreshShell(places);
            QVERIFY(tools.calls().isEmpty());
        }
        FakeTools tools;
        tools.add("update-mime-database");
        tools.add("update-desktop-database", 1); // a failing refresh is no failure of the command
        RefreshShell(places);
        QCOMPARE(tools.calls(), (QList<QStringList>{{"update-mime-database", places.dataHome + "mime"},
                                                    {"update-desktop-database", places.dataHome + "applications"}}));
    }

    // The check asks what the desktop would open: a desktop-specific list that says otherwise wins.
    void inForce()
    {
        const QByteArray oldDesktop = qgetenv("XDG_CURRENT_DESKTOP");
        qputenv("XDG_CURRENT_DESKTOP", "GNOME");
        const QString config = qEnvironmentVariable("XDG_CONFIG_HOME") + "/";
        const QString data = qEnvironmentVariable("XDG_DATA_HOME") + "/";
        const QList<ImageMimeType> types = AssociationMimeTypes(FakeShared);
        QVERIFY(!AssociationInForce(types));
        QVERIFY(WriteAssociation({data, config, "/opt/Mirovale/Mirovale"}, Art, types).ok);
        QVERIFY(AssociationInForce(types));
        QVERIFY(WriteBytes(data + "applications/other.desktop", "[Desktop Entry]\n"));
        QVERIFY(WriteBytes(config + "gnome-mimeapps.list", "[Default Applications]\nimage/jpeg=other.desktop;\n"));
        QVERIFY(!AssociationInForce(types));
        QFile::remove(config + "gnome-mimeapps.list");
        QFile::remove(config + "mimeapps.list");
        QFile::remove(data + "applications/other.desktop");
        qputenv("XDG_CURRENT_DESKTOP", oldDesktop);
    }
};

MV_TEST_MAIN(TestAssociation)
#include "tst_association.moc"
