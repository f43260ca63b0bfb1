#include "app/appstate.h"
#include "app/inifile.h"
#include "faketools.h"
#include "imaging/fixtures.h"
#include "imaging/gdiplus.h"
#include "messageanswers.h"
#include "shell/association.h"
#include "shell/mimeapps.h"
#include "shell/shellcommands.h"
#include "shell/wallpaper.h"
#include "testutil.h"
#include "viewer/frmshow.h"

#include <QAction>
#include <QCoreApplication>
#include <QUrl>

using namespace mv;
using namespace mv::test;

namespace {

const QString Success = "软件已经关联了所有支持的格式！";
const QString Failure = "文件关联失败,如果您的系统是WIN7,请点击右键<已管理员身份>运行本软件!";

QString DataHome()
{
    return qEnvironmentVariable("XDG_DATA_HOME") + "/";
}

QString ConfigHome()
{
    return qEnvironmentVariable("XDG_CONFIG_HOME") + "/";
}

} // namespace

class TestShellCommands : public QObject
{
    Q_OBJECT
    QTemporaryDir mDir;

private slots:
    void initTestCase()
    {
        QCOMPARE(GdiplusStartup(GdiToken), GdiplusOk);
    }
    void init()
    {
        QFile::remove(ConfigPath());
        QDir(DataHome() + "applications").removeRecursively();
        QDir(DataHome() + "mime").removeRecursively();
        QDir(DataHome() + "icons").removeRecursively();
        QFile::remove(ConfigHome() + "mimeapps.list");
        QFile::remove(ConfigHome() + "gnome-mimeapps.list");
        qunsetenv("XDG_CURRENT_DESKTOP");
    }

    // The first start associates without a word and remembers it; later starts leave it.
    void firstStart()
    {
        FakeTools tools;
        tools.add("update-mime-database");
        tools.add("update-desktop-database");
        MessageAnswers answers(MsgResult::Ok);
        AssociateOnFirstStart();
        QVERIFY(answers.seen.isEmpty());
        QCOMPARE(ReadConfig("Association"), QString("True"));
        const QByteArray entry = ReadBytes(DataHome() + "applications/Mirovale.desktop");
        QVERIFY(entry.contains("\nExec=\"" + QCoreApplication::applicationFilePath().toUtf8() + "\" %f\n"));
        QCOMPARE(DefaultApplicationFor("image/jpeg"), QString(DesktopId));
        QCOMPARE(tools.calls(), (QList<QStringList>{{"update-mime-database", DataHome() + "mime"},
                                                    {"update-desktop-database", DataHome() + "applications"}}));

        tools.clearCalls();
        AssociateOnFirstStart();
        QVERIFY(tools.calls().isEmpty());
        QVERIFY(answers.seen.isEmpty());
    }

    // Our own pictures go under the icon theme: the program's, and one per type we define.
    void iconsInstalled()
    {
        FakeTools none;
        MessageAnswers answers(MsgResult::Ok);
        AssociateFileTypes();
        const QString icons = DataHome() + "icons/hicolor/scalable/";
        const auto resource = [](const QString &name) { return ReadBytes(":/ui/" + name + ".svg"); };
        QCOMPARE(ReadBytes(icons + "apps/mirovale.svg"), resource("icons/mirovale"));
        for (const ImageMimeType &type : AssociationMimeTypes()) {
            const QString icon = icons + "mimetypes/" + MimeIconName(type.name) + ".svg";
            if (type.own)
                QCOMPARE(ReadBytes(icon), resource(TypeIconPicture(GetFileIcon(type.ext))));
            else
                QVERIFY(!QFileInfo::exists(icon));
        }
    }

    // The button: associates again, tells the outcome, then lets the desktop see the files.
    void button_data()
    {
        QTest::addColumn<QByteArray>("desktopList"); // a list of the desktop's own that may win
        QTest::addColumn<bool>("mimeAppsFolder");    // mimeapps.list cannot be read
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::newRow("in force") << QByteArray() << false << Success << "恭喜";
        QTest::newRow("the desktop's own list says otherwise")
            << QByteArray("[Default Applications]\nimage/jpeg=other.desktop;\n") << false << Failure << "提示";
        QTest::newRow("mimeapps.list cannot be read") << QByteArray() << true << Failure << "提示";
    }
    void button()
    {
        QFETCH(QByteArray, desktopList);
        WriteConfig("Config", "Association", "True");
        qputenv("XDG_CURRENT_DESKTOP", "GNOME");
        if (!desktopList.isEmpty()) {
            QDir().mkpath(DataHome() + "applications");
            QVERIFY(WriteBytes(DataHome() + "applications/other.desktop", "[Desktop Entry]\n"));
            QVERIFY(WriteBytes(ConfigHome() + "gnome-mimeapps.list", desktopList));
        }
        if (MV_FETCH(bool, mimeAppsFolder))
            QVERIFY(QDir().mkpath(ConfigHome() + "mimeapps.list"));
        FakeTools tools;
        tools.add("update-mime-database");
        QList<MessageRequest> seen;
        qsizetype refreshedBefore = -1;
        const MessageBoxHandler previous = SetMessageBoxHandler([&](const MessageRequest &request) {
            seen.append(request);
            refreshedBefore = tools.calls().size();
            return MsgResult::Ok;
        });
        AssociateFileTypes();
        SetMessageBoxHandler(previous);
        QDir(ConfigHome() + "mimeapps.list").removeRecursively();
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].text, MV_FETCH(QString, text));
        QCOMPARE(seen[0].title, MV_FETCH(QString, title));
        QCOMPARE(seen[0].icon, MsgIcon::Information);
        QCOMPARE(seen[0].buttons, MsgButtons::Ok);
        QCOMPARE(refreshedBefore, 0);
        QCOMPARE(tools.calls().size(), 1);
    }

    // The viewer's three items work on the picture shown.
    void viewerMenu_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("options");
        QTest::newRow("centre") << "mDesk1" << "'centered'";
        QTest::newRow("tile") << "mDesk2" << "'wallpaper'";
        QTest::newRow("stretch") << "mDesk3" << "'stretched'";
    }
    void viewerMenu()
    {
        QVERIFY(WriteBytes(mDir.filePath("a.png"), Encode(Quadrants(40, 30), "png")));
        QVERIFY(WriteBytes(mDir.filePath("b.png"), Encode(Quadrants(60, 20), "png")));
        qputenv("XDG_CURRENT_DESKTOP", "GNOME");
        QFile::remove(WallpaperPath());
        FakeTools tools;
        tools.add("gsettings");
        MessageAnswers answers(MsgResult::Ok);
        FrmShow viewer;
        viewer.ListFolder(mDir.filePath("b.png"));
        viewer.ShowPic(1);
        viewer.findChild<QAction *>(MV_FETCH(QString, item))->trigger();
        const QString uri = "'" + QString::fromLatin1(QUrl::fromLocalFile(WallpaperPath()).toEncoded()) + "'";
        const QString schema = "org.gnome.desktop.background";
        QCOMPARE(tools.calls(), (QList<QStringList>{{"gsettings", "set", schema, "picture-options",
                                                     MV_FETCH(QString, options)},
                                                    {"gsettings", "set", schema, "picture-uri", uri},
                                                    {"gsettings", "set", schema, "picture-uri-dark", uri}}));
        QImage written;
        QVERIFY(written.load(WallpaperPath(), "bmp"));
        QCOMPARE(written.size(), QSize(60, 20));
        QVERIFY(answers.seen.isEmpty());
    }

    // Every failure is silent: a picture that does not load, no setter, a setter that refuses.
    void wallpaperMessages()
    {
        QVERIFY(WriteBytes(mDir.filePath("a.png"), Encode(Quadrants(40, 30), "png")));
        QVERIFY(WriteBytes(mDir.filePath("broken.png"), "no picture"));
        qputenv("XDG_CURRENT_DESKTOP", "GNOME");
        MessageAnswers answers(MsgResult::Ok);
        {
            FakeTools tools;
            tools.add("gsettings");
            SetDesktopWallpaper(mDir.filePath("broken.png"), WallpaperStyle::Tile);
            QVERIFY(tools.calls().isEmpty());
        }
        {
            FakeTools none;
            SetDesktopWallpaper(mDir.filePath("a.png"), WallpaperStyle::Tile);
        }
        {
            FakeTools tools;
            tools.add("gsettings", 1);
            SetDesktopWallpaper(mDir.filePath("a.png"), WallpaperStyle::Tile);
            QVERIFY(!tools.calls().isEmpty());
        }
        QVERIFY(answers.seen.isEmpty());
    }
};

MV_TEST_MAIN(TestShellCommands)
#include "tst_shellcommands.moc"
