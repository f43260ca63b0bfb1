#include "thumbs/renderahead.h"

#include "thumbs/renderthumbnail.h"

#include <QMutex>
#include <QThread>
#include <QThreadPool>
#include <QWaitCondition>

#include <atomic>

namespace mv {

namespace {

Q_GLOBAL_STATIC(QThreadPool, gPool)

int gWorkers = -1; // not chosen yet: one per core

QThreadPool *Pool()
{
    if (gWorkers < 0)
        SetRenderWorkers(QThread::idealThreadCount());
    return gWorkers > 0 ? gPool() : nullptr;
}

} // namespace

void SetRenderWorkers(int count)
{
    gWorkers = qMax(0, count);
    if (gWorkers > 0)
        gPool()->setMaxThreadCount(gWorkers);
}

int RenderWorkers()
{
    return Pool() ? gWorkers : 0;
}

void WaitForRenderWorkers()
{
    if (gPool.exists())
        gPool()->waitForDone();
}

enum class JobState { Queued, Running, Done, Dropped };

// Shared by the build and the worker: whichever comes first decides who renders.
struct RenderAhead::Job {
    QString path;
    std::atomic<JobState> state{JobState::Queued};
    QMutex lock;
    QWaitCondition done;
    ThumbnailBytes result;

    // The worker renders only what nobody has taken or dropped meanwhile.
    void Run()
    {
        JobState queued = JobState::Queued;
        if (!state.compare_exchange_strong(queued, JobState::Running))
            return;
        ThumbnailBytes bytes = RenderThumbnail(path).bytes;
        QMutexLocker locker(&lock);
        result = std::move(bytes);
        state = JobState::Done;
        done.wakeAll();
    }

    // True when the job was still waiting: it is the caller's now, and no worker runs it.
    bool Withdraw()
    {
        JobState queued = JobState::Queued;
        return state.compare_exchange_strong(queued, JobState::Dropped);
    }
};

RenderAhead::RenderAhead() = default;

RenderAhead::~RenderAhead()
{
    CancelQueued();
}

int RenderAhead::Depth() const
{
    return 2 * RenderWorkers();
}

void RenderAhead::Submit(int index, const QString &path)
{
    QThreadPool *pool = Pool();
    if (!pool || mJobs.contains(index))
        return;
    auto job = std::make_shared<Job>();
    job->path = path;
    mJobs.insert(index, job);
    pool->start([job] { job->Run(); });
}

ThumbnailBytes RenderAhead::Take(int index, const QString &path)
{
    const std::shared_ptr<Job> job = mJobs.take(index);
    if (!job || job->path != path || job->Withdraw())
        return RenderThumbnail(path).bytes;
    QMutexLocker locker(&job->lock);
    while (job->state != JobState::Done)
        job->done.wait(&job->lock);
    ++mFromWorkers;
    return std::move(job->result);
}

void RenderAhead::Drop(int index)
{
    if (const std::shared_ptr<Job> job = mJobs.take(index))
        job->Withdraw();
}

void RenderAhead::CancelQueued()
{
    for (const std::shared_ptr<Job> &job : std::as_const(mJobs))
        job->Withdraw();
    mJobs.clear();
}

} // namespace mv
