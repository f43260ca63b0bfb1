#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace mv {

// Config.ini and its kin. Two readers live side by side on purpose:
// - ReadIniValue/ReadIniKeys are the program's own strict reader: names compared without
//   case, only the first section of a name, the value after the first "=" untouched.
// - ProfileString/WriteProfileString follow the usual INI reader and writer: blanks around
//   names and values are ignored, quotes around a value are removed, the writer creates
//   file and section and keeps every other line as it was.
// Each line is decoded on its own (UTF-8 when valid, otherwise GB18030), so one old line in
// the local code page neither garbles the others nor gets rewritten.

inline constexpr int IniMaxEntries = 32767;

// A bare file name (no "/") stands for a file in WindowsFolder().
QString ResolveIniPath(const QString &fileName);

// Non-empty lines of the file, in order, as the strict reader sees them; at most
// IniMaxEntries entries, a section header counting twice. A missing file gives no lines.
QStringList LoadIniLines(const QString &fileName);

QString ReadIniValue(const QString &section, const QString &key, const QString &fileName);
// Appends the key names of the section, in file order, to keys.
void ReadIniKeys(QStringList &keys, const QString &section, const QString &fileName);

// The value of key in section, or defaultValue when there is none; cut at the first NUL
// and to bufferSize - 1 characters.
QString ProfileString(const QString &fileName, const QString &section, const QString &key,
                      const QString &defaultValue, int bufferSize);

// How long a writer waits for another process's write, and after how long a lock whose
// holder cannot be checked (a process on another machine) counts as left behind.
inline constexpr int IniLockWaitMs = 3000;
inline constexpr int IniStaleLockMs = 10000;

// The outcome of a write; error says why it failed.
struct IniWriteResult {
    bool ok = true;
    bool refusedText = false; // a name or value would have broken the line; the file was not read
    QString error;
    explicit operator bool() const { return ok; }
};

// An absent key deletes the whole section, an absent value deletes the key; an empty text
// is a value. Lines that are not changed stay byte for byte; every line ends in CR LF.
// Writers of all processes take turns through a lock file beside the file (its name +
// ".lock"); a lock that cannot be had within IniLockWaitMs fails the write. The file is
// replaced atomically: when no replacement can be created, or the file itself may not be
// written, the write fails and the old file stays whole. Deleting what is not there
// touches no file and succeeds.
[[nodiscard]] IniWriteResult WriteProfileString(const QString &fileName, const QString &section,
                                                const std::optional<QString> &key,
                                                const std::optional<QString> &value);

QString GetIniString(const QString &section, const QString &key, const QString &fileName);
QString IniRead(const QString &fileName, const QString &section, const QString &key,
                const QString &defaultValue);
// Writes; nothing is shown, the caller gets the result.
IniWriteResult IniWrite(const QString &fileName, const QString &section, const QString &key, const QString &value);
// Writes and tells the user when that failed; the caller gets the result as well.
IniWriteResult WriteIniValue(const QString &section, const std::optional<QString> &key,
                             const std::optional<QString> &value, const QString &fileName);

QString ConfigPath(); // ConfigFolder() + "Config.ini"
QString ReadConfig(const QString &key);
IniWriteResult WriteConfig(const QString &section, const std::optional<QString> &key,
                           const std::optional<QString> &value);

} // namespace mv
