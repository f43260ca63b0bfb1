#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

namespace mv {

// The slide show's clock: counts whole seconds on the current image and asks for the next
// one when the interval is reached. Interval 3..20 seconds, 5 when the stored text is not
// such a number.
class SlideClock : public QObject
{
    Q_OBJECT
public:
    static constexpr int MinInterval = 3;
    static constexpr int MaxInterval = 20;
    static constexpr int DefaultInterval = 5;

    explicit SlideClock(QObject *parent = nullptr);

    static int IntervalFromText(const QString &stored);
    static QString IntervalText(int seconds); // two digits

    int interval() const { return mInterval; }
    void setInterval(int seconds) { mInterval = seconds; }
    // False at the limit (nothing changes).
    bool intervalUp();
    bool intervalDown();

    int seconds() const { return mSeconds; }
    bool running() const { return mTimer.isActive(); }
    QTimer &timer() { return mTimer; } // Timer2: tests drive its ticks

    void restart();   // a new image: count from 0 and run
    void pause();     // stop, keeping the count
    void play();      // run on from the count
    void stop();
    void tick();      // Timer2's handler: one second has passed

signals:
    void advance();   // the interval is over: show the next image

private:
    QTimer mTimer;
    int mInterval = DefaultInterval;
    int mSeconds = 0;
};

} // namespace mv
