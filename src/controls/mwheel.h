#pragma once

#include <QPointer>
#include <QWidget>

namespace mv {

// Hands the wheel turns of another widget to its owner: while capturing, the target never
// sees a wheel event, and each one raises WheelScroll instead. Every other event reaches
// the target as before. The control draws nothing and keeps itself 32 x 32.
class MWheel : public QWidget
{
    Q_OBJECT
public:
    explicit MWheel(QWidget *parent = nullptr);
    ~MWheel() override;

    // The target; changing it does not move a capture in place (disable, set, enable).
    QWidget *hWndCapture() const { return mTarget; }
    void setHWndCapture(QWidget *target) { mTarget = target; }

    bool Enabled() const { return mEnabled; }
    void EnableWheel();
    void DisableWheel();

    // Names of the dynamic properties that tie target and control together while
    // capturing: on the target, the control; on the control, itself and the hooked target.
    static constexpr const char *WheelWnd = "WheelWnd";
    static constexpr const char *WheelPtr = "WheelPtr";
    static constexpr const char *OldWheelProc = "OldWheelProc";

signals:
    // keyState: MK_ flags (1 left, 2 right, 4 Shift, 8 Ctrl, 16 middle, 32/64 extra
    // buttons); delta: 120 per notch, positive away from the user; x, y: screen pixels.
    void WheelScroll(int keyState, int delta, float x, float y);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void removeHook();

    QPointer<QWidget> mTarget;
    QPointer<QWidget> mHooked; // the target the filter sits on
    bool mEnabled = false;
};

// The four values of one wheel event as the capture reports them.
struct WheelValues {
    int keyState = 0;
    int delta = 0;
    int x = 0;
    int y = 0;
};
WheelValues WheelValuesOf(const class QWheelEvent &event);

} // namespace mv
