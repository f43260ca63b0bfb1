#pragma once

#include "thumbs/thumbformat.h"

#include <QHash>
#include <QString>

#include <memory>

namespace mv {

// Worker threads that render the thumbnails of the images a build will come to next, so
// that the user-interface thread finds them made when it gets there. A worker runs
// RenderThumbnail and nothing else: no widget, no cache database, no settings.
//
// The pool has one worker per core; 0 workers render everything on the calling thread.
void SetRenderWorkers(int count);
[[nodiscard]] int RenderWorkers();
// Waits until no worker is rendering (before the imaging library shuts down).
void WaitForRenderWorkers();

// The renders of one build.
class RenderAhead
{
public:
    RenderAhead();
    ~RenderAhead();
    RenderAhead(const RenderAhead &) = delete;
    RenderAhead &operator=(const RenderAhead &) = delete;

    // How many images ahead of the current one are worth having in work.
    [[nodiscard]] int Depth() const;
    // Hands the image of that list index to the pool (nothing happens without workers).
    void Submit(int index, const QString &path);
    [[nodiscard]] bool IsSubmitted(int index) const { return mJobs.contains(index); }
    // The thumbnail of that image: taken from the worker that made it, waited for when a
    // worker is at it, or made here when no worker has started it.
    [[nodiscard]] ThumbnailBytes Take(int index, const QString &path);
    // The image is not wanted after all (its thumbnail came from the cache).
    void Drop(int index);
    // Drops every render that no worker has started; those running end unseen.
    void CancelQueued();

    // Renders a worker made that were handed over, and those made here.
    int TakenFromWorkers() const { return mFromWorkers; }

private:
    struct Job;
    QHash<int, std::shared_ptr<Job>> mJobs;
    int mFromWorkers = 0;
};

} // namespace mv
