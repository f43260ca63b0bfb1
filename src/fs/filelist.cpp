#include "fs/filelist.h"

#include "app/paths.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace mv {

QStringList ListImageFiles(const QString &folder)
{
    const QString path = ResolveDesktopLabel(folder);
    if (path.isEmpty())
        return {};
    QStringList names;
    // QDir::Files follows symbolic links to files; sockets, devices and FIFOs are left out.
    const QFileInfoList entries = QDir(path).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo &entry : entries) {
        if (entry.fileName().startsWith(QLatin1Char('.')) || !IsSupportedImage(entry.fileName()))
            continue;
        names.append(entry.fileName());
    }
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
    return names;
}

} // namespace mv
