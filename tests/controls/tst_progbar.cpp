// ProgBar: colour helpers, the percentage conversion, fill lengths of the styles, the
// text, vertical bars and the cycling mode.

#include "testutil.h"
#include "updater/progbar.h"

#include <QPainter>

using namespace mv;

namespace {

const QColor Updater(10, 36, 106);

ProgBar *bar(QWidget *parent, int style, QSize size = QSize(200, 20))
{
    auto *b = new ProgBar(parent);
    b->resize(size);
    b->setColor(Updater);
    b->setScrolling(style);
    return b;
}

int countPixels(const QImage &image, const QRect &area, const std::function<bool(QColor)> &match)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += match(image.pixelColor(x, y)) ? 1 : 0;
    return n;
}

} // namespace

class TestProgBar : public QObject
{
    Q_OBJECT

private slots:
    void lighten_data()
    {
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<int>("amount");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("unchanged") << Updater << 0 << Updater;
        QTest::newRow("white") << Updater << 255 << QColor(255, 255, 255);
        QTest::newRow("150") << Updater << 150 << QColor(154, 164, 193);
        QTest::newRow("capped") << QColor(255, 255, 255) << 100 << QColor(255, 255, 255);
    }

    void lighten()
    {
        QFETCH(QColor, colour);
        QFETCH(int, amount);
        QFETCH(QColor, expected);
        QCOMPARE(Lighten(colour, amount), expected);
    }

    void blend_data()
    {
        QTest::addColumn<QColor>("c1");
        QTest::addColumn<QColor>("c2");
        QTest::addColumn<int>("weight");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("darken half") << QColor(200, 100, 50) << QColor(Qt::black) << 128 << QColor(100, 50, 25);
        QTest::newRow("all second") << QColor(200, 100, 50) << QColor(1, 2, 3) << 0 << QColor(1, 2, 3);
        QTest::newRow("all first") << QColor(200, 100, 50) << QColor(1, 2, 3) << 255 << QColor(200, 100, 50);
        QTest::newRow("rounded") << QColor(255, 0, 0) << QColor(0, 0, 255) << 100 << QColor(100, 0, 155);
    }

    void blend()
    {
        QFETCH(QColor, c1);
        QFETCH(QColor, c2);
        QFETCH(int, weight);
        QFETCH(QColor, expected);
        QCOMPARE(Blend(c1, c2, weight), expected);
    }

    void gradientEnds()
    {
        QImage image(10, 4, QImage::Format_RGB32);
        QPainter painter(&image);
        Gradient(painter, Qt::black, Qt::white, image.rect(), Qt::Horizontal);
        painter.end();
        QCOMPARE(image.pixelColor(0, 2), QColor(Qt::black));
        QCOMPARE(image.pixelColor(9, 2), QColor(Qt::white));
        QVERIFY(qGray(image.pixel(4, 0)) > 0 && qGray(image.pixel(4, 0)) < 255);
        QCOMPARE(image.pixelColor(4, 0), image.pixelColor(4, 3));
    }

    void percentage_data()
    {
        QTest::addColumn<qint64>("value");
        QTest::addColumn<qint64>("min");
        QTest::addColumn<qint64>("max");
        QTest::addColumn<int>("percentage");
        QTest::newRow("half") << qint64(50) << qint64(0) << qint64(100) << 50;
        QTest::newRow("of 200") << qint64(50) << qint64(0) << qint64(200) << 25;
        QTest::newRow("one third") << qint64(1) << qint64(0) << qint64(3) << 33;
        QTest::newRow("half down to even") << qint64(1) << qint64(0) << qint64(8) << 12;
        QTest::newRow("half up to even") << qint64(3) << qint64(0) << qint64(8) << 38;
        QTest::newRow("above max") << qint64(150) << qint64(0) << qint64(100) << 150;
        QTest::newRow("with min") << qint64(50) << qint64(5) << qint64(100) << 55;
        QTest::newRow("max zero") << qint64(50) << qint64(0) << qint64(0) << 0;
        QTest::newRow("max one") << qint64(1) << qint64(0) << qint64(1) << 100;
    }

    void percentage()
    {
        QFETCH(qint64, value);
        QFETCH(qint64, min);
        QFETCH(qint64, max);
        QFETCH(int, percentage);
        QCOMPARE(ValueToPercentage(value, min, max), percentage);
    }

    void valueBack()
    {
        QCOMPARE(PercentageToValue(50, 0, 200), 100);
        QCOMPARE(PercentageToValue(55, 5, 100), 11);
        QCOMPARE(PercentageToValue(25, 0, 2), 0); // 0.5 to even
        QCOMPARE(PercentageToValue(75, 0, 2), 2); // 1.5 to even
        QWidget window;
        ProgBar *b = bar(&window, 0);
        b->setMax(250);
        // Whole percentages: 1 of 250 is 0 % and reads back as 0.
        const QList<QPair<int, int>> readBack{{0, 0}, {1, 0}, {100, 100}, {125, 125}, {250, 250}};
        for (const auto &[v, back] : readBack) {
            b->setValue(v);
            QCOMPARE(b->Value(), back);
        }
        b->setValue(125);
        QCOMPARE(b->Percentage(), 50);
        QCOMPARE(b->Value(), 125);
    }

    // Half of the bar fills to the block boundary at or below half the inner width.
    void halfFill()
    {
        QWidget window;
        ProgBar *b = bar(&window, 0);
        b->setShowText(true);
        b->setValue(50);
        QCOMPARE(b->Text(), QStringLiteral("50 %"));
        QCOMPARE(b->FillStart(), 3);
        const int filled = b->FillEnd() - b->FillStart();
        QCOMPARE(filled % 8, 0);
        QVERIFY(filled <= (197 - 3) / 2);
        QVERIFY(filled > (197 - 3) / 2 - 8);
        // Blocks of 6 with white gaps of 2, shaded towards the long edges.
        const QImage image = b->Picture();
        QCOMPARE(image.pixelColor(3 + 2, 10), Updater);
        QCOMPARE(image.pixelColor(3 + 6, 10), QColor(Qt::white));
        QCOMPARE(image.pixelColor(3 + 8, 10), Updater);
        QCOMPARE(image.pixelColor(3 + 2, 3), Lighten(Updater, 150));
        QCOMPARE(image.pixelColor(b->FillEnd() + 3, 10), QColor(Qt::white));
    }

    void nearlyFullFillsAll_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("value");
        for (int style : {0, 1})
            for (int value : {98, 99, 150}) {
                const QByteArray name = "style " + QByteArray::number(style) + " at " + QByteArray::number(value);
                QTest::newRow(name.constData()) << style << value;
            }
    }

    void nearlyFullFillsAll()
    {
        QFETCH(int, style);
        QFETCH(int, value);
        QWidget window;
        ProgBar *full = bar(&window, style);
        full->setValue(100);
        ProgBar *b = bar(&window, style);
        b->setValue(value);
        QCOMPARE(b->Picture(), full->Picture());
        QVERIFY(b->FillEnd() > 190);
        if (value > 100) {
            QCOMPARE(b->Percentage(), 100);
            QCOMPARE(b->Value(), 100);
        }
    }

    void shortFill()
    {
        QWidget window;
        ProgBar *b = bar(&window, 0);
        b->setValue(5);
        QCOMPARE(b->FillEnd() - b->FillStart(), 12);
        b->setValue(0);
        QCOMPARE(b->FillEnd() - b->FillStart(), 0);
        QCOMPARE(b->Picture().pixelColor(5, 10), QColor(Qt::white));
    }

    void styleFills_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("percentage");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        // Fill ends of the styles that measure the bar: start + percentage ÷ d × w.
        QTest::newRow("3 at 45") << 3 << 45 << 1 << 1 + 45 * 200 / 100;
        QTest::newRow("4 at 45") << 4 << 45 << 2 << 2 + 45 * 196 / 100;
        QTest::newRow("5 at 45") << 5 << 45 << 1 << 1 + int(45 / 101.0 * 200);
        QTest::newRow("6 at 45") << 6 << 45 << 2 << 2 + 45 * 196 / 100;
        QTest::newRow("7 at 45") << 7 << 45 << 2 << 2 + int(45 / 101.0 * 200);
        QTest::newRow("8 at 45") << 8 << 45 << 1 << 1 + int(45 / 101.0 * 200);
        QTest::newRow("9 at 45") << 9 << 45 << 1 << 1 + 45 * 195 / 100;
        QTest::newRow("3 at 100") << 3 << 100 << 1 << 199;
        QTest::newRow("9 at 100") << 9 << 100 << 1 << 196;
        QTest::newRow("4 at 0") << 4 << 0 << 2 << 2;
    }

    void styleFills()
    {
        QFETCH(int, style);
        QFETCH(int, percentage);
        QFETCH(int, start);
        QFETCH(int, end);
        QWidget window;
        ProgBar *b = bar(&window, style);
        b->setValue(percentage);
        QCOMPARE(b->FillStart(), start);
        QCOMPARE(b->FillEnd(), end);
    }

    void styleColours()
    {
        QWidget window;
        ProgBar *three = bar(&window, 3);
        three->setValue(45);
        QImage image = three->Picture();
        QCOMPARE(image.pixelColor(0, 10), Lighten(Updater, 100));
        QCOMPARE(image.pixelColor(20, 10), Lighten(Updater, 180));
        QCOMPARE(image.pixelColor(150, 10), QColor(Qt::white));

        ProgBar *six = bar(&window, 6);
        six->setValue(45);
        image = six->Picture();
        QCOMPARE(image.pixelColor(0, 0), QColor(Qt::black));
        QCOMPARE(image.pixelColor(150, 16), QColor(192, 192, 192));
        QCOMPARE(image.pixelColor(20, 17), Updater);

        ProgBar *seven = bar(&window, 7);
        seven->setValue(100);
        image = seven->Picture();
        const QRect fill(2, 2, 190, 16);
        QVERIFY(countPixels(image, fill, [](QColor c) { return c == Updater; }) > 100);
        QVERIFY(countPixels(image, fill, [](QColor c) { return c == Lighten(Updater, 140); }) > 100);
    }

    void patternStyle()
    {
        QWidget window;
        ProgBar *bare = bar(&window, 8);
        bare->setValue(100);
        const QImage image = bare->Picture();
        // Without a picture only the sunken edge shows.
        QCOMPARE(countPixels(image, QRect(1, 1, 198, 18), [](QColor c) { return c != Qt::white; }), 0);
        QVERIFY(image.pixelColor(0, 5) != QColor(Qt::white));

        QImage pattern(4, 4, QImage::Format_RGB32);
        pattern.fill(Qt::red);
        ProgBar *patterned = bar(&window, 8);
        patterned->setImage(pattern);
        patterned->setValue(50);
        QCOMPARE(patterned->Picture().pixelColor(30, 10), QColor(Qt::red));
        QCOMPARE(patterned->Picture().pixelColor(150, 10), QColor(Qt::white));
    }

    void vertical()
    {
        QWidget window;
        ProgBar *b = bar(&window, 3, QSize(20, 200));
        b->setOrientation(1);
        b->setValue(50);
        const QImage image = b->Picture();
        QCOMPARE(image.pixelColor(10, 190), Lighten(Updater, 180));
        QCOMPARE(image.pixelColor(10, 102), Lighten(Updater, 180));
        QCOMPARE(image.pixelColor(10, 97), QColor(Qt::white));
        QCOMPARE(image.pixelColor(10, 5), QColor(Qt::white));
    }

    void text_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("style 0") << 0 << 45 << "45 %";
        QTest::newRow("style 2") << 2 << 45 << "Searching..";
        QTest::newRow("full") << 1 << 100 << "100 %";
    }

    void text()
    {
        QFETCH(int, style);
        QFETCH(int, value);
        QFETCH(QString, text);
        QWidget window;
        ProgBar *b = bar(&window, style, QSize(200, 24));
        b->setValue(value);
        QCOMPARE(b->Text(), text);
        const QImage without = b->Picture();
        b->setShowText(true);
        const QImage with = b->Picture();
        QVERIFY(with != without);
        // The text sits in the middle.
        int changedLeft = 200, changedRight = -1;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 200; ++x)
                if (with.pixel(x, y) != without.pixel(x, y)) {
                    changedLeft = qMin(changedLeft, x);
                    changedRight = qMax(changedRight, x);
                }
        QVERIFY(qAbs((changedLeft + changedRight) / 2 - 100) <= 3);
    }

    // Over the fill the text of styles 6 and 9 turns white; beyond it keeps its colour.
    void twoToneText()
    {
        QWidget window;
        ProgBar *b = bar(&window, 9, QSize(200, 24));
        b->setShowText(true);
        b->setValue(100);
        QImage image = b->Picture();
        QVERIFY(countPixels(image, QRect(80, 4, 40, 16), [](QColor c) { return c == Qt::white; }) > 5);
        b->setValue(0);
        image = b->Picture();
        QVERIFY(countPixels(image, QRect(80, 4, 40, 16), [](QColor c) { return qGray(c.rgb()) < 60; }) > 5);
        b->setValue(50);
        image = b->Picture();
        QVERIFY(countPixels(image, QRect(80, 4, 18, 16), [](QColor c) { return c == Qt::white; }) > 0);
        QVERIFY(countPixels(image, QRect(101, 4, 20, 16), [](QColor c) { return qGray(c.rgb()) < 60; }) > 0);
    }

    void autoScrollRuns()
    {
        QWidget window;
        ProgBar *b = bar(&window, 0);
        b->setShowText(true);
        for (int expected = 1; expected <= 100; ++expected) {
            b->StepAutoScroll();
            QCOMPARE(b->Percentage(), expected);
            QCOMPARE(b->Text(), QString::number(expected) + QStringLiteral(" %"));
        }
        b->StepAutoScroll();
        QCOMPARE(b->Percentage(), 1);
        // And by its own timer.
        b->setAutoScroll(true);
        QVERIFY(b->AutoScroll());
        QTRY_VERIFY(b->Percentage() > 5);
        b->setAutoScroll(false);
        const int stopped = b->Percentage();
        QTest::qWait(50);
        QCOMPARE(b->Percentage(), stopped);
    }

    void growsItsSurface()
    {
        QWidget window;
        ProgBar *b = bar(&window, 1, QSize(100, 20));
        b->setValue(100);
        b->resize(400, 30);
        QCOMPARE(b->Picture().size(), QSize(400, 30));
        QVERIFY(b->FillEnd() > 390);
        b->resize(50, 10);
        QCOMPARE(b->Picture().size(), QSize(50, 10));
    }
};

MV_TEST_MAIN(TestProgBar)
#include "tst_progbar.moc"
