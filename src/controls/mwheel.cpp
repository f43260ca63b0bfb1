#include "controls/mwheel.h"

#include "controls/theme.h"

#include <QEvent>
#include <QWheelEvent>

#include <algorithm>

namespace mv {

namespace {
// Every value travels as a signed 16-bit word.
int word(qint64 value)
{
    return int(std::clamp<qint64>(value, -32768, 32767));
}
} // namespace

WheelValues WheelValuesOf(const QWheelEvent &event)
{
    int keys = 0;
    const Qt::MouseButtons buttons = event.buttons();
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    if (buttons & Qt::LeftButton)
        keys |= 0x1;
    if (buttons & Qt::RightButton)
        keys |= 0x2;
    if (modifiers & Qt::ShiftModifier)
        keys |= 0x4;
    if (modifiers & Qt::ControlModifier)
        keys |= 0x8;
    if (buttons & Qt::MiddleButton)
        keys |= 0x10;
    if (buttons & Qt::BackButton)
        keys |= 0x20;
    if (buttons & Qt::ForwardButton)
        keys |= 0x40;
    const QPointF global = event.globalPosition();
    return {keys, word(event.angleDelta().y()), word(qRound64(global.x())), word(qRound64(global.y()))};
}

MWheel::MWheel(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFixedSize(theme::WheelControlSize, theme::WheelControlSize);
}

MWheel::~MWheel()
{
    // The owner should have disabled the capture; never leave a filter pointing here.
    removeHook();
}

void MWheel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (size() != QSize(theme::WheelControlSize, theme::WheelControlSize))
        resize(theme::WheelControlSize, theme::WheelControlSize);
}

void MWheel::EnableWheel()
{
    if (!mTarget)
        return;
    mEnabled = true;
    if (property(OldWheelProc).isValid())
        return; // the hook is in place
    mHooked = mTarget;
    setProperty(OldWheelProc, QVariant::fromValue<QObject *>(mHooked.data()));
    setProperty(WheelPtr, QVariant::fromValue<QObject *>(this));
    mHooked->setProperty(WheelWnd, QVariant::fromValue<QObject *>(this));
    mHooked->installEventFilter(this);
}

void MWheel::DisableWheel()
{
    if (!mTarget || !mEnabled)
        return;
    removeHook();
    mEnabled = false;
}

void MWheel::removeHook()
{
    if (!property(OldWheelProc).isValid())
        return;
    // The filter comes off the widget it was put on, even when the owner has named
    // another target since.
    if (mHooked) {
        mHooked->removeEventFilter(this);
        mHooked->setProperty(WheelWnd, QVariant());
    }
    mHooked.clear();
    setProperty(WheelPtr, QVariant());
    setProperty(OldWheelProc, QVariant());
}

bool MWheel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != mHooked || event->type() != QEvent::Wheel)
        return QWidget::eventFilter(watched, event);
    const auto *wheel = static_cast<QWheelEvent *>(event);
    // A sideways turn is another message; it goes on to the target.
    if (wheel->angleDelta().y() == 0)
        return false;
    const WheelValues values = WheelValuesOf(*wheel);
    emit WheelScroll(values.keyState, values.delta, float(values.x), float(values.y));
    return true;
}

} // namespace mv
