#include "app/paths.h"
#include "faketools.h"
#include "imaging/exiffixture.h"
#include "imaging/fixtures.h"
#include "imaging/gdiplus.h"
#include "metafile/metafilewriter.h"
#include "shell/wallpaper.h"
#include "testutil.h"

#include <QImageReader>
#include <QUrl>

using namespace mv;
using namespace mv::test;

namespace {

QRgb Snapped(QRgb c)
{
    return qRgb(qRed(c) > 128 ? 255 : 0, qGreen(c) > 128 ? 255 : 0, qBlue(c) > 128 ? 255 : 0);
}

// The colours in the middles of the picture's quadrants: top left, top right, bottom left,
// bottom right.
QList<QRgb> Quarters(const QImage &image)
{
    const int w = image.width(), h = image.height();
    return {Snapped(image.pixel(w / 4, h / 4)), Snapped(image.pixel(3 * w / 4, h / 4)),
            Snapped(image.pixel(w / 4, 3 * h / 4)), Snapped(image.pixel(3 * w / 4, 3 * h / 4))};
}

const QList<QRgb> Upright{qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 255)};

// What the written file holds, read as the bitmap its name says it is: a plain Windows
// bitmap of 24-bit pixels, which every desktop reads.
QImage ReadBitmap(const QString &path)
{
    const QByteArray bytes = ReadBytes(path);
    if (!bytes.startsWith("BM") || bytes.size() < 30 || bytes.at(28) != 24 || bytes.at(29) != 0)
        return QImage();
    QImageReader reader(path, "bmp");
    return reader.read();
}

QByteArray BlackCornerEmf()
{
    EmfWriter emf(60, 40);
    emf.createBrush(1, 0, Rgb(0, 0, 0));
    emf.selectObject(1);
    emf.rectangle(0, 0, 30, 20);
    return emf.finish();
}

QByteArray BlackCornerWmf()
{
    WmfWriter wmf(QRect(0, 0, 60, 40), 96);
    wmf.createBrush(0, Rgb(0, 0, 0));
    wmf.selectObject(0);
    wmf.rectangle(0, 0, 30, 20);
    return wmf.finish();
}

// Turns "%PATH%" and "%URI%" in the expected calls into the wallpaper file's.
QList<QStringList> Expand(QList<QStringList> calls, const QString &file)
{
    const QString uri = QString::fromLatin1(QUrl::fromLocalFile(file).toEncoded());
    for (QStringList &call : calls) {
        for (QString &argument : call)
            argument.replace("%PATH%", file).replace("%URI%", uri);
    }
    return calls;
}

const QByteArray XfceProperties = "/backdrop/screen0/monitoreDP-1/workspace0/color-style\n"
                                  "/backdrop/screen0/monitoreDP-1/workspace0/last-image\n"
                                  "/backdrop/screen0/monitorHDMI-1/workspace0/last-image\n"
                                  "/desktop-icons/style\n";

} // namespace

class TestWallpaper : public QObject
{
    Q_OBJECT
    QTemporaryDir mDir;

    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = mDir.filePath(name);
        return WriteBytes(path, bytes) ? path : QString();
    }

private slots:
    void initTestCase()
    {
        quint32 token = 0;
        QCOMPARE(GdiplusStartup(token), GdiplusOk);
    }

    void path()
    {
        QCOMPARE(WallpaperPath(), qEnvironmentVariable("XDG_DATA_HOME") + "/Mirovale/MVWallpaper.BMP");
        QCOMPARE(FolderOf(WallpaperPath()), WindowsFolder());
    }

    // Every type we read becomes a real bitmap of the picture as shown.
    void everyType_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<QRgb>>("quarters");
        const QImage q = Quadrants(40, 30);
        QTest::newRow("BMP") << "a.bmp" << Encode(q, "bmp") << Upright;
        QTest::newRow("PNG") << "a.png" << Encode(q, "png") << Upright;
        QTest::newRow("JPEG") << "a.jpg" << Encode(q, "jpeg", 100) << Upright;
        QTest::newRow("JPEG named JFIF") << "a.jfif" << Encode(q, "jpeg", 100) << Upright;
        QTest::newRow("TIFF") << "a.tif" << Encode(q, "tiff") << Upright;
        QTest::newRow("ICO") << "a.ico" << MakeIcon({Quadrants(32, 32)}) << Upright;
        QTest::newRow("GIF") << "a.gif" << SolidGif(20, 10, {qRgb(0, 0, 255)}, {0})
                             << QList<QRgb>(4, qRgb(0, 0, 255));
        // A page: black drawing on white paper, whatever the canvas.
        const QList<QRgb> page{qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(255, 255, 255), qRgb(255, 255, 255)};
        QTest::newRow("EMF") << "a.emf" << BlackCornerEmf() << page;
        QTest::newRow("WMF") << "a.wmf" << BlackCornerWmf() << page;
    }
    void everyType()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!bytes.isEmpty());
        const QString source = write(MV_FETCH(QString, name), bytes);
        const QString target = mDir.filePath("MVWallpaper.BMP");
        QFile::remove(target);
        QCOMPARE(WriteWallpaperBitmap(source, target), GpStatus::Ok);
        const QImage written = ReadBitmap(target);
        QVERIFY(!written.isNull());
        QCOMPARE(Quarters(written), MV_FETCH(QList<QRgb>, quarters));
    }

    void exifOrientation()
    {
        const QImage stored = StoreForOrientation(Quadrants(40, 30), 6);
        const QString source = write("camera.jpg", WithExif(Encode(stored, "jpeg", 100), ExifTags::Of(6)));
        const QString target = mDir.filePath("turned.BMP");
        QCOMPARE(WriteWallpaperBitmap(source, target), GpStatus::Ok);
        const QImage written = ReadBitmap(target);
        QCOMPARE(written.size(), QSize(40, 30));
        QCOMPARE(Quarters(written), Upright);
    }

    // A bitmap holds no transparency: a picture's clear parts show the wallpaper's canvas.
    void transparency()
    {
        QImage picture(40, 40, QImage::Format_ARGB32);
        picture.fill(Qt::transparent);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x)
                picture.setPixel(x, y, qRgb(255, 0, 0));
        const QString source = write("clear.png", Encode(picture, "png"));
        const QString target = mDir.filePath("clear.BMP");
        QCOMPARE(WriteWallpaperBitmap(source, target), GpStatus::Ok);
        const QImage written = ReadBitmap(target);
        QCOMPARE(Quarters(written), (QList<QRgb>{qRgb(255, 0, 0), WallpaperCanvas.rgb(), WallpaperCanvas.rgb(),
                                                 WallpaperCanvas.rgb()}));
    }

    void desktops_data()
    {
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<int>("kind");
        QTest::newRow("GNOME") << "GNOME" << int(DesktopKind::Gnome);
        QTest::newRow("Ubuntu") << "ubuntu:GNOME" << int(DesktopKind::Gnome);
        QTest::newRow("Flashback") << "GNOME-Flashback:GNOME" << int(DesktopKind::Gnome);
        QTest::newRow("Budgie") << "Budgie:GNOME" << int(DesktopKind::Gnome);
        QTest::newRow("Pantheon") << "Pantheon" << int(DesktopKind::Gnome);
        QTest::newRow("Unity") << "Unity" << int(DesktopKind::Gnome);
        QTest::newRow("Cinnamon") << "X-Cinnamon" << int(DesktopKind::Cinnamon);
        QTest::newRow("MATE") << "MATE" << int(DesktopKind::Mate);
        QTest::newRow("XFCE") << "XFCE" << int(DesktopKind::Xfce);
        QTest::newRow("KDE") << "KDE" << int(DesktopKind::Kde);
        QTest::newRow("case") << "kde" << int(DesktopKind::Kde);
        QTest::newRow("sway") << "sway" << int(DesktopKind::Other);
        QTest::newRow("none") << "" << int(DesktopKind::Other);
    }
    void desktops()
    {
        QFETCH(QString, desktop);
        QCOMPARE(int(DetectDesktop(desktop)), MV_FETCH(int, kind));
    }

    void setters_data()
    {
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<int>("style");
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<QList<QStringList>>("calls");
        const QStringList all{"gsettings", "xfconf-query", "xfdesktop", "dbus-send", "feh", "xwallpaper"};
        const QString gnome = "org.gnome.desktop.background";
        QTest::newRow("GNOME centre")
            << "ubuntu:GNOME" << int(WallpaperStyle::Centre) << all
            << QList<QStringList>{{"gsettings", "set", gnome, "picture-options", "'centered'"},
                                  {"gsettings", "set", gnome, "picture-uri", "'%URI%'"},
                                  {"gsettings", "set", gnome, "picture-uri-dark", "'%URI%'"}};
        QTest::newRow("GNOME tile")
            << "GNOME" << int(WallpaperStyle::Tile) << all
            << QList<QStringList>{{"gsettings", "set", gnome, "picture-options", "'wallpaper'"},
                                  {"gsettings", "set", gnome, "picture-uri", "'%URI%'"},
                                  {"gsettings", "set", gnome, "picture-uri-dark", "'%URI%'"}};
        QTest::newRow("Cinnamon stretch")
            << "X-Cinnamon" << int(WallpaperStyle::Stretch) << all
            << QList<QStringList>{
                   {"gsettings", "set", "org.cinnamon.desktop.background", "picture-options", "'stretched'"},
                   {"gsettings", "set", "org.cinnamon.desktop.background", "picture-uri", "'%URI%'"}};
        QTest::newRow("MATE tile")
            << "MATE" << int(WallpaperStyle::Tile) << all
            << QList<QStringList>{{"gsettings", "set", "org.mate.background", "picture-options", "'wallpaper'"},
                                  {"gsettings", "set", "org.mate.background", "picture-filename", "'%PATH%'"}};
        const QString edp = "/backdrop/screen0/monitoreDP-1/workspace0/";
        const QString hdmi = "/backdrop/screen0/monitorHDMI-1/workspace0/";
        const QStringList xfce{"xfconf-query", "-c", "xfce4-desktop", "-p"};
        QTest::newRow("XFCE tile, every monitor")
            << "XFCE" << int(WallpaperStyle::Tile) << all
            << QList<QStringList>{{"xfconf-query", "-c", "xfce4-desktop", "-l"},
                                  xfce + QStringList{edp + "image-style", "-n", "-t", "int", "-s", "2"},
                                  xfce + QStringList{edp + "last-image", "-n", "-t", "string", "-s", "%PATH%"},
                                  xfce + QStringList{hdmi + "image-style", "-n", "-t", "int", "-s", "2"},
                                  xfce + QStringList{hdmi + "last-image", "-n", "-t", "string", "-s", "%PATH%"},
                                  {"xfdesktop", "--reload"}};
        QTest::newRow("XFCE centre")
            << "XFCE" << int(WallpaperStyle::Centre) << QStringList{"xfconf-query"}
            << QList<QStringList>{{"xfconf-query", "-c", "xfce4-desktop", "-l"},
                                  xfce + QStringList{edp + "image-style", "-n", "-t", "int", "-s", "1"},
                                  xfce + QStringList{edp + "last-image", "-n", "-t", "string", "-s", "%PATH%"},
                                  xfce + QStringList{hdmi + "image-style", "-n", "-t", "int", "-s", "1"},
                                  xfce + QStringList{hdmi + "last-image", "-n", "-t", "string", "-s", "%PATH%"}};
        QTest::newRow("KDE stretch")
            << "KDE" << int(WallpaperStyle::Stretch) << all
            << QList<QStringList>{{"dbus-send", "--session", "--print-reply", "--dest=org.kde.plasmashell",
                                   "/PlasmaShell", "org.kde.PlasmaShell.evaluateScript",
                                   "string:" + PlasmaWallpaperScript("%URI%", WallpaperStyle::Stretch)}};
        for (const auto &[style, option] : {std::pair{WallpaperStyle::Centre, "--bg-center"},
                                           std::pair{WallpaperStyle::Tile, "--bg-tile"},
                                           std::pair{WallpaperStyle::Stretch, "--bg-scale"}})
            QTest::addRow("other desktop, feh %s", option)
                << "sway" << int(style) << all << QList<QStringList>{{"feh", option, "%PATH%"}};
        for (const auto &[style, option] : {std::pair{WallpaperStyle::Centre, "--center"},
                                           std::pair{WallpaperStyle::Tile, "--tile"},
                                           std::pair{WallpaperStyle::Stretch, "--stretch"}})
            QTest::addRow("no desktop, xwallpaper %s", option)
                << "" << int(style) << QStringList{"gsettings", "xwallpaper"}
                << QList<QStringList>{{"xwallpaper", option, "%PATH%"}};
        QTest::newRow("GNOME without gsettings")
            << "GNOME" << int(WallpaperStyle::Tile) << QStringList{"feh"}
            << QList<QStringList>{{"feh", "--bg-tile", "%PATH%"}};
    }
    void setters()
    {
        QFETCH(QStringList, installed);
        FakeTools tools;
        for (const QString &tool : installed)
            tools.add(tool, 0, tool == "xfconf-query" ? "[ \"$3\" = -l ] && printf '" + XfceProperties + "'" : "");
        const QString source = write("picture.png", Encode(Quadrants(40, 30), "png"));
        const QString target = mDir.filePath("MVWallpaper.BMP");
        QFile::remove(target);
        const WallpaperResult result =
            SetWallpaper(source, WallpaperStyle(MV_FETCH(int, style)), MV_FETCH(QString, desktop), target);
        QCOMPARE(int(result.status), int(WallpaperStatus::Ok));
        QCOMPARE(tools.calls(), Expand(MV_FETCH(QList<QStringList>, calls), target));
        QCOMPARE(Quarters(ReadBitmap(target)), Upright);
    }

    // Centre after stretch on another picture: the one file holds the new picture and the
    // desktop gets the new style.
    void centreAfterStretch()
    {
        const QString first = write("first.png", Encode(Quadrants(40, 30), "png"));
        const QString second = write("second.png", Encode(Quadrants(24, 50), "png"));
        const QString target = mDir.filePath("MVWallpaper.BMP");
        FakeTools tools;
        tools.add("gsettings");
        QCOMPARE(int(SetWallpaper(first, WallpaperStyle::Stretch, "GNOME", target).status), int(WallpaperStatus::Ok));
        QCOMPARE(ReadBitmap(target).size(), QSize(40, 30));
        tools.clearCalls();
        QCOMPARE(int(SetWallpaper(second, WallpaperStyle::Centre, "GNOME", target).status), int(WallpaperStatus::Ok));
        const QImage shown = ReadBitmap(target);
        QCOMPARE(shown.size(), QSize(24, 50));
        QCOMPARE(Quarters(shown), Upright);
        QCOMPARE(tools.calls().first(), (QStringList{"gsettings", "set", "org.gnome.desktop.background",
                                                     "picture-options", "'centered'"}));
    }

    void plasmaScript()
    {
        const QString script = PlasmaWallpaperScript("file:///a/it's%20%22q%22/MVWallpaper.BMP", WallpaperStyle::Centre);
        QVERIFY(script.contains("d.wallpaperPlugin = \"org.kde.image\";"));
        QVERIFY(script.contains("d.writeConfig(\"Image\", \"file:///a/it's%20%22q%22/MVWallpaper.BMP\");"));
        QVERIFY(script.contains("d.writeConfig(\"FillMode\", 6);"));
        QVERIFY(PlasmaWallpaperScript("x", WallpaperStyle::Tile).contains("\"FillMode\", 3);"));
        QVERIFY(PlasmaWallpaperScript("a\"b\\c", WallpaperStyle::Stretch).contains("(\"Image\", \"a\\\"b\\\\c\");"));
    }

    // Quotes, blanks, "$" and Chinese in the paths reach every tool intact.
    void awkwardPaths()
    {
        QTemporaryDir dir(QDir::tempPath() + "/it's \"q\" $HOME 看图-XXXXXX");
        const QString source = dir.filePath("a 'b' \"c\" $d 图.png");
        QVERIFY(WriteBytes(source, Encode(Quadrants(40, 30), "png")));
        const QString target = dir.filePath("MVWallpaper.BMP");
        FakeTools tools;
        tools.add("gsettings");
        tools.add("feh");

        QCOMPARE(int(SetWallpaper(source, WallpaperStyle::Centre, "GNOME", target).status), int(WallpaperStatus::Ok));
        QString uri = tools.calls().at(1).at(4);
        QVERIFY(uri.startsWith("'file:///") && uri.endsWith("'"));
        uri = uri.mid(1, uri.size() - 2).replace("\\'", "'");
        QCOMPARE(QUrl(uri).toLocalFile(), target);

        tools.clearCalls();
        QCOMPARE(int(SetWallpaper(source, WallpaperStyle::Centre, "MATE", target).status), int(WallpaperStatus::Ok));
        QString quotedPath = target;
        quotedPath.replace("'", "\\'");
        QCOMPARE(tools.calls().at(1).at(4), "'" + quotedPath + "'");

        tools.clearCalls();
        QCOMPARE(int(SetWallpaper(source, WallpaperStyle::Stretch, "", target).status), int(WallpaperStatus::Ok));
        QCOMPARE(tools.calls(), (QList<QStringList>{{"feh", "--bg-scale", target}}));
        QCOMPARE(Quarters(ReadBitmap(target)), Upright);
    }

    // A picture that cannot be read changes nothing: no file, no tool.
    void undecodable_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("not a picture") << QByteArray("just some text, no picture at all");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("PNG cut after its header") << Encode(Quadrants(40, 30), "png").left(60);
        QTest::newRow("missing") << QByteArray("<missing>");
    }
    void undecodable()
    {
        QFETCH(QByteArray, bytes);
        const QString source = mDir.filePath("broken.png");
        QFile::remove(source);
        if (bytes != "<missing>")
            QVERIFY(WriteBytes(source, bytes));
        const QString target = mDir.filePath("MVWallpaper.BMP");
        QVERIFY(WriteBytes(target, "the previous wallpaper"));
        FakeTools tools;
        tools.add("gsettings");
        const WallpaperResult result = SetWallpaper(source, WallpaperStyle::Tile, "GNOME", target);
        QCOMPARE(int(result.status), int(WallpaperStatus::NotDecoded));
        QVERIFY(tools.calls().isEmpty());
        QCOMPARE(ReadBytes(target), QByteArray("the previous wallpaper"));
    }

    void failures()
    {
        const QString source = write("picture.png", Encode(Quadrants(40, 30), "png"));
        const QString target = mDir.filePath("MVWallpaper.BMP");
        QVERIFY(WriteBytes(target, "the previous wallpaper"));
        {
            FakeTools none;
            const WallpaperResult result = SetWallpaper(source, WallpaperStyle::Tile, "GNOME", target);
            QCOMPARE(int(result.status), int(WallpaperStatus::NoSetter));
            QCOMPARE(ReadBytes(target), QByteArray("the previous wallpaper"));
        }
        {
            FakeTools tools;
            tools.add("gsettings", 1);
            const WallpaperResult result = SetWallpaper(source, WallpaperStyle::Tile, "GNOME", target);
            QCOMPARE(int(result.status), int(WallpaperStatus::SetterFailed));
            QCOMPARE(result.tool, QString("gsettings"));
            QCOMPARE(tools.calls().size(), 1); // nothing after the first refusal
        }
        {
            FakeTools tools;
            tools.add("xfconf-query"); // no desktop properties listed
            QCOMPARE(int(SetWallpaper(source, WallpaperStyle::Tile, "XFCE", target).status),
                     int(WallpaperStatus::SetterFailed));
        }
        {
            FakeTools tools;
            tools.add("gsettings");
            QVERIFY(QDir().mkpath(mDir.filePath("folder.BMP")));
            const WallpaperResult result =
                SetWallpaper(source, WallpaperStyle::Tile, "GNOME", mDir.filePath("folder.BMP"));
            QCOMPARE(int(result.status), int(WallpaperStatus::NotWritten));
            QVERIFY(tools.calls().isEmpty());
        }
    }
};

MV_TEST_MAIN(TestWallpaper)
#include "tst_wallpaper.moc"
