#include "browser/updatecheck.h"

#include "app/fetchtext.h"
#include "app/fields.h"
#include "app/inifile.h"
#include "app/paths.h"
#include "app/resource.h"
#include "updater/announcement.h"

#include <QFile>
#include <QPointer>
#include <QProcess>

namespace mv {

namespace {

QString dateText(const QDate &date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

bool aboveRunningVersion(const QString &version)
{
    const VersionValue announced = VersionNumber(version);
    return announced.ok && announced.value > VersionNumber(QString::fromLatin1(RunningVersion)).value;
}

} // namespace

bool MakeExecutable(const QString &path)
{
    QFile::Permissions permissions = QFile::permissions(path);
    if (permissions == QFile::Permissions())
        return false;
    permissions |= QFile::ExeOwner | QFile::ExeUser;
    if (permissions & QFile::ReadGroup)
        permissions |= QFile::ExeGroup;
    if (permissions & QFile::ReadOther)
        permissions |= QFile::ExeOther;
    return QFile::setPermissions(path, permissions);
}

UpdateCheck::UpdateCheck(const QString &programFolder, QObject *parent)
    : QObject(parent)
    , mFolder(programFolder)
{
    if (!mFolder.endsWith(QLatin1Char('/')))
        mFolder += QLatin1Char('/');
}

UpdateCheck::UpdateCheck(QObject *parent)
    : UpdateCheck(ConfigFolder(), parent)
{
}

QString UpdateCheck::ConfigFile() const
{
    return mFolder + QStringLiteral("Config.ini");
}

QString UpdateCheck::UpdaterFile() const
{
    return mFolder + QLatin1String(UpdaterFileName);
}

QString UpdateCheck::SetupFile() const
{
    return mFolder + QLatin1String(SetupFileName);
}

bool UpdateCheck::Due(const QDate &today) const
{
    return dateText(today) != ReadIniValue(QStringLiteral("Config"), QStringLiteral("LastCheckUpdate"), ConfigFile());
}

bool UpdateCheck::start(const QString &program, const QStringList &arguments)
{
    if (mStarter)
        return mStarter(program, arguments, mFolder);
    return QProcess::startDetached(program, arguments, mFolder);
}

CheckOutcome UpdateCheck::CheckUpdate(const QDate &today)
{
    // The day counts as checked whatever follows; a failed write has told the user.
    (void)WriteIniValue(QStringLiteral("Config"), QStringLiteral("LastCheckUpdate"), dateText(today), ConfigFile());

    const QPointer<UpdateCheck> alive(this);
    const FetchResult reply = FetchText(AnnouncementUrl());
    if (!alive)
        return CheckOutcome::Abandoned;
    if (!reply.ok)
        return CheckOutcome::NoReply;
    if (!HasReplyMarker(reply.text))
        return CheckOutcome::NothingAnnounced;
    const QString version = ReplyField(reply.text, 2);
    if (!VersionNumber(version).ok)
        return CheckOutcome::NothingAnnounced;
    if (!aboveRunningVersion(version))
        return CheckOutcome::NotNewer;

    // An Update already there is used as it is.
    const QString updater = UpdaterFile();
    if (!HasFile(updater))
        (void)SaveResource(updater, QString::fromLatin1(UpdaterResourceType), UpdaterResourceId);
    if (!HasFile(updater) || !MakeExecutable(updater))
        return CheckOutcome::StartFailed;
    const QString argument = QStringLiteral("/") + QLatin1String(RunningVersion);
    return start(updater, {argument}) ? CheckOutcome::UpdaterStarted : CheckOutcome::StartFailed;
}

bool UpdateCheck::StartPendingSetup()
{
    const QString version = ReadIniValue(QStringLiteral("Config"), QStringLiteral("UpdateVersion"), ConfigFile());
    const QString setup = SetupFile();
    if (!aboveRunningVersion(version) || !HasFile(setup))
        return false;
    MakeExecutable(setup);
    return start(setup, {});
}

} // namespace mv
