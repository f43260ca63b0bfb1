#pragma once

#include "imaging/prepared.h"

#include <QMutex>
#include <QObject>
#include <QStringList>
#include <QThreadPool>

#include <memory>
#include <optional>
#include <vector>

namespace mv {

// Reads the neighbours of the shown picture ahead on a worker thread, so that the next
// step finds its picture decoded. Holds at most one neighbour on each side, ready or under
// way; a neighbour the user moved away from is let go and its work cancelled. Lives on the
// user-interface thread; the worker touches nothing but the job it runs.
class ReadAhead : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxHeld = 2;

    explicit ReadAhead(QObject *parent = nullptr);
    ~ReadAhead() override; // cancels, and waits for the picture under way

    // The pictures wanted next, nearest first (the next one, then the previous one): those
    // not yet held are queued in that order with request's box, colour and client; held
    // pictures of other files, or made for another box or colour, are let go.
    void SetWanted(const QStringList &paths, const PictureRequest &request);

    // The picture of path, when it is held and its file is still as it was read; it is no
    // longer held afterwards. A picture under way is waited for (it is the one wanted now);
    // one still queued is cancelled, and the caller decodes it as before.
    std::optional<PreparedPicture> Take(const QString &path);

    // The canvas leaves a picture that may soon be wanted again (stepping forward, the one
    // just left is the previous neighbour): kept when there is room and it is ready.
    bool HasRoomFor(const QString &path) const;
    void Offer(PreparedPicture &&picture);

    // Lets every picture go and waits for the work under way: before the imaging library
    // is shut down.
    void Stop();

    // The decoder's buffer (GpImage::DrawFrameInto), kept between pictures and lent to
    // whichever decodes, the worker or the canvas itself, so that one is kept, not two.
    // Borrowing while the other has it gives an empty one. Any thread.
    QImage BorrowScratch();
    void ReturnScratch(QImage &&scratch);

    // For owners and tests: the files held (ready or under way) in the order wanted, those
    // ready, and how many pictures Take has handed out.
    QStringList Held() const;
    bool IsReady(const QString &path) const;
    int TakenCount() const { return mTaken; }

signals:
    // A neighbour has been read (whether or not it gave a picture).
    void Finished(const QString &path);

private:
    struct Job;
    struct Slot {
        QString path;
        std::shared_ptr<Job> job;               // under way or queued
        std::optional<PreparedPicture> picture; // done
    };

    void Start(Slot &slot, const PictureRequest &request, QImage &&recycled);
    void OnFinished(const std::shared_ptr<Job> &job);
    static bool SameRequest(const PictureRequest &a, const PictureRequest &b);
    PictureRequest RequestOf(const Slot &slot) const;

    QMutex mScratchLock;
    QImage mScratch;
    QThreadPool mPool;
    std::vector<Slot> mSlots; // at most MaxHeld, in the order wanted
    int mTaken = 0;
};

} // namespace mv
