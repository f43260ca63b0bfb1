#pragma once

#include "imaging/metafile/bytereader.h"

#include <cstdint>

namespace mv::metafile {

// EMF comments carry private data: EMF+ drawing (played by EmfPlusPlayer), public group
// markers, spool data. Only EMF+ comments draw.

enum class CommentKind { EmfPlus, Public, Other };

// `comment` is the whole comment record (its 8-byte head included).
CommentKind ClassifyComment(ByteReader comment);

} // namespace mv::metafile
