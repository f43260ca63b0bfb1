// ucProgress (filled length, orientation, borders, repaint only on change) and Box.

#include "controls/box.h"
#include "controls/ucprogress.h"
#include "testutil.h"

#include <QSignalSpy>

using namespace mv;

namespace {

const QColor Fore(200, 0, 0);
const QColor Back(0, 0, 200);

class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

ucProgress *bar(QWidget *parent, QRect geometry, int border)
{
    auto *progress = new ucProgress(parent);
    progress->setGeometry(geometry);
    progress->setBorderStyle(border);
    progress->setForeColor(Fore);
    progress->setBackColor(Back);
    return progress;
}

} // namespace

class TestProgress : public QObject
{
    Q_OBJECT

private slots:
    void filledLength_data()
    {
        QTest::addColumn<int>("inner");
        QTest::addColumn<qint64>("value");
        QTest::addColumn<qint64>("max");
        QTest::addColumn<int>("length");
        QTest::newRow("half of 201") << 201 << qint64(50) << qint64(100) << 100;
        QTest::newRow("full") << 200 << qint64(100) << qint64(100) << 200;
        QTest::newRow("above max") << 200 << qint64(150) << qint64(100) << 300;
        QTest::newRow("negative") << 200 << qint64(-10) << qint64(100) << -20;
        QTest::newRow("max zero") << 200 << qint64(1) << qint64(0) << 200;
        QTest::newRow("large values") << 1000 << qint64(2000000000) << qint64(2000000000) << 1000;
        QTest::newRow("one of three") << 10 << qint64(1) << qint64(3) << 3;
    }

    void filledLength()
    {
        QFETCH(int, inner);
        QFETCH(qint64, value);
        QFETCH(qint64, max);
        QFETCH(int, length);
        QCOMPARE(FilledLength(inner, value, max), length);
    }

    void painted_data()
    {
        QTest::addColumn<int>("border");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("filled");
        QTest::newRow("half, no border") << 0 << 50 << 100;
        QTest::newRow("half, thin edge") << 1 << 50 << 100;
        QTest::newRow("half, sunken") << 2 << 50 << 100;
        QTest::newRow("above max") << 0 << 150 << 201;
        QTest::newRow("negative") << 0 << -5 << 0;
        QTest::newRow("zero") << 2 << 0 << 0;
    }

    void painted()
    {
        QFETCH(int, border);
        QFETCH(int, value);
        QFETCH(int, filled);
        QWidget window;
        const int edge = border == 2 ? 2 : border;
        ucProgress *progress = bar(&window, QRect(0, 0, 201 + 2 * edge, 20), border);
        progress->setValue(value);
        QCOMPARE(progress->FilledRect().width(), filled);
        QCOMPARE(progress->FilledRect().left(), edge);
        QCOMPARE(progress->FilledRect().height(), 20 - 2 * edge);
        const QImage image = progress->grab().toImage();
        if (filled > 0)
            QCOMPARE(image.pixelColor(edge + filled - 1, 10), Fore);
        if (filled < 201)
            QCOMPARE(image.pixelColor(edge + filled, 10), Back);
        if (border == 1)
            QVERIFY(image.pixelColor(0, 10) != Fore && image.pixelColor(0, 10) != Back);
    }

    void repaintsOnlyOnChange()
    {
        QWidget window;
        window.resize(300, 50);
        ucProgress *progress = bar(&window, QRect(0, 0, 100, 20), 0);
        progress->setMax(1000);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        PaintCounter counter;
        progress->installEventFilter(&counter);
        progress->setValue(500);
        QTRY_COMPARE(counter.paints, 1);
        // 500 to 509 of 1000 on 100 pixels all give 50 pixels.
        for (int value = 501; value < 510; ++value) {
            progress->setValue(value);
            QCoreApplication::processEvents();
        }
        QCOMPARE(counter.paints, 1);
        QCOMPARE(progress->Value(), 509);
        progress->setValue(510);
        QTRY_COMPARE(counter.paints, 2);
    }

    void orientation()
    {
        QWidget window;
        ucProgress *progress = bar(&window, QRect(5, 7, 200, 20), 0);
        progress->setValue(25);
        progress->setOrientation(1);
        QCOMPARE(progress->geometry(), QRect(5, 7, 20, 200));
        QCOMPARE(progress->FilledRect(), QRect(0, 150, 20, 50));
        const QImage image = progress->grab().toImage();
        QCOMPARE(image.pixelColor(10, 199), Fore);
        QCOMPARE(image.pixelColor(10, 150), Fore);
        QCOMPARE(image.pixelColor(10, 149), Back);
        QCOMPARE(image.pixelColor(10, 0), Back);
        progress->setOrientation(0);
        QCOMPARE(progress->geometry(), QRect(5, 7, 200, 20));
        QCOMPARE(progress->FilledRect(), QRect(0, 0, 50, 20));
    }

    void resizeRecomputes()
    {
        QWidget window;
        ucProgress *progress = bar(&window, QRect(0, 0, 100, 20), 0);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        progress->setValue(50);
        QCOMPARE(progress->FilledPixels(), 50);
        progress->resize(300, 20);
        QCOMPARE(progress->FilledPixels(), 150);
        QCOMPARE(progress->EmptyRect(), QRect(150, 0, 150, 20));
    }

    void maxZeroIsOne()
    {
        QWidget window;
        ucProgress *progress = bar(&window, QRect(0, 0, 100, 20), 0);
        progress->setMax(0);
        QCOMPARE(progress->Max(), 1);
        progress->setValue(1);
        QCOMPARE(progress->FilledPixels(), 100);
    }

    void mouseEvents()
    {
        QWidget window;
        ucProgress *progress = bar(&window, QRect(0, 0, 100, 20), 0);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy click(progress, &ucProgress::Click);
        QSignalSpy down(progress, &ucProgress::MouseDown);
        QSignalSpy up(progress, &ucProgress::MouseUp);
        QTest::mouseClick(progress, Qt::LeftButton, Qt::ControlModifier, QPoint(30, 5));
        QCOMPARE(click.count(), 1);
        QCOMPARE(down.count(), 1);
        QCOMPARE(down[0][0].toInt(), 1);
        QCOMPARE(down[0][1].toInt(), 2);
        QCOMPARE(down[0][2].toFloat(), 30.0f);
        QCOMPARE(up.count(), 1);
        QTest::mousePress(progress, Qt::LeftButton, Qt::NoModifier, QPoint(30, 5));
        QTest::mouseRelease(progress, Qt::LeftButton, Qt::NoModifier, QPoint(130, 5));
        QCOMPARE(click.count(), 1);
    }

    void boxLines()
    {
        QWidget window;
        auto *box = new Box(&window);
        box->setGeometry(0, 0, 50, 40);
        box->setLineColor(QColor(84, 165, 213));
        box->setBackColor(Qt::white);
        const QImage image = box->grab().toImage();
        const QColor line(84, 165, 213);
        for (const QPoint p : {QPoint(0, 20), QPoint(49, 20), QPoint(25, 0), QPoint(25, 39), QPoint(0, 0), QPoint(49, 39)})
            QCOMPARE(image.pixelColor(p), line);
        QCOMPARE(image.pixelColor(1, 1), QColor(Qt::white));
        QCOMPARE(image.pixelColor(48, 38), QColor(Qt::white));
        box->setLineColor(Qt::red);
        QCOMPARE(box->grab().toImage().pixelColor(49, 5), QColor(Qt::red));
    }

    void boxDisablesContents()
    {
        QWidget window;
        auto *box = new Box(&window);
        auto *inside = new QWidget(box);
        box->setEnabled(false);
        QVERIFY(!inside->isEnabled());
        box->setEnabled(true);
        QVERIFY(inside->isEnabled());
    }
};

MV_TEST_MAIN(TestProgress)
#include "tst_progress.moc"
