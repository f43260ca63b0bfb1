#include "app/settings.h"

#include "app/paths.h"

namespace mv {

namespace {

int readInt(const QString &fileName, const QString &key, int fallback)
{
    bool ok = false;
    const int value = IniRead(fileName, QStringLiteral("Options"), key, QString::number(fallback)).toInt(&ok);
    return ok ? value : fallback;
}

} // namespace

QString HistoryKey(int index)
{
    return QStringLiteral("%1Rec").arg(index, 2, 10, QLatin1Char('0'));
}

LoadedSettings LoadSettings(const QString &fileName)
{
    LoadedSettings settings;
    settings.view.ViewMode = readInt(fileName, QStringLiteral("ViewMode"), 0);
    for (int i = 0; i < 4; ++i)
        settings.view.ViewColumnWidth[i] = readInt(fileName, QStringLiteral("ViewColumnWidth%1").arg(i), 100);

    for (int i = 0; i < HistoryMaxEntries; ++i) {
        const QString folder = IniRead(fileName, QStringLiteral("History"), HistoryKey(i), QString());
        if (folder.isEmpty())
            break;
        if (FolderPathExists(folder))
            settings.history.append(folder);
    }
    return settings;
}

IniWriteResult SaveHistory(const QStringList &pathBoxItems, const QString &fileName)
{
    const QString clearItem = QString::fromUtf8(ClearHistoryItem);
    IniWriteResult firstFailure;
    for (int i = 0; i < HistoryMaxEntries && i < pathBoxItems.size(); ++i) {
        const QString &item = pathBoxItems.at(i);
        if (item.isEmpty() || item == clearItem)
            break;
        const IniWriteResult written = IniWrite(fileName, QStringLiteral("History"), HistoryKey(i), item);
        if (written)
            continue;
        if (firstFailure)
            firstFailure = written;
        // Each further write would wait for the same lock or fail on the same folder.
        if (!written.refusedText)
            break;
    }
    return firstFailure;
}

} // namespace mv
