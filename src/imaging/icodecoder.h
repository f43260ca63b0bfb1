#pragma once

#include "imaging/dibdecoder.h"

namespace mv {

// True when bytes begin like an icon (type 1) or cursor (type 2) file with at least one entry.
[[nodiscard]] bool LooksLikeIconFile(QByteArrayView bytes);

// The entry an icon or cursor file is shown by: the largest picture, and among those of
// one size the one with most colours (the first of equals). Entries whose picture header
// cannot be read are passed over; entry is -1 when none is left.
struct IconChoice {
    int entry = -1;
    QSize size;
    QString error;
};
[[nodiscard]] IconChoice ChooseIconEntry(QByteArrayView bytes);

// One entry's picture: a PNG through the PNG decoder, a DIB through ours with its mask.
[[nodiscard]] DibPicture DecodeIconEntry(QByteArrayView bytes, int entry, QSize target);

} // namespace mv
