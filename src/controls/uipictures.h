#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

namespace mv {

// The program's own pictures under ":/ui/". name is the path below ui/ without its
// extension ("toolbar/zoom_in"); SVG pictures are rendered at their own size unless a size
// is given, raster pictures are loaded as they are. A missing picture gives a null image.
QImage UiImage(const QString &name, QSize size = {});
// An icon of the picture at its own size (and twice that for dense screens).
QIcon UiIcon(const QString &name);

} // namespace mv
