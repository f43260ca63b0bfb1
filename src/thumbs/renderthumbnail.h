#pragma once

#include "imaging/codec.h"
#include "thumbs/thumbformat.h"

#include <QRect>
#include <QString>

namespace mv {

// Where a picture of this size lands in the thumbnail: fitted into 166 x 124 by the
// program's fitting rule (never enlarged) and centred, each offset rounded half to even.
[[nodiscard]] QRect ThumbnailPlacement(QSize picture);

// The picture the program carries for images that do not load (50 x 39).
[[nodiscard]] QByteArray PlaceholderPicture();

struct RenderedThumbnail {
    ThumbnailBytes bytes;
    bool placeholder = false;   // the image did not load or decode
    GpStatus status = GpStatus::Ok;   // why, when it did not
};

// One image file made into thumbnail bytes: decoded straight at its fitted size through the
// codec layer (upright by its EXIF orientation, metafiles on white), turned first by the
// rotate-and-flip code when it is not 0, and drawn centred on white. A file that does not
// load or decode gives the placeholder picture, unturned. Touches nothing but the file: safe
// to run on any thread.
[[nodiscard]] RenderedThumbnail RenderThumbnail(const QString &path, int rotation = 0);

} // namespace mv
