#pragma once

// Small metafiles built to make a player spend far more memory or time than their size
// suggests: objects, paths, clips and saved states that multiply what they hold, text and
// bitmaps whose cost is out of proportion to their bytes. Each one first draws a red
// marker over the top-left quarter of its picture, so that what was drawn before the
// hostile part can be checked. Shared by the budget test and the measuring tool.

#include <QByteArray>
#include <QList>
#include <QString>

namespace mv::test {

struct HostileMetafile {
    QString name;  // also the file name the measuring tool writes, without extension
    QString how;   // how it is made, in one line
    QByteArray data;
    bool wmf = false;
};

QList<HostileMetafile> HostileMetafiles();

} // namespace mv::test
