#pragma once

// Stand-ins for desktop tools (gsettings, feh, update-mime-database...): small scripts in a
// folder that becomes the whole PATH, each recording the arguments it was called with.

#include "testutil.h"

#include <QFile>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>

namespace mv::test {

class FakeTools
{
public:
    FakeTools()
        : mOldPath(qgetenv("PATH"))
    {
        QDir().mkpath(bin());
        qputenv("PATH", QFile::encodeName(bin()));
    }
    ~FakeTools() { qputenv("PATH", mOldPath); }
    FakeTools(const FakeTools &) = delete;
    FakeTools &operator=(const FakeTools &) = delete;

    // A tool that records its call, then runs body (shell text) and ends with exitCode.
    void add(const QString &name, int exitCode = 0, const QByteArray &body = {})
    {
        const QByteArray script = "#!/bin/sh\n"
                                  "printf '%s\\n' '"
                                  + name.toUtf8() + "' \"$@\" '--end--' >> '" + QFile::encodeName(log())
                                  + "'\n" + body + "\nexit " + QByteArray::number(exitCode) + "\n";
        const QString path = bin() + QLatin1Char('/') + name;
        QVERIFY(WriteBytes(path, script));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }

    // Every call so far: the tool's name followed by its arguments.
    QList<QStringList> calls() const
    {
        QList<QStringList> all;
        QStringList current;
        QFile file(log());
        if (!file.open(QIODevice::ReadOnly))
            return all;
        for (const QByteArray &line : file.readAll().split('\n')) {
            if (line == "--end--") {
                all.append(current);
                current.clear();
            } else if (!line.isEmpty() || !current.isEmpty()) {
                current.append(QString::fromUtf8(line));
            }
        }
        return all;
    }

    void clearCalls() { QFile::remove(log()); }

    QString bin() const { return mDir.path() + QStringLiteral("/bin"); }

private:
    QString log() const { return mDir.path() + QStringLiteral("/calls.log"); }

    QTemporaryDir mDir;
    QByteArray mOldPath;
};

} // namespace mv::test
