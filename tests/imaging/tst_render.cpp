#include "fixtures.h"
#include "testutil.h"

#include <QProcess>
#include <QTemporaryDir>

using namespace mv::test;

// The command-line renderer as later checks run it.
class TestRender : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;

    struct Run {
        int code = -1;
        QString out;
        QString err;
    };
    Run Render(const QStringList &args)
    {
        QProcess process;
        process.start(QStringLiteral(MIROVALE_BIN_DIR "/mirovale-render"), args);
        Run run;
        if (!process.waitForFinished(60000))
            return run;
        run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = QString::fromUtf8(process.readAllStandardOutput());
        run.err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }
    QString Path(const QString &name) const { return mDir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(mDir.isValid());
        QVERIFY(WriteBytes(Path("anim.gif"),
                           SolidGif(60, 40, {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)}, {0, 10, 7000})));
        QVERIFY(WriteBytes(Path("photo.jpg"), Encode(PhotoLike(400, 300), "jpeg", 90)));
        QVERIFY(WriteBytes(Path("broken.png"), "\x89PNG\r\n\x1A\n broken"));
    }

    void animationFrame()
    {
        const Run run = Render({Path("anim.gif"), Path("f1.png"), QStringLiteral("--frame"), QStringLiteral("1")});
        QCOMPARE(run.code, 0);
        QCOMPARE(run.out, QStringLiteral("60x40 frames=3 delays=50,100,60000\n"));
        const QImage frame(Path("f1.png"));
        QCOMPARE(frame.size(), QSize(60, 40));
        QCOMPARE(frame.pixel(30, 20) | 0xFF000000u, qRgb(0, 255, 0));
    }

    void fitLikeTheCanvas()
    {
        const Run run = Render({Path("photo.jpg"), Path("fit.png"), QStringLiteral("--fit"), QStringLiteral("200x200")});
        QCOMPARE(run.code, 0);
        QCOMPARE(run.out, QStringLiteral("400x300 frames=1 delays=\n"));
        QCOMPARE(QImage(Path("fit.png")).size(), QSize(200, 150));
        // Never enlarged.
        QCOMPARE(Render({Path("photo.jpg"), Path("big.png"), QStringLiteral("--fit"), QStringLiteral("2000x2000")}).code, 0);
        QCOMPARE(QImage(Path("big.png")).size(), QSize(400, 300));
    }

    void failures_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::newRow("damaged") << QStringList{"broken.png", "x.png"} << 1;
        QTest::newRow("missing") << QStringList{"nothing.jpg", "x.png"} << 1;
        QTest::newRow("frame out of range") << QStringList{"anim.gif", "x.png", "--frame", "3"} << 1;
        QTest::newRow("no output") << QStringList{"anim.gif"} << 2;
        QTest::newRow("bad fit") << QStringList{"anim.gif", "x.png", "--fit", "12"} << 2;
        QTest::newRow("negative frame") << QStringList{"anim.gif", "x.png", "--frame", "-1"} << 2;
    }
    void failures()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        for (QString &arg : args)
            if (arg.contains(QLatin1Char('.')))
                arg = Path(arg);
        const Run run = Render(args);
        QCOMPARE(run.code, code);
        QVERIFY(run.out.isEmpty());
        QVERIFY(!run.err.isEmpty());
        QVERIFY(!QFile::exists(Path("x.png")));
    }
};

MV_TEST_MAIN(TestRender)
#include "tst_render.moc"
