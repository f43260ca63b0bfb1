#include "thumbs/mthumbnail.h"

#include "fs/filelist.h"
#include "fs/fileops.h"

#include <QDateTime>
#include <QLocale>

namespace mv::mThumbnail {

namespace {

constexpr qint64 TicksFrom1601To1970 = 116444736000000000LL;
constexpr qint64 TicksPerMSec = 10000;
constexpr int MaxFoundLines = 32767;
constexpr int MaxPartLength = 31;

// The locale's time of day with hours, minutes and seconds but no time zone.
QString TimeOfDayFormat(const QLocale &locale)
{
    const QString long_ = locale.timeFormat(QLocale::LongFormat);
    QString format;
    bool quoted = false;
    for (const QChar c : long_) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        format += c;
    }
    return format.simplified();
}

QString UpToNul(const QString &text)
{
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

} // namespace

QString FileTimeText(qint64 fileTime)
{
    const qint64 sinceEpoch = qMax<qint64>(fileTime, 0) - TicksFrom1601To1970;
    qint64 msecs = sinceEpoch / TicksPerMSec;
    if (sinceEpoch % TicksPerMSec < 0)
        --msecs;
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(msecs, Qt::LocalTime);
    const QLocale locale = QLocale::system();
    const QString date = locale.toString(local.date(), QLocale::ShortFormat).left(MaxPartLength);
    const QString time = locale.toString(local.time(), TimeOfDayFormat(locale)).left(MaxPartLength);
    return date + QLatin1Char(' ') + time;
}

bool ListFolderImages(const QString &folder, QList<ImageEntry> &entries)
{
    entries.clear();
    // The same files, in the same order, as the viewer lists for a folder.
    const QStringList names = ListImageFiles(folder);
    entries.reserve(names.size());
    for (const QString &name : names) {
        const FindData data = GetFindData(folder + name);
        if (data.name == QLatin1String("Error") && data.attributes == 0)
            continue; // gone since it was listed
        entries.append(ImageEntry{name, FileTimeText(data.lastWriteTime), qint64(data.size)});
    }
    return !entries.isEmpty();
}

bool ListFoundImages(const QStringList &lines, QList<ImageEntry> &entries)
{
    entries.clear();
    const qsizetype count = qMin<qsizetype>(lines.size(), MaxFoundLines);
    entries.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        const QString path = UpToNul(lines.at(i));
        entries.append(ImageEntry{path, GetFileTimeText(path), qint64(GetFindData(path).size)});
    }
    return !entries.isEmpty();
}

QString FoundText(qsizetype count)
{
    return QStringLiteral("找到 ") + QLocale(QLocale::Chinese, QLocale::China).toString(qlonglong(count))
           + QStringLiteral(" 张图片");
}

} // namespace mv::mThumbnail
