#pragma once

#include "imaging/exif.h"

#include <QByteArray>
#include <QString>

namespace mv {

enum class JpegTurnStatus { Ok, NotPerfect, Failed };

struct JpegTurn {
    JpegTurnStatus status = JpegTurnStatus::Failed;
    QByteArray jpeg;   // the turned file, when Ok
    QString error;
};

// True when turning a JPEG of that size and chroma subsampling moves only whole MCU blocks,
// so that the turn loses nothing (no partial block would land on a left or top edge).
bool IsPerfectJpegTurn(int width, int height, int subsampling, PictureTurn turn);

// Turns JPEG data without decoding its pixels: the DCT blocks move, so no quality is lost
// and the file keeps its size. Only a perfect turn is made (NotPerfect otherwise). Every
// marker is kept (EXIF, ICC profile, comments); the EXIF orientation becomes 1, since the
// pixels now stand as they are to be shown, and an EXIF thumbnail that kept the old turn is
// unlinked.
[[nodiscard]] JpegTurn TurnJpegLossless(const QByteArray &jpeg, PictureTurn turn);

} // namespace mv
