#include "shell/mimeapps.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <functional>
#include <optional>

namespace mv {

namespace {

const QByteArray DefaultGroup = "Default Applications";
const QByteArray AddedGroup = "Added Associations";
const QByteArray RemovedGroup = "Removed Associations";

struct Line {
    QByteArray text;   // without its end
    QByteArray ending; // "\n", "\r\n" or nothing (the last line of a file without a final break)
};

QList<Line> SplitLines(const QByteArray &file)
{
    QList<Line> lines;
    qsizetype start = 0;
    while (start < file.size()) {
        const qsizetype end = file.indexOf('\n', start);
        if (end < 0) {
            lines.append({file.mid(start), QByteArray()});
            break;
        }
        const bool cr = end > start && file.at(end - 1) == '\r';
        lines.append({file.mid(start, end - start - (cr ? 1 : 0)), cr ? QByteArray("\r\n") : QByteArray("\n")});
        start = end + 1;
    }
    return lines;
}

// The group a header line opens, or nothing when the line is no header.
std::optional<QByteArray> GroupOf(QByteArray text, bool first)
{
    if (first && text.startsWith("\xEF\xBB\xBF"))
        text.remove(0, 3);
    text = text.trimmed();
    if (text.size() < 2 || !text.startsWith('[') || !text.endsWith(']'))
        return std::nullopt;
    return text.mid(1, text.size() - 2);
}

// The key of a "key=value" line; empty for comments, blanks and other lines.
QByteArray KeyOf(const QByteArray &text)
{
    const QByteArray trimmed = text.trimmed();
    if (trimmed.startsWith('#'))
        return QByteArray();
    const qsizetype equals = text.indexOf('=');
    return equals < 0 ? QByteArray() : text.left(equals).trimmed();
}

QByteArray ValueOf(const QByteArray &text)
{
    return text.mid(text.indexOf('=') + 1);
}

QList<QByteArray> IdsOf(const QByteArray &value)
{
    QList<QByteArray> ids;
    for (const QByteArray &piece : value.split(';')) {
        if (!piece.trimmed().isEmpty())
            ids.append(piece.trimmed());
    }
    return ids;
}

// The line that belongs in a group for a type, or nothing when the line is to go.
std::optional<QByteArray> Edited(const QByteArray &group, const QByteArray &text, const QByteArray &key,
                                 const QByteArray &id)
{
    if (group == DefaultGroup)
        return key + '=' + id + ';';
    const QList<QByteArray> ids = IdsOf(ValueOf(text));
    if (group == AddedGroup) {
        if (ids.contains(id))
            return text;
        const QByteArray rest = ValueOf(text).trimmed();
        return key + '=' + id + ';' + rest;
    }
    if (!ids.contains(id))
        return text;
    QByteArray kept;
    for (const QByteArray &other : ids) {
        if (other != id)
            kept += other + ';';
    }
    if (kept.isEmpty())
        return std::nullopt;
    return key + '=' + kept;
}

bool IsInstalled(const QString &id, const QStringList &folders)
{
    // A desktop ID "a-b.desktop" also names the file "a/b.desktop".
    const std::function<bool(const QString &, const QString &)> find = [&find](const QString &folder,
                                                                              const QString &name) {
        if (QFileInfo(folder + name).isFile())
            return true;
        for (qsizetype dash = name.indexOf(QLatin1Char('-')); dash > 0; dash = name.indexOf(QLatin1Char('-'), dash + 1)) {
            const QString sub = folder + name.left(dash) + QLatin1Char('/');
            if (QFileInfo(sub).isDir() && find(sub, name.mid(dash + 1)))
                return true;
        }
        return false;
    };
    for (QString folder : folders) {
        if (!folder.endsWith(QLatin1Char('/')))
            folder += QLatin1Char('/');
        if (find(folder, id))
            return true;
    }
    return false;
}

} // namespace

QByteArray EditMimeApps(const QByteArray &file, const QStringList &mimeTypes, const QString &desktopId)
{
    const QByteArray id = desktopId.toUtf8();
    QList<QByteArray> keys;
    for (const QString &type : mimeTypes) {
        if (!keys.contains(type.toUtf8()))
            keys.append(type.toUtf8());
    }
    // Missing lines go to the first copy of [Default Applications] and [Added Associations].
    const QList<QByteArray> groups{DefaultGroup, AddedGroup};

    QList<Line> lines = SplitLines(file);
    QList<bool> dropped(lines.size(), false);
    QList<QList<QByteArray>> present(groups.size()); // keys already there, per group
    QList<qsizetype> lastLine(groups.size(), -1);    // the last line of the group's first copy
    QByteArray group;
    qsizetype first = -1; // the group whose first copy the line belongs to
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (const auto header = GroupOf(lines[i].text, i == 0)) {
            group = *header;
            first = groups.indexOf(group);
            if (first >= 0 && lastLine[first] >= 0)
                first = -1;
            else if (first >= 0)
                lastLine[first] = i;
            continue;
        }
        if (first >= 0 && !lines[i].text.trimmed().isEmpty())
            lastLine[first] = i;
        const QByteArray key = KeyOf(lines[i].text);
        if (!keys.contains(key) || (group != DefaultGroup && group != AddedGroup && group != RemovedGroup))
            continue;
        const qsizetype g = groups.indexOf(group);
        if (g >= 0)
            present[g].append(key);
        const std::optional<QByteArray> edited = Edited(group, lines[i].text, key, id);
        if (edited)
            lines[i].text = *edited;
        else
            dropped[i] = true;
    }

    QList<QByteArray> missing(groups.size());
    for (qsizetype g = 0; g < groups.size(); ++g) {
        for (const QByteArray &key : keys) {
            if (!present[g].contains(key))
                missing[g] += key + '=' + id + ";\n";
        }
    }

    QByteArray out;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (dropped[i])
            continue;
        out += lines[i].text + lines[i].ending;
        for (qsizetype g = 0; g < groups.size(); ++g) {
            if (lastLine[g] == i && !missing[g].isEmpty()) {
                if (lines[i].ending.isEmpty())
                    out += '\n';
                out += missing[g];
                missing[g].clear();
            }
        }
    }
    for (qsizetype g = 0; g < groups.size(); ++g) {
        if (missing[g].isEmpty())
            continue;
        if (!out.isEmpty() && !out.endsWith('\n'))
            out += '\n';
        if (!out.isEmpty() && !out.endsWith("\n\n") && !out.endsWith("\r\n\r\n"))
            out += '\n';
        out += '[' + groups[g] + "]\n" + missing[g];
    }
    return out;
}

QStringList MimeAppsLists()
{
    QStringList desktops;
    for (const QString &name : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        desktops.append(name.toLower());
    QStringList lists;
    const auto addFolder = [&](QString folder) {
        if (!folder.endsWith(QLatin1Char('/')))
            folder += QLatin1Char('/');
        for (const QString &desktop : desktops)
            lists.append(folder + desktop + QStringLiteral("-mimeapps.list"));
        lists.append(folder + QStringLiteral("mimeapps.list"));
    };
    for (const QString &folder : QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
        addFolder(folder);
    for (const QString &folder : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation))
        addFolder(folder);
    return lists;
}

QString DefaultApplicationFor(const QString &mimeType, const QStringList &lists, const QStringList &applicationFolders)
{
    const QByteArray key = mimeType.toUtf8();
    for (const QString &list : lists) {
        QFile file(list);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QList<Line> lines = SplitLines(file.readAll());
        std::optional<QByteArray> value; // the last line of the type wins, as it does for the desktop
        QByteArray group;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (const auto header = GroupOf(lines[i].text, i == 0))
                group = *header;
            else if (group == DefaultGroup && KeyOf(lines[i].text) == key)
                value = ValueOf(lines[i].text);
        }
        if (!value)
            continue;
        for (const QByteArray &id : IdsOf(*value)) {
            if (IsInstalled(QString::fromUtf8(id), applicationFolders))
                return QString::fromUtf8(id);
        }
    }
    return QString();
}

QString DefaultApplicationFor(const QString &mimeType)
{
    return DefaultApplicationFor(mimeType, MimeAppsLists(),
                                 QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation));
}

} // namespace mv
