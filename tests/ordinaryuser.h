#pragma once

// Root reads and writes whatever permissions say: while an OrdinaryUser lives, a test that
// runs as root runs as the unprivileged user "nobody" (the saved id lets it come back), so
// that unreadable and unwritable files behave as they do for a person.

#include <QtGlobal>

#include <unistd.h>

namespace mv::test {

class OrdinaryUser
{
public:
    OrdinaryUser()
    {
        if (geteuid() != 0)
            mActive = true;
        else
            mActive = mDropped = setresuid(65534, 65534, 0) == 0;
    }
    ~OrdinaryUser()
    {
        if (mDropped && setresuid(0, 0, 0) != 0)
            qFatal("cannot return to root");
    }
    OrdinaryUser(const OrdinaryUser &) = delete;
    OrdinaryUser &operator=(const OrdinaryUser &) = delete;
    // False when the test runs as root and could not leave it.
    bool active() const { return mActive; }

private:
    bool mActive = false;
    bool mDropped = false;
};

} // namespace mv::test
