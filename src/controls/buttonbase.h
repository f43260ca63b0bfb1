#pragma once

#include "app/inputcodes.h"

#include <QKeySequence>
#include <QList>
#include <QPointF>
#include <QTimer>
#include <QWidget>

class QShortcut;

namespace mv {

// Button codes (1 left, 2 right, 4 middle) and shift bits (1 Shift, 2 Ctrl, 4 Alt) that the
// controls' events carry.

// Input handling shared by FlatCmd and Command: pressed, hover with its pointer check,
// the key latch, default and cancel keys. Subclasses only paint.
class ButtonBase : public QWidget
{
    Q_OBJECT
public:
    explicit ButtonBase(QWidget *parent = nullptr);

    bool Hovering() const { return mHovering; }
    bool Pressed() const { return mPressed; }
    bool Focused() const { return mFocus; }

    // Enter (default) or Esc (cancel) anywhere in the button's window clicks it.
    bool Default() const { return mDefaultKey != nullptr; }
    void setDefault(bool on);
    bool Cancel() const { return mCancelKey != nullptr; }
    void setCancel(bool on);

    void Refresh() { update(); }

signals:
    void Click();
    void KeyDown(int KeyCode, int Shift);
    void KeyPress(int KeyAscii);
    void KeyUp(int KeyCode, int Shift);
    void MouseDown(int Button, int Shift, float X, float Y);
    void MouseMove(int Button, int Shift, float X, float Y);
    void MouseUp(int Button, int Shift, float X, float Y);
    void MouseIn(int Shift);
    void MouseOut(int Shift);

protected:
    // Whether to draw the pressed look: a press that left the button shows as released
    // until the next press.
    bool ShowsPressed() const { return mPressed && mPressedLook; }
    // Called when hovering starts or ends, before the redraw.
    virtual void HoverChanged(bool hovering) { Q_UNUSED(hovering); }

    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void press(int button, int shift, QPointF pos);
    void checkPointer();
    void endHover();
    void accessKey();
    QShortcut *makeShortcut(const QList<QKeySequence> &keys);

    QTimer mHoverTimer;
    bool mHovering = false;
    bool mPressed = false;
    bool mPressedLook = true;
    bool mFocus = false;
    bool mKeyLatch = false;
    int mDownButton = 0;
    int mDownShift = 0;
    QPointF mDownPos;
    QShortcut *mDefaultKey = nullptr;
    QShortcut *mCancelKey = nullptr;
};

} // namespace mv
