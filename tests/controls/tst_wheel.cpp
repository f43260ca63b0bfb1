// MWheel: idle and capturing states, the enable/disable pairs, the values of WheelScroll,
// and that the target sees everything but the wheel while capturing.

#include "controls/mwheel.h"
#include "testutil.h"

#include <QSignalSpy>
#include <QWheelEvent>

using namespace mv;

namespace {

class Target : public QWidget
{
public:
    using QWidget::QWidget;
    int wheels = 0;
    int keys = 0;

protected:
    void wheelEvent(QWheelEvent *event) override
    {
        ++wheels;
        event->accept();
    }
    void keyPressEvent(QKeyEvent *event) override
    {
        ++keys;
        event->accept();
    }
};

QWheelEvent wheelEvent(QPoint angle, Qt::MouseButtons buttons = Qt::NoButton,
                       Qt::KeyboardModifiers modifiers = Qt::NoModifier, QPointF global = QPointF(300, 400))
{
    return QWheelEvent(QPointF(5, 5), global, QPoint(), angle, buttons, modifiers, Qt::NoScrollPhase, false);
}

bool turn(QWidget *target, QPoint angle)
{
    QWheelEvent event = wheelEvent(angle);
    return QApplication::sendEvent(target, &event);
}

bool hasHookProperties(const MWheel &wheel, const QWidget &target)
{
    return target.property(MWheel::WheelWnd).isValid() || wheel.property(MWheel::WheelPtr).isValid()
           || wheel.property(MWheel::OldWheelProc).isValid();
}

} // namespace

class TestWheel : public QObject
{
    Q_OBJECT

private slots:
    void withoutTargetNothingHappens()
    {
        QWidget owner;
        MWheel wheel(&owner);
        wheel.EnableWheel();
        QVERIFY(!wheel.Enabled());
        QVERIFY(!wheel.property(MWheel::OldWheelProc).isValid());
        wheel.DisableWheel();
        QVERIFY(!wheel.Enabled());
    }

    void values_data()
    {
        QTest::addColumn<QPoint>("angle");
        QTest::addColumn<Qt::MouseButtons>("buttons");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<int>("keyState");
        QTest::addColumn<int>("delta");
        QTest::newRow("one notch away") << QPoint(0, 120) << Qt::MouseButtons() << Qt::KeyboardModifiers() << 0 << 120;
        QTest::newRow("one notch towards") << QPoint(0, -120) << Qt::MouseButtons() << Qt::KeyboardModifiers() << 0 << -120;
        QTest::newRow("two notches") << QPoint(0, 240) << Qt::MouseButtons() << Qt::KeyboardModifiers() << 0 << 240;
        QTest::newRow("fine step") << QPoint(0, 15) << Qt::MouseButtons() << Qt::KeyboardModifiers() << 0 << 15;
        QTest::newRow("ctrl") << QPoint(0, 120) << Qt::MouseButtons() << Qt::KeyboardModifiers(Qt::ControlModifier) << 8 << 120;
        QTest::newRow("shift left") << QPoint(0, -120) << Qt::MouseButtons(Qt::LeftButton)
                                    << Qt::KeyboardModifiers(Qt::ShiftModifier) << 5 << -120;
        QTest::newRow("right middle") << QPoint(0, 120) << Qt::MouseButtons(Qt::RightButton | Qt::MiddleButton)
                                      << Qt::KeyboardModifiers() << 0x12 << 120;
        QTest::newRow("diagonal") << QPoint(30, 120) << Qt::MouseButtons() << Qt::KeyboardModifiers() << 0 << 120;
        QTest::newRow("beyond a word") << QPoint(0, 40000) << Qt::MouseButtons() << Qt::KeyboardModifiers() << 0 << 32767;
    }

    void values()
    {
        QFETCH(QPoint, angle);
        QFETCH(Qt::MouseButtons, buttons);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(int, keyState);
        QFETCH(int, delta);
        QWidget owner;
        Target target(&owner);
        MWheel wheel(&owner);
        wheel.setHWndCapture(&target);
        wheel.EnableWheel();
        QVERIFY(wheel.Enabled());
        QSignalSpy scroll(&wheel, &MWheel::WheelScroll);
        QWheelEvent event = wheelEvent(angle, buttons, modifiers, QPointF(-35, 812));
        QApplication::sendEvent(&target, &event);
        QCOMPARE(scroll.count(), 1);
        QCOMPARE(scroll[0][0].toInt(), keyState);
        QCOMPARE(scroll[0][1].toInt(), delta);
        QCOMPARE(scroll[0][2].toFloat(), -35.0f);
        QCOMPARE(scroll[0][3].toFloat(), 812.0f);
        QCOMPARE(target.wheels, 0);
    }

    void positionsStayInAWord()
    {
        const WheelValues values = WheelValuesOf(wheelEvent(QPoint(0, -120), {}, {}, QPointF(-40000, 70000)));
        QCOMPARE(values.x, -32768);
        QCOMPARE(values.y, 32767);
    }

    void otherEventsReachTheTarget()
    {
        QWidget owner;
        Target target(&owner);
        MWheel wheel(&owner);
        wheel.setHWndCapture(&target);
        wheel.EnableWheel();
        QSignalSpy scroll(&wheel, &MWheel::WheelScroll);
        QTest::keyClick(&target, Qt::Key_A);
        QCOMPARE(target.keys, 1);
        // A sideways turn is not the wheel message that is captured.
        turn(&target, QPoint(120, 0));
        QCOMPARE(target.wheels, 1);
        QCOMPARE(scroll.count(), 0);
    }

    void enableTwiceDisableOnce()
    {
        QWidget owner;
        Target target(&owner);
        MWheel wheel(&owner);
        wheel.setHWndCapture(&target);
        wheel.EnableWheel();
        const QVariant first = wheel.property(MWheel::OldWheelProc);
        QCOMPARE(first.value<QObject *>(), &target);
        QCOMPARE(wheel.property(MWheel::WheelPtr).value<QObject *>(), &wheel);
        QCOMPARE(target.property(MWheel::WheelWnd).value<QObject *>(), &wheel);
        wheel.EnableWheel();
        QCOMPARE(wheel.property(MWheel::OldWheelProc), first);
        QSignalSpy scroll(&wheel, &MWheel::WheelScroll);
        turn(&target, QPoint(0, 120));
        QCOMPARE(scroll.count(), 1); // one hook, one event

        wheel.DisableWheel();
        QVERIFY(!wheel.Enabled());
        QVERIFY(!hasHookProperties(wheel, target));
        turn(&target, QPoint(0, 120));
        QCOMPARE(scroll.count(), 1);
        QCOMPARE(target.wheels, 1);
        // Idle: a second disable changes nothing, and capture can start again.
        wheel.DisableWheel();
        wheel.EnableWheel();
        turn(&target, QPoint(0, -120));
        QCOMPARE(scroll.count(), 2);
    }

    // The owner names another target without disabling first: the capture comes off the
    // widget it was put on.
    void retargetWithoutDisable()
    {
        QWidget owner;
        Target first(&owner);
        Target second(&owner);
        MWheel wheel(&owner);
        wheel.setHWndCapture(&first);
        wheel.EnableWheel();
        wheel.setHWndCapture(&second);
        QSignalSpy scroll(&wheel, &MWheel::WheelScroll);
        turn(&first, QPoint(0, 120));
        QCOMPARE(scroll.count(), 1);
        wheel.DisableWheel();
        QVERIFY(!first.property(MWheel::WheelWnd).isValid());
        turn(&first, QPoint(0, 120));
        turn(&second, QPoint(0, 120));
        QCOMPARE(scroll.count(), 1);
        QCOMPARE(first.wheels, 1);
        QCOMPARE(second.wheels, 1);
    }

    void controlGoneFirst()
    {
        QWidget owner;
        Target target(&owner);
        auto *wheel = new MWheel(&owner);
        wheel->setHWndCapture(&target);
        wheel->EnableWheel();
        delete wheel;
        QVERIFY(!target.property(MWheel::WheelWnd).isValid());
        turn(&target, QPoint(0, 120));
        QCOMPARE(target.wheels, 1);
    }

    void targetGoneFirst()
    {
        QWidget owner;
        auto *target = new Target(&owner);
        MWheel wheel(&owner);
        wheel.setHWndCapture(target);
        wheel.EnableWheel();
        delete target;
        QCOMPARE(wheel.hWndCapture(), nullptr);
        wheel.DisableWheel(); // nothing to take off, nothing breaks
        wheel.setHWndCapture(&owner);
        wheel.DisableWheel();
        QVERIFY(!wheel.property(MWheel::OldWheelProc).isValid());
    }

    void keepsItsSize()
    {
        QWidget owner;
        MWheel wheel(&owner);
        wheel.resize(100, 10);
        QCOMPARE(wheel.size(), QSize(32, 32));
    }
};

MV_TEST_MAIN(TestWheel)
#include "tst_wheel.moc"
