#include "shell/mimeapps.h"
#include "testutil.h"

#include <QTemporaryDir>

using namespace mv;
using namespace mv::test;

class TestMimeApps : public QObject
{
    Q_OBJECT

private slots:
    void edit_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        const QByteArray ours = "[Default Applications]\nimage/jpeg=Mirovale.desktop;\nimage/png=Mirovale.desktop;\n";
        const QByteArray added = "[Added Associations]\nimage/jpeg=Mirovale.desktop;\nimage/png=Mirovale.desktop;\n";
        QTest::newRow("no file") << QByteArray() << ours + "\n" + added;
        QTest::newRow("the user's settings")
            << QByteArray("# kept\n"
                          "[Default Applications]\n"
                          "text/plain=org.gnome.TextEditor.desktop;\n"
                          "image/jpeg=org.gnome.eog.desktop;\n"
                          "image/png = viewer.desktop\n"
                          "\n"
                          "[Added Associations]\n"
                          "image/jpeg=org.gnome.eog.desktop;gimp.desktop;\n"
                          "application/pdf=evince.desktop;\n"
                          "\n"
                          "[Removed Associations]\n"
                          "image/png=gimp.desktop;Mirovale.desktop;\n"
                          "image/jpeg=Mirovale.desktop;\n"
                          "image/gif=Mirovale.desktop;\n")
            << QByteArray("# kept\n"
                          "[Default Applications]\n"
                          "text/plain=org.gnome.TextEditor.desktop;\n"
                          "image/jpeg=Mirovale.desktop;\n"
                          "image/png=Mirovale.desktop;\n"
                          "\n"
                          "[Added Associations]\n"
                          "image/jpeg=Mirovale.desktop;org.gnome.eog.desktop;gimp.desktop;\n"
                          "application/pdf=evince.desktop;\n"
                          "image/png=Mirovale.desktop;\n"
                          "\n"
                          "[Removed Associations]\n"
                          "image/png=gimp.desktop;\n"
                          "image/gif=Mirovale.desktop;\n");
        QTest::newRow("missing lines go to their group")
            << QByteArray("[Added Associations]\ntext/plain=a.desktop;\n\n\n[Default Applications]\nx/y=b.desktop;\n")
            << QByteArray("[Added Associations]\ntext/plain=a.desktop;\nimage/jpeg=Mirovale.desktop;\n"
                          "image/png=Mirovale.desktop;\n\n\n[Default Applications]\nx/y=b.desktop;\n"
                          "image/jpeg=Mirovale.desktop;\nimage/png=Mirovale.desktop;\n");
        QTest::newRow("CR LF and no final break")
            << QByteArray("[Default Applications]\r\nimage/jpeg=eog.desktop;\r\ntext/plain=gedit.desktop;")
            << QByteArray("[Default Applications]\r\nimage/jpeg=Mirovale.desktop;\r\ntext/plain=gedit.desktop;\n"
                          "image/png=Mirovale.desktop;\n\n")
                   + added;
        QTest::newRow("byte order mark")
            << QByteArray("\xEF\xBB\xBF[Default Applications]\nimage/png=eog.desktop;\n")
            << QByteArray("\xEF\xBB\xBF[Default Applications]\nimage/png=Mirovale.desktop;\nimage/jpeg=Mirovale.desktop;\n\n")
                   + added;
        // The desktop merges a group's copies and takes a type's last line.
        QTest::newRow("a group twice")
            << QByteArray("[Default Applications]\nimage/jpeg=a.desktop;\n[Other]\nimage/jpeg=keep.desktop;\n"
                          "[Default Applications]\nimage/jpeg=b.desktop;\n")
            << QByteArray("[Default Applications]\nimage/jpeg=Mirovale.desktop;\nimage/png=Mirovale.desktop;\n"
                          "[Other]\nimage/jpeg=keep.desktop;\n"
                          "[Default Applications]\nimage/jpeg=Mirovale.desktop;\n\n")
                   + added;
        const QByteArray damaged("\xFF\xFE\x00 binary\x01\n", sizeof("\xFF\xFE\x00 binary\x01\n") - 1);
        QTest::newRow("damaged lines stay byte for byte")
            << "garbage before any group\n[Default Applications]\n" + damaged
                   + "#image/jpeg=commented.desktop;\nno equals sign\nimage/jpeg=eog.desktop;\n"
            << "garbage before any group\n[Default Applications]\n" + damaged
                   + "#image/jpeg=commented.desktop;\nno equals sign\nimage/jpeg=Mirovale.desktop;\n"
                     "image/png=Mirovale.desktop;\n\n"
                   + added;
        QTest::newRow("already ours") << ours + "\n" + added << ours + "\n" + added;
    }
    void edit()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        const QStringList types{"image/jpeg", "image/png"};
        const QByteArray once = EditMimeApps(before, types, "Mirovale.desktop");
        QCOMPARE(once, after);
        // A second run finds nothing to do.
        QCOMPARE(EditMimeApps(once, types, "Mirovale.desktop"), once);
    }

    void defaultApplication_data()
    {
        QTest::addColumn<QList<QByteArray>>("lists"); // most important first
        QTest::addColumn<QString>("expected");
        QTest::newRow("the first list decides")
            << QList<QByteArray>{"[Default Applications]\nimage/jpeg=other.desktop;\n",
                                 "[Default Applications]\nimage/jpeg=Mirovale.desktop;\n"}
            << "other.desktop";
        QTest::newRow("a list without the type passes on")
            << QList<QByteArray>{"[Default Applications]\nimage/png=other.desktop;\n[Added Associations]\n"
                                 "image/jpeg=other.desktop;\n",
                                 "[Default Applications]\nimage/jpeg=Mirovale.desktop;\n"}
            << "Mirovale.desktop";
        QTest::newRow("an application that is not installed is passed over")
            << QList<QByteArray>{"[Default Applications]\nimage/jpeg=gone.desktop;Mirovale.desktop;\n", ""}
            << "Mirovale.desktop";
        QTest::newRow("only uninstalled ones")
            << QList<QByteArray>{"[Default Applications]\nimage/jpeg=gone.desktop;\n", ""} << "";
        QTest::newRow("the last line wins")
            << QList<QByteArray>{"[Default Applications]\nimage/jpeg=Mirovale.desktop;\nimage/jpeg=other.desktop;\n"}
            << "other.desktop";
        QTest::newRow("an ID of a subfolder")
            << QList<QByteArray>{"[Default Applications]\nimage/jpeg=kde-viewer.desktop;\n"} << "kde-viewer.desktop";
        QTest::newRow("no list at all") << QList<QByteArray>{} << "";
    }
    void defaultApplication()
    {
        QFETCH(QList<QByteArray>, lists);
        QTemporaryDir dir;
        const QString apps = dir.filePath("applications/");
        QDir().mkpath(apps + "kde");
        for (const char *name : {"Mirovale.desktop", "other.desktop", "kde/viewer.desktop"})
            QVERIFY(WriteBytes(apps + name, "[Desktop Entry]\n"));
        QStringList files;
        for (qsizetype i = 0; i < lists.size(); ++i) {
            files.append(dir.filePath(QString::number(i) + "-mimeapps.list"));
            QVERIFY(WriteBytes(files.last(), lists[i]));
        }
        files.append(dir.filePath("missing.list"));
        QCOMPARE(DefaultApplicationFor("image/jpeg", files, {apps, dir.filePath("none")}),
                 MV_FETCH(QString, expected));
    }

    // The desktop-specific lists come before the plain one in each folder, the user's first.
    void listsInOrder()
    {
        const QByteArray oldDesktop = qgetenv("XDG_CURRENT_DESKTOP");
        qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
        const QStringList lists = MimeAppsLists();
        qputenv("XDG_CURRENT_DESKTOP", oldDesktop);
        const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
        const QString data = qEnvironmentVariable("XDG_DATA_HOME");
        QVERIFY(lists.size() >= 6);
        QCOMPARE(lists.mid(0, 3), (QStringList{config + "/ubuntu-mimeapps.list", config + "/gnome-mimeapps.list",
                                               config + "/mimeapps.list"}));
        const qsizetype user = lists.indexOf(data + "/applications/mimeapps.list");
        QVERIFY(user > 3);
        QCOMPARE(lists.at(user - 1), data + "/applications/gnome-mimeapps.list");
        QVERIFY(lists.last().endsWith("/applications/mimeapps.list"));
    }
};

MV_TEST_MAIN(TestMimeApps)
#include "tst_mimeapps.moc"
