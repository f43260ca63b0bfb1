#include "viewer/slideclock.h"

namespace mv {

SlideClock::SlideClock(QObject *parent)
    : QObject(parent)
{
    mTimer.setInterval(1000);
    connect(&mTimer, &QTimer::timeout, this, &SlideClock::tick);
}

int SlideClock::IntervalFromText(const QString &stored)
{
    bool ok = false;
    const int seconds = stored.trimmed().toInt(&ok);
    return ok && seconds >= MinInterval && seconds <= MaxInterval ? seconds : DefaultInterval;
}

QString SlideClock::IntervalText(int seconds)
{
    return QStringLiteral("%1").arg(seconds, 2, 10, QLatin1Char('0'));
}

bool SlideClock::intervalUp()
{
    if (mInterval >= MaxInterval)
        return false;
    ++mInterval;
    return true;
}

bool SlideClock::intervalDown()
{
    if (mInterval <= MinInterval)
        return false;
    --mInterval;
    return true;
}

void SlideClock::restart()
{
    mSeconds = 0;
    mTimer.start();
}

void SlideClock::pause()
{
    mTimer.stop();
}

void SlideClock::play()
{
    mTimer.start();
}

void SlideClock::stop()
{
    mTimer.stop();
}

void SlideClock::tick()
{
    ++mSeconds;
    if (mSeconds >= mInterval) {
        mTimer.stop();
        emit advance();
    }
}

} // namespace mv
