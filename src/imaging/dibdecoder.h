#pragma once

#include "imaging/bmpheader.h"
#include "imaging/codec.h"

#include <QImage>

namespace mv {

struct DibPicture {
    QImage image;
    GpStatus status = GpStatus::Ok;
    QString error;
};

// The size of the picture a DIB holds: its header's, or that of the JPEG or PNG inside it.
// Empty when an embedded picture cannot be read.
[[nodiscard]] QSize DibPictureSize(QByteArrayView bytes, const BmpHeader &header);

// Decodes the pixels of a DIB whose header was read from the same bytes. With a target
// smaller than the picture, it decodes straight at the target size (an area average of
// the pixels), so the full-size picture is never held in memory. An icon entry's 1-bit
// mask makes its pixels transparent unless the entry has an alpha channel of its own.
// Pixels the data does not reach are transparent; no pixel is left undefined.
[[nodiscard]] DibPicture DecodeDib(QByteArrayView bytes, const BmpHeader &header, QSize target,
                                   DibContainer container);

} // namespace mv
