// The browser's part of updating: the daily check one second after load, and the start of
// a downloaded setup program when the window closes.
#include "browser/frmmain.h"
#include "browser/updatecheck.h"

#include <QTimer>

namespace mv {

// Start-up step 15: Timer2 is armed when no update check has been made today.
void Frmmain::ArmUpdateCheck()
{
    if (!mUpdateCheck) {
        // A child of the window, so that a check still fetching when the window goes stops
        // without touching anything.
        mUpdateCheck = new UpdateCheck(this);
        connect(Timer2, &QTimer::timeout, this, &Frmmain::Timer2_Timer);
    }
    if (mUpdateCheck->Due())
        Timer2->start();
}

// Timer2: its first tick disables it and runs the check; the outcome is not shown.
void Frmmain::Timer2_Timer()
{
    Timer2->stop();
    (void)mUpdateCheck->CheckUpdate();
}

// A close step: the setup program that Update downloaded starts when it is newer.
void Frmmain::StartPendingSetup()
{
    if (mUpdateCheck)
        (void)mUpdateCheck->StartPendingSetup();
    else
        (void)UpdateCheck().StartPendingSetup();
}

} // namespace mv
