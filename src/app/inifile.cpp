#include "app/inifile.h"

#include "app/fields.h"
#include "app/messagebox.h"
#include "app/paths.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QLockFile>
#include <QSaveFile>
#include <QThread>

#include <algorithm>

namespace mv {

namespace {

bool hasBadNameChar(const QString &name)
{
    return name.contains(QLatin1Char('[')) || name.contains(QLatin1Char(']')) || name.contains(QLatin1Char('='));
}

// One line of the file: its bytes without the line end, and their text. Lines keep their
// bytes so that a rewrite changes only the lines it means to.
struct IniLine {
    QByteArray raw;
    QString text;
};
using IniLines = QList<IniLine>;

IniLine lineOfText(const QString &text)
{
    return {text.toUtf8(), text};
}

// All lines of the file, with CR LF or LF ends, each decoded on its own; nullopt (and the
// reason in error) when it cannot be read.
std::optional<IniLines> readAllLines(const QString &path, QString *error = nullptr)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    QList<QByteArray> pieces = file.readAll().split('\n');
    if (!pieces.isEmpty() && pieces.constLast().isEmpty())
        pieces.removeLast();
    IniLines lines;
    lines.reserve(pieces.size());
    for (QByteArray &raw : pieces) {
        if (raw.endsWith('\r'))
            raw.chop(1);
        QString text = BytesToText(raw);
        lines.append({std::move(raw), std::move(text)});
    }
    return lines;
}

qsizetype findStrictSection(const QStringList &lines, const QString &section)
{
    const QString header = QLatin1Char('[') + section + QLatin1Char(']');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines.at(i).startsWith(header, Qt::CaseInsensitive))
            return i;
    }
    return -1;
}

// The usual reader's view of a line: a section header's name, or a key and its value.
struct ProfileLine {
    enum Kind { Other, Section, Entry } kind = Other;
    QString name;
    QString value;
};

ProfileLine parseProfileLine(const QString &raw)
{
    const QString line = raw.trimmed();
    ProfileLine parsed;
    if (line.startsWith(QLatin1Char('['))) {
        const qsizetype close = line.indexOf(QLatin1Char(']'));
        parsed.kind = ProfileLine::Section;
        parsed.name = (close < 0 ? line.mid(1) : line.mid(1, close - 1)).trimmed();
        return parsed;
    }
    if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
        return parsed;
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    parsed.kind = ProfileLine::Entry;
    parsed.name = (eq < 0 ? line : line.left(eq)).trimmed();
    parsed.value = eq < 0 ? QString() : line.mid(eq + 1).trimmed();
    return parsed;
}

// Index of the section's header line and the end of its body (exclusive).
struct SectionRange {
    qsizetype header = -1;
    qsizetype end = -1;
};

SectionRange findProfileSection(const IniLines &lines, const QString &section)
{
    SectionRange range;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const ProfileLine parsed = parseProfileLine(lines.at(i).text);
        if (parsed.kind != ProfileLine::Section)
            continue;
        if (range.header >= 0) {
            range.end = i;
            return range;
        }
        if (parsed.name.compare(section.trimmed(), Qt::CaseInsensitive) == 0)
            range.header = i;
    }
    if (range.header >= 0)
        range.end = lines.size();
    return range;
}

qsizetype findProfileKey(const IniLines &lines, const SectionRange &range, const QString &key)
{
    for (qsizetype i = range.header + 1; i < range.end; ++i) {
        const ProfileLine parsed = parseProfileLine(lines.at(i).text);
        if (parsed.kind == ProfileLine::Entry && parsed.name.compare(key.trimmed(), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool breaksLine(const QString &text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) || text.contains(QChar(0));
}

IniWriteResult writeFailed(const QString &path, const QString &why)
{
    IniWriteResult result;
    result.ok = false;
    result.error = path + QStringLiteral(": ") + why;
    return result;
}

// Replaces the file with the lines; the old file stays whole when that is not possible.
IniWriteResult writeLines(const QString &path, const IniLines &lines)
{
    // QSaveFile refuses to replace a file that we may not write (one the user made read-only).
    // No direct-write fallback: writing in place would leave a cut file behind on any
    // failure. Unbuffered: a buffered write that runs out of disk space can still commit
    // a cut file.
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return writeFailed(path, file.errorString());
    QByteArray bytes;
    for (const IniLine &line : lines) {
        bytes += line.raw;
        bytes += "\r\n";
    }
    if (file.write(bytes) != bytes.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return writeFailed(path, why);
    }
    if (!file.commit())
        return writeFailed(path, file.errorString());
    return {};
}

// Lets one writer at a time read, change and replace the file, across processes. A lock
// whose holder has died, or that dates from before a restart, is taken over at once; a
// living holder is waited for at most IniLockWaitMs.
class WriterLock
{
public:
    explicit WriterLock(const QString &path)
        : mLock(path + QStringLiteral(".lock"))
    {
        mLock.setStaleLockTime(IniStaleLockMs);
        // Short pauses: writes take milliseconds, and QLockFile's own wait starts at 100.
        const QDeadlineTimer deadline(IniLockWaitMs);
        int pause = 1;
        while (!mLock.tryLock(0)) {
            if (mLock.error() != QLockFile::LockFailedError || deadline.hasExpired())
                return;
            QThread::msleep(pause);
            pause = std::min(pause * 2, 8);
        }
        mLocked = true;
    }

    bool locked() const { return mLocked; }
    QString error() const
    {
        if (mLock.error() == QLockFile::LockFailedError)
            return QStringLiteral("another process kept the lock file for longer than %1 ms").arg(IniLockWaitMs);
        return QStringLiteral("the lock file cannot be created");
    }

private:
    QLockFile mLock;
    bool mLocked = false;
};

// Applies one write to the lines; false when nothing changes.
bool editLines(IniLines &lines, const QString &section, const std::optional<QString> &key,
               const std::optional<QString> &value)
{
    const SectionRange range = findProfileSection(lines, section);
    if (!key) {
        if (range.header < 0)
            return false;
        lines.remove(range.header, range.end - range.header);
        return true;
    }
    const qsizetype at = range.header < 0 ? -1 : findProfileKey(lines, range, *key);
    if (!value) {
        if (at < 0)
            return false;
        lines.removeAt(at);
        return true;
    }

    const IniLine entry = lineOfText(key->trimmed() + QLatin1Char('=') + *value);
    if (at >= 0) {
        lines[at] = entry;
    } else if (range.header >= 0) {
        qsizetype insertAt = range.header + 1;
        for (qsizetype i = range.header + 1; i < range.end; ++i) {
            if (!lines.at(i).text.trimmed().isEmpty())
                insertAt = i + 1;
        }
        lines.insert(insertAt, entry);
    } else {
        lines.append(lineOfText(QLatin1Char('[') + section.trimmed() + QLatin1Char(']')));
        lines.append(entry);
    }
    return true;
}

// The file's lines with one write applied; no lines when the file cannot be read.
struct EditedFile {
    std::optional<IniLines> lines;
    bool changed = false;
    QString error;
};

EditedFile editFile(const QString &path, const QString &section, const std::optional<QString> &key,
                    const std::optional<QString> &value)
{
    EditedFile edited;
    IniLines lines;
    if (QFile::exists(path)) {
        std::optional<IniLines> read = readAllLines(path, &edited.error);
        if (!read)
            return edited;
        lines = std::move(*read);
    }
    edited.changed = editLines(lines, section, key, value);
    edited.lines = std::move(lines);
    return edited;
}

} // namespace

QString ResolveIniPath(const QString &fileName)
{
    if (fileName.contains(QLatin1Char('/')))
        return fileName;
    return WindowsFolder() + fileName;
}

QStringList LoadIniLines(const QString &fileName)
{
    QStringList kept;
    const std::optional<IniLines> lines = readAllLines(ResolveIniPath(fileName));
    if (!lines)
        return kept;
    int used = 0;
    for (const IniLine &entry : *lines) {
        const QString &line = entry.text;
        if (line.isEmpty())
            continue;
        const int need = line.startsWith(QLatin1Char('[')) ? 2 : 1;
        if (used + need > IniMaxEntries)
            break;
        used += need;
        kept.append(line);
    }
    return kept;
}

QString ReadIniValue(const QString &section, const QString &key, const QString &fileName)
{
    if (hasBadNameChar(section) || hasBadNameChar(key))
        return QString();
    const QStringList lines = LoadIniLines(fileName);
    const qsizetype header = findStrictSection(lines, section);
    if (header < 0)
        return QString();
    const QString prefix = key + QLatin1Char('=');
    for (qsizetype i = header + 1; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        if (line.startsWith(QLatin1Char('[')))
            break;
        if (line.startsWith(prefix, Qt::CaseInsensitive))
            return line.mid(prefix.size());
    }
    return QString();
}

void ReadIniKeys(QStringList &keys, const QString &section, const QString &fileName)
{
    if (hasBadNameChar(section))
        return;
    const QStringList lines = LoadIniLines(fileName);
    const qsizetype header = findStrictSection(lines, section);
    if (header < 0)
        return;
    for (qsizetype i = header + 1; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        if (line.startsWith(QLatin1Char('[')))
            break;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq >= 0)
            keys.append(line.left(eq));
    }
}

QString ProfileString(const QString &fileName, const QString &section, const QString &key,
                      const QString &defaultValue, int bufferSize)
{
    QString value = defaultValue;
    if (const std::optional<IniLines> lines = readAllLines(ResolveIniPath(fileName))) {
        const SectionRange range = findProfileSection(*lines, section);
        if (range.header >= 0) {
            const qsizetype at = findProfileKey(*lines, range, key);
            if (at >= 0) {
                value = parseProfileLine(lines->at(at).text).value;
                if (value.size() >= 2 && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\''))
                    && value.back() == value.front())
                    value = value.mid(1, value.size() - 2);
            }
        }
    }
    const qsizetype nul = value.indexOf(QChar(0));
    if (nul >= 0)
        value.truncate(nul);
    if (bufferSize > 0 && value.size() > bufferSize - 1)
        value.truncate(bufferSize - 1);
    return value;
}

IniWriteResult WriteProfileString(const QString &fileName, const QString &section, const std::optional<QString> &key,
                                  const std::optional<QString> &value)
{
    // A line break in a name or value would write lines the caller never meant.
    if (section.trimmed().isEmpty() || section.contains(QLatin1Char(']')) || breaksLine(section)
        || (key && breaksLine(*key)) || (value && breaksLine(*value))) {
        IniWriteResult refused = writeFailed(fileName, QStringLiteral("a section, key or value that breaks the line"));
        refused.refusedText = true;
        return refused;
    }
    const QString path = ResolveIniPath(fileName);
    // A write that changes nothing needs neither the lock nor a new file, so it succeeds
    // wherever the file can be read, as it always has.
    EditedFile edited = editFile(path, section, key, value);
    if (!edited.lines)
        return writeFailed(path, edited.error);
    if (!edited.changed)
        return {};
    const WriterLock lock(path);
    if (!lock.locked())
        return writeFailed(path, lock.error());
    // Another process may have written in between.
    edited = editFile(path, section, key, value);
    if (!edited.lines)
        return writeFailed(path, edited.error);
    if (!edited.changed)
        return {};
    return writeLines(path, *edited.lines);
}

QString GetIniString(const QString &section, const QString &key, const QString &fileName)
{
    return ProfileString(fileName, section, key, QString(), 256);
}

QString IniRead(const QString &fileName, const QString &section, const QString &key, const QString &defaultValue)
{
    return ProfileString(fileName, section, key, defaultValue, 260);
}

IniWriteResult IniWrite(const QString &fileName, const QString &section, const QString &key, const QString &value)
{
    return WriteProfileString(fileName, section, key, value);
}

IniWriteResult WriteIniValue(const QString &section, const std::optional<QString> &key,
                             const std::optional<QString> &value, const QString &fileName)
{
    IniWriteResult result = WriteProfileString(fileName, section, key, value);
    if (!result)
        MsgBox(QStringLiteral("写入信息时出错,请确定您有足够的权限！"), QStringLiteral("提示"), MsgIcon::Critical);
    return result;
}

QString ConfigPath()
{
    return ConfigFolder() + QStringLiteral("Config.ini");
}

QString ReadConfig(const QString &key)
{
    return ReadIniValue(QStringLiteral("Config"), key, ConfigPath());
}

IniWriteResult WriteConfig(const QString &section, const std::optional<QString> &key,
                           const std::optional<QString> &value)
{
    return WriteIniValue(section, key, value, ConfigPath());
}

} // namespace mv
