#include "imaging/metafile/metafile.h"

namespace mv {

// The player comes with its own change; until then metafiles fail like damaged files.

MetafileKind DetectMetafile(const QByteArray &)
{
    return MetafileKind::None;
}

MetafileInfo ReadMetafileInfo(const QByteArray &)
{
    return {MetafileKind::None, QSize(), QStringLiteral("metafiles are not supported yet")};
}

QImage RenderMetafile(const QByteArray &, QSize)
{
    return QImage();
}

} // namespace mv
