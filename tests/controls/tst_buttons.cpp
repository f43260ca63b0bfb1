// FlatCmd and Command: the shared input state machine, the frame and slice tables, the
// layout of picture and caption, and the painted look.

#include "controls/command.h"
#include "controls/flatcmd.h"
#include "controls/theme.h"
#include "testutil.h"

#include <QCursor>
#include <QKeyEvent>
#include <QPainter>
#include <QSignalSpy>

using namespace mv;

namespace {

const QColor ContainerColour(10, 200, 30);

// A strip of equal frames, frame i filled with colours[i]; the top-left pixel of every
// frame is the key colour.
QImage strip(const QList<QColor> &colours, QSize frame, bool keyCorner = false)
{
    QImage image(frame.width() * int(colours.size()), frame.height(), QImage::Format_ARGB32);
    QPainter painter(&image);
    for (int i = 0; i < colours.size(); ++i) {
        painter.fillRect(QRect(QPoint(i * frame.width(), 0), frame), colours[i]);
        if (keyCorner)
            painter.fillRect(QRect(i * frame.width(), 0, 2, 2), theme::KeyColour);
    }
    return image;
}

QList<QColor> frameColours(int count)
{
    QList<QColor> colours;
    for (int i = 0; i < count; ++i)
        colours << QColor(20 + 30 * i, 100, 250 - 30 * i);
    return colours;
}

// A shown window of one colour holding the button at (10, 10).
struct Stage {
    QWidget window;
    Stage()
    {
        window.resize(200, 120);
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, ContainerColour);
        window.setPalette(palette);
        window.setAutoFillBackground(true);
    }
    void show()
    {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // Start with the pointer off the button (moving it to where it already is does
        // not move it).
        pointerAway();
    }
    QColor pixel(QWidget *button, QPoint at)
    {
        return window.grab().toImage().pixelColor(button->geometry().topLeft() + at);
    }
    void pointerAway() { QCursor::setPos(window.mapToGlobal(QPoint(190, 110))); }
};

QKeyEvent autoRepeat(QEvent::Type type, int key)
{
    return QKeyEvent(type, key, Qt::NoModifier, key == Qt::Key_Space ? QStringLiteral(" ") : QString(), true);
}

} // namespace

class TestButtons : public QObject
{
    Q_OBJECT

private:
    ButtonBase *make(const QString &kind, QWidget *parent)
    {
        if (kind == QLatin1String("Command")) {
            auto *button = new Command(parent);
            button->setPicture(strip(frameColours(4), QSize(30, 24)));
            button->move(10, 10);
            return button;
        }
        auto *button = new FlatCmd(parent);
        button->setChecked(true);
        button->setPictureBG(strip(frameColours(3), QSize(28, 28)));
        button->move(10, 10);
        return button;
    }

private slots:
    void mouseButtons_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<bool>("releaseInside");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("pressedLook");
        QTest::addColumn<int>("clicks");
        for (const QString kind : {"FlatCmd", "Command"}) {
            const QByteArray k = kind.toLatin1();
            QTest::newRow(k + " left inside") << kind << Qt::LeftButton << true << 1 << true << 1;
            QTest::newRow(k + " left outside") << kind << Qt::LeftButton << false << 1 << true << 0;
            QTest::newRow(k + " right inside") << kind << Qt::RightButton << true << 2 << false << 0;
            QTest::newRow(k + " middle inside") << kind << Qt::MiddleButton << true << 4 << true << 1;
        }
    }

    void mouseButtons()
    {
        QFETCH(QString, kind);
        QFETCH(Qt::MouseButton, button);
        QFETCH(bool, releaseInside);
        QFETCH(int, code);
        QFETCH(bool, pressedLook);
        QFETCH(int, clicks);
        Stage stage;
        ButtonBase *b = make(kind, &stage.window);
        stage.show();
        QSignalSpy click(b, &ButtonBase::Click);
        QSignalSpy down(b, &ButtonBase::MouseDown);
        QSignalSpy up(b, &ButtonBase::MouseUp);

        QTest::mousePress(b, button, Qt::ShiftModifier | Qt::ControlModifier, QPoint(5, 6));
        QCOMPARE(down.count(), 1);
        QCOMPARE(down[0][0].toInt(), code);
        QCOMPARE(down[0][1].toInt(), 3);
        QCOMPARE(down[0][2].toFloat(), 5.0f);
        QCOMPARE(down[0][3].toFloat(), 6.0f);
        QCOMPARE(b->Pressed(), pressedLook);
        if (auto *command = qobject_cast<Command *>(b))
            QCOMPARE(command->Frame(), pressedLook ? 3 : 1);

        const QPoint release = releaseInside ? QPoint(7, 7) : QPoint(b->width() + 20, 3);
        QTest::mouseRelease(b, button, Qt::NoModifier, release);
        QCOMPARE(up.count(), 1);
        QCOMPARE(up[0][0].toInt(), code);
        QCOMPARE(click.count(), clicks);
        QVERIFY(!b->Pressed());
    }

    void doubleClickClicksTwice_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FlatCmd") << QStringLiteral("FlatCmd");
        QTest::newRow("Command") << QStringLiteral("Command");
    }

    void doubleClickClicksTwice()
    {
        QFETCH(QString, kind);
        Stage stage;
        ButtonBase *b = make(kind, &stage.window);
        stage.show();
        QSignalSpy click(b, &ButtonBase::Click);
        QSignalSpy down(b, &ButtonBase::MouseDown);
        QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, QPoint(4, 5));
        QTest::mouseDClick(b, Qt::LeftButton, Qt::NoModifier, QPoint(4, 5));
        QVERIFY(b->Pressed());
        QCOMPARE(down.count(), 2);
        QCOMPARE(down[1][2].toFloat(), 4.0f);
        QTest::mouseRelease(b, Qt::LeftButton, Qt::NoModifier, QPoint(4, 5));
        QCOMPARE(click.count(), 2);
    }

    void keys_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("pressesDown");
        QTest::addColumn<int>("clicks");
        for (const QString kind : {"FlatCmd", "Command"}) {
            const QByteArray k = kind.toLatin1();
            QTest::newRow(k + " space") << kind << int(Qt::Key_Space) << true << 1;
            QTest::newRow(k + " return") << kind << int(Qt::Key_Return) << false << 1;
            QTest::newRow(k + " keypad enter") << kind << int(Qt::Key_Enter) << false << 1;
            QTest::newRow(k + " letter") << kind << int(Qt::Key_A) << false << 0;
        }
    }

    // A held key clicks once on its first key-down; repeats only raise KeyDown.
    void keys()
    {
        QFETCH(QString, kind);
        QFETCH(int, key);
        QFETCH(bool, pressesDown);
        QFETCH(int, clicks);
        Stage stage;
        ButtonBase *b = make(kind, &stage.window);
        stage.show();
        QSignalSpy click(b, &ButtonBase::Click);
        QSignalSpy keyDown(b, &ButtonBase::KeyDown);
        QSignalSpy keyUp(b, &ButtonBase::KeyUp);
        QSignalSpy keyPress(b, &ButtonBase::KeyPress);

        // (QTest::keyPress would send the Shift key's own key-down first.)
        QKeyEvent first(QEvent::KeyPress, key, Qt::ShiftModifier, key == Qt::Key_Space ? QStringLiteral(" ") : QString());
        QApplication::sendEvent(b, &first);
        QCOMPARE(click.count(), clicks);
        QCOMPARE(b->Pressed(), pressesDown);
        QCOMPARE(keyDown.count(), 1);
        QCOMPARE(keyDown[0][0].toInt(), key);
        QCOMPARE(keyDown[0][1].toInt(), 1);
        for (int i = 0; i < 3; ++i) {
            QKeyEvent release = autoRepeat(QEvent::KeyRelease, key);
            QApplication::sendEvent(b, &release);
            QKeyEvent repeat = autoRepeat(QEvent::KeyPress, key);
            QApplication::sendEvent(b, &repeat);
        }
        QCOMPARE(click.count(), clicks);
        QCOMPARE(keyDown.count(), 4);
        QCOMPARE(keyUp.count(), 0);
        QCOMPARE(b->Pressed(), pressesDown);

        QTest::keyRelease(b, Qt::Key(key));
        QCOMPARE(keyUp.count(), 1);
        QVERIFY(!b->Pressed());
        if (key == Qt::Key_Space)
            QCOMPARE(keyPress.value(0).value(0).toInt(), int(' '));

        // The latch is gone: the next stroke clicks again.
        QTest::keyClick(b, Qt::Key(key));
        QCOMPARE(click.count(), 2 * clicks);
    }

    void hoverInAndOut_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FlatCmd") << QStringLiteral("FlatCmd");
        QTest::newRow("Command") << QStringLiteral("Command");
    }

    void hoverInAndOut()
    {
        QFETCH(QString, kind);
        Stage stage;
        ButtonBase *b = make(kind, &stage.window);
        stage.show();
        QSignalSpy in(b, &ButtonBase::MouseIn);
        QSignalSpy out(b, &ButtonBase::MouseOut);
        QSignalSpy move(b, &ButtonBase::MouseMove);

        // The shift state of the last mouse-down goes with MouseOut.
        QTest::mouseClick(b, Qt::RightButton, Qt::AltModifier, QPoint(3, 3));
        QTest::mouseMove(b, QPoint(6, 6));
        QTRY_COMPARE(in.count(), 1);
        QVERIFY(b->Hovering());
        QVERIFY(move.count() >= 1);
        QTest::mouseMove(b, QPoint(8, 8));
        QCOMPARE(in.count(), 1);

        stage.pointerAway();
        QTRY_COMPARE(out.count(), 1);
        QCOMPARE(out[0][0].toInt(), 4);
        QVERIFY(!b->Hovering());
    }

    // Where the pointer position is not known outside our windows, the leave event alone
    // ends the hover.
    void leaveEventEndsHover()
    {
        Stage stage;
        ButtonBase *b = make(QStringLiteral("FlatCmd"), &stage.window);
        stage.show();
        QSignalSpy out(b, &ButtonBase::MouseOut);
        QTest::mouseMove(b, QPoint(6, 6));
        QTRY_VERIFY(b->Hovering());
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(b, &leave);
        QCOMPARE(out.count(), 1);
        QVERIFY(!b->Hovering());
        QCOMPARE(qobject_cast<FlatCmd *>(b)->ShownSlice(), -1);
        QApplication::sendEvent(b, &leave);
        QCOMPARE(out.count(), 1);
    }

    // Leaving with the button held draws it released; coming back does not draw it pressed
    // again, and a release over the button still clicks.
    void leavingWhilePressed()
    {
        Stage stage;
        auto *b = qobject_cast<Command *>(make(QStringLiteral("Command"), &stage.window));
        stage.show();
        QSignalSpy click(b, &ButtonBase::Click);
        QSignalSpy out(b, &ButtonBase::MouseOut);
        QCursor::setPos(b->mapToGlobal(QPoint(5, 5)));
        QTRY_VERIFY(b->Hovering());
        QTest::mousePress(b, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QCOMPARE(b->Frame(), 3);

        stage.pointerAway();
        QTRY_COMPARE(out.count(), 1);
        QVERIFY(b->Pressed());
        QCOMPARE(b->Frame(), 1);
        QCOMPARE(stage.pixel(b, QPoint(15, 12)), frameColours(4)[1]);

        QCursor::setPos(b->mapToGlobal(QPoint(6, 6)));
        QTest::mouseMove(b, QPoint(6, 6));
        QTRY_VERIFY(b->Hovering());
        QCOMPARE(b->Frame(), 2);
        QTest::mouseRelease(b, Qt::LeftButton, Qt::NoModifier, QPoint(6, 6));
        QCOMPARE(click.count(), 1);

        QTest::mousePress(b, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QCOMPARE(b->Frame(), 3);
        QTest::mouseRelease(b, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QCOMPARE(click.count(), 2);
    }

    void focusOutReleases()
    {
        Stage stage;
        ButtonBase *b = make(QStringLiteral("FlatCmd"), &stage.window);
        auto *other = new QWidget(&stage.window);
        other->setFocusPolicy(Qt::StrongFocus);
        other->setGeometry(100, 60, 20, 20);
        stage.show();
        stage.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&stage.window));
        b->setFocus();
        QTRY_VERIFY(b->Focused());
        QTest::keyPress(b, Qt::Key_Space);
        QVERIFY(b->Pressed());
        other->setFocus();
        QTRY_VERIFY(!b->Focused());
        QVERIFY(!b->Pressed());
    }

    void cancelAndDefaultKeys_data()
    {
        QTest::addColumn<bool>("isDefault");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("clicks");
        QTest::newRow("cancel esc") << false << int(Qt::Key_Escape) << true << 1;
        QTest::newRow("cancel disabled") << false << int(Qt::Key_Escape) << false << 0;
        QTest::newRow("cancel return") << false << int(Qt::Key_Return) << true << 0;
        QTest::newRow("default return") << true << int(Qt::Key_Return) << true << 1;
        QTest::newRow("default enter") << true << int(Qt::Key_Enter) << true << 1;
        QTest::newRow("default esc") << true << int(Qt::Key_Escape) << true << 0;
    }

    void cancelAndDefaultKeys()
    {
        QFETCH(bool, isDefault);
        QFETCH(int, key);
        QFETCH(bool, enabled);
        QFETCH(int, clicks);
        Stage stage;
        ButtonBase *b = make(QStringLiteral("Command"), &stage.window);
        auto *other = new QWidget(&stage.window);
        other->setFocusPolicy(Qt::StrongFocus);
        other->setGeometry(100, 60, 20, 20);
        isDefault ? b->setDefault(true) : b->setCancel(true);
        b->setEnabled(enabled);
        stage.show();
        stage.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&stage.window));
        other->setFocus();
        QSignalSpy click(b, &ButtonBase::Click);
        QTest::keyClick(other, Qt::Key(key));
        QCOMPARE(click.count(), clicks);
    }

    void commandFrames_data()
    {
        QTest::addColumn<bool>("check");
        QTest::addColumn<bool>("status");
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("frame");
        for (const bool check : {false, true}) {
            const QByteArray c = check ? "check " : "plain ";
            QTest::newRow(c + "disabled") << check << false << "disabled" << 0;
            QTest::newRow(c + "disabled on") << check << true << "disabled" << 0;
            QTest::newRow(c + "normal") << check << false << "normal" << 1;
            QTest::newRow(c + "normal on") << check << true << "normal" << 0;
            QTest::newRow(c + "hover") << check << false << "hover" << 2;
            QTest::newRow(c + "pressed") << check << false << "pressed" << 3;
        }
        QTest::newRow("plain hover on") << false << true << "hover" << 2;
        QTest::newRow("check hover on") << true << true << "hover" << 4;
        QTest::newRow("check pressed on") << true << true << "pressed" << 5;
        // A four-frame strip has no sixth frame to show.
        QTest::newRow("plain pressed on") << false << true << "pressed" << 3;
    }

    void commandFrames()
    {
        QFETCH(bool, check);
        QFETCH(bool, status);
        QFETCH(QString, state);
        QFETCH(int, frame);
        Stage stage;
        auto *b = new Command(&stage.window);
        b->move(10, 10);
        b->setCheck(check);
        const QList<QColor> colours = frameColours(check ? 6 : 4);
        b->setPicture(strip(colours, QSize(29, 27)));
        QCOMPARE(b->size(), QSize(29, 27));
        b->setStatus(status);
        stage.show();
        if (state == QLatin1String("disabled"))
            b->setEnabled(false);
        if (state == QLatin1String("hover")) {
            QTest::mouseMove(b, QPoint(5, 5));
            QTRY_VERIFY(b->Hovering());
        }
        if (state == QLatin1String("pressed"))
            QTest::mousePress(b, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QCOMPARE(b->Frame(), frame);
        QCOMPARE(stage.pixel(b, QPoint(14, 13)), colours[frame]);
        if (state == QLatin1String("pressed"))
            QTest::mouseRelease(b, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    }

    void commandCaptionCentred()
    {
        Stage stage;
        auto *b = new Command(&stage.window);
        b->setPicture(strip(frameColours(4), QSize(80, 26)));
        b->setCaption(QStringLiteral("取消"));
        b->setForeColor(Qt::black);
        stage.show();
        const QImage image = b->grab().toImage();
        int left = image.width(), right = -1, top = image.height(), bottom = -1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 60) {
                    left = qMin(left, x);
                    right = qMax(right, x);
                    top = qMin(top, y);
                    bottom = qMax(bottom, y);
                }
        QVERIFY(right > left);
        QVERIFY(qAbs((left + right) / 2 - 40) <= 2);
        QVERIFY(qAbs((top + bottom) / 2 - 13) <= 3);
    }

    void flatSlices_data()
    {
        QTest::addColumn<bool>("checked");
        QTest::addColumn<bool>("status");
        QTest::addColumn<bool>("noBorder");
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("slice");
        QTest::newRow("rest") << true << false << false << "normal" << -1;
        QTest::newRow("rest on") << true << true << false << "normal" << 2;
        QTest::newRow("hover") << true << false << false << "hover" << 0;
        QTest::newRow("hover on") << true << true << false << "hover" << 1;
        QTest::newRow("pressed") << true << false << false << "pressed" << 1;
        QTest::newRow("pressed on") << true << true << false << "pressed" << 1;
        QTest::newRow("two slices on") << false << true << false << "normal" << -1;
        QTest::newRow("two slices hover") << false << false << false << "hover" << 0;
        QTest::newRow("no border hover") << true << false << true << "hover" << -1;
    }

    void flatSlices()
    {
        QFETCH(bool, checked);
        QFETCH(bool, status);
        QFETCH(bool, noBorder);
        QFETCH(QString, state);
        QFETCH(int, slice);
        Stage stage;
        auto *b = new FlatCmd(&stage.window);
        b->move(10, 10);
        b->setChecked(checked);
        const QList<QColor> colours = frameColours(checked ? 3 : 2);
        b->setPictureBG(strip(colours, QSize(28, 28), true));
        QCOMPARE(b->size(), QSize(28, 28));
        b->setStatus(status);
        b->setNoBorderEffect(noBorder);
        stage.show();
        if (state == QLatin1String("hover")) {
            QTest::mouseMove(b, QPoint(14, 14));
            QTRY_VERIFY(b->Hovering());
        }
        if (state == QLatin1String("pressed"))
            QTest::mousePress(b, Qt::LeftButton, Qt::NoModifier, QPoint(14, 14));
        QCOMPARE(b->ShownSlice(), slice);
        QCOMPARE(stage.pixel(b, QPoint(20, 20)), slice < 0 ? ContainerColour : colours[slice]);
        // The key colour always shows the container.
        QCOMPARE(stage.pixel(b, QPoint(0, 0)), ContainerColour);
        if (state == QLatin1String("pressed"))
            QTest::mouseRelease(b, Qt::LeftButton, Qt::NoModifier, QPoint(14, 14));
    }

    void flatOwnBackground()
    {
        Stage stage;
        auto *b = new FlatCmd(&stage.window);
        b->move(10, 10);
        b->setChecked(true);
        b->setPictureBG(strip(frameColours(3), QSize(28, 28), true));
        b->setTransparentBG(false);
        b->setBackColor(QColor(250, 250, 0));
        stage.show();
        QCOMPARE(stage.pixel(b, QPoint(20, 20)), QColor(250, 250, 0));
        QCOMPARE(b->GetRGB(20, 20), QStringLiteral("2502500"));
        b->setStatus(true);
        QCOMPARE(stage.pixel(b, QPoint(20, 20)), frameColours(3)[2]);
        QCOMPARE(stage.pixel(b, QPoint(1, 1)), ContainerColour);
    }

    void getRgb()
    {
        Stage stage;
        QPalette palette = stage.window.palette();
        palette.setColor(QPalette::Window, theme::KeyColour);
        stage.window.setPalette(palette);
        auto *b = new FlatCmd(&stage.window);
        b->setGeometry(10, 10, 28, 28);
        stage.show();
        QCOMPARE(b->GetRGB(3, 4), QStringLiteral("2550255"));
        QCOMPARE(b->GetRGB(28, 4), QString());
        QCOMPARE(b->GetRGB(-1, 0), QString());
    }

    void pictureLayout_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("caption");
        QTest::newRow("above") << 0 << "Go";
        QTest::newRow("left") << 1 << "Go";
        QTest::newRow("right") << 2 << "Go";
        QTest::newRow("below") << 3 << "Go";
        QTest::newRow("picture alone") << 1 << "";
    }

    void pictureLayout()
    {
        QFETCH(int, position);
        QFETCH(QString, caption);
        FlatCmd b;
        b.resize(120, 80);
        QImage bitmap(16, 16, QImage::Format_RGB32);
        bitmap.fill(Qt::red);
        b.setPictureBitmap(bitmap);
        b.setPictureSize(0);
        b.setCaption(caption);
        b.setPicturePosition(position);
        const QRect inner = b.rect().adjusted(3, 3, -3, -3);
        const QRect p = b.PictureRect();
        const QRect c = b.CaptionRect();
        QCOMPARE(p.size(), QSize(16, 16));
        if (caption.isEmpty()) {
            QVERIFY(c.isNull());
            QCOMPARE(p.center(), inner.center());
            return;
        }
        const QRect pair = p.united(c);
        QVERIFY(qAbs(pair.center().x() - inner.center().x()) <= 1);
        QVERIFY(qAbs(pair.center().y() - inner.center().y()) <= 1);
        switch (position) {
        case 0:
            QCOMPARE(c.top() - p.bottom() - 1, 4);
            break;
        case 1:
            QCOMPARE(c.left() - p.right() - 1, 4);
            break;
        case 2:
            QCOMPARE(p.left() - c.right() - 1, 4);
            break;
        case 3:
            QCOMPARE(p.top() - c.bottom() - 1, 4);
            break;
        }
    }

    void captionAloneFillsInnerArea()
    {
        FlatCmd b;
        b.resize(60, 30);
        b.setCaption(QStringLiteral("文字"));
        QCOMPARE(b.CaptionRect(), b.rect().adjusted(3, 3, -3, -3));
        QVERIFY(b.PictureRect().isNull());
    }

    void pictureSizes_data()
    {
        QTest::addColumn<int>("pictureSize");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("small") << 0 << QSize(16, 16);
        QTest::newRow("large") << 1 << QSize(32, 32);
        QTest::newRow("own") << 2 << QSize(20, 12);
        QTest::newRow("given") << 7 << QSize(9, 11);
    }

    void pictureSizes()
    {
        QFETCH(int, pictureSize);
        QFETCH(QSize, expected);
        FlatCmd b;
        b.resize(60, 60);
        QImage bitmap(20, 12, QImage::Format_RGB32);
        bitmap.fill(Qt::red);
        b.setPictureBitmap(bitmap);
        QCOMPARE(b.OriginalPicSizeW(), 20);
        QCOMPARE(b.OriginalPicSizeH(), 12);
        b.setPictureSize(pictureSize);
        b.setPictureWidth(9);
        b.setPictureHeight(11);
        QCOMPARE(b.PictureRect().size(), expected);
    }

    // Pressed moves picture and caption one pixel right and down.
    void pressedShift()
    {
        Stage stage;
        auto *b = new FlatCmd(&stage.window);
        b->setGeometry(10, 10, 100, 40);
        QImage bitmap(16, 16, QImage::Format_RGB32);
        bitmap.fill(Qt::red);
        b->setPictureBitmap(bitmap);
        b->setCaption(QStringLiteral("Go"));
        stage.show();
        const QRect p = b->PictureRect();
        const QRect c = b->CaptionRect();
        QTest::mousePress(b, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
        QCOMPARE(b->PictureRect(), p.translated(1, 1));
        QCOMPARE(b->CaptionRect(), c.translated(1, 1));
        QCOMPARE(stage.pixel(b, p.topLeft() + QPoint(1, 1)), QColor(Qt::red));
        QCOMPARE(stage.pixel(b, p.topLeft()), ContainerColour);
        QTest::mouseRelease(b, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    }

    void maskColourIsTransparent()
    {
        Stage stage;
        auto *b = new FlatCmd(&stage.window);
        b->setGeometry(10, 10, 40, 40);
        QImage bitmap(16, 16, QImage::Format_RGB32);
        bitmap.fill(Qt::white);
        QPainter(&bitmap).fillRect(0, 0, 8, 16, Qt::blue);
        b->setPictureBitmap(bitmap);
        b->setMaskColor(Qt::white);
        stage.show();
        const QPoint origin = b->PictureRect().topLeft();
        QCOMPARE(stage.pixel(b, origin + QPoint(2, 8)), QColor(Qt::blue));
        QCOMPARE(stage.pixel(b, origin + QPoint(12, 8)), ContainerColour);
    }

    void disabledLooksEmbossed()
    {
        Stage stage;
        auto *b = new FlatCmd(&stage.window);
        b->setGeometry(10, 10, 40, 40);
        QImage bitmap(16, 16, QImage::Format_RGB32);
        bitmap.fill(Qt::darkBlue);
        b->setPictureBitmap(bitmap);
        b->setMaskColor(Qt::white);
        b->setEnabled(false);
        stage.show();
        const QRect p = b->PictureRect();
        QCOMPARE(stage.pixel(b, p.topLeft() + QPoint(5, 5)), theme::EmbossShadow);
        QCOMPARE(stage.pixel(b, p.bottomRight() + QPoint(1, 1)), theme::EmbossHighlight);
    }

    void hoverPicture()
    {
        Stage stage;
        auto *b = new FlatCmd(&stage.window);
        b->setGeometry(10, 10, 40, 40);
        QImage normal(16, 16, QImage::Format_RGB32);
        normal.fill(Qt::red);
        QImage hover(16, 16, QImage::Format_RGB32);
        hover.fill(Qt::blue);
        b->setPictureBitmap(normal);
        b->setPictureHoverBitmap(hover);
        stage.show();
        const QPoint at = b->PictureRect().center();
        QCOMPARE(stage.pixel(b, at), QColor(Qt::red));
        QTest::mouseMove(b, QPoint(3, 3));
        QTRY_VERIFY(b->Hovering());
        QCOMPARE(stage.pixel(b, at), QColor(Qt::blue));
        stage.pointerAway();
        QTRY_VERIFY(!b->Hovering());
        QCOMPARE(stage.pixel(b, at), QColor(Qt::red));
    }

    void iconPicture()
    {
        Stage stage;
        auto *b = new FlatCmd(&stage.window);
        b->setGeometry(10, 10, 40, 40);
        QPixmap pixmap(20, 20);
        pixmap.fill(Qt::magenta);
        b->setPicture(QIcon(pixmap));
        QCOMPARE(b->OriginalPicSizeW(), 20);
        b->setPictureSize(1);
        stage.show();
        const QRect p = b->PictureRect();
        QCOMPARE(p.size(), QSize(32, 32));
        QCOMPARE(stage.pixel(b, p.topLeft() + QPoint(1, 1)), QColor(Qt::magenta));
        QCOMPARE(stage.pixel(b, p.bottomRight() - QPoint(1, 1)), QColor(Qt::magenta));
    }
};

MV_TEST_MAIN(TestButtons)
#include "tst_buttons.moc"
