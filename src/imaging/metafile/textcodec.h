#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>

namespace mv::metafile {

// 8-bit text of the "A" records in the code page that the font's charset names. The
// default charset stands for the recording system's code page, taken as GB18030 (a
// superset of GBK) since the pictures this viewer meets mostly come from Chinese systems.
// The symbol charset keeps the byte codes: they mean what the font makes of them
// (symbolfonts.h), which the player decides where it draws.
QString DecodeCharsetText(const QByteArray &bytes, uint8_t charset);

// The same with the per-byte advances of the record moved onto the characters that the
// bytes form (a double-byte character advances by both of its bytes' advances).
QString DecodeCharsetText(const QByteArray &bytes, uint8_t charset, const QList<double> &byteAdvances,
                          QList<double> &charAdvances);

} // namespace mv::metafile
