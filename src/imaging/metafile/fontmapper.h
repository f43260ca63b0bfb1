#pragma once

#include "imaging/metafile/devicecontext.h"

#include <QFont>

namespace mv::metafile {

// An installed font for a recorded font description: the recorded face where it is
// installed, else a family with its advance widths (Liberation, then the URW fonts, for
// Arial, Times New Roman, Courier New and their kin), else the serif, sans or monospace
// family that its pitch and family ask for; then faces that carry the charset's script
// for what the first ones lack. Size is set by
// the caller. `lookedUp`, when given, tells whether the face was met for the first time
// (its resolution is slow) rather than found among the faces already met.
QFont MapFont(const LogFont &font, bool *lookedUp = nullptr);

// Fonts with the symbols and bracket pieces that symbol fonts stand for, in the order they
// are tried (a longer family list slows every font lookup: only symbol text gets them).
const QStringList &SymbolFamilies();

// Whether a font family is installed (case-insensitive).
bool FamilyInstalled(const QString &family);

} // namespace mv::metafile
