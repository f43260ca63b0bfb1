#include "controls/buttonbase.h"

#include "controls/theme.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QShortcut>

namespace mv {

namespace {

bool isEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}
} // namespace

ButtonBase::ButtonBase(QWidget *parent)
    : QWidget(parent)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    mHoverTimer.setInterval(theme::HoverInterval);
    connect(&mHoverTimer, &QTimer::timeout, this, &ButtonBase::checkPointer);
}

void ButtonBase::press(int button, int shift, QPointF pos)
{
    mDownButton = button;
    mDownShift = shift;
    mDownPos = pos;
    if (button != MouseRight) {
        mPressed = true;
        mPressedLook = true;
        update();
    }
    emit MouseDown(button, shift, float(pos.x()), float(pos.y()));
}

void ButtonBase::mousePressEvent(QMouseEvent *event)
{
    press(ButtonCode(event->button()), ShiftCode(event->modifiers()), event->position());
}

void ButtonBase::mouseMoveEvent(QMouseEvent *event)
{
    const int shift = ShiftCode(event->modifiers());
    if (rect().contains(event->position().toPoint()) && !mHovering) {
        mHoverTimer.start();
        mHovering = true;
        HoverChanged(true);
        emit MouseIn(shift);
        update();
    }
    emit MouseMove(ButtonCode(event->buttons()), shift, float(event->position().x()),
                   float(event->position().y()));
}

void ButtonBase::mouseReleaseEvent(QMouseEvent *event)
{
    const int button = ButtonCode(event->button());
    const int shift = ShiftCode(event->modifiers());
    const QPointF pos = event->position();
    mPressed = false;
    if (button != MouseRight) {
        update();
        if (rect().contains(pos.toPoint()))
            emit Click();
    }
    emit MouseUp(button, shift, float(pos.x()), float(pos.y()));
}

void ButtonBase::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press of a double click presses again, so its release clicks again.
    Q_UNUSED(event);
    press(mDownButton, mDownShift, mDownPos);
}

void ButtonBase::checkPointer()
{
    if (QApplication::widgetAt(QCursor::pos()) != this)
        endHover();
}

void ButtonBase::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    // Where the pointer position is only known inside our own windows, leaving the window
    // is the only news that the pointer has gone.
    if (mHovering)
        endHover();
}

void ButtonBase::endHover()
{
    mHoverTimer.stop();
    mHovering = false;
    HoverChanged(false);
    emit MouseOut(mDownShift);
    // Still held: drawn released, and stays so until the next press.
    mPressedLook = false;
    update();
}

void ButtonBase::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (!mKeyLatch) {
        if (isEnter(key)) {
            emit Click();
        } else if (key == Qt::Key_Space) {
            mPressed = true;
            mPressedLook = true;
            update();
            emit Click();
        }
    }
    mKeyLatch = true;
    emit KeyDown(key, ShiftCode(event->modifiers()));
    if (!event->text().isEmpty())
        emit KeyPress(event->text().at(0).unicode());
}

void ButtonBase::keyReleaseEvent(QKeyEvent *event)
{
    // Auto-repeat sends release and press pairs; only the real release ends the stroke.
    if (event->isAutoRepeat())
        return;
    if (event->key() == Qt::Key_Space) {
        mPressed = false;
        update();
    }
    mKeyLatch = false;
    emit KeyUp(event->key(), ShiftCode(event->modifiers()));
}

void ButtonBase::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    mFocus = true;
    update();
}

void ButtonBase::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    mFocus = false;
    mPressed = false;
    // The key's release goes elsewhere now.
    mKeyLatch = false;
    update();
}

void ButtonBase::accessKey()
{
    if (isEnabled())
        emit Click();
}

QShortcut *ButtonBase::makeShortcut(const QList<QKeySequence> &keys)
{
    auto *shortcut = new QShortcut(this);
    shortcut->setKeys(keys);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, &ButtonBase::accessKey);
    return shortcut;
}

void ButtonBase::setDefault(bool on)
{
    if (on == Default())
        return;
    if (on) {
        mDefaultKey = makeShortcut({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    } else {
        delete mDefaultKey;
        mDefaultKey = nullptr;
    }
}

void ButtonBase::setCancel(bool on)
{
    if (on == Cancel())
        return;
    if (on) {
        mCancelKey = makeShortcut({QKeySequence(Qt::Key_Escape)});
    } else {
        delete mCancelKey;
        mCancelKey = nullptr;
    }
}

} // namespace mv
