#include "imaging/metafile/playerbudget.h"

namespace mv::metafile {

Budget::Budget(double work, qint64 memory) : mWork(work), mLimit(memory), mKept(std::make_shared<qint64>(0)) {}

bool Budget::spend(double units)
{
    mWork -= units;
    return mWork >= 0;
}

bool Budget::fits(qint64 bytes) const
{
    return bytes >= 0 && bytes <= mLimit - *mKept;
}

bool Budget::keep(Charge &charge, qint64 bytes)
{
    if (bytes <= 0) {
        charge.mShare.reset();
        return true;
    }
    const bool own = charge.mShare && charge.mShare.use_count() == 1;
    const qint64 more = own ? bytes - charge.mShare->bytes : bytes;
    if (more > 0 && !fits(more))
        return false;
    if (own) {
        *mKept += more;
        charge.mShare->bytes = bytes;
        return true;
    }
    auto share = std::make_shared<Charge::Share>();
    share->kept = mKept;
    share->bytes = bytes;
    *mKept += bytes;
    charge.mShare = std::move(share);
    return true;
}

} // namespace mv::metafile
