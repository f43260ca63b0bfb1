#include "imaging/jpegturn.h"

#include "imaging/codec.h"
#include "imaging/pixelbudget.h"

#include <turbojpeg.h>

#include <memory>

namespace mv {

namespace {

int TransformOp(PictureTurn turn)
{
    static constexpr int Plain[4] = {TJXOP_NONE, TJXOP_ROT90, TJXOP_ROT180, TJXOP_ROT270};
    // A turn followed by a mirror.
    static constexpr int Mirrored[4] = {TJXOP_HFLIP, TJXOP_TRANSPOSE, TJXOP_VFLIP, TJXOP_TRANSVERSE};
    const int q = turn.quarterTurns & 3;
    return turn.flip ? Mirrored[q] : Plain[q];
}

struct TjDestroy {
    void operator()(void *handle) const { tjDestroy(handle); }
};

struct TjFree {
    void operator()(unsigned char *buffer) const { tjFree(buffer); }
};

} // namespace

bool IsPerfectJpegTurn(int width, int height, int subsampling, PictureTurn turn)
{
    if (subsampling < 0 || subsampling >= TJ_NUMSAMP || width <= 0 || height <= 0)
        return false;
    const bool wholeColumns = width % tjMCUWidth[subsampling] == 0;
    const bool wholeRows = height % tjMCUHeight[subsampling] == 0;
    // The partial blocks sit on the right and bottom edges; a turn must not move them to
    // the left or the top.
    switch (TransformOp(turn)) {
    case TJXOP_HFLIP:
    case TJXOP_ROT270: return wholeColumns;
    case TJXOP_VFLIP:
    case TJXOP_ROT90: return wholeRows;
    case TJXOP_ROT180:
    case TJXOP_TRANSVERSE: return wholeColumns && wholeRows;
    default: return true; // none, transpose
    }
}

JpegTurn TurnJpegLossless(const QByteArray &jpeg, PictureTurn turn)
{
    JpegTurn result;
    const std::unique_ptr<void, TjDestroy> handle(tjInitTransform());
    if (!handle) {
        result.error = QString::fromLocal8Bit(tjGetErrorStr2(nullptr));
        return result;
    }
    const auto *bytes = reinterpret_cast<const unsigned char *>(jpeg.constData());
    const auto size = static_cast<unsigned long>(jpeg.size());
    int width = 0, height = 0, subsampling = -1, colorspace = -1;
    if (jpeg.isEmpty()
        || tjDecompressHeader3(handle.get(), bytes, size, &width, &height, &subsampling, &colorspace) != 0) {
        result.error = QString::fromLocal8Bit(tjGetErrorStr2(handle.get()));
        return result;
    }
    // The coefficients of the whole picture are held while it turns.
    if (width > MaxImageSide || height > MaxImageSide || !FitsPixelBudget(QSize(width, height))) {
        result.error = QStringLiteral("picture too large");
        return result;
    }
    if (!IsPerfectJpegTurn(width, height, subsampling, turn)) {
        result.status = JpegTurnStatus::NotPerfect;
        result.error = QStringLiteral("not a whole number of blocks");
        return result;
    }
    tjtransform transform{};
    transform.op = TransformOp(turn);
    transform.options = TJXOPT_PERFECT; // markers are copied unless TJXOPT_COPYNONE
    unsigned char *out = nullptr;
    unsigned long outSize = 0;
    // Progressive data with an absurd number of scans is refused rather than worked through.
    const int status = tjTransform(handle.get(), bytes, size, 1, &out, &outSize, &transform, TJFLAG_LIMITSCANS);
    const std::unique_ptr<unsigned char, TjFree> owned(out);
    if (status != 0 || !out || outSize == 0 || outSize > static_cast<unsigned long>(MaxFileBytes)) {
        result.error = QString::fromLocal8Bit(tjGetErrorStr2(handle.get()));
        return result;
    }
    result.jpeg = QByteArray(reinterpret_cast<const char *>(out), qsizetype(outSize));
    ResetExifOrientation(result.jpeg, !turn.IsNone());
    result.status = JpegTurnStatus::Ok;
    return result;
}

} // namespace mv
