#pragma once

// Shared by every test: a sandbox home (HOME and the XDG folders in a temporary folder,
// so that no test touches the real home) and the test's main().

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>

// Window and control tests get a QApplication; core tests a QGuiApplication, since they link
// no Widgets.
#ifdef QT_WIDGETS_LIB
#include <QApplication>
#define MV_TEST_APPLICATION QApplication
#else
#include <QGuiApplication>
#define MV_TEST_APPLICATION QGuiApplication
#endif

namespace mv::test {

inline QString sandboxHome()
{
    // Removed when the test process ends, with everything the test left in it.
    static QTemporaryDir home(QDir::tempPath() + QStringLiteral("/mirovale-test-XXXXXX"));
    static const bool ready = [] {
        const QString root = home.path();
        const auto set = [&root](const char *name, const QString &sub) {
            QDir().mkpath(root + sub);
            qputenv(name, (root + sub).toUtf8());
        };
        set("HOME", QStringLiteral("/home"));
        set("XDG_DATA_HOME", QStringLiteral("/home/.local/share"));
        set("XDG_CONFIG_HOME", QStringLiteral("/home/.config"));
        set("XDG_CACHE_HOME", QStringLiteral("/home/.cache"));
        set("XDG_RUNTIME_DIR", QStringLiteral("/runtime"));
        QFile::setPermissions(root + QStringLiteral("/runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        // A browser window checks for updates a second after it opens: tests never reach
        // out, a closed loopback port refuses at once. Tests of the check set their server.
        if (qEnvironmentVariableIsEmpty("MIROVALE_UPDATE_URL"))
            qputenv("MIROVALE_UPDATE_URL", "http://127.0.0.1:9/");
        return true;
    }();
    Q_UNUSED(ready);
    return home.path() + QStringLiteral("/home");
}

// Replaces the whole file; false when it cannot be written in full.
inline bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The file's bytes; "<missing>" when it cannot be read, so that a missing file never
// passes for an empty one.
inline QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace mv::test

// QFETCH as an expression, for data that is used once.
#define MV_FETCH(Type, name) (*static_cast<Type *>(QTest::qData(#name, ::qMetaTypeId<Type>())))

#define MV_TEST_MAIN(TestClass)                                                                                        \
    int main(int argc, char **argv)                                                                                    \
    {                                                                                                                  \
        mv::test::sandboxHome();                                                                                       \
        MV_TEST_APPLICATION app(argc, argv);                                                                           \
        TestClass tc;                                                                                                  \
        return QTest::qExec(&tc, argc, argv);                                                                          \
    }
