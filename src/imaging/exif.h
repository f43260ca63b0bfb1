#pragma once

#include <QByteArray>

namespace mv {

// The EXIF orientation of a picture (tag 0x0112 of the first image directory) and the turn
// that makes the stored picture upright. The reader walks the JPEG markers to the first
// "Exif" APP1 segment, or takes TIFF bytes as they are; every offset is checked against the
// bytes held, so damaged or hostile data gives orientation 1 (as stored) and never reads
// past the end.

// 1 to 8 as EXIF numbers them; 1 when the data has no usable orientation.
int ReadExifOrientation(const QByteArray &data);

// A turn in the codec's terms: quarter turns clockwise, then a horizontal mirror.
struct PictureTurn {
    int quarterTurns = 0;
    bool flip = false;
    bool operator==(const PictureTurn &) const = default;
    bool IsNone() const { return quarterTurns == 0 && !flip; }
};

// The turn that shows a picture of that orientation upright.
PictureTurn ExifOrientationTurn(int orientation);
// first, then clockwiseQuarterTurns more quarter turns clockwise.
PictureTurn ThenTurn(PictureTurn first, int clockwiseQuarterTurns);

// For a JPEG whose pixels were turned upright: sets an orientation tag to 1 in place and,
// when dropThumbnail, unlinks the embedded thumbnail directory (it still shows the old
// turn). Every other byte stays. False when the JPEG has no orientation tag to set.
bool ResetExifOrientation(QByteArray &jpeg, bool dropThumbnail);

} // namespace mv
