#pragma once

#include "imaging/metafile/devicecontext.h"

#include <QList>
#include <QString>

namespace mv::metafile {

// Fonts whose character codes are not Unicode: each code draws a symbol of the font's own.
enum class SymbolEncoding {
    None,      // a text font: the codes are characters
    Symbol,    // Greek letters, mathematical signs and the pieces of tall brackets
    Wingdings, // pictographs, arrows, bullets and check boxes
    MtExtra,   // the accents, ellipses and brace pieces of equation editors
    Unknown,   // another dingbat font: its codes are kept for the font itself
};

// The encoding of a recorded font: known faces by name, other fonts of the symbol
// character set as Symbol, dingbat fonts without a table as Unknown.
SymbolEncoding SymbolEncodingOf(const LogFont &font);

// Text of a symbol font as the Unicode characters its codes draw. Codes are 0x20 to 0xFF
// or the same in the U+F020 to U+F0FF range that fonts of the symbol character set also
// answer to; other characters are kept. `advances`, when not empty, holds one advance per
// character of `text` and is changed along with it (a character outside the Basic
// Multilingual Plane takes two units, the second with no advance of its own).
// `piecesInPrivateUse`: bracket pieces as the Private Use codes that Symbol-compatible
// faces draw them at (with Symbol's own geometry), else as the Unicode pieces.
QString MapSymbolText(const QString &text, SymbolEncoding encoding, bool piecesInPrivateUse,
                      QList<double> *advances = nullptr);

} // namespace mv::metafile
