#pragma once

#include "imaging/metafile/devicecontext.h"

#include <QFont>

namespace mv::metafile {

// An installed font for a recorded font description: the recorded face first, then faces
// that carry the charset's script, then the generic family the description asks for;
// QFont's own fallback covers what is left. Size is set by the caller. `lookedUp`, when
// given, tells whether the face had to be looked up in the font configuration (slow)
// rather than found among the faces already met.
QFont MapFont(const LogFont &font, bool *lookedUp = nullptr);

} // namespace mv::metafile
