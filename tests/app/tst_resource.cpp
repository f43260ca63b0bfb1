#include "app/resource.h"
#include "testutil.h"

#include <QFile>
#include <QTemporaryDir>

using namespace mv;

class TestResource : public QObject
{
    Q_OBJECT
private slots:
    void writesTheResourceBytes()
    {
        QTemporaryDir dir;
        const QString target = dir.path() + "/Update";
        QFile res(":/CUSTOM/7");
        QVERIFY(res.open(QIODevice::ReadOnly));
        const QByteArray expected = res.readAll();

        QVERIFY(SaveResource(target, "CUSTOM", 7));
        QFile out(target);
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(out.readAll(), expected);
    }

    void longerFileLosesItsTail()
    {
        QTemporaryDir dir;
        const QString target = dir.path() + "/Update";
        {
            QFile old(target);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write(QByteArray(4096, 'z'));
        }
        QVERIFY(SaveResource(target, "CUSTOM", 7));
        QFile out(target);
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(out.readAll(), QByteArray("resource bytes\x00\x01\x02", 17));
    }

    void missingResourceLeavesTheFile()
    {
        QTemporaryDir dir;
        const QString target = dir.path() + "/Update";
        {
            QFile old(target);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("keep");
        }
        QVERIFY(!SaveResource(target, "CUSTOM", 999));
        QVERIFY(!SaveResource(dir.path() + "/no/folder/Update", "CUSTOM", 7));
        QFile out(target);
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(out.readAll(), QByteArray("keep"));
    }
};

MV_TEST_MAIN(TestResource)
#include "tst_resource.moc"
