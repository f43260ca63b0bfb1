#include "imaging/readahead.h"

#include <QMutex>
#include <QMutexLocker>
#include <QWaitCondition>

#include <algorithm>
#include <utility>

namespace mv {

// One picture read on the worker. The request is fixed when it is queued; the rest is
// shared between the threads under the mutex, except the flag, which may be set at any time.
struct ReadAhead::Job {
    enum class Stage { Queued, Running, Done };

    PictureRequest request;
    QImage recycled; // taken by the worker when it starts
    std::atomic_bool cancelled{false};
    QMutex mutex;
    QWaitCondition done;
    Stage stage = Stage::Queued;
    PreparedPicture result;
};

ReadAhead::ReadAhead(QObject *parent)
    : QObject(parent)
{
    // One picture at a time, in the order wanted: the next one is ready first.
    mPool.setMaxThreadCount(1);
}

ReadAhead::~ReadAhead()
{
    Stop();
}

bool ReadAhead::SameRequest(const PictureRequest &a, const PictureRequest &b)
{
    // The client size only shapes the smoothed copy, which the paint makes again if it must.
    return a.renderBox == b.renderBox && a.canvas == b.canvas;
}

PictureRequest ReadAhead::RequestOf(const Slot &slot) const
{
    if (slot.job)
        return slot.job->request;
    PictureRequest request;
    request.path = slot.path;
    if (slot.picture) {
        request.renderBox = slot.picture->renderBox;
        request.canvas = slot.picture->canvas;
    }
    return request;
}

void ReadAhead::SetWanted(const QStringList &paths, const PictureRequest &request)
{
    QStringList wanted;
    for (const QString &path : paths) {
        if (!path.isEmpty() && !wanted.contains(path) && wanted.size() < MaxHeld)
            wanted << path;
    }
    std::vector<Slot> kept;
    QList<QImage> letGo; // their pixels become the pictures read next
    for (Slot &slot : mSlots) {
        if (wanted.contains(slot.path) && SameRequest(RequestOf(slot), request))
            kept.push_back(std::move(slot));
        else if (slot.job)
            slot.job->cancelled = true;
        else if (slot.picture && !slot.picture->render.isNull())
            letGo << std::exchange(slot.picture->render, QImage());
    }
    mSlots.clear();
    for (const QString &path : wanted) {
        // Only the nearest comes smoothed for the best-fit paint: the other is the way back,
        // where the paint smooths it (a few milliseconds), and it holds less.
        const bool nearest = mSlots.empty();
        auto held = std::find_if(kept.begin(), kept.end(), [&path](const Slot &slot) { return slot.path == path; });
        if (held != kept.end()) {
            if (!nearest && held->picture)
                held->picture->fitted = QImage();
            mSlots.push_back(std::move(*held));
            continue;
        }
        Slot slot;
        slot.path = path;
        PictureRequest job = request;
        job.path = path;
        if (!nearest)
            job.client = QSize();
        Start(slot, job, letGo.isEmpty() ? QImage() : letGo.takeFirst());
        mSlots.push_back(std::move(slot));
    }
}

void ReadAhead::Start(Slot &slot, const PictureRequest &request, QImage &&recycled)
{
    auto job = std::make_shared<Job>();
    job->request = request;
    job->recycled = std::exchange(recycled, QImage());
    slot.job = job;
    mPool.start([this, job] {
        {
            QMutexLocker lock(&job->mutex);
            if (job->cancelled) {
                job->recycled = QImage();
                job->stage = Job::Stage::Done;
                job->done.wakeAll();
                return;
            }
            job->stage = Job::Stage::Running;
        }
        QImage scratch = BorrowScratch();
        PreparedPicture picture =
            PreparePicture(job->request, job->cancelled, scratch, std::exchange(job->recycled, QImage()));
        ReturnScratch(std::move(scratch));
        if (job->cancelled)
            picture = PreparedPicture(); // nobody wants it: the memory goes at once
        {
            QMutexLocker lock(&job->mutex);
            job->result = std::move(picture);
            job->stage = Job::Stage::Done;
            job->done.wakeAll();
        }
        // Dropped with the posted call when this object is gone (it waits for the pool).
        QMetaObject::invokeMethod(this, [this, job] { OnFinished(job); }, Qt::QueuedConnection);
    });
}

void ReadAhead::OnFinished(const std::shared_ptr<Job> &job)
{
    for (Slot &slot : mSlots) {
        if (slot.job != job)
            continue;
        {
            QMutexLocker lock(&job->mutex);
            slot.picture = std::move(job->result);
        }
        slot.job.reset();
        emit Finished(slot.path);
        return;
    }
}

std::optional<PreparedPicture> ReadAhead::Take(const QString &path)
{
    const auto at = std::find_if(mSlots.begin(), mSlots.end(), [&path](const Slot &slot) { return slot.path == path; });
    if (at == mSlots.end())
        return std::nullopt;
    Slot slot = std::move(*at);
    mSlots.erase(at);

    std::optional<PreparedPicture> picture;
    if (slot.job) {
        Job &job = *slot.job;
        QMutexLocker lock(&job.mutex);
        if (job.stage == Job::Stage::Queued) {
            job.cancelled = true;
            return std::nullopt;
        }
        while (job.stage != Job::Stage::Done)
            job.done.wait(&job.mutex);
        picture = std::move(job.result);
    } else {
        picture = std::move(slot.picture);
    }
    if (!picture || !picture->IsReady() || FileStamp::Of(path) != picture->stamp)
        return std::nullopt;
    ++mTaken;
    return picture;
}

QImage ReadAhead::BorrowScratch()
{
    const QMutexLocker lock(&mScratchLock);
    return std::exchange(mScratch, QImage());
}

void ReadAhead::ReturnScratch(QImage &&scratch)
{
    // Larger buffers (actual size of a huge picture) are given back rather than kept idle.
    constexpr qsizetype MaxKeptBytes = qsizetype(64) << 20;
    QImage returned = std::exchange(scratch, QImage());
    if (returned.sizeInBytes() > MaxKeptBytes)
        returned = QImage();
    const QMutexLocker lock(&mScratchLock);
    std::swap(mScratch, returned); // the one it replaces goes after the lock
}

bool ReadAhead::HasRoomFor(const QString &path) const
{
    return int(mSlots.size()) < MaxHeld
           && std::none_of(mSlots.begin(), mSlots.end(), [&path](const Slot &slot) { return slot.path == path; });
}

void ReadAhead::Offer(PreparedPicture &&picture)
{
    if (!picture.IsReady() || !HasRoomFor(picture.path))
        return;
    Slot slot;
    slot.path = picture.path;
    slot.picture = std::move(picture);
    mSlots.push_back(std::move(slot));
}

void ReadAhead::Stop()
{
    for (Slot &slot : mSlots) {
        if (slot.job)
            slot.job->cancelled = true;
    }
    mSlots.clear();
    mPool.waitForDone();
}

QStringList ReadAhead::Held() const
{
    QStringList held;
    for (const Slot &slot : mSlots) {
        if (slot.job || (slot.picture && slot.picture->IsReady()))
            held << slot.path;
    }
    return held;
}

bool ReadAhead::IsReady(const QString &path) const
{
    for (const Slot &slot : mSlots) {
        if (slot.path != path)
            continue;
        if (slot.picture)
            return slot.picture->IsReady();
        QMutexLocker lock(&slot.job->mutex);
        return slot.job->stage == Job::Stage::Done && slot.job->result.IsReady();
    }
    return false;
}

} // namespace mv
