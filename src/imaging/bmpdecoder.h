#pragma once

#include "imaging/codec.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace mv {

// Our own decoder of the BMP family: BMP files, headerless packed DIBs (as the clipboard
// keeps them), run-length BMPs, and the pictures of icon and cursor files.

// Bmp or Icon when the bytes are of the family, otherwise Unknown.
[[nodiscard]] ImageFormat SniffBmpFamily(const QByteArray &data);

// What loading needs: the picture's size and, for icons and cursors, the entry shown.
struct BmpFamilyInfo {
    QSize size;
    int entry = 0;
    QString error;   // empty when the picture can be decoded
};
[[nodiscard]] BmpFamilyInfo ReadBmpFamilyInfo(const QByteArray &data, ImageFormat format);

struct BmpFamilyFrame {
    QImage image;
    GpStatus status = GpStatus::Ok;
    QString error;
};
// The picture, decoded straight at target's size where target is smaller in both
// directions (an embedded JPEG through its decoder's own scaling), otherwise at full size.
// Refused before anything is allocated when it would not fit the pixel budget.
[[nodiscard]] BmpFamilyFrame DecodeBmpFamily(const QByteArray &data, ImageFormat format, int entry, QSize target);

} // namespace mv
