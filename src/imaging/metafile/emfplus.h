#pragma once

#include "imaging/metafile/bytereader.h"

#include <cstdint>

namespace mv::metafile {

// EMF comments carry private data: EMF+ drawing (which dual files repeat as ordinary EMF
// records that we draw instead), public group markers, spool data. None of it draws, but
// the EMF+ stream is walked (bounds-checked) so that a file drawn only in EMF+ is known.

enum class CommentKind { EmfPlus, Public, Other };

struct EmfPlusInfo {
    int records = 0;          // EMF+ records seen
    bool headerSeen = false;
    bool dual = false;        // the EMF+ header promises EMF fallback records
    int getDcCount = 0;       // places where EMF+ hands drawing back to EMF records
    bool damaged = false;     // an EMF+ record did not fit its comment
};

// `comment` is the whole comment record (its 8-byte head included).
CommentKind ClassifyComment(ByteReader comment);

// Walks the EMF+ records of one EMF+ comment and adds what it finds to `info`.
void ScanEmfPlusComment(ByteReader comment, EmfPlusInfo &info);

} // namespace mv::metafile
