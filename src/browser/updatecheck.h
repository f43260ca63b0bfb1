#pragma once

#include <QDate>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

namespace mv {

// The version this program is, compared as a decimal number with the announced one.
inline constexpr const char *RunningVersion = "1.2";
// The resource ":/CUSTOM/103": the whole Update program, embedded when Mirovale is built.
inline constexpr const char *UpdaterResourceType = "CUSTOM";
inline constexpr int UpdaterResourceId = 103;

// How one update check ended.
enum class CheckOutcome {
    NoReply,          // the fetch failed or timed out
    NothingAnnounced, // no marker, or a version that is not a number
    NotNewer,         // the announced version is not above the running one
    StartFailed,      // the updater could not be written or started
    UpdaterStarted,   // Update runs with "/" and the running version
    Abandoned,        // the check's owner went away while the fetch waited
};

// The browser's daily update check and the start of a downloaded setup program when the
// browser closes. The browser owns one (as a child, so that a check whose window closed
// while the fetch waited stops without touching anything), arms its Timer2 at load when
// Due(), calls CheckUpdate() from Timer2's first tick and StartPendingSetup() while it closes.
class UpdateCheck : public QObject
{
    Q_OBJECT
public:
    // Starts a program without waiting for it; false when it could not be started.
    using Starter = std::function<bool(const QString &program, const QStringList &arguments, const QString &folder)>;

    // programFolder is where Config.ini, Update and UpdateSetup live: ConfigFolder(), the program's own
    // folder unless it cannot be written there.
    explicit UpdateCheck(const QString &programFolder, QObject *parent = nullptr);
    explicit UpdateCheck(QObject *parent = nullptr);

    void SetStarter(Starter starter) { mStarter = std::move(starter); }

    QString ConfigFile() const;
    QString UpdaterFile() const;
    QString SetupFile() const;

    // True when no check has been made on today's date (LastCheckUpdate differs).
    bool Due(const QDate &today = QDate::currentDate()) const;

    // Records today as checked, asks the server and, when it announces a newer version,
    // writes Update out of the resource (when missing) and starts it. Lets events run while
    // the fetch waits. Never ends the program.
    CheckOutcome CheckUpdate(const QDate &today = QDate::currentDate());

    // The close step: when UpdateVersion is above the running version and UpdateSetup
    // exists, starts it. Nothing is shown; true when it was started.
    bool StartPendingSetup();

private:
    bool start(const QString &program, const QStringList &arguments);

    QString mFolder;
    Starter mStarter;
};

// Adds execute permission where the file may be read; false when it cannot be set.
bool MakeExecutable(const QString &path);

} // namespace mv
