#include "updater/frmupdate.h"

#include "app/fetchtext.h"
#include "app/fields.h"
#include "app/inifile.h"
#include "app/paths.h"
#include "updater/announcement.h"
#include "updater/download.h"
#include "updater/progbar.h"

#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QScreen>

#include <cmath>

namespace mv {

std::optional<double> CurrentVersionNumber(const QString &text)
{
    const QString trimmed = text.trimmed();
    for (const QLocale &locale : {QLocale::c(), QLocale::system()}) {
        bool ok = false;
        const double value = locale.toDouble(trimmed, &ok);
        if (ok && std::isfinite(value))
            return value;
    }
    return std::nullopt;
}

FrmUpdate::FrmUpdate(const QString &programFolder, QWidget *parent)
    : QWidget(parent)
    , mFolder(programFolder)
{
    if (!mFolder.endsWith(QLatin1Char('/')))
        mFolder += QLatin1Char('/');
    setObjectName(QStringLiteral("FrmUpdate"));
    setWindowTitle(QStringLiteral("Mirovale-在线升级"));
    setFixedSize(282, 72);

    Label1 = new QLabel(QStringLiteral("正在下载升级包,请稍后..."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->move(8, 8);
    Label1->adjustSize();

    Label2 = new QLabel(QStringLiteral("0%"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setTextFormat(Qt::PlainText);
    Label2->move(248, 8);
    Label2->adjustSize();

    ProgBar1 = new ProgBar(this);
    ProgBar1->setObjectName(QStringLiteral("ProgBar1"));
    ProgBar1->setGeometry(8, 32, 265, 17);
    ProgBar1->setScrolling(0);
    ProgBar1->setColor(QColor(10, 36, 106));

    DownLoad1 = new DownLoad(this);
    DownLoad1->setObjectName(QStringLiteral("DownLoad1"));
    connect(DownLoad1, &DownLoad::Percent, this, [this](int lPercent) {
        Label2->setText(QString::number(lPercent));
        Label2->adjustSize();
    });
    connect(DownLoad1, &DownLoad::DLComplete, this, [this] {
        // The window goes whether or not the write succeeded; a failed one has told the user.
        (void)WriteIniValue(QStringLiteral("Config"), QStringLiteral("UpdateVersion"), mNewVersion,
                            mFolder + QStringLiteral("Config.ini"));
        unload();
    });

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

FrmUpdate::FrmUpdate(QWidget *parent)
    : FrmUpdate(ConfigFolder(), parent)
{
}

void FrmUpdate::unload()
{
    mState = State::Ended;
    hide();
}

void FrmUpdate::Form_Load(const QString &commandLine)
{
    hide();
    mState = State::Checking;
    if (commandLine.isEmpty()) {
        unload();
        return;
    }
    mCurrentVersion = commandLine;
    mCurrentVersion.remove(QLatin1Char('/'));

    const FetchResult fetched = FetchText(AnnouncementUrl(), AnnouncementWaitSeconds);
    const QString reply = fetched.ok ? fetched.text : QString();
    if (!HasReplyMarker(reply)) {
        unload();
        return;
    }
    mNewVersion = ReplyField(reply, 2);
    mSetupUrl = ReplyField(reply, 3);

    // A current version that is not a number counts as older than any announced one.
    const std::optional<double> current = CurrentVersionNumber(mCurrentVersion);
    if (current && !(*current < LeadingNumber(mNewVersion))) {
        unload();
        return;
    }
    StartPlay();
    // The transfer ended without completing: the window stays and is shown.
    if (mState == State::Downloading)
        mState = State::Shown;
}

void FrmUpdate::StartPlay()
{
    mState = State::Downloading;
    const QString setup = mFolder + QLatin1String(SetupFileName);
    if (HasFile(setup) && !QFile::remove(setup)) {
        unload();
        return;
    }
    DownLoad1->setUrl(mSetupUrl);
    DownLoad1->setSaveLocation(setup);
    DownLoad1->GetFileInformation();
    mSetupSize = DownLoad1->FileSize();
    if (DownLoad1->FileSize() < 1) {
        unload();
        return;
    }
    DownLoad1->DownLoadFile();
}

} // namespace mv
